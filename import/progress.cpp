#include "import/progress.h"

#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

constexpr auto kQuietStart = std::chrono::milliseconds(500);
constexpr auto kRedraw = std::chrono::milliseconds(100);
constexpr int kBarWidth = 30;

}  // namespace

Progress::Progress(bool enabled)
    : enabled_(enabled && isatty(STDERR_FILENO)), start_(std::chrono::steady_clock::now()) {}

Progress::~Progress() { Finish(); }

void Progress::Update(const char* what, int64_t done, int64_t total) {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - start_ < kQuietStart || (drawn_ && now - lastDraw_ < kRedraw)) return;
  lastDraw_ = now;
  drawn_ = true;
  if (total > 0) {
    const int filled = static_cast<int>(kBarWidth * std::min<int64_t>(done, total) / total);
    const std::string bar = std::string(filled, '#') + std::string(kBarWidth - filled, '.');
    std::fprintf(stderr, "\r%s [%s] %lld of %lld\033[K", what, bar.c_str(), static_cast<long long>(done),
                 static_cast<long long>(total));
  } else {
    std::fprintf(stderr, "\r%s: %lld\033[K", what, static_cast<long long>(done));
  }
  std::fflush(stderr);
}

void Progress::Finish() {
  if (!drawn_) return;
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  drawn_ = false;
}
