#include "hosts/cli/pictures.h"

#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/platform.h"

namespace zar::cli {

namespace {

// The host hands over pictures of at most this many rows and columns.
constexpr unsigned kMaxSide = 30000;

bool Fail(std::string* error, const std::string& why) {
  *error = why;
  return false;
}

std::string Extension(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = path.substr(dot);
  for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

bool IsPng(const std::vector<uint8_t>& bytes) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  return bytes.size() >= 8 && std::memcmp(bytes.data(), kSignature, 8) == 0;
}

bool IsPnm(const std::vector<uint8_t>& bytes) {
  return bytes.size() >= 3 && bytes[0] == 'P' &&
         (bytes[1] == '5' || bytes[1] == '6' || bytes[1] == '7') && std::isspace(bytes[2]);
}

// Opens a PNG file's header: png->format then tells what the file holds.
bool BeginPng(const std::string& path, const std::vector<uint8_t>& bytes, png_image* png,
              std::string* error) {
  *png = png_image{};
  png->version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(png, bytes.data(), bytes.size()))
    return Fail(error, path + ": damaged PNG file (" + png->message + ")");
  if (png->width > kMaxSide || png->height > kMaxSide) {
    const std::string size = std::to_string(png->width) + " x " + std::to_string(png->height);
    png_image_free(png);
    return Fail(error, path + ": " + size + " is larger than the host takes (30000 x 30000)");
  }
  return true;
}

// Decodes an opened PNG file into `planes` planes of 8 bits (1 grey, 2 grey and alpha, 3 RGB,
// 4 RGBA), converting whatever the file holds.
bool FinishPng(const std::string& path, png_image* png, int planes, host::Picture* picture,
               std::string* error) {
  static const png_uint_32 kFormats[] = {0, PNG_FORMAT_GRAY, PNG_FORMAT_GA, PNG_FORMAT_RGB,
                                         PNG_FORMAT_RGBA};
  png->format = kFormats[planes];
  // 16-bit samples without colour-space information are taken as they are, not as linear light.
  png->flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
  host::Picture p(int(png->width), int(png->height), planes);
  if (!png_image_finish_read(png, nullptr, p.pixels.data(), p.rowBytes, nullptr)) {
    const std::string why = png->message;
    png_image_free(png);
    return Fail(error, path + ": damaged PNG file (" + why + ")");
  }
  *picture = std::move(p);
  return true;
}

// A PAM, PPM or PGM file.
bool DecodePnm(const std::string& path, host::Picture* picture, std::string* error) {
  std::string why;
  if (!host::ReadPnmFile(path, picture, &why)) return Fail(error, path + ": " + why);
  return true;
}

// The picture with each pixel's planes widened: grey to RGB, grey and alpha to RGBA.
host::Picture GreyToColour(const host::Picture& grey) {
  const bool alpha = grey.planes == 2;
  host::Picture out(grey.width, grey.height, alpha ? 4 : 3);
  for (int y = 0; y < grey.height; ++y)
    for (int x = 0; x < grey.width; ++x) {
      const uint8_t* g = grey.At(x, y);
      uint8_t* o = out.At(x, y);
      o[0] = o[1] = o[2] = g[0];
      if (alpha) o[3] = g[1];
    }
  return out;
}

}  // namespace

std::string UnreadableReason(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return std::strerror(errno);
  if (S_ISDIR(info.st_mode)) return std::strerror(EISDIR);
  if (access(path.c_str(), R_OK) != 0) return std::strerror(errno);
  return "read error";
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error) {
  std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!f) return Fail(error, "cannot open " + path + ": " + std::strerror(errno));
  bytes->clear();
  uint8_t chunk[65536];
  for (;;) {
    const size_t got = std::fread(chunk, 1, sizeof chunk, f.get());
    bytes->insert(bytes->end(), chunk, chunk + got);
    if (got < sizeof chunk) break;
  }
  if (std::ferror(f.get())) return Fail(error, "cannot read " + path + ": " + std::strerror(errno));
  return true;
}

bool OutputFormatFor(const std::string& path, PictureFormat* format, std::string* error) {
  const std::string ext = Extension(path);
  if (ext == ".png") {
    *format = PictureFormat::kPng;
    return true;
  }
  if (ext == ".pam") {
    *format = PictureFormat::kPam;
    return true;
  }
  return Fail(error, path + ": unknown output format (name it .png or .pam)");
}

