// Songs the tests start from.
#pragma once

#include <memory>

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

}  // namespace testsongs
