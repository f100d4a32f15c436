#include "RecognizerPlugin.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLibrary>
#include <QLoggingCategory>

#include <malloc.h>
#include <sys/mman.h>

#include <cinttypes>
#include <cstdio>
#include <system_error>

Q_LOGGING_CATEGORY(lcRecognizer, "renewly.recognizer")

namespace {

struct Mapping {
    std::uintptr_t start = 0;
    std::uintptr_t end = 0;
    bool writable = true;
    QByteArray file;
    // Pages the process holds a private copy of (known from /proc/self/smaps only).
    qint64 anonymousKb = -1;
};

// The process's mappings of files, from /proc/self/maps or, with the size of each one's private
// copies, /proc/self/smaps.
QList<Mapping> fileMappings(const QString &source = QStringLiteral("/proc/self/maps")) {
    QList<Mapping> mappings;
    QFile maps(source);
    if (!maps.open(QIODevice::ReadOnly))
        return mappings;
    bool inFile = false;
    char buffer[4096 + 256];
    for (qint64 length; (length = maps.readLine(buffer, sizeof buffer)) > 0;) {
        const QByteArray line = QByteArray(buffer, length).trimmed();
        // "start-end perms offset dev inode path" (the path may hold blanks), then in smaps
        // "Key:   value kB" lines about it.
        Mapping mapping;
        char perms[5] = {};
        int pathAt = 0;
        if (std::sscanf(line.constData(), "%" SCNxPTR "-%" SCNxPTR " %4s %*s %*s %*s %n", &mapping.start,
                        &mapping.end, perms, &pathAt) == 3) {
            inFile = pathAt > 0 && pathAt < line.size() && line.at(pathAt) == '/';
            if (inFile) {
                mapping.writable = perms[1] != '-';
                mapping.file = QByteArray(line.constData() + pathAt, line.size() - pathAt);
                mappings << mapping;
            }
        } else if (inFile && line.startsWith("Anonymous:")) {
            mappings.last().anonymousKb = line.mid(10).trimmed().split(' ').first().toLongLong();
        }
    }
    return mappings;
}

QSet<QByteArray> mappedFiles() {
    QSet<QByteArray> files;
    for (const Mapping &mapping : fileMappings())
        files.insert(mapping.file);
    return files;
}

} // namespace

void RecognizerPlugin::setUpAllocator() {
    mallopt(M_ARENA_MAX, 1);
}

RecognizerPlugin::RecognizerPlugin(QString path)
    : m_path(std::move(path)) {}

RecognizerPlugin &RecognizerPlugin::shared() {
    static RecognizerPlugin plugin([] {
        const QString chosen = qEnvironmentVariable("RENEWLY_RECOGNIZER");
        return chosen.isEmpty() ? defaultPath() : chosen;
    }());
    // The plugin's own statics are destroyed at exit before this one: the thread that unloads it
    // ends with the application object, before they are.
    static const bool stopsWithApplication = [] {
        qAddPostRoutine([] { shared().stopUnloading(); });
        return true;
    }();
    Q_UNUSED(stopsWithApplication);
    return plugin;
}

QString RecognizerPlugin::defaultPath() {
    return pathBeside(QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                   : QDir::currentPath());
}

QString RecognizerPlugin::pathBeside(const QString &programFolder) {
    // The same place relative to the program in the build tree and wherever it is installed.
    return QDir::cleanPath(programFolder +
                           QStringLiteral("/" RENEWLY_RECOGNIZER_DIR "/renewly-recognizer.so"));
}

// Destroying a QLibrary leaves the library loaded.
RecognizerPlugin::~RecognizerPlugin() {
    stopUnloading();
}

void RecognizerPlugin::stopUnloading() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    if (m_unloader.joinable())
        m_unloader.join();
}

bool RecognizerPlugin::load() {
    std::lock_guard lock(m_mutex);
    return loadLocked();
}

