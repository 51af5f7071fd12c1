// The palette machinery every engine colours through: the four-colour ramp, the built-in fire
// palette, the palette an engine composites with, and the choice of colour and strength for a
// heat value.
#pragma once

#include <cstdint>

#include "base/color_ramp.h"

namespace zar {

// The built-in palette: 256 entries of red, green, blue.
extern const uint8_t DefaultFirePalette[256][3];

// The palette an engine composites with: 256 entries of blue, green, red, 0.
struct FirePalette {
  uint8_t entries[256][4];
};

// Fills the ramp from the four key colours (0x00BBGGRR; the high byte is ignored) and the
// positions of colours 1 and 2. Three segments written in order (a later one overwrites an
// earlier one where positions overlap): c0 to c1, c1 to c2, and an ease-in from c2 to c3;
// entry 255 is then black.
void BuildColorRamp(ColorRamp& ramp, uint32_t c0, uint32_t c1, uint32_t c2, uint32_t c3, int p1,
                    int p2);

// colorMode 0: the built-in palette in its own order. Otherwise the ramp is rebuilt from the
// colours and positions and copied in reverse (entry k = ramp entry 255 - k).
void BuildFirePalette(FirePalette& palette, ColorRamp& ramp, uint8_t colorMode,
                      const uint32_t rampColors[4], uint8_t rampPosition1, uint8_t rampPosition2);

struct HeatColour {
  uint8_t red, green, blue;
  double strength;  // 0..1: how much of the colour covers the pixel
};

// The palette index for heat value h (1..255): 0 at 155, growing toward both ends.
int HeatPaletteIndex(int h);

// The colour for heat value h (1..255) and its strength: full when the colour's brightest channel
// exceeds alpha, else (brightest / alpha) squared. With alpha 0 the strength is 1.
HeatColour SelectHeatColour(int h, const FirePalette& palette, int alpha);

}  // namespace zar
