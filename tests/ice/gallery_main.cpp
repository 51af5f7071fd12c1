// Renders the gallery pictures of Ice, Candle, Fire and Cryo into a directory as PNG files, on the
// sample photograph (docs/sample/chelsea.png), without and with an elliptic selection. Each
// picture is a final rendering in a freshly loaded module. Not run by the tests:
//   zar_field_gallery <source dir> <output dir>
// With a third argument "pinned" it writes the pictures the tests pin instead (enlarged three
// times), with their hashes.
#include <png.h>

#include <cstdio>
#include <functional>
#include <string>

#include "effects/ice/ice_engine.h"
#include "settings/plugin_table.h"
#include "tests/fire/fire_runs.h"
#include "tests/ice/engine_harness.h"
#include "tests/ice/pinned_cases.h"
#include "tests/support/png.h"

namespace zar::testing {
namespace {

Image ReadPngRgb(const std::string& path) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) return {};
  png.format = PNG_FORMAT_RGB;
  Image image(int(png.width), int(png.height), 3);
  if (!png_image_finish_read(&png, nullptr, image.pixels.data(), image.rowBytes, nullptr))
    return {};
  return image;
}

using Engine =
    std::function<void(const FrameView&, const WorkingParameters&, int32_t, ModuleFixture&)>;

Image Render(const Engine& engine, const Image& in, const Image* mask,
             const WorkingParameters& params) {
  Image out = OutputFor(in);
  ModuleFixture module;
  engine(FrameOf(in, out, mask), params, params.iterations, module);
  return out;
}

// Nearest-neighbour enlargement, for looking at small pictures.
Image Enlarged(const Image& in, int factor) {
  Image out(in.width * factor, in.height * factor, in.planes);
  for (int y = 0; y < out.height; ++y)
    for (int x = 0; x < out.width; ++x)
      for (int p = 0; p < in.planes; ++p) out.At(x, y)[p] = in.At(x / factor, y / factor)[p];
  return out;
}

struct Variant {
  const char* name;
  std::function<void(WorkingParameters&)> change;
  bool selection;
};

}  // namespace
}  // namespace zar::testing

int main(int argc, char** argv) {
  using namespace zar;
  using namespace zar::testing;
  if (argc != 3 && !(argc == 4 && std::string(argv[3]) == "pinned")) {
    std::fprintf(stderr, "usage: %s <source dir> <output dir> [pinned]\n", argv[0]);
    return 2;
  }
  const std::string source = argv[1], outDir = argv[2];
  if (argc == 4) {
    // The pictures the tests pin, with their hashes.
    for (const PinnedCase& c : IcePinnedCases()) {
      const Image out = RenderPinned<IceModule>(c);
      const std::string path = outDir + "/pinned-" + c.name + ".png";
      if (!WritePng(path, Enlarged(out, 3))) return 1;
      std::printf("%s  %s\n", PixelHash(out).c_str(), c.name);
    }
    for (const PinnedCase& c : FirePinnedCases()) {
      const Image out = RenderPinned<FireModule>(c);
      const std::string path = outDir + "/pinned-" + c.name + ".png";
      if (!WritePng(path, Enlarged(out, 3))) return 1;
      std::printf("%s  %s\n", PixelHash(out).c_str(), c.name);
    }
    return 0;
  }
  const Image photo = ReadPngRgb(source + "/docs/sample/chelsea.png");
  if (photo.width == 0) {
    std::fprintf(stderr, "cannot read the sample photograph\n");
    return 1;
  }
  // The photograph with an elliptic selection of its centre.
  const Image ellipse = EllipseMask(photo.width, photo.height);

  const Engine ice = [](const FrameView& frame, const WorkingParameters& params, int32_t n,
                        ModuleFixture& m) {
    IceEngineState state;
    RunIceEngine(frame, params, n, m.previewState, m.colorRamp, m.rng, state);
    ReleaseFields(state.fields);
  };
  const Engine fire = [](const FrameView& frame, const WorkingParameters& params, int32_t n,
                         ModuleFixture& m) {
    FireEngineState state;
    RunFireEngine(frame, params, n, m.previewState, m.colorRamp, m.rng, state);
    ReleaseFields(state.fields);
  };
  struct Effect {
    const char* name;
    const PluginTable* table;
    Engine engine;
    std::vector<Variant> variants;
  };
  auto same = [](WorkingParameters&) {};
  const std::vector<Effect> effects = {
      {"ice",
       &kIceTable,
       ice,
       {{"defaults", same, false},
        {"selection", same, true},
        {"selection-right", [](WorkingParameters& p) { p.flameDirection = 6; }, true},
        {"mask-both", [](WorkingParameters& p) { p.maskMode = 2; }, false},
        {"selection-mask-in", [](WorkingParameters& p) { p.maskMode = 0; }, true},
        {"selection-both-droplets",
         [](WorkingParameters& p) {
           p.maskMode = 2;
           p.maskDroplet = 1;
         },
         true},
        {"selection-displaced",
         [](WorkingParameters& p) {
           p.radius = 40;
           p.rotation = 45;
         },
         true}}},
      {"candle",
       &kCandleTable,
       ice,
       {{"defaults", same, false},
        {"selection", same, true},
        {"selection-left-top", [](WorkingParameters& p) { p.flameDirection = 1; }, true},
        {"mask-both", [](WorkingParameters& p) { p.maskMode = 2; }, false},
        {"selection-mask-in", [](WorkingParameters& p) { p.maskMode = 0; }, true},
        {"selection-both-droplets",
         [](WorkingParameters& p) {
           p.maskMode = 2;
           p.maskDroplet = 1;
         },
         true},
        {"selection-displaced",
         [](WorkingParameters& p) {
           p.radius = 30;
           p.rotation = 90;
         },
         true}}},
      {"fire",
       &kFireTable,
       fire,
       {{"defaults", same, false},
        {"selection", same, true},
        {"selection-left", [](WorkingParameters& p) { p.flameDirection = 2; }, true},
        {"selection-mask-in", [](WorkingParameters& p) { p.maskMode = 0; }, true},
        {"selection-both-droplets",
         [](WorkingParameters& p) {
           p.maskMode = 2;
           p.maskDroplet = 1;
         },
         true},
        {"selection-viscosity-254", [](WorkingParameters& p) { p.viscosity = 254; }, true}}},
      {"cryo",
       &kCryoTable,
       fire,
       {{"defaults", same, false},
        {"selection", same, true},
        {"selection-right-btm", [](WorkingParameters& p) { p.flameDirection = 5; }, true},
        {"selection-mask-in", [](WorkingParameters& p) { p.maskMode = 0; }, true},
        {"selection-both-droplets",
         [](WorkingParameters& p) {
           p.maskMode = 2;
           p.maskDroplet = 1;
         },
         true},
        {"selection-viscosity-255", [](WorkingParameters& p) { p.viscosity = 255; }, true}}},
  };
  int written = 0;
  for (const Effect& effect : effects) {
    for (const Variant& variant : effect.variants) {
      WorkingParameters params = effect.table->defaults;
      variant.change(params);
      const Image out =
          Render(effect.engine, photo, variant.selection ? &ellipse : nullptr, params);
      const std::string path = outDir + "/" + effect.name + "-" + variant.name + ".png";
      if (!WritePng(path, out)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
      }
      std::printf("%s  %s\n", PixelHash(out).c_str(), path.c_str());
      ++written;
    }
  }
  std::printf("%d pictures\n", written);
  return 0;
}
