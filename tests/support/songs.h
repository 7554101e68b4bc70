// Songs the tests start from.
#pragma once

#include <algorithm>
#include <memory>
#include <vector>

#include "document/newsong.h"
#include "document/song.h"
#include "document/timeline.h"

namespace testsongs {

// A song as New leaves it. `timeline` also rebuilds the timeline (with the loop switch as given);
// `clean` then clears the dirty flags, so a test sees only what its own step sets.
inline std::unique_ptr<doc::Song> NewSong(bool timeline = false, bool loopOn = false, bool clean = false) {
    auto song = doc::Song::create();
    doc::NewProject(*song);
    if (timeline) doc::RebuildTimeline(*song, loopOn);
    if (clean) song->Modified = song->PlayEventsStale = song->NeedsRetypeset = 0;
    return song;
}

// The first `notes` notes of parts 1..`parts` played again from the keyboard: each starts a few
// ticks early or late, off the grid, and is let go a little before the next.
inline void ReRecordOffTheGrid(doc::Song& song, int parts, int notes) {
    const int shift[] = {3, -5, 7, 1, -3, 5, -7, 11, 2, -1, 9, -4, 6, -2, 13, -6};
    for (int p = 1; p <= parts; ++p) {
        const int n = std::min<int>(song.Parts[p].NoteCount, notes);
        std::vector<int32_t> starts;
        for (int k = 0; k < n; ++k) starts.push_back(std::max(0, song.Notes[p][k].Start + shift[(k + p) % 16]));
        for (int k = 0; k < n; ++k) {
            doc::NoteRecord& note = song.Notes[p][k];
            const int32_t end = k + 1 < n ? starts[size_t(k) + 1] : note.Start + note.Length;
            note.Start = starts[size_t(k)];
            note.Length = int16_t(std::max(1, end - note.Start - k % 3));
        }
    }
}

}  // namespace testsongs
