#include "TestSupport.h"
#include "store/Store.h"
#include "store/SubscriptionFile.h"

#include <QDir>
#include <QDirIterator>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <memory>

#include <csignal>
#include <sys/prctl.h>

using TestSupport::record;

// Two Syncthing instances on this machine share one folder over 127.0.0.1 only; a store on each
// side edits the list, also while the link is paused, and both must end with the same list holding
// every edit, with the loser of the one field edited on both sides kept aside.
namespace {

// Each wait normally ends within seconds, within tens under load. The waits of one function stay
// inside the function time-out the test runs with (QTEST_FUNCTION_TIMEOUT), so that a wait that
// never ends is reported by the wait itself.
constexpr int settleTimeoutMsecs = 60'000;

// Instances that stop while starting (a port taken meanwhile by another program, say) or do not
// connect are started afresh on other ports, at most this many times in all.
constexpr int startAttempts = 3;

struct Peer {
    QString name;
    QString home;
    QString folder;
    QString id;
    QString apiKey = QUuid::createUuid().toString(QUuid::WithoutBraces);
    int port = 0;
    int guiPort = 0;
    QProcess process;
    std::unique_ptr<Store> store;

    QString listPath() const { return folder + u"/subscriptions.json"_qs; }
    QString logPath() const { return QFileInfo(home).path() + u"/syncthing.log"_qs; }
};

// Nothing an instance keeps lies outside its home, and it makes no folder of its own.
QProcessEnvironment environment(const Peer &peer) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"STNODEFAULTFOLDER"_qs, u"1"_qs);
    env.insert(u"STNOUPGRADE"_qs, u"1"_qs);
    env.insert(u"HOME"_qs, peer.home);
    return env;
}

// Four ports free on 127.0.0.1, each a different one: all are held until the last is found.
void choosePorts(Peer &a, Peer &b) {
    QTcpServer servers[4];
    for (QTcpServer &server : servers)
        server.listen(QHostAddress::LocalHost, 0);
    a.port = servers[0].serverPort();
    a.guiPort = servers[1].serverPort();
    b.port = servers[2].serverPort();
    b.guiPort = servers[3].serverPort();
}

// Each instance hears of the stores' writes from its file system watch; a rescan every few seconds
// catches any change the watch missed, and a pull that failed because a store wrote the file
// meanwhile is tried again within seconds, as is the link once it is resumed.
QByteArray config(const Peer &self, const Peer &other) {
    const QString text = QStringLiteral(R"(<configuration version="36">
  <folder id="renewly" label="renewly" path="%1" type="sendreceive" rescanIntervalS="10"
          fsWatcherEnabled="true" fsWatcherDelayS="1" autoNormalize="true">
    <device id="%2"></device>
    <device id="%3"></device>
    <minDiskFree unit="%">0</minDiskFree>
    <maxConflicts>10</maxConflicts>
    <pullerPauseS>1</pullerPauseS>
  </folder>
  <device id="%2" name="%4" compression="metadata"><address>dynamic</address></device>
  <device id="%3" name="%5" compression="metadata"><address>tcp://127.0.0.1:%6</address></device>
  <gui enabled="true" tls="false"><address>127.0.0.1:%7</address><apikey>%8</apikey></gui>
  <options>
    <listenAddress>tcp://127.0.0.1:%9</listenAddress>
    <reconnectionIntervalS>1</reconnectionIntervalS>
    <globalAnnounceEnabled>false</globalAnnounceEnabled>
    <localAnnounceEnabled>false</localAnnounceEnabled>
    <relaysEnabled>false</relaysEnabled>
    <natEnabled>false</natEnabled>
    <urAccepted>-1</urAccepted>
    <autoUpgradeIntervalH>0</autoUpgradeIntervalH>
    <startBrowser>false</startBrowser>
    <crashReportingEnabled>false</crashReportingEnabled>
    <announceLANAddresses>false</announceLANAddresses>
    <minHomeDiskFree unit="%">0</minHomeDiskFree>
  </options>
</configuration>
)");
    return text
        .arg(self.folder, self.id, other.id, self.name, other.name, QString::number(other.port),
             QString::number(self.guiPort), self.apiKey, QString::number(self.port))
        .toUtf8();
}

const Subscription *byId(const Store &store, const QUuid &id) {
    for (const Subscription &s : store.subscriptions()) {
        if (s.id == id)
            return &s;
    }
    return nullptr;
}

bool hasConflictCopies(const QString &folder) {
    return !QDir(folder).entryList({u"*conflict*"_qs}, QDir::Files).isEmpty();
}

