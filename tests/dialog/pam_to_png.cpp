// Converts the screenshots the Windows dialog tests write (PAM) into PNG files for the docs.
//   zar_pam_to_png IN.pam OUT.png
#include <cstdio>

#include "tests/support/image.h"
#include "tests/support/png.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s IN.pam OUT.png\n", argv[0]);
    return 2;
  }
  const zar::testing::Image image = zar::testing::ReadPnm(argv[1]);
  if (image.width == 0 || !zar::testing::WritePng(argv[2], image)) {
    std::fprintf(stderr, "cannot convert %s\n", argv[1]);
    return 1;
  }
  return 0;
}
