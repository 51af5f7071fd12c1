#include "hosts/core/host.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "hosts/core/plugin_resources.h"
#include "interface/handle_format.h"
#include "interface/native_exports.h"
#include "platform/platform.h"

namespace zar::host {

namespace {

constexpr Fixed kRateOne = 0x00010000;
constexpr uint8_t kCanary = 0xEE;  // fills the padding at the end of buffer rows
constexpr int64_t kMaxBufferBytes = int64_t(1) << 30;
constexpr intptr_t kWindowlessHostWindow = 0x5A4152;  // stands for the host window without one

// The host whose plug-in is running (between runs, the first host made): callbacks carry no
// context of their own.
Host* gActive = nullptr;

bool Empty(const Rect16& r) { return r.bottom <= r.top || r.right <= r.left; }

std::string RectText(const Rect16& r) {
  std::ostringstream out;
  out << "(" << r.top << "," << r.left << "," << r.bottom << "," << r.right << ")";
  return out.str();
}

std::string RectText(const VRect& r) {
  std::ostringstream out;
  out << "(" << r.top << "," << r.left << "," << r.bottom << "," << r.right << ")";
  return out.str();
}

std::string RateText(Fixed rate) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", rate / 65536.0);
  return text;
}

// Image coordinate of buffer coordinate c at a 16.16 sampling rate (floor).
int Sample(int c, Fixed rate) { return int((int64_t(c) * rate) >> 16); }

// A text on one line: control characters written as escapes.
std::string OneLine(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c == '\n') {
      out += "\\n";
    } else if (c < 0x20) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out.push_back(char(c));
    }
  }
  return out;
}

const char* IconName(os::Icon icon) {
  switch (icon) {
    case os::Icon::kNone: return "none";
    case os::Icon::kInformation: return "information";
    case os::Icon::kWarning: return "warning";
    case os::Icon::kOther: return "other";
  }
  return "?";
}

void NativeMessageHook(void* context, intptr_t owner, const char* text, const char* caption,
                       int warning) {
  LogEntry entry;
  entry.kind = LogKind::kMessage;
  entry.window.owner = owner;
  entry.window.className = "message box";
  entry.window.caption = caption ? caption : "";
  entry.window.text = text ? text : "";
  entry.window.icon = warning ? os::Icon::kWarning : os::Icon::kInformation;
  static_cast<Host*>(context)->Append(std::move(entry));
}

}  // namespace

// ---- the callbacks the plug-in calls ----------------------------------------------------------

struct Callbacks {
  static Boolean ZAR_CDECL Abort() {
    Host* h = gActive;
    if (!h) return 0;
    ++h->abortCalls_;
    return h->options_.abortAfterStrips >= 0 && h->stripsDelivered_ >= h->options_.abortAfterStrips;
  }

  static void ZAR_CDECL Progress(int32 done, int32 total) {
    Host* h = gActive;
    if (!h) return;
    LogEntry entry;
    entry.kind = LogKind::kProgress;
    entry.done = done;
    entry.total = total;
    h->Append(std::move(entry));
    if (h->onProgress) h->onProgress(done, total);
  }

  static OSErr ZAR_CDECL AdvanceState() {
    Host* h = gActive;
    if (!h || !h->picture_) return kFilterBadParameters;
    const int call = h->advanceStateCalls_++;
    // Whatever the plug-in wrote into the last strip is finished work.
    h->Commit();
    OSErr refusal = kNoErr;
    if (h->options_.advanceStateError != kNoErr && call >= h->options_.advanceStateErrorAt)
      refusal = h->options_.advanceStateError;
    else if (h->options_.refusePreview && h->record_.inputRate != kRateOne)
      refusal = kFilterBadParameters;
    if (refusal != kNoErr) {
      LogEntry entry;
      entry.kind = LogKind::kRequest;
      entry.request = h->RequestFromRecord("advanceState");
      entry.request.result = refusal;
      h->Append(std::move(entry));
      return refusal;
    }
    return h->Deliver("advanceState");
  }

  static OSErr ZAR_CDECL DisplayPixels(const PSPixelMap* source, const VRect* srcRect, int32 dstRow,
                                       int32 dstCol, void* context) {
    Host* h = gActive;
    if (!h) return kFilterBadParameters;
    LogEntry entry;
    entry.kind = LogKind::kDisplay;
    entry.dstRow = dstRow;
    entry.dstCol = dstCol;
    OSErr result = kNoErr;
    if (!source || !srcRect || source->version < 1 || !source->baseAddr) {
      result = kFilterBadParameters;
    } else {
      entry.srcRect = *srcRect;
      entry.bounds = source->bounds;
      entry.imageMode = source->imageMode;
      if (h->onDisplayPixels)
        result = h->onDisplayPixels(*source, *srcRect, dstRow, dstCol, context);
    }
    entry.result = result;
    h->Append(std::move(entry));
    return result;
  }

