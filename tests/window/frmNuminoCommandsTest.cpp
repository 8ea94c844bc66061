#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/FakePlatform.h"
#include "support/QtTestSupport.h"
#include "window/frmNumino.h"

namespace {

using numino::MessageAnswer;
using numino::MessageStyle;
using numino::testing::FakePlatform;
using numino::testing::kPippoFile;
using numino::testing::Trigger;

const std::string kPippo = "/home/anna/pippo.nmo";
const std::string kNuovo = "/home/anna/nuovo.nmo";

// The window with a fresh record of what the platform showed.
struct Session {
  FakePlatform platform;
  std::unique_ptr<frmNumino> window;

  // named: pippo.nmo opened through "Apri..." first.
  explicit Session(bool named) {
    window = std::make_unique<frmNumino>(platform, QStringLiteral("Numino"));
    if (named) {
      platform.files[kPippo] = kPippoFile;
      platform.openAnswers.push_back(kPippo);
      Trigger(*window, "mnuApri");
    }
    Forget();
  }
  void Forget() {
    platform.messages.clear();
    platform.openRequests.clear();
    platform.saveRequests.clear();
    platform.writes.clear();
  }
  numino::NuminoSchema& Schema() { return window->Schema(); }
  std::string Title() const { return window->windowTitle().toStdString(); }
  std::size_t Count(const char* text) const {
    std::size_t n = 0;
    for (const auto& m : platform.messages) n += m.text == text ? 1 : 0;
    return n;
  }
};

struct PromptCase {
  const char* what;
  bool named;
  bool valuesChanged;  // else only an exclusion was toggled
  std::vector<MessageAnswer> answers;
  std::optional<std::string> saveChoice;  // what the save dialog answers
  bool writeFails;
  // Expected:
  std::size_t prompts;
  std::size_t saveDialogs;
  std::vector<std::string> writes;
  bool goesOn;
  const char* titleIfStopped;
};

// One case a line, as the table reads best.
// clang-format off
const PromptCase kPromptCases[] = {
    {"only exclusions changed: nothing to ask", false, false, {}, {}, false,
     0, 0, {}, true, nullptr},
    {"Cancel stops", true, true, {MessageAnswer::Cancel}, {}, false,
     1, 0, {}, false, "Numino - pippo"},
    {"No drops the changes", true, true, {MessageAnswer::No}, {}, false,
     1, 0, {}, true, nullptr},
    {"Yes on a named document writes it without a dialog", true, true, {MessageAnswer::Yes}, {},
     false, 1, 0, {kPippo}, true, nullptr},
    {"Yes on an unnamed document asks for a name", false, true, {MessageAnswer::Yes}, kNuovo,
     false, 1, 1, {kNuovo}, true, nullptr},
    {"Yes, then the save dialog dismissed, stops", false, true, {MessageAnswer::Yes}, std::nullopt,
     false, 1, 1, {}, false, "Numino - (Senza nome)"},
    {"Yes, then a failed write, stops", true, true, {MessageAnswer::Yes}, {}, true,
     1, 0, {kPippo}, false, "Numino - pippo"},
    {"Yes, a new name, a failed write: stops, still unnamed", false, true,
     {MessageAnswer::Yes}, kNuovo, true, 1, 1, {kNuovo}, false, "Numino - (Senza nome)"},
};
// clang-format on

// Runs one command in each prompt case and checks whether it went on.
void CheckPromptPaths(const char* command, void (*run)(frmNumino&), bool (*wentOn)(Session&)) {
  for (const PromptCase& c : kPromptCases) {
    SCOPED_TRACE(testing::Message() << command << ": " << c.what);
    Session s(c.named);
    s.window->show();
    if (c.valuesChanged) {
      s.Schema().SetBuffer(4, 4, 7, false);
    } else {
      s.Schema().ToggleUserExclusion(4, 4, 7);
    }
    const std::string titleBefore = s.Title();
    const auto historyBefore = s.Schema().history.size();
    s.platform.messageAnswers.assign(c.answers.begin(), c.answers.end());
    if (c.saveChoice || c.saveDialogs > 0) s.platform.saveAnswers.push_back(c.saveChoice);
    if (c.writeFails) {
      s.platform.failingWrites[c.named ? kPippo : kNuovo] = "spazio esaurito sul disco";
    }

    run(*s.window);

    EXPECT_EQ(s.Count("Salvo i dati?"), c.prompts);
    if (c.prompts > 0) {
      EXPECT_EQ(s.platform.messages[0].title, titleBefore) << "the prompt bears the window's title";
      EXPECT_EQ(s.platform.messages[0].style, MessageStyle::YesNoCancelQuestion);
    }
    EXPECT_EQ(s.platform.saveRequests.size(), c.saveDialogs);
    EXPECT_EQ(s.platform.writes, c.writes);
    if (c.writeFails) {
      ASSERT_EQ(s.platform.messages.size(), 2u);
      const auto& error = s.platform.messages[1];
      EXPECT_EQ(error.text, "Impossibile salvare il file " + *std::prev(c.writes.end()) +
                                ": spazio esaurito sul disco.");
      EXPECT_EQ(error.title, "Salvataggio dati");
      EXPECT_EQ(error.style, MessageStyle::OkExclamation);
    } else {
      EXPECT_EQ(s.platform.messages.size(), c.prompts) << "nothing else is shown";
    }

    EXPECT_EQ(wentOn(s), c.goesOn);
    if (!c.goesOn) {
      EXPECT_EQ(s.Title(), c.titleIfStopped);
      EXPECT_EQ(s.Schema().cellValues[4][4], 7);
      EXPECT_TRUE(s.Schema().Modified());
      EXPECT_EQ(s.Schema().history.size(), historyBefore);
      EXPECT_TRUE(s.window->isVisible());
    }
  }
}

TEST(SavePrompt, BeforeNew) {
  CheckPromptPaths(
      "Nuovo", [](frmNumino& w) { Trigger(w, "mnuNuovo"); },
      [](Session& s) {
        return s.Schema().cellValues[4][4] == 0 && s.Schema().fileName.empty() &&
               s.Title() == "Numino - (Senza nome)";
      });
}

TEST(SavePrompt, BeforeOpen) {
  CheckPromptPaths(
      "Apri", [](frmNumino& w) { Trigger(w, "mnuApri"); },
      [](Session& s) { return s.platform.openRequests.size() == 1; });
}

TEST(SavePrompt, BeforeClosing) {
  CheckPromptPaths(
      "close", [](frmNumino& w) { w.close(); }, [](Session& s) { return !s.window->isVisible(); });
  CheckPromptPaths(
      "Esci", [](frmNumino& w) { Trigger(w, "mnuEsci"); },
      [](Session& s) { return !s.window->isVisible(); });
}

TEST(Commands, NewEmptiesRetitlesAndRedraws) {
  Session s(true);
  s.Schema().currentRow = 5;
  Trigger(*s.window, "mnuNuovo");
  EXPECT_EQ(s.Title(), "Numino - (Senza nome)");
  EXPECT_EQ(s.Schema().cellValues[1][1], 0);
  EXPECT_EQ(s.Schema().cellValues[9][9], 0);
  EXPECT_FALSE(s.Schema().Modified());

  FakePlatform otherPlatform;
  frmNumino fresh(otherPlatform, QStringLiteral("Numino"));
  EXPECT_EQ(s.window->Board().Surface().Image(), fresh.Board().Surface().Image())
      << "the board shows the empty grid";
}

TEST(Commands, OpenLoadsRetitlesAndRedraws) {
  Session s(false);
  const QImage before = s.window->Board().Surface().Image();
  s.platform.files["/home/anna/altro.schema.nmo"] = kPippoFile;
  s.platform.openAnswers.push_back("/home/anna/altro.schema.nmo");
  Trigger(*s.window, "mnuApri");
  EXPECT_EQ(s.Title(), "Numino - altro.schema");
  EXPECT_EQ(s.Schema().cellValues[9][9], 9);
  EXPECT_NE(s.window->Board().Surface().Image(), before) << "the digits are drawn";
  EXPECT_TRUE(s.platform.messages.empty());
}

TEST(Commands, OpenOfABadFileTellsWhyAndKeepsTheDocument) {
  struct Row {
    const char* what;
    const char* contents;  // nullptr: the read itself fails
    const char* reason;    // nullptr: whatever the reader says
  };
  const Row rows[] = {
      {"unreadable", nullptr, "permesso negato"},
      {"not a document", "12345678x\r\n", nullptr},
  };
  const std::string bad = "/home/anna/rotto.nmo";
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    Session s(true);
    s.Schema().SetBuffer(2, 2, 3, false);
    s.Schema().Refresh(s.window->Board().Surface());
    const QImage before = s.window->Board().Surface().Image();
    if (r.contents) {
      s.platform.files[bad] = r.contents;
    } else {
      s.platform.failingReads[bad] = r.reason;
    }
    s.platform.messageAnswers = {MessageAnswer::No};
    s.platform.openAnswers.push_back(bad);

    Trigger(*s.window, "mnuApri");

    ASSERT_EQ(s.platform.messages.size(), 2u) << "the prompt, then one error";
    const auto& error = s.platform.messages[1];
    const std::string start = "Impossibile aprire il file " + bad + ": ";
    EXPECT_EQ(error.text.substr(0, start.size()), start);
    if (r.reason) {
      EXPECT_EQ(error.text, start + r.reason + ".");
    }
    EXPECT_EQ(error.text.back(), '.');
    EXPECT_EQ(error.title, "Caricamento dati");
    EXPECT_EQ(error.style, MessageStyle::OkExclamation);
    EXPECT_EQ(s.Title(), "Numino - pippo");
    EXPECT_EQ(s.Schema().fileName, kPippo);
    EXPECT_EQ(s.Schema().cellValues[2][2], 3);
    EXPECT_TRUE(s.Schema().Modified());
    EXPECT_EQ(s.window->Board().Surface().Image(), before);
  }
}

