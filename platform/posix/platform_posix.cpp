// Linux implementation of the platform services, for the native plug-in modules that our own
// host loads. Message boxes go to a hook the host installs (see message_hook.h), or to stderr.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/failure_injection.h"
#include "platform/platform.h"
#include "platform/posix/message_hook.h"
#include "platform/posix/module_strings.h"

namespace zar::platform {

namespace {
void* gInstance = nullptr;
ZarMessageHook gMessageHook = nullptr;
void* gMessageHookContext = nullptr;
}  // namespace

void SetModuleInstance(void* instance) { gInstance = instance; }
void* ModuleInstance() { return gInstance; }

void* PageAlloc(size_t size) {
  if (detail::AllocationShouldFail() || size == 0) return nullptr;
  void* pages = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return pages == MAP_FAILED ? nullptr : pages;
}

void PageFree(void* pages, size_t size) {
  if (pages) munmap(pages, size);
}

void ShowMessage(intptr_t owner, const char* text, const char* caption, MessageIcon icon) {
  if (gMessageHook) {
    gMessageHook(gMessageHookContext, owner, text, caption, icon == MessageIcon::kWarning ? 1 : 0);
    return;
  }
  std::fprintf(stderr, "%s: %s\n", caption, text);
}

int LoadModuleString(unsigned id, char* buf, int bufSize) {
  if (bufSize <= 0) return 0;
  const char* text = ModuleString(id);
  if (!text) {
    buf[0] = '\0';
    return 0;
  }
  // Like the system call: copy what fits and always terminate.
  size_t length = std::strlen(text);
  if (length > size_t(bufSize - 1)) length = size_t(bufSize - 1);
  std::memcpy(buf, text, length);
  buf[length] = '\0';
  return int(length);
}

bool ExecutablePath(char* buf, size_t bufSize) {
  ssize_t length = readlink("/proc/self/exe", buf, bufSize - 1);
  if (length <= 0) return false;
  buf[length] = '\0';
  return true;
}

// Linux executables carry no version resource.
uint32_t VersionInfoSize(const char*) { return 0; }
bool ReadVersionInfo(const char*, uint32_t, void*) { return false; }
bool QueryVersionValue(const void*, const char*, const void**, unsigned*) { return false; }

}  // namespace zar::platform

extern "C" __attribute__((visibility("default"))) void ZarSetMessageHook(ZarMessageHook hook,
                                                                         void* context) {
  zar::platform::gMessageHook = hook;
  zar::platform::gMessageHookContext = context;
}