  static Handle ZAR_CDECL NewHandle(int32 size) {
    return gActive ? gActive->NewHandle(size) : nullptr;
  }
  static bool TakenForSystemBlock(const Host* h, Handle handle) {
    return h->options_.foreignHandlesAsSystemBlocks && handle && !h->handles_.count(handle);
  }
  static void ZAR_CDECL DisposeHandle(Handle handle) {
    Host* h = gActive;
    if (!h) return;
    if (TakenForSystemBlock(h, handle)) {
      if (handle == h->parameters_) h->parameters_ = nullptr;
      platform::GlobalBlockFree(handle);
      ++h->handleCounts_.pluginHandlesDisposed;
      return;
    }
    h->DisposeHandle(handle);
  }
  static int32 ZAR_CDECL GetSize(Handle handle) {
    Host* h = gActive;
    if (!h || h->options_.handleSizesUnknown) return 0;
    if (TakenForSystemBlock(h, handle)) {
      const int64_t size = platform::GlobalBlockSize(handle);
      return size < 0 ? 0 : int32(std::min<int64_t>(size, INT32_MAX));
    }
    return h->HandleSize(handle);
  }
  static OSErr ZAR_CDECL SetSize(Handle handle, int32 size) {
    Host* h = gActive;
    if (!h) return kNilHandleErr;
    if (h->options_.handleSizesUnknown || TakenForSystemBlock(h, handle)) return kNoErr;
    return h->SetHandleSize(handle, size);
  }
  static Ptr ZAR_CDECL Lock(Handle handle, Boolean) {
    Host* h = gActive;
    if (!h) return nullptr;
    ++h->handleCounts_.locks;
    if (h->handles_.count(handle) || h->IsForeignPluginHandle(handle)) return *handle;
    ++h->handleCounts_.unknown;
    return nullptr;
  }
  static void ZAR_CDECL Unlock(Handle) {
    if (gActive) ++gActive->handleCounts_.unlocks;
  }
  // A native module's stand-in for its dialog: answered as the options say, or not at all.
  static int Dialog(void* context, const char* title) {
    Host* h = static_cast<Host*>(context);
    if (h->options_.dialogAnswer < 0) return 1;
    ++h->dialogsAnswered_;
    LogEntry entry;
    entry.note = std::string("dialog: ") + (title ? title : "") + " opened, " +
                 (h->options_.dialogAnswer ? "OK" : "Cancel");
    h->Append(std::move(entry));
    return h->options_.dialogAnswer;
  }
  static void ZAR_CDECL RecoverSpace(int32 size) {
    if (!gActive) return;
    LogEntry entry;
    entry.kind = LogKind::kNote;
    entry.note = "recoverSpace " + std::to_string(size);
    gActive->Append(std::move(entry));
  }
};

// ---- the module -----------------------------------------------------------------------------

std::unique_ptr<PluginModule> PluginModule::Load(const std::string& path, std::string* error) {
  std::unique_ptr<PluginModule> m(new PluginModule);
  m->path_ = path;
  m->module_ = os::OpenModule(path, error);
  if (!m->module_) return nullptr;
#if defined(_WIN32)
  // A Windows host reads the entry point's name from the property list, under the code of its
  // own architecture.
  std::vector<uint8_t> bytes;
  Pipl pipl;
  std::string why;
  if (!os::FirstModuleResource(m->module_, "PIPL", &bytes)) {
    if (error) *error = "no PIPL resource";
    return nullptr;
  }
  if (!ParsePipl(bytes, &pipl, &why)) {
    if (error) *error = "malformed PIPL: " + why;
    return nullptr;
  }
  const uint32_t key = EntryPointKeyFor(sizeof(void*) == 8);
  const PiplProperty* property = FindPiplProperty(pipl, key);
  if (!property) {
    if (error) *error = "no '" + FourCCText(key) + "' property in the PIPL";
    return nullptr;
  }
  m->entryName_ = PiplCString(*property);
#else
  m->entryName_ = "ENTRYPOINT";
#endif
  m->entry_ = reinterpret_cast<PluginMainProc>(os::FindSymbol(m->module_, m->entryName_.c_str()));
  if (!m->entry_) {
    if (error) *error = "no export named \"" + m->entryName_ + "\"";
    return nullptr;
  }
  return m;
}

