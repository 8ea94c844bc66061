#include "window/QtDialogs.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "support/QtTestSupport.h"

namespace {

using numino::FileError;
using numino::MessageAnswer;
using numino::MessageStyle;
using numino::testing::ModalScript;
using numino::testing::Put;

// The dialogs start where the user's documents are: by the current one, else
// in the documents folder, made if missing, else at home; never in the
// program's folder, which may be a build folder that a rebuild deletes.
TEST(QtDialogsFolders, DialogsStartByTheDocumentElseInDocumentsElseHome) {
  struct Row {
    const char* what;
    const char* document;   // below the row's home; empty: a document without a name
    const char* documents;  // recorded by xdg-user-dirs, below home; empty: none
    bool blockDocuments;    // a file where the documents folder would be made
    const char* expected;   // below home; empty: home itself
  };
  const Row rows[] = {
      {"a document in a folder that is there", "partite/pippo.nmo", "", false, "partite"},
      {"a document whose folder was removed", "sparita/pippo.nmo", "", false, "Documents"},
      {"no document: the documents folder, made", "", "", false, "Documents"},
      {"no document: the documents folder xdg-user-dirs records", "", "Documenti", false,
       "Documenti"},
      {"no documents folder can be made: home", "", "", true, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    QTemporaryDir home;
    const auto below = [&](const char* name) {
      return *name ? home.filePath(QString::fromUtf8(name)) : home.path();
    };
    numino::testing::UserFoldersIn folders(home.path(),
                                           *r.documents ? below(r.documents) : QString());
    ASSERT_TRUE(QDir().mkpath(below("partite")));
    if (r.blockDocuments) Put(below("Documents").toStdString(), "");
    const std::string document = *r.document ? below(r.document).toStdString() : "";

    const std::string folder = QtDialogs().DocumentFolder(document);
    EXPECT_EQ(folder, below(r.expected).toStdString());
    EXPECT_TRUE(QFileInfo(QString::fromStdString(folder)).isDir());
    EXPECT_NE(folder, QCoreApplication::applicationDirPath().toStdString());
  }
}

TEST(QtDialogsMessages, ButtonsIconAndAnswers) {
  struct Row {
    MessageStyle style;
    QMessageBox::StandardButtons buttons;
    QMessageBox::Icon icon;
    QMessageBox::StandardButton press;  // NoButton: Escape
    MessageAnswer answer;
    const char* reason;
  };
  const auto yesNoCancel = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  const auto yesNo = QMessageBox::Yes | QMessageBox::No;
  const Row rows[] = {
      {MessageStyle::YesNoCancelQuestion, yesNoCancel, QMessageBox::Question, QMessageBox::NoButton,
       MessageAnswer::Cancel, "Escape answers Cancel"},
      {MessageStyle::YesNoCancelQuestion, yesNoCancel, QMessageBox::Question, QMessageBox::No,
       MessageAnswer::No, ""},
      {MessageStyle::YesNoQuestion, yesNo, QMessageBox::Question, QMessageBox::NoButton,
       MessageAnswer::No, "no Cancel: Escape answers No"},
      {MessageStyle::OkExclamation, QMessageBox::Ok, QMessageBox::Warning, QMessageBox::NoButton,
       MessageAnswer::Ok, ""},
      {MessageStyle::OkInformation, QMessageBox::Ok, QMessageBox::Information, QMessageBox::Ok,
       MessageAnswer::Ok, ""},
  };
  QtDialogs dialogs;
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(r.style) << " " << r.reason);
    QMessageBox::StandardButtons shown;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QString text, title;
    const ModalScript script({[&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      if (!box) return modal->close();
      shown = box->standardButtons();
      icon = box->icon();
      defaultButton = box->standardButton(box->defaultButton());
      text = box->text();
      title = box->windowTitle();
      if (r.press == QMessageBox::NoButton) {
        QTest::keyClick(box, Qt::Key_Escape);
      } else {
        box->button(r.press)->click();
      }
      return true;
    }});
    const MessageAnswer answer =
        dialogs.MessageBox("Prima riga\r\n<b>seconda</b>", "Il titolo", r.style);
    EXPECT_EQ(answer, r.answer);
    EXPECT_EQ(shown, r.buttons);
    EXPECT_EQ(icon, r.icon);
    EXPECT_EQ(defaultButton, r.buttons & QMessageBox::Yes ? QMessageBox::Yes : QMessageBox::Ok)
        << "the first button is the default";
    EXPECT_EQ(text, QStringLiteral("Prima riga\n<b>seconda</b>"));
    EXPECT_EQ(title, QStringLiteral("Il titolo"));
  }
}

// A path has no spaces to wrap at. However long, it must not make the box
// wider than the screen, and it is shown whole: only break points are added.
TEST(QtDialogsMessages, ALongPathStaysWithinTheScreen) {
  std::string folders;
  while (folders.size() < 2000) folders += "/cartella";
  QtDialogs dialogs;
  // 2000 characters of short folders, then one name of 255 with no slash.
  for (const std::string& path :
       {folders + "/pippo.nmo", "/home/anna/" + std::string(251, 'n') + ".nmo"}) {
    SCOPED_TRACE(path.size());
    const std::string text = "Impossibile salvare il file " + path + ": permesso negato.";
    int width = 0;
    int screenWidth = 0;
    QString shown;
    const ModalScript script({[&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      if (!box) return modal->close();
      width = box->frameGeometry().width();
      screenWidth = box->screen()->availableGeometry().width();
      shown = box->text();
      box->button(QMessageBox::Ok)->click();
      return true;
    }});
    dialogs.MessageBox(text, "Salvataggio dati", MessageStyle::OkExclamation);
    EXPECT_GT(width, 0);
    EXPECT_LT(width, screenWidth);
    EXPECT_EQ(shown.remove(QChar(0x200B)).toStdString(), text);
  }
}

