// The ways in without a menu item: a file named on the command line or
// dropped on the window, and copy and paste on the board. Each acts as the
// menu command it stands for (Apri..., Nuovo... and typing), with the same
// save prompt and the same messages.
#include <QClipboard>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "document/DocumentTexts.h"
#include "document/PastedGrid.h"
#include "support/FakePlatform.h"
#include "support/ModelSnapshot.h"
#include "support/QtTestSupport.h"
#include "window/frmNumino.h"

namespace {

using numino::MessageAnswer;
using numino::testing::FakePlatform;
using numino::testing::ModelSnapshot;
using Texts = std::vector<std::string>;

const std::string kPippo = "/home/anna/pippo.nmo";
const std::string kAltro = "/home/anna/altro.nmo";
const char* const kPrompt = "Salvo i dati?";
// altro.nmo, and the puzzle pasted: 1 to 9 down the diagonal.
const char* const kDiagonal =
    "100000000\n020000000\n003000000\n000400000\n000050000\n"
    "000006000\n000000700\n000000080\n000000009\n";

// The texts of the messages shown.
Texts Shown(const FakePlatform& platform) {
  Texts texts;
  for (const auto& m : platform.messages) texts.push_back(m.text);
  return texts;
}

// A window with pippo.nmo open, as from the command line, and, when
// `changed`, a digit typed, one ruled out by hand and the current cell
// moved, none of it saved.
struct Window {
  FakePlatform platform;
  frmNumino window{platform, QStringLiteral("Numino")};

  explicit Window(bool changed, std::optional<MessageAnswer> answer = std::nullopt) {
    platform.files = {{kPippo, numino::testing::kPippoFile}, {kAltro, kDiagonal}};
    window.OpenDocument(kPippo);
    if (changed) {
      window.Schema().SetBuffer(4, 4, 7, false);
      window.Schema().ToggleUserExclusion(5, 5, 3);
      window.Schema().currentRow = window.Schema().currentCol = 6;
    }
    if (answer) platform.messageAnswers.push_back(*answer);
    platform.messages.clear();
    platform.readLimits.clear();
  }
  std::string Title() const { return window.windowTitle().toStdString(); }
  void Press(Qt::Key key) { QTest::keyClick(&window.Board(), key, Qt::ControlModifier); }
};

// A file named on the command line opens as Apri... opens it, without the
// dialog; one that cannot be read leaves the empty, unnamed document.
TEST(CommandLineFile, OpensAsApriWithoutDialogOrPrompt) {
  Window w(false);
  EXPECT_EQ(w.Title(), "Numino - pippo");
  EXPECT_EQ(w.window.Schema().cellValues[9][9], 9);
  EXPECT_FALSE(w.window.Schema().Modified());
  EXPECT_TRUE(w.platform.openRequests.empty()) << "no dialog";

  w.platform.files["/tmp/lettera.nmo"] = "Cara Anna,\r\n";
  frmNumino window(w.platform, QStringLiteral("Numino"));
  window.OpenDocument("/tmp/lettera.nmo");
  EXPECT_EQ(Shown(w.platform),
            Texts{"Impossibile aprire il file /tmp/lettera.nmo: la riga 1 contiene "
                  "un carattere che non è una cifra (colonna 1)."});
  EXPECT_EQ(window.windowTitle().toStdString(), "Numino - (Senza nome)");
  EXPECT_EQ(window.Schema().cellValues, numino::NuminoSchema::Grid{});
}

// Ctrl+V, then Ctrl+C on what was pasted: the copy is the same text.
TEST(Paste, APuzzleBecomesANewModifiedDocumentAfterThePrompt) {
  const struct Row {
    const char* why;
    bool changed;  // the open document has unsaved changes
    std::optional<MessageAnswer> answer;
    const char* clipboard;
    Texts shown;
    Texts writes;
    bool replaced;
  } rows[] = {
      // clang-format off
      {"nothing to lose: no prompt", false, {}, kDiagonal, {}, {}, true},
      {"Cancel: everything stays", true, MessageAnswer::Cancel, kDiagonal, {kPrompt}, {}, false},
      {"Yes: saved first", true, MessageAnswer::Yes, kDiagonal, {kPrompt}, {kPippo}, true},
      {"no puzzle: refused, no prompt", true, {}, "Ciao", {numino::document::kPasteRefusedText}, {}, false},
      // clang-format on
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    Window w(r.changed, r.answer);
    const ModelSnapshot before(w.window.Schema());
    QGuiApplication::clipboard()->setText(QString::fromLatin1(r.clipboard));

    w.Press(Qt::Key_V);
    QGuiApplication::clipboard()->clear();
    w.Press(Qt::Key_C);

    EXPECT_EQ(Shown(w.platform), r.shown);
    EXPECT_EQ(w.platform.writes, r.writes);
    if (r.replaced) {
      // What opening the same puzzle from a file gives, but unnamed and modified.
      Window opened(false);
      opened.window.OpenDocument(kAltro);
      ModelSnapshot expected(opened.window.Schema());
      expected.modified = true;
      EXPECT_TRUE(ModelSnapshot(w.window.Schema()) == expected);
      EXPECT_EQ(w.window.Board().Surface().Image(), opened.window.Board().Surface().Image());
      EXPECT_EQ(w.Title(), "Numino - (Senza nome)");
      EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), kDiagonal);
    } else {
      EXPECT_TRUE(ModelSnapshot(w.window.Schema()) == before);
      EXPECT_EQ(w.Title(), "Numino - pippo");
    }
  }
}

