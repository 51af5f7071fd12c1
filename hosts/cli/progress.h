// The progress bar `zar` draws on a terminal from the plug-in's progress reports.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace zar::cli {

class ProgressBar {
 public:
  // Draws on `out` only when `enabled` (zar enables it when stderr is a terminal).
  ProgressBar(std::FILE* out, std::string label, bool enabled);
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  // One report of the plug-in: done of total. Redraws when the shown figure changes.
  void Update(int32_t done, int32_t total);
  // Ends the bar's line (nothing when nothing was drawn); after a run that went through, with the
  // bar full, since the plug-ins' last report may fall short of the total.
  void Finish(bool completed = false);

  // The line for a report, without the carriage return: "fire [#####-----]  50%".
  static std::string Line(const std::string& label, int32_t done, int32_t total, int width);

 private:
  std::FILE* out_;
  std::string label_;
  bool enabled_;
  bool drawn_ = false;
  std::string last_;
};

}  // namespace zar::cli
