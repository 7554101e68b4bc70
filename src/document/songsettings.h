// The song-settings panel ("歌曲设置"): the song's start in the accompaniment, its length, and the
// time signature, tempo and key at the song start (entry 0 of each change list). The panel's
// controls belong to the main window; here they are plain texts and selections.
#pragma once

#include "document/song.h"

#include <QString>
#include <QStringList>

namespace doc {

// What the panel shows when it opens.
struct SongSettingsPanel {
    QString StartText;   // Text1(0) "开始时间"
    QString LengthText;  // Text1(1) "乐曲时间长度"
    QString TempoText;   // Text1(2) "预置速度"
    // Combo1 "预置节拍": the entry to select, or -1 when the list does not hold the song's time
    // signature; the panel then shows TimeSigText and OK keeps the song's value.
    int TimeSigListIndex = -1;
    QString TimeSigText;
    // Combo3(2) "预置调号" and Check6(1) "低八度" (entry -1: a key the selector cannot show, kept).
    int KeyListIndex = -1;
    bool LowOctave = false;
};

// The panel's values for the song; `timeSigItems` are the texts of Combo1 in order.
SongSettingsPanel SongSettingsPanelValues(const Song& song, const QStringList& timeSigItems);

// What the panel's controls hold when OK is pressed.
struct SongSettingsInput {
    QString StartText;
    QString LengthText;
    QString TempoText;
    QString TimeSigText;     // Combo1.Text; "" when nothing is selected (keep the song's value)
    int KeyListIndex = 0;    // Combo3(2).ListIndex; -1 keeps the song's key
    bool LowOctave = false;  // Check6(1)
};

// The first check the input fails, as the message to show (OK box titled "提示"); "" when it
// passes. In order: start below 0 "开始时间填写错误"; length below 0 "结束时间填写错误"; length above
// 600 or below 10 "时间填写错误超出范围"; tempo outside 30..180 "速度超出范围 (请填写30~180)".
// Numbers are read with Val (an empty text reads 0).
QString CheckSongSettings(const SongSettingsInput& input);

struct SongSettingsResult {
    bool Applied = false;
    QString Refusal;  // when not applied: the message; the panel stays open, nothing changed
};

// OK of the panel: checks the input; when it passes stores the time signature, tempo and key of
// the song start, the start and the length, rebuilds the timeline (which keeps the cursor inside
// the song) and sets Modified, PlayEventsStale and NeedsRetypeset.
SongSettingsResult ApplySongSettings(Song& song, const SongSettingsInput& input, bool loopOn);

}  // namespace doc
