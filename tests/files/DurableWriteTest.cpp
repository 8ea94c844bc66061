// The durable write over the real file system: a failure at any step
// leaves the old file whole and no temporary file, and whatever lies at a
// temporary file's name is stepped round, never opened.
#include "files/DurableWrite.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/Disk.h"

namespace {

using numino::testing::BreakingWrites;
using numino::testing::Entries;
using numino::testing::Get;
using numino::testing::Put;
using numino::testing::TemporaryFolder;
using Step = DurableOutcome::Step;

DurableOutcome WriteNew(const TemporaryFolder& dir, WriteCalls& calls, bool prepared = true) {
  const Descriptor folder(::open(dir.Path().c_str(), O_RDONLY | O_DIRECTORY));
  return WriteDurably(
      calls, folder.Get(), "pippo.nmo", "nuovo", 0600,
      [prepared](int) { return prepared || (errno = EPERM, false); }, false);
}

TEST(WriteDurably, AFailureAtAnyStepKeepsTheOldFileAndLeavesNoTemporary) {
  struct Row {
    std::optional<Step> step;
    int error;
    const char* after;  // what the target holds afterwards
  };
  const Row rows[] = {
      {std::nullopt, 0, "nuovo"},        {Step::Create, EACCES, "vecchio"},
      {Step::Prepare, EPERM, "vecchio"}, {Step::Write, ENOSPC, "vecchio"},
      {Step::Sync, EIO, "vecchio"},      {Step::Rename, EXDEV, "vecchio"},
      {Step::SyncFolder, EIO, "nuovo"},  // in place, but not confirmed
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.step ? static_cast<int>(*r.step) : -1);
    const TemporaryFolder dir;
    Put(dir.Path("pippo.nmo"), "vecchio");
    BreakingWrites calls;
    if (r.step != Step::Prepare) calls.failAt = r.step;
    calls.failWith = r.error;
    const DurableOutcome outcome = WriteNew(dir, calls, r.step != Step::Prepare);
    EXPECT_EQ(outcome.failed, r.step);
    EXPECT_EQ(outcome.error, r.error);
    EXPECT_EQ(outcome.Replaced(), !r.step || r.step == Step::SyncFolder);
    EXPECT_EQ(Get(dir.Path("pippo.nmo")), r.after);
    EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"pippo.nmo"}) << "a temporary left";
  }
}

TEST(WriteDurably, WhatLiesAtATemporaryNameIsSteppedRound) {
  const std::string first = ".numino-" + std::to_string(::getpid()) + "-0";
  struct Row {
    const char* what;
    int (*make)(const char* path);
  };
  const Row rows[] = {
      {"a pipe, which an open would wait on", [](const char* path) { return mkfifo(path, 0600); }},
      {"a link to another file", [](const char* path) { return symlink("altro", path); }},
      {"a link to nowhere", [](const char* path) { return symlink("manca", path); }},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    const TemporaryFolder dir;
    Put(dir.Path("altro"), "altro");
    ASSERT_EQ(r.make(dir.Path(first).c_str()), 0);
    struct stat before {};
    ASSERT_EQ(::lstat(dir.Path(first).c_str(), &before), 0);
    EXPECT_FALSE(WriteNew(dir, SystemWriteCalls()).failed);
    EXPECT_EQ(Get(dir.Path("pippo.nmo")), "nuovo");
    EXPECT_EQ(Get(dir.Path("altro")), "altro");
    struct stat after {};
    ASSERT_EQ(::lstat(dir.Path(first).c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "the obstacle was replaced";
    EXPECT_EQ(Entries(dir.Path()).size(), 3u) << "a temporary left";
  }
}

}  // namespace
