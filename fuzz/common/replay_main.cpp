// The standalone main of a fuzz target: replays inputs as an ordinary test. Every file named on
// the command line, and every file in every directory named there (in name order, so a run is
// repeatable), goes once through the target's LLVMFuzzerTestOneInput. A crash, a sanitizer report
// or a broken property ends the process as it ends a fuzzing run; an empty corpus is an error.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "hosts/core/whole_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

namespace fs = std::filesystem;

}  // namespace

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const fs::path arg(argv[i]);
    std::error_code error;
    if (fs::is_directory(arg, error)) {
      std::vector<fs::path> files;
      for (const auto& entry : fs::directory_iterator(arg, error))
        if (entry.is_regular_file()) files.push_back(entry.path());
      std::sort(files.begin(), files.end());
      inputs.insert(inputs.end(), files.begin(), files.end());
    } else if (fs::is_regular_file(arg, error)) {
      inputs.push_back(arg);
    } else {
      std::fprintf(stderr, "%s: no such file or directory\n", argv[i]);
      return 1;
    }
  }
  if (inputs.empty()) {
    std::fprintf(stderr, "no inputs to replay\n");
    return 1;
  }
  std::vector<uint8_t> bytes;
  for (const fs::path& path : inputs) {
    if (!zar::host::ReadWholeFile(path.string(), &bytes)) {
      std::fprintf(stderr, "%s: cannot read\n", path.c_str());
      return 1;
    }
    // A copy of exactly the input's size, so a read past its end is caught by the sanitizers.
    // An empty input still has an address, as under the fuzzer.
    std::vector<uint8_t> exact(bytes);
    static const uint8_t kNothing = 0;
    LLVMFuzzerTestOneInput(exact.empty() ? &kNothing : exact.data(), exact.size());
  }
  std::printf("replayed %zu inputs\n", inputs.size());
  return 0;
}
