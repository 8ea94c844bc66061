#include "clipboard/ClipboardSize.h"

#include <QtGui/qguiapplication_platform.h>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMetaObject>

#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

namespace {

// A reply of libxcb, which the caller frees.
template <typename Reply>
using Owned = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply>
Owned<Reply> Own(Reply* reply) {
  return Owned<Reply>(reply, &std::free);
}

}  // namespace

ClipboardSize::ClipboardSize(QObject* parent) : QObject(parent) {
  wait_.setSingleShot(true);
  wait_.setInterval(kWait);
  connect(&wait_, &QTimer::timeout, this, [this] { Answered(false); });
}

ClipboardSize::~ClipboardSize() {
  answer_ = nullptr;
  Answered(false);
}

void ClipboardSize::Ask(std::size_t limit, Answer answer) {
  const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  // The offscreen platform has the interface, with no connection.
  xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
  if (!connection || QGuiApplication::clipboard()->ownsClipboard()) {
    answer(false);
    return;
  }
  limit_ = limit;
  answer_ = std::move(answer);
  if (connection_) return;  // the open question's answer comes to the new one
  connection_ = connection;
  // The requests go out together; the replies are taken after.
  const std::array<const char*, 4> names = {"CLIPBOARD", "UTF8_STRING", "INCR",
                                            "NUMINO_CLIPBOARD_SIZE"};
  std::array<xcb_intern_atom_cookie_t, 4> cookies = {};
  for (std::size_t i = 0; i < names.size(); ++i) {
    cookies[i] = xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(std::strlen(names[i])),
                                 names[i]);
  }
  std::array<xcb_atom_t, 4> atoms = {};
  for (std::size_t i = 0; i < names.size(); ++i) {
    const auto reply = Own(xcb_intern_atom_reply(connection_, cookies[i], nullptr));
    atoms[i] = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  }
  if (std::find(atoms.begin(), atoms.end(), XCB_ATOM_NONE) != atoms.end()) {
    Answered(false);
    return;
  }
  incremental_ = atoms[2];
  property_ = atoms[3];
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
  window_ = xcb_generate_id(connection_);
  xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, screen->root, 0, 0, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
  QCoreApplication::instance()->installNativeEventFilter(this);
  xcb_convert_selection(connection_, window_, atoms[0], atoms[1], property_, XCB_CURRENT_TIME);
  xcb_flush(connection_);
  wait_.start();
}

bool ClipboardSize::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
  if (!connection_ || type != "xcb_generic_event_t") return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  if ((event->response_type & 0x7f) != XCB_SELECTION_NOTIFY) return false;
  const auto* notify = reinterpret_cast<const xcb_selection_notify_event_t*>(event);
  if (notify->requestor != window_) return false;
  Answered(notify->property != XCB_ATOM_NONE && PropertyLonger());
  return true;
}

// Asked for no bytes at all, the server tells the length all the same.
bool ClipboardSize::PropertyLonger() {
  const auto length = Own(xcb_get_property_reply(
      connection_,
      xcb_get_property(connection_, 0, window_, property_, XCB_GET_PROPERTY_TYPE_ANY, 0, 0),
      nullptr));
  if (!length) return false;
  return length->type == incremental_ || length->bytes_after > limit_;
}

// The answer comes from the event loop, never from within the event that
// brought it: it may show a box, whose own loop would run inside Qt's
// handling of the X events.
void ClipboardSize::Answered(bool longer) {
  wait_.stop();
  if (connection_) {
    if (auto* application = QCoreApplication::instance()) {
      application->removeNativeEventFilter(this);
    }
    if (window_ != 0) xcb_destroy_window(connection_, window_);
    xcb_flush(connection_);
    connection_ = nullptr;
    window_ = 0;
  }
  if (!answer_) return;
  QMetaObject::invokeMethod(
      this, [answer = std::exchange(answer_, nullptr), longer] { answer(longer); },
      Qt::QueuedConnection);
}
