#include "document/timeline.h"

#include "document/songcodes.h"
#include "platform/sortlist.h"
#include "platform/vbtext.h"

#include <QStringList>
#include <algorithm>

namespace doc {

int GoverningTimeSig(const Song& song, int32_t tick) {
    for (int i = song.TimeSigLastIndex; i > 0; --i)
        if (song.TimeSigTicks[i] <= tick) return i;
    return 0;
}

namespace {

struct MeterPlace {
    int entry;
    int beat;
    int bar;
    int64_t since;  // ticks since the governing entry
};

MeterPlace Place(const Song& song, int32_t tick) {
    MeterPlace m;
    m.entry = GoverningTimeSig(song, tick);
    m.beat = BeatTicks(song.TimeSigCodes[m.entry]);
    m.bar = BarTicks(song.TimeSigCodes[m.entry]);
    m.since = int64_t(tick) - song.TimeSigTicks[m.entry];
    return m;
}

// Non-negative remainder; the ticks asked about are never before their governing entry.
int64_t Rem(int64_t a, int64_t b) { return b > 0 ? a % b : 0; }

}  // namespace

int32_t GetNextBeatTick(const Song& song, int32_t tick) {
    MeterPlace m = Place(song, tick);
    return int32_t(tick - Rem(m.since, m.beat) + m.beat);
}

int32_t GetNearestBeatTick(const Song& song, int32_t tick) {
    MeterPlace m = Place(song, tick);
    int64_t r = Rem(m.since, m.beat);
    return int32_t(2 * r < m.beat ? tick - r : tick - r + m.beat);
}

int16_t GetBarPosition(const Song& song, int32_t tick, int16_t& offset) {
    MeterPlace m = Place(song, tick);
    offset = int16_t(Rem(m.since, m.bar));
    int64_t bars = m.bar > 0 ? m.since / m.bar : 0;
    return int16_t(song.TimeSigBarNumbers[m.entry] + bars);
}

int16_t IsOnBeat(const Song& song, int32_t tick) {
    MeterPlace m = Place(song, tick);
    return vb::Flag(Rem(m.since, m.beat) == 0);
}

int16_t IsOnBarline(const Song& song, int32_t tick) {
    MeterPlace m = Place(song, tick);
    return vb::Flag(Rem(m.since, m.bar) == 0);
}

double TickToSeconds(const Song& song, int32_t tick) {
    int k = song.TempoLastIndex;
    while (k > 0 && song.TempoChangeTicks[k] > tick) --k;
    return song.TempoMapSeconds[k] + (double(tick) - song.TempoChangeTicks[k]) / song.TempoChangeBpm[k] * 1.25;
}

namespace {

const QString kTickKey = "00000000";

void SortTimeSignatures(Song& song) {
    SortList list;
    for (int i = 1; i <= song.TimeSigLastIndex; ++i)
        list.AddItem(vb::Format(song.TimeSigTicks[i], kTickKey) + vb::Format(song.TimeSigCodes[i], "000"));
    for (int j = 0; j < list.ListCount(); ++j) {
        const QString& item = list.List(j);
        song.TimeSigTicks[j + 1] = int32_t(vb::Val(vb::Mid(item, 1, 8)));
        song.TimeSigCodes[j + 1] = int16_t(vb::Val(vb::Mid(item, 9, 3)));
    }
}

// Moves every change onto the first bar line of the meter before it, at or after its tick,
// and numbers the bars.
void SnapTimeSignatures(Song& song) {
    int64_t prev = 0;
    int bars = 0;
    int bar = BarTicks(song.TimeSigCodes[0]);
    song.TimeSigBarNumbers[0] = 0;
    for (int i = 1; i <= song.TimeSigLastIndex; ++i) {
        int64_t h = vb::IDiv(double(song.TimeSigTicks[i] - prev - 1), bar) + 1;
        song.TimeSigTicks[i] = int32_t(prev + bar * h);
        bars += int(h);
        song.TimeSigBarNumbers[i] = int16_t(bars);
        prev = song.TimeSigTicks[i];
        bar = BarTicks(song.TimeSigCodes[i]);
    }
}

void SortKeys(Song& song) {
    SortList list;
    for (int i = 1; i <= song.KeyChangeLastIndex; ++i)
        list.AddItem(vb::Format(song.KeyChangeTicks[i], kTickKey) + vb::Format(song.KeyChangeKeys[i] + 12, "00"));
    for (int j = 0; j < list.ListCount(); ++j) {
        const QString& item = list.List(j);
        song.KeyChangeTicks[j + 1] = int32_t(vb::Val(vb::Mid(item, 1, 8)));
        song.KeyChangeKeys[j + 1] = int16_t(vb::Val(vb::Mid(item, 9)) - 12);
    }
}

// The tempo list in tick order (values pass through three decimals), then the tempo map and
// the song length; tempo changes at or after the song end drop out.
void BuildTempoMap(Song& song) {
    song.TempoLastIndex = int16_t(std::clamp<int>(song.TempoLastIndex, 0, kTempoCapacity - 1));
    SortList list;
    for (int i = 1; i <= song.TempoLastIndex; ++i)
        list.AddItem(vb::Format(song.TempoChangeTicks[i], kTickKey) + vb::Format(song.TempoChangeBpm[i], "000.000"));
    for (int j = 0; j < list.ListCount(); ++j) {
        const QString& item = list.List(j);
        song.TempoChangeTicks[j + 1] = int32_t(vb::Val(vb::Mid(item, 1, 8)));
        song.TempoChangeBpm[j + 1] = float(vb::Val(vb::Mid(item, 9)));
    }
    list.AddItem("99999999080.000");

    double prevTick = 0, prevSeconds = 0, prevBpm = song.TempoChangeBpm[0];
    int c = 0;
    song.TempoMapSeconds[0] = 0;
    song.TempoMapTicks[0] = 0;
    // The last item is the sentinel: the song always ends at it at the latest, so the map never
    // takes more entries than the tempo list has room for.
    const int sentinel = list.ListCount() - 1;
    for (int j = 0; j <= sentinel; ++j) {
        const QString& item = list.List(j);
        double t = vb::Val(vb::Mid(item, 1, 8));
        double s = prevSeconds + (t - prevTick) / prevBpm * 1.25;
        if (j < sentinel && s < song.SongSeconds) {
            song.TempoMapSeconds[j + 1] = s;
            song.TempoMapTicks[j + 1] = t;
            prevSeconds = s;
            prevTick = t;
            prevBpm = vb::Val(vb::Mid(item, 9));
            ++c;
            continue;
        }
        double e = vb::Round(prevTick + (song.SongSeconds - prevSeconds) * 0.8 * prevBpm);
        // Beyond the longest song (or no number at all) only when the inputs lie outside the
        // commands' ranges: the song then ends at the longest length.
        if (!(e <= kMaxSongTicks)) e = kMaxSongTicks;
        if (!(e >= 0)) e = 0;
        e = double(vb::IDiv(e - 1, 48)) * 48 + 48;
        int16_t offset = 0;
        GetBarPosition(song, int32_t(e), offset);
        int32_t length = int32_t(e) - offset;
        // A song always keeps at least one bar.
        if (length <= 0) length = BarTicks(song.TimeSigCodes[GoverningTimeSig(song, int32_t(e))]);
        song.SongLength = length;
        song.TempoMapSeconds[j + 1] = prevSeconds + (length - prevTick) / prevBpm * 1.25;
        song.TempoMapTicks[j + 1] = length;
        break;
    }
    song.TempoLastIndex = int16_t(c);
}

template <size_t N>
int16_t TrimAtSongEnd(const std::array<int32_t, N>& ticks, int16_t last, int32_t songLength) {
    for (int i = 1; i <= last; ++i)
        if (ticks[i] == 0 || ticks[i] >= songLength) return int16_t(i - 1);
    return last;
}

}  // namespace

void RebuildTimeline(Song& song, bool loopOn) {
    // Counts beyond the lists' room come from no command; keep every pass inside the arrays.
    song.TimeSigLastIndex = int16_t(std::clamp<int>(song.TimeSigLastIndex, 0, kTimeSigCapacity - 2));
    song.KeyChangeLastIndex = int16_t(std::clamp<int>(song.KeyChangeLastIndex, 0, kKeyCapacity - 1));
    SortTimeSignatures(song);
    SnapTimeSignatures(song);
    BuildTempoMap(song);
    song.TimeSigLastIndex = TrimAtSongEnd(song.TimeSigTicks, song.TimeSigLastIndex, song.SongLength);
    // Keys are put in order before the trim, so a later entry listed early cannot cut off
    // the changes inside the song.
    SortKeys(song);
    song.KeyChangeLastIndex = TrimAtSongEnd(song.KeyChangeTicks, song.KeyChangeLastIndex, song.SongLength);

    if (song.LoopStart > song.SongLength) song.LoopStart = song.SongLength;
    // While the loop is off its end carries the parking offset: clamp the B point itself and
    // park it again, so switching the loop back on finds it where it was.
    int32_t loopEnd = loopOn ? song.LoopEnd : int32_t(vb::Mod(song.LoopEnd, kLoopParkOffset));
    if (loopEnd > song.SongLength) loopEnd = song.SongLength;
    song.LoopEnd = loopOn ? loopEnd : loopEnd + kLoopParkOffset;
    if (song.CursorTick > song.SongLength) song.CursorTick = song.SongLength;
}

RulerMarks ComputeRulerMarks(const Song& song, double width) {
    RulerMarks marks;
    if (song.SongLength <= 0) return marks;
    const double scale = width / (song.SongLength / 48.0);
    auto x = [scale](double t) { return t * scale / 48; };

    double lastNumberX = -900;
    int number = 1;
    int64_t pos = 0;
    int code = song.TimeSigCodes[0];
    for (int k = 1; k <= song.TimeSigLastIndex + 1; ++k) {
        const bool last = k > song.TimeSigLastIndex;
        const int64_t end = last ? int64_t(song.SongLength) + 1 : song.TimeSigTicks[k];
        const int bar = BarTicks(code), beat = BeatTicks(code);
        for (int64_t t = pos; t < end; t += 12) {
            if (bar > 0 && (t - pos) % bar == 0) {
                marks.lines.push_back({x(double(t)), 12});
                double px = x(double(t)) - 8;
                if (px > lastNumberX + 96) {
                    marks.numbers.push_back({px, number});
                    lastNumberX = px;
                }
                ++number;
            } else if (beat > 0 && (t - pos) % beat == 0) {
                marks.lines.push_back({x(double(t)), 6});
            }
        }
        if (!last) {
            pos = song.TimeSigTicks[k];
            code = song.TimeSigCodes[k];
        }
    }

    for (int m = 1; m <= song.KeyChangeLastIndex; ++m)
        marks.keys.push_back({m, x(song.KeyChangeTicks[m]), KeyMarkerCaption(song.KeyChangeKeys[m])});
    for (int m = 1; m <= song.TimeSigLastIndex; ++m)
        marks.timeSigs.push_back({m, x(song.TimeSigTicks[m]), TimeSigCodeToText(song.TimeSigCodes[m])});
    for (int m = 1; m <= song.TempoLastIndex; ++m)
        marks.tempos.push_back({m, x(song.TempoChangeTicks[m]), QString::number(double(song.TempoChangeBpm[m]), 'g', 7)});

    marks.cursorX = x(song.CursorTick);
    marks.loopStartLeft = x(song.LoopStart) - 3;
    marks.loopEndLeft = x(song.LoopEnd) - 18;
    return marks;
}

}  // namespace doc
