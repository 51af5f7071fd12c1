// Parameter files: a plug-in's identification text followed by its effect fields, packed,
// little-endian. The dialog's Load and Save buttons and the `zar` tool both use this code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "settings/parameters.h"
#include "settings/plugin_table.h"

namespace zar {

// The file's bytes for a working copy: the header, then every field in the plug-in's order.
std::vector<uint8_t> EncodeParamsFile(const ParamsFileFormat& file, const WorkingParameters& params);

// The size of a complete file.
size_t ParamsFileSize(const ParamsFileFormat& file);

struct ParamsFileLoad {
  bool headerMatches = false;  // false: nothing was loaded
  int fieldsLoaded = 0;        // fields read in full; the rest kept their values
  int fieldCount = 0;
  bool complete() const { return headerMatches && fieldsLoaded == fieldCount; }
};

// Loads a file's fields into `params`. A wrong header changes nothing. A file that ends early
// loads the fields it holds in full; the fields after that point keep their values.
ParamsFileLoad DecodeParamsFile(const ParamsFileFormat& file, const uint8_t* data, size_t size,
                                WorkingParameters& params);

// The name a chosen path is saved under: the plug-in's extension is appended unless the path
// ends in a dot and three characters (settings -> settings.pcb, settings.bak stays,
// flame.pc -> flame.pc.pcb). Paths shorter than four characters are taken as they are.
std::string ParamsFileName(const ParamsFileFormat& file, const std::string& chosen);

enum class ParamsFileStatus { kOk, kCannotOpen, kWrongHeader, kCannotWrite };

// Reads a file into the working copy (see DecodeParamsFile). kCannotOpen when it cannot be read.
ParamsFileStatus LoadParamsFile(const ParamsFileFormat& file, const std::string& path,
                                WorkingParameters& params, ParamsFileLoad* load = nullptr);

// Writes the working copy to `path` (already carrying its extension). The file is complete or
// not written at all: a failed write leaves any existing file as it was.
ParamsFileStatus SaveParamsFile(const ParamsFileFormat& file, const std::string& path,
                                const WorkingParameters& params);

}  // namespace zar
