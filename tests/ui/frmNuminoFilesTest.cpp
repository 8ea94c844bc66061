// The window's open and save commands against the real file system, with
// files that only a real one holds (permissions, devices, sparse files,
// odd bytes, deep paths): a file that cannot be opened or written must end
// in one Italian message that names the file and the reason, with nothing
// of the open document lost. The dialogs and message boxes are answered
// from a script; the file access is the program's own.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/QtTestSupport.h"
#include "support/Unprivileged.h"
#include "ui/QtPlatform.h"
#include "ui/frmNumino.h"

namespace {

using numino::FileDialogRequest;
using numino::MessageAnswer;
using numino::MessageStyle;
using numino::testing::AsUnprivilegedUser;
using numino::testing::Get;
using numino::testing::kPippoFile;
using numino::testing::Put;
using numino::testing::Repeat;
using numino::testing::Trigger;

// The shipped file access, with the dialogs and boxes answered from queues
// (an empty queue cancels, or answers No or OK) and every box recorded.
class ScriptedPlatform : public QtPlatform {
 public:
  struct Message {
    std::string text;
    std::string title;
    MessageStyle style;
  };

  explicit ScriptedPlatform(const QString& programFolder) : QtPlatform(programFolder) {}

  MessageAnswer MessageBox(std::string_view text, std::string_view title,
                           MessageStyle style) override {
    messages.push_back({std::string(text), std::string(title), style});
    if (!answers.empty()) {
      const MessageAnswer answer = answers.front();
      answers.pop_front();
      return answer;
    }
    switch (style) {
      case MessageStyle::YesNoCancelQuestion:
        return MessageAnswer::Cancel;
      case MessageStyle::YesNoQuestion:
        return MessageAnswer::No;
      default:
        return MessageAnswer::Ok;
    }
  }
  std::optional<std::string> SaveFileDialog(const FileDialogRequest&) override {
    return Next(saveChoices);
  }
  std::optional<std::string> OpenFileDialog(const FileDialogRequest&) override {
    return Next(openChoices);
  }

  std::deque<MessageAnswer> answers;
  std::deque<std::string> saveChoices;
  std::deque<std::string> openChoices;
  std::vector<Message> messages;

 private:
  static std::optional<std::string> Next(std::deque<std::string>& choices) {
    if (choices.empty()) return std::nullopt;
    std::string chosen = choices.front();
    choices.pop_front();
    return chosen;
  }
};

// A temporary folder that another user may enter and write in, with the
// window on a document opened from pippo.nmo there and then changed:
// (4, 4) = 7, not yet saved.
struct Session {
  QTemporaryDir dir;
  std::string folder = dir.path().toStdString();
  std::string pippo = folder + "/pippo.nmo";
  ScriptedPlatform platform{dir.path()};
  std::unique_ptr<frmNumino> window;

