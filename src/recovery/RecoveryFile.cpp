#include "recovery/RecoveryFile.h"

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

#include "document/NmoFormat.h"
#include "files/FileAccess.h"
#include "files/FileReasons.h"

namespace {

constexpr std::string_view kSuffix = ".recovery";
constexpr std::string_view kDamagedSuffix = ".damaged";

// A name no other running program makes: the process and the moment.
std::string NewName() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return "numino-" + std::to_string(::getpid()) + "-" +
         std::to_string(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()) +
         std::string(kSuffix);
}

// Makes the folders of the path that are missing, private to the user as
// the state folder should be; those that exist stay as they are. Each new
// folder's parent is synced, so that a crash of the machine cannot take
// the folder, and the first file written in it, away.
bool MakeFolders(const std::string& path) {
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string folder = path.substr(0, slash);
    if (::mkdir(folder.c_str(), 0700) == 0) {
      const std::size_t parentEnd = folder.rfind('/');
      const std::string parent = parentEnd == 0 ? "/" : folder.substr(0, parentEnd);
      const Descriptor above(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
      if (!above.Valid() || SystemWriteCalls().SyncFolder(above.Get()) != 0) return false;
    } else if (errno != EEXIST) {
      return false;
    }
    if (slash == std::string::npos) return true;
  }
}

