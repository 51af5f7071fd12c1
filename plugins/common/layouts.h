// The block and file layouts the five plug-ins share.
#pragma once

#include "settings/parameters.h"

namespace zar {

// Combustion's 14 effect bytes of ParameterLayoutA.
inline constexpr Field kCombustionBlockBytes[] = {
    Field::oxygen,        Field::gravity,       Field::viscosity,  Field::fuel,
    Field::colorMode,     Field::effectMode,    Field::phase,      Field::effectDirection,
    Field::rampPosition1, Field::rampPosition2, Field::alpha,      Field::maskInvert,
    Field::maskDroplet,   Field::flameDirection};

// Ice's and Candle's 14 effect bytes of ParameterLayoutA.
inline constexpr Field kIceBlockBytes[] = {
    Field::height,        Field::smooth,        Field::width,         Field::amplitude,
    Field::colorMode,     Field::velocity,      Field::space,         Field::rampPosition1,
    Field::rampPosition2, Field::alpha,         Field::maskInvert,    Field::maskDroplet,
    Field::maskMode,      Field::flameDirection};

// Fire's and Cryo's 12 effect bytes of ParameterLayoutB.
inline constexpr Field kFireBlockBytes[] = {
    Field::oxygen,     Field::gravity,       Field::viscosity,     Field::fuel,
    Field::colorMode,  Field::rampPosition1, Field::rampPosition2, Field::alpha,
    Field::maskInvert, Field::maskDroplet,   Field::maskMode,      Field::flameDirection};

inline constexpr ParameterLayout kCombustionLayout =
    MakeParameterLayout<ParameterLayoutA>(kCombustionBlockBytes, 14);
inline constexpr ParameterLayout kIceLayout =
    MakeParameterLayout<ParameterLayoutA>(kIceBlockBytes, 14);
inline constexpr ParameterLayout kFireLayout =
    MakeParameterLayout<ParameterLayoutB>(kFireBlockBytes, 12);

// The fields of the parameter files, after the header.
inline constexpr Field kCombustionFileFields[] = {
    Field::effectMode,    Field::effectDirection, Field::phase,      Field::oxygen,
    Field::gravity,       Field::viscosity,       Field::fuel,       Field::alpha,
    Field::flameDirection, Field::maskInvert,     Field::maskDroplet, Field::iterations,
    Field::radius,        Field::rotation,        Field::rampPosition1, Field::rampPosition2,
    Field::rampColor0,    Field::rampColor1,      Field::rampColor2, Field::rampColor3,
    Field::colorMode};

inline constexpr Field kIceFileFields[] = {
    Field::space,       Field::velocity,   Field::height,         Field::smooth,
    Field::width,       Field::amplitude,  Field::alpha,          Field::flameDirection,
    Field::maskMode,    Field::maskInvert, Field::maskDroplet,    Field::iterations,
    Field::radius,      Field::rotation,   Field::rampPosition1,  Field::rampPosition2,
    Field::rampColor0,  Field::rampColor1, Field::rampColor2,     Field::rampColor3,
    Field::colorMode};

inline constexpr Field kFireFileFields[] = {
    Field::oxygen,      Field::gravity,    Field::viscosity,      Field::fuel,
    Field::alpha,       Field::flameDirection, Field::maskMode,   Field::maskInvert,
    Field::maskDroplet, Field::iterations, Field::radius,         Field::rotation,
    Field::rampPosition1, Field::rampPosition2, Field::rampColor0, Field::rampColor1,
    Field::rampColor2,  Field::rampColor3, Field::colorMode};

// Edit boxes shown with "%f" when the dialog opens, resets or loads: the first main value, and in
// Ice and Candle also velocity and space.
inline constexpr int kFixedFormatFirstEdit[] = {1026};
inline constexpr int kFixedFormatIceEdits[] = {1026, 1059, 1061};

template <size_t N>
constexpr uint8_t CountOf(const Field (&)[N]) {
  return uint8_t(N);
}

}  // namespace zar
