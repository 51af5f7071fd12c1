// The string table of a module without resources, from the plug-in's constants (the Windows
// builds load the same texts from their resources).
#include "framework/plugin.h"
#include "plugins/common/entries.h"
#include "plugins/common/framework_strings.h"

namespace zar {

const char* ModuleString(unsigned id) {
  switch (id) {
    case 16000: return ThisPlugin().aboutText;
    case 16001: return ThisPlugin().title;
    case 16990: return ZAR_STRING_INTEGER_RANGE;
    case 16991: return ZAR_STRING_DECIMAL_RANGE;
    case 16992: return ZAR_STRING_NEEDS_HOST;
    case 16993: return ZAR_STRING_INCOMPATIBLE;
    default: return nullptr;
  }
}

}  // namespace zar
