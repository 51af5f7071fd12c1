// What makes one plug-in different from the others in data: its constants table, defined once in
// plugins/<name>/table.cpp. The framework, the dialog and the hosts read the table; none of them
// switches on which plug-in it is.
#pragma once

#include <cstdint>

#include "settings/parameters.h"

namespace zar {

struct ParamsFileFormat {
  const char* extension;          // ".pcb"
  const char* initialName;        // "*.pcb"
  const char* filterDescription;  // the file dialog's filter text
  const char* header;             // the identification text at the start of a file
  const Field* fields;            // the fields after the header, in file order
  uint8_t fieldCount;
};

// What distinguishes one plug-in's parameter dialog from another's, beyond its template.
struct DialogTraits {
  Field mainFields[4];            // driven by sliders 1015..1018 and edit boxes 1026..1029
  bool velocityAndSpace;          // 1058..1061 are the "Velosity"/"Space" sliders and edit boxes
                                  // (Ice, Candle); otherwise the effect-direction buttons
  bool animated;                  // the rotation dial and the 50 ms preview timer
  const int* fixedFormatEdits;    // edit boxes shown with "%f" when opened, reset or loaded
  uint8_t fixedFormatEditCount;
};

struct PluginTable {
  const char* name;       // "combustion": the effect's name on the command line
  const char* title;      // "ZAR Combustion": string 16001 and the dialog caption
  const char* aboutText;  // string 16000
  ParameterLayout layout;
  WorkingParameters defaults;
  ParamsFileFormat file;
  DialogTraits dialog;
};

// The five tables, for tools and tests that deal with every plug-in.
extern const PluginTable kCombustionTable;
extern const PluginTable kIceTable;
extern const PluginTable kCandleTable;
extern const PluginTable kFireTable;
extern const PluginTable kCryoTable;

}  // namespace zar
