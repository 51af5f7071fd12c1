// zarhost: the Windows test host. Runs a plug-in module through the host core and prints what
// happened.
//
//   zarhost info PLUGIN                    the module's resources, decoded; its entry point
//   zarhost about PLUGIN                   the about selector
//   zarhost run PLUGIN IN.pam OUT.pam [options]
//
// Options of run:
//   --mask FILE.pgm          selection mask (one plane, the picture's size)
//   --mode N                 image mode (3 RGB, 1 grayscale, 4 CMYK...)
//   --space N                the space limit granted in prepare
//   --row-padding N          extra bytes at the end of every buffer row
//   --filter-rect T,L,B,R    the filter rectangle (default: the whole picture)
//   --no-advance-state       offer no advanceState callback
//   --no-display-pixels      offer no displayPixels callback
//   --no-handle-suite        offer no handle suite
//   --abort-after N          the abort test says stop once N strips went out
//   --advance-error CODE[@N] advanceState returns CODE from its call N (0 the first) on
//   --refuse-preview         advanceState fails reduced (preview) requests
//   --copy-source            output buffers start as a copy of the picture
//   --no-dialog              no parameters selector (a repeated run)
//   --repeat N               N further runs without the parameters selector
//   --block-in FILE          hand this parameter block to the plug-in first
//   --block-out FILE         write the parameter block out after the last run
//   --dialog-script STEPS    work the parameter dialog by these steps (dialog_script.h)
//   --behaviour NAME         behave as some hosts in the field do (repeatable; the names are
//                            those of ApplyHostBehaviour in hosts/core/host.h: global-size,
//                            fresh-each-run, ...)
//
// Every window the plug-in opens (message boxes now) is recorded in the log and dismissed.
// Exit status: 0 when every run returned 0, 1 when a run failed, 2 on a usage or file error.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "hosts/core/host.h"
#include "hosts/core/pe_resources.h"
#include "hosts/core/plugin_resources.h"
#include "hosts/core/whole_file.h"
#include "hosts/wintest/dialog_script.h"

