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
#include <utility>
#include <vector>

#include "files/FileReasons.h"
#include "support/Disk.h"

namespace {

using numino::FileError;
using numino::testing::AttributeOf;
using numino::testing::BreakingFileAccess;
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

// A name is bytes: one in Latin-1 is that file, not the one whose name
// shows its bytes as U+FFFD.
TEST(FileAccess, WriteThenReadBack) {
  const TemporaryFolder dir;
  FileAccess files;
  Put(dir.Path("\xEF\xBF\xBDt\xEF\xBF\xBD.nmo"), "altro");
  for (const char* name : {"pippo.nmo", "\xE9t\xE9.nmo"}) {
    const std::string path = dir.Path(name);
    files.WriteFile(path, "123\r\n", std::nullopt);
    EXPECT_TRUE(files.FileExists(path));
    files.WriteFile(path, "45\r\n", files.StampOf(path));  // replaces, never appends
    const numino::FileStart start = files.ReadFileStart(path, 1000);
    EXPECT_EQ(start.bytes, "45\r\n");
    EXPECT_TRUE(start.wholeFile);
  }
  EXPECT_EQ(Get(dir.Path("\xEF\xBF\xBDt\xEF\xBF\xBD.nmo")), "altro");
  // Changed in place by a program that then sets the time back: the
  // inode's change time tells.
  const numino::FileStamp before = *files.StampOf(dir.Path("pippo.nmo"));
  const struct timespec times[2] = {{before.modifiedSeconds, before.modifiedNanoseconds},
                                    {before.modifiedSeconds, before.modifiedNanoseconds}};
  Put(dir.Path("pippo.nmo"), "67\r\n");
  ASSERT_EQ(utimensat(AT_FDCWD, dir.Path("pippo.nmo").c_str(), times, 0), 0);
  EXPECT_FALSE(files.StampOf(dir.Path("pippo.nmo"))->SameAs(before));
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
    EXPECT_EQ(ReasonOf([&] { files.WriteFile(r.path, "x", files.StampOf(r.path)); }), r.reason);
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
  files.before = [&](DurableOutcome::Step step) {
    if (step == DurableOutcome::Step::SyncFolder) atSync = Get(path);
  };
  std::string reason;
  std::optional<numino::FileStamp> unconfirmed;
  std::optional<numino::FileStamp> written;
  try {
    written = files.WriteFile(path, kNew, files.StampOf(path));
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
enum class Leftover { Unheld, Held, SecondName, Folder, Link };

struct LeftoverRow {
  const char* name;
  const char* leftover;
  Leftover what;
  int age;  // seconds
  bool removed;
};

class LeftoversOfEarlierSaves : public ::testing::TestWithParam<LeftoverRow> {};

// A writer holds its temporary file for as long as it writes; one that
// nobody holds is a dead write's, whoever made it and whatever its number.
TEST_P(LeftoversOfEarlierSaves, OnlyTemporaryFilesNobodyHoldsAreRemoved) {
  const LeftoverRow& r = GetParam();
  const TemporaryFolder dir;
  const std::string path = dir.Path(r.leftover);
  Descriptor holder;
  switch (r.what) {
    case Leftover::Folder:
      ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
      break;
    case Leftover::Link:
      ASSERT_EQ(symlink("pippo.nmo", path.c_str()), 0);
      break;
    default:
      Put(path, "mezzo documento");
      numino::testing::MakeOld(path, r.age);
      if (r.what == Leftover::SecondName) {
        ASSERT_EQ(link(path.c_str(), (path + "-doc").c_str()), 0);
      }
      if (r.what == Leftover::Held) {
        holder = Descriptor(open(path.c_str(), O_RDONLY | O_CLOEXEC));
        ASSERT_TRUE(LockNow(holder.Get()));
      }
  }

  FileAccess().WriteFile(dir.Path("pippo.nmo"), kNew, std::nullopt);
  struct stat info = {};
  EXPECT_EQ(lstat(path.c_str(), &info) != 0, r.removed);
}

const LeftoverRow kLeftoverRows[] = {
    {"UnheldRemoved", ".numino-0123456789az", Leftover::Unheld, 0, true},
    {"HeldKept", ".numino-0123456789az", Leftover::Held, 3600, false},
    {"OlderFormOfALiveProcessRemoved", ".numino-1-99", Leftover::Unheld, 3600, true},
    {"OlderFormOfThisMinuteKept", ".numino-1-0", Leftover::Unheld, 0, false},
    {"SecondNameOfAFileKept", ".numino-0123456789az", Leftover::SecondName, 3600, false},
    {"FolderKept", ".numino-0123456789az", Leftover::Folder, 0, false},
    {"SymbolicLinkKept", ".numino-0123456789az", Leftover::Link, 0, false},
    {"NameWithAnExtensionKept", ".numino-0123456789az.nmo", Leftover::Unheld, 3600, false},
    {"CapitalsKept", ".numino-0123456789AZ", Leftover::Unheld, 3600, false},
    {"NameNotHiddenKept", "numino-0123456789az", Leftover::Unheld, 3600, false},
    {"OlderFormBeyondTheLastAttemptKept", ".numino-1-100", Leftover::Unheld, 3600, false},
};

INSTANTIATE_TEST_SUITE_P(Rows, LeftoversOfEarlierSaves, ::testing::ValuesIn(kLeftoverRows),
                         [](const auto& info) { return std::string(info.param.name); });

// A save writes only the file it checked: another program that swaps the
// name for a link to a third file, or for another file, between any two
// steps of it makes it fail with the reason, and writes neither of them.
TEST(FileAccess, ANameSwappedBetweenAnyTwoStepsFailsTheSave) {
  using Step = DurableOutcome::Step;
  const Step steps[] = {Step::Open, Step::Create, Step::Write,
                        Step::Sync, Step::Rename, Step::SyncFolder};
  for (const bool inPlace : {false, true}) {
    for (const Step step : steps) {
      for (const bool toLink : {true, false}) {
        if (inPlace && step != Step::Open && step != Step::Write && step != Step::Sync) continue;
        SCOPED_TRACE(::testing::Message() << inPlace << static_cast<int>(step) << toLink);
        const TemporaryFolder dir;
        const std::string path = dir.Path("pippo.nmo");
        Put(path, kOld);
        Put(dir.Path("altrui.nmo"), "di un altro");
        if (inPlace) {
          ASSERT_EQ(link(path.c_str(), dir.Path("copia.nmo").c_str()), 0);
        }
        BreakingFileAccess files;
        bool swapped = false;
        files.before = [&](Step now) {
          if (now != step || std::exchange(swapped, true)) return;
          ASSERT_EQ(rename(path.c_str(), dir.Path("spostato.nmo").c_str()), 0);
          if (toLink) {
            ASSERT_EQ(symlink("altrui.nmo", path.c_str()), 0);
          } else {
            Put(path, "messo al suo posto");
          }
        };
        EXPECT_EQ(ReasonOf([&] { files.WriteFile(path, kNew, files.StampOf(path)); }),
                  files::kReplaced);
        EXPECT_TRUE(swapped);
        EXPECT_EQ(Get(dir.Path("altrui.nmo")), "di un altro");
        EXPECT_EQ(Get(path), toLink ? "di un altro" : "messo al suo posto");
        struct stat info = {};
        EXPECT_TRUE(lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode) == toLink);
      }
    }
  }
}

// A temporary file's name that is taken makes the save try others, and
// the reason is in Italian.
TEST(FileAccess, TakenTemporaryNamesAreSteppedRound) {
  const TemporaryFolder dir;
  BreakingFileAccess files;
  files.failAt = DurableOutcome::Step::Create;
  files.failWith = EEXIST;
  int tries = 0;
  files.before = [&](DurableOutcome::Step step) { tries += step == DurableOutcome::Step::Create; };
  EXPECT_EQ(ReasonOf([&] { files.WriteFile(dir.Path("pippo.nmo"), kNew, std::nullopt); }),
            "esiste già un file con quel nome");
  EXPECT_GT(tries, 1);
}

}  // namespace
