// One host for filter plug-ins, used by every program that runs our modules: the Windows test
// host (zarhost.exe), the command-line host, the tests and the fuzzers. It loads a module (or
// takes one linked into the program), fills a FilterRecord from a picture, answers the plug-in's
// callbacks (abort, progress, advanceState, displayPixels, the handle suite), drives the
// selectors like a real host and writes the output back. It keeps the plug-in's globals (the data
// cell) and its parameters handle from one run to the next, and records everything that happens
// in a log.
//
// The protocol of one run is a straight script: parameters (only when the dialog is wanted),
// prepare, start, then continue for as long as the plug-in asks for a non-empty rectangle; once
// start has been called, finish ends the run whatever happened.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "interface/host_api.h"
#include "hosts/core/host_os.h"
#include "hosts/core/picture.h"

namespace zar::host {

// ---- a loaded module ------------------------------------------------------------------------

class PluginModule {
 public:
  // Loads the module and finds its entry point: on Windows through the property list's
  // entry-point property for this architecture ('8664' or 'wx86'), elsewhere the exported
  // ENTRYPOINT. Null with a reason on failure.
  static std::unique_ptr<PluginModule> Load(const std::string& path, std::string* error);
  // A plug-in linked into the program itself (a test's): nothing to load, no exports to find.
  static std::unique_ptr<PluginModule> Linked(PluginMainProc entry);
  ~PluginModule();
  PluginModule(const PluginModule&) = delete;
  PluginModule& operator=(const PluginModule&) = delete;

  PluginMainProc entry() const { return entry_; }
  const std::string& entryName() const { return entryName_; }
  const std::string& path() const { return path_; }
  void* FindExport(const char* name) const;
  void* native() const { return module_; }

 private:
  PluginModule() = default;
  void* module_ = nullptr;
  PluginMainProc entry_ = nullptr;
  std::string entryName_;
  std::string path_;
};

// ---- configuration --------------------------------------------------------------------------

struct HostOptions {
  bool offerAdvanceState = true;
  bool offerDisplayPixels = true;
  bool offerHandleSuite = true;
  int32 spaceLimit = 16 << 20;  // the memory granted in maxSpace (and bufferSpace)
  int extraRowBytes = 0;        // padding at the end of every row of the buffers handed over
  int16 imageMode = kImageModeRGB;
  std::optional<Rect16> filterRect;  // the whole picture when not set
  int abortAfterStrips = -1;         // abortProc says stop once this many strips went out; -1 never
  OSErr advanceStateError = 0;      // returned by advanceState from call number advanceStateErrorAt
  int advanceStateErrorAt = 0;      // (0 is the first call) on
  bool refusePreview = false;       // advanceState fails a reduced request (inputRate above 1)
  bool copySourceToOutput = false;  // else output buffers start filled with outputFill
  uint8_t outputFill = 0;
  int maxStrips = 1000000;  // a plug-in that never stops asking is cut off here
  // Log every callback (selectors, strips, progress, displayPixels) as a test wants them; else
  // only messages and notes are kept, and the log stays small however many steps a run takes.
  bool logCallbacks = true;

