// The fonts of the score's text categories, set on a page picture or on the printer before the
// typesetter draws that kind of text. One routine per category serves both surfaces.
#pragma once

#include <array>

#include "platform/surface.h"
#include "typeset/metrics.h"

namespace typeset {

// The font samples of the typesetting panel (0 title, 1 lyrics, 2 note digits, 3 part names,
// 4 expression texts, 5 subtitle, 6 rights line) and the font of the dynamics list.
struct CategoryFonts {
    std::array<FontSpec, 7> Samples;
    QString DynamicsFontName = QStringLiteral("宋体");
};

void SetPartNameFont(vb::Surface& s, const CategoryFonts& f);
void SetExpressionFont(vb::Surface& s, const CategoryFonts& f);
void SetLyricFont(vb::Surface& s, const CategoryFonts& f);
void SetDigitFont(vb::Surface& s, const CategoryFonts& f);
// Dynamics: the dynamics list's font name, the expression size and weight, always italic.
void SetItalicExpressionFont(vb::Surface& s, const CategoryFonts& f);
// The notation font at the digit size, with the digit sample's weight and slant (never the
// weight or slant of whatever font was set before).
FontSpec NotationFontOf(const CategoryFonts& f);
void SetNotationFont(vb::Surface& s, const CategoryFonts& f);

// The page and printer names of the setters: the same fonts on a page picture or on the printer.
inline void SetPartNameFontPage(vb::Surface& page, const CategoryFonts& f) { SetPartNameFont(page, f); }
inline void SetExpressionFontPage(vb::Surface& page, const CategoryFonts& f) { SetExpressionFont(page, f); }
inline void SetLyricFontPage(vb::Surface& page, const CategoryFonts& f) { SetLyricFont(page, f); }
inline void SetDigitFontPage(vb::Surface& page, const CategoryFonts& f) { SetDigitFont(page, f); }
inline void SetItalicExpressionFontPage(vb::Surface& page, const CategoryFonts& f) { SetItalicExpressionFont(page, f); }
inline void SetNotationFontPage(vb::Surface& page, const CategoryFonts& f) { SetNotationFont(page, f); }
inline void SetPartNameFontPrinter(vb::Surface& printer, const CategoryFonts& f) { SetPartNameFont(printer, f); }
inline void SetExpressionFontPrinter(vb::Surface& printer, const CategoryFonts& f) { SetExpressionFont(printer, f); }
inline void SetLyricFontPrinter(vb::Surface& printer, const CategoryFonts& f) { SetLyricFont(printer, f); }
inline void SetDigitFontPrinter(vb::Surface& printer, const CategoryFonts& f) { SetDigitFont(printer, f); }
inline void SetItalicExpressionFontPrinter(vb::Surface& printer, const CategoryFonts& f) {
    SetItalicExpressionFont(printer, f);
}
inline void SetNotationFontPrinter(vb::Surface& printer, const CategoryFonts& f) { SetNotationFont(printer, f); }

}  // namespace typeset
