#include "TestSupport.h"
#include "model/Subscription.h"

#include "model/JsonWriter.h"
#include "store/SubscriptionFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

class TestSubscription : public QObject {
    Q_OBJECT

private:
    static QJsonObject validObject() {
        return QJsonObject{
            {u"id"_qs, u"6F9619FF-8B86-D011-B42D-00C04FC964FF"_qs},
            {u"name"_qs, u"Netflix"_qs},
            {u"amount"_qs, 15.49},
            {u"currency"_qs, u"USD"_qs},
            {u"billingType"_qs, u"recurring"_qs},
            {u"cycle"_qs, u"monthly"_qs},
            {u"startDate"_qs, u"2025-03-07T08:30:00Z"_qs},
            {u"category"_qs, u"影音"_qs},
            {u"notes"_qs, QString()},
            {u"isActive"_qs, true},
        };
    }

private Q_SLOTS:
    void rawValuesAreExactCaseNames() {
        QCOMPARE(billingCycleFromRaw(u"monthly"), BillingCycle::monthly);
        QCOMPARE(billingTypeFromRaw(u"oneTime"), BillingType::oneTime);
        for (const char16_t *bad : {u"Monthly", u"MONTHLY", u"", u"month", u"monthly "})
            QVERIFY(!billingCycleFromRaw(bad));
        QVERIFY(!billingTypeFromRaw(u"onetime"));
    }

    void decodesAValidObject() {
        const auto s = Subscription::fromJson(validObject());
        QVERIFY(s);
        QCOMPARE(uuidText(s->id), u"6F9619FF-8B86-D011-B42D-00C04FC964FF"_qs);
        QCOMPARE(s->startDate, QDateTime(QDate(2025, 3, 7), QTime(8, 30), QTimeZone::utc()));
        QCOMPARE(s->amount, 15.49);
        QCOMPARE(s->category, u"影音"_qs);
    }

