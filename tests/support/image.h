// Pictures for tests and benchmarks: interleaved 8-bit samples with a row stride, read from and
// written to PAM/PNM files, hashed for pinning, and made procedurally.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "hosts/core/picture.h"

namespace zar::testing {

// A host picture with what tests want of it besides.
struct Image : host::Picture {
  using host::Picture::Picture;
  Image() = default;
  Image(host::Picture&& picture) : host::Picture(std::move(picture)) {}  // NOLINT: a plain upgrade

  // The same picture with another number of planes (extra planes filled with `fill`) or rows
  // padded with `padding` bytes of 0xEE.
  Image WithPlanes(int planes, uint8_t fill = 255) const;
  Image WithPadding(int padding) const;
  // The pixels without row padding.
  std::vector<uint8_t> Packed() const;
};

// PAM (P7, depth 1 to 5), PPM (P6) and PGM (P5) with maxval 255, as the host reads them. Empty
// image on failure.
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
