#include "tests/dialog/fake_host.h"

#include <algorithm>
#include <cstring>

#include "framework/handles.h"
#include "hosts/core/screen.h"

extern "C" void ZAR_CDECL ENTRYPOINT(zar::int16 selector, void* record, intptr_t* data,
                                     zar::int16* result);

namespace zar::testing {

namespace {

FakeHost* gHost = nullptr;

Boolean ZAR_CDECL Abort() { return 0; }
void ZAR_CDECL Progress(int32, int32) {}
OSErr ZAR_CDECL Advance() { return gHost->Deliver(); }

OSErr ZAR_CDECL Display(const PSPixelMap* source, const VRect* srcRect, int32 dstRow, int32 dstCol,
                        void* context) {
  DisplayCall call{};
  call.map = *source;
  call.hasMask = source->masks != nullptr;
  if (call.hasMask) call.mask = *source->masks;
  call.srcRect = *srcRect;
  call.dstRow = dstRow;
  call.dstCol = dstCol;
  call.context = context;
  gHost->displayCalls.push_back(call);

  return host::DrawPixelMap(*source, *srcRect, dstRow, dstCol, context);
}

bool Empty(const Rect16& r) { return r.bottom <= r.top || r.right <= r.left; }

}  // namespace

FakeHost* CurrentHost() { return gHost; }

FakeHost::FakeHost(const Image& image, HWND owner) : picture(image), result(image) {
  gHost = this;
  filterRect = {0, 0, int16(picture.height), int16(picture.width)};
  platform.hwnd = reinterpret_cast<intptr_t>(owner);
  record.serialNumber = 1;
  record.abortProc = Abort;
  record.progressProc = Progress;
  record.imageSize = {int16(picture.height), int16(picture.width)};
  record.planes = int16(picture.planes);
  record.imageMode = kImageModeRGB;
  record.maxSpace = 64 << 20;
  record.platformData = &platform;
  record.displayPixels = Display;
  record.hostSig = FourCC("8BIM");
  record.supportsPadding = 1;
}

FakeHost::~FakeHost() {
  if (record.parameters && IsPluginHandle(record.parameters))
    DisposePluginHandle(record.parameters);
  if (data) DisposePluginHandle(reinterpret_cast<Handle>(data));
  if (gHost == this) gHost = nullptr;
}

int16 FakeHost::Call(int16 selector) {
  record.filterRect = filterRect;
  record.advanceState = offerAdvanceState ? Advance : nullptr;
  selectors.push_back(selector);
  int16 result = 0;
  (entry ? entry : ENTRYPOINT)(selector, &record, &data, &result);
  return result;
}

int16 FakeHost::Run(bool withDialog) {
  int16 result = 0;
  if (withDialog) result = Call(kSelectorParameters);
  if (!result) result = Call(kSelectorPrepare);
  if (!result) result = Call(kSelectorStart);
  while (!result && !(Empty(record.inRect) && Empty(record.outRect))) {
    result = Deliver();
    if (!result) {
      ++continueCalls;
      result = Call(kSelectorContinue);
    }
  }
  CommitOutput();
  const int16 finish = Call(kSelectorFinish);
  return result ? result : finish;
}

std::vector<uint8_t> FakeHost::Block(size_t size) const {
  if (!record.parameters || !*record.parameters) return {};
  const auto* bytes = reinterpret_cast<const uint8_t*>(*record.parameters);
  return std::vector<uint8_t>(bytes, bytes + size);
}

void FakeHost::CommitOutput() {
  if (!pending_ || pendingScale_ != 1) {
    pending_ = false;
    return;
  }
  const int planes = picture.planes;
  const int width = pendingRect_.right - pendingRect_.left;
  for (int y = pendingRect_.top; y < pendingRect_.bottom; ++y) {
    if (y < 0 || y >= picture.height) continue;
    for (int x = 0; x < width; ++x) {
      const int px = pendingRect_.left + x;
      if (px < 0 || px >= picture.width) continue;
      std::memcpy(result.At(px, y),
                  &out_[(size_t(y - pendingRect_.top) * width + size_t(x)) * planes], planes);
    }
  }
  pending_ = false;
}

OSErr FakeHost::Deliver() {
  CommitOutput();
  const int scale = std::max(1, int(record.inputRate >> 16));
  if (refusePreview && scale != 1) return -30102;  // a host that cannot reduce the picture
  const Rect16 r = record.inRect;
  requests.push_back(r);
  rates.push_back(record.inputRate);
  const int width = std::max(0, r.right - r.left), height = std::max(0, r.bottom - r.top);
  const int planes = picture.planes;
  in_.assign(size_t(width) * height * planes + 1, 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int sx = (r.left + x) * scale, sy = (r.top + y) * scale;
      uint8_t* p = &in_[(size_t(y) * width + x) * planes];
      if (sx >= 0 && sy >= 0 && sx < picture.width && sy < picture.height)
        std::memcpy(p, picture.At(sx, sy), planes);
      else
        std::memset(p, uint8_t(record.inputPadding), planes);
    }
  out_ = in_;
  record.inData = in_.data();
  record.inRowBytes = width * planes;
  record.outData = out_.data();
  record.outRowBytes = width * planes;
  mask_.assign(size_t(width) * height + 1, 255);
  record.maskData = record.haveMask ? mask_.data() : nullptr;
  record.maskRowBytes = width;
  pending_ = true;
  pendingRect_ = record.outRect;
  pendingRect_.right = int16(pendingRect_.left + width);
  pendingRect_.bottom = int16(pendingRect_.top + height);
  pendingScale_ = scale;
  return 0;
}

}  // namespace zar::testing
