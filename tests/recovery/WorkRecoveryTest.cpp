// When the recovery file of a document is written: soon after a change,
// never by the key itself, and not later for steady typing.
#include "recovery/WorkRecovery.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <variant>

#include "support/BoardSession.h"
#include "support/Disk.h"
#include "support/ManualTimer.h"

namespace {

using numino::testing::BoardSession;
using numino::testing::Entries;
using numino::testing::Get;
using numino::testing::ManualTimer;
using numino::testing::TemporaryFolder;

mode_t ModeOf(const std::string& path) {
  struct stat info = {};
  return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 0777 : 0;
}

TEST(WorkRecovery, TheFileFollowsTheWorkSoonButNeverWithTheKey) {
  const TemporaryFolder base;
  const std::string folder = base.Path("state/numino");
  BoardSession b;
  ManualTimer timer;
  WorkRecovery recovery(b.schema, folder, timer);

  b.Char('5');
  recovery.NoteChange();
  EXPECT_EQ(ModeOf(folder), 0u) << "written on the keystroke path";
  EXPECT_EQ(timer.Delay(), WorkRecovery::kDelay);
  // Steady typing does not put the write off: the timer is not restarted.
  for (int i = 0; i < 5; ++i) {
    b.Key(39);  // right
    recovery.NoteChange();
  }
  EXPECT_EQ(timer.starts, 1);

  ASSERT_TRUE(timer.Fire());
  const std::vector<std::string> files = Entries(folder);
  ASSERT_EQ(files.size(), 1u);
  const auto parsed = numino::recovery::Parse(Get(folder + "/" + files[0]));
  ASSERT_TRUE(std::holds_alternative<numino::recovery::Work>(parsed));
  EXPECT_EQ(std::get<numino::recovery::Work>(parsed), numino::recovery::WorkOf(b.schema));
  EXPECT_EQ(ModeOf(folder), 0700u);
  EXPECT_EQ(ModeOf(folder + "/" + files[0]), 0600u);
}

}  // namespace

namespace {

// A write that fails is told once and tried again, a few seconds later each
// time, until it works; a later fault is told again. A fault the window
// could not tell (the program was ending) is offered again.
TEST(WorkRecovery, AFailedWriteIsToldOnceAndTriedAgain) {
  const TemporaryFolder base;
  BoardSession b;
  ManualTimer timer;
  numino::testing::BreakingWrites calls;
  WorkRecovery recovery(b.schema, base.Path("numino"), timer, calls);
  int told = 0;
  bool tells = false;  // whether the window can tell the user now
  recovery.onFault = [&](const WorkRecovery::Fault& fault) {
    EXPECT_EQ(fault.folder + ": " + fault.reason,
              base.Path("numino") + ": spazio esaurito sul disco");
    told += tells;
    return tells;
  };
  const struct {
    bool full, tells;
    int told;
  } steps[] = {
      {true, false, 0}, {true, true, 1}, {true, true, 1}, {false, true, 1}, {true, true, 2}};
  b.Char('5');
  recovery.NoteChange();
  for (const auto& s : steps) {
    calls.failAt.reset();
    if (s.full) calls.failAt = numino::testing::BreakingWrites::Step::Write;
    calls.failWith = ENOSPC;
    tells = s.tells;
    ASSERT_TRUE(timer.Fire()) << "no write pending";
    EXPECT_EQ(told, s.told);
    EXPECT_EQ(recovery.Kept(), !s.full);
    EXPECT_EQ(timer.Delay(), s.full ? std::optional(WorkRecovery::kRetry) : std::nullopt);
    if (s.full) continue;
    b.Char('6');  // work again, for the next fault
    recovery.NoteChange();
  }
}

}  // namespace