bool ReadPicture(const std::string& path, host::Picture* picture, std::vector<std::string>* notes,
                 std::string* error) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, &bytes, error)) return false;
  if (IsPng(bytes)) {
    png_image png;
    if (!BeginPng(path, bytes, &png, error)) return false;
    const png_uint_32 format = png.format;
    const bool alpha = format & PNG_FORMAT_FLAG_ALPHA;
    if (!FinishPng(path, &png, alpha ? 4 : 3, picture, error)) return false;
    const char* result = alpha ? "RGBA" : "RGB";
    if (format & PNG_FORMAT_FLAG_COLORMAP)
      notes->push_back(path + ": palette picture converted to " + result);
    else if (!(format & PNG_FORMAT_FLAG_COLOR))
      notes->push_back(path + ": grey picture converted to " + result);
    if (format & PNG_FORMAT_FLAG_LINEAR)
      notes->push_back(path + ": 16-bit samples reduced to 8 bits");
    return true;
  }
  if (!IsPnm(bytes)) return Fail(error, path + ": not a PNG, PAM, PPM or PGM picture");
  bytes.clear();
  if (!DecodePnm(path, picture, error)) return false;
  if (picture->planes <= 2) {
    *picture = GreyToColour(*picture);
    notes->push_back(path + ": grey picture converted to " +
                     (picture->planes == 4 ? "RGBA" : "RGB"));
  }
  return true;
}

bool ReadMask(const std::string& path, host::Picture* mask, std::vector<std::string>* notes,
              std::string* error) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, &bytes, error)) return false;
  if (IsPng(bytes)) {
    png_image png;
    if (!BeginPng(path, bytes, &png, error)) return false;
    const png_uint_32 format = png.format;
    // Grey and alpha is read as it stands and the alpha dropped; anything else becomes grey.
    const bool alpha = (format & PNG_FORMAT_FLAG_ALPHA) && !(format & PNG_FORMAT_FLAG_COLOR);
    host::Picture read;
    if (!FinishPng(path, &png, alpha ? 2 : 1, &read, error)) return false;
    if (format & PNG_FORMAT_FLAG_COLOR) notes->push_back(path + ": colour mask converted to grey");
    if (alpha) {
      host::Picture grey(read.width, read.height, 1);
      for (int y = 0; y < read.height; ++y)
        for (int x = 0; x < read.width; ++x) *grey.At(x, y) = read.At(x, y)[0];
      read = std::move(grey);
      notes->push_back(path + ": the mask's transparency is ignored");
    }
    *mask = std::move(read);
    return true;
  }
  if (!IsPnm(bytes)) return Fail(error, path + ": not a PNG, PGM or PAM mask");
  bytes.clear();
  if (!DecodePnm(path, mask, error)) return false;
  if (mask->planes != 1)
    return Fail(error,
                path + ": a mask has one plane, this file has " + std::to_string(mask->planes));
  return true;
}

bool EncodePicture(const host::Picture& picture, PictureFormat format, std::vector<uint8_t>* bytes,
                   std::string* error) {
  if (picture.empty()) return Fail(error, "empty picture");
  bytes->clear();
  if (format == PictureFormat::kPam) {
    static const char* const kTypes[] = {"",    "GRAYSCALE", "GRAYSCALE_ALPHA",
                                         "RGB", "RGB_ALPHA", "RGB_ALPHA_EXTRA"};
    if (picture.planes > 5) return Fail(error, "a PAM file here holds at most 5 planes");
    char header[160];
    const int length =
        std::snprintf(header, sizeof header,
                      "P7\nWIDTH %d\nHEIGHT %d\nDEPTH %d\nMAXVAL 255\nTUPLTYPE %s\nENDHDR\n",
                      picture.width, picture.height, picture.planes, kTypes[picture.planes]);
    bytes->assign(header, header + length);
    const size_t rowLength = size_t(picture.width) * size_t(picture.planes);
    bytes->reserve(bytes->size() + rowLength * size_t(picture.height));
    for (int y = 0; y < picture.height; ++y)
      bytes->insert(bytes->end(), picture.Row(y), picture.Row(y) + rowLength);
    return true;
  }
  if (picture.planes != 3 && picture.planes != 4)
    return Fail(error, "a PNG file holds 3 or 4 planes, this picture has " +
                           std::to_string(picture.planes) + " (write a .pam)");
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = png_uint_32(picture.width);
  png.height = png_uint_32(picture.height);
  png.format = picture.planes == 4 ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
  png_alloc_size_t size = 0;
  if (!png_image_write_get_memory_size(png, size, 0, picture.pixels.data(), picture.rowBytes,
                                       nullptr))
    return Fail(error, std::string("PNG encoding failed (") + png.message + ")");
  bytes->resize(size);
  if (!png_image_write_to_memory(&png, bytes->data(), &size, 0, picture.pixels.data(),
                                 picture.rowBytes, nullptr))
    return Fail(error, std::string("PNG encoding failed (") + png.message + ")");
  bytes->resize(size);
  return true;
}

bool WritePicture(const std::string& path, const host::Picture& picture, PictureFormat format,
                  std::string* error) {
  std::vector<uint8_t> bytes;
  if (!EncodePicture(picture, format, &bytes, error)) return false;
  errno = 0;
  if (!platform::WriteFileReplacing(path.c_str(), bytes.data(), bytes.size()))
    return Fail(error,
                "cannot write " + path + (errno ? std::string(": ") + std::strerror(errno) : ""));
  return true;
}

}  // namespace zar::cli
