// The window's open and save commands against the real file system, with
// files that only a real one holds (permissions, devices, sparse files,
// odd bytes, deep paths): a file that cannot be opened or written must end
// in one Italian message that names the file and the reason, with nothing
// of the open document lost. The dialogs and message boxes are answered
// from a script; the file access is the program's own.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/FakePlatform.h"
#include "support/QtTestSupport.h"
#include "support/Unprivileged.h"
#include "window/frmNumino.h"

namespace {

using numino::MessageAnswer;
using numino::MessageStyle;
using numino::testing::AsUnprivilegedUser;
using numino::testing::AttributeOf;
using numino::testing::BreakingFileAccess;
using numino::testing::Entries;
using numino::testing::FakeDialogs;
using numino::testing::Get;
using numino::testing::kPippoFile;
using numino::testing::kSharingAcl;
using numino::testing::Put;
using numino::testing::Repeat;
using numino::testing::RowName;
using numino::testing::TemporaryFolder;
using numino::testing::Trigger;

// A temporary folder that another user may enter and write in, with the
// window on a document opened from pippo.nmo there and then changed:
// (4, 4) = 7, not yet saved.
struct Session {
  TemporaryFolder dir;  // opens the folders a row closed before it goes
  std::string folder = dir.Path();
  std::string pippo = folder + "/pippo.nmo";
  FakeDialogs dialogs;
  BreakingFileAccess files;
  std::unique_ptr<frmNumino> window;

  Session() {
    EXPECT_EQ(chmod(folder.c_str(), 0777), 0);
    dialogs.documentFolder = folder;
    Put(pippo, kPippoFile);
    window =
        std::make_unique<frmNumino>(numino::Platform{dialogs, files}, QStringLiteral("Numino"));
    Open(pippo);
  }
  std::string Path(const char* name) const { return folder + "/" + name; }
  // Opens `name`, dropping any change, and changes (4, 4) to 7.
  void Open(const std::string& name) {
    dialogs.messageAnswers = {MessageAnswer::No};
    dialogs.openAnswers.push_back(name);
    Trigger(*window, "mnuApri");
    window->Schema().SetBuffer(4, 4, 7, false);
    dialogs.messageAnswers.clear();
    dialogs.messages.clear();
  }
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
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    Session s;
    const std::string path = r.make(s);
    s.dialogs.messageAnswers = {MessageAnswer::No};  // drop the change
    s.dialogs.openAnswers.push_back(path);
    if (r.asAnotherUser) {
      AsUnprivilegedUser nobody;
      Trigger(*s.window, "mnuApri");
    } else {
      Trigger(*s.window, "mnuApri");
    }

