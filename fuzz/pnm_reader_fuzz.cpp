// The host core's picture reader (PAM, PPM and PGM files, as the test hosts read pictures and
// selection masks): any bytes as a file. A picture it accepts is whole and consistent, and writing
// it out and reading it back gives the same picture.
#include <sys/mman.h>
#include <unistd.h>

#include <string>

#include "fuzz/common/fuzz_input.h"
#include "hosts/core/picture.h"

namespace zar::fuzz {
namespace {

// An in-memory file the system names by path.
struct MemoryFile {
  int fd = memfd_create("picture", MFD_CLOEXEC);
  ~MemoryFile() {
    if (fd >= 0) close(fd);
  }
  std::string path() const { return "/proc/self/fd/" + std::to_string(fd); }
};

}  // namespace
}  // namespace zar::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zar;
  using namespace zar::fuzz;
  MemoryFile file;
  if (file.fd < 0) return 0;
  if (size > 0 && write(file.fd, data, size) != ssize_t(size)) return 0;

  host::Picture picture;
  std::string error;
  if (!host::ReadPnmFile(file.path(), &picture, &error)) {
    FUZZ_CHECK(!error.empty());
    return 0;
  }
  FUZZ_CHECK(picture.width >= 1 && picture.height >= 1);
  FUZZ_CHECK(picture.planes >= 1 && picture.planes <= 5);
  FUZZ_CHECK(picture.rowBytes == picture.width * picture.planes);
  FUZZ_CHECK(picture.pixels.size() == size_t(picture.rowBytes) * size_t(picture.height));
  // The samples come from the file, which must have held them all.
  FUZZ_CHECK(picture.pixels.size() <= size);

  MemoryFile copy;
  if (copy.fd < 0) return 0;
  FUZZ_CHECK(host::WritePamFile(copy.path(), picture, &error));
  host::Picture back;
  FUZZ_CHECK(host::ReadPnmFile(copy.path(), &back, &error));
  FUZZ_CHECK(back.width == picture.width && back.height == picture.height &&
             back.planes == picture.planes && back.pixels == picture.pixels);
  return 0;
}
