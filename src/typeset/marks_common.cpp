#include "typeset/marks.h"

#include <algorithm>

#include "platform/vbtext.h"

namespace typeset {

int MarkStyle::DigitOffset() const { return int(vb::Round(HExact / 200.0 * (RowPercent - 100))); }

namespace {
void apply(vb::Surface& s, const QString& name, double size, bool bold, bool italic) {
    s.SetFontName(name);
    s.SetFontSize(size);
    s.SetFontBold(bold);
    s.SetFontItalic(italic);
}
}  // namespace

// The notation glyphs take the digit style's weight and slant, never those of the font set before.
void UseNotationFont(vb::Surface& s, const MarkStyle& st) {
    apply(s, QString::fromLatin1(kNotationFont), st.Digit.Size, st.Digit.Bold, st.Digit.Italic);
}
void UseDigitFont(vb::Surface& s, const MarkStyle& st) {
    apply(s, st.Digit.Name, st.Digit.Size, st.Digit.Bold, st.Digit.Italic);
}
void UseLyricFont(vb::Surface& s, const MarkStyle& st) {
    apply(s, st.Lyric.Name, st.Lyric.Size, st.Lyric.Bold, st.Lyric.Italic);
}
void UseExpressionFont(vb::Surface& s, const MarkStyle& st) {
    apply(s, st.Expression.Name, st.Expression.Size, st.Expression.Bold, st.Expression.Italic);
}
void UseDynamicsFont(vb::Surface& s, const MarkStyle& st) {
    apply(s, st.DynamicsFontName, st.Expression.Size, st.Expression.Bold, true);
}

void PrintAt(vb::Surface& s, double x, double y, const QString& text) {
    s.SetCurrentX(x);
    s.SetCurrentY(y);
    if (!text.isEmpty()) s.Print(text, true);
}

int CellAtOrBefore(const LineCells& cells, int32_t tick) {
    int found = -1;
    const int n = int(std::min(cells.Ticks.size(), cells.X.size()));
    for (int v = 0; v < n; ++v) {
        if (cells.Ticks[v] > tick) break;
        found = v;
    }
    return found;
}

int CellAt(const LineCells& cells, int32_t tick) {
    const int n = int(std::min(cells.Ticks.size(), cells.X.size()));
    for (int v = 0; v < n; ++v)
        if (cells.Ticks[v] == tick) return v;
    return -1;
}

}  // namespace typeset
