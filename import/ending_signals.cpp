#include "import/ending_signals.h"

#include <unistd.h>

#include <cstring>
#include <iterator>

#include "import/import_error.h"

namespace {

// The lock, each of the six files of a map written and each earlier one set
// aside, with room to spare.
constexpr int kMostPending = 16;
constexpr size_t kLongestPath = 4096;
char pendingFiles[kMostPending][kLongestPath];
volatile sig_atomic_t pendingCount = 0;
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void RemovePendingAndEnd(int signal) {
  for (sig_atomic_t i = 0; i < pendingCount; ++i) ::unlink(pendingFiles[i]);
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

}  // namespace

EndingSignalCleanup::EndingSignalCleanup() {
  struct sigaction action {};
  action.sa_handler = RemovePendingAndEnd;
  sigemptyset(&action.sa_mask);
  for (size_t i = 0; i < std::size(kEndingSignals); ++i) {
    sigaction(kEndingSignals[i], nullptr, &before_[i]);
    if (before_[i].sa_handler != SIG_IGN) sigaction(kEndingSignals[i], &action, nullptr);
  }
}

EndingSignalCleanup::~EndingSignalCleanup() {
  for (size_t i = 0; i < std::size(kEndingSignals); ++i) sigaction(kEndingSignals[i], &before_[i], nullptr);
}

HeldSignals::HeldSignals() {
  sigset_t held;
  sigemptyset(&held);
  for (const int signal : kEndingSignals) sigaddset(&held, signal);
  sigprocmask(SIG_BLOCK, &held, &before_);
}

HeldSignals::~HeldSignals() { sigprocmask(SIG_SETMASK, &before_, nullptr); }

void RemoveOnEndingSignal(const std::string& path) {
  if (path.size() >= kLongestPath) throw ImportError("the path " + path + " is too long");
  if (pendingCount == kMostPending) throw ImportError("too many files pending to keep " + path);
  std::memcpy(pendingFiles[pendingCount], path.c_str(), path.size() + 1);
  pendingCount = pendingCount + 1;
}

size_t PendingFileCount() { return static_cast<size_t>(pendingCount); }

void ForgetPendingFiles(size_t mark, bool unlink) {
  const HeldSignals held;
  for (sig_atomic_t i = static_cast<sig_atomic_t>(mark); unlink && i < pendingCount; ++i)
    ::unlink(pendingFiles[i]);
  pendingCount = static_cast<sig_atomic_t>(mark);
}
