#include "files/DurableWrite.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/random.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <utility>

int WriteCalls::Open(int folder, const char* name) {
  return ::openat(folder, name, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
}

int WriteCalls::Create(int folder, const char* name, mode_t mode) {
  return ::openat(folder, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                  mode);
}

bool WriteCalls::WriteAll(int fd, std::string_view bytes) {
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

int WriteCalls::Sync(int fd) { return ::fsync(fd); }

// A file system without a rename that keeps an existing name is given a
// hard link, which never replaces one either, and the old name goes.
int WriteCalls::Rename(int folder, const char* from, const char* to, unsigned flags) {
  if (::renameat2(folder, from, folder, to, flags) == 0) return 0;
  if (errno != EINVAL || flags != RENAME_NOREPLACE) return -1;
  if (::linkat(folder, from, folder, to, 0) != 0) return -1;
  ::unlinkat(folder, from, 0);
  return 0;
}

int WriteCalls::Unlink(int folder, const char* name) { return ::unlinkat(folder, name, 0); }

int WriteCalls::SyncFolder(int folder) { return ::fsync(folder) == 0 || errno == EINVAL ? 0 : -1; }

WriteCalls& SystemWriteCalls() {
  static WriteCalls calls;
  return calls;
}

bool LockNow(int fd) {
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EINTR) return false;
  }
}

bool StillNamed(int folder, const std::string& name, int fd) {
  struct stat named = {};
  struct stat held = {};
  return ::fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
         ::fstat(fd, &held) == 0 && named.st_dev == held.st_dev && named.st_ino == held.st_ino;
}

