#pragma once

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPalette>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <sys/xattr.h>

#include <cerrno>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "support/Grids.h"
#include "ui/BoardWidget.h"
#include "ui/FileAccess.h"

// What the tests of the Qt side share.
namespace numino::testing {

// Shows a top-level widget, waits until it is the active window and gives
// the focus to the given child.
inline bool ShowActive(QWidget& window, QWidget& focus) {
  window.show();
  QApplication::setActiveWindow(&window);
  window.activateWindow();
  if (!QTest::qWaitForWindowActive(&window)) return false;
  focus.setFocus();
  return focus.hasFocus();
}

// Runs `step` on the next modal dialog as soon as it is open, so that a
// test can look at a dialog that blocks in exec() and then close it. Gives
// up after five seconds.
inline void WhenModal(std::function<void(QWidget*)> step) {
  auto* timer = new QTimer(qApp);
  timer->setInterval(5);
  auto tries = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, step, tries] {
    QWidget* modal = QApplication::activeModalWidget();
    if ((!modal || !modal->isVisible()) && ++*tries < 1000) return;
    timer->stop();
    timer->deleteLater();
    if (modal) step(modal);
  });
  timer->start();
}

// Types a name into a file dialog's name field, as the user would, and
// presses Return.
inline void TypeFileName(QFileDialog& dialog, const QString& name) {
  auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  ASSERT_NE(edit, nullptr);
  QApplication::setActiveWindow(&dialog);
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

// Writes a file whole, and reads one back ("<missing>" when it cannot).
inline void Put(const std::string& path, const std::string& bytes) {
  QFile file(QString::fromStdString(path));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path;
  ASSERT_EQ(file.write(bytes.data(), static_cast<qint64>(bytes.size())),
            static_cast<qint64>(bytes.size()));
}
inline std::string Get(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return "<missing>";
  return file.readAll().toStdString();
}

// The program's own file access, except that while `breakOff` is set every
// write stops half-way and fails, as on a full disk, and while
// `breakFolderSync` is set the folder's sync after a rename fails as on a
// failing disk. `atFolderSync` runs just before every folder sync, so a test
// can see what the file holds by then; `folderSyncs` counts them.
class BreakingFileAccess : public FileAccess {
 public:
  bool breakOff = false;
  bool breakFolderSync = false;
  std::function<void()> atFolderSync;
  int folderSyncs = 0;

 protected:
  bool WriteBytes(int fd, std::string_view bytes) override {
    if (!breakOff) return FileAccess::WriteBytes(fd, bytes);
    FileAccess::WriteBytes(fd, bytes.substr(0, bytes.size() / 2));
    errno = ENOSPC;
    return false;
  }
  bool SyncFolder(int folder) override {
    ++folderSyncs;
    if (atFolderSync) atFolderSync();
    if (!breakFolderSync) return FileAccess::SyncFolder(folder);
    errno = EIO;
    return false;
  }
};

// The value of a file's extended attribute, "<none>" when it has none of
// that name.
inline std::string AttributeOf(const std::string& path, const char* name) {
  std::string value(256, '\0');
  const ssize_t size = getxattr(path.c_str(), name, value.data(), value.size());
  if (size < 0) return "<none>";
  value.resize(static_cast<std::size_t>(size));
  return value;
}

// An access ACL as the kernel stores it (version 2, then tag, permissions
// and id per entry): the owner, user 4321 and the mask may read and write,
// the group and others may read.
inline const std::string kSharingAcl(
    "\x02\0\0\0"
    "\x01\0\x06\0\xFF\xFF\xFF\xFF"
    "\x02\0\x06\0\xE1\x10\0\0"
    "\x04\0\x04\0\xFF\xFF\xFF\xFF"
    "\x10\0\x06\0\xFF\xFF\xFF\xFF"
    "\x20\0\x04\0\xFF\xFF\xFF\xFF",
    44);

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
