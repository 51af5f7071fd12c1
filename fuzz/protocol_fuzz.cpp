// The selector protocol: random sequences of selectors, in any order, sent to a real plug-in
// module by a small host of its own, with the host core's handle suite, that keeps to the host's
// side of the contract (the buffers it hands over always cover the rectangles in the record, with
// all the planes asked for) while
// everything else varies: the picture (0 to 64 pixels each way, 0 to 8 planes, any mode), the
// selection, the filter rectangle inside the picture, the memory budget, which callbacks and
// handle procedures exist, the parameters handle (kept, lost, or any bytes), row padding, abort
// and advanceState errors at any point, and runs that follow the usual order.
//
// What the plug-in must keep to in return, checked after every call: it reads and writes only the
// buffers handed over (the sanitizers see every byte past them, and the row padding must come
// back untouched); its results are its own codes or a callback's code passed on unchanged; its
// progress reports have a positive total; it leaves the data cell alone once set; the pixel maps
// it displays lie inside their buffers; every handle it asked the host for is given back, except
// the parameters handle the host keeps; and it hands the host no handle but the host's or its own.
//
// A parameters block's iteration count is taken modulo 44 to keep runs short.
#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

#include "fuzz/common/fuzz_input.h"
#include "fuzz/common/modules.h"
#include "interface/native_exports.h"

namespace zar::fuzz {
namespace {

constexpr uint8_t kCanary = 0x5C;
constexpr Fixed kRateOne = 0x10000;
constexpr int64_t kMaxBufferBytes = 1 << 20;

struct Buffer {
  std::vector<uint8_t> bytes;
  int32 rowBytes = 0;
  int32 rowLength = 0;
  int32 rows = 0;
};

class MiniHost {
 public:
  MiniHost(const host::PluginModule& module, const PluginTable& table, FuzzInput& input)
      : entry_(module.entry()), table_(table), input_(input), core_(module) {
    // The handle suite is the host core's; the host only watches what the plug-in asks of it.
    core_.options().logCallbacks = false;
    procs_ = *core_.handleProcs();
    procs_.newProc = NewHandleProc;
    procs_.disposeProc = procs_.disposeRegularHandleProc = DisposeHandleProc;
    platform_.hwnd = 0x1234;
    record_.abortProc = AbortProc;
    record_.progressProc = ProgressProc;
    record_.advanceState = AdvanceStateProc;
    record_.displayPixels = DisplayPixelsProc;
    record_.handleProcs = &procs_;
    record_.platformData = &platform_;
    record_.hostSig = FourCC("ZARf");
    record_.supportsPadding = 1;
    record_.samplingSupport = 1;
    record_.maxSpace = 1 << 20;
    record_.bufferSpace = record_.maxSpace;
    NewPicture(16, 16, 3, kImageModeRGB, false);
    active_ = this;
    // The module's message boxes come here instead of its standard error.
    if (auto set = reinterpret_cast<ZarSetMessageHookProc>(module.FindExport("ZarSetMessageHook")))
      set(MessageHook, nullptr);
  }

  ~MiniHost() {
    active_ = nullptr;
    // Every handle the plug-in made through the host is given back, but the parameters handle.
    for (Handle handle : requested_) FUZZ_CHECK(handle == record_.parameters);
    if (dataCell_) core_.handleProcs()->disposeProc(reinterpret_cast<Handle>(dataCell_));
    if (record_.parameters) core_.handleProcs()->disposeProc(record_.parameters);
    // The plug-in locked, resized and disposed only handles that were the host's or its own.
    FUZZ_CHECK(core_.handleCounts().unknown == 0);
  }

  void Run() {
    for (int ops = 0; ops < 48 && !input_.empty(); ++ops) Step(input_.Byte());
  }

 private:
  // ---- the host's own operations ----------------------------------------------------------------

