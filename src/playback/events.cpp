#include "playback/events.h"

#include <algorithm>
#include <cmath>

#include "document/songcodes.h"
#include "document/timeline.h"

namespace playback {

namespace {

// The time as it orders: whole 1e-8 s, halves away from zero.
int64_t TimeKey(double seconds) { return std::llround(seconds * 1e8); }

PlayEvent Make(double seconds, int kind, int32_t data) {
    PlayEvent e;
    e.Time = double(TimeKey(seconds)) / 1e8;
    e.Kind = uint8_t(kind);
    e.Data = data;
    return e;
}

}  // namespace

std::vector<PlayEvent> BuildPlaybackEvents(doc::Song& song, double midiDelay) {
    std::vector<PlayEvent> list;
    size_t expected = 64 + size_t(std::max(0, song.SongLength)) / 12;  // the beats at most
    for (int p = 1; p <= std::min<int>(song.PartCount, doc::kMaxParts); ++p)
        expected += 2 * size_t(std::clamp<int>(song.Parts[p].NoteCount, 0, doc::kRowsPerPart));
    list.reserve(expected);
    song.PlayEventsStale = 0;
    auto seconds = [&](int32_t tick) { return doc::TickToSeconds(song, tick); };

    for (int p = 1; p <= std::min<int>(song.PartCount, doc::kMaxParts); ++p) {
        const int count = std::clamp<int>(song.Parts[p].NoteCount, 0, doc::kRowsPerPart);
        for (int i = 0; i < count; ++i) {
            const doc::NoteRecord& n = song.Notes[p][i];
            if (n.Pitch == doc::kSentenceMarker) {
                list.push_back(Make(seconds(n.Start), kMarkerEvent, 1));
            } else if (doc::IsSungPitch(n.Pitch) && n.Length >= 1) {
                list.push_back(Make(seconds(n.Start) - midiDelay, p, n.Pitch));
                list.push_back(Make(seconds(n.Start + n.Length - 1) - midiDelay, p + 20, n.Pitch));
            }
        }
    }

    const int last = std::clamp<int>(song.TimeSigLastIndex, 0, doc::kTimeSigCapacity - 2);
    song.TimeSigTicks[last + 1] = 999999;
    song.TimeSigBarNumbers[last + 1] = 4096;

    int32_t beatIndex = 0, bar = 0, beatInBar = 0;
    for (int s = 0; s <= last; ++s) {
        const int code = song.TimeSigCodes[s];
        const int den = doc::GetTimeSigDenominator(code);
        const int32_t beat = den > 0 ? int32_t(std::nearbyint(192.0 / den)) : 48;
        // A numerator of 0 would make bars of no length: such a meter counts bars of one beat.
        const int32_t barLength = beat * std::max(1, doc::GetTimeSigNumerator(code));
        for (int32_t t = song.TimeSigTicks[s]; t < song.TimeSigTicks[s + 1]; t += beat) {
            PlayEvent e;
            if ((t - song.TimeSigTicks[s]) % barLength == 0) {
                ++bar;
                beatInBar = 1;
                e = Make(seconds(t), kBarEvent, beatIndex * 1000 + bar);
                e.Number = bar;
            } else {
                ++beatInBar;
                e = Make(seconds(t), kBeatEvent, beatIndex * 1000 + beatInBar);
                e.Number = beatInBar;
            }
            e.Tick = t;
            e.BeatIndex = beatIndex;
            list.push_back(e);
            if (t > song.SongLength) break;
            ++beatIndex;
        }
    }

    list.push_back(Make(seconds(song.SongLength), kMarkerEvent, 0));
    for (int k = 1; k <= song.TempoLastIndex; ++k) {
        PlayEvent e = Make(seconds(song.TempoChangeTicks[k]), kTempoEvent,
                           int32_t(std::nearbyint(song.TempoChangeBpm[k] * 1000.0)));
        e.Tick = song.TempoChangeTicks[k];
        e.TempoIndex = int16_t(k);
        list.push_back(e);
    }
    for (int k = 1; k <= song.KeyChangeLastIndex; ++k)
        list.push_back(Make(seconds(song.KeyChangeTicks[k] - 1), kKeyEvent, song.KeyChangeKeys[k]));
    for (int k = 1; k <= last; ++k) {
        PlayEvent e = Make(seconds(song.TimeSigTicks[k]), kTimeSigEvent, song.TimeSigCodes[k]);
        e.Tick = song.TimeSigTicks[k];
        list.push_back(e);
    }

    // Sorted through one packed key per event: time (1e-8 s, offset to stay positive), kind,
    // data (offset likewise) and the event's place, compared as one 128-bit number.
    using Key = unsigned __int128;
    std::vector<Key> keys(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        const PlayEvent& e = list[i];
        const uint64_t time = uint64_t(TimeKey(e.Time) + (int64_t(1) << 40));
        const uint64_t low = uint64_t(e.Kind) << 56 | uint64_t(uint32_t(e.Data) ^ 0x80000000u) << 24 | uint64_t(i);
        keys[i] = Key(time) << 64 | low;
    }
    std::sort(keys.begin(), keys.end());
    std::vector<PlayEvent> sorted;
    sorted.reserve(list.size());
    for (const Key& k : keys) sorted.push_back(list[size_t(uint64_t(k) & 0xFFFFFF)]);
    return sorted;
}

int FirstEventAtOrAfter(const std::vector<PlayEvent>& events, double seconds) {
    for (size_t i = 0; i < events.size(); ++i)
        if (!(float(events[i].Time) < float(seconds))) return int(i);
    return int(events.size());
}

}  // namespace playback