TEST(QtDialogsMessages, ButtonsSpeakItalian) {
  QtDialogs dialogs;
  QStringList texts;
  const ModalScript script({[&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    for (QAbstractButton* button : box->buttons()) texts << button->text();
    box->button(QMessageBox::Cancel)->click();
    return true;
  }});
  dialogs.MessageBox("Salvo i dati?", "Numino", MessageStyle::YesNoCancelQuestion);
  texts.sort();
  EXPECT_EQ(texts,
            (QStringList{QStringLiteral("&No"), QStringLiteral("&Sì"), QStringLiteral("Annulla")}));
}

struct DialogSeen {
  QString title;
  QStringList filters;
  QString suffix;
  QFileDialog::AcceptMode acceptMode = QFileDialog::AcceptOpen;
  QFileDialog::FileMode fileMode = QFileDialog::AnyFile;
  bool confirmsOverwrite = true;
  bool native = true;
  QString folder;
  QStringList selected;
  QStringList buttons;  // sorted
};

// Looks at the dialog, then types `name` and accepts, or cancels when
// `name` is empty.
numino::testing::ModalStep AnswerFileDialog(DialogSeen& seen, QString name) {
  return [&seen, name](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (!dialog) {
      modal->close();
      return;
    }
    seen.title = dialog->windowTitle();
    seen.filters = dialog->nameFilters();
    seen.suffix = dialog->defaultSuffix();
    seen.acceptMode = dialog->acceptMode();
    seen.fileMode = dialog->fileMode();
    seen.confirmsOverwrite = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
    seen.native = !dialog->testOption(QFileDialog::DontUseNativeDialog);
    seen.folder = dialog->directory().absolutePath();
    seen.selected = dialog->selectedFiles();
    for (QAbstractButton* button : dialog->findChild<QDialogButtonBox*>()->buttons()) {
      seen.buttons << button->text();
    }
    seen.buttons.sort();
    if (name.isEmpty()) {
      dialog->reject();
    } else {
      numino::testing::TypeFileName(*dialog, name);
    }
  };
}

TEST(QtDialogs, SaveDialog) {
  const numino::testing::TemporaryFolder dir;
  const std::string pippo = dir.Path("pippo.nmo");
  Put(pippo, "x");
  numino::FileDialogRequest request;
  request.title = "Salvataggio dati";
  request.filterDescription = "Documento NMO (*.nmo)";
  request.initialFolder = dir.Path();
  request.initialFile = pippo;
  QtDialogs dialogs;

  DialogSeen seen;
  const ModalScript script(
      {AnswerFileDialog(seen, QStringLiteral("nuovo")), AnswerFileDialog(seen, QString())});
  EXPECT_EQ(dialogs.SaveFileDialog(request), dir.Path("nuovo.nmo")) << "the extension is added";
  EXPECT_EQ(seen.title, QStringLiteral("Salvataggio dati"));
  EXPECT_EQ(seen.filters, QStringList{QStringLiteral("Documento NMO (*.nmo)")});
  EXPECT_EQ(seen.suffix, QStringLiteral("nmo"));
  EXPECT_EQ(seen.acceptMode, QFileDialog::AcceptSave);
  EXPECT_FALSE(seen.confirmsOverwrite) << "saving asks about an existing file itself";
  EXPECT_FALSE(seen.native);
  EXPECT_EQ(seen.buttons, (QStringList{QStringLiteral("&Salva"), QStringLiteral("Annulla")}));
  EXPECT_EQ(seen.folder, QString::fromStdString(dir.Path()));
  EXPECT_EQ(seen.selected, QStringList{QString::fromStdString(pippo)}) << "starts from the name";

  EXPECT_EQ(dialogs.SaveFileDialog(request), std::nullopt) << "cancelled";
}

TEST(QtDialogs, OpenDialogReturnsOnlyExistingFiles) {
  const numino::testing::TemporaryFolder dir;
  Put(dir.Path("pippo.nmo"), "x");
  numino::FileDialogRequest request;
  request.title = "Caricamento dati";
  request.filterDescription = "Documento NMO (*.nmo)";
  request.initialFolder = dir.Path();
  request.existingFilesOnly = true;
  QtDialogs dialogs;

  DialogSeen seen;
  const ModalScript script({AnswerFileDialog(seen, QStringLiteral("pippo"))});
  EXPECT_EQ(dialogs.OpenFileDialog(request), dir.Path("pippo.nmo"))
      << "a name without extension means the .nmo file";
  EXPECT_EQ(seen.title, QStringLiteral("Caricamento dati"));
  EXPECT_EQ(seen.acceptMode, QFileDialog::AcceptOpen);
  EXPECT_EQ(seen.fileMode, QFileDialog::ExistingFile);
  EXPECT_EQ(seen.buttons, (QStringList{QStringLiteral("&Apri"), QStringLiteral("Annulla")}));
  EXPECT_EQ(seen.folder, QString::fromStdString(dir.Path()));
  EXPECT_TRUE(seen.selected.isEmpty() ||
              seen.selected == QStringList{QString::fromStdString(dir.Path())})
      << "starts with no name";
}

}  // namespace
