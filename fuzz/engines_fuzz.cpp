// The effect engines, driven directly over plain buffers as each plug-in's RunEngine drives them:
// any value of every parameter field at its width, and any strip a host may hand over (width and
// height 0 to 64, 0 to 8 planes, row strides of at least width x planes, with and without a
// selection, picture modes other than RGB), in final and preview runs, several calls in a row on
// one engine state as a dialog's preview and the final pass make them.
//
// Every buffer is allocated to exactly the bytes the strip covers, so a read or write past it is
// a sanitizer report; the bytes between the end of a row and the next row (the host's padding)
// must come back as they went in, and so must the input and the selection.
//
// Input: the engine (Combustion, Ice/Candle, Fire/Cryo) and the number of calls; every field of
// the working copy; then per call the strip's geometry and contents and the run mode.
#include <algorithm>
#include <cstring>
#include <vector>

#include "effects/combustion/combustion.h"
#include "effects/fire/fire_engine.h"
#include "effects/ice/ice_engine.h"
#include "fuzz/common/fuzz_input.h"


namespace zar::fuzz {
namespace {

constexpr uint8_t kPadding = 0xA5;

enum class Engine { kCombustion, kIce, kFire };

WorkingParameters TakeParameters(FuzzInput& input) {
  WorkingParameters params{};
  for (int f = 0; f < kFieldCount; ++f) {
    const Field field = Field(f);
    SetField(params, field, FieldSize(field) == 1 ? input.Byte() : input.U32());
  }
  return params;
}

// A buffer of `rows` rows `stride` apart, each `length` bytes of samples: exactly
// (rows - 1) * stride + length bytes, the gaps filled with the padding value.
struct Strip {
  std::vector<uint8_t> bytes;
  int32_t stride = 0;
  int32_t length = 0;
  int32_t rows = 0;

  uint8_t* data() { return bytes.empty() ? nullptr : bytes.data(); }
};

Strip MakeStrip(int32_t rows, int32_t length, int32_t stride, FuzzInput& input) {
  Strip s;
  if (rows <= 0 || length <= 0) return s;  // nothing handed over
  s.stride = stride;
  s.length = length;
  s.rows = rows;
  s.bytes.assign(size_t(rows - 1) * size_t(stride) + size_t(length), kPadding);
  // The samples: a short pattern from the input, varied along the buffer.
  const std::vector<uint8_t> pattern = input.Blob(24);
  const uint8_t seed = input.Byte();
  uint32_t state = seed * 2654435761u + 1;
  for (int32_t y = 0; y < rows; ++y) {
    uint8_t* row = s.bytes.data() + size_t(y) * size_t(stride);
    for (int32_t x = 0; x < length; ++x) {
      state = state * 214013 + 2531011;
      const uint8_t noise = uint8_t(state >> 16);
      row[x] = pattern.empty() ? noise
                               : uint8_t(pattern[size_t(x + y) % pattern.size()] ^
                                         (seed & 1 ? noise & seed : 0));
    }
  }
  return s;
}

bool PaddingIntact(const Strip& s) {
  for (int32_t y = 0; y + 1 < s.rows; ++y) {
    const uint8_t* row = s.bytes.data() + size_t(y) * size_t(s.stride);
    for (int32_t x = s.length; x < s.stride; ++x)
      if (row[x] != kPadding) return false;
  }
  return true;
}

struct Progress {
  int calls = 0;
};

void CheckProgress(void* context, int32_t done, int32_t total) {
  ++static_cast<Progress*>(context)->calls;
  // A host divides by the total and draws done of it.
  FUZZ_CHECK(total > 0);
  FUZZ_CHECK(done >= 0 && done <= total);
}

}  // namespace

void TestOneInput(FuzzInput& input) {
  const uint8_t choice = input.Byte();
  const Engine engine = Engine(choice % 3);
  const int calls = 1 + (choice >> 2) % 4;
  WorkingParameters params = TakeParameters(input);

  // The module-wide state an engine works with, fresh for each input.
  ColorRamp ramp{};
  Rng rng{};
  int32_t previewState = 0;
  IceEngineState ice;
  FireEngineState fire;

  for (int call = 0; call < calls; ++call) {
    const int32_t width = int32_t(input.Int(0, 64));
    const int32_t height = int32_t(input.Int(0, 64));
    const int32_t planes = int32_t(input.Int(0, 8));
    const uint8_t layout = input.Byte();
    const int32_t inStride = width * planes + int32_t(layout & 1 ? input.Int(0, 17) : 0);
    const int32_t outStride = width * planes + int32_t(layout & 2 ? input.Int(0, 17) : 0);
    const bool withMask = layout & 4;
    const int32_t maskStride = width + int32_t(layout & 8 ? input.Int(0, 9) : 0);
    const int16_t imageMode = layout & 16 ? int16_t(input.Int(0, 15)) : int16_t(3);
    // A dialog starts a preview (2), the engine keeps it running (1); 0 is a final rendering.
    const int mode = int(input.Int(0, 2));
    if (mode == 2 || mode == 0) previewState = mode;
    // Mostly a few steps (each step repeats the same code); now and then as many as a run takes.
    const int32_t iterationCount = int32_t(layout & 64 ? input.Int(-3, 44) : input.Int(-1, 6));
    // The dialog may change a setting between two preview calls.
    if (layout & 32) SetField(params, Field(input.Int(0, kFieldCount - 1)), input.U32());

    Strip in = MakeStrip(height, width * planes, inStride, input);
    Strip out = MakeStrip(height, width * planes, outStride, input);
    Strip mask = withMask ? MakeStrip(height, width, maskStride, input) : Strip{};
    const std::vector<uint8_t> inBefore = in.bytes;
    const std::vector<uint8_t> maskBefore = mask.bytes;

    Progress progress;
    FrameView frame;
    frame.in = in.data();
    frame.inRowBytes = inStride;
    frame.out = out.data();
    frame.outRowBytes = outStride;
    frame.mask = withMask ? mask.data() : nullptr;
    frame.maskRowBytes = withMask ? maskStride : 0;
    frame.width = width;
    frame.height = height;
    frame.planes = planes;
    frame.imageMode = imageMode;
    if (previewState == 0) {
      frame.progress = CheckProgress;
      frame.progressContext = &progress;
    }

    switch (engine) {
      case Engine::kCombustion: combustion::RunCombustion(frame, params, ramp, rng); break;
      case Engine::kIce:
        RunIceEngine(frame, params, iterationCount, previewState, ramp, rng, ice);
        break;
      case Engine::kFire:
        RunFireEngine(frame, params, iterationCount, previewState, ramp, rng, fire);
        break;
    }

    FUZZ_CHECK(in.bytes == inBefore);
    FUZZ_CHECK(mask.bytes == maskBefore);
    FUZZ_CHECK(PaddingIntact(out));
    FUZZ_CHECK(previewState >= 0 && previewState <= 2);
  }
  // The dialog closes: a preview's fields are given back.
  ReleaseFields(ice.fields);
  ReleaseFields(fire.fields);
}

}  // namespace zar::fuzz
