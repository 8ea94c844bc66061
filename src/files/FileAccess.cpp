#include "files/FileAccess.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <string>
#include <vector>

#include "files/DurableWrite.h"
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
  struct stat info = {};
  if (::stat(path.c_str(), &info) != 0) {
    errorNumber = errno;
    return PathKind::Missing;
  }
  if (S_ISREG(info.st_mode)) return PathKind::Regular;
  if (S_ISDIR(info.st_mode)) return PathKind::Folder;
  return PathKind::Other;
}

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
    struct stat info = {};
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

numino::FileStamp StampFrom(const struct stat& info) {
  numino::FileStamp stamp;
  stamp.device = info.st_dev;
  stamp.inode = info.st_ino;
  stamp.size = info.st_size;
  stamp.modifiedSeconds = info.st_mtim.tv_sec;
  stamp.modifiedNanoseconds = info.st_mtim.tv_nsec;
  stamp.changed = numino::FileTime{info.st_ctim.tv_sec, info.st_ctim.tv_nsec};
  return stamp;
}

}  // namespace

std::size_t FileAccess::MaxPathLength() { return PATH_MAX - 1; }

// lstat, so that a name held by a link counts although the link is broken:
// saving under that name would write where the link leads.
bool FileAccess::FileExists(const std::string& path) {
  struct stat info = {};
  return ::lstat(path.c_str(), &info) == 0;
}

std::optional<numino::FileStamp> FileAccess::StampOf(const std::string& path) {
  struct stat info = {};
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
  struct stat info = {};
  if (::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    throw FileError(path, files::kNotRegular);
  }

  numino::FileStart start;
  start.stamp = StampFrom(info);
  if (!ReadUpTo(file.Get(), maxBytes, start.bytes)) throw FileError(path, FileErrorReason(errno));
  start.wholeFile = start.bytes.size() <= maxBytes;
  start.bytes.resize(std::min(start.bytes.size(), maxBytes));
  return start;
}

