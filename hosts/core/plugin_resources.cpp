#include "hosts/core/plugin_resources.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace zar::host {

namespace {

// A bounds-checked little-endian cursor; once a read fails, every later read fails too.
class Cursor {
 public:
  explicit Cursor(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}

  bool ok() const { return ok_; }
  size_t position() const { return at_; }
  size_t remaining() const { return ok_ ? bytes_.size() - at_ : 0; }

  bool Take(size_t n) {
    if (!ok_ || bytes_.size() - at_ < n) return ok_ = false;
    at_ += n;
    return true;
  }
  uint8_t U8() { return Take(1) ? bytes_[at_ - 1] : 0; }
  uint16_t U16() { return Take(2) ? uint16_t(bytes_[at_ - 2] | bytes_[at_ - 1] << 8) : 0; }
  uint32_t U32() {
    if (!Take(4)) return 0;
    const uint8_t* p = &bytes_[at_ - 4];
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  }
  std::string Pascal() {
    const size_t n = U8();
    if (!Take(n)) return {};
    return std::string(bytes_.begin() + long(at_ - n), bytes_.begin() + long(at_));
  }
  std::vector<uint8_t> Bytes(size_t n) {
    if (!Take(n)) return {};
    return std::vector<uint8_t>(bytes_.begin() + long(at_ - n), bytes_.begin() + long(at_));
  }
  // A NUL-terminated UTF-16 string.
  std::u16string Wide() {
    std::u16string text;
    for (;;) {
      const char16_t c = char16_t(U16());
      if (!ok_ || c == 0) return text;
      text.push_back(c);
    }
  }
  // A number (0xFFFF, then the number), a string, or nothing (a single 0).
  ResourceId NumberOrText() {
    const uint16_t first = U16();
    if (first == 0xFFFF) return ResourceId::Number(U16());
    if (first == 0) return {};
    std::u16string text(1, char16_t(first));
    text += Wide();
    return ResourceId::Text(ToUtf8(text));
  }
  void AlignTo4() {
    if (at_ % 4) Take(4 - at_ % 4);
  }

 private:
  const std::vector<uint8_t>& bytes_;
  size_t at_ = 0;
  bool ok_ = true;
};

bool Fail(std::string* error, const std::string& why) {
  if (error) *error = why;
  return false;
}

uint32_t Read32(const std::vector<uint8_t>& d, size_t at) {
  return uint32_t(d[at]) | uint32_t(d[at + 1]) << 8 | uint32_t(d[at + 2]) << 16 |
         uint32_t(d[at + 3]) << 24;
}

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
      out.push_back(char(c));
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out + "\"";
}

std::string Hex(uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

}  // namespace

// ---- property list -------------------------------------------------------------------------

bool ParsePipl(const std::vector<uint8_t>& bytes, Pipl* pipl, std::string* error) {
  *pipl = Pipl{};
  Cursor c(bytes);
  pipl->version = int16_t(c.U16());
  pipl->listVersion = int32_t(c.U32());
  const uint32_t count = c.U32();
  if (!c.ok()) return Fail(error, "property list header cut short");
  if (count > 1000) return Fail(error, "implausible property count");
  for (uint32_t i = 0; i < count; ++i) {
    PiplProperty p;
    p.vendor = c.U32();
    p.key = c.U32();
    p.id = int32_t(c.U32());
    p.length = int32_t(c.U32());
    if (!c.ok()) return Fail(error, "property " + std::to_string(i + 1) + " header cut short");
    if (p.length < 0 || size_t(p.length) > c.remaining())
      return Fail(error, "property " + std::to_string(i + 1) + " data outside the resource");
    p.data = c.Bytes(size_t(p.length));
    pipl->properties.push_back(std::move(p));
  }
  if (c.remaining() != 0) return Fail(error, "trailing bytes after the last property");
  return true;
}

const PiplProperty* FindPiplProperty(const Pipl& pipl, uint32_t key) {
  for (const PiplProperty& p : pipl.properties)
    if (p.key == key) return &p;
  return nullptr;
}

