#include "files/FileAccess.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <string>
#include <vector>

#include "files/FileReasons.h"

using numino::FileError;

namespace {

// For a read, a missing path means a missing file rather than a missing
// folder.
std::string ReadErrorReason(int errorNumber) {
  return errorNumber == ENOENT ? files::kNoFile : FileErrorReason(errorNumber);
}

// What a path names, without opening it: opening a pipe for reading would
// wait for a writer, and opening some devices has effects of its own.
enum class PathKind { Missing, Regular, Folder, Other };

PathKind KindOf(const std::string& path, int& errorNumber) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    errorNumber = errno;
    return PathKind::Missing;
  }
  if (S_ISREG(info.st_mode)) return PathKind::Regular;
  if (S_ISDIR(info.st_mode)) return PathKind::Folder;
  return PathKind::Other;
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

// The names of a file's extended attributes; an empty list on a file
// system that has none. False, with errno set, when they cannot be read.
bool AttributeNames(int fd, std::vector<std::string>& names) {
  names.clear();
  std::string list;
  for (;;) {
    const ssize_t size = ::flistxattr(fd, nullptr, 0);
    if (size < 0) return errno == ENOTSUP;
    list.resize(static_cast<std::size_t>(size));
    const ssize_t got = size == 0 ? 0 : ::flistxattr(fd, list.data(), list.size());
    if (got >= 0) {
      list.resize(static_cast<std::size_t>(got));
      break;
    }
    // The list grew between the two calls: ask again.
    if (errno != ERANGE) return false;
  }
  for (std::size_t at = 0; at < list.size();) {
    const std::size_t end = std::min(list.find('\0', at), list.size());
    names.push_back(list.substr(at, end - at));
    at = end + 1;
  }
  return true;
}

bool AttributeValue(int fd, const std::string& name, std::string& value) {
  for (;;) {
    const ssize_t size = ::fgetxattr(fd, name.c_str(), nullptr, 0);
    if (size < 0) return false;
    value.resize(static_cast<std::size_t>(size));
    const ssize_t got = size == 0 ? 0 : ::fgetxattr(fd, name.c_str(), value.data(), value.size());
    if (got >= 0) {
      value.resize(static_cast<std::size_t>(got));
      return true;
    }
    if (errno != ERANGE) return false;
  }
}

// The attributes that a file of our own may carry over to a new file: the
// user's own ones (a browser's download origin, a file manager's tags) and
// the SELinux label. Any other, an ACL above all, is the system's to give,
// and the file is written in place to keep it.
bool Copyable(const std::string& name) {
  return name.starts_with("user.") || name == "security.selinux";
}

// Whether a new file in this one's place can be made its equal: ours in
// owner and group, with this one name, and with only attributes that can be
// copied. When they cannot be read, writing in place keeps whatever is there.
bool Replaceable(int fd, const struct stat& info) {
  if (info.st_uid != ::geteuid() || info.st_gid != ::getegid() || info.st_nlink != 1) {
    return false;
  }
  std::vector<std::string> names;
  return AttributeNames(fd, names) && std::all_of(names.begin(), names.end(), Copyable);
}

// Gives the new file the old one's attributes. False when the new file has
// one the old did not (a folder's default ACL passes one on) or when one
// cannot be read or set: the new file would not be the old one's equal.
bool CarryOver(int from, int to) {
  std::vector<std::string> names;
  std::vector<std::string> present;
  if (!AttributeNames(from, names) || !AttributeNames(to, present)) return false;
  for (const std::string& name : present) {
    if (std::find(names.begin(), names.end(), name) == names.end()) return false;
  }
  std::string value;
  std::string given;
  for (const std::string& name : names) {
    if (!AttributeValue(from, name, value)) return false;
    // A label the system gave the new file already need not be set again,
    // which may take a right the user lacks.
    if (AttributeValue(to, name, given) && given == value) continue;
    if (::fsetxattr(to, name.c_str(), value.data(), value.size(), 0) != 0) return false;
  }
  return true;
}

constexpr std::string_view kTemporaryPrefix = ".numino-";
// A save makes its temporary file under the first free one of this many
// names.
constexpr int kTemporaryNames = 100;

std::string TemporaryName(pid_t pid, int attempt) {
  return std::string(kTemporaryPrefix) + std::to_string(pid) + "-" + std::to_string(attempt);
}

