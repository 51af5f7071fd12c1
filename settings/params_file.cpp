#include "settings/params_file.h"

#include <cstring>

#include "platform/platform.h"

namespace zar {

namespace {

size_t HeaderLength(const ParamsFileFormat& file) { return std::strlen(file.header); }

}  // namespace

size_t ParamsFileSize(const ParamsFileFormat& file) {
  size_t size = HeaderLength(file);
  for (int i = 0; i < file.fieldCount; ++i) size += size_t(FieldSize(file.fields[i]));
  return size;
}

std::vector<uint8_t> EncodeParamsFile(const ParamsFileFormat& file, const WorkingParameters& params) {
  std::vector<uint8_t> bytes(file.header, file.header + HeaderLength(file));
  for (int i = 0; i < file.fieldCount; ++i) {
    const uint32_t value = GetField(params, file.fields[i]);
    for (int b = 0; b < FieldSize(file.fields[i]); ++b) bytes.push_back(uint8_t(value >> (8 * b)));
  }
  return bytes;
}

ParamsFileLoad DecodeParamsFile(const ParamsFileFormat& file, const uint8_t* data, size_t size,
                                WorkingParameters& params) {
  ParamsFileLoad load;
  load.fieldCount = file.fieldCount;
  const size_t headerLength = HeaderLength(file);
  if (size < headerLength || std::memcmp(data, file.header, headerLength) != 0) return load;
  load.headerMatches = true;
  size_t at = headerLength;
  for (int i = 0; i < file.fieldCount; ++i) {
    const int width = FieldSize(file.fields[i]);
    if (size - at < size_t(width)) break;
    uint32_t value = 0;
    for (int b = width - 1; b >= 0; --b) value = (value << 8) | data[at + b];
    SetField(params, file.fields[i], value);
    at += width;
    ++load.fieldsLoaded;
  }
  return load;
}

std::string ParamsFileName(const ParamsFileFormat& file, const std::string& chosen) {
  if (chosen.size() >= 4 && chosen[chosen.size() - 4] != '.') return chosen + file.extension;
  return chosen;
}

ParamsFileStatus LoadParamsFile(const ParamsFileFormat& file, const std::string& path,
                                WorkingParameters& params, ParamsFileLoad* load) {
  std::vector<uint8_t> bytes;
  // Nothing past a complete file is ever read.
  if (!platform::ReadFileBytes(path.c_str(), ParamsFileSize(file), bytes))
    return ParamsFileStatus::kCannotOpen;
  const ParamsFileLoad result = DecodeParamsFile(file, bytes.data(), bytes.size(), params);
  if (load) *load = result;
  return result.headerMatches ? ParamsFileStatus::kOk : ParamsFileStatus::kWrongHeader;
}

ParamsFileStatus SaveParamsFile(const ParamsFileFormat& file, const std::string& path,
                                const WorkingParameters& params) {
  const std::vector<uint8_t> bytes = EncodeParamsFile(file, params);
  return platform::WriteFileReplacing(path.c_str(), bytes.data(), bytes.size())
             ? ParamsFileStatus::kOk
             : ParamsFileStatus::kCannotWrite;
}

}  // namespace zar
