// The recovery file of the window's work: when it is written and removed,
// the question at start, and the answer to the end of the session. On the
// real file system, in a folder of the test's own.

#include <QCloseEvent>
#include <QDir>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <list>
#include <memory>
#include <string>
#include <variant>

#include "recovery/RecoveryFile.h"
#include "recovery/RecoveryFormat.h"
#include "recovery/WorkRecovery.h"
#include "support/FakePlatform.h"
#include "support/ManualTimer.h"
#include "support/ModelSnapshot.h"
#include "support/QtTestSupport.h"
#include "window/frmNumino.h"

namespace {

using numino::MessageAnswer;
using numino::MessageStyle;
using numino::testing::Entries;
using numino::testing::FakePlatform;
using numino::testing::Get;
using numino::testing::kPippoFile;
using numino::testing::ManualTimer;
using numino::testing::Put;
using numino::testing::TemporaryFolder;
using numino::testing::Trigger;

const std::string kPippo = "/home/anna/pippo.nmo";
const char* const kQuestion =
    "Numino non è stato chiuso correttamente. Recupero il lavoro non salvato?";

// A window keeping its recovery file in a folder below a fresh one, which
// does not exist until the first write.
struct Session {
  TemporaryFolder base;
  std::string folder = base.Path("state/numino");
  FakePlatform platform;
  std::list<ManualTimer> timers;  // each window's recovery timer, timed out by hand
  std::unique_ptr<frmNumino> window = NewWindow();
  ManualTimer& timer = timers.front();

