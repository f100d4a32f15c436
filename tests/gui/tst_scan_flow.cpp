#include "MainWindowHarness.h"

#include "views/AlertSheet.h"
#include "views/HeroView.h"
#include "views/ScanFlow.h"
#include "views/ScanMenuButton.h"
#include "views/SettingsView.h"
#include "views/SoftButton.h"
#include "views/SubscriptionEditView.h"

#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QUrl>

#include "receipt/RecognizerPlugin.h"

#include <atomic>
#include <memory>

using Lang = LocalizationManager::Lang;

namespace {

const QString receiptText =
    QStringLiteral("Netflix 标准会员\n订阅成功\n¥25.00 / 月\n下次扣费日期 2025-04-01");

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

QMimeData *dropOf(const QList<QUrl> &urls) {
    auto *mime = new QMimeData;
    mime->setUrls(urls);
    return mime;
}

// Sends a drag over the content and a drop onto it, as the platform does; returns whether each was taken.
std::pair<bool, bool> dragAndDrop(QWidget &target, QMimeData *mime) {
    const QPoint point = target.rect().center();
    QDragEnterEvent enter(point, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&target, &enter);
    QDropEvent drop(QPointF(point), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&target, &drop);
    return {enter.isAccepted(), drop.isAccepted()};
}

} // namespace

class TestScanFlow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void clipboardImageOpensTheConfirmForm();
    void clipboardWithoutImageShowsTheAlert_data();
    void clipboardWithoutImageShowsTheAlert();
    void alertTitleFollowsLanguageButMessageKeepsIts();
    void droppedImageFileIsScanned();
    void chosenFileIsScanned_data();
    void chosenFileIsScanned();
    void failingRecognizerGivesTheParserDefaults();
    void brokenRecognizerPluginReadsNothing_data();
    void brokenRecognizerPluginReadsNothing();
    void realRecognizerReadsAScreenshot();

private:
    ContentView &showWith(const FakeRecognizer &recognizer);

    std::unique_ptr<MainWindowHarness> m_h;
    std::unique_ptr<QTemporaryDir> m_files;
};

void TestScanFlow::init() {
    m_h = std::make_unique<MainWindowHarness>();
    m_files = std::make_unique<QTemporaryDir>();
    QGuiApplication::clipboard()->clear();
}

void TestScanFlow::cleanup() {
    m_h.reset();
    m_files.reset();
}

ContentView &TestScanFlow::showWith(const FakeRecognizer &recognizer) {
    ContentView &content = m_h->show();
    content.scanFlow().setRecognizer(recognizer.function());
    return content;
}

void TestScanFlow::clipboardImageOpensTheConfirmForm() {
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
    QCOMPARE(form->name(), QStringLiteral("Netflix 标准会员"));
    QCOMPARE(form->amountText(), QStringLiteral("25"));
    QCOMPARE(form->currency(), QStringLiteral("CNY"));
    QVERIFY(content.prefillDraft());

    // Confirming adds the proposal as a new record.
    QTest::mouseClick(form->findChild<QPushButton *>(QStringLiteral("saveButton")), Qt::LeftButton);
    QVERIFY(m_h->waitForNoSheet());
    QCOMPARE(m_h->store.subscriptions().size(), 1);
    QCOMPARE(m_h->store.subscriptions().constFirst().name, QStringLiteral("Netflix 标准会员"));
    QVERIFY(!content.prefillDraft());
}

void TestScanFlow::clipboardWithoutImageShowsTheAlert_data() {
    QTest::addColumn<Lang>("lang");
    QTest::addColumn<QString>("clipboardText");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("button");
    const QString zh =
        QStringLiteral("剪贴板里没有图片。\n先截图并复制到剪贴板（多数桌面：Shift+Print Screen "
                       "或截图工具的“复制”），再点这里识别。");
    const QString en =
        QStringLiteral("No image in clipboard.\nTake a screenshot and copy it to the clipboard (on "
                       "most desktops Shift+Print Screen, or your screenshot tool's Copy), then scan.");
    QTest::newRow("text, zh") << Lang::zh << "Netflix ¥25"
                              << "识别提示" << zh << "好";
    QTest::newRow("text, en") << Lang::en << "Netflix $15.99"
                              << "Scan" << en << "OK";
    QTest::newRow("empty, en") << Lang::en << ""
                               << "Scan" << en << "OK";
    QTest::newRow("file name, en") << Lang::en << "/home/me/receipt.png"
                                   << "Scan" << en << "OK";
}

