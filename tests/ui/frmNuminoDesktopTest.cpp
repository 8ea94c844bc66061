// The ways in that have no menu item: a document named on the command line,
// a file dropped on the window, and copy and paste on the board. Each acts
// as the menu command it stands for would (Apri..., Nuovo... and typing),
// with the same save prompt and the same messages.
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "document/PastedGrid.h"
#include "support/FakePlatform.h"
#include "support/Grids.h"
#include "support/ModelSnapshot.h"
#include "support/QtTestSupport.h"
#include "ui/BoardWidget.h"
#include "ui/CommandLine.h"
#include "ui/frmNumino.h"

namespace {

using numino::MessageAnswer;
using numino::MessageStyle;
using numino::NuminoSchema;
using numino::testing::FakePlatform;
using numino::testing::kPippoFile;
using numino::testing::ModelSnapshot;

const std::string kPippo = "/home/anna/pippo.nmo";
const std::string kAltro = "/home/anna/altro.nmo";

// 1 to 9 down the diagonal: what the paste rows put on the clipboard.
const char* const kDiagonal =
    "100000000\n020000000\n003000000\n000400000\n000050000\n"
    "000006000\n000000700\n000000080\n000000009\n";

// The window with pippo.nmo open (named) or an empty unnamed document, and
// a fresh record of what the platform showed.
struct Window {
  FakePlatform platform;
  std::unique_ptr<frmNumino> window;

  explicit Window(bool named) {
    platform.files[kPippo] = kPippoFile;
    window = std::make_unique<frmNumino>(platform, QStringLiteral("Numino"));
    if (named) window->OpenDocument(QString::fromStdString(kPippo));
    platform.messages.clear();
  }
  NuminoSchema& Schema() { return window->Schema(); }
  std::string Title() const { return window->windowTitle().toStdString(); }
  std::size_t Prompts() const {
    std::size_t n = 0;
    for (const auto& m : platform.messages) n += m.text == "Salvo i dati?" ? 1 : 0;
    return n;
  }
  // A digit typed and a digit ruled out by hand in (5, 5), not yet saved.
  void Change() {
    Schema().SetBuffer(4, 4, 7, false);
    Schema().ToggleUserExclusion(5, 5, 3);
  }
  void Press(Qt::Key key) { QTest::keyClick(&window->Board(), key, Qt::ControlModifier); }
};

bool IsEmptyGrid(const NuminoSchema::Grid& cells) { return cells == NuminoSchema::Grid{}; }

TEST(CommandLineFile, OpensAsApriWithoutDialogOrPrompt) {
  struct Row {
    const char* why;
    const char* argument;
    const char* contents;  // nullptr: no such file
    const char* message;   // nullptr: none
    const char* title;
  };
  // clang-format off
  const Row rows[] = {
      {"a good file, named relative to the working folder", "pippo.nmo", kPippoFile.c_str(),
       nullptr, "Numino - pippo"},
      {"a missing file", "/tmp/manca.nmo", nullptr,
       "Impossibile aprire il file /tmp/manca.nmo: il file non esiste.", "Numino - (Senza nome)"},
      {"not a document", "/tmp/lettera.nmo", "Cara Anna,\r\n",
       "Impossibile aprire il file /tmp/lettera.nmo: la riga 1 contiene un carattere che non è "
       "una cifra (colonna 1).", "Numino - (Senza nome)"},
  };
  // clang-format on
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    const CommandLine line = ParseCommandLine({QStringLiteral("Numino"), QString(r.argument)},
                                              QDir(QStringLiteral("/home/anna")));
    ASSERT_TRUE(line.file);
    Window w(false);
    if (r.contents != nullptr) w.platform.files[line.file->toStdString()] = r.contents;
    w.Schema().ToggleUserExclusion(2, 2, 4);  // a change that asks no question

    w.window->OpenDocument(*line.file);

    EXPECT_EQ(w.Title(), r.title);
    EXPECT_TRUE(w.platform.openRequests.empty()) << "no dialog";
    EXPECT_EQ(w.Prompts(), 0u);
    EXPECT_FALSE(w.Schema().Modified());
    if (r.message == nullptr) {
      EXPECT_TRUE(w.platform.messages.empty());
      EXPECT_EQ(w.Schema().fileName, kPippo);
      EXPECT_EQ(w.Schema().cellValues[9][9], 9);
      EXPECT_FALSE(w.Schema().CanUndo());
      w.Schema().SetBuffer(2, 2, 4, false);
      w.window->mnuSalva_Click();
      EXPECT_EQ(w.platform.writes, std::vector<std::string>{kPippo}) << "Salva writes that file";
    } else {
      ASSERT_EQ(w.platform.messages.size(), 1u);
      EXPECT_EQ(w.platform.messages[0].text, r.message);
      EXPECT_EQ(w.platform.messages[0].title, "Caricamento dati");
      EXPECT_EQ(w.platform.messages[0].style, MessageStyle::OkExclamation);
      EXPECT_TRUE(IsEmptyGrid(w.Schema().cellValues));
      EXPECT_EQ(w.Schema().fileName, "");
    }
  }
}

