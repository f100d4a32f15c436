#include "MainWindowHarness.h"

#include "exchange/Export.h"
#include "views/AlertSheet.h"
#include "views/ExchangeFlow.h"
#include "views/ImportPreviewView.h"

#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QUrl>

using Lang = LocalizationManager::Lang;

// The File menu's flows driven through the real sheet: files are chosen through the dialog seam.
class TestImportSheet : public QObject {
    Q_OBJECT

private:
    static QStringList checks(const QListWidget *list) {
        QStringList states;
        for (int row = 0; row < list->count(); ++row) {
            const QListWidgetItem *item = list->item(row);
            states << (!(item->flags() & Qt::ItemIsEnabled) ? u"problem"_qs
                       : item->checkState() == Qt::Checked  ? u"ticked"_qs
                                                            : u"unticked"_qs);
        }
        return states;
    }

private Q_SLOTS:
    void previewTicksAndImportsInOneChange_data() {
        QTest::addColumn<Lang>("lang");
        QTest::addColumn<QString>("problemText");
        QTest::addColumn<QString>("button");
        QTest::newRow("zh") << Lang::zh << u"Renewly 没有“daily”这种周期"_qs << u"导入 2 项"_qs;
        QTest::newRow("en") << Lang::en << u"Renewly has no cycle \"daily\""_qs << u"Import 2"_qs;
    }
    void previewTicksAndImportsInOneChange() {
        QFETCH(Lang, lang);
        QFETCH(QString, problemText);
        QFETCH(QString, button);
        TestSupport::LanguageGuard language(lang);
        MainWindowHarness h;
        h.store.add(MainWindowHarness::sub({.name = u"Spotify"_qs, .amount = 11.99}));
        ContentView &content = h.show();
        const QString file = h.dir.filePath(u"list.csv"_qs);
        QVERIFY(TestSupport::writeFile(file,
                                       "Name,Cost,Currency,Schedule,Schedule Interval,Status,Start Date\n"
                                       "Spotify,11.99,USD,monthly,1,active,2025-01-05\n"
                                       "Netflix,15.49,USD,monthly,1,active,2025-02-01\n"
                                       "Coffee,3,USD,daily,1,active,2025-02-01\n"));
        ExchangeFlow::answerNextFileDialog(file);
        content.importFile();
        auto *sheet = h.waitForSheet<ImportPreviewView>();
        QVERIFY(sheet);
        QListWidget *list = sheet->entryList();
        QCOMPARE(checks(list), (QStringList{u"unticked"_qs, u"ticked"_qs, u"problem"_qs}));
        QVERIFY(list->item(2)->text().endsWith(problemText));
        QVERIFY(!list->accessibleName().isEmpty());

        // The keyboard ticks the likely duplicate too; Return imports.
        QTRY_COMPARE(QApplication::focusWidget(), list);
        list->setCurrentRow(0);
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(checks(list).front(), u"ticked"_qs);
        QCOMPARE(sheet->importButton()->text(), button);
        QSignalSpy changes(&h.store, &Store::aboutToChange);
        QTest::keyClick(sheet, Qt::Key_Return);
        QVERIFY(h.waitForNoSheet());
        QCOMPARE(changes.size(), 1);
        QCOMPARE(TestSupport::names(h.store.subscriptions()),
                 (QStringList{u"Spotify"_qs, u"Spotify"_qs, u"Netflix"_qs}));
    }

    // A dropped list opens the preview; Cancel adds nothing.
    void droppedListOpensThePreview() {
        MainWindowHarness h;
        const QList<Subscription> records{MainWindowHarness::sub({.name = u"A"_qs}),
                                          MainWindowHarness::sub({.name = u"B"_qs})};
        const QString file = h.dir.filePath(u"export.json"_qs);
        QVERIFY(TestSupport::writeFile(file, *Export::json(records)));
        ContentView &content = h.show();
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(file)});
        QVERIFY(dragAndDrop(content, &mime) == std::pair(true, true));
        auto *sheet = h.waitForSheet<ImportPreviewView>();
        QVERIFY(sheet);
        QCOMPARE(checks(sheet->entryList()), (QStringList{u"ticked"_qs, u"ticked"_qs}));
        QVERIFY(!content.isScanning());
        QTest::keyClick(sheet, Qt::Key_Escape);
        QVERIFY(h.waitForNoSheet());
        QVERIFY(h.store.subscriptions().isEmpty());

        QVERIFY(TestSupport::writeFile(file, "{\"unbalanced\": ["));
        QVERIFY(dragAndDrop(content, &mime).second);
        QVERIFY(h.waitForSheet<AlertSheet>());
        QVERIFY(h.sheetAs<AlertSheet>()->message().contains(u"export.json"_qs));
    }

    // Export writes the list; a record removed after the day's backup comes back from it.
    void exportAndRestoreFromBackup() {
        TestSupport::LanguageGuard language(Lang::en);
        MainWindowHarness h;
        h.store.keepBackups(h.dir.filePath(u"backups"_qs));
        const Subscription kept = MainWindowHarness::sub({.name = u"Kept"_qs});
        const Subscription lost = MainWindowHarness::sub({.name = u"Lost"_qs});
        h.store.add(kept);
        h.store.add(lost); // the day's backup holds the list as it was before: Kept only
        h.store.remove(kept);
        ContentView &content = h.show();

        ExchangeFlow::answerNextFileDialog(h.dir.filePath(u"out"_qs));
        content.exportList();
        QCOMPARE(TestSupport::readFile(h.dir.filePath(u"out.json"_qs)),
                 *Export::json(h.store.subscriptions()));

        const QList<QDate> days = h.store.backups()->days();
        QCOMPARE(days.size(), 1);
        ExchangeFlow::answerNextFileDialog(h.store.backups()->pathFor(days.front()));
        content.restoreFromBackup();
        auto *sheet = h.waitForSheet<ImportPreviewView>();
        QVERIFY(sheet);
        QCOMPARE(sheet->entryList()->count(), 1);
        QTest::mouseClick(sheet->importButton(), Qt::LeftButton);
        QVERIFY(h.waitForNoSheet());
        QCOMPARE(h.store.subscriptions().size(), 2);
        QCOMPARE(h.store.subscriptions().back(), kept);
    }
};

QTEST_MAIN(TestImportSheet)
#include "tst_import_sheet.moc"
