#include "editing/timingtools.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "editing/pianoroll.h"
#include "platform/vbtext.h"

namespace editing {

using vb::Format;

namespace {

bool Pitched(const doc::NoteRecord& n) { return n.Pitch > 20; }

// Rows in order of start, equal starts by row (any start, however large).
template <class Pred>
std::vector<int> RowsByStart(const doc::Song& song, int part, Pred keep) {
    std::vector<int> rows;
    for (int i = 0; i < song.Parts[part].NoteCount; ++i)
        if (keep(song.Notes[part][i])) rows.push_back(i);
    std::stable_sort(rows.begin(), rows.end(),
                     [&](int a, int b) { return song.Notes[part][a].Start < song.Notes[part][b].Start; });
    return rows;
}

int16_t ClampLength(int64_t v, int lowest) { return int16_t(std::clamp<int64_t>(v, lowest, 32767)); }

}  // namespace

int32_t SnapToGrid(int32_t value, int32_t grid) {
    if (grid < 1) return value;
    return int32_t(int64_t(grid) * int64_t(std::floor(double(value) / grid + 0.5)));
}

void Quantise(doc::Song& song, UndoJournal& journal, int part, int32_t grid, bool startsOnly) {
    MarkChanged(song);
    journal.TruncateRedoTail();
    for (int i = 0; i < song.Parts[part].NoteCount; ++i) {
        doc::NoteRecord& n = song.Notes[part][i];
        if (n.Selected == 0) continue;
        if (startsOnly && !Pitched(n)) continue;
        QString line = NoteLineOf(part, n);
        if (!startsOnly) n.Length = ClampLength(SnapToGrid(n.Length, grid), std::min<int32_t>(std::max(grid, 1), 32767));
        n.Start = std::max(0, SnapToGrid(n.Start, grid));
        line += "J=" + Format(n.Start, "00000");
        if (!startsOnly) line += "L=" + Format(n.Length, "00000");
        journal.AddItem(line);
    }
    journal.Commit(QString::fromUtf8("量化对齐"));
}

bool HandleBreaths(doc::Song& song, UndoJournal& journal, int part, int detectPercent, int lengthPercent) {
    double total = 0;
    int count = 0;
    for (int i = 0; i < song.Parts[part].NoteCount; ++i) {
        const doc::NoteRecord& n = song.Notes[part][i];
        if (n.Selected != 0 && Pitched(n)) {
            total += n.Length;
            ++count;
        }
    }
    if (count == 0) return false;
    MarkChanged(song);
    journal.TruncateRedoTail();
    const int32_t threshold = vb::CLng(total / count * detectPercent / 100);
    for (int i = 0; i < song.Parts[part].NoteCount; ++i) {
        doc::NoteRecord& n = song.Notes[part][i];
        if (n.Selected == 0 || !Pitched(n) || n.Length <= threshold) continue;
        const QString line = NoteLineOf(part, n);
        n.Length = ClampLength(vb::CInt(n.Length / 100.0 * lengthPercent), 1);
        journal.AddItem(line + "L=" + Format(n.Length, "00000"));
    }
    journal.Commit(QString::fromUtf8("换气处理"));
    return true;
}

bool ReworkDurations(doc::Song& song, UndoJournal& journal, int part, bool fill) {
    const std::vector<int> rows = RowsByStart(song, part, Pitched);
    if (rows.empty()) return false;
    MarkChanged(song);
    journal.TruncateRedoTail();
    int prev = rows.front();
    int64_t prevEnd = int64_t(song.Notes[part][prev].Start) + song.Notes[part][prev].Length;
    for (size_t k = 1; k < rows.size(); ++k) {
        const doc::NoteRecord& cur = song.Notes[part][rows[k]];
        doc::NoteRecord& p = song.Notes[part][prev];
        const bool change = p.Selected != 0 && (fill ? prevEnd < cur.Start && cur.Start - prevEnd < 384
                                                     : cur.Start < prevEnd);
        if (change) {
            const QString line = NoteLineOf(part, p);
            p.Length = ClampLength(int64_t(cur.Start) - p.Start, 2);
            journal.AddItem(line + "L=" + Format(p.Length, "00000"));
        }
        prevEnd = int64_t(cur.Start) + cur.Length;
        prev = rows[k];
    }
    journal.Commit(QString::fromUtf8(fill ? "填满时值" : "清除重叠"));
    return true;
}

int SentenceMarkerCount(const doc::Song& song, int part) {
    int markers = 0;
    for (int i = 0; i < song.Parts[part].NoteCount; ++i)
        if (song.Notes[part][i].Pitch == doc::kSentenceMarker) ++markers;
    return markers;
}

bool SplitSentences(doc::Song& song, UndoJournal& journal, int part, int detectPercent) {
    // The syllables by start, their values taken before the old markers go (a removal moves rows).
    const std::vector<int> rows =
        RowsByStart(song, part, [](const doc::NoteRecord& n) { return Pitched(n) && !n.Lyric.isEmpty(); });
    if (rows.empty()) return false;
    std::vector<doc::NoteRecord> syllables;
    double total = 0;
    for (int r : rows) {
        syllables.push_back(song.Notes[part][r]);
        total += song.Notes[part][r].Length;
    }
    song.Modified = -1;
    journal.TruncateRedoTail();
    int16_t& count = song.Parts[part].NoteCount;
    for (int r = count - 1; r >= 0; --r) {
        if (song.Notes[part][r].Pitch != doc::kSentenceMarker) continue;
        --count;
        journal.AddItem(NoteLineOf(part, song.Notes[part][r]));
        song.Notes[part][r] = song.Notes[part][count];
    }
    journal.Commit(QString::fromUtf8("删除分句"));

    const int32_t threshold = vb::CLng(total / double(syllables.size()) * detectPercent / 100);
    int64_t start = -1;
    for (const doc::NoteRecord& s : syllables) {
        if (s.Lyric == "-") continue;
        if (start == -1) start = s.Start;
        if (s.Length <= threshold) continue;
        const int64_t length = (int64_t(s.Start) - start) + threshold;
        const int row = AddNote(song, doc::kSentenceMarker, int32_t(start), int32_t(std::clamp<int64_t>(length, 1, 32767)),
                                QString(), part);
        start = -1;
        if (row == kPartFull) break;
        if (row < 0) continue;
        journal.AddItem(NoteLineOf(part, song.Notes[part][row]));
    }
    journal.Commit(QString::fromUtf8("创建分句"));
    return true;
}

// ---- time stretch ------------------------------------------------------------------------------

bool SelectedStartRange(const doc::Song& song, int part, int32_t& start, int32_t& end) {
    bool any = false;
    for (int i = 0; i < song.Parts[part].NoteCount; ++i) {
        const doc::NoteRecord& n = song.Notes[part][i];
        if (n.Selected == 0) continue;
        start = any ? std::min(start, n.Start) : n.Start;
        end = any ? std::max(end, n.Start) : n.Start;
        any = true;
    }
    return any;
}

QString StretchGripAt(double x, double barWidth) {
    if (x < 4) return QStringLiteral("L");
    if (x > barWidth - 5) return QStringLiteral("R");
    return QString();
}

BarOutline DragStretchBar(const QString& grip, double barLeft, double barWidth, double d) {
    d = vb::Round(d);
    BarOutline o{barLeft, barWidth};
    if (grip == "L") {
        o.left = std::clamp(barLeft + d, 0.0, std::max(0.0, barLeft + barWidth - 5));
        o.width = barLeft + barWidth - o.left;
    } else if (grip == "R") {
        o.width = std::max(barWidth + d, 5.0);
    } else {
        o.left = std::max(barLeft + d, 0.0);
    }
    return o;
}

TickRange StretchTarget(double barLeft, double barWidth, double rulerWidth, int32_t viewStart, int32_t viewSpan,
                        int32_t grid, bool exact, bool keepSpan, const TickRange& old) {
    TickRange t;
    if (rulerWidth <= 0) return old;
    t.start = vb::CLng(barLeft * viewSpan / rulerWidth + viewStart);
    t.end = vb::CLng(barWidth * viewSpan / rulerWidth + t.start);
    if (!exact) {
        t.start = SnapToGrid(t.start, grid);
        t.end = SnapToGrid(t.end, grid);
    }
    if (keepSpan) t.end = t.start + (old.end - old.start);
    return t;
}

StretchResult StretchSelectedNotes(doc::Song& song, UndoJournal& journal, int part, const TickRange& from,
                                   const TickRange& to) {
    const int64_t oldSpan = int64_t(from.end) - from.start, newSpan = int64_t(to.end) - to.start;
    if (oldSpan <= 0 || newSpan <= 0 || to.start < 0) return StretchResult::Refused;
    if (from.start == to.start && from.end == to.end) return StretchResult::Unchanged;
    const double ratio = double(newSpan) / double(oldSpan);
    struct Planned {
        int row;
        int32_t start;
        int32_t length;
    };
    std::vector<Planned> plan;
    for (int i = 0; i < song.Parts[part].NoteCount; ++i) {
        const doc::NoteRecord& n = song.Notes[part][i];
        if (n.Selected == 0) continue;
        const double start = vb::Round((double(n.Start) - from.start) * ratio + to.start);
        const double length = std::max(1.0, vb::Round(n.Length * ratio));
        if (start < 0 || start > 2147483647.0 || length > 32767) return StretchResult::Refused;
        plan.push_back({i, int32_t(start), int32_t(length)});
    }
    if (plan.empty()) return StretchResult::Refused;
    MarkChanged(song);
    journal.TruncateRedoTail();
    for (const Planned& p : plan) {
        doc::NoteRecord& n = song.Notes[part][p.row];
        QString line = NoteLineOf(part, n);
        n.Start = p.start;
        n.Length = int16_t(p.length);
        line += "J=" + Format(n.Start, "00000");
        if (ratio != 1.0) line += "L=" + Format(n.Length, "00000");
        journal.AddItem(line);
    }
    journal.Commit(QString::fromUtf8("时间拉升"));
    return StretchResult::Stretched;
}

}  // namespace editing