  // Behaviours of hosts in the field, each off in the textbook host. A plug-in must give the same
  // picture, open its dialog and keep its settings (where the host keeps the block) under all.
  //
  // a. The handle suite takes a handle it did not make for a block of the system allocator, as
  //    hosts modelled on older editors' suites do (GlobalSize, GlobalFree): its size is the
  //    system size of the handle pointer itself (a plug-in's master block), a resize does nothing
  //    and dispose frees the master block alone.
  bool foreignHandlesAsSystemBlocks = false;
  // b. getSizeProc answers 0 for every handle, its own too, and setSizeProc does nothing (hosts
  //    whose handles carry no size).
  bool handleSizesUnknown = false;
  // c. Nothing is kept from one run to the next: the parameters handle is NULL before every run,
  //    the parameters selector comes every run (no repeat without the dialog) and the entry
  //    point's data cell is a fresh 0.
  bool freshEachRun = false;
  // d. A handle suite of version 1 with fewer than seven routines (offerHandleSuite false: none).
  bool shortHandleSuite = false;
  // e. What prepare answers in maxSpace and bufferSpace is ignored: the host's grant stands.
  bool ignorePrepareAnswer = false;
  // f. Requested rectangles are clipped to the picture inside the FilterRecord itself (a last
  //    strip comes back shorter), and buffers are fetched again only when their rectangle or
  //    planes changed (with copySourceToOutput, outData is then the destination so far).
  bool clipRequestsInRecord = false;
  bool fetchOnlyChangedRects = false;
  // g. No owner window (platformData->hwnd 0) and no progressProc (with offerDisplayPixels,
  //    offerAdvanceState and abortAfterStrips, the callbacks hosts leave out or use to stop).
  bool noOwnerWindow = false;
  bool offerProgress = true;
  // h. The filterCase handed over (0: from the selection, 1 or 2); 4 with a four-plane picture is
  //    RGB with one editable transparency plane.
  int16 filterCase = 0;
  // i. The handle suite knows only the handles it made (hosts that keep a table of their own):
  //    any other handle is sized 0 without being looked into, a resize of it fails and its
  //    dispose is ignored, whatever its format.
  bool ownHandlesOnly = false;
  // The plug-in's windows are watched, recorded and dismissed (os::WindowWatcher); false leaves
  // them to the program, which works them itself (the dialog tests do, from inside their modal
  // loops).
  bool watchWindows = true;
  // Natively, where the modules have no dialog: the user's answer to the dialog a plug-in asks
  // for (1 OK, 0 Cancel), or -1 for none (the module renders as it would without a dialog).
  int dialogAnswer = -1;
};

// Switches on a behaviour of hosts in the field by its short name (the letters are those of the
// comments above): "global-size" (a), "size-unknown" (b), "fresh-each-run" (c),
// "no-handle-suite" and "short-handle-suite" (d), "all-space" (e: 2^31 - 1 granted, prepare's
// answer ignored), "clip-in-record", "fetch-on-change" and "output-from-destination" (f),
// "no-owner-window", "no-progress", "no-display-pixels" and "no-advance-state" (g),
// "transparency" (h: filterCase 4, for a picture of four planes). False for an unknown name.
bool ApplyHostBehaviour(const std::string& name, HostOptions& options);
const std::vector<std::string>& HostBehaviourNames();

// ---- the log --------------------------------------------------------------------------------

enum class LogKind { kSelector, kRequest, kProgress, kDisplay, kMessage, kNote };

// What the plug-in asked for and what the host handed over.
struct StripRequest {
  std::string via;  // "advanceState", or the selector after which the host fetched it
  Rect16 inRect{}, outRect{}, maskRect{};
  int16 inLoPlane = 0, inHiPlane = 0, outLoPlane = 0, outHiPlane = 0;
  Fixed inputRate = 0, maskRate = 0;
  int16 inputPadding = 0, outputPadding = 0, maskPadding = 0;
  int32 inRowBytes = 0, outRowBytes = 0, maskRowBytes = 0;
  OSErr result = 0;
};

struct LogEntry {
  LogKind kind = LogKind::kNote;
  int16 selector = 0;         // kSelector
  int16 result = 0;           // kSelector; kDisplay (what the host answered)
  int32 maxSpace = 0;         // kSelector: the record's space limit after the call
  StripRequest request;       // kRequest
  int32 done = 0, total = 0;  // kProgress
  VRect srcRect{}, bounds{};  // kDisplay: the source rectangle and map bounds
  int32 dstRow = 0, dstCol = 0, imageMode = 0;  // kDisplay
  os::WindowInfo window;                        // kMessage
  std::string note;                             // kNote

  std::string Text() const;
};

const char* SelectorName(int16 selector);

// ---- the host -------------------------------------------------------------------------------

class Host {
 public:
  explicit Host(const PluginModule& module, HostOptions options = {});
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  HostOptions& options() { return options_; }

  // One run over the picture (and the selection mask, a one-plane picture of the same size);
  // the output is written back into the picture, within the filter rectangle. Returns the first
  // nonzero result of the selectors, else 0; a run that fails leaves the picture unchanged.
  int16 Filter(Picture& picture, const Picture* mask = nullptr, bool withDialog = true);
  // The about selector, with the host window as the about record's window.
  int16 About();

  // One selector at a time, for programs that act between them (the dialog tests open the
  // dialog themselves, or stop after start). BeginRun fills the record for the picture as Filter
  // does and keeps it until EndRun; Select sends one selector with it and writes back the strip
  // the plug-in finished. The strips it asks for in between come through advanceState.
  void BeginRun(Picture& picture, const Picture* mask = nullptr);
  int16 Select(int16 selector);
  void EndRun();

