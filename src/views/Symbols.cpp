#include "Symbols.h"

#include <QApplication>
#include <QBuffer>
#include <QHash>
#include <QIconEngine>
#include <QImageReader>
#include <QPainter>
#include <QPixmapCache>
#include <QSet>
#include <QStyle>
#include <QStyleOption>
#include <QThreadPool>

#include <mutex>

namespace Symbols {

namespace {

// Bodies of 24×24 drawings. "@S" is replaced by the stroke attributes and "@F" by the fill
// attributes of the requested colour, so one drawing serves every tint and weight.
const QHash<QString, const char *> &bodies() {
    static const QHash<QString, const char *> table{
        {QStringLiteral("creditcard.fill"),
         R"(<path @F fill-rule="evenodd" d="M4.6 4.5h14.8A2.6 2.6 0 0 1 22 7.1v9.8a2.6 2.6 0 0 1-2.6 2.6H4.6A2.6 2.6 0 0 1 2 16.9V7.1a2.6 2.6 0 0 1 2.6-2.6zM2 8.4v2.7h20V8.4zM5 14.2v1.9h5.2v-1.9z"/>)"},
        {QStringLiteral("creditcard"),
         R"(<rect @S x="2.8" y="5.2" width="18.4" height="13.6" rx="2.4"/><path @S d="M2.8 9.8h18.4M6 15h4"/>)"},
        {QStringLiteral("bell.badge"),
         R"(<path @S d="M12.2 4.6A5.2 5.2 0 0 0 6.8 9.8v4.1L5 16.6h14l-1.4-2.1v-2.2M9.9 19.2a2.2 2.2 0 0 0 4.2 0"/><circle @F cx="17.6" cy="6.4" r="3.2"/>)"},
        {QStringLiteral("bell"),
         R"(<path @S d="M12 3.8A5.2 5.2 0 0 0 6.8 9v4.9L5 16.6h14l-1.8-2.7V9A5.2 5.2 0 0 0 12 3.8zM9.9 19.2a2.2 2.2 0 0 0 4.2 0"/>)"},
        {QStringLiteral("chevron.right"), R"(<path @S d="M9 5l7 7-7 7"/>)"},
        {QStringLiteral("chevron.down"), R"(<path @S d="M5 9l7 7 7-7"/>)"},
        {QStringLiteral("xmark"), R"(<path @S d="M6.5 6.5l11 11M17.5 6.5l-11 11"/>)"},
        {QStringLiteral("checkmark"), R"(<path @S d="M5 12.5l4.5 4.5L19 7.5"/>)"},
        {QStringLiteral("macwindow"),
         R"(<rect @S x="3" y="4.5" width="18" height="15" rx="2.5"/><path @S d="M3 9.2h18"/><circle @F cx="6" cy="6.9" r="0.9"/><circle @F cx="8.8" cy="6.9" r="0.9"/>)"},
        {QStringLiteral("plus"), R"(<path @S d="M12 5v14M5 12h14"/>)"},
        {QStringLiteral("folder"),
         R"(<path @S d="M3 7.5A1.5 1.5 0 0 1 4.5 6h4.2l2 2h8.8A1.5 1.5 0 0 1 21 9.5v8a1.5 1.5 0 0 1-1.5 1.5h-15A1.5 1.5 0 0 1 3 17.5z"/>)"},
        {QStringLiteral("sparkles"),
         R"(<path @F d="M10 2.5c.7 4.6 1.9 5.8 6.5 6.5-4.6.7-5.8 1.9-6.5 6.5-.7-4.6-1.9-5.8-6.5-6.5 4.6-.7 5.8-1.9 6.5-6.5z"/><path @F d="M17.5 13c.4 2.4 1 3 3.5 3.5-2.4.4-3 1-3.5 3.5-.4-2.4-1-3-3.5-3.5 2.4-.4 3-1 3.5-3.5z"/>)"},
        {QStringLiteral("tray"),
         R"(<path @S d="M3 13.5l2.6-7.5h12.8L21 13.5V18a1.8 1.8 0 0 1-1.8 1.8H4.8A1.8 1.8 0 0 1 3 18z"/><path @S d="M3 13.5h5.2l1.2 2.4h5.2l1.2-2.4H21"/>)"},
        {QStringLiteral("text.viewfinder"),
         R"(<path @S d="M3 8V5.4A2.4 2.4 0 0 1 5.4 3H8M16 3h2.6A2.4 2.4 0 0 1 21 5.4V8M21 16v2.6a2.4 2.4 0 0 1-2.4 2.4H16M8 21H5.4A2.4 2.4 0 0 1 3 18.6V16M7.5 9h9M7.5 12h9M7.5 15h5.5"/>)"},
        {QStringLiteral("doc.text.viewfinder"),
         R"(<path @S d="M3 7.5V5.4A2.4 2.4 0 0 1 5.4 3h2.1M16.5 3h2.1A2.4 2.4 0 0 1 21 5.4v2.1M21 16.5v2.1a2.4 2.4 0 0 1-2.4 2.4h-2.1M7.5 21H5.4A2.4 2.4 0 0 1 3 18.6v-2.1"/><rect @S x="7.5" y="6.5" width="9" height="11" rx="1.4"/><path @S d="M10 10h4M10 13h4"/>)"},
        {QStringLiteral("doc.on.clipboard"),
         R"(<path @S d="M9 4.5H7A2 2 0 0 0 5 6.5v12.5a2 2 0 0 0 2 2h10a2 2 0 0 0 2-2V6.5a2 2 0 0 0-2-2h-2"/><rect @S x="9" y="3" width="6" height="3.2" rx="1"/><path @S d="M8.8 11h6.4M8.8 14.5h6.4M8.8 18h4"/>)"},
        {QStringLiteral("doc.on.doc"),
         R"(<rect @S x="8.5" y="3" width="11.5" height="14.5" rx="2"/><path @S d="M5.5 7v11.5A2.5 2.5 0 0 0 8 21h8.5"/>)"},
        {QStringLiteral("photo"),
         R"(<rect @S x="3" y="4.5" width="18" height="15" rx="2.5"/><circle @S cx="8.5" cy="9.5" r="1.6"/><path @S d="M3.5 17.5l5.2-4.6 3.6 3.1 3-2.6 5.2 4.3"/>)"},
        {QStringLiteral("pencil"),
         R"(<path @S d="M4.5 19.5l1-4.2L15.8 5a2 2 0 0 1 2.9 0l.3.3a2 2 0 0 1 0 2.9L8.7 18.5zM14 6.8l3.2 3.2"/>)"},
        {QStringLiteral("pause"),
         R"(<rect @F x="6.5" y="4.5" width="4" height="15" rx="1.2"/><rect @F x="13.5" y="4.5" width="4" height="15" rx="1.2"/>)"},
        {QStringLiteral("play"),
         R"(<path @F d="M7.5 4.8a1 1 0 0 1 1.5-.9l11 7.2a1 1 0 0 1 0 1.7L9 20.1a1 1 0 0 1-1.5-.9z"/>)"},
        {QStringLiteral("trash"),
         R"(<path @S d="M4 6.5h16M9.2 6.5V4.6A1 1 0 0 1 10.2 3.6h3.6a1 1 0 0 1 1 1v1.9M6.2 6.5l.9 12.6a1.8 1.8 0 0 0 1.8 1.7h6.2a1.8 1.8 0 0 0 1.8-1.7l.9-12.6M10.2 10.5v6.2M13.8 10.5v6.2"/>)"},
        {QStringLiteral("gearshape"),
         R"(<circle @S cx="12" cy="12" r="6.2"/><circle fill="none" stroke="@C" stroke-width="3.2" stroke-dasharray="2.6 2.27" cx="12" cy="12" r="8.1" stroke-opacity="@O"/><circle @S cx="12" cy="12" r="2.4"/>)"},
    };
    return table;
}

const QHash<QString, QString> &aliases() {
    static const QHash<QString, QString> table{
        {QStringLiteral("scan"), QStringLiteral("doc.text.viewfinder")},
        {QStringLiteral("gear"), QStringLiteral("gearshape")},
        {QStringLiteral("settings"), QStringLiteral("gearshape")},
    };
    return table;
}

QString resolve(const QString &name) {
    return aliases().value(name, name);
}

double strokeWidth(Weight weight) {
    switch (weight) {
    case Weight::regular:
        return 1.7;
    case Weight::medium:
        return 1.9;
    case Weight::semibold:
        return 2.1;
    case Weight::bold:
        return 2.4;
    }
    return 1.7;
}

} // namespace

bool has(const QString &name) {
    return bodies().contains(resolve(name));
}

QStringList names() {
    QStringList list = bodies().keys() + aliases().keys();
    list.sort();
    return list;
}

QByteArray svg(const QString &name, const QColor &color, Weight weight) {
    const auto it = bodies().constFind(resolve(name));
    if (it == bodies().cend())
        return {};
    const QString colorText = color.name(QColor::HexRgb);
    const QString opacity = QString::number(color.alphaF(), 'f', 3);
    const QString stroke = QStringLiteral(R"(fill="none" stroke="%1" stroke-opacity="%2" stroke-width="%3" )"
                                          R"(stroke-linecap="round" stroke-linejoin="round")")
                               .arg(colorText, opacity, QString::number(strokeWidth(weight), 'f', 2));
    const QString fill =
        QStringLiteral(R"(fill="%1" fill-opacity="%2" stroke="none")").arg(colorText, opacity);
    QString body = QString::fromUtf8(it.value());
    body.replace(QStringLiteral("@S"), stroke)
        .replace(QStringLiteral("@F"), fill)
        .replace(QStringLiteral("@C"), colorText)
        .replace(QStringLiteral("@O"), opacity);
    return QStringLiteral(R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 24 24">%1</svg>)")
        .arg(body)
        .toUtf8();
}

namespace {

QString cacheKey(const QString &name, int side, const QColor &color, Weight weight) {
    return QStringLiteral("renewly-symbol:%1:%2:%3:%4")
        .arg(resolve(name))
        .arg(side)
        .arg(color.rgba(), 8, 16, QLatin1Char('0'))
        .arg(static_cast<int>(weight));
}

// The format of a pixmap with transparency. Asked on the main thread: pixmaps are made only there.
QImage::Format pixmapFormat() {
    static const QImage::Format format = [] {
        QPixmap probe(1, 1);
        probe.fill(Qt::transparent);
        return probe.toImage().format();
    }();
    return format;
}

// The symbol drawn at side × side pixels, antialiased, on a transparent image in `format`, the
// pixmaps' (pixmapFormat()), so that one drawn ahead on another thread and one drawn on the spot
// have the same pixels. Qt's SVG image plugin draws it: the SVG library is loaded when the first
// symbol is drawn (on a thread pool, see prepare()), not with the program before its window can
// show. The reader is told the format outright: left to find the plugin itself, it would load every
// image plugin listed before the SVG one (and the libraries they need) only to ask whether it reads
// SVG.
QImage draw(const QString &name, const QColor &color, Weight weight, int side, QImage::Format format) {
    QImage image;
    if (const QByteArray data = svg(name, color, weight); !data.isEmpty()) {
        QBuffer buffer;
        buffer.setData(data);
        if (buffer.open(QIODevice::ReadOnly)) {
            QImageReader reader(&buffer, "svg");
            reader.setAutoDetectImageFormat(false);
            reader.setScaledSize(QSize(side, side));
            image = reader.read();
        }
    }
    if (image.size() != QSize(side, side)) {
        image = QImage(side, side, format);
        image.fill(Qt::transparent);
    } else if (image.format() != format) {
        image.convertTo(format);
    }
    return image;
}

// Symbols prepare() has drawn, or is drawing, on its thread pool, by cache key.
struct Prepared {
    std::mutex lock;
    QHash<QString, QImage> drawn;
    QSet<QString> drawing;
};

Prepared &prepared() {
    static Prepared instance;
    return instance;
}

// Symbols are drawn ahead on a pool of their own. Qt's raster engine splits a large fill among the
// threads of the global pool and waits for them there: behind symbols being drawn on it, a frame
// being painted would wait for those too. Waited for as the application object goes, as the global
// pool is.
QThreadPool &drawingPool() {
    static QThreadPool pool;
    static const bool waitedForAtExit = [] {
        qAddPostRoutine([] { drawingPool().waitForDone(); });
        return true;
    }();
    Q_UNUSED(waitedForAtExit);
    return pool;
}

} // namespace

QPixmap pixmap(const QString &name, double size, const QColor &color, Weight weight, qreal devicePixelRatio) {
    const int side = qMax(1, qRound(size * devicePixelRatio));
    const QString key = cacheKey(name, side, color, weight);
    QPixmap result;
    if (QPixmapCache::find(key, &result))
        return result;
    QImage drawn;
    {
        std::lock_guard guard(prepared().lock);
        drawn = prepared().drawn.take(key);
        // One still being drawn is drawn here instead, and dropped there.
        prepared().drawing.remove(key);
    }
    if (drawn.isNull())
        drawn = draw(name, color, weight, side, pixmapFormat());
    result = QPixmap::fromImage(std::move(drawn), Qt::NoFormatConversion);
    result.setDevicePixelRatio(devicePixelRatio);
    QPixmapCache::insert(key, result);
    return result;
}

void prepare(const QString &name, double size, const QColor &color, Weight weight, qreal devicePixelRatio) {
    const int side = qMax(1, qRound(size * devicePixelRatio));
    QString key = cacheKey(name, side, color, weight);
    QPixmap cached;
    if (QPixmapCache::find(key, &cached))
        return;
    {
        std::lock_guard guard(prepared().lock);
        if (prepared().drawn.contains(key) || prepared().drawing.contains(key))
            return;
        prepared().drawing.insert(key);
    }
    drawingPool().start([key = std::move(key), name, color, weight, side, format = pixmapFormat()] {
        const QImage image = draw(name, color, weight, side, format);
        std::lock_guard guard(prepared().lock);
        if (prepared().drawing.remove(key))
            prepared().drawn.insert(key, image);
    });
}

namespace {
// Draws the symbol at the size asked for when it is asked for, so that an icon in a menu nobody has
// opened yet (or in a hidden button) costs nothing at start-up.
class SymbolIconEngine : public QIconEngine {
public:
    SymbolIconEngine(const QString &name, const QColor &color, Weight weight)
        : m_name(name)
        , m_color(color)
        , m_weight(weight) {}

    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override {
        const int side = qMax(1, qMin(size.width(), size.height()));
        return {side, side};
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override {
        const QPixmap drawn =
            Symbols::pixmap(m_name, actualSize(size, mode, state).width(), m_color, m_weight);
        if (mode != QIcon::Disabled || !QApplication::style())
            return drawn;
        QStyleOption option;
        return QApplication::style()->generatedIconPixmap(mode, drawn, &option);
    }
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap drawn = pixmap(rect.size() * ratio, mode, state);
        drawn.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect.topLeft(), drawn);
    }
    QIconEngine *clone() const override { return new SymbolIconEngine(m_name, m_color, m_weight); }
    QString key() const override { return QStringLiteral("renewly-symbol"); }

private:
    QString m_name;
    QColor m_color;
    Weight m_weight;
};
} // namespace

QIcon icon(const QString &name, const QColor &color, Weight weight) {
    return QIcon(new SymbolIconEngine(name, color, weight));
}

} // namespace Symbols

SymbolView::SymbolView(const QString &name, double size, const QColor &color, Symbols::Weight weight,
                       QWidget *parent)
    : QWidget(parent)
    , m_name(name)
    , m_size(size)
    , m_color(color)
    , m_weight(weight) {
    const int side = qMax(1, qRound(size));
    setFixedSize(side, side);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    Symbols::prepare(name, size, color, weight, devicePixelRatioF());
}

void SymbolView::setColor(const QColor &color) {
    if (color == m_color)
        return;
    m_color = color;
    update();
}

void SymbolView::setSymbolName(const QString &name) {
    if (name == m_name)
        return;
    m_name = name;
    update();
}

QSize SymbolView::sizeHint() const {
    const int side = qMax(1, qRound(m_size));
    return {side, side};
}

void SymbolView::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, Symbols::pixmap(m_name, m_size, m_color, m_weight, devicePixelRatioF()));
}
