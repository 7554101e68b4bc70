// The note menu's timing tools on the current part (quantise, breath handling, clear overlaps, fill
// durations), the automatic sentence split, and the time stretch of the selected notes with the
// geometry of its bar over the piano-roll ruler. Each command journals its changes as one entry.
#pragma once

#include <QString>
#include <cstdint>

#include "document/song.h"
#include "editing/undojournal.h"

namespace editing {

// `value` on the nearest multiple of `grid`, a half going up (a grid below 1 leaves it).
int32_t SnapToGrid(int32_t value, int32_t grid);

// "量化对齐": the selected notes' starts (and, unless `startsOnly`, lengths) on the grid. With
// `startsOnly` only pitched notes move; otherwise every selected row, and a length keeps at least
// one grid step.
void Quantise(doc::Song& song, UndoJournal& journal, int part, int32_t grid, bool startsOnly);

// "换气处理": the selected pitched notes longer than `detectPercent` % of their average length are
// cut to `lengthPercent` % (at least 1 tick). False, nothing written, with no selected pitched note.
bool HandleBreaths(doc::Song& song, UndoJournal& journal, int part, int detectPercent, int lengthPercent);

// "清除重叠" (`fill` false) and "填满时值" (`fill` true): walking the pitched notes by start, a
// selected note overlapped by the next is cut to end where it starts (at least 2 ticks), or a gap of
// less than 384 ticks after it is closed. False, nothing written, with no pitched note.
bool ReworkDurations(doc::Song& song, UndoJournal& journal, int part, bool fill);

// Rows of `part` that are sentence markers.
int SentenceMarkerCount(const doc::Song& song, int part);
// "自动分句": the old markers removed ("删除分句"), then one marker per sentence, each ending a
// threshold after the start of a note longer than `detectPercent` % of the average length of the
// notes with lyrics ("创建分句"). False, nothing written, when no pitched note carries a lyric.
bool SplitSentences(doc::Song& song, UndoJournal& journal, int part, int detectPercent);

// ---- time stretch ------------------------------------------------------------------------------
// The smallest and largest start among the selected rows; false with no selected row.
bool SelectedStartRange(const doc::Song& song, int part, int32_t& start, int32_t& end);

// The bar outline while a grip is dragged `d` pixels: "L" the left edge, "R" the right edge, ""
// the whole bar.
struct BarOutline {
    double left = 0;
    double width = 0;
};
QString StretchGripAt(double x, double barWidth);
BarOutline DragStretchBar(const QString& grip, double barLeft, double barWidth, double d);

// The tick range a released bar stands for: its pixels through the window, snapped to the grid
// unless `exact`. A moved bar (`keepSpan`) keeps the span of the range it had.
struct TickRange {
    int32_t start = 0;
    int32_t end = 0;
};
TickRange StretchTarget(double barLeft, double barWidth, double rulerWidth, int32_t viewStart, int32_t viewSpan,
                        int32_t grid, bool exact, bool keepSpan, const TickRange& old);

enum class StretchResult { Stretched, Unchanged, Refused };
// "时间拉升": the selected rows mapped from `from` onto `to` (starts moved and scaled, lengths scaled,
// at least 1). Refused, nothing changed, for a range of one tick, an empty target, or a note that
// would start before 0 or last more than 32767 ticks. Unchanged when the ranges are equal.
StretchResult StretchSelectedNotes(doc::Song& song, UndoJournal& journal, int part, const TickRange& from,
                                   const TickRange& to);

}  // namespace editing
