#include "store/ListMerge.h"

#include <QTest>

namespace {

// Lists are written as space-separated records: a letter for the id, optionally followed by field
// changes from the letter's original ("b:name=Max,amount=20"). The original of "b" is named "B",
// costs 10 and has no notes.
Subscription original(QChar letter) {
    Subscription s = Subscription::make(
        QString(letter.toUpper()), 10, u"CNY"_qs, BillingType::recurring, BillingCycle::monthly,
        QDateTime(QDate(2025, 3, 7), QTime(8, 30), QTimeZone::utc()), QString(), QString());
    s.id = QUuid(u"00000000-0000-0000-0000-0000000000"_qs + QString::number(letter.unicode(), 16));
    return s;
}

QList<Subscription> list(const QString &spec) {
    QList<Subscription> out;
    for (const QString &token : spec.split(u' ', Qt::SkipEmptyParts)) {
        Subscription s = original(token[0]);
        for (const QString &change : token.mid(2).split(u',', Qt::SkipEmptyParts)) {
            const QString key = change.section(u'=', 0, 0);
            const QString value = change.section(u'=', 1);
            if (key == u"name")
                s.name = value;
            else if (key == u"amount")
                s.amount = value.toDouble();
            else if (key == u"notes")
                s.notes = value;
            else if (key == u"active")
                s.isActive = value == u"true";
        }
        out.append(s);
    }
    return out;
}

// "b:name=Mine" for every record whose edit of the name gave way, with the value that lost.
QString replacedText(const QList<ListMerge::Replaced> &replaced) {
    QStringList parts;
    for (const auto &r : replaced)
        parts.append(QChar(char16_t(r.lost.id.data4[7])) + u':' + r.fields.join(u',') + u'=' + r.lost.name);
    return parts.join(u' ');
}

} // namespace

class TestListMerge : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rules_data() {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("mine");
        QTest::addColumn<QString>("theirs");
        QTest::addColumn<bool>("copy");
        QTest::addColumn<QString>("merged");
        QTest::addColumn<QString>("replaced");
        QTest::addColumn<int>("fromTheirs");
        QTest::addColumn<int>("fromMine");

        const auto add = [](const char *name, const char *base, const char *mine, const char *theirs,
                            bool copy, const char *merged, const char *replaced, int fromTheirs,
                            int fromMine) {
            QTest::newRow(name) << QString::fromLatin1(base) << QString::fromLatin1(mine)
                                << QString::fromLatin1(theirs) << copy << QString::fromLatin1(merged)
                                << QString::fromLatin1(replaced) << fromTheirs << fromMine;
        };
        // A record changed on one side only takes that side's version.
        add("changed there", "a b", "a b", "a b:amount=20", false, "a b:amount=20", "", 2, 0);
        add("changed here", "a b", "a b:amount=20", "a b", false, "a b:amount=20", "", 2, 0);
        // Added on either side is added: the file's order first, then local additions.
        add("added on both", "a", "a c", "b a", false, "b a c", "", 2, 1);
        // Deleted on one side and unchanged on the other is deleted.
        add("deleted there", "a b", "a b", "a", false, "a", "", 1, 0);
        add("deleted here", "a b", "a", "a b", false, "a", "", 1, 0);
        // Deleted on one side and edited on the other is kept, edited.
        add("deleted there, edited here", "a b", "a b:notes=x", "a", false, "a b:notes=x", "", 1, 1);
        add("deleted here, edited there", "a b", "a", "a b:notes=x", false, "a b:notes=x", "", 2, 0);
        // Changed on both sides: different fields merge; the same field takes the file's value and
        // the local version is handed back.
        add("different fields", "a", "a:amount=20", "a:notes=x", false, "a:amount=20,notes=x", "", 1, 0);
        add("same field", "a", "a:name=Mine,amount=20", "a:name=File", false, "a:name=File,amount=20",
            "a:name=Mine", 1, 0);
        add("same field, same value", "a", "a:name=Both", "a:name=Both", false, "a:name=Both", "", 1, 0);
        // The same id on both sides and no base (lists joined for the first time): the file wins.
        add("no base", "", "a:name=Mine b", "a:name=File", false, "a:name=File b", "a:name=Mine", 1, 1);
        add("empty file, no base", "", "a b", "", false, "a b", "", 0, 2);
        // A conflict copy never deletes: records it lacks stay, records the list lacks come back.
        // It keeps the list's order and appends what it adds.
        add("copy lacks a record", "a b", "a b", "c a", true, "a b c", "", 2, 1);
        add("copy has a deleted record", "a b", "a", "a b", true, "a b", "", 2, 0);
        add("copy changed a field", "a b", "a b:amount=20", "a:notes=x b", true, "a:notes=x b:amount=20", "",
            2, 0);
        // Where both changed a field the list keeps its value (the sync tool chose it) and the
        // copy's version is handed back.
        add("copy and list changed a field", "a", "a:name=Mine", "a:name=Copy,notes=x", true,
            "a:name=Mine,notes=x", "a:name=Copy", 1, 0);
        // A record the file holds twice (a hand edit) keeps both.
        add("duplicate in the file", "a", "a", "a a:name=Two", false, "a a:name=Two", "", 2, 0);
    }
    void rules() {
        QFETCH(QString, base);
        QFETCH(QString, mine);
        QFETCH(QString, theirs);
        QFETCH(bool, copy);
        QFETCH(QString, merged);
        QFETCH(QString, replaced);
        const auto result =
            ListMerge::merge(list(base), list(mine), list(theirs),
                             copy ? ListMerge::Source::conflictCopy : ListMerge::Source::file);
        QCOMPARE(result.merged, list(merged));
        QCOMPARE(replacedText(result.replaced), replaced);
        QTEST(result.fromTheirs, "fromTheirs");
        QTEST(result.fromMine, "fromMine");
    }
};

QTEST_GUILESS_MAIN(TestListMerge)
#include "tst_list_merge.moc"
