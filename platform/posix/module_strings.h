// The string table of a native module: each deliverable supplies its texts by identifier (the
// same texts its Windows resources carry).
#pragma once

namespace zar::platform {

// The text of string `id`, or null when the module has none.
const char* ModuleString(unsigned id);

}  // namespace zar::platform
