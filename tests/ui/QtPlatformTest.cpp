#include "ui/QtPlatform.h"

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
using numino::testing::Put;
using numino::testing::WhenModal;

std::string Path(const QTemporaryDir& dir, const char* name) {
  return dir.filePath(QString::fromLatin1(name)).toStdString();
}

// The reason a FileError gives, or "<none>" when nothing was thrown.
template <typename Call>
std::string ReasonOf(Call call) {
  try {
    call();
  } catch (const FileError& error) {
    return error.Reason();
  }
  return "<none>";
}

TEST(QtPlatformFiles, WriteThenReadBack) {
  QTemporaryDir dir;
  QtPlatform platform;
  const std::string path = Path(dir, "pippo.nmo");
  platform.WriteFile(path, "123\r\n");
  EXPECT_TRUE(platform.FileExists(path));
  platform.WriteFile(path, "45\r\n");  // replaces, never appends
  const numino::FileStart start = platform.ReadFileStart(path, 1000);
  EXPECT_EQ(start.bytes, "45\r\n");
  EXPECT_TRUE(start.wholeFile);
}

TEST(QtPlatformFiles, ReadsAtMostTheLimit) {
  struct Row {
    std::size_t size, limit;
    bool whole;
    const char* reason;
  };
  const Row rows[] = {
      {10, 9, false, "one byte too many"},
      {10, 10, true, "exactly the limit"},
      {0, 0, true, "empty file, no limit"},
      {200000, 150000, false, "more than one read"},
  };
  QTemporaryDir dir;
  QtPlatform platform;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.reason);
    const std::string path = Path(dir, "big.nmo");
    std::string contents(r.size, 'x');
    for (std::size_t i = 0; i < contents.size(); ++i) contents[i] = static_cast<char>('0' + i % 10);
    Put(path, contents);
    const numino::FileStart start = platform.ReadFileStart(path, r.limit);
    EXPECT_EQ(start.bytes, contents.substr(0, r.limit));
    EXPECT_EQ(start.wholeFile, r.whole);
  }
}

TEST(QtPlatformFiles, ReadRefusesWhatIsNotAFileWithoutWaiting) {
  QTemporaryDir dir;
  const std::string fifo = Path(dir, "pipe.nmo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  struct Row {
    std::string path;
    const char* reason;
  };
  const Row rows[] = {
      {dir.path().toStdString(), "è una cartella"},
      {fifo, "non è un file normale"},  // opening it for reading would wait for a writer
      {"/dev/null", "non è un file normale"},
      {Path(dir, "manca.nmo"), "il file non esiste"},
  };
  QtPlatform platform;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.path);
    // A FIFO opened for reading would wait for a writer: the test would hang.
    EXPECT_EQ(ReasonOf([&] { platform.ReadFileStart(r.path, 100); }), r.reason);
  }
}

TEST(QtPlatformFiles, WriteRefusesFoldersDevicesAndMissingFolders) {
  QTemporaryDir dir;
  QtPlatform platform;
  struct Row {
    std::string path;
    const char* reason;
  };
  const Row rows[] = {
      {dir.path().toStdString(), "è una cartella"},
      {"/dev/null", "non è un file normale"},  // would be replaced by a plain file
      {Path(dir, "manca/pippo.nmo"), "la cartella non esiste"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.path);
    EXPECT_EQ(ReasonOf([&] { platform.WriteFile(r.path, "x"); }), r.reason);
  }
  struct stat info {};
  ASSERT_EQ(stat("/dev/null", &info), 0);
  EXPECT_TRUE(S_ISCHR(info.st_mode));
}

// The reasons for the common error numbers show in the write tests above;
// here, what happens when the number is lost or unusual.
TEST(QtPlatformFiles, ErrorReasonWithoutAKnownNumber) {
  EXPECT_EQ(FileErrorReason(0, qt_error_string(EROFS)), "il disco è di sola lettura")
      << "recognised from Qt's text";
  EXPECT_EQ(FileErrorReason(0, QStringLiteral("Errore strano")), "Errore strano");
}

// The dialogs start where the user's documents are: by the current one, else
// in the documents folder, made if missing, else at home; never in the
// program's folder, which may be a build folder that a rebuild deletes.
TEST(QtPlatformFolders, DialogsStartByTheDocumentElseInDocumentsElseHome) {
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

    const std::string folder = QtPlatform().DocumentFolder(document);
    EXPECT_EQ(folder, below(r.expected).toStdString());
    EXPECT_TRUE(QFileInfo(QString::fromStdString(folder)).isDir());
    EXPECT_NE(folder, QCoreApplication::applicationDirPath().toStdString());
  }
}