  // The parameters handle's data, as the plug-in left it (empty when there is none). On Linux a
  // block the plug-in made may read a few bytes longer than it asked for.
  std::vector<uint8_t> ParameterBlock() const;
  // Hands a block to the plug-in in a handle of the host's, as if kept from an earlier run.
  void SetParameterBlock(const std::vector<uint8_t>& bytes);

  std::vector<LogEntry> Log() const;
  std::string LogText() const;
  void ClearLog();
  int Count(LogKind kind) const;
  int CountSelector(int16 selector) const;
  std::vector<LogEntry> Messages() const;
  std::vector<StripRequest> Requests() const;

  const FilterRecord& record() const { return record_; }
  // While stepping, the record a program may change between selectors.
  FilterRecord& record() { return record_; }
  // The host's handle suite, as the plug-in gets it; callable between runs too.
  const HandleProcs* handleProcs() const { return &handleProcs_; }
  intptr_t hostWindow() const { return hostWindow_; }
  const PluginModule& module() const { return module_; }

  // Hooks for the programs built on the core.
  std::function<void(int32 done, int32 total)> onProgress;
  // Draws for displayPixels (the log records every call either way); 0 when not set.
  std::function<OSErr(const PSPixelMap& source, const VRect& srcRect, int32 dstRow, int32 dstCol,
                      void* platformContext)>
      onDisplayPixels;
  // Called after every selector returns (the record and the parameters handle as it left them).
  std::function<void(int16 selector)> afterSelector;
  // Takes a window the plug-in opened instead of having it dismissed (Windows; called on the
  // watcher's thread while the plug-in waits in its window); see os::WindowWatcher.
  std::function<bool(const os::WindowInfo&)> onWindow;

  // Counts of the handle suite's use.
  struct HandleCounts {
    int made = 0, disposed = 0, pluginHandlesDisposed = 0, locks = 0, unlocks = 0, resized = 0,
        unknown = 0;
    int live() const { return made - disposed; }  // the host's handles not yet disposed
  };
  HandleCounts handleCounts() const { return handleCounts_; }
  int abortCalls() const { return abortCalls_; }
  int dialogsAnswered() const { return dialogsAnswered_; }
  int advanceStateCalls() const { return advanceStateCalls_; }

  // Adds an entry; safe from any thread (the window watcher records from its own).
  void Append(LogEntry entry);

 private:
  struct Buffer {
    std::vector<uint8_t> bytes;
    Rect16 rect{};
    int lo = 0, hi = -1;  // planes
    int32 rowBytes = 0;
    int rowLength = 0;  // bytes of samples per row, before the padding
  };
  struct Delivery {
    bool active = false;
    bool reduced = false;  // a preview request: its output is never written back
    Buffer in, out, mask;
  };
  struct HostHandle {
    void* data = nullptr;
    int32 size = 0;
  };

  friend struct Callbacks;

  int16 Call(int16 selector, void* record);
  bool AnyRequest() const;
  OSErr Deliver(const std::string& via);
  void Commit();
  StripRequest RequestFromRecord(const std::string& via) const;
  // Fills a buffer for `rect` (planes lo to hi of planeCount) from `source` sampled at `rate`,
  // places outside the picture with the padding value; without a source, with `fill`.
  bool FillBuffer(Buffer& buffer, const Rect16& rect, int lo, int hi, int planeCount, Fixed rate,
                  int16 padding, const Picture* source, int fill);

  Handle NewHandle(int32 size);
  void DisposeHandle(Handle handle);
  int32 HandleSize(Handle handle) const;
  void ForgetRun();  // what a host that keeps nothing between runs drops
  OSErr SetHandleSize(Handle handle, int32 size);
  bool IsForeignPluginHandle(Handle handle) const;

  const PluginModule& module_;
  HostOptions options_;
  FilterRecord record_{};
  PlatformData platformData_{};
  HandleProcs handleProcs_{};
  intptr_t dataCell_ = 0;
  Handle parameters_ = nullptr;
  intptr_t hostWindow_ = 0;
  std::map<Handle, HostHandle> handles_;
  HandleCounts handleCounts_;

  Picture* picture_ = nullptr;
  const Picture* mask_ = nullptr;
  Delivery delivery_;
  int stripsDelivered_ = 0;
  int abortCalls_ = 0;
  int advanceStateCalls_ = 0;
  int dialogsAnswered_ = 0;

  mutable std::mutex logMutex_;
  std::vector<LogEntry> log_;
  std::unique_ptr<os::WindowWatcher> watcher_;
};

}  // namespace zar::host