// Sends a drag event at the middle of the board; whether the window took it
// as a copy: after a move the program the file came from would delete it.
template <typename Event>
bool Accepted(frmNumino& window, const QMimeData& data) {
  Event event(QPoint(120, 150), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
  QApplication::sendEvent(&window, &event);
  return event.isAccepted() && event.dropAction() == Qt::CopyAction;
}

// One local file dropped opens as Apri... opens it, once the drop has been
// answered; the drag of anything else is refused.
TEST(Drop, OnlyOneLocalFileIsOpenedAfterThePrompt) {
  const QUrl pippo = QUrl::fromLocalFile(QString::fromStdString(kPippo));
  const QUrl altro = QUrl::fromLocalFile(QString::fromStdString(kAltro));
  const struct Row {
    const char* why;
    QList<QUrl> urls;
    const char* text;
    bool changed;
    bool accepted;
    bool opened;
  } rows[] = {
      // clang-format off
      {"one local file: opened at once", {altro}, nullptr, false, true, true},
      {"the prompt cancelled: nothing is read", {altro}, nullptr, true, true, false},
      {"two local files", {altro, pippo}, nullptr, false, false, false},
      {"a remote address", {QUrl("https://example.org/a.nmo")}, nullptr, false, false, false},
      {"plain text, even a puzzle", {}, kDiagonal, false, false, false},
      // clang-format on
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    Window w(r.changed, MessageAnswer::Cancel);
    QMimeData data;
    if (!r.urls.isEmpty()) data.setUrls(r.urls);
    if (r.text) data.setText(QString::fromLatin1(r.text));

    EXPECT_EQ(Accepted<QDragEnterEvent>(w.window, data), r.accepted);
    EXPECT_EQ(Accepted<QDragMoveEvent>(w.window, data), r.accepted);
    EXPECT_EQ(Accepted<QDropEvent>(w.window, data), r.accepted);
    EXPECT_TRUE(Shown(w.platform).empty()) << "nothing is asked before the drop is answered";
    QCoreApplication::sendPostedEvents(&w.window);

    EXPECT_EQ(Shown(w.platform), r.changed ? Texts{kPrompt} : Texts{});
    EXPECT_EQ(w.Title(), r.opened ? "Numino - altro" : "Numino - pippo");
    EXPECT_EQ(w.platform.readLimits.size(), r.opened ? 1u : 0u);
  }
}

}  // namespace
