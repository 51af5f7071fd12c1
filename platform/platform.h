// The operating-system services the framework and the engines use. One implementation per
// platform: platform/win32 (the real Windows calls) and platform/posix (Linux, for the native
// plug-in modules our own host loads). Nothing outside platform/ and ui/win32 includes <windows.h>.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zar::platform {

// ---- module ---------------------------------------------------------------------------------

// The module instance handle, stored by the library's load routine.
void SetModuleInstance(void* instance);
void* ModuleInstance();

// ---- memory ---------------------------------------------------------------------------------

// A movable, zero-filled block of global memory, locked when made and kept locked until freed, as
// the host's handle format expects. Returns the locked address, or null when it cannot be had. A
// block of 0 bytes still has an address (it is 1 byte long).
void* GlobalBlockAlloc(size_t size);
// The same block without the tests' failure injection, for a host's own handles: a test that
// makes the plug-in's allocations fail leaves the host's alone.
void* GlobalBlockAllocDirect(size_t size);
// Unlocks and frees a block made by GlobalBlockAlloc (null is ignored).
void GlobalBlockFree(void* block);
// The size of a global block given its locked address, or -1 when it cannot be known.
int64_t GlobalBlockSize(const void* block);

// Committed, zero-filled read-write pages for an engine's working fields; null on failure.
void* PageAlloc(size_t size);
void PageFree(void* pages, size_t size);

// ---- messages and strings -------------------------------------------------------------------

enum class MessageIcon { kInformation, kWarning };

// A modal message box with an OK button. owner is a native window handle (0 for none).
void ShowMessage(intptr_t owner, const char* text, const char* caption, MessageIcon icon);

// Loads string `id` of the module's string table into buf (always terminated). Returns the
// length, 0 when the string is missing.
int LoadModuleString(unsigned id, char* buf, int bufSize);

// Where the module's strings come from in a build without resources: the module registers its
// lookup when it loads (null for none). The Windows builds read their resources and ignore it.
using StringLookup = const char* (*)(unsigned id);
void RegisterModuleStrings(StringLookup lookup);

// Where message boxes go in a build without a screen: a host that watches them installs a sink
// through the module's export (warning is 1 for a warning icon, 0 for information); without one
// they are printed to stderr. The Windows builds show real message boxes and ignore it.
using MessageSink = void (*)(void* context, intptr_t owner, const char* text, const char* caption,
                             int warning);
void SetMessageSink(MessageSink sink, void* context);

// ---- files ------------------------------------------------------------------------------------

// Reads at most maxBytes from the start of a file. False when it cannot be opened or read.
bool ReadFileBytes(const char* path, size_t maxBytes, std::vector<uint8_t>& out);

// Writes a whole file so that it is either complete or not there at all: the bytes go into a new
// file beside it, which then replaces the target. On any failure the target is untouched (an
// existing file keeps its contents) and nothing is left behind.
bool WriteFileReplacing(const char* path, const void* data, size_t size);
#ifndef _WIN32
// Removes the temporary file WriteFileReplacing is writing, if any: for a program's handler of
// SIGINT, SIGTERM and SIGHUP (it only unlinks, which a signal handler may do).
void RemovePendingTemporary();
#endif

// ---- the running host's version resource ----------------------------------------------------

// Full path of the running executable; false when unknown.
bool ExecutablePath(char* buf, size_t bufSize);
// Size of the file's version resource, 0 when it has none.
uint32_t VersionInfoSize(const char* path);
// Reads the version resource into buf (size bytes).
bool ReadVersionInfo(const char* path, uint32_t size, void* buf);
// Looks up a value in a version resource read by ReadVersionInfo (the system's query).
bool QueryVersionValue(const void* block, const char* subBlock, const void** value,
                       unsigned* length);

// ---- test support ---------------------------------------------------------------------------

namespace testing {
// After `count` more successful allocations (GlobalBlockAlloc and PageAlloc), every allocation
// fails until the countdown is reset with a negative count. -1 (the default) never fails.
void FailAllocationsAfter(int count);
// While set, every file write fails as a full disk would.
void FailFileWrites(bool fail);
}  // namespace testing

}  // namespace zar::platform