uint32_t EntryPointKeyFor(bool is64Bit) { return is64Bit ? 0x38363634u : 0x77783836u; }

std::string FourCCText(uint32_t code) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const unsigned char c = static_cast<unsigned char>(code >> shift);
    if (c >= 0x20 && c < 0x7F) {
      text.push_back(char(c));
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      text += hex;
    }
  }
  return text;
}

std::string PiplPascalString(const PiplProperty& property) {
  const auto& d = property.data;
  if (d.empty() || size_t(d[0]) + 1 > d.size()) return {};
  return std::string(d.begin() + 1, d.begin() + 1 + d[0]);
}

std::string PiplCString(const PiplProperty& property) {
  const auto& d = property.data;
  const auto end = std::find(d.begin(), d.end(), uint8_t(0));
  if (end == d.end()) return {};
  return std::string(d.begin(), end);
}

std::string DescribePiplProperty(const PiplProperty& p) {
  std::ostringstream out;
  out << FourCCText(p.key) << " (vendor " << FourCCText(p.vendor) << ", id " << p.id << ", length "
      << p.length << "): ";
  const auto& d = p.data;
  const std::string key = FourCCText(p.key);
  if (key == "kind" && d.size() >= 4) {
    out << FourCCText(Read32(d, 0));
  } else if (key == "name" || key == "catg") {
    out << Quote(PiplPascalString(p));
  } else if (key == "vers" && d.size() >= 4) {
    const uint32_t v = Read32(d, 0);
    out << (v >> 16) << "." << (v & 0xFFFF);
  } else if (key == "wx86" || key == "8664" || key == "enbl") {
    out << Quote(PiplCString(p));
  } else if (key == "hstm" && d.size() >= 15) {
    const std::string scope(reinterpret_cast<const char*>(&d[14]),
                            strnlen(reinterpret_cast<const char*>(&d[14]), d.size() - 14));
    out << "version " << Read32(d, 0) << ", class '" << FourCCText(Read32(d, 4)) << "', event '"
        << FourCCText(Read32(d, 8)) << "', terminology " << (d[12] | d[13] << 8) << ", scope "
        << Quote(scope);
  } else if (key == "btni" && d.size() >= 17) {
    const std::string name(reinterpret_cast<const char*>(&d[16]),
                           strnlen(reinterpret_cast<const char*>(&d[16]), d.size() - 16));
    out << "version " << Read32(d, 0) << ", " << Read32(d, 4) << ", " << Read32(d, 8)
        << ", resource " << Read32(d, 12) << ", name " << Quote(name);
  } else if (key == "mode" && d.size() >= 2) {
    static const char* const kModes[] = {"bitmap", "grayscale", "indexed",      "RGB",     "CMYK",
                                         "HSL",    "HSB",       "multichannel", "duotone", "Lab"};
    const unsigned bits = unsigned(d[0]) << 8 | d[1];
    out << Hex(bits, 4) << " =";
    for (int i = 0; i < 10; ++i)
      if (bits & (0x8000u >> i)) out << " " << kModes[i];
  } else if (key == "fici") {
    for (size_t i = 0; i + 4 <= d.size(); i += 4)
      out << (i ? " " : "") << "(" << int(d[i]) << "," << int(d[i + 1]) << "," << int(d[i + 2])
          << "," << int(d[i + 3]) << ")";
  } else {
    for (size_t i = 0; i < d.size(); ++i) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%02X", d[i]);
      out << (i ? " " : "") << hex;
    }
  }
  return out.str();
}

// ---- scripting terminology -----------------------------------------------------------------

