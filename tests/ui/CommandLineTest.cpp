#include "ui/CommandLine.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

TEST(ParseCommandLine, OpensAtMostOneFileAndRefusesTheRest) {
  struct Row {
    QStringList arguments;  // after the program's name
    int exitCode;
    const char* file;   // nullptr: no file
    const char* error;  // the line on standard error
    const char* reason;
  };
  // clang-format off
  const Row rows[] = {
      {{}, -1, nullptr, "", "no argument: start as always"},
      {{"schema.nmo"}, -1, "/home/anna/lavoro/schema.nmo", "", "relative to the working folder"},
      {{"../x/schema.nmo"}, -1, "/home/anna/lavoro/../x/schema.nmo", "",
       "\"..\" is left to the file system, which knows the symbolic links"},
      {{"/tmp/schema.nmo"}, -1, "/tmp/schema.nmo", "", "an absolute name stays as it is"},
      {{"--", "-schema.nmo"}, -1, "/home/anna/lavoro/-schema.nmo", "", "after -- a dash starts a file"},
      {{"a.nmo", "b.nmo"}, 2, nullptr, "Numino: troppi file: se ne apre uno solo.", "two files"},
      {{"--x"}, 2, nullptr, "Numino: opzione sconosciuta: --x", "unknown option"},
      {{"a.nmo", "-x=1"}, 2, nullptr, "Numino: opzione sconosciuta: -x", "named as typed, without its value"},
      {{"-platform", "offscreen", "a.nmo"}, 2, nullptr, "Numino: opzione sconosciuta: -platform",
       "Qt's options must be taken out by QApplication before"},
      {{""}, 2, nullptr, "Numino: il nome del file è vuoto.", "an empty name is no file"},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.reason);
    const CommandLine result = ParseCommandLine(QStringList{"Numino"} + row.arguments,
                                                QDir(QStringLiteral("/home/anna/lavoro")));
    EXPECT_EQ(result.exitCode, row.exitCode);
    EXPECT_EQ(result.file, row.file ? std::optional<QString>(row.file) : std::nullopt);
    EXPECT_EQ(result.error.toStdString(), row.error);
    EXPECT_TRUE(result.output.isEmpty());
  }
}

TEST(ParseCommandLine, HelpAndVersionPrintAndExitWithoutAWindow) {
  const QDir here = QDir::current();
  const CommandLine help = ParseCommandLine({"Numino", "a.nmo", "--help"}, here);
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_FALSE(help.file);
  EXPECT_TRUE(help.output.contains(QStringLiteral("Il documento .nmo da aprire")));

  const CommandLine version = ParseCommandLine({"Numino", "-v"}, here);
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.output, QCoreApplication::applicationName() + ' ' +
                                QCoreApplication::applicationVersion() + '\n');

  const CommandLine helpAll = ParseCommandLine({"Numino", "--help-all"}, here);
  EXPECT_EQ(helpAll.exitCode, 0);
  EXPECT_TRUE(helpAll.helpWithQtOptions);
}

}  // namespace
