#pragma once

#include <QByteArray>
#include <QImage>
#include <QSet>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

class QLibrary;

// The on-device recogniser as the desktop program uses it: a plugin (renewly-recognizer.so) loaded
// on the first scan. OpenCV, Tesseract and the libraries they pull in are large and run initialisers when
// they are loaded, so the program starts without them and loads them only when it first scans.
// Once no scan has run for the idle delay, the plugin releases its models and is unloaded, so that
// the program's memory returns to what it was before the first scan; the next scan loads it again.
//
// The plugin exports three C functions:
//   int renewly_recognizer_interface(void)       the interface version below
//   void renewly_recognize_text(const QImage *, QString *)
//                                                 ReceiptScanner::recognizeText; never throws
//   int renewly_recognizer_release(void)         ReceiptScanner::releaseAll: 1 when nothing of
//                                                 the plugin is loaded or runs any more
class RecognizerPlugin {
public:
    static constexpr int interfaceVersion = 2;
    using InterfaceFunction = int (*)();
    using RecognizeFunction = void (*)(const QImage *, QString *);
    using ReleaseFunction = int (*)();

    // How long the plugin stays loaded after the last scan.
    static constexpr std::chrono::milliseconds defaultIdleUnload{30'000};

    // Call first in main(), before any thread starts. Every thread then allocates from the one heap
    // that malloc_trim() gives back entirely, so what the recogniser frees on its threads returns
    // to the system once it is unloaded; with a heap per thread, the free tops of the others stay
    // with the program (measured: 6 MiB above idle after unloading, against 6 to 15 MiB, and
    // scans no slower).
    static void setUpAllocator();

    // A plugin at `path`; nothing is loaded until the first use.
    explicit RecognizerPlugin(QString path);
    // Leaves the plugin loaded: a scan may still run on another thread when the program ends.
    ~RecognizerPlugin();
    RecognizerPlugin(const RecognizerPlugin &) = delete;
    RecognizerPlugin &operator=(const RecognizerPlugin &) = delete;

    // The plugin the program uses: $RENEWLY_RECOGNIZER when set, else the file installed beside the
    // program (defaultPath()).
    static RecognizerPlugin &shared();
    static QString defaultPath();
    // Where the plugin is for a program in `programFolder`.
    static QString pathBeside(const QString &programFolder);

    const QString &path() const { return m_path; }

    // Loads the plugin unless it is loaded; false when it is missing, not a plugin of this version,
    // or broken. The reason is in errorString() and is logged once; a failed load is not retried.
    bool load();
    QString errorString() const;
    bool isLoaded() const;

    // The recognised text of `image` (see ReceiptScanner::recognizeText), or the empty text when
    // the plugin cannot be loaded. Safe to call from several threads at once.
    QString recognizeText(const QImage &image);

    // The plugin is unloaded this long after the last scan ends (tests shorten it).
    void setIdleUnload(std::chrono::milliseconds delay);

private:
    bool loadLocked();
    void unloadWhenIdle();
    // Ends the thread that unloads the plugin; the plugin then stays loaded.
    void stopUnloading();
    void dropLibraryPages() const;

    QString m_path;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_tried = false;
    std::unique_ptr<QLibrary> m_library;
    RecognizeFunction m_recognize = nullptr;
    ReleaseFunction m_release = nullptr;
    QString m_error;
    int m_running = 0;
    bool m_quit = false;
    std::chrono::milliseconds m_idleUnload = defaultIdleUnload;
    std::chrono::steady_clock::time_point m_lastUse;
    std::thread m_unloader;
    // The files the plugin's first load mapped into the process (it and the libraries it needs).
    QSet<QByteArray> m_pluginFiles;
    bool m_everLoaded = false;
};
