#include "MainWindowHarness.h"

#include "receipt/RecognizerPlugin.h"
#include "views/AlertSheet.h"
#include "views/HeroView.h"
#include "views/ScanFlow.h"
#include "views/ScanMenuButton.h"
#include "views/SoftButton.h"
#include "views/SubscriptionEditView.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPushButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QUrl>

#include <atomic>
#include <memory>

using Lang = LocalizationManager::Lang;

namespace {

const QString receiptText = u"Netflix 标准会员\n订阅成功\n¥25.00 / 月\n下次扣费日期 2025-04-01"_qs;

// A recogniser that reports what it was given and, when asked to, waits until the test lets it go.
struct FakeRecognizer {
    std::shared_ptr<QSemaphore> gate = std::make_shared<QSemaphore>(0);
    std::shared_ptr<std::atomic<int>> calls = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<std::atomic<int>> lastWidth = std::make_shared<std::atomic<int>>(0);
    bool blocking = false;
    QString text = receiptText;

    ScanFlow::Recognizer function() const {
        return [gate = gate, calls = calls, lastWidth = lastWidth, blocking = blocking,
                text = text](const QImage &image) {
            ++*calls;
            *lastWidth = image.width();
            if (blocking)
                gate->acquire();
            return text;
        };
    }
};

QImage picture(int width = 320, int height = 200) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

} // namespace