bool ParseAete(const std::vector<uint8_t>& bytes, Aete* aete, std::string* error) {
  *aete = Aete{};
  Cursor c(bytes);
  aete->prelude = int16_t(c.U16());
  aete->major = c.U8();
  aete->minor = c.U8();
  aete->language = int16_t(c.U16());
  aete->script = int16_t(c.U16());
  const unsigned suites = c.U16();
  for (unsigned s = 0; c.ok() && s < suites; ++s) {
    AeteSuite suite;
    suite.name = c.Pascal();
    suite.description = c.Pascal();
    suite.id = c.U32();
    suite.level = int16_t(c.U16());
    suite.version = int16_t(c.U16());
    const unsigned events = c.U16();
    for (unsigned e = 0; c.ok() && e < events; ++e) {
      AeteEvent event;
      event.name = c.Pascal();
      event.description = c.Pascal();
      event.eventClass = c.U32();
      event.id = c.U32();
      event.replyType = c.U32();
      event.replyDescription = c.Pascal();
      event.replyFlags = c.U16();
      event.directType = c.U32();
      event.directDescription = c.Pascal();
      event.directFlags = c.U16();
      const unsigned parameters = c.U16();
      for (unsigned p = 0; c.ok() && p < parameters; ++p) {
        AeteParameter parameter;
        parameter.name = c.Pascal();
        parameter.key = c.U32();
        parameter.type = c.U32();
        parameter.description = c.Pascal();
        parameter.flags = c.U16();
        event.parameters.push_back(parameter);
      }
      suite.events.push_back(event);
    }
    suite.classCount = int16_t(c.U16());
    suite.comparisonCount = int16_t(c.U16());
    if (c.ok() && (suite.classCount != 0 || suite.comparisonCount != 0))
      return Fail(error, "classes and comparison operators are not decoded");
    const unsigned enumerations = c.U16();
    for (unsigned n = 0; c.ok() && n < enumerations; ++n) {
      AeteEnumeration enumeration;
      enumeration.id = c.U32();
      const unsigned values = c.U16();
      for (unsigned v = 0; c.ok() && v < values; ++v) {
        AeteEnumValue value;
        value.name = c.Pascal();
        value.key = c.U32();
        value.description = c.Pascal();
        enumeration.values.push_back(value);
      }
      suite.enumerations.push_back(enumeration);
    }
    aete->suites.push_back(suite);
  }
  if (!c.ok()) return Fail(error, "terminology cut short");
  aete->consumed = c.position();
  return true;
}

std::string DescribeAete(const Aete& a) {
  std::ostringstream out;
  out << "version " << int(a.major) << "." << int(a.minor) << ", language " << a.language
      << ", script " << a.script << ", " << a.suites.size() << " suite(s), " << a.consumed
      << " bytes\n";
  for (const AeteSuite& s : a.suites) {
    out << "  suite " << Quote(s.name) << " " << Quote(s.description) << " '" << FourCCText(s.id)
        << "' level " << s.level << " version " << s.version << "\n";
    for (const AeteEvent& e : s.events) {
      out << "    event " << Quote(e.name) << " " << Quote(e.description) << " class '"
          << FourCCText(e.eventClass) << "' id '" << FourCCText(e.id) << "'\n";
      out << "      reply '" << FourCCText(e.replyType) << "' " << Quote(e.replyDescription)
          << " flags " << Hex(e.replyFlags, 4) << "\n";
      out << "      direct parameter '" << FourCCText(e.directType) << "' "
          << Quote(e.directDescription) << " flags " << Hex(e.directFlags, 4) << "\n";
      for (const AeteParameter& p : e.parameters)
        out << "      parameter " << Quote(p.name) << " key '" << FourCCText(p.key) << "' type '"
            << FourCCText(p.type) << "' " << Quote(p.description) << " flags " << Hex(p.flags, 4)
            << "\n";
    }
    out << "    classes " << s.classCount << ", comparison operators " << s.comparisonCount << "\n";
    for (const AeteEnumeration& n : s.enumerations) {
      out << "    enumeration '" << FourCCText(n.id) << "'\n";
      for (const AeteEnumValue& v : n.values)
        out << "      " << Quote(v.name) << " '" << FourCCText(v.key) << "' "
            << Quote(v.description) << "\n";
    }
  }
  return out.str();
}

// ---- string table --------------------------------------------------------------------------

