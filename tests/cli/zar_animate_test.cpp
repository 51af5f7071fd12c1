// zar animate end to end: the three outputs read back with libvips, the preview frames against
// the engine called as the Windows dialog calls it, and a sweep against single renderings.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <vips/vips.h>

#include <algorithm>
#include <cstring>

#include "effects/palette/palette.h"
#include "hosts/cli/animate.h"
#include "hosts/cli/render.h"
#include "hosts/cli/vips_pictures.h"
#include "tests/cli/harness.h"
#include "tests/fire/fire_runs.h"
#include "tests/ice/engine_runs.h"

namespace zar::testing {
namespace {

struct Animation {
  int width = 0, pageHeight = 0, pages = 0, loop = -1;
  std::vector<int> delays;
  Image stacked;  // every frame, top to bottom, RGB
};

Animation ReadAnimation(const std::string& path) {
  std::string error;
  EXPECT_TRUE(cli::StartVips(&error)) << error;
  Animation a;
  VipsImage* image = vips_image_new_from_file(path.c_str(), "n", -1, nullptr);
  EXPECT_NE(image, nullptr) << vips_error_buffer();
  if (!image) return a;
  a.width = image->Xsize;
  a.pageHeight = vips_image_get_page_height(image);
  a.pages = vips_image_get_n_pages(image);
  vips_image_get_int(image, "loop", &a.loop);
  int* delays = nullptr;
  int count = 0;
  if (vips_image_get_array_int(image, "delay", &delays, &count) == 0)
    a.delays.assign(delays, delays + count);
  VipsImage* rgb = nullptr;
  EXPECT_EQ(vips_extract_band(image, &rgb, 0, "n", 3, nullptr), 0);
  size_t length = 0;
  void* data = vips_image_write_to_memory(rgb, &length);
  a.stacked = Image(rgb->Xsize, rgb->Ysize, 3);
  std::memcpy(a.stacked.pixels.data(), data, std::min(length, a.stacked.pixels.size()));
  g_free(data);
  g_object_unref(rgb);
  g_object_unref(image);
  return a;
}

TEST(ZarAnimate, WritesWebPGifAndAPngSequence) {
  ScratchDir dir;
  WritePng(dir / "in.png", Photo());
  const ZarRun webp = RunZar(
      {"animate", "fire", "in.png", "fire.webp", "--frames", "6", "--fps", "10"}, dir.path());
  ASSERT_EQ(webp.status, 0) << webp.err;
  EXPECT_EQ(webp.err, "");
  const Animation w = ReadAnimation(dir / "fire.webp");
  EXPECT_EQ(w.width, 150);
  EXPECT_EQ(w.pageHeight, 100);
  EXPECT_EQ(w.pages, 6);
  EXPECT_EQ(w.loop, 0);
  EXPECT_EQ(w.delays, std::vector<int>(6, 100));

  const ZarRun gif = RunZar({"animate", "candle", "in.png", "candle.gif", "--frames", "4", "--size",
                             "60x40", "--no-loop", "--quiet"},
                            dir.path());
  ASSERT_EQ(gif.status, 0) << gif.err;
  const Animation g = ReadAnimation(dir / "candle.gif");
  EXPECT_EQ(g.width, 60);
  EXPECT_EQ(g.pageHeight, 40);
  EXPECT_EQ(g.pages, 4);
  EXPECT_EQ(g.loop, 1);
  EXPECT_EQ(g.delays, std::vector<int>(4, 50));

  // Combustion sweeps its phase unless told otherwise; a directory gets frame-0001.png...
  const ZarRun png = RunZar(
      {"animate", "combustion", "in.png", "burn/", "--frames", "3", "--scale", "0.5"}, dir.path());
  ASSERT_EQ(png.status, 0) << png.err;
  for (int k = 1; k <= 3; ++k) {
    const host::Picture frame = ReadPng(dir / ("burn/frame-000" + std::to_string(k) + ".png"));
    EXPECT_EQ(frame.width, 75);
    EXPECT_EQ(frame.height, 50);
  }
  EXPECT_FALSE(Exists(dir / "burn/frame-0004.png"));

  // A single PNG is no animation; nothing is written.
  const ZarRun still = RunZar({"animate", "fire", "in.png", "one.png"}, dir.path());
  EXPECT_EQ(still.status, 1);
  EXPECT_NE(still.err.find("numbered sequence"), std::string::npos) << still.err;
  EXPECT_FALSE(Exists(dir / "one.png"));
  const ZarRun nowhere = RunZar({"animate", "fire", "in.png", "no/such.gif"}, dir.path());
  EXPECT_EQ(nowhere.status, 1);
  EXPECT_EQ(nowhere.err, "zar: error: cannot write no/such.gif: no directory no\n");
  // A directory made for a sequence that fails is not left behind.
  const ZarRun unread = RunZar({"animate", "fire", "missing.png", "frames/"}, dir.path());
  EXPECT_EQ(unread.status, 1);
  EXPECT_FALSE(Exists(dir / "frames"));
}

// A batch goes on past a bad picture: each animation named after its picture, the failure one
// line, a last line counting them, status 1.
TEST(ZarAnimate, BatchAnimatesEachPictureAndCountsTheFailures) {
  ScratchDir dir;
  WritePng(dir / "a.png", Photo());
  WritePng(dir / "b.png", StructuredPicture(96, 64));
  WriteBytes(dir / "c.png", {'n', 'o', 'p', 'e'});
  ASSERT_EQ(mkdir((dir / "out").c_str(), 0755), 0);
  const ZarRun run = RunZar(
      {"animate", "fire", "a.png", "c.png", "b.png", "-o", "out", "-j", "2", "--frames", "3"},
      dir.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.ErrLines(),
            (std::vector<std::string>{"zar: error: c.png: not a picture zar reads (JPEG, PNG, "
                                      "TIFF, WebP, GIF, HEIF, AVIF, JPEG XL, PAM, PPM or PGM)",
                                      "zar: 2 of 3 pictures animated, 1 failed"}));
  const Animation a = ReadAnimation(dir / "out/a.webp");
  EXPECT_EQ(a.width, 150);
  EXPECT_EQ(a.pageHeight, 100);
  EXPECT_EQ(a.pages, 3);
  const Animation b = ReadAnimation(dir / "out/b.webp");
  EXPECT_EQ(b.width, 96);
  EXPECT_EQ(b.pageHeight, 64);
  EXPECT_EQ(b.pages, 3);
  EXPECT_FALSE(Exists(dir / "out/c.webp"));
}

// The Windows dialog opens with a fresh preview (previewState 2, one iteration, the ramp from the
// working colours) and then runs the engine in preview mode on every tick, on the fields it
// kept; with the whole picture as the preview, frame k is the k-th of those runs.
template <typename Engine>
std::vector<Image> DialogPreview(const Image& in, const WorkingParameters& params, int ticks) {
  Engine engine;
  const WorkingParameters& w = params;
  BuildColorRamp(engine.module.colorRamp, w.rampColors[0] & 0xFFFFFF, w.rampColors[1] & 0xFFFFFF,
                 w.rampColors[2] & 0xFFFFFF, w.rampColors[3] & 0xFFFFFF, w.rampPosition1,
                 w.rampPosition2);
  engine.module.previewState = 2;
  Image out = in;  // zar's host hands the output buffer over as a copy of the source
  std::vector<Image> frames;
  for (int k = 0; k < ticks; ++k) {
    engine.Run(FrameOf(in, out), params, 1);
    frames.push_back(out);
  }
  return frames;
}

TEST(ZarAnimate, FramesAreTheDialogsPreviewTicks) {
  ScratchDir dir;
  const Image in = StructuredPicture(96, 64);
  WritePng(dir / "in.png", in);
  for (const PluginTable* table : {&kFireTable, &kIceTable}) {
    SCOPED_TRACE(table->name);
    const std::string out = std::string(table->name) + "/f-%02d.png";
    const ZarRun run = RunZar({"animate", table->name, "in.png", out, "--frames", "3"}, dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<Image> want = table == &kFireTable
                                        ? DialogPreview<FireModule>(in, table->defaults, 3)
                                        : DialogPreview<IceModule>(in, table->defaults, 3);
    for (int k = 0; k < 3; ++k) {
      const Image got =
          ReadPng(dir / (std::string(table->name) + "/f-0" + std::to_string(k + 1) + ".png"));
      EXPECT_TRUE(SamePixels(got, want[k])) << "frame " << k + 1;
    }
    EXPECT_FALSE(SamePixels(want[0], want[2]));  // the preview moves
  }
}

// The dialog's preview area reduces the picture by a whole factor, as the dialog's request does:
// 150 x 100 in an area of 100 x 80 (96 x 76 inside its border) is halved.
TEST(ZarAnimate, PreviewHookTakesTheDialogsPreviewArea) {
  std::vector<host::Picture> frames;
  std::string error;
  ASSERT_TRUE(cli::PreviewFrames(kFireTable, ModulePath(kFireTable),
                                 cli::ParameterBlockFor(kFireTable, kFireTable.defaults), Photo(), 2,
                                 100, 80, {}, &frames, &error))
      << error;
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].width, 75);
  EXPECT_EQ(frames[0].height, 50);
  EXPECT_FALSE(SamePixels(frames[0], frames[1]));
}

TEST(ZarAnimate, SweepFramesAreRenderingsAtTheFieldsValues) {
  ScratchDir dir;
  const host::Picture in = Photo();
  WritePng(dir / "in.png", in);
  const ZarRun run = RunZar({"animate", "combustion", "in.png", "seq/", "--frames", "3", "--sweep",
                             "phase=20..60", "--set", "effectMode=Page"},
                            dir.path());
  ASSERT_EQ(run.status, 0) << run.err;
  WorkingParameters params = kCombustionTable.defaults;
  params.effectMode = 1;
  for (int k = 0; k < 3; ++k) {
    params.phase = 20 + 20 * k;
    EXPECT_TRUE(SamePixels(ReadPng(dir / ("seq/frame-000" + std::to_string(k + 1) + ".png")),
                           DirectRun(kCombustionTable, params, in)))
        << "frame " << k + 1;
  }
  // Each -s takes one value, so IN and OUT may follow it, as in zar render.
  const ZarRun setFirst = RunZar({"animate", "combustion", "-s", "effectMode=Page", "in.png",
                                  "again/", "--frames", "3", "--sweep", "phase=20..60"},
                                 dir.path());
  ASSERT_EQ(setFirst.status, 0) << setFirst.err;
  EXPECT_TRUE(
      SamePixels(ReadPng(dir / "again/frame-0003.png"), ReadPng(dir / "seq/frame-0003.png")));
}

}  // namespace
}  // namespace zar::testing
