#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdlib>

#include "window/WindowTexts.h"

namespace {

// What the command line says, besides Qt's own texts.
const char* const kFileArgument = "Il documento .nmo da aprire";
const char* const kRefusal = "Numino: ";
const char* const kUnknownOption = "opzione sconosciuta: ";
const char* const kTooManyFiles = "troppi file: se ne apre uno solo.";
const char* const kEmptyName = "il nome del file è vuoto.";

// The options and texts of `Numino --help`.
struct Options {
  QCommandLineOption help;
  QCommandLineOption version;
};

Options SetUp(QCommandLineParser& parser) {
  parser.setApplicationDescription(QString::fromUtf8(numino::window::kTagline));
  // "-platform" is one option, not the letters p, l, a...
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  Options options{parser.addHelpOption(), parser.addVersionOption()};
  parser.addPositionalArgument(QStringLiteral("file"), QString::fromUtf8(kFileArgument),
                               QStringLiteral("[file]"));
  return options;
}

// The unknown option as the user typed it, without any "=value": Qt reports
// only its name, and "-x" and "--x" both name "x".
QString TypedOption(const QStringList& arguments, const QString& name) {
  for (const QString& argument : arguments.mid(1)) {
    if (argument == QLatin1String("--")) break;
    const QString option = argument.section(QLatin1Char('='), 0, 0);
    if (option == QLatin1Char('-') + name || option == QLatin1String("--") + name) return option;
  }
  return QLatin1String("--") + name;
}

CommandLine Refuse(const QString& reason) {
  CommandLine result;
  result.exitCode = kCommandLineUsageExit;
  result.error = QString::fromUtf8(kRefusal) + reason;
  return result;
}

// The positional arguments as given: every one after "--", and before it
// each that is no option. None of the options takes a value.
std::vector<std::string> Positional(const std::vector<std::string>& arguments) {
  std::vector<std::string> files;
  bool optionsEnded = false;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (!optionsEnded && argument == "--") {
      optionsEnded = true;
    } else if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
      files.push_back(argument);
    }
  }
  return files;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& raw,
                             const std::string& workingFolder) {
  // Qt's parser sees them decoded, which is good enough for options.
  QStringList arguments;
  for (const std::string& argument : raw) {
    arguments.append(QFile::decodeName(QByteArray::fromStdString(argument)));
  }
  QCommandLineParser parser;
  const Options options = SetUp(parser);
  if (!parser.parse(arguments)) {
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
      return Refuse(QString::fromUtf8(kUnknownOption) + TypedOption(arguments, unknown.first()));
    }
    return Refuse(parser.errorText());
  }

  CommandLine result;
  if (parser.isSet(QStringLiteral("help-all"))) {  // added by addHelpOption
    result.exitCode = 0;
    result.helpWithQtOptions = true;
    return result;
  }
  if (parser.isSet(options.help)) {
    result.exitCode = 0;
    result.output = parser.helpText();
    return result;
  }
  if (parser.isSet(options.version)) {
    result.exitCode = 0;
    result.output = QCoreApplication::applicationName() + QLatin1Char(' ') +
                    QCoreApplication::applicationVersion() + QLatin1Char('\n');
    return result;
  }

  const std::vector<std::string> files = Positional(raw);
  if (files.size() > 1) return Refuse(QString::fromUtf8(kTooManyFiles));
  if (files.size() == 1) {
    if (files.front().empty()) return Refuse(QString::fromUtf8(kEmptyName));
    result.file = files.front()[0] == '/' ? files.front() : workingFolder + "/" + files.front();
  }
  return result;
}

void ShowHelpWithQtOptions(const QStringList& arguments) {
  QCommandLineParser parser;
  SetUp(parser);
  parser.process(QStringList{arguments.value(0), QStringLiteral("--help-all")});
  std::exit(0);  // not reached: process() has exited already
}
