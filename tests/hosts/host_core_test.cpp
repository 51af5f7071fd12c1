// The host core's own parts: the handle suite it offers, the PE reader on damaged files, the
// resource decoders on damaged data, picture files, and drawing on Windows.
#include <gtest/gtest.h>
#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/resource.h>
#endif

#include <cstdio>
#include <cstring>

#include "hosts/core/host.h"
#include "hosts/core/pe_resources.h"
#include "hosts/core/plugin_resources.h"
#include "hosts/core/screen.h"
#include "platform/platform.h"
#include "hosts/core/whole_file.h"
#include "tests/hosts/expected_resources.h"
#include "tests/hosts/test_paths.h"

namespace zar {
namespace {

class HostHandles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    module = host::PluginModule::Load(testing::TestModulePath(), &error);
    ASSERT_TRUE(module) << error;
  }
  std::unique_ptr<host::PluginModule> module;
};

TEST_F(HostHandles, SuiteMakesSizesResizesLocksAndDisposes) {
  host::Host h(*module);
  const HandleProcs& procs = *h.handleProcs();
  EXPECT_EQ(procs.handleProcsVersion, 1);
  EXPECT_EQ(procs.numHandleProcs, 8);
  Handle a = procs.newProc(16);
  ASSERT_NE(a, nullptr);
  for (int i = 0; i < 16; ++i) ASSERT_EQ((*a)[i], 0);
  EXPECT_EQ(procs.getSizeProc(a), 16);
  std::memcpy(*a, "0123456789abcdef", 16);
  EXPECT_EQ(procs.setSizeProc(a, 40), kNoErr);
  EXPECT_EQ(procs.getSizeProc(a), 40);
  EXPECT_EQ(0, std::memcmp(*a, "0123456789abcdef", 16));
  EXPECT_EQ((*a)[39], 0);
  EXPECT_EQ(procs.lockProc(a, 1), *a);
  procs.unlockProc(a);
  EXPECT_EQ(procs.setSizeProc(a, 4), kNoErr);
  EXPECT_EQ(0, std::memcmp(*a, "0123", 4));
  procs.disposeProc(a);
  EXPECT_EQ(h.handleCounts().made, 1);
  EXPECT_EQ(h.handleCounts().disposed, 1);
  EXPECT_EQ(h.handleCounts().resized, 2);
  EXPECT_EQ(procs.newProc(-1), nullptr);
}

// A handle in the plug-ins' own format (data address, then 'FOTO') is sized and freed by the
// host; one it does not know is left alone.
TEST_F(HostHandles, RecognisesThePluginsOwnHandles) {
  host::Host h(*module);
  const HandleProcs& procs = *h.handleProcs();
  auto* master = static_cast<char*>(platform::GlobalBlockAllocDirect(sizeof(void*) + 4));
  void* data = platform::GlobalBlockAllocDirect(52);
  std::memcpy(master, &data, sizeof data);
  std::memcpy(master + sizeof(void*), "OTOF", 4);
  Handle own = reinterpret_cast<Handle>(master);
  EXPECT_GE(procs.getSizeProc(own), 52);
  EXPECT_EQ(procs.lockProc(own, 0), data);
  EXPECT_EQ(procs.setSizeProc(own, 100), kNoErr);
  EXPECT_GE(procs.getSizeProc(own), 100);
  procs.disposeProc(own);
  EXPECT_EQ(h.handleCounts().pluginHandlesDisposed, 1);

  char* stranger[2] = {nullptr, nullptr};
  procs.disposeProc(stranger);
  EXPECT_EQ(procs.getSizeProc(stranger), 0);
  EXPECT_EQ(procs.lockProc(stranger, 0), nullptr);
  EXPECT_EQ(h.handleCounts().unknown, 2);
}

// An empty block still has an address to lock, the host's and the plug-in's alike (a 0-byte
// movable block of GlobalAlloc's own has none); the host's empty handle is sized 0.
TEST_F(HostHandles, EmptyHandlesHaveABlock) {
  host::Host h(*module);
  const HandleProcs& procs = *h.handleProcs();
  Handle empty = procs.newProc(0);
  ASSERT_NE(empty, nullptr);
  EXPECT_NE(*empty, nullptr);
  EXPECT_EQ(procs.getSizeProc(empty), 0);
  procs.disposeProc(empty);
  EXPECT_EQ(h.handleCounts().live(), 0);
  void* block = platform::GlobalBlockAlloc(0);
  ASSERT_NE(block, nullptr);
  EXPECT_GE(platform::GlobalBlockSize(block), 1);
  platform::GlobalBlockFree(block);
}

