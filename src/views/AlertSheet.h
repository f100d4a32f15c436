#pragma once

#include "views/Sheet.h"

class QLabel;
class SoftButton;

// An alert in the sheets' look: the title inside it ("识别提示" / "Scan" for a scan, "Renewly" for a
// file imported or exported), the message with its line breaks, and one button "好" / "OK" that
// closes it (as do Return and Escape). The title and the button follow the language; the message
// keeps the one it was written in.
class AlertSheet : public Sheet {
    Q_OBJECT
public:
    static constexpr int sheetWidth = 380;

    struct Options {
        // About a file imported or exported rather than a scan.
        bool aboutFile = false;
    };

    AlertSheet(const QString &message, Options options, QWidget *parent = nullptr);

    QString title() const;
    QString message() const;
    SoftButton *okButton() const { return m_ok; }

protected:
    void retranslate() override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    Options m_options;
    QLabel *m_title;
    QLabel *m_message;
    SoftButton *m_ok;
};
