#include "framework/preview_map.h"

#include <gtest/gtest.h>

#include <vector>

namespace zar::ui {
namespace {

FilterRecord PreviewRecord(std::vector<uint8_t>& out, std::vector<uint8_t>& mask) {
  FilterRecord record{};
  record.imageMode = kImageModeRGB;
  record.outRect = {10, 20, 124, 162};  // a 142 x 114 preview
  record.outLoPlane = 0;
  record.outHiPlane = 2;
  record.outRowBytes = 142 * 3 + 2;
  out.assign(size_t(record.outRowBytes) * 114, 0);
  record.outData = out.data();
  mask.assign(142 * 114, 255);
  record.maskData = mask.data();
  record.maskRowBytes = 142;
  return record;
}

TEST(PreviewPixels, AVersionOnePixelMapOverTheOutput) {
  std::vector<uint8_t> out, mask;
  const FilterRecord record = PreviewRecord(out, mask);
  PreviewPixels pixels;
  DescribePreview(record, pixels);
  EXPECT_EQ(pixels.map.version, 1);
  // The 16-bit outRect travels as a 32-bit rectangle.
  EXPECT_EQ(pixels.bounds.top, 10);
  EXPECT_EQ(pixels.bounds.left, 20);
  EXPECT_EQ(pixels.bounds.bottom, 124);
  EXPECT_EQ(pixels.bounds.right, 162);
  EXPECT_EQ(pixels.map.bounds.right, 162);
  EXPECT_EQ(pixels.map.imageMode, kImageModeRGB);
  EXPECT_EQ(pixels.map.rowBytes, 142 * 3 + 2);
  EXPECT_EQ(pixels.map.colBytes, 3);
  EXPECT_EQ(pixels.map.planeBytes, 1);
  EXPECT_EQ(pixels.map.baseAddr, out.data());
  EXPECT_EQ(pixels.map.mat, nullptr);
  EXPECT_EQ(pixels.map.masks, nullptr);  // a plain picture has no mask
  EXPECT_EQ(pixels.map.maskPhaseRow, 0);
  EXPECT_EQ(pixels.map.maskPhaseCol, 0);
}

TEST(PreviewPixels, AFloatingSelectionShowsThroughItsMask) {
  std::vector<uint8_t> out, mask;
  FilterRecord record = PreviewRecord(out, mask);
  record.isFloating = 1;
  record.inLayerPlanes = 3;  // the floating selection wins over a transparency plane
  record.inTransparencyMask = 1;
  PreviewPixels pixels;
  DescribePreview(record, pixels);
  ASSERT_EQ(pixels.map.masks, &pixels.mask);
  EXPECT_EQ(pixels.mask.maskData, mask.data());
  EXPECT_EQ(pixels.mask.rowBytes, 142);
  EXPECT_EQ(pixels.mask.colBytes, 1);
  EXPECT_EQ(pixels.mask.maskDescription, 0);
  EXPECT_EQ(pixels.mask.next, nullptr);
  // Without the host's mask nothing is attached.
  record.maskData = nullptr;
  DescribePreview(record, pixels);
  EXPECT_EQ(pixels.map.masks, nullptr);
}

TEST(PreviewPixels, LayerTransparencyIsTheLastOutputPlane) {
  std::vector<uint8_t> out, mask;
  FilterRecord record = PreviewRecord(out, mask);
  record.outHiPlane = 3;
  record.inLayerPlanes = 3;
  record.inTransparencyMask = 1;
  PreviewPixels pixels;
  DescribePreview(record, pixels);
  EXPECT_EQ(pixels.map.colBytes, 4);
  ASSERT_EQ(pixels.map.masks, &pixels.mask);
  EXPECT_EQ(pixels.mask.maskData, out.data() + 3);
  EXPECT_EQ(pixels.mask.rowBytes, record.outRowBytes);
  EXPECT_EQ(pixels.mask.colBytes, 4);
  // Layer planes without a transparency mask: no mask.
  record.inTransparencyMask = 0;
  DescribePreview(record, pixels);
  EXPECT_EQ(pixels.map.masks, nullptr);
}

}  // namespace
}  // namespace zar::ui
