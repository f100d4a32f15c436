#pragma once

#include <QByteArray>
#include <QFile>

// A figure of the process's memory from /proc/self/status ("VmRSS" now, "VmHWM" its peak,
// "RssAnon", "RssFile"), in MiB; -1 where it cannot be read.
inline double statusMiB(const char *key) {
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').first().toDouble() / 1024.0; // kB
    }
    return -1;
}
