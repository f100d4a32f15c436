#include "Theme.h"

#include "Symbols.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>

#include <fontconfig/fontconfig.h>

namespace Theme {

namespace {
QColor rgb(int r, int g, int b, double opacity = 1.0) {
    QColor c(r, g, b);
    c.setAlphaF(static_cast<float>(opacity));
    return c;
}
} // namespace

const QColor &bg() {
    static const QColor c = rgb(15, 15, 17);
    return c;
}
const QColor &card() {
    static const QColor c = rgb(26, 26, 30);
    return c;
}
const QColor &text() {
    static const QColor c = rgb(245, 245, 247);
    return c;
}
const QColor &textSecondary() {
    static const QColor c = rgb(245, 245, 247, 0.55);
    return c;
}
const QColor &textTertiary() {
    static const QColor c = rgb(245, 245, 247, 0.32);
    return c;
}
const QColor &accent() {
    static const QColor c = rgb(245, 245, 247);
    return c;
}
const QColor &onAccent() {
    static const QColor c = rgb(15, 15, 17);
    return c;
}
const QColor &hairline() {
    static const QColor c = rgb(255, 255, 255, 0.07);
    return c;
}

const QColor &destructive() {
    static const QColor c = rgb(255, 107, 107);
    return c;
}

QColor whiteAlpha(double opacity) {
    return rgb(255, 255, 255, opacity);
}

QPalette palette() {
    QPalette p;
    const QColor disabledText = textTertiary();
    p.setColor(QPalette::Window, bg());
    p.setColor(QPalette::WindowText, text());
    p.setColor(QPalette::Base, card());
    p.setColor(QPalette::AlternateBase, card().lighter(115));
    p.setColor(QPalette::Text, text());
    p.setColor(QPalette::PlaceholderText, textTertiary());
    p.setColor(QPalette::Button, card());
    p.setColor(QPalette::ButtonText, text());
    p.setColor(QPalette::BrightText, text());
    p.setColor(QPalette::Highlight, accent());
    p.setColor(QPalette::HighlightedText, onAccent());
    p.setColor(QPalette::ToolTipBase, card());
    p.setColor(QPalette::ToolTipText, text());
    p.setColor(QPalette::Link, text());
    p.setColor(QPalette::LinkVisited, textSecondary());
    p.setColor(QPalette::Light, card().lighter(160));
    p.setColor(QPalette::Midlight, card().lighter(130));
    p.setColor(QPalette::Mid, card().lighter(110));
    p.setColor(QPalette::Dark, bg().darker(120));
    p.setColor(QPalette::Shadow, QColor(0, 0, 0));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabledText);
    return p;
}

QString css(const QColor &color) {
    if (color.alpha() == 255)
        return color.name(QColor::HexRgb);
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alpha());
}

QString menuStyleSheet() {
    return QStringLiteral("QMenuBar { background-color: %4; color: %1; }"
                          "QMenuBar::item:selected { background-color: %5; }"
                          "QMenu { background-color: %2; color: %1; border: 1px solid %3; }"
                          "QMenu::item:selected { background-color: %5; }"
                          "QMenu::separator { height: 1px; background: %3; margin: 4px 8px; }")
        .arg(css(text()), css(card()), css(whiteAlpha(0.12)), css(bg()), css(whiteAlpha(0.1)));
}

