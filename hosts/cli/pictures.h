// Pictures on disk for `zar`: PNG (its header checked here), JPEG, TIFF, WebP, GIF, HEIF/AVIF and
// JPEG XL decoded and encoded through libvips (vips_pictures.h); PAM, PPM and PGM for exact work;
// selection masks from any of them. "-" is standard input or output. Outputs are encoded in
// memory and written so that they are either complete or not there at all.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hosts/core/picture.h"

namespace zar::cli {

enum class PictureFormat { kPng, kPam, kJpeg, kTiff, kWebp, kGif, kHeif, kAvif, kJxl };

// The format an output path asks for by its extension (.png, .pam, .jpg/.jpeg, .tif/.tiff,
// .webp, .gif, .heic/.heif, .avif, .jxl; case ignored).
bool OutputFormatFor(const std::string& path, PictureFormat* format, std::string* error);
// The format a name given to --format stands for (png, jpeg, jpg, tiff, webp...; case ignored).
bool FormatNamed(const std::string& name, PictureFormat* format, std::string* error);
// The format's name with its article ("a PNG", "an AVIF").
std::string FormatArticle(PictureFormat format);
// The usual extension of a format, with its dot (".png", ".jpg"...).
std::string FormatExtension(PictureFormat format);

// What travels with a picture from its file to the output, where the output's format holds it:
// the colour profile and the camera's metadata, as stored.
struct PictureInfo {
  std::vector<uint8_t> icc, exif, xmp, iptc;
};

// Encoder settings: -1 leaves the format's default.
struct SaveOptions {
  int quality = -1;      // JPEG, WebP, HEIF, AVIF, JPEG XL: 1 to 100
  int compression = -1;  // PNG: 0 to 9
  const PictureInfo* info = nullptr;
};

// The most a host can grant a plug-in: maxSpace counts bytes in 32 bits. A picture is filtered in
// one piece when its input, output and mask bytes (2 x planes + 1 a pixel) fit in it.
constexpr int64_t kHostSpaceLimit = INT32_MAX;
int64_t MaxOneStripPixels(int planes);
bool FitsOneStrip(int64_t width, int64_t height, int planes);

// Reads a picture to filter: 3, 4 or 5 planes. The file's kind is found from its first bytes;
// it is opened once and read no further than the picture its header describes can need.
// Headers that promise more than the host takes (30000 x 30000, and one strip: FitsOneStrip)
// or more than the file holds are refused before anything is allocated for them. Conversions
// made on the way are described in `notes`.
bool ReadPicture(const std::string& path, host::Picture* picture, std::vector<std::string>* notes,
                 std::string* error, PictureInfo* info = nullptr);

// Reads a selection mask: one plane, 0 outside the selection, 255 inside. Whatever
// transparency a file has is ignored, with a note. A mask whose size is not width x height is
// refused from its header (width 0: any size).
bool ReadMask(const std::string& path, int width, int height, host::Picture* mask,
              std::vector<std::string>* notes, std::string* error);

// The file's bytes: PAM holds 1 to 5 planes, the other formats 3 or 4. Encoded once.
bool EncodePicture(const host::Picture& picture, PictureFormat format, std::vector<uint8_t>* bytes,
                   std::string* error, const SaveOptions& options = {});

// Encodes and writes a picture ("-": standard output); on failure nothing is left at `path` that
// was not there before.
bool WritePicture(const std::string& path, const host::Picture& picture, PictureFormat format,
                  std::string* error, const SaveOptions& options = {});

// Why a file cannot be read, in the system's words ("No such file or directory", "Is a
// directory", "Permission denied").
std::string UnreadableReason(const std::string& path);

}  // namespace zar::cli
