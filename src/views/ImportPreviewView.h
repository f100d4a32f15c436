#pragma once

#include "exchange/Import.h"
#include "views/Sheet.h"

class QLabel;
class QListWidget;
class QPushButton;
class Store;

// What an import would add: one line per entry of the file with the record it proposes, entries
// with a problem shown with their reason and never added, and entries that look like records
// already in the list unticked. Import adds the ticked records in one change of the store.
class ImportPreviewView : public Sheet {
    Q_OBJECT
public:
    static constexpr QSize sheetSize{560, 520};

    // `source` names where the entries come from (a file name, a backup's day).
    ImportPreviewView(Store &store, Import::Preview preview, QString source, const QTimeZone &zone,
                      QWidget *parent = nullptr);

    QListWidget *entryList() const { return m_list; }
    QPushButton *importButton() const { return m_import; }
    // The records of the ticked lines, in the file's order.
    QList<Subscription> tickedRecords() const;

protected:
    void retranslate() override;

private:
    void importTicked();

    Store &m_store;
    Import::Preview m_preview;
    QString m_source;
    QTimeZone m_zone;
    QLabel *m_title = nullptr;
    QLabel *m_subtitle = nullptr;
    QListWidget *m_list = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_import = nullptr;
};