namespace {

// The families the font database holds, read once: looking each name up on its own has fontconfig
// resolve it as an alias first, which costs as much as the whole list. A family that several
// foundries make is listed once per foundry, as "Family [Foundry]".
bool isInstalled(const QString &family) {
    static const QStringList installed = [] {
        QStringList names;
        for (const QString &name : QFontDatabase::families()) {
            const qsizetype foundry = name.indexOf(QLatin1String(" ["));
            names.append(foundry < 0 ? name : name.left(foundry));
        }
        return names;
    }();
    return installed.contains(family, Qt::CaseInsensitive);
}

// Noto Sans CJK SC comes with Regular, Medium and Bold (and more); fontconfig's own fallback for
// Han text may be a face with Regular only, which Qt then draws for every weight.
const QString &chineseFamily() {
    static const QString family = [] {
        const QString name = QStringLiteral("Noto Sans CJK SC");
        return isInstalled(name) ? name : QString();
    }();
    return family;
}

// A rounded face when the machine has one; empty for the default sans.
const QString &roundedFamily() {
    static const QString family = [] {
        for (const char *name : {"Nunito", "Varela Round", "M PLUS Rounded 1c", "Comfortaa"}) {
            if (isInstalled(QString::fromLatin1(name)))
                return QString::fromLatin1(name);
        }
        return QString();
    }();
    return family;
}

// The families fontconfig offers for the application font's family, best first, asked the way the
// font database asks when a family is not installed under that name (a generic name such as "Sans
// Serif"): upright, in the user's language. Needs fontconfig only, not the font database.
const QStringList &defaultFamilyCandidates() {
    static const QStringList candidates = [] {
        QStringList list;
        const QString requested = QFont().family();
        if (requested.isEmpty())
            return list;
        loadFontConfiguration();
        FcPattern *pattern = FcPatternCreate();
        FcPatternAddString(pattern, FC_FAMILY,
                           reinterpret_cast<const FcChar8 *>(requested.toUtf8().constData()));
        FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
        FcPattern *defaults = FcPatternCreate();
        FcDefaultSubstitute(defaults);
        FcChar8 *language = nullptr;
        if (FcPatternGetString(defaults, FC_LANG, 0, &language) == FcResultMatch)
            FcPatternAddString(pattern, FC_LANG, language);
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcFontSet *sorted = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
        if (sorted) {
            for (int i = 0; i < sorted->nfont && list.size() < 8; ++i) {
                FcChar8 *name = nullptr;
                if (FcPatternGetString(sorted->fonts[i], FC_FAMILY, 0, &name) != FcResultMatch)
                    continue;
                const QString family = QString::fromUtf8(reinterpret_cast<const char *>(name));
                if (!list.contains(family, Qt::CaseInsensitive))
                    list.append(family);
            }
            FcFontSetDestroy(sorted);
        }
        FcPatternDestroy(defaults);
        FcPatternDestroy(pattern);
        return list;
    }();
    return candidates;
}

// The face the platform resolves the default font's family to, not a generic name such as "Sans
// Serif": in a list of families Qt takes the names literally and would skip an alias. A family
// installed under the requested name is taken by it. Otherwise (the font database lists the generic
// names too, as stand-ins with no face of their own) the first of fontconfig's candidates that the
// font database holds is the one Qt's own matching settles on; asking Qt instead would load a font
// for a name no text is drawn in.
const QString &defaultFamily() {
    static const QString family = [] {
        const QString requested = QFont().family();
        const QStringList &candidates = defaultFamilyCandidates();
        if (candidates.contains(requested, Qt::CaseInsensitive) && isInstalled(requested))
            return requested;
        for (const QString &candidate : candidates) {
            if (isInstalled(candidate))
                return candidate;
        }
        return QFontInfo(QFont()).family();
    }();
    return family;
}

} // namespace

void loadFontConfiguration() {
    // What FcInit() loads: the configuration, then the fonts. FcInit() also reads every snippet
    // available in fontconfig's template folder, enabled or not, only to describe them to a program
    // that lists them, which takes a third of its time; this skips that. Anything out of the
    // ordinary (no configuration, or no cache folder named) is left to FcInit().
    static const FcBool loaded = [] {
        FcConfig *config = FcConfigCreate();
        bool made = config && FcConfigParseAndLoad(config, nullptr, FcTrue);
        if (made) {
            FcStrList *cacheDirs = FcConfigGetCacheDirs(config);
            made = cacheDirs && FcStrListNext(cacheDirs);
            if (cacheDirs)
                FcStrListDone(cacheDirs);
        }
        made = made && FcConfigBuildFonts(config) && FcConfigSetCurrent(config);
        // The current configuration, when made so, holds a reference of its own.
        if (config)
            FcConfigDestroy(config);
        return made ? FcTrue : FcInit();
    }();
    (void)loaded;
}

void prepareFonts() {
    loadFontConfiguration();
    (void)chineseFamily();
    (void)roundedFamily();
}

void prepareDefaultFamily() {
    (void)defaultFamilyCandidates();
}

void prepareFallbackFamilies() {
    // Loading the font is enough; no glyph of it need be loaded on this thread.
    (void)QFontInfo(font(13)).family();
}

QStringList families(const QString &latin) {
    QStringList list{latin};
    if (!chineseFamily().isEmpty() && latin != chineseFamily())
        list.append(chineseFamily());
    return list;
}

QFont applicationFont(const QFont &base) {
    QFont f = base;
    f.setFamilies(families(base == QFont() ? defaultFamily() : QFontInfo(base).family()));
    return f;
}

