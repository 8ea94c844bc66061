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
  struct stat info {};
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
