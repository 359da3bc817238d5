#include "toolkit/timer.h"

#include <QTimer>

#include "toolkit/event_dispatch.h"

TTimer::TTimer(TComponent* owner) : TComponent(owner), timer_(std::make_unique<QTimer>()) {
  QObject::connect(timer_.get(), &QTimer::timeout, [this] {
    if (OnTimer) DispatchEvent(OnTimer);
  });
}

TTimer::~TTimer() = default;

void TTimer::Interval(int milliseconds) { timer_->setInterval(milliseconds); }

bool TTimer::Enabled() const { return timer_->isActive(); }

void TTimer::Enabled(bool enabled) {
  if (enabled) {
    timer_->start();
  } else {
    timer_->stop();
  }
}