namespace {

using namespace zar;
using namespace zar::host;

int Usage() {
  std::fprintf(stderr,
               "usage: zarhost info PLUGIN\n"
               "       zarhost about PLUGIN\n"
               "       zarhost run PLUGIN IN.pam OUT.pam [options]\n");
  return 2;
}

int Info(const std::string& path) {
  PeImage image;
  std::string error;
  if (!ReadPeFile(path, &image, &error)) {
    std::fprintf(stderr, "zarhost: %s: %s\n", path.c_str(), error.c_str());
    return 2;
  }
  std::printf("%s", DescribePluginModule(image).c_str());
  auto module = PluginModule::Load(path, &error);
  if (module)
    std::printf("entry point \"%s\", found through the '%s' property\n",
                module->entryName().c_str(),
                FourCCText(EntryPointKeyFor(sizeof(void*) == 8)).c_str());
  else
    std::printf("not loadable by this host: %s\n", error.c_str());
  return 0;
}

bool ParseInt(const char* text, long* value) {
  char* end = nullptr;
  *value = std::strtol(text, &end, 0);
  return end != text && *end == '\0';
}

bool WriteBlock(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

int Run(int argc, char** argv) {
  if (argc < 5) return Usage();
  const std::string pluginPath = argv[2], inPath = argv[3], outPath = argv[4];
  HostOptions options;
  std::string maskPath, blockIn, blockOut;
  std::vector<DialogStep> dialogSteps;
  bool dialogScript = false;
  bool withDialog = true;
  long repeat = 0;
  for (int i = 5; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    long n = 0;
    auto number = [&]() {
      if (!value || !ParseInt(value, &n)) {
        std::fprintf(stderr, "zarhost: %s needs a number\n", arg.c_str());
        return false;
      }
      ++i;
      return true;
    };
    if (arg == "--no-advance-state")
      options.offerAdvanceState = false;
    else if (arg == "--no-display-pixels")
      options.offerDisplayPixels = false;
    else if (arg == "--no-handle-suite")
      options.offerHandleSuite = false;
    else if (arg == "--refuse-preview")
      options.refusePreview = true;
    else if (arg == "--copy-source")
      options.copySourceToOutput = true;
    else if (arg == "--no-dialog")
      withDialog = false;
    else if (arg == "--mode") {
      if (!number()) return 2;
      options.imageMode = int16(n);
    } else if (arg == "--space") {
      if (!number()) return 2;
      options.spaceLimit = int32(n);
    } else if (arg == "--row-padding") {
      if (!number()) return 2;
      options.extraRowBytes = int(n);
    } else if (arg == "--abort-after") {
      if (!number()) return 2;
      options.abortAfterStrips = int(n);
    } else if (arg == "--repeat") {
      if (!number()) return 2;
      repeat = n;
    } else if (arg == "--advance-error" && value) {
      std::string given = value;
      ++i;
      long code = 0, at = 0;
      const size_t sep = given.find('@');
      if (!ParseInt(given.substr(0, sep).c_str(), &code) ||
          (sep != std::string::npos && !ParseInt(given.substr(sep + 1).c_str(), &at))) {
        std::fprintf(stderr, "zarhost: --advance-error CODE[@N]\n");
        return 2;
      }
      options.advanceStateError = OSErr(code);
      options.advanceStateErrorAt = int(at);
    } else if (arg == "--filter-rect" && value) {
      int t, l, b, r;
      if (std::sscanf(value, "%d,%d,%d,%d", &t, &l, &b, &r) != 4) {
        std::fprintf(stderr, "zarhost: --filter-rect T,L,B,R\n");
        return 2;
      }
      options.filterRect = Rect16{int16(t), int16(l), int16(b), int16(r)};
      ++i;
    } else if (arg == "--mask" && value) {
      maskPath = value;
      ++i;
    } else if (arg == "--block-in" && value) {
      blockIn = value;
      ++i;
    } else if (arg == "--dialog-script" && value) {
      std::string error;
      if (!ParseDialogScript(value, &dialogSteps, &error)) {
        std::fprintf(stderr, "zarhost: %s\n", error.c_str());
        return 2;
      }
      dialogScript = true;
      ++i;
    } else if (arg == "--behaviour" && value) {
      if (!ApplyHostBehaviour(value, options)) {
        std::string known;
        for (const std::string& name : HostBehaviourNames()) known += " " + name;
        std::fprintf(stderr, "zarhost: unknown behaviour %s (known:%s)\n", value, known.c_str());
        return 2;
      }
      ++i;
    } else if (arg == "--block-out" && value) {
      blockOut = value;
      ++i;
    } else {
      std::fprintf(stderr, "zarhost: unknown option %s\n", arg.c_str());
      return 2;
    }
  }

  std::string error;
  Picture picture, mask;
  if (!ReadPnmFile(inPath, &picture, &error) ||
      (!maskPath.empty() && !ReadPnmFile(maskPath, &mask, &error))) {
    std::fprintf(stderr, "zarhost: %s\n", error.c_str());
    return 2;
  }
  auto module = PluginModule::Load(pluginPath, &error);
  if (!module) {
    std::fprintf(stderr, "zarhost: %s: %s\n", pluginPath.c_str(), error.c_str());
    return 2;
  }
  Host host(*module, options);
  if (dialogScript) AttachDialogScript(host, dialogSteps);
  if (!blockIn.empty()) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(blockIn, &bytes)) {
      std::fprintf(stderr, "zarhost: cannot read %s\n", blockIn.c_str());
      return 2;
    }
    host.SetParameterBlock(bytes);
  }

  bool failed = false;
  for (long run = 0; run <= repeat; ++run) {
    const int16 result =
        host.Filter(picture, maskPath.empty() ? nullptr : &mask, run == 0 && withDialog);
    std::printf("%s", host.LogText().c_str());
    std::printf("result %d\n", result);
    host.ClearLog();
    failed = failed || result != kNoErr;
  }
  if (!WritePamFile(outPath, picture, &error)) {
    std::fprintf(stderr, "zarhost: %s\n", error.c_str());
    return 2;
  }
  if (!blockOut.empty()) {
    const std::vector<uint8_t> block = host.ParameterBlock();
    if (!WriteBlock(blockOut, block)) {
      std::fprintf(stderr, "zarhost: cannot write %s\n", blockOut.c_str());
      return 2;
    }
    std::printf("parameter block:");
    for (uint8_t b : block) std::printf(" %02X", b);
    std::printf("\n");
  }
  return failed ? 1 : 0;
}

int About(const std::string& path) {
  std::string error;
  auto module = PluginModule::Load(path, &error);
  if (!module) {
    std::fprintf(stderr, "zarhost: %s: %s\n", path.c_str(), error.c_str());
    return 2;
  }
  Host host(*module);
  const int16 result = host.About();
  std::printf("%sresult %d\n", host.LogText().c_str(), result);
  return result == kNoErr ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string command = argv[1];
  if (command == "info") return Info(argv[2]);
  if (command == "about") return About(argv[2]);
  if (command == "run") return Run(argc, argv);
  return Usage();
}