// A handle of the host's whose data address was cleared (as a host hands over a block without
// data) is resized to a fresh block, and its old block goes when the handle is disposed.
TEST_F(HostHandles, ResizesAHandleWhoseDataAddressWasCleared) {
  host::Host h(*module);
  const HandleProcs& procs = *h.handleProcs();
  Handle cleared = procs.newProc(24);
  ASSERT_NE(cleared, nullptr);
  *cleared = nullptr;
  EXPECT_EQ(procs.setSizeProc(cleared, 40), kNoErr);
  ASSERT_NE(*cleared, nullptr);
  for (int i = 0; i < 40; ++i) ASSERT_EQ((*cleared)[i], 0);
  EXPECT_EQ(procs.getSizeProc(cleared), 40);
  procs.disposeProc(cleared);
  EXPECT_EQ(h.handleCounts().live(), 0);
}

#if defined(_WIN32)
// displayPixels' source rectangle is in the map's coordinates: the map's first sample is the top
// left corner of its bounds, and the part of the rectangle outside the bounds is not drawn.
TEST(Screen, DrawsThePixelMapFromItsBounds) {
  // A 4 x 3 map at row 10, column 20, whose sample at (column, row) is (column, row, 99).
  uint8_t samples[3][4][3];
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) {
      samples[y][x][0] = uint8_t(20 + x);
      samples[y][x][1] = uint8_t(10 + y);
      samples[y][x][2] = 99;
    }
  PSPixelMap map{};
  map.version = 1;
  map.bounds = VRect{10, 20, 13, 24};
  map.imageMode = kImageModeRGB;
  map.rowBytes = 12;
  map.colBytes = 3;
  map.planeBytes = 1;
  map.baseAddr = samples;

  BITMAPINFO info{};
  info.bmiHeader = {sizeof info.bmiHeader, 16, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(bitmap, nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  std::memset(bits, 0xFF, 16 * 16 * 4);
  // Rows 11 to 13 and columns 18 to 21, drawn at row 2, column 3: only rows 11 and 12 and
  // columns 20 and 21 lie inside the bounds.
  EXPECT_EQ(host::DrawPixelMap(map, VRect{11, 18, 14, 22}, 2, 3, dc), kNoErr);
  GdiFlush();
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const uint8_t* p = static_cast<const uint8_t*>(bits) + (y * 16 + x) * 4;  // B, G, R
      const int row = 11 + y - 2, column = 18 + x - 3;
      const bool drawn = row >= 11 && row < 13 && column >= 20 && column < 22;
      EXPECT_EQ(p[2], drawn ? column : 255) << x << "," << y;
      EXPECT_EQ(p[1], drawn ? row : 255) << x << "," << y;
      EXPECT_EQ(p[0], drawn ? 99 : 255) << x << "," << y;
    }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
}
#endif

TEST(PeReader, RefusesWhatIsNotAModule) {
  host::PeImage image;
  std::string error;
  const std::vector<uint8_t> text(200, 'x');
  EXPECT_FALSE(host::ParsePe(text.data(), text.size(), &image, &error));
  EXPECT_FALSE(host::ParsePe(nullptr, 0, &image, &error));
  EXPECT_FALSE(host::ReadPeFile("/nonexistent/ZarNothing.8bf", &image, &error));
}

// Every prefix of a real module, and modules with damaged bytes, are parsed or refused without
// reading outside the data (the sanitizer build watches).
TEST(PeReader, SurvivesCutAndDamagedModules) {
  std::vector<uint8_t> bytes;
  std::string path = testing::DeliverablePath("x86", "ZarIce");
  if (!host::ReadWholeFile(path, &bytes)) GTEST_SKIP() << path << " is not built";
  host::PeImage image;
  std::string error;
  ASSERT_TRUE(host::ParsePe(bytes.data(), bytes.size(), &image, &error)) << error;
  for (size_t size = 0; size < bytes.size(); size += 97) {
    const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + long(size));
    host::ParsePe(cut.data(), cut.size(), &image, &error);
  }
  // Damage the resource section: flip bytes through the last part of the file.
  uint32_t state = 12345;
  for (int trial = 0; trial < 300; ++trial) {
    std::vector<uint8_t> damaged = bytes;
    for (int k = 0; k < 8; ++k) {
      state = state * 1103515245u + 12345u;
      damaged[damaged.size() / 2 + (state >> 8) % (damaged.size() / 2)] = uint8_t(state >> 24);
    }
    host::ParsePe(damaged.data(), damaged.size(), &image, &error);
  }
}

