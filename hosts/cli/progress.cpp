#include "hosts/cli/progress.h"

#include <algorithm>

namespace zar::cli {

ProgressBar::ProgressBar(std::FILE* out, std::string label, bool enabled)
    : out_(out), label_(std::move(label)), enabled_(enabled) {}

ProgressBar::~ProgressBar() { Finish(); }

std::string ProgressBar::Line(const std::string& label, int32_t done, int32_t total, int width) {
  // Reports outside 0..total are shown at the nearer end.
  const double fraction = total > 0 ? std::clamp(double(done) / double(total), 0.0, 1.0) : 0.0;
  const int filled = int(fraction * width);
  char percent[8];
  std::snprintf(percent, sizeof percent, "%3d%%", int(fraction * 100.0));
  return label + " [" + std::string(size_t(filled), '#') +
         std::string(size_t(width - filled), '-') + "] " + percent;
}

void ProgressBar::Update(int32_t done, int32_t total) {
  if (!enabled_) return;
  const std::string line = Line(label_, done, total, 40);
  if (line == last_) return;
  last_ = line;
  std::fprintf(out_, "\r%s", line.c_str());
  std::fflush(out_);
  drawn_ = true;
}

void ProgressBar::Finish(bool completed) {
  if (!drawn_) return;
  if (completed) Update(1, 1);
  std::fputc('\n', out_);
  std::fflush(out_);
  drawn_ = false;
  last_.clear();
}

}  // namespace zar::cli
