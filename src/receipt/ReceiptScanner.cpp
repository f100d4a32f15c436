#include "ReceiptScanner.h"

#include "ImageFile.h"
#include "LatinReader.h"
#include "PageReader.h"
#include "RecognizedText.h"
#include "ScanImage.h"
#include "TextRecognizer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QThread>

#include <malloc.h>

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// What one scan reads with; the Latin reader loads its model only when a scan needs it.
struct Readers {
    TextRecognizer text;
    LatinReader latin;
};

// Frees recognisers and hands the memory they held back to the system rather than keep it in the
// heap. Where threads have heaps of their own (the desktop program has one, see
// RecognizerPlugin::setUpAllocator), malloc_trim leaves their free tops alone: a top goes back as
// the models in it are freed only while the trim threshold is low. Afterwards the threshold is the
// largest the allocator would choose itself (which it no longer adjusts then).
void freeRecognizers(std::vector<std::unique_ptr<Readers>> &released) {
    mallopt(M_TRIM_THRESHOLD, 0);
    released.clear();
    LatinReader::releaseCaches();
    malloc_trim(0);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
}

// Loaded recognisers not in use. A scan takes one, or loads a new one when all are busy, and gives
// it back afterwards; at most as many stay loaded as scans have overlapped (bounded by the cores).
// A thread of its own releases them all once no scan has run for the idle delay, so the program's
// memory returns to what it was before the first scan.
class RecognizerPool {
public:
    ~RecognizerPool() {
        {
            std::lock_guard lock(m_mutex);
            m_quit = true;
        }
        m_wake.notify_all();
        if (m_releaser.joinable())
            m_releaser.join();
    }

    std::unique_ptr<Readers> take() {
        {
            std::lock_guard lock(m_mutex);
            ++m_busy;
            if (!m_idle.empty()) {
                auto recognizer = std::move(m_idle.back());
                m_idle.pop_back();
                return recognizer;
            }
        }
        auto recognizer = std::make_unique<Readers>();
        if (!recognizer->text.load(ReceiptScanner::modelPath())) {
            std::lock_guard lock(m_mutex);
            --m_busy;
            return nullptr;
        }
        std::lock_guard lock(m_mutex);
        ++m_loaded;
        return recognizer;
    }

    void giveBack(std::unique_ptr<Readers> recognizer) {
        std::unique_ptr<Readers> surplus;
        {
            std::lock_guard lock(m_mutex);
            --m_busy;
            if (qsizetype(m_idle.size()) < std::max(2, QThread::idealThreadCount())) {
                m_idle.push_back(std::move(recognizer));
            } else {
                surplus = std::move(recognizer);
                --m_loaded;
            }
            m_lastUse = std::chrono::steady_clock::now();
            if (!m_releaser.joinable() && !m_quit)
                m_releaser = std::thread([this] { releaseWhenIdle(); });
        }
        m_wake.notify_all();
    }

    void setIdleRelease(std::chrono::milliseconds delay) {
        {
            std::lock_guard lock(m_mutex);
            m_idleRelease = delay;
        }
        m_wake.notify_all();
    }

    int loaded() {
        std::lock_guard lock(m_mutex);
        return m_loaded;
    }

    // Releases the recognisers at once and ends the thread that waits to release them; false while
    // a scan still holds one.
    bool releaseAll() {
        std::vector<std::unique_ptr<Readers>> released;
        std::thread releaser;
        {
            std::lock_guard lock(m_mutex);
            if (m_busy > 0)
                return false;
            released.swap(m_idle);
            m_loaded -= int(released.size());
            m_quit = true;
            releaser = std::move(m_releaser);
        }
        m_wake.notify_all();
        if (releaser.joinable())
            releaser.join();
        freeRecognizers(released);
        std::lock_guard lock(m_mutex);
        m_quit = false;
        if (m_busy > 0 || m_loaded > 0)
            return false;
        // No recogniser is loading while the lock is held.
        TextRecognizer::unregisterLayers();
        return true;
    }

private:
    void releaseWhenIdle() {
        std::unique_lock lock(m_mutex);
        while (!m_quit) {
            if (m_idle.empty() || m_busy > 0) {
                m_wake.wait(lock);
                continue;
            }
            const auto due = m_lastUse + m_idleRelease;
            if (std::chrono::steady_clock::now() < due) {
                m_wake.wait_until(lock, due);
                continue;
            }
            std::vector<std::unique_ptr<Readers>> released;
            released.swap(m_idle);
            m_loaded -= int(released.size());
            lock.unlock();
            freeRecognizers(released);
            lock.lock();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<std::unique_ptr<Readers>> m_idle;
    int m_busy = 0;
    int m_loaded = 0;
    bool m_quit = false;
    std::chrono::milliseconds m_idleRelease = ReceiptScanner::defaultIdleRelease;
    std::chrono::steady_clock::time_point m_lastUse;
    std::thread m_releaser;
};

RecognizerPool &pool() {
    static RecognizerPool instance;
    return instance;
}

} // namespace

QString ReceiptScanner::modelPath() {
    const QString chosen = qEnvironmentVariable("RENEWLY_MODELS");
    if (!chosen.isEmpty())
        return chosen;
    if (QCoreApplication::instance()) {
        const QString beside = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                               QStringLiteral("/" RENEWLY_RECOGNIZER_DIR "/models"));
        if (QFileInfo::exists(beside + QStringLiteral("/dictionary.txt")))
            return beside;
    }
    return QStringLiteral(RENEWLY_BUILD_MODEL_DIR);
}

bool ReceiptScanner::isAvailable() {
    auto recognizer = pool().take();
    if (!recognizer)
        return false;
    pool().giveBack(std::move(recognizer));
    return true;
}

void ReceiptScanner::setIdleRelease(std::chrono::milliseconds delay) {
    pool().setIdleRelease(delay);
}

bool ReceiptScanner::releaseAll() {
    return pool().releaseAll();
}

int ReceiptScanner::loadedRecognizers() {
    return pool().loaded();
}

QString ReceiptScanner::recognizeText(const QImage &image) {
    if (image.isNull())
        return {};
    auto recognizer = pool().take();
    if (!recognizer)
        return {};
    const QString text = recognizeText(image, recognizer->text, &recognizer->latin);
    pool().giveBack(std::move(recognizer));
    return text;
}

QString ReceiptScanner::recognizeText(const QImage &image, TextRecognizer &recognizer, LatinReader *latin) {
    // Pages with large text (HiDPI and phone screenshots) are shrunk before the clean-up: the
    // pieces of lines are scaled to the recogniser's height anyway.
    const ScanImage::Prepared prepared =
        ScanImage::prepare(image, ScanImage::Options{.targetLineHeight = 28});
    if (prepared.image.isNull())
        return {};
    QStringList lines;
    for (const QString &line :
         PageReader::read(prepared.image, prepared.lineHeight, recognizer, latin, prepared.edges)) {
        const QString tidy = RecognizedText::tidyLine(line);
        if (!tidy.isEmpty())
            lines << tidy;
    }
    return lines.join(u'\n');
}

QImage ReceiptScanner::loadImage(const QString &path) {
    return ImageFile::load(path);
}

QString ReceiptScanner::recognizeFile(const QString &path) {
    return recognizeText(loadImage(path));
}
