#pragma once

// The files an import removes when SIGINT, SIGTERM or SIGHUP ends it: its
// temporary files, the earlier map files it set aside and its lock file.
// The handler may only call functions such as unlink and raise, so their
// paths are kept in fixed storage.

#include <signal.h>

#include <cstddef>
#include <string>

// While it lives, SIGINT, SIGTERM and SIGHUP (those not ignored, so that
// nohup stays) first remove every file entered with RemoveOnEndingSignal,
// then end the process as they would have. Instances may nest.
class EndingSignalCleanup {
 public:
  EndingSignalCleanup();
  ~EndingSignalCleanup();
  EndingSignalCleanup(const EndingSignalCleanup&) = delete;
  EndingSignalCleanup& operator=(const EndingSignalCleanup&) = delete;

 private:
  struct sigaction before_[3];
};

// While it lives, SIGINT, SIGTERM and SIGHUP wait.
class HeldSignals {
 public:
  HeldSignals();
  ~HeldSignals();
  HeldSignals(const HeldSignals&) = delete;
  HeldSignals& operator=(const HeldSignals&) = delete;

 private:
  sigset_t before_;
};

// Enters path among the files an ending signal removes; call with the
// signals held. Raises ImportError when the path is too long to keep or too
// many are entered.
void RemoveOnEndingSignal(const std::string& path);

// How many files are entered; the files entered after a mark are
// forgotten, unlinked first when unlink is true.
size_t PendingFileCount();
void ForgetPendingFiles(size_t mark, bool unlink);