// Whether the document's file on disk holds all the work: the work has no
// digit ruled out by hand, which no document keeps, and its digits are the
// file's. A clean close whose recovery file could not be removed leaves
// such work, which is never offered back.
bool HeldByItsDocument(const numino::recovery::Work& work) {
  if (work.exclusions != numino::NuminoSchema::Grid{}) return false;
  if (!work.modified) return true;
  if (work.fileName.empty()) return false;
  try {
    const numino::FileStart start =
        FileAccess().ReadFileStart(work.fileName, numino::nmo::kReadLimit);
    const auto parsed = numino::nmo::Parse(start.bytes, start.wholeFile);
    const auto* cells = std::get_if<numino::NuminoSchema::Grid>(&parsed);
    return cells && *cells == work.cells;
  } catch (const numino::FileError&) {
    return false;
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

// A relative HOME would put the folder wherever the program was started.
std::string RecoveryFile::DefaultFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && state[0] == '/') return std::string(state) + "/numino";
  std::string home;
  if (const char* h = std::getenv("HOME"); h && h[0] == '/') {
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
std::variant<Descriptor, RecoveryFile::Refusal> RecoveryFile::OpenFolder(bool create) {
  struct stat named = {};
  const auto failed = [] {
    // ENOTDIR: a file stands where a folder of the path should be.
    if (errno == ENOTDIR) return Refusal{files::kNotAFolder, true};
    return Refusal{FileErrorReason(errno), errno == ENOENT};
  };
  if (::lstat(folder_.c_str(), &named) != 0) {
    if (errno != ENOENT || !create) return failed();
    if (!MakeFolders(folder_) || ::lstat(folder_.c_str(), &named) != 0) return failed();
  }
  if (S_ISLNK(named.st_mode)) return Refusal{files::kLink, true};
  if (!S_ISDIR(named.st_mode)) return Refusal{files::kNotAFolder, true};
  Descriptor folder(::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  struct stat opened = {};
  if (!folder.Valid() || ::fstat(folder.Get(), &opened) != 0) return failed();
  if (opened.st_dev != named.st_dev || opened.st_ino != named.st_ino) {
    return Refusal{files::kLink, true};
  }
  if (opened.st_uid != ::geteuid()) return Refusal{files::kOtherUsers, true};
  if ((opened.st_mode & 077) != 0 && ::fchmod(folder.Get(), 0700) != 0) return failed();
  return folder;
}

RecoveryFile::Leftover RecoveryFile::TakeOrphan() {
  auto opened = OpenFolder(false);
  if (const auto* refused = std::get_if<Refusal>(&opened)) {
    return {std::nullopt, refused->foreign ? "" : refused->reason};
  }
  const int folder = std::get<Descriptor>(opened).Get();
  RemoveUnheldTemporaries(folder);
  const auto names = FolderEntries(folder);
  if (!names) return {std::nullopt, FileErrorReason(errno)};
  std::vector<Candidate> candidates;
  for (const std::string& name : *names) {
    if (name.front() == '.' || !name.ends_with(kSuffix)) continue;
    // For writing too, so that Remove can empty it where it cannot go.
    const int flags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    Descriptor fd(::openat(folder, name.c_str(), O_RDWR | flags));
    if (!fd.Valid()) fd = Descriptor(::openat(folder, name.c_str(), O_RDONLY | flags));
    struct stat info = {};
    // Only our own regular files, and only those nobody holds.
    if (!fd.Valid() || ::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_uid != ::geteuid() || !LockNow(fd.Get()) || !StillNamed(folder, name, fd.Get())) {
      continue;
    }
    // Emptied by a Remove that could not delete it: nothing to offer.
    if (info.st_size == 0) {
      ::unlinkat(folder, name.c_str(), 0);
      continue;
    }
    // A file over the limit reads one byte over it, which the parser refuses.
    std::string text;
    auto parsed = ReadUpTo(fd.Get(), numino::recovery::kReadLimit, text)
                      ? numino::recovery::Parse(text)
                      : std::variant<numino::recovery::Work, numino::recovery::ParseError>(
                            numino::recovery::ParseError{"unreadable"});
    if (auto* work = std::get_if<numino::recovery::Work>(&parsed)) {
      if (HeldByItsDocument(*work)) {
        ::unlinkat(folder, name.c_str(), 0);
        continue;
      }
      candidates.push_back(
          {name, std::move(fd), info.st_mtim.tv_sec, info.st_mtim.tv_nsec, std::move(*work)});
      continue;
    }
    // Set aside, so that it is not looked at again, yet kept for whoever
    // wants to see what it held.
    ::renameat(folder, name.c_str(), folder, (name + std::string(kDamagedSuffix)).c_str());
  }
  if (candidates.empty()) return {};

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
  return {std::move(newest->work), ""};
}

// The new file is locked before it takes the name: a rename replaces the
// inode, and the lock of the old one goes with it.
std::optional<std::string> RecoveryFile::Write(std::string_view bytes) {
  auto opened = OpenFolder(true);
  if (const auto* refused = std::get_if<Refusal>(&opened)) return refused->reason;
  if (name_.empty()) name_ = NewName();
  DurableOutcome written =
      WriteDurably(calls_, std::get<Descriptor>(opened).Get(), name_, bytes, 0600, LockNow, true);
  if (written.Replaced()) file_ = std::move(written.file);
  if (written.failed) return FileErrorReason(written.error);
  return std::nullopt;
}

// Emptied and synced first: a file that then cannot be deleted, or whose
// deletion a crash undoes, offers nothing at the next start. Done when
// either way holds.
std::optional<std::string> RecoveryFile::Remove() {
  if (!file_.Valid()) return std::nullopt;
  const Descriptor file = std::move(file_);
  const bool emptied = ::ftruncate(file.Get(), 0) == 0 && calls_.Sync(file.Get()) == 0;
  auto opened = OpenFolder(false);
  if (const auto* refused = std::get_if<Refusal>(&opened)) {
    return emptied ? std::nullopt : std::optional(refused->reason);
  }
  const int folder = std::get<Descriptor>(opened).Get();
  if (StillNamed(folder, name_, file.Get()) && calls_.Unlink(folder, name_.c_str()) != 0) {
    return emptied ? std::nullopt : std::optional(FileErrorReason(errno));
  }
  if (calls_.SyncFolder(folder) != 0 && !emptied) return FileErrorReason(errno);
  return std::nullopt;
}