FontRequest request(double pixelSize, QFont::Weight weight, Design design) {
    // The Chinese face has no semibold: Qt would settle on its Medium, lighter than the bold the
    // Latin letters of the same line get, so semibold asks for the bold face in both scripts.
    if (weight == QFont::DemiBold)
        weight = QFont::Bold;
    return {.families = families(design == Design::rounded && !roundedFamily().isEmpty() ? roundedFamily()
                                                                                         : defaultFamily()),
            .weight = weight,
            .pixelSize = qMax(1, qRound(pixelSize))};
}

QFont font(double pixelSize, QFont::Weight weight, Design design) {
    const FontRequest asked = request(pixelSize, weight, design);
    QFont f;
    f.setFamilies(asked.families);
    f.setPixelSize(asked.pixelSize);
    f.setWeight(asked.weight);
    return f;
}

} // namespace Theme

#include <QWidget>

namespace Theme {
void style(QWidget *widget, const QFont &font, const QColor &color) {
    widget->setFont(font);
    QPalette p = widget->palette();
    p.setColor(QPalette::WindowText, color);
    p.setColor(QPalette::Text, color);
    p.setColor(QPalette::ButtonText, color);
    widget->setPalette(p);
}
} // namespace Theme

namespace Theme {
namespace {

const char *const menuSheetHeld = "menuSheetHeld";

bool holdsMenuSheet(const QWidget *widget) {
    return widget && widget->property(menuSheetHeld).toBool();
}

class ThemeStyle : public QProxyStyle {
public:
    ThemeStyle()
        : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

    void polish(QWidget *widget) override {
        // Menus look the same wherever they open: in the menu bar, from the tray, from a button or
        // as a text field's context menu. Giving a menu its sheet polishes it again, this time with
        // the sheet, and an empty sheet is what stops this from going round. A menu in a menu bar
        // or another menu that has the sheet takes it from there.
        const QWidget *parent = widget->parentWidget();
        const bool inherits =
            parent && (qobject_cast<const QMenu *>(parent) || qobject_cast<const QMenuBar *>(parent)) &&
            !parent->styleSheet().isEmpty();
        if ((qobject_cast<QMenu *>(widget) || qobject_cast<QMenuBar *>(widget)) &&
            widget->styleSheet().isEmpty() && !inherits && !holdsMenuSheet(widget) && !holdsMenuSheet(parent))
            widget->setStyleSheet(menuStyleSheet());
        QProxyStyle::polish(widget);
    }
    using QProxyStyle::polish;

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override {
        if (element == PE_PanelTipLabel) {
            // The card colour with a faint light rim, so a tip stands out on the dark window.
            painter->save();
            painter->fillRect(option->rect, option->palette.toolTipBase());
            painter->setPen(whiteAlpha(0.12));
            painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
            painter->restore();
            return;
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override {
        // The sheet fills a menu bar with the window's colour and draws no line under it, and has
        // Fusion draw the items on it in clear colours: their own fill and line then leave no trace.
        if (element == CE_MenuBarEmptyArea && holdsMenuSheet(widget)) {
            painter->fillRect(option->rect, bg());
            return;
        }
        const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
        if (element == CE_MenuBarItem && item && holdsMenuSheet(widget)) {
            painter->fillRect(option->rect, bg());
            QStyleOptionMenuItem clear = *item;
            clear.palette.setColor(QPalette::Window, Qt::transparent);
            clear.palette.setColor(QPalette::Button, Qt::transparent);
            QProxyStyle::drawControl(element, &clear, painter, widget);
            return;
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }

    QIcon standardIcon(StandardPixmap icon, const QStyleOption *option,
                       const QWidget *widget) const override {
        switch (icon) {
        case SP_ToolBarHorizontalExtensionButton:
            return Symbols::icon(QStringLiteral("chevron.right"), text());
        case SP_ToolBarVerticalExtensionButton:
            return Symbols::icon(QStringLiteral("chevron.down"), text());
        default:
            return QProxyStyle::standardIcon(icon, option, widget);
        }
    }
};

} // namespace

QStyle *createStyle() {
    return new ThemeStyle;
}

void holdMenuSheet(QWidget *menuBar) {
    menuBar->setProperty(menuSheetHeld, true);
}

void giveMenuSheet(QWidget *menuBar) {
    if (!holdsMenuSheet(menuBar))
        return;
    menuBar->setProperty(menuSheetHeld, QVariant());
    menuBar->setStyleSheet(menuStyleSheet());
}

} // namespace Theme
