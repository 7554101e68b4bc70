#include "typeset/typesetter.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <optional>
#include <tuple>

#include "document/songcodes.h"
#include "document/timeline.h"
#include "platform/vbtext.h"
#include "typeset/fonts.h"
#include "typeset/linefit.h"
#include "typeset/measures.h"
#include "typeset/notecells.h"
#include "typeset/systemplan.h"

namespace typeset {

namespace {

int roundi(double x) { return int(vb::Round(x)); }

bool itemLess(const EventItem& a, const EventItem& b) {
    return std::tie(a.Start, a.Code, a.End, a.Tag, a.Text) < std::tie(b.Start, b.Code, b.End, b.Tag, b.Text);
}

int16_t clampLength(int32_t v) {
    return int16_t(std::clamp<int32_t>(v, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
}

// Rests for start..end, one per line the span touches (a rest printed from a line's start belongs
// to that line alone).
void addRest(std::vector<EventItem>& items, int32_t start, int32_t end, const LineTable& lines) {
    const int32_t last = std::min<int32_t>(lines.LastSystem, int32_t(lines.Starts.size()) - 1);
    const int32_t printed = PrintedStart(start, end - start);
    int32_t s = start;
    for (int32_t j = 1; j <= last; ++j) {
        const int32_t cut = lines.Starts[j];
        if (cut <= s) continue;
        if (cut == printed) {
            s = cut;
            continue;
        }
        if (cut >= end) break;
        items.push_back({s, 19, cut, kRestTag, {}});
        s = cut;
    }
    items.push_back({s, 19, end, kRestTag, {}});
}

}  // namespace

QString ScoreRowPartsOf(const doc::Song& song) {
    std::vector<std::pair<int, int>> order;
    for (int p = 1; p <= song.PartCount && p <= doc::kMaxParts; ++p)
        if (song.Parts[p].ShowInScore == 1) order.push_back({song.Parts[p].StripTop, p});
    std::sort(order.begin(), order.end());
    QString rows;
    for (const auto& [top, p] : order) rows += QString::number(p);
    return rows;
}

std::vector<EventItem> PartEventItems(const doc::Song& song, int part, const LineTable& lines) {
    std::vector<EventItem> items;
    if (part < 1 || part > doc::kMaxParts) return items;
    std::vector<std::pair<int32_t, int32_t>> spans;
    // The line starts that cut, in order and once each (a line table in order is taken as it is).
    const int32_t lastStart = std::min<int32_t>(lines.LastSystem + 1, int32_t(lines.Starts.size()) - 1);
    std::vector<int32_t> starts;
    if (lastStart >= 1) starts.assign(lines.Starts.begin() + 1, lines.Starts.begin() + lastStart + 1);
    if (!std::is_sorted(starts.begin(), starts.end())) std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    const int count = std::clamp<int>(song.Parts[part].NoteCount, 0, doc::kRowsPerPart);
    for (int i = 0; i < count; ++i) {
        const doc::NoteRecord& n = song.Notes[part][i];
        if (n.Pitch < 2) continue;  // comments and sentence markers are not typeset
        const int32_t end = n.Start + n.Length;
        if (n.Pitch > 18) spans.push_back({n.Start, end});
        // A note printed from the next line's start (an odd tick before it, rounded up) is that line's.
        const int32_t printed = n.Pitch > 18 ? PrintedStart(n.Start, n.Length) : n.Start;
        const bool moved = printed > n.Start && printed < song.SongLength &&
                           std::binary_search(starts.begin(), starts.end(), printed);
        items.push_back({moved ? printed : n.Start, n.Pitch, end, i, n.Lyric});
    }
    // Rests: the gaps between neighbouring spans in start order, before the first and after the last.
    std::sort(spans.begin(), spans.end());
    for (size_t k = 1; k < spans.size(); ++k)
        if (spans[k - 1].second < spans[k].first) addRest(items, spans[k - 1].second, spans[k].first, lines);
    if (spans.empty()) {
        addRest(items, 0, song.SongLength, lines);
    } else {
        if (spans.back().second < song.SongLength) addRest(items, spans.back().second, song.SongLength, lines);
        if (spans.front().first > 0) addRest(items, 0, spans.front().first, lines);
    }
    // Pieces: an event crossing line starts (the song end included) is cut at every one of them.
    // Each piece but the last runs 48 ticks into the next line, onto its off-page closing cell.
    std::vector<EventItem> pieces;
    std::vector<int32_t> cuts;
    size_t kept = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        EventItem& item = items[i];
        cuts.clear();
        if (item.Tag < kFirstPieceTag)
            for (auto k = std::upper_bound(starts.begin(), starts.end(), item.Start); k != starts.end() && *k < item.End; ++k)
                cuts.push_back(*k);
        if (cuts.empty()) {
            if (kept != i) items[kept] = std::move(item);
            ++kept;
            continue;
        }
        pieces.push_back({item.Start, item.Code, cuts[0] + 48, kFirstPieceTag, item.Text});
        for (size_t j = 0; j < cuts.size(); ++j) {
            const int32_t end = j + 1 < cuts.size() ? cuts[j + 1] + 48 : item.End;
            pieces.push_back({cuts[j], item.Code, end, kContinuationTag, item.Text});
        }
    }
    items.resize(kept);
    items.insert(items.end(), std::make_move_iterator(pieces.begin()), std::make_move_iterator(pieces.end()));
    // The notes come in start order almost always, and so do the rests and the pieces after them:
    // a few sorted runs merge into what a sort of the whole gives (equal items are alike in all).
    std::vector<size_t> runs{0};
    for (size_t i = 1; i < items.size() && runs.size() <= 8; ++i)
        if (itemLess(items[i], items[i - 1])) runs.push_back(i);
    if (runs.size() > 8) {
        std::sort(items.begin(), items.end(), itemLess);
    } else {
        for (size_t r = 1; r < runs.size(); ++r)
            std::inplace_merge(items.begin(), items.begin() + ptrdiff_t(runs[r]),
                               r + 1 < runs.size() ? items.begin() + ptrdiff_t(runs[r + 1]) : items.end(), itemLess);
    }
    return items;
}

std::vector<doc::NoteRecord> RowEventsOf(const doc::Song& song, int part, const std::vector<EventItem>& items,
                                         bool continueVT) {
    std::vector<doc::NoteRecord> row;
    row.reserve(items.size() + 2);
    for (const EventItem& it : items) {
        doc::NoteRecord n;
        if (it.Tag >= kFirstPieceTag || it.Tag < 0 || part < 1 || part > doc::kMaxParts ||
            it.Tag >= doc::kRowsPerPart) {
            n.Start = it.Start;
            n.Length = clampLength(it.End - it.Start);
            n.Pitch = uint8_t(std::clamp(it.Code, 0, 255));
            if (it.Tag == kRestTag) {
                n.Pitch = 19;
            } else if (it.Tag == kContinuationTag) {
                const QChar first = it.Text.isEmpty() ? QChar() : it.Text[0];
                const bool vt = first == 'V' || first == 'T';
                const bool keeps = first == '<' || first == '>' || vt;
                n.Lyric = vt && !continueVT ? QString() : keeps ? it.Text + QStringLiteral("--") : QStringLiteral("--");
            } else {
                n.Lyric = it.Text;
            }
        } else {
            n = song.Notes[part][it.Tag];
            if (it.Start != n.Start)  // moved to the line start it is printed from
                n.Length = clampLength(n.Start + n.Length - it.Start), n.Start = it.Start;
        }
        row.push_back(n);
    }
    doc::NoteRecord end;
    end.Start = song.SongLength, end.Length = 48;
    row.push_back(end);
    end.Start = song.SongLength + 48;
    row.push_back(end);
    return row;
}

std::vector<RowNote> RowNotesOf(const doc::Song& song, int part) {
    std::vector<RowNote> events;
    if (part < 1 || part > doc::kMaxParts) return events;
    std::vector<std::pair<int32_t, int32_t>> spans;
    const int count = std::clamp<int>(song.Parts[part].NoteCount, 0, doc::kRowsPerPart);
    events.reserve(size_t(count) + 1);
    spans.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        const doc::NoteRecord& n = song.Notes[part][i];
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
        rest(0, song.SongLength);
    } else {
        if (spans.back().second < song.SongLength) rest(spans.back().second, song.SongLength);
        if (spans.front().first > 0) rest(0, spans.front().first);
    }
    // Notes come in start order almost always, and so do the rests between them: two sorted runs
    // merge into what a stable sort of the whole gives.
    const auto byStart = [](const RowNote& a, const RowNote& b) { return a.Start < b.Start; };
    const auto mid = events.begin() + ptrdiff_t(notes);
    if (std::is_sorted(events.begin(), mid, byStart) && std::is_sorted(mid, events.end(), byStart))
        std::inplace_merge(events.begin(), mid, events.end(), byStart);
    else
        std::stable_sort(events.begin(), events.end(), byStart);
    return events;
}

std::vector<int32_t> TickGridOf(const doc::Song& song, const std::vector<int>& rowParts) {
    // The ticks lie within the song and a bar past it, or within the parts' events (rounded up
    // by two ticks at most): a bit each there keeps them in order and once; any others (before
    // the start, or past a bound on the bits kept) are sorted apart.
    int32_t reach = song.SongLength + 193;
    for (int part : rowParts) {
        if (part < 1 || part > doc::kMaxParts) continue;
        const int count = std::clamp<int>(song.Parts[part].NoteCount, 0, doc::kRowsPerPart);
        for (int i = 0; i < count; ++i) reach = std::max(reach, song.Notes[part][i].Start + song.Notes[part][i].Length + 3);
    }
    const int32_t span = std::clamp<int32_t>(reach, 1, 1 << 22);
    std::vector<uint64_t> bits(size_t(span + 63) / 64, 0);
    std::vector<int32_t> others;
    const auto add = [&](int32_t t) {
        if (t >= 0 && t < span)
            bits[size_t(t) >> 6] |= uint64_t(1) << (t & 63);
        else
            others.push_back(t);
    };
    for (int part : rowParts) {
        if (part < 1 || part > doc::kMaxParts) continue;
        const int count = std::clamp<int>(song.Parts[part].NoteCount, 0, doc::kRowsPerPart);
        for (int i = 0; i < count; ++i) {
            const doc::NoteRecord& n = song.Notes[part][i];
            if (n.Pitch < 2) continue;
            add(n.Start);
            add(n.Start + n.Length);
        }
        // Each digit and dash a note or rest prints has a cell of its own: notes that start or
        // last off the sixteenth grid print cells at ticks no event starts at.
        for (const RowNote& e : RowNotesOf(song, part)) {
            add(PrintedStart(e.Start, e.Length));
            ForEachNoteCell(song, e.Start, e.Length, [&](int32_t tick, int, bool) { add(tick); });
        }
    }
    const int last = std::clamp<int>(song.TimeSigLastIndex, 0, doc::kTimeSigCapacity - 1);
    for (int L = 0; L <= last; ++L) {
        const int32_t until = L < last ? song.TimeSigTicks[L + 1] : song.SongLength + 192;
        const int den = doc::GetTimeSigDenominator(song.TimeSigCodes[L]);
        const int32_t beat = den > 0 ? std::max(1, 192 / den) : 48;
        for (int32_t t = song.TimeSigTicks[L]; t < until; t += beat) {
            add(t);
            if (t > song.SongLength) break;
        }
    }
    add(song.SongLength);
    std::vector<int32_t> grid;
    for (size_t w = 0; w < bits.size(); ++w)
        for (uint64_t b = bits[w]; b; b &= b - 1) grid.push_back(int32_t(w * 64) + std::countr_zero(b));
    if (!others.empty()) {
        grid.insert(grid.end(), others.begin(), others.end());
        std::sort(grid.begin(), grid.end());
        grid.erase(std::unique(grid.begin(), grid.end()), grid.end());
    }
    return grid;
}

PreparedScore PrepareScore(const doc::Song& song, const LineTable& lines, bool continueVT) {
    PreparedScore score;
    score.ScoreRowParts = ScoreRowPartsOf(song);
    for (QChar c : score.ScoreRowParts) score.RowParts.push_back(c.digitValue());
    for (int part : score.RowParts) score.Rows.push_back(RowEventsOf(song, part, PartEventItems(song, part, lines), continueVT));
    if (!score.RowParts.empty()) score.TickGrid = TickGridOf(song, score.RowParts);
    return score;
}

QString KeyMarkText(const QStringList& keyNames, int key) {
    if (key < 0) key += 12;
    const QString name = key >= 0 && key < keyNames.size() ? keyNames[key] : QString();
    return QStringLiteral("1=") + name.left(2);
}

int LayOutLineCells(const doc::Song& song, const std::vector<int32_t>& grid, size_t& cursor, int32_t lineStart,
                    int32_t lineEnd, int rows, int x, int W, int barGlyphWidth, bool last, LineCells& cells,
                    std::vector<BeatBox>& beats, std::vector<uint8_t>& barStart) {
    cells.Ticks.clear();
    cells.X.clear();
    // Every tick of the grid inside the line, with room for bar lines, beats and meter changes.
    int32_t t = cursor < grid.size() ? grid[cursor] : lineEnd;
    while (t < lineEnd && cursor + 1 < grid.size()) {
        ++cursor;
        const int32_t next = grid[cursor];
        const bool roomy = t > lineStart || rows > 1;
        bool bar = false;
        if (doc::IsOnBarline(song, t) && roomy) {
            x += barGlyphWidth;
            bar = true;
        }
        if (doc::IsOnBeat(song, t)) {
            BeatBox b;
            b.Tick = t, b.X = x;
            beats.push_back(b);
            barStart.push_back(bar ? 1 : 0);
            if (roomy) x = roundi(x + W * 0.5);
            // Room for the fraction of a meter change (the song's first meter is in the header).
            for (int L = 1; L <= song.TimeSigLastIndex && L < doc::kTimeSigCapacity; ++L)
                if (song.TimeSigTicks[L] == t && doc::IsOnBarline(song, t)) {
                    x += 2 * W;
                    break;
                }
        }
        cells.Ticks.push_back(t);
        cells.X.push_back(x);
        x += GetNoteCellWidth(next - t, W);
        t = next;
    }
    // A stretched line keeps room for its closing bar, as every bar inside it has.
    if (!last) x += barGlyphWidth;
    return x;
}

TypesetResult RunTypesetter(const TypesetInput& in, const TypesetHooks& hooks) {
    if (!in.Song) return {};
    return LayOutScore(in, PrepareScore(*in.Song, in.Lines, !in.Printer), hooks);
}

namespace {

// Key and tempo changes inside a line, above its top row (entry 0 of both is in the header).
void DrawKeyAndTempoMarks(vb::Surface& s, const TypesetInput& in, const MarkStyle& st, const LineCells& cells,
                          int32_t lineStart, int32_t lineEnd, double markY, int& nextKey, int& nextTempo,
                          RunState& run, const std::vector<QRectF>& arcs) {
    const doc::Song& song = *in.Song;
    for (; nextKey <= song.KeyChangeLastIndex && nextKey < doc::kKeyCapacity && song.KeyChangeTicks[nextKey] < lineEnd;
         ++nextKey) {
        const int32_t tick = song.KeyChangeTicks[nextKey];
        if (tick < lineStart) continue;
        SetDigitFont(s, st.Fonts);
        s.SetFontSize(s.FontSize() * 0.618);
        // A change between cells stands at the cell before it.
        const int c = CellAtOrBefore(cells, tick);
        if (c >= 0) s.SetCurrentX(cells.X[c]);
        PrintMarkAt(s, run, s.CurrentX(), markY, KeyMarkText(in.KeyNames, song.KeyChangeKeys[nextKey]), arcs);
    }
    for (; nextTempo <= song.TempoLastIndex && nextTempo < doc::kTempoCapacity &&
           song.TempoChangeTicks[nextTempo] < lineEnd;
         ++nextTempo) {
        const int32_t tick = song.TempoChangeTicks[nextTempo];
        if (tick < lineStart) continue;
        // A change between cells stands at the cell before it.
        const int c = CellAtOrBefore(cells, tick);
        if (c >= 0) s.SetCurrentX(cells.X[c]);
        const double x = s.CurrentX();
        const QString bpm = QStringLiteral(" =") + vb::Format(song.TempoChangeBpm[nextTempo], QStringLiteral("0"));
        SetNotationFont(s, st.Fonts);
        const double noteW = s.TextWidth(QStringLiteral("q")), noteH = s.TextHeight(QStringLiteral("q"));
        SetDigitFont(s, st.Fonts);
        s.SetFontSize(s.FontSize() * 0.618);
        const QRectF ink = arcs.empty() ? QRectF()
                                        : TextInk(st.NotationFont(), QStringLiteral("q")) |
                                              TextInk({s.FontName(), s.FontSize(), s.FontBold(), s.FontItalic()}, bpm).translated(noteW, 0);
        const double y = PlaceMarkBox(run, x, markY, noteW + s.TextWidth(bpm), std::max(noteH, s.TextHeight(bpm)), ink, arcs);
        SetNotationFont(s, st.Fonts);
        PrintAt(s, x, y, QStringLiteral("q"));
        SetDigitFont(s, st.Fonts);
        s.SetFontSize(s.FontSize() * 0.618);
        s.Print(bpm, true);
    }
}

// The part names before the rows of the score's first system, laid out at `top`.
void PrintPartNames(SystemRecorder& held, const TypesetInput& in, const MarkStyle& st, const PreparedScore& score,
                    double top) {
    SetPartNameFont(held, st.Fonts);
    const double digitShift = st.HExact / 200.0 * (st.RowPercent - 100);
    for (size_t w = 0; w < score.RowParts.size(); ++w) {
        const int part = score.RowParts[w];
        const QString name = part >= 0 && part < int(in.PartNames.size()) ? in.PartNames[part] : QString();
        held.SetRow(int(w));
        PrintAt(held, in.Geometry.LeftMargin + 1, double(w) * st.RowPitch() + top + digitShift, name);
    }
}

// Each row's place in a line laid out at `top`. Syllables under low octave dots and a chord's
// lower notes move down, and arcs and marks over high dots move up, as far as the row's deepest
// and highest glyphs need.
void PlaceRows(std::vector<RowContext>& rowLines, const TypesetInput& in, const MarkStyle& st,
               const PreparedScore& score, const std::vector<size_t>& rowCursor, const LineCells& cells,
               int32_t lineEnd, int top, int* drawingRow) {
    const int rows = int(score.Rows.size());
    const int pitch = st.RowPitch();
    rowLines.assign(size_t(rows), RowContext{});
    for (int w = 0; w < rows; ++w) {
        RowContext& row = rowLines[size_t(w)];
        row.Meter = in.Song;
        row.Cells = &cells;
        row.LineEndTick = lineEnd;
        row.Row = w + 1;
        row.Rows = rows;
        row.RowDigitY = roundi(w * pitch + top + st.HExact / 200.0 * (st.RowPercent - 100));
        row.RowLyricY = roundi(w * pitch + top + st.H * st.RowPercent / 100.0 +
                               in.LyricSampleHeight / 200.0 * (in.LyricPercent - 100));
        row.LyricLineHeight = roundi(in.LyricSampleHeight * in.LyricPercent / 100.0);
        row.Verses = in.Verses;
        row.BracketWidth = rows == 1 ? 0 : rows == 2 ? in.BarGlyphWidth : in.BracketGlyphWidth;
        row.DrawingRow = drawingRow;
        const std::vector<doc::NoteRecord>& events = score.Rows[size_t(w)];
        const size_t cur = rowCursor[size_t(w)];
        size_t end = cur + 1;
        while (end + 1 < events.size() && events[end].Start < lineEnd) ++end;
        if (end < events.size()) {
            row.RowLyricY += LyricDropOf(st, row, &events[cur], &events[end]);
            row.AboveRise = AboveRiseOf(st, row, &events[cur], &events[end]);
        }
    }
}

// Whether a row has a text to place above it in the line (a dynamic or an expression text) among
// the events from `cur`. (A bracket's label stays under its bracket's line.)
bool TextsAbove(const std::vector<doc::NoteRecord>& events, size_t cur, int32_t lineEnd) {
    for (size_t k = cur; k + 1 < events.size() && (k == cur || events[k].Start < lineEnd); ++k)
        if (events[k].Pitch >= 2 && events[k].Pitch <= 4) return true;
    return false;
}

// The events of one row of a line: from the row's cursor up to the line's end, at least one.
void DrawRowEvents(vb::Surface& s, const MarkStyle& st, const std::vector<doc::NoteRecord>& events,
                   const RowContext& row, RowState& rs, size_t& cur, int32_t lineEnd, RunState& run) {
    int32_t e = 0;
    do {
        if (cur + 1 >= events.size()) break;
        ++cur;
        e = events[cur].Start;
        DrawRowEvent(s, st, row, rs, run, events[cur - 1]);
    } while (e < lineEnd);
    // A "}" on the next line's first tick closes a chord of this line: it stands at its end.
    for (size_t k = cur; k < events.size() && events[k].Start == lineEnd; ++k)
        if (IsClosingBrace(events[k])) DrawRowEvent(s, st, row, rs, run, events[k]);
    CloseRow(s, st, rs);
}

// The rows of a line, each row's glyphs held with it. A chord stack never reaches over a row's or
// a line's start; the "}" closing it there stands at the end of the line before. Where texts stand
// above a row (and `aboveTop`, the key and tempo changes, above the top row), the row is first run
// on `measure`, which only measures, for the ink of its arcs. Returns the ink of a tie the top row
// carries in over the line's start (empty for none).
QRectF DrawRows(SystemRecorder& held, vb::Surface& measure, const MarkStyle& st, const PreparedScore& score,
                std::vector<RowContext>& rowLines, std::vector<size_t>& rowCursor, int32_t lineEnd, RunState& run,
                const std::function<void(const RowContext&)>& aboveTop) {
    QRectF carried;
    for (size_t w = 0; w < rowLines.size(); ++w) {
        const std::vector<doc::NoteRecord>& events = score.Rows[w];
        RowContext& row = rowLines[w];
        run.StackMode = false;
        run.StackIndex = 0;
        held.SetRow(int(w));
        if ((w == 0 && aboveTop) || TextsAbove(events, rowCursor[w], lineEnd)) {
            RowContext dry = row;
            dry.DrawingRow = nullptr;
            RowState rs;
            RunState copy = run;
            size_t cur = rowCursor[w];
            DrawRowEvents(measure, st, events, dry, rs, cur, lineEnd, copy);
            row.ArcInk = std::move(rs.ArcInk);
        }
        if (w == 0 && aboveTop) aboveTop(row);
        RowState rs;
        DrawRowEvents(held, st, events, row, rs, rowCursor[w], lineEnd, run);
        if (w == 0) carried = rs.CarriedArc;
    }
    return carried;
}

// The frame the pages place their systems in.
PlanFrame PlanFrameOf(const TypesetInput& in, int lastSystem) {
    PlanFrame f;
    f.Geometry = in.Geometry;
    f.Width = in.Geometry.PaperWidth + 2 * in.Style.W;
    f.Spread = in.Style.W;
    f.InkTop = in.InkTop >= 0 ? in.InkTop : int(in.Geometry.TopMargin / 2);
    f.TitleInk = in.TitleInk;
    if (int(in.Plan.size()) == lastSystem + 1)
        for (const SystemPlace& p : in.Plan) f.PageOfSystem.push_back(p.Page);
    return f;
}

}  // namespace

TypesetResult LayOutScore(const TypesetInput& in, const PreparedScore& score, const TypesetHooks& hooks) {
    TypesetResult r;
    r.ScoreRowParts = score.ScoreRowParts;
    r.RowsPerSystem = int(score.ScoreRowParts.size());
    if (!in.Song || r.RowsPerSystem == 0 || score.TickGrid.empty()) return r;
    r.Drawn = true;
    const PageGeometry& g = in.Geometry;
    const int rows = r.RowsPerSystem;
    MarkStyle st = in.Style;
    st.LeftMargin = g.LeftMargin, st.TopMargin = g.TopMargin, st.PrintableWidth = g.PrintableWidth;
    st.PartRowHeight = g.PartRowHeight, st.PartRowGap = g.PartRowGap;
    const double H = st.H;
    const int pitch = st.RowPitch();
    const int digitOffset = st.DigitOffset();
    auto surface = [&](int page) -> vb::Surface* { return hooks.Page ? hooks.Page(page) : nullptr; };

    if (hooks.Start) hooks.Start(score);
    // The first page is cleared before anything is drawn on it.
    if (vb::Surface* first = surface(0)) {
        SetNotationFont(*first, st.Fonts);
        first->Cls();
    }

    const LinePlacer placer(in);
    const int lastSystem = std::min<int>(in.Lines.LastSystem, int(in.Lines.Starts.size()) - 2);
    // Each system is laid out at its plain place and held until its page has placed all its systems.
    SystemRecorder held(surface(0), int(g.PaperWidth + 2 * st.W), bool(hooks.Page));
    SystemRecorder measure(surface(0), int(g.PaperWidth + 2 * st.W), false);  // holds no system: draws nothing
    vb::Surface* s = &held;
    PagePlanner planner(PlanFrameOf(in, lastSystem));
    std::vector<std::pair<size_t, size_t>> boxesOf;  // the beat boxes of each system
    std::vector<double> rowDy(size_t(rows), 0.0);     // how far each row of a system moves when drawn out
    std::vector<size_t> rowCursor(rows, 0);
    int nextKey = 1, nextTempo = 1;
    RunState run;
    LineCells cells;
    std::vector<RowContext> rowLines;
    std::vector<BeatBox>& boxes = r.BeatBoxes;
    // Draws out the pages whose systems are placed; false once past the last page drawn.
    const auto drawPlacedPages = [&]() {
        while (std::optional<PagePlanner::Page> page = planner.TakePage()) {
            if (page->Index >= in.MaxPages) return false;
            vb::Surface* out = surface(page->Index);
            if (out && page->Index > 0) out->Cls();
            for (const PagePlanner::Placed& p : page->Systems) {
                const int top = roundi(p.Place.Top);
                for (int w = 0; w < rows; ++w) rowDy[size_t(w)] = top - p.LaidOutTop + p.Place.Shift(w);
                if (out) held.DrawOut(0, *out, rowDy);
                held.Drop(1);
                for (size_t v = boxesOf[size_t(p.System)].first; v < boxesOf[size_t(p.System)].second; ++v)
                    boxes[v].Page = int16_t(page->Index), boxes[v].Y = top;
                if (p.System == lastSystem) r.ScoreEndY = top;
                r.Systems.push_back(p.Place);
                r.LastSystemDrawn = p.System;
                r.LastPageDrawn = page->Index;
            }
            if (hooks.PageFilled) hooks.PageFilled(page->Index, r);
        }
        return true;
    };
    for (int sys = 0; sys <= lastSystem && planner.NextPage() < in.MaxPages; ++sys) {
        const double plainTop = planner.NextTop();
        const int top = roundi(plainTop);
        held.BeginSystem(rows, top);
        const bool isLast = sys == lastSystem;
        const int32_t lineStart = in.Lines.Starts[sys], lineEnd = in.Lines.Starts[sys + 1];
        run.MarkBoxes.clear();
        const size_t firstBox = boxes.size();
        if (sys == 0) PrintPartNames(held, in, st, score, plainTop);

        // The line's cells and beats where their glyphs keep apart, stretched to the printable
        // width (the last line as far as its glyphs need). The line end's cell stands at the
        // line's end, never past the paper's edge: what ends there (a bracket line, a mark's
        // span) ends inside the system.
        PlacedLine line = placer.Place(lineStart, lineEnd, sys, isLast, g);
        cells = std::move(line.Cells);
        if (isLast) r.ScoreEndX = line.EndX;
        SetNotationFont(*s, st.Fonts);
        for (size_t v = 0; v < line.Beats.size(); ++v) {
            boxes.push_back(line.Beats[v]);
            if (line.BarStart[v] && v > 0)
                for (int w = 0; w < rows; ++w) {
                    held.SetRow(w);
                    PrintAt(*s, line.Beats[v].X, w * pitch + top + digitOffset, QStringLiteral("|"));
                }
        }
        boxesOf.push_back({firstBox, boxes.size()});
        PlaceRows(rowLines, in, st, score, rowCursor, cells, lineEnd, top, held.RowSlot());
        for (int w = 0; w < rows; ++w) {
            held.SetRow(w);
            PrintAt(*s, g.LeftMargin + g.PrintableWidth - in.BarGlyphWidth - 1, w * pitch + top + digitOffset,
                    QStringLiteral("|"));
        }
        const doc::Song& song = *in.Song;
        const bool keyOrTempo = (nextKey <= song.KeyChangeLastIndex && nextKey < doc::kKeyCapacity &&
                                 song.KeyChangeTicks[nextKey] < lineEnd) ||
                                (nextTempo <= song.TempoLastIndex && nextTempo < doc::kTempoCapacity &&
                                 song.TempoChangeTicks[nextTempo] < lineEnd);
        const auto keyAndTempo = [&](const RowContext& topRow) {
            DrawKeyAndTempoMarks(*s, in, st, cells, lineStart, lineEnd, top + digitOffset - H * 0.9 - topRow.AboveRise,
                                 nextKey, nextTempo, run, topRow.ArcInk);
        };
        const QRectF carried = DrawRows(held, measure, st, score, rowLines, rowCursor, lineEnd, run,
                                        keyOrTempo ? std::function<void(const RowContext&)>(keyAndTempo) : nullptr);
        r.StartArcInk.resize(size_t(sys) + 1);
        r.StartArcInk[size_t(sys)] = carried.isNull() ? QRectF() : carried.translated(0, -top);
        planner.Add(sys, held.Ink(held.Held() - 1), isLast);
        if (!drawPlacedPages()) break;
    }
    drawPlacedPages();
    if (hooks.Finish) hooks.Finish(r);
    return r;
}

std::vector<SystemPlace> PlanSystems(const TypesetInput& in) {
    if (!in.Song) return {};
    TypesetInput all = in;
    all.MaxPages = std::numeric_limits<int>::max();
    return LayOutScore(all, PrepareScore(*in.Song, in.Lines, !in.Printer), {}).Systems;
}

SystemLayout SystemLayoutOf(const TypesetInput& in, const TypesetResult& r) {
    SystemLayout lay;
    const PageGeometry& g = in.Geometry;
    lay.Rows = r.RowsPerSystem;
    lay.SystemHeight = g.SystemHeight;
    lay.SystemGap = g.SystemGap;
    lay.FirstPageSystemGap = g.FirstPageSystemGap;
    lay.FirstPageTopOffset = g.FirstPageTopOffset;
    lay.FirstPageSystems = g.FirstPageSystems;
    lay.SystemsPerPage = g.SystemsPerPage;
    lay.LastPage = std::max(0, r.LastPageDrawn);
    lay.LastSystem = std::max(0, r.LastSystemDrawn);
    lay.FirstBeatX = r.BeatBoxes.empty() ? g.LeftMargin : r.BeatBoxes.front().X;
    lay.IndependentTopPart = in.IndependentTopPart;
    lay.MeasureNumbers = in.MeasureNumbers;
    lay.SystemStartTicks = in.Lines.Starts;
    lay.Places = r.Systems;
    for (int k = 0; k <= r.LastSystemDrawn && k < int(in.Lines.Starts.size()) && in.Song; ++k) {
        double x = -1;
        for (const MeterChange& change : MeterChangesOf(*in.Song)) {
            if (change.Tick != in.Lines.Starts[k]) continue;
            const auto box = std::find_if(r.BeatBoxes.begin(), r.BeatBoxes.end(),
                                          [&](const BeatBox& b) { return b.Tick == change.Tick; });
            if (box != r.BeatBoxes.end()) x = TimeSignatureX(in.Style, *box, change.Code);
        }
        lay.StartFractionX.push_back(x);
    }
    lay.StartArcInk = r.StartArcInk;
    const doc::Song* song = in.Song;
    lay.BarIndex = [song](int32_t tick) {
        int16_t offset = 0;
        return song ? int(doc::GetBarPosition(*song, tick, offset)) : 0;
    };
    return lay;
}

MarkStyle PageStyleOf(const TypesetInput& in) {
    MarkStyle st = in.Style;
    const PageGeometry& g = in.Geometry;
    st.LeftMargin = g.LeftMargin, st.TopMargin = g.TopMargin, st.PrintableWidth = g.PrintableWidth;
    st.PartRowHeight = g.PartRowHeight, st.PartRowGap = g.PartRowGap;
    return st;
}

int LastSystemOf(const TypesetInput& in) { return std::min<int>(in.Lines.LastSystem, int(in.Lines.Starts.size()) - 2); }

namespace {
MarkStyle finishStyle(const TypesetInput& in) { return PageStyleOf(in); }
bool endsScore(const TypesetInput& in, const TypesetResult& r) { return r.LastSystemDrawn == LastSystemOf(in); }
}  // namespace

void FinishPages(const TypesetInput& in, const TypesetResult& r, const std::function<vb::Surface*(int)>& pages) {
    if (!r.Drawn || !in.Song || r.LastSystemDrawn < 0) return;
    const MarkStyle st = finishStyle(in);
    DrawLineDecorationsPage(pages, st, SystemLayoutOf(in, r));
    DrawTimeSignaturesPage(pages, st, r.RowsPerSystem, MeterChangesOf(*in.Song), r.BeatBoxes, r.Systems);
    if (endsScore(in, r))
        if (vb::Surface* last = pages ? pages(r.LastPageDrawn) : nullptr)
            DrawEndMarkPage(*last, st, r.RowsPerSystem, r.ScoreEndX, r.ScoreEndY, r.Systems.back());
}

void FinishPage(const TypesetInput& in, const TypesetResult& r, int page, vb::Surface& s) {
    if (!r.Drawn || !in.Song || r.LastSystemDrawn < 0) return;
    const MarkStyle st = finishStyle(in);
    DrawLineDecorationsOnPage(s, page, st, SystemLayoutOf(in, r));
    DrawTimeSignaturesPage([&](int k) -> vb::Surface* { return k == page ? &s : nullptr; }, st, r.RowsPerSystem,
                           MeterChangesOf(*in.Song), r.BeatBoxes, r.Systems);
    if (page == r.LastPageDrawn && endsScore(in, r))
        DrawEndMarkPage(s, st, r.RowsPerSystem, r.ScoreEndX, r.ScoreEndY, r.Systems.back());
}

}  // namespace typeset
