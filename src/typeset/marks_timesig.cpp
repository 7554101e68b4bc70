// Time-signature changes inside the score: a small fraction at the beat where the change takes
// effect, on every row of that system; and the rounding of odd ticks.
#include "typeset/marks.h"

#include <algorithm>
#include <limits>

#include "document/songcodes.h"
#include "platform/vbtext.h"

namespace typeset {

void RoundOddUpUnlessTuplet(int32_t& value) {
    if (value % 3 != 0 && value % 2 != 0 && value < std::numeric_limits<int32_t>::max()) value += 1;
}

int32_t PrintedStart(int32_t start, int32_t length) {
    if (length != 1) RoundOddUpUnlessTuplet(start);
    return start;
}

int32_t PrintedEnd(int32_t start, int32_t length) {
    const int64_t from = PrintedStart(start, length);
    int32_t least = length;
    RoundOddUpUnlessTuplet(least);
    auto end = int32_t(std::clamp<int64_t>(int64_t(start) + length, std::numeric_limits<int32_t>::min(),
                                           std::numeric_limits<int32_t>::max()));
    RoundOddUpUnlessTuplet(end);
    return int32_t(std::clamp<int64_t>(std::max<int64_t>(end, from + std::min(least, 2)), std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

std::vector<MeterChange> MeterChangesOf(const doc::Song& song) {
    std::vector<MeterChange> out;
    for (int i = 1; i <= song.TimeSigLastIndex && i < doc::kTimeSigCapacity; ++i)
        out.push_back({song.TimeSigTicks[i], song.TimeSigCodes[i]});
    return out;
}

const SystemPlace* PlaceOf(const std::vector<SystemPlace>& places, const BeatBox& box) {
    for (const SystemPlace& p : places)
        if (p.Page == box.Page && int(vb::Round(p.Top)) == box.Y) return &p;
    return nullptr;
}

double TimeSignatureX(const MarkStyle& st, const BeatBox& box, int code) {
    const int n = doc::GetTimeSigNumerator(code), m = doc::GetTimeSigDenominator(code);
    return box.X + st.W * (n <= 9 && m <= 9 ? 0.5 : 0.0);
}

void DrawTimeSignatures(const PageSurfaces& pages, const MarkStyle& st, int rows,
                        const std::vector<MeterChange>& changes, const std::vector<BeatBox>& beats,
                        const std::vector<SystemPlace>& places) {
    for (const MeterChange& change : changes) {
        const BeatBox* box = nullptr;
        for (const BeatBox& b : beats)
            if (b.Tick == change.Tick) {
                box = &b;
                break;
            }
        if (!box) continue;  // no typeset beat starts there
        vb::Surface* s = pages ? pages(box->Page) : nullptr;
        if (!s) continue;
        SetNotationFont(*s, st.Fonts);
        const int n = doc::GetTimeSigNumerator(change.Code);
        const int m = doc::GetTimeSigDenominator(change.Code);
        const double x = TimeSignatureX(st, *box, change.Code);
        const SystemPlace* place = PlaceOf(places, *box);
        for (int r = 0; r < rows; ++r) {
            const int y = st.RowPitch() * r + box->Y + (place ? place->Shift(r) : 0);
            PrintAt(*s, x, y, QStringLiteral("_"));
            PrintAt(*s, n <= 9 ? x : box->X, y - st.H / 2.0, vb::PrintNumber(n));
            PrintAt(*s, m <= 9 ? x : box->X, y + st.H / 2.0, vb::PrintNumber(m));
        }
    }
}

void DrawTimeSignaturesPage(const PageSurfaces& pages, const MarkStyle& st, int rows,
                            const std::vector<MeterChange>& changes, const std::vector<BeatBox>& beats,
                            const std::vector<SystemPlace>& places) {
    DrawTimeSignatures(pages, st, rows, changes, beats, places);
}

}  // namespace typeset
