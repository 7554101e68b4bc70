// Horizontal measures of the score: glyph widths in the notation font, the room of a note cell,
// the widest part name, and rest spans cut at the starts of the score lines.
#pragma once

#include <QString>
#include <cstdint>

#include "document/song.h"
#include "platform/sortlist.h"
#include "typeset/geometry.h"
#include "typeset/metrics.h"

namespace typeset {

// Width of `text` in the notation font at `points` (the digit font's size), rounded.
int32_t MeasureGlyphWidth(const QString& text, double points);

// Horizontal room of a note lasting `ticks`: the digit cell width times a factor summed over the
// power-of-two parts of the duration (quarter 2, eighth 1.5, sixteenth 1.2; dotted 2.5, 1.8,
// 1.4, 1.15), divided by 1.5 for tuplet durations (not a multiple of 3 ticks); at least one cell.
int32_t GetNoteCellWidth(int32_t ticks, int32_t digitCellWidth);

// The widest name, in the part-name font, of the parts shown in the score; 0 when none is shown.
// `lastMeasured` (when given) receives the last name measured.
int32_t GetMaxPartNameWidth(const doc::Song& song, const FontSpec& partNameFont, QString* lastMeasured = nullptr);

// The rest item of the sorted event list for the span start..end.
QString RestItem(int32_t start, int32_t end);
// Adds rest items for start..end to `list`, one per score line the span touches: cut at every
// line start 1..LastSystem that lies strictly inside the span.
void AddSpanSplitAtLines(SortList& list, int32_t start, int32_t end, const LineTable& lines);

}  // namespace typeset
