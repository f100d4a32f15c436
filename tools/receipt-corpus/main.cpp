// Writes a generated receipt corpus to a folder so the images and their texts can be looked at.
#include "ReceiptCorpus.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QTextStream>

int main(int argc, char *argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Writes generated receipt screenshots (PNG) with their texts (TXT)."));
    parser.addHelpOption();
    parser.addOption(
        {QStringLiteral("seed"), QStringLiteral("Corpus seed."), QStringLiteral("n"), QStringLiteral("1")});
    parser.addOption({QStringLiteral("count"), QStringLiteral("Number of receipts."), QStringLiteral("n"),
                      QStringLiteral("24")});
    parser.addPositionalArgument(QStringLiteral("folder"), QStringLiteral("Where to write the files."));
    parser.process(app);
    const QStringList args = parser.positionalArguments();
    bool seedOk = false;
    bool countOk = false;
    const quint64 seed = parser.value(QStringLiteral("seed")).toULongLong(&seedOk);
    const int count = parser.value(QStringLiteral("count")).toInt(&countOk);
    if (args.size() != 1 || !seedOk || !countOk || count < 0)
        parser.showHelp(2);
    const int written = ReceiptCorpus::writeFolder(args.first(), seed, count);
    QTextStream(stdout) << written << " receipts written to " << args.first() << '\n';
    return written == count ? 0 : 1;
}
