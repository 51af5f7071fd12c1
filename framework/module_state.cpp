#include "framework/module_state.h"

namespace zar {

namespace {
constinit ModuleState gModule;
}

ModuleState& Module() { return gModule; }

}  // namespace zar
