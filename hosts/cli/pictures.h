// Pictures on disk for `zar`: PNG through libpng (RGB, RGBA as four planes; grey, palette and
// 16-bit pictures converted, with a note), PAM, PPM and PGM for exact work, and selection masks
// from grey PNG or PGM files. Outputs are encoded in memory and written so that they are either
// complete or not there at all.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hosts/core/picture.h"

namespace zar::cli {

enum class PictureFormat { kPng, kPam };

// The format an output path asks for by its extension (.png, .pam; case ignored).
bool OutputFormatFor(const std::string& path, PictureFormat* format, std::string* error);

// Reads a picture to filter: 3, 4 or 5 planes. The file's kind is found from its first bytes.
// Conversions made on the way are described in `notes`.
bool ReadPicture(const std::string& path, host::Picture* picture, std::vector<std::string>* notes,
                 std::string* error);

// Reads a selection mask: one plane, 0 outside the selection, 255 inside.
bool ReadMask(const std::string& path, host::Picture* mask, std::vector<std::string>* notes,
              std::string* error);

// The file's bytes: PNG holds 3 or 4 planes, PAM 1 to 5.
bool EncodePicture(const host::Picture& picture, PictureFormat format, std::vector<uint8_t>* bytes,
                   std::string* error);

// Encodes and writes a picture; on failure nothing is left at `path` that was not there before.
bool WritePicture(const std::string& path, const host::Picture& picture, PictureFormat format,
                  std::string* error);

// A whole file, with the system's reason when it cannot be read.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error);

// Why a file cannot be read, in the system's words ("No such file or directory", "Is a
// directory", "Permission denied").
std::string UnreadableReason(const std::string& path);

}  // namespace zar::cli
