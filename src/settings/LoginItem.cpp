#include "LoginItem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {
// The program as the entry names it: the bare name when PATH leads to this very file, so the entry
// survives an upgrade; otherwise the full path, quoted as desktop entries require.
QString execName(const QString &program) {
    const QString name = QFileInfo(program).fileName();
    const QString onPath = QStandardPaths::findExecutable(name);
    if (!onPath.isEmpty() && QFileInfo(onPath).canonicalFilePath() == QFileInfo(program).canonicalFilePath())
        return name;
    QString quoted = program;
    for (const QChar c : {QLatin1Char('\\'), QLatin1Char('"'), QLatin1Char('`'), QLatin1Char('$')})
        quoted.replace(c, QStringLiteral("\\") + c);
    // Within a desktop entry's string value a backslash is itself escaped once more.
    quoted.replace(QStringLiteral("\\"), QStringLiteral("\\\\"));
    quoted.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}
} // namespace

namespace LoginItem {

QString path() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/renewly.desktop");
}

bool isEnabled() {
    return QFileInfo(path()).isFile();
}

QByteArray entry(const QString &program) {
    QByteArray text("[Desktop Entry]\n"
                    "Type=Application\n"
                    "Version=1.4\n"
                    "Name=Renewly\n"
                    "Comment=Start Renewly in the tray at login so renewal reminders arrive\n"
                    "Comment[zh_CN]=登录时在托盘中启动 Renewly，以便按时收到续费提醒\n");
    text += "Exec=" + execName(program).toUtf8() + " --background\n";
    text += "Icon=io.github.renewly.Renewly\n"
            "Terminal=false\n"
            "NoDisplay=true\n"
            "X-GNOME-Autostart-enabled=true\n";
    return text;
}

bool setEnabled(bool enabled) {
    const QString file = path();
    if (!enabled)
        return !QFileInfo::exists(file) || QFile::remove(file);
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return false;
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    const QByteArray text = entry(QCoreApplication::applicationFilePath());
    if (out.write(text) != text.size())
        return false;
    return out.commit();
}

} // namespace LoginItem