std::map<unsigned, std::u16string> DecodeStringTable(const PeImage& image, int language) {
  std::map<unsigned, std::u16string> strings;
  for (const PeResource& r : image.resources) {
    if (r.type.isText() || r.type.id != kRtString || r.name.isText() || r.name.id == 0) continue;
    if (language >= 0 && r.language != language) continue;
    // Block n holds strings (n - 1) * 16 to (n - 1) * 16 + 15, each a count and UTF-16 text.
    Cursor c(r.data);
    for (unsigned i = 0; i < 16; ++i) {
      const unsigned length = c.U16();
      if (!c.ok()) break;
      std::u16string text;
      for (unsigned k = 0; k < length && c.ok(); ++k) text.push_back(char16_t(c.U16()));
      if (!c.ok()) break;
      if (length) strings[(r.name.id - 1u) * 16u + i] = text;
    }
  }
  return strings;
}

std::string ToWindows1252(const std::u16string& text) {
  // The 0x80..0x9F row of the code page; the rest of 0x00..0xFF is the same as Unicode.
  static const char16_t kHigh[32] = {
      0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  std::string out;
  for (char16_t c : text) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      out.push_back(char(c));
      continue;
    }
    char mapped = '?';
    for (int i = 0; i < 32; ++i)
      if (kHigh[i] && kHigh[i] == c) mapped = char(0x80 + i);
    out.push_back(mapped);
  }
  return out;
}

