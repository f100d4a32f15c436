#include "TestSupport.h"

#include "store/SubscriptionFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <sys/stat.h>

using TestSupport::readFile;
using TestSupport::writeFile;

namespace {

const QString helper = QStringLiteral(RENEWLY_SAFETY_HELPER);

QByteArray record(int n, const QByteArray &name = {}, const QByteArray &notes = {},
                  const QByteArray &amount = "9.9") {
    const QByteArray id =
        QUuid::createUuidV5(QUuid(), QByteArray::number(n)).toByteArray(QUuid::WithoutBraces);
    return R"({"amount":)" + amount +
           R"(,"billingType":"recurring","category":"AI\/工具","currency":"USD",)"
           R"("cycle":"monthly","id":")" +
           id + R"(","isActive":true,"name":")" + (name.isNull() ? "record " + QByteArray::number(n) : name) +
           R"(","notes":")" + notes + R"(","startDate":"2025-03-07T08:30:00Z"})";
}

QByteArray array(const QList<QByteArray> &records) {
    return '[' + records.join(",\n") + "]\n";
}

QByteArray records(int count, const QByteArray &notes = {}) {
    QByteArray out;
    out.reserve(qsizetype(count) * (300 + notes.size()));
    out += '[';
    for (int n = 0; n < count; ++n) {
        if (n > 0)
            out += ",\n";
        out += record(n, {}, notes);
    }
    return out + "]\n";
}

QByteArray randomBytes(qsizetype size) {
    QByteArray out(size, Qt::Uninitialized);
    QRandomGenerator generator(7);
    generator.fillRange(reinterpret_cast<quint32 *>(out.data()), size / 4);
    return out;
}

// What a case puts at the file's path. Files are written by the test; the other kinds build the
// file-system object themselves.
struct Case {
    std::function<QByteArray()> bytes;
    std::function<void(const QString &path)> make;
};

Case file(std::function<QByteArray()> bytes) {
    return {std::move(bytes), {}};
}

Case thing(std::function<void(const QString &path)> make) {
    return {{}, std::move(make)};
}

QMap<QString, Case> &cases() {
    static QMap<QString, Case> all;
    return all;
}

QByteArray sha(const QByteArray &bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().left(16);
}

} // namespace

class TestStrangeFiles : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void loading_data() {
        QTest::addColumn<QString>("kind");
        // Records after loading; -1: the file is rejected, the list starts empty and the first save
        // keeps the original aside; -2: as if there were no file.
        QTest::addColumn<int>("count");
        // Whether the first save writes a new file in place.
        QTest::addColumn<bool>("saves");

