#include "FuzzEntries.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

using Entry = void (*)(const uint8_t *, size_t);

const QList<QPair<QString, Entry>> &entries() {
    static const QList<QPair<QString, Entry>> all{
        {u"subscription_file"_qs, FuzzEntries::subscriptionFile},
        {u"store_load"_qs, FuzzEntries::storeLoad},
        {u"receipt_parser"_qs, FuzzEntries::receiptParser},
        {u"import"_qs, FuzzEntries::importList},
#ifdef RENEWLY_HAVE_OCR
        {u"scan_image"_qs, FuzzEntries::scanImage},
#endif
    };
    return all;
}

} // namespace

// Every seed and every input a fuzzing run ever broke something with, fed to the fuzz targets' own
// entry points in this build. An input that breaks a property aborts with the property's name.
class TestFuzzRegressions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void inputs_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("path");
        int count = 0;
        for (const auto &[target, entry] : entries()) {
            for (const char *kind : {"corpus", "regressions"}) {
                const QDir dir(
                    QStringLiteral(RENEWLY_FUZZ_DIR "/%1/%2").arg(QLatin1StringView(kind), target));
                for (const QString &name : dir.entryList(QDir::Files, QDir::Name)) {
                    const QString tag = target + u'/' + QLatin1StringView(kind) + u'/' + name;
                    QTest::newRow(qPrintable(tag)) << target << dir.filePath(name);
                    ++count;
                }
            }
        }
        QVERIFY(count > 0);
    }

    void inputs() {
        QFETCH(QString, target);
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        for (const auto &[name, entry] : entries()) {
            if (name == target)
                entry(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
        }
    }
};

QTEST_GUILESS_MAIN(TestFuzzRegressions)
#include "tst_fuzz_regressions.moc"
