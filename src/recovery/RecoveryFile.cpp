#include "recovery/RecoveryFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <utility>
#include <vector>

#include "files/FileReasons.h"

namespace {

constexpr std::string_view kSuffix = ".recovery";
constexpr std::string_view kDamagedSuffix = ".damaged";

// Locks the open file unless another process holds it; EINTR is retried.
bool LockNow(int fd) {
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EINTR) return false;
  }
}

// Whether the name in the folder still leads to the open file: a file taken
// over, or renamed over, by its own program between our open and our lock
// is no longer the one we hold.
bool StillNamed(int folder, const std::string& name, int fd) {
  struct stat named = {};
  struct stat held = {};
  return ::fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
         ::fstat(fd, &held) == 0 && named.st_dev == held.st_dev && named.st_ino == held.st_ino;
}

// A name no other running program makes: the process and the moment.
std::string NewName() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return "numino-" + std::to_string(::getpid()) + "-" +
         std::to_string(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()) +
         std::string(kSuffix);
}

// Makes the folders of the path that are missing, private to the user as
// the state folder should be; those that exist stay as they are.
bool MakeFolders(const std::string& path) {
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    if (::mkdir(path.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) return true;
  }
}

struct Candidate {
  std::string name;
  Descriptor fd;
  std::int64_t modifiedSeconds = 0;
  std::int64_t modifiedNanoseconds = 0;
  numino::recovery::Work work;
};

}  // namespace

std::string RecoveryFile::DefaultFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && state[0] == '/') return std::string(state) + "/numino";
  std::string home;
  if (const char* h = std::getenv("HOME"); h && h[0] != '\0') {
    home = h;
  } else if (const passwd* entry = ::getpwuid(::getuid())) {
    home = entry->pw_dir;
  }
  return home + "/.local/state/numino";
}

RecoveryFile::RecoveryFile(std::string folder, WriteCalls& calls)
    : folder_(std::move(folder)), calls_(calls) {}

std::string RecoveryFile::Path() const { return name_.empty() ? "" : folder_ + "/" + name_; }

// Looked at without following a link, then opened without following one,
// and the two compared: a folder swapped for another in between is not
// used.
std::variant<Descriptor, std::string> RecoveryFile::OpenFolder(bool create) {
  struct stat named = {};
  if (::lstat(folder_.c_str(), &named) != 0) {
    if (errno != ENOENT || !create) return FileErrorReason(errno);
    if (!MakeFolders(folder_) || ::lstat(folder_.c_str(), &named) != 0) {
      return FileErrorReason(errno);
    }
  }
  if (S_ISLNK(named.st_mode)) return files::kLink;
  if (!S_ISDIR(named.st_mode)) return files::kNotAFolder;
  Descriptor folder(::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  struct stat opened = {};
  if (!folder.Valid() || ::fstat(folder.Get(), &opened) != 0) return FileErrorReason(errno);
  if (opened.st_dev != named.st_dev || opened.st_ino != named.st_ino) return files::kLink;
  if (opened.st_uid != ::geteuid()) return files::kOtherUsers;
  if ((opened.st_mode & 077) != 0 && ::fchmod(folder.Get(), 0700) != 0) {
    return FileErrorReason(errno);
  }
  return folder;
}

std::optional<numino::recovery::Work> RecoveryFile::TakeOrphan() {
  auto opened = OpenFolder(false);
  auto* held = std::get_if<Descriptor>(&opened);
  if (!held) return std::nullopt;
  const int folder = held->Get();
  RemoveDeadTemporaries(folder);
  DIR* dir = ::fdopendir(::dup(folder));
  if (!dir) return std::nullopt;
  std::vector<Candidate> candidates;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.front() == '.' || !name.ends_with(kSuffix)) continue;
    Descriptor fd(::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat info = {};
    // Only our own regular files, and only those nobody holds.
    if (!fd.Valid() || ::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_uid != ::geteuid() || !LockNow(fd.Get()) || !StillNamed(folder, name, fd.Get())) {
      continue;
    }
    // A file over the limit reads one byte over it, which the parser refuses.
    std::string text;
    auto parsed = ReadUpTo(fd.Get(), numino::recovery::kReadLimit, text)
                      ? numino::recovery::Parse(text)
                      : std::variant<numino::recovery::Work, numino::recovery::ParseError>(
                            numino::recovery::ParseError{"unreadable"});
    if (auto* work = std::get_if<numino::recovery::Work>(&parsed)) {
      candidates.push_back(
          {name, std::move(fd), info.st_mtim.tv_sec, info.st_mtim.tv_nsec, std::move(*work)});
      continue;
    }
    // Set aside, so that it is not looked at again, yet kept for whoever
    // wants to see what it held.
    ::renameat(folder, name.c_str(), folder, (name + std::string(kDamagedSuffix)).c_str());
  }
  ::closedir(dir);
  if (candidates.empty()) return std::nullopt;

  Candidate* newest = &candidates.front();
  for (Candidate& c : candidates) {
    if (std::pair(c.modifiedSeconds, c.modifiedNanoseconds) >
        std::pair(newest->modifiedSeconds, newest->modifiedNanoseconds)) {
      newest = &c;
    }
  }
  Remove();
  name_ = newest->name;
  file_ = std::move(newest->fd);
  return std::move(newest->work);
}

// The new file is locked before it takes the name: a rename replaces the
// inode, and the lock of the old one goes with it.
std::optional<std::string> RecoveryFile::Write(std::string_view bytes) {
  auto opened = OpenFolder(true);
  if (auto* why = std::get_if<std::string>(&opened)) return *why;
  if (name_.empty()) name_ = NewName();
  DurableOutcome written =
      WriteDurably(calls_, std::get<Descriptor>(opened).Get(), name_, bytes, 0600, LockNow, true);
  if (written.Replaced()) file_ = std::move(written.file);
  if (written.failed) return FileErrorReason(written.error);
  return std::nullopt;
}

void RecoveryFile::Remove() {
  if (!file_.Valid()) return;
  ::unlink(Path().c_str());
  file_ = Descriptor();
}
