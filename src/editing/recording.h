// Keyboard recording and keyboard entry in the piano roll: the notes captured while the record
// button is down, their commit to the current part as one undoable step, the re-pitching of the
// note marked for keyboard entry, and the snap grid a list entry and the triplet box give.
#pragma once

#include <cstdint>
#include <vector>

#include "document/song.h"
#include "editing/undojournal.h"

namespace editing {

// The grid in ticks of list entry `listIndex` ("1/1" = 0 .. "1/64" = 6), a third of it with the
// triplet box ticked.
int32_t SnapGridTicks(int listIndex, bool triplet);

struct RecordedNote {
    int32_t Start = 0;
    int32_t Length = 1;
    int Pitch = 0;
};

// The take: notes in press order, the newest growing while its key is held.
class Recording {
public:
    void Clear() { notes_.clear(); }
    // A key pressed at play position `playTick`: a new note of length 1.
    void Press(int pitch, double playTick);
    // The newest note reaches `playTick`; it never gets shorter than 1 tick.
    void Grow(double playTick);
    const std::vector<RecordedNote>& Notes() const { return notes_; }
    int Count() const { return int(notes_.size()); }

private:
    std::vector<RecordedNote> notes_;
};

struct CommitResult {
    int added = 0;
    bool full = false;  // the part reached 4096 rows before the take was in
};
// Appends the take to `part`, selected, lyric "-", as the entry "录制音符". Nothing is written for an
// empty take; a take past 4096 rows keeps the notes that fit.
CommitResult CommitRecording(doc::Song& song, UndoJournal& journal, int part, const std::vector<RecordedNote>& take);

// Keyboard entry: the pitched note at `row` of `part` takes `pitch` as the entry "修改音高". False
// (nothing written) for a row that is not a pitched note of the part.
bool RepitchNote(doc::Song& song, UndoJournal& journal, int part, int row, int pitch);

}  // namespace editing
