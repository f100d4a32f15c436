#include "cli/Cli.h"
#include "model/Clock.h"
#include "store/Store.h"

#include <QCoreApplication>

#include <QFile>

#include <cstdio>

#ifdef RENEWLY_HAVE_OCR
#include "receipt/ReceiptScanner.h"
#endif

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Renewly"));
    QCoreApplication::setApplicationName(QStringLiteral("Renewly"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    const Clock &clock = Clock::current();
    Cli::Environment environment{Store::defaultFilePath(), clock.now(), clock.zone(), {}, {}};
    environment.readInput = [] {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly))
            return QByteArray();
        return in.readAll();
    };
#ifdef RENEWLY_HAVE_OCR
    environment.recognizeFile = [](const QString &path) -> std::optional<QString> {
        const QImage image = ReceiptScanner::loadImage(path);
        if (image.isNull())
            return std::nullopt;
        return ReceiptScanner::recognizeText(image);
    };
#endif
    return Cli::run(QCoreApplication::arguments().mid(1), environment, out, err);
}
