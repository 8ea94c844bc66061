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

using numino::testing::Entries;
using numino::testing::Get;
using Step = DurableOutcome::Step;

TEST(WriteDurably, AFailureAtAnyStepKeepsTheOldFileAndWhatLiesInTheWayStays) {
  const std::string first = ".numino-" + std::to_string(::getpid()) + "-0";
  struct Row {
    const char* what;
    std::optional<Step> step;           // the step that fails, with EIO
    int (*obstacle)(const char* path);  // what lies at the first temporary name
    const char* after;                  // what the target holds afterwards
  };
  const Row rows[] = {
      {"all goes well", std::nullopt, nullptr, "nuovo"},
      {"no new file", Step::Create, nullptr, "vecchio"},
      {"not prepared", Step::Prepare, nullptr, "vecchio"},
      {"the disk full", Step::Write, nullptr, "vecchio"},
      {"no sync", Step::Sync, nullptr, "vecchio"},
      {"no rename", Step::Rename, nullptr, "vecchio"},
      {"the folder unsynced: in place, not confirmed", Step::SyncFolder, nullptr, "nuovo"},
      {"a pipe, which an open would wait on", std::nullopt,
       [](const char* path) { return mkfifo(path, 0600); }, "nuovo"},
      {"a link to the target", std::nullopt,
       [](const char* path) { return symlink("pippo.nmo", path); }, "nuovo"},
      {"a link to nowhere", std::nullopt, [](const char* path) { return symlink("manca", path); },
       "nuovo"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    const numino::testing::TemporaryFolder dir;
    numino::testing::Put(dir.Path("pippo.nmo"), "vecchio");
    std::vector<std::string> left = {"pippo.nmo"};
    struct stat in = {};
    if (r.obstacle) {
      ASSERT_EQ(r.obstacle(dir.Path(first).c_str()), 0);
      ASSERT_EQ(::lstat(dir.Path(first).c_str(), &in), 0);
      left.insert(left.begin(), first);
    }
    numino::testing::BreakingWrites calls;
    if (r.step != Step::Prepare) calls.failAt = r.step;
    const Descriptor folder(::open(dir.Path().c_str(), O_RDONLY | O_DIRECTORY));
    const DurableOutcome outcome = WriteDurably(
        calls, folder.Get(), "pippo.nmo", "nuovo", 0600,
        [&r](int) { return r.step != Step::Prepare || (errno = EIO, false); }, false);
    EXPECT_EQ(outcome.failed, r.step);
    EXPECT_EQ(outcome.error, r.step ? EIO : 0);
    EXPECT_EQ(outcome.Replaced(), !r.step || r.step == Step::SyncFolder);
    EXPECT_EQ(Get(dir.Path("pippo.nmo")), r.after);
    EXPECT_EQ(Entries(dir.Path()), left) << "a temporary file left behind";
    struct stat out = {};
    if (r.obstacle) {
      ASSERT_EQ(::lstat(dir.Path(first).c_str(), &out), 0);
      EXPECT_EQ(out.st_ino, in.st_ino) << "what lay in the way was replaced";
    }
  }
}

}  // namespace
