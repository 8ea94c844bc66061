#pragma once

#include <QTimer>

#include <functional>
#include <utility>

#include "recovery/Timer.h"

// A single-shot timer on the event loop.
class QtTimer : public Timer {
 public:
  QtTimer() {
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (handler_) handler_();
    });
  }
  void OnTimeout(std::function<void()> handler) override { handler_ = std::move(handler); }
  void Start(std::chrono::milliseconds delay) override { timer_.start(delay); }
  void Stop() override { timer_.stop(); }
  bool Running() const override { return timer_.isActive(); }

 private:
  QTimer timer_;
  std::function<void()> handler_;
};
