#include "typeset/linefit.h"

#include <QFontMetrics>
#include <QHash>
#include <algorithm>
#include <array>
#include <memory>
#include <optional>

#include "document/lyrics.h"
#include "document/pitchdigits.h"
#include "document/timeline.h"
#include "platform/surface.h"
#include "typeset/notecells.h"
#include "typeset/pitchinbar.h"

namespace typeset {

namespace {

int roundi(double x) { return int(vb::Round(x)); }

// The horizontal ink of a glyph, relative to the x of the cell it belongs to.
struct Ink {
    int32_t Tick = 0;  // the cell (the event's start for a syllable)
    double Left = 0, Right = 0;
    double LeftAtLineStart = 0;  // a note carried over a line start shows its accidental there again
};

// Glyphs of one tick stand over each other (a chord), so they count as one.
void mergeTicks(std::vector<Ink>& v) {
    const auto byTick = [](const Ink& a, const Ink& b) { return a.Tick < b.Tick; };
    if (!std::is_sorted(v.begin(), v.end(), byTick)) std::stable_sort(v.begin(), v.end(), byTick);
    size_t n = 0;
    for (size_t i = 0; i < v.size(); ++i) {
        if (n > 0 && v[n - 1].Tick == v[i].Tick) {
            Ink& m = v[n - 1];
            m.Left = std::min(m.Left, v[i].Left), m.Right = std::max(m.Right, v[i].Right);
            m.LeftAtLineStart = std::min(m.LeftAtLineStart, v[i].LeftAtLineStart);
        } else {
            v[n++] = v[i];
        }
    }
    v.resize(n);
}

struct RowGlyphs {
    std::vector<Ink> Cells;                   // digits with accidentals and dots, in tick order
    std::vector<std::vector<Ink>> Syllables;  // per verse, in tick order
};

// Everything a row's glyphs are made from: the part's notes, the song's length and meters, the
// fonts and the verse count. Page setup runs many times over one song (each part shown or hidden
// runs it again), so the glyphs of a part are kept with their source and made again only when
// something in it changed.
struct RowSource {
    struct Note {
        int32_t Start;
        int16_t Length;
        uint8_t Pitch;
        QString Lyric;
    };
    std::vector<Note> Notes;
    int32_t SongLength = 0;
    int16_t MeterLast = 0;
    std::vector<std::array<int32_t, 3>> Meters;  // tick, code and first bar number of each meter
    std::array<FontSpec, 2> Fonts;              // digits, syllables
    int W = 0, Verses = 0;

    // Whether the part `part` of `song`, at these fonts, is what the glyphs were made from.
    bool Matches(const doc::Song& song, int part, const std::array<FontSpec, 2>& fonts, int W_, int verses) const {
        if (SongLength != song.SongLength || MeterLast != song.TimeSigLastIndex || W != W_ || Verses != verses ||
            Fonts != fonts)
            return false;
        for (size_t k = 0; k < Meters.size(); ++k)
            if (Meters[k] != std::array<int32_t, 3>{song.TimeSigTicks[k], song.TimeSigCodes[k], song.TimeSigBarNumbers[k]})
                return false;
        const int count = std::clamp<int>(song.Parts[part].NoteCount, 0, doc::kRowsPerPart);
        if (size_t(count) != Notes.size()) return false;
        for (int i = 0; i < count; ++i) {
            const doc::NoteRecord& n = song.Notes[part][i];
            const Note& m = Notes[size_t(i)];
            if (n.Start != m.Start || n.Length != m.Length || n.Pitch != m.Pitch || n.Lyric != m.Lyric) return false;
        }
        return true;
    }

