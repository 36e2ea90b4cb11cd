// upgrade: the wizard that upgrades a firewall's configuration from the 5.x generation to 6.0.
#include <QApplication>
#include <QStringList>

#include <cstdio>
#include <string>

#include "upgrade/upgrade_timeouts.h"
#include "wizard/command_line.h"
#include "wizard/wizard_sheet.h"

namespace {

int finish(const CommandLineAnswer& answer) {
    std::fputs(answer.output.toLocal8Bit().constData(), stdout);
    std::fputs(answer.error.toLocal8Bit().constData(), stderr);
    return answer.exitStatus;
}

}  // namespace

int main(int argc, char** argv) {
    setApplicationIdentity();
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    // --help and --version answer without a display.
    if (const CommandLineAnswer early = earlyCommandLine(arguments); early.handled) return finish(early);

    QApplication app(argc, argv);
    if (const CommandLineAnswer answer = checkCommandLine(QApplication::arguments()); answer.handled)
        return finish(answer);

    std::string problem;
    const UpgradeTimeouts timeouts = UpgradeTimeouts::fromEnvironment(&problem);
    if (!problem.empty()) std::fprintf(stderr, "upgrade: %s; the default is used\n", problem.c_str());

    WizardSheet sheet(timeouts);
    // The program ends when the sheet closes, whichever button closed it.
    (void)sheet.exec();
    return 0;
}
