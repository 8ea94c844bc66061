#include "app/StopSignals.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <utility>

namespace {

constexpr std::array kSignals = {SIGTERM, SIGHUP, SIGINT};

// Written only by the constructor and destructor, read by the handler.
int pipeEnds[2] = {-1, -1};
struct sigaction previous[kSignals.size()];

// write() is async-signal-safe; errno is kept for whatever the signal
// interrupted. A full pipe already holds a signal to act on.
void OnSignal(int signalNumber) {
  const int saved = errno;
  const auto byte = static_cast<unsigned char>(signalNumber);
  [[maybe_unused]] const ssize_t ignored = ::write(pipeEnds[1], &byte, 1);
  errno = saved;
}

// What an exit under the event loop calls; empty outside it.
std::function<void()>& AtExit() {
  static std::function<void()> keep;
  return keep;
}

void OnExit() {
  if (std::function<void()> keep = std::exchange(AtExit(), nullptr)) keep();
}

}  // namespace

// The handler is registered after the function it calls was made, so that
// it runs before that is destroyed.
KeepAtExit::KeepAtExit(std::function<void()> keep) {
  AtExit() = std::move(keep);
  static const bool registered = std::atexit(OnExit) == 0;
  (void)registered;
}

KeepAtExit::~KeepAtExit() { AtExit() = nullptr; }

StopSignals::StopSignals() {
  if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) {
    pipeEnds[0] = pipeEnds[1] = -1;
    return;
  }
  notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &StopSignals::Drain);
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (std::size_t i = 0; i < kSignals.size(); ++i) ::sigaction(kSignals[i], &action, &previous[i]);
}

StopSignals::~StopSignals() {
  if (pipeEnds[0] < 0) return;
  for (std::size_t i = 0; i < kSignals.size(); ++i) ::sigaction(kSignals[i], &previous[i], nullptr);
  delete notifier_;
  ::close(pipeEnds[0]);
  ::close(pipeEnds[1]);
  pipeEnds[0] = pipeEnds[1] = -1;
}

void StopSignals::Drain() {
  unsigned char byte = 0;
  ssize_t got = 0;
  int last = 0;
  while ((got = ::read(pipeEnds[0], &byte, 1)) == 1) last = byte;
  if (last != 0) emit Received(last);
}