// Every file under `folder` that mentions `text`.
bool keptAside(const QString &folder, const QString &text) {
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        if (TestSupport::readFile(it.next()).contains(text.toUtf8()))
            return true;
    }
    return false;
}

} // namespace

class TestSyncthingE2E : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        m_syncthing = QStandardPaths::findExecutable(u"syncthing"_qs);
        if (m_syncthing.isEmpty())
            QSKIP("syncthing is not installed");
        QVERIFY(m_root.isValid());
        qInfo("Syncthing homes, folders and logs under %s", qPrintable(m_root.path()));
        m_net.setProxy(QNetworkProxy::NoProxy);
        m_a.name = u"a"_qs;
        m_b.name = u"b"_qs;
        for (Peer *p : {&m_a, &m_b}) {
            p->home = m_root.filePath(p->name + u"/home"_qs);
            p->folder = m_root.filePath(p->name + u"/shared"_qs);
            QVERIFY(QDir().mkpath(p->folder + u"/.stfolder"_qs));
            QProcess generate;
            generate.setProcessEnvironment(environment(*p));
            generate.start(m_syncthing, {u"generate"_qs, u"--home="_qs + p->home});
            QVERIFY(generate.waitForFinished(-1));
            const auto match = QRegularExpression(u"Device ID: ([A-Z0-9-]+)"_qs)
                                   .match(QString::fromUtf8(generate.readAllStandardOutput() +
                                                            generate.readAllStandardError()));
            QVERIFY(match.hasMatch());
            p->id = match.captured(1);
        }
        bool started = false;
        for (int attempt = 1; attempt <= startAttempts && !started; ++attempt) {
            started = start();
            if (!started)
                qWarning("%s", qPrintable(stopReport(attempt)));
        }
        if (!started)
            m_root.setAutoRemove(false);
        QVERIFY2(started, "the Syncthing instances did not start and connect; see syncthing.log");
        for (Peer *p : {&m_a, &m_b})
            p->store = std::make_unique<Store>(p->listPath());
    }

    void cleanup() {
        if (QTest::currentTestFailed())
            m_root.setAutoRemove(false);
    }

    void cleanupTestCase() {
        for (Peer *p : {&m_a, &m_b})
            p->store.reset();
        stop();
    }

    void editsOnBothSidesConverge() {
        Store &a = *m_a.store;
        Store &b = *m_b.store;
        int edits = 0;

        // Linked: one side adds, then both edit at once.
        Subscription video = record(u"Video"_qs, 15);
        a.add(video);
        ++edits;
        QTRY_VERIFY_WITH_TIMEOUT(byId(b, video.id), settleTimeoutMsecs);
        Subscription music = record(u"Music"_qs, 10);
        b.add(music);
        video.amount = 16;
        a.update(video);
        edits += 2;
        QTRY_VERIFY_WITH_TIMEOUT(converged() && a.subscriptions().size() == 2 && byId(a, video.id) &&
                                     byId(a, video.id)->amount == 16,
                                 settleTimeoutMsecs);

        // Paused: the same record edited on both sides, one field by both.
        setLinked(false);
        QTRY_VERIFY_WITH_TIMEOUT(!connected(m_a, m_b) && !connected(m_b, m_a), settleTimeoutMsecs);
        Subscription videoA = *byId(a, video.id);
        videoA.name = u"Video A"_qs;
        a.update(videoA);
        videoA.notes = u"family plan"_qs;
        a.update(videoA);
        const Subscription storage = record(u"Storage"_qs, 3);
        a.add(storage);
        Subscription videoB = *byId(b, video.id);
        videoB.name = u"Video B"_qs;
        videoB.amount = 17;
        b.update(videoB);
        Subscription musicB = *byId(b, music.id);
        musicB.amount = 12;
        b.update(musicB);
        const Subscription news = record(u"News"_qs, 5);
        b.add(news);
        edits += 6;

        setLinked(true);
        QTRY_VERIFY_WITH_TIMEOUT(converged() && a.subscriptions().size() == 4 &&
                                     !hasConflictCopies(m_a.folder) && !hasConflictCopies(m_b.folder),
                                 settleTimeoutMsecs);

        QVERIFY(byId(a, video.id) && byId(a, music.id));
        const Subscription merged = *byId(a, video.id);
        QVERIFY(merged.name == u"Video A" || merged.name == u"Video B");
        QCOMPARE(merged.notes, u"family plan"_qs);
        QCOMPARE(merged.amount, 17.0);
        QCOMPARE(byId(a, music.id)->amount, 12.0);
        QVERIFY(byId(a, storage.id));
        QVERIFY(byId(a, news.id));
        const QString loser = merged.name == u"Video A" ? u"Video B"_qs : u"Video A"_qs;
        QVERIFY(keptAside(a.conflictsFolder(), loser) || keptAside(b.conflictsFolder(), loser));
        qInfo("%d edits on two computers converged after the link came back", edits);
    }