TEST(Commands, OpenAnsweredNoThenDismissedKeepsTheChanges) {
  Session s(false);
  s.Schema().SetBuffer(1, 1, 8, false);
  s.platform.messageAnswers = {MessageAnswer::No};
  Trigger(*s.window, "mnuApri");
  EXPECT_EQ(s.platform.openRequests.size(), 1u);
  EXPECT_EQ(s.Schema().cellValues[1][1], 8);
  EXPECT_TRUE(s.Schema().Modified());
}

TEST(Commands, SaveAlwaysWritesANamedDocument) {
  Session s(true);
  Trigger(*s.window, "mnuSalva");
  EXPECT_EQ(s.platform.writes, std::vector<std::string>{kPippo}) << "even when nothing changed";
  EXPECT_TRUE(s.platform.saveRequests.empty());
  EXPECT_TRUE(s.platform.messages.empty());
}

TEST(Commands, SaveAsRetitles) {
  Session s(true);
  s.platform.saveAnswers.push_back("/home/anna/altro.nmo");
  Trigger(*s.window, "mnuSalvaConNome");
  ASSERT_EQ(s.platform.saveRequests.size(), 1u) << "asked although the document has a name";
  EXPECT_EQ(s.platform.saveRequests[0].initialFile, kPippo);
  EXPECT_EQ(s.platform.writes, std::vector<std::string>{"/home/anna/altro.nmo"});
  EXPECT_EQ(s.Title(), "Numino - altro");
  EXPECT_FALSE(s.Schema().Modified());
}

