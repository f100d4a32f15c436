#include "ScanFlow.h"

#include "model/Clock.h"
#include "receipt/ImageFile.h"
#include "receipt/ReceiptParser.h"
#include "receipt/RecognizerPlugin.h"
#include "settings/LocalizationManager.h"

#include <QClipboard>
#include <QFileDialog>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>
#include <QThread>
#include <QThreadPool>
#include <QUrl>
#include <QtConcurrent/QtConcurrentRun>

namespace {
std::optional<QString> &nextFileAnswer() {
    static std::optional<QString> answer;
    return answer;
}

// Scans run on threads of their own. Qt's raster engine hands parts of large fills to the global
// pool and waits for them, so long recognitions there would stall painting on the GUI thread.
QThreadPool &scanPool() {
    static QThreadPool *pool = [] {
        auto *p = new QThreadPool(QCoreApplication::instance());
        p->setObjectName(QStringLiteral("scanPool"));
        p->setMaxThreadCount(qMax(2, QThread::idealThreadCount()));
        return p;
    }();
    return *pool;
}
} // namespace

ScanFlow::ScanFlow(QWidget *window, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_recognizer(defaultRecognizer()) {}

ScanFlow::~ScanFlow() = default;

ScanFlow::Recognizer ScanFlow::defaultRecognizer() {
    return [](const QImage &image) { return RecognizerPlugin::shared().recognizeText(image); };
}

QImage ScanFlow::loadImage(const QString &path) {
    return ImageFile::load(path);
}

QString ScanFlow::noImageMessage(bool isZh) {
    // Linux desktops differ in their screenshot keys; Shift+Print Screen copies an area on most.
    return isZh ? QStringLiteral("剪贴板里没有图片。\n先截图并复制到剪贴板（多数桌面：Shift+Print Screen "
                                 "或截图工具的“复制”），再点这里识别。")
                : QStringLiteral(
                      "No image in clipboard.\nTake a screenshot and copy it to the clipboard (on most "
                      "desktops Shift+Print Screen, or your screenshot tool's Copy), then scan.");
}

QImage ScanFlow::imageFromClipboard() {
    const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
    if (!mime || !mime->hasImage())
        return {};
    return qvariant_cast<QImage>(mime->imageData());
}

QFileDialog *ScanFlow::createFileDialog(QWidget *parent) {
    auto *dialog = new QFileDialog(parent);
    dialog->setObjectName(QStringLiteral("scanFileDialog"));
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    // PNG, JPEG and TIFF first, then every other image type the decoder knows.
    QStringList patterns{QStringLiteral("*.png"), QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"),
                         QStringLiteral("*.tif"), QStringLiteral("*.tiff")};
    for (const QByteArray &format : QImageReader::supportedImageFormats()) {
        const QString pattern = QStringLiteral("*.") + QString::fromLatin1(format).toLower();
        if (!patterns.contains(pattern))
            patterns.append(pattern);
    }
    const bool zh = LocalizationManager::shared().isZh();
    dialog->setNameFilter((zh ? QStringLiteral("图片") : QStringLiteral("Images")) + QStringLiteral(" (") +
                          patterns.join(QLatin1Char(' ')) + QLatin1Char(')'));
    return dialog;
}

void ScanFlow::answerNextFileDialog(const QString &path) {
    nextFileAnswer() = path;
}

QImage ScanFlow::imageFromFilePanel() {
    QString path;
    if (auto answer = std::exchange(nextFileAnswer(), std::nullopt)) {
        path = *answer;
    } else {
        std::unique_ptr<QFileDialog> dialog(createFileDialog(m_window));
        if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
            return {};
        path = dialog->selectedFiles().constFirst();
    }
    if (path.isEmpty())
        return {};
    return loadImage(path);
}

void ScanFlow::scanFromClipboard() {
    const QImage image = imageFromClipboard();
    if (image.isNull()) {
        Q_EMIT alertRequested(noImageMessage(LocalizationManager::shared().isZh()));
        return;
    }
    runScan(image);
}

void ScanFlow::scanFile() {
    const QImage image = imageFromFilePanel();
    if (!image.isNull())
        runScan(image);
}

bool ScanFlow::canAccept(const QMimeData *mime) {
    return mime && mime->hasUrls() && !mime->urls().isEmpty();
}

bool ScanFlow::handleDrop(const QMimeData *mime) {
    if (!canAccept(mime))
        return false;
    const QUrl url = mime->urls().constFirst();
    if (!url.isLocalFile()) {
        Q_EMIT dropHandled(false);
        return true;
    }
    // Decoding a large file takes a while: it happens off the GUI thread, the scan starts after.
    auto *watcher = new QFutureWatcher<QImage>(this);
    connect(watcher, &QFutureWatcher<QImage>::finished, this, [this, watcher] {
        watcher->deleteLater();
        const QImage image = watcher->result();
        if (!image.isNull())
            runScan(image);
        Q_EMIT dropHandled(!image.isNull());
    });
    watcher->setFuture(QtConcurrent::run(&scanPool(), &ScanFlow::loadImage, url.toLocalFile()));
    return true;
}

void ScanFlow::runScan(const QImage &image) {
    if (m_running++ == 0)
        Q_EMIT scanningChanged(true);
    const QDateTime now = Clock::current().now();
    const QTimeZone zone = Clock::current().zone();
    auto *watcher = new QFutureWatcher<Subscription>(this);
    connect(watcher, &QFutureWatcher<Subscription>::finished, this, [this, watcher] {
        watcher->deleteLater();
        const Subscription proposal = watcher->result();
        // Overlapping scans keep the spinner until the last one ends.
        if (--m_running == 0)
            Q_EMIT scanningChanged(false);
        Q_EMIT proposalReady(proposal);
    });
    watcher->setFuture(QtConcurrent::run(&scanPool(), [recognizer = m_recognizer, image, now, zone] {
        QString text;
        try {
            if (recognizer)
                text = recognizer(image);
        } catch (...) {
            // A recogniser that fails counts as one that found no text.
            text.clear();
        }
        return ReceiptParser::parse(text, now, zone);
    }));
}
