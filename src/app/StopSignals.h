#pragma once

#include <QObject>

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
