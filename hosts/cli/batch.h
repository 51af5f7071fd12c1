// Many pictures through one command: `zar render` and `zar animate` with -o DIR or --suffix.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace zar::cli {

// What `zar render` and `zar animate` take for a batch: the pictures, where their results go
// (outDir, else beside each picture under its own name with `suffix`), how many at once (0: one
// per core), and the progress bar's settings.
struct BatchOptions {
  std::vector<std::string> files;
  std::string outDir, suffix;
  int jobs = 0;
  bool quiet = false, progress = false;
};

struct BatchJob : BatchOptions {
  std::string label;  // the progress bar's
  std::string verb;   // what was done to a picture: "rendered", "animated"
  // The result's extension for a picture (".png"; "/" for a directory), or false with the reason.
  using Extension =
      std::function<bool(const std::string& in, std::string* ext, std::string* error)>;
  Extension extension;
  // One picture, in a process of its own: the command's exit status.
  std::function<int(const std::string& in, const std::string& out)> run;
};

// Every picture of job.files written to job.outDir (else beside the picture) under its own name
// with job.suffix before the extension. Each failure is one line; a last line counts them; 1
// when any failed.
int RunBatch(const BatchJob& job);

// The batch of a command's args.files (labelled with args.effect): each picture done by `one`
// with a copy of args for that picture alone, without a bar of its own (the batch's bar counts
// pictures).
template <typename Args>
int RunBatchOf(const Args& args, const char* verb, BatchJob::Extension extension,
               int (*one)(const Args&)) {
  BatchJob job;
  static_cast<BatchOptions&>(job) = args;
  job.label = args.effect;
  job.verb = verb;
  job.extension = std::move(extension);
  job.run = [&args, one](const std::string& in, const std::string& out) {
    Args single = args;
    single.in = in;
    single.out = out;
    single.files.clear();
    single.quiet = true;
    single.progress = false;
    return one(single);
  };
  return RunBatch(job);
}

}  // namespace zar::cli
