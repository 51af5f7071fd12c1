// Robustness of the field engines, whatever the host hands over and whatever the settings
// hold: row strides, extreme values of every field, tiny and malformed strips, absurd sizes. Each
// run must give a defined picture (the same in every fresh module), read and write only inside
// the host's buffers (the sanitizer builds check that: every buffer is exactly as long as its
// rows need) and leave the bytes between the host's rows alone.
//
// Included once by each engine's test program, which instantiates the suite for its module type
// (see engine_runs.h).
#pragma once

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "settings/parameters.h"
#include "tests/ice/engine_runs.h"

namespace zar::testing {

// One strip as a host might hand it over: rows `rowBytes` apart, each buffer exactly as long as
// its rows need (the last row holds only its pixels).
struct HostStrip {
  int width = 0, height = 0, planes = 0;
  int inRowBytes = 0, outRowBytes = 0, maskRowBytes = 0;
  bool selection = false;
  std::vector<uint8_t> in, out, mask;

  static size_t BufferSize(int rows, int rowBytes, int64_t rowLength) {
    if (rows <= 0 || rowBytes <= 0 || rowLength <= 0) return 1;
    return size_t(int64_t(rows - 1) * rowBytes + std::min<int64_t>(rowBytes, rowLength));
  }

  void Fill() {
    in.assign(BufferSize(height, inRowBytes, int64_t(width) * planes), 0);
    out.assign(BufferSize(height, outRowBytes, int64_t(width) * planes), 0);
    mask.assign(BufferSize(height, maskRowBytes, width), 0);
    // The picture depends only on the pixel's place; the bytes between rows hold other values.
    for (size_t i = 0; i < in.size(); ++i) {
      const size_t y = inRowBytes > 0 ? i / size_t(inRowBytes) : 0;
      const size_t b = inRowBytes > 0 ? i % size_t(inRowBytes) : i;
      const size_t x = planes > 0 ? b / size_t(planes) : 0;
      in[i] = b < size_t(std::max(width, 0)) * size_t(std::max(planes, 0))
                  ? uint8_t((x * 37 + y * 11 + b % 3 * 70) ^ (x * y >> 2))
                  : uint8_t(0xC3 ^ i);
    }
    for (size_t i = 0; i < out.size(); ++i) out[i] = uint8_t(0xA5 ^ i);
    for (size_t i = 0; i < mask.size(); ++i) {
      const size_t y = maskRowBytes > 0 ? i / size_t(maskRowBytes) : 0;
      const size_t x = maskRowBytes > 0 ? i % size_t(maskRowBytes) : i;
      mask[i] = x < size_t(std::max(width, 0)) ? ((x + y) / 3 % 4 ? 255 : 0) : uint8_t(i);
    }
  }

  FrameView Frame() {
    FrameView frame;
    frame.in = in.data();
    frame.inRowBytes = inRowBytes;
    frame.out = out.data();
    frame.outRowBytes = outRowBytes;
    if (selection) {
      frame.mask = mask.data();
      frame.maskRowBytes = maskRowBytes;
    }
    frame.width = width;
    frame.height = height;
    frame.planes = planes;
    frame.imageMode = 3;
    return frame;
  }

