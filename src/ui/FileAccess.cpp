#include "ui/FileAccess.h"

#include <QFile>

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

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

std::string Native(const std::string& path) {
  return QFile::encodeName(QString::fromStdString(path)).toStdString();
}

std::string Reason(int errorNumber) {
  return FileErrorReason(errorNumber, qt_error_string(errorNumber));
}

// An open file, closed when it goes out of scope.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  bool Valid() const { return fd_ >= 0; }
  int Get() const { return fd_; }
  // Closes now and tells whether that worked: some file systems report a
  // failed write only here.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

std::string FolderOf(const std::string& native) {
  const auto slash = native.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : native.substr(0, slash);
}

std::string NameOf(const std::string& native) {
  const auto slash = native.rfind('/');
  return slash == std::string::npos ? native : native.substr(slash + 1);
}

// As many links in a row as the system itself follows.
constexpr int kMaxLinks = 40;

// Turns a path into the file that its symbolic links lead to: the real path
// when the link's target exists; for a broken link, the target it names,
// made absolute against the link's folder, which is where the target will be
// made. A path that is no link stays as it is. False, with errno set, when
// the links go round in a circle or cannot be read.
bool FollowLinks(std::string& native) {
  for (int links = 0; links < kMaxLinks; ++links) {
    struct stat info {};
    if (::lstat(native.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return true;
    if (char* real = ::realpath(native.c_str(), nullptr)) {
      native = real;
      std::free(real);
      return true;
    }
    std::string target(PATH_MAX, '\0');
    const ssize_t length = ::readlink(native.c_str(), target.data(), target.size());
    if (length < 0) return false;
    if (static_cast<std::size_t>(length) == target.size()) {
      errno = ENAMETOOLONG;
      return false;
    }
    target.resize(static_cast<std::size_t>(length));
    native = target.front() == '/' ? target : FolderOf(native) + "/" + target;
  }
  errno = ELOOP;
  return false;
}

// Whether a new file in this one's place would be its equal: ours in owner
// and group, with this one name, and without extended attributes, an ACL
// among them, that a new file would not have.
bool Replaceable(int fd, const struct stat& info) {
  if (info.st_uid != ::geteuid() || info.st_gid != ::getegid() || info.st_nlink != 1) {
    return false;
  }
  const ssize_t names = ::flistxattr(fd, nullptr, 0);
  // A file system without attributes has none to lose; when the list cannot
  // be read, writing in place keeps whatever is there.
  if (names < 0) return errno == ENOTSUP;
  return names == 0;
}

// A new, empty file with a hidden name in the folder; -1 with errno set
// when none can be made. The name is free of the target's, so it is short
// however long that one is.
int MakeTemporary(int folder, std::string& name) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = ".numino-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
    const int fd = ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

numino::FileStamp StampFrom(const struct stat& info) {
  numino::FileStamp stamp;
  stamp.device = info.st_dev;
  stamp.inode = info.st_ino;
  stamp.size = info.st_size;
  stamp.modifiedSeconds = info.st_mtim.tv_sec;
  stamp.modifiedNanoseconds = info.st_mtim.tv_nsec;
  return stamp;
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

std::size_t FileAccess::MaxPathLength() { return PATH_MAX - 1; }

// lstat, so that a name held by a link counts although the link is broken:
// saving under that name would write where the link leads.
bool FileAccess::FileExists(const std::string& path) {
  struct stat info {};
  return ::lstat(Native(path).c_str(), &info) == 0;
}

std::optional<numino::FileStamp> FileAccess::StampOf(const std::string& path) {
  struct stat info {};
  if (::stat(QFile::encodeName(QString::fromStdString(path)).constData(), &info) == 0) {
    return StampFrom(info);
  }
  if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
  throw FileError(path, FileErrorReason(errno, qt_error_string(errno)));
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
  start.stamp = StampFrom(info);
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

// A new file, and a file of our own user and group with one link and no extended attribute (an
// ACL is one), is written to a temporary file renamed over it. Any other file is written in
// place, and so is one whose folder takes no new file. Symbolic links are followed first.
numino::FileStamp FileAccess::WriteFile(const std::string& path, std::string_view bytes) {
  std::string target = Native(path);
  if (!FollowLinks(target)) throw FileError(path, Reason(errno));
  struct stat old {};
  if (::lstat(target.c_str(), &old) != 0) {
    if (errno != ENOENT) throw FileError(path, Reason(errno));
    return *ThroughTemporary(path, target, nullptr, bytes);
  }
  if (S_ISDIR(old.st_mode)) throw FileError(path, kFolder);
  // A device or a pipe is no document: renaming over it would replace it
  // with a plain file, writing into it would save nothing.
  if (!S_ISREG(old.st_mode)) throw FileError(path, kNotRegular);
  // Opened for writing, without truncating, whichever way it is then
  // written: so the file's own permissions decide whether it may be saved.
  // Non-blocking, so that a pipe put in its place meanwhile is refused
  // rather than waited on.
  Descriptor file(::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
  if (!file.Valid()) throw FileError(path, Reason(errno));
  if (::fstat(file.Get(), &old) != 0 || !S_ISREG(old.st_mode)) throw FileError(path, kNotRegular);
  if (Replaceable(file.Get(), old)) {
    if (const auto written = ThroughTemporary(path, target, &old, bytes)) return *written;
  }
  return InPlace(path, file.Get(), bytes);
}

// The temporary file gets a short hidden name of its own and is made through
// the folder's descriptor, so that the target's path may be as long as the
// system allows. Whatever fails, the temporary file does not stay behind.
std::optional<numino::FileStamp> FileAccess::ThroughTemporary(const std::string& path,
                                                              const std::string& target,
                                                              const struct stat* old,
                                                              std::string_view bytes) {
  Descriptor folder(::open(FolderOf(target).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (!folder.Valid()) throw FileError(path, Reason(errno));
  std::string temporary;
  Descriptor file(MakeTemporary(folder.Get(), temporary));
  if (!file.Valid()) {
    // The folder takes no new file, but the old one may still be written.
    if (old && (errno == EACCES || errno == EPERM)) return std::nullopt;
    throw FileError(path, Reason(errno));
  }
  struct stat made {};
  bool ok = ::fstat(file.Get(), &made) == 0;
  if (ok && old && (made.st_uid != old->st_uid || made.st_gid != old->st_gid)) {
    // The folder gives new files another group (or owner): the renamed
    // file would not be the old one's equal after all.
    ::unlinkat(folder.Get(), temporary.c_str(), 0);
    return std::nullopt;
  }
  ok = ok && (!old || ::fchmod(file.Get(), old->st_mode & 07777) == 0) &&
       WriteBytes(file.Get(), bytes) && ::fsync(file.Get()) == 0 &&
       ::fstat(file.Get(), &made) == 0 && file.Close() &&
       ::renameat(folder.Get(), temporary.c_str(), folder.Get(), NameOf(target).c_str()) == 0;
  if (!ok) {
    const int errorNumber = errno;
    ::unlinkat(folder.Get(), temporary.c_str(), 0);
    throw FileError(path, Reason(errorNumber));
  }
  return StampFrom(made);
}

// From the first byte, then cut to the new length. A failure from here on
// may leave the file part new and part old, and the error says so.
numino::FileStamp FileAccess::InPlace(const std::string& path, int fd, std::string_view bytes) {
  struct stat written {};
  if (!WriteBytes(fd, bytes) || ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0 ||
      ::fsync(fd) != 0 || ::fstat(fd, &written) != 0) {
    throw FileError(path, Reason(errno), true);
  }
  return StampFrom(written);
}

bool FileAccess::WriteBytes(int fd, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote =
        ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      if (wrote == 0) errno = ENOSPC;
      return false;
    }
    done += static_cast<std::size_t>(wrote);
  }
  return true;
}
