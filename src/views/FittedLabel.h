#pragma once

#include <QFont>
#include <QWidget>

// One line of text at a preferred size that shrinks, down to half that size, before it would be
// cut; only below half size is it cut with an ellipsis. It never wraps.
class FittedLabel : public QWidget {
    Q_OBJECT
public:
    FittedLabel(const QFont &font, const QColor &color, QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    void setAlignment(Qt::Alignment alignment);
    // The pixel size the text is drawn at for the current width.
    int fittedPixelSize() const;
    // The text as drawn: whole, or cut when even half size does not fit.
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const QFont &fitted() const;
    void refit() const;
    // The text's advance at the preferred size, laid out once per text.
    double naturalAdvance() const;

    QString m_text;
    QFont m_font;
    mutable QFont m_fitted;
    mutable bool m_fitValid = false;
    mutable int m_fittedWidth = 0;
    mutable double m_fittedAdvance = 0;
    mutable double m_naturalAdvance = -1;
    QColor m_color;
    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignVCenter;
};
