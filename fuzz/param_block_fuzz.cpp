// Parameter blocks handed back by a host: any size and any bytes in the parameters handle, then
// full runs through the selectors of a real plug-in module, driven by the host core with any of
// its ways of behaving (with or without advanceState, displayPixels and the handle suite; any
// memory budget; padded rows; other picture modes; a selection; a filter rectangle inside the
// picture; abort or advanceState errors after any strip; a refused preview), several runs in a
// row as a host repeats a filter.
//
// A block's iteration count sets how many simulation steps a run takes; to keep runs short it is
// taken modulo 44 (the slider's range is 1 to 255; the engine tests cover counts up to that).
//
// Input: the plug-in; the block's size and bytes; then per run the picture, the selection and the
// host's options.
#include <algorithm>
#include <cstring>
#include <set>
#include <string>

#include "fuzz/common/fuzz_input.h"
#include "fuzz/common/modules.h"

namespace zar::fuzz {
namespace {

// Keeps a block's iteration count short (see above).
void ShortenIterations(std::vector<uint8_t>& block, const ParameterLayout& layout) {
  if (block.size() < size_t(layout.iterations) + 4) return;
  int32_t iterations;
  std::memcpy(&iterations, block.data() + layout.iterations, 4);
  iterations %= 44;
  std::memcpy(block.data() + layout.iterations, &iterations, 4);
}

host::Picture TakePicture(FuzzInput& input, int width, int height, int planes, int padding) {
  host::Picture picture(width, height, planes, padding);
  const uint8_t seed = input.Byte();
  uint32_t state = seed * 2654435761u + 7;
  for (uint8_t& sample : picture.pixels) {
    state = state * 214013 + 2531011;
    sample = uint8_t(state >> 16);
  }
  // A few runs of a constant value, so dark, bright and transparent areas occur.
  for (int runs = int(input.Int(0, 4)); runs > 0; --runs) {
    const size_t from = size_t(input.Int(0, int64_t(picture.pixels.size())));
    const size_t length = size_t(input.Int(0, 4096));
    const uint8_t value = input.Byte();
    std::fill(picture.pixels.begin() + from,
              picture.pixels.begin() + std::min(picture.pixels.size(), from + length), value);
  }
  return picture;
}

host::HostOptions TakeOptions(FuzzInput& input, int width, int height) {
  host::HostOptions options;
  const uint8_t flags = input.Byte();
  options.offerAdvanceState = !(flags & 1);
  options.offerDisplayPixels = !(flags & 2);
  options.offerHandleSuite = !(flags & 4);
  options.refusePreview = flags & 8;
  options.copySourceToOutput = flags & 16;
  options.outputFill = input.Byte();
  switch (input.Int(0, 3)) {
    case 0: options.spaceLimit = int32(input.Int(0, 4096)); break;
    case 1: options.spaceLimit = int32(input.U32()); break;
    default: break;  // the default budget: the whole picture in one strip
  }
  options.extraRowBytes = int(input.Int(0, 15));
  if (flags & 32) options.imageMode = int16(input.Int(0, 15));
  if (flags & 64) {
    // A filter rectangle inside the picture, possibly empty.
    const int top = int(input.Int(0, height)), left = int(input.Int(0, width));
    const int bottom = int(input.Int(top, height)), right = int(input.Int(left, width));
    options.filterRect = Rect16{int16(top), int16(left), int16(bottom), int16(right)};
  }
  if (flags & 128) {
    options.abortAfterStrips = int(input.Int(-1, 8));
    const int16 error = int16(input.U16());
    options.advanceStateError = error;
    options.advanceStateErrorAt = int(input.Int(0, 8));
  }
  return options;
}

// What the host may see as a run's result.
bool ExpectedResult(int16 result, const host::HostOptions& options) {
  static const std::set<int16> kCodes = {kNoErr, kMemFullErr, kUserCanceledErr,
                                         kFilterBadParameters};
  return kCodes.count(result) || result == options.advanceStateError;
}

}  // namespace

void TestOneInput(FuzzInput& input) {
  const int plugin = int(input.Int(0, kPluginCount - 1));
  const PluginTable& table = *kPluginTables[plugin];
  host::Host host(LoadedModule(plugin));

  std::vector<uint8_t> block = input.Blob(80);
  ShortenIterations(block, table.layout);
  host.SetParameterBlock(block);

  for (int runs = int(input.Int(1, 3)); runs > 0; --runs) {
    const int width = int(input.Int(1, 64)), height = int(input.Int(1, 64));
    const int planes = int(input.Int(1, 8));
    const int padding = int(input.Int(0, 7));
    host::Picture picture = TakePicture(input, width, height, planes, padding);
    const bool withMask = input.Bool();
    const host::Picture mask = withMask ? TakePicture(input, width, height, 1, 0) : host::Picture{};
    host.options() = TakeOptions(input, width, height);
    const bool withDialog = input.Bool();

    const std::vector<uint8_t> before = picture.pixels;
    host.ClearLog();
    const int16 result = host.Filter(picture, withMask ? &mask : nullptr, withDialog);
    FUZZ_CHECK(ExpectedResult(result, host.options()));
    if (result != kNoErr) FUZZ_CHECK(picture.pixels == before);
    // The plug-in wrote nowhere but into its strips, and disposed of nothing it did not own.
    for (const host::LogEntry& entry : host.Log()) {
      if (entry.kind != host::LogKind::kNote) continue;
      FUZZ_CHECK(entry.note.find("overwritten") == std::string::npos);
      FUZZ_CHECK(entry.note.find("does not know") == std::string::npos);
      FUZZ_CHECK(entry.note.find("more than") == std::string::npos);
    }
    FUZZ_CHECK(host.handleCounts().unknown == 0);
    // Whatever came in, the block the plug-in works with now holds its whole layout.
    std::vector<uint8_t> kept = host.ParameterBlock();
    if (!kept.empty()) {
      FUZZ_CHECK(kept.size() >= table.layout.size);
      // The next run starts from the kept block, as a host's repeat of the filter does; another
      // host application may hand back something else entirely.
      if (input.Bool()) kept = input.Blob(80);
      ShortenIterations(kept, table.layout);
      host.SetParameterBlock(kept);
    }
  }
}

}  // namespace zar::fuzz
