#include "WriterScript.h"

#include "store/SubscriptionFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <random>

namespace {

const QString helper = QStringLiteral(RENEWLY_SAFETY_HELPER);
const QString fileName = u"subscriptions.json"_qs;

int setting(const char *name, int fallback) {
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok && value > 0 ? value : fallback;
}

// The last generation a writer announced in its output file, or 0.
int lastAnnounced(const QString &outputPath) {
    QFile file(outputPath);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> lines = file.readAll().split('\n');
    // A line is only complete with its line feed: the last piece is empty or still being written.
    return lines.size() >= 2 ? lines[lines.size() - 2].toInt() : 0;
}

// Everything in the folder besides the subscription file itself and the one staging file a save
// interrupted at the wrong moment leaves (the next save reuses it).
QStringList strays(const QString &folder) {
    QStringList names =
        QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.removeAll(fileName);
    names.removeAll(QFileInfo(SubscriptionFile::stagingPath(folder + u'/' + fileName)).fileName());
    return names;
}

bool hasStagingFile(const QString &folder) {
    return QFileInfo::exists(SubscriptionFile::stagingPath(folder + u'/' + fileName));
}

// The same for the same records in any order.
quint64 fingerprint(const QList<Subscription> &list) {
    quint64 sum = 0, mixed = 0;
    for (const Subscription &s : list) {
        const quint64 h = qHash(s, 0x9e3779b9);
        sum += h;
        mixed ^= h * 0xff51afd7ed558ccdULL;
    }
    return sum ^ (mixed << 1) ^ quint64(list.size());
}

} // namespace

