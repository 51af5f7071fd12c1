// The host's pictures: interleaved 8-bit samples with a row stride, as the host hands them to a
// plug-in; selection masks are one-plane pictures. PAM/PNM files in and out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zar::host {

struct Picture {
  int width = 0;
  int height = 0;
  int planes = 0;
  int rowBytes = 0;  // at least width * planes
  std::vector<uint8_t> pixels;

  Picture() = default;
  Picture(int w, int h, int p, int padding = 0)
      : width(w),
        height(h),
        planes(p),
        rowBytes(w * p + padding),
        pixels(size_t(rowBytes) * size_t(h), 0) {}

  bool empty() const { return width <= 0 || height <= 0 || planes <= 0; }
  uint8_t* Row(int y) { return pixels.data() + size_t(y) * size_t(rowBytes); }
  const uint8_t* Row(int y) const { return pixels.data() + size_t(y) * size_t(rowBytes); }
  uint8_t* At(int x, int y) { return Row(y) + size_t(x) * size_t(planes); }
  const uint8_t* At(int x, int y) const { return Row(y) + size_t(x) * size_t(planes); }
};

// The host takes pictures of at most this many rows and columns.
constexpr int kMaxPictureSide = 30000;

// What a PAM, PPM or PGM header says, and its length: the samples follow it.
struct PnmHeader {
  int width = 0, height = 0, depth = 0;
  size_t length = 0;
  size_t sampleBytes() const;
};
// A header lies within a file's first bytes; no more than this many are looked at.
constexpr size_t kPnmHeaderLimit = 65536;
// Reads the header from a file's first bytes (PAM depth 1 to 5, PPM, PGM, maxval 255), before
// anything the header promises is allocated. False with a reason otherwise.
bool ParsePnmHeader(const uint8_t* data, size_t size, PnmHeader* header, std::string* error);
// The samples that came with a file's first bytes (`first`, which begin with the header): what
// follows the header, no more than the picture holds.
std::vector<uint8_t> FirstPnmSamples(const PnmHeader& header, std::vector<uint8_t> first);
// The picture a header describes over all of its samples (header.sampleBytes() of them).
Picture PnmPicture(const PnmHeader& header, std::vector<uint8_t> samples);

// PAM (P7, depth 1 to 5), PPM (P6) and PGM (P5) with maxval 255. False with a reason otherwise.
bool ReadPnmFile(const std::string& path, Picture* picture, std::string* error);
// The bytes of a PAM file holding a picture of 1 to 5 planes, with a tuple type that fits the
// depth (GRAYSCALE, RGB, RGB_ALPHA...); empty for any other number of planes.
std::vector<uint8_t> EncodePam(const Picture& picture);
// EncodePam's bytes written to a file.
bool WritePamFile(const std::string& path, const Picture& picture, std::string* error);

}  // namespace zar::host
