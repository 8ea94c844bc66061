#include "ui/QtPlatform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QSaveFile>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

using numino::FileError;
using numino::MessageAnswer;
using numino::MessageStyle;

namespace {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

const char* const kNotRegular = "non è un file normale";
const char* const kFolder = "è una cartella";
const char* const kNoFile = "il file non esiste";

struct KnownError {
  int code;
  const char* reason;
};

constexpr KnownError kKnownErrors[] = {
    {ENOSPC, "spazio esaurito sul disco"},
    {EDQUOT, "spazio esaurito sul disco"},
    {EACCES, "permesso negato"},
    {EPERM, "permesso negato"},
    {EROFS, "il disco è di sola lettura"},
    {ENOENT, "la cartella non esiste"},
    {ENOTDIR, "la cartella non esiste"},
    {EISDIR, kFolder},
    {ENAMETOOLONG, "il nome del file è troppo lungo"},
    {EIO, "errore di lettura o scrittura sul disco"},
};

// What a path names, without opening it: opening a pipe for reading would
// wait for a writer, and opening some devices has effects of its own.
enum class PathKind { Missing, Regular, Folder, Other };

PathKind KindOf(const QByteArray& nativePath, int& errorNumber) {
  struct stat info {};
  if (::stat(nativePath.constData(), &info) != 0) {
    errorNumber = errno;
    return PathKind::Missing;
  }
  if (S_ISREG(info.st_mode)) return PathKind::Regular;
  if (S_ISDIR(info.st_mode)) return PathKind::Folder;
  return PathKind::Other;
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

std::string FileErrorReason(int errorNumber, const QString& fallback) {
  for (const KnownError& known : kKnownErrors) {
    if (known.code == errorNumber) return known.reason;
  }
  // errno may have been overwritten on the way out of Qt; Qt's own text for
  // a system error is the system's text for its number.
  for (const KnownError& known : kKnownErrors) {
    if (fallback == qt_error_string(known.code)) return known.reason;
  }
  return fallback.toStdString();
}

// For a read, a missing path means a missing file rather than a missing
// folder.
static std::string ReadErrorReason(int errorNumber) {
  if (errorNumber == ENOENT) return kNoFile;
  return FileErrorReason(errorNumber, qt_error_string(errorNumber));
}

QString EscapeWindowTitle(const QString& title) {
  QString escaped = title;
  return escaped.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
}

QtPlatform::QtPlatform(QString programFolder) : programFolder_(std::move(programFolder)) {}

QtPlatform::~QtPlatform() = default;

QString QtPlatform::ProgramFolder() { return QCoreApplication::applicationDirPath(); }

MessageAnswer QtPlatform::MessageBox(std::string_view text, std::string_view title,
                                     MessageStyle style) {
  const BoxSetup setup = SetupOf(style);
  QMessageBox box(owner_);
  box.setWindowTitle(EscapeWindowTitle(FromUtf8(title)));
  // Plain text, so that a file name holding "<" is not taken for markup.
  box.setTextFormat(Qt::PlainText);
  box.setText(FromUtf8(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  box.setIcon(setup.icon);
  box.setStandardButtons(setup.buttons);
  box.setDefaultButton(setup.first);
  box.setEscapeButton(setup.escape);
  box.exec();
  const QMessageBox::StandardButton clicked = box.standardButton(box.clickedButton());
  return AnswerOf(clicked == QMessageBox::NoButton ? setup.escape : clicked);
}

std::optional<std::string> QtPlatform::SaveFileDialog(const numino::FileDialogRequest& request) {
  return RunFileDialog(request, true);
}

std::optional<std::string> QtPlatform::OpenFileDialog(const numino::FileDialogRequest& request) {
  return RunFileDialog(request, false);
}

// Qt's own dialog rather than the desktop's: the same behaviour everywhere,
// and its texts come from the Italian translation.
std::optional<std::string> QtPlatform::RunFileDialog(const numino::FileDialogRequest& request,
                                                     bool save) {
  const QString pattern = FromUtf8(request.filterPattern);
  QString filter = FromUtf8(request.filterDescription);
  if (!filter.endsWith(QLatin1Char('(') + pattern + QLatin1Char(')'))) {
    filter += QStringLiteral(" (") + pattern + QLatin1Char(')');
  }
  QFileDialog dialog(owner_, FromUtf8(request.title), FromUtf8(request.initialFolder), filter);
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
  return chosen.front().toStdString();
}

// Next to the program when the user may write there (a copy unpacked in a
// folder of one's own), else the user's documents, else home.
std::string QtPlatform::DocumentFolder() {
  const QFileInfo program(programFolder_);
  if (program.isDir() && program.isWritable()) return programFolder_.toStdString();
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (!documents.isEmpty() && QDir().mkpath(documents)) return documents.toStdString();
  return QDir::homePath().toStdString();
}

void QtPlatform::SetBusyPointer(bool busy) {
  if (busy) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QGuiApplication::restoreOverrideCursor();
  }
}

bool QtPlatform::FileExists(const std::string& path) { return QFileInfo::exists(FromUtf8(path)); }

numino::FileStart QtPlatform::ReadFileStart(const std::string& path, std::size_t maxBytes) {
  const QByteArray native = QFile::encodeName(FromUtf8(path));
  int errorNumber = 0;
  switch (KindOf(native, errorNumber)) {
    case PathKind::Missing:
      throw FileError(path, ReadErrorReason(errorNumber));
    case PathKind::Folder:
      throw FileError(path, kFolder);
    case PathKind::Other:
      throw FileError(path, kNotRegular);
    case PathKind::Regular:
      break;
  }
  // Non-blocking, and checked again once open: the path may have been
  // replaced by a pipe since it was looked at.
  const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    throw FileError(path, ReadErrorReason(errno));
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    throw FileError(path, kNotRegular);
  }
  QFile file;
  if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    throw FileError(path, file.errorString().toStdString());
  }

  numino::FileStart start;
  char buffer[65536];
  while (start.bytes.size() < maxBytes) {
    const qint64 wanted =
        static_cast<qint64>(std::min<std::size_t>(sizeof buffer, maxBytes - start.bytes.size()));
    const qint64 got = file.read(buffer, wanted);
    if (got < 0) throw FileError(path, FileErrorReason(errno, file.errorString()));
    if (got == 0) {
      start.wholeFile = true;
      return start;
    }
    start.bytes.append(buffer, static_cast<std::size_t>(got));
  }
  char extra = 0;
  const qint64 more = file.read(&extra, 1);
  if (more < 0) throw FileError(path, FileErrorReason(errno, file.errorString()));
  start.wholeFile = more == 0;
  return start;
}

// Through a temporary file renamed over the old one at the end: a failed or
// interrupted save never leaves the old file truncated or half written.
void QtPlatform::WriteFile(const std::string& path, std::string_view bytes) {
  const QString name = FromUtf8(path);
  int errorNumber = 0;
  switch (KindOf(QFile::encodeName(name), errorNumber)) {
    case PathKind::Folder:
      throw FileError(path, kFolder);
    case PathKind::Other:
      // Renaming over a device or a pipe would replace it with a plain file.
      throw FileError(path, kNotRegular);
    case PathKind::Missing:
    case PathKind::Regular:
      break;
  }
  QSaveFile file(name);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
    errorNumber = errno;
    throw FileError(path, FileErrorReason(errorNumber, file.errorString()));
  }
  if (!WriteBytes(file, bytes)) {
    errorNumber = errno;
    const QString text = file.errorString();
    file.cancelWriting();
    throw FileError(path, FileErrorReason(errorNumber, text));
  }
  if (!file.commit()) {
    errorNumber = errno;
    throw FileError(path, FileErrorReason(errorNumber, file.errorString()));
  }
}

bool QtPlatform::WriteBytes(QSaveFile& file, std::string_view bytes) {
  const qint64 size = static_cast<qint64>(bytes.size());
  return file.write(bytes.data(), size) == size;
}