  void Step(uint8_t op) {
    switch (op % 16) {
      case 0: About(); break;
      case 1: Call(kSelectorParameters); break;
      case 2: Call(kSelectorPrepare); break;
      case 3: Call(kSelectorStart); break;
      case 4: Continue(); break;
      case 5: Call(kSelectorFinish); break;
      case 6: {
        // Any selector value; about always comes with the host's about record.
        const int16 selector = int16(input_.U16());
        if (selector == kSelectorAbout)
          About();
        else
          Call(selector);
        break;
      }
      case 7: {
        const int width = int(input_.Int(0, 64)), height = int(input_.Int(0, 64));
        const int planes = int(input_.Int(0, 8));
        const uint8_t flags = input_.Byte();
        NewPicture(width, height, planes, flags & 1 ? int16(input_.Int(0, 15)) : kImageModeRGB,
                   flags & 2);
        break;
      }
      case 8: {
        static const int32 kBudgets[] = {0, 1, 100, 4096, 1 << 20, INT32_MAX, -1};
        record_.maxSpace = input_.Bool() ? int32(input_.U32()) : kBudgets[input_.Int(0, 6)];
        record_.bufferSpace = record_.maxSpace;
        break;
      }
      case 9: {
        const uint8_t flags = input_.Byte();
        record_.advanceState = flags & 1 ? nullptr : AdvanceStateProc;
        record_.displayPixels = flags & 2 ? nullptr : DisplayPixelsProc;
        record_.abortProc = flags & 4 ? nullptr : AbortProc;
        record_.progressProc = flags & 8 ? nullptr : ProgressProc;
        record_.platformData = flags & 16 ? nullptr : &platform_;
        // A handle suite the plug-in must not use: none, another version, too few procedures.
        record_.handleProcs = flags & 32 ? nullptr : &procs_;
        procs_.handleProcsVersion = flags & 64 ? 2 : kCurrentHandleProcsVersion;
        procs_.numHandleProcs = flags & 128 ? 4 : 8;
        break;
      }
      case 10: {
        // The block the host kept is replaced: by none (a host that lost it), by any bytes of
        // any size, or by a handle without a data block.
        const int what = int(input_.Int(0, 2));
        ForgetParameters();
        if (what == 0) break;
        std::vector<uint8_t> block = input_.Blob(80);
        ShortenIterations(block);
        record_.parameters = core_.handleProcs()->newProc(int32(block.size()));
        if (!block.empty()) std::memcpy(*record_.parameters, block.data(), block.size());
        if (what == 2) *record_.parameters = nullptr;  // the host frees the block it made
        break;
      }
      case 11: abortAfter_ = int(input_.Int(-1, 8)); break;
      case 12:
        advanceError_ = int16(input_.U16());
        advanceErrorAfter_ = int(input_.Int(-1, 8));
        break;
      case 13:
        extraRowBytes_ = int(input_.Int(0, 9));
        failNewHandle_ = input_.Bool();
        // Some hosts size every handle, the plug-in's own too; others none.
        core_.options().handleSizesUnknown = !input_.Bool();
        break;
      case 14: FullRun(input_.Bool()); break;
      case 15: {
        // The filter rectangle: any part of the picture, or the whole.
        const int top = int(input_.Int(0, height_)), left = int(input_.Int(0, width_));
        record_.filterRect = Rect16{int16(top), int16(left), int16(input_.Int(top, height_)),
                                    int16(input_.Int(left, width_))};
        break;
      }
    }
  }

  // One run in the usual order: parameters (when the dialog is wanted), prepare, start, then
  // continue while the plug-in asks for a strip, and finish once start has been called.
  void FullRun(bool withDialog) {
    if (withDialog && Call(kSelectorParameters) != kNoErr) return;
    if (Call(kSelectorPrepare) != kNoErr) return;
    int16 result = Call(kSelectorStart);
    for (int strips = 0; result == kNoErr && AnyRequest() && strips < 200; ++strips) {
      if (!Deliver()) break;
      result = Call(kSelectorContinue, /*keepBuffers=*/true);
    }
    Call(kSelectorFinish);
  }

  void NewPicture(int width, int height, int planes, int16 mode, bool withMask) {
    width_ = width;
    height_ = height;
    planes_ = planes;
    image_.resize(size_t(width) * size_t(height) * size_t(planes));
    const uint8_t seed = input_.Byte();
    uint32_t state = seed * 2654435761u + 3;
    for (uint8_t& sample : image_) {
      state = state * 214013 + 2531011;
      sample = seed & 1 ? uint8_t(state >> 16) : uint8_t(state >> 16) & seed;
    }
    mask_.assign(withMask ? size_t(width) * size_t(height) : 0, 0);
    for (size_t i = 0; i < mask_.size(); ++i) mask_[i] = ((i * 7) % 11) < size_t(seed % 12) ? 255 : 0;
    record_.imageSize = Point16{int16(height), int16(width)};
    record_.wholeSize = record_.imageSize;
    record_.planes = int16(planes);
    record_.imageMode = mode;
    record_.haveMask = withMask;
    record_.filterCase = withMask ? 2 : 1;
    record_.filterRect = Rect16{0, 0, int16(height), int16(width)};
    record_.inRect = record_.outRect = record_.maskRect = Rect16{};
    record_.inputRate = record_.maskRate = kRateOne;
  }

  // The host lets go of the block it kept, its own handle or the plug-in's.
  void ForgetParameters() {
    Handle old = record_.parameters;
    record_.parameters = nullptr;
    requested_.erase(old);
    if (old) core_.handleProcs()->disposeProc(old);
  }

