#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <QTimeZone>

// The command-line companion. Reads the subscription file and the language preference the app
// uses; never writes either.
namespace Cli {

struct Environment {
    QString filePath;
    QDateTime now;
    QTimeZone zone;
};

// Runs one command line (without the program name); returns the exit code.
int run(const QStringList &arguments, const Environment &environment, QTextStream &out, QTextStream &err);

QString usage();

} // namespace Cli
