// The parameter block in the host's parameters handle: found, checked and created with the
// plug-in's defaults.
#pragma once

#include <cstdint>

#include "framework/globals.h"
#include "settings/parameters.h"

namespace zar {

// The block of the call's FilterRecord (the data block of its parameters handle). Only valid after
// EnsureParameters succeeded.
ParameterBlock BlockOf(const PluginGlobals& globals);

// Makes sure the host's parameters handle holds a block, creating one with the plug-in's defaults
// when it is empty. A block handed back smaller than the layout (where its size can be known) is
// replaced by a fresh one instead of being overrun. On an allocation failure the result becomes
// -108 and false is returned.
bool EnsureParameters(PluginGlobals& globals);

// The size of the data block of a parameters handle, or -1 when it cannot be known.
int64_t KnownParameterBlockSize(const FilterRecord& record);

}  // namespace zar
