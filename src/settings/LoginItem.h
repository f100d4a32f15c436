#pragma once

#include <QString>

// The user's own autostart entry ($XDG_CONFIG_HOME/autostart/renewly.desktop), which starts the
// program in the tray at login. Whether it is on is read from the file each time, so a user who
// deletes the file sees it off.
namespace LoginItem {

QString path();
bool isEnabled();
// Writes the entry (atomically) or removes it; false when the folder or file cannot be written.
bool setEnabled(bool enabled);
// The entry's text for a program at `program` (bare name when it is found on PATH).
QByteArray entry(const QString &program);

} // namespace LoginItem
