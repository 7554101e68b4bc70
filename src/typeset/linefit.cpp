#include "typeset/linefit.h"

#include <QFontMetrics>
#include <QHash>
#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <optional>

#include "document/lyrics.h"
#include "document/pitchdigits.h"
#include "document/timeline.h"
#include "platform/surface.h"
#include "typeset/fonts.h"
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
    double Under = 0;            // where the underlines of a short note end (Right for none)
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
            m.Under = std::max(m.Under, v[i].Under);
        } else {
            v[n++] = v[i];
        }
    }
    v.resize(n);
}

struct RowGlyphs {
    std::vector<Ink> Cells;                   // digits with accidentals, dots and chord braces, in tick order
    std::vector<std::vector<Ink>> Syllables;  // per verse, in tick order
    std::vector<int32_t> Closes;              // the ticks of the chords' "}", in order
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

}  // namespace

class GlyphFit {
public:
    explicit GlyphFit(const TypesetInput& in) : in_(in), song_(*in.Song) {
        const MarkStyle& st = in.Style;
        notation_ = NotationFontOf(st.Fonts);
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
        const QRectF open = TextInk(notation_, QStringLiteral("{")), close = TextInk(notation_, QStringLiteral("}"));
        openLeft_ = open.left(), openRight_ = open.right(), closeLeft_ = close.left(), closeRight_ = close.right();
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
        // The bracket's glyphs (the joining column of two rows) and where they stand beside the
        // line's start; the bar line's ink and the score's closing mark.
        const QRectF bar = TextInk(notation_, QStringLiteral("|"));
        barLeft_ = bar.left(), barRight_ = bar.right();
        offGridWhite_ = std::max(kWhite, st.W / 2.0);
        const QRectF end = TextInk(notation_, QStringLiteral("x"));
        endLeft_ = end.left(), endRight_ = end.right();
        if (rows_ >= 3) {
            QRectF hook;
            for (const char* g : {"u", "v", "w", "z"}) hook |= TextInk(notation_, QString::fromLatin1(g));
            bracketLeft_ = hook.left(), bracketRight_ = hook.right();
            bracketAtStart_ = -st.W * 0.5, bracketAt_ = st.W * 0.27;
        } else if (rows_ == 2) {
            bracketLeft_ = barLeft_, bracketRight_ = barRight_;
            bracketAtStart_ = 0, bracketAt_ = st.W * 0.195;
        }
    }

