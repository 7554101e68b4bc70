#include "playback/position.h"

#include "document/changepoints.h"
#include "document/songcodes.h"
#include "document/timeline.h"
#include "platform/vbtext.h"

namespace playback {

PositionDisplay PositionAt(const doc::Song& song, int32_t tick) {
    PositionDisplay d;

    const int i = doc::TempoIndexAt(song, tick);
    d.CurrentTempoIndex = i;
    d.CurrentTempo = song.TempoChangeBpm[i];
    d.TempoText = doc::TempoText(song.TempoChangeBpm[i]);

    d.CurrentKey = song.KeyChangeKeys[doc::KeyIndexAt(song, tick)];
    d.KeyText = d.CurrentKey < 0 ? QStringLiteral("低") + doc::KeyName(d.CurrentKey + 12) : doc::KeyName(d.CurrentKey);

    const int k = doc::GoverningTimeSig(song, tick);
    d.CursorTimeSig = song.TimeSigCodes[k];
    d.TimeSigText = doc::TimeSigCodeToText(d.CursorTimeSig);
    const int beat = doc::BeatTicks(d.CursorTimeSig);
    const int bar = beat * doc::GetTimeSigNumerator(d.CursorTimeSig);
    const double since = double(tick) - song.TimeSigTicks[k];
    if (bar > 0) {
        d.BarText = vb::CStr(double(vb::IDiv(since, bar) + song.TimeSigBarNumbers[k] + 1));
        d.BeatText = vb::CStr(double(vb::Mod(since, bar)) / beat + 1);
    }

    d.CursorSeconds = (double(tick) - song.TempoChangeTicks[i]) / song.TempoChangeBpm[i] * 1.25 + song.TempoMapSeconds[i];
    d.SecondsText = vb::Format(d.CursorSeconds, "0.000");
    return d;
}

int32_t TrackPageMarkTick(int32_t cursorTick, int zoomPercent) {
    if (zoomPercent <= 0) return cursorTick;
    return int32_t(vb::Round(38400.0 / zoomPercent + cursorTick));
}

int LastBeatBoxAtOrBefore(const std::vector<int32_t>& boxTicks, int32_t tick) {
    for (int b = int(boxTicks.size()) - 1; b >= 0; --b)
        if (tick >= boxTicks[size_t(b)]) return b;
    return -1;
}

}  // namespace playback