TEST(Paste, APuzzleBecomesANewModifiedDocumentAfterThePrompt) {
  struct Row {
    const char* why;
    bool changed;  // the open document has unsaved changes
    std::optional<MessageAnswer> answer;
    bool replaced;
    std::vector<std::string> writes;
  };
  const Row rows[] = {
      {"nothing to lose: no prompt", false, std::nullopt, true, {}},
      {"Cancel: everything stays", true, MessageAnswer::Cancel, false, {}},
      {"No: the changes are dropped", true, MessageAnswer::No, true, {}},
      {"Yes: saved first, then replaced", true, MessageAnswer::Yes, true, {kPippo}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    Window w(true);
    if (r.changed) w.Change();
    if (r.answer) w.platform.messageAnswers.push_back(*r.answer);
    const ModelSnapshot before(w.Schema());
    QGuiApplication::clipboard()->setText(QString::fromLatin1(kDiagonal));

    w.Press(Qt::Key_V);

    EXPECT_EQ(w.Prompts(), r.changed ? 1u : 0u);
    EXPECT_EQ(w.platform.messages.size(), w.Prompts()) << "nothing else is shown";
    EXPECT_EQ(w.platform.writes, r.writes);
    if (!r.replaced) {
      EXPECT_TRUE(ModelSnapshot(w.Schema()) == before);
      EXPECT_EQ(w.Title(), "Numino - pippo");
      continue;
    }
    EXPECT_EQ(w.Schema().cellValues,
              numino::testing::GridFromRows({"1........", ".2.......", "..3......", "...4.....",
                                             "....5....", ".....6...", "......7..", ".......8.",
                                             "........9"}));
    EXPECT_EQ(w.Schema().userExclusions, NuminoSchema::Grid{});
    EXPECT_EQ(w.Schema().currentRow, 1);
    EXPECT_EQ(w.Schema().currentCol, 1);
    EXPECT_FALSE(w.Schema().CanUndo());
    EXPECT_EQ(w.Schema().fileName, "");
    EXPECT_EQ(w.Title(), "Numino - (Senza nome)");

    // The board shows what opening the same puzzle from a file shows.
    FakePlatform other;
    other.files[kAltro] = kDiagonal;
    frmNumino opened(other, QStringLiteral("Numino"));
    opened.OpenDocument(QString::fromStdString(kAltro));
    EXPECT_EQ(w.window->Board().Surface().Image(), opened.Board().Surface().Image());

    w.platform.messages.clear();
    w.window->close();
    EXPECT_EQ(w.Prompts(), 1u) << "closing asks to save the pasted puzzle";
  }
}

TEST(Paste, TextWithoutAPuzzleIsRefusedAndChangesNothing) {
  const std::string puzzle(81, '0');
  const struct Row {
    const char* why;
    std::string text;
  } rows[] = {
      {"empty clipboard", ""},
      {"a sentence", "Buongiorno"},
      {"80 cells", puzzle.substr(1)},
      {"82 cells", puzzle + "1"},
      {"a puzzle padded past 64 KiB", puzzle + std::string(numino::kPasteLimit, ' ')},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    Window w(true);
    w.Change();
    const ModelSnapshot before(w.Schema());
    QGuiApplication::clipboard()->setText(QString::fromStdString(r.text));

    w.Press(Qt::Key_V);

    ASSERT_EQ(w.platform.messages.size(), 1u) << "the refusal only, no prompt";
    EXPECT_EQ(w.platform.messages[0].text, numino::kPasteRefusedText);
    EXPECT_EQ(w.platform.messages[0].title, "Numino");
    EXPECT_EQ(w.platform.messages[0].style, MessageStyle::OkExclamation);
    EXPECT_TRUE(ModelSnapshot(w.Schema()) == before);
    EXPECT_EQ(w.Title(), "Numino - pippo");
  }
}

TEST(Copy, PutsTheGridOnTheClipboardAndChangesNothing) {
  Window w(true);
  w.Change();
  const ModelSnapshot before(w.Schema());
  QGuiApplication::clipboard()->clear();

  w.Press(Qt::Key_C);

  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
            "500000000\n000000000\n000000000\n000700000\n000000000\n"
            "000000000\n000000000\n000000000\n000000009\n");
  EXPECT_TRUE(w.platform.messages.empty());
  EXPECT_TRUE(ModelSnapshot(w.Schema()) == before);
}

