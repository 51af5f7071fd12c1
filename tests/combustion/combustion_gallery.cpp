// Renders the Combustion gallery: every effect mode and a few directions on a photograph, written
// as PNG files for looking at (docs/gallery). Not a test; run by hand:
//   combustion_gallery OUTPUT_DIR [PHOTO.png]     the gallery (default: the sample photograph)
//   combustion_gallery --pinned OUTPUT_DIR        the pictures the tests pin, with their hashes
#include <png.h>

#include <cstdio>
#include <string>
#include <vector>

#include "effects/combustion/combustion.h"
#include "tests/combustion/pinned_cases.h"
#include "tests/support/image.h"
#include "tests/support/png.h"


namespace {

using zar::testing::Image;

Image ReadPng(const std::string& path) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) return {};
  png.format = PNG_FORMAT_RGB;
  Image image(int(png.width), int(png.height), 3);
  if (!png_image_finish_read(&png, nullptr, image.pixels.data(), image.rowBytes, nullptr)) {
    png_image_free(&png);
    return {};
  }
  return image;
}

struct Case {
  const char* name;
  int effectMode, phase, effectDirection, flameDirection, colorMode;
};

}  // namespace

// A copy enlarged `scale` times (nearest pixel), colour planes only, for looking at small pictures.
Image Enlarged(const Image& image, int scale) {
  Image big(image.width * scale, image.height * scale, 3);
  for (int y = 0; y < big.height; ++y)
    for (int x = 0; x < big.width; ++x)
      for (int p = 0; p < 3; ++p) big.At(x, y)[p] = image.At(x / scale, y / scale)[p];
  return big;
}

int WritePinned(const std::string& dir) {
  for (int i = 0; i < zar::testing::kPinnedCaseCount; ++i) {
    const zar::testing::PinnedCase& c = zar::testing::kPinnedCases[i];
    const Image out = zar::testing::RenderPinned(c);
    const std::string path = dir + "/pinned-" + c.name + ".png";
    if (!zar::testing::WritePng(path, out)) return 1;
    if (!zar::testing::WritePng(dir + "/pinned-" + c.name + "-x3.png", Enlarged(out, 3))) return 1;
    std::printf("%s %s\n", zar::testing::PixelHash(out).c_str(), path.c_str());
  }
  return 0;
}

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_DIR [PHOTO.png] | --pinned OUTPUT_DIR\n", argv[0]);
    return 2;
  }
  if (std::string(argv[1]) == "--pinned") return argc > 2 ? WritePinned(argv[2]) : 2;
  const std::string dir = argv[1];
  const Image photo = argc > 2 ? ReadPng(argv[2]) : zar::testing::SamplePhoto();
  if (photo.width == 0) {
    std::fprintf(stderr, "cannot read the photograph\n");
    return 1;
  }
  // The plug-in's defaults ("Blend", phase 25, "Top", flames "Top", the built-in palette) with
  // these settings changed: name, effectMode, phase, effectDirection, flameDirection, colorMode.
  const Case cases[] = {
      {"blend-top", 0, 25, 0, 0, 0},  {"blend-left", 0, 40, 2, 0, 0},
      {"page-top", 1, 40, 0, 0, 0},   {"page-left-btm", 1, 50, 3, 0, 0},
      {"page-right", 1, 50, 6, 2, 1}, {"hole", 2, 40, 0, 0, 0},
      {"gate", 3, 40, 0, 0, 0},
  };
  for (const Case& c : cases) {
    zar::WorkingParameters params = zar::testing::CombustionDefaults();
    params.effectMode = uint8_t(c.effectMode);
    params.phase = uint8_t(c.phase);
    params.effectDirection = uint8_t(c.effectDirection);
    params.flameDirection = uint8_t(c.flameDirection);
    params.colorMode = uint8_t(c.colorMode);
    Image out(photo.width, photo.height, 3);
    const zar::FrameView frame = zar::testing::CombustionFrame(photo, out, nullptr);
    zar::ColorRamp ramp{};
    zar::Rng rng;
    zar::combustion::RunCombustion(frame, params, ramp, rng);
    const std::string path = dir + "/combustion-" + c.name + ".png";
    if (!zar::testing::WritePng(path, out)) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
    std::printf("%s\n", path.c_str());
  }
  return 0;
}
