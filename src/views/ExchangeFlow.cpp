#include "ExchangeFlow.h"

#include "exchange/Export.h"
#include "model/Clock.h"
#include "settings/LocalizationManager.h"
#include "store/Store.h"
#include "store/SubscriptionFile.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QStandardPaths>
#include <QUrl>

namespace {

std::optional<QString> &nextFileAnswer() {
    static std::optional<QString> answer;
    return answer;
}

bool isZh() {
    return LocalizationManager::shared().isZh();
}

bool isImportSuffix(const QString &path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == u"json" || suffix == u"csv";
}

} // namespace

ExchangeFlow::ExchangeFlow(Store &store, QWidget *window, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_window(window) {}

void ExchangeFlow::answerNextFileDialog(const QString &path) {
    nextFileAnswer() = path;
}

std::optional<QString> ExchangeFlow::askForFile(bool save, const QString &directory,
                                                const QStringList &filters, QString *chosenFilter) {
    QString path;
    if (auto answer = std::exchange(nextFileAnswer(), std::nullopt)) {
        path = *answer;
    } else {
        QFileDialog dialog(m_window, QString(), directory);
        dialog.setObjectName(QStringLiteral("exchangeFileDialog"));
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog.setNameFilters(filters);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        path = dialog.selectedFiles().constFirst();
        if (chosenFilter)
            *chosenFilter = dialog.selectedNameFilter();
    }
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

void ExchangeFlow::importFile() {
    const bool zh = isZh();
    const auto path = askForFile(
        false, QDir::homePath(),
        {(zh ? QStringLiteral("订阅清单") : QStringLiteral("Subscription lists")) +
             QStringLiteral(" (*.json *.csv)"),
         (zh ? QStringLiteral("所有文件") : QStringLiteral("All files")) + QStringLiteral(" (*)")});
    if (path)
        importPath(*path);
}

void ExchangeFlow::restoreFromBackup() {
    const QString folder = m_store.backups() ? m_store.backups()->folder() : Backups::defaultFolder();
    const bool zh = isZh();
    if (!m_store.backups() || m_store.backups()->days().isEmpty()) {
        Q_EMIT alertRequested(zh ? QStringLiteral("还没有备份。Renewly 会在每天第一次保存前备份清单。")
                                 : QStringLiteral("No backups yet. Renewly keeps a copy of the list before "
                                                  "the first save of each day."));
        return;
    }
    const auto path = askForFile(false, folder,
                                 {(zh ? QStringLiteral("每日备份") : QStringLiteral("Daily backups")) +
                                  QStringLiteral(" (subscriptions-*.json)")});
    if (path)
        importPath(*path);
}

void ExchangeFlow::importPath(const QString &path) {
    const Import::Result result =
        Import::readFile(path, m_store.subscriptions(), Clock::current().now(), Clock::current().zone());
    const QString name = QFileInfo(path).fileName();
    if (!result.preview) {
        Q_EMIT alertRequested(
            (isZh() ? QStringLiteral("无法导入 %1：%2") : QStringLiteral("Couldn't import %1: %2"))
                .arg(name, result.error));
        return;
    }
    Q_EMIT previewReady(*result.preview, name);
}

void ExchangeFlow::exportList() {
    const bool zh = isZh();
    const QStringList filters{
        QStringLiteral("JSON (*.json)"),
        (zh ? QStringLiteral("CSV 表格") : QStringLiteral("CSV spreadsheet")) + QStringLiteral(" (*.csv)"),
        (zh ? QStringLiteral("iCalendar 日历") : QStringLiteral("iCalendar")) + QStringLiteral(" (*.ics)")};
    QString filter;
    QString home = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (home.isEmpty() || !QFileInfo(home).isDir())
        home = QDir::homePath();
    auto path = askForFile(true, home + QStringLiteral("/subscriptions.json"), filters, &filter);
    if (!path)
        return;
    // The name's ending decides; a name without one takes the chosen type's.
    auto format = Export::formatNamed(QFileInfo(*path).suffix().toLower());
    if (!format) {
        const qsizetype index = filters.indexOf(filter);
        format = index == 1 ? Export::Format::csv : index == 2 ? Export::Format::ics : Export::Format::json;
        *path += u'.' + Export::suffix(*format);
    }
    const auto bytes =
        Export::write(*format, m_store.subscriptions(), Clock::current().now(), Clock::current().zone());
    // Never over the list itself.
    const QFileInfo target(*path);
    const bool overList =
        target.exists() && target.canonicalFilePath() == QFileInfo(m_store.fileURL()).canonicalFilePath();
    if (!bytes || overList || !SubscriptionFile::writeAtomically(*path, *bytes)) {
        Q_EMIT alertRequested(
            (zh ? QStringLiteral("无法导出到 %1。") : QStringLiteral("Couldn't export to %1."))
                .arg(QDir::toNativeSeparators(*path)));
        return;
    }
    Q_EMIT exported(*path);
}

bool ExchangeFlow::isImportDrop(const QMimeData *mime) {
    if (!mime || !mime->hasUrls() || mime->urls().isEmpty())
        return false;
    const QUrl url = mime->urls().constFirst();
    return url.isLocalFile() && isImportSuffix(url.toLocalFile());
}
