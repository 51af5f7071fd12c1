// The dialog templates as the host finds them: read back out of the built x86 and x64 modules and
// checked control by control (identifier, class, text, position, size, style) against the
// layout of each plug-in's dialog.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "ui/model/control_ids.h"

namespace {

// ---- reading a classic dialog template ---------------------------------------------------------

struct Item {
  DWORD style = 0;
  int id = 0;  // -1 for the unnamed ones
  std::string className;
  std::string text;
  int x = 0, y = 0, cx = 0, cy = 0;
};

struct Template {
  DWORD style = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  std::string caption;
  int pointSize = 0;
  std::string font;
  std::vector<Item> items;
};

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool ok() const { return ok_; }
  uint16_t Word() {
    if (at_ + 2 > size_) {
      ok_ = false;
      return 0;
    }
    uint16_t w;
    std::memcpy(&w, data_ + at_, 2);
    at_ += 2;
    return w;
  }
  uint32_t Dword() {
    const uint32_t low = Word();
    return low | (uint32_t(Word()) << 16);
  }
  std::string String() {
    std::string s;
    for (uint16_t c = Word(); ok_ && c; c = Word()) s += char(c < 128 ? c : '?');
    return s;
  }
  // A name or an ordinal: 0xFFFF then a number, or a string.
  std::string NameOrOrdinal() {
    const uint16_t first = Word();
    if (first == 0xFFFF) {
      char ordinal[16];
      std::snprintf(ordinal, sizeof ordinal, "#%u", unsigned(Word()));
      return ordinal;
    }
    std::string s;
    for (uint16_t c = first; ok_ && c; c = Word()) s += char(c < 128 ? c : '?');
    return s;
  }
  void AlignDword() { at_ = (at_ + 3) & ~size_t(3); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
  bool ok_ = true;
};

std::string ClassName(const std::string& raw) {
  static const std::map<std::string, std::string> atoms = {
      {"#128", "BUTTON"},  {"#129", "EDIT"},      {"#130", "STATIC"},
      {"#131", "LISTBOX"}, {"#132", "SCROLLBAR"}, {"#133", "COMBOBOX"}};
  const auto it = atoms.find(raw);
  if (it != atoms.end()) return it->second;
  // Window class names are compared without regard to case.
  std::string upper = raw;
  for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

bool ParseTemplate(const uint8_t* data, size_t size, Template& t) {
  Reader r(data, size);
  t.style = r.Dword();
  r.Dword();  // extended style
  const int count = r.Word();
  t.x = int16_t(r.Word());
  t.y = int16_t(r.Word());
  t.cx = int16_t(r.Word());
  t.cy = int16_t(r.Word());
  r.NameOrOrdinal();  // menu
  r.NameOrOrdinal();  // class
  t.caption = r.String();
  if (t.style & DS_SETFONT) {
    t.pointSize = r.Word();
    t.font = r.String();
  }
  for (int i = 0; i < count && r.ok(); ++i) {
    r.AlignDword();
    Item item;
    item.style = r.Dword();
    r.Dword();
    item.x = int16_t(r.Word());
    item.y = int16_t(r.Word());
    item.cx = int16_t(r.Word());
    item.cy = int16_t(r.Word());
    item.id = int16_t(r.Word());
    item.className = ClassName(r.NameOrOrdinal());
    item.text = r.NameOrOrdinal();
    const int extra = r.Word();
    for (int b = 0; b < extra; b += 2) r.Word();
    t.items.push_back(item);
  }
  return r.ok();
}

// ---- the layout each template must have
// ----------------------------------------------------------

enum Kind {
  kHiddenFrame,  // the preview area: hidden, bordered static
  kLabel,
  kGroup,
  kMainSlider,  // vertical, ticks on both sides (minimum at the top is the trackbar's way)
  kTicksOnTop,  // horizontal, ticks on top
  kRampAbove,   // no ticks, thumb pointing down
  kRampBelow,   // no ticks, thumb pointing up
  kNoTicks,     // horizontal, no ticks
  kEdit,
  kRadio,
  kCheck,
  kButton,
  kDefault,      // the default push button
  kSwatchFrame,  // disabled push button
};

struct Expected {
  int id;
  Kind kind;
  const char* text;
  int x, y, cx, cy;  // -1: the layout leaves the size open
};

constexpr int kAny = -1;

void Append(std::vector<Expected>& to, std::initializer_list<Expected> controls) {
  for (const Expected& e : controls) to.push_back(e);
}

void AddCommon(std::vector<Expected>& e) {
  Append(e, {
                {IDC_PREVIEW, kHiddenFrame, "", 15, 10, 163, 155},
                {-1, kGroup, "", 181, 86, 133, 48},
                {IDC_RAMP_POSITION_1, kRampAbove, "", 185, 92, 123, 12},
                {IDC_RAMP_FRAME, kGroup, "", 189, 103, 115, 13},
                {IDC_RAMP_POSITION_2, kRampBelow, "", 185, 118, 123, 12},
                {IDC_SWATCH_1, kSwatchFrame, "", 183, 139, 27, 14},
                {IDC_SWATCH_2, kSwatchFrame, "", 214, 139, 27, 14},
                {IDC_SWATCH_3, kSwatchFrame, "", 245, 139, 27, 14},
                {IDC_SWATCH_4, kSwatchFrame, "", 276, 139, 27, 14},
                {IDC_ALPHA_SLIDER, kTicksOnTop, "", 180, 156, 92, 15},
                {IDC_ALPHA_EDIT, kEdit, "", 273, 156, 25, 16},
                {-1, kLabel, "Alpha", 303, 161, 19, 8},
                {-1, kGroup, "Flame Direction", 181, 171, 146, 49},
                {IDC_FLAME_LEFT_TOP, kRadio, "Left Top", 185, 180, kAny, kAny},
                {IDC_FLAME_LEFT, kRadio, "Left", 185, 192, kAny, kAny},
                {IDC_FLAME_LEFT_BTM, kRadio, "Left Btm", 185, 204, kAny, kAny},
                {IDC_FLAME_TOP, kRadio, "Top", 233, 180, kAny, kAny},
                {IDC_FLAME_BOTTOM, kRadio, "Bottom", 231, 204, kAny, kAny},
                {IDC_FLAME_RIGHT_TOP, kRadio, "Right Top", 281, 180, kAny, kAny},
                {IDC_FLAME_RIGHT, kRadio, "Right", 281, 192, kAny, kAny},
                {IDC_FLAME_RIGHT_BTM, kRadio, "Right Btm", 281, 204, kAny, kAny},
            });
}

// The four main values of Combustion, Fire and Cryo.
void AddFlameMains(std::vector<Expected>& e) {
  const int sx[] = {183, 215, 247, 279}, ex[] = {183, 216, 249, 282};
  const int lx[] = {189, 218, 250, 284}, lw[] = {23, 26, 28, 12};
  const char* labels[] = {"Oxigen", "Gravility", "Viscosity", "Fuil"};
  for (int i = 0; i < 4; ++i) {
    e.push_back({IDC_MAIN_SLIDER_1 + i, kMainSlider, "", sx[i], 12, 31, 44});
    e.push_back({IDC_MAIN_EDIT_1 + i, kEdit, "", ex[i], 61, 29, 12});
    e.push_back({-1, kLabel, labels[i], lx[i], 76, lw[i], 8});
  }
}

// Ice's and Candle's six: the four main values, "Velosity" and "Space".
void AddIceMains(std::vector<Expected>& e) {
  const int x[] = {183, 209, 235, 261};
  const int lx[] = {184, 209, 235, 257}, lw[] = {22, 20, 20, 32};
  const char* labels[] = {"Height", "Sooth", "Width", "Amplitude"};
  for (int i = 0; i < 4; ++i) {
    e.push_back({IDC_MAIN_SLIDER_1 + i, kMainSlider, "", x[i], 12, 24, 44});
    e.push_back({IDC_MAIN_EDIT_1 + i, kEdit, "", x[i], 61, 22, 12});
    e.push_back({-1, kLabel, labels[i], lx[i], 76, lw[i], 8});
  }
  Append(e, {
                {IDC_VELOCITY_SLIDER, kMainSlider, "", 287, 12, 24, 44},
                {IDC_VELOCITY_EDIT, kEdit, "", 287, 61, 22, 12},
                {-1, kLabel, "Velosity", 291, 76, 25, 8},
                {IDC_SPACE_SLIDER, kMainSlider, "", 313, 12, 24, 44},
                {IDC_SPACE_EDIT, kEdit, "", 313, 61, 22, 12},
                {-1, kLabel, "Space", 318, 76, 22, 8},
            });
}

void AddColor(std::vector<Expected>& e) {
  Append(e, {
                {-1, kGroup, "Color", 129, 167, 48, 38},
                {IDC_COLOR_DEFAULT, kRadio, "Default", 135, 177, kAny, kAny},
                {IDC_COLOR_CUSTOM, kRadio, "Custom", 135, 191, kAny, kAny},
            });
}

struct MaskLayout {
  int width, out, both;  // both 0: no "both" button
  int contourX, contourY;
};

// The mask group, the check boxes and the Iteration / Radius / Rotation rows.
void AddAnimatedRows(std::vector<Expected>& e, const MaskLayout& m, int rotationSliderX) {
  e.push_back({-1, kGroup, "Mask", 3, 167, m.width, 25});
  e.push_back({IDC_MASK_IN, kRadio, "in", 7, 177, kAny, kAny});
  e.push_back({IDC_MASK_OUT, kRadio, "out", m.out, 177, kAny, kAny});
  if (m.both) e.push_back({IDC_MASK_BOTH, kRadio, "both", m.both, 177, kAny, kAny});
  e.push_back({IDC_MASK_CONTOUR, kRadio, "contour", m.contourX, m.contourY, kAny, kAny});
  Append(e, {
                {IDC_INVERT, kCheck, "Invert", 7, 196, kAny, kAny},
                {IDC_DROPLET, kCheck, "Droplet", 40, 197, kAny, kAny},
                {-1, kLabel, "Iteration", 83, 196, kAny, kAny},
                {IDC_ITERATION_EDIT, kEdit, "", 83, 208, 25, 14},
                {IDC_ITERATION_SLIDER, kNoTicks, "", 110, 206, 67, 15},
                {-1, kLabel, "Radius", 83, 231, kAny, kAny},
                {IDC_RADIUS_EDIT, kEdit, "", 107, 227, 29, 14},
                {IDC_RADIUS_SLIDER, kNoTicks, "", 135, 226, 66, 15},
                {-1, kLabel, "Rotation", 208, 228, kAny, kAny},
                {IDC_ROTATION_EDIT, kEdit, "", 240, 225, 31, 14},
                {IDC_ROTATION_SLIDER, kNoTicks, "", rotationSliderX, 224, 61, 15},
            });
}

void AddButtons(std::vector<Expected>& e, POINT ok, POINT cancel, POINT reset, POINT load,
                POINT save) {
  Append(e, {
                {IDOK, kDefault, "&OK", ok.x, ok.y, 49, 14},
                {IDCANCEL, kButton, "&Cancel", cancel.x, cancel.y, 49, 14},
                {IDC_RESET, kButton, "Reset", reset.x, reset.y, 50, 14},
                {IDC_LOAD, kButton, "Load", load.x, load.y, 50, 14},
                {IDC_SAVE, kButton, "Save", save.x, save.y, 50, 14},
            });
}

struct Layout {
  const char* file;  // the module's file name
  const char* caption;
  int cx, cy;
  std::vector<Expected> controls;
};

Layout CombustionLayout() {
  Layout l{"ZarCombustion.8bf", "ZAR Combustion", 334, 282, {}};
  AddCommon(l.controls);
  AddFlameMains(l.controls);
  AddColor(l.controls);
  AddButtons(l.controls, {9, 241}, {63, 242}, {63, 260}, {9, 223}, {63, 223});
  Append(l.controls, {
                         {-1, kGroup, "Effect Direction", 181, 229, 146, 46},
                         {IDC_EFFECT_LEFT_TOP, kRadio, "Left Top", 185, 238, kAny, kAny},
                         {IDC_EFFECT_LEFT, kRadio, "Left", 185, 250, kAny, kAny},
                         {IDC_EFFECT_LEFT_BTM, kRadio, "Left Btm", 185, 262, kAny, kAny},
                         {IDC_EFFECT_TOP, kRadio, "Top", 233, 238, kAny, kAny},
                         {IDC_EFFECT_BOTTOM, kRadio, "Bottom", 231, 262, kAny, kAny},
                         {IDC_EFFECT_RIGHT_TOP, kRadio, "Right Top", 281, 238, kAny, kAny},
                         {IDC_EFFECT_RIGHT, kRadio, "Right", 281, 250, kAny, kAny},
                         {IDC_EFFECT_RIGHT_BTM, kRadio, "Right Btm", 281, 262, kAny, kAny},
                         {-1, kGroup, "Effect", 130, 210, 47, 65},
                         {IDC_EFFECT_BLEND, kRadio, "Blend", 134, 221, kAny, kAny},
                         {IDC_EFFECT_PAGE, kRadio, "Page", 134, 234, kAny, kAny},
                         {IDC_EFFECT_HOLE, kRadio, "Hole", 134, 247, kAny, kAny},
                         {IDC_EFFECT_GATE, kRadio, "Gate", 134, 260, kAny, kAny},
                         {IDC_PHASE_SLIDER, kTicksOnTop, "", 5, 189, 113, 17},
                         {-1, kLabel, "Phase", 51, 209, kAny, kAny},
                     });
  return l;
}

Layout IceLayout(bool candle) {
  Layout l{
      candle ? "ZarCandle.8bf" : "ZarIce.8bf", candle ? "ZAR Candle" : "ZAR Ice", 343, 263, {}};
  AddCommon(l.controls);
  AddIceMains(l.controls);
  if (candle) AddColor(l.controls);
  AddAnimatedRows(l.controls,
                  candle ? MaskLayout{122, 42, 0, 82, 177} : MaskLayout{170, 63, 0, 124, 177}, 279);
  AddButtons(l.controls, {232, 245}, {291, 245}, {67, 245}, {118, 245}, {171, 245});
  return l;
}

Layout FireLayout(bool cryo) {
  Layout l{cryo ? "ZarCryo.8bf" : "ZarFire.8bf", cryo ? "ZAR Cryo" : "ZAR Fire", 334, 263, {}};
  AddCommon(l.controls);
  AddFlameMains(l.controls);
  if (!cryo) AddColor(l.controls);
  AddAnimatedRows(l.controls,
                  cryo ? MaskLayout{172, 43, 84, 129, 177} : MaskLayout{122, 27, 54, 83, 178}, 269);
  AddButtons(l.controls, {232, 245}, {282, 245}, {67, 245}, {118, 245}, {171, 245});
  return l;
}

// What a control of each kind must be.
void CheckKind(const Item& item, Kind kind, const std::string& where) {
  SCOPED_TRACE(where);
  const DWORD type = item.style & 0x0F;
  const bool visible = item.style & WS_VISIBLE;
  switch (kind) {
    case kHiddenFrame:
      EXPECT_EQ(item.className, "STATIC");
      EXPECT_FALSE(visible);
      EXPECT_TRUE(item.style & WS_BORDER);
      return;
    case kLabel: EXPECT_EQ(item.className, "STATIC"); break;
    case kGroup:
      EXPECT_EQ(item.className, "BUTTON");
      EXPECT_EQ(type, DWORD(BS_GROUPBOX));
      break;
    case kMainSlider:
      EXPECT_EQ(item.className, "MSCTLS_TRACKBAR32");
      EXPECT_TRUE(item.style & TBS_VERT);
      EXPECT_TRUE(item.style & TBS_BOTH);
      EXPECT_TRUE(item.style & TBS_AUTOTICKS);
      EXPECT_FALSE(item.style & TBS_NOTICKS);
      EXPECT_FALSE(item.style & TBS_REVERSED);
      break;
    case kTicksOnTop:
      EXPECT_EQ(item.className, "MSCTLS_TRACKBAR32");
      EXPECT_FALSE(item.style & TBS_VERT);
      EXPECT_TRUE(item.style & TBS_TOP);
      EXPECT_FALSE(item.style & TBS_BOTH);
      EXPECT_TRUE(item.style & TBS_AUTOTICKS);
      EXPECT_FALSE(item.style & TBS_NOTICKS);
      break;
    case kRampAbove:
    case kRampBelow:
    case kNoTicks:
      EXPECT_EQ(item.className, "MSCTLS_TRACKBAR32");
      EXPECT_FALSE(item.style & TBS_VERT);
      EXPECT_TRUE(item.style & TBS_NOTICKS);
      EXPECT_FALSE(item.style & TBS_BOTH);
      // The thumb points away from the side its ticks would be on.
      EXPECT_EQ((item.style & TBS_TOP) != 0, kind == kRampBelow);
      break;
    case kEdit: EXPECT_EQ(item.className, "EDIT"); break;
    case kRadio:
      EXPECT_EQ(item.className, "BUTTON");
      EXPECT_EQ(type, DWORD(BS_AUTORADIOBUTTON));
      break;
    case kCheck:
      EXPECT_EQ(item.className, "BUTTON");
      EXPECT_EQ(type, DWORD(BS_AUTOCHECKBOX));
      break;
    case kButton:
      EXPECT_EQ(item.className, "BUTTON");
      EXPECT_EQ(type, DWORD(BS_PUSHBUTTON));
      EXPECT_FALSE(item.style & WS_DISABLED);
      break;
    case kDefault:
      EXPECT_EQ(item.className, "BUTTON");
      EXPECT_EQ(type, DWORD(BS_DEFPUSHBUTTON));
      break;
    case kSwatchFrame:
      EXPECT_EQ(item.className, "BUTTON");
      EXPECT_EQ(type, DWORD(BS_PUSHBUTTON));
      EXPECT_TRUE(item.style & WS_DISABLED);
      break;
  }
  EXPECT_TRUE(visible);
}

std::string DistDirectory(const char* arch) { return std::string(ZAR_DIST_ROOT "/") + arch + "/"; }

// Reads the module's "DISSOLVEWITHPARAM" dialog resource.
bool ReadTemplate(const std::string& path, Template& t, std::string& error) {
  HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) {
    error = "cannot open " + path;
    return false;
  }
  bool ok = false;
  if (HRSRC found = FindResourceA(module, "DISSOLVEWITHPARAM", MAKEINTRESOURCEA(5))) {
    const auto* data = static_cast<const uint8_t*>(LockResource(LoadResource(module, found)));
    ok = data && ParseTemplate(data, SizeofResource(module, found), t);
    if (!ok) error = "cannot parse the template of " + path;
  } else {
    error = "no DISSOLVEWITHPARAM dialog in " + path;
  }
  FreeLibrary(module);
  return ok;
}

void CheckTemplate(const Layout& layout, const char* arch) {
  const std::string path = DistDirectory(arch) + layout.file;
  SCOPED_TRACE(path);
  Template t;
  std::string error;
  ASSERT_TRUE(ReadTemplate(path, t, error)) << error;

  EXPECT_EQ(t.caption, layout.caption);
  EXPECT_EQ(t.x, 34);
  EXPECT_EQ(t.y, 40);
  EXPECT_EQ(t.cx, layout.cx);
  EXPECT_EQ(t.cy, layout.cy);
  EXPECT_EQ(t.pointSize, 8);
  EXPECT_EQ(t.font, "MS Sans Serif");
  EXPECT_TRUE(t.style & WS_CAPTION);
  EXPECT_TRUE(t.style & DS_MODALFRAME);
  EXPECT_TRUE(t.style & WS_POPUP);
  EXPECT_FALSE(t.style & WS_SYSMENU);

  // No identifier means two things in one template.
  std::map<int, int> uses;
  for (const Item& item : t.items)
    if (item.id != -1) {
      EXPECT_EQ(++uses[item.id], 1) << "identifier " << item.id << " used twice";
    }

  std::vector<bool> matched(t.items.size(), false);
  for (const Expected& e : layout.controls) {
    char where[160];
    std::snprintf(where, sizeof where, "%s control %d \"%s\" at %d,%d", layout.caption, e.id,
                  e.text, e.x, e.y);
    int found = -1;
    for (size_t i = 0; i < t.items.size() && found < 0; ++i) {
      const Item& item = t.items[i];
      if (matched[i]) continue;
      if (e.id != -1 ? item.id == e.id
                     : item.id == -1 && item.text == e.text && item.x == e.x && item.y == e.y)
        found = int(i);
    }
    if (found < 0) {
      ADD_FAILURE() << "missing: " << where;
      continue;
    }
    matched[found] = true;
    const Item& item = t.items[found];
    EXPECT_EQ(item.text, e.text) << where;
    EXPECT_EQ(item.x, e.x) << where;
    EXPECT_EQ(item.y, e.y) << where;
    if (e.cx != kAny) {
      EXPECT_EQ(item.cx, e.cx) << where;
    }
    if (e.cy != kAny) {
      EXPECT_EQ(item.cy, e.cy) << where;
    }
    CheckKind(item, e.kind, where);
  }
  for (size_t i = 0; i < t.items.size(); ++i)
    EXPECT_TRUE(matched[i]) << layout.caption << ": unexpected control " << t.items[i].id << " \""
                            << t.items[i].text << "\" at " << t.items[i].x << "," << t.items[i].y;
}

class Templates : public ::testing::TestWithParam<const char*> {};

TEST_P(Templates, Combustion) { CheckTemplate(CombustionLayout(), GetParam()); }
TEST_P(Templates, Ice) { CheckTemplate(IceLayout(false), GetParam()); }
TEST_P(Templates, Candle) { CheckTemplate(IceLayout(true), GetParam()); }
TEST_P(Templates, Fire) { CheckTemplate(FireLayout(false), GetParam()); }
TEST_P(Templates, Cryo) { CheckTemplate(FireLayout(true), GetParam()); }

INSTANTIATE_TEST_SUITE_P(Modules, Templates, ::testing::Values("x86", "x64"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

}  // namespace
