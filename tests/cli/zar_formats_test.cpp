// zar on photographs: the formats in and out, what is converted on the way (each with a note),
// what travels to the output, pipes and batches. The pictures are made and read back with
// libvips itself, not through zar's code.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <vips/vips.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tests/cli/harness.h"

namespace zar::testing {
namespace {

// Writes `picture` (RGB) with libvips; `extra` changes the image first (metadata, colour space).
void VipsWrite(const std::string& path, const host::Picture& picture,
               const std::function<VipsImage*(VipsImage*)>& extra = {}) {
  ASSERT_EQ(vips_init("zar-tests"), 0);
  VipsImage* image =
      vips_image_new_from_memory_copy(picture.pixels.data(), picture.pixels.size(), picture.width,
                                      picture.height, picture.planes, VIPS_FORMAT_UCHAR);
  image->Type = VIPS_INTERPRETATION_sRGB;
  if (extra) image = extra(image);
  ASSERT_EQ(vips_image_write_to_file(image, path.c_str(), nullptr), 0) << vips_error_buffer();
  g_object_unref(image);
}

// Reads a file with libvips as stored: 8-bit samples, every band.
host::Picture VipsRead(const std::string& path, VipsImage** keep = nullptr) {
  VipsImage* image = vips_image_new_from_file(path.c_str(), nullptr);
  if (!image) return {};
  size_t size = 0;
  auto* data = static_cast<uint8_t*>(vips_image_write_to_memory(image, &size));
  host::Picture picture(image->Xsize, image->Ysize, image->Bands);
  picture.pixels.assign(data, data + size);
  g_free(data);
  if (keep)
    *keep = image;
  else
    g_object_unref(image);
  return picture;
}

// The mean difference of two pictures of one size, per sample.
double MeanDifference(const host::Picture& a, const host::Picture& b) {
  if (a.width != b.width || a.height != b.height || a.planes != b.planes) return 255;
  double sum = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) sum += std::abs(int(a.pixels[i]) - int(b.pixels[i]));
  return sum / double(a.pixels.size());
}

class ZarFormats : public ::testing::Test {
 protected:
  ScratchDir dir;
};

TEST_F(ZarFormats, JpegPngTiffWebpGifInAndOut) {
  const host::Picture photo = Photo(3);
  const char* const kinds[] = {"jpg", "png", "tif", "webp", "gif"};
  for (const char* in : kinds) {
    const std::string input = std::string("photo.") + in;
    // GIF's encoder runs on OpenMP threads whose memory libvips never gives back: the GIF read
    // here is one zar wrote (kinds before it made it), so that a memory checker of this program
    // sees no GIF encoding.
    if (std::string(in) == "gif")
      WriteBytes(dir / input, WholeFile(dir / "out-jpg.gif"));
    else
      VipsWrite(dir / input, photo);
    // The reference: the host core's run on the samples as libvips decodes them.
    const host::Picture expected = DirectRun(kFireTable, kFireTable.defaults, VipsRead(dir / input));
    for (const char* out : kinds) {
      const std::string output = std::string("out-") + in + "." + out;
      const ZarRun run = RunZar({"render", "fire", input, output}, dir.path());
      ASSERT_EQ(run.status, 0) << input << " -> " << output << ": " << run.err;
      EXPECT_EQ(run.err, "");
      const host::Picture got = VipsRead(dir / output);
      const bool lossless = std::string(out) == "png" || std::string(out) == "tif";
      // Lossy encoders change a little (WebP halves the colour's resolution, GIF keeps 256
      // colours); the effect changes far more.
      EXPECT_LE(MeanDifference(got, expected), lossless ? 0.0 : 8.0) << input << " -> " << output;
    }
  }
}

TEST_F(ZarFormats, TurnedUprightCmykToSrgbAndGammaLeftAloneWithNotes) {
  const host::Picture photo = Photo(3);
  VipsWrite(dir / "turned.jpg", photo, [](VipsImage* image) {
    vips_image_set_int(image, VIPS_META_ORIENTATION, 6);
    return image;
  });
  VipsWrite(dir / "cmyk.tif", photo, [](VipsImage* image) {
    VipsImage* cmyk = nullptr;
    EXPECT_EQ(vips_icc_export(image, &cmyk, "output_profile", "cmyk", nullptr), 0);
    g_object_unref(image);
    return cmyk;
  });
  // A PNG whose gAMA chunk says linear light: its samples are still taken as stored.
  WritePng(dir / "gamma.png", photo);
  std::vector<uint8_t> png = WholeFile(dir / "gamma.png");
  const uint8_t gama[] = {0, 0, 0, 4, 'g', 'A', 'M', 'A', 0, 1, 0x86, 0xA0, 0x31, 0xE8, 0x96, 0x5F};
  png.insert(png.begin() + 33, gama, gama + sizeof gama);
  WriteBytes(dir / "gamma.png", png);

  ZarRun run = RunZar({"render", "ice", "turned.jpg", "turned.png"}, dir.path());
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err,
            "zar: note: turned.jpg: turned upright as the camera recorded it (EXIF "
            "orientation 6)\n");
  const host::Picture upright = VipsRead(dir / "turned.png");
  EXPECT_EQ(upright.width, photo.height);
  EXPECT_EQ(upright.height, photo.width);

