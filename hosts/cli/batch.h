// Many pictures through one command: `zar render` and `zar animate` with -o DIR or --suffix.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zar::cli {

struct BatchJob {
  std::vector<std::string> files;
  std::string outDir, suffix;
  int jobs = 0;  // pictures at once; 0: one per core
  bool quiet = false, progress = false;
  std::string label;  // the progress bar's
  std::string verb;   // what was done to a picture: "rendered", "animated"
  // The result's extension for a picture (".png"; "/" for a directory), or false with the reason.
  std::function<bool(const std::string& in, std::string* ext, std::string* error)> extension;
  // One picture, in a process of its own: the command's exit status.
  std::function<int(const std::string& in, const std::string& out)> run;
};

// Every picture of job.files written to job.outDir (else beside the picture) under its own name
// with job.suffix before the extension. Each failure is one line; a last line counts them; 1
// when any failed.
int RunBatch(const BatchJob& job);

}  // namespace zar::cli
