// The effect settings: the module's working copy, its fields, and the bytes of the filter
// parameter block (the record the host keeps in its parameters handle between runs) in its two
// fixed layouts.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/four_cc.h"

namespace zar {

// Every effect setting of the five plug-ins. Each plug-in uses the subset its layout names; the
// others stay at zero in its working copy.
enum class Field : uint8_t {
  oxygen,
  gravity,
  viscosity,
  fuel,
  height,
  smooth,
  width,
  amplitude,
  velocity,
  space,
  phase,
  colorMode,
  effectMode,
  effectDirection,
  rampPosition1,
  rampPosition2,
  alpha,
  maskInvert,
  maskDroplet,
  maskMode,
  flameDirection,
  rotation,
  radius,
  iterations,
  rampColor0,
  rampColor1,
  rampColor2,
  rampColor3,
};
constexpr int kFieldCount = int(Field::rampColor3) + 1;

// The module-wide working copy of the effect settings: what the dialog edits and the engines read.
struct WorkingParameters {
  uint8_t oxygen, gravity, viscosity, fuel;   // Combustion, Fire, Cryo
  uint8_t height, smooth, width, amplitude;   // Ice, Candle
  uint8_t velocity, space;                    // Ice, Candle
  uint8_t phase, effectMode, effectDirection; // Combustion
  uint8_t colorMode;
  uint8_t rampPosition1, rampPosition2;
  uint8_t alpha;
  uint8_t maskInvert, maskDroplet, maskMode;
  uint8_t flameDirection;
  int32_t rotation, radius, iterations;
  uint32_t rampColors[4];
};

// Width in bytes of a field in the block and in parameter files: 1 or 4.
int FieldSize(Field field);
// The field's value (byte fields zero-extended; rotation, radius and iterations as their 32 bits).
uint32_t GetField(const WorkingParameters& params, Field field);
// Stores a value: byte fields keep the low 8 bits, the 32-bit fields the whole value.
void SetField(WorkingParameters& params, Field field, uint32_t value);
// The field's name as the plug-ins write it ("oxygen", "rampColors[0]"...).
const char* FieldName(Field field);

// ---- the two block layouts ---------------------------------------------------------------------

// Combustion, Ice and Candle: 14 effect bytes, then the 32-bit values and the framework fields.
struct ParameterLayoutA {
  uint8_t effectBytes[14];
  uint8_t alignment0[2];
  int32_t rotation;
  int32_t radius;
  int32_t iterations;
  uint32_t rampColors[4];
  int16_t showDialog;
  int16_t rowsPerStrip;
  uint32_t disposition;
  uint8_t spareFlag;
  uint8_t useAdvanceState;
  uint8_t hostIsPremiere;
  uint8_t alignment1;
};
static_assert(sizeof(ParameterLayoutA) == 56);
static_assert(offsetof(ParameterLayoutA, rotation) == 16);
static_assert(offsetof(ParameterLayoutA, radius) == 20);
static_assert(offsetof(ParameterLayoutA, iterations) == 24);
static_assert(offsetof(ParameterLayoutA, rampColors) == 28);
static_assert(offsetof(ParameterLayoutA, showDialog) == 44);
static_assert(offsetof(ParameterLayoutA, rowsPerStrip) == 46);
static_assert(offsetof(ParameterLayoutA, disposition) == 48);
static_assert(offsetof(ParameterLayoutA, spareFlag) == 52);
static_assert(offsetof(ParameterLayoutA, useAdvanceState) == 53);
static_assert(offsetof(ParameterLayoutA, hostIsPremiere) == 54);

// Fire and Cryo: 12 effect bytes.
struct ParameterLayoutB {
  uint8_t effectBytes[12];
  int32_t rotation;
  int32_t radius;
  int32_t iterations;
  uint32_t rampColors[4];
  int16_t showDialog;
  int16_t rowsPerStrip;
  uint32_t disposition;
  uint8_t spareFlag;
  uint8_t useAdvanceState;
  uint8_t hostIsPremiere;
  uint8_t alignment1;
};
static_assert(sizeof(ParameterLayoutB) == 52);
static_assert(offsetof(ParameterLayoutB, rotation) == 12);
static_assert(offsetof(ParameterLayoutB, radius) == 16);
static_assert(offsetof(ParameterLayoutB, iterations) == 20);
static_assert(offsetof(ParameterLayoutB, rampColors) == 24);
static_assert(offsetof(ParameterLayoutB, showDialog) == 40);
static_assert(offsetof(ParameterLayoutB, rowsPerStrip) == 42);
static_assert(offsetof(ParameterLayoutB, disposition) == 44);
static_assert(offsetof(ParameterLayoutB, spareFlag) == 48);
static_assert(offsetof(ParameterLayoutB, useAdvanceState) == 49);
static_assert(offsetof(ParameterLayoutB, hostIsPremiere) == 50);

// Where each field of one plug-in's block lies.
struct ParameterLayout {
  uint16_t size;
  const Field* effectBytes;  // the byte fields at offsets 0, 1, 2, ...
  uint8_t effectByteCount;
  uint8_t rotation, radius, iterations, rampColors;
  uint8_t showDialog, rowsPerStrip, disposition, spareFlag, useAdvanceState, hostIsPremiere;
};

template <typename L>
constexpr ParameterLayout MakeParameterLayout(const Field* effectBytes, uint8_t count) {
  return ParameterLayout{sizeof(L),
                         effectBytes,
                         count,
                         offsetof(L, rotation),
                         offsetof(L, radius),
                         offsetof(L, iterations),
                         offsetof(L, rampColors),
                         offsetof(L, showDialog),
                         offsetof(L, rowsPerStrip),
                         offsetof(L, disposition),
                         offsetof(L, spareFlag),
                         offsetof(L, useAdvanceState),
                         offsetof(L, hostIsPremiere)};
}

constexpr uint32_t kDispositionDefault = FourCC("moD1");

// A view of one block in the host's parameters handle. All multi-byte fields are little-endian.
class ParameterBlock {
 public:
  ParameterBlock(uint8_t* data, const ParameterLayout& layout) : data_(data), layout_(layout) {}

  int16_t showDialog() const { return int16_t(Read(layout_.showDialog, 2)); }
  void setShowDialog(int16_t v) { Write(layout_.showDialog, 2, uint16_t(v)); }
  int16_t rowsPerStrip() const { return int16_t(Read(layout_.rowsPerStrip, 2)); }
  void setRowsPerStrip(int16_t v) { Write(layout_.rowsPerStrip, 2, uint16_t(v)); }
  uint32_t disposition() const { return Read(layout_.disposition, 4); }
  void setDisposition(uint32_t v) { Write(layout_.disposition, 4, v); }
  uint8_t spareFlag() const { return data_[layout_.spareFlag]; }
  void setSpareFlag(uint8_t v) { data_[layout_.spareFlag] = v; }
  uint8_t useAdvanceState() const { return data_[layout_.useAdvanceState]; }
  void setUseAdvanceState(uint8_t v) { data_[layout_.useAdvanceState] = v; }
  uint8_t hostIsPremiere() const { return data_[layout_.hostIsPremiere]; }
  void setHostIsPremiere(uint8_t v) { data_[layout_.hostIsPremiere] = v; }

  // Every effect field of the layout, to and from a working copy.
  void LoadInto(WorkingParameters& params) const;
  void StoreFrom(const WorkingParameters& params);

 private:
  uint32_t Read(unsigned offset, int size) const;
  void Write(unsigned offset, int size, uint32_t value);

  uint8_t* data_;
  const ParameterLayout& layout_;
};

}  // namespace zar