TEST(Commands, FailedSaveTellsWhyAndLeavesTheDocumentUnnamed) {
  Session s(false);
  s.Schema().SetBuffer(1, 1, 8, false);
  s.platform.saveAnswers.push_back(kNuovo);
  s.platform.failingWrites[kNuovo] = "permesso negato";
  Trigger(*s.window, "mnuSalva");
  ASSERT_EQ(s.platform.messages.size(), 1u);
  EXPECT_EQ(s.platform.messages[0].text,
            "Impossibile salvare il file /home/anna/nuovo.nmo: permesso negato.");
  EXPECT_EQ(s.platform.messages[0].title, "Salvataggio dati");
  EXPECT_EQ(s.Title(), "Numino - (Senza nome)");
  EXPECT_EQ(s.Schema().fileName, "");
  EXPECT_TRUE(s.Schema().Modified());
}

TEST(Commands, AboutBox) {
  Session s(false);
  Trigger(*s.window, "mnuInfo");
  ASSERT_EQ(s.platform.messages.size(), 1u);
  EXPECT_EQ(s.platform.messages[0].title, "Informazioni su Numino");
  EXPECT_EQ(s.platform.messages[0].style, MessageStyle::OkInformation);
  EXPECT_EQ(s.platform.messages[0].text,
            "Numino.exe\r\nL'assistente per la risoluzione di numino.\r\n\r\n"
            "Gli sviluppatori di Numino, 2026\r\nfile:///usr/share/doc/numino/README.md");
}

TEST(Commands, TitleShowsANameHoldingQtsModifiedMark) {
  Session s(false);
  s.platform.saveAnswers.push_back("/home/anna/a[*]b.nmo");
  Trigger(*s.window, "mnuSalva");
  s.window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(s.window.get()));
  EXPECT_EQ(s.window->windowHandle()->title(), QStringLiteral("Numino - a[*]b"));
}

}  // namespace