std::string ToUtf8(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) {
    if (c < 0x80) {
      out.push_back(char(c));
    } else if (c < 0x800) {
      out.push_back(char(0xC0 | (c >> 6)));
      out.push_back(char(0x80 | (c & 0x3F)));
    } else {
      out.push_back(char(0xE0 | (c >> 12)));
      out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(char(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

// ---- dialog templates ----------------------------------------------------------------------

bool ParseDialogTemplate(const std::vector<uint8_t>& bytes, DialogTemplate* d, std::string* error) {
  *d = DialogTemplate{};
  constexpr uint32_t kSetFont = 0x40;    // DS_SETFONT
  constexpr uint32_t kShellFont = 0x48;  // DS_SHELLFONT
  Cursor c(bytes);
  unsigned count;
  if (bytes.size() >= 4 && bytes[0] == 1 && bytes[1] == 0 && bytes[2] == 0xFF && bytes[3] == 0xFF) {
    d->extended = true;
    c.U32();
    d->helpId = c.U32();
    d->exStyle = c.U32();
    d->style = c.U32();
  } else {
    d->style = c.U32();
    d->exStyle = c.U32();
  }
  count = c.U16();
  d->x = int16_t(c.U16());
  d->y = int16_t(c.U16());
  d->cx = int16_t(c.U16());
  d->cy = int16_t(c.U16());
  d->menu = c.NumberOrText();
  d->windowClass = c.NumberOrText();
  d->title = ToUtf8(c.Wide());
  if ((d->style & kSetFont) || (d->style & kShellFont) == kShellFont) {
    d->pointSize = c.U16();
    if (d->extended) {
      d->weight = c.U16();
      d->italic = c.U8();
      d->charset = c.U8();
    }
    d->typeface = ToUtf8(c.Wide());
  }
  for (unsigned i = 0; c.ok() && i < count; ++i) {
    c.AlignTo4();
    DialogItem item;
    if (d->extended) {
      item.helpId = c.U32();
      item.exStyle = c.U32();
      item.style = c.U32();
    } else {
      item.style = c.U32();
      item.exStyle = c.U32();
    }
    item.x = int16_t(c.U16());
    item.y = int16_t(c.U16());
    item.cx = int16_t(c.U16());
    item.cy = int16_t(c.U16());
    item.id = d->extended ? c.U32() : c.U16();
    item.windowClass = c.NumberOrText();
    item.title = c.NumberOrText();
    const unsigned extra = c.U16();
    item.creationData = c.Bytes(extra);
    d->items.push_back(item);
  }
  if (!c.ok()) return Fail(error, "dialog template cut short");
  return true;
}

const DialogItem* FindDialogItem(const DialogTemplate& dialog, uint32_t id) {
  for (const DialogItem& item : dialog.items)
    if (item.id == id) return &item;
  return nullptr;
}

std::string DialogClassName(const ResourceId& windowClass) {
  if (windowClass.isText()) return windowClass.name;
  static const char* const kAtoms[] = {"button",  "edit",      "static",
                                       "listbox", "scrollbar", "combobox"};
  if (windowClass.id >= 0x80 && windowClass.id <= 0x85) return kAtoms[windowClass.id - 0x80];
  std::string text = "#";
  text += std::to_string(windowClass.id);
  return text;
}

// ---- everything a plug-in module carries ---------------------------------------------------

std::string DescribePluginModule(const PeImage& image) {
  std::ostringstream out;
  out << "machine " << Hex(image.machine, 4)
      << (image.machine == kMachineAmd64  ? " (x64)"
          : image.machine == kMachineI386 ? " (x86)"
                                          : "")
      << (image.pe32plus ? ", PE32+" : ", PE32") << "\n";
  out << "export module name " << Quote(image.exportModuleName) << ", exports:";
  for (const std::string& name : image.exportNames) out << " " << name;
  out << "\n";

  out << "resources:\n";
  for (const PeResource& r : image.resources)
    out << "  type " << r.type.ToString() << " name " << r.name.ToString() << " language "
        << r.language << ", " << r.data.size() << " bytes\n";

  for (const PeResource& r : image.resources) {
    if (!r.type.Matches(ResourceId::Text("PIPL"))) continue;
    Pipl pipl;
    std::string error;
    out << "PIPL " << r.name.ToString() << " (" << r.data.size() << " bytes): ";
    if (!ParsePipl(r.data, &pipl, &error)) {
      out << "malformed: " << error << "\n";
      continue;
    }
    out << "version " << pipl.version << ", list version " << pipl.listVersion << ", "
        << pipl.properties.size() << " properties\n";
    int n = 0;
    for (const PiplProperty& p : pipl.properties)
      out << "  " << ++n << " " << DescribePiplProperty(p) << "\n";
  }

  for (const PeResource& r : image.resources) {
    if (!r.type.Matches(ResourceId::Text("AETE"))) continue;
    Aete aete;
    std::string error;
    out << "AETE " << r.name.ToString() << " (" << r.data.size() << " bytes): ";
    if (!ParseAete(r.data, &aete, &error)) {
      out << "malformed: " << error << "\n";
      continue;
    }
    out << DescribeAete(aete);
  }

  out << "strings:\n";
  for (const auto& [id, text] : DecodeStringTable(image, -1))
    out << "  " << id << " " << Quote(ToWindows1252(text)) << "\n";

  for (const PeResource& r : image.resources) {
    if (r.type.isText() || r.type.id != kRtDialog) continue;
    DialogTemplate d;
    std::string error;
    out << "dialog " << r.name.ToString() << " language " << r.language << ": ";
    if (!ParseDialogTemplate(r.data, &d, &error)) {
      out << "malformed: " << error << "\n";
      continue;
    }
    out << (d.extended ? "extended, " : "") << "at " << d.x << "," << d.y << " size " << d.cx << "x"
        << d.cy << ", style " << Hex(d.style, 8) << ", caption " << Quote(d.title) << ", font "
        << d.pointSize << " " << Quote(d.typeface) << ", " << d.items.size() << " controls\n";
    for (const DialogItem& item : d.items)
      out << "  id " << item.id << " " << DialogClassName(item.windowClass) << " "
          << (item.title.isText() || item.title.id == 0 ? Quote(item.title.name)
                                                        : item.title.ToString())
          << " at " << item.x << "," << item.y << " size " << item.cx << "x" << item.cy
          << ", style " << Hex(item.style, 8) << "\n";
  }
  return out.str();
}

}  // namespace zar::host