    static RowSource Of(const doc::Song& song, int part, const std::array<FontSpec, 2>& fonts, int W, int verses) {
        RowSource s;
        s.SongLength = song.SongLength;
        s.MeterLast = song.TimeSigLastIndex;
        const int last = std::clamp<int>(song.TimeSigLastIndex, 0, doc::kTimeSigCapacity - 1);
        for (int k = 0; k <= last; ++k) s.Meters.push_back({song.TimeSigTicks[k], song.TimeSigCodes[k], song.TimeSigBarNumbers[k]});
        s.Fonts = fonts;
        s.W = W, s.Verses = verses;
        const int count = std::clamp<int>(song.Parts[part].NoteCount, 0, doc::kRowsPerPart);
        s.Notes.reserve(size_t(count));
        for (int i = 0; i < count; ++i) {
            const doc::NoteRecord& n = song.Notes[part][i];
            s.Notes.push_back({n.Start, n.Length, n.Pitch, n.Lyric});
        }
        return s;
    }
};

class GlyphFit {
public:
    explicit GlyphFit(const TypesetInput& in) : in_(in), song_(*in.Song) {
        const MarkStyle& st = in.Style;
        notation_ = {kNotationFont, st.Fonts.Samples[2].Size, st.Fonts.Samples[2].Bold, st.Fonts.Samples[2].Italic};
        digitFont_ = st.Fonts.Samples[2];
        digitMetrics_ = QFontMetrics(vb::ScreenFont(digitFont_.Name, digitFont_.Size, digitFont_.Bold, digitFont_.Italic));
        const QString rows = ScoreRowPartsOf(song_);
        for (QChar c : rows) rowParts_.push_back(c.digitValue());
        rows_ = int(rowParts_.size());
        if (rows_ == 0) return;
        const QFontMetrics notationMetrics(vb::ScreenFont(notation_.Name, notation_.Size, notation_.Bold, notation_.Italic));
        advanceA_ = notationMetrics.horizontalAdvance(QStringLiteral("a"));
        advanceB_ = notationMetrics.horizontalAdvance(QStringLiteral("b"));
        dash_ = TextInk(digitFont_, QStringLiteral("-"));
        bracketWidth_ = rows_ == 1 ? 0 : rows_ == 2 ? in.BarGlyphWidth : in.BracketGlyphWidth;
        for (int part : rowParts_) glyphs_.push_back(cachedRowGlyphs(part));
        // The cells' grid is made from the same notes and meters: kept with the rows it was made
        // from, it stays good while every row is still the one kept.
        thread_local std::vector<std::shared_ptr<const RowGlyphs>> gridRows;
        thread_local std::vector<int> gridParts;
        thread_local std::vector<int32_t> grid;
        if (gridRows != glyphs_ || gridParts != rowParts_) {
            grid = TickGridOf(song_, rowParts_);
            gridRows = glyphs_, gridParts = rowParts_;
        }
        grid_ = grid;
        // The part names end where the widest one's ink ends.
        for (int part : rowParts_) {
            const QString name = part >= 0 && part < int(in.PartNames.size()) ? in.PartNames[part] : QString();
            const QRectF ink = TextInk(st.Fonts.Samples[3], name);
            if (!ink.isNull()) namesRight_ = std::max(namesRight_, 1 + ink.right());
        }
        if (rows_ >= 3) {
            bracketLeft_ = -st.W * 0.5 + std::min({TextInk(notation_, QStringLiteral("v")).left(),
                                                   TextInk(notation_, QStringLiteral("u")).left(),
                                                   TextInk(notation_, QStringLiteral("w")).left()});
        } else if (rows_ == 2) {
            bracketLeft_ = TextInk(notation_, QStringLiteral("|")).left();
        }
    }

    bool operator()(int32_t start, int32_t end, int system, bool last, const PageGeometry& g) {
        if (rows_ == 0 || grid_.empty()) return true;
        const int W = in_.Style.W;
        size_t cursor = size_t(std::lower_bound(grid_.begin(), grid_.end(), start) - grid_.begin());
        beats_.clear();
        barStart_.clear();
        const int x0 = g.LeftMargin + bracketWidth_ + (system == 0 ? in_.PartNameWidth : 0);
        const int endX = LayOutLineCells(song_, grid_, cursor, start, end, rows_, x0, W, in_.BarGlyphWidth, last,
                                         cells_, beats_, barStart_);
        const double natural = endX - g.LeftMargin;
        // The last system keeps its natural width, so it must fit as it is.
        if (last && natural > g.PrintableWidth) return false;
        const double stretch = last || natural <= 0 ? 1.0 : g.PrintableWidth / natural;
        const auto place = [&](int x) { return roundi((x - g.LeftMargin) * stretch + g.LeftMargin); };
        for (int& x : cells_.X) x = place(x);
        const auto cellX = [&](int32_t tick, bool exact) {
            const int c = exact ? CellAt(cells_, tick) : CellAtOrBefore(cells_, tick);
            return c >= 0 ? cells_.X[c] : -1;
        };

        double firstLeft = 1e9;
        for (int w = 0; w < rows_; ++w) {
            const RowGlyphs& row = *glyphs_[w];
            spans_.clear();
            for (auto it = firstAt(row.Cells, start); it != row.Cells.end() && it->Tick < end; ++it) {
                const int x = cellX(it->Tick, true);
                if (x >= 0) spans_.push_back({x + (it->Tick == start ? it->LeftAtLineStart : it->Left), x + it->Right});
            }
            if (!apart(spans_)) return false;
            for (const auto& s : spans_) firstLeft = std::min(firstLeft, s.first);
            for (const std::vector<Ink>& verse : row.Syllables) {
                spans_.clear();
                for (auto it = firstAt(verse, start); it != verse.end() && it->Tick < end; ++it) {
                    const int x = cellX(it->Tick, false);
                    if (x >= 0) spans_.push_back({x + it->Left, x + it->Right});
                }
                if (!apart(spans_)) return false;
            }
        }
        // The part names before the score's first system end clear of the bracket and the notes.
        if (system == 0 && namesRight_ > 0) {
            if (!beats_.empty() && rows_ >= 2) firstLeft = std::min(firstLeft, place(beats_.front().X) + bracketLeft_);
            if (g.LeftMargin + namesRight_ + kWhite > firstLeft) return false;
        }
        return true;
    }

private:
    static constexpr double kWhite = 1.0;  // the least white between two glyphs, in pixels

