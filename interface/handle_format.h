// The plug-ins' own memory handles, as a host meets them.
//
// A handle is the address of a master block: the data block's address (pointer-sized), then the
// code 'FOTO' as a little-endian 32-bit value (the bytes "OTOF"). Both blocks are movable,
// zero-filled global memory, locked when made and kept locked until freed, so the host can keep
// and free a handle a plug-in made and a plug-in can read one the host made.
#pragma once

#include <cstdint>

#include "base/four_cc.h"

namespace zar {

constexpr uint32_t kHandleSignature = FourCC("FOTO");
constexpr unsigned kHandleMasterSize = sizeof(void*) + 4;

}  // namespace zar
