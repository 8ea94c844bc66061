#pragma once

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPalette>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "board/BoardWidget.h"
#include "support/BoardLayout.h"
#include "support/Disk.h"
#include "support/Grids.h"

// What the tests of the Qt side share.
namespace numino::testing {

// Makes the window Qt's active one at once. The offscreen platform has no
// window manager to do it: activateWindow() alone leaves it to an event
// that a dialog's nested loop may not have delivered before the test types,
// and a file dialog then loses the typed name. Qt 6.8 deprecates the call
// that does it at once, and has no replacement for it.
inline void MakeActive(QWidget& window) {
  QT_WARNING_PUSH
  QT_WARNING_DISABLE_DEPRECATED
  QApplication::setActiveWindow(&window);
  QT_WARNING_POP
}

// Shows a top-level widget, waits until it is the active window and gives
// the focus to the given child.
inline bool ShowActive(QWidget& window, QWidget& focus) {
  window.show();
  MakeActive(window);
  window.activateWindow();
  if (!QTest::qWaitForWindowActive(&window)) return false;
  focus.setFocus();
  return focus.hasFocus();
}

using ModalStep = std::function<void(QWidget*)>;

// Hands the modal windows, as they come up one after the other, to the
// steps in turn, for as long as it lives: a test looks at a dialog that
// blocks in exec() and closes it. A window beyond the last step is a
// failure and is closed; so is any window still open after ten seconds, so
// that a test waiting in a dialog fails instead of hanging.
class ModalScript {
 public:
  explicit ModalScript(std::vector<ModalStep> steps = {}) : steps_(std::move(steps)) {
    clock_.start();
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start(10);
  }
  std::size_t StepsTaken() const { return next_; }

 private:
  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) return;
    if (modal == last_) {
      if (clock_.elapsed() > 10000) {
        ADD_FAILURE() << "still open: " << modal->windowTitle().toStdString();
        modal->close();
      }
      return;
    }
    last_ = modal;
    if (next_ < steps_.size()) {
      steps_[next_++](modal);
    } else {
      ADD_FAILURE() << "a window more than expected: " << modal->windowTitle().toStdString();
      modal->close();
    }
  }

  std::vector<ModalStep> steps_;
  std::size_t next_ = 0;
  QPointer<QWidget> last_;
  QTimer timer_;
  QElapsedTimer clock_;
};

// Types a name into a file dialog's name field, as the user would, and
// presses Return.
inline void TypeFileName(QFileDialog& dialog, const QString& name) {
  auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  ASSERT_NE(edit, nullptr);
  MakeActive(dialog);
  edit->setFocus();
  edit->selectAll();
  QTest::keyClicks(edit, name);
  QTest::keyClick(edit, Qt::Key_Return);
}

// Runs the window's menu command of that object name.
inline void Trigger(QWidget& window, const char* name) {
  auto* action = window.findChild<QAction*>(QString::fromLatin1(name));
  ASSERT_NE(action, nullptr) << name;
  action->trigger();
}

// The palette roles the board draws with: the cells, the lines and digits,
// and the margin round the board.
inline QPalette BoardPalette(QColor base, QColor buttonText, QColor window) {
  QPalette palette;
  palette.setColor(QPalette::Base, base);
  palette.setColor(QPalette::ButtonText, buttonText);
  palette.setColor(QPalette::Window, window);
  return palette;
}

// The middle of a cell, where a click on the board at zoom 1 lands in it.
inline QPoint CellMiddle(int row, int col) { return {CellMiddleX(col), CellMiddleY(row)}; }

// The pixel at (x, y) of the board image, in the board's own pixels.
inline QColor BoardPixel(BoardWidget& board, int x, int y) {
  const QImage& image = board.Surface().Image();
  const qreal ratio = image.devicePixelRatio();
  return image.pixelColor(qRound(x * ratio), qRound(y * ratio));
}

// The document the window tests open as pippo.nmo: 5 in row 1, column 1,
// and 9 in row 9, column 9.
inline const std::string kPippoFile =
    "500000000\r\n" + Repeat("000000000\r\n", 7) + "000000009\r\n";

// A table row's description as a test name, for a row that runs as a test
// of its own: "a file's second name" becomes "AFilesSecondName".
inline std::string RowName(std::string_view what) {
  std::string name;
  bool wordStart = true;
  for (const char c : what) {
    const bool alphanumeric =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (alphanumeric) {
      name += wordStart && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
      wordStart = false;
    } else if (c != '\'') {
      wordStart = true;
    }
  }
  return name;
}

// For as long as it lives, the user's folders are in `home`: HOME is set to
// it, the configuration is read from home/.config, and there, when
// `documents` is given, xdg-user-dirs records it as the documents folder.
class UserFoldersIn {
 public:
  explicit UserFoldersIn(const QString& home, const QString& documents = {})
      : home_(qgetenv("HOME")), config_(qgetenv("XDG_CONFIG_HOME")) {
    const QString config = home + QStringLiteral("/.config");
    qputenv("HOME", QFile::encodeName(home));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
    if (!documents.isEmpty()) {
      QDir().mkpath(config);
      Put((config + QStringLiteral("/user-dirs.dirs")).toStdString(),
          "XDG_DOCUMENTS_DIR=\"" + documents.toStdString() + "\"\n");
    }
  }
  ~UserFoldersIn() {
    Restore("HOME", home_);
    Restore("XDG_CONFIG_HOME", config_);
  }
  UserFoldersIn(const UserFoldersIn&) = delete;
  UserFoldersIn& operator=(const UserFoldersIn&) = delete;

 private:
  static void Restore(const char* name, const QByteArray& value) {
    if (value.isNull()) {
      qunsetenv(name);
    } else {
      qputenv(name, value);
    }
  }
  QByteArray home_;
  QByteArray config_;
};

}  // namespace numino::testing
