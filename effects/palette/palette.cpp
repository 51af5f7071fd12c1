#include "effects/palette/palette.h"

#include <algorithm>
#include <cmath>

namespace zar {

const uint8_t DefaultFirePalette[256][3] = {
    {0, 0, 0}, {0, 0, 24}, {0, 0, 24}, {0, 0, 28}, {0, 0, 32}, {0, 0, 32}, {0, 0, 36}, {0, 0, 40},  // 0-7
    {8, 0, 40}, {16, 0, 36}, {24, 0, 36}, {32, 0, 32}, {40, 0, 28}, {48, 0, 28}, {56, 0, 24}, {64, 0, 20},  // 8-15
    {72, 0, 20}, {80, 0, 16}, {88, 0, 16}, {96, 0, 12}, {104, 0, 8}, {112, 0, 8}, {120, 0, 4}, {128, 0, 0},  // 16-23
    {128, 0, 0}, {132, 0, 0}, {136, 0, 0}, {140, 0, 0}, {144, 0, 0}, {144, 0, 0}, {148, 0, 0}, {152, 0, 0},  // 24-31
    {156, 0, 0}, {160, 0, 0}, {160, 0, 0}, {164, 0, 0}, {168, 0, 0}, {172, 0, 0}, {176, 0, 0}, {180, 0, 0},  // 32-39
    {184, 4, 0}, {188, 4, 0}, {192, 8, 0}, {196, 8, 0}, {200, 12, 0}, {204, 12, 0}, {208, 16, 0}, {212, 16, 0},  // 40-47
    {216, 20, 0}, {220, 20, 0}, {224, 24, 0}, {228, 24, 0}, {232, 28, 0}, {236, 28, 0}, {240, 32, 0}, {244, 32, 0},  // 48-55
    {252, 36, 0}, {252, 36, 0}, {252, 40, 0}, {252, 40, 0}, {252, 44, 0}, {252, 44, 0}, {252, 48, 0}, {252, 48, 0},  // 56-63
    {252, 52, 0}, {252, 52, 0}, {252, 56, 0}, {252, 56, 0}, {252, 60, 0}, {252, 60, 0}, {252, 64, 0}, {252, 64, 0},  // 64-71
    {252, 68, 0}, {252, 68, 0}, {252, 72, 0}, {252, 72, 0}, {252, 76, 0}, {252, 76, 0}, {252, 80, 0}, {252, 80, 0},  // 72-79
    {252, 84, 0}, {252, 84, 0}, {252, 88, 0}, {252, 88, 0}, {252, 92, 0}, {252, 96, 0}, {252, 96, 0}, {252, 100, 0},  // 80-87
    {252, 100, 0}, {252, 104, 0}, {252, 104, 0}, {252, 108, 0}, {252, 108, 0}, {252, 112, 0}, {252, 112, 0}, {252, 116, 0},  // 88-95
    {252, 116, 0}, {252, 120, 0}, {252, 120, 0}, {252, 124, 0}, {252, 124, 0}, {252, 128, 0}, {252, 128, 0}, {252, 132, 0},  // 96-103
    {252, 132, 0}, {252, 136, 0}, {252, 136, 0}, {252, 140, 0}, {252, 140, 0}, {252, 144, 0}, {252, 144, 0}, {252, 148, 0},  // 104-111
    {252, 152, 0}, {252, 152, 0}, {252, 156, 0}, {252, 156, 0}, {252, 160, 0}, {252, 160, 0}, {252, 164, 0}, {252, 164, 0},  // 112-119
    {252, 168, 0}, {252, 168, 0}, {252, 172, 0}, {252, 172, 0}, {252, 176, 0}, {252, 176, 0}, {252, 180, 0}, {252, 180, 0},  // 120-127
    {252, 184, 0}, {252, 184, 0}, {252, 188, 0}, {252, 188, 0}, {252, 192, 0}, {252, 192, 0}, {252, 196, 0}, {252, 196, 0},  // 128-135
    {252, 200, 0}, {252, 200, 0}, {252, 204, 0}, {252, 208, 0}, {252, 208, 0}, {252, 208, 0}, {252, 208, 0}, {252, 208, 0},  // 136-143
    {252, 212, 0}, {252, 212, 0}, {252, 212, 0}, {252, 212, 0}, {252, 216, 0}, {252, 216, 0}, {252, 216, 0}, {252, 216, 0},  // 144-151
    {252, 216, 0}, {252, 220, 0}, {252, 220, 0}, {252, 220, 0}, {252, 220, 0}, {252, 224, 0}, {252, 224, 0}, {252, 224, 0},  // 152-159
    {252, 224, 0}, {252, 228, 0}, {252, 228, 0}, {252, 228, 0}, {252, 228, 0}, {252, 228, 0}, {252, 232, 0}, {252, 232, 0},  // 160-167
    {252, 232, 0}, {252, 232, 0}, {252, 236, 0}, {252, 236, 0}, {252, 236, 0}, {252, 236, 0}, {252, 240, 0}, {252, 240, 0},  // 168-175
    {252, 240, 0}, {252, 240, 0}, {252, 240, 0}, {252, 244, 0}, {252, 244, 0}, {252, 244, 0}, {252, 244, 0}, {252, 248, 0},  // 176-183
    {252, 248, 0}, {252, 248, 0}, {252, 248, 0}, {252, 252, 0}, {252, 252, 4}, {252, 252, 8}, {252, 252, 12}, {252, 252, 16},  // 184-191
    {252, 252, 20}, {252, 252, 24}, {252, 252, 28}, {252, 252, 32}, {252, 252, 36}, {252, 252, 40}, {252, 252, 40}, {252, 252, 44},  // 192-199
    {252, 252, 48}, {252, 252, 52}, {252, 252, 56}, {252, 252, 60}, {252, 252, 64}, {252, 252, 68}, {252, 252, 72}, {252, 252, 76},  // 200-207
    {252, 252, 80}, {252, 252, 84}, {252, 252, 84}, {252, 252, 88}, {252, 252, 92}, {252, 252, 96}, {252, 252, 100}, {252, 252, 104},  // 208-215
    {252, 252, 108}, {252, 252, 112}, {252, 252, 116}, {252, 252, 120}, {252, 252, 124}, {252, 252, 124}, {252, 252, 128}, {252, 252, 132},  // 216-223
    {252, 252, 136}, {252, 252, 140}, {252, 252, 144}, {252, 252, 148}, {252, 252, 152}, {252, 252, 156}, {252, 252, 160}, {252, 252, 164},  // 224-231
    {252, 252, 168}, {252, 252, 168}, {252, 252, 172}, {252, 252, 176}, {252, 252, 180}, {252, 252, 184}, {252, 252, 188}, {252, 252, 192},  // 232-239
    {252, 252, 196}, {252, 252, 200}, {252, 252, 204}, {252, 252, 208}, {252, 252, 208}, {252, 252, 212}, {252, 252, 216}, {252, 252, 220},  // 240-247
    {252, 252, 224}, {252, 252, 228}, {252, 252, 232}, {252, 252, 236}, {252, 252, 240}, {252, 252, 244}, {252, 252, 248}, {252, 252, 252},  // 248-255
};

namespace {

// The channels of a 0x00BBGGRR colour, in ramp order (blue, green, red).
struct Channels {
  double blue, green, red;
};

Channels Split(uint32_t colour) {
  return {double((colour >> 16) & 0xFF), double((colour >> 8) & 0xFF), double(colour & 0xFF)};
}

uint8_t ToByte(double value) {
  return uint8_t(std::clamp(std::trunc(value), 0.0, 255.0));
}

// Slopes of one segment: red and green held in single precision, blue in double.
struct Slopes {
  double blue, green, red;
};

Slopes SlopesBetween(const Channels& from, const Channels& to, int length) {
  if (length <= 0) return {0, 0, 0};
  return {(to.blue - from.blue) / length, double(float((to.green - from.green) / length)),
          double(float((to.red - from.red) / length))};
}

void Store(ColorRamp& ramp, int j, double blue, double green, double red) {
  ramp.entries[j][0] = ToByte(blue);
  ramp.entries[j][1] = ToByte(green);
  ramp.entries[j][2] = ToByte(red);
}

void StoreColour(ColorRamp& ramp, int j, const Channels& c) {
  if (j >= 0 && j <= 255) Store(ramp, j, c.blue, c.green, c.red);
}

}  // namespace

void BuildColorRamp(ColorRamp& ramp, uint32_t c0, uint32_t c1, uint32_t c2, uint32_t c3, int p1,
                    int p2) {
  p1 = std::clamp(p1, 0, 255);
  p2 = std::clamp(p2, 0, 255);
  const Channels k0 = Split(c0), k1 = Split(c1), k2 = Split(c2), k3 = Split(c3);

  StoreColour(ramp, 0, k0);
  const Slopes s1 = SlopesBetween(k0, k1, p1);
  for (int j = 1; j <= p1 - 1; ++j)
    Store(ramp, j, k0.blue + j * s1.blue, k0.green + j * s1.green, k0.red + j * s1.red);

  StoreColour(ramp, p1, k1);
  const Slopes s2 = SlopesBetween(k1, k2, p2 - p1);
  for (int j = p1 + 1; j <= p2 - 1; ++j) {
    const int d = j - p1;
    Store(ramp, j, k1.blue + d * s2.blue, k1.green + d * s2.green, k1.red + d * s2.red);
  }

  StoreColour(ramp, p2, k2);
  const int length = 255 - p2;
  const Slopes s3 = SlopesBetween(k2, k3, length);
  for (int j = p2 + 1; j <= 255; ++j) {
    const double x = double(j - p2) / length;
    const double ease = length * (x * x * x);
    Store(ramp, j, k2.blue + ease * s3.blue, k2.green + ease * s3.green, k2.red + ease * s3.red);
  }

  Store(ramp, 255, 0, 0, 0);
}

void BuildFirePalette(FirePalette& palette, ColorRamp& ramp, uint8_t colorMode,
                      const uint32_t rampColors[4], uint8_t rampPosition1,
                      uint8_t rampPosition2) {
  if (colorMode == 0) {
    for (int k = 0; k < 256; ++k) {
      palette.entries[k][0] = DefaultFirePalette[k][2];
      palette.entries[k][1] = DefaultFirePalette[k][1];
      palette.entries[k][2] = DefaultFirePalette[k][0];
      palette.entries[k][3] = 0;
    }
    return;
  }
  BuildColorRamp(ramp, rampColors[0], rampColors[1], rampColors[2], rampColors[3], rampPosition1,
                 rampPosition2);
  for (int k = 0; k < 256; ++k) {
    palette.entries[k][0] = ramp.entries[255 - k][0];
    palette.entries[k][1] = ramp.entries[255 - k][1];
    palette.entries[k][2] = ramp.entries[255 - k][2];
    palette.entries[k][3] = 0;
  }
}

int HeatPaletteIndex(int h) {
  // 1/155 is taken in single precision.
  constexpr double kInverse155 = double(1.0f / 155.0f);
  const double t = h > 155 ? (h - 155) * 0.01 : (h - 155) * kInverse155;
  return int(std::min(255.0, std::trunc(255.0 * (t * t))));
}

HeatColour SelectHeatColour(int h, const FirePalette& palette, int alpha) {
  const uint8_t* colour = palette.entries[255 - HeatPaletteIndex(h)];
  HeatColour result{colour[2], colour[1], colour[0], 1.0};
  const int brightest = std::max({result.red, result.green, result.blue});
  if (alpha > 0 && brightest <= alpha) {
    const double f = double(brightest) / alpha;
    result.strength = f * f;
  }
  return result;
}

}  // namespace zar
