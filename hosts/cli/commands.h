// The commands of `zar`. Each returns the program's exit status: 0 done, 1 not done (a clear
// one-line reason on stderr, and nothing written).
#pragma once

#include <string>
#include <vector>

namespace zar::cli {

struct RenderArgs {
  std::string effect, in, out;
  std::string params, mask;
  std::vector<std::string> settings;
  bool force = false;
};
int Render(const RenderArgs& args);

int ShowParams(const std::string& path);

struct SaveArgs {
  std::string effect, file;
  std::string params;  // a file to start from
  std::vector<std::string> settings;
  bool force = false;
};
int SaveParams(const SaveArgs& args);

// Every effect, or the one named.
int ListEffects(const std::string& effect);

struct SheetArgs {
  std::string out;
  std::vector<std::string> pictures;
  std::vector<std::string> labels;
  int columns = 0;
  bool force = false;
};
int MakeSheet(const SheetArgs& args);

// Messages on stderr: "zar: error: ...", "zar: warning: ...", "zar: note: ...".
int Error(const std::string& text);
void Warning(const std::string& text);
void Note(const std::string& text);

}  // namespace zar::cli