class TestCrashConsistency : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A writer killed at any moment of its saves leaves the file it was replacing or the new one,
    // whole, and nothing beside it.
    void killsDuringSaves() {
        const int kills = setting("RENEWLY_SAFETY_KILLS", 500);
        const int maxDelayUs = setting("RENEWLY_SAFETY_MAX_DELAY_US", 20000);
        const unsigned seed = unsigned(setting("RENEWLY_SAFETY_SEED", 20250307));
        std::mt19937 random(seed);
        std::uniform_int_distribution<int> delay(0, maxDelayUs);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString folder = dir.filePath(u"Renewly"_qs);
        const QString path = folder + u'/' + fileName;
        const QString outputPath = dir.filePath(u"announced"_qs);

        WriterScript::Lists onDisk; // what the file holds: generation 0 (no file) at first
        int killedBefore = 0, killedAfter = 0, stagingLeft = 0;
        for (int kill = 1; kill <= kills; ++kill) {
            QFile::remove(outputPath);
            QProcess writer;
            writer.setStandardOutputFile(outputPath);
            writer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            writer.start(helper, {u"write"_qs, path, QString::number(onDisk.generation() + 1)});
            QVERIFY2(writer.waitForStarted(), qPrintable(writer.errorString()));
            // Kill only once the store has loaded and the first change is under way.
            while (lastAnnounced(outputPath) == 0 && writer.state() == QProcess::Running)
                QThread::usleep(200);
            QThread::usleep(ulong(delay(random)));
            ::kill(pid_t(writer.processId()), SIGKILL);
            QVERIFY(writer.waitForFinished(30000));
            QVERIFY2(
                writer.exitStatus() == QProcess::CrashExit,
                qPrintable(u"the writer stopped by itself with code %1 at kill %2"_qs.arg(writer.exitCode())
                               .arg(kill)));

            const int announced = lastAnnounced(outputPath);
            QVERIFY(announced > onDisk.generation());
            WriterScript::Lists before = onDisk;
            before.advanceTo(announced - 1);
            WriterScript::Lists after = before;
            after.advanceTo(announced);

            const SubscriptionFile::LoadResult loaded = SubscriptionFile::load(path);
            const bool noFileYet =
                before.generation() == 0 && loaded.status == SubscriptionFile::LoadStatus::missing;
            QVERIFY2(
                loaded.status == SubscriptionFile::LoadStatus::loaded || noFileYet,
                qPrintable(u"kill %1 during generation %2 left a file that does not load"_qs.arg(kill).arg(
                    announced)));
            if (loaded.subscriptions == after.list()) {
                onDisk = after;
                ++killedAfter;
            } else if (loaded.subscriptions == before.list()) {
                onDisk = before;
                ++killedBefore;
            } else {
                QFAIL(qPrintable(
                    QStringLiteral("kill %1 during generation %2: the file holds neither generation "
                                   "%3 nor %2 (%4 records)")
                        .arg(kill)
                        .arg(announced)
                        .arg(announced - 1)
                        .arg(loaded.subscriptions.size())));
            }
            stagingLeft += hasStagingFile(folder) ? 1 : 0;
            const QStringList left = strays(folder);
            QVERIFY2(left.isEmpty(),
                     qPrintable(u"kill %1 left %2 beside the file"_qs.arg(kill).arg(left.join(u", "))));
        }
        qInfo("%d kills (seed %u, delays up to %d us): %d left the list before the interrupted "
              "save, %d the list after it; %d generations written, last list %lld records; after %d kills "
              "the staging file was there for the next save to reuse, no kill left anything else",
              kills, seed, maxDelayUs, killedBefore, killedAfter, onDisk.generation(),
              static_cast<long long>(onDisk.list().size()), stagingLeft);
    }

    // `renewly-cli list --json` run while the list is saved over and over always reads a whole list.
    void readersNeverSeeAPartialFile() {
        const int reads = setting("RENEWLY_SAFETY_READS", 300);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString dataHome = dir.filePath(u"data"_qs);
        const QString folder = dataHome + u"/Renewly"_qs;
        const QString path = folder + u'/' + fileName;
        const QString outputPath = dir.filePath(u"announced"_qs);

        QProcess writer;
        writer.setStandardOutputFile(outputPath);
        writer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        writer.start(helper, {u"write"_qs, path, u"1"_qs});
        QVERIFY(writer.waitForStarted());
        auto stopWriter = qScopeGuard([&writer] {
            writer.kill();
            writer.waitForFinished();
        });
        // Start reading once the list has grown beyond a handful of records.
        while (lastAnnounced(outputPath) < 40 && writer.state() == QProcess::Running)
            QThread::usleep(1000);

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"XDG_DATA_HOME"_qs, dataHome);

        WriterScript::Lists lists;
        QHash<quint64, int> generationOf;
        const auto learnUpTo = [&](int generation) {
            while (lists.generation() < generation) {
                lists.advanceTo(lists.generation() + 1);
                generationOf.insert(fingerprint(lists.list()), lists.generation());
            }
        };
        int firstSeen = -1, lastSeen = -1;
        for (int read = 1; read <= reads; ++read) {
            QProcess cli;
            cli.setProcessEnvironment(environment);
            cli.start(QStringLiteral(RENEWLY_CLI), {u"list"_qs, u"--json"_qs});
            QVERIFY(cli.waitForFinished(60000));
            const QByteArray out = cli.readAllStandardOutput();
            QVERIFY2(cli.exitStatus() == QProcess::NormalExit && cli.exitCode() == 0,
                     qPrintable(u"read %1 failed: %2"_qs.arg(read).arg(
                         QString::fromUtf8(cli.readAllStandardError()))));
            QJsonParseError error;
            const QJsonDocument document = QJsonDocument::fromJson(out, &error);
            QVERIFY2(error.error == QJsonParseError::NoError && document.isArray(),
                     qPrintable(u"read %1 printed no JSON array"_qs.arg(read)));
            QList<Subscription> seen;
            for (const QJsonValue &value : document.array()) {
                const auto record = Subscription::fromJson(value);
                QVERIFY(record);
                seen.append(*record);
            }
            // The writer may have announced a generation whose save is not finished yet: either is fine.
            learnUpTo(lastAnnounced(outputPath) + 1);
            const auto found = generationOf.constFind(fingerprint(seen));
            QVERIFY2(
                found != generationOf.constEnd(),
                qPrintable(u"read %1 saw a list of %2 records that the writer never saved"_qs.arg(read).arg(
                    seen.size())));
            if (firstSeen < 0)
                firstSeen = *found;
            lastSeen = *found;
        }
        QVERIFY(writer.state() == QProcess::Running);
        const QStringList left = strays(folder);
        QVERIFY2(left.isEmpty(), qPrintable(left.join(u", ")));
        qInfo("%d reads, each a whole list, while the writer saved generations %d to %d", reads, firstSeen,
              lastSeen);
    }
};

QTEST_GUILESS_MAIN(TestCrashConsistency)
#include "tst_crash_consistency.moc"
