#include "typeset/fonts.h"

namespace typeset {

namespace {
void Apply(vb::Surface& s, const QString& name, double size, bool bold, bool italic) {
    s.SetFontName(name);
    s.SetFontSize(size);
    s.SetFontBold(bold);
    s.SetFontItalic(italic);
}
void ApplySample(vb::Surface& s, const FontSpec& f) { Apply(s, f.Name, f.Size, f.Bold, f.Italic); }
}  // namespace

void SetPartNameFont(vb::Surface& s, const CategoryFonts& f) { ApplySample(s, f.Samples[3]); }
void SetExpressionFont(vb::Surface& s, const CategoryFonts& f) { ApplySample(s, f.Samples[4]); }
void SetLyricFont(vb::Surface& s, const CategoryFonts& f) { ApplySample(s, f.Samples[1]); }
void SetDigitFont(vb::Surface& s, const CategoryFonts& f) { ApplySample(s, f.Samples[2]); }

void SetItalicExpressionFont(vb::Surface& s, const CategoryFonts& f) {
    Apply(s, f.DynamicsFontName, f.Samples[4].Size, f.Samples[4].Bold, true);
}

FontSpec NotationFontOf(const CategoryFonts& f) {
    return {kNotationFont, f.Samples[2].Size, f.Samples[2].Bold, f.Samples[2].Italic};
}

void SetNotationFont(vb::Surface& s, const CategoryFonts& f) {
    const FontSpec n = NotationFontOf(f);
    Apply(s, n.Name, n.Size, n.Bold, n.Italic);
}

}  // namespace typeset