std::unique_ptr<PluginModule> PluginModule::Linked(PluginMainProc entry) {
  std::unique_ptr<PluginModule> m(new PluginModule);
  m->entry_ = entry;
  m->entryName_ = "ENTRYPOINT";
  return m;
}

PluginModule::~PluginModule() { os::CloseModule(module_); }

void* PluginModule::FindExport(const char* name) const {
  return module_ ? os::FindSymbol(module_, name) : nullptr;
}

// ---- behaviours of hosts in the field ---------------------------------------------------------

namespace {

struct NamedBehaviour {
  const char* name;
  void (*apply)(HostOptions&);
};

const NamedBehaviour kBehaviours[] = {
    {"global-size", [](HostOptions& o) { o.foreignHandlesAsSystemBlocks = true; }},
    {"size-unknown", [](HostOptions& o) { o.handleSizesUnknown = true; }},
    {"fresh-each-run", [](HostOptions& o) { o.freshEachRun = true; }},
    {"no-handle-suite", [](HostOptions& o) { o.offerHandleSuite = false; }},
    {"short-handle-suite", [](HostOptions& o) { o.shortHandleSuite = true; }},
    {"all-space",
     [](HostOptions& o) {
       o.spaceLimit = INT32_MAX;
       o.ignorePrepareAnswer = true;
     }},
    {"clip-in-record", [](HostOptions& o) { o.clipRequestsInRecord = true; }},
    {"fetch-on-change", [](HostOptions& o) { o.fetchOnlyChangedRects = true; }},
    {"output-from-destination", [](HostOptions& o) { o.copySourceToOutput = true; }},
    {"no-owner-window", [](HostOptions& o) { o.noOwnerWindow = true; }},
    {"no-progress", [](HostOptions& o) { o.offerProgress = false; }},
    {"no-display-pixels", [](HostOptions& o) { o.offerDisplayPixels = false; }},
    {"no-advance-state", [](HostOptions& o) { o.offerAdvanceState = false; }},
    {"transparency", [](HostOptions& o) { o.filterCase = 4; }},
};

}  // namespace

bool ApplyHostBehaviour(const std::string& name, HostOptions& options) {
  for (const NamedBehaviour& b : kBehaviours)
    if (name == b.name) {
      b.apply(options);
      return true;
    }
  return false;
}

const std::vector<std::string>& HostBehaviourNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> all;
    for (const NamedBehaviour& b : kBehaviours) all.push_back(b.name);
    return all;
  }();
  return names;
}

// ---- the log --------------------------------------------------------------------------------

const char* SelectorName(int16 selector) {
  switch (selector) {
    case kSelectorAbout: return "about";
    case kSelectorParameters: return "parameters";
    case kSelectorPrepare: return "prepare";
    case kSelectorStart: return "start";
    case kSelectorContinue: return "continue";
    case kSelectorFinish: return "finish";
    default: return "other";
  }
}

std::string LogEntry::Text() const {
  std::ostringstream out;
  switch (kind) {
    case LogKind::kSelector:
      out << "selector " << SelectorName(selector) << " -> " << result;
      if (selector == kSelectorPrepare) out << " (maxSpace " << maxSpace << ")";
      break;
    case LogKind::kRequest: {
      const StripRequest& r = request;
      out << "request via " << r.via << ": in " << RectText(r.inRect) << " planes " << r.inLoPlane
          << "-" << r.inHiPlane << ", out " << RectText(r.outRect) << " planes " << r.outLoPlane
          << "-" << r.outHiPlane << ", mask " << RectText(r.maskRect) << ", rate "
          << RateText(r.inputRate) << "/" << RateText(r.maskRate) << ", padding " << r.inputPadding
          << "/" << r.outputPadding << "/" << r.maskPadding << ", row bytes " << r.inRowBytes << "/"
          << r.outRowBytes << "/" << r.maskRowBytes << " -> " << r.result;
      break;
    }
    case LogKind::kProgress: out << "progress " << done << "/" << total; break;
    case LogKind::kDisplay:
      out << "displayPixels " << RectText(srcRect) << " of " << RectText(bounds) << " mode "
          << imageMode << " at row " << dstRow << " column " << dstCol << " -> " << result;
      break;
    case LogKind::kMessage:
      out << "window " << window.className << " caption \"" << OneLine(window.caption)
          << "\" text \"" << OneLine(window.text) << "\" icon " << IconName(window.icon)
          << " owner " << note;
      break;
    case LogKind::kNote: out << "note " << note; break;
  }
  return out.str();
}

