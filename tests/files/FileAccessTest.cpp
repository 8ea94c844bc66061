// Saving over the real file system: which files are replaced through a
// temporary file and which are written in place, what a replaced file keeps,
// that the folder is synced once the new file has taken the old one's
// place, and which leftovers of earlier saves a save clears away.
#include "files/FileAccess.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "support/Disk.h"

namespace {

using numino::FileError;
using numino::testing::AttributeOf;
using numino::testing::BreakingFileAccess;
using numino::testing::DeadProcess;
using numino::testing::Get;
using numino::testing::kSharingAcl;
using numino::testing::Put;
using numino::testing::TemporaryFolder;

// The reason a FileError gives, or "<none>" when nothing was thrown.
template <typename Call>
std::string ReasonOf(Call call) {
  try {
    call();
  } catch (const FileError& error) {
    return error.Reason();
  }
  return "<none>";
}

TEST(FileAccess, WriteThenReadBack) {
  const TemporaryFolder dir;
  FileAccess files;
  const std::string path = dir.Path("pippo.nmo");
  files.WriteFile(path, "123\r\n");
  EXPECT_TRUE(files.FileExists(path));
  files.WriteFile(path, "45\r\n");  // replaces, never appends
  const numino::FileStart start = files.ReadFileStart(path, 1000);
  EXPECT_EQ(start.bytes, "45\r\n");
  EXPECT_TRUE(start.wholeFile);
}

TEST(FileAccess, ReadsAtMostTheLimit) {
  struct Row {
    std::size_t size, limit;
    bool whole;
    const char* reason;
  };
  const Row rows[] = {
      {10, 9, false, "one byte too many"},
      {10, 10, true, "exactly the limit"},
      {0, 0, true, "empty file, no limit"},
      {200000, 150000, false, "more than one read"},
  };
  const TemporaryFolder dir;
  FileAccess files;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.reason);
    const std::string path = dir.Path("big.nmo");
    std::string contents(r.size, 'x');
    for (std::size_t i = 0; i < contents.size(); ++i) contents[i] = static_cast<char>('0' + i % 10);
    Put(path, contents);
    const numino::FileStart start = files.ReadFileStart(path, r.limit);
    EXPECT_EQ(start.bytes, contents.substr(0, r.limit));
    EXPECT_EQ(start.wholeFile, r.whole);
  }
}

TEST(FileAccess, ReadRefusesWhatIsNotAFileWithoutWaiting) {
  const TemporaryFolder dir;
  const std::string fifo = dir.Path("pipe.nmo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  struct Row {
    std::string path;
    const char* reason;
  };
  const Row rows[] = {
      {dir.Path(), "è una cartella"},
      {fifo, "non è un file normale"},  // opening it for reading would wait for a writer
      {"/dev/null", "non è un file normale"},
      {dir.Path("manca.nmo"), "il file non esiste"},
  };
  FileAccess files;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.path);
    // A FIFO opened for reading would wait for a writer: the test would hang.
    EXPECT_EQ(ReasonOf([&] { files.ReadFileStart(r.path, 100); }), r.reason);
  }
}

TEST(FileAccess, WriteRefusesFoldersDevicesAndMissingFolders) {
  const TemporaryFolder dir;
  FileAccess files;
  struct Row {
    std::string path;
    const char* reason;
  };
  const Row rows[] = {
      {dir.Path(), "è una cartella"},
      {"/dev/null", "non è un file normale"},  // would be replaced by a plain file
      {dir.Path("manca/pippo.nmo"), "la cartella non esiste"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.path);
    EXPECT_EQ(ReasonOf([&] { files.WriteFile(r.path, "x"); }), r.reason);
  }
  struct stat info = {};
  ASSERT_EQ(stat("/dev/null", &info), 0);
  EXPECT_TRUE(S_ISCHR(info.st_mode));
}

const std::string kOld = "vecchio contenuto, più lungo del nuovo\r\n";
const std::string kNew = "nuovo\r\n";

