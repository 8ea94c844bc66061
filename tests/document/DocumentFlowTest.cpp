#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/DocumentTexts.h"
#include "model/NuminoSchema.h"
#include "support/FakePlatform.h"
#include "support/Grids.h"
#include "support/RasterSurface.h"

namespace numino {
namespace {

using testing::FakePlatform;
using testing::RasterSurface;

constexpr const char* kOld = "/home/anna/vecchio.nmo";
constexpr const char* kNew = "/home/anna/nuovo.nmo";
const std::vector<bool> kBusyOnOff = {true, false};

std::string EmptyFile() { return testing::Repeat("000000000\r\n", 9); }

void ExpectDialogBasics(const FileDialogRequest& request, const char* title) {
  EXPECT_EQ(request.title, title);
  EXPECT_EQ(request.filterDescription, "Documento NMO (*.nmo)");
  EXPECT_EQ(request.filterPattern, "*.nmo");
  EXPECT_EQ(request.defaultExtension, "nmo");
  EXPECT_EQ(request.initialFolder, "/home/anna/Documenti");
}

struct Document {
  FakePlatform platform;
  NuminoSchema schema{platform};

  Document() { platform.documentFolder = "/home/anna/Documenti"; }
  // A named document, as read from its file, with a change not yet saved.
  void Named() {
    schema.fileName = kOld;
    platform.files[kOld] = EmptyFile();
    schema.fileStamp = platform.StampOf(kOld);
    schema.SetBuffer(1, 1, 5, false);
  }
};

TEST(Save, AnUnnamedDocumentAsksForANameStartingEmpty) {
  Document d;
  d.schema.SetBuffer(2, 2, 4, false);
  d.platform.saveAnswers.push_back(kNew);
  EXPECT_EQ(d.schema.Save(false), SaveOutcome::Written);
  ASSERT_EQ(d.platform.saveRequests.size(), 1u);
  ExpectDialogBasics(d.platform.saveRequests[0], "Salvataggio dati");
  EXPECT_EQ(d.platform.saveRequests[0].initialFile, "");
  EXPECT_EQ(d.platform.folderQueries, std::vector<std::string>{""}) << "no document folder";
  EXPECT_FALSE(d.platform.saveRequests[0].existingFilesOnly);
  EXPECT_TRUE(d.platform.messages.empty()) << "no file of that name yet";
  EXPECT_EQ(d.schema.fileName, kNew);
  EXPECT_FALSE(d.schema.Modified());
  EXPECT_EQ(d.platform.files[kNew].substr(0, 11), "000000000\r\n");
  EXPECT_EQ(d.platform.files[kNew].substr(11, 11), "040000000\r\n");
}

TEST(Save, CancellingTheDialogChangesNothing) {
  Document d;
  d.schema.SetBuffer(2, 2, 4, false);
  EXPECT_EQ(d.schema.Save(false), SaveOutcome::Cancelled);
  EXPECT_TRUE(d.platform.writes.empty());
  EXPECT_EQ(d.schema.fileName, "");
  EXPECT_TRUE(d.schema.Modified());
  EXPECT_TRUE(d.platform.busyChanges.empty());
}

TEST(Save, ANamedDocumentIsWrittenWithoutAnyQuestion) {
  Document d;
  d.Named();
  EXPECT_EQ(d.schema.Save(false), SaveOutcome::Written);
  EXPECT_TRUE(d.platform.saveRequests.empty());
  EXPECT_TRUE(d.platform.messages.empty());
  EXPECT_EQ(d.platform.writes, std::vector<std::string>{kOld});
  EXPECT_EQ(d.platform.files[kOld].substr(0, 11), "500000000\r\n");
  EXPECT_FALSE(d.schema.Modified());
  EXPECT_EQ(d.platform.busyChanges, kBusyOnOff);
}

// "Salva" looks at the file again before writing over it; "Salva con
// nome..." has its own overwrite question and asks nothing more. What a
// real file system does to a file is in the window's tests; here, what
// only a made-up stamp shows.
TEST(Save, AsksBeforeWritingOverAFileChangedElsewhere) {
  struct Row {
    const char* why;
    void (*meanwhile)(FileStamp&);  // what happens to the file's stamp
    bool forgotten;                 // the document holds no stamp
    bool askName;
    MessageAnswer answer;
    std::string question;  // empty: none
  };
  const std::string changed =
      "Il file /home/anna/vecchio.nmo è stato modificato da un altro programma. Lo sovrascrivo?";
  const auto grown = [](FileStamp& f) { f.size += 1; };
  // clang-format off
  const Row rows[] = {
      {"only its time moved, by a nanosecond; No",
       [](FileStamp& f) { f.modifiedNanoseconds += 1; }, false, false, MessageAnswer::No, changed},
      {"another disk took its place; Yes", [](FileStamp& f) { f.device += 1; },
       false, false, MessageAnswer::Yes, changed},
      {"no stamp to compare with", grown, true, false, MessageAnswer::No, ""},
      {"Save As onto the same name asks only whether to overwrite", grown, false, true,
       MessageAnswer::Yes, "Il file /home/anna/vecchio.nmo esiste già. Lo sovrascrivo?"},
  };
  // clang-format on
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    Document d;
    d.Named();
    r.meanwhile(d.platform.stamps[kOld]);
    if (r.forgotten) d.schema.fileStamp.reset();
    if (r.askName) d.platform.saveAnswers.push_back(kOld);
    d.platform.messageAnswers.push_back(r.answer);
    const bool written = r.question.empty() || r.answer == MessageAnswer::Yes;

    EXPECT_EQ(d.schema.Save(r.askName), written ? SaveOutcome::Written : SaveOutcome::Cancelled);
    ASSERT_EQ(d.platform.messages.size(), r.question.empty() ? 0u : 1u);
    if (!r.question.empty()) {
      EXPECT_EQ(d.platform.messages[0].text, r.question);
      EXPECT_EQ(d.platform.messages[0].title, "Salvataggio dati");
      EXPECT_EQ(d.platform.messages[0].style, MessageStyle::YesNoQuestion);
    }
    EXPECT_EQ(d.schema.Modified(), !written);
    EXPECT_EQ(d.platform.writes.size(), written ? 1u : 0u);
    if (written) {
      d.schema.SetBuffer(2, 2, 6, false);
      EXPECT_EQ(d.schema.Save(false), SaveOutcome::Written) << "its own write changes nothing";
      EXPECT_EQ(d.platform.messages.size(), r.question.empty() ? 0u : 1u);
    }
  }
}

TEST(Save, SaveAsStartsFromTheCurrentPathAndAsksBeforeOverwriting) {
  Document d;
  d.Named();
  d.platform.saveAnswers.push_back(kOld);
  d.platform.messageAnswers.push_back(MessageAnswer::Yes);
  EXPECT_EQ(d.schema.Save(true), SaveOutcome::Written);
  ASSERT_EQ(d.platform.saveRequests.size(), 1u);
  ExpectDialogBasics(d.platform.saveRequests[0], "Salvataggio dati");
  EXPECT_EQ(d.platform.saveRequests[0].initialFile, kOld);
  ASSERT_EQ(d.platform.messages.size(), 1u);
  EXPECT_EQ(d.platform.messages[0].text,
            "Il file /home/anna/vecchio.nmo esiste già. Lo sovrascrivo?");
  EXPECT_EQ(d.platform.messages[0].title, "Salvataggio dati");
  EXPECT_EQ(d.platform.messages[0].style, MessageStyle::YesNoQuestion);
  EXPECT_EQ(d.platform.files[kOld].substr(0, 11), "500000000\r\n");
}

TEST(Save, DecliningTheOverwriteBringsTheDialogBack) {
  Document d;
  d.Named();
  d.platform.files[kNew] = "il vecchio contenuto";
  d.platform.saveAnswers.push_back(kNew);
  d.platform.messageAnswers.push_back(MessageAnswer::No);
  // The dialog's second showing is cancelled.
  EXPECT_EQ(d.schema.Save(true), SaveOutcome::Cancelled);
  ASSERT_EQ(d.platform.saveRequests.size(), 2u);
  EXPECT_EQ(d.platform.saveRequests[1].initialFile, kNew) << "back with the name just chosen";
  ExpectDialogBasics(d.platform.saveRequests[1], "Salvataggio dati");
  EXPECT_EQ(d.schema.fileName, kOld);
  EXPECT_TRUE(d.schema.Modified());
  EXPECT_TRUE(d.platform.writes.empty());
  EXPECT_EQ(d.platform.files[kNew], "il vecchio contenuto");
}

TEST(Save, DecliningThenChoosingAnotherNameWritesThatOne) {
  Document d;
  d.Named();
  d.platform.files[kNew] = "il vecchio contenuto";
  d.platform.saveAnswers = {kNew, "/home/anna/terzo.nmo"};
  d.platform.messageAnswers.push_back(MessageAnswer::No);
  EXPECT_EQ(d.schema.Save(true), SaveOutcome::Written);
  EXPECT_EQ(d.schema.fileName, "/home/anna/terzo.nmo");
  EXPECT_EQ(d.platform.files[kNew], "il vecchio contenuto");
  EXPECT_EQ(d.platform.messages.size(), 1u);
}

TEST(Save, SaveAsToAShorterNameKeepsNothingOfTheOldOne) {
  Document d;
  d.schema.fileName = "/home/anna/un nome piuttosto lungo.nmo";
  d.platform.saveAnswers.push_back("/a.nmo");
  EXPECT_EQ(d.schema.Save(true), SaveOutcome::Written);
  EXPECT_EQ(d.schema.fileName, "/a.nmo");
  EXPECT_EQ(d.schema.GetFileName(), "a");
}

// A failed "Salva con nome" used to leave the document named after a file
// that was never written, so that closing an unmodified document asked
// nothing although no file held it under that name.
TEST(Save, AFailedSaveAsNamedTheDocumentAfterAFileNeverWritten) {
  Document d;
  d.Named();
  d.schema.modifiedFlag = false;
  d.platform.files[kNew] = "il vecchio contenuto";
  d.platform.failingWrites[kNew] = "permesso negato";
  d.platform.saveAnswers.push_back(kNew);
  d.platform.messageAnswers.push_back(MessageAnswer::Yes);
  try {
    d.schema.Save(true);
    FAIL() << "the write failure must reach the caller";
  } catch (const FileError& error) {
    EXPECT_EQ(error.Path(), kNew);
    EXPECT_EQ(error.Reason(), "permesso negato");
  }
  EXPECT_EQ(d.platform.files[kNew], "il vecchio contenuto");
  EXPECT_EQ(d.schema.fileName, kOld);
  EXPECT_EQ(d.schema.fileStamp, d.platform.StampOf(kOld));
  EXPECT_FALSE(d.schema.Modified()) << "as it was";
  EXPECT_EQ(d.platform.busyChanges, kBusyOnOff) << "the pointer comes back after a failure";
}

TEST(Save, KeepsTheHistorySoUndoMakesTheDocumentModifiedAgain) {
  Document d;
  RasterSurface frm;
  d.schema.Refresh(frm);
  d.schema.ProcessInput(frm, '3', 0, 0, 0, 0);
  d.schema.ProcessInput(frm, 0, 0, 2, 100, 100);  // an exclusion too
  d.platform.saveAnswers.push_back(kNew);
  ASSERT_EQ(d.schema.Save(false), SaveOutcome::Written);
  EXPECT_EQ(d.schema.history.size(), 2u);
  EXPECT_EQ(d.schema.historyPos, 1);
  EXPECT_EQ(d.schema.userExclusions[4][4], 4);
  d.schema.ProcessInput(frm, 8, 0, 0, 0, 0);  // the exclusion alone
  EXPECT_FALSE(d.schema.Modified());
  d.schema.ProcessInput(frm, 8, 0, 0, 0, 0);
  EXPECT_EQ(d.schema.GetBuffer(1, 1), 0);
  EXPECT_TRUE(d.schema.Modified());
}

TEST(Load, TheOpenDialogStartsWithNoName) {
  Document d;
  d.Named();
  d.platform.files[kNew] = EmptyFile();
  d.platform.openAnswers.push_back(kNew);
  d.schema.Load();
  ASSERT_EQ(d.platform.openRequests.size(), 1u);
  ExpectDialogBasics(d.platform.openRequests[0], "Caricamento dati");
  EXPECT_EQ(d.platform.openRequests[0].initialFile, "") << "also when the document has a name";
  EXPECT_EQ(d.platform.folderQueries, std::vector<std::string>{kOld}) << "by the document";
  EXPECT_TRUE(d.platform.openRequests[0].existingFilesOnly);
  EXPECT_TRUE(d.platform.messages.empty());
  EXPECT_EQ(d.schema.fileName, kNew);
  EXPECT_EQ(d.platform.busyChanges, kBusyOnOff);
}

TEST(Load, CancellingTheDialogChangesNothing) {
  Document d;
  d.Named();
  d.schema.Load();
  EXPECT_EQ(d.schema.fileName, kOld);
  EXPECT_EQ(d.schema.GetBuffer(1, 1), 5);
  EXPECT_TRUE(d.schema.Modified());
  EXPECT_TRUE(d.platform.readLimits.empty());
  EXPECT_TRUE(d.platform.busyChanges.empty());
}

// Nothing is installed until the whole file has parsed: a failed load
// leaves the open document exactly as it was.
TEST(Load, AFailedLoadLeavesTheDocumentAsItWas) {
  struct Row {
    const char* why;
    std::string contents;  // empty: no such file
    bool unreadable;
  };
  const Row rows[] = {
      {"the file is gone", "", false},
      {"the file cannot be read", EmptyFile(), true},
      {"a bad character", "12345x789\r\n", false},
      {"a short line", "123456789\r\n1234\r\n", false},
      {"too big", std::string(3'000'000, '1'), false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    Document d;
    RasterSurface frm;
    d.schema.fileName = kOld;
    d.schema.Refresh(frm);
    d.schema.ProcessInput(frm, '4', 0, 0, 0, 0);
    d.schema.ProcessInput(frm, 0, 40, 0, 0, 0);
    d.schema.ProcessInput(frm, '7', 0, 0, 0, 0);
    d.schema.ProcessInput(frm, 0, 0, 2, 200, 200);  // rule out 7 in (8, 8)
    d.schema.ProcessInput(frm, 0, 0, 2, 60, 200);   // and in (8, 3)
    d.schema.ProcessInput(frm, 8, 0, 0, 0, 0);      // leaves a record to redo
    d.schema.ProcessInput(frm, 0, 0, 1, 130, 150);
    const NuminoSchema before = d.schema;
    ASSERT_EQ(before.userExclusions[8][8], 64);

    const std::string path = "/home/anna/rotto.nmo";
    if (!r.contents.empty()) d.platform.files[path] = r.contents;
    if (r.unreadable) d.platform.failingReads[path] = "accesso negato";
    d.platform.openAnswers.push_back(path);
    EXPECT_THROW(d.schema.Load(), FileError);

    EXPECT_EQ(d.schema.cellValues, before.cellValues);
    EXPECT_EQ(d.schema.userExclusions, before.userExclusions);
    EXPECT_EQ(d.schema.fileName, kOld);
    EXPECT_TRUE(d.schema.Modified());
    EXPECT_EQ(d.schema.history, before.history);
    EXPECT_EQ(d.schema.historyPos, before.historyPos);
    EXPECT_EQ(d.schema.currentRow, before.currentRow);
    EXPECT_EQ(d.schema.currentCol, before.currentCol);
    EXPECT_EQ(d.platform.busyChanges, kBusyOnOff);
  }
}

// The limit is the system's: 4095 bytes, however many characters they make.
TEST(FileNames, LongerThanThePathLimitAreRefused) {
  struct Row {
    const char* why;
    std::string name;
    bool accepted;
  };
  const std::string folder = "/d/";
  const auto named = [&](std::size_t bytes) {
    return folder + std::string(bytes - folder.size() - 4, 'x') + ".nmo";
  };
  std::string accented = folder;
  for (int i = 0; i < 2044; ++i) accented += "è";  // 2 bytes, 1 character
  accented += ".nmo";                              // 3 + 4088 + 4 = 4095 bytes
  const Row rows[] = {
      {"4095 bytes fit", named(4095), true},
      {"4096 bytes do not", named(4096), false},
      {"4095 bytes of which many make one character of two", accented, true},
      {"4096 of those: 2052 characters, but too many bytes", accented + "x", false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    {
      Document d;
      d.platform.saveAnswers.push_back(r.name);
      const SaveOutcome outcome = d.schema.Save(false);
      if (r.accepted) {
        EXPECT_EQ(outcome, SaveOutcome::Written);
        EXPECT_EQ(d.schema.fileName, r.name);
        EXPECT_TRUE(d.platform.messages.empty());
      } else {
        // Refused with a warning; the dialog comes back and is cancelled.
        EXPECT_EQ(outcome, SaveOutcome::Cancelled);
        EXPECT_EQ(d.schema.fileName, "");
        EXPECT_TRUE(d.platform.writes.empty());
        ASSERT_EQ(d.platform.messages.size(), 1u);
        EXPECT_EQ(d.platform.messages[0].text,
                  "Il nome del file è troppo lungo: sono ammessi al massimo 4095 caratteri.");
        EXPECT_EQ(d.platform.messages[0].title, "Salvataggio dati");
        EXPECT_EQ(d.platform.messages[0].style, MessageStyle::OkExclamation);
        EXPECT_EQ(d.platform.saveRequests.size(), 2u);
      }
    }
    {
      Document d;
      d.Named();
      d.platform.files[r.name] = EmptyFile();
      d.platform.openAnswers.push_back(r.name);
      d.schema.Load();
      if (r.accepted) {
        EXPECT_EQ(d.schema.fileName, r.name);
        EXPECT_TRUE(d.platform.messages.empty());
      } else {
        EXPECT_EQ(d.schema.fileName, kOld);
        EXPECT_TRUE(d.schema.Modified());
        EXPECT_TRUE(d.platform.readLimits.empty()) << "nothing is read";
        ASSERT_EQ(d.platform.messages.size(), 1u);
        EXPECT_EQ(d.platform.messages[0].title, "Caricamento dati");
        EXPECT_EQ(d.platform.messages[0].style, MessageStyle::OkExclamation);
      }
    }
  }
}

// A control character in a name would break a message apart or not show at
// all: every text that names the file shows it as U+FFFD instead.
TEST(FileNames, ControlCharactersShowAsAReplacementCharacter) {
  const std::string mark = "\xEF\xBF\xBD";
  struct Row {
    const char* why;
    std::string name;
    std::string shown;
  };
  const Row rows[] = {
      {"CR LF are two", "/d/a\r\nb.nmo", "/d/a" + mark + mark + "b.nmo"},
      {"a tab, an escape and DEL", "/d/\t\x1b\x7f.nmo", "/d/" + mark + mark + mark + ".nmo"},
      {"the C1 control U+0085", "/d/a\xC2\x85.nmo", "/d/a" + mark + ".nmo"},
      {"letters and U+00A0 stay", "/d/è\xC2\xA0.nmo", "/d/è\xC2\xA0.nmo"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    const FileError error(r.name, "permesso negato");
    for (const std::string& text :
         {document::OverwriteQuestion(r.name), document::ChangedElsewhereQuestion(r.name),
          document::GoneQuestion(r.name), document::CannotSaveMessage(error),
          document::CannotOpenMessage(error)}) {
      EXPECT_EQ(text.substr(text.find(" file ") + 6, r.shown.size()), r.shown) << text;
    }
  }
}

}  // namespace
}  // namespace numino
