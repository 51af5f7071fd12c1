// The host core's picture reader (PAM, PPM and PGM files, as the test hosts read pictures and
// selection masks): any bytes as a file. A picture it accepts is whole and consistent, and writing
// it out and reading it back gives the same picture.
#include <string>
#include <vector>

#include "fuzz/common/fuzz_input.h"
#include "fuzz/common/memory_file.h"
#include "hosts/core/picture.h"

namespace zar::fuzz {

void TestOneInput(FuzzInput& input) {
  const std::vector<uint8_t> bytes = input.Rest();
  MemoryFile file(bytes);
  if (file.fd < 0) return;

  host::Picture picture;
  std::string error;
  if (!host::ReadPnmFile(file.path(), &picture, &error)) {
    FUZZ_CHECK(!error.empty());
    return;
  }
  FUZZ_CHECK(picture.width >= 1 && picture.height >= 1);
  FUZZ_CHECK(picture.planes >= 1 && picture.planes <= 5);
  FUZZ_CHECK(picture.rowBytes == picture.width * picture.planes);
  FUZZ_CHECK(picture.pixels.size() == size_t(picture.rowBytes) * size_t(picture.height));
  // The samples come from the file, which must have held them all.
  FUZZ_CHECK(picture.pixels.size() <= bytes.size());

  MemoryFile copy;
  if (copy.fd < 0) return;
  FUZZ_CHECK(host::WritePamFile(copy.path(), picture, &error));
  host::Picture back;
  FUZZ_CHECK(host::ReadPnmFile(copy.path(), &back, &error));
  FUZZ_CHECK(back.width == picture.width && back.height == picture.height &&
             back.planes == picture.planes && back.pixels == picture.pixels);
}

}  // namespace zar::fuzz
