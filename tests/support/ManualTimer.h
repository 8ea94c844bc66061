#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <utility>

#include "recovery/Timer.h"

namespace numino::testing {

// A timer that runs only when the test says so: Fire() is the timeout.
class ManualTimer : public Timer {
 public:
  void OnTimeout(std::function<void()> handler) override { handler_ = std::move(handler); }
  void Start(std::chrono::milliseconds delay) override {
    delay_ = delay;
    ++starts;
  }
  void Stop() override { delay_.reset(); }
  bool Running() const override { return delay_.has_value(); }

  // The delay it is running with; nothing when it is not running.
  std::optional<std::chrono::milliseconds> Delay() const { return delay_; }
  // Times out now, when running; false when it was not.
  bool Fire() {
    if (!delay_) return false;
    delay_.reset();
    if (handler_) handler_();
    return true;
  }

  int starts = 0;  // how often Start was called

 private:
  std::function<void()> handler_;
  std::optional<std::chrono::milliseconds> delay_;
};

}  // namespace numino::testing
