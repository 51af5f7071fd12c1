#include "tests/support/png.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace zar::testing {

bool WritePng(const std::string& path, const Image& image) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  const int outPlanes = image.planes == 1 ? 1 : image.planes == 4 ? 4 : 3;
  const int type = outPlanes == 1 ? PNG_COLOR_TYPE_GRAY
                   : outPlanes == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB;
  png_set_IHDR(png, info, image.width, image.height, 8, type, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<uint8_t> row(size_t(image.width) * outPlanes);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x)
      for (int p = 0; p < outPlanes; ++p) row[size_t(x) * outPlanes + p] = image.At(x, y)[p];
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

}  // namespace zar::testing
