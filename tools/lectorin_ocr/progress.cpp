//===- progress.cpp - The progress bar on standard error ------------------===//

#include "progress.h"

#include "host.h"

#include <cstdio>

namespace lectorin_ocr {

Progress::Progress(int total, bool shown)
    : total_(total), shown_(shown),
      output_is_terminal_(shown && platform::is_terminal(1)),
      start_(Clock::now()) {}

void Progress::page_done() {
  ++done_;
  draw();
}

void Progress::message(const std::string &line) {
  clear();
  (void)std::fputs((line + "\n").c_str(), stderr);
  (void)std::fflush(stderr);
  draw();
}

bool Progress::output(const std::string &text) {
  // Only a bar on the same terminal has to make room.
  if (output_is_terminal_)
    clear();
  bool written =
      std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
      std::fflush(stdout) == 0;
  if (output_is_terminal_)
    draw();
  return written;
}

void Progress::finish() {
  if (shown_ && done_ > 0) {
    (void)std::fputc('\n', stderr);
    (void)std::fflush(stderr);
  }
}

void Progress::clear() {
  if (shown_)
    (void)std::fputs("\r\033[K", stderr);
}

void Progress::draw() {
  if (!shown_)
    return;
  double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
  double rate = seconds > 0 ? done_ / seconds : 0;
  constexpr int width = 30;
  int filled = total_ > 0 ? done_ * width / total_ : width;
  std::string bar(static_cast<std::size_t>(filled), '#');
  bar.resize(width, '.');
  char line[160];
  if (done_ > 0 && rate > 0)
    (void)std::snprintf(
        line, sizeof line, "\r[%s] %d/%d pages  %.2f pages/s  ETA %.0f s\033[K",
        bar.c_str(), done_, total_, rate, (total_ - done_) / rate);
  else
    (void)std::snprintf(line, sizeof line, "\r[%s] %d/%d pages\033[K",
                        bar.c_str(), done_, total_);
  (void)std::fputs(line, stderr);
  (void)std::fflush(stderr);
}

} // namespace lectorin_ocr