  void ShortenIterations(std::vector<uint8_t>& block) const {
    const ParameterLayout& layout = table_.layout;
    if (block.size() < size_t(layout.iterations) + 4) return;
    int32_t iterations;
    std::memcpy(&iterations, block.data() + layout.iterations, 4);
    iterations %= 44;
    std::memcpy(block.data() + layout.iterations, &iterations, 4);
  }

  // ---- calls into the plug-in ---------------------------------------------------------------------

  void About() {
    AboutRecord about{};
    about.platformData = input_.Bool() ? &platform_ : nullptr;
    int16 result = 1;
    entry_(kSelectorAbout, &about, &dataCell_, &result);
    FUZZ_CHECK(result == kNoErr || result == kMemFullErr);
  }

  void Continue() {
    if (Deliver()) Call(kSelectorContinue, /*keepBuffers=*/true);
  }

  int16 Call(int16 selector, bool keepBuffers = false) {
    if (!keepBuffers) DropBuffers();
    const intptr_t cell = dataCell_;
    errorsHandedOut_.clear();
    int16 result = 1;
    entry_(selector, &record_, &dataCell_, &result);
    FUZZ_CHECK(cell == 0 || dataCell_ == cell);
    FUZZ_CHECK(result == kNoErr || result == kMemFullErr || result == kUserCanceledErr ||
               result == kFilterBadParameters || errorsHandedOut_.count(result));
    Commit();
    return result;
  }

  // ---- strips -----------------------------------------------------------------------------------

  bool AnyRequest() const {
    auto empty = [](const Rect16& r) { return r.bottom <= r.top || r.right <= r.left; };
    return !empty(record_.inRect) || !empty(record_.outRect) || !empty(record_.maskRect);
  }

  // Fills a buffer for a requested rectangle, sampled from the picture at the rate; places
  // outside the picture take the padding value (0 when it names none). False for a request no
  // host could serve.
  bool Fill(Buffer& b, const Rect16& rect, int lo, int hi, Fixed rate, int16 padding,
            const uint8_t* source, int sourcePlanes) {
    b = Buffer{};
    const int rows = rect.bottom - rect.top, cols = rect.right - rect.left;
    const int planes = hi - lo + 1;
    if (rows <= 0 || cols <= 0 || planes <= 0) return true;  // nothing asked for
    if (lo < 0 || hi >= sourcePlanes) return false;
    b.rowLength = cols * planes;
    b.rowBytes = b.rowLength + extraRowBytes_;
    b.rows = rows;
    const int64_t total = int64_t(rows - 1) * b.rowBytes + b.rowLength;
    if (total > kMaxBufferBytes) return false;
    b.bytes.assign(size_t(total), kCanary);
    if (rate <= 0) rate = kRateOne;
    for (int y = 0; y < rows; ++y) {
      uint8_t* row = b.bytes.data() + size_t(y) * size_t(b.rowBytes);
      const int64_t sy = (int64_t(rect.top + y) * rate) >> 16;
      for (int x = 0; x < cols; ++x) {
        const int64_t sx = (int64_t(rect.left + x) * rate) >> 16;
        uint8_t* px = row + size_t(x) * size_t(planes);
        if (source && sx >= 0 && sy >= 0 && sx < width_ && sy < height_)
          std::memcpy(px, source + (size_t(sy) * size_t(width_) + size_t(sx)) * sourcePlanes + lo,
                      size_t(planes));
        else
          std::memset(px, padding >= 0 && padding <= 255 ? padding : 0, size_t(planes));
      }
    }
    return true;
  }

  bool Deliver() {
    Commit();
    const FilterRecord& r = record_;
    const bool ok =
        Fill(in_, r.inRect, r.inLoPlane, r.inHiPlane, r.inputRate, r.inputPadding, image_.data(),
             planes_) &&
        Fill(out_, r.outRect, r.outLoPlane, r.outHiPlane, r.inputRate, r.outputPadding,
             image_.data(), planes_) &&
        (!r.haveMask || Fill(mask_buffer_, r.maskRect, 0, 0, r.maskRate, r.maskPadding,
                             mask_.data(), 1));
    if (!ok) {
      DropBuffers();
      return false;
    }
    auto data = [](Buffer& b) -> void* { return b.bytes.empty() ? nullptr : b.bytes.data(); };
    record_.inData = data(in_);
    record_.inRowBytes = in_.rowBytes;
    record_.outData = data(out_);
    record_.outRowBytes = out_.rowBytes;
    record_.maskData = r.haveMask ? data(mask_buffer_) : nullptr;
    record_.maskRowBytes = r.haveMask ? mask_buffer_.rowBytes : 0;
    delivered_ = true;
    return true;
  }

