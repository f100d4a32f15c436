#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>
#include <QStringList>

class QStyle;

// The fixed dark palette every window draws with. Meaning is carried by brightness alone: full text,
// 55 % for secondary and 32 % for tertiary; the prominent look is the palette turned inside out.
namespace Theme {

const QColor &bg();            // window and sheet backgrounds
const QColor &card();          // cards and list rows
const QColor &text();          // primary text
const QColor &textSecondary(); // secondary text, inactive names
const QColor &textTertiary();  // hints, chevrons, the paused tag, dimmed badges
const QColor &accent();        // prominent fills, the one-time tag
const QColor &onAccent();      // text and icons on an accent fill
const QColor &hairline();      // thin separator lines
const QColor &destructive();   // the delete actions

// White at the given opacity, for the soft fills of badges and buttons.
QColor whiteAlpha(double opacity);

// The application palette built from the colours above, for the Fusion style.
QPalette palette();
// Fusion with the project's own symbols for the few standard icons the widgets ask for, so that no
// image plugin is loaded to decode Qt's bitmaps when the first menu bar or dialog is built.
QStyle *createStyle();
// What the palette cannot say about a menu bar and its menus. The style gives it to every menu bar
// and menu as it polishes them; no application-wide style sheet makes every other widget pay for
// style-sheet styling.
QString menuStyleSheet();
// A menu bar marked so is not given the sheet when it is polished, but by giveMenuSheet(): until
// then the style draws it as the sheet does while none of its menus is open, as in the window's
// first frame, which then does not wait for the sheet to be worked out.
void holdMenuSheet(QWidget *menuBar);
void giveMenuSheet(QWidget *menuBar);

enum class Design { standard, rounded };
// A font of `pixelSize` logical pixels. Sizes in the layouts are given in points of a 1:1 display,
// so they are used as pixels here; `rounded` asks for the rounded family where one is installed.
QFont font(double pixelSize, QFont::Weight weight = QFont::Normal, Design design = Design::standard);
// What font() asks the font database for, without making a font: safe on any thread once the
// application object exists.
struct FontRequest {
    QStringList families;
    QFont::Weight weight = QFont::Normal;
    int pixelSize = 0;
};
FontRequest request(double pixelSize, QFont::Weight weight = QFont::Normal, Design design = Design::standard);
// The families a font asks for: the given Latin family, then a Chinese family that has every weight
// the layouts name, so medium, semibold and bold Chinese text is not drawn in a regular-only
// fallback face.
QStringList families(const QString &latin);
// The application's default font with those families, for the platform's own controls.
QFont applicationFont(const QFont &base);
// Look up what the fonts above depend on, so that building the first frame does not wait for it:
// prepareFonts() the faces installed (the font database, read once for all threads),
// prepareDefaultFamily() the faces fontconfig offers for the default family, which needs fontconfig
// alone and can run beside the other. Safe on any thread once the application object exists.
void prepareFonts();
void prepareDefaultFamily();
// Has the font database look up, for all threads, the families that stand in for the default
// family's missing characters, which it does when a thread first loads a font. Any thread.
void prepareFallbackFamilies();
// Loads fontconfig's configuration, once: each of its users that found none loaded yet would load
// its own and keep one. The first caller loads it, and later ones wait for that, not for a thread
// that has not yet had its turn. The functions above call it; safe on any thread at any time.
void loadFontConfiguration();

// "#RRGGBB" or "rgba(r, g, b, a)" for style sheets.
QString css(const QColor &color);

} // namespace Theme

class QWidget;
namespace Theme {
// Sets the font and the text colour of a widget in one go.
void style(QWidget *widget, const QFont &font, const QColor &color);
} // namespace Theme