  Session() {
    EXPECT_EQ(chmod(folder.c_str(), 0777), 0);
    Put(pippo, kPippoFile);
    window = std::make_unique<frmNumino>(platform, QStringLiteral("Numino"));
    platform.openChoices.push_back(pippo);
    Trigger(*window, "mnuApri");
    window->Schema().SetBuffer(4, 4, 7, false);
    platform.messages.clear();
  }
  // The folders that a row closed are opened again, so that the temporary
  // folder can be removed also by a user other than root.
  ~Session() {
    for (const QFileInfo& entry :
         QDir(dir.path()).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
      chmod(QFile::encodeName(entry.filePath()).constData(), 0755);
    }
  }
  std::string Path(const char* name) const { return folder + "/" + name; }
  numino::NuminoSchema& Schema() { return window->Schema(); }
  std::string Title() const { return window->windowTitle().toStdString(); }
};

TEST(OpeningBadFiles, TellsWhyAndKeepsTheDocument) {
  const std::string notADigit = "la riga 1 contiene un carattere che non è una cifra (colonna 1)";
  struct Row {
    const char* what;
    // Makes the file in the session's folder and gives its path.
    std::function<std::string(Session&)> make;
    std::string reason;
    bool asAnotherUser = false;
  };
  const Row rows[] = {
      {"a file nobody may read",
       [](Session& s) {
         const std::string path = s.Path("segreto.nmo");
         Put(path, kPippoFile);
         EXPECT_EQ(chmod(path.c_str(), 0), 0);
         return path;
       },
       "permesso negato", true},
      {"a file in a folder nobody may enter",
       [](Session& s) {
         const std::string folder = s.Path("chiusa");
         EXPECT_EQ(mkdir(folder.c_str(), 0), 0);
         return folder + "/pippo.nmo";
       },
       "permesso negato", true},
      {"a file where a folder should be", [](Session& s) { return s.pippo + "/altro.nmo"; },
       "la cartella non esiste"},
      {"the endless device", [](Session&) { return std::string("/dev/zero"); },
       "non è un file normale"},
      {"a sparse file of a gigabyte of zeros",
       [](Session& s) {
         const std::string path = s.Path("enorme.nmo");
         Put(path, "");
         EXPECT_EQ(truncate(path.c_str(), 1LL << 30), 0);
         return path;
       },
       notADigit},
      {"a picture",
       [](Session& s) {
         const std::string path = s.Path("figura.nmo");
         Put(path, std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
         return path;
       },
       notADigit},
      {"a document behind a UTF-8 byte-order mark",
       [](Session& s) {
         // The mark's three bytes are the first characters of row 1.
         const std::string path = s.Path("bom.nmo");
         Put(path, "\xEF\xBB\xBF" + kPippoFile);
         return path;
       },
       notADigit},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    Session s;
    const std::string path = r.make(s);
    s.platform.answers = {MessageAnswer::No};  // drop the change
    s.platform.openChoices.push_back(path);
    if (r.asAnotherUser) {
      AsUnprivilegedUser nobody;
      Trigger(*s.window, "mnuApri");
    } else {
      Trigger(*s.window, "mnuApri");
    }

    ASSERT_EQ(s.platform.messages.size(), 2u) << "the save prompt, then one error";
    const auto& error = s.platform.messages[1];
    EXPECT_EQ(error.text, "Impossibile aprire il file " + path + ": " + r.reason + ".");
    EXPECT_EQ(error.title, "Caricamento dati");
    EXPECT_EQ(error.style, MessageStyle::OkExclamation);
    EXPECT_EQ(s.Title(), "Numino - pippo");
    EXPECT_EQ(s.Schema().fileName, s.pippo);
    EXPECT_EQ(s.Schema().cellValues[1][1], 5);
    EXPECT_EQ(s.Schema().cellValues[4][4], 7) << "the change not saved is still there";
    EXPECT_TRUE(s.Schema().Modified());
  }
}

TEST(OpeningOddFiles, LoadsTheGridTheyHold) {
  const std::string grid = Repeat("123456789\r\n", 9);
  struct Row {
    const char* what;
    std::string start;  // the file's first bytes
    long long size;     // the file's size, zeros after the start
  };
  const Row rows[] = {
      {"lines ended by CR LF, LF and CR in turn",
       "123456789\r\n123456789\n123456789\r123456789\r\n123456789\n123456789\r"
       "123456789\n123456789\r\n123456789",
       0},
      {"a document followed by a gigabyte of zeros", grid, 1LL << 30},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    Session s;
    const std::string path = s.Path("strano.nmo");
    Put(path, r.start);
    if (r.size > 0) {
      EXPECT_EQ(truncate(path.c_str(), r.size), 0);
    }
    s.platform.answers = {MessageAnswer::No};
    s.platform.openChoices.push_back(path);
    Trigger(*s.window, "mnuApri");

    EXPECT_EQ(s.platform.messages.size(), 1u) << "only the save prompt";
    EXPECT_EQ(s.Title(), "Numino - strano");
    EXPECT_FALSE(s.Schema().Modified());
    for (int row = 1; row <= 9; ++row) {
      for (int col = 1; col <= 9; ++col) {
        ASSERT_EQ(s.Schema().cellValues[row][col], col) << "row " << row;
      }
    }
  }
}

TEST(SavingFails, TellsWhyKeepsTheOldFileAndStaysModified) {
  struct Row {
    const char* what;
    // Prepares the target in the session's folder and gives its path.
    std::function<std::string(Session&)> make;
    std::string reason;
    const char* oldContents;  // the target before, and after the failure; nullptr: none
    bool asAnotherUser = false;
  };
  const Row rows[] = {
      {"a new file in a folder nobody may write in",
       [](Session& s) {
         const std::string folder = s.Path("sola-lettura");
         EXPECT_EQ(mkdir(folder.c_str(), 0555), 0);
         return folder + "/nuovo.nmo";
       },
       "permesso negato", nullptr, true},
      {"a file nobody may write",
       [](Session& s) {
         const std::string path = s.Path("bloccato.nmo");
         Put(path, "vecchio");
         EXPECT_EQ(chmod(path.c_str(), 0444), 0);
         return path;
       },
       "permesso negato", "vecchio", true},
      {"a name longer than the file system allows",
       [](Session& s) { return s.folder + "/" + std::string(300, 'x') + ".nmo"; },
       "il nome del file è troppo lungo", nullptr},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    Session s;
    const std::string path = r.make(s);
    s.platform.saveChoices.push_back(path);
    s.platform.answers = {MessageAnswer::Yes};  // overwrite, where asked
    if (r.asAnotherUser) {
      AsUnprivilegedUser nobody;
      Trigger(*s.window, "mnuSalvaConNome");
    } else {
      Trigger(*s.window, "mnuSalvaConNome");
    }

    ASSERT_FALSE(s.platform.messages.empty());
    const auto& error = s.platform.messages.back();
    EXPECT_EQ(error.text, "Impossibile salvare il file " + path + ": " + r.reason + ".");
    EXPECT_EQ(error.title, "Salvataggio dati");
    EXPECT_EQ(error.style, MessageStyle::OkExclamation);
    EXPECT_EQ(s.Schema().fileName, path) << "the document keeps the name just chosen";
    EXPECT_TRUE(s.Schema().Modified());
    EXPECT_EQ(s.Schema().cellValues[4][4], 7);
    EXPECT_EQ(Get(path), r.oldContents ? r.oldContents : "<missing>");
    EXPECT_EQ(Get(s.pippo), kPippoFile);
    // Nothing but what the row made: no temporary file left behind.
    QStringList entries = QDir(s.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    entries.removeAll(QStringLiteral("pippo.nmo"));
    EXPECT_LE(entries.size(), 1) << entries.join(QLatin1Char(' ')).toStdString();
  }
}

// A path of exactly `length` characters ending in ".nmo", in folders below
// `base` that are made here.
std::string PathOfLength(const std::string& base, std::size_t length) {
  std::string path = base;
  while (length - path.size() > 200) {
    path += "/" + std::string(150, 'c');
    EXPECT_TRUE(QDir().mkpath(QString::fromStdString(path)));
  }
  path += "/" + std::string(length - path.size() - 5, 'n') + ".nmo";
  EXPECT_EQ(path.size(), length);
  return path;
}

TEST(SavingNames, SpacesAccentsAndLongPathsRoundTrip) {
  struct Row {
    const char* what;
    std::function<std::string(Session&)> make;
    const char* title;  // nullptr: not checked
  };
  const Row rows[] = {
      {"spaces, accents and Qt's modified mark",
       [](Session& s) { return s.Path("la mia partità [*].nmo"); }, "Numino - la mia partità [*]"},
      {"a path of the longest length accepted, 519 characters",
       [](Session& s) { return PathOfLength(s.folder, 519); }, nullptr},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    Session s;
    const std::string path = r.make(s);
    s.platform.saveChoices.push_back(path);
    Trigger(*s.window, "mnuSalvaConNome");
    EXPECT_TRUE(s.platform.messages.empty());
    EXPECT_FALSE(s.Schema().Modified());
    const std::string expected = "500000000\r\n000000000\r\n000000000\r\n000700000\r\n" +
                                 Repeat("000000000\r\n", 4) + "000000009\r\n";
    EXPECT_EQ(Get(path), expected);
    if (r.title) {
      s.window->show();
      ASSERT_TRUE(QTest::qWaitForWindowExposed(s.window.get()));
      EXPECT_EQ(s.window->windowHandle()->title().toStdString(), r.title);
    }

    Trigger(*s.window, "mnuNuovo");
    s.platform.openChoices.push_back(path);
    Trigger(*s.window, "mnuApri");
    EXPECT_EQ(s.Schema().fileName, path);
    EXPECT_EQ(s.Schema().cellValues[4][4], 7);
    EXPECT_TRUE(s.platform.messages.empty());
  }
}

TEST(SavingNames, OneCharacterTooLongIsRefusedAndAskedAgain) {
  Session s;
  const std::string tooLong = PathOfLength(s.folder, 520);
  s.platform.saveChoices = {tooLong, s.Path("corto.nmo")};
  Trigger(*s.window, "mnuSalvaConNome");
  ASSERT_EQ(s.platform.messages.size(), 1u);
  EXPECT_EQ(s.platform.messages[0].text,
            "Il nome del file è troppo lungo: sono ammessi al massimo 519 caratteri.");
  EXPECT_EQ(s.platform.messages[0].title, "Salvataggio dati");
  EXPECT_EQ(Get(tooLong), "<missing>");
  EXPECT_EQ(s.Schema().fileName, s.Path("corto.nmo")) << "the second name is written";
  EXPECT_FALSE(s.Schema().Modified());
}

}  // namespace
