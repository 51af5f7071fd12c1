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

// The next header token, skipping blanks and comments.
bool Token(FILE* f, std::string* token) {
  token->clear();
  int c;
  while ((c = std::fgetc(f)) != EOF) {
    if (c == '#') {
      while ((c = std::fgetc(f)) != EOF && c != '\n') {
      }
      continue;
    }
    if (!std::isspace(c)) break;
  }
  if (c == EOF) return false;
  do token->push_back(char(c));
  while ((c = std::fgetc(f)) != EOF && !std::isspace(c) && token->size() < 64);
  return true;
}

bool Number(FILE* f, int* value) {
  std::string token;
  if (!Token(f, &token) || token.empty() || token.size() > 9) return false;
  for (char c : token)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  *value = std::atoi(token.c_str());
  return true;
}

}  // namespace

bool ReadPnmFile(const std::string& path, Picture* picture, std::string* error) {
  File f(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!f) return Fail(error, "cannot open " + path);
  std::string magic, token;
  if (!Token(f.get(), &magic)) return Fail(error, "empty file " + path);
  int width = 0, height = 0, depth = 0, maxval = 0;
  if (magic == "P7") {
    for (;;) {
      if (!Token(f.get(), &token)) return Fail(error, "PAM header cut short");
      if (token == "ENDHDR") break;
      if (token == "TUPLTYPE") {
        Token(f.get(), &token);
        continue;
      }
      int value = 0;
      if (!Number(f.get(), &value)) return Fail(error, "bad PAM header value for " + token);
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
    if (!Number(f.get(), &width) || !Number(f.get(), &height) || !Number(f.get(), &maxval))
      return Fail(error, "bad PNM header");
  } else {
    return Fail(error, "not a PAM, PPM or PGM file");
  }
  if (width <= 0 || height <= 0 || width > 30000 || height > 30000)
    return Fail(error, "picture size outside 1..30000");
  if (depth < 1 || depth > 5) return Fail(error, "depth outside 1..5");
  if (maxval != 255) return Fail(error, "only maxval 255 is read");
  // The samples are read as they come, a chunk at a time: a header that promises more than the
  // file holds costs no more memory than the file.
  const size_t needed = size_t(width) * size_t(height) * size_t(depth);
  std::vector<uint8_t> samples;
  while (samples.size() < needed) {
    const size_t at = samples.size();
    const size_t chunk = std::min<size_t>(needed - at, size_t(1) << 20);
    samples.resize(at + chunk);
    if (std::fread(samples.data() + at, 1, chunk, f.get()) != chunk)
      return Fail(error, "pixel data cut short");
  }
  Picture p;
  p.width = width;
  p.height = height;
  p.planes = depth;
  p.rowBytes = width * depth;
  p.pixels = std::move(samples);
  *picture = std::move(p);
  return true;
}

bool WritePamFile(const std::string& path, const Picture& picture, std::string* error) {
  static const char* const kTypes[] = {"",    "GRAYSCALE", "GRAYSCALE_ALPHA",
                                       "RGB", "RGB_ALPHA", "RGB_ALPHA_EXTRA"};
  if (picture.empty() || picture.planes > 5) return Fail(error, "nothing to write");
  File f(std::fopen(path.c_str(), "wb"), std::fclose);
  if (!f) return Fail(error, "cannot create " + path);
  std::fprintf(f.get(), "P7\nWIDTH %d\nHEIGHT %d\nDEPTH %d\nMAXVAL 255\nTUPLTYPE %s\nENDHDR\n",
               picture.width, picture.height, picture.planes, kTypes[picture.planes]);
  const size_t rowLength = size_t(picture.width) * size_t(picture.planes);
  for (int y = 0; y < picture.height; ++y)
    if (std::fwrite(picture.Row(y), 1, rowLength, f.get()) != rowLength)
      return Fail(error, "write error on " + path);
  if (std::fflush(f.get()) != 0) return Fail(error, "write error on " + path);
  return true;
}

}  // namespace zar::host
