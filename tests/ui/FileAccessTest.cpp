// Saving over the real file system: which files are replaced through a
// temporary file and which are written in place, what a replaced file keeps,
// that the folder is synced once the new file has taken the old one's
// place, and which leftovers of earlier saves a save clears away.
#include "ui/FileAccess.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "support/QtTestSupport.h"

namespace {

using numino::FileError;
using numino::testing::AttributeOf;
using numino::testing::BreakingFileAccess;
using numino::testing::Get;
using numino::testing::kSharingAcl;
using numino::testing::Put;

const std::string kOld = "vecchio contenuto, più lungo del nuovo\r\n";
const std::string kNew = "nuovo\r\n";

ino_t InodeOf(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

// Sets an attribute, or tells why the row cannot run here.
std::string Set(const std::string& path, const char* name, const std::string& value) {
  if (setxattr(path.c_str(), name, value.data(), value.size(), 0) == 0) return "";
  return std::string(name) + " cannot be set here: " + strerror(errno);
}

struct SaveRow {
  const char* name;
  // Prepares the file (missing when `kOld` should not be there) and gives
  // the reason the row cannot run on this machine, or "".
  std::function<std::string(const std::string& path)> arrange;
  std::vector<const char*> attributes;  // what must come out of the save as it went in
  bool replaced;                        // a new file took the old one's place
  const char* reason;                   // of the failure; "": none
};

class Saving : public ::testing::TestWithParam<SaveRow> {};

TEST_P(Saving, ReplacesWhatItCanCopyAndSyncsTheFolder) {
  const SaveRow& r = GetParam();
  QTemporaryDir dir;
  const std::string path = dir.filePath(QStringLiteral("pippo.nmo")).toStdString();
  const std::string skip = r.arrange(path);
  if (!skip.empty()) GTEST_SKIP() << skip;
  std::vector<std::string> before;
  for (const char* attribute : r.attributes) before.push_back(AttributeOf(path, attribute));
  const ino_t inode = InodeOf(path);

  BreakingFileAccess files;
  files.breakFolderSync = *r.reason != '\0';
  std::string atSync = "<not synced>";
  files.atFolderSync = [&] { atSync = Get(path); };
  std::string reason;
  std::optional<numino::FileStamp> unconfirmed;
  std::optional<numino::FileStamp> written;
  try {
    written = files.WriteFile(path, kNew);
  } catch (const FileError& error) {
    reason = error.Reason();
    unconfirmed = error.UnconfirmedStamp();
  }

  EXPECT_EQ(reason, r.reason);
  EXPECT_EQ(Get(path), kNew) << "a failed folder sync still leaves the new contents in place";
  EXPECT_EQ(inode != InodeOf(path), r.replaced);
  EXPECT_EQ(atSync, r.replaced ? kNew : "<not synced>") << "synced after the rename";
  EXPECT_EQ(written ? written : unconfirmed, files.StampOf(path));
  for (std::size_t i = 0; i < r.attributes.size(); ++i) {
    EXPECT_EQ(AttributeOf(path, r.attributes[i]), before[i]) << r.attributes[i];
  }
  EXPECT_EQ(
      QDir(dir.path()).entryList({QStringLiteral(".numino-*")}, QDir::AllEntries | QDir::Hidden),
      QStringList())
      << "no temporary file left";
}

const auto kOwnFile = [](const std::string& path) {
  Put(path, kOld);
  return std::string();
};

const SaveRow kSaveRows[] = {
    {"ANewFile", [](const std::string&) { return std::string(); }, {}, true, ""},
    {"OwnFileWithoutAttributes", kOwnFile, {}, true, ""},
    {"DownloadedFileWithUserAttributes",
     [](const std::string& path) {
       Put(path, kOld);
       return Set(path, "user.xdg.origin.url", "https://example.org/pippo.nmo") +
              Set(path, "user.numino", "sì");
     },
     {"user.xdg.origin.url", "user.numino"},
     true,
     ""},
    // On an SELinux system every file has its label; elsewhere only root
    // can give one.
    {"FileWithAnSelinuxLabel",
     [](const std::string& path) {
       Put(path, kOld);
       if (AttributeOf(path, "security.selinux") != "<none>") return std::string();
       return Set(path, "security.selinux", std::string("user_u:object_r:user_home_t:s0\0", 31));
     },
     {"security.selinux"},
     true,
     ""},
    {"FileWithAnAclIsWrittenInPlace",
     [](const std::string& path) {
       Put(path, kOld);
       return Set(path, "system.posix_acl_access", kSharingAcl) + Set(path, "user.numino", "sì");
     },
     {"system.posix_acl_access", "user.numino"},
     false,
     ""},
    {"FileWithASecondNameIsWrittenInPlace",
     [](const std::string& path) {
       Put(path, kOld);
       EXPECT_EQ(link(path.c_str(), (path + ".copia").c_str()), 0);
       return std::string();
     },
     {},
     false,
     ""},
    // The new file would get an ACL that the old one does not have.
    {"FolderWithADefaultAclIsWrittenInPlace",
     [](const std::string& path) {
       Put(path, kOld);
       return Set(path.substr(0, path.rfind('/')), "system.posix_acl_default", kSharingAcl);
     },
     {"system.posix_acl_access"},
     false,
     ""},
    {"FolderSyncFailsAfterTheRename",
     kOwnFile,
     {},
     true,
     "errore di lettura o scrittura sul disco"},
};

INSTANTIATE_TEST_SUITE_P(Rows, Saving, ::testing::ValuesIn(kSaveRows),
                         [](const auto& info) { return std::string(info.param.name); });

// A process that has ended: its number is free, and no save of its can
// still be running.
pid_t DeadProcess() {
  static const pid_t dead = [] {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    return child;
  }();
  return dead;
}

std::string TemporaryOf(pid_t pid, int attempt) {
  return ".numino-" + std::to_string(pid) + "-" + std::to_string(attempt);
}

struct LeftoverRow {
  const char* name;
  std::function<std::string()> leftover;  // its name in the folder
  // Makes it, given its path; gives the reason the row cannot run here, or "".
  std::function<std::string(const std::string& path)> make;
  bool removed;
};

class LeftoversOfEarlierSaves : public ::testing::TestWithParam<LeftoverRow> {};

// An hour old, so that only what the row changes keeps it.
std::string OldFile(const std::string& path) {
  Put(path, "mezzo documento");
  const struct timespec anHourAgo[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
  EXPECT_EQ(utimensat(AT_FDCWD, path.c_str(), anHourAgo, AT_SYMLINK_NOFOLLOW), 0);
  return "";
}

TEST_P(LeftoversOfEarlierSaves, OnlyOursOfADeadProcessAreRemoved) {
  const LeftoverRow& r = GetParam();
  QTemporaryDir dir;
  const std::string leftover = dir.filePath(QString::fromStdString(r.leftover())).toStdString();
  const std::string skip = r.make(leftover);
  if (!skip.empty()) GTEST_SKIP() << skip;

  FileAccess files;
  files.WriteFile(dir.filePath(QStringLiteral("pippo.nmo")).toStdString(), kNew);
  struct stat info {};
  EXPECT_EQ(lstat(leftover.c_str(), &info) != 0, r.removed);
}

const auto kDead = [](int attempt) {
  return [attempt] { return TemporaryOf(DeadProcess(), attempt); };
};
const auto kLookAlike = [](const char* before, const char* after) {
  return [=] { return before + std::to_string(DeadProcess()) + after; };
};

const LeftoverRow kLeftoverRows[] = {
    {"DeadSavesFirstName", kDead(0), OldFile, true},
    {"DeadSavesLastName", kDead(99), OldFile, true},
    {"RunningProcesssKept", [] { return TemporaryOf(getppid(), 0); }, OldFile, false},
    {"ThisMinutesKept", kDead(0),
     [](const std::string& path) {
       Put(path, "mezzo documento");
       return std::string();
     },
     false},
    {"AnotherUsersKept", kDead(0),
     [](const std::string& path) {
       if (geteuid() != 0) return std::string("needs root to give the file to another user");
       OldFile(path);
       EXPECT_EQ(lchown(path.c_str(), 4321, 4321), 0);
       return std::string();
     },
     false},
    {"SecondNameOfAFileKept", kDead(0),
     [](const std::string& path) {
       OldFile(path);
       EXPECT_EQ(link(path.c_str(), (path + "-documento.nmo").c_str()), 0);
       return std::string();
     },
     false},
    {"FolderKept", kDead(0),
     [](const std::string& path) {
       EXPECT_EQ(mkdir(path.c_str(), 0755), 0);
       return std::string();
     },
     false},
    {"SymbolicLinkKept", kDead(0),
     [](const std::string& path) {
       EXPECT_EQ(symlink("pippo.nmo", path.c_str()), 0);
       return std::string();
     },
     false},
    {"NameWithAnExtensionKept", kLookAlike(".numino-", "-0.nmo"), OldFile, false},
    {"NameWithALetterKept", kLookAlike(".numino-", "-x"), OldFile, false},
    {"NameBeyondTheLastAttemptKept", kLookAlike(".numino-", "-100"), OldFile, false},
    {"NameWithALeadingZeroKept", kLookAlike(".numino-0", "-0"), OldFile, false},
    {"NameWithoutAnAttemptKept", kLookAlike(".numino-", ""), OldFile, false},
    {"NameNotHiddenKept", kLookAlike("numino-", "-0"), OldFile, false},
};

INSTANTIATE_TEST_SUITE_P(Rows, LeftoversOfEarlierSaves, ::testing::ValuesIn(kLeftoverRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
