#include "app/background_task.h"

#include <utility>

#include "toolkit/threads.h"
#include "toolkit/timer.h"

BackgroundTask::BackgroundTask(TComponent* owner) : timer_(new TTimer(owner)) {
  timer_->Interval(kPollMilliseconds);
  timer_->OnTimer = [this] { Poll(); };
}

BackgroundTask::~BackgroundTask() { Cancel(); }

void BackgroundTask::Start(Work work, Finish finish, bool lowPriority) {
  Cancel();
  progress_.bytesRead = 0;
  progress_.totalBytes = 0;
  progress_.phase = LoadProgress::kReading;
  progress_.cancel = false;
  done_ = false;
  error_ = nullptr;
  finish_ = std::move(finish);
  started_ = std::chrono::steady_clock::now();
  thread_ = std::thread([this, work = std::move(work), afterWork = AfterWork, lowPriority] {
    if (lowPriority) LowerThisThreadsPriority();
    try {
      work(progress_);
    } catch (...) {
      error_ = std::current_exception();
    }
    if (afterWork) afterWork();
    done_ = true;
  });
  timer_->Enabled(true);
}

void BackgroundTask::Cancel() {
  if (!Running()) return;
  progress_.cancel = true;
  Join();
  finish_ = nullptr;
}

void BackgroundTask::Wait() {
  if (!Running()) return;
  Join();
  FinishWork();
}

int64_t BackgroundTask::Elapsed() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started_)
      .count();
}

void BackgroundTask::Poll() {
  if (!Running()) return;
  if (!done_) {
    if (OnProgress) OnProgress();
    return;
  }
  Join();
  FinishWork();
}

void BackgroundTask::Join() {
  thread_.join();
  timer_->Enabled(false);
}

void BackgroundTask::FinishWork() {
  const Finish finish = std::exchange(finish_, nullptr);
  if (finish) finish(std::exchange(error_, nullptr));
}
