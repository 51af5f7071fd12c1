// The commands of `zar`. Each returns the program's exit status: 0 done, 1 not done (a clear
// one-line reason on stderr, and nothing written).
#pragma once

#include <string>
#include <vector>

#include "hosts/cli/batch.h"

namespace zar {
struct PluginTable;
struct WorkingParameters;
}  // namespace zar

namespace zar::cli {

// A batch: every picture in `files`, each written to outDir (when given) under its own name with
// `suffix` before the extension.
struct RenderArgs : BatchOptions {
  std::string effect, in, out;  // "-": standard input, standard output
  std::string params, mask;
  std::vector<std::string> settings;
  bool force = false;
  std::string format;  // the output's format when no extension names it (--format)
  int quality = -1, compression = -1;
  bool verbose = false;
};
// One picture, in to out.
int Render(const RenderArgs& args);
// The batch of args.files; each failure is one line, a last line counts them.
int RenderBatch(const RenderArgs& args);

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

// The effect a command names; null after saying there is no such effect.
const PluginTable* NamedEffect(const std::string& name);
// A run's settings (BuildParameters), with its warnings said; false after saying why not.
bool SettingsForRun(const PluginTable& table, const std::string& paramsPath,
                    const std::vector<std::string>& settings, WorkingParameters* params);

// Messages on stderr: "zar: error: ...", "zar: warning: ...", "zar: note: ...". After
// SetErrorSubject, an error that does not name the subject (a batch's picture) is prefixed with it.
int Error(const std::string& text);
void SetErrorSubject(const std::string& subject);
void Warning(const std::string& text);
void Note(const std::string& text);

}  // namespace zar::cli