TEST(ResourceDecoders, RefuseDamagedData) {
  host::Pipl pipl;
  host::Aete aete;
  std::string error;
  const std::vector<uint8_t> good = testing::ExpectedPipl("ZAR Ice...", false);
  ASSERT_TRUE(host::ParsePipl(good, &pipl, &error)) << error;
  // Every cut and a trailing byte are refused.
  for (size_t size = 0; size < good.size(); ++size)
    EXPECT_FALSE(host::ParsePipl(std::vector<uint8_t>(good.begin(), good.begin() + long(size)),
                                 &pipl, &error))
        << size;
  std::vector<uint8_t> longer = good;
  longer.push_back(0);
  EXPECT_FALSE(host::ParsePipl(longer, &pipl, &error));
  // A property length past the end.
  std::vector<uint8_t> bad = good;
  bad[10 + 15] = 0x7F;
  EXPECT_FALSE(host::ParsePipl(bad, &pipl, &error));

  const std::vector<uint8_t> terminology = testing::ExpectedAete();
  ASSERT_TRUE(host::ParseAete(terminology, &aete, &error)) << error;
  EXPECT_EQ(aete.consumed, 383u);
  for (size_t size = 0; size < terminology.size(); ++size)
    EXPECT_FALSE(host::ParseAete(
        std::vector<uint8_t>(terminology.begin(), terminology.begin() + long(size)), &aete, &error))
        << size;

  host::DialogTemplate dialog;
  EXPECT_FALSE(host::ParseDialogTemplate({0x40, 0, 0}, &dialog, &error));
}

TEST(Windows1252, MapsTheSpecialRowAndLatin1) {
  EXPECT_EQ(host::ToWindows1252(u"A\u00AE\u20AC\u2122\u00E9\u4E00"), "A\xAE\x80\x99\xE9?");
  EXPECT_EQ(host::ToUtf8(u"\u00AE"), "\xC2\xAE");
}

#if !defined(_WIN32)
int64_t PeakResidentKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}
#endif

// A header that promises a huge picture over a few bytes of data is refused without first
// taking the memory the header asks for.
TEST(PictureFiles, HeaderPromisingMoreThanTheFileHoldsTakesNoMemoryForIt) {
  const std::string path = ::testing::TempDir() + "zar_host_huge.pgm";
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("P5\n30000 30000\n255\n", f);  // 900 MB of samples promised
  std::fwrite("\x01\x02\x03", 1, 3, f);
  std::fclose(f);
#if !defined(_WIN32)
  const int64_t before = PeakResidentKilobytes();
#endif
  host::Picture picture;
  std::string error;
  EXPECT_FALSE(host::ReadPnmFile(path, &picture, &error));
  EXPECT_EQ(error, "pixel data cut short");
#if !defined(_WIN32)
  EXPECT_LT(PeakResidentKilobytes() - before, 64 * 1024);
#endif
  std::remove(path.c_str());
}

TEST(PictureFiles, PamRoundTripAndPgm) {
  host::Picture p(5, 3, 4);
  for (size_t i = 0; i < p.pixels.size(); ++i) p.pixels[i] = uint8_t(i * 11);
  const std::string path = ::testing::TempDir() + "zar_host_picture.pam";
  std::string error;
  ASSERT_TRUE(host::WritePamFile(path, p, &error)) << error;
  host::Picture back;
  ASSERT_TRUE(host::ReadPnmFile(path, &back, &error)) << error;
  EXPECT_EQ(back.width, 5);
  EXPECT_EQ(back.height, 3);
  EXPECT_EQ(back.planes, 4);
  EXPECT_EQ(back.pixels, p.pixels);

  const std::string pgm = ::testing::TempDir() + "zar_host_mask.pgm";
  FILE* f = std::fopen(pgm.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("P5\n# a mask\n2 2\n255\n", f);
  std::fwrite("\x00\xFF\x80\x01", 1, 4, f);
  std::fclose(f);
  ASSERT_TRUE(host::ReadPnmFile(pgm, &back, &error)) << error;
  EXPECT_EQ(back.planes, 1);
  EXPECT_EQ(back.pixels, (std::vector<uint8_t>{0x00, 0xFF, 0x80, 0x01}));

  f = std::fopen(pgm.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("P5\n2 2\n65535\n", f);
  std::fclose(f);
  EXPECT_FALSE(host::ReadPnmFile(pgm, &back, &error));
  std::remove(path.c_str());
  std::remove(pgm.c_str());
}

// The PAM writer's exact bytes, read back whole; what cannot be read is refused.
TEST(PictureFiles, PamBytesReadBackWhole) {
  host::Picture p(3, 2, 3);
  for (size_t i = 0; i < p.pixels.size(); ++i) p.pixels[i] = uint8_t(200 + i);
  const std::string path = ::testing::TempDir() + "zar_host_whole.pam";
  std::string error;
  ASSERT_TRUE(host::WritePamFile(path, p, &error)) << error;
  const std::string header = "P7\nWIDTH 3\nHEIGHT 2\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n";
  std::vector<uint8_t> want(header.begin(), header.end());
  want.insert(want.end(), p.pixels.begin(), p.pixels.end());
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(host::ReadWholeFile(path, &bytes));
  EXPECT_EQ(bytes, want);
  EXPECT_FALSE(host::ReadWholeFile(path + ".missing", &bytes));
  EXPECT_TRUE(bytes.empty());
  EXPECT_FALSE(host::ReadWholeFile(::testing::TempDir(), &bytes));  // a directory
  std::remove(path.c_str());
}

}  // namespace
}  // namespace zar
