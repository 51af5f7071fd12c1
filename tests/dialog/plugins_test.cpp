// Each plug-in's own dialog: caption, controls and defaults, Reset, OK and Cancel, and the Load
// and Save buttons through the system's real file dialog.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "framework/module_state.h"
#include "framework/parameters.h"
#include "hosts/core/whole_file.h"
#include "platform/platform.h"
#include "tests/dialog/dialog_fixture.h"
#include "tests/dialog/driver.h"
#include "tests/support/test_plugin.h"
#include "ui/model/control_ids.h"
#include "settings/params_file.h"
#include "ui/win32/dialog.h"

namespace zar {
namespace {

using testing::Checked;
using testing::Child;
using testing::ControlText;
using testing::Driver;
using testing::SliderPos;

struct PluginCase {
  const PluginTable* table;
  const char* templateName;  // the plug-in's template in the test program
  const char* caption;
  bool colorGroup;
  bool maskGroup;
};

// Test names show the plug-in, not the record's bytes.
void PrintTo(const PluginCase& c, std::ostream* os) { *os << c.table->name; }

const PluginCase kCases[] = {
    {&kCombustionTable, "COMBUSTION", "ZAR Combustion", true, false},
    {&kIceTable, "ICE", "ZAR Ice", false, true},
    {&kCandleTable, "CANDLE", "ZAR Candle", true, true},
    {&kFireTable, "FIRE", "ZAR Fire", true, true},
    {&kCryoTable, "CRYO", "ZAR Cryo", false, true},
};

std::string Format(const char* format, int value) {
  char text[64];
  std::snprintf(text, sizeof text, format, double(value));
  return text;
}

bool SameWorking(const WorkingParameters& a, const WorkingParameters& b) {
  for (int f = 0; f < kFieldCount; ++f)
    if (GetField(a, Field(f)) != GetField(b, Field(f))) return false;
  return true;
}

// A fresh, empty directory for the files one test writes (never one an earlier run left).
std::string TempDirectory() {
  char base[MAX_PATH];
  GetTempPathA(sizeof base, base);
  for (unsigned n = GetTickCount();; ++n) {
    const std::string dir = std::string(base) + "zar_dialog_" +
                            std::to_string(GetCurrentProcessId()) + "_" + std::to_string(n);
    if (CreateDirectoryA(dir.c_str(), nullptr)) return dir + "\\";
  }
}

void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Types a name into the file dialog and confirms it, as a user would.
void ChooseFile(HWND fileDialog, const std::string& path) {
  HWND box = GetDlgItem(fileDialog, 0x47c);  // the name combo box of the explorer-style dialog
  if (!box) box = GetDlgItem(fileDialog, 0x480);
  SetWindowTextA(box, path.c_str());
  testing::PostCommand(fileDialog, IDOK);
}

void Press(HWND dialog, int id) {
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(dialog, id)));
}

class PluginDialog : public testing::DialogFixture,
                     public ::testing::WithParamInterface<PluginCase> {
 protected:
  void SetUp() override { Use(*GetParam().table); }
  void Open() { OpenModeless(GetParam().templateName); }
  const WorkingParameters& Working() { return Module().working; }
  const WorkingParameters& Defaults() { return table->defaults; }

  // The Load button, answering the file dialog with `path`.
  void Load(Driver& driver, const std::string& path) {
    driver.Script("Open Filter Params", {{30, [path](HWND f) { ChooseFile(f, path); }}});
    Press(dialog, IDC_LOAD);
  }
  void Save(Driver& driver, const std::string& path) {
    driver.Script("Save Filter Params", {{30, [path](HWND f) { ChooseFile(f, path); }}});
    Press(dialog, IDC_SAVE);
  }
};

