#include "TestSupport.h"
#include "store/SubscriptionFile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

// Runs the real renewly-cli on a prepared data folder. Records are dated relative to the moment the
// test runs, so the expected figures hold on any day.
class TestCli : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_home;
    QString dataFile() const { return m_home.filePath(u"data/Renewly/subscriptions.json"_qs); }

    struct Result {
        int code = -1;
        QString out;
        QString err;
    };

    Result run(const QStringList &arguments, const QString &language, const QByteArray &input = {}) {
        QDir(m_home.path()).mkpath(u"config/Renewly"_qs);
        TestSupport::writeFile(m_home.filePath(u"config/Renewly/Renewly.ini"_qs),
                               "[General]\nappLanguage=" + language.toUtf8() + "\n");
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"XDG_DATA_HOME"_qs, m_home.filePath(u"data"_qs));
        env.insert(u"XDG_CONFIG_HOME"_qs, m_home.filePath(u"config"_qs));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(RENEWLY_CLI_PATH), arguments);
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(60000))
            return {};
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    static Subscription record(const char *name, double amount, const char *currency, int startInDays,
                               BillingCycle cycle = BillingCycle::monthly, bool active = true,
                               BillingType type = BillingType::recurring) {
        return Subscription::make(QString::fromUtf8(name), amount, QString::fromLatin1(currency), type, cycle,
                                  QDateTime::currentDateTime().addDays(startInDays).toUTC(), u"AI/工具"_qs,
                                  {}, active);
    }

    QList<Subscription> m_records;

