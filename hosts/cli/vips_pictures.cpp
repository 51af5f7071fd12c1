#include "hosts/cli/vips_pictures.h"

#include <unistd.h>
#include <vips/vips.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

namespace zar::cli {

namespace {

// Room in a file beside its compressed samples: colour profiles, EXIF, XMP, thumbnails.
constexpr uint64_t kMetadataBytes = uint64_t(16) << 20;
// Rows copied out of libvips at a time.
constexpr int kStripRows = 64;

bool Fail(std::string* error, const std::string& why) {
  *error = why;
  return false;
}

std::string SizeText(int64_t width, int64_t height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

// libvips' last error as one line, its error buffer cleared.
// libvips' error text. Running out of memory inside libvips (for its buffers, or for a worker
// thread's stack) is the same failure as anywhere else in zar, so it ends the same way: one line
// saying so (main's handler of bad_alloc).
std::string VipsError() {
  std::string text = vips_error_buffer();
  vips_error_clear();
  if (text.find("out of memory") != std::string::npos ||
      text.find("Error creating thread") != std::string::npos)
    throw std::bad_alloc();
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  for (char& c : text)
    if (c == '\n') c = ';';
  return text.empty() ? "libvips failed" : text;
}

// libvips' warnings (a damaged stretch skipped...) for the picture being read on this thread,
// so that zar reports them as notes with the file's name rather than as stray lines.
thread_local std::vector<std::string>* tWarnings = nullptr;

void KeepWarning(const char*, GLogLevelFlags, const char* message, gpointer) {
  if (tWarnings && message) tWarnings->push_back(message);
}

struct WarningsTo {
  explicit WarningsTo(std::vector<std::string>* to) { tWarnings = to; }
  ~WarningsTo() { tWarnings = nullptr; }
};

// An image reference released at the end of a scope.
struct Ref {
  VipsImage* image = nullptr;
  Ref() = default;
  explicit Ref(VipsImage* i) : image(i) {}
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  ~Ref() {
    if (image) g_object_unref(image);
  }
  // Replaces the image with the result of an operation on it.
  void Take(VipsImage* next) {
    if (image) g_object_unref(image);
    image = next;
  }
};

// The input as libvips reads it, stopped at `limit` bytes from the file's start.
struct Feed {
  VipsInput* input;
  uint64_t position = 0;
  uint64_t limit = 0;
  bool overLimit = false;
  int readError = 0;
  uint64_t size = UINT64_MAX;  // a seekable file's length
};

gint64 FeedRead(VipsSourceCustom*, void* buffer, gint64 length, Feed* feed) {
  VipsInput& in = *feed->input;
  if (length <= 0) return 0;
  uint64_t want = uint64_t(length);
  if (feed->position >= feed->limit) {
    // A byte past the limit means the file is longer than its picture can need.
    uint8_t probe;
    const ssize_t n = feed->position < in.first.size()
                          ? 1
                          : (in.seekable ? pread(in.fd, &probe, 1, off_t(feed->position))
                                         : read(in.fd, &probe, 1));
    if (n == 0) return 0;
    feed->overLimit = true;
    return -1;
  }
  want = std::min(want, feed->limit - feed->position);
  // libvips may ask for more than is left (it reads whole files in 4096-byte asks): never hand
  // the system a buffer longer than what the file still holds.
  if (in.seekable) {
    if (feed->position >= feed->size) return 0;
    want = std::min(want, feed->size - feed->position);
  }
  // As much as asked, as far as the file goes: some decoders take a short read for an error.
  auto* to = static_cast<uint8_t*>(buffer);
  uint64_t got = 0;
  if (feed->position < in.first.size()) {
    got = std::min<uint64_t>(want, in.first.size() - feed->position);
    std::memcpy(to, in.first.data() + feed->position, size_t(got));
  }
  while (got < want) {
    const uint64_t at = feed->position + got;
    const ssize_t n = in.seekable ? pread(in.fd, to + got, size_t(want - got), off_t(at))
                                  : read(in.fd, to + got, size_t(want - got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      feed->readError = errno;
      return -1;
    }
    if (n == 0) break;
    got += uint64_t(n);
  }
  feed->position += got;
  return gint64(got);
}

gint64 FeedSeek(VipsSourceCustom*, gint64 offset, int whence, Feed* feed) {
  if (!feed->input->seekable) return -1;
  gint64 to;
  if (whence == SEEK_SET) {
    to = offset;
  } else if (whence == SEEK_CUR) {
    to = gint64(feed->position) + offset;
  } else {
    const off_t end = lseek(feed->input->fd, 0, SEEK_END);
    if (end < 0) return -1;
    to = gint64(end) + offset;
  }
  if (to < 0) return -1;
  feed->position = uint64_t(to);
  return to;
}

// The bytes a picture with this header can need in its file: its samples uncompressed, twice
// over (no codec zar takes expands more), for each page, and room for metadata.
uint64_t MostFileBytes(VipsImage* image) {
  int pages = 1;
  if (vips_image_get_typeof(image, "n-pages")) vips_image_get_int(image, "n-pages", &pages);
  const uint64_t raw = uint64_t(image->Xsize) * uint64_t(image->Ysize) * uint64_t(image->Bands) *
                       uint64_t(vips_format_sizeof(image->BandFmt));
  return raw * 2 * uint64_t(std::clamp(pages, 1, 100000)) + kMetadataBytes;
}

// The kind of file a libvips loader reads, by its nickname ("pngload_buffer").
std::string KindOf(const std::string& loader) {
  static const char* const kKinds[][2] = {{"png", "PNG"},     {"jpeg", "JPEG"}, {"tiff", "TIFF"},
                                          {"webp", "WebP"},   {"gif", "GIF"},   {"heif", "HEIF"},
                                          {"jxl", "JPEG XL"}, {"ppm", "PNM"}};
  for (const auto& kind : kKinds)
    if (loader.rfind(kind[0], 0) == 0) return kind[1];
  return "picture";
}

const char* InterpretationName(VipsInterpretation interpretation) {
  return vips_enum_nick(VIPS_TYPE_INTERPRETATION, interpretation);
}

std::vector<uint8_t> Blob(VipsImage* image, const char* name) {
  const void* data = nullptr;
  size_t length = 0;
  if (!vips_image_get_typeof(image, name) || vips_image_get_blob(image, name, &data, &length))
    return {};
  const auto* bytes = static_cast<const uint8_t*>(data);
  return std::vector<uint8_t>(bytes, bytes + length);
}

std::string LoaderOf(VipsImage* image) {
  const char* name = nullptr;
  if (vips_image_get_typeof(image, "vips-loader"))
    vips_image_get_string(image, "vips-loader", &name);
  return name ? name : "";
}

// Brings a decoded image (header read, samples not yet) to what the plug-ins take, checks its
// size, and copies its samples out.
bool Finish(const std::string& path, Ref& image, VipsRead kind, int width, int height,
            host::Picture* picture, PictureInfo* info, std::vector<std::string>* notes,
            std::string* error) {
  const std::string loader = LoaderOf(image.image);
  auto vipsFailed = [&]() {
    return Fail(error, path + ": damaged " + KindOf(loader) + " file (" + VipsError() + ")");
  };
  VipsImage* next = nullptr;

  // The camera's orientation: the picture is turned as a viewer shows it.
  int orientation = 1;
  if (vips_image_get_typeof(image.image, VIPS_META_ORIENTATION))
    vips_image_get_int(image.image, VIPS_META_ORIENTATION, &orientation);
  if (orientation > 1 && orientation <= 8) {
    if (vips_autorot(image.image, &next, nullptr)) return vipsFailed();
    image.Take(next);
    notes->push_back(path + ": turned upright as the camera recorded it (EXIF orientation " +
                     std::to_string(orientation) + ")");
  }

  // Colour spaces other than RGB and grey are converted to sRGB; RGB and grey samples are kept
  // as stored, whatever profile or gamma the file declares (the profile travels to the output).
  const VipsInterpretation space = image.image->Type;
  const bool grey = space == VIPS_INTERPRETATION_B_W || space == VIPS_INTERPRETATION_GREY16 ||
                    (space == VIPS_INTERPRETATION_MULTIBAND && image.image->Bands <= 2);
  const bool rgb = space == VIPS_INTERPRETATION_sRGB || space == VIPS_INTERPRETATION_RGB16 ||
                   space == VIPS_INTERPRETATION_RGB ||
                   (space == VIPS_INTERPRETATION_MULTIBAND && image.image->Bands >= 3);
  bool converted = false;
  if (space == VIPS_INTERPRETATION_CMYK) {
    // The file's own profile when it has one, otherwise libvips' standard CMYK profile.
    if (vips_icc_transform(image.image, &next, "srgb", "embedded", TRUE, "input_profile", "cmyk",
                           nullptr))
      return vipsFailed();
    image.Take(next);
    notes->push_back(path + ": CMYK picture converted to sRGB");
    converted = true;
  } else if (!grey && !rgb) {
    if (vips_colourspace(image.image, &next, VIPS_INTERPRETATION_sRGB, nullptr))
      return vipsFailed();
    image.Take(next);
    notes->push_back(path + ": " + InterpretationName(space) + " picture converted to sRGB");
    converted = true;
  }
  const VipsBandFormat format = image.image->BandFmt;
  if (format != VIPS_FORMAT_UCHAR && format != VIPS_FORMAT_USHORT)
    return Fail(error, path + ": samples of type " + vips_enum_nick(VIPS_TYPE_BAND_FORMAT, format) +
                           " are not taken (8 or 16 bits)");

  const int bands = image.image->Bands;
  const bool alpha = bands == 2 || bands >= 4;
  const int64_t w = image.image->Xsize, h = image.image->Ysize;
  int planes;
  if (kind == VipsRead::kMask) {
    planes = 1;
    if (width > 0 && (w != width || h != height))
      return Fail(error, path + ": the mask is " + SizeText(w, h) + ", the picture " +
                             SizeText(width, height));
    if (bands >= 3) {
      // Grey as the eye sees the colours.
      if (vips_colourspace(image.image, &next, VIPS_INTERPRETATION_B_W, nullptr))
        return vipsFailed();
      image.Take(next);
      notes->push_back(path + ": colour mask converted to grey");
    }
    if (alpha) notes->push_back(path + ": the mask's transparency is ignored");
  } else {
    planes = alpha ? 4 : 3;
    if (w > host::kMaxPictureSide || h > host::kMaxPictureSide)
      return Fail(error,
                  path + ": " + SizeText(w, h) + " is larger than the host takes (30000 x 30000)");
    if (!FitsOneStrip(w, h, planes)) {
      const std::string p = std::to_string(planes);
      return Fail(error, path + ": " + SizeText(w, h) + " with " + p +
                             " planes is too large to filter in one piece (a host grants a "
                             "plug-in at most 2147483647 bytes: " +
                             std::to_string(MaxOneStripPixels(planes)) + " pixels with " + p +
                             " planes)");
    }
    const char* result = alpha ? "RGBA" : "RGB";
    if (vips_image_get_typeof(image.image, "palette-bit-depth") && loader.rfind("png", 0) == 0)
      notes->push_back(path + ": palette picture converted to " + result);
    else if (grey && !converted)
      notes->push_back(path + ": grey picture converted to " + result);
    if (bands > 4) notes->push_back(path + ": planes after the fourth are dropped");
  }
  if (format == VIPS_FORMAT_USHORT) notes->push_back(path + ": 16-bit samples reduced to 8 bits");

  if (info) {
    info->icc = Blob(image.image, VIPS_META_ICC_NAME);
    info->exif = Blob(image.image, VIPS_META_EXIF_NAME);
    info->xmp = Blob(image.image, VIPS_META_XMP_NAME);
    info->iptc = Blob(image.image, VIPS_META_IPTC_NAME);
  }

  // The samples, a strip of rows at a time: the picture is held once, in the host's layout.
  const int in = image.image->Bands;
  const VipsBandFormat stored = image.image->BandFmt;  // a mask's grey may have changed it
  if (stored != VIPS_FORMAT_UCHAR && stored != VIPS_FORMAT_USHORT)
    return Fail(error, path + ": samples of type " + vips_enum_nick(VIPS_TYPE_BAND_FORMAT, stored) +
                           " are not taken (8 or 16 bits)");
  const int colourBands = in >= 3 ? 3 : 1;
  host::Picture out(int(w), int(h), planes);
  VipsRegion* region = vips_region_new(image.image);
  bool ok = true;
  for (int y = 0; ok && y < h; y += kStripRows) {
    VipsRect rect{0, y, int(w), std::min(kStripRows, int(h) - y)};
    if (vips_region_prepare(region, &rect)) {
      ok = false;
      break;
    }
    for (int row = 0; row < rect.height; ++row) {
      const VipsPel* from = VIPS_REGION_ADDR(region, 0, y + row);
      uint8_t* to = out.Row(y + row);
      for (int x = 0; x < w; ++x, to += planes) {
        uint8_t s[5] = {};
        const int take = std::min(in, 4);
        for (int b = 0; b < take; ++b) {
          if (stored == VIPS_FORMAT_USHORT) {
            // The nearest 8-bit sample, as libpng and most editors reduce 16 bits.
            const uint32_t v =
                reinterpret_cast<const uint16_t*>(from)[size_t(x) * size_t(in) + size_t(b)];
            s[b] = uint8_t((v * 255 + 32895) >> 16);
          } else {
            s[b] = from[size_t(x) * size_t(in) + size_t(b)];
          }
        }
        if (kind == VipsRead::kMask) {
          to[0] = s[0];
        } else if (colourBands == 1) {
          to[0] = to[1] = to[2] = s[0];
          if (alpha) to[3] = s[1];
        } else {
          to[0] = s[0];
          to[1] = s[1];
          to[2] = s[2];
          if (alpha) to[3] = s[3];
        }
      }
    }
  }
  g_object_unref(region);
  // Some decoders note a damaged stretch and go on: the picture is then refused all the same.
  if (!ok || vips_error_buffer()[0] != '\0') return vipsFailed();
  *picture = std::move(out);
  return true;
}

// The kinds of file zar hands to libvips, told from their first bytes by zar itself: no other
// decoder a libvips build may offer (PDF, SVG, ImageMagick...) ever sees a file.
enum class Kind { kNone, kJpeg, kPng, kTiff, kWebp, kGif, kHeif, kJxl };

Kind Sniff(const std::vector<uint8_t>& b) {
  auto at = [&](size_t offset, const char* text) {
    const size_t n = std::strlen(text);
    return b.size() >= offset + n && std::memcmp(b.data() + offset, text, n) == 0;
  };
  if (b.size() >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) return Kind::kJpeg;
  if (at(0, "\x89PNG\r\n\x1a\n")) return Kind::kPng;
  if (at(0, "II*") || at(0, "MM")) {
    if (b.size() >= 4 && ((b[0] == 'I' && b[3] == 0) || (b[0] == 'M' && b[2] == 0 && b[3] == '*')))
      return Kind::kTiff;
  }
  if (at(0, "RIFF") && at(8, "WEBP")) return Kind::kWebp;
  if (at(0, "GIF87a") || at(0, "GIF89a")) return Kind::kGif;
  if (at(4, "ftyp"))
    for (const char* brand :
         {"heic", "heix", "hevc", "heim", "heis", "mif1", "msf1", "avif", "avis"})
      if (at(8, brand)) return Kind::kHeif;
  if ((b.size() >= 2 && b[0] == 0xFF && b[1] == 0x0A) || at(4, "JXL ")) return Kind::kJxl;
  return Kind::kNone;
}

const char* KindLoader(Kind kind) {
  static const char* const kNames[] = {"", "jpeg", "png", "tiff", "webp", "gif", "heif", "jxl"};
  return kNames[int(kind)];
}

// The header of a file of `kind` (its samples are decoded when asked for).
VipsImage* LoadSource(Kind kind, VipsSource* source) {
  VipsImage* out = nullptr;
  int failed = -1;
  switch (kind) {
    case Kind::kJpeg:
      failed = vips_jpegload_source(source, &out, "fail_on", VIPS_FAIL_ON_TRUNCATED, nullptr);
      break;
    case Kind::kPng:
      failed = vips_pngload_source(source, &out, "fail_on", VIPS_FAIL_ON_TRUNCATED, nullptr);
      break;
    case Kind::kTiff:
      failed = vips_tiffload_source(source, &out, "fail_on", VIPS_FAIL_ON_TRUNCATED, nullptr);
      break;
    case Kind::kWebp:
      failed = vips_webpload_source(source, &out, "fail_on", VIPS_FAIL_ON_TRUNCATED, nullptr);
      break;
    case Kind::kGif:
      failed = vips_gifload_source(source, &out, "fail_on", VIPS_FAIL_ON_TRUNCATED, nullptr);
      break;
    case Kind::kHeif:
      failed = vips_heifload_source(source, &out, "fail_on", VIPS_FAIL_ON_TRUNCATED, nullptr);
      break;
    case Kind::kJxl:
      failed = vips_jxlload_source(source, &out, "fail_on", VIPS_FAIL_ON_TRUNCATED, nullptr);
      break;
    case Kind::kNone: break;
  }
  return failed ? nullptr : out;
}

const char* const kNotAPicture =
    ": not a picture zar reads (JPEG, PNG, TIFF, WebP, GIF, HEIF, AVIF, JPEG XL, PAM, PPM or PGM)";

}  // namespace

bool StartVips(std::string* error) {
  static std::once_flag once;
  static bool started = false;
  std::call_once(once, [] {
    // Set before vips_init: it loads libvips' optional format modules, and a module that cannot
    // load (a missing library, too little memory) only takes its format away; zar's own line
    // says what failed if that format is ever asked for.
    g_log_set_handler("VIPS", GLogLevelFlags(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE),
                      KeepWarning, nullptr);
    g_log_set_handler("GModule", GLogLevelFlags(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL),
                      KeepWarning, nullptr);
    started = vips_init("zar") == 0;
    if (!started) return;
    // libvips' worker threads are ended and its memory given back at exit, so that a memory
    // checker sees nothing left behind.
    std::atexit([] { vips_shutdown(); });
    // Each picture is decoded once; nothing is kept for later calls. One thread: a damaged
    // file then fails the same way every time, and a batch runs its pictures in processes.
    vips_cache_set_max(0);
    vips_concurrency_set(1);
  });
  if (!started) return Fail(error, "cannot start libvips (" + VipsError() + ")");
  return true;
}

bool ReadWithVips(VipsInput& input, VipsRead kind, int width, int height, host::Picture* picture,
                  PictureInfo* info, std::vector<std::string>* notes, std::string* error) {
  if (!StartVips(error)) return false;
  const std::string& path = input.path;
  vips_error_clear();
  Feed feed{&input};
  if (input.seekable) {
    const off_t end = lseek(input.fd, 0, SEEK_END);
    if (end >= 0) feed.size = uint64_t(end);
  }
  // Until the header is read: the most the largest picture the host takes can need (RGBA,
  // 16 bits, one strip).
  feed.limit = uint64_t(MaxOneStripPixels(4)) * 8 * 2 + kMetadataBytes;
  VipsSourceCustom* source = vips_source_custom_new();
  g_signal_connect(source, "read", G_CALLBACK(FeedRead), &feed);
  g_signal_connect(source, "seek", G_CALLBACK(FeedSeek), &feed);
  std::vector<std::string> warnings;
  WarningsTo keep(&warnings);
  const Kind fileKind = Sniff(input.first);
  if (fileKind == Kind::kNone) {
    g_object_unref(source);
    return Fail(error, path + kNotAPicture);
  }
  const std::string loaderName = KindLoader(fileKind);
  Ref image(LoadSource(fileKind, VIPS_SOURCE(source)));
  auto readFailure = [&]() {
    if (feed.overLimit) return Fail(error, path + ": the file is longer than its picture can need");
    if (feed.readError)
      return Fail(error, "cannot read " + path + ": " + std::strerror(feed.readError));
    return Fail(error, path + ": damaged " + KindOf(loaderName) + " file (" + VipsError() + ")");
  };
  if (!image.image) {
    g_object_unref(source);
    return readFailure();
  }
  // From the header on, no further than this picture can need.
  const uint64_t most = MostFileBytes(image.image);
  const std::string size = SizeText(image.image->Xsize, image.image->Ysize);
  if (image.image->Xsize > host::kMaxPictureSide || image.image->Ysize > host::kMaxPictureSide) {
    g_object_unref(source);
    return Fail(error, path + ": " + size + " is larger than the host takes (30000 x 30000)");
  }
  if (input.seekable) {
    const off_t end = lseek(input.fd, 0, SEEK_END);
    if (end >= 0 && uint64_t(end) > most) {
      g_object_unref(source);
      return Fail(error, path + ": the file is longer than a " + size + " picture can need");
    }
  }
  feed.limit = std::max(most, feed.position);
  const bool ok = Finish(path, image, kind, width, height, picture, info, notes, error);
  g_object_unref(source);
  if (!ok && (feed.overLimit || feed.readError)) return readFailure();
  for (const std::string& w : warnings) notes->push_back(path + ": " + w);
  return ok;
}

bool DecodeBufferWithVips(const std::string& path, const std::vector<uint8_t>& bytes, VipsRead kind,
                          int width, int height, host::Picture* picture, PictureInfo* info,
                          std::vector<std::string>* notes, std::string* error) {
  if (!StartVips(error)) return false;
  vips_error_clear();
  std::vector<std::string> warnings;
  WarningsTo keep(&warnings);
  if (Sniff(bytes) != Kind::kPng) return Fail(error, path + kNotAPicture);
  VipsImage* loaded = nullptr;
  if (vips_pngload_buffer(const_cast<uint8_t*>(bytes.data()), bytes.size(), &loaded, "fail_on",
                          VIPS_FAIL_ON_TRUNCATED, nullptr))
    loaded = nullptr;
  Ref image(loaded);
  if (!image.image) return Fail(error, path + ": damaged PNG file (" + VipsError() + ")");
  if (!Finish(path, image, kind, width, height, picture, info, notes, error)) return false;
  for (const std::string& w : warnings) notes->push_back(path + ": " + w);
  return true;
}

VipsImage* ImageOf(const host::Picture& picture, const PictureInfo* info, std::string* error) {
  if (!StartVips(error)) return nullptr;
  if (picture.empty() || picture.planes > 4) {
    Fail(error, "a picture of 1 to 4 planes is needed here, this one has " +
                    std::to_string(picture.planes));
    return nullptr;
  }
  const size_t rowLength = size_t(picture.width) * size_t(picture.planes);
  VipsImage* image = vips_image_new_memory();
  vips_image_init_fields(
      image, picture.width, picture.height, picture.planes, VIPS_FORMAT_UCHAR, VIPS_CODING_NONE,
      picture.planes <= 2 ? VIPS_INTERPRETATION_B_W : VIPS_INTERPRETATION_sRGB, 1.0, 1.0);
  if (vips_image_write_prepare(image)) {
    g_object_unref(image);
    Fail(error, "cannot encode the picture (" + VipsError() + ")");
    return nullptr;
  }
  for (int y = 0; y < picture.height; ++y)
    std::memcpy(VIPS_IMAGE_ADDR(image, 0, y), picture.Row(y), rowLength);
  if (info) {
    auto attach = [&](const char* name, const std::vector<uint8_t>& blob) {
      if (!blob.empty()) vips_image_set_blob_copy(image, name, blob.data(), blob.size());
    };
    attach(VIPS_META_ICC_NAME, info->icc);
    attach(VIPS_META_EXIF_NAME, info->exif);
    attach(VIPS_META_XMP_NAME, info->xmp);
    attach(VIPS_META_IPTC_NAME, info->iptc);
  }
  return image;
}

bool SaveImage(VipsImage* image, PictureFormat format, const SaveOptions& options,
               std::vector<uint8_t>* bytes, std::string* error) {
  if (!StartVips(error)) return false;
  auto quality = [&](int byDefault) { return options.quality > 0 ? options.quality : byDefault; };
  Ref flat;
  // JPEG holds no transparency: the colour planes are written as they are.
  if (format == PictureFormat::kJpeg && (image->Bands == 2 || image->Bands == 4)) {
    VipsImage* next = nullptr;
    if (vips_extract_band(image, &next, 0, "n", image->Bands - 1, nullptr))
      return Fail(error, "JPEG encoding failed (" + VipsError() + ")");
    flat.Take(next);
    image = next;
  }
  void* buffer = nullptr;
  size_t length = 0;
  int failed = 0;
  const char* name = "";
  switch (format) {
    case PictureFormat::kPng:
      name = "PNG";
      failed = vips_pngsave_buffer(image, &buffer, &length, "compression",
                                   options.compression >= 0 ? options.compression : 6, nullptr);
      break;
    case PictureFormat::kJpeg:
      name = "JPEG";
      failed = vips_jpegsave_buffer(image, &buffer, &length, "Q", quality(90), nullptr);
      break;
    case PictureFormat::kTiff:
      name = "TIFF";
      failed = vips_tiffsave_buffer(image, &buffer, &length, "compression",
                                    VIPS_FOREIGN_TIFF_COMPRESSION_DEFLATE, "predictor",
                                    VIPS_FOREIGN_TIFF_PREDICTOR_HORIZONTAL, nullptr);
      break;
    case PictureFormat::kWebp:
      name = "WebP";
      failed = vips_webpsave_buffer(image, &buffer, &length, "Q", quality(90), nullptr);
      break;
    case PictureFormat::kGif:
      name = "GIF";
      failed = vips_gifsave_buffer(image, &buffer, &length, nullptr);
      break;
    case PictureFormat::kHeif:
      name = "HEIF";
      failed = vips_heifsave_buffer(image, &buffer, &length, "Q", quality(80), "compression",
                                    VIPS_FOREIGN_HEIF_COMPRESSION_HEVC, nullptr);
      break;
    case PictureFormat::kAvif:
      name = "AVIF";
      failed = vips_heifsave_buffer(image, &buffer, &length, "Q", quality(80), "compression",
                                    VIPS_FOREIGN_HEIF_COMPRESSION_AV1, nullptr);
      break;
    case PictureFormat::kJxl:
      name = "JPEG XL";
      failed = vips_jxlsave_buffer(image, &buffer, &length, "Q", quality(90), nullptr);
      break;
    case PictureFormat::kPam: return Fail(error, "PAM files are written by zar itself");
  }
  if (failed) return Fail(error, std::string(name) + " encoding failed (" + VipsError() + ")");
  const auto* data = static_cast<const uint8_t*>(buffer);
  bytes->assign(data, data + length);
  g_free(buffer);
  return true;
}

bool EncodeWithVips(const host::Picture& picture, PictureFormat format, const SaveOptions& options,
                    std::vector<uint8_t>* bytes, std::string* error) {
  Ref image(ImageOf(picture, options.info, error));
  return image.image && SaveImage(image.image, format, options, bytes, error);
}

}  // namespace zar::cli
