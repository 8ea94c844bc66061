// Starts the program: the application, the platform services and the one window.

#include <QApplication>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/QtTimer.h"
#include "app/StopSignals.h"
#include "files/FileAccess.h"
#include "recovery/RecoveryFile.h"
#include "window/QtDialogs.h"
#include "window/frmNumino.h"

namespace {

// As the system's bytes; "." when it cannot be told.
std::string WorkingFolder() {
  std::vector<char> buffer(4096);
  while (!::getcwd(buffer.data(), buffer.size())) {
    if (errno != ERANGE) return ".";
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

}  // namespace

int main(int argc, char** argv) {
  // Whole-number scale factors keep the board's one-pixel lines sharp.
  QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
  PreferUtf8CharacterType();
  // What follows "--" is the program's alone: Qt would take "-reverse"
  // there for one of its own options.
  const int ours = static_cast<int>(
      std::find_if(argv + 1, argv + argc, [](const char* a) { return std::strcmp(a, "--") == 0; }) -
      argv);
  int qtArgc = ours;
  std::vector<char*> qtArgv(argv, argv + ours);
  qtArgv.push_back(nullptr);
  QApplication app(qtArgc, qtArgv.data());
  QApplication::setApplicationName(QStringLiteral("Numino"));
  QApplication::setApplicationVersion(QStringLiteral(NUMINO_VERSION));
  SetUpApplication(app);  // first, so that Qt's words in --help are Italian too

  // QApplication has taken its own options out of the arguments by now.
  // Read as the system's bytes: QApplication::arguments() decodes them as
  // UTF-8, and a name in another encoding would name another file.
  std::vector<std::string> arguments(qtArgv.data(), qtArgv.data() + qtArgc);
  arguments.insert(arguments.end(), argv + ours, argv + argc);
  const CommandLine commandLine = ParseCommandLine(arguments, WorkingFolder());
  if (commandLine.helpWithQtOptions) ShowHelpWithQtOptions(QApplication::arguments());
  if (commandLine.exitCode >= 0) {
    std::fputs(qPrintable(commandLine.output), stdout);
    if (!commandLine.error.isEmpty()) std::fprintf(stderr, "%s\n", qPrintable(commandLine.error));
    return commandLine.exitCode;
  }

  QtDialogs dialogs;
  FileAccess files;
  QtTimer recoveryTimer;
  frmNumino window({dialogs, files});
  dialogs.SetOwner(&window);
  window.EnableRecovery(RecoveryFile::DefaultFolder(), recoveryTimer);
  window.show();
  // Only once the window is up, so that a message about the file has a
  // window to belong to. Work brought back from a recovery file is asked
  // about first; the file is then opened as a dropped one is, after the
  // save prompt, unless it is the recovered work's own. The session ending
  // during the question ends the program at once. A file that cannot be
  // opened leaves the document as it was, and the program goes on.
  const frmNumino::Recovery recovery = window.OfferRecovery();
  if (recovery == frmNumino::Recovery::SessionEnded) return 0;
  if (commandLine.file) {
    if (recovery == frmNumino::Recovery::Restored) {
      window.OpenAfterRecovery(*commandLine.file);
    } else {
      window.OpenDocument(*commandLine.file);
    }
  }
  // Set only now: until the event loop runs, a signal still ends the
  // program at once, and nothing of this run's work exists yet.
  StopSignals stopSignals;
  QObject::connect(&stopSignals, &StopSignals::Received, &window, &frmNumino::KeepWorkAndQuit);
  const KeepAtExit keepAtExit([&window] { window.KeepWorkAtExit(); });
  return QApplication::exec();
}
