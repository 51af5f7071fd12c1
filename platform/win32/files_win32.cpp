// Files on Windows.
#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/failure_injection.h"
#include "platform/platform.h"

namespace zar::platform {

bool ReadFileBytes(const char* path, size_t maxBytes, std::vector<uint8_t>& out) {
  out.clear();
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  uint8_t chunk[4096];
  bool ok = true;
  while (out.size() < maxBytes) {
    DWORD got = 0;
    const DWORD want = DWORD(std::min<size_t>(sizeof chunk, maxBytes - out.size()));
    if (!ReadFile(file, chunk, want, &got, nullptr)) {
      ok = false;
      break;
    }
    if (got == 0) break;
    out.insert(out.end(), chunk, chunk + got);
  }
  CloseHandle(file);
  return ok;
}

bool WriteFileReplacing(const char* path, const void* data, size_t size) {
  const std::string temporary =
      std::string(path) + ".zar-" + std::to_string(GetCurrentProcessId()) + ".tmp";
  HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = !detail::FileWritesFail();
  const auto* bytes = static_cast<const uint8_t*>(data);
  for (size_t done = 0; ok && done < size;) {
    DWORD wrote = 0;
    const DWORD chunk = DWORD(std::min<size_t>(size - done, 1u << 20));
    if (!WriteFile(file, bytes + done, chunk, &wrote, nullptr) || wrote == 0) ok = false;
    done += wrote;
  }
  if (ok && !FlushFileBuffers(file)) ok = false;
  if (!CloseHandle(file)) ok = false;
  if (ok && !MoveFileExA(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    ok = false;
  if (!ok) DeleteFileA(temporary.c_str());
  return ok;
}

}  // namespace zar::platform