bool RecognizerPlugin::loadLocked() {
    if (m_tried)
        return m_recognize != nullptr;
    m_tried = true;
    m_error.clear();
    const bool firstLoad = !m_everLoaded;
    const QSet<QByteArray> filesBefore = firstLoad ? mappedFiles() : QSet<QByteArray>();
    auto library = std::make_unique<QLibrary>(m_path);
    if (!library->load()) {
        m_error = library->errorString();
    } else {
        auto version = reinterpret_cast<InterfaceFunction>(library->resolve("renewly_recognizer_interface"));
        auto recognize = reinterpret_cast<RecognizeFunction>(library->resolve("renewly_recognize_text"));
        auto release = reinterpret_cast<ReleaseFunction>(library->resolve("renewly_recognizer_release"));
        if (!version || !recognize || !release)
            m_error = QStringLiteral("%1 is not a text recogniser").arg(m_path);
        else if (version() != interfaceVersion)
            m_error = QStringLiteral("%1 is a recogniser of another version (%2, not %3)")
                          .arg(m_path)
                          .arg(version())
                          .arg(interfaceVersion);
        else
            m_recognize = recognize;
        if (m_recognize) {
            m_release = release;
            m_library = std::move(library);
            m_lastUse = std::chrono::steady_clock::now();
            if (firstLoad) {
                m_everLoaded = true;
                m_pluginFiles = mappedFiles() - filesBefore;
            }
        } else {
            library->unload();
        }
    }
    if (!m_recognize)
        qCWarning(lcRecognizer).noquote() << "Text recognition is unavailable:" << m_error;
    return m_recognize != nullptr;
}

QString RecognizerPlugin::errorString() const {
    std::lock_guard lock(m_mutex);
    return m_error;
}

bool RecognizerPlugin::isLoaded() const {
    std::lock_guard lock(m_mutex);
    return m_library != nullptr;
}

void RecognizerPlugin::setIdleUnload(std::chrono::milliseconds delay) {
    {
        std::lock_guard lock(m_mutex);
        m_idleUnload = delay;
    }
    m_wake.notify_all();
}

QString RecognizerPlugin::recognizeText(const QImage &image) {
    if (image.isNull())
        return {};
    RecognizeFunction recognize = nullptr;
    {
        std::lock_guard lock(m_mutex);
        if (!loadLocked())
            return {};
        recognize = m_recognize;
        ++m_running;
    }
    QString text;
    // On a thread of its own that ends with the scan, so that what the plugin's libraries keep per
    // thread (thread-local data, the allocator's cache, stack pages) goes with it rather than stay
    // with the caller's thread, which may outlive the plugin.
    try {
        std::thread([&] { recognize(&image, &text); }).join();
    } catch (const std::system_error &) {
        recognize(&image, &text);
    }
    {
        std::lock_guard lock(m_mutex);
        --m_running;
        m_lastUse = std::chrono::steady_clock::now();
        if (!m_unloader.joinable() && !m_quit)
            m_unloader = std::thread([this] { unloadWhenIdle(); });
    }
    m_wake.notify_all();
    return text;
}

void RecognizerPlugin::unloadWhenIdle() {
    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        if (!m_library || m_running > 0) {
            m_wake.wait(lock);
            continue;
        }
        const auto due = m_lastUse + m_idleUnload;
        if (std::chrono::steady_clock::now() < due) {
            m_wake.wait_until(lock, due);
            continue;
        }
        // No scan runs and none can start while the lock is held. The plugin releases its models
        // and ends its threads; only then may its code go.
        if (m_release() == 0) {
            m_lastUse = std::chrono::steady_clock::now();
            continue;
        }
        m_library->unload();
        m_library.reset();
        m_recognize = nullptr;
        m_release = nullptr;
        m_tried = false;
        dropLibraryPages();
    }
}

void RecognizerPlugin::dropLibraryPages() const {
    // The libraries the plugin brought in stay mapped after it is unloaded when the dynamic linker
    // keeps them (it never unloads one that defines a unique symbol, as OpenCV and Tesseract do).
    // Of their mappings, those that cannot be written and hold no private copy are the file's own
    // pages: the process lets go of them, as the system would under memory pressure, and the next
    // scan maps them again from the page cache. Nothing else is touched.
    for (const Mapping &mapping : fileMappings(QStringLiteral("/proc/self/smaps"))) {
        if (!mapping.writable && mapping.anonymousKb == 0 && m_pluginFiles.contains(mapping.file))
            madvise(reinterpret_cast<void *>(mapping.start), mapping.end - mapping.start, MADV_DONTNEED);
    }
    // And the heap's free pages, among them those that held the plugin's models.
    malloc_trim(0);
}
