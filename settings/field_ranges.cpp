#include "settings/field_ranges.h"

namespace zar {

FieldRange DialogRange(Field field) {
  switch (field) {
    // The four main sliders: Combustion's, Fire's and Cryo's fields, then Ice's and Candle's.
    case Field::oxygen: return {1, 100};
    case Field::gravity: return {1, 100};
    case Field::viscosity: return {1, 255};
    case Field::fuel: return {1, 255};
    case Field::height: return {1, 100};
    case Field::smooth: return {1, 100};
    case Field::width: return {1, 255};
    case Field::amplitude: return {1, 255};
    case Field::velocity: return {1, 255};
    case Field::space: return {1, 100};
    case Field::phase: return {0, 100};
    case Field::colorMode: return {0, 1};
    case Field::effectMode: return {0, 3};
    case Field::effectDirection: return {0, 7};
    case Field::rampPosition1: return {0, 255};
    case Field::rampPosition2: return {0, 255};
    case Field::alpha: return {1, 255};
    case Field::maskInvert: return {0, 1};
    case Field::maskDroplet: return {0, 1};
    case Field::maskMode: return {0, 3};
    case Field::flameDirection: return {0, 7};
    case Field::rotation: return {-720, 720};
    case Field::radius: return {1, 255};
    case Field::iterations: return {1, 255};
    case Field::rampColor0:
    case Field::rampColor1:
    case Field::rampColor2:
    case Field::rampColor3: return {0, 0xFFFFFF};
  }
  return {0, 255};
}

}  // namespace zar
