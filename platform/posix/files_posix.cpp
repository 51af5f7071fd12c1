// Files on Linux.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/failure_injection.h"
#include "platform/platform.h"

namespace zar::platform {

bool ReadFileBytes(const char* path, size_t maxBytes, std::vector<uint8_t>& out) {
  out.clear();
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info;
  if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    close(fd);
    return false;
  }
  uint8_t chunk[4096];
  bool ok = true;
  while (out.size() < maxBytes) {
    const size_t want = std::min(sizeof chunk, maxBytes - out.size());
    const ssize_t got = read(fd, chunk, want);
    if (got < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    if (got == 0) break;
    out.insert(out.end(), chunk, chunk + got);
  }
  close(fd);
  return ok;
}

bool WriteFileReplacing(const char* path, const void* data, size_t size) {
  const std::string temporary = std::string(path) + ".zar-" + std::to_string(getpid()) + ".tmp";
  // A new file keeps the permissions of the one it replaces.
  mode_t mode = 0666;
  struct stat existing;
  if (stat(path, &existing) == 0) {
    if (!S_ISREG(existing.st_mode)) return false;
    mode = existing.st_mode & 07777;
  }
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0) return false;
  bool ok = !detail::FileWritesFail();
  const auto* bytes = static_cast<const uint8_t*>(data);
  for (size_t done = 0; ok && done < size;) {
    const ssize_t wrote = write(fd, bytes + done, size - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) ok = false;
    else done += size_t(wrote);
  }
  if (ok && fsync(fd) != 0) ok = false;
  if (close(fd) != 0) ok = false;
  if (ok && rename(temporary.c_str(), path) != 0) ok = false;
  if (!ok) unlink(temporary.c_str());
  return ok;
}

}  // namespace zar::platform
