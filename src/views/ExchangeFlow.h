#pragma once

#include "exchange/Import.h"

#include <QObject>
#include <QPointer>

#include <optional>

class QMimeData;
class QWidget;
class Store;

// The list in and out of the main window: asks for the file, reads or writes it and reports a
// preview to show, or one line to tell the user when something went wrong.
class ExchangeFlow : public QObject {
    Q_OBJECT
public:
    ExchangeFlow(Store &store, QWidget *window, QObject *parent = nullptr);

    // Test seam: the next file dialog is not shown and answers `path` instead (empty: cancelled).
    static void answerNextFileDialog(const QString &path);

    // File → Import…: a JSON or CSV file, read into a preview.
    void importFile();
    // File → Restore from backup…: one of the daily copies, read into a preview.
    void restoreFromBackup();
    // File → Export…: JSON, CSV or iCalendar by the chosen type or the name's ending.
    void exportList();
    void importPath(const QString &path);

    // A drop of a single local .json or .csv file, which goes to the import rather than the scan.
    static bool isImportDrop(const QMimeData *mime);

Q_SIGNALS:
    // `source` names where the entries came from.
    void previewReady(const Import::Preview &preview, const QString &source);
    void alertRequested(const QString &message);
    // The list was written to `path`.
    void exported(const QString &path);

private:
    std::optional<QString> askForFile(bool save, const QString &directory, const QStringList &filters,
                                      QString *chosenFilter = nullptr);

    Store &m_store;
    QPointer<QWidget> m_window;
};
