#include "hosts/core/whole_file.h"

#include <cstdio>
#include <memory>

namespace zar::host {

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes) {
  bytes->clear();
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file) return false;
  uint8_t chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0)
    bytes->insert(bytes->end(), chunk, chunk + n);
  return !std::ferror(file.get());
}

std::vector<uint8_t> WholeFile(const std::string& path) {
  std::vector<uint8_t> bytes;
  ReadWholeFile(path, &bytes);
  return bytes;
}

}  // namespace zar::host
