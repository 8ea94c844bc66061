// What a start finds in the recovery folder: only the newest sound file is
// taken, damaged ones are set aside, and nothing else is touched.
#include "recovery/RecoveryFile.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

#include "document/NmoFormat.h"
#include "support/Disk.h"
#include "support/FakePlatform.h"

namespace {

using numino::testing::Entries;
using numino::testing::Put;
using numino::testing::TemporaryFolder;

void SetTime(const std::string& path, time_t seconds) {
  numino::testing::MakeOld(path, static_cast<int>(::time(nullptr) - seconds));
}

// Neither an emptied file (a clean close that could not delete it) nor one
// whose work its document holds (saved, then killed) is offered: a clean
// close never reads as a crash. Both go.
TEST(RecoveryFile, DamagedFilesAreSetAsideAndOnlyTheNewestIsTaken) {
  const TemporaryFolder folder;
  numino::testing::FakePlatform platform;
  numino::NuminoSchema older(platform);
  older.SetBuffer(1, 1, 1, false);
  numino::NuminoSchema newer(platform);
  newer.SetBuffer(2, 2, 2, false);
  using numino::recovery::Format;
  using numino::recovery::WorkOf;
  Put(folder.Path("a.recovery"), Format(WorkOf(newer)));
  Put(folder.Path("b.recovery"), Format(WorkOf(older)));
  Put(folder.Path("c.recovery"), "numino-recovery 2\n");
  Put(folder.Path("d.recovery"), "");
  numino::NuminoSchema saved(platform);
  saved.SetBuffer(3, 3, 3, false);
  saved.fileName = folder.Path("partita.nmo");
  Put(saved.fileName, numino::nmo::Format(saved.cellValues));
  Put(folder.Path("e.recovery"), Format(WorkOf(saved)));
  SetTime(folder.Path("e.recovery"), 2100000000);
  // Writes cut short: by a crash, and by a program still writing.
  const std::string dead = ".numino-deadwrite000";
  const std::string running = ".numino-livewrite000";
  Put(folder.Path(dead), "half");
  Put(folder.Path(running), "half");
  const Descriptor writing(::open(folder.Path(running).c_str(), O_RDONLY | O_CLOEXEC));
  ASSERT_TRUE(LockNow(writing.Get()));
  Put(folder.Path("notes.txt"), "not ours to touch");
  SetTime(folder.Path("a.recovery"), 2000000000);
  SetTime(folder.Path("b.recovery"), 1000000000);

  RecoveryFile file(folder.Path());
  const auto work = file.TakeOrphan().work;
  ASSERT_TRUE(work.has_value());
  EXPECT_EQ(work->cells[2][2], 2) << "not the newest";
  EXPECT_EQ(file.Path(), folder.Path("a.recovery"));
  EXPECT_EQ(Entries(folder.Path()),
            (std::vector<std::string>{running, "a.recovery", "b.recovery", "c.recovery.damaged",
                                      "notes.txt", "partita.nmo"}));
}

}  // namespace

namespace {

// The state folder is the user's own before anything goes into it or out of
// it: made private when missing or loose, never used when it is a link or
// another user's. A damaged file in it shows whether a start touched it.
TEST(RecoveryFile, OnlyAFolderOfTheUsersOwnIsUsed) {
  enum Kind { kMissing, kFolder, kLinkToFolder, kLinkToNowhere, kFile };
  struct Row {
    const char* what;
    Kind kind;
    uid_t owner;         // of a folder; 0: the user's own
    const char* reason;  // of the failed write; "": written
  };
  const Row rows[] = {
      {"missing: made", kMissing, 0, ""},
      {"one's own, open to all: made private", kFolder, 0, ""},
      {"a link to a folder of one's own", kLinkToFolder, 0, "è un collegamento simbolico"},
      {"a link to nowhere", kLinkToNowhere, 0, "è un collegamento simbolico"},
      {"a file", kFile, 0, "non è una cartella"},
      {"another user's, open to all", kFolder, 4321, "appartiene a un altro utente"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    if (r.owner != 0 && ::geteuid() != 0) GTEST_SKIP() << r.what << ": needs root";
    const TemporaryFolder base;
    const std::string numino = base.Path("numino");
    const std::string folder = r.kind == kLinkToFolder ? base.Path("altrove") : numino;
    if (r.kind == kFolder || r.kind == kLinkToFolder) {
      ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
      ASSERT_EQ(::chmod(folder.c_str(), 0777), 0);
      if (r.owner != 0) {
        ASSERT_EQ(::chown(folder.c_str(), r.owner, r.owner), 0);
      }
      Put(folder + "/a.recovery", "numino-recovery 2\n");
    }
    if (r.kind == kLinkToFolder || r.kind == kLinkToNowhere) {
      const char* target = r.kind == kLinkToFolder ? "altrove" : "manca";
      ASSERT_EQ(::symlink(target, numino.c_str()), 0);
    }
    if (r.kind == kFile) Put(numino, "");
    const std::vector<std::string> before = Entries(folder);

    RecoveryFile file(numino);
    const RecoveryFile::Leftover found = file.TakeOrphan();
    EXPECT_FALSE(found.work.has_value());
    EXPECT_EQ(found.unreadable, "") << "no work of the user's can be there";
    EXPECT_EQ(file.Write("lavoro").value_or(""), r.reason);
    if (*r.reason != '\0') {
      EXPECT_FALSE(file.Exists());
      EXPECT_EQ(Entries(folder), before) << "touched a folder that is not the user's own";
      continue;
    }
    struct stat info = {};
    ASSERT_EQ(::lstat(numino.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_EQ(numino::testing::Get(file.Path()), "lavoro");
  }
}

}  // namespace

namespace {

// A file that cannot be deleted is emptied, which offers nothing; Remove
// says so only when that is not sure either.
TEST(RecoveryFile, AFileThatCannotBeDeletedIsEmptied) {
  using Step = DurableOutcome::Step;
  for (const Step also : {Step::Unlink, Step::Sync}) {
    const TemporaryFolder folder;
    numino::testing::BreakingWrites calls;
    RecoveryFile file(folder.Path(), calls);
    ASSERT_EQ(file.Write("lavoro"), std::nullopt);
    const std::string path = file.Path();
    calls.failWith = EPERM;
    calls.before = [&](Step step) { calls.failAt = step == also ? also : Step::Unlink; };
    EXPECT_EQ(file.Remove().value_or(""), also == Step::Sync ? "permesso negato" : "");
    EXPECT_EQ(numino::testing::Get(path), "");
  }
}

// Out of descriptors, a start opens the folder but cannot list it: it says
// why, and the work stays for the next start.
TEST(RecoveryFile, AFolderThatCannotBeListedSaysWhyAndKeepsTheWork) {
  const TemporaryFolder folder;
  numino::testing::FakePlatform platform;
  numino::NuminoSchema schema(platform);
  schema.SetBuffer(1, 1, 1, false);
  Put(folder.Path("a.recovery"), numino::recovery::Format(numino::recovery::WorkOf(schema)));
  RecoveryFile file(folder.Path());
  // Room for the folder's descriptor alone: the lowest free one.
  const int lowest = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(lowest, 0);
  ::close(lowest);
  rlimit saved = {};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit tight = saved;
  tight.rlim_cur = static_cast<rlim_t>(lowest) + 1;
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
  const RecoveryFile::Leftover found = file.TakeOrphan();
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);

  EXPECT_FALSE(found.work.has_value());
  EXPECT_EQ(found.unreadable, "troppi file aperti");
  EXPECT_TRUE(RecoveryFile(folder.Path()).TakeOrphan().work.has_value());
}

}  // namespace
