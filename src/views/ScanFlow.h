#pragma once

#include "model/Clock.h"
#include "model/Subscription.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class QFileDialog;
class QMimeData;
class QWidget;

// Turns an image from the clipboard, an image file or a file dropped on the main window into a
// proposed subscription: the text is recognised and parsed off the GUI thread, and the proposal
// comes back on it. The main window shows the spinner while `isScanning()` and opens the confirm
// form for each proposal.
class ScanFlow : public QObject {
    Q_OBJECT
public:
    // Recognised text of an image, lines joined with "\n". Runs on a worker thread.
    using Recognizer = std::function<QString(const QImage &)>;

    // `window` parents the file dialog.
    explicit ScanFlow(QWidget *window, QObject *parent = nullptr);
    ~ScanFlow() override;

    // Replaces the on-device recogniser, for tests that must not depend on it.
    void setRecognizer(Recognizer recognizer) { m_recognizer = std::move(recognizer); }
    static Recognizer defaultRecognizer();

    bool isScanning() const { return m_running > 0; }

    // The image on the clipboard, or a null image.
    static QImage imageFromClipboard();
    // Asks for one existing image file and decodes it; a null image when the dialog is cancelled or
    // the file is not a readable image.
    QImage imageFromFilePanel();
    // The dialog imageFromFilePanel shows: one existing file, image types only.
    static QFileDialog *createFileDialog(QWidget *parent);
    // Test seam: the next file dialog is not shown and answers `path` instead (empty: cancelled).
    static void answerNextFileDialog(const QString &path);
    // Decodes an image file whatever its extension, or gives a null image.
    static QImage loadImage(const QString &path);

    // The alert text for a clipboard without an image.
    static QString noImageMessage(bool isZh);

    void scanFromClipboard();
    void scanFile();
    // Takes a drop of file URLs: false (refused) without any, else true at once; the first file is
    // loaded off the GUI thread and scanned when it is an image, the others are ignored.
    bool handleDrop(const QMimeData *mime);
    static bool canAccept(const QMimeData *mime);
    // Recognises and parses `image` in the background and reports the proposal.
    void runScan(const QImage &image);

Q_SIGNALS:
    void scanningChanged(bool isScanning);
    void proposalReady(const Subscription &proposal);
    void alertRequested(const QString &message);
    // A dropped file finished loading (whether or not it held an image); for tests.
    void dropHandled(bool hadImage);

private:
    QPointer<QWidget> m_window;
    Recognizer m_recognizer;
    int m_running = 0;
};
