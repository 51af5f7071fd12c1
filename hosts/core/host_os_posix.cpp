// The host's operating-system services on Linux: dlopen for modules, and no windows.
#include <dlfcn.h>

#include "hosts/core/host_os.h"

namespace zar::host::os {

void* OpenModule(const std::string& path, std::string* error) {
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module && error) *error = dlerror();
  return module;
}

void CloseModule(void* module) {
  if (module) dlclose(module);
}

void* FindSymbol(void* module, const char* name) { return dlsym(module, name); }

bool FirstModuleResource(void*, const char*, std::vector<uint8_t>*) { return false; }
bool LoadModuleStringAnsi(void*, unsigned, std::string*) { return false; }

intptr_t CreateHostWindow() { return 0; }
void DestroyHostWindow(intptr_t) {}

struct WindowWatcher::State {};
WindowWatcher::WindowWatcher(Record, Handler, intptr_t) {}
WindowWatcher::~WindowWatcher() = default;

}  // namespace zar::host::os
