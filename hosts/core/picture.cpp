#include "hosts/core/picture.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace zar::host {

namespace {

using File = std::unique_ptr<FILE, int (*)(FILE*)>;

bool Fail(std::string* error, const std::string& why) {
  if (error) *error = why;
  return false;
}

// Reads header tokens from bytes in memory.
class HeaderReader {
 public:
  HeaderReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  // The next token, skipping blanks and comments; the blank that ends it is taken too.
  bool Token(std::string* token) {
    token->clear();
    int c;
    while ((c = Get()) != EOF) {
      if (c == '#') {
        while ((c = Get()) != EOF && c != '\n') {
        }
        continue;
      }
      if (!std::isspace(c)) break;
    }
    if (c == EOF) return false;
    do token->push_back(char(c));
    while ((c = Get()) != EOF && !std::isspace(c) && token->size() < 64);
    return true;
  }

  bool Number(int* value) {
    std::string token;
    if (!Token(&token) || token.empty() || token.size() > 9) return false;
    for (char c : token)
      if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    *value = std::atoi(token.c_str());
    return true;
  }

  size_t position() const { return at_; }

 private:
  int Get() { return at_ < size_ ? data_[at_++] : EOF; }
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

}  // namespace

bool ParsePnmHeader(const uint8_t* data, size_t size, PnmHeader* header, std::string* error) {
  HeaderReader reader(data, std::min(size, kPnmHeaderLimit));
  std::string magic, token;
  if (!reader.Token(&magic)) return Fail(error, "empty file");
  int width = 0, height = 0, depth = 0, maxval = 0;
  if (magic == "P7") {
    for (;;) {
      if (!reader.Token(&token)) return Fail(error, "PAM header cut short");
      if (token == "ENDHDR") break;
      if (token == "TUPLTYPE") {
        reader.Token(&token);
        continue;
      }
      int value = 0;
      if (!reader.Number(&value)) return Fail(error, "bad PAM header value for " + token);
      if (token == "WIDTH")
        width = value;
      else if (token == "HEIGHT")
        height = value;
      else if (token == "DEPTH")
        depth = value;
      else if (token == "MAXVAL")
        maxval = value;
    }
  } else if (magic == "P6" || magic == "P5") {
    depth = magic == "P6" ? 3 : 1;
    if (!reader.Number(&width) || !reader.Number(&height) || !reader.Number(&maxval))
      return Fail(error, "bad PNM header");
  } else {
    return Fail(error, "not a PAM, PPM or PGM file");
  }
  if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide)
    return Fail(error, "picture size outside 1..30000");
  if (depth < 1 || depth > 5) return Fail(error, "depth outside 1..5");
  if (maxval != 255) return Fail(error, "only maxval 255 is read");
  header->width = width;
  header->height = height;
  header->depth = depth;
  header->length = reader.position();
  return true;
}

size_t PnmHeader::sampleBytes() const {
  return size_t(width) * size_t(height) * size_t(depth);
}

bool ReadPnmFile(const std::string& path, Picture* picture, std::string* error) {
  File f(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!f) return Fail(error, "cannot open " + path);
  // The header lies within the first bytes; what follows it there are the first samples.
  std::vector<uint8_t> samples(kPnmHeaderLimit);
  samples.resize(std::fread(samples.data(), 1, samples.size(), f.get()));
  if (samples.empty()) return Fail(error, "empty file " + path);
  PnmHeader header;
  if (!ParsePnmHeader(samples.data(), samples.size(), &header, error)) return false;
  const size_t needed = header.sampleBytes();
  samples = FirstPnmSamples(header, std::move(samples));
  // The rest is read as it comes, a chunk at a time: a header that promises more than the file
  // holds costs no more memory than the file.
  while (samples.size() < needed) {
    const size_t at = samples.size();
    const size_t chunk = std::min<size_t>(needed - at, size_t(1) << 20);
    samples.resize(at + chunk);
    if (std::fread(samples.data() + at, 1, chunk, f.get()) != chunk)
      return Fail(error, "pixel data cut short");
  }
  *picture = PnmPicture(header, std::move(samples));
  return true;
}

std::vector<uint8_t> FirstPnmSamples(const PnmHeader& header, std::vector<uint8_t> first) {
  const size_t length = std::min(header.length, first.size());
  first.erase(first.begin(), first.begin() + std::ptrdiff_t(length));
  if (first.size() > header.sampleBytes()) first.resize(header.sampleBytes());
  return first;
}

Picture PnmPicture(const PnmHeader& header, std::vector<uint8_t> samples) {
  Picture p;
  p.width = header.width;
  p.height = header.height;
  p.planes = header.depth;
  p.rowBytes = header.width * header.depth;
  p.pixels = std::move(samples);
  return p;
}

std::vector<uint8_t> EncodePam(const Picture& picture) {
  static const char* const kTypes[] = {"",    "GRAYSCALE", "GRAYSCALE_ALPHA",
                                       "RGB", "RGB_ALPHA", "RGB_ALPHA_EXTRA"};
  if (picture.planes < 1 || picture.planes > 5) return {};
  char header[160];
  const int length =
      std::snprintf(header, sizeof header,
                    "P7\nWIDTH %d\nHEIGHT %d\nDEPTH %d\nMAXVAL 255\nTUPLTYPE %s\nENDHDR\n",
                    picture.width, picture.height, picture.planes, kTypes[picture.planes]);
  std::vector<uint8_t> bytes(header, header + length);
  const size_t rowLength = size_t(picture.width) * size_t(picture.planes);
  bytes.reserve(bytes.size() + rowLength * size_t(picture.height));
  for (int y = 0; y < picture.height; ++y)
    bytes.insert(bytes.end(), picture.Row(y), picture.Row(y) + rowLength);
  return bytes;
}

bool WritePamFile(const std::string& path, const Picture& picture, std::string* error) {
  if (picture.empty() || picture.planes > 5) return Fail(error, "nothing to write");
  const std::vector<uint8_t> bytes = EncodePam(picture);
  File f(std::fopen(path.c_str(), "wb"), std::fclose);
  if (!f) return Fail(error, "cannot create " + path);
  if (std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size() ||
      std::fflush(f.get()) != 0)
    return Fail(error, "write error on " + path);
  return true;
}

}  // namespace zar::host