    void strictDecoding_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("value"); // Undefined: remove the key
        QTest::addColumn<bool>("decodes");
        const QJsonValue remove(QJsonValue::Undefined);
        QTest::newRow("notes missing") << u"notes"_qs << remove << false;
        QTest::newRow("id missing") << u"id"_qs << remove << false;
        QTest::newRow("capitalised cycle") << u"cycle"_qs << QJsonValue(u"Monthly"_qs) << false;
        QTest::newRow("unknown billing type") << u"billingType"_qs << QJsonValue(u"subscription"_qs) << false;
        QTest::newRow("amount as text") << u"amount"_qs << QJsonValue(u"15.49"_qs) << false;
        QTest::newRow("isActive as number") << u"isActive"_qs << QJsonValue(1) << false;
        QTest::newRow("name null") << u"name"_qs << QJsonValue(QJsonValue::Null) << false;
        QTest::newRow("id not a UUID") << u"id"_qs << QJsonValue(u"not-a-uuid"_qs) << false;
        QTest::newRow("id with braces")
            << u"id"_qs << QJsonValue(u"{6F9619FF-8B86-D011-B42D-00C04FC964FF}"_qs) << false;
        QTest::newRow("id lower case")
            << u"id"_qs << QJsonValue(u"6f9619ff-8b86-d011-b42d-00c04fc964ff"_qs) << true;
        QTest::newRow("id mixed case")
            << u"id"_qs << QJsonValue(u"0a1B2c3D-4e5F-6a7B-8c9D-aEbFc0D1e2F3"_qs) << true;
        QTest::newRow("nil id") << u"id"_qs << QJsonValue(u"00000000-0000-0000-0000-000000000000"_qs) << true;
        QTest::newRow("id with a letter past F")
            << u"id"_qs << QJsonValue(u"6F9619FF-8B86-D011-B42D-00C04FC964FG"_qs) << false;
        QTest::newRow("id with a hyphen out of place")
            << u"id"_qs << QJsonValue(u"6F9619F-F8B86-D011-B42D-00C04FC964FF"_qs) << false;
        QTest::newRow("fractional seconds")
            << u"startDate"_qs << QJsonValue(u"2025-03-07T08:30:00.5Z"_qs) << false;
        QTest::newRow("no zone designator")
            << u"startDate"_qs << QJsonValue(u"2025-03-07T08:30:00"_qs) << false;
        QTest::newRow("date only") << u"startDate"_qs << QJsonValue(u"2025-03-07"_qs) << false;
        QTest::newRow("offset designator")
            << u"startDate"_qs << QJsonValue(u"2025-03-07T16:30:00+08:00"_qs) << true;
        QTest::newRow("30 February") << u"startDate"_qs << QJsonValue(u"2025-02-30T08:30:00Z"_qs) << false;
        QTest::newRow("hour 24") << u"startDate"_qs << QJsonValue(u"2025-03-07T24:00:00Z"_qs) << false;
        QTest::newRow("extra key ignored") << u"colour"_qs << QJsonValue(u"red"_qs) << true;
        QTest::newRow("one-time keeps its cycle") << u"billingType"_qs << QJsonValue(u"oneTime"_qs) << true;
    }

    void strictDecoding() {
        QFETCH(QString, key);
        QFETCH(QJsonValue, value);
        QFETCH(bool, decodes);
        QJsonObject object = validObject();
        if (value.isUndefined())
            object.remove(key);
        else
            object.insert(key, value);
        const auto s = Subscription::fromJson(object);
        QCOMPARE(bool(s), decodes);
        // The list file's own reader, which reads ids and dates from the bytes, decides alike.
        const auto list = SubscriptionFile::decode(QJsonDocument(QJsonArray{object}).toJson());
        QCOMPARE(list ? std::optional(list->first()) : std::nullopt, s);
        if (s && key == u"startDate")
            QCOMPARE(s->startDate, QDateTime(QDate(2025, 3, 7), QTime(8, 30), QTimeZone::utc()));
        if (s && key == u"id")
            QCOMPARE(s->id, QUuid::fromString(value.toString()));
    }

    void roundTripKeepsEveryFieldButFractionalSeconds() {
        Subscription s{.name = u"iCloud+ 200GB"_qs,
                       .amount = 2.99,
                       .currency = u"usd"_qs,
                       .billingType = BillingType::oneTime,
                       .cycle = BillingCycle::weekly,
                       .startDate = QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59), QTimeZone::utc()),
                       .category = u"AI/工具"_qs,
                       .notes = u"line\nbreak \"quoted\""_qs,
                       .isActive = false};
        QCOMPARE(Subscription::fromJson(s.toJson()), s);

        Subscription fractional = s;
        fractional.startDate = fractional.startDate.addMSecs(999);
        const auto back = Subscription::fromJson(fractional.toJson());
        QVERIFY(back != fractional);
        QCOMPARE(back->startDate, s.startDate);
    }

    // The file holds whole seconds: a fraction is dropped towards the earlier second, before 1970 too.
    void internetDateTimeDropsFractions_data() {
        QTest::addColumn<qint64>("msecs");
        QTest::addColumn<QString>("text");
        QTest::newRow("after 1970") << qint64(1500) << u"1970-01-01T00:00:01Z"_qs;
        QTest::newRow("half a second before 1970") << qint64(-500) << u"1969-12-31T23:59:59Z"_qs;
        QTest::newRow("a second before 1970") << qint64(-1000) << u"1969-12-31T23:59:59Z"_qs;
        QTest::newRow("just over a second before") << qint64(-1001) << u"1969-12-31T23:59:58Z"_qs;
    }

    void internetDateTimeDropsFractions() {
        QFETCH(qint64, msecs);
        QTEST(formatInternetDateTime(QDateTime::fromMSecsSinceEpoch(msecs, QTimeZone::utc())), "text");
    }

    // Whatever a name holds, the written text reads back to the same string.
    void writtenStringsReadBack_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("slash") << u"AI/工具"_qs;
        QTest::newRow("quotes and backslashes") << u"say \"hi\" \\ bye"_qs;
        QTest::newRow("control characters") << QString::fromUtf8("a\x01\x1f\b\f\n\r\tb");
        QTest::newRow("emoji and CJK") << u"📷 识别原文：✅"_qs;
        QTest::newRow("empty") << QString();
    }

    void writtenStringsReadBack() {
        QFETCH(QString, text);
        const QByteArray json = *JsonWriter::write(QJsonArray{text}, JsonWriter::Layout::compact);
        QCOMPARE(QJsonDocument::fromJson(json).array().first().toString(), text);
        QVERIFY(!json.contains('/') || json.contains("\\/"));
    }

    void equalityTakesEveryField() {
        const Subscription a = Subscription::fromJson(validObject()).value();
        Subscription b = a;
        QCOMPARE(a, b);
        QCOMPARE(qHash(a), qHash(b));
        b.name = u"Other"_qs;
        QVERIFY(a != b);
        QCOMPARE(a.id, b.id); // still the same subscription for the store
    }

    void newRecordDefaults() {
        const Subscription s;
        QVERIFY(!s.id.isNull());
        QCOMPARE(s.currency, u"CNY"_qs);
        QCOMPARE(s.billingType, BillingType::recurring);
        QCOMPARE(s.cycle, BillingCycle::monthly);
        QVERIFY(s.isActive);
        QVERIFY(Subscription().id != s.id);
    }
};

QTEST_GUILESS_MAIN(TestSubscription)
#include "tst_subscription.moc"
