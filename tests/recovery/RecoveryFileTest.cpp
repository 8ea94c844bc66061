// What a start finds in the recovery folder: only the newest sound file is
// taken, damaged ones are set aside, and nothing else is touched.
#include "recovery/RecoveryFile.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include "support/Disk.h"
#include "support/FakePlatform.h"

namespace {

using numino::testing::Entries;
using numino::testing::Put;
using numino::testing::TemporaryFolder;

void SetTime(const std::string& path, time_t seconds) {
  const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
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
  Put(folder.Path(".d.recovery.tmp"), "half");  // a write cut short by a crash
  Put(folder.Path("notes.txt"), "not ours to touch");
  SetTime(folder.Path("a.recovery"), 2000000000);
  SetTime(folder.Path("b.recovery"), 1000000000);

  RecoveryFile file(folder.Path());
  const auto work = file.TakeOrphan();
  ASSERT_TRUE(work.has_value());
  EXPECT_EQ(work->cells[2][2], 2) << "not the newest";
  EXPECT_EQ(file.Path(), folder.Path("a.recovery"));
  EXPECT_EQ(Entries(folder.Path()), (std::vector<std::string>{"a.recovery", "b.recovery",
                                                              "c.recovery.damaged", "notes.txt"}));
}

}  // namespace
