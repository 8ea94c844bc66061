#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

// What the command line `Numino [FILE]` asks for. Either the program runs
// (exitCode < 0), with the one document to open if a file was named, or it
// stops before making the window, printing `output` on standard output and
// `error` as one line on standard error, and exits with exitCode.
struct CommandLine {
  // Made absolute against the working folder but otherwise as given, the
  // system's bytes whatever their encoding: symbolic links and ".." are
  // left to the file system.
  std::optional<std::string> file;
  int exitCode = -1;
  QString output;  // --help and --version, as Qt prints them
  QString error;   // one Italian line, without its line end
  // --help-all: the help with Qt's own options, which only Qt can list;
  // see ShowHelpWithQtOptions.
  bool helpWithQtOptions = false;
};

// The exit status for a command line the program does not accept.
inline constexpr int kCommandLineUsageExit = 2;

// Reads the arguments left once QApplication has taken its own (-platform,
// -style and the like), with the program's name first, as the bytes of
// argv; after "--" every argument is a file. workingFolder: the system's
// bytes. Decides only; the caller prints and exits. --help and --version
// take the application's name and version.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                             const std::string& workingFolder);

// Prints the help of --help-all, Qt's own options included, and exits with
// status 0, as QCommandLineParser::process does.
[[noreturn]] void ShowHelpWithQtOptions(const QStringList& arguments);
