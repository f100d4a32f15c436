#pragma once

#include "views/Sheet.h"

class QLabel;
class SoftButton;

// The scan alert in the sheets' look: the title "识别提示" / "Scan" inside it, the message with its
// line breaks, and one button "好" / "OK" that closes it (as do Return and Escape). The title and
// the button follow the language; the message keeps the one it was written in.
class AlertSheet : public Sheet {
    Q_OBJECT
public:
    static constexpr int sheetWidth = 380;

    explicit AlertSheet(const QString &message, QWidget *parent = nullptr);

    QString title() const;
    QString message() const;
    SoftButton *okButton() const { return m_ok; }

protected:
    void retranslate() override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QLabel *m_title;
    QLabel *m_message;
    SoftButton *m_ok;
};
