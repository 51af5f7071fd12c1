// What the end-to-end tests of `zar` share: running the real program in a scratch directory,
// PNG files written and read with libpng itself (not with zar's code), and the reference run:
// the host core driving the same plug-in module with the same parameter block.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "settings/parameters.h"
#include "settings/plugin_table.h"
#include "hosts/core/picture.h"
#include "hosts/core/whole_file.h"

namespace zar::testing {

// A directory of its own for one test, removed afterwards.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  // The names of the files in it, sorted.
  std::vector<std::string> Files() const;

 private:
  std::string path_;
};

struct ZarRun {
  int status = -1;  // the exit status; -1 when the program did not exit normally
  int signal = 0;   // the signal that ended it, if one did
  std::string out, err;
  // Lines of stderr.
  std::vector<std::string> ErrLines() const;
};

// Runs zar with `args` in `dir`, stdin empty, stdout and stderr captured (not a terminal).
// `env` adds or replaces variables ("NAME=value"); ZAR_PLUGIN_DIR is removed unless given.
// With `pipeIn`, stdin is a pipe carrying that file's bytes.
// `limits` are resource limits set in the child (RLIMIT_AS, RLIMIT_FSIZE...) before it starts.
struct Limit {
  int resource;
  uint64_t value;
};
ZarRun RunZar(const std::vector<std::string>& args, const std::string& dir,
              const std::vector<std::string>& env = {}, const std::vector<Limit>& limits = {},
              const std::string& pipeIn = {});
// Whether this build runs under the address sanitizer, which cannot live with a limit on the
// address space.
bool AddressSanitized();
// A PNG of `width` x `height` all-black grey pixels, written a row at a time (a large picture
// in a small file, without holding it).
void WriteBlankPng(const std::string& path, int width, int height);
// The same with stderr on a pseudo-terminal (stdout too), all output in `out`.
ZarRun RunZarOnTerminal(const std::vector<std::string>& args, const std::string& dir);

using host::WholeFile;  // empty when missing
bool Exists(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// PNG files through libpng: 1 plane grey, 2 grey and alpha, 3 RGB, 4 RGBA.
void WritePng(const std::string& path, const host::Picture& picture);
// A palette PNG of an RGB picture with at most 256 colours.
void WritePalettePng(const std::string& path, const host::Picture& picture);
// A 16-bit RGB PNG without colour-space chunks: each sample s stored as s * 257 + extra.
void WritePng16(const std::string& path, const host::Picture& picture, int extra);
// Reads a PNG as it is stored (8-bit RGB or RGBA only); empty on failure.
host::Picture ReadPng(const std::string& path);
// Reads a PAM (any depth).
host::Picture ReadPam(const std::string& path);
void WritePam(const std::string& path, const host::Picture& picture);

// Test pictures: the sample photograph (150 x 100) with `planes` planes (extra planes a ramp),
// and an elliptic selection of a picture's size.
host::Picture Photo(int planes = 3);
host::Picture Ellipse(int width, int height);
bool SamePixels(const host::Picture& a, const host::Picture& b);

// The plug-in module of an effect in this build.
std::string ModulePath(const PluginTable& table);
// The reference: a fresh host core runs the module over `picture` without the dialog, with a
// parameter block made from `params` (framework fields as a new block has them).
host::Picture DirectRun(const PluginTable& table, const WorkingParameters& params,
                        host::Picture picture, const host::Picture* mask = nullptr);

std::string ZarPath();

}  // namespace zar::testing
