#include "SyncState.h"

#include "settings/Preferences.h"
#include "store/ListMerge.h"
#include "store/SubscriptionFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <vector>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

constexpr int keptVersions = 32;

QString hashText(const QByteArray &bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().left(32));
}

QByteArray readAll(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// This computer's own bookkeeping: replaced whole, without waiting for the disk (losing it costs a
// less exact merge, never the list).
void writeState(const QString &path, const QByteArray &bytes) {
    // A failure leaves the old state, which the next save replaces.
    (void)SubscriptionFile::writeAtomically(path, bytes, SubscriptionFile::WaitForDisk::no);
}

// A free name in `folder` for `fileName`: the name itself, else with " (2)", " (3)"... before the
// extension.
QString freePath(const QString &folder, const QString &fileName) {
    const QFileInfo info(fileName);
    QString path = folder + u'/' + fileName;
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = folder + u'/' + info.completeBaseName() + QStringLiteral(" (%1).").arg(n) + info.suffix();
    return path;
}

} // namespace

SyncState::SyncState(const QString &listPath, const QString &root)
    : m_root(root) {
    const QByteArray key = QFileInfo(listPath).absoluteFilePath().toUtf8();
    m_folder = m_root + QStringLiteral("/sync/") + hashText(key).left(16);
    QDir().mkpath(m_folder + QStringLiteral("/versions"));
    QDir().mkpath(m_folder + QStringLiteral("/history"));
    m_ancestorBytes = readAll(m_folder + QStringLiteral("/ancestor.json"));
}

QString SyncState::defaultRoot() {
    return Preferences::stateFolder();
}

void SyncState::setRead(const QList<Subscription> &list, const QByteArray &bytes, const QDateTime &now) {
    m_base = list;
    // Most starts read the list this computer wrote last: what is kept already says so.
    const QString basePath = m_folder + QStringLiteral("/base.json");
    if (readAll(basePath) != bytes)
        writeState(basePath, bytes);
    if (m_ancestorBytes != bytes) {
        m_ancestorBytes = bytes;
        writeState(m_folder + QStringLiteral("/ancestor.json"), bytes);
    }
    remember(bytes, now);
}

void SyncState::remember(const QByteArray &bytes, const QDateTime &now) const {
    const QString folder = m_folder + QStringLiteral("/history");
    const QString path = folder + u'/' + hashText(bytes) + QStringLiteral(".json");
    // The history is named by content: a version kept already only becomes the newest again. Its
    // time is when this computer last had it.
    const qint64 msecs = now.toMSecsSinceEpoch();
    const timespec times[2] = {{0, UTIME_OMIT}, {time_t(msecs / 1000), long(msecs % 1000) * 1'000'000}};
    const QByteArray name = QFile::encodeName(path);
    if (!QFileInfo::exists(path) || ::utimensat(AT_FDCWD, name.constData(), times, 0) != 0) {
        writeState(path, bytes);
        (void)::utimensat(AT_FDCWD, name.constData(), times, 0);
    }
    const QFileInfoList old = QDir(folder).entryInfoList(QDir::Files, QDir::Time);
    for (qsizetype i = keptVersions; i < old.size(); ++i)
        QFile::remove(old[i].absoluteFilePath());
}

void SyncState::setWritten(const QList<Subscription> &list, const QByteArray &bytes, bool merged,
                           const QDateTime &now) {
    m_base = list;
    writeState(m_folder + QStringLiteral("/base.json"), bytes);
    if (merged) {
        m_ancestorBytes = bytes;
        writeState(m_folder + QStringLiteral("/ancestor.json"), bytes);
    }
    // The version names its ancestor, which the history keeps.
    writeState(versionPath(bytes), hashText(m_ancestorBytes).toLatin1());
    remember(bytes, now);
    QDir versions(m_folder + QStringLiteral("/versions"));
    const QFileInfoList old = versions.entryInfoList(QDir::Files, QDir::Time);
    for (qsizetype i = keptVersions; i < old.size(); ++i)
        QFile::remove(old[i].absoluteFilePath());
}