    ASSERT_EQ(s.dialogs.messages.size(), 2u) << "the save prompt, then one error";
    const auto& error = s.dialogs.messages[1];
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
      {"a document behind a UTF-8 byte-order mark", "\xEF\xBB\xBF" + grid, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    Session s;
    const std::string path = s.Path("strano.nmo");
    Put(path, r.start);
    if (r.size > 0) {
      EXPECT_EQ(truncate(path.c_str(), r.size), 0);
    }
    s.dialogs.messageAnswers = {MessageAnswer::No};
    s.dialogs.openAnswers.push_back(path);
    Trigger(*s.window, "mnuApri");

    EXPECT_EQ(s.dialogs.messages.size(), 1u) << "only the save prompt";
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
    s.dialogs.saveAnswers.push_back(path);
    s.dialogs.messageAnswers = {MessageAnswer::Yes};  // overwrite, where asked
    if (r.asAnotherUser) {
      AsUnprivilegedUser nobody;
      Trigger(*s.window, "mnuSalvaConNome");
    } else {
      Trigger(*s.window, "mnuSalvaConNome");
    }

    ASSERT_FALSE(s.dialogs.messages.empty());
    const auto& error = s.dialogs.messages.back();
    EXPECT_EQ(error.text, "Impossibile salvare il file " + path + ": " + r.reason + ".");
    EXPECT_EQ(error.title, "Salvataggio dati");
    EXPECT_EQ(error.style, MessageStyle::OkExclamation);
    EXPECT_EQ(s.Schema().fileName, s.pippo) << "the name is taken only once written";
    EXPECT_EQ(s.Title(), "Numino - pippo");
    EXPECT_TRUE(s.Schema().Modified());
    EXPECT_EQ(s.Schema().cellValues[4][4], 7);
    EXPECT_EQ(Get(path), r.oldContents ? r.oldContents : "<missing>");
    EXPECT_EQ(Get(s.pippo), kPippoFile);
    // Nothing but what the row made: no temporary file left behind.
    EXPECT_LE(Entries(s.folder).size(), 2u) << "pippo.nmo, and what the row made";
  }
}

// A path of exactly `length` bytes ending in ".nmo", in folders below `base`
// that are made here.
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

// pippo.nmo as the session saves it: with 7 in row 4, column 4.
const std::string kSavedFile = "500000000\r\n000000000\r\n000000000\r\n000700000\r\n" +
                               Repeat("000000000\r\n", 4) + "000000009\r\n";

TEST(SavingNames, SpacesAccentsAndLongPathsRoundTrip) {
  struct Row {
    const char* what;
    std::function<std::string(Session&)> make;
    const char* title;  // nullptr: not checked
  };
  const Row rows[] = {
      {"spaces, accents and Qt's modified mark",
       [](Session& s) { return s.Path("la mia partità [*].nmo"); }, "Numino - la mia partità [*]"},
      {"a newline, shown as U+FFFD", [](Session& s) { return s.Path("riga\nnuova.nmo"); },
       "Numino - riga\xEF\xBF\xBDnuova"},
      {"a path of the longest length the system takes, 4095 bytes",
       [](Session& s) { return PathOfLength(s.folder, 4095); }, nullptr},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    Session s;
    const std::string path = r.make(s);
    s.dialogs.saveAnswers.push_back(path);
    Trigger(*s.window, "mnuSalvaConNome");
    EXPECT_TRUE(s.dialogs.messages.empty());
    EXPECT_FALSE(s.Schema().Modified());
    EXPECT_EQ(Get(path), kSavedFile);
    if (r.title) {
      s.window->show();
      ASSERT_TRUE(QTest::qWaitForWindowExposed(s.window.get()));
      EXPECT_EQ(s.window->windowHandle()->title().toStdString(), r.title);
    }

    Trigger(*s.window, "mnuNuovo");
    s.dialogs.openAnswers.push_back(path);
    Trigger(*s.window, "mnuApri");
    EXPECT_EQ(s.Schema().fileName, path);
    EXPECT_EQ(s.Schema().cellValues[4][4], 7);
    EXPECT_TRUE(s.dialogs.messages.empty());
  }
}

TEST(SavingNames, OneCharacterTooLongIsRefusedAndAskedAgain) {
  Session s;
  const std::string tooLong = PathOfLength(s.folder, 4096);
  s.dialogs.saveAnswers = {tooLong, s.Path("corto.nmo")};
  Trigger(*s.window, "mnuSalvaConNome");
  ASSERT_EQ(s.dialogs.messages.size(), 1u);
  EXPECT_EQ(s.dialogs.messages[0].text,
            "Il nome del file è troppo lungo: sono ammessi al massimo 4095 caratteri.");
  EXPECT_EQ(s.dialogs.messages[0].title, "Salvataggio dati");
  EXPECT_EQ(Get(tooLong), "<missing>");
  EXPECT_EQ(s.Schema().fileName, s.Path("corto.nmo")) << "the second name is written";
  EXPECT_FALSE(s.Schema().Modified());
}

// The name is taken although nothing is where the link leads; the save then
// makes that file, through the link.
TEST(SavingNames, ABrokenLinkIsAskedAboutAndStaysALink) {
  Session s;
  const std::string link = s.Path("collegamento.nmo");
  ASSERT_EQ(symlink("mancante.nmo", link.c_str()), 0);
  s.dialogs.saveAnswers.push_back(link);
  s.dialogs.messageAnswers = {MessageAnswer::Yes};
  Trigger(*s.window, "mnuSalvaConNome");
  ASSERT_EQ(s.dialogs.messages.size(), 1u);
  EXPECT_EQ(s.dialogs.messages[0].text, "Il file " + link + " esiste già. Lo sovrascrivo?");
  EXPECT_EQ(Get(s.Path("mancante.nmo")), kSavedFile) << "written through the link";
  EXPECT_EQ(s.Schema().fileName, link);
}

// Root in the tests plays two users: the one who saves ("nobody") and the
// one another file belongs to. Without root, the files are the tester's own.
constexpr uid_t kNobody = 65534;
constexpr gid_t kNogroup = 65534;
constexpr uid_t kSomeoneElse = 4321;
const bool kRoot = geteuid() == 0;

// Gives a file to the user who saves, so that only what a row sets up keeps
// a save from going through a temporary file.
void GiveToSaver(const std::string& path) {
  if (kRoot) {
    EXPECT_EQ(lchown(path.c_str(), kNobody, kNogroup), 0);
  }
}

// What a save must keep of a file: owner, group, type and mode, links, the
// attributes the tests set; and of its folder, the names in it (no
// temporary file left behind).
std::string Identity(const std::string& path) {
  struct stat i = {};
  if (lstat(path.c_str(), &i) != 0) return "<missing>";
  const QFileInfo file(QString::fromStdString(path));
  return std::to_string(i.st_uid) + " " + std::to_string(i.st_gid) + " " +
         std::to_string(i.st_mode) + " " + std::to_string(i.st_nlink) + " " +
         AttributeOf(path, "user.numino") + " " + AttributeOf(path, "system.posix_acl_access") +
         " " + file.dir().entryList(QDir::AllEntries | QDir::Hidden).join(' ').toStdString();
}

// A line after the grid, which a document read ignores and a save drops.
const std::string kExtraLine = "una riga in più, che deve sparire\r\n";

// "&Salva" on a document whose file is special, or was changed by another
// program after it was opened. The save must keep the file what it was
// (owner, group, mode, links, attributes, a link staying a link), ask
// before writing over another program's work, and write nothing on No.
// A row that needs root, or attributes the file system lacks, shows as
// skipped where it cannot run.
using Arrange = std::function<std::optional<std::string>(Session&)>;
struct IdentityRow {
  const char* what;
  // Sets the file up, as root where it gives files away, and gives the
  // name to open and save; nullopt when the row cannot be set up here.
  Arrange arrange;
  // Another program, between opening and saving; when empty, the file's
  // identity must come out of the save as it went in.
  std::function<void(Session&)> meanwhile;
  MessageAnswer answer;
  std::string message;  // the one box shown, "{}" standing for the name; empty: none
  bool written;         // else the file stays whole, or the message says it may not
  const char* sameAs;   // another name that must show the same bytes afterwards
};

std::vector<IdentityRow> IdentityRows() {
  const std::string changed =
      "Il file {} è stato modificato da un altro programma. Lo sovrascrivo?";
  const std::string gone = "Il file {} non esiste più. Lo ricreo?";
  const std::string full = "Impossibile salvare il file {}: spazio esaurito sul disco.";
  const auto owned = [](Session& s) -> std::optional<std::string> { return s.pippo; };
  const auto sharedAs = [](uid_t owner, gid_t group, mode_t mode) -> Arrange {
    return [=](Session& s) -> std::optional<std::string> {
      if (!kRoot) return std::nullopt;
      EXPECT_EQ(chown(s.pippo.c_str(), owner, group), 0);
      EXPECT_EQ(chmod(s.pippo.c_str(), mode), 0);
      return s.pippo;
    };
  };
  const auto linked = [](Session& s) -> std::optional<std::string> {
    EXPECT_EQ(link(s.pippo.c_str(), s.Path("copia.nmo").c_str()), 0);
    return s.pippo;
  };
  const auto breaking = [](Arrange arrange) -> Arrange {
    return [=](Session& s) {
      s.files.failAt = BreakingFileAccess::Step::Write;
      s.files.failWith = ENOSPC;
      return arrange(s);
    };
  };
  // The same size, at the same place: only the file's time tells.
  const auto rewrite = [](Session& s) { Put(s.pippo, Repeat("123456789\r\n", 9) + kExtraLine); };
  const auto remove = [](Session& s) { EXPECT_EQ(unlink(s.pippo.c_str()), 0); };
  const auto yes = MessageAnswer::Yes;
  const auto no = MessageAnswer::No;
  // clang-format off
  return {
      {"someone else's file, shared through the group", sharedAs(kSomeoneElse, kNogroup, 0660),
       nullptr, yes, "", true, nullptr},
      {"one's own file in another group", sharedAs(kNobody, kSomeoneElse, 0640),
       nullptr, yes, "", true, nullptr},
      {"a file with a second name", linked, nullptr, yes, "", true, "copia.nmo"},
      {"an extended attribute and an ACL",
       [](Session& s) -> std::optional<std::string> {
         const bool attribute = setxattr(s.pippo.c_str(), "user.numino", "sì", 3, 0) == 0;
         const bool acl = setxattr(s.pippo.c_str(), "system.posix_acl_access", kSharingAcl.data(),
                                   kSharingAcl.size(), 0) == 0;
         if (!attribute || !acl) return std::nullopt;
         return s.pippo;
       },
       nullptr, yes, "", true, nullptr},
      {"a writable file in a folder nobody may write in",
       [](Session& s) -> std::optional<std::string> {
         const std::string folder = s.Path("sola-lettura");
         EXPECT_EQ(mkdir(folder.c_str(), 0755), 0);
         Put(folder + "/pippo.nmo", kPippoFile);
         GiveToSaver(folder + "/pippo.nmo");
         EXPECT_EQ(chmod(folder.c_str(), 0555), 0);
         return folder + "/pippo.nmo";
       },
       nullptr, yes, "", true, nullptr},
      {"a symbolic link, which stays one",
       [](Session& s) -> std::optional<std::string> {
         EXPECT_EQ(symlink("pippo.nmo", s.Path("collegamento.nmo").c_str()), 0);
         return s.Path("collegamento.nmo");
       },
       nullptr, yes, "", true, "pippo.nmo"},
      {"changed by another program; Yes", owned, rewrite, yes, changed, true, nullptr},
      {"changed by another program; No", owned, rewrite, no, changed, false, nullptr},
      {"replaced by another file; Yes", owned,
       [](Session& s) {
         Put(s.Path("nuovo.tmp"), kPippoFile);
         EXPECT_EQ(rename(s.Path("nuovo.tmp").c_str(), s.pippo.c_str()), 0);
       },
       yes, changed, true, nullptr},
      {"turned into a link to another file; Yes", owned,
       [](Session& s) {
         Put(s.Path("altrove.nmo"), kPippoFile);
         EXPECT_EQ(unlink(s.pippo.c_str()), 0);
         EXPECT_EQ(symlink("altrove.nmo", s.pippo.c_str()), 0);
       },
       yes, changed, true, "altrove.nmo"},
      {"deleted by another program; Yes recreates it", owned, remove, yes, gone, true,
       nullptr},
      {"deleted by another program; No", owned, remove, no, gone, false, nullptr},
      {"a write in place that breaks off", breaking(linked), nullptr, yes,
       full + " Il file potrebbe essere rimasto incompleto.", false, "copia.nmo"},
      {"a write through a temporary file that breaks off", breaking(owned), nullptr, yes, full,
       false, nullptr},
  };
  // clang-format on
}

class SavingKeepsTheFile : public ::testing::TestWithParam<IdentityRow> {};

TEST_P(SavingKeepsTheFile, IdentityAndOtherProgramsChanges) {
  const IdentityRow& r = GetParam();
  Session s;
  // Longer than what is saved, so that a write in place must cut it short.
  Put(s.pippo, kPippoFile + kExtraLine);
  GiveToSaver(s.pippo);
  const std::optional<std::string> name = r.arrange(s);
  if (!name) GTEST_SKIP() << "needs root, or a file system with attributes and ACLs";
  std::string message = r.message;
  if (const auto at = message.find("{}"); at != std::string::npos) {
    message.replace(at, 2, *name);
  }
  const std::string identity = Identity(*name);
  std::string before;  // the file as it was just before the save
  {
    AsUnprivilegedUser nobody;
    s.Open(*name);
    if (r.meanwhile) r.meanwhile(s);
    before = Get(*name);
    s.dialogs.messageAnswers = {r.answer};
    const std::string title = s.Title();
    Trigger(*s.window, "mnuSalva");
    EXPECT_EQ(s.Title(), title);

    std::vector<std::string> shown;
    for (const auto& m : s.dialogs.messages) shown.push_back(m.text);
    EXPECT_EQ(shown, message.empty() ? std::vector<std::string>{} : std::vector{message});
    EXPECT_EQ(s.Schema().fileName, *name);
    EXPECT_EQ(s.Schema().Modified(), !r.written);
    if (r.answer == MessageAnswer::No) {
      // The changes are still unsaved: New and closing ask, and a Yes
      // that leads to the same No stops them.
      s.dialogs.messageAnswers = {MessageAnswer::Yes, MessageAnswer::No};
      Trigger(*s.window, "mnuNuovo");
      EXPECT_EQ(s.Schema().fileName, *name) << "New stopped";
      s.dialogs.messageAnswers = {MessageAnswer::Yes, MessageAnswer::No};
      EXPECT_FALSE(s.window->close());
      EXPECT_EQ(s.Schema().cellValues[4][4], 7);
    }
  }
  if (!r.meanwhile) {
    EXPECT_EQ(Identity(*name), identity);
  }
  if (r.written) {
    EXPECT_EQ(Get(*name), kSavedFile);
  } else if (message.find("incompleto") == std::string::npos) {
    EXPECT_EQ(Get(*name), before) << "the file stays whole";
  }
  if (r.sameAs) {
    EXPECT_EQ(Get(s.Path(r.sameAs)), Get(*name)) << r.sameAs;
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, SavingKeepsTheFile, ::testing::ValuesIn(IdentityRows()),
                         [](const auto& info) { return RowName(info.param.what); });

// The new file took the old one's place but the disk did not confirm it:
// the message says what the file holds, the document stays modified, and
// the next save does not take its own file for another program's.
TEST(SavingUnconfirmed, SaysSoStaysModifiedAndSavesAgainWithoutAsking) {
  Session s;
  s.files.failAt = BreakingFileAccess::Step::SyncFolder;
  Trigger(*s.window, "mnuSalva");
  ASSERT_EQ(s.dialogs.messages.size(), 1u);
  EXPECT_EQ(s.dialogs.messages[0].text,
            "Impossibile salvare il file " + s.pippo +
                ": errore di lettura o scrittura sul disco. Il file contiene i nuovi dati, ma il "
                "disco non ne ha confermato la scrittura: un'interruzione di corrente potrebbe "
                "ancora annullare il salvataggio.");
  EXPECT_EQ(Get(s.pippo), kSavedFile);
  EXPECT_TRUE(s.Schema().Modified());

  s.files.failAt.reset();
  s.dialogs.messages.clear();
  Trigger(*s.window, "mnuSalva");
  EXPECT_TRUE(s.dialogs.messages.empty()) << "no question about another program";
  EXPECT_FALSE(s.Schema().Modified());
  EXPECT_EQ(s.files.folderSyncs, 2);
}

}  // namespace
