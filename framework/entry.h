// The plug-in's exported entry point and the selector dispatch.
#pragma once

#include "interface/host_api.h"

#if defined(_WIN32)
#define ZAR_EXPORT  // exported by name through the module's .def file
#else
#define ZAR_EXPORT __attribute__((visibility("default")))
#endif

extern "C" ZAR_EXPORT void ZAR_CDECL ENTRYPOINT(zar::int16 selector, void* record, intptr_t* data,
                                                zar::int16* result);

namespace zar {

struct PluginGlobals;

void DoAbout(PluginGlobals& globals);
void DoParameters(PluginGlobals& globals);

}  // namespace zar
