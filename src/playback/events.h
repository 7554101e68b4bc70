// The playback event list: every note on and off of every part, the lyric sentence markers, the
// song end, the tempo, key and time-signature changes and one click per beat of the meter grid,
// as song seconds through the tempo map, sorted so the player only walks it forward.
#pragma once

#include <cstdint>
#include <vector>

#include "document/song.h"

namespace playback {

// Kinds of events: 1..8 note on of that part, 21..28 note off of part kind − 20.
enum EventKind : uint8_t {
    kTempoEvent = 12,
    kKeyEvent = 13,
    kTimeSigEvent = 14,
    kBeatEvent = 15,     // a beat inside a bar
    kBarEvent = 16,      // a beat that begins a bar
    kMarkerEvent = 20,   // data 1: lyric sentence marker; data 0: the song end
};

inline bool IsNoteOn(int kind) { return kind >= 1 && kind <= 8; }
inline bool IsNoteOff(int kind) { return kind >= 21 && kind <= 28; }

struct PlayEvent {
    double Time = 0;     // seconds from the song start, to 1e-8 s
    uint8_t Kind = 0;
    int32_t Data = 0;    // by kind: pitch, bpm × 1000, key code, time-signature code, the packed
                         // beat (beat index × 1000 + number), 1 marker / 0 end; it orders only
    // Kept apart so nothing has to be unpacked from Data:
    int32_t Tick = 0;        // beats: the beat's own tick
    int32_t BeatIndex = 0;   // beats: running number from the song start (the beat box)
    int32_t Number = 0;      // beats: bar number (kind 16) or beat in bar (kind 15)
    int16_t TempoIndex = 0;  // tempo events: the entry of the tempo list

    bool operator==(const PlayEvent&) const = default;
};

// Rebuilds the list from the song: notes of parts 1..PartCount (a note shorter than one tick
// makes nothing), sentence markers, the beat grid (with one beat past the song end), the song end
// and the changes. Note events come `midiDelay` seconds early. Sets the time-signature sentinel
// after the last entry and clears PlayEventsStale. Order: time to 1e-8 s, then kind, then data.
std::vector<PlayEvent> BuildPlaybackEvents(doc::Song& song, double midiDelay);

// The first event whose time (single precision) is at or after `seconds`; events.size() when none.
int FirstEventAtOrAfter(const std::vector<PlayEvent>& events, double seconds);

}  // namespace playback
