// Decoders for the resources a filter plug-in carries: the property list (PIPL), the scripting
// terminology (AETE), the string table and dialog templates. They read bytes only, so they work on
// resources read from a file (pe_resources.h) as well as on those of a loaded module.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "hosts/core/pe_resources.h"

namespace zar::host {

// ---- property list -------------------------------------------------------------------------

struct PiplProperty {
  uint32_t vendor = 0;
  uint32_t key = 0;
  int32_t id = 0;
  int32_t length = 0;  // as stored: the data's length, padding included
  std::vector<uint8_t> data;
};

struct Pipl {
  int16_t version = 0;      // the leading Windows word
  int32_t listVersion = 0;  // the property list's version
  std::vector<PiplProperty> properties;
};

bool ParsePipl(const std::vector<uint8_t>& bytes, Pipl* pipl, std::string* error);
const PiplProperty* FindPiplProperty(const Pipl& pipl, uint32_t key);

// The entry-point property a host of this architecture reads: '8664' for 64-bit, 'wx86' for 32-bit.
uint32_t EntryPointKeyFor(bool is64Bit);

// A four-character code as text, first character in the most significant byte ("8BIM").
std::string FourCCText(uint32_t code);
// A property's data as a counted string / a NUL-terminated string ("" when malformed).
std::string PiplPascalString(const PiplProperty& property);
std::string PiplCString(const PiplProperty& property);
// One line for each property: key and decoded value.
std::string DescribePiplProperty(const PiplProperty& property);

// ---- scripting terminology -----------------------------------------------------------------

struct AeteParameter {
  std::string name;
  uint32_t key = 0, type = 0;
  std::string description;
  uint16_t flags = 0;
};

struct AeteEnumValue {
  std::string name;
  uint32_t key = 0;
  std::string description;
};

struct AeteEnumeration {
  uint32_t id = 0;
  std::vector<AeteEnumValue> values;
};

struct AeteEvent {
  std::string name, description;
  uint32_t eventClass = 0, id = 0;
  uint32_t replyType = 0;
  std::string replyDescription;
  uint16_t replyFlags = 0;
  uint32_t directType = 0;
  std::string directDescription;
  uint16_t directFlags = 0;
  std::vector<AeteParameter> parameters;
};

struct AeteSuite {
  std::string name, description;
  uint32_t id = 0;
  int16_t level = 0, version = 0;
  std::vector<AeteEvent> events;
  int16_t classCount = 0, comparisonCount = 0;
  std::vector<AeteEnumeration> enumerations;
};

struct Aete {
  int16_t prelude = 0;
  uint8_t major = 0, minor = 0;
  int16_t language = 0, script = 0;
  std::vector<AeteSuite> suites;
  size_t consumed = 0;  // bytes the structure took; anything after it is trailing data
};

// Classes and comparison operators are only counted; a terminology that has any is refused.
bool ParseAete(const std::vector<uint8_t>& bytes, Aete* aete, std::string* error);
std::string DescribeAete(const Aete& aete);

// ---- string table --------------------------------------------------------------------------

// Every string of the module's string table in `language`, by identifier, as UTF-16.
std::map<unsigned, std::u16string> DecodeStringTable(const PeImage& image, int language = 1033);
// The text in the Windows-1252 code page ('?' for characters outside it), as LoadStringA gives it
// on an English system.
std::string ToWindows1252(const std::u16string& text);
std::string ToUtf8(const std::u16string& text);

// ---- dialog templates ----------------------------------------------------------------------

struct DialogItem {
  uint32_t style = 0, exStyle = 0, helpId = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  uint32_t id = 0;
  ResourceId windowClass;  // a predefined class's atom (0x80 button ... 0x85 combo box) or a name
  ResourceId title;        // text, or a resource number
  std::vector<uint8_t> creationData;
};

struct DialogTemplate {
  bool extended = false;  // DLGTEMPLATEEX
  uint32_t style = 0, exStyle = 0, helpId = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  ResourceId menu, windowClass;
  std::string title;
  uint16_t pointSize = 0, weight = 0;
  uint8_t italic = 0, charset = 0;
  std::string typeface;
  std::vector<DialogItem> items;
};

bool ParseDialogTemplate(const std::vector<uint8_t>& bytes, DialogTemplate* dialog,
                         std::string* error);
const DialogItem* FindDialogItem(const DialogTemplate& dialog, uint32_t id);
// "button", "edit", "static"... for the predefined atoms, else the class name.
std::string DialogClassName(const ResourceId& windowClass);

// ---- everything a plug-in module carries ---------------------------------------------------

// The text `zarhost info` prints: machine, exports, the property list decoded, the terminology,
// the strings and the dialog templates.
std::string DescribePluginModule(const PeImage& image);

}  // namespace zar::host