// Whether the window takes a drag event as the desktop delivers it, at the
// middle of the board. Accepted means accepted as a copy: a move would have
// the program it came from delete the file.
template <typename Event>
bool Accepted(frmNumino& window, const QMimeData& data,
              Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction) {
  Event event(QPoint(120, 150), offered, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &event);
  return event.isAccepted() && event.dropAction() == Qt::CopyAction;
}

TEST(Drop, OnlyOneLocalFileIsAccepted) {
  const QUrl pippo = QUrl::fromLocalFile(QString::fromStdString(kPippo));
  const QUrl altro = QUrl::fromLocalFile(QString::fromStdString(kAltro));
  struct Row {
    const char* why;
    QList<QUrl> urls;
    const char* text;
    Qt::DropActions offered;
    bool accepted;
  };
  const Qt::DropActions copyOrMove = Qt::CopyAction | Qt::MoveAction;
  // clang-format off
  const Row rows[] = {
      {"one local file", {pippo}, nullptr, copyOrMove, true},
      {"two local files", {pippo, altro}, nullptr, copyOrMove, false},
      {"a remote address", {QUrl(QStringLiteral("https://example.org/pippo.nmo"))}, nullptr,
       copyOrMove, false},
      {"plain text, even a puzzle", {}, kDiagonal, copyOrMove, false},
      {"a file that could only be moved", {pippo}, nullptr, Qt::MoveAction, false},
  };
  // clang-format on
  Window w(false);
  EXPECT_TRUE(w.window->acceptDrops());
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    QMimeData data;
    if (!r.urls.isEmpty()) data.setUrls(r.urls);
    if (r.text != nullptr) data.setText(QString::fromLatin1(r.text));
    EXPECT_EQ(Accepted<QDragEnterEvent>(*w.window, data, r.offered), r.accepted);
    EXPECT_EQ(Accepted<QDragMoveEvent>(*w.window, data, r.offered), r.accepted);
  }
}

TEST(Drop, OpensAsApriAfterThePrompt) {
  struct Row {
    const char* why;
    bool changed;
    std::optional<MessageAnswer> answer;
    std::vector<std::string> writes;
    const char* title;
  };
  const Row rows[] = {
      {"nothing to lose: opened at once", false, std::nullopt, {}, "Numino - altro"},
      {"Cancel: nothing is read", true, MessageAnswer::Cancel, {}, "Numino - pippo"},
      {"No: opened", true, MessageAnswer::No, {}, "Numino - altro"},
      {"Yes: saved, then opened", true, MessageAnswer::Yes, {kPippo}, "Numino - altro"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    Window w(true);
    w.platform.files[kAltro] = kDiagonal;
    if (r.changed) w.Change();
    if (r.answer) w.platform.messageAnswers.push_back(*r.answer);
    w.platform.readLimits.clear();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(kAltro))});

    ASSERT_TRUE(Accepted<QDragEnterEvent>(*w.window, data));
    ASSERT_TRUE(Accepted<QDropEvent>(*w.window, data));
    EXPECT_TRUE(w.platform.messages.empty()) << "nothing is asked before the drop is answered";
    QCoreApplication::sendPostedEvents(w.window.get());  // the drop's own answer has gone

    EXPECT_EQ(w.Prompts(), r.changed ? 1u : 0u);
    EXPECT_EQ(w.platform.writes, r.writes);
    EXPECT_EQ(w.Title(), r.title);
    const bool opened = std::string(r.title) == "Numino - altro";
    EXPECT_EQ(w.platform.readLimits.size(), opened ? 1u : 0u);
    EXPECT_EQ(w.Schema().cellValues[5][5], opened ? 5 : 0);
    EXPECT_EQ(w.Schema().Modified(), !opened);
  }
}

}  // namespace