    static std::vector<Ink>::const_iterator firstAt(const std::vector<Ink>& v, int32_t tick) {
        return std::lower_bound(v.begin(), v.end(), tick, [](const Ink& a, int32_t t) { return a.Tick < t; });
    }

    // Whether the horizontal spans keep at least a white pixel between neighbours.
    static bool apart(std::vector<std::pair<double, double>>& spans) {
        std::sort(spans.begin(), spans.end());
        for (size_t i = 1; i < spans.size(); ++i)
            if (spans[i].first - spans[i - 1].second < kWhite) return false;
        return true;
    }

    std::shared_ptr<const RowGlyphs> cachedRowGlyphs(int part) {
        struct Kept {
            RowSource Source;
            std::shared_ptr<const RowGlyphs> Glyphs;
        };
        thread_local std::array<std::optional<Kept>, doc::kMaxParts + 1> kept;
        if (part < 1 || part > doc::kMaxParts) return std::make_shared<const RowGlyphs>(rowGlyphs(part));
        const std::array<FontSpec, 2> fonts{digitFont_, in_.Style.Fonts.Samples[1]};
        std::optional<Kept>& k = kept[size_t(part)];
        if (k && k->Source.Matches(song_, part, fonts, in_.Style.W, in_.Verses)) return k->Glyphs;
        k = Kept{RowSource::Of(song_, part, fonts, in_.Style.W, in_.Verses), std::make_shared<const RowGlyphs>(rowGlyphs(part))};
        return k->Glyphs;
    }

    // Every cell the row prints (notes and the rests between them) and every syllable, with the
    // ink each takes beside its cell's x.
    RowGlyphs rowGlyphs(int part) {
        RowGlyphs out;
        out.Syllables.resize(std::max(1, in_.Verses));
        if (part < 1 || part > doc::kMaxParts) return out;
        struct Event {
            int32_t Start, Length;
            int Pitch;
            const QString* Lyric;  // none for a rest
        };
        std::vector<Event> events;
        std::vector<std::pair<int32_t, int32_t>> spans;
        const int count = std::clamp<int>(song_.Parts[part].NoteCount, 0, doc::kRowsPerPart);
        events.reserve(size_t(count) + 1);
        spans.reserve(size_t(count));
        for (int i = 0; i < count; ++i) {
            const doc::NoteRecord& n = song_.Notes[part][i];
            if (n.Pitch <= 18) continue;
            events.push_back({n.Start, n.Length, n.Pitch, &n.Lyric});
            spans.push_back({n.Start, n.Start + n.Length});
        }
        if (!std::is_sorted(spans.begin(), spans.end())) std::sort(spans.begin(), spans.end());
        const size_t notes = events.size();
        const auto rest = [&](int32_t a, int32_t b) { events.push_back({a, b - a, 19, nullptr}); };
        for (size_t k = 1; k < spans.size(); ++k)
            if (spans[k - 1].second < spans[k].first) rest(spans[k - 1].second, spans[k].first);
        if (spans.empty()) {
            rest(0, song_.SongLength);
        } else {
            if (spans.back().second < song_.SongLength) rest(spans.back().second, song_.SongLength);
            if (spans.front().first > 0) rest(0, spans.front().first);
        }
        // Notes come in start order almost always, and so do the rests between them: two sorted runs
        // merge into what a stable sort of the whole gives.
        const auto byStart = [](const Event& a, const Event& b) { return a.Start < b.Start; };
        const auto mid = events.begin() + ptrdiff_t(notes);
        if (std::is_sorted(events.begin(), mid, byStart) && std::is_sorted(mid, events.end(), byStart))
            std::inplace_merge(events.begin(), mid, events.end(), byStart);
        else
            std::stable_sort(events.begin(), events.end(), byStart);

        const MarkStyle& st = in_.Style;
        const QRectF dot = TextInk(notation_, QStringLiteral("m"));
        QString barState = FreshBarAccidentals();
        int16_t bar = -1;
        for (const Event& e : events) {
            int16_t offset = 0;
            const int16_t at = doc::GetBarPosition(song_, e.Start, offset);
            if (at != bar) barState = FreshBarAccidentals(), bar = at;
            const PitchInk& pitch = pitchInk(e.Pitch);
            const QRectF& ink = pitch.Digit;
            int16_t octave = 0;
            QString accidental;  // the accidental written at the note's first cell, if any
            PitchToDigitInBar(e.Pitch, octave, accidental, barState);
            const QChar written = accidental.isEmpty() ? QChar() : accidental[0];
            const QRectF& sign = !written.isNull() ? signInk(written) : pitch.OwnSign;
            const double signLeft = sign.isNull() ? ink.left() : -st.W / 4.0 + sign.left();
            bool first = true;
            ForEachNoteCell(song_, e.Start, e.Length, [&](int32_t tick, int level, bool dotted) {
                double left = ink.left(), right = ink.right();
                if (first && !written.isNull()) left = std::min(left, signLeft);
                const double carried = first || pitch.Own.isNull() ? left : std::min(left, signLeft);
                if (dotted) {
                    double x = pitch.Advance;
                    if (level == 4) x += advanceA_;
                    if (level == 3) x += advanceB_;
                    right = std::max(right, x + dot.right());
                }
                out.Cells.push_back({tick, left, right, carried});
                first = false;
            });
            if (!e.Lyric || e.Lyric->isEmpty() || *e.Lyric == QStringLiteral("-")) continue;
            const LyricInk& lyric = lyricInk(*e.Lyric);
            for (int v = 0; v < int(out.Syllables.size()) && v < int(lyric.size()); ++v)
                if (!lyric[v].isNull()) out.Syllables[v].push_back({e.Start, lyric[v].left(), lyric[v].right(), lyric[v].left()});
        }
        mergeTicks(out.Cells);
        for (std::vector<Ink>& verse : out.Syllables) mergeTicks(verse);
        return out;
    }