// A new file, and a file of our own user and group with one link and only attributes that can be
// copied, is written to a temporary file renamed over it. Any other file is written in place, and
// so is one whose folder takes no new file or cannot be read (and so not synced). Symbolic links
// are followed first, once; from then on the file is looked up through its folder's descriptor,
// opened once without following a link, and checked on what was opened. Every save into a folder
// clears it of what dead saves left behind.
numino::FileStamp FileAccess::WriteFile(const std::string& path, std::string_view bytes,
                                        const std::optional<numino::FileStamp>& expected) {
  std::string target = path;
  if (!FollowLinks(target)) throw FileError(path, FileErrorReason(errno));
  // Opened for reading, which fsync needs, so that the temporary file is
  // made, renamed and synced through it (and the target's path may be as
  // long as the system allows). A folder that cannot be read is opened
  // only to look up its names, and the file is written in place.
  Descriptor folder(::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  const int folderError = errno;
  const bool readable = folder.Valid();
  if (!readable) {
    folder = Descriptor(::open(FolderOf(target).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!folder.Valid()) throw FileError(path, FileErrorReason(errno));
  }
  if (readable) RemoveUnheldTemporaries(folder.Get());
  const std::string name = NameOf(target);
  const FileError replaced(path, files::kReplaced);
  struct stat named = {};
  if (::fstatat(folder.Get(), name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno != ENOENT) throw FileError(path, FileErrorReason(errno));
    if (expected) throw replaced;
    if (!readable) throw FileError(path, FileErrorReason(folderError));
    return *ThroughTemporary(path, folder.Get(), name, nullptr, -1, bytes);
  }
  // The links were followed above: one here now was put there since.
  if (S_ISLNK(named.st_mode)) throw replaced;
  if (S_ISDIR(named.st_mode)) throw FileError(path, files::kFolder);
  // A device or a pipe is no document: renaming over it would replace it
  // with a plain file, writing into it would save nothing.
  if (!S_ISREG(named.st_mode)) throw FileError(path, files::kNotRegular);
  // Opened for writing, without truncating, whichever way it is then
  // written: so the file's own permissions decide whether it may be saved.
  Descriptor file(calls_.Open(folder.Get(), name.c_str()));
  if (!file.Valid()) {
    // A link, nothing or a pipe where the regular file was a moment ago.
    if (errno == ELOOP || errno == ENOENT || errno == ENXIO) throw replaced;
    throw FileError(path, FileErrorReason(errno));
  }
  struct stat old = {};
  if (::fstat(file.Get(), &old) != 0) throw FileError(path, FileErrorReason(errno));
  if (!S_ISREG(old.st_mode) || old.st_dev != named.st_dev || old.st_ino != named.st_ino ||
      !expected || !StampFrom(old).SameAs(*expected)) {
    throw replaced;
  }
  if (readable && Replaceable(file.Get(), old)) {
    if (const auto written = ThroughTemporary(path, folder.Get(), name, &old, file.Get(), bytes)) {
      return *written;
    }
  }
  return InPlace(path, folder.Get(), name, file.Get(), bytes);
}

// Nothing, when the new file turns out not to be the old one's equal, the
// folder takes no new file or cannot exchange two names: the old file is
// then written in place. Once the rename is done the folder is synced, as
// only that makes the rename survive a power cut; when that fails, the new
// contents are in place but the error says they may not last.
std::optional<numino::FileStamp> FileAccess::ThroughTemporary(const std::string& path, int folder,
                                                              const std::string& name,
                                                              const struct stat* old, int oldFile,
                                                              std::string_view bytes) {
  bool unequal = false;
  // The folder may give new files another group (or owner), or attributes
  // of its own: the renamed file would not be the old one's equal after all.
  const auto likeTheOld = [&](int fd) {
    struct stat made = {};
    if (::fstat(fd, &made) != 0) return false;
    unequal = made.st_uid != old->st_uid || made.st_gid != old->st_gid || !CarryOver(oldFile, fd);
    return !unequal && ::fchmod(fd, old->st_mode & 07777) == 0;
  };
  Replacing replacing;
  replacing.kind = old ? Replacing::Kind::File : Replacing::Kind::Nothing;
  if (old) {
    replacing.device = old->st_dev;
    replacing.inode = old->st_ino;
  }
  using Step = DurableOutcome::Step;
  const DurableOutcome written =
      WriteDurably(calls_, folder, name, bytes, 0666,
                   old ? std::function<bool(int)>(likeTheOld) : nullptr, false, replacing);
  if (!written.failed) return StampFrom(written.made);
  if (written.displaced) throw FileError(path, files::kReplaced);
  if (unequal) return std::nullopt;
  // The folder takes no new file, or its file system exchanges no names,
  // but the old file may still be written.
  if (old &&
      ((*written.failed == Step::Create && (written.error == EACCES || written.error == EPERM)) ||
       (*written.failed == Step::Rename && written.error == EINVAL))) {
    return std::nullopt;
  }
  if (written.Replaced()) {
    throw FileError::WrittenButUnconfirmed(path, FileErrorReason(written.error),
                                           StampFrom(written.made));
  }
  throw FileError(path, FileErrorReason(written.error));
}

// From the first byte, then cut to the new length. A failure from here on
// may leave the file part new and part old, and the error says so.
numino::FileStamp FileAccess::InPlace(const std::string& path, int folder, const std::string& name,
                                      int fd, std::string_view bytes) {
  struct stat written = {};
  if (!calls_.WriteAll(fd, bytes) || ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0 ||
      calls_.Sync(fd) != 0 || ::fstat(fd, &written) != 0) {
    throw FileError(path, FileErrorReason(errno), true);
  }
  // Written where it was checked; the name must still lead there.
  if (!StillNamed(folder, name, fd)) throw FileError(path, files::kReplaced);
  return StampFrom(written);
}