// ---- the host -------------------------------------------------------------------------------

Host::Host(const PluginModule& module, HostOptions options)
    : module_(module), options_(std::move(options)) {
  if (!gActive) gActive = this;
  hostWindow_ = os::CreateHostWindow();
  if (!hostWindow_) hostWindow_ = kWindowlessHostWindow;
  platformData_.hwnd = hostWindow_;

  handleProcs_.handleProcsVersion = kCurrentHandleProcsVersion;
  handleProcs_.numHandleProcs = options_.shortHandleSuite ? 6 : 8;
  handleProcs_.newProc = Callbacks::NewHandle;
  handleProcs_.disposeProc = Callbacks::DisposeHandle;
  handleProcs_.getSizeProc = Callbacks::GetSize;
  handleProcs_.setSizeProc = Callbacks::SetSize;
  handleProcs_.lockProc = Callbacks::Lock;
  handleProcs_.unlockProc = Callbacks::Unlock;
  handleProcs_.recoverSpaceProc = Callbacks::RecoverSpace;
  handleProcs_.disposeRegularHandleProc = Callbacks::DisposeHandle;

  // Native modules hand their message boxes to a hook; Windows modules show real ones, which
  // the watcher records and dismisses.
  if (auto set = reinterpret_cast<ZarSetMessageHookProc>(module_.FindExport("ZarSetMessageHook")))
    set(NativeMessageHook, this);
  if (auto set = reinterpret_cast<ZarSetDialogHookProc>(module_.FindExport("ZarSetDialogHook")))
    set(Callbacks::Dialog, this);
  if (options_.watchWindows)
    watcher_ = std::make_unique<os::WindowWatcher>(
        [this](const os::WindowInfo& info) {
          LogEntry entry;
          entry.kind = LogKind::kMessage;
          entry.window = info;
          Append(std::move(entry));
        },
        [this](const os::WindowInfo& info) { return onWindow && onWindow(info); }, hostWindow_);
}

Host::~Host() {
  watcher_.reset();
  if (auto set = reinterpret_cast<ZarSetMessageHookProc>(module_.FindExport("ZarSetMessageHook")))
    set(nullptr, nullptr);
  if (auto set = reinterpret_cast<ZarSetDialogHookProc>(module_.FindExport("ZarSetDialogHook")))
    set(nullptr, nullptr);
  // The two handles the host keeps for the plug-in, then anything the plug-in left behind.
  if (parameters_) DisposeHandle(parameters_);
  Handle globals = reinterpret_cast<Handle>(dataCell_);
  if (globals && IsForeignPluginHandle(globals)) {
    platform::GlobalBlockFree(*globals);
    platform::GlobalBlockFree(globals);
  }
  for (auto& [handle, block] : handles_) {
    platform::GlobalBlockFree(block.data);
    platform::GlobalBlockFree(handle);
  }
  if (hostWindow_ != kWindowlessHostWindow) os::DestroyHostWindow(hostWindow_);
  if (gActive == this) gActive = nullptr;
}

void Host::Append(LogEntry entry) {
  if (!options_.logCallbacks && entry.kind != LogKind::kMessage && entry.kind != LogKind::kNote)
    return;
  if (entry.kind == LogKind::kMessage && entry.note.empty())
    entry.note = entry.window.owner == 0             ? "none"
                 : entry.window.owner == hostWindow_ ? "host window"
                                                     : "another window";
  std::lock_guard<std::mutex> lock(logMutex_);
  log_.push_back(std::move(entry));
}

std::vector<LogEntry> Host::Log() const {
  std::lock_guard<std::mutex> lock(logMutex_);
  return log_;
}

std::string Host::LogText() const {
  std::string text;
  for (const LogEntry& entry : Log()) text += entry.Text() + "\n";
  return text;
}

void Host::ClearLog() {
  std::lock_guard<std::mutex> lock(logMutex_);
  log_.clear();
}

int Host::Count(LogKind kind) const {
  int n = 0;
  for (const LogEntry& entry : Log()) n += entry.kind == kind;
  return n;
}

int Host::CountSelector(int16 selector) const {
  int n = 0;
  for (const LogEntry& entry : Log())
    n += entry.kind == LogKind::kSelector && entry.selector == selector;
  return n;
}

std::vector<LogEntry> Host::Messages() const {
  std::vector<LogEntry> out;
  for (const LogEntry& entry : Log())
    if (entry.kind == LogKind::kMessage) out.push_back(entry);
  return out;
}

