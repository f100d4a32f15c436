#pragma once

#include <QObject>

class AppDelegate;

// Start-up figures for the benchmark script: when the main window was first on screen (wall-clock
// nanoseconds, to compare with the moment the script started the process) and the resident memory
// once the process has been idle for a while. Prints them to standard output and quits.
class StartupProbe : public QObject {
    Q_OBJECT
public:
    explicit StartupProbe(AppDelegate &delegate, int idleMs = 2000);

    static qint64 residentKiB();
    // Process CPU time in microseconds.
    static qint64 cpuMicroseconds();
    // Called first thing in main(): what the process spent before it (loading libraries and
    // running their static constructors) is reported separately.
    static void markMainEntered();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void shown();

    AppDelegate &m_delegate;
    int m_idleMs;
    bool m_done = false;
};
