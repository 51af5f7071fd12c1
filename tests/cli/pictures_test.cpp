// zar's picture files, contact sheets and progress bar, on their own.
#include "hosts/cli/pictures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "hosts/cli/progress.h"
#include "hosts/cli/sheet.h"
#include "tests/cli/harness.h"

namespace zar::cli {
namespace {

using testing::Photo;
using testing::SamePixels;
using testing::ScratchDir;

TEST(CliPictures, OutputFormatComesFromTheExtension) {
  PictureFormat format;
  std::string error;
  EXPECT_TRUE(OutputFormatFor("a/b.png", &format, &error));
  EXPECT_EQ(format, PictureFormat::kPng);
  EXPECT_TRUE(OutputFormatFor("B.PAM", &format, &error));
  EXPECT_EQ(format, PictureFormat::kPam);
  EXPECT_FALSE(OutputFormatFor("out.bmp", &format, &error));
  EXPECT_EQ(error,
            "out.bmp: unknown output format (name it .png, .jpg, .tif, .webp, .gif, .heic, .avif, "
            ".jxl or .pam)");
  EXPECT_FALSE(OutputFormatFor("dir.png/out", &format, &error));
}

TEST(CliPictures, PamHeaderAndRowsWithoutPadding) {
  host::Picture picture(2, 1, 5, /*padding=*/3);
  for (int i = 0; i < 10; ++i) picture.pixels[size_t(i)] = uint8_t(i + 1);
  std::vector<uint8_t> bytes;
  std::string error;
  ASSERT_TRUE(EncodePicture(picture, PictureFormat::kPam, &bytes, &error)) << error;
  const std::string header =
      "P7\nWIDTH 2\nHEIGHT 1\nDEPTH 5\nMAXVAL 255\nTUPLTYPE RGB_ALPHA_EXTRA\nENDHDR\n";
  ASSERT_EQ(bytes.size(), header.size() + 10);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + long(header.size())), header);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(bytes[header.size() + size_t(i)], i + 1);
}

TEST(CliPictures, PngOfThreeOrFourPlanesOnly) {
  std::vector<uint8_t> bytes;
  std::string error;
  EXPECT_FALSE(EncodePicture(Photo(5), PictureFormat::kPng, &bytes, &error));
  EXPECT_EQ(error, "a PNG file holds 3 or 4 planes, this picture has 5 (write a .pam)");
  EXPECT_FALSE(EncodePicture(host::Picture(), PictureFormat::kPam, &bytes, &error));
}

// What zar writes, libpng reads back unchanged, and what libpng wrote, zar reads unchanged.
TEST(CliPictures, PngRoundTripsBothWays) {
  ScratchDir dir;
  for (int planes : {3, 4}) {
    host::Picture picture = Photo(planes);
    std::string error;
    ASSERT_TRUE(WritePicture(dir / "zar.png", picture, PictureFormat::kPng, &error)) << error;
    EXPECT_TRUE(SamePixels(testing::ReadPng(dir / "zar.png"), picture)) << planes;
    testing::WritePng(dir / "libpng.png", picture);
    host::Picture read;
    std::vector<std::string> notes;
    ASSERT_TRUE(ReadPicture(dir / "libpng.png", &read, &notes, &error)) << error;
    EXPECT_TRUE(SamePixels(read, picture)) << planes;
    EXPECT_TRUE(notes.empty());
  }
}

TEST(CliPictures, GreyPalette16BitPngAreConvertedWithANote) {
  ScratchDir dir;
  const host::Picture photo = Photo(3);
  std::string error;
  std::vector<std::string> notes;
  host::Picture read;

  host::Picture grey(photo.width, photo.height, 2);
  for (int y = 0; y < photo.height; ++y)
    for (int x = 0; x < photo.width; ++x) {
      grey.At(x, y)[0] = photo.At(x, y)[1];
      grey.At(x, y)[1] = uint8_t(255 - x);
    }
  testing::WritePng(dir / "ga.png", grey);
  ASSERT_TRUE(ReadPicture(dir / "ga.png", &read, &notes, &error)) << error;
  ASSERT_EQ(read.planes, 4);
  EXPECT_EQ(read.At(7, 9)[0], grey.At(7, 9)[0]);
  EXPECT_EQ(read.At(7, 9)[2], grey.At(7, 9)[0]);
  EXPECT_EQ(read.At(7, 9)[3], 255 - 7);
  EXPECT_EQ(notes, std::vector<std::string>{dir / "ga.png" + ": grey picture converted to RGBA"});

  notes.clear();
  testing::WritePng16(dir / "deep.png", photo, 100);
  ASSERT_TRUE(ReadPicture(dir / "deep.png", &read, &notes, &error)) << error;
  EXPECT_TRUE(SamePixels(read, photo));
  EXPECT_EQ(notes,
            std::vector<std::string>{dir / "deep.png" + ": 16-bit samples reduced to 8 bits"});
}

TEST(CliPictures, MasksAreOnePlane) {
  ScratchDir dir;
  const host::Picture ellipse = testing::Ellipse(40, 30);
  testing::WritePng(dir / "mask.png", ellipse);
  host::Picture mask;
  std::vector<std::string> notes;
  std::string error;
  ASSERT_TRUE(ReadMask(dir / "mask.png", 0, 0, &mask, &notes, &error)) << error;
  EXPECT_TRUE(SamePixels(mask, ellipse));
  EXPECT_TRUE(notes.empty());

  testing::WritePam(dir / "mask.pam", ellipse);
  ASSERT_TRUE(ReadMask(dir / "mask.pam", 0, 0, &mask, &notes, &error)) << error;
  EXPECT_TRUE(SamePixels(mask, ellipse));

  testing::WritePam(dir / "rgb.pam", Photo(3));
  EXPECT_FALSE(ReadMask(dir / "rgb.pam", 0, 0, &mask, &notes, &error));
  EXPECT_EQ(error, dir / "rgb.pam" + ": a mask has one plane, this file has 3");
}

