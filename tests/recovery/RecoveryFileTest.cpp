// What a start finds in the recovery folder: only the newest sound file is
// taken, damaged ones are set aside, and nothing else is touched.
#include "recovery/RecoveryFile.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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
    EXPECT_FALSE(file.TakeOrphan().has_value());
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

// A clean close never reads as a crash: a recovery file that cannot be
// deleted is emptied, and one whose work its document holds is never
// offered; both go at the next start.
TEST(RecoveryFile, WhatAStartMustNotOfferIsDeletedOnceItCanBe) {
  using Step = DurableOutcome::Step;
  struct Row {
    const char* what;
    std::vector<Step> failing;  // with EPERM, in Remove
    const char* reason;         // Remove's; nullptr: the program saved, then was killed
  };
  const Row rows[] = {
      {"deleted", {}, ""},
      {"not deletable: emptied", {Step::Unlink}, ""},
      {"the folder not synced: emptied", {Step::SyncFolder}, ""},
      {"emptied, but not surely", {Step::Unlink, Step::Sync}, "permesso negato"},
      {"saved, then killed", {}, nullptr},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    const TemporaryFolder folder;
    numino::testing::FakePlatform platform;
    numino::NuminoSchema schema(platform);
    schema.SetBuffer(1, 1, 4, false);
    schema.fileName = folder.Path("partita.nmo");
    Put(schema.fileName, numino::nmo::Format(schema.cellValues));
    numino::testing::BreakingWrites calls;
    calls.failWith = EPERM;
    {
      RecoveryFile file(folder.Path("numino"), calls);
      ASSERT_EQ(file.Write(numino::recovery::Format(numino::recovery::WorkOf(schema))),
                std::nullopt);
      calls.before = [&](Step step) {
        if (std::find(r.failing.begin(), r.failing.end(), step) != r.failing.end()) {
          calls.failAt = step;
        }
      };
      if (r.reason) {
        EXPECT_EQ(file.Remove().value_or(""), r.reason);
      }
    }
    calls.failAt.reset();
    EXPECT_FALSE(RecoveryFile(folder.Path("numino")).TakeOrphan().has_value());
    EXPECT_EQ(Entries(folder.Path("numino")), std::vector<std::string>());
  }
}

}  // namespace
