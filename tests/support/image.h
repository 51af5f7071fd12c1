// Pictures for tests and benchmarks: interleaved 8-bit samples with a row stride, read from and
// written to PAM/PNM files, hashed for pinning, and made procedurally.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zar::testing {

struct Image {
  int width = 0;
  int height = 0;
  int planes = 0;
  int rowBytes = 0;  // at least width * planes
  std::vector<uint8_t> pixels;

  Image() = default;
  Image(int w, int h, int p, int padding = 0)
      : width(w), height(h), planes(p), rowBytes(w * p + padding),
        pixels(size_t(rowBytes) * size_t(h), 0) {}

  uint8_t* Row(int y) { return pixels.data() + size_t(y) * size_t(rowBytes); }
  const uint8_t* Row(int y) const { return pixels.data() + size_t(y) * size_t(rowBytes); }
  uint8_t* At(int x, int y) { return Row(y) + size_t(x) * size_t(planes); }
  const uint8_t* At(int x, int y) const { return Row(y) + size_t(x) * size_t(planes); }

  // The same picture with another number of planes (extra planes filled with `fill`) or rows
  // padded with `padding` bytes of 0xEE.
  Image WithPlanes(int planes, uint8_t fill = 255) const;
  Image WithPadding(int padding) const;
  // The pixels without row padding.
  std::vector<uint8_t> Packed() const;
};

// PAM (P7, any depth), PPM (P6) and PGM (P5) with maxval 255. Empty image on failure.
Image ReadPnm(const std::string& path);
bool WritePam(const std::string& path, const Image& image);

// The directory of the committed test pictures (tests/data), usable from Wine too.
std::string TestDataPath(const std::string& name);

// The sample photograph, 150 x 100, 3 planes.
Image SamplePhoto();

// A picture with structure: gradients, dark patches, bright discs and a texture.
Image StructuredPicture(int width, int height, int planes = 3);

// A selection mask: an ellipse of 255 on 0, with a soft edge.
Image EllipseMask(int width, int height);

// 64-bit FNV-1a over the packed pixels (row padding excluded), as 16 hexadecimal digits.
std::string PixelHash(const Image& image);

}  // namespace zar::testing