    PlacedLine place(int32_t start, int32_t end, int system, bool last, const PageGeometry& g) {
        PlacedLine out;
        if (rows_ == 0 || grid_.empty()) return out;
        const int W = in_.Style.W;
        size_t cursor = size_t(std::lower_bound(grid_.begin(), grid_.end(), start) - grid_.begin());
        const int x0 = g.LeftMargin + bracketWidth_ + (system == 0 ? in_.PartNameWidth : 0);
        const int naturalEnd = LayOutLineCells(song_, grid_, cursor, start, end, rows_, x0, W, in_.BarGlyphWidth, last,
                                               natural_, out.Beats, out.BarStart);
        lineInks(start, end);
        line_ = {&g, system, last, end, naturalEnd, &out.Beats, &out.BarStart};

        // The last system keeps its natural width where its glyphs keep apart, and widens (up to
        // the printable width, short of the closing bar) until they do.
        const double width = std::max(1, naturalEnd - g.LeftMargin);
        const double full = last ? (closingX(g) + barLeft_ - kRoomWhite - endRight_ - g.LeftMargin) / width
                                 : g.PrintableWidth / width;
        double s = full;
        bool clear = false;
        if (last) {
            const double least = std::min(1.0, full);
            const auto clearAt = [&](double k) { return sweep(k), sweep_.Fits && !sweep_.Crowded; };
            if (clearAt(least)) {
                s = least, clear = true;
            } else if (clearAt(full)) {
                double lo = least, hi = full;
                for (int i = 0; i < kSteps; ++i) {
                    const double mid = (lo + hi) / 2;
                    (clearAt(mid) ? hi : lo) = mid;
                }
                s = hi, clear = true;
            }
        }
        bool overfull = false;
        if (!clear) {
            // The widest stretch at which the moved glyphs still end inside the system.
            const auto fitsAt = [&](double k) { return sweep(k), sweep_.Fits; };
            if (!fitsAt(s)) {
                double lo = 0, hi = s;
                overfull = !fitsAt(0);
                if (!overfull)
                    for (int i = 0; i < kSteps; ++i) {
                        const double mid = (lo + hi) / 2;
                        (fitsAt(mid) ? lo : hi) = mid;
                    }
                s = overfull ? full : lo;
            }
        }
        sweep(s);
        out.Stretch = s;
        out.Fit = overfull ? LineFit::Overfull
                  : !sweep_.Crowded ? LineFit::Clear
                  : s >= 1 ? LineFit::Spaced
                           : LineFit::Squeezed;
        // Glyphs that no stretch keeps apart inside the system stay at their own places there.
        if (overfull) {
            std::fill(sweep_.CellShift.begin(), sweep_.CellShift.end(), 0);
            std::fill(sweep_.BeatShift.begin(), sweep_.BeatShift.end(), 0);
            sweep_.EndX = roundi((naturalEnd - g.LeftMargin) * s + g.LeftMargin);
        }
        const auto at = [&](int x) { return roundi((x - g.LeftMargin) * s + g.LeftMargin); };
        out.Cells.Ticks = natural_.Ticks;
        out.Cells.X.resize(natural_.X.size());
        for (size_t i = 0; i < natural_.X.size(); ++i) out.Cells.X[i] = at(natural_.X[i]) + sweep_.CellShift[i];
        out.EndX = sweep_.EndX;
        out.Cells.Ticks.push_back(end);
        out.Cells.X.push_back(out.EndX);
        std::vector<BeatBox>& beats = out.Beats;
        for (size_t v = 0; v < beats.size(); ++v) {
            const int shift = sweep_.BeatShift[v];
            if (v + 1 < beats.size()) beats[v].Width = roundi((beats[v + 1].X - beats[v].X) * s) + sweep_.BeatShift[v + 1] - shift;
            beats[v].X = at(beats[v].X) + shift;
        }
        if (!beats.empty()) beats.back().Width = g.LeftMargin + g.PrintableWidth - beats.back().X;
        return out;
    }

private:
    static constexpr double kWhite = 1.0;      // the least white between the glyphs of two notes
    static constexpr double kRoomWhite = 2.0;  // ... and between a glyph and a bar line or the bracket
    static constexpr int kSteps = 16;          // halvings in the search for a stretch
    // Notes played in and not quantised stand on ticks where no 32nd, 32nd triplet or longer
    // value starts: their glyphs keep half a cell from their neighbours' (offGridWhite_), so that
    // notes a tick or two apart still read as separate notes ("2 0 1 0", not "2010"). Songs on the
    // grid keep their places.
    static bool OffTheGrid(int32_t tick) { return tick % 6 != 0 && tick % 4 != 0; }
    double offGridWhite_ = kWhite;

    int closingX(const PageGeometry& g) const { return g.LeftMargin + g.PrintableWidth - in_.BarGlyphWidth - 1; }

    static std::vector<Ink>::const_iterator firstAt(const std::vector<Ink>& v, int32_t tick) {
        return std::lower_bound(v.begin(), v.end(), tick, [](const Ink& a, int32_t t) { return a.Tick < t; });
    }

