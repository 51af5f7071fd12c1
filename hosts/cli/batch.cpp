// `zar render` and `zar animate` over many pictures. Each picture is done in a process of its
// own: a plug-in module keeps its state in globals, as a filter plug-in may, so pictures are never
// filtered by two threads of one process; and one picture's failure, out of memory included,
// touches no other.
#include "hosts/cli/batch.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>

#include "hosts/cli/commands.h"
#include "hosts/cli/pictures.h"
#include "hosts/cli/progress.h"

namespace zar::cli {

namespace {

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Where a batch writes the result of `in`: in the output directory (else beside the input),
// under the input's name with the suffix and the job's extension.
bool BatchOutput(const BatchJob& job, const std::string& in, std::string* out, std::string* error) {
  if (in == "-") {
    *error = "-: standard input cannot be part of a batch";
    return false;
  }
  std::string name = BaseName(in);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot != 0) name.resize(dot);
  std::string ext;
  if (!job.extension(in, &ext, error)) return false;
  const size_t slash = in.find_last_of('/');
  const std::string dir = !job.outDir.empty()          ? job.outDir + "/"
                          : slash == std::string::npos ? std::string()
                                                       : in.substr(0, slash + 1);
  *out = dir + name + job.suffix + ext;
  return true;
}

// render's results: in --format's extension, else the input's own.
bool RenderExtension(const RenderArgs& args, const std::string& in, std::string* ext,
                     std::string* error) {
  const std::string name = BaseName(in);
  const size_t dot = name.find_last_of('.');
  *ext = dot == std::string::npos || dot == 0 ? "" : name.substr(dot);
  PictureFormat format;
  if (!args.format.empty()) {
    if (!FormatNamed(args.format, &format, error)) return false;
    *ext = FormatExtension(format);
  } else if (std::string ignored; !OutputFormatFor(in, &format, &ignored)) {
    *ext = ".png";  // a PPM or PGM in: PNG out
  }
  return true;
}

}  // namespace

int RunBatch(const BatchJob& args) {
  if (!args.outDir.empty()) {
    struct stat info;
    if (stat(args.outDir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
      return Error("-o " + args.outDir + ": not a directory");
  }
  if (args.outDir.empty() && args.suffix.empty())
    return Error("a batch needs -o DIR or --suffix TEXT (its results would replace its inputs)");
  const int jobs = args.jobs > 0 ? args.jobs : std::max(1, int(sysconf(_SC_NPROCESSORS_ONLN)));
  const int total = int(args.files.size());
  ProgressBar bar(stderr, args.label,
                  !args.quiet && (args.progress || isatty(fileno(stderr)) != 0));
  std::fflush(stdout);
  std::fflush(stderr);

  int done = 0, failed = 0;
  std::map<pid_t, std::string> running;
  std::map<std::string, std::string> outputs;  // result: its picture
  auto reap = [&]() {
    int status = 0;
    const pid_t pid = waitpid(-1, &status, 0);
    if (pid <= 0) return;
    running.erase(pid);
    ++done;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) ++failed;
    bar.Update(done, total);
  };
  for (const std::string& in : args.files) {
    while (int(running.size()) >= jobs) reap();
    std::string out, error;
    const bool named = BatchOutput(args, in, &out, &error);
    if (named && !outputs.emplace(out, in).second)
      error = in + ": its result " + out + " would replace that of " + outputs[out] + "; not " +
              args.verb;
    if (!named || !error.empty()) {
      Error(error);
      ++done;
      ++failed;
      continue;
    }
    const pid_t pid = fork();
    if (pid == 0) {
      SetErrorSubject(in);
      int status = 1;
      try {
        status = args.run(in, out);
      } catch (...) {
        Error(in + ": out of memory; nothing written");
      }
      std::fflush(stdout);
      std::fflush(stderr);
      _exit(status);
    }
    if (pid < 0) {
      Error(in + ": cannot start a process for it");
      ++done;
      ++failed;
      continue;
    }
    running[pid] = in;
  }
  while (!running.empty()) reap();
  bar.Finish(failed == 0);
  std::fprintf(stderr, "zar: %d of %d pictures %s%s\n", total - failed, total, args.verb.c_str(),
               failed ? (", " + std::to_string(failed) + " failed").c_str() : "");
  return failed ? 1 : 0;
}

int RenderBatch(const RenderArgs& args) {
  return RunBatchOf(
      args, "rendered",
      [&args](const std::string& in, std::string* ext, std::string* error) {
        return RenderExtension(args, in, ext, error);
      },
      Render);
}

}  // namespace zar::cli