std::vector<StripRequest> Host::Requests() const {
  std::vector<StripRequest> out;
  for (const LogEntry& entry : Log())
    if (entry.kind == LogKind::kRequest) out.push_back(entry.request);
  return out;
}

int16 Host::Call(int16 selector, void* rec) {
  Host* previous = gActive;
  gActive = this;
  if (rec == &record_) record_.parameters = parameters_;
  int16 result = kNoErr;
  module_.entry()(selector, rec, &dataCell_, &result);
  if (rec == &record_) parameters_ = record_.parameters;
  gActive = previous;
  if (afterSelector) afterSelector(selector);

  LogEntry entry;
  entry.kind = LogKind::kSelector;
  entry.selector = selector;
  entry.result = result;
  entry.maxSpace = rec == &record_ ? record_.maxSpace : 0;
  Append(std::move(entry));
  return result;
}

int16 Host::About() {
  AboutRecord about{};
  about.platformData = &platformData_;
  return Call(kSelectorAbout, &about);
}

int16 Host::Filter(Picture& picture, const Picture* mask, bool withDialog) {
  const bool sane = !picture.empty() && picture.width <= 30000 && picture.height <= 30000 &&
                    picture.planes <= 16 && picture.rowBytes >= picture.width * picture.planes &&
                    picture.pixels.size() >= size_t(picture.rowBytes) * size_t(picture.height);
  const bool maskFits = !mask || (mask->width == picture.width && mask->height == picture.height &&
                                  mask->planes == 1 && mask->rowBytes >= mask->width &&
                                  mask->pixels.size() >= size_t(mask->rowBytes) * mask->height);
  if (!sane || !maskFits) {
    LogEntry entry;
    entry.note = !sane ? "picture refused" : "mask does not fit the picture";
    Append(std::move(entry));
    return kFilterBadParameters;
  }

  // A run that fails leaves the picture as it was, as a host undoes a cancelled filter.
  const std::vector<uint8_t> original = picture.pixels;
  if (options_.freshEachRun) {
    ForgetRun();
    withDialog = true;
  }
  BeginRun(picture, mask);
  int16 result = withDialog ? Call(kSelectorParameters, &record_) : kNoErr;
  if (result == kNoErr) result = Call(kSelectorPrepare, &record_);
  if (result == kNoErr && options_.ignorePrepareAnswer)
    record_.maxSpace = record_.bufferSpace = options_.spaceLimit;
  if (result == kNoErr) {
    result = Call(kSelectorStart, &record_);
    Commit();
    std::string via = "start";
    int strips = 0;
    while (result == kNoErr && AnyRequest()) {
      if (++strips > options_.maxStrips) {
        LogEntry entry;
        entry.note = "the plug-in asked for more than " + std::to_string(options_.maxStrips) +
                     " strips; stopped";
        Append(std::move(entry));
        result = kFilterBadParameters;
        break;
      }
      const OSErr delivered = Deliver(via);
      if (delivered != kNoErr) {
        result = delivered;
        break;
      }
      result = Call(kSelectorContinue, &record_);
      Commit();
      via = "continue";
    }
    const int16 finish = Call(kSelectorFinish, &record_);
    if (result == kNoErr) result = finish;
  }
  EndRun();
  if (result != kNoErr && picture.pixels != original) {
    picture.pixels = original;
    LogEntry entry;
    entry.note = "the run failed: picture restored";
    Append(std::move(entry));
  }
  return result;
}

int16 Host::Select(int16 selector) {
  const int16 result = Call(selector, &record_);
  Commit();
  return result;
}

void Host::ForgetRun() {
  if (parameters_) DisposeHandle(parameters_);
  parameters_ = nullptr;
  Handle globals = reinterpret_cast<Handle>(dataCell_);
  if (globals && IsForeignPluginHandle(globals)) {
    platform::GlobalBlockFree(*globals);
    platform::GlobalBlockFree(globals);
  }
  dataCell_ = 0;
}