  // The plug-in is done with the strip: nothing may have been written into the row padding.
  void Commit() {
    if (!delivered_) return;
    delivered_ = false;
    for (const Buffer* b : {&in_, &out_, &mask_buffer_})
      for (int y = 0; y + 1 < b->rows; ++y)
        for (int k = b->rowLength; k < b->rowBytes; ++k)
          FUZZ_CHECK(b->bytes[size_t(y) * size_t(b->rowBytes) + size_t(k)] == kCanary);
  }

  void DropBuffers() {
    Commit();
    in_ = out_ = mask_buffer_ = Buffer{};
    record_.inData = record_.outData = record_.maskData = nullptr;
    record_.inRowBytes = record_.outRowBytes = record_.maskRowBytes = 0;
  }

  // ---- callbacks ------------------------------------------------------------------------------

  static void MessageHook(void*, intptr_t, const char* text, const char* caption, int) {
    FUZZ_CHECK(text && caption);
  }

  static Boolean ZAR_CDECL AbortProc() {
    MiniHost* h = active_;
    if (h->abortAfter_ < 0) return 0;
    if (h->abortAfter_ == 0) return 1;  // the user pressed cancel and it stays pressed
    --h->abortAfter_;
    return 0;
  }

  static void ZAR_CDECL ProgressProc(int32 done, int32 total) {
    FUZZ_CHECK(total > 0);
    FUZZ_CHECK(done >= 0 && done <= total);
  }

  static OSErr ZAR_CDECL AdvanceStateProc() {
    MiniHost* h = active_;
    if (h->advanceErrorAfter_ == 0 && h->advanceError_ != kNoErr) {
      h->errorsHandedOut_.insert(h->advanceError_);
      h->DropBuffers();
      return h->advanceError_;
    }
    if (h->advanceErrorAfter_ > 0) --h->advanceErrorAfter_;
    if (!h->Deliver()) {
      h->errorsHandedOut_.insert(kFilterBadParameters);
      return kFilterBadParameters;
    }
    return kNoErr;
  }

  static OSErr ZAR_CDECL DisplayPixelsProc(const PSPixelMap* source, const VRect* srcRect, int32,
                                           int32, void*) {
    FUZZ_CHECK(source && srcRect && source->version >= 1 && source->baseAddr);
    const VRect& b = source->bounds;
    FUZZ_CHECK(srcRect->top >= b.top && srcRect->left >= b.left && srcRect->bottom <= b.bottom &&
               srcRect->right <= b.right);
    FUZZ_CHECK(source->rowBytes >= (b.right - b.left) * source->colBytes);
    // Touch every pixel shown, so a map outside its buffer is a sanitizer report.
    const auto* base = static_cast<const volatile uint8_t*>(source->baseAddr);
    for (int32 y = srcRect->top; y < srcRect->bottom; ++y)
      for (int32 x = srcRect->left; x < srcRect->right; ++x)
        (void)base[(y - b.top) * source->rowBytes + (x - b.left) * source->colBytes];
    return kNoErr;
  }

  static Handle ZAR_CDECL NewHandleProc(int32 size) {
    MiniHost* h = active_;
    if (h->failNewHandle_) return nullptr;
    Handle handle = h->core_.handleProcs()->newProc(size);
    if (handle) h->requested_.insert(handle);
    return handle;
  }

  static void ZAR_CDECL DisposeHandleProc(Handle handle) {
    MiniHost* h = active_;
    if (!handle) return;
    h->requested_.erase(handle);
    if (handle == h->record_.parameters) h->record_.parameters = nullptr;
    h->core_.handleProcs()->disposeProc(handle);
  }

  static MiniHost* active_;

  PluginMainProc entry_;
  const PluginTable& table_;
  FuzzInput& input_;
  host::Host core_;  // its handle suite
  FilterRecord record_{};
  PlatformData platform_{};
  HandleProcs procs_{};
  intptr_t dataCell_ = 0;
  std::set<Handle> requested_;       // the handles the plug-in asked for and still holds
  std::set<int16> errorsHandedOut_;  // callback codes the plug-in may pass on in this call

  int width_ = 0, height_ = 0, planes_ = 0;
  std::vector<uint8_t> image_, mask_;
  Buffer in_, out_, mask_buffer_;
  bool delivered_ = false;
  int extraRowBytes_ = 0;
  int abortAfter_ = -1;
  int16 advanceError_ = kNoErr;
  int advanceErrorAfter_ = -1;
  bool failNewHandle_ = false;
};

MiniHost* MiniHost::active_ = nullptr;

}  // namespace

void TestOneInput(FuzzInput& input) {
  const int plugin = int(input.Int(0, kPluginCount - 1));
  MiniHost host(LoadedModule(plugin), *kPluginTables[plugin], input);
  host.Run();
}

}  // namespace zar::fuzz
