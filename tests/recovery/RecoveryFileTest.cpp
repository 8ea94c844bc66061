// What a start finds in the recovery folder: only the newest sound file is
// taken, damaged ones are set aside, and nothing else is touched.
#include "recovery/RecoveryFile.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

#include "support/Disk.h"
#include "support/FakePlatform.h"

namespace {

using numino::testing::Entries;
using numino::testing::Put;
using numino::testing::TemporaryFolder;

void SetTime(const std::string& path, time_t seconds) {
  numino::testing::MakeOld(path, static_cast<int>(::time(nullptr) - seconds));
}

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
  // Writes cut short: by a crash, and by a program still running.
  const std::string dead = ".numino-" + std::to_string(numino::testing::DeadProcess()) + "-0";
  const std::string running = ".numino-" + std::to_string(::getppid()) + "-0";
  Put(folder.Path(dead), "half");
  Put(folder.Path(running), "half");
  numino::testing::MakeOld(folder.Path(dead), 3600);
  numino::testing::MakeOld(folder.Path(running), 3600);
  Put(folder.Path("notes.txt"), "not ours to touch");
  SetTime(folder.Path("a.recovery"), 2000000000);
  SetTime(folder.Path("b.recovery"), 1000000000);

  RecoveryFile file(folder.Path());
  const auto work = file.TakeOrphan();
  ASSERT_TRUE(work.has_value());
  EXPECT_EQ(work->cells[2][2], 2) << "not the newest";
  EXPECT_EQ(file.Path(), folder.Path("a.recovery"));
  EXPECT_EQ(Entries(folder.Path()), (std::vector<std::string>{running, "a.recovery", "b.recovery",
                                                              "c.recovery.damaged", "notes.txt"}));
}

}  // namespace

namespace {

// The state folder is the user's own before anything goes into it or out of
// it: made private when missing or loose, never used when it is a link or
// another user's. A damaged file in it shows whether a start touched it.
TEST(RecoveryFile, OnlyAFolderOfTheUsersOwnIsUsed) {
  struct Row {
    const char* what;
    // Sets up base/numino; false when the row cannot run here.
    bool (*arrange)(const std::string& base);
    const char* reason;  // of the failed write; "": written
  };
  const Row rows[] = {
      {"missing: made", [](const std::string&) { return true; }, ""},
      {"one's own, open to all: made private",
       [](const std::string& base) {
         return ::mkdir((base + "/numino").c_str(), 0777) == 0 &&
                ::chmod((base + "/numino").c_str(), 0777) == 0;
       },
       ""},
      {"a link to a folder of one's own",
       [](const std::string& base) {
         return ::mkdir((base + "/altrove").c_str(), 0700) == 0 &&
                ::symlink("altrove", (base + "/numino").c_str()) == 0;
       },
       "è un collegamento simbolico"},
      {"a link to nowhere",
       [](const std::string& base) { return ::symlink("manca", (base + "/numino").c_str()) == 0; },
       "è un collegamento simbolico"},
      {"a file", [](const std::string& base) { return Put(base + "/numino", ""), true; },
       "non è una cartella"},
      {"another user's, open to all",
       [](const std::string& base) {
         return ::geteuid() == 0 && ::mkdir((base + "/numino").c_str(), 0777) == 0 &&
                ::chmod((base + "/numino").c_str(), 0777) == 0 &&
                ::chown((base + "/numino").c_str(), 4321, 4321) == 0;
       },
       "appartiene a un altro utente"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    const TemporaryFolder base;
    if (!r.arrange(base.Path())) GTEST_SKIP() << r.what << ": needs root";
    const std::string numino = base.Path("numino");
    struct stat info {};
    const bool there = ::stat(numino.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    if (there) Put(numino + "/a.recovery", "numino-recovery 2\n");
    const std::vector<std::string> before = there ? Entries(numino) : std::vector<std::string>{};

    RecoveryFile file(numino);
    EXPECT_FALSE(file.TakeOrphan().has_value());
    const std::optional<std::string> failure = file.Write("lavoro");
    EXPECT_EQ(failure.value_or(""), r.reason);
    if (*r.reason != '\0') {
      EXPECT_FALSE(file.Exists());
      if (there) {
        EXPECT_EQ(Entries(numino), before) << "touched a folder that is not the user's own";
      }
      continue;
    }
    ASSERT_EQ(::lstat(numino.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_EQ(numino::testing::Get(file.Path()), "lavoro");
  }
}

}  // namespace
