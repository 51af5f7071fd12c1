// Windows implementation of the platform services.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/failure_injection.h"
#include "platform/platform.h"

namespace zar::platform {

namespace {
HINSTANCE gInstance = nullptr;
}

void SetModuleInstance(void* instance) { gInstance = static_cast<HINSTANCE>(instance); }
void* ModuleInstance() { return gInstance; }

void* PageAlloc(size_t size) {
  if (detail::AllocationShouldFail() || size == 0) return nullptr;
  return VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

void PageFree(void* pages, size_t) {
  if (pages) VirtualFree(pages, 0, MEM_RELEASE);
}

void ShowMessage(intptr_t owner, const char* text, const char* caption, MessageIcon icon) {
  UINT style = MB_OK | (icon == MessageIcon::kWarning ? MB_ICONWARNING : MB_ICONINFORMATION);
  MessageBoxA(reinterpret_cast<HWND>(owner), text, caption, style);
}

int LoadModuleString(unsigned id, char* buf, int bufSize) {
  if (bufSize <= 0) return 0;
  int length = LoadStringA(gInstance, id, buf, bufSize);
  if (length <= 0) buf[0] = '\0';
  return length > 0 ? length : 0;
}

// The texts are the module's resources, and message boxes are real.
void RegisterModuleStrings(StringLookup) {}
void SetMessageSink(MessageSink, void*) {}

bool ExecutablePath(char* buf, size_t bufSize) {
  DWORD length = GetModuleFileNameA(nullptr, buf, static_cast<DWORD>(bufSize));
  return length > 0 && length < bufSize;
}

uint32_t VersionInfoSize(const char* path) {
  DWORD unused = 0;
  return GetFileVersionInfoSizeA(path, &unused);
}

bool ReadVersionInfo(const char* path, uint32_t size, void* buf) {
  return GetFileVersionInfoA(path, 0, size, buf) != 0;
}

bool QueryVersionValue(const void* block, const char* subBlock, const void** value,
                       unsigned* length) {
  void* found = nullptr;
  UINT foundLength = 0;
  if (!VerQueryValueA(block, subBlock, &found, &foundLength) || !found) return false;
  *value = found;
  *length = foundLength;
  return true;
}

}  // namespace zar::platform
