#include "files/DurableWrite.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <utility>

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

int WriteCalls::Rename(int folder, const char* from, const char* to) {
  return ::renameat(folder, from, folder, to);
}

int WriteCalls::SyncFolder(int folder) { return ::fsync(folder) == 0 || errno == EINVAL ? 0 : -1; }

WriteCalls& SystemWriteCalls() {
  static WriteCalls calls;
  return calls;
}

namespace {

constexpr std::string_view kTemporaryPrefix = ".numino-";
// A write makes its temporary file under the first free one of this many
// names.
constexpr int kTemporaryNames = 100;

std::string TemporaryName(pid_t pid, int attempt) {
  return std::string(kTemporaryPrefix) + std::to_string(pid) + "-" + std::to_string(attempt);
}

// The process whose write made a file of this name: ".numino-PID-N" exactly
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
// seems gone: a write in another PID namespace (a sandbox sharing the
// folder) has numbers that this one does not see.
constexpr time_t kTemporaryGrace = 60;

}  // namespace

DurableOutcome WriteDurably(WriteCalls& calls, int folder, const std::string& name,
                            std::string_view bytes, mode_t mode,
                            const std::function<bool(int fd)>& prepare, bool keepOpen) {
  using Step = DurableOutcome::Step;
  DurableOutcome outcome;
  const auto fail = [&outcome](Step step) {
    outcome.failed = step;
    outcome.error = errno;
    return std::move(outcome);
  };
  std::string temporary;
  Descriptor file;
  for (int attempt = 0; !file.Valid(); ++attempt) {
    if (attempt == kTemporaryNames) return fail(Step::Create);
    temporary = TemporaryName(::getpid(), attempt);
    file = Descriptor(calls.Create(folder, temporary.c_str(), mode));
    if (!file.Valid() && errno != EEXIST) return fail(Step::Create);
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
  if (calls.Sync(file.Get()) != 0 || ::fstat(file.Get(), &outcome.made) != 0 ||
      (!keepOpen && !file.Close())) {
    return failMade(Step::Sync);
  }
  if (calls.Rename(folder, temporary.c_str(), name.c_str()) != 0) return failMade(Step::Rename);
  outcome.file = std::move(file);
  if (calls.SyncFolder(folder) != 0) return fail(Step::SyncFolder);
  return outcome;
}

void RemoveDeadTemporaries(int folder) {
  const int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing < 0) return;
  DIR* entries = ::fdopendir(listing);
  if (!entries) {
    ::close(listing);
    return;
  }
  struct timespec now = {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  while (const struct dirent* entry = ::readdir(entries)) {
    const pid_t maker = MakerOf(entry->d_name);
    if (maker == 0 || maker == ::getpid()) continue;
    struct stat info = {};
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