void TestScanFlow::clipboardWithoutImageShowsTheAlert() {
    QFETCH(Lang, lang);
    QFETCH(QString, clipboardText);
    QFETCH(QString, title);
    QFETCH(QString, message);
    QFETCH(QString, button);
    TestSupport::LanguageGuard language(lang);
    FakeRecognizer recognizer;
    ContentView &content = showWith(recognizer);
    if (!clipboardText.isEmpty())
        QGuiApplication::clipboard()->setText(clipboardText);
    QSignalSpy scanning(&content.scanFlow(), &ScanFlow::scanningChanged);

    content.hero()->scanButton()->clipboardAction()->trigger();
    auto *alert = m_h->waitForSheet<AlertSheet>();
    QVERIFY(alert);
    // The title is drawn inside the sheet, above the whole message with its line breaks.
    auto *titleLabel = alert->findChild<QLabel *>(QStringLiteral("alertTitle"));
    auto *messageLabel = alert->findChild<QLabel *>(QStringLiteral("alertMessage"));
    QVERIFY(titleLabel->isVisible() && alert->rect().contains(titleLabel->geometry()));
    QCOMPARE(alert->title(), title);
    QCOMPARE(alert->message(), message);
    QVERIFY(messageLabel->geometry().top() >= titleLabel->geometry().bottom());
    QVERIFY(messageLabel->height() >= messageLabel->heightForWidth(messageLabel->width()));
    QVERIFY(alert->rect().contains(messageLabel->geometry()));
    QCOMPARE(content.alertMessage(), std::optional<QString>(message));
    QAbstractButton *ok = alert->okButton();
    QCOMPARE(ok->text(), button);
    QCOMPARE(ok->accessibleName(), button);
    // The alert path never marks a scan as running.
    QCOMPARE(scanning.size(), 0);
    QCOMPARE(recognizer.calls->load(), 0);

    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(m_h->waitForNoSheet());
    QVERIFY(!content.alertMessage());
}

void TestScanFlow::alertTitleFollowsLanguageButMessageKeepsIts() {
    TestSupport::LanguageGuard language(Lang::zh);
    FakeRecognizer recognizer;
    ContentView &content = showWith(recognizer);
    content.scanFromClipboard();
    auto *alert = m_h->waitForSheet<AlertSheet>();
    QVERIFY(alert);
    LocalizationManager::shared().setLang(Lang::en);
    QCOMPARE(alert->title(), QStringLiteral("Scan"));
    QCOMPARE(alert->okButton()->text(), QStringLiteral("OK"));
    QCOMPARE(alert->message(), ScanFlow::noImageMessage(true));
    // Return closes it as the one button would.
    QTest::keyClick(alert, Qt::Key_Return);
    QVERIFY(m_h->waitForNoSheet());
    QVERIFY(!content.alertMessage());
}

void TestScanFlow::droppedImageFileIsScanned() {
    FakeRecognizer recognizer;
    ContentView &content = showWith(recognizer);
    // The loader reads the content, whatever the extension says.
    const QString first = m_files->filePath(QStringLiteral("receipt.dat"));
    QVERIFY(picture(257).save(first, "PNG"));
    const QString second = m_files->filePath(QStringLiteral("other.png"));
    QVERIFY(picture(99).save(second, "PNG"));
    QSignalSpy handled(&content.scanFlow(), &ScanFlow::dropHandled);

    std::unique_ptr<QMimeData> mime(dropOf({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)}));
    const auto [entered, dropped] = dragAndDrop(content, mime.get());
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

void TestScanFlow::chosenFileIsScanned_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("scanned");
    QTest::newRow("an image") << "receipt.png" << true;
    QTest::newRow("cancelled") << "" << false;
    QTest::newRow("not an image") << "notes.txt" << false;
    QTest::newRow("missing") << "missing.png" << false;
}

void TestScanFlow::chosenFileIsScanned() {
    QFETCH(QString, file);
    QFETCH(bool, scanned);
    FakeRecognizer recognizer;
    ContentView &content = showWith(recognizer);
    QVERIFY(picture(111).save(m_files->filePath(QStringLiteral("receipt.png"))));
    QVERIFY(TestSupport::writeFile(m_files->filePath(QStringLiteral("notes.txt")), "text"));
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

void TestScanFlow::failingRecognizerGivesTheParserDefaults() {
    TestSupport::LanguageGuard language(Lang::en);
    ContentView &content = m_h->show();
    content.scanFlow().setRecognizer(
        [](const QImage &) -> QString { throw std::runtime_error("no engine"); });
    content.scanFlow().runScan(picture());
    auto *form = m_h->waitForSheet<SubscriptionEditView>();
    QVERIFY(form);
    QVERIFY(!content.isScanning());
    QCOMPARE(form->name(), QString());
    QCOMPARE(form->amountText(), QStringLiteral("0"));
    QCOMPARE(form->currency(), QStringLiteral("CNY"));
    QCOMPARE(form->notes(), QString());
    QVERIFY(!form->isValid());
}

void TestScanFlow::brokenRecognizerPluginReadsNothing_data() {
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

void TestScanFlow::brokenRecognizerPluginReadsNothing() {
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

void TestScanFlow::realRecognizerReadsAScreenshot() {
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
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(44);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QPoint(40, 90), QStringLiteral("Spotify Premium"));
        painter.drawText(QPoint(40, 190), QStringLiteral("$11.99 / month"));
    }
    QGuiApplication::clipboard()->setImage(image);
    content.scanFromClipboard();
    QVERIFY(content.isScanning());
    auto *form = m_h->waitForSheet<SubscriptionEditView>(60000);
    QVERIFY(form);
    QCOMPARE(form->amountText(), QStringLiteral("11.99"));
    QCOMPARE(form->currency(), QStringLiteral("USD"));
    QVERIFY2(form->name().contains(QStringLiteral("Spotify")), qPrintable(form->name()));
    QCOMPARE(form->cycle(), BillingCycle::monthly);
#endif
}

QTEST_MAIN(TestScanFlow)
#include "tst_scan_flow.moc"
