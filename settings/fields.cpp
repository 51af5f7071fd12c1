// The effect fields of the working copy and their place in a parameter block.
#include <cstring>

#include "settings/parameters.h"

namespace zar {

namespace {

struct FieldInfo {
  const char* name;
  uint8_t size;
  size_t offset;  // in WorkingParameters
};

#define ZAR_BYTE(f) {#f, 1, offsetof(WorkingParameters, f)}
#define ZAR_WORD(f) {#f, 4, offsetof(WorkingParameters, f)}
constexpr FieldInfo kFields[kFieldCount] = {
    ZAR_BYTE(oxygen),
    ZAR_BYTE(gravity),
    ZAR_BYTE(viscosity),
    ZAR_BYTE(fuel),
    ZAR_BYTE(height),
    ZAR_BYTE(smooth),
    ZAR_BYTE(width),
    ZAR_BYTE(amplitude),
    ZAR_BYTE(velocity),
    ZAR_BYTE(space),
    ZAR_BYTE(phase),
    ZAR_BYTE(colorMode),
    ZAR_BYTE(effectMode),
    ZAR_BYTE(effectDirection),
    ZAR_BYTE(rampPosition1),
    ZAR_BYTE(rampPosition2),
    ZAR_BYTE(alpha),
    ZAR_BYTE(maskInvert),
    ZAR_BYTE(maskDroplet),
    ZAR_BYTE(maskMode),
    ZAR_BYTE(flameDirection),
    ZAR_WORD(rotation),
    ZAR_WORD(radius),
    ZAR_WORD(iterations),
    {"rampColors[0]", 4, offsetof(WorkingParameters, rampColors) + 0},
    {"rampColors[1]", 4, offsetof(WorkingParameters, rampColors) + 4},
    {"rampColors[2]", 4, offsetof(WorkingParameters, rampColors) + 8},
    {"rampColors[3]", 4, offsetof(WorkingParameters, rampColors) + 12},
};
#undef ZAR_BYTE
#undef ZAR_WORD

const FieldInfo& Info(Field field) { return kFields[int(field)]; }

}  // namespace

int FieldSize(Field field) { return Info(field).size; }
const char* FieldName(Field field) { return Info(field).name; }

uint32_t GetField(const WorkingParameters& params, Field field) {
  const FieldInfo& info = Info(field);
  const auto* base = reinterpret_cast<const uint8_t*>(&params) + info.offset;
  if (info.size == 1) return *base;
  uint32_t value;
  std::memcpy(&value, base, 4);
  return value;
}

void SetField(WorkingParameters& params, Field field, uint32_t value) {
  const FieldInfo& info = Info(field);
  auto* base = reinterpret_cast<uint8_t*>(&params) + info.offset;
  if (info.size == 1)
    *base = uint8_t(value);
  else
    std::memcpy(base, &value, 4);
}

uint32_t ParameterBlock::Read(unsigned offset, int size) const {
  uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = (value << 8) | data_[offset + i];
  return value;
}

void ParameterBlock::Write(unsigned offset, int size, uint32_t value) {
  for (int i = 0; i < size; ++i) data_[offset + i] = uint8_t(value >> (8 * i));
}

void ParameterBlock::LoadInto(WorkingParameters& params) const {
  for (unsigned i = 0; i < layout_.effectByteCount; ++i)
    SetField(params, layout_.effectBytes[i], data_[i]);
  params.rotation = int32_t(Read(layout_.rotation, 4));
  params.radius = int32_t(Read(layout_.radius, 4));
  params.iterations = int32_t(Read(layout_.iterations, 4));
  for (int k = 0; k < 4; ++k) params.rampColors[k] = Read(layout_.rampColors + 4 * k, 4);
}

void ParameterBlock::StoreFrom(const WorkingParameters& params) {
  for (unsigned i = 0; i < layout_.effectByteCount; ++i)
    data_[i] = uint8_t(GetField(params, layout_.effectBytes[i]));
  Write(layout_.rotation, 4, uint32_t(params.rotation));
  Write(layout_.radius, 4, uint32_t(params.radius));
  Write(layout_.iterations, 4, uint32_t(params.iterations));
  for (int k = 0; k < 4; ++k) Write(layout_.rampColors + 4 * k, 4, params.rampColors[k]);
}

}  // namespace zar
