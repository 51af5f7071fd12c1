// A small one-picture host for the dialog tests: it fills a FilterRecord, delivers the requested
// rectangles (reduced by the input rate for the preview), draws displayPixels calls into the
// dialog, and runs the selectors the way a host does.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "interface/host_api.h"
#include "tests/support/image.h"

namespace zar::testing {

struct DisplayCall {
  PSPixelMap map;
  bool hasMask;
  PSPixelMask mask;
  VRect srcRect;
  int32 dstRow, dstCol;
  void* context;
};

struct FakeHost {
  // The picture the filter reads, and the result it writes (the picture until the filter ran).
  Image picture;
  Image result;
  Rect16 filterRect{};
  PlatformData platform{};
  FilterRecord record{};
  intptr_t data = 0;
  bool refusePreview = false;     // advanceState fails for a reduced request
  bool offerAdvanceState = true;  // false: a host without advanceState (multi-call only)
  // The plug-in's entry point: a loaded module's, or (null) the one linked into the test.
  PluginMainProc entry = nullptr;

  std::vector<Rect16> requests;  // every rectangle advanceState delivered
  std::vector<Fixed> rates;
  std::vector<DisplayCall> displayCalls;
  std::vector<int16> selectors;  // the selectors run so far
  int continueCalls = 0;

  explicit FakeHost(const Image& picture, HWND owner = nullptr);
  ~FakeHost();
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  int16 Call(int16 selector);
  // One run of the filter: parameters (with the dialog only), prepare, start, the strips of the
  // multi-call way, finish. Returns the first nonzero result (or 0). The output is in `result`.
  int16 Run(bool withDialog);

  // The parameters handle's bytes.
  std::vector<uint8_t> Block(size_t size) const;

  // Host side of advanceState: fetch the requested rectangles into fresh buffers.
  OSErr Deliver();
  void CommitOutput();

 private:
  std::vector<uint8_t> in_, out_, mask_;
  bool pending_ = false;  // out_ holds a strip not yet written back
  Rect16 pendingRect_{};
  int pendingScale_ = 1;
};

// The host the callbacks talk to.
FakeHost* CurrentHost();

}  // namespace zar::testing
