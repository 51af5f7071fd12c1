#include "tests/dialog/dialog_fixture.h"

#include <cstdlib>
#include <cstring>

#include "framework/entry.h"
#include "framework/module_state.h"
#include "framework/parameters.h"
#include "hosts/core/screen.h"
#include "platform/platform.h"
#include "tests/support/test_plugin.h"
#include "ui/dialog.h"
#include "ui/win32/dialog.h"

namespace zar::testing {

int gPreviewFrames = 0;

void TestEngine(PluginGlobals& globals, int mode) {
  const FilterRecord& record = *globals.filterRecord;
  const int width = record.outRect.right - record.outRect.left;
  const int height = record.outRect.bottom - record.outRect.top;
  const int planes = record.outHiPlane - record.outLoPlane + 1;
  const uint8_t key = uint8_t(GetField(Module().working, ThisPlugin().layout.effectBytes[0]));
  const int frame = mode == 0 ? gPreviewFrames++ : 0;
  for (int y = 0; y < height; ++y) {
    const auto* in = static_cast<const uint8_t*>(record.inData) + size_t(y) * record.inRowBytes;
    auto* out = static_cast<uint8_t*>(record.outData) + size_t(y) * record.outRowBytes;
    // The preview: the picture with a bright band that moves down a few rows per frame.
    const bool band = (y + 400 - 3 * frame % 400) % 40 < 4;
    for (int x = 0; x < width * planes; ++x)
      out[x] = mode == 1 ? uint8_t(in[x] ^ key) : band ? uint8_t(255 - (255 - in[x]) / 4) : in[x];
  }
}

std::string ScreenshotDir() {
  const char* dir = std::getenv("ZAR_SCREENSHOT_DIR");
  return dir ? dir : "";
}

int SliderPos(HWND dialog, int id) {
  return int(SendDlgItemMessageA(dialog, id, TBM_GETPOS, 0, 0));
}

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

HWND Child(HWND dialog, const char* className, int index) {
  HWND child = nullptr;
  for (int i = 0; i <= index; ++i) child = FindWindowExA(dialog, child, className, nullptr);
  return child;
}

void DragSlider(HWND dialog, int id, std::initializer_list<int> positions) {
  HWND slider = GetDlgItem(dialog, id);
  RECT thumb;
  SendMessageA(slider, TBM_GETTHUMBRECT, 0, LPARAM(&thumb));
  RECT channel;
  SendMessageA(slider, TBM_GETCHANNELRECT, 0, LPARAM(&channel));
  const bool vertical = (GetWindowLongA(slider, GWL_STYLE) & TBS_VERT) != 0;
  const int min = int(SendMessageA(slider, TBM_GETRANGEMIN, 0, 0));
  const int max = int(SendMessageA(slider, TBM_GETRANGEMAX, 0, 0));
  const int cx = (thumb.left + thumb.right) / 2, cy = (thumb.top + thumb.bottom) / 2;
  SendMessageA(slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(cx, cy));
  const int startPos = int(SendMessageA(slider, TBM_GETPOS, 0, 0));
  for (int target : positions) {
    // Move the pointer by the distance between the positions along the channel.
    if (vertical) {
      const double span = double(channel.right - channel.left - (thumb.bottom - thumb.top));
      const int y = cy + int((target - startPos) * span / (max - min));
      SendMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(cx, y));
    } else {
      const double span = double(channel.right - channel.left - (thumb.right - thumb.left));
      const int x = cx + int((target - startPos) * span / (max - min) + 0.5);
      SendMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, cy));
    }
  }
  SendMessageA(slider, WM_LBUTTONUP, 0, 0);
}

void DialogFixture::Use(const PluginTable& which) {
  table = &which;
  ResetTestPlugin(which);
  platform::SetModuleInstance(GetModuleHandleA(nullptr));
  Plugin().engine = TestEngine;
  Plugin().dialog = ui::RunParameterDialog;  // the real dialog, over the test engine
  gPreviewFrames = 0;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  // The sample photograph enlarged four times, so the preview is a reduced copy.
  const Image photo = SamplePhoto();
  picture = Image(photo.width * 4, photo.height * 4, 3);
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x)
      std::memcpy(picture.At(x, y), photo.At(x / 4, y / 4), 3);
}

void DialogFixture::TearDown() {
  if (dialog && IsWindow(dialog)) DestroyWindow(dialog);
}

void DialogFixture::NewHost(const host::PluginModule* module,
                            const std::function<void(host::HostOptions&)>& adjust) {
  host.reset();
  if (!module) {
    if (!linked) linked = host::PluginModule::Linked(ENTRYPOINT);
    module = linked.get();
  }
  host::HostOptions options;
  options.watchWindows = false;       // the driver works them
  options.offerHandleSuite = false;   // the plug-in keeps its block in a handle of its own
  options.noOwnerWindow = true;       // the dialog is a window of its own on the screen
  options.copySourceToOutput = true;  // the output starts as the picture, as a preview shows it
  options.spaceLimit = 64 << 20;
  if (adjust) adjust(options);
  host = std::make_unique<host::Host>(*module, options);
  output = picture;
  displayCalls.clear();
  host->onDisplayPixels = [this](const PSPixelMap& source, const VRect& srcRect, int32 dstRow,
                                 int32 dstCol, void* context) {
    DisplayCall call{};
    call.map = source;
    call.hasMask = source.masks != nullptr;
    if (call.hasMask) call.mask = *source.masks;
    call.srcRect = srcRect;
    call.dstRow = dstRow;
    call.dstCol = dstCol;
    call.context = context;
    displayCalls.push_back(call);
    return host::DrawPixelMap(source, srcRect, dstRow, dstCol, context);
  };
}

void DialogFixture::MakeHost() {
  NewHost();
  host->BeginRun(output);
  ASSERT_EQ(host->Select(kSelectorParameters), 0);
  globals = PluginGlobals{0, {}, &host->record()};
}

std::vector<uint8_t> DialogFixture::Block(size_t size) const {
  std::vector<uint8_t> block = host->ParameterBlock();
  block.resize(size);
  return block;
}

std::vector<Fixed> DialogFixture::Rates() const {
  std::vector<Fixed> rates;
  for (const host::StripRequest& request : host->Requests())
    if (request.result == kNoErr) rates.push_back(request.inputRate);
  return rates;
}

void DialogFixture::OpenModeless(const char* templateName) {
  MakeHost();
  ASSERT_EQ(host->Select(kSelectorPrepare), 0);
  // What the start selector decides before it opens the dialog.
  BlockOf(globals).setUseAdvanceState(1);
  dialog = CreateDialogParamA(GetModuleHandleA(nullptr), templateName, nullptr, DissolveProc,
                              LPARAM(&globals));
  ASSERT_NE(dialog, nullptr);
  ShowWindow(dialog, SW_SHOW);
  UpdateWindow(dialog);
  Driver::Pump(50);
}

std::vector<uint8_t> DialogFixture::DefaultBlock() {
  MakeHost();
  std::vector<uint8_t> block = Block(table->layout.size);
  host.reset();
  return block;
}

}  // namespace zar::testing
