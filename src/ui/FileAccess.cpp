#include "ui/FileAccess.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

using numino::FileError;

namespace {

// The reasons, in Italian, that a message box names after the file.
const char* const kNotRegular = "non è un file normale";
const char* const kFolder = "è una cartella";
const char* const kNoFile = "il file non esiste";
const char* const kNoFolder = "la cartella non esiste";
const char* const kDiskFull = "spazio esaurito sul disco";
const char* const kDenied = "permesso negato";

struct KnownError {
  int code;
  const char* reason;
};

constexpr KnownError kKnownErrors[] = {
    {ENOSPC, kDiskFull},
    {EDQUOT, kDiskFull},
    {EACCES, kDenied},
    {EPERM, kDenied},
    {EROFS, "il disco è di sola lettura"},
    {ENOENT, kNoFolder},
    {ENOTDIR, kNoFolder},
    {EISDIR, kFolder},
    {ENAMETOOLONG, "il nome del file è troppo lungo"},
    {EIO, "errore di lettura o scrittura sul disco"},
};

// For a read, a missing path means a missing file rather than a missing
// folder.
std::string ReadErrorReason(int errorNumber) {
  if (errorNumber == ENOENT) return kNoFile;
  return FileErrorReason(errorNumber, qt_error_string(errorNumber));
}

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

bool FileAccess::FileExists(const std::string& path) {
  return QFileInfo::exists(QString::fromStdString(path));
}

numino::FileStart FileAccess::ReadFileStart(const std::string& path, std::size_t maxBytes) {
  const QByteArray native = QFile::encodeName(QString::fromStdString(path));
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
void FileAccess::WriteFile(const std::string& path, std::string_view bytes) {
  const QString name = QString::fromStdString(path);
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

bool FileAccess::WriteBytes(QSaveFile& file, std::string_view bytes) {
  const qint64 size = static_cast<qint64>(bytes.size());
  return file.write(bytes.data(), size) == size;
}