TEST_P(PluginDialog, OpensWithItsOwnCaptionControlsAndDefaults) {
  Open();
  EXPECT_EQ(testing::WindowText(dialog), GetParam().caption);
  const WorkingParameters& d = Defaults();
  const Field* main = table->dialog.mainFields;
  EXPECT_EQ(ControlText(dialog, IDC_MAIN_EDIT_1), Format("%f", int(GetField(d, main[0]))));
  EXPECT_EQ(ControlText(dialog, IDC_MAIN_EDIT_2), Format("%.2f", int(GetField(d, main[1]))));
  EXPECT_EQ(ControlText(dialog, IDC_MAIN_EDIT_4), Format("%.2f", int(GetField(d, main[3]))));
  EXPECT_EQ(ControlText(dialog, IDC_ALPHA_EDIT), Format("%.2f", d.alpha));
  EXPECT_EQ(SliderPos(dialog, IDC_MAIN_SLIDER_3), int(GetField(d, main[2])));
  EXPECT_TRUE(Checked(dialog, IDC_FLAME_TOP) == (d.flameDirection == 0));
  EXPECT_TRUE(Checked(dialog, IDC_FLAME_BOTTOM) == (d.flameDirection == 4));
  if (GetParam().colorGroup) {
    EXPECT_EQ(Checked(dialog, IDC_COLOR_DEFAULT), d.colorMode == 0);
    EXPECT_EQ(Checked(dialog, IDC_COLOR_CUSTOM), d.colorMode == 1);
  } else {
    EXPECT_EQ(GetDlgItem(dialog, IDC_COLOR_DEFAULT), nullptr);
  }
  if (GetParam().maskGroup) {
    EXPECT_TRUE(Checked(dialog, IDC_MASK_CONTOUR));
    EXPECT_EQ(ControlText(dialog, IDC_ITERATION_EDIT), Format("%.2f", d.iterations));
  } else {
    EXPECT_EQ(GetDlgItem(dialog, IDC_MASK_IN), nullptr);
    EXPECT_EQ(GetDlgItem(dialog, IDC_ITERATION_EDIT), nullptr);
  }
  if (table->dialog.velocityAndSpace) {
    EXPECT_EQ(ControlText(dialog, IDC_VELOCITY_EDIT), Format("%f", d.velocity));
    EXPECT_EQ(ControlText(dialog, IDC_SPACE_EDIT), Format("%f", d.space));
    EXPECT_EQ(SliderPos(dialog, IDC_VELOCITY_SLIDER), d.velocity);
  }
  if (table == &kCombustionTable) {
    EXPECT_EQ(ControlText(dialog, IDC_MAIN_EDIT_1), "6.000000");
    EXPECT_EQ(ControlText(dialog, IDC_MAIN_EDIT_2), "10.00");
    EXPECT_TRUE(Checked(dialog, IDC_EFFECT_BLEND));
    EXPECT_TRUE(Checked(dialog, IDC_EFFECT_TOP));
    EXPECT_FALSE(Checked(dialog, IDC_EFFECT_LEFT));
    EXPECT_EQ(SliderPos(dialog, IDC_PHASE_SLIDER), 25);
  }
  // The dial and the preview timer belong to the four animated plug-ins.
  EXPECT_EQ(Child(dialog, "RotationRect") != nullptr, table->dialog.animated);
  const size_t renders = testing::Plugin().engineCalls.size();
  Driver::Pump(200);
  EXPECT_EQ(testing::Plugin().engineCalls.size() > renders, table->dialog.animated);

  if (!testing::ScreenshotDir().empty()) {
    std::string name = table->name;
    testing::WritePam(testing::ScreenshotDir() + "/" + name + ".pam",
                      testing::CaptureWindow(dialog));
  }
}

TEST_P(PluginDialog, ResetRestoresTheDefaults) {
  Open();
  testing::TypeAndLeave(dialog, IDC_MAIN_EDIT_1, "77", IDC_MAIN_EDIT_2);
  testing::ClickButton(dialog, IDC_FLAME_LEFT);
  SendDlgItemMessageA(dialog, IDC_RAMP_POSITION_1, TBM_SETPOS, TRUE, 30);
  SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0),
               LPARAM(GetDlgItem(dialog, IDC_RAMP_POSITION_1)));
  ASSERT_FALSE(SameWorking(Working(), Defaults()));
  Press(dialog, IDC_RESET);
  EXPECT_TRUE(SameWorking(Working(), Defaults()));
  EXPECT_EQ(ControlText(dialog, IDC_MAIN_EDIT_1),
            Format("%f", int(GetField(Defaults(), table->dialog.mainFields[0]))));
  EXPECT_FALSE(Checked(dialog, IDC_FLAME_LEFT));
  EXPECT_EQ(SliderPos(dialog, IDC_RAMP_POSITION_1), Defaults().rampPosition1);
  EXPECT_EQ(Module().colorRamp.entries[255][0], 0);
}

