#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace {

// What only the real program shows (QApplication's own options, the exit
// status and the streams) is checked by tests/e2e/command_line.sh.
TEST(ParseCommandLine, OpensAtMostOneFileAndRefusesTheRest) {
  struct Row {
    const char* reason;
    std::vector<std::string> arguments;  // after the program's name, as argv's bytes
    int exitCode;
    const char* file;    // nullptr: no file
    const char* error;   // the line for standard error
    const char* output;  // what standard output contains
  };
  // clang-format off
  const Row rows[] = {
      {"no argument: start as always", {}, -1, nullptr, "", ""},
      {"relative to the working folder; \"..\" is left to the file system, which knows the links",
       {"../x/s.nmo"}, -1, "/home/anna/lavoro/../x/s.nmo", "", ""},
      {"two files",
       {"a.nmo", "b.nmo"}, 2, nullptr, "Numino: troppi file: se ne apre uno solo.", ""},
      {"an unknown option, named as typed, without its value",
       {"a.nmo", "-x=1"}, 2, nullptr, "Numino: opzione sconosciuta: -x", ""},
      {"an empty name is no file", {""}, 2, nullptr, "Numino: il nome del file è vuoto.", ""},
      {"help, and no window", {"a.nmo", "--help"}, 0, nullptr, "", "Il documento .nmo da aprire"},
      {"Latin-1: its bytes", {"\xE9.nmo"}, -1, "/home/anna/lavoro/\xE9.nmo", "", ""},
      {"after --, no option", {"--", "-reverse"}, -1, "/home/anna/lavoro/-reverse", "", ""},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.reason);
    std::vector<std::string> arguments = {"Numino"};
    arguments.insert(arguments.end(), row.arguments.begin(), row.arguments.end());
    const CommandLine result = ParseCommandLine(arguments, "/home/anna/lavoro");
    EXPECT_EQ(result.exitCode, row.exitCode);
    EXPECT_EQ(result.file, row.file ? std::optional<std::string>(row.file) : std::nullopt);
    EXPECT_EQ(result.error.toStdString(), row.error);
    EXPECT_TRUE(result.output.contains(QString::fromUtf8(row.output)));
    EXPECT_EQ(result.output.isEmpty(), *row.output == '\0');
  }
  EXPECT_TRUE(ParseCommandLine({"Numino", "--help-all"}, "/").helpWithQtOptions);
}

}  // namespace
