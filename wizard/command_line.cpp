// The command line of the program upgrade.
#include "wizard/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include "wizard/string_table.h"

namespace {

struct Parser {
    QCommandLineParser parser;
    QCommandLineOption help;
    QCommandLineOption version;

    Parser() : help(parser.addHelpOption()), version(parser.addVersionOption()) {
        parser.setApplicationDescription(QStringLiteral(
            "The upgrade wizard: downloads a 5.x firewall's configuration, converts it and installs it on a 6.0 "
            "firewall.\nThe login and phase time-outs can be changed with UPGRADE_LOGIN_TIMEOUT, "
            "UPGRADE_DOWNLOAD_TIMEOUT and UPGRADE_UPLOAD_TIMEOUT (seconds)."));
    }

    // The answer for parsed arguments that asked for help or the version.
    CommandLineAnswer answer() const {
        CommandLineAnswer result;
        if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
            result.handled = true;
            // Before the application object exists Qt does not know the program's name.
            result.output =
                parser.helpText().replace(QStringLiteral("<executable_name>"), QCoreApplication::applicationName());
        } else if (parser.isSet(version)) {
            result.handled = true;
            result.output = QCoreApplication::applicationName() + QLatin1Char(' ') +
                            QCoreApplication::applicationVersion() + QLatin1Char('\n');
        }
        return result;
    }
};

}  // namespace

void setApplicationIdentity() {
    QCoreApplication::setApplicationName(QStringLiteral("upgrade"));
    QCoreApplication::setApplicationVersion(loadString(strings::kVersion));
}

CommandLineAnswer earlyCommandLine(const QStringList& arguments) {
    Parser early;
    // Qt's own options are unknown here; they fail this parse and are looked at again later.
    if (!early.parser.parse(arguments)) return CommandLineAnswer{};
    return early.answer();
}

CommandLineAnswer checkCommandLine(const QStringList& arguments) {
    Parser parser;
    if (!parser.parser.parse(arguments)) {
        CommandLineAnswer result;
        result.handled = true;
        result.exitStatus = 2;
        result.error = QCoreApplication::applicationName() + QStringLiteral(": ") + parser.parser.errorText() +
                       QStringLiteral("\nTry '") + QCoreApplication::applicationName() + QStringLiteral(" --help'.\n");
        return result;
    }
    if (!parser.parser.positionalArguments().isEmpty()) {
        CommandLineAnswer result;
        result.handled = true;
        result.exitStatus = 2;
        result.error = QCoreApplication::applicationName() + QStringLiteral(": unexpected argument ") +
                       parser.parser.positionalArguments().first() + QStringLiteral("\n");
        return result;
    }
    return parser.answer();
}
