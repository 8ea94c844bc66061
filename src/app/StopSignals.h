#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

// SIGTERM, SIGHUP and SIGINT, which end a session's programs where no
// session manager asks first, turned into a signal of the event loop. The
// handler only writes the signal's number into a pipe; everything else
// happens in the loop, where it is safe. Only one may exist at a time; the
// old handlers come back when it goes.
class StopSignals : public QObject {
  Q_OBJECT

 public:
  StopSignals();
  ~StopSignals() override;
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

 signals:
  void Received(int signalNumber);

 private:
  void Drain();

  QSocketNotifier* notifier_ = nullptr;
};

// While one lives, an exit() that ends the program from within the event
// loop first calls `keep`: Qt's platform plugins exit so when the
// connection to the display breaks (xcb: "The X11 connection broke"),
// without any signal or event the program could act on. Returning from
// main does not call it. Only one may exist at a time.
class KeepAtExit {
 public:
  explicit KeepAtExit(std::function<void()> keep);
  ~KeepAtExit();
  KeepAtExit(const KeepAtExit&) = delete;
  KeepAtExit& operator=(const KeepAtExit&) = delete;
};
