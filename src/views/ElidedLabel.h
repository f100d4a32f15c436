#pragma once

#include <QFrame>
#include <QString>

// One line of text cut with an ellipsis when it does not fit; the full text stays in text().
class ElidedLabel : public QFrame {
    Q_OBJECT
public:
    explicit ElidedLabel(const QString &text = {}, QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    // The text as it is drawn at the current width.
    QString shownText() const;
    bool isElided() const { return shownText() != m_text; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // The whole text's advance in the label's font, laid out once per text and font.
    double advance() const;

    QString m_text;
    mutable double m_advance = -1;
};
