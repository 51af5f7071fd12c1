#include "hosts/cli/pictures.h"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "hosts/cli/vips_pictures.h"
#include "platform/platform.h"

namespace zar::cli {

namespace {

constexpr unsigned kMaxSide = host::kMaxPictureSide;
// The first bytes read from every file: they tell its kind and hold its header.
constexpr size_t kFirstBytes = 65536;
// Room in a PNG file beside the compressed samples: colour profiles, text, metadata.
constexpr uint64_t kPngExtraBytes = uint64_t(8) << 20;
// Deflate never expands data more than about 1032 times: compressed data shorter than this
// share of what the header promises cannot hold it.
constexpr uint64_t kDeflateMaxRatio = 1032;

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

std::string SizeText(uint64_t width, uint64_t height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

// A file opened once (a pipe or a FIFO can be read only once) and read from its start, never
// further than asked.
class InputFile {
 public:
  InputFile() = default;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile() {
    if (fd_ > 0) close(fd_);
  }

  // "-" is standard input.
  bool Open(const std::string& path, std::string* error) {
    path_ = path;
    fd_ = path == "-" ? 0 : open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return Fail(error, "cannot open " + path + ": " + std::strerror(errno));
    struct stat info;
    if (fstat(fd_, &info) != 0)
      return Fail(error, "cannot read " + path + ": " + std::strerror(errno));
    if (S_ISDIR(info.st_mode))
      return Fail(error, "cannot read " + path + ": " + std::strerror(EISDIR));
    regular_ = S_ISREG(info.st_mode);
    size_ = regular_ ? uint64_t(info.st_size) : 0;
    return true;
  }

  // The size of a regular file, when it tells one; else 0.
  uint64_t knownSize() const { return size_; }
  bool regular() const { return regular_; }
  int fd() const { return fd_; }

  // Reads on until `bytes` holds `want` bytes (fewer when the file ends first). Memory grows
  // with what arrives, so a file shorter than promised costs no more than it holds.
  bool ReadTo(std::vector<uint8_t>* bytes, uint64_t want, std::string* error) {
    // A regular file's size is known (some files of /proc say 0 and hold more).
    if (regular_ && size_ > 0) {
      want = std::min(want, size_);
      bytes->reserve(size_t(want));
    }
    while (bytes->size() < want) {
      const size_t at = bytes->size();
      const size_t step = std::max<size_t>(at, size_t(1) << 20);
      bytes->resize(size_t(std::min<uint64_t>(want, uint64_t(at) + step)));
      size_t got = at;
      while (got < bytes->size()) {
        const ssize_t n = read(fd_, bytes->data() + got, bytes->size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
          const int why = errno;
          bytes->resize(got);
          return Fail(error, "cannot read " + path_ + ": " + std::strerror(why));
        }
        if (n == 0) break;
        got += size_t(n);
      }
      if (got < bytes->size()) {
        bytes->resize(got);
        break;
      }
    }
    return true;
  }

 private:
  std::string path_;
  int fd_ = -1;
  bool regular_ = false;
  uint64_t size_ = 0;
};

// What a PNG file's header (IHDR, the first chunk) says.
struct PngHeader {
  uint32_t width = 0, height = 0;
  uint64_t leastData = 0;  // the fewest bytes of samples the picture can decompress to
  uint64_t mostFile = 0;   // the longest file such a picture can need
};

uint32_t BigEndian32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// False when the header is not where it belongs (libpng then says what is wrong).
bool ReadPngHeader(const std::vector<uint8_t>& bytes, PngHeader* header) {
  if (bytes.size() < 33 || std::memcmp(bytes.data() + 12, "IHDR", 4) != 0) return false;
  header->width = BigEndian32(bytes.data() + 16);
  header->height = BigEndian32(bytes.data() + 20);
  const int depth = bytes[24], colourType = bytes[25];
  const int channels = colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
  const uint64_t bits = uint64_t(header->width) * uint64_t(channels) * uint64_t(depth);
  header->leastData = bits / 8 * header->height;
  // Each row (of each interlace pass) adds a filter byte and up to a byte of padding; stored
  // deflate blocks and chunk framing add a little more, and metadata chunks have their room.
  const uint64_t raw = (bits / 8 + 16) * uint64_t(header->height);
  header->mostFile = raw + raw / 2 + kPngExtraBytes;
  return true;
}

// The bytes of image data (IDAT) the chunks hold, as far as they are there: a chunk counts
// with what the file holds of it, not with the length it claims.
uint64_t PngDataBytes(const std::vector<uint8_t>& bytes) {
  uint64_t total = 0;
  for (uint64_t at = 8; at + 8 <= bytes.size();) {
    const uint64_t length = BigEndian32(bytes.data() + at);
    if (std::memcmp(bytes.data() + at + 4, "IDAT", 4) == 0)
      total += std::min<uint64_t>(length, bytes.size() - (at + 8));
    at += length + 12;
  }
  return total;
}

// What libpng finds in a PNG file's header.
struct PngGeometry {
  uint32_t width = 0, height = 0;
  bool alpha = false;
};

// Checks a PNG file's header against the largest picture taken and what the file holds, then
// has libpng read it: `geometry` is what the file holds. Nothing the header promises is allocated
// before the checks.
bool BeginPng(const std::string& path, InputFile& file, std::vector<uint8_t>& bytes,
              PngGeometry* geometry, std::string* error) {
  PngHeader header;
  if (ReadPngHeader(bytes, &header)) {
    const std::string size = SizeText(header.width, header.height);
    if (header.width > kMaxSide || header.height > kMaxSide)
      return Fail(error, path + ": " + size + " is larger than the host takes (30000 x 30000)");
    const std::string tooLong =
        path + ": the file is longer than a " + size + " PNG picture can need";
    if (file.knownSize() > header.mostFile) return Fail(error, tooLong);
    if (!file.ReadTo(&bytes, header.mostFile + 1, error)) return false;
    if (bytes.size() > header.mostFile) return Fail(error, tooLong);
    if (PngDataBytes(bytes) * kDeflateMaxRatio + 1024 < header.leastData)
      return Fail(error, path + ": damaged PNG file (its image data is far too short for " +
                             size + ")");
  }
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size()))
    return Fail(error, path + ": damaged PNG file (" + png.message + ")");
  geometry->width = png.width;
  geometry->height = png.height;
  geometry->alpha = png.format & PNG_FORMAT_FLAG_ALPHA;
  png_image_free(&png);
  if (geometry->width > kMaxSide || geometry->height > kMaxSide)
    return Fail(error, path + ": " + SizeText(geometry->width, geometry->height) +
                           " is larger than the host takes (30000 x 30000)");
  return true;
}

// Refuses a picture a plug-in cannot be handed whole (see FitsOneStrip).
bool CheckOneStrip(const std::string& path, int64_t width, int64_t height, int planes,
                   std::string* error) {
  if (FitsOneStrip(width, height, planes)) return true;
  const std::string p = std::to_string(planes);
  return Fail(error, path + ": " + SizeText(uint64_t(width), uint64_t(height)) + " with " + p +
                         " planes is too large to filter in one piece (a host grants a plug-in "
                         "at most 2147483647 bytes: " +
                         std::to_string(MaxOneStripPixels(planes)) + " pixels with " + p +
                         " planes)");
}

// The samples of a PAM, PPM or PGM file whose header was read from `bytes` (its first bytes).
bool ReadPnmSamples(const std::string& path, InputFile& file, std::vector<uint8_t>& bytes,
                    const host::PnmHeader& header, host::Picture* picture, std::string* error) {
  const uint64_t needed = header.sampleBytes();
  if (file.knownSize() > 0 && file.knownSize() < header.length + needed)
    return Fail(error, path + ": pixel data cut short");
  std::vector<uint8_t> samples = host::FirstPnmSamples(header, std::move(bytes));
  if (!file.ReadTo(&samples, needed, error)) return false;
  if (samples.size() < needed) return Fail(error, path + ": pixel data cut short");
  *picture = host::PnmPicture(header, std::move(samples));
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

// The first plane of a grey and alpha picture.
host::Picture DropAlpha(const host::Picture& read) {
  host::Picture grey(read.width, read.height, 1);
  for (int y = 0; y < read.height; ++y)
    for (int x = 0; x < read.width; ++x) *grey.At(x, y) = read.At(x, y)[0];
  return grey;
}

// Opens a file and reads its first bytes.
bool OpenInput(const std::string& path, InputFile& file, std::vector<uint8_t>* first,
               std::string* error) {
  return file.Open(path, error) && file.ReadTo(first, kFirstBytes, error);
}

}  // namespace

int64_t MaxOneStripPixels(int planes) { return kHostSpaceLimit / (2 * int64_t(planes) + 1); }

bool FitsOneStrip(int64_t width, int64_t height, int planes) {
  return width * height <= MaxOneStripPixels(planes);
}

std::string UnreadableReason(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return std::strerror(errno);
  if (S_ISDIR(info.st_mode)) return std::strerror(EISDIR);
  if (access(path.c_str(), R_OK) != 0) return std::strerror(errno);
  return "read error";
}

namespace {

struct FormatName {
  const char* name;
  PictureFormat format;
};
// The first name of each format gives its usual extension.
const FormatName kFormatNames[] = {
    {"png", PictureFormat::kPng},   {"pam", PictureFormat::kPam},   {"jpg", PictureFormat::kJpeg},
    {"jpeg", PictureFormat::kJpeg}, {"tif", PictureFormat::kTiff},  {"tiff", PictureFormat::kTiff},
    {"webp", PictureFormat::kWebp}, {"gif", PictureFormat::kGif},   {"heic", PictureFormat::kHeif},
    {"heif", PictureFormat::kHeif}, {"avif", PictureFormat::kAvif}, {"jxl", PictureFormat::kJxl},
};
const char* const kFormatList = "png, jpg, tif, webp, gif, heic, avif, jxl or pam";

bool NamedFormat(std::string name, PictureFormat* format) {
  for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
  for (const FormatName& entry : kFormatNames)
    if (name == entry.name) {
      *format = entry.format;
      return true;
    }
  return false;
}

}  // namespace

bool OutputFormatFor(const std::string& path, PictureFormat* format, std::string* error) {
  const std::string ext = Extension(path);
  if (!ext.empty() && NamedFormat(ext.substr(1), format)) return true;
  return Fail(error, path +
                         ": unknown output format (name it .png, .jpg, .tif, .webp, .gif, .heic, "
                         ".avif, .jxl or .pam)");
}

bool FormatNamed(const std::string& name, PictureFormat* format, std::string* error) {
  if (NamedFormat(name, format)) return true;
  return Fail(error, "unknown format \"" + name + "\" (" + kFormatList + ")");
}

std::string FormatArticle(PictureFormat format) {
  static const char* const kTitles[] = {"a PNG",  "a PAM", "a JPEG",  "a TIFF",
                                        "a WebP", "a GIF", "a HEIF", "an AVIF", "a JPEG XL"};
  return kTitles[int(format)];
}

std::string FormatExtension(PictureFormat format) {
  for (const FormatName& entry : kFormatNames)
    if (entry.format == format) return std::string(".") + entry.name;
  return {};
}

namespace {

// A picture to filter or a selection mask: PNG (its header checked here, its samples decoded by
// libvips), PAM, PPM and PGM read here, anything else through libvips. A mask of another size
// than width x height (width 0: any size) is refused from its header, before its samples are
// decoded.
bool ReadAnyPicture(const std::string& path, VipsRead kind, int width, int height,
                    host::Picture* picture, PictureInfo* info, std::vector<std::string>* notes,
                    std::string* error) {
  const bool isMask = kind == VipsRead::kMask;
  auto fits = [&](int64_t w, int64_t h, int planes) {
    if (!isMask) return CheckOneStrip(path, w, h, planes, error);
    if (width <= 0 || (w == width && h == height)) return true;
    return Fail(error, path + ": the mask is " + SizeText(uint64_t(w), uint64_t(h)) +
                           ", the picture " + SizeText(uint64_t(width), uint64_t(height)));
  };
  InputFile file;
  std::vector<uint8_t> bytes;
  if (!OpenInput(path, file, &bytes, error)) return false;
  if (IsPng(bytes)) {
    // The samples as stored, whatever gamma the file declares. A mask is read as grey and its
    // transparency (an alpha plane, a palette's transparent entries) is dropped, as from every
    // kind of file: one rule for all kinds.
    PngGeometry png;
    return BeginPng(path, file, bytes, &png, error) &&
           fits(png.width, png.height, png.alpha ? 4 : 3) &&
           DecodeBufferWithVips(path, bytes, kind, width, height, picture, info, notes, error);
  }
  if (!IsPnm(bytes)) {
    VipsInput input{path, file.fd(), file.regular(), std::move(bytes)};
    return ReadWithVips(input, kind, width, height, picture, info, notes, error);
  }

  host::PnmHeader header;
  std::string why;
  if (!host::ParsePnmHeader(bytes.data(), bytes.size(), &header, &why))
    return Fail(error, path + ": " + why);
  if (isMask && header.depth > 2)
    return Fail(error,
                path + ": a mask has one plane, this file has " + std::to_string(header.depth));
  const int planes = header.depth <= 2 ? header.depth + 2 : header.depth;
  if (!fits(header.width, header.height, planes) ||
      !ReadPnmSamples(path, file, bytes, header, picture, error))
    return false;
  if (isMask && picture->planes == 2) {
    *picture = DropAlpha(*picture);
    notes->push_back(path + ": the mask's transparency is ignored");
  } else if (!isMask && picture->planes <= 2) {
    *picture = GreyToColour(*picture);
    notes->push_back(path + ": grey picture converted to " +
                     (picture->planes == 4 ? "RGBA" : "RGB"));
  }
  return true;
}

}  // namespace

bool ReadPicture(const std::string& path, host::Picture* picture, std::vector<std::string>* notes,
                 std::string* error, PictureInfo* info) {
  return ReadAnyPicture(path, VipsRead::kPicture, 0, 0, picture, info, notes, error);
}

bool ReadMask(const std::string& path, int width, int height, host::Picture* mask,
              std::vector<std::string>* notes, std::string* error) {
  return ReadAnyPicture(path, VipsRead::kMask, width, height, mask, nullptr, notes, error);
}

bool EncodePicture(const host::Picture& picture, PictureFormat format, std::vector<uint8_t>* bytes,
                   std::string* error, const SaveOptions& options) {
  if (picture.empty()) return Fail(error, "empty picture");
  bytes->clear();
  if (format == PictureFormat::kPam) {
    if (picture.planes > 5) return Fail(error, "a PAM file here holds at most 5 planes");
    *bytes = host::EncodePam(picture);
    return true;
  }
  if (picture.planes != 3 && picture.planes != 4)
    return Fail(error, FormatArticle(format) + " file holds 3 or 4 planes, this picture has " +
                           std::to_string(picture.planes) + " (write a .pam)");
  return EncodeWithVips(picture, format, options, bytes, error);
}

bool WritePicture(const std::string& path, const host::Picture& picture, PictureFormat format,
                  std::string* error, const SaveOptions& options) {
  std::vector<uint8_t> bytes;
  if (!EncodePicture(picture, format, &bytes, error, options)) return false;
  if (path == "-") {
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() ||
        std::fflush(stdout) != 0)
      return Fail(error, std::string("cannot write to standard output: ") + std::strerror(errno));
    return true;
  }
  errno = 0;
  if (!platform::WriteFileReplacing(path.c_str(), bytes.data(), bytes.size()))
    return Fail(error,
                "cannot write " + path + (errno ? std::string(": ") + std::strerror(errno) : ""));
  return true;
}

}  // namespace zar::cli
