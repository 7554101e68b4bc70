#include "document/songsettings.h"

#include "document/changepoints.h"
#include "document/songcodes.h"
#include "document/timeline.h"
#include "platform/vbtext.h"

namespace doc {

SongSettingsPanel SongSettingsPanelValues(const Song& song, const QStringList& timeSigItems) {
    SongSettingsPanel p;
    p.TimeSigText = TimeSigCodeToText(song.TimeSigCodes[0]);
    p.TimeSigListIndex = FindTimeSigItem(timeSigItems, song.TimeSigCodes[0]);
    p.TempoText = TempoText(song.TempoChangeBpm[0]);
    p.StartText = vb::CStr(song.SongStartSeconds);
    p.LengthText = vb::CStr(song.SongSeconds);
    KeyToSelector(song.KeyChangeKeys[0], &p.KeyListIndex, &p.LowOctave);
    return p;
}

QString CheckSongSettings(const SongSettingsInput& input) {
    const double start = vb::Val(input.StartText);
    const double length = vb::Val(input.LengthText);
    const double tempo = vb::Val(input.TempoText);
    if (start < 0) return QStringLiteral("开始时间填写错误");
    if (length < 0) return QStringLiteral("结束时间填写错误");
    if (length > 600) return QStringLiteral("时间填写错误超出范围");
    if (length < 10) return QStringLiteral("时间填写错误超出范围");
    if (tempo < 30 || tempo > 180) return QStringLiteral("速度超出范围 (请填写30~180)");
    return {};
}

SongSettingsResult ApplySongSettings(Song& song, const SongSettingsInput& input, bool loopOn) {
    SongSettingsResult r;
    r.Refusal = CheckSongSettings(input);
    if (!r.Refusal.isEmpty()) return r;

    if (!input.TimeSigText.isEmpty()) song.TimeSigCodes[0] = TimeSigTextToCode(input.TimeSigText);
    song.TempoChangeBpm[0] = float(vb::Val(input.TempoText));
    if (input.KeyListIndex >= 0) song.KeyChangeKeys[0] = int16_t(input.KeyListIndex - 12 * (input.LowOctave ? 1 : 0));
    song.SongStartSeconds = vb::Val(input.StartText);
    song.SongSeconds = vb::Val(input.LengthText);
    RebuildTimeline(song, loopOn);
    if (song.CursorTick > song.SongLength) song.CursorTick = song.SongLength;
    song.Modified = -1;
    song.PlayEventsStale = -1;
    song.NeedsRetypeset = -1;
    r.Applied = true;
    return r;
}

}  // namespace doc