private:
    // Both instances started on fresh ports; whether both run and are connected to each other.
    bool start() {
        stop();
        choosePorts(m_a, m_b);
        for (auto [self, other] : {std::pair{&m_a, &m_b}, std::pair{&m_b, &m_a}}) {
            if (!TestSupport::writeFile(self->home + u"/config.xml"_qs, config(*self, *other)))
                return false;
            self->process.setProcessEnvironment(environment(*self));
            self->process.setProcessChannelMode(QProcess::MergedChannels);
            self->process.setStandardOutputFile(self->logPath(), QIODevice::Append);
            // Ended with the test however it ends, also when QtTest stops it.
            self->process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
            self->process.start(m_syncthing, {u"serve"_qs, u"--home="_qs + self->home, u"--no-browser"_qs,
                                              u"--no-restart"_qs, u"--no-upgrade"_qs});
            if (!self->process.waitForStarted(-1))
                return false;
        }
        return QTest::qWaitFor([this] { return !running() || (connected(m_a, m_b) && connected(m_b, m_a)); },
                               settleTimeoutMsecs) &&
               running();
    }
    void stop() {
        for (Peer *p : {&m_a, &m_b}) {
            if (p->process.state() != QProcess::NotRunning) {
                p->process.terminate();
                p->process.waitForFinished(-1);
            }
        }
    }
    // How each instance ended, with the last lines it wrote.
    QString stopReport(int attempt) const {
        QString report = u"start %1 of %2 failed"_qs.arg(attempt).arg(startAttempts);
        for (const Peer *p : {&m_a, &m_b}) {
            report += u"\n%1: %2, exit code %3; its log ends:"_qs.arg(
                p->name, p->process.state() == QProcess::Running ? u"running"_qs : u"stopped"_qs,
                QString::number(p->process.exitCode()));
            const QList<QByteArray> lines = TestSupport::readFile(p->logPath()).trimmed().split('\n');
            for (qsizetype i = std::max<qsizetype>(0, lines.size() - 8); i < lines.size(); ++i)
                report += u"\n  "_qs + QString::fromUtf8(lines[i]);
        }
        return report;
    }
    bool running() const {
        return m_a.process.state() == QProcess::Running && m_b.process.state() == QProcess::Running;
    }
    bool converged() const {
        const Store &a = *m_a.store;
        const Store &b = *m_b.store;
        return a.subscriptions() == b.subscriptions() &&
               SubscriptionFile::decode(TestSupport::readFile(m_a.listPath())) == a.subscriptions() &&
               SubscriptionFile::decode(TestSupport::readFile(m_b.listPath())) == b.subscriptions();
    }

    // A call of the instance's REST interface; the reply's JSON object.
    QJsonObject call(const Peer &peer, const QString &path, bool post = false) {
        QNetworkRequest request(QUrl(u"http://127.0.0.1:%1"_qs.arg(peer.guiPort) + path));
        request.setRawHeader("X-API-Key", peer.apiKey.toUtf8());
        request.setHeader(QNetworkRequest::ContentTypeHeader, u"text/plain"_qs);
        std::unique_ptr<QNetworkReply> reply(post ? m_net.post(request, QByteArray()) : m_net.get(request));
        QEventLoop loop;
        connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        return QJsonDocument::fromJson(reply->readAll()).object();
    }
    void setLinked(bool linked) {
        const QString action = linked ? u"/rest/system/resume?device="_qs : u"/rest/system/pause?device="_qs;
        call(m_a, action + m_b.id, true);
        call(m_b, action + m_a.id, true);
    }
    bool connected(const Peer &self, const Peer &other) {
        return call(self, u"/rest/system/connections"_qs)[u"connections"][other.id][u"connected"].toBool();
    }

    QString m_syncthing;
    QTemporaryDir m_root;
    QNetworkAccessManager m_net;
    Peer m_a;
    Peer m_b;
};

QTEST_GUILESS_MAIN(TestSyncthingE2E)
#include "tst_syncthing_e2e.moc"