TEST_P(PluginDialog, OkWritesTheBlockAndCancelGivesMinus128) {
  MakeHost();
  host->Select(kSelectorPrepare);
  const std::vector<uint8_t> before = Block(table->layout.size);
  HINSTANCE instance = GetModuleHandleA(nullptr);
  {
    Driver driver;
    driver.Script(
        GetParam().caption,
        {{50, [](HWND d) { testing::TypeAndLeave(d, IDC_MAIN_EDIT_1, "12", IDC_ALPHA_EDIT); }},
         {20, [](HWND d) { testing::PostCommand(d, IDCANCEL); }}});
    EXPECT_EQ(ui::RunDialogTemplate(globals, instance, GetParam().templateName), IDCANCEL);
    EXPECT_FALSE(driver.timedOut());
  }
  EXPECT_EQ(globals.result, kUserCanceledErr);
  EXPECT_EQ(Block(table->layout.size), before);

  globals.result = 0;
  {
    Driver driver;
    driver.Script(
        GetParam().caption,
        {{50, [](HWND d) { testing::TypeAndLeave(d, IDC_MAIN_EDIT_1, "33", IDC_ALPHA_EDIT); }},
         {20, [](HWND d) { testing::PostCommand(d, IDOK); }}});
    EXPECT_EQ(ui::RunDialogTemplate(globals, instance, GetParam().templateName), IDOK);
    EXPECT_FALSE(driver.timedOut());
  }
  EXPECT_EQ(globals.result, 0);
  WorkingParameters stored{};
  BlockOf(globals).LoadInto(stored);
  EXPECT_EQ(GetField(stored, table->dialog.mainFields[0]), 33u);
  EXPECT_EQ(stored.alpha, Defaults().alpha);
  EXPECT_EQ(Module().iterationCount, Defaults().iterations);
}

TEST_P(PluginDialog, SaveWritesTheFileAndLoadReadsItBack) {
  Open();
  Driver driver;
  driver.Leave(GetParam().caption);
  testing::TypeAndLeave(dialog, IDC_MAIN_EDIT_1, "77", IDC_MAIN_EDIT_2);
  testing::ClickButton(dialog, IDC_FLAME_RIGHT);
  const WorkingParameters chosen = Working();
  const std::string dir = TempDirectory();

  // The name is typed without its extension: the plug-in's is added.
  Save(driver, dir + "settings");
  EXPECT_EQ(driver.Seen("Save Filter Params").size(), 1u);
  const std::string file = dir + "settings" + table->file.extension;
  const std::vector<uint8_t> bytes = zar::host::WholeFile(file);
  EXPECT_EQ(bytes.size(), ParamsFileSize(table->file));
  EXPECT_EQ(bytes, EncodeParamsFile(table->file, chosen));
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + std::strlen(table->file.header)),
            table->file.header);
  // Saving touches neither the controls nor the working values.
  EXPECT_TRUE(SameWorking(Working(), chosen));

  Press(dialog, IDC_RESET);
  ASSERT_TRUE(SameWorking(Working(), Defaults()));
  Load(driver, file);
  EXPECT_EQ(driver.Seen("Open Filter Params").size(), 1u);
  EXPECT_TRUE(SameWorking(Working(), chosen));
  EXPECT_EQ(ControlText(dialog, IDC_MAIN_EDIT_1), "77.000000");
  EXPECT_EQ(SliderPos(dialog, IDC_MAIN_SLIDER_1), 77);
  EXPECT_TRUE(Checked(dialog, IDC_FLAME_RIGHT));
  EXPECT_FALSE(Checked(dialog, IDC_FLAME_TOP));
  EXPECT_FALSE(driver.timedOut());
  for (const auto& w : driver.seen()) EXPECT_NE(w.caption, "Save As") << w.text;
  DeleteFileA(file.c_str());
}

TEST_P(PluginDialog, AFileWithAnotherHeaderChangesNothing) {
  Open();
  Driver driver;
  driver.Leave(GetParam().caption);
  testing::TypeAndLeave(dialog, IDC_MAIN_EDIT_1, "50", IDC_MAIN_EDIT_2);
  const WorkingParameters before = Working();
  // Another plug-in's file with every field changed (Fire and Cryo share theirs: use Ice's).
  const PluginTable& other = table == &kFireTable || table == &kCryoTable ? kIceTable
                            : table == &kIceTable                      ? kCandleTable
                                                                     : kFireTable;
  WorkingParameters changed = other.defaults;
  changed.alpha = 3;
  const std::string file = TempDirectory() + "other.bin";
  WriteAll(file, EncodeParamsFile(other.file, changed));
  Load(driver, file);
  EXPECT_EQ(driver.Seen("Open Filter Params").size(), 1u);
  EXPECT_TRUE(SameWorking(Working(), before));
  EXPECT_EQ(ControlText(dialog, IDC_MAIN_EDIT_1), "50");
  EXPECT_TRUE(driver.Seen("Save As").empty());
  DeleteFileA(file.c_str());
}

