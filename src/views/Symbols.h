#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QWidget>

// The project's own line symbols, looked up by the names the views use ("creditcard.fill",
// "bell.badge", "chevron.right", ...). Each is a 24×24 SVG drawn in one colour, so it takes the
// colour of its context; the weight thickens the strokes.
namespace Symbols {

enum class Weight { regular, medium, semibold, bold };

bool has(const QString &name);
QStringList names();
// The SVG text of a symbol in `color`; empty for an unknown name.
QByteArray svg(const QString &name, const QColor &color, Weight weight = Weight::regular);
// The symbol drawn into a `size`×`size` logical-pixel square; a transparent square for an unknown
// name, so a misspelt symbol shows as a gap rather than failing.
QPixmap pixmap(const QString &name, double size, const QColor &color, Weight weight = Weight::regular,
               qreal devicePixelRatio = 1.0);
// Has pixmap() with the same arguments find the symbol drawn: it is drawn on a thread pool in the
// meantime, for a view to call when it is made, well before it is first painted. GUI thread.
void prepare(const QString &name, double size, const QColor &color, Weight weight = Weight::regular,
             qreal devicePixelRatio = 1.0);
// An icon with the usual small sizes, for tray and window icons.
QIcon icon(const QString &name, const QColor &color, Weight weight = Weight::regular);

} // namespace Symbols

// A symbol as a widget, exactly `size` logical pixels square.
class SymbolView : public QWidget {
    Q_OBJECT
public:
    SymbolView(const QString &name, double size, const QColor &color,
               Symbols::Weight weight = Symbols::Weight::regular, QWidget *parent = nullptr);

    QString symbolName() const { return m_name; }
    QColor color() const { return m_color; }
    void setColor(const QColor &color);
    void setSymbolName(const QString &name);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_name;
    double m_size;
    QColor m_color;
    Symbols::Weight m_weight;
};
