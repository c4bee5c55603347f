// Whether a text shows as text or as boxes: the glyphs a font, with its own families and the
// system's fallbacks, lays out for it.
#pragma once

#include <QFont>
#include <QGlyphRun>
#include <QRawFont>
#include <QSet>
#include <QString>
#include <QTextLayout>

namespace vrx::test {

inline QList<QGlyphRun> LaidOut(const QFont& font, const QString& text) {
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    return layout.glyphRuns();
}

// How many characters come out as the box that stands for a glyph the font does not have.
inline int Boxes(const QFont& font, const QString& text) {
    int boxes = 0;
    for (const QGlyphRun& run : LaidOut(font, text))
        for (const quint32 glyph : run.glyphIndexes())
            boxes += glyph == 0 ? 1 : 0;
    return boxes;
}

// The families that actually draw the text.
inline QSet<QString> DrawingFamilies(const QFont& font, const QString& text) {
    QSet<QString> families;
    for (const QGlyphRun& run : LaidOut(font, text))
        families << run.rawFont().familyName();
    return families;
}

} // namespace vrx::test
