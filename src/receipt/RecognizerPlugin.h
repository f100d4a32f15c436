#pragma once

#include <QImage>
#include <QMutex>
#include <QString>

#include <memory>

class QLibrary;

// The on-device recogniser as the desktop program uses it: a plugin (renewly-recognizer.so) loaded
// on the first scan. OpenCV, Tesseract and the libraries they pull in are large and run initialisers when
// they are loaded, so the program starts without them and loads them only when it first scans.
//
// The plugin exports two C functions:
//   int renewly_recognizer_interface(void)       the interface version below
//   void renewly_recognize_text(const QImage *, QString *)
//                                                 ReceiptScanner::recognizeText; never throws
class RecognizerPlugin {
public:
    static constexpr int interfaceVersion = 1;
    using InterfaceFunction = int (*)();
    using RecognizeFunction = void (*)(const QImage *, QString *);

    // A plugin at `path`; nothing is loaded until the first use.
    explicit RecognizerPlugin(QString path);
    ~RecognizerPlugin();

    // The plugin the program uses: $RENEWLY_RECOGNIZER when set, else the file installed beside the
    // program (defaultPath()).
    static RecognizerPlugin &shared();
    static QString defaultPath();
    // Where the plugin is for a program in `programFolder`.
    static QString pathBeside(const QString &programFolder);

    const QString &path() const { return m_path; }

    // Loads the plugin once; false when it is missing, not a plugin of this version, or broken.
    // The reason is in errorString() and is logged once.
    bool load();
    QString errorString() const;

    // The recognised text of `image` (see ReceiptScanner::recognizeText), or the empty text when
    // the plugin cannot be loaded. Safe to call from several threads at once.
    QString recognizeText(const QImage &image);

private:
    QString m_path;
    mutable QMutex m_mutex;
    bool m_tried = false;
    // Never unloaded: recognition may still be running on another thread when the program ends.
    std::unique_ptr<QLibrary> m_library;
    RecognizeFunction m_recognize = nullptr;
    QString m_error;
};
