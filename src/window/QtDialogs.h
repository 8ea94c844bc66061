#pragma once

#include <QPointer>
#include <QString>

#include <string>
#include <string_view>
#include <vector>

#include "model/Platform.h"

class QDialog;
class QWidget;

// The puzzle core's dialogs, on Qt: message boxes, the file dialogs (Qt's
// own, so they look and behave the same everywhere) and the busy pointer.
// Every text the user sees is Italian; the button and dialog texts come
// from Qt's Italian translation.
class QtDialogs : public numino::Dialogs {
 public:
  QtDialogs() = default;
  QtDialogs(const QtDialogs&) = delete;
  QtDialogs& operator=(const QtDialogs&) = delete;
  ~QtDialogs() override;

  // The window that owns the message boxes and dialogs (none: they float).
  void SetOwner(QWidget* owner) { owner_ = owner; }

  numino::MessageAnswer MessageBox(std::string_view text, std::string_view title,
                                   numino::MessageStyle style) override;
  std::optional<std::string> SaveFileDialog(const numino::FileDialogRequest& request) override;
  std::optional<std::string> OpenFileDialog(const numino::FileDialogRequest& request) override;
  std::string DocumentFolder(const std::string& documentPath) override;
  void SetBusyPointer(bool busy) override;

 private:
  std::optional<std::string> RunFileDialog(const numino::FileDialogRequest& request, bool save);
  // Takes a new dialog, and deletes those kept that have closed since.
  template <class Dialog>
  Dialog& Keep(Dialog* dialog);

  QWidget* owner_ = nullptr;
  // A screen reader works through a dialog's events after it has closed,
  // asking for its objects as it goes, and Qt warns on the error stream for
  // each one it no longer has. So a closed dialog lives on, hidden, until
  // the next one is made (or its window goes, taking it along).
  std::vector<QPointer<QDialog>> kept_;
};

// Qt reads "[*]" in a window title as the place of its modified mark; this
// doubles it so that a file name holding it is shown as it is.
QString EscapeWindowTitle(const QString& title);
