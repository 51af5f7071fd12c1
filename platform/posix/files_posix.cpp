// Files on Linux.
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
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

namespace {

// The temporary file being written, for a signal handler to remove (see
// RemovePendingTemporary); empty when there is none.
char gPending[4096];
volatile sig_atomic_t gPendingSet = 0;

// A short name of its own in the target's directory: a name near the system's limit still
// gets a temporary beside it, and neither the pid alone nor a leftover of an earlier run can
// make two writers meet (O_EXCL settles the rest).
std::string TemporaryName(const std::string& path, unsigned attempt) {
  const size_t slash = path.find_last_of('/');
  const std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  static std::atomic<unsigned> counter{0};
  uint64_t random = 0;
  if (getrandom(&random, sizeof random, GRND_NONBLOCK) != ssize_t(sizeof random))
    random = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
  random ^= uint64_t(getpid()) << 32 ^ counter.fetch_add(1) ^ attempt;
  char name[40];
  std::snprintf(name, sizeof name, ".zar-%016llx.tmp", static_cast<unsigned long long>(random));
  return dir + name;
}

}  // namespace

void RemovePendingTemporary() {
  if (gPendingSet) unlink(gPending);
}

bool WriteFileReplacing(const char* path, const void* data, size_t size) {
  // A new file keeps the permissions of the one it replaces.
  mode_t mode = 0666;
  struct stat existing;
  if (stat(path, &existing) == 0) {
    if (!S_ISREG(existing.st_mode)) return false;
    mode = existing.st_mode & 07777;
  }
  std::string temporary;
  int fd = -1;
  for (unsigned attempt = 0; fd < 0 && attempt < 16; ++attempt) {
    temporary = TemporaryName(path, attempt);
    if (temporary.size() >= sizeof gPending) return false;
    fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  // Named for a signal handler before anything is written into it.
  std::memcpy(gPending, temporary.c_str(), temporary.size() + 1);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  gPendingSet = 1;
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
  gPendingSet = 0;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  if (!ok) unlink(temporary.c_str());
  return ok;
}

}  // namespace zar::platform