  std::unique_ptr<frmNumino> NewWindow() {
    auto made = std::make_unique<frmNumino>(platform, QStringLiteral("Numino"));
    made->EnableRecovery(folder, timers.emplace_back());
    return made;
  }
  void Type(Qt::Key key) { QTest::keyClick(&window->Board(), key); }
  void RightClick(int row, int col) {
    QTest::mouseClick(&window->Board(), Qt::RightButton, {}, numino::testing::CellMiddle(row, col));
  }
  std::vector<std::string> Files() const { return Entries(folder); }
  // The one recovery file's work; fails the test when there is not exactly one.
  std::optional<numino::recovery::Work> OnDisk() const {
    const std::vector<std::string> files = Files();
    if (files.size() != 1) return std::nullopt;
    const auto parsed = numino::recovery::Parse(Get(folder + "/" + files.front()));
    if (!std::holds_alternative<numino::recovery::Work>(parsed)) return std::nullopt;
    return std::get<numino::recovery::Work>(parsed);
  }
  bool Close() {
    QCloseEvent event;
    QApplication::sendEvent(window.get(), &event);
    return event.isAccepted();
  }
};

TEST(WorkRecovery, TheFileGoesWhenNothingIsLeftToLose) {
  struct Row {
    const char* what;
    bool ruleOut;  // also a digit ruled out by hand, which no document keeps
    void (*command)(Session&);
    bool kept;
  };
  const Row rows[] = {
      {"a normal close, answered No", false,
       [](Session& s) {
         s.platform.messageAnswers = {MessageAnswer::No};
         EXPECT_TRUE(s.Close());
       },
       false},
      {"New, answered No", false,
       [](Session& s) {
         s.platform.messageAnswers = {MessageAnswer::No};
         Trigger(*s.window, "mnuNuovo");
       },
       false},
      {"Open of another document", true,
       [](Session& s) {
         s.platform.files[kPippo] = kPippoFile;
         s.platform.messageAnswers = {MessageAnswer::No};
         s.platform.openAnswers = {kPippo};
         Trigger(*s.window, "mnuApri");
       },
       false},
      {"a save of a document without hand exclusions", false,
       [](Session& s) {
         s.platform.saveAnswers = {kPippo};
         Trigger(*s.window, "mnuSalva");
       },
       false},
      {"a save, with digits ruled out by hand", true,
       [](Session& s) {
         s.platform.saveAnswers = {kPippo};
         Trigger(*s.window, "mnuSalva");
       },
       true},
      {"Cancel at the close", false,
       [](Session& s) {
         s.platform.messageAnswers = {MessageAnswer::Cancel};
         EXPECT_FALSE(s.Close());
       },
       true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    Session s;
    s.Type(Qt::Key_7);
    if (r.ruleOut) s.RightClick(9, 9);
    ASSERT_TRUE(s.timer.Fire());
    ASSERT_FALSE(s.Files().empty());
    r.command(s);  // the commands settle the file at once
    const auto work = s.OnDisk();
    EXPECT_EQ(work.has_value(), r.kept) << s.Files().size() << " files";
    if (work) {
      EXPECT_EQ(*work, numino::recovery::WorkOf(s.window->Schema()));
    }
  }
}

// A hand exclusion alone is work too: it is written, although the
// document is not modified and closing asks nothing.
TEST(WorkRecovery, RulingOutByHandAloneKeepsTheFileCurrent) {
  Session s;
  s.platform.files[kPippo] = kPippoFile;  // the current cell (1,1) holds a 5
  s.platform.openAnswers = {kPippo};
  Trigger(*s.window, "mnuApri");
  s.RightClick(5, 5);
  ASSERT_TRUE(s.timer.Fire());
  ASSERT_TRUE(s.OnDisk().has_value());
  EXPECT_EQ(s.OnDisk()->exclusions[5][5], 1 << 4);
  EXPECT_FALSE(s.OnDisk()->modified);
  EXPECT_EQ(s.OnDisk()->fileName, kPippo);
  s.RightClick(5, 5);
  ASSERT_TRUE(s.timer.Fire());
  EXPECT_TRUE(s.Files().empty());
}

TEST(WorkRecovery, TheStartOffersWorkThatNoRunningProgramHolds) {
  Session left;
  left.Type(Qt::Key_4);
  left.RightClick(9, 9);
  left.platform.saveAnswers = {kPippo};
  Trigger(*left.window, "mnuSalva");  // kept for the exclusion, with the name
  left.Type(Qt::Key_Down);
  left.Type(Qt::Key_6);
  ASSERT_TRUE(left.timer.Fire());
  ASSERT_TRUE(left.OnDisk() && left.OnDisk()->modified);
  const auto before = numino::recovery::WorkOf(left.window->Schema());

  // While its program runs, the file is nobody else's.
  const std::size_t shown = left.platform.messages.size();
  auto beside = left.NewWindow();
  EXPECT_EQ(beside->OfferRecovery(), frmNumino::Recovery::None);
  EXPECT_EQ(left.platform.messages.size(), shown) << "asked about a file that is held";
  beside.reset();

  struct Row {
    const char* what;
    MessageAnswer answer;
    bool restored;
  };
  const Row rows[] = {{"Yes brings the work back", MessageAnswer::Yes, true},
                      {"No deletes the file", MessageAnswer::No, false}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    // A copy of the file, as a killed program leaves it: on disk, unheld.
    Session next;
    QDir().mkpath(QString::fromStdString(next.folder));
    Put(next.folder + "/numino-1-1.recovery", numino::recovery::Format(before));
    next.platform.messageAnswers = {r.answer};
    EXPECT_EQ(next.window->OfferRecovery() == frmNumino::Recovery::Restored, r.restored);
    ASSERT_EQ(next.platform.messages.size(), 1u);
    EXPECT_EQ(next.platform.messages[0].text, kQuestion);
    EXPECT_EQ(next.platform.messages[0].title, "Numino");
    EXPECT_EQ(next.platform.messages[0].style, MessageStyle::YesNoQuestion);
    EXPECT_EQ(next.Files().size(), r.restored ? 1u : 0u);
    if (!r.restored) continue;
    EXPECT_EQ(numino::recovery::WorkOf(next.window->Schema()), before);
    EXPECT_EQ(next.window->windowTitle(), QStringLiteral("Numino - pippo"));
    // Taken over: a third program is not offered it.
    auto third = next.NewWindow();
    EXPECT_EQ(third->OfferRecovery(), frmNumino::Recovery::None);
    // Backspace goes on where the work stopped: the 6 goes again.
    next.Type(Qt::Key_Backspace);
    EXPECT_EQ(next.window->Schema().cellValues[2][1], 0);
  }
}

TEST(WorkRecovery, TheEndOfTheSessionAsksAsClosingDoes) {
  struct Row {
    const char* what;
    bool modified;
    bool interaction;
    MessageAnswer answer;
    std::optional<std::string> saveChoice;
    // Expected:
    bool sessionEnds;
    std::size_t prompts;
    std::vector<std::string> writes;
    bool fileAfterClose;      // the recovery file once the manager closes the window
    bool unwritable = false;  // the state folder cannot be made
  };
  const Row rows[] = {
      {"unmodified: nothing to ask", false, true, MessageAnswer::Cancel, {}, true, 0, {}, false},
      {"Cancel keeps the session", true, true, MessageAnswer::Cancel, {}, false, 1, {}, true},
      {"No lets it end, dropping the work", true, true, MessageAnswer::No, {}, true, 1, {}, false},
      {"Yes saves through the dialog",
       true,
       true,
       MessageAnswer::Yes,
       kPippo,
       true,
       1,
       {kPippo},
       false},
      {"Yes with the dialog cancelled keeps the session",
       true,
       true,
       MessageAnswer::Yes,
       {},
       false,
       1,
       {},
       true},
      {"no interaction: the work stays in the file",
       true,
       false,
       MessageAnswer::Cancel,
       {},
       true,
       0,
       {},
       true},
      // The manager hears that nothing was saved, and no box comes up.
      {"no interaction, and the work cannot be kept",
       true,
       false,
       MessageAnswer::Cancel,
       {},
       false,
       0,
       {},
       false,
       true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    Session s;
    if (r.modified) s.Type(Qt::Key_3);
    if (r.unwritable) Put(s.base.Path("state"), "");
    s.platform.messageAnswers = {r.answer};
    s.platform.saveAnswers = {r.saveChoice};
    bool asked = false;
    EXPECT_EQ(s.window->SessionMayEnd([&] { return asked = true, r.interaction; }), r.sessionEnds);
    EXPECT_EQ(asked, r.modified) << "asked for interaction without need";
    EXPECT_EQ(s.platform.messages.size(), r.prompts);
    EXPECT_EQ(s.platform.writes, r.writes);
    // The manager's "die" then tells the application to quit, which closes
    // the window: it asks only when the session was to go on.
    s.platform.messageAnswers = {MessageAnswer::Cancel};
    QEvent quit(QEvent::Quit);
    s.window->eventFilter(qApp, &quit);
    EXPECT_EQ(s.Close(), r.sessionEnds) << "the close after the session's end asked again";
    if (!r.sessionEnds) continue;
    EXPECT_EQ(s.Files().size(), r.fileAfterClose ? 1u : 0u);
  }
}

// The box names the folder and the reason, and comes once for a fault;
// a save first writes the change that the timer has not written yet.
TEST(WorkRecovery, AWorkThatCannotBeKeptIsToldAndASaveWaitsForTheFile) {
  Session s;
  Put(s.base.Path("state"), "");  // where the folder would be made
  s.Type(Qt::Key_5);
  ASSERT_TRUE(s.timer.Fire());
  ASSERT_TRUE(s.timer.Fire()) << "not tried again";
  ASSERT_EQ(s.platform.messages.size(), 1u);
  EXPECT_EQ(s.platform.messages[0].text,
            "Impossibile conservare il lavoro non salvato nella cartella " + s.folder +
                ": non è una cartella. Conviene salvare il documento.");
  EXPECT_EQ(s.platform.messages[0].title, "Numino");
  EXPECT_EQ(s.platform.messages[0].style, MessageStyle::OkExclamation);

  Session saving;
  saving.Type(Qt::Key_7);
  std::optional<std::string> atSave;
  saving.platform.whileWriting = [&] {
    atSave = saving.OnDisk() ? saving.OnDisk()->fileName : "-";
  };
  saving.platform.saveAnswers = {kPippo};
  Trigger(*saving.window, "mnuSalva");
  EXPECT_EQ(atSave, "") << "the 7 was not in the recovery file when the save began";
}

}  // namespace
