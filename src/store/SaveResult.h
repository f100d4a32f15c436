#pragma once

#include <QString>

// Whether the list reached the disk, and in words why not when it did not.
class [[nodiscard]] SaveResult {
public:
    static SaveResult success() { return SaveResult(QString()); }
    // `reason` says what went wrong ("No space left on device"); never empty.
    static SaveResult failure(QString reason) {
        return SaveResult(reason.isEmpty() ? QStringLiteral("unknown error") : std::move(reason));
    }

    bool ok() const { return m_reason.isEmpty(); }
    explicit operator bool() const { return ok(); }
    const QString &reason() const { return m_reason; }

private:
    explicit SaveResult(QString reason)
        : m_reason(std::move(reason)) {}
    QString m_reason;
};
