// An in-memory file the system names by path, for targets whose code under test reads files.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zar::fuzz {

struct MemoryFile {
  int fd = -1;
  // Holds `bytes`; fd is negative when the file could not be made or written.
  explicit MemoryFile(const std::vector<uint8_t>& bytes = {}) {
    fd = memfd_create("zar-input", MFD_CLOEXEC);
    if (fd >= 0 && !bytes.empty() && write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size())) {
      close(fd);
      fd = -1;
    }
  }
  ~MemoryFile() {
    if (fd >= 0) close(fd);
  }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  std::string path() const { return "/proc/self/fd/" + std::to_string(fd); }
};

}  // namespace zar::fuzz
