//===- progress.h - The progress bar on standard error ---------*- C++ -*-===//
//
// "[#####.....] 3/8 pages  0.52 pages/s  ETA 10 s", redrawn in place on
// standard error as pages finish. Messages and standard output written
// through it go above the bar, so that the bar never breaks a line in two.
// When it is not shown (not a terminal, one page, -q) it only passes
// messages on.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_TOOLS_PROGRESS_H
#define LECTORIN_TOOLS_PROGRESS_H

#include <chrono>
#include <string>

namespace lectorin_ocr {

class Progress {
public:
  Progress(int total, bool shown);

  /// Counts one more page as done and redraws the bar.
  void page_done();
  /// Writes a line to standard error (a line feed is added).
  void message(const std::string &line);
  /// Writes text to standard output; false when it could not be written.
  bool output(const std::string &text);
  /// Leaves the bar's last state on its own line.
  void finish();

private:
  using Clock = std::chrono::steady_clock;

  void clear();
  void draw();

  int total_;
  int done_ = 0;
  bool shown_;
  bool output_is_terminal_;
  Clock::time_point start_;
};

} // namespace lectorin_ocr

#endif // LECTORIN_TOOLS_PROGRESS_H
