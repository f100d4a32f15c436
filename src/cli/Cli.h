#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <QTimeZone>

#include <functional>
#include <optional>

// The command-line companion. Reads the subscription file and the language preference the app
// uses; never writes either.
namespace Cli {

struct Environment {
    QString filePath;
    QDateTime now;
    QTimeZone zone;
    // Recognises the text of one image file; nothing when the file is not a readable image. Empty
    // when this build has no recogniser.
    std::function<std::optional<QString>(const QString &path)> recognizeFile;
    // Standard input, read whole by `parse`.
    std::function<QByteArray()> readInput;
};

// Runs one command line (without the program name); returns the exit code.
int run(const QStringList &arguments, const Environment &environment, QTextStream &out, QTextStream &err);

QString usage();

} // namespace Cli
