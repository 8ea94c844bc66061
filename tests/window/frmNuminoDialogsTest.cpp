// Cancelling every dialog and message box on the way through a command, with
// the real dialogs and boxes: whatever is cancelled, the document, its file,
// the title and the files on disk stay as they were.
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "files/FileAccess.h"
#include "support/QtTestSupport.h"
#include "window/QtDialogs.h"
#include "window/frmNumino.h"

namespace {

using numino::testing::Get;
using numino::testing::ModalScript;
using numino::testing::Put;
using numino::testing::Trigger;
using Step = numino::testing::ModalStep;

Step Press(Qt::Key key) {
  return [key](QWidget* modal) { QTest::keyClick(modal, key); };
}

// The message box's own button, as a click would press it.
Step Click(QMessageBox::StandardButton which) {
  return [which](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr) << modal->windowTitle().toStdString();
    box->button(which)->click();
  };
}

// The close button of the window's frame.
Step CloseIt() {
  return [](QWidget* modal) { modal->close(); };
}

// Types a name into the file dialog's name field and presses Return.
Step TypeName(QString name) {
  return [name](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr) << modal->windowTitle().toStdString();
    numino::testing::TypeFileName(*dialog, name);
  };
}

// Runs `then` after recording what the window shows: its title, and the
// text of a message box or the file a file dialog starts from.
Step Seen(std::vector<std::string>& seen, Step then) {
  return [&seen, then](QWidget* modal) {
    std::string what = modal->windowTitle().toStdString();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      what += ": " + box->text().toStdString();
    } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
      const QStringList files = dialog->selectedFiles();
      what += ": " + (files.isEmpty() ? std::string() : files.front().toStdString());
    }
    seen.push_back(what);
    then(modal);
  };
}

std::string Grid(char first) {
  return std::string(1, first) + "00000000\r\n" + numino::testing::Repeat("000000000\r\n", 8);
}

// The window shown, on pippo.nmo opened through the real dialog, with an
// unsaved change: (4, 4) = 7. altro.nmo lies next to it.
class RealDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    Put(pippo, Grid('5'));
    Put(altro, Grid('8'));
    dialogs.SetOwner(&window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ModalScript open({TypeName(QStringLiteral("pippo"))});
    Trigger(window, "mnuApri");
    ASSERT_EQ(window.Schema().cellValues[1][1], 5);
    window.Schema().SetBuffer(4, 4, 7, false);
  }

  // Nothing of the document, its title or the files has changed.
  void ExpectUntouched() {
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Numino - pippo"));
    EXPECT_EQ(window.Schema().fileName, pippo);
    EXPECT_EQ(window.Schema().cellValues[4][4], 7);
    EXPECT_TRUE(window.Schema().Modified());
    EXPECT_EQ(Get(pippo), Grid('5'));
    EXPECT_EQ(Get(altro), Grid('8'));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2) << "no file was added";
  }

  QTemporaryDir dir;
  std::string pippo = dir.filePath(QStringLiteral("pippo.nmo")).toStdString();
  std::string altro = dir.filePath(QStringLiteral("altro.nmo")).toStdString();
  // The first Open, of a document without a name, starts in the documents
  // folder.
  numino::testing::UserFoldersIn folders{dir.filePath(QStringLiteral("home")), dir.path()};
  QtDialogs dialogs;
  FileAccess files;
  frmNumino window{{dialogs, files}, QStringLiteral("Numino")};
};

TEST_F(RealDialogs, OverwriteDeclinedThenSaveDialogCancelled) {
  std::vector<std::string> seen;
  ModalScript script({
      Seen(seen, TypeName(QStringLiteral("altro"))),
      Seen(seen, Press(Qt::Key_Escape)),  // No: the dialog comes back
      Seen(seen, Press(Qt::Key_Escape)),
  });
  Trigger(window, "mnuSalvaConNome");
  EXPECT_EQ(script.StepsTaken(), 3u);
  const std::string folder = dir.path().toStdString();
  EXPECT_EQ(seen,
            (std::vector<std::string>{
                "Salvataggio dati: " + folder + "/pippo.nmo",
                "Salvataggio dati: Il file " + folder + "/altro.nmo esiste già. Lo sovrascrivo?",
                "Salvataggio dati: " + folder + "/altro.nmo",
            }));
  ExpectUntouched();
}

TEST_F(RealDialogs, SavePromptCancelledInEveryWay) {
  struct Row {
    const char* what;
    const char* command;
    std::vector<Step> steps;
  };
  const Row rows[] = {
      {"Nuovo, Escape at the prompt", "mnuNuovo", {Press(Qt::Key_Escape)}},
      {"Apri, the prompt's close button", "mnuApri", {CloseIt()}},
      {"Apri, No, then the open dialog cancelled",
       "mnuApri",
       {Click(QMessageBox::No), Press(Qt::Key_Escape)}},
      {"Esci, the prompt's Cancel", "mnuEsci", {Click(QMessageBox::Cancel)}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    ModalScript script(r.steps);
    Trigger(window, r.command);
    EXPECT_EQ(script.StepsTaken(), r.steps.size());
    ExpectUntouched();
  }
}

TEST_F(RealDialogs, YesThenSaveDialogCancelledKeepsTheWindowOpen) {
  {
    ModalScript dropChange({Click(QMessageBox::No)});
    Trigger(window, "mnuNuovo");  // unnamed from here on
  }
  window.Schema().SetBuffer(2, 2, 3, false);
  ModalScript script({Click(QMessageBox::Yes), Press(Qt::Key_Escape)});
  window.close();
  EXPECT_EQ(script.StepsTaken(), 2u);
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Numino - (Senza nome)"));
  EXPECT_EQ(window.Schema().cellValues[2][2], 3);
  EXPECT_TRUE(window.Schema().Modified());
}

}  // namespace
