#pragma once

#include <cerrno>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/DurableWrite.h"
#include "files/FileAccess.h"

// What the tests of the real file system share, without Qt.
namespace numino::testing {

// A fresh folder below $TMPDIR (or /tmp), removed with everything in it
// when it goes; folders a test closed are opened again first.
class TemporaryFolder {
 public:
  TemporaryFolder();
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const std::string& Path() const { return path_; }
  std::string Path(std::string_view name) const { return path_ + "/" + std::string(name); }

 private:
  std::string path_;
};

// Writes a file whole, and reads one back ("<missing>" when it cannot).
void Put(const std::string& path, std::string_view bytes);
std::string Get(const std::string& path);
// The names in a folder, hidden ones too, sorted; without "." and "..".
std::vector<std::string> Entries(const std::string& folder);

// Sets a file's times to `age` seconds ago.
void MakeOld(const std::string& path, int age);

// The value of a file's extended attribute, "<none>" when it has none of
// that name.
std::string AttributeOf(const std::string& path, const char* name);

// An access ACL as the kernel stores it (version 2, then tag, permissions
// and id per entry): the owner, user 4321 and the mask may read and write,
// the group and others may read.
inline const std::string kSharingAcl(
    "\x02\0\0\0"
    "\x01\0\x06\0\xFF\xFF\xFF\xFF"
    "\x02\0\x06\0\xE1\x10\0\0"
    "\x04\0\x04\0\xFF\xFF\xFF\xFF"
    "\x10\0\x06\0\xFF\xFF\xFF\xFF"
    "\x20\0\x04\0\xFF\xFF\xFF\xFF",
    44);

// The system's write calls, except that the step `failAt` fails with
// `failWith`; a write fails after half the bytes, as on a full disk.
// `before` runs just before every step, so a test can see what the file
// holds by then, or change the folder; `folderSyncs` counts those syncs.
class BreakingWrites : public WriteCalls {
 public:
  using Step = DurableOutcome::Step;
  std::optional<Step> failAt;
  int failWith = EIO;
  std::function<void(Step)> before;
  int folderSyncs = 0;

  int Open(int folder, const char* name) override {
    return Fails(Step::Open) ? -1 : WriteCalls::Open(folder, name);
  }
  int Create(int folder, const char* name, mode_t mode) override {
    return Fails(Step::Create) ? -1 : WriteCalls::Create(folder, name, mode);
  }
  bool WriteAll(int fd, std::string_view bytes) override {
    if (failAt != Step::Write) return !Fails(Step::Write) && WriteCalls::WriteAll(fd, bytes);
    WriteCalls::WriteAll(fd, bytes.substr(0, bytes.size() / 2));
    return !Fails(Step::Write);
  }
  int Sync(int fd) override { return Fails(Step::Sync) ? -1 : WriteCalls::Sync(fd); }
  int Rename(int folder, const char* from, const char* to, unsigned flags) override {
    return Fails(Step::Rename) ? -1 : WriteCalls::Rename(folder, from, to, flags);
  }
  int Unlink(int folder, const char* name) override {
    return Fails(Step::Unlink) ? -1 : WriteCalls::Unlink(folder, name);
  }
  int SyncFolder(int folder) override {
    ++folderSyncs;
    return Fails(Step::SyncFolder) ? -1 : WriteCalls::SyncFolder(folder);
  }

 private:
  bool Fails(Step step) {
    if (before) before(step);
    if (failAt != step) return false;
    errno = failWith;
    return true;
  }
};

// The program's own file access, on breaking write calls.
class BreakingFileAccess : public BreakingWrites, public FileAccess {
 public:
  BreakingFileAccess() : FileAccess(static_cast<BreakingWrites&>(*this)) {}
};

}  // namespace numino::testing