    // The inks of the line's glyphs, by cell: lane 0 of a row holds its digits, lane v + 1 its
    // syllables of verse v.
    struct CellInk {
        int Cell, Lane;
        double Left, Right;
    };
    void lineInks(int32_t start, int32_t end) {
        inks_.clear();
        const int lanes = lanesPerRow();
        const auto cellOf = [&](int32_t tick, bool exact) { return exact ? CellAt(natural_, tick) : CellAtOrBefore(natural_, tick); };
        for (int w = 0; w < rows_; ++w) {
            const RowGlyphs& row = *glyphs_[w];
            for (auto it = firstAt(row.Cells, start); it != row.Cells.end() && it->Tick < end; ++it) {
                const int c = cellOf(it->Tick, true);
                if (c >= 0) inks_.push_back({c, w * lanes, it->Tick == start ? it->LeftAtLineStart : it->Left, it->Right});
            }
            for (int v = 0; v < int(row.Syllables.size()); ++v)
                for (auto it = firstAt(row.Syllables[v], start); it != row.Syllables[v].end() && it->Tick < end; ++it) {
                    const int c = cellOf(it->Tick, false);
                    if (c >= 0) inks_.push_back({c, w * lanes + v + 1, it->Left, it->Right});
                }
        }
        std::stable_sort(inks_.begin(), inks_.end(), [](const CellInk& a, const CellInk& b) { return a.Cell < b.Cell; });
    }
    int lanesPerRow() const { return 1 + std::max(1, in_.Verses); }