namespace {

constexpr std::string_view kTemporaryPrefix = ".numino-";
constexpr std::string_view kLetters = "0123456789abcdefghijklmnopqrstuvwxyz";
constexpr std::size_t kRandomLetters = 12;
// A name taken already (by a leftover, or planted) makes the write try
// another, this many times in all.
constexpr int kTemporaryNames = 16;

std::string TemporaryName() {
  unsigned char random[kRandomLetters] = {};
  if (::getrandom(random, sizeof random, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof random)) {
    // No entropy yet, early in a boot: the clock and the process differ
    // from one write to the next all the same.
    struct timespec now = {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    unsigned long long mix = static_cast<unsigned long long>(now.tv_nsec) * 2654435761u ^
                             static_cast<unsigned long long>(::getpid()) << 20 ^
                             static_cast<unsigned long long>(now.tv_sec);
    for (unsigned char& r : random) {
      mix = mix * 6364136223846793005ULL + 1442695040888963407ULL;
      r = static_cast<unsigned char>(mix >> 33);
    }
  }
  std::string name(kTemporaryPrefix);
  for (const unsigned char r : random) name += kLetters[r % kLetters.size()];
  return name;
}

enum class TemporaryKind { None, Current, Older };

// ".numino-" and the random letters exactly as TemporaryName writes them;
// or ".numino-PID-N" as versions before 1.2 did (no sign, no leading
// zero, N below 100).
TemporaryKind KindOf(std::string_view name) {
  if (!name.starts_with(kTemporaryPrefix)) return TemporaryKind::None;
  name.remove_prefix(kTemporaryPrefix.size());
  if (name.size() == kRandomLetters && name.find_first_not_of(kLetters) == std::string_view::npos) {
    return TemporaryKind::Current;
  }
  const char* const end = name.data() + name.size();
  long pid = 0;
  int attempt = 0;
  const auto [pidEnd, pidError] = std::from_chars(name.data(), end, pid);
  if (pidError != std::errc() || pidEnd == end || *pidEnd != '-') return TemporaryKind::None;
  const auto [attemptEnd, attemptError] = std::from_chars(pidEnd + 1, end, attempt);
  if (attemptError != std::errc() || attemptEnd != end || pid <= 0 || attempt < 0 ||
      attempt >= 100) {
    return TemporaryKind::None;
  }
  const std::string exact = std::to_string(pid) + "-" + std::to_string(attempt);
  return exact == name ? TemporaryKind::Older : TemporaryKind::None;
}

// The older versions held no lock on a document's temporary file: one of
// theirs younger than this may belong to a write still running.
constexpr time_t kOlderGrace = 60;

}  // namespace

DurableOutcome WriteDurably(WriteCalls& calls, int folder, const std::string& name,
                            std::string_view bytes, mode_t mode,
                            const std::function<bool(int fd)>& prepare, bool keepOpen,
                            const Replacing& replacing) {
  using Step = DurableOutcome::Step;
  DurableOutcome outcome;
  const auto fail = [&outcome](Step step) {
    outcome.failed = step;
    outcome.error = errno;
    return std::move(outcome);
  };
  std::string temporary;
  Descriptor file;
  for (int attempt = 0;; ++attempt) {
    if (attempt == kTemporaryNames) {
      errno = EEXIST;
      return fail(Step::Create);
    }
    temporary = TemporaryName();
    file = Descriptor(calls.Create(folder, temporary.c_str(), mode));
    if (!file.Valid()) {
      if (errno == EEXIST) continue;
      return fail(Step::Create);
    }
    // Held from now on. A start that saw the file before the lock takes it
    // for a leftover and removes it: then another name. A file system
    // without locks has nothing to tell, and the write goes on.
    if (LockNow(file.Get()) ? StillNamed(folder, temporary, file.Get()) : errno != EWOULDBLOCK) {
      break;
    }
  }
  // Whatever fails from here to the rename takes the temporary file away.
  const auto failMade = [&](Step step) {
    const int error = errno;
    ::unlinkat(folder, temporary.c_str(), 0);
    errno = error;
    return fail(step);
  };
  if (prepare && !prepare(file.Get())) return failMade(Step::Prepare);
  if (!calls.WriteAll(file.Get(), bytes)) return failMade(Step::Write);
  if (calls.Sync(file.Get()) != 0) return failMade(Step::Sync);
  if (!keepOpen) {
    // Some file systems report a failed write only at the close; a second
    // descriptor keeps the lock until the end.
    Descriptor holder(::fcntl(file.Get(), F_DUPFD_CLOEXEC, 0));
    if (!holder.Valid() || !file.Close()) return failMade(Step::Sync);
    file = std::move(holder);
  }

  using Kind = Replacing::Kind;
  if (replacing.kind == Kind::File) {
    // Exchanged, so that what had the name can be looked at before it
    // goes: when it is not the file checked, it gets its name back.
    if (calls.Rename(folder, temporary.c_str(), name.c_str(), RENAME_EXCHANGE) != 0) {
      outcome.displaced = errno == ENOENT;
      return failMade(Step::Rename);
    }
    struct stat old = {};
    if (::fstatat(folder, temporary.c_str(), &old, AT_SYMLINK_NOFOLLOW) != 0 ||
        old.st_dev != replacing.device || old.st_ino != replacing.inode) {
      outcome.displaced = true;
      errno = 0;
      if (calls.Rename(folder, temporary.c_str(), name.c_str(), RENAME_EXCHANGE) == 0) {
        return failMade(Step::Rename);
      }
      return fail(Step::Rename);
    }
    ::unlinkat(folder, temporary.c_str(), 0);
  } else {
    const unsigned flags = replacing.kind == Kind::Nothing ? RENAME_NOREPLACE : 0;
    if (calls.Rename(folder, temporary.c_str(), name.c_str(), flags) != 0) {
      outcome.displaced = errno == EEXIST;
      return failMade(Step::Rename);
    }
  }
  // A rename changes the inode's change time.
  if (::fstat(file.Get(), &outcome.made) != 0) return fail(Step::SyncFolder);
  if (keepOpen) outcome.file = std::move(file);
  if (calls.SyncFolder(folder) != 0) return fail(Step::SyncFolder);
  // Another program may have taken the name meanwhile: the save is not
  // done where the name leads elsewhere.
  struct stat named = {};
  if (replacing.kind != Kind::Anything &&
      (::fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 ||
       named.st_dev != outcome.made.st_dev || named.st_ino != outcome.made.st_ino)) {
    outcome.displaced = true;
    errno = 0;
    return fail(Step::SyncFolder);
  }
  return outcome;
}

void RemoveUnheldTemporaries(int folder) {
  const auto names = FolderEntries(folder);
  if (!names) return;
  struct timespec now = {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  for (const std::string& name : *names) {
    const TemporaryKind kind = KindOf(name);
    if (kind == TemporaryKind::None) continue;
    const Descriptor fd(
        ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat info = {};
    if (!fd.Valid() || ::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_nlink != 1 ||
        (kind == TemporaryKind::Older && now.tv_sec - info.st_mtim.tv_sec < kOlderGrace)) {
      continue;
    }
    // Locked, and then still named so: no writer can take it back.
    if (LockNow(fd.Get()) && StillNamed(folder, name, fd.Get())) {
      ::unlinkat(folder, name.c_str(), 0);
    }
  }
}
