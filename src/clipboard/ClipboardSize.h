#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>

struct xcb_connection_t;

// Whether the clipboard's text is longer than a limit, asked of the
// program that holds it before anything is read, so that a clipboard of a
// gigabyte can be refused without the gigabyte ever coming over. On X11
// the owner is asked for its text as UTF-8 into a property of a window of
// this one's own, and only the property's length is looked at. A text the
// owner sends in parts counts as longer: owners split only texts too long
// for one request to the X server (16 kB at the least, 256 kB on the
// usual servers), far beyond a puzzle's few hundred bytes. The window goes
// with the answer, and with it whatever the owner put there; an owner
// waiting to send the parts sees its requestor gone.
class ClipboardSize : public QObject, public QAbstractNativeEventFilter {
 public:
  // How long the owner has to answer before the length counts as unknown.
  static constexpr std::chrono::milliseconds kWait{2000};
  // True when the text is known to be longer than the limit.
  using Answer = std::function<void(bool longer)>;

  explicit ClipboardSize(QObject* parent = nullptr);
  ~ClipboardSize() override;

  // Calls answer with whether the text is longer than limit bytes; false
  // where that cannot be known without reading the text: another platform
  // than X11, the program's own clipboard, an owner with no UTF-8 text, no
  // answer in time. At once when there is nobody to ask; else later, from
  // the event loop. Asked again while a question is open, the new answer
  // replaces the old one, which is never called, and the new limit holds.
  void Ask(std::size_t limit, Answer answer);

  bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

 private:
  void Answered(bool longer);
  bool PropertyLonger();

  xcb_connection_t* connection_ = nullptr;  // while a question is open
  std::uint32_t window_ = 0;
  std::uint32_t property_ = 0;
  std::uint32_t incremental_ = 0;  // the INCR type of a text sent in parts
  std::size_t limit_ = 0;
  QTimer wait_;
  Answer answer_;
};