    // The digit a pitch prints, measured once per pitch: its ink with the underline's, its advance,
    // its own accidental and where that accidental is kept in a bar.
    struct PitchInk {
        bool Measured = false;
        QRectF Digit;
        double Advance = 0;
        QChar Own;      // the pitch's own accidental ("t" sharp, "r" flat), null for none
        QRectF OwnSign;
    };

    const PitchInk& pitchInk(int pitch) {
        PitchInk& p = pitches_[size_t(std::clamp(pitch, 0, 255))];
        if (p.Measured) return p;
        int16_t octave = 0;
        QString accidental;
        const QString digit = doc::PitchToDigit(pitch, octave, accidental);
        p.Measured = true;
        p.Digit = TextInk(digitFont_, digit).united(dash_);
        p.Advance = digitMetrics_.horizontalAdvance(digit);
        if (!accidental.isEmpty()) p.Own = accidental[0];
        p.OwnSign = TextInk(notation_, accidental);
        return p;
    }

    const QRectF& signInk(QChar sign) {
        auto it = signs_.find(sign);
        if (it == signs_.end()) it = signs_.insert(sign, TextInk(notation_, QString(sign)));
        return *it;
    }

    // The ink of each verse's syllable of a lyric, null where a verse has none; measured once per
    // lyric text.
    using LyricInk = std::vector<QRectF>;
    const LyricInk& lyricInk(const QString& lyric) {
        auto it = lyrics_.find(lyric);
        if (it != lyrics_.end()) return *it;
        LyricInk inks;
        for (int v = 0; v < std::max(1, in_.Verses); ++v) {
            const QString verse = doc::GetVerseText(lyric, v);
            inks.push_back(verse.isEmpty() || verse == QStringLiteral("-") ? QRectF()
                                                                           : TextInk(in_.Style.Fonts.Samples[1], verse));
        }
        return *lyrics_.insert(lyric, std::move(inks));
    }

    const TypesetInput in_;
    const doc::Song& song_;
    FontSpec notation_, digitFont_;
    QFontMetrics digitMetrics_{QFont()};
    double advanceA_ = 0, advanceB_ = 0;  // the notation font's underline pieces before a dot
    QRectF dash_;                          // the ink of an underline digit's dash
    std::vector<PitchInk> pitches_ = std::vector<PitchInk>(256);
    QHash<QChar, QRectF> signs_;
    QHash<QString, LyricInk> lyrics_;
    std::vector<int> rowParts_;
    int rows_ = 0;
    std::vector<int32_t> grid_;
    int bracketWidth_ = 0;
    std::vector<std::shared_ptr<const RowGlyphs>> glyphs_;
    double namesRight_ = 0, bracketLeft_ = 0;
    // Scratch of one check.
    LineCells cells_;
    std::vector<BeatBox> beats_;
    std::vector<uint8_t> barStart_;
    std::vector<std::pair<double, double>> spans_;
};

}  // namespace

LineFitCheck GlyphFitOf(const TypesetInput& in) {
    if (!in.Song) return {};
    auto fit = std::make_shared<GlyphFit>(in);
    return [fit](int32_t start, int32_t end, int system, bool last, const PageGeometry& g) {
        return (*fit)(start, end, system, last, g);
    };
}

}  // namespace typeset
