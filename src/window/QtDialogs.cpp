#include "window/QtDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QStandardPaths>

#include <fcntl.h>

#include "files/OpenFile.h"

using numino::MessageAnswer;
using numino::MessageStyle;

namespace {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The dialog lists names decoded as UTF-8, each byte that is none as
// U+FFFD, and gives back what it shows: encoded again, such a name would be
// another file. It is found again among its folder's names, by the same
// decoding; a name that no file there bears, or more than one, stays as
// the dialog gave it.
std::string NativeName(const QString& chosen) {
  const QByteArray encoded = QFile::encodeName(chosen);
  const qsizetype slash = encoded.lastIndexOf('/');
  if (!chosen.contains(QChar::ReplacementCharacter) || slash < 0) return encoded.toStdString();
  const QByteArray folder = slash == 0 ? QByteArray("/") : encoded.left(slash);
  const QString shown = QFile::decodeName(encoded.mid(slash + 1));
  const Descriptor opened(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  const auto names = opened.Valid() ? FolderEntries(opened.Get()) : std::nullopt;
  std::optional<std::string> found;
  for (const std::string& name : names.value_or(std::vector<std::string>())) {
    if (QFile::decodeName(QByteArray::fromStdString(name)) != shown) continue;
    if (found) return encoded.toStdString();
    found = name;
  }
  if (!found) return encoded.toStdString();
  return encoded.left(slash + 1).toStdString() + *found;
}

struct BoxSetup {
  QMessageBox::Icon icon;
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton first;   // the default button
  QMessageBox::StandardButton escape;  // what Escape and the close button answer
};

BoxSetup SetupOf(MessageStyle style) {
  switch (style) {
    case MessageStyle::YesNoCancelQuestion:
      return {QMessageBox::Question, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
              QMessageBox::Yes, QMessageBox::Cancel};
    case MessageStyle::YesNoQuestion:
      return {QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes,
              QMessageBox::No};
    case MessageStyle::OkExclamation:
      return {QMessageBox::Warning, QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok};
    case MessageStyle::OkInformation:
      break;
  }
  return {QMessageBox::Information, QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok};
}

// The widest a run of text without spaces may be, as a share of the
// screen's width: a path wider than that gets break points.
constexpr double kWidestRun = 0.6;

// Puts a zero width space, a break point that shows nothing, after each '/'
// of every run without spaces that is wider than maxWidth, and within any
// piece still too wide; QMessageBox wraps only at break points, and would
// rather grow past the screen. The text stays whole: the path is what the
// user needs to read. No break goes inside a character made of two code
// units, nor before a combining mark.
QString BreakLongRuns(const QString& text, const QFontMetrics& metrics, int maxWidth) {
  const QChar breakPoint(0x200B);
  QString out;
  out.reserve(text.size());
  qsizetype at = 0;
  while (at < text.size()) {
    qsizetype end = at;
    while (end < text.size() && !text[end].isSpace()) ++end;
    const QString run = text.mid(at, end - at);
    if (metrics.horizontalAdvance(run) <= maxWidth) {
      out += run;
    } else {
      int piece = 0;
      for (const QChar c : run) {
        const int advance = metrics.horizontalAdvance(c);
        if (piece > 0 && piece + advance > maxWidth && !c.isLowSurrogate() && !c.isMark()) {
          out += breakPoint;
          piece = 0;
        }
        out += c;
        piece += advance;
        if (c == QLatin1Char('/')) {
          out += breakPoint;
          piece = 0;
        }
      }
    }
    while (end < text.size() && text[end].isSpace()) out += text[end++];
    at = end;
  }
  return out;
}

MessageAnswer AnswerOf(QMessageBox::StandardButton button) {
  switch (button) {
    case QMessageBox::Yes:
      return MessageAnswer::Yes;
    case QMessageBox::No:
      return MessageAnswer::No;
    case QMessageBox::Cancel:
      return MessageAnswer::Cancel;
    default:
      return MessageAnswer::Ok;
  }
}

}  // namespace

QString EscapeWindowTitle(const QString& title) {
  QString escaped = title;
  return escaped.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
}

QtDialogs::~QtDialogs() {
  for (const QPointer<QDialog>& dialog : kept_) delete dialog.data();
}

// One still open (a box over a file dialog) stays.
template <class Dialog>
Dialog& QtDialogs::Keep(Dialog* dialog) {
  std::erase_if(kept_, [](const QPointer<QDialog>& kept) {
    if (kept && kept->isVisible()) return false;
    delete kept.data();
    return true;
  });
  kept_.emplace_back(dialog);
  return *dialog;
}

MessageAnswer QtDialogs::MessageBox(std::string_view text, std::string_view title,
                                    MessageStyle style) {
  const BoxSetup setup = SetupOf(style);
  QMessageBox& box = Keep(new QMessageBox(owner_));
  box.setWindowTitle(EscapeWindowTitle(FromUtf8(title)));
  // Plain text, so that a file name holding "<" is not taken for markup.
  box.setTextFormat(Qt::PlainText);
  // Not selectable, before the text is set: Qt 6.8 reports the text of a
  // selectable label to screen readers as edits of a label that has no
  // text to edit, and warns on the error stream each time. Screen readers
  // read the box's text all the same.
  box.setTextInteractionFlags(Qt::NoTextInteraction);
  const int widestRun = static_cast<int>(box.screen()->availableGeometry().width() * kWidestRun);
  box.setText(BreakLongRuns(FromUtf8(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                            QFontMetrics(box.font()), widestRun));
  box.setIcon(setup.icon);
  box.setStandardButtons(setup.buttons);
  box.setDefaultButton(setup.first);
  box.setEscapeButton(setup.escape);
  box.exec();
  const QMessageBox::StandardButton clicked = box.standardButton(box.clickedButton());
  return AnswerOf(clicked == QMessageBox::NoButton ? setup.escape : clicked);
}

std::optional<std::string> QtDialogs::SaveFileDialog(const numino::FileDialogRequest& request) {
  return RunFileDialog(request, true);
}

std::optional<std::string> QtDialogs::OpenFileDialog(const numino::FileDialogRequest& request) {
  return RunFileDialog(request, false);
}

// Qt's own dialog rather than the desktop's: the same behaviour everywhere,
// and its texts come from the Italian translation.
std::optional<std::string> QtDialogs::RunFileDialog(const numino::FileDialogRequest& request,
                                                    bool save) {
  const QString pattern = FromUtf8(request.filterPattern);
  QString filter = FromUtf8(request.filterDescription);
  if (!filter.endsWith(QLatin1Char('(') + pattern + QLatin1Char(')'))) {
    filter += QStringLiteral(" (") + pattern + QLatin1Char(')');
  }
  QFileDialog& dialog = Keep(
      new QFileDialog(owner_, FromUtf8(request.title), FromUtf8(request.initialFolder), filter));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setDefaultSuffix(FromUtf8(request.defaultExtension));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(request.existingFilesOnly ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  // Saving asks about an existing file itself.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (!request.initialFile.empty()) dialog.selectFile(FromUtf8(request.initialFile));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || chosen.front().isEmpty()) return std::nullopt;
  return NativeName(chosen.front());
}

// Never the program's folder: that may be a build folder that a clean
// rebuild deletes, or a system one.
std::string QtDialogs::DocumentFolder(const std::string& documentPath) {
  if (!documentPath.empty()) {
    const QFileInfo document(QString::fromStdString(documentPath));
    if (document.absoluteDir().exists()) return document.absolutePath().toStdString();
  }
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (!documents.isEmpty() && QDir().mkpath(documents)) return documents.toStdString();
  return QDir::homePath().toStdString();
}

void QtDialogs::SetBusyPointer(bool busy) {
  if (busy) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QGuiApplication::restoreOverrideCursor();
  }
}
