#include "TestSupport.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <climits>

using TestSupport::readFile;
using TestSupport::writeFile;

namespace {

QByteArray noise(qsizetype size) {
    QByteArray out(size, Qt::Uninitialized);
    QRandomGenerator generator(11);
    for (char &c : out)
        c = char(generator.bounded(256));
    return out;
}

// The main window's saved frame in Qt's own layout, with rectangles as large as the numbers go.
QByteArray absurdFrame() {
    QByteArray geometry;
    QDataStream out(&geometry, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_0);
    out << quint32(0x1D9D0CB) << quint16(3) << quint16(0);
    const auto rect = [&out](qint32 left, qint32 top, qint32 right, qint32 bottom) {
        out << left << top << right << bottom;
    };
    rect(INT_MIN, INT_MIN, INT_MAX, INT_MAX); // frame
    rect(INT_MAX, INT_MAX, INT_MIN, INT_MIN); // normal
    out << qint32(99) << quint8(1) << quint8(1) << qint32(INT_MAX);
    rect(-5, -5, INT_MAX, 3); // screen
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("frame.ini"));
    {
        QSettings settings(path, QSettings::IniFormat);
        settings.setValue(QStringLiteral("RenewlyMainWindow/geometry"), geometry);
    }
    return TestSupport::readFile(path);
}

} // namespace

// The application starts and stays up, offscreen, whatever its preference and subscription files
// hold; it falls back to its defaults and never writes over the list it could not read.
class TestAppStarts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startsAndStaysUp_data() {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QByteArray>("subscriptions");
        QTest::addColumn<bool>("settingsIsAFolder");
        const QByteArray g = "[General]\n";
        const QByteArray list =
            R"([{"amount":20,"billingType":"recurring","category":"AI\/工具","currency":"USD",)"
            R"("cycle":"monthly","id":"6F9619FF-8B86-D011-B42D-00C04FC964FF","isActive":true,)"
            R"("name":"ChatGPT Plus","notes":"","startDate":"2025-03-07T08:30:00Z"}])";
        QTest::newRow("garbage settings") << noise(8192) << list << false;
        QTest::newRow("lead time 10^9") << g + "remindDaysBefore=1000000000\n" << list << false;
        QTest::newRow("lead time INT_MIN") << g + "remindDaysBefore=-2147483648\n" << list << false;
        QTest::newRow("lead time of the wrong type") << g + "remindDaysBefore=@ByteArray(7)\n"
                                                     << list << false;
        QTest::newRow("odd language") << g + "appLanguage=\xff\xfe klingon\n" << list << false;
        QTest::newRow("truncated window frame")
            << QByteArray(
                   "[RenewlyMainWindow]\ngeometry=@ByteArray(\\x1\\xd9\\xd0\\xcb\\0\\x3\\0\\0\\xff\\xff)\n")
            << list << false;
        QTest::newRow("window frame of absurd size") << absurdFrame() << list << false;
        QTest::newRow("settings unreadable") << QByteArray() << list << true;
        QTest::newRow("garbage list") << g + "appLanguage=zh\n" << noise(8192) << false;
    }

    void startsAndStaysUp() {
        QFETCH(QByteArray, settings);
        QFETCH(QByteArray, subscriptions);
        QFETCH(bool, settingsIsAFolder);
        QTemporaryDir home;
        QVERIFY(home.isValid());
        const QString config = home.filePath(QStringLiteral("config"));
        const QString data = home.filePath(QStringLiteral("data"));
        const QString runtime = home.filePath(QStringLiteral("run"));
        const QString ini = config + QStringLiteral("/Renewly/Renewly.ini");
        const QString list = data + QStringLiteral("/Renewly/subscriptions.json");
        QVERIFY(QDir().mkpath(config + QStringLiteral("/Renewly")));
        QVERIFY(QDir().mkpath(data + QStringLiteral("/Renewly")));
        QVERIFY(QDir().mkpath(runtime));
        QVERIFY(QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        if (settingsIsAFolder)
            QVERIFY(QDir().mkpath(ini));
        else
            QVERIFY(writeFile(ini, settings));
        QVERIFY(writeFile(list, subscriptions));

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
        environment.insert(QStringLiteral("XDG_DATA_HOME"), data);
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral("cache")));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // No session bus: reminders are silently off, as on a desktop without a notification service.
        environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));

        QProcess app;
        app.setProcessEnvironment(environment);
        app.setProcessChannelMode(QProcess::ForwardedChannels);
        app.start(QStringLiteral(RENEWLY_APP), {});
        QVERIFY2(app.waitForStarted(), qPrintable(app.errorString()));
        const bool ended = app.waitForFinished(2000);
        QVERIFY2(!ended,
                 qPrintable(QStringLiteral("the application ended within 2 s: %1 code %2")
                                .arg(app.exitStatus() == QProcess::CrashExit ? u"crashed"_qs : u"exited"_qs)
                                .arg(app.exitCode())));
        app.terminate();
        if (!app.waitForFinished(10000)) {
            app.kill();
            app.waitForFinished();
        }
        // Loading never writes: a list that could not be read is still there, byte for byte.
        QCOMPARE(readFile(list), subscriptions);
    }
};

QTEST_GUILESS_MAIN(TestAppStarts)
#include "tst_app_starts.moc"