  // True where an output byte belongs to a pixel of the strip (x < width, and within its row).
  bool IsPixelByte(size_t i) const {
    if (outRowBytes <= 0 || width <= 0 || planes <= 0) return false;
    const int64_t column = int64_t(i % size_t(outRowBytes));
    return column < int64_t(width) * planes;
  }
};

// Final rendering then a three-call preview, each in a fresh module; returns the outputs.
template <typename Module>
std::vector<std::vector<uint8_t>> RunStrip(HostStrip strip, const WorkingParameters& params) {
  std::vector<std::vector<uint8_t>> outputs;
  {
    Module m;
    strip.Fill();
    m.Run(strip.Frame(), params, params.iterations);
    outputs.push_back(strip.out);
    EXPECT_FALSE(m.fields().held());
  }
  {
    Module m;
    strip.Fill();
    m.module.previewState = 2;
    for (int call = 0; call < 3; ++call) m.Run(strip.Frame(), params, 1);
    outputs.push_back(strip.out);
  }
  return outputs;
}

// Runs the strip twice and checks that the pictures agree and the bytes between rows are kept.
template <typename Module>
void ExpectDefined(const HostStrip& strip, const WorkingParameters& params,
                   const std::string& what) {
  const auto first = RunStrip<Module>(strip, params);
  const auto second = RunStrip<Module>(strip, params);
  EXPECT_EQ(first, second) << what;
  HostStrip fresh = strip;
  fresh.Fill();
  for (const auto& out : first) {
    ASSERT_EQ(out.size(), fresh.out.size()) << what;
    for (size_t i = 0; i < out.size(); ++i) {
      if (!strip.IsPixelByte(i)) {
        ASSERT_EQ(out[i], fresh.out[i]) << what << " byte " << i;
      }
    }
  }
}

inline HostStrip SmallStrip(int width, int height, int planes, int inPadding, int outPadding,
                            bool selection) {
  HostStrip s;
  s.width = width;
  s.height = height;
  s.planes = planes;
  s.inRowBytes = width * planes + inPadding;
  s.outRowBytes = width * planes + outPadding;
  s.maskRowBytes = width + inPadding;
  s.selection = selection;
  return s;
}

template <typename Module>
class Robustness : public ::testing::Test {};
TYPED_TEST_SUITE_P(Robustness);

TYPED_TEST_P(Robustness, InputAndMaskStridesDoNotChangeThePicture) {
  // The input and the mask are read with their own strides; output padding below one pixel
  // keeps the field geometry. All of these give the unpadded picture.
  for (const PluginTable* table : TypeParam::kTables) {
    for (const bool selection : {false, true}) {
      WorkingParameters params = table->defaults;
      params.maskMode = 2;
      params.maskDroplet = 1;
      params.iterations = 12;
      HostStrip plain = SmallStrip(37, 29, 3, 0, 0, selection);
      const auto want = RunStrip<TypeParam>(plain, params);
      for (const auto& [inPadding, outPadding] : {std::pair{5, 0}, {0, 2}, {13, 1}, {64, 2}}) {
        HostStrip padded = SmallStrip(37, 29, 3, inPadding, outPadding, selection);
        const auto got = RunStrip<TypeParam>(padded, params);
        for (size_t run = 0; run < got.size(); ++run)
          for (int y = 0; y < 29; ++y)
            ASSERT_EQ(std::memcmp(got[run].data() + size_t(y) * padded.outRowBytes,
                                  want[run].data() + size_t(y) * plain.outRowBytes, 37 * 3),
                      0)
                << table->name << " padding " << inPadding << "/" << outPadding << " row " << y;
      }
    }
  }
}

TYPED_TEST_P(Robustness, WideOutputRowsGiveADefinedPicture) {
  // Output rows padded by whole pixels widen the field as the stride says; the padding itself is
  // never written, and nothing beyond the host's input rows is read.
  for (const PluginTable* table : TypeParam::kTables)
    for (const bool selection : {false, true})
      for (const int outPadding : {3, 17, 300}) {
        WorkingParameters params = table->defaults;
        params.maskMode = 2;
        params.iterations = 8;
        ExpectDefined<TypeParam>(
            SmallStrip(23, 19, 3, 0, outPadding, selection), params,
            std::string(table->name) + " out padding " + std::to_string(outPadding));
      }
}

TYPED_TEST_P(Robustness, ExtremeValuesOfEveryField) {
  struct Change {
    std::string name;
    std::function<void(WorkingParameters&)> apply;
  };
  std::vector<Change> changes = {
      {"iterations -5", [](WorkingParameters& p) { p.iterations = -5; }},
      {"iterations 0", [](WorkingParameters& p) { p.iterations = 0; }},
      {"iterations min", [](WorkingParameters& p) { p.iterations = INT_MIN; }},
      {"radius max", [](WorkingParameters& p) { p.radius = INT_MAX; }},
      {"radius min", [](WorkingParameters& p) { p.radius = INT_MIN; }},
      {"radius huge, rotation 33",
       [](WorkingParameters& p) {
         p.radius = 1 << 24;
         p.rotation = 33;
       }},
      {"rotation max", [](WorkingParameters& p) { p.rotation = INT_MAX; }},
      {"rotation min", [](WorkingParameters& p) { p.rotation = INT_MIN; }},
      {"rotation far", [](WorkingParameters& p) { p.rotation = -123457; }},
      {"alpha 0", [](WorkingParameters& p) { p.alpha = 0; }},
      {"alpha 0, custom black",
       [](WorkingParameters& p) {
         p.alpha = 0;
         p.colorMode = 1;
         for (uint32_t& c : p.rampColors) c = 0;
       }},
      {"flameDirection 8", [](WorkingParameters& p) { p.flameDirection = 8; }},
      {"maskMode 4, droplets",
       [](WorkingParameters& p) {
         p.maskMode = 4;
         p.maskDroplet = 1;
       }},
      {"ramp positions reversed",
       [](WorkingParameters& p) {
         p.colorMode = 1;
         p.rampPosition1 = 250;
         p.rampPosition2 = 3;
       }},
  };
  // Every byte field at 0 and at 255, one at a time and all at once.
  for (const uint32_t value : {0u, 255u}) {
    for (int f = 0; f < kFieldCount; ++f) {
      const Field field = Field(f);
      if (FieldSize(field) != 1) continue;
      changes.push_back({std::string(FieldName(field)) + " " + std::to_string(value),
                         [field, value](WorkingParameters& p) { SetField(p, field, value); }});
    }
    changes.push_back({"every byte " + std::to_string(value), [value](WorkingParameters& p) {
                         for (int f = 0; f < kFieldCount; ++f)
                           if (FieldSize(Field(f)) == 1) SetField(p, Field(f), value);
                       }});
  }
  for (const PluginTable* table : TypeParam::kTables)
    for (const Change& change : changes)
      for (const bool selection : {false, true}) {
        WorkingParameters params = table->defaults;
        params.iterations = 6;
        params.maskDroplet = 1;
        change.apply(params);
        ExpectDefined<TypeParam>(
            SmallStrip(21, 17, 3, 3, 0, selection), params,
            std::string(table->name) + " " + change.name + (selection ? " selection" : ""));
      }
}

TYPED_TEST_P(Robustness, TinyStripsAndEveryPlaneCount) {
  for (const PluginTable* table : TypeParam::kTables) {
    WorkingParameters params = table->defaults;
    params.maskMode = 2;
    params.maskDroplet = 1;
    params.radius = 200;
    params.iterations = 3;
    for (int planes = 0; planes <= 8; ++planes)
      for (int width = 0; width <= 3; ++width)
        for (int height = 0; height <= 3; ++height)
          for (const bool selection : {false, true})
            for (const int padding : {0, 5}) {
              const HostStrip strip =
                  SmallStrip(width, height, planes, padding, padding, selection);
              ExpectDefined<TypeParam>(strip, params,
                                       std::string(table->name) + " " + std::to_string(width) + "x" +
                                           std::to_string(height) + "x" + std::to_string(planes) +
                                           " padding " + std::to_string(padding));
            }
  }
}

TYPED_TEST_P(Robustness, RowsShorterThanTheStripAndNegativeSizes) {
  for (const PluginTable* table : TypeParam::kTables) {
    WorkingParameters params = table->defaults;
    params.maskMode = 2;
    params.iterations = 4;
    for (const bool selection : {false, true}) {
      // Output rows of 6 pixels for a strip 10 wide; input rows of 4 pixels; mask rows of 3.
      HostStrip s = SmallStrip(10, 12, 3, 0, 0, selection);
      s.outRowBytes = 20;
      s.inRowBytes = 12;
      s.maskRowBytes = 3;
      ExpectDefined<TypeParam>(s, params, std::string(table->name) + " short rows");
      // Rows of 5 bytes cannot hold one pixel of 8 planes.
      HostStrip t = SmallStrip(4, 6, 8, 0, 0, selection);
      t.outRowBytes = t.inRowBytes = 5;
      ExpectDefined<TypeParam>(t, params, std::string(table->name) + " rows below a pixel");
      for (const auto& [width, height, rowBytes] :
           {std::tuple{-4, 5, 30}, {5, -2, 30}, {5, 5, -30}, {INT_MIN, 3, 30}}) {
        HostStrip n = SmallStrip(1, 1, 3, 0, 0, selection);
        n.width = width;
        n.height = height;
        n.inRowBytes = n.outRowBytes = rowBytes;
        ExpectDefined<TypeParam>(n, params, std::string(table->name) + " negative");
      }
    }
  }
}

TYPED_TEST_P(Robustness, AbsurdFieldSizesFailLikeAnAllocationFailure) {
  // A one-row strip whose output stride claims 2^30 bytes: the fields would need more than a
  // gigabyte each. The output keeps the copy, no fields are held, and a preview stays a copy.
  const PluginTable* table = TypeParam::kTables[0];
  WorkingParameters params = table->defaults;
  params.maskMode = 2;
  HostStrip s = SmallStrip(5, 1, 3, 0, 0, false);
  s.outRowBytes = 1 << 30;
  s.Fill();
  TypeParam m;
  m.Run(s.Frame(), params, 5);
  EXPECT_EQ(std::memcmp(s.out.data(), s.in.data(), 15), 0);
  EXPECT_FALSE(m.fields().held());
  m.module.previewState = 2;
  m.Run(s.Frame(), params, 1);
  EXPECT_EQ(m.module.previewState, 1);
  EXPECT_FALSE(m.fields().held());
  // A stride of a few megabytes is still rendered (and only the strip's pixels are written).
  HostStrip wide = SmallStrip(5, 2, 3, 0, 0, false);
  wide.outRowBytes = 3 << 20;
  ExpectDefined<TypeParam>(wide, params, "wide stride");
}

TYPED_TEST_P(Robustness, TheGeometryOfARunningPreviewMayChange) {
  // Fresh fields of the new size (the only allocation a running preview can make).
  const PluginTable* table = TypeParam::kTables[1];
  WorkingParameters params = table->defaults;
  params.maskMode = 2;
  TypeParam m;
  m.module.previewState = 2;
  for (const auto& [width, height] : {std::pair{30, 20}, {30, 20}, {50, 12}, {8, 40}, {8, 40}}) {
    HostStrip s = SmallStrip(width, height, 3, 0, 0, false);
    s.Fill();
    m.Run(s.Frame(), params, 1);
    EXPECT_EQ(m.fields().pitch, width + 4);
    EXPECT_EQ(m.fields().rows, height + 5);
  }
}

TYPED_TEST_P(Robustness, NonRgbCopiesOnlyWhatTheRowsHold) {
  for (const int mode : {1, 2, 4, 9}) {
    HostStrip s = SmallStrip(10, 6, 3, 4, 0, false);
    s.outRowBytes = 20;  // narrower than the strip
    s.Fill();
    FrameView frame = s.Frame();
    frame.imageMode = int16_t(mode);
    TypeParam m;
    m.Run(frame, TypeParam::kTables[0]->defaults, 10);
    for (int y = 0; y < 6; ++y)
      EXPECT_EQ(std::memcmp(s.out.data() + y * 20, s.in.data() + y * s.inRowBytes, 20), 0)
          << mode << " row " << y;
  }
}

REGISTER_TYPED_TEST_SUITE_P(Robustness, InputAndMaskStridesDoNotChangeThePicture,
                            WideOutputRowsGiveADefinedPicture, ExtremeValuesOfEveryField,
                            TinyStripsAndEveryPlaneCount, RowsShorterThanTheStripAndNegativeSizes,
                            AbsurdFieldSizesFailLikeAnAllocationFailure,
                            TheGeometryOfARunningPreviewMayChange, NonRgbCopiesOnlyWhatTheRowsHold);

}  // namespace zar::testing
