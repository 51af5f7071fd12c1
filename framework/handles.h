// Memory handles in the host's Windows handle format (interface/handle_format.h), and the
// wrappers around the host's own handle suite.
#pragma once

#include <cstdint>

#include "interface/handle_format.h"
#include "interface/host_api.h"

namespace zar {

// The module-wide handle error cell: 0, -108 (allocation failed) or -109 (empty handle).
int16 HandleError();

Handle NewPluginHandle(int32 size);
void DisposePluginHandle(Handle handle);
// True when `handle` is one this module made and has not freed (its master block still points at
// the data block it was made with). Reads nothing but the handle's own pointer.
bool IsPluginHandle(Handle handle);

// The host's handle suite counts as usable when its version is 1, it has more than six procedures
// and new, dispose, get size and set size are present.
bool HandleSuiteUsable(const HandleProcs* procs);

// The size of a handle's data block, -1 when it is not known: ours by the system; any other by
// the host's suite when it answers more than 0, else by the system when it knows the block.
int64_t HandleDataSize(const HandleProcs* procs, Handle handle);

// Each uses the host's suite when it is usable, our own handles otherwise.
Handle HostNewHandle(const HandleProcs* procs, int32 size);
void HostDisposeHandle(const HandleProcs* procs, Handle handle);
Ptr HostLockHandle(const HandleProcs* procs, Handle handle, Boolean moveHigh);
void HostUnlockHandle(const HandleProcs* procs, Handle handle);

}  // namespace zar
