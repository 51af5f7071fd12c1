// Photographs for `zar` through libvips: JPEG, PNG, TIFF, WebP, GIF, HEIF/AVIF and JPEG XL in and
// out. Pictures come to the plug-ins as 8-bit RGB or RGBA: the camera's orientation applied,
// CMYK and other colour spaces converted to sRGB and 16-bit samples reduced to 8, each with a
// note; the stored samples are otherwise handed over as they are (no gamma "correction"). The
// colour profile and camera metadata travel beside the picture to the output.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hosts/cli/pictures.h"
#include "hosts/core/picture.h"

typedef struct _VipsImage VipsImage;

namespace zar::cli {

// Starts libvips once per process (thread-safe); false with the reason when it cannot start.
bool StartVips(std::string* error);

// A file's bytes as zar reads them: the first bytes already read, then the rest from `fd`
// (read, never seeked, when `seekable` is false: a pipe). Reading stops at `limit` bytes from
// the file's start.
struct VipsInput {
  std::string path;
  int fd = -1;
  bool seekable = false;
  std::vector<uint8_t> first;
};

// What a reader makes of a picture: 3 or 4 planes ("picture") or one ("mask").
enum class VipsRead { kPicture, kMask };

// Decodes a file libvips recognises from its first bytes. The header's size is checked against
// the host's limits (and, for a mask, against width x height unless width is 0) before any
// sample is decoded; nothing further is read than such a picture can need.
bool ReadWithVips(VipsInput& input, VipsRead kind, int width, int height, host::Picture* picture,
                  PictureInfo* info, std::vector<std::string>* notes, std::string* error);

// The same for a whole file already in memory (a PNG whose header zar has checked).
bool DecodeBufferWithVips(const std::string& path, const std::vector<uint8_t>& bytes, VipsRead kind,
                          int width, int height, host::Picture* picture, PictureInfo* info,
                          std::vector<std::string>* notes, std::string* error);

// The libvips image of a picture (planes 1 to 4), with its profile and metadata attached; the
// caller unrefs it. Null with the reason on failure.
VipsImage* ImageOf(const host::Picture& picture, const PictureInfo* info, std::string* error);

// Encodes an image (one picture, or frames stacked top to bottom with "page-height" set) in
// `format` with the options that format takes.
bool SaveImage(VipsImage* image, PictureFormat format, const SaveOptions& options,
               std::vector<uint8_t>* bytes, std::string* error);

// ImageOf then SaveImage: a picture of 3 or 4 planes in any format but PAM.
bool EncodeWithVips(const host::Picture& picture, PictureFormat format, const SaveOptions& options,
                    std::vector<uint8_t>* bytes, std::string* error);

}  // namespace zar::cli