// The process whose save made a file of this name: ".numino-PID-N" exactly
// as TemporaryName writes it (no sign, no leading zero, N below
// kTemporaryNames); 0 for any other name.
pid_t MakerOf(std::string_view name) {
  if (!name.starts_with(kTemporaryPrefix)) return 0;
  const char* const end = name.data() + name.size();
  pid_t pid = 0;
  int attempt = 0;
  const auto [pidEnd, pidError] = std::from_chars(name.data() + kTemporaryPrefix.size(), end, pid);
  if (pidError != std::errc() || pidEnd == end || *pidEnd != '-') return 0;
  const auto [attemptEnd, attemptError] = std::from_chars(pidEnd + 1, end, attempt);
  if (attemptError != std::errc() || attemptEnd != end || pid <= 0 || attempt < 0 ||
      attempt >= kTemporaryNames) {
    return 0;
  }
  return TemporaryName(pid, attempt) == name ? pid : 0;
}

// A temporary file younger than this is left alone although its process
// seems gone: a save in another PID namespace (a sandbox sharing the
// folder) has numbers that this one does not see.
constexpr time_t kTemporaryGrace = 60;

// Removes what saves that died before their rename left in the folder:
// regular files of our user with one link, named as this program names its
// temporary files, a minute old or more, whose process no longer exists.
// Nothing else is touched: not a running save's file, not another user's,
// not a name that only looks alike.
void RemoveDeadTemporaries(int folder) {
  const int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing < 0) return;
  DIR* entries = ::fdopendir(listing);
  if (!entries) {
    ::close(listing);
    return;
  }
  struct timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  while (const struct dirent* entry = ::readdir(entries)) {
    const pid_t maker = MakerOf(entry->d_name);
    if (maker == 0 || maker == ::getpid()) continue;
    struct stat info {};
    if (::fstatat(folder, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(info.st_mode) || info.st_uid != ::geteuid() || info.st_nlink != 1 ||
        now.tv_sec - info.st_mtim.tv_sec < kTemporaryGrace) {
      continue;
    }
    // EPERM means the process lives, under another user.
    if (::kill(maker, 0) == 0 || errno != ESRCH) continue;
    ::unlinkat(folder, entry->d_name, 0);
  }
  ::closedir(entries);
}

// A new, empty file with a hidden name in the folder; -1 with errno set
// when none can be made. The name is free of the target's, so it is short
// however long that one is.
int MakeTemporary(int folder, std::string& name) {
  for (int attempt = 0; attempt < kTemporaryNames; ++attempt) {
    name = TemporaryName(::getpid(), attempt);
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

std::size_t FileAccess::MaxPathLength() { return PATH_MAX - 1; }

// lstat, so that a name held by a link counts although the link is broken:
// saving under that name would write where the link leads.
bool FileAccess::FileExists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

std::optional<numino::FileStamp> FileAccess::StampOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) {
    return StampFrom(info);
  }
  if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
  throw FileError(path, FileErrorReason(errno));
}

numino::FileStart FileAccess::ReadFileStart(const std::string& path, std::size_t maxBytes) {
  int errorNumber = 0;
  switch (KindOf(path, errorNumber)) {
    case PathKind::Missing:
      throw FileError(path, ReadErrorReason(errorNumber));
    case PathKind::Folder:
      throw FileError(path, files::kFolder);
    case PathKind::Other:
      throw FileError(path, files::kNotRegular);
    case PathKind::Regular:
      break;
  }
  // Non-blocking, and checked again once open: the path may have been
  // replaced by a pipe since it was looked at.
  const Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!file.Valid()) throw FileError(path, ReadErrorReason(errno));
  struct stat info {};
  if (::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    throw FileError(path, files::kNotRegular);
  }

  numino::FileStart start;
  start.stamp = StampFrom(info);
  // One byte more than asked for tells whether the file ends there.
  char buffer[65536];
  for (;;) {
    const std::size_t room = maxBytes - start.bytes.size();
    const std::size_t wanted = room < sizeof buffer ? room + 1 : sizeof buffer;
    const ssize_t got = ::read(file.Get(), buffer, wanted);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw FileError(path, FileErrorReason(errno));
    if (got == 0) break;
    start.bytes.append(buffer, static_cast<std::size_t>(got));
    if (start.bytes.size() > maxBytes) break;
  }
  start.wholeFile = start.bytes.size() <= maxBytes;
  start.bytes.resize(std::min(start.bytes.size(), maxBytes));
  return start;
}

