// The host's operating-system services on Linux: dlopen for modules, the C heap for handle
// blocks, and no windows.
#include <dlfcn.h>
#include <malloc.h>

#include <cstdlib>

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

// The native plug-ins make their blocks with the same C heap, so either side can free the other's.
void* BlockAlloc(size_t size) { return std::calloc(size ? size : 1, 1); }
void BlockFree(void* block) { std::free(block); }
int64_t BlockSize(const void* block) {
  return block ? int64_t(malloc_usable_size(const_cast<void*>(block))) : -1;
}

intptr_t CreateHostWindow() { return 0; }
void DestroyHostWindow(intptr_t) {}

struct WindowWatcher::State {};
WindowWatcher::WindowWatcher(Record, Handler, intptr_t) {}
WindowWatcher::~WindowWatcher() = default;

}  // namespace zar::host::os