ino_t InodeOf(const std::string& path) {
  struct stat info = {};
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
  const TemporaryFolder dir;
  const std::string path = dir.Path("pippo.nmo");
  const std::string skip = r.arrange(path);
  if (!skip.empty()) GTEST_SKIP() << skip;
  std::vector<std::string> before;
  for (const char* attribute : r.attributes) before.push_back(AttributeOf(path, attribute));
  const ino_t inode = InodeOf(path);

  BreakingFileAccess files;
  if (*r.reason != '\0') files.failAt = BreakingFileAccess::Step::SyncFolder;
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
  for (const std::string& name : numino::testing::Entries(dir.Path())) {
    EXPECT_FALSE(name.starts_with(".numino-")) << "a temporary file left: " << name;
  }
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

// What lies in the folder under the row's name before a save.
enum class Leftover { OldFile, NewFile, OtherUsersOldFile, SecondName, Folder, Link };

struct LeftoverRow {
  const char* name;
  const char* before;  // the leftover's name: `before`, a process number, `after`
  bool dead;           // the dead process's number, else a running one's
  const char* after;
  Leftover what;
  bool removed;
};

class LeftoversOfEarlierSaves : public ::testing::TestWithParam<LeftoverRow> {};

TEST_P(LeftoversOfEarlierSaves, OnlyOursOfADeadProcessAreRemoved) {
  const LeftoverRow& r = GetParam();
  if (r.what == Leftover::OtherUsersOldFile && geteuid() != 0) {
    GTEST_SKIP() << "needs root to give the file to another user";
  }
  const TemporaryFolder dir;
  const std::string path =
      dir.Path() + "/" + r.before + std::to_string(r.dead ? DeadProcess() : getppid()) + r.after;
  switch (r.what) {
    case Leftover::Folder:
      ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
      break;
    case Leftover::Link:
      ASSERT_EQ(symlink("pippo.nmo", path.c_str()), 0);
      break;
    default: {
      Put(path, "mezzo documento");
      // An hour old, so that only what the row changes keeps it.
      numino::testing::MakeOld(path, r.what == Leftover::NewFile ? 0 : 3600);
      if (r.what == Leftover::OtherUsersOldFile) {
        ASSERT_EQ(chown(path.c_str(), 4321, 4321), 0);
      }
      if (r.what == Leftover::SecondName) {
        ASSERT_EQ(link(path.c_str(), (path + "-doc").c_str()), 0);
      }
    }
  }

  FileAccess().WriteFile(dir.Path("pippo.nmo"), kNew);
  struct stat info = {};
  EXPECT_EQ(lstat(path.c_str(), &info) != 0, r.removed);
}

const LeftoverRow kLeftoverRows[] = {
    {"DeadSavesFirstName", ".numino-", true, "-0", Leftover::OldFile, true},
    {"DeadSavesLastName", ".numino-", true, "-99", Leftover::OldFile, true},
    {"RunningProcesssKept", ".numino-", false, "-0", Leftover::OldFile, false},
    {"ThisMinutesKept", ".numino-", true, "-0", Leftover::NewFile, false},
    {"AnotherUsersKept", ".numino-", true, "-0", Leftover::OtherUsersOldFile, false},
    {"SecondNameOfAFileKept", ".numino-", true, "-0", Leftover::SecondName, false},
    {"FolderKept", ".numino-", true, "-0", Leftover::Folder, false},
    {"SymbolicLinkKept", ".numino-", true, "-0", Leftover::Link, false},
    {"NameWithAnExtensionKept", ".numino-", true, "-0.nmo", Leftover::OldFile, false},
    {"NameWithALetterKept", ".numino-", true, "-x", Leftover::OldFile, false},
    {"NameBeyondTheLastAttemptKept", ".numino-", true, "-100", Leftover::OldFile, false},
    {"NameWithALeadingZeroKept", ".numino-0", true, "-0", Leftover::OldFile, false},
    {"NameWithoutAnAttemptKept", ".numino-", true, "", Leftover::OldFile, false},
    {"NameNotHiddenKept", "numino-", true, "-0", Leftover::OldFile, false},
};

INSTANTIATE_TEST_SUITE_P(Rows, LeftoversOfEarlierSaves, ::testing::ValuesIn(kLeftoverRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
