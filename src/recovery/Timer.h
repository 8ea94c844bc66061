#pragma once

#include <chrono>
#include <functional>

// A single-shot timer: the program runs it on its event loop, tests run it
// by hand.
class Timer {
 public:
  virtual ~Timer() = default;

  // What a timeout calls.
  virtual void OnTimeout(std::function<void()> handler) = 0;
  // The handler runs once, delay from now; a running timer starts anew.
  virtual void Start(std::chrono::milliseconds delay) = 0;
  virtual void Stop() = 0;
  virtual bool Running() const = 0;
};