void Host::BeginRun(Picture& picture, const Picture* mask) {
  picture_ = &picture;
  mask_ = mask;
  delivery_ = Delivery{};
  stripsDelivered_ = 0;

  FilterRecord& r = record_;
  r = FilterRecord{};
  r.abortProc = Callbacks::Abort;
  r.progressProc = options_.offerProgress ? Callbacks::Progress : nullptr;
  r.parameters = parameters_;
  r.imageSize = {int16(picture.height), int16(picture.width)};
  r.planes = int16(picture.planes);
  r.filterRect = options_.filterRect.value_or(Rect16{0, 0, r.imageSize.v, r.imageSize.h});
  r.background = {0xFFFF, 0xFFFF, 0xFFFF};
  r.foreground = {0, 0, 0};
  r.maxSpace = options_.spaceLimit;
  r.bufferSpace = options_.spaceLimit;
  r.haveMask = mask ? 1 : 0;
  for (int i = 0; i < 4; ++i) {
    r.backColor[i] = 255;
    r.foreColor[i] = i == 3 ? 255 : 0;
  }
  r.hostSig = FourCC("ZARh");
  r.imageMode = options_.imageMode;
  r.imageHRes = 72 << 16;
  r.imageVRes = 72 << 16;
  r.wholeSize = r.imageSize;
  platformData_.hwnd = options_.noOwnerWindow ? 0 : hostWindow_;
  r.platformData = &platformData_;
  r.displayPixels = options_.offerDisplayPixels ? Callbacks::DisplayPixels : nullptr;
  r.handleProcs = options_.offerHandleSuite ? &handleProcs_ : nullptr;
  r.filterCase = options_.filterCase ? options_.filterCase : int16(mask ? 2 : 1);
  r.dummyPlaneValue = -1;
  r.advanceState = options_.offerAdvanceState ? Callbacks::AdvanceState : nullptr;
  r.supportsPadding = 1;
  r.samplingSupport = 1;  // integral sampling rates
  r.inputRate = kRateOne;
  r.maskRate = kRateOne;
}

void Host::EndRun() {
  record_.inData = nullptr;
  record_.outData = nullptr;
  record_.maskData = nullptr;
  delivery_ = Delivery{};
  picture_ = nullptr;
  mask_ = nullptr;
}

bool Host::AnyRequest() const {
  return !Empty(record_.inRect) || !Empty(record_.outRect) || !Empty(record_.maskRect);
}

StripRequest Host::RequestFromRecord(const std::string& via) const {
  StripRequest q;
  const FilterRecord& r = record_;
  q.via = via;
  q.inRect = r.inRect;
  q.outRect = r.outRect;
  q.maskRect = r.maskRect;
  q.inLoPlane = r.inLoPlane;
  q.inHiPlane = r.inHiPlane;
  q.outLoPlane = r.outLoPlane;
  q.outHiPlane = r.outHiPlane;
  q.inputRate = r.inputRate;
  q.maskRate = r.maskRate;
  q.inputPadding = r.inputPadding;
  q.outputPadding = r.outputPadding;
  q.maskPadding = r.maskPadding;
  return q;
}

bool Host::FillBuffer(Buffer& buffer, const Rect16& rect, int lo, int hi, int planeCount,
                      Fixed rate, int16 padding, const Picture* source, int fill) {
  buffer = Buffer{};
  buffer.rect = rect;
  buffer.lo = lo;
  buffer.hi = hi;
  const int rows = rect.bottom - rect.top;
  const int cols = rect.right - rect.left;
  const int planes = hi - lo + 1;
  if (rows <= 0 || cols <= 0 || planes <= 0) return true;  // nothing asked for
  if (lo < 0 || hi >= planeCount) return false;
  buffer.rowLength = cols * planes;
  buffer.rowBytes = buffer.rowLength + options_.extraRowBytes;
  if (int64_t(buffer.rowBytes) * rows > kMaxBufferBytes) return false;
  buffer.bytes.assign(size_t(buffer.rowBytes) * size_t(rows), kCanary);
  if (rate <= 0) rate = kRateOne;

  for (int y = 0; y < rows; ++y) {
    uint8_t* row = buffer.bytes.data() + size_t(y) * size_t(buffer.rowBytes);
    if (!source) {
      std::memset(row, fill, size_t(buffer.rowLength));
      continue;
    }
    int sy = Sample(rect.top + y, rate);
    for (int x = 0; x < cols; ++x) {
      uint8_t* dst = row + size_t(x) * size_t(planes);
      int sx = Sample(rect.left + x, rate);
      const bool inside = sx >= 0 && sy >= 0 && sx < source->width && sy < source->height;
      if (!inside) {
        if (padding >= 0 && padding <= 255) {
          std::memset(dst, padding, size_t(planes));
          continue;
        }
        if (padding != -1) {  // anything but edge replication: zeros
          std::memset(dst, 0, size_t(planes));
          continue;
        }
      }
      const int cx = std::clamp(sx, 0, source->width - 1);
      const int cy = std::clamp(sy, 0, source->height - 1);
      std::memcpy(dst, source->At(cx, cy) + lo, size_t(planes));
    }
  }
  return true;
}

