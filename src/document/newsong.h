// The new song: the values the song takes when the user starts a new one (and at start-up).
#pragma once

#include "document/song.h"

namespace doc {

// Resets the song to a new one: 4/4 at 80 per minute in C, 180 s, five parts "领唱", "女高",
// "女低", "男高", "男低" with their default records, the note counts of all parts 0, the loop
// cleared, untitled, the default title block; PlayEventsStale and NeedsRetypeset set,
// Modified and PageSetupChanged cleared. Note rows, PhraseJoinBits, AudioOffsetMs, the other
// fields of parts 6..8 and CursorTick keep their values. SongLength follows from the
// RebuildTimeline that the New command runs next; the undo journal is reset by the caller.
void NewProject(Song& song);

}  // namespace doc