class TestScanFlow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        m_h = std::make_unique<MainWindowHarness>();
        m_files = std::make_unique<QTemporaryDir>();
        QGuiApplication::clipboard()->clear();
    }

    void cleanup() {
        m_h.reset();
        m_files.reset();
    }
    void clipboardImageOpensTheConfirmForm() {
        TestSupport::LanguageGuard language(Lang::zh);
        FakeRecognizer recognizer;
        recognizer.blocking = true;
        ContentView &content = showWith(recognizer);
        QGuiApplication::clipboard()->setImage(picture(321));
        QSignalSpy scanning(&content.scanFlow(), &ScanFlow::scanningChanged);

        content.hero()->scanButton()->clipboardAction()->trigger();
        // Recognition runs off the GUI thread; the spinner shows meanwhile.
        QVERIFY(content.isScanning());
        QVERIFY(content.hero()->scanButton()->isSpinning());
        QTRY_COMPARE(recognizer.calls->load(), 1);
        QCoreApplication::processEvents();
        QVERIFY(!m_h->sheet());
        QVERIFY(content.isScanning());

        recognizer.gate->release();
        auto *form = m_h->waitForSheet<SubscriptionEditView>();
        QVERIFY(form);
        QVERIFY(!content.isScanning());
        QVERIFY(!content.hero()->scanButton()->isSpinning());
        QCOMPARE(scanning.size(), 2);
        QCOMPARE(recognizer.lastWidth->load(), 321);
        QCOMPARE(form->mode(), SubscriptionEditView::Mode::confirmScan);
        QCOMPARE(form->name(), u"Netflix标准会员"_qs);
        QCOMPARE(form->amountText(), u"25"_qs);
        QCOMPARE(form->currency(), u"CNY"_qs);
        QVERIFY(content.prefillDraft());

        // Confirming adds the proposal as a new record.
        QTest::mouseClick(form->findChild<QPushButton *>(u"saveButton"_qs), Qt::LeftButton);
        QVERIFY(m_h->waitForNoSheet());
        QCOMPARE(m_h->store.subscriptions().size(), 1);
        QCOMPARE(m_h->store.subscriptions().constFirst().name, u"Netflix标准会员"_qs);
        QVERIFY(!content.prefillDraft());
    }

    // The alert is in the language of the moment it was asked for; its title and button follow a later
    // change of language, the message keeps its own.
    void clipboardWithoutImageShowsTheAlert_data() {
        QTest::addColumn<Lang>("lang");
        QTest::addColumn<QString>("clipboardText");
        QTest::addColumn<bool>("byKey"); // else the one button is clicked
        QTest::newRow("text, zh") << Lang::zh << u"Netflix ¥25"_qs << false;
        QTest::newRow("empty, en") << Lang::en << QString() << true;
        QTest::newRow("file name, en") << Lang::en << u"/home/me/receipt.png"_qs << false;
    }

    void clipboardWithoutImageShowsTheAlert() {
        QFETCH(Lang, lang);
        QFETCH(QString, clipboardText);
        QFETCH(bool, byKey);
        TestSupport::LanguageGuard language(lang);
        FakeRecognizer recognizer;
        ContentView &content = showWith(recognizer);
        if (!clipboardText.isEmpty())
            QGuiApplication::clipboard()->setText(clipboardText);
        QSignalSpy scanning(&content.scanFlow(), &ScanFlow::scanningChanged);

        content.hero()->scanButton()->clipboardAction()->trigger();
        auto *alert = m_h->waitForSheet<AlertSheet>();
        QVERIFY(alert);
        const QString message = ScanFlow::noImageMessage(lang == Lang::zh);
        QCOMPARE(alert->message(), message);
        QCOMPARE(content.alertMessage(), std::optional<QString>(message));
        // The title is drawn inside the sheet, above the whole message with its line breaks.
        auto *titleLabel = alert->findChild<QLabel *>(u"alertTitle"_qs);
        auto *messageLabel = alert->findChild<QLabel *>(u"alertMessage"_qs);
        QVERIFY(titleLabel->isVisible() && alert->rect().contains(titleLabel->geometry()));
        QVERIFY(messageLabel->geometry().top() >= titleLabel->geometry().bottom());
        QVERIFY(messageLabel->height() >= messageLabel->heightForWidth(messageLabel->width()));
        QVERIFY(alert->rect().contains(messageLabel->geometry()));
        // The alert path never marks a scan as running.
        QCOMPARE(scanning.size(), 0);
        QCOMPARE(recognizer.calls->load(), 0);

        for (const Lang shown : {lang, lang == Lang::zh ? Lang::en : Lang::zh}) {
            LocalizationManager::shared().setLang(shown);
            QCOMPARE(alert->title(), shown == Lang::zh ? u"识别提示"_qs : u"Scan"_qs);
            QCOMPARE(alert->okButton()->text(), shown == Lang::zh ? u"好"_qs : u"OK"_qs);
            QCOMPARE(alert->okButton()->accessibleName(), alert->okButton()->text());
            QCOMPARE(alert->message(), message);
        }
        if (byKey)
            QTest::keyClick(alert, Qt::Key_Return);
        else
            QTest::mouseClick(alert->okButton(), Qt::LeftButton);
        QVERIFY(m_h->waitForNoSheet());
        QVERIFY(!content.alertMessage());
    }

    void droppedImageFileIsScanned() {
        FakeRecognizer recognizer;
        ContentView &content = showWith(recognizer);
        // The loader reads the content, whatever the extension says.
        const QString first = m_files->filePath(u"receipt.dat"_qs);
        QVERIFY(picture(257).save(first, "PNG"));
        const QString second = m_files->filePath(u"other.png"_qs);
        QVERIFY(picture(99).save(second, "PNG"));
        QSignalSpy handled(&content.scanFlow(), &ScanFlow::dropHandled);

        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)});
        const auto [entered, dropped] = dragAndDrop(content, &mime, content.rect().center());
        QVERIFY(entered);
        QVERIFY(dropped);
        auto *form = m_h->waitForSheet<SubscriptionEditView>();
        QVERIFY(form);
        QCOMPARE(form->mode(), SubscriptionEditView::Mode::confirmScan);
        // Only the first file is scanned.
        QCOMPARE(recognizer.calls->load(), 1);
        QCOMPARE(recognizer.lastWidth->load(), 257);
        QCOMPARE(handled.size(), 1);
        QCOMPARE(handled.constFirst().constFirst().toBool(), true);
    }

    void chosenFileIsScanned_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("scanned");
        QTest::newRow("an image") << "receipt.png" << true;
        QTest::newRow("cancelled") << "" << false;
        QTest::newRow("not an image") << "notes.txt" << false;
        QTest::newRow("missing") << "missing.png" << false;
    }

    void chosenFileIsScanned() {
        QFETCH(QString, file);
        QFETCH(bool, scanned);
        FakeRecognizer recognizer;
        ContentView &content = showWith(recognizer);
        QVERIFY(picture(111).save(m_files->filePath(u"receipt.png"_qs)));
        QVERIFY(TestSupport::writeFile(m_files->filePath(u"notes.txt"_qs), "text"));
        ScanFlow::answerNextFileDialog(file.isEmpty() ? QString() : m_files->filePath(file));
        content.hero()->scanButton()->fileAction()->trigger();
        if (scanned) {
            QVERIFY(content.isScanning());
            auto *form = m_h->waitForSheet<SubscriptionEditView>();
            QVERIFY(form);
            QCOMPARE(recognizer.lastWidth->load(), 111);
        } else {
            QVERIFY(!content.isScanning());
            QCoreApplication::processEvents();
            QVERIFY(!m_h->sheet());
            QCOMPARE(recognizer.calls->load(), 0);
        }
    }

    void failingRecognizerGivesTheParserDefaults() {
        TestSupport::LanguageGuard language(Lang::en);
        ContentView &content = m_h->show();
        content.scanFlow().setRecognizer(
            [](const QImage &) -> QString { throw std::runtime_error("no engine"); });
        content.scanFlow().runScan(picture());
        auto *form = m_h->waitForSheet<SubscriptionEditView>();
        QVERIFY(form);
        QVERIFY(!content.isScanning());
        QCOMPARE(form->name(), QString());
        QCOMPARE(form->amountText(), u"0"_qs);
        QCOMPARE(form->currency(), u"CNY"_qs);
        QCOMPARE(form->notes(), QString());
        QVERIFY(!form->isValid());
    }

    void brokenRecognizerPluginReadsNothing_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("missing") << "gone.so" << QByteArray();
        QTest::newRow("empty") << "empty.so" << QByteArray("");
        QTest::newRow("not a library") << "text.so" << QByteArray("#!/bin/sh\nexit 0\n");
        QTest::newRow("a truncated library") << "cut.so"
                                             << QByteArray("\x7f"
                                                           "ELF\x02\x01\x01",
                                                           7);
        // A real shared library without the recogniser's entry points.
        QTest::newRow("another library") << "libz.so.1" << QByteArray();
    }

    void brokenRecognizerPluginReadsNothing() {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QString path = file;
        if (!content.isNull()) {
            path = m_files->filePath(file);
            QVERIFY(TestSupport::writeFile(path, content));
        } else if (file.endsWith(u".so")) {
            path = m_files->filePath(file);
        }
        RecognizerPlugin plugin(path);
        QImage image(200, 80, QImage::Format_RGB32);
        image.fill(Qt::white);
        // Twice: the failure is remembered, not retried on every scan.
        for (int attempt = 0; attempt < 2; ++attempt) {
            QVERIFY(!plugin.load());
            QCOMPARE(plugin.recognizeText(image), QString());
        }
        QVERIFY(!plugin.errorString().isEmpty());
    }

    void realRecognizerReadsAScreenshot() {
#ifndef RENEWLY_HAVE_OCR
        QSKIP("built without the on-device recogniser");
#else
        // The program loads the recogniser on the first scan; the test finds it through
        // RENEWLY_RECOGNIZER.
        QVERIFY2(RecognizerPlugin::shared().load(), qPrintable(RecognizerPlugin::shared().errorString()));
        TestSupport::LanguageGuard language(Lang::en);
        ContentView &content = m_h->show();
        content.scanFlow().setRecognizer(ScanFlow::defaultRecognizer());
        QImage image(900, 260, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            QFont font(u"DejaVu Sans"_qs);
            font.setPixelSize(44);
            painter.setFont(font);
            painter.setPen(Qt::black);
            painter.drawText(QPoint(40, 90), u"Spotify Premium"_qs);
            painter.drawText(QPoint(40, 190), u"$11.99 / month"_qs);
        }
        QGuiApplication::clipboard()->setImage(image);
        content.scanFromClipboard();
        QVERIFY(content.isScanning());
        auto *form = m_h->waitForSheet<SubscriptionEditView>(60000);
        QVERIFY(form);
        QCOMPARE(form->amountText(), u"11.99"_qs);
        QCOMPARE(form->currency(), u"USD"_qs);
        QVERIFY2(form->name().contains(u"Spotify"_qs), qPrintable(form->name()));
        QCOMPARE(form->cycle(), BillingCycle::monthly);

        // Once no scan has run for the idle delay the plugin is unloaded (its code unmapped); the
        // next scan loads it again and reads as before.
        RecognizerPlugin &plugin = RecognizerPlugin::shared();
        const QString before = plugin.recognizeText(image);
        plugin.setIdleUnload(std::chrono::milliseconds(0));
        QTRY_VERIFY(!plugin.isLoaded());
        plugin.setIdleUnload(RecognizerPlugin::defaultIdleUnload);
        QFile maps(u"/proc/self/maps"_qs);
        QVERIFY(maps.open(QIODevice::ReadOnly));
        QVERIFY(!maps.readAll().contains("renewly-recognizer"));
        QCOMPARE(plugin.recognizeText(image), before);
        QVERIFY(plugin.isLoaded());
#endif
    }

private:
    ContentView &showWith(const FakeRecognizer &recognizer) {
        ContentView &content = m_h->show();
        content.scanFlow().setRecognizer(recognizer.function());
        return content;
    }

    std::unique_ptr<MainWindowHarness> m_h;
    std::unique_ptr<QTemporaryDir> m_files;
};

QTEST_MAIN(TestScanFlow)
#include "tst_scan_flow.moc"
