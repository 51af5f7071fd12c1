#include "tests/hosts/expected_resources.h"

namespace zar::testing {

const DeliverableFacts kDeliverables[5] = {
    {"combustion", "ZarCombustion", "ZAR Combustion", "ZAR Combustion...", 334, 282, 9, 241, 63,
     242},
    {"ice", "ZarIce", "ZAR Ice", "ZAR Ice...", 343, 263, 232, 245, 291, 245},
    {"candle", "ZarCandle", "ZAR Candle", "ZAR Candle...", 343, 263, 232, 245, 291, 245},
    {"fire", "ZarFire", "ZAR Fire", "ZAR Fire...", 334, 263, 232, 245, 282, 245},
    {"cryo", "ZarCryo", "ZAR Cryo", "ZAR Cryo...", 334, 263, 232, 245, 282, 245},
};

namespace {

// Little-endian numbers; four-character codes as 32-bit values (first character most
// significant), so their characters land in reverse order.
struct Bytes {
  std::vector<uint8_t> b;
  void U8(unsigned v) { b.push_back(uint8_t(v)); }
  void U16(unsigned v) {
    U8(v);
    U8(v >> 8);
  }
  void U32(uint32_t v) {
    U16(v & 0xFFFF);
    U16(v >> 16);
  }
  void Code(const char (&c)[5]) {
    U32(uint32_t(uint8_t(c[0])) << 24 | uint32_t(uint8_t(c[1])) << 16 |
        uint32_t(uint8_t(c[2])) << 8 | uint8_t(c[3]));
  }
  void Text(const std::string& s) { b.insert(b.end(), s.begin(), s.end()); }
  void Pascal(const std::string& s) {
    U8(unsigned(s.size()));
    Text(s);
  }
  void Append(const Bytes& other) { b.insert(b.end(), other.b.begin(), other.b.end()); }
};

// One property: vendor '8BIM', the key, id 0, the length, then the data zero-filled to it.
void Property(Bytes& out, const char (&key)[5], Bytes data, size_t length) {
  out.Code("8BIM");
  out.Code(key);
  out.U32(0);
  out.U32(uint32_t(length));
  data.b.resize(length, 0);
  out.Append(data);
}

}  // namespace

std::vector<uint8_t> ExpectedPipl(const std::string& menuName, bool x64) {
  Bytes pipl;
  pipl.U16(1);
  pipl.U32(0);
  pipl.U32(10);

  Bytes kind;
  kind.Code("8BFM");
  Property(pipl, "kind", kind, 4);

  Bytes name;
  name.Pascal(menuName);
  Property(pipl, "name", name, (1 + menuName.size() + 3) / 4 * 4);

  Bytes category;
  category.Pascal("Quorvane");
  Property(pipl, "catg", category, 12);

  Bytes version;
  version.U32(0x00040000);
  Property(pipl, "vers", version, 4);

  Bytes entry;
  entry.Text("ENTRYPOINT");
  entry.U8(0);
  Property(pipl, x64 ? "8664" : "wx86", entry, 12);

  Bytes terminology;
  terminology.U32(0);
  terminology.Code("sdK2");
  terminology.Code("disS");
  terminology.U16(16000);
  terminology.U8(0);  // empty scope
  Property(pipl, "hstm", terminology, 20);

  Bytes button;
  button.U32(0);
  button.U32(1);
  button.U32(1);
  button.U32(16000);
  button.Text("DissolveWith Caption");
  button.U8(0);
  Property(pipl, "btni", button, 40);

  Bytes modes;
  modes.U8(0x5F);
  modes.U8(0xC0);
  Property(pipl, "mode", modes, 4);

  Bytes enable;
  enable.Text(
      "in (PSHOP_ImageMode, GrayScaleMode, RGBMode,CMYKMode, HSLMode, HSBMode, "
      "MultichannelMode,DuotoneMode, LABMode)");
  enable.U8(0);
  Property(pipl, "enbl", enable, 112);

  Bytes cases;
  for (int flags : {7, 15, 15, 7, 15, 7, 15}) {
    cases.U8(4);
    cases.U8(1);
    cases.U8(unsigned(flags));
    cases.U8(0);
  }
  Property(pipl, "fici", cases, 28);
  return pipl.b;
}

std::vector<uint8_t> ExpectedAete() {
  Bytes a;
  a.U16(1);  // prelude
  a.U8(1);   // version 1.0
  a.U8(0);
  a.U16(0);  // language
  a.U16(0);  // script
  a.U16(1);  // suites
  a.Pascal("Quorvane");
  a.Pascal("Adobe example plug-ins");
  a.Code("sdK2");
  a.U16(1);  // level
  a.U16(1);  // version
  a.U16(1);  // events
  a.Pascal("Quorvane dissolve");
  a.Pascal("dissolve noise generator plug-in filter");
  a.Code("sdK2");
  a.Code("disS");
  a.Code("null");  // reply
  a.Pascal("");
  a.U16(0);
  a.Code("#ImR");  // direct parameter
  a.Pascal("");
  a.U16(0x000D);
  a.U16(3);  // parameters
  a.Pascal("CenterX");
  a.Code("CntX");
  a.Code("TEXT");
  a.Pascal("Center by X");
  a.U16(0);
  a.Pascal("CenterY");
  a.Code("CntY");
  a.Code("TEXT");
  a.Pascal("Center by Y");
  a.U16(0);
  a.Pascal("AdobeSDK disposition");
  a.Code("disP");
  a.Code("mooD");
  a.Pascal("dissolve disposition");
  a.U16(0x0008);
  a.U16(0);  // classes
  a.U16(0);  // comparison operators
  a.U16(1);  // enumerations
  a.Code("mooD");
  a.U16(4);
  a.Pascal("Quorvane clear");
  a.Code("moD0");
  a.Pascal("clear headed");
  a.Pascal("Quorvane cool");
  a.Code("moD1");
  a.Pascal("got the blues");
  a.Pascal("Quorvane hot");
  a.Code("moD2");
  a.Pascal("red-faced");
  a.Pascal("Quorvane sick");
  a.Code("moD3");
  a.Pascal("green with envy");
  return a.b;
}

}  // namespace zar::testing
