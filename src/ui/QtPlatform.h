#pragma once

#include <QString>

#include <memory>
#include <string>
#include <string_view>

#include "model/Platform.h"
#include "ui/FileAccess.h"

class QWidget;

// The desktop services of the puzzle core, on Qt: message boxes, the file
// dialogs (Qt's own, so they look and behave the same everywhere) and the
// busy pointer; file access is handed on to FileAccess. Every text the user
// sees is Italian; the button and dialog texts come from Qt's Italian
// translation.
class QtPlatform : public numino::Platform {
 public:
  // files: how files are read and written (tests hand in one whose writes
  // fail).
  explicit QtPlatform(std::unique_ptr<FileAccess> files = std::make_unique<FileAccess>());
  ~QtPlatform() override;

  // The window that owns the message boxes and dialogs (none: they float).
  void SetOwner(QWidget* owner) { owner_ = owner; }

  numino::MessageAnswer MessageBox(std::string_view text, std::string_view title,
                                   numino::MessageStyle style) override;
  std::optional<std::string> SaveFileDialog(const numino::FileDialogRequest& request) override;
  std::optional<std::string> OpenFileDialog(const numino::FileDialogRequest& request) override;
  std::string DocumentFolder(const std::string& documentPath) override;
  void SetBusyPointer(bool busy) override;
  std::size_t MaxPathLength() override;
  bool FileExists(const std::string& path) override;
  std::optional<numino::FileStamp> StampOf(const std::string& path) override;
  numino::FileStart ReadFileStart(const std::string& path, std::size_t maxBytes) override;
  numino::FileStamp WriteFile(const std::string& path, std::string_view bytes) override;

 private:
  std::optional<std::string> RunFileDialog(const numino::FileDialogRequest& request, bool save);

  QWidget* owner_ = nullptr;
  std::unique_ptr<FileAccess> files_;
};

// Qt reads "[*]" in a window title as the place of its modified mark; this
// doubles it so that a file name holding it is shown as it is.
QString EscapeWindowTitle(const QString& title);