TEST_P(PluginDialog, AFileThatCannotBeOpenedShowsTheMessageAndKeepsTheSettings) {
  Open();
  Driver driver;
  driver.Leave(GetParam().caption);
  testing::TypeAndLeave(dialog, IDC_MAIN_EDIT_1, "50", IDC_MAIN_EDIT_2);
  const WorkingParameters before = Working();
  // A file another program holds open without sharing.
  const std::string file = TempDirectory() + "locked" + table->file.extension;
  WriteAll(file, EncodeParamsFile(table->file, Defaults()));
  HANDLE lock = CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  Load(driver, file);
  CloseHandle(lock);
  const auto messages = driver.Seen("Save As");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "Create File Error");
  EXPECT_TRUE(SameWorking(Working(), before));
  EXPECT_EQ(ControlText(dialog, IDC_MAIN_EDIT_1), "50");
  DeleteFileA(file.c_str());
}

TEST_P(PluginDialog, OpeningAMissingFileShowsTheMessageAndKeepsTheSettings) {
  Open();
  Driver driver;
  driver.Leave(GetParam().caption);
  testing::ClickButton(dialog, IDC_FLAME_BOTTOM);
  const WorkingParameters before = Working();
  Load(driver, TempDirectory() + "missing" + table->file.extension);
  const auto messages = driver.Seen("Save As");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "Create File Error");
  EXPECT_TRUE(SameWorking(Working(), before));
  EXPECT_TRUE(Checked(dialog, IDC_FLAME_BOTTOM));
  EXPECT_FALSE(driver.timedOut());
}

INSTANTIATE_TEST_SUITE_P(AllPlugins, PluginDialog, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<PluginCase>& info) {
                           return std::string(info.param.table->name);
                         });

// ---- loaded values without a button ------------------------------------------------------------

class LoadedValues : public testing::DialogFixture {
 protected:
  void LoadFile(const char* templateName, const char* caption, const WorkingParameters& values) {
    OpenModeless(templateName);
    Driver driver;
    driver.Leave(caption);
    file = TempDirectory() + "values.bin";
    WriteAll(file, EncodeParamsFile(table->file, values));
    driver.Script("Open Filter Params", {{30, [this](HWND f) { ChooseFile(f, file); }}});
    Press(dialog, IDC_LOAD);
    EXPECT_FALSE(driver.timedOut());
  }
  void TearDown() override {
    DialogFixture::TearDown();
    DeleteFileA(file.c_str());
  }
  std::string file;
};

TEST_F(LoadedValues, AFlameDirectionOfNineChecksNoDirectionButton) {
  WorkingParameters values = kFireTable.defaults;
  values.flameDirection = 9;
  LoadFile("FIRE", "ZAR Fire", values);
  EXPECT_EQ(Module().working.flameDirection, 9);
  for (int id = IDC_FLAME_LEFT_TOP; id <= IDC_FLAME_RIGHT_BTM; ++id)
    EXPECT_FALSE(Checked(dialog, id)) << id;
}

TEST_F(LoadedValues, IceMaskModeTwoLeavesEveryMaskButtonUnchecked) {
  Use(kIceTable);
  WorkingParameters values = kIceTable.defaults;
  values.maskMode = 2;
  LoadFile("ICE", "ZAR Ice", values);
  EXPECT_EQ(Module().working.maskMode, 2);
  EXPECT_FALSE(Checked(dialog, IDC_MASK_IN));
  EXPECT_FALSE(Checked(dialog, IDC_MASK_OUT));
  EXPECT_FALSE(Checked(dialog, IDC_MASK_CONTOUR));
}

TEST_F(LoadedValues, CombustionEffectModeThreeShowsOnlyGate) {
  Use(kCombustionTable);
  WorkingParameters values = kCombustionTable.defaults;
  values.effectMode = 3;
  values.effectDirection = 5;
  LoadFile("COMBUSTION", "ZAR Combustion", values);
  EXPECT_TRUE(Checked(dialog, IDC_EFFECT_GATE));
  EXPECT_FALSE(Checked(dialog, IDC_EFFECT_BLEND));
  EXPECT_FALSE(Checked(dialog, IDC_EFFECT_PAGE));
  EXPECT_FALSE(Checked(dialog, IDC_EFFECT_HOLE));
  EXPECT_TRUE(Checked(dialog, IDC_EFFECT_RIGHT_BTM));
  EXPECT_FALSE(Checked(dialog, IDC_EFFECT_TOP));
}