OSErr Host::Deliver(const std::string& via) {
  if (options_.clipRequestsInRecord) {
    const int16 height = int16(picture_->height), width = int16(picture_->width);
    for (Rect16* rect : {&record_.inRect, &record_.outRect, &record_.maskRect}) {
      if (Empty(*rect)) continue;
      rect->top = std::max<int16>(rect->top, 0);
      rect->left = std::max<int16>(rect->left, 0);
      rect->bottom = std::min(rect->bottom, height);
      rect->right = std::min(rect->right, width);
    }
  }
  LogEntry entry;
  entry.kind = LogKind::kRequest;
  entry.request = RequestFromRecord(via);
  StripRequest& q = entry.request;
  const FilterRecord& r = record_;
  Delivery previous = std::move(delivery_);
  delivery_ = Delivery{};
  delivery_.reduced = r.inputRate != kRateOne;
  const Fixed outRate = delivery_.reduced ? r.inputRate : kRateOne;

  // A host that fetches only what changed hands the same buffers back for the same request.
  auto kept = [&](Buffer& now, Buffer& before, const Rect16& rect, int lo, int hi) {
    if (!options_.fetchOnlyChangedRects || before.bytes.empty() || previous.reduced ||
        delivery_.reduced || std::memcmp(&before.rect, &rect, sizeof rect) != 0 ||
        before.lo != lo || before.hi != hi)
      return false;
    now = std::move(before);
    return true;
  };
  const bool ok =
      (kept(delivery_.in, previous.in, r.inRect, r.inLoPlane, r.inHiPlane) ||
       FillBuffer(delivery_.in, r.inRect, r.inLoPlane, r.inHiPlane, picture_->planes, r.inputRate,
                  r.inputPadding, picture_, 0)) &&
      (kept(delivery_.out, previous.out, r.outRect, r.outLoPlane, r.outHiPlane) ||
       FillBuffer(delivery_.out, r.outRect, r.outLoPlane, r.outHiPlane, picture_->planes, outRate,
                  r.outputPadding, options_.copySourceToOutput ? picture_ : nullptr,
                  options_.outputFill)) &&
      (!mask_ || kept(delivery_.mask, previous.mask, r.maskRect, 0, 0) ||
       FillBuffer(delivery_.mask, r.maskRect, 0, 0, 1, r.maskRate, r.maskPadding, mask_, 0));
  if (!ok) {
    delivery_ = Delivery{};
    q.result = kFilterBadParameters;
    record_.inData = record_.outData = record_.maskData = nullptr;
    Append(std::move(entry));
    return q.result;
  }

  auto data = [](Buffer& b) -> void* { return b.bytes.empty() ? nullptr : b.bytes.data(); };
  record_.inData = data(delivery_.in);
  record_.inRowBytes = delivery_.in.rowBytes;
  record_.outData = data(delivery_.out);
  record_.outRowBytes = delivery_.out.rowBytes;
  record_.maskData = data(delivery_.mask);
  record_.maskRowBytes = delivery_.mask.rowBytes;
  record_.inColumnBytes = delivery_.in.hi - delivery_.in.lo + 1;
  record_.inPlaneBytes = 1;
  record_.outColumnBytes = delivery_.out.hi - delivery_.out.lo + 1;
  record_.outPlaneBytes = 1;
  delivery_.active = true;
  if (!delivery_.reduced) ++stripsDelivered_;

  q.inRowBytes = record_.inRowBytes;
  q.outRowBytes = record_.outRowBytes;
  q.maskRowBytes = record_.maskRowBytes;
  Append(std::move(entry));
  return kNoErr;
}

void Host::Commit() {
  if (!delivery_.active) return;
  delivery_.active = false;

  // The padding at the end of each row is the host's: nobody may write there.
  auto checkPadding = [this](const Buffer& b, const char* name) {
    for (size_t at = 0; at < b.bytes.size(); at += size_t(b.rowBytes)) {
      for (int k = b.rowLength; k < b.rowBytes; ++k) {
        if (b.bytes[at + size_t(k)] != kCanary) {
          LogEntry entry;
          entry.note = std::string("row padding of the ") + name + " buffer was overwritten";
          Append(std::move(entry));
          return;
        }
      }
    }
  };
  checkPadding(delivery_.in, "input");
  checkPadding(delivery_.out, "output");
  checkPadding(delivery_.mask, "mask");

  const Buffer& out = delivery_.out;
  if (delivery_.reduced || out.bytes.empty() || !picture_) return;
  // Written back: the delivered rectangle within the filter rectangle and the picture.
  const Rect16& f = record_.filterRect;
  const int top = std::max({int(out.rect.top), int(f.top), 0});
  const int bottom = std::min({int(out.rect.bottom), int(f.bottom), picture_->height});
  const int left = std::max({int(out.rect.left), int(f.left), 0});
  const int right = std::min({int(out.rect.right), int(f.right), picture_->width});
  const int planes = out.hi - out.lo + 1;
  if (out.hi >= picture_->planes) return;
  for (int y = top; y < bottom; ++y) {
    const uint8_t* row = out.bytes.data() + size_t(y - out.rect.top) * size_t(out.rowBytes);
    for (int x = left; x < right; ++x)
      std::memcpy(picture_->At(x, y) + out.lo, row + size_t(x - out.rect.left) * size_t(planes),
                  size_t(planes));
  }
}

