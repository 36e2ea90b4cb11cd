// The wizard's command line: --help and --version (which print and end the program) besides the
// options Qt takes for itself (-platform, -style, ...). Plain functions; main's thread.
#pragma once

#include <QString>
#include <QStringList>

struct CommandLineAnswer {
    bool handled = false;  // the program prints output and ends with exitStatus; else the wizard runs
    int exitStatus = 0;
    QString output;  // for standard output
    QString error;   // for standard error
};

// The program's name and version for Qt (the version is string 102).
void setApplicationIdentity();

// Looks at the arguments before the application object exists, so that --help and --version work
// without a display. Anything else is left for checkCommandLine once Qt has taken its own options.
CommandLineAnswer earlyCommandLine(const QStringList& arguments);
// The arguments Qt left: --help and --version, or an error for anything unknown.
CommandLineAnswer checkCommandLine(const QStringList& arguments);
