// The position display: what is in force at the song cursor (tempo, key, time signature), where
// the cursor stands in bars and beats, and its time in seconds, with the texts of the position
// labels.
#pragma once

#include "document/song.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace playback {

struct PositionDisplay {
    QString BarText;       // Label3(13): bar number, from 1
    QString BeatText;      // Label3(14): beat in the bar, from 1, with its fraction ("2.5")
    QString TimeSigText;   // Label3(15): "4/4"
    QString TempoText;     // Label3(16): "80", "92.5"
    QString KeyText;       // Label3(17): "C 调  (+0)"; "低" in front for a key an octave lower
    QString SecondsText;   // Label3(19): "6.000"

    int32_t CursorTimeSig = 0;   // time-signature code in force
    double CurrentTempo = 0;     // tempo in force, quarter notes per minute
    int CurrentTempoIndex = 0;   // its entry in the tempo list
    int CurrentKey = 0;          // key code in force
    double CursorSeconds = 0;    // the tick through the tempo map
};

// What the position labels show for the cursor at `tick`.
PositionDisplay PositionAt(const doc::Song& song, int32_t tick);

// The tick the track-view page end marker Line5 first goes to for the track zoom slider at
// `zoomPercent`: 38400 / zoom + cursor, rounded.
int32_t TrackPageMarkTick(int32_t cursorTick, int zoomPercent);

// The last beat box (searching from the last down) whose tick is at or before `tick`; -1 when none.
// `boxTicks` holds the tick of every typeset beat box in order.
int LastBeatBoxAtOrBefore(const std::vector<int32_t>& boxTicks, int32_t tick);

}  // namespace playback
