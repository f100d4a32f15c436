#include "RecognizerPlugin.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <QLoggingCategory>
#include <QMutexLocker>

Q_LOGGING_CATEGORY(lcRecognizer, "renewly.recognizer")

RecognizerPlugin::RecognizerPlugin(QString path)
    : m_path(std::move(path)) {}

RecognizerPlugin &RecognizerPlugin::shared() {
    static RecognizerPlugin plugin([] {
        const QString chosen = qEnvironmentVariable("RENEWLY_RECOGNIZER");
        return chosen.isEmpty() ? defaultPath() : chosen;
    }());
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
RecognizerPlugin::~RecognizerPlugin() = default;

bool RecognizerPlugin::load() {
    QMutexLocker locker(&m_mutex);
    if (m_tried)
        return m_recognize != nullptr;
    m_tried = true;
    auto library = std::make_unique<QLibrary>(m_path);
    library->setLoadHints(QLibrary::PreventUnloadHint);
    if (!library->load()) {
        m_error = library->errorString();
    } else {
        auto version = reinterpret_cast<InterfaceFunction>(library->resolve("renewly_recognizer_interface"));
        auto recognize = reinterpret_cast<RecognizeFunction>(library->resolve("renewly_recognize_text"));
        if (!version || !recognize)
            m_error = QStringLiteral("%1 is not a text recogniser").arg(m_path);
        else if (version() != interfaceVersion)
            m_error = QStringLiteral("%1 is a recogniser of another version (%2, not %3)")
                          .arg(m_path)
                          .arg(version())
                          .arg(interfaceVersion);
        else
            m_recognize = recognize;
        if (m_recognize)
            m_library = std::move(library);
        else
            library->unload();
    }
    if (!m_recognize)
        qCWarning(lcRecognizer).noquote() << "Text recognition is unavailable:" << m_error;
    return m_recognize != nullptr;
}

QString RecognizerPlugin::errorString() const {
    QMutexLocker locker(&m_mutex);
    return m_error;
}

QString RecognizerPlugin::recognizeText(const QImage &image) {
    if (image.isNull() || !load())
        return {};
    QString text;
    m_recognize(&image, &text);
    return text;
}