TEST(QtPlatformMessages, ButtonsIconAndAnswers) {
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
  QtPlatform platform;
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(r.style) << " " << r.reason);
    QMessageBox::StandardButtons shown;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QString text, title;
    WhenModal([&](QWidget* modal) {
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
    });
    const MessageAnswer answer =
        platform.MessageBox("Prima riga\r\n<b>seconda</b>", "Il titolo", r.style);
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
TEST(QtPlatformMessages, ALongPathStaysWithinTheScreen) {
  std::string folders;
  while (folders.size() < 2000) folders += "/cartella";
  QtPlatform platform;
  // 2000 characters of short folders, then one name of 255 with no slash.
  for (const std::string& path :
       {folders + "/pippo.nmo", "/home/anna/" + std::string(251, 'n') + ".nmo"}) {
    SCOPED_TRACE(path.size());
    const std::string text = "Impossibile salvare il file " + path + ": permesso negato.";
    int width = 0;
    int screenWidth = 0;
    QString shown;
    WhenModal([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      if (!box) return modal->close();
      width = box->frameGeometry().width();
      screenWidth = box->screen()->availableGeometry().width();
      shown = box->text();
      box->button(QMessageBox::Ok)->click();
      return true;
    });
    platform.MessageBox(text, "Salvataggio dati", MessageStyle::OkExclamation);
    EXPECT_GT(width, 0);
    EXPECT_LT(width, screenWidth);
    EXPECT_EQ(shown.remove(QChar(0x200B)).toStdString(), text);
  }
}

TEST(QtPlatformMessages, ButtonsSpeakItalian) {
  QtPlatform platform;
  QStringList texts;
  WhenModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    for (QAbstractButton* button : box->buttons()) texts << button->text();
    box->button(QMessageBox::Cancel)->click();
    return true;
  });
  platform.MessageBox("Salvo i dati?", "Numino", MessageStyle::YesNoCancelQuestion);
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
void AnswerFileDialog(DialogSeen& seen, QString name) {
  WhenModal([&seen, name](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (!dialog) return modal->close();
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
    return true;
  });
}

TEST(QtPlatformDialogs, SaveDialog) {
  QTemporaryDir dir;
  const std::string pippo = Path(dir, "pippo.nmo");
  Put(pippo, "x");
  numino::FileDialogRequest request;
  request.title = "Salvataggio dati";
  request.initialFolder = dir.path().toStdString();
  request.initialFile = pippo;
  QtPlatform platform;

  DialogSeen seen;
  AnswerFileDialog(seen, QStringLiteral("nuovo"));
  EXPECT_EQ(platform.SaveFileDialog(request), Path(dir, "nuovo.nmo")) << "the extension is added";
  EXPECT_EQ(seen.title, QStringLiteral("Salvataggio dati"));
  EXPECT_EQ(seen.filters, QStringList{QStringLiteral("Documento NMO (*.nmo)")});
  EXPECT_EQ(seen.suffix, QStringLiteral("nmo"));
  EXPECT_EQ(seen.acceptMode, QFileDialog::AcceptSave);
  EXPECT_FALSE(seen.confirmsOverwrite) << "saving asks about an existing file itself";
  EXPECT_FALSE(seen.native);
  EXPECT_EQ(seen.buttons, (QStringList{QStringLiteral("&Salva"), QStringLiteral("Annulla")}));
  EXPECT_EQ(seen.folder, dir.path());
  EXPECT_EQ(seen.selected, QStringList{QString::fromStdString(pippo)}) << "starts from the name";

  AnswerFileDialog(seen, QString());
  EXPECT_EQ(platform.SaveFileDialog(request), std::nullopt) << "cancelled";
}

TEST(QtPlatformDialogs, OpenDialogReturnsOnlyExistingFiles) {
  QTemporaryDir dir;
  Put(Path(dir, "pippo.nmo"), "x");
  numino::FileDialogRequest request;
  request.title = "Caricamento dati";
  request.initialFolder = dir.path().toStdString();
  request.existingFilesOnly = true;
  QtPlatform platform;

  DialogSeen seen;
  AnswerFileDialog(seen, QStringLiteral("pippo"));
  EXPECT_EQ(platform.OpenFileDialog(request), Path(dir, "pippo.nmo"))
      << "a name without extension means the .nmo file";
  EXPECT_EQ(seen.title, QStringLiteral("Caricamento dati"));
  EXPECT_EQ(seen.acceptMode, QFileDialog::AcceptOpen);
  EXPECT_EQ(seen.fileMode, QFileDialog::ExistingFile);
  EXPECT_EQ(seen.buttons, (QStringList{QStringLiteral("&Apri"), QStringLiteral("Annulla")}));
  EXPECT_EQ(seen.folder, dir.path());
  EXPECT_TRUE(seen.selected.isEmpty() || seen.selected == QStringList{dir.path()})
      << "starts with no name";
}

}  // namespace