    // The line's glyphs at stretch s, each moved right as far as the one before it needs.
    struct Sweep {
        std::vector<int> CellShift, BeatShift;
        int EndX = 0;
        bool Crowded = false;  // the glyphs of two notes had to move apart
        bool Fits = true;      // everything ends inside the system
    };
    struct Line {
        const PageGeometry* G = nullptr;
        int System = 0;
        bool Last = false;
        int32_t End = 0;  // the tick the line ends at
        int NaturalEnd = 0;
        const std::vector<BeatBox>* Beats = nullptr;
        const std::vector<uint8_t>* BarStart = nullptr;
    };
    void sweep(double s) {
        const PageGeometry& g = *line_.G;
        const std::vector<BeatBox>& beats = *line_.Beats;
        const auto at = [&](int x) { return roundi((x - g.LeftMargin) * s + g.LeftMargin); };
        const int lanes = lanesPerRow();
        lanes_.assign(size_t(rows_ * lanes), Lane{double(g.LeftMargin), 0.0, false});
        Sweep& r = sweep_;
        r.CellShift.assign(natural_.X.size(), 0);
        r.BeatShift.assign(beats.size(), 0);
        r.Crowded = false, r.Fits = true;
        int shift = 0;
        const auto moveBy = [&](double need) {
            if (need > 0) shift += int(std::ceil(need - 1e-9));
        };
        const auto digits = [&](int w) -> Lane& { return lanes_[size_t(w * lanes)]; };
        // The bar line or bracket at x on every row.
        const auto barAt = [&](double left, double right) {
            double need = 0;
            for (int w = 0; w < rows_; ++w) need = std::max(need, digits(w).Right + std::max(digits(w).White, kRoomWhite) - left);
            const int before = shift;
            moveBy(need);
            for (int w = 0; w < rows_; ++w) digits(w) = {right + shift - before, kRoomWhite, false};
        };
        // The line's start: the part names of the score's first system, then the bracket.
        const bool names = line_.System == 0 && namesRight_ > 0;
        if (names)
            for (int w = 0; w < rows_; ++w) digits(w) = {g.LeftMargin + namesRight_, kWhite, false};
        if (rows_ >= 2 && !beats.empty()) {
            const double x = line_.System == 0 ? at(beats.front().X) + bracketAtStart_ : g.LeftMargin + bracketAt_;
            if (line_.System == 0) {
                barAt(x + bracketLeft_, x + bracketRight_);
            } else {
                for (int w = 0; w < rows_; ++w) digits(w) = {x + bracketRight_, kRoomWhite, false};
            }
        }
        size_t beat = 0;
        size_t ink = 0;
        for (size_t c = 0; c < natural_.X.size(); ++c) {
            int bar = -1;            // the beat whose bar line opens this cell
            double beforeBar = -1e9;  // where the ink before that bar line ends
            for (; beat < beats.size() && beats[beat].Tick <= natural_.Ticks[c]; ++beat) {
                if (beat > 0 && (*line_.BarStart)[beat]) {
                    for (int w = 0; w < rows_; ++w) beforeBar = std::max(beforeBar, digits(w).Right);
                    const double x = at(beats[beat].X) + shift;
                    barAt(x + barLeft_, x + barRight_);
                    bar = int(beat);
                }
                r.BeatShift[beat] = shift;
            }
            const int x = at(natural_.X[c]);
            const double white = OffTheGrid(natural_.Ticks[c]) ? offGridWhite_ : kWhite;
            double room = 0, crowd = 0;
            size_t first = ink;
            for (; ink < inks_.size() && inks_[ink].Cell == int(c); ++ink) {
                const Lane& l = lanes_[size_t(inks_[ink].Lane)];
                const double need = l.Right + (l.Glyph ? std::max(l.White, white) : l.White) - (x + shift + inks_[ink].Left);
                (l.Glyph ? crowd : room) = std::max(l.Glyph ? crowd : room, need);
            }
            if (crowd > 0) r.Crowded = true;
            moveBy(std::max(room, crowd));
            double after = 1e9;  // where the cell's first ink starts
            for (size_t i = first; i < ink; ++i) {
                Lane& l = lanes_[size_t(inks_[i].Lane)];
                l = {std::max(l.Right, x + shift + inks_[i].Right), white, true};
                if (inks_[i].Lane % lanes == 0) after = std::min(after, x + shift + inks_[i].Left);
            }
            // A bar line that had to make room for the cell's accidental moves to the middle of
            // the white between the notes on either side of it.
            if (bar >= 0 && room > 0 && after < 1e9 && beforeBar > -1e9) {
                const int natural = at(beats[size_t(bar)].X);
                const int middle = roundi((beforeBar + after - barLeft_ - barRight_) / 2);
                if (middle < natural + r.BeatShift[size_t(bar)]) r.BeatShift[size_t(bar)] = middle - natural;
            }
            r.CellShift[c] = shift;
        }
        for (; beat < beats.size(); ++beat) r.BeatShift[beat] = shift;
        r.EndX = at(line_.NaturalEnd) + shift;
        // A "}" on the next line's first tick stands at this line's end: the end moves right as
        // far as keeps it clear of the row's last glyphs.
        for (int w = 0; w < rows_; ++w) {
            const std::vector<int32_t>& closes = glyphs_[size_t(w)]->Closes;
            if (!std::binary_search(closes.begin(), closes.end(), line_.End)) continue;
            const double at = vb::Round(-in_.Style.W * (doc::IsOnBarline(song_, line_.End) ? 1.6 : 1 / 3.0)) + closeLeft_;
            r.EndX += std::max(0, int(std::ceil(digits(w).Right + std::max(digits(w).White, kWhite) - (r.EndX + at) - 1e-9)));
        }
        const double rightEdge = g.LeftMargin + g.PrintableWidth;
        // The closing bar of every system stands at its right edge; the score's closing mark
        // stands at the last system's end, moved right of its last glyphs.
        double digitsRight = 0;
        for (int w = 0; w < rows_; ++w) digitsRight = std::max(digitsRight, digits(w).Right + std::max(digits(w).White, kRoomWhite));
        double closingLeft = closingX(g) + barLeft_;
        if (line_.Last) {
            r.EndX += std::max(0, int(std::ceil(digitsRight - (r.EndX + endLeft_) - 1e-9)));
            digitsRight = r.EndX + endRight_ + kRoomWhite;
        } else if (r.EndX > rightEdge) {
            r.Fits = false;
        }
        if (digitsRight > closingLeft) r.Fits = false;
        for (size_t l = 0; l < lanes_.size(); ++l)
            if (l % size_t(lanes) != 0 && lanes_[l].Right > rightEdge) r.Fits = false;
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
        const std::vector<RowNote> events = RowNotesOf(song_, part);
        const MarkStyle& st = in_.Style;
        const QRectF dot = TextInk(notation_, QStringLiteral("m"));
        const QRectF underline = TextInk(notation_, QStringLiteral("_"));
        QString barState = FreshBarAccidentals();
        int16_t bar = -1;
        for (const RowNote& e : events) {
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
                out.Cells.push_back({tick, left, right, carried, level < 4 ? std::max(right, underline.right()) : right});
                first = false;
            });
            if (!e.Lyric || e.Lyric->isEmpty() || *e.Lyric == QStringLiteral("-")) continue;
            const LyricInk& lyric = lyricInk(*e.Lyric);
            const int32_t start = PrintedStart(e.Start, e.Length);  // the syllables stand at the cell the note is printed from
            for (int v = 0; v < int(out.Syllables.size()) && v < int(lyric.size()); ++v)
                if (!lyric[v].isNull()) out.Syllables[v].push_back({start, lyric[v].left(), lyric[v].right(), lyric[v].left()});
        }
        mergeTicks(out.Cells);
        for (std::vector<Ink>& verse : out.Syllables) mergeTicks(verse);
        chordBraces(part, out);
        return out;
    }

    // A chord's "{" or "}" stands W / 3 before its cell, or further left, a white column from the
    // ink of the notes there (their underlines too): it widens the cell's ink to the left, and the
    // ink of the cell before it to the end of that one's underlines. A "}" on a bar line stands
    // before the bar line, one on a line's first tick at the end of the line before (Closes).
    void chordBraces(int part, RowGlyphs& out) const {
        const double underline = TextInk(notation_, QStringLiteral("_")).left();
        const int count = std::clamp<int>(song_.Parts[part].NoteCount, 0, doc::kRowsPerPart);
        for (int i = 0; i < count; ++i) {
            const doc::NoteRecord& n = song_.Notes[part][i];
            const bool opening = n.Pitch == 5 && n.Lyric.startsWith(QLatin1Char('{'));
            const bool closing = n.Pitch == 5 && n.Lyric.startsWith(QLatin1Char('}'));
            if (!opening && !closing) continue;
            if (closing) out.Closes.push_back(n.Start);
            if (closing && doc::IsOnBarline(song_, n.Start)) continue;
            int32_t tick = n.Start;
            RoundOddUpUnlessTuplet(tick);
            const auto it = std::lower_bound(out.Cells.begin(), out.Cells.end(), tick,
                                             [](const Ink& a, int32_t t) { return a.Tick < t; });
            if (it == out.Cells.end() || it->Tick != tick) continue;
            const double ink = closing ? std::min(it->Left, underline) : it->Left;
            const double right = closing ? closeRight_ : openRight_;
            const double left = std::min(vb::Round(-in_.Style.W / 3.0), std::floor(ink - 1 - right)) +
                                (closing ? closeLeft_ : openLeft_);
            it->Left = std::min(it->Left, left);
            if (opening) it->LeftAtLineStart = std::min(it->LeftAtLineStart, left);
            // The brace reaches down beside the underlines of the note before it.
            if (it != out.Cells.begin()) std::prev(it)->Right = std::prev(it)->Under;
        }
        std::sort(out.Closes.begin(), out.Closes.end());
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
    double namesRight_ = 0;
    // Inks beside the x each glyph is printed at, and where the bracket stands: beside the first
    // beat of the score, or beside the left margin.
    double barLeft_ = 0, barRight_ = 0, endLeft_ = 0, endRight_ = 0;
    double openLeft_ = 0, openRight_ = 0, closeLeft_ = 0, closeRight_ = 0;  // the chord braces
    double bracketLeft_ = 0, bracketRight_ = 0, bracketAtStart_ = 0, bracketAt_ = 0;
    // Scratch of one line.
    LineCells natural_;
    std::vector<CellInk> inks_;
    Line line_;
    Sweep sweep_;
    // Per lane: where its last ink ends, the white it asks after it, and whether that was a glyph
    // (else the bracket, a bar line or the margin).
    struct Lane {
        double Right, White;
        bool Glyph;
    };
    std::vector<Lane> lanes_;
};

LinePlacer::LinePlacer(const TypesetInput& in) : fit_(in.Song ? std::make_shared<GlyphFit>(in) : nullptr) {}

PlacedLine LinePlacer::Place(int32_t start, int32_t end, int system, bool last, const PageGeometry& g) const {
    return fit_ ? fit_->place(start, end, system, last, g) : PlacedLine{};
}

LineFitCheck GlyphFitOf(const TypesetInput& in) {
    if (!in.Song) return {};
    const LinePlacer placer(in);
    return [placer](int32_t start, int32_t end, int system, bool last, const PageGeometry& g) {
        return placer.Place(start, end, system, last, g).Fit;
    };
}

}  // namespace typeset
