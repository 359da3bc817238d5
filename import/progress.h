#pragma once

#include <chrono>
#include <cstdint>

// A progress bar on standard error for work that takes more than a moment:
// nothing for the first half second, then one line, redrawn at most ten
// times a second, and wiped when the work is done. Shown only when enabled
// and standard error is a terminal.
class Progress {
 public:
  explicit Progress(bool enabled);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // done of total items of what (a few words); total < 0 when unknown.
  void Update(const char* what, int64_t done, int64_t total);

  // Wipes the line, if one was drawn.
  void Finish();

 private:
  bool enabled_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastDraw_;
};