QString SyncState::versionPath(const QByteArray &bytes) const {
    return m_folder + QStringLiteral("/versions/") + hashText(bytes) + QStringLiteral(".json");
}

QList<Subscription> SyncState::ancestorOf(const QByteArray &bytes, const QDateTime &written) const {
    const QString ancestor = QString::fromLatin1(readAll(versionPath(bytes)));
    if (!ancestor.isEmpty()) {
        const QByteArray known =
            ancestor == hashText(m_ancestorBytes)
                ? m_ancestorBytes
                : readAll(m_folder + QStringLiteral("/history/") + ancestor + QStringLiteral(".json"));
        if (const auto list = SubscriptionFile::decode(known))
            return *list;
    }
    const QList<Subscription> copy = SubscriptionFile::decode(bytes).value_or(QList<Subscription>());
    std::optional<QList<Subscription>> closest;
    int best = 0;
    const auto consider = [&](const QList<Subscription> &list) {
        const int d = ListMerge::distance(list, copy);
        if (!closest || d < best) {
            best = d;
            closest = list;
        }
    };
    // Newest first: of equally close versions, the last one shared. Each is read once.
    std::vector<std::pair<QDateTime, QList<Subscription>>> history;
    for (const QFileInfo &entry :
         QDir(m_folder + QStringLiteral("/history")).entryInfoList(QDir::Files, QDir::Time)) {
        if (auto list = SubscriptionFile::decode(readAll(entry.absoluteFilePath())))
            history.emplace_back(entry.lastModified(), std::move(*list));
    }
    for (const auto &[at, list] : history) {
        if (written.isValid() && at <= written)
            consider(list);
    }
    if (closest)
        return *closest;
    // Nothing this computer had is known to be older than the copy (clocks apart, or the history
    // gone): the closest of all.
    consider(SubscriptionFile::decode(m_ancestorBytes).value_or(QList<Subscription>()));
    for (const auto &entry : history)
        consider(entry.second);
    return *closest;
}

std::optional<QString> SyncState::keepReplaced(const QList<Subscription> &local, const QDateTime &now) const {
    const auto bytes = SubscriptionFile::encode(local);
    if (!bytes || !QDir().mkpath(conflictsFolder()))
        return std::nullopt;
    const QString name =
        QStringLiteral("replaced-") + now.toUTC().toString(u"yyyyMMdd'T'HHmmss'Z'") + QStringLiteral(".json");
    const QString path = freePath(conflictsFolder(), name);
    if (!SubscriptionFile::writeAtomically(path, *bytes))
        return std::nullopt;
    return path;
}

std::optional<QString> SyncState::moveAside(const QString &copyPath) const {
    if (!QDir().mkpath(conflictsFolder()))
        return std::nullopt;
    const QString target = freePath(conflictsFolder(), QFileInfo(copyPath).fileName());
    if (!QFile::rename(copyPath, target))
        return std::nullopt;
    return target;
}

bool isConflictCopyName(const QString &fileName, const QString &listFileName) {
    const QFileInfo list(listFileName);
    const QString stem = QRegularExpression::escape(list.completeBaseName());
    const QString ext = QRegularExpression::escape(u'.' + list.suffix());
    const QRegularExpression pattern(
        u'^' + stem +
        QStringLiteral("(?:\\.sync-conflict-\\d{8}-\\d{6}-[A-Z0-9]{7}"                         // Syncthing
                       "| \\(conflicted copy \\d{4}-\\d{2}-\\d{2} \\d{6}\\)"                   // Nextcloud
                       "| \\(.+'s conflicted copy \\d{4}-\\d{2}-\\d{2}(?: \\(\\d+\\))?\\))") + // Dropbox
        ext +
        u'$');
    return pattern.match(fileName).hasMatch();
}
