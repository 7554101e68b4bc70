// The timeline: ordering and snapping of the change lists, the tempo map, the song length in
// ticks, and the meter and tempo queries every time question rests on.
#pragma once

#include "document/song.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace doc {

// While the loop is switched off its end is parked this far beyond the song.
constexpr int32_t kLoopParkOffset = 5000000;

// Orders the three change lists, places every time-signature change on a bar line and numbers
// the bars, builds the tempo map and SongLength from SongSeconds, drops the changes at or beyond
// the song end, and keeps LoopStart, LoopEnd and CursorTick inside the song. `loopOn` is the
// state of the loop switch; while it is off LoopEnd stays parked (its B point kept).
void RebuildTimeline(Song& song, bool loopOn);

// Seconds from the song start to `tick` through the tempo map (beyond the end: the last tempo).
double TickToSeconds(const Song& song, int32_t tick);
// The next beat boundary strictly after `tick`.
int32_t GetNextBeatTick(const Song& song, int32_t tick);
// `tick` rounded to the nearest beat boundary (half a beat rounds up).
int32_t GetNearestBeatTick(const Song& song, int32_t tick);
// Whole bars before `tick` (counted from 0); `offset` receives the tick's offset in its bar.
int16_t GetBarPosition(const Song& song, int32_t tick, int16_t& offset);
// -1 when `tick` is a beat boundary / a bar line, else 0.
int16_t IsOnBeat(const Song& song, int32_t tick);
int16_t IsOnBarline(const Song& song, int32_t tick);
// The index of the time-signature entry in force at `tick`.
int GoverningTimeSig(const Song& song, int32_t tick);

// What the song ruler shows at a given width, in ruler units (x of tick t = t × width / SongLength).
struct RulerLine {
    double x;
    int height;  // 12 at a bar line, 6 at a beat
};
struct RulerNumber {
    double x;    // print position: 8 units left of its bar line, at y 12
    int number;  // bar number, from 1
};
struct RulerMarker {
    int index;  // entry of its change list (1 .. last index)
    double x;
    QString caption;
};
struct RulerMarks {
    std::vector<RulerLine> lines;
    std::vector<RulerNumber> numbers;
    std::vector<RulerMarker> keys;      // key markers
    std::vector<RulerMarker> timeSigs;  // time-signature markers
    std::vector<RulerMarker> tempos;    // tempo markers
    double cursorX = 0;                 // the cursor line
    double loopStartLeft = 0;           // left edges of the two loop markers
    double loopEndLeft = 0;
};
// The marks of the song ruler after RebuildTimeline, for a ruler `width` units wide.
RulerMarks ComputeRulerMarks(const Song& song, double width);

}  // namespace doc
