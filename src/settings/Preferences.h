#pragma once

#include <QString>

#include <memory>
#include <optional>

class QSettings;

// The per-user preferences, kept by QSettings (INI, user scope, "Renewly"/"Renewly", under
// XDG_CONFIG_HOME). A missing or malformed value reads as missing; callers choose the default.
namespace Preferences {

inline constexpr int defaultRemindDaysBefore = 3;

std::unique_ptr<QSettings> settings();

std::optional<QString> appLanguage();
void setAppLanguage(const QString &raw);

// The stored lead time when it holds an integer, else nothing.
std::optional<int> storedRemindDaysBefore();
// The stored lead time, or 3 when it is missing or not an integer.
int remindDaysBefore();
void setRemindDaysBefore(int days);

// The folder that holds the subscription file, when the user chose one (an absolute path).
std::optional<QString> dataFolder();
void setDataFolder(const QString &folder);

// This computer's own state, never shared through a synced data folder: $XDG_STATE_HOME/Renewly,
// or ~/.local/state/Renewly when the variable is unset or not an absolute path.
QString stateFolder();

} // namespace Preferences
