#pragma once

#include <atomic>
#include <chrono>
#include <exception>
#include <functional>
#include <thread>

#include "map/load_progress.h"

class TComponent;
class TTimer;

// Work on a worker thread that the window takes over on its own thread when
// it ends: the one place where a worker and the window meet. The work gets
// a LoadProgress to report to and to watch for a cancel request; the window
// reads the progress while the work runs and runs the work's finish once it
// has ended. One piece of work at a time.
class BackgroundTask {
 public:
  using Work = std::function<void(LoadProgress& progress)>;
  // Runs on the window's thread once the work has ended, given the exception
  // that left the work, if one did.
  using Finish = std::function<void(std::exception_ptr error)>;

  // owner owns the timer that watches the work.
  explicit BackgroundTask(TComponent* owner);
  ~BackgroundTask();
  BackgroundTask(const BackgroundTask&) = delete;
  BackgroundTask& operator=(const BackgroundTask&) = delete;

  // Cancels any work still running, then starts work on a new thread, at
  // low priority when lowPriority says so.
  void Start(Work work, Finish finish, bool lowPriority = false);

  // Asks the work to stop and waits for its thread to end; its finish is
  // not run. Nothing happens when no work runs.
  void Cancel();

  // Waits for the work to end and runs its finish here, which may raise.
  void Wait();

  // Whether work was started and its finish has not run, nor was it
  // cancelled.
  bool Running() const { return thread_.joinable(); }

  const LoadProgress& Progress() const { return progress_; }

  // Milliseconds since the work started.
  int64_t Elapsed() const;

  // Whether what OnProgress shows of the work must be shown for it to be
  // there `milliseconds` into the work: true from the tick of the timer
  // about a tick before that moment on (its ticks come up to half a tick
  // late or early), so that it is on the screen by then.
  bool DueBy(int64_t milliseconds) const { return Elapsed() + kPollMilliseconds * 3 / 2 >= milliseconds; }

  // Runs on the worker once the work has ended, before the window can take
  // it over: where a test holds the worker to look at the window meanwhile.
  std::function<void()> AfterWork;

  // Called on the window's thread every kPollMilliseconds while the work
  // runs: the moment to show its progress.
  std::function<void()> OnProgress;
  static constexpr int kPollMilliseconds = 50;

 private:
  // The timer's tick: shows progress, or takes over work that has ended.
  void Poll();
  void Join();
  void FinishWork();

  TTimer* timer_;
  std::thread thread_;
  LoadProgress progress_;
  std::atomic<bool> done_{false};
  std::exception_ptr error_;
  Finish finish_;
  std::chrono::steady_clock::time_point started_;
};
