// Linux implementation of the platform services, for the native plug-in modules that our own
// host loads. Message boxes go to the sink a host installs, or to stderr.
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

namespace zar::platform {

namespace {
void* gInstance = nullptr;
MessageSink gMessageSink = nullptr;
void* gMessageSinkContext = nullptr;
StringLookup gModuleStrings = nullptr;
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
  if (gMessageSink) {
    gMessageSink(gMessageSinkContext, owner, text, caption, icon == MessageIcon::kWarning ? 1 : 0);
    return;
  }
  std::fprintf(stderr, "%s: %s\n", caption, text);
}

int LoadModuleString(unsigned id, char* buf, int bufSize) {
  if (bufSize <= 0) return 0;
  const char* text = gModuleStrings ? gModuleStrings(id) : nullptr;
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

void RegisterModuleStrings(StringLookup lookup) { gModuleStrings = lookup; }

void SetMessageSink(MessageSink sink, void* context) {
  gMessageSink = sink;
  gMessageSinkContext = context;
}

}  // namespace zar::platform
