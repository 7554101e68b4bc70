// The printed cells of a note or rest: a duration is cut at every beat into pieces, and each piece
// into cells of a quarter, an eighth, a sixteenth, ... (level 4, 3, 2, ...), dotted where a cell
// and its half fit. The note drawer prints one digit per cell; the line-fit check and the lyric
// placement read the same cells.
#pragma once

#include <cstdint>

#include "document/song.h"
#include "document/timeline.h"
#include "platform/vbtext.h"
#include "typeset/marks.h"

namespace typeset {

// Calls f(tick, level, dotted) for every cell of the piece p..p + n (a piece never crosses a
// beat). A piece whose length is no multiple of 3 ticks is a tuplet piece.
template <class F>
void ForEachPieceCell(int32_t p, int32_t n, F&& f) {
    const bool tuplet = n % 3 != 0;
    int32_t units = tuplet ? int32_t(vb::Round(n * 1.5)) : n;
    while (units >= 3) {
        int level = 0;
        bool dotted = false;
        for (int l = 4; l >= 0; --l) {
            const int unit = 1 << l;
            if (4.5 * unit <= units && units < 6 * unit) {
                level = l, dotted = true;
                break;
            }
            if (units >= 3 * unit) {
                level = l;
                break;
            }
        }
        f(p, level, dotted);
        const int unit = 1 << level;
        p += int32_t(vb::Round(unit * (dotted ? (tuplet ? 3 : 4.5) : (tuplet ? 2 : 3))));
        units -= int32_t(vb::Round(unit * (dotted ? 4.5 : 3)));
    }
}

// Whether a note or rest from `start` lasting `length` ticks prints the cell at `tick`: its first
// cell always, a further one only before its end. Rounding odd ticks up moves a note's end up to
// two ticks on, into the next note or rest, which prints its own first cell there.
inline bool PrintsCell(int32_t tick, bool first, int32_t start, int32_t length) {
    return first || tick < start + length;
}

// Calls f(tick, level, dotted) for every cell of a note or rest from `start` lasting `length`
// ticks, as the note drawer prints them (from PrintedStart to PrintedEnd).
template <class F>
void ForEachNoteCell(const doc::Song& song, int32_t start, int32_t length, F&& f) {
    const int32_t from = start, ticks = length;
    bool first = true;
    const auto printed = [&](int32_t tick, int level, bool dotted) {
        if (PrintsCell(tick, first, from, ticks)) f(tick, level, dotted);
        first = false;
    };
    start = PrintedStart(from, ticks);
    const int32_t end = PrintedEnd(from, ticks);
    int32_t p = start;
    int32_t nextBeat = doc::GetNextBeatTick(song, start);
    while (nextBeat < end && nextBeat > p) {
        ForEachPieceCell(p, nextBeat - p, printed);
        p = nextBeat;
        nextBeat = doc::GetNextBeatTick(song, nextBeat);
    }
    ForEachPieceCell(p, end - p, printed);
}

}  // namespace typeset
