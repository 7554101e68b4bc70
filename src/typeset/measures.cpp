#include "typeset/measures.h"

#include "platform/vbtext.h"

namespace typeset {

int32_t MeasureGlyphWidth(const QString& text, double points) {
    return LabelTextSize({kNotationFont, points}, text).width();
}

int32_t GetNoteCellWidth(int32_t ticks, int32_t digitCellWidth) {
    static constexpr float kPlain[5] = {1.0f, 1.0f, 1.2f, 1.5f, 2.0f};
    static constexpr float kDotted[5] = {0.0f, 1.15f, 1.4f, 1.8f, 2.5f};
    const bool tuplet = ticks % 3 != 0;
    const int32_t c = tuplet ? int32_t(vb::Round(ticks * 1.5)) : ticks;
    int32_t g = int32_t(vb::Round(c / 3.0));
    float sum = 0;
    while (g >= 3) {
        int n = 4;
        while (n > 0 && (1 << n) > g) --n;
        const int32_t unit = 1 << n;
        if (n >= 1 && g * 2 >= unit * 3 && g < unit * 2)
            sum += kDotted[n];
        else
            sum += kPlain[n];
        g -= unit;
    }
    if (tuplet) sum = sum / 1.5f;
    if (sum < 1) sum = 1;
    // The product is taken in single precision, so exact halves (11.5, 49.5) round to even.
    const float width = float(digitCellWidth) * sum;
    return int32_t(vb::Round(double(width)));
}

int32_t GetMaxPartNameWidth(const doc::Song& song, const FontSpec& partNameFont, QString* lastMeasured) {
    int32_t widest = 0;
    for (int p = 1; p <= song.PartCount && p <= doc::kMaxParts; ++p) {
        if (song.Parts[p].ShowInScore != 1) continue;
        const int w = LabelTextSize(partNameFont, song.Parts[p].Name).width();
        if (lastMeasured) *lastMeasured = song.Parts[p].Name;
        if (w > widest) widest = w;
    }
    return widest;
}

QString RestItem(int32_t start, int32_t end) {
    return vb::Format(start, QStringLiteral("00000")) + QStringLiteral("019") +
           vb::Format(end, QStringLiteral("00000")) + QStringLiteral("9999");
}

void AddSpanSplitAtLines(SortList& list, int32_t start, int32_t end, const LineTable& lines) {
    const int32_t last = std::min<int32_t>(lines.LastSystem, int32_t(lines.Starts.size()) - 1);
    int32_t s = start;
    for (;;) {
        int32_t cut = -1;
        for (int32_t j = 1; j <= last; ++j) {
            if (lines.Starts[j] > s) {
                cut = lines.Starts[j];
                break;
            }
        }
        if (cut < 0 || cut >= end) break;
        list.AddItem(RestItem(s, cut));
        s = cut;
    }
    list.AddItem(RestItem(s, end));
}

}  // namespace typeset
