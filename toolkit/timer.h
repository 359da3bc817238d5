#pragma once

#include <functional>
#include <memory>

#include "toolkit/controls.h"

class QTimer;

// Runs OnTimer from the event loop every Interval milliseconds while
// enabled, as an event handler: an exception that leaves it is shown in a
// message box. Starts disabled.
class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  void Interval(int milliseconds);
  bool Enabled() const;
  void Enabled(bool enabled);

  std::function<void()> OnTimer;

 private:
  std::unique_ptr<QTimer> timer_;
};