// A new file, and a file of our own user and group with one link and only attributes that can be
// copied, is written to a temporary file renamed over it. Any other file is written in place, and
// so is one whose folder takes no new file or cannot be read (and so not synced). Symbolic links
// are followed first. Every save into a folder clears it of what dead saves left behind.
numino::FileStamp FileAccess::WriteFile(const std::string& path, std::string_view bytes) {
  std::string target = path;
  if (!FollowLinks(target)) throw FileError(path, FileErrorReason(errno));
  // Opened for reading, which fsync needs; the temporary file is made and
  // renamed through it, so that the target's path may be as long as the
  // system allows.
  Descriptor folder(::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  const int folderError = errno;
  if (folder.Valid()) RemoveDeadTemporaries(folder.Get());
  const std::string name = NameOf(target);
  struct stat old {};
  if (::lstat(target.c_str(), &old) != 0) {
    if (errno != ENOENT) throw FileError(path, FileErrorReason(errno));
    if (!folder.Valid()) throw FileError(path, FileErrorReason(folderError));
    return *ThroughTemporary(path, folder.Get(), name, nullptr, -1, bytes);
  }
  if (S_ISDIR(old.st_mode)) throw FileError(path, files::kFolder);
  // A device or a pipe is no document: renaming over it would replace it
  // with a plain file, writing into it would save nothing.
  if (!S_ISREG(old.st_mode)) throw FileError(path, files::kNotRegular);
  // Opened for writing, without truncating, whichever way it is then
  // written: so the file's own permissions decide whether it may be saved.
  // Non-blocking, so that a pipe put in its place meanwhile is refused
  // rather than waited on.
  Descriptor file(::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
  if (!file.Valid()) throw FileError(path, FileErrorReason(errno));
  if (::fstat(file.Get(), &old) != 0 || !S_ISREG(old.st_mode))
    throw FileError(path, files::kNotRegular);
  if (folder.Valid() && Replaceable(file.Get(), old)) {
    if (const auto written = ThroughTemporary(path, folder.Get(), name, &old, file.Get(), bytes)) {
      return *written;
    }
  }
  return InPlace(path, file.Get(), bytes);
}

// Nothing, when the new file turns out not to be the old one's equal or the
// folder takes no new file: the old file is then written in place. Whatever
// fails before the rename, the temporary file does not stay behind. Once the
// rename is done the folder is synced, as only that makes the rename
// survive a power cut; when that fails, the new contents are in place but
// the error says they may not last.
std::optional<numino::FileStamp> FileAccess::ThroughTemporary(const std::string& path, int folder,
                                                              const std::string& name,
                                                              const struct stat* old, int oldFile,
                                                              std::string_view bytes) {
  std::string temporary;
  Descriptor file(MakeTemporary(folder, temporary));
  if (!file.Valid()) {
    // The folder takes no new file, but the old one may still be written.
    if (old && (errno == EACCES || errno == EPERM)) return std::nullopt;
    throw FileError(path, FileErrorReason(errno));
  }
  struct stat made {};
  bool ok = ::fstat(file.Get(), &made) == 0;
  // The folder may give new files another group (or owner), or attributes
  // of its own: the renamed file would not be the old one's equal after all.
  if (ok && old &&
      (made.st_uid != old->st_uid || made.st_gid != old->st_gid ||
       !CarryOver(oldFile, file.Get()))) {
    ::unlinkat(folder, temporary.c_str(), 0);
    return std::nullopt;
  }
  ok = ok && (!old || ::fchmod(file.Get(), old->st_mode & 07777) == 0) &&
       WriteBytes(file.Get(), bytes) && ::fsync(file.Get()) == 0 &&
       ::fstat(file.Get(), &made) == 0 && file.Close() &&
       ::renameat(folder, temporary.c_str(), folder, name.c_str()) == 0;
  if (!ok) {
    const int errorNumber = errno;
    ::unlinkat(folder, temporary.c_str(), 0);
    throw FileError(path, FileErrorReason(errorNumber));
  }
  if (!SyncFolder(folder)) {
    throw FileError::WrittenButUnconfirmed(path, FileErrorReason(errno), StampFrom(made));
  }
  return StampFrom(made);
}

// From the first byte, then cut to the new length. A failure from here on
// may leave the file part new and part old, and the error says so.
numino::FileStamp FileAccess::InPlace(const std::string& path, int fd, std::string_view bytes) {
  struct stat written {};
  if (!WriteBytes(fd, bytes) || ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0 ||
      ::fsync(fd) != 0 || ::fstat(fd, &written) != 0) {
    throw FileError(path, FileErrorReason(errno), true);
  }
  return StampFrom(written);
}

// A file system that cannot sync a folder at all (EINVAL) offers nothing
// more than the sync of the file itself, which is done.
bool FileAccess::SyncFolder(int folder) { return ::fsync(folder) == 0 || errno == EINVAL; }

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