TEST_F(LoadedValues, FireAndCryoReadEachOthersFiles) {
  WorkingParameters values = kCryoTable.defaults;
  values.oxygen = 61;
  values.rampColors[2] = 0x102030;
  LoadFile("FIRE", "ZAR Fire", values);  // Cryo's defaults, as a Cryo file
  EXPECT_EQ(Module().working.oxygen, 61);
  EXPECT_EQ(Module().working.rampColors[2], 0x102030u);
  EXPECT_EQ(Module().working.colorMode, 1);
  DestroyWindow(dialog);

  Use(kCryoTable);
  values = kFireTable.defaults;
  values.fuel = 7;
  LoadFile("CRYO", "ZAR Cryo", values);
  EXPECT_EQ(Module().working.fuel, 7);
  EXPECT_EQ(ControlText(dialog, IDC_MAIN_EDIT_4), "7.00");
}

TEST_F(LoadedValues, IceRefusesCandlesFile) {
  Use(kCandleTable);
  WorkingParameters values = kCandleTable.defaults;
  values.height = 99;
  const std::vector<uint8_t> candleFile = EncodeParamsFile(kCandleTable.file, values);
  Use(kIceTable);
  OpenModeless("ICE");
  Driver driver;
  driver.Leave("ZAR Ice");
  file = TempDirectory() + "candle.pcn";
  WriteAll(file, candleFile);
  driver.Script("Open Filter Params", {{30, [this](HWND f) { ChooseFile(f, file); }}});
  Press(dialog, IDC_LOAD);
  EXPECT_TRUE(SameWorking(Module().working, kIceTable.defaults));
}

TEST_F(LoadedValues, CombustionSavedAfterResetIsTheDocumentedFile) {
  Use(kCombustionTable);
  OpenModeless("COMBUSTION");
  Driver driver;
  driver.Leave("ZAR Combustion");
  testing::TypeAndLeave(dialog, IDC_MAIN_EDIT_1, "99", IDC_MAIN_EDIT_2);
  Press(dialog, IDC_RESET);
  file = TempDirectory() + "reset";
  driver.Script("Save Filter Params", {{30, [this](HWND f) { ChooseFile(f, file); }}});
  Press(dialog, IDC_SAVE);
  file += ".pcb";
  // Rotation 180, radius 0 and iterations 40 too, though this dialog shows none of them.
  std::vector<uint8_t> want;
  for (char c : std::string("Jux Rorizazori Param")) want.push_back(uint8_t(c));
  for (int v :
       {0, 0, 25, 6,   10,   254,  13,   200, 0,    0,    0, 40, 0,    0, 0, 0, 0, 0, 0, 180, 0,
        0, 0, 85, 171, 0xFF, 0xFF, 0xFF, 0,   0xFF, 0xFF, 0, 0,  0xFF, 0, 0, 0, 0, 0, 0, 0,   0})
    want.push_back(uint8_t(v));
  EXPECT_EQ(zar::host::WholeFile(file), want);
}

TEST_F(LoadedValues, AFailedSaveShowsTheMessageAndLeavesTheOldFile) {
  OpenModeless("FIRE");
  Driver driver;
  driver.Leave("ZAR Fire");
  file = TempDirectory() + "kept.pfr";
  const std::vector<uint8_t> old = {1, 2, 3};
  WriteAll(file, old);
  testing::TypeAndLeave(dialog, IDC_MAIN_EDIT_1, "90", IDC_MAIN_EDIT_2);
  // The disk fills up while the file is written.
  platform::testing::FailFileWrites(true);
  driver.Script("Save Filter Params", {{30, [this](HWND f) { ChooseFile(f, file); }}});
  Press(dialog, IDC_SAVE);
  platform::testing::FailFileWrites(false);
  const auto messages = driver.Seen("Save As");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "Create File Error");
  EXPECT_EQ(zar::host::WholeFile(file), old);
  // Nothing is left beside it either.
  WIN32_FIND_DATAA found;
  const std::string dir = file.substr(0, file.rfind('\\') + 1);
  HANDLE search = FindFirstFileA((dir + "*").c_str(), &found);
  int files = 0;
  if (search != INVALID_HANDLE_VALUE) {
    do files += !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    while (FindNextFileA(search, &found));
    FindClose(search);
  }
  EXPECT_EQ(files, 1);

  // A name that cannot be created at all.
  driver.Script("Save Filter Params",
                {{30, [this](HWND f) { ChooseFile(f, file + "\\no such folder\\x"); }}});
  Press(dialog, IDC_SAVE);
  EXPECT_EQ(driver.Seen("Save As").size(), 2u);
  EXPECT_FALSE(driver.timedOut());
}

}  // namespace
}  // namespace zar