  run = RunZar({"render", "ice", "cmyk.tif", "cmyk.png"}, dir.path());
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "zar: note: cmyk.tif: CMYK picture converted to sRGB\n");
  EXPECT_EQ(VipsRead(dir / "cmyk.png").planes, 3);

  run = RunZar({"render", "ice", "gamma.png", "gamma-out.png"}, dir.path());
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(
      SamePixels(ReadPng(dir / "gamma-out.png"), DirectRun(kIceTable, kIceTable.defaults, photo)));
}

TEST_F(ZarFormats, ProfileAndExifTravelQualityAndCompressionApply) {
  VipsWrite(dir / "photo.jpg", Photo(3), [](VipsImage* image) {
    VipsImage* profiled = nullptr;
    EXPECT_EQ(vips_icc_transform(image, &profiled, "srgb", "input_profile", "srgb", nullptr), 0);
    g_object_unref(image);
    vips_image_set_string(profiled, "exif-ifd0-Make", "ZarCam");
    return profiled;
  });
  VipsImage* source = nullptr;
  VipsRead(dir / "photo.jpg", &source);
  const void* icc = nullptr;
  size_t iccLength = 0;
  ASSERT_EQ(vips_image_get_blob(source, VIPS_META_ICC_NAME, &icc, &iccLength), 0);
  for (const char* out : {"out.jpg", "out.png", "out.webp", "out.tif"}) {
    const ZarRun run = RunZar({"render", "candle", "photo.jpg", out}, dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    VipsImage* result = nullptr;
    VipsRead(dir / out, &result);
    ASSERT_NE(result, nullptr) << out;
    const void* got = nullptr;
    size_t gotLength = 0;
    ASSERT_EQ(vips_image_get_blob(result, VIPS_META_ICC_NAME, &got, &gotLength), 0) << out;
    EXPECT_EQ(std::string(static_cast<const char*>(got), gotLength),
              std::string(static_cast<const char*>(icc), iccLength))
        << out;
    const char* make = nullptr;
    if (std::string(out) != "out.tif") {
      ASSERT_EQ(vips_image_get_string(result, "exif-ifd0-Make", &make), 0) << out;
      EXPECT_EQ(std::string(make).substr(0, 6), "ZarCam") << out;
    }
    g_object_unref(result);
  }
  g_object_unref(source);

  ASSERT_EQ(RunZar({"render", "candle", "photo.jpg", "q20.jpg", "-q", "20"}, dir.path()).status, 0);
  ASSERT_EQ(RunZar({"render", "candle", "photo.jpg", "q95.jpg", "-q", "95"}, dir.path()).status, 0);
  EXPECT_LT(WholeFile(dir / "q20.jpg").size() * 2, WholeFile(dir / "q95.jpg").size());
  ASSERT_EQ(
      RunZar({"render", "candle", "photo.jpg", "c0.png", "--compression", "0"}, dir.path()).status,
      0);
  EXPECT_GT(WholeFile(dir / "c0.png").size(), WholeFile(dir / "out.png").size());
  EXPECT_TRUE(SamePixels(ReadPng(dir / "c0.png"), ReadPng(dir / "out.png")));
}

TEST_F(ZarFormats, JpegHeadersThatPromiseTooMuchAreRefusedBeforeDecoding) {
  VipsWrite(dir / "photo.jpg", Photo(3));
  std::vector<uint8_t> bytes = WholeFile(dir / "photo.jpg");
  // The frame header (SOF0): marker, length, precision, then height and width.
  size_t sof = 2;
  while (sof + 9 < bytes.size() && !(bytes[sof] == 0xFF && bytes[sof + 1] == 0xC0))
    sof += 2 + (size_t(bytes[sof + 2]) << 8 | bytes[sof + 3]);
  ASSERT_LT(sof + 9, bytes.size());
  std::vector<uint8_t> huge = bytes;
  huge[sof + 5] = huge[sof + 7] = 0x9C;  // 40000 x 40000
  huge[sof + 6] = huge[sof + 8] = 0x40;
  WriteBytes(dir / "huge.jpg", huge);
  ZarRun run = RunZar({"render", "fire", "huge.jpg", "out.png"}, dir.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "zar: error: huge.jpg: 40000 x 40000 is larger than the host takes (30000 x 30000)\n");
  // A 150 x 100 picture with 17 MiB after it: longer than such a picture can need.
  bytes.resize(bytes.size() + (size_t(17) << 20), 0);
  WriteBytes(dir / "long.jpg", bytes);
  run = RunZar({"render", "fire", "long.jpg", "out.png"}, dir.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "zar: error: long.jpg: the file is longer than a 150 x 100 picture can need\n");
  EXPECT_FALSE(Exists(dir / "out.png"));
}

TEST_F(ZarFormats, PipeInAndOut) {
  const host::Picture photo = Photo(3);
  WritePng(dir / "photo.png", photo);
  const ZarRun run =
      RunZar({"render", "fire", "-", "-", "--format", "png"}, dir.path(), {}, {}, dir / "photo.png");
  ASSERT_EQ(run.status, 0) << run.err;
  WriteBytes(dir / "piped.png", std::vector<uint8_t>(run.out.begin(), run.out.end()));
  EXPECT_TRUE(
      SamePixels(ReadPng(dir / "piped.png"), DirectRun(kFireTable, kFireTable.defaults, photo)));
  const ZarRun noFormat = RunZar({"render", "fire", "photo.png", "-"}, dir.path());
  EXPECT_EQ(noFormat.status, 1);
  EXPECT_EQ(noFormat.err, "zar: error: standard output needs --format (png, jpg, tif, webp...)\n");
}

TEST_F(ZarFormats, BatchGoesOnPastAFailureAndCountsThem) {
  const host::Picture photo = Photo(3);
  WritePng(dir / "a.png", photo);
  VipsWrite(dir / "b.tif", photo);
  WriteBytes(dir / "c.png", {'n', 'o', 'p', 'e'});
  ASSERT_EQ(mkdir((dir / "out").c_str(), 0755), 0);
  const ZarRun run =
      RunZar({"render", "cryo", "a.png", "c.png", "b.tif", "-o", "out", "-j", "2"}, dir.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.ErrLines(),
            (std::vector<std::string>{"zar: error: c.png: not a picture zar reads (JPEG, PNG, "
                                      "TIFF, WebP, GIF, HEIF, AVIF, JPEG XL, PAM, PPM or PGM)",
                                      "zar: 2 of 3 pictures rendered, 1 failed"}));
  const host::Picture expected = DirectRun(kCryoTable, kCryoTable.defaults, photo);
  EXPECT_TRUE(SamePixels(ReadPng(dir / "out/a.png"), expected));
  EXPECT_TRUE(SamePixels(VipsRead(dir / "out/b.tif"), expected));
  EXPECT_FALSE(Exists(dir / "out/c.png"));

  // Beside the inputs with a suffix, in the format asked for; two results of one name refused.
  const ZarRun suffixed = RunZar(
      {"render", "cryo", "a.png", "b.tif", "--suffix", "-cryo", "--format", "png"}, dir.path());
  EXPECT_EQ(suffixed.status, 0) << suffixed.err;
  EXPECT_TRUE(SamePixels(ReadPng(dir / "b-cryo.png"), expected));
  VipsWrite(dir / "a.jpg", photo);
  const ZarRun clash =
      RunZar({"render", "cryo", "a.png", "a.jpg", "--suffix", "-x", "--format", "png"}, dir.path());
  EXPECT_EQ(clash.status, 1);
  EXPECT_EQ(clash.ErrLines().front(),
            "zar: error: a.jpg: its result a-x.png would replace that of a.png; not rendered");
}

}  // namespace
}  // namespace zar::testing
