#include "app/StopSignals.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>

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

}  // namespace

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