        const auto add = [](const char *name, int count, bool saves, Case c) {
            cases().insert(QString::fromLatin1(name), std::move(c));
            QTest::newRow(name) << QString::fromLatin1(name) << count << saves;
        };
        add("100,000 records", 100000, true, file([] { return records(100000); }));
        add("50 MB of records with long notes", 24000, true,
            file([] { return records(24000, QByteArray(1900, 'n')); }));
        add("50 MB of random bytes", -1, true, file([] { return randomBytes(50 << 20); }));
        add("one 20 MB name", 1, true, file([] { return array({record(1, QByteArray(20 << 20, 'x'))}); }));
        add("a million extra keys in one record", 1, true, file([] {
                QByteArray keys;
                for (int k = 0; k < 1000000; ++k)
                    keys += "\"k" + QByteArray::number(k) + "\":0,";
                return array({record(1).insert(1, keys)});
            }));
        add("a million numbers", -1, true,
            file([] { return '[' + QByteArray("1,").repeated(999999) + "1]"; }));
        add("nested 100,000 deep", -1, true,
            file([] { return QByteArray(100000, '[') + QByteArray(100000, ']'); }));
        add("10 MB of opening brackets", -1, true, file([] { return QByteArray(10 << 20, '['); }));
        add("UTF-8 byte order mark", 1, true, file([] { return "\xEF\xBB\xBF" + array({record(1)}); }));
        add("invalid UTF-8 in a name", -1, true,
            file([] { return array({record(1, "bad \xC3\x28 \xFF")}); }));
        add("UTF-8 encoded surrogate", -1, true, file([] { return array({record(1, "\xED\xA0\x80")}); }));
        add("duplicate keys", 1, true,
            file([] { return array({record(1).replace(R"("name":)", R"("name":"first","name":)")}); }));
        add("amount 1e999", -1, true, file([] { return array({record(1, {}, {}, "1e999")}); }));
        add("amount -1e308", 1, true, file([] { return array({record(1, {}, {}, "-1e308")}); }));
        add("amount 1e-400", -1, true, file([] { return array({record(1, {}, {}, "1e-400")}); }));
        add("amount as a 400-digit integer", -1, true,
            file([] { return array({record(1, {}, {}, QByteArray(400, '9'))}); }));
        add("a raw NUL inside a string", 1, true,
            file([] { return array({record(1, QByteArray("a\0b", 3))}); }));
        add("a NUL after the array", -1, true, file([] { return array({record(1)}) + QByteArray(1, '\0'); }));
        add("escaped NUL and a lone surrogate", 1, true,
            file([] { return array({record(1, R"(a\u0000b\ud800)")}); }));
        add("empty file", -1, true, file([] { return QByteArray(); }));
        add("a folder at the file's path", -1, true, thing([](const QString &path) {
                QVERIFY(QDir().mkpath(path + u"/inside"_qs));
                QVERIFY(writeFile(path + u"/inside/kept"_qs, "kept"));
            }));
        add("a symbolic link loop", -2, true, thing([](const QString &path) {
                QVERIFY(QFile::link(path + u".b"_qs, path));
                QVERIFY(QFile::link(path, path + u".b"_qs));
            }));
        add("a link to a missing file", -2, false,
            thing([](const QString &path) { QVERIFY(QFile::link(path + u".gone/x"_qs, path)); }));
        add("a link to /dev/zero", -1, true,
            thing([](const QString &path) { QVERIFY(QFile::link(u"/dev/zero"_qs, path)); }));
        add("a named pipe", -1, true, thing([](const QString &path) {
                QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            }));
        add("a sparse 10 GB file", -1, true, thing([](const QString &path) {
                QFile file(path);
                QVERIFY(file.open(QIODevice::WriteOnly));
                QVERIFY(file.resize(qint64(10) << 30));
            }));
        add("a file where the folder belongs", -2, false, thing([](const QString &path) {
                const QString folder = QFileInfo(path).absolutePath();
                QVERIFY(QDir(folder).removeRecursively());
                QVERIFY(writeFile(folder, "not a folder"));
            }));
    }

    // Each file is opened by a separate process; whatever the file holds, the process finishes, the
    // list is the file's or empty, and nothing is lost.
    void loading() {
        QFETCH(QString, kind);
        QFETCH(int, count);
        QFETCH(bool, saves);
        const Case &c = cases()[kind];
        const QString folder =
            m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'_'));
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + u"/subscriptions.json"_qs;
        QByteArray original;
        if (c.make) {
            c.make(path);
        } else {
            const QByteArray bytes = c.bytes();
            QVERIFY(writeFile(path, bytes));
            original = sha(bytes);
        }
        if (QTest::currentTestFailed())
            return;

        QProcess loader;
        loader.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        loader.start(helper, {u"load"_qs, path, u"--save"_qs});
        // Only a guard against a hang.
        const bool finished = loader.waitForFinished(240000);
        if (!finished)
            loader.kill();
        QVERIFY2(finished, "loading did not finish");
        QCOMPARE(loader.exitStatus(), QProcess::NormalExit);
        QCOMPARE(loader.exitCode(), 0);
        const QList<QByteArray> lines = loader.readAllStandardOutput().split('\n');
        QVERIFY(lines.size() >= 2);
        const QList<QByteArray> saved = lines[1].split(' ');
        QCOMPARE(saved.size(), 3);
        QCOMPARE(lines[0].split(' ').value(0).toInt(), qMax(count, 0));
        QCOMPARE(saved[1] == "1", saves);
        const QString setAside = QString::fromLocal8Bit(saved[2]);
        if (count == -1) {
            // The unreadable original is kept beside the new file, exactly as it was.
            QVERIFY2(setAside != u"-", "an unreadable file must be kept aside");
            QVERIFY(setAside.startsWith(path + u".unreadable-"_qs));
            if (c.make) {
                QVERIFY(QFileInfo(setAside).exists() || QFileInfo(setAside).isSymLink());
            } else {
                QCOMPARE(sha(readFile(setAside)), original);
            }
        } else {
            QCOMPARE(setAside, u"-"_qs);
        }
        if (saves) {
            const auto written = SubscriptionFile::decode(readFile(path));
            QVERIFY(written);
            QCOMPARE(written->size(), qMax(count, 0));
        }
        if (kind == u"a folder at the file's path")
            QCOMPARE(readFile(setAside + u"/inside/kept"_qs), QByteArray("kept"));
    }
};

QTEST_GUILESS_MAIN(TestStrangeFiles)
#include "tst_strange_files.moc"
