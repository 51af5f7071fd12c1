// What the deliverables share: the engine entries of the two field engines (each serves two
// plug-ins) and the string table of builds without resources.
#pragma once

#include "framework/globals.h"

namespace zar {

// mode 1 renders the current strip for good and reports progress; mode 0 renders the preview.
void RunIceEntry(PluginGlobals* globals, int mode);
void RunFireEntry(PluginGlobals* globals, int mode);

// The text of string `id` for the bound plug-in, or null when the module has none (the same
// texts the Windows resources carry).
const char* ModuleString(unsigned id);

}  // namespace zar
