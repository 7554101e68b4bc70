#include "document/changepoints.h"

#include "document/songcodes.h"
#include "document/timeline.h"
#include "platform/vbtext.h"

namespace doc {

int TempoIndexAt(const Song& song, int32_t tick) {
    for (int i = song.TempoLastIndex; i > 0; --i)
        if (tick >= song.TempoChangeTicks[i]) return i;
    return 0;
}

int KeyIndexAt(const Song& song, int32_t tick) {
    for (int i = song.KeyChangeLastIndex; i > 0; --i)
        if (tick >= song.KeyChangeTicks[i]) return i;
    return 0;
}

QString TempoText(float bpm) { return QString::number(double(bpm), 'g', 7); }

int FindTimeSigItem(const QStringList& items, int code) {
    const QString text = TimeSigCodeToText(code);
    for (int i = 0; i < items.size(); ++i)
        if (items[i] == text) return i;
    return -1;
}

void KeyToSelector(int key, int* listIndex, bool* lowOctave) {
    if (key < -12 || key > 11) {
        *listIndex = -1;
        *lowOctave = false;
    } else if (key < 0) {
        *listIndex = key + 12;
        *lowOctave = true;
    } else {
        *listIndex = key;
        *lowOctave = false;
    }
}

bool ChangePanelsUsable(PlayMode playMode) {
    return playMode == PlayMode::Idle || playMode == PlayMode::ChangePanel || playMode == PlayMode::Stopped;
}

bool ChangeKindForKey(int keyCode, int shift, ChangeKind* kind) {
    if (shift != 2) return false;
    switch (keyCode) {
    case 82: *kind = ChangeKind::TimeSig; return true;
    case 84: *kind = ChangeKind::Tempo; return true;
    case 86: *kind = ChangeKind::Key; return true;
    default: return false;
    }
}

namespace {

int LastIndex(const Song& song, ChangeKind kind) {
    switch (kind) {
    case ChangeKind::TimeSig: return song.TimeSigLastIndex;
    case ChangeKind::Tempo: return song.TempoLastIndex;
    case ChangeKind::Key: return song.KeyChangeLastIndex;
    }
    return 0;
}

int MaxLastIndex(ChangeKind kind) {
    switch (kind) {
    case ChangeKind::TimeSig: return kMaxTimeSigChanges;
    case ChangeKind::Tempo: return kMaxTempoChanges;
    case ChangeKind::Key: return kMaxKeyChanges;
    }
    return 0;
}

void PresetTimeSig(ChangePanel& panel, int code, const QStringList& items) {
    panel.KeptTimeSigCode = int16_t(code);
    panel.TimeSigText = TimeSigCodeToText(code);
    panel.TimeSigListIndex = FindTimeSigItem(items, code);
}

void PresetKey(ChangePanel& panel, int key) {
    panel.KeptKey = int16_t(key);
    KeyToSelector(key, &panel.KeyListIndex, &panel.LowOctave);
}

void SetDirty(Song& song) {
    song.Modified = -1;
    song.PlayEventsStale = -1;
    song.NeedsRetypeset = -1;
}

}  // namespace

ChangeOpening PlanChangeInsertion(const Song& song, ChangeKind kind, PlayMode playMode, bool cursorOnScreen,
                                  const QStringList& timeSigItems) {
    ChangeOpening r;
    if (!ChangePanelsUsable(playMode) || !cursorOnScreen) return r;

    // The nearest multiple of 12 ticks; a cursor that rounds to the song start would insert an
    // entry at tick 0, which only the song settings may set.
    const int32_t tick = int32_t(vb::IDiv(double(song.CursorTick) + 6, 12) * 12);
    if (tick == 0) {
        r.Refusal = QStringLiteral("不能在开始处插入，请在歌曲设置里修改");
        return r;
    }
    const int last = LastIndex(song, kind);
    if (last >= MaxLastIndex(kind)) {
        switch (kind) {
        case ChangeKind::TimeSig: r.Refusal = QStringLiteral("插入节奏更改太多"); break;
        case ChangeKind::Tempo: r.Refusal = QStringLiteral("插入速度更改太多"); break;
        case ChangeKind::Key: r.Refusal = QStringLiteral("插入调试更改太多"); break;
        }
        return r;
    }

    ChangePanel& p = r.Panel;
    p.Kind = kind;
    p.EditedChangeIndex = last + 1;
    p.EditedChangeTick = tick;
    p.ShowDelete = false;
    p.DisablesCommandColumn = true;
    // Preset with what is in force at the cursor.
    switch (kind) {
    case ChangeKind::TimeSig:
        PresetTimeSig(p, song.TimeSigCodes[GoverningTimeSig(song, song.CursorTick)], timeSigItems);
        break;
    case ChangeKind::Tempo:
        p.TempoText = QStringLiteral(" ") + TempoText(song.TempoChangeBpm[TempoIndexAt(song, song.CursorTick)]);
        break;
    case ChangeKind::Key:
        PresetKey(p, song.KeyChangeKeys[KeyIndexAt(song, song.CursorTick)]);
        break;
    }
    r.Opened = true;
    return r;
}

ChangeOpening OpenChangeMarker(const Song& song, ChangeKind kind, int index, PlayMode playMode,
                               const QStringList& timeSigItems) {
    ChangeOpening r;
    if (!ChangePanelsUsable(playMode) || index < 1 || index > LastIndex(song, kind)) return r;
    ChangePanel& p = r.Panel;
    p.Kind = kind;
    p.EditedChangeIndex = index;
    p.ShowDelete = true;
    p.DisablesCommandColumn = false;
    switch (kind) {
    case ChangeKind::TimeSig:
        p.EditedChangeTick = song.TimeSigTicks[index];
        PresetTimeSig(p, song.TimeSigCodes[index], timeSigItems);
        break;
    case ChangeKind::Tempo:
        p.EditedChangeTick = song.TempoChangeTicks[index];
        p.TempoText = TempoText(song.TempoChangeBpm[index]);
        break;
    case ChangeKind::Key:
        p.EditedChangeTick = song.KeyChangeTicks[index];
        PresetKey(p, song.KeyChangeKeys[index]);
        break;
    }
    r.Opened = true;
    return r;
}

ChangeResult ConfirmChange(Song& song, const ChangePanel& panel, const ChangeInput& input, PlayMode playMode,
                           bool loopOn) {
    ChangeResult r;
    const int e = panel.EditedChangeIndex;
    if (!ChangePanelsUsable(playMode) || e < 1 || e > MaxLastIndex(panel.Kind)) return r;

    switch (panel.Kind) {
    case ChangeKind::TimeSig:
        song.TimeSigTicks[e] = panel.EditedChangeTick;
        // Nothing selected: the list does not hold the entry's value, which stays as it is.
        song.TimeSigCodes[e] = input.TimeSigText.isEmpty() ? panel.KeptTimeSigCode : TimeSigTextToCode(input.TimeSigText);
        if (song.TimeSigLastIndex < e) song.TimeSigLastIndex = int16_t(e);
        break;
    case ChangeKind::Tempo: {
        const double bpm = vb::Val(input.TempoText);
        if (bpm < 30 || bpm > 180) {
            r.Refusal = QStringLiteral("速度超出范围 (请填写30~180)");
            return r;
        }
        song.TempoChangeTicks[e] = panel.EditedChangeTick;
        song.TempoChangeBpm[e] = float(bpm);
        if (song.TempoLastIndex < e) song.TempoLastIndex = int16_t(e);
        break;
    }
    case ChangeKind::Key:
        song.KeyChangeTicks[e] = panel.EditedChangeTick;
        song.KeyChangeKeys[e] = input.KeyListIndex < 0 ? panel.KeptKey
                                                       : int16_t(input.KeyListIndex - 12 * (input.LowOctave ? 1 : 0));
        if (song.KeyChangeLastIndex < e) song.KeyChangeLastIndex = int16_t(e);
        break;
    }
    RebuildTimeline(song, loopOn);
    SetDirty(song);
    r.Applied = true;
    return r;
}

ChangeResult DeleteChange(Song& song, ChangeKind kind, int index, PlayMode playMode, bool loopOn) {
    ChangeResult r;
    const int last = LastIndex(song, kind);
    if (!ChangePanelsUsable(playMode) || index < 1 || index > last) return r;
    switch (kind) {
    case ChangeKind::TimeSig:
        song.TimeSigTicks[index] = song.TimeSigTicks[last];
        song.TimeSigCodes[index] = song.TimeSigCodes[last];
        song.TimeSigLastIndex = int16_t(last - 1);
        break;
    case ChangeKind::Tempo:
        song.TempoChangeTicks[index] = song.TempoChangeTicks[last];
        song.TempoChangeBpm[index] = song.TempoChangeBpm[last];
        song.TempoLastIndex = int16_t(last - 1);
        break;
    case ChangeKind::Key:
        song.KeyChangeTicks[index] = song.KeyChangeTicks[last];
        song.KeyChangeKeys[index] = song.KeyChangeKeys[last];
        song.KeyChangeLastIndex = int16_t(last - 1);
        break;
    }
    RebuildTimeline(song, loopOn);
    SetDirty(song);
    r.Applied = true;
    return r;
}

double InsertionPanelLeft(double cursorScreenX, int screenWidthPx, double panelWidth) {
    double left = cursorScreenX;
    if (left > screenWidthPx - 209) left = screenWidthPx - 209;
    if (left > screenWidthPx - panelWidth) left = screenWidthPx - panelWidth;
    return left;
}

}  // namespace doc
