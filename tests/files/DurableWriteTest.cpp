// The durable write over the real file system: a failure at any step
// leaves the old file whole and no temporary file.
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

TEST(WriteDurably, AFailureAtAnyStepKeepsTheOldFile) {
  struct Row {
    const char* what;
    std::optional<Step> step;  // the step that fails, with EIO
    const char* after;         // what the target holds afterwards
  };
  const Row rows[] = {
      {"all goes well", std::nullopt, "nuovo"},
      {"no new file", Step::Create, "vecchio"},
      {"not prepared", Step::Prepare, "vecchio"},
      {"the disk full", Step::Write, "vecchio"},
      {"no sync", Step::Sync, "vecchio"},
      {"no rename", Step::Rename, "vecchio"},
      {"the folder unsynced: in place, not confirmed", Step::SyncFolder, "nuovo"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    const numino::testing::TemporaryFolder dir;
    numino::testing::Put(dir.Path("pippo.nmo"), "vecchio");
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
    EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"pippo.nmo"})
        << "a temporary file left behind";
  }
}

}  // namespace
