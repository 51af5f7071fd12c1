#include "hosts/core/whole_file.h"

#include <fstream>
#include <iterator>

namespace zar::host {

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes) {
  bytes->clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  // A read error (a directory opens, then cannot be read) is thrown by the stream buffer.
  try {
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } catch (const std::ios_base::failure&) {
    bytes->clear();
    return false;
  }
  return !in.bad();
}

std::vector<uint8_t> WholeFile(const std::string& path) {
  std::vector<uint8_t> bytes;
  ReadWholeFile(path, &bytes);
  return bytes;
}

}  // namespace zar::host
