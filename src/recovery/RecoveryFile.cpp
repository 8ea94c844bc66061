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
#include <variant>
#include <vector>

namespace {

constexpr std::string_view kSuffix = ".recovery";
constexpr std::string_view kTemporarySuffix = ".tmp";
constexpr std::string_view kDamagedSuffix = ".damaged";

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

void CloseFile(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// Locks the open file unless another process holds it; EINTR is retried.
bool LockNow(int fd) {
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EINTR) return false;
  }
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t wrote = ::write(fd, bytes.data(), bytes.size());
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(wrote));
  }
  return true;
}

std::optional<std::string> ReadAll(int fd, std::size_t limit) {
  std::string text;
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return std::nullopt;
    if (got == 0) return text;
    text.append(buffer, static_cast<std::size_t>(got));
    if (text.size() > limit) return text;  // the parser refuses it as too large
  }
}

// Whether the name in the folder still leads to the open file: a file taken
// over, or renamed over, by its own program between our open and our lock
// is no longer the one we hold.
bool StillNamed(int folder, const std::string& name, int fd) {
  struct stat named {};
  struct stat held {};
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

struct Candidate {
  std::string name;
  int fd = -1;
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

RecoveryFile::RecoveryFile(std::string folder) : folder_(std::move(folder)) {}

RecoveryFile::~RecoveryFile() { CloseFile(fd_); }

std::string RecoveryFile::Path() const { return name_.empty() ? "" : folder_ + "/" + name_; }

std::optional<numino::recovery::Work> RecoveryFile::TakeOrphan() {
  DIR* dir = ::opendir(folder_.c_str());
  if (!dir) return std::nullopt;
  const int folder = ::dirfd(dir);
  std::vector<Candidate> candidates;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    const bool temporary = name.front() == '.' && EndsWith(name, std::string(kSuffix) + ".tmp");
    if (!temporary && (name.front() == '.' || !EndsWith(name, kSuffix))) continue;
    int fd = ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat info {};
    // Only our own regular files, and only those nobody holds.
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid() ||
        !LockNow(fd) || !StillNamed(folder, name, fd)) {
      CloseFile(fd);
      continue;
    }
    if (temporary) {  // a write that its program did not live to finish
      ::unlinkat(folder, name.c_str(), 0);
      CloseFile(fd);
      continue;
    }
    const std::optional<std::string> text = ReadAll(fd, numino::recovery::kReadLimit);
    auto parsed = text ? numino::recovery::Parse(*text)
                       : std::variant<numino::recovery::Work, numino::recovery::ParseError>(
                             numino::recovery::ParseError{"unreadable"});
    if (auto* work = std::get_if<numino::recovery::Work>(&parsed)) {
      candidates.push_back({name, fd, info.st_mtim.tv_sec, info.st_mtim.tv_nsec, std::move(*work)});
      continue;
    }
    // Set aside, so that it is not looked at again, yet kept for whoever
    // wants to see what it held.
    ::renameat(folder, name.c_str(), folder, (name + std::string(kDamagedSuffix)).c_str());
    CloseFile(fd);
  }
  ::closedir(dir);
  if (candidates.empty()) return std::nullopt;

  std::size_t newest = 0;
  for (std::size_t i = 1; i < candidates.size(); ++i) {
    const Candidate& c = candidates[i];
    const Candidate& n = candidates[newest];
    if (std::pair(c.modifiedSeconds, c.modifiedNanoseconds) >
        std::pair(n.modifiedSeconds, n.modifiedNanoseconds)) {
      newest = i;
    }
  }
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    if (i != newest) CloseFile(candidates[i].fd);
  }
  Remove();
  name_ = candidates[newest].name;
  fd_ = candidates[newest].fd;
  return std::move(candidates[newest].work);
}

// Every missing folder on the way is made private to the user, as the
// state folder should be.
bool RecoveryFile::MakeFolder() {
  struct stat info {};
  if (::stat(folder_.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  for (std::size_t slash = folder_.find('/', 1);; slash = folder_.find('/', slash + 1)) {
    const std::string part = folder_.substr(0, slash);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  return true;
}

// The new file is locked before it takes the name: a rename replaces the
// inode, and the lock of the old one goes with it.
bool RecoveryFile::Write(std::string_view bytes) {
  if (!MakeFolder()) return false;
  const int folder = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return false;
  if (name_.empty()) name_ = NewName();
  const std::string temporary = "." + name_ + std::string(kTemporarySuffix);
  int fd = ::openat(folder, temporary.c_str(),
                    O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  const bool ok = fd >= 0 && LockNow(fd) && WriteAll(fd, bytes) && ::fsync(fd) == 0 &&
                  ::renameat(folder, temporary.c_str(), folder, name_.c_str()) == 0;
  if (!ok) {
    if (fd >= 0) ::unlinkat(folder, temporary.c_str(), 0);
    CloseFile(fd);
    ::close(folder);
    return false;
  }
  // The rename itself lasts only once the folder is on disk too.
  ::fsync(folder);
  ::close(folder);
  CloseFile(fd_);
  fd_ = fd;
  return true;
}

void RecoveryFile::Remove() {
  if (fd_ < 0) return;
  ::unlink(Path().c_str());
  CloseFile(fd_);
}
