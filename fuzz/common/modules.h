// The five native plug-in modules, loaded once per process as a host loads them and kept loaded:
// their module-wide state lives on from one input to the next, as it does in a host. A target
// built with MODULES loads all five before its first input (common/modules.cpp), so the fuzzer
// counts their code from the start.
#pragma once

#include "fuzz/common/plugins.h"
#include "hosts/core/host.h"

namespace zar::fuzz {

const host::PluginModule& LoadedModule(int index);

}  // namespace zar::fuzz
