// Text measures of the typesetting labels. "宋体" and "黑体" measure as the design fonts do on every
// machine: a line is the font's pixel height at 96 dpi high, and each half-width character half an
// em wide (a full-width character a whole em), whatever font stands in for them. Other fonts (the
// notation font among them) are measured with their own metrics.
#pragma once

#include <QRectF>
#include <QSize>
#include <QString>

namespace typeset {

struct FontSpec {
    QString Name;
    double Size = 9;  // points
    bool Bold = false;
    bool Italic = false;
    bool operator==(const FontSpec&) const = default;
};

// The notation font of the score's symbols.
inline const QString kNotationFont = QStringLiteral("Qelto");

// Whether the font measures as a design font (fixed em widths).
bool IsDesignFont(const QString& name);
// The size an auto-sized label takes for the caption (one line; an empty caption is 0 wide).
QSize LabelTextSize(const FontSpec& font, const QString& caption);
// The ink of `text` printed in `font` with its box's top-left corner at the origin (page pixels),
// from the font's own outlines; empty for a blank text. Each thread keeps the inks it
// measured.
QRectF TextInk(const FontSpec& font, const QString& text);
// The same, of the pixel columns fromColumn..toColumn − 1 only.
QRectF TextInkIn(const FontSpec& font, const QString& text, int fromColumn, int toColumn);

}  // namespace typeset