private Q_SLOTS:
    void init() {
        m_records = {
            record("Small", 10, "CNY", -40),
            record("USD plan", 20, "USD", 3),
            record("Paused", 500, "CNY", 1, BillingCycle::monthly, false),
            record("Bought", 68, "CNY", 2, BillingCycle::yearly, true, BillingType::oneTime),
            record("Far", 100, "CNY", 30),
        };
        QDir().mkpath(QFileInfo(dataFile()).absolutePath());
        QVERIFY(TestSupport::writeFile(dataFile(), *SubscriptionFile::encode(m_records)));
    }

    void summaryInBothLanguages_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("monthly");
        QTest::newRow("zh")
            << u"zh"_qs << u"每月订阅支出  ¥254\n每年支出      ¥3048\n进行中        3\n近 7 天待扣   2\n"_qs
            << u"¥254"_qs;
        QTest::newRow("en")
            << u"en"_qs
            << u"Monthly spend  $35.28\nYearly         $423.33\nActive         3\nDue in 7d      2\n"_qs
            << u"$35.28"_qs;
    }

    void summaryInBothLanguages() {
        QFETCH(QString, language);
        QFETCH(QString, text);
        QFETCH(QString, monthly);
        const Result plain = run({u"summary"_qs}, language);
        QCOMPARE(plain.code, 0);
        QCOMPARE(plain.out, text);
        const Result json = run({u"summary"_qs, u"--json"_qs}, language);
        QCOMPARE(json.code, 0);
        const QJsonObject o = QJsonDocument::fromJson(json.out.toUtf8()).object();
        QCOMPARE(o.value(u"monthlySpend").toString(), monthly);
        QCOMPARE(o.value(u"active").toInt(), 3);
        QCOMPARE(o.value(u"dueSoon").toInt(), 2);
        QCOMPARE(o.value(u"totalMonthlyCNY").toDouble(), 254.0);
        QCOMPARE(o.keys().size(), 5);
    }

    void upcomingJson() {
        const Result result = run({u"upcoming"_qs, u"--json"_qs, u"--days"_qs, u"31"_qs}, u"en"_qs);
        QCOMPARE(result.code, 0);
        const QJsonArray array = QJsonDocument::fromJson(result.out.toUtf8()).array();
        QStringList seen;
        QDate companionToday; // as the companion counted days, whatever the clock says here now
        for (const QJsonValue &v : array) {
            const QJsonObject o = v.toObject();
            const auto sub = Subscription::fromJson(o.value(u"subscription"));
            QVERIFY(sub);
            const QDate date = QDate::fromString(o.value(u"date").toString(), Qt::ISODate);
            const QDate today = date.addDays(-o.value(u"days").toInt());
            QCOMPARE(today, companionToday.isValid() ? companionToday : (companionToday = today));
            if (sub->startDate.toLocalTime().date() >= today)
                QCOMPARE(date, sub->startDate.toLocalTime().date());
            seen << u"%1@%2"_qs.arg(sub->name).arg(o.value(u"days").toInt());
        }
        QCOMPARE(seen.size(), 4);
        QCOMPARE(seen.mid(0, 2), (QStringList{u"Bought@2"_qs, u"USD plan@3"_qs}));
        QVERIFY(seen.contains(u"Far@30"_qs));

        const Result plain = run({u"upcoming"_qs}, u"zh"_qs);
        QCOMPARE(plain.out.count(u'\n'), 2);
        QVERIFY(plain.out.contains(u"2天后  -¥68  Bought"_qs));
    }

    void listInMainOrder() {
        const Result result = run({u"list"_qs, u"--json"_qs}, u"zh"_qs);
        QCOMPARE(result.code, 0);
        QStringList names;
        for (const QJsonValue &v : QJsonDocument::fromJson(result.out.toUtf8()).array())
            names << Subscription::fromJson(v)->name;
        QCOMPARE(names, (QStringList{u"USD plan"_qs, u"Far"_qs, u"Small"_qs, u"Bought"_qs, u"Paused"_qs}));
        QVERIFY(result.out.contains(u"\"category\" : \"AI\\/工具\""_qs)); // the file's JSON form

        const Result plain = run({u"list"_qs}, u"en"_qs);
        QVERIFY(plain.out.contains(u"AI & Tools"_qs));
        QCOMPARE(plain.out.count(u'\n'), 5);
    }

    void badArguments_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no command") << QStringList();
        QTest::newRow("unknown command") << QStringList{u"frobnicate"_qs};
        QTest::newRow("unknown option") << QStringList{u"summary"_qs, u"--yaml"_qs};
        QTest::newRow("days missing") << QStringList{u"upcoming"_qs, u"--days"_qs};
        QTest::newRow("days negative") << QStringList{u"upcoming"_qs, u"--days"_qs, u"-3"_qs};
        QTest::newRow("days not a number") << QStringList{u"upcoming"_qs, u"--days=soon"_qs};
        QTest::newRow("days absurd") << QStringList{u"upcoming"_qs, u"--days"_qs, u"99999999999"_qs};
        QTest::newRow("extra operand") << QStringList{u"list"_qs, u"extra"_qs};
        QTest::newRow("days without upcoming") << QStringList{u"summary"_qs, u"--days"_qs, u"3"_qs};
        QTest::newRow("parse takes no files") << QStringList{u"parse"_qs, u"receipt.txt"_qs};
        QTest::newRow("export without format") << QStringList{u"export"_qs};
        QTest::newRow("export format unknown") << QStringList{u"export"_qs, u"--format=xml"_qs};
        QTest::newRow("output without name")
            << QStringList{u"export"_qs, u"--format"_qs, u"csv"_qs, u"--output"_qs};
        QTest::newRow("format without export") << QStringList{u"list"_qs, u"--format"_qs, u"csv"_qs};
        QTest::newRow("import without dry run") << QStringList{u"import"_qs, u"list.csv"_qs};
        QTest::newRow("dry run without import") << QStringList{u"list"_qs, u"--dry-run"_qs};
        QTest::newRow("import without file") << QStringList{u"import"_qs, u"--dry-run"_qs};
    }

    void badArguments() {
        QFETCH(QStringList, arguments);
        const Result result = run(arguments, u"en"_qs);
        QVERIFY(result.code != 0);
        QVERIFY(result.out.isEmpty());
        QCOMPARE(result.err.count(u'\n'), 1);
        QVERIFY(result.err.startsWith(u"renewly-cli: "_qs));
    }

    void neverWritesTheFile() {
        const QByteArray garbage = "[{\"broken\": true}]";
        QVERIFY(TestSupport::writeFile(dataFile(), garbage));
        const QDateTime modified = QFileInfo(dataFile()).lastModified();
        const Result result = run({u"summary"_qs}, u"en"_qs);
        QCOMPARE(result.code, 1);
        QVERIFY(result.err.contains(u"cannot be read"_qs));
        QCOMPARE(TestSupport::readFile(dataFile()), garbage);
        QCOMPARE(QFileInfo(dataFile()).lastModified(), modified);
        QCOMPARE(QDir(QFileInfo(dataFile()).absolutePath()).entryList(QDir::Files).size(), 1);

        QDir(m_home.filePath(u"data"_qs)).removeRecursively();
        const Result missing = run({u"list"_qs, u"--json"_qs}, u"en"_qs);
        QCOMPARE(missing.code, 0);
        QCOMPARE(missing.out, u"[]\n"_qs);
        QVERIFY(!QFileInfo::exists(m_home.filePath(u"data/Renewly"_qs)));
    }

    void exportThenPreviewTheImport() {
        const QByteArray list = TestSupport::readFile(dataFile());
        const Result json = run({u"export"_qs, u"--format"_qs, u"json"_qs}, u"en"_qs);
        QCOMPARE(json.code, 0);
        QCOMPARE(json.out.toUtf8(), list);
        const QString csv = m_home.filePath(u"out/list.csv"_qs);
        QDir().mkpath(QFileInfo(csv).absolutePath());
        QCOMPARE(run({u"export"_qs, u"--format=csv"_qs, u"--output"_qs, csv}, u"en"_qs).code, 0);
        QVERIFY(TestSupport::readFile(csv).startsWith("\xEF\xBB\xBFid,name,amount,"));
        // Pointed at the list itself, the companion still does not write it.
        QCOMPARE(run({u"export"_qs, u"--format=ics"_qs, u"--output"_qs, dataFile()}, u"en"_qs).code, 1);

        const Result preview = run({u"import"_qs, u"--dry-run"_qs, csv, u"--json"_qs}, u"en"_qs);
        QCOMPARE(preview.code, 0);
        const QJsonObject o = QJsonDocument::fromJson(preview.out.toUtf8()).object();
        QCOMPARE(o.value(u"format").toString(), u"renewly-csv"_qs);
        const QJsonArray entries = o.value(u"entries").toArray();
        QCOMPARE(entries.size(), m_records.size());
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const QJsonObject entry = entries[i].toObject();
            QCOMPARE(entry.value(u"duplicate").toBool(), true);
            QVERIFY(entry.value(u"problem").isNull());
            QCOMPARE(Subscription::fromJson(entry.value(u"record"))->name, m_records[i].name);
        }
        const Result plain = run({u"import"_qs, u"--dry-run"_qs, csv}, u"en"_qs);
        QVERIFY(plain.out.endsWith(
            u"0 to import, 0 with a problem, 5 already in the list; nothing was changed.\n"_qs));
        QCOMPARE(TestSupport::readFile(dataFile()), list);

        const QString binary = m_home.filePath(u"out/photo.csv"_qs);
        QVERIFY(TestSupport::writeFile(binary, QByteArray("\x89PNG\0\0", 6)));
        const Result refused = run({u"import"_qs, u"--dry-run"_qs, u"--json"_qs, binary}, u"en"_qs);
        QCOMPARE(refused.code, 1);
        QVERIFY(refused.out.isEmpty());
        QCOMPARE(refused.err, u"renewly-cli: "_qs + binary + u": not a text file\n"_qs);
    }

    void parseReceiptText_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("heading");
        QTest::newRow("zh") << u"zh"_qs << u"📷 识别原文：\n"_qs;
        QTest::newRow("en") << u"en"_qs << u"📷 Scanned text:\n"_qs;
    }

    void parseReceiptText() {
        QFETCH(QString, language);
        QFETCH(QString, heading);
        const QByteArray receipt = "Netflix\n高级套餐\n¥68.00/月\n2025年3月7日\n";
        const Result json = run({u"parse"_qs, u"--json"_qs}, language, receipt);
        QCOMPARE(json.code, 0);
        const auto proposal = Subscription::fromJson(QJsonDocument::fromJson(json.out.toUtf8()).object());
        // What the parser proposes, dated in the local zone (the parser's rules have tests of their own).
        QVERIFY(proposal);
        QCOMPARE(proposal->amount, 68.0);
        QCOMPARE(proposal->startDate.toLocalTime(), QDateTime(QDate(2025, 3, 7), QTime(0, 0)));
        QVERIFY(proposal->notes.startsWith(heading));

        const Result plain = run({u"parse"_qs}, language, receipt);
        QCOMPARE(plain.code, 0);
        QVERIFY(plain.out.contains(u"¥68"_qs));
        QVERIFY(plain.out.contains(language == u"zh" ? u"影音"_qs : u"Video"_qs));

        const Result crlf =
            run({u"parse"_qs, u"--json"_qs}, language, QByteArray(receipt).replace("\n", "\r\n"));
        QCOMPARE(Subscription::fromJson(QJsonDocument::fromJson(crlf.out.toUtf8()).object())->name,
                 u"Netflix"_qs);

        const Result empty = run({u"parse"_qs, u"--json"_qs}, language, {});
        QCOMPARE(empty.code, 0);
        QCOMPARE(Subscription::fromJson(QJsonDocument::fromJson(empty.out.toUtf8()).object())->amount, 0.0);
    }

    void scanRefusesWhatIsNotAnImage() {
        const QString notAnImage = m_home.filePath(u"receipt.png"_qs);
        QVERIFY(TestSupport::writeFile(notAnImage, "this is not a PNG"));
        const Result result = run({u"scan"_qs, notAnImage}, u"en"_qs);
        QCOMPARE(result.code, 1);
        QVERIFY(result.out.isEmpty());
        QCOMPARE(result.err.count(u'\n'), 1);
        QCOMPARE(run({u"scan"_qs}, u"en"_qs).code, 2);
    }

    void help() {
        const Result result = run({u"--help"_qs}, u"en"_qs);
        QCOMPARE(result.code, 0);
        QVERIFY(result.out.startsWith(u"Usage: renewly-cli"_qs));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