TEST(CliSheet, PicturesSideBySideWithLabelsBelow) {
  const host::Picture a = Photo(3);
  host::Picture b(60, 40, 4);
  for (size_t i = 0; i < b.pixels.size(); ++i) b.pixels[i] = uint8_t(i * 7);
  host::Picture sheet, grid;
  std::string error;
  ASSERT_TRUE(ContactSheet({{&a, "Original"}, {&b, "Fire"}}, 0, &sheet, &error)) << error;
  // Two cells of the larger picture's size, 12 pixels apart and around, labels 24 pixels high.
  ASSERT_EQ(sheet.planes, 3);
  EXPECT_EQ(sheet.width, 12 + 2 * (150 + 12));
  EXPECT_EQ(sheet.height, 12 + 100 + 24 + 12);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 150; ++x)
      ASSERT_EQ(0, std::memcmp(sheet.At(12 + x, 12 + y), a.At(x, y), 3)) << x << "," << y;
  // The smaller picture is centred in its cell; its fourth plane is not drawn.
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x)
      ASSERT_EQ(0, std::memcmp(sheet.At(174 + 45 + x, 12 + 30 + y), b.At(x, y), 3));
  // Each label is ink on the ground, within its cell's width, below its picture.
  auto inkIn = [&sheet](int left, int right) {
    int ink = 0;
    for (int y = 12 + 100; y < sheet.height; ++y)
      for (int x = left; x < right; ++x) ink += sheet.At(x, y)[0] == 0xF0;
    return ink;
  };
  EXPECT_GT(inkIn(12, 162), 100);
  EXPECT_GT(inkIn(174, 324), 50);
  EXPECT_EQ(inkIn(0, 12) + inkIn(162, 174), 0);

  ASSERT_TRUE(ContactSheet({{&a, "1"}, {&a, "2"}, {&a, "3"}}, 2, &grid, &error)) << error;
  EXPECT_EQ(grid.width, 12 + 2 * 162);
  EXPECT_EQ(grid.height, 12 + 2 * (100 + 24 + 12));
}

TEST(CliSheet, GlyphsAreFiveBySevenDots) {
  static const uint8_t kInk[3] = {1, 2, 3};
  host::Picture picture(20, 10, 3);
  DrawText(picture, 1, 1, "L", 1, kInk);
  // An L: the left column and the bottom row.
  int ink = 0;
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) {
      const bool inked = picture.At(x, y)[0] == 1;
      ink += inked;
      const bool expected = (x == 1 && y >= 1 && y <= 7) || (y == 7 && x >= 1 && x <= 5);
      EXPECT_EQ(inked, expected) << x << "," << y;
    }
  EXPECT_EQ(ink, 11);
  EXPECT_EQ(TextWidth("ab", 2), (2 * 6 - 1) * 2);
  EXPECT_EQ(TextWidth("", 2), 0);
  // Lower case is drawn as capitals; unknown characters as a box; nothing outside the picture.
  host::Picture lower(20, 10, 3), upper(20, 10, 3);
  DrawText(lower, 0, 0, "q", 1, kInk);
  DrawText(upper, 0, 0, "Q", 1, kInk);
  EXPECT_EQ(lower.pixels, upper.pixels);
  DrawText(picture, 15, 5, "\x01~", 3, kInk);
}

TEST(CliProgress, LineShowsTheShareDone) {
  EXPECT_EQ(ProgressBar::Line("fire", 20, 40, 10), "fire [#####-----]  50%");
  EXPECT_EQ(ProgressBar::Line("ice", 0, 38, 4), "ice [----]   0%");
  EXPECT_EQ(ProgressBar::Line("ice", 38, 38, 4), "ice [####] 100%");
  // Reports outside 0..total, or without a total, stay on the bar.
  EXPECT_EQ(ProgressBar::Line("x", 90, 40, 4), "x [####] 100%");
  EXPECT_EQ(ProgressBar::Line("x", -5, 40, 4), "x [----]   0%");
  EXPECT_EQ(ProgressBar::Line("x", 5, 0, 4), "x [----]   0%");
}

TEST(CliProgress, QuietWhenNotEnabled) {
  ScratchDir dir;
  FILE* f = std::fopen((dir / "bar").c_str(), "w+");
  ASSERT_NE(f, nullptr);
  {
    ProgressBar quiet(f, "fire", false);
    quiet.Update(1, 2);
  }
  EXPECT_EQ(std::ftell(f), 0);
  {
    ProgressBar bar(f, "fire", true);
    bar.Update(1, 4);
    bar.Update(1, 4);  // the same figure is not drawn again
    bar.Update(4, 4);
  }
  {
    ProgressBar bar(f, "ice", true);
    bar.Update(3, 4);
    bar.Finish(/*completed=*/true);  // a finished run shows the bar full
  }
  std::fclose(f);
  const std::vector<uint8_t> bytes = testing::WholeFile(dir / "bar");
  const std::string text(bytes.begin(), bytes.end());
  std::string expected = "\r";
  expected += ProgressBar::Line("fire", 1, 4, 40);
  expected += "\r";
  expected += ProgressBar::Line("fire", 4, 4, 40);
  expected += "\n\r";
  expected += ProgressBar::Line("ice", 3, 4, 40);
  expected += "\r";
  expected += ProgressBar::Line("ice", 4, 4, 40);
  expected += "\n";
  EXPECT_EQ(text, expected);
}

}  // namespace
}  // namespace zar::cli
