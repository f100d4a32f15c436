#include "FontFiles.h"
#include "app/GlyphOutlines.h"

#include <QTest>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <vector>

namespace {
// The file fontconfig gives `family`, as Qt would load it.
QByteArray fileOf(const char *family) {
    return matchedFontFile(FcNameParse(reinterpret_cast<const FcChar8 *>(family)));
}

// Everything a load leaves in the slot that Qt reads, and the glyph rendered from it.
struct Slot {
    FT_Glyph_Metrics metrics{};
    FT_Fixed linearHoriAdvance = 0;
    FT_Vector advance{};
    FT_Pos lsbDelta = 0;
    FT_Pos rsbDelta = 0;
    std::vector<FT_Vector> points = {};
    std::vector<char> tags = {};
    std::vector<short> contours = {};
    int bitmapLeft = 0;
    int bitmapTop = 0;
    unsigned width = 0;
    unsigned rows = 0;
    std::vector<unsigned char> pixels = {};
};

// Loads `glyph` from `face` moved right by `shift` (in 64ths of a pixel) with Qt's options, and
// renders it.
Slot load(FT_Face face, FT_UInt glyph, FT_Pos shift, FT_Int32 options) {
    FT_Vector delta{shift, 0};
    FT_Set_Transform(face, nullptr, &delta);
    if (FT_Load_Glyph(face, glyph, options) != 0)
        return {};
    const FT_GlyphSlot s = face->glyph;
    Slot slot{.metrics = s->metrics,
              .linearHoriAdvance = s->linearHoriAdvance,
              .advance = s->advance,
              .lsbDelta = s->lsb_delta,
              .rsbDelta = s->rsb_delta,
              .points = std::vector<FT_Vector>(s->outline.points, s->outline.points + s->outline.n_points),
              .tags = std::vector<char>(s->outline.tags, s->outline.tags + s->outline.n_points),
              .contours =
                  std::vector<short>(s->outline.contours, s->outline.contours + s->outline.n_contours)};
    FT_Render_Glyph(s, FT_RENDER_MODE_LIGHT);
    slot.bitmapLeft = s->bitmap_left;
    slot.bitmapTop = s->bitmap_top;
    slot.width = s->bitmap.width;
    slot.rows = s->bitmap.rows;
    for (unsigned row = 0; row < s->bitmap.rows; ++row)
        slot.pixels.insert(slot.pixels.end(), s->bitmap.buffer + row * s->bitmap.pitch,
                           s->bitmap.buffer + row * s->bitmap.pitch + s->bitmap.width);
    return slot;
}

bool same(const std::vector<FT_Vector> &a, const std::vector<FT_Vector> &b) {
    return std::equal(a.cbegin(), a.cend(), b.cbegin(), b.cend(),
                      [](const FT_Vector &p, const FT_Vector &q) { return p.x == q.x && p.y == q.y; });
}
} // namespace

class GlyphOutlinesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A glyph loaded again, at another place between pixels, from the face it was loaded from at the
    // same size is exactly what FreeType loads and renders from another face of the same file; at
    // another size, or once closed, FreeType loads it itself.
    void loadedAgainAsFreeTypeLoadsIt_data() {
        QTest::addColumn<QByteArray>("family");
        QTest::addColumn<int>("pixelSize");
        QTest::addColumn<int>("options");
        const int light = FT_LOAD_TARGET_LIGHT | FT_LOAD_IGNORE_GLOBAL_ADVANCE_WIDTH | FT_LOAD_NO_BITMAP;
        QTest::newRow("latin, light hinting") << QByteArray("DejaVu Sans") << 13 << light;
        QTest::newRow("latin bold, large") << QByteArray("DejaVu Sans:bold") << 46 << light;
        QTest::newRow("latin, no hinting")
            << QByteArray("DejaVu Sans") << 13 << int(light | FT_LOAD_NO_HINTING);
        QTest::newRow("chinese") << QByteArray("Noto Sans CJK SC") << 15 << light;
    }
    void loadedAgainAsFreeTypeLoadsIt() {
        QFETCH(QByteArray, family);
        QFETCH(int, pixelSize);
        QFETCH(int, options);
        const QByteArray file = fileOf(family.constData());
        FT_Library library = nullptr;
        QCOMPARE(FT_Init_FreeType(&library), 0);
        FT_Face kept = nullptr;
        QCOMPARE(FT_New_Face(library, file.constData(), 0, &kept), 0);
        FT_Set_Pixel_Sizes(kept, 0, pixelSize);
        for (const char32_t c : {U'a', U'g', U'W', U'$', U'7', U'订', U'阅'}) {
            const FT_UInt glyph = FT_Get_Char_Index(kept, c);
            if (glyph == 0)
                continue;
            (void)load(kept, glyph, 0, options);
            for (const FT_Pos shift : {0, 16, 37, -21}) {
                const int before = GlyphOutlines::reused();
                const Slot again = load(kept, glyph, shift, options);
                QCOMPARE(GlyphOutlines::reused(), before + 1);
                // FreeType's own load, from a face no glyph was loaded from yet.
                FT_Face fresh = nullptr;
                QCOMPARE(FT_New_Face(library, file.constData(), 0, &fresh), 0);
                FT_Set_Pixel_Sizes(fresh, 0, pixelSize);
                const Slot own = load(fresh, glyph, shift, options);
                FT_Done_Face(fresh);
                QVERIFY(!own.points.empty() && !own.pixels.empty());
                QCOMPARE(again.linearHoriAdvance, own.linearHoriAdvance);
                QVERIFY(again.advance.x == own.advance.x && again.advance.y == own.advance.y);
                QCOMPARE(again.metrics.horiBearingX, own.metrics.horiBearingX);
                QCOMPARE(again.metrics.width, own.metrics.width);
                QCOMPARE(again.metrics.height, own.metrics.height);
                QCOMPARE(again.lsbDelta, own.lsbDelta);
                QCOMPARE(again.rsbDelta, own.rsbDelta);
                QVERIFY(same(again.points, own.points));
                QVERIFY(again.tags == own.tags);
                QVERIFY(again.contours == own.contours);
                QCOMPARE(again.bitmapLeft, own.bitmapLeft);
                QCOMPARE(again.bitmapTop, own.bitmapTop);
                QCOMPARE(again.width, own.width);
                QCOMPARE(again.rows, own.rows);
                QVERIFY(again.pixels == own.pixels);
            }
            // Another size is another outline.
            FT_Set_Pixel_Sizes(kept, 0, pixelSize + 1);
            const int before = GlyphOutlines::reused();
            (void)load(kept, glyph, 0, options);
            QCOMPARE(GlyphOutlines::reused(), before);
            FT_Set_Pixel_Sizes(kept, 0, pixelSize);
        }
        FT_Done_Face(kept);
        FT_Done_FreeType(library);
    }

    void closedLoadsGoToFreeType() {
        FT_Library library = nullptr;
        QCOMPARE(FT_Init_FreeType(&library), 0);
        FT_Face face = nullptr;
        QCOMPARE(FT_New_Face(library, fileOf("DejaVu Sans").constData(), 0, &face), 0);
        FT_Set_Pixel_Sizes(face, 0, 13);
        const FT_UInt glyph = FT_Get_Char_Index(face, U'R');
        const int options = FT_LOAD_TARGET_LIGHT | FT_LOAD_NO_BITMAP;
        (void)load(face, glyph, 0, options);
        GlyphOutlines::close();
        const int before = GlyphOutlines::reused();
        (void)load(face, glyph, 8, options);
        QCOMPARE(GlyphOutlines::reused(), before);
        FT_Done_Face(face);
        FT_Done_FreeType(library);
    }
};

QTEST_APPLESS_MAIN(GlyphOutlinesTest)
#include "tst_glyph_outlines.moc"
