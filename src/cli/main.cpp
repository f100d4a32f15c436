#include "cli/Cli.h"
#include "store/Store.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Renewly"));
    QCoreApplication::setApplicationName(QStringLiteral("Renewly"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    const Cli::Environment environment{Store::defaultFilePath(), QDateTime::currentDateTime(),
                                       QTimeZone::systemTimeZone()};
    return Cli::run(QCoreApplication::arguments().mid(1), environment, out, err);
}
