#pragma once

#include <QFont>
#include <QList>
#include <QString>

// Every font Qt loads has fontconfig substitute its configuration into a question about the face
// and match that against every installed face, only to read the face's rendering settings (hinting,
// antialiasing, the LCD filter): the costliest part of loading a font. The first frame loads about
// ten fonts, all on the main thread. This asks the questions of the fonts that frame draws on
// another thread beforehand; when Qt asks one of them, the substituted question and the match
// worked out are handed over instead of being worked out again. Any other question, or one asked
// once the window is on screen, is matched as fontconfig matches it: a question about the only face
// its file holds against that face alone, which gives the same answer, the rest by fontconfig.
namespace FontMatches {

// Reading the font database starts with fontconfig listing every installed face with the properties
// Qt keeps of them, most of the reading's time, and the first frame's text cannot be laid out
// before it is done. listFontsAhead() lists them that way on another thread as soon as the
// configuration is loaded, long before Qt can ask; when Qt asks, that list is handed over, once,
// provided the question and the configuration are the same. Any other listing is fontconfig's own.
// The list is made as fontconfig makes it, in its order, except that a character set several faces
// share has its characters counted once.
// While the font database reads that list, its questions about the languages each face covers are
// answered once for all the faces that cover the same languages, from fontconfig's answer.

// A family drawn at a weight and pixel size.
struct Font {
    QString family;
    QFont::Weight weight = QFont::Normal;
    double pixelSize = 0;
};

// Works out the matches of `fonts` on the calling thread, in order; one the main thread asks for
// before its turn comes is worked out there. Until close(), a second call does nothing.
void prepare(const QList<Font> &fonts);
// Hands nothing over any more and frees what was worked out, and the list the font database read.
void close();
// How many questions got an answer worked out beforehand.
int answered();
// How many of the questions prepared were asked, answered or not.
int asked();

// Lists the installed faces as the font database asks for them, to hand over to it. Call on another
// thread once fontconfig's configuration is loaded; close() frees a list nobody took.
void listFontsAhead();
// Whether the font database got the list made ahead.
bool listHandedOver();

} // namespace FontMatches
