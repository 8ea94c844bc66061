#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

struct xcb_connection_t;

// How many bytes of text the clipboard holds, asked of the program that
// holds it before anything is read, so that a clipboard of a gigabyte can
// be refused without the gigabyte ever coming over. On X11 the owner is
// asked for its text as UTF-8 into a property of a window of this one's
// own, and only the property's length is looked at: the text's, or, for a
// text the owner sends in parts, the lower bound it announces. The window
// goes with the answer, and with it whatever the owner put there; an owner
// waiting to send the next part sees its requestor gone.
class ClipboardSize : public QObject, public QAbstractNativeEventFilter {
 public:
  // How long the owner has to answer before the size counts as unknown.
  static constexpr std::chrono::milliseconds kWait{2000};
  using Answer = std::function<void(std::optional<std::size_t>)>;

  explicit ClipboardSize(QObject* parent = nullptr);
  ~ClipboardSize() override;

  // Calls answer with the size in bytes, or with nothing where it cannot be
  // known without reading the text: another platform than X11, the
  // program's own clipboard, an owner with no UTF-8 text, no answer in
  // time. At once when there is nobody to ask; else later, from the event
  // loop. Asked again while a question is open, the new answer replaces
  // the old one, which is never called.
  void Ask(Answer answer);

  bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

 private:
  void Answered(std::optional<std::size_t> size);
  std::optional<std::size_t> PropertyLength();

  xcb_connection_t* connection_ = nullptr;  // while a question is open
  std::uint32_t window_ = 0;
  std::uint32_t property_ = 0;
  std::uint32_t incremental_ = 0;  // the INCR type of a text sent in parts
  QTimer wait_;
  Answer answer_;
};