// ---- handles --------------------------------------------------------------------------------

bool Host::IsForeignPluginHandle(Handle handle) const {
  if (!handle || handles_.count(handle) || options_.ownHandlesOnly) return false;
  uint32_t signature = 0;
  std::memcpy(&signature, reinterpret_cast<const char*>(handle) + sizeof(void*), sizeof signature);
  return signature == kHandleSignature;
}

Handle Host::NewHandle(int32 size) {
  if (size < 0) return nullptr;
  // The handle is a cell holding the data address and nothing more, as in hosts that make their
  // handles with `new char*`: a plug-in that reads past it shows up under the sanitizers.
  auto* cell = static_cast<char**>(platform::GlobalBlockAllocDirect(sizeof(void*)));
  void* data = cell ? platform::GlobalBlockAllocDirect(size_t(size)) : nullptr;
  if (!data) {
    platform::GlobalBlockFree(cell);
    return nullptr;
  }
  *cell = static_cast<char*>(data);
  handles_[cell] = HostHandle{data, size};
  ++handleCounts_.made;
  return cell;
}

void Host::DisposeHandle(Handle handle) {
  if (!handle) return;
  if (handle == parameters_) parameters_ = nullptr;
  auto it = handles_.find(handle);
  if (it != handles_.end()) {
    platform::GlobalBlockFree(it->second.data);
    platform::GlobalBlockFree(handle);
    handles_.erase(it);
    ++handleCounts_.disposed;
  } else if (IsForeignPluginHandle(handle)) {
    platform::GlobalBlockFree(*handle);
    platform::GlobalBlockFree(handle);
    ++handleCounts_.pluginHandlesDisposed;
  } else {
    ++handleCounts_.unknown;
    LogEntry entry;
    entry.note = "dispose of a handle the host does not know";
    Append(std::move(entry));
  }
}

int32 Host::HandleSize(Handle handle) const {
  auto it = handles_.find(handle);
  if (it != handles_.end()) return it->second.size;
  if (IsForeignPluginHandle(handle)) {
    const int64_t size = platform::GlobalBlockSize(*handle);
    return size < 0 ? 0 : int32(std::min<int64_t>(size, INT32_MAX));
  }
  return 0;
}

OSErr Host::SetHandleSize(Handle handle, int32 size) {
  if (size < 0) return kFilterBadParameters;
  const bool ours = handles_.count(handle) != 0;
  if (!ours && !IsForeignPluginHandle(handle)) {
    ++handleCounts_.unknown;
    return kNilHandleErr;
  }
  const int32 old = HandleSize(handle);
  void* data = platform::GlobalBlockAllocDirect(size_t(size));
  if (!data) return kMemFullErr;
  // A handle of ours whose data address was cleared (a host may hand one over) has nothing to
  // copy; its block is the one the host made.
  if (*handle) std::memcpy(data, *handle, size_t(std::min(old, size)));
  platform::GlobalBlockFree(ours ? handles_[handle].data : *handle);
  *handle = static_cast<char*>(data);
  if (ours) handles_[handle] = HostHandle{data, size};
  ++handleCounts_.resized;
  return kNoErr;
}

std::vector<uint8_t> Host::ParameterBlock() const {
  if (!parameters_ || !*parameters_) return {};
  const int32 size = HandleSize(parameters_);
  return std::vector<uint8_t>(*parameters_, *parameters_ + size);
}

void Host::SetParameterBlock(const std::vector<uint8_t>& bytes) {
  if (parameters_) DisposeHandle(parameters_);
  parameters_ = NewHandle(int32(bytes.size()));
  if (parameters_ && !bytes.empty()) std::memcpy(*parameters_, bytes.data(), bytes.size());
}

}  // namespace zar::host
