#include "playback/ruler.h"

#include <cmath>

#include "document/songcodes.h"
#include "document/timeline.h"
#include "platform/vbtext.h"

#include <algorithm>

namespace playback {

using doc::PlayMode;

double TickToRulerX(const doc::Song& song, double tick, double width) {
    if (song.SongLength <= 0) return 0;
    const double scale = width / (song.SongLength / 48.0);
    return tick * scale / 48;
}

double LoopStartMarkerLeft(const doc::Song& song, double width) { return TickToRulerX(song, song.LoopStart, width) - 3; }
double LoopEndMarkerLeft(const doc::Song& song, double width) { return TickToRulerX(song, song.LoopEnd, width) - 18; }

int32_t SnapToRulerGrid(int32_t tick, double grid) {
    if (grid < 1) return tick;
    // The nearest multiple, a tick halfway between two going to the later one; the same on the
    // odd grids (3, 1), where rounding the half grid first would overshoot.
    const int32_t g = int32_t(vb::Round(grid));
    return int32_t(double(g) * std::floor(double(tick) / g + 0.5));
}

namespace {

// A plain click while playing stops and is replayed; otherwise it locates.
void StopAndReplayOrLocate(RulerClick& c) {
    if (c.PlayMode == PlayMode::Playing) {
        c.PlayMode = PlayMode::Idle;
        c.Action = RulerAction::StopAndReplay;
    } else {
        c.Action = RulerAction::Locate;
    }
}

}  // namespace

RulerClick DecideSongRulerClick(int button, int shift, PlayMode playMode, bool loopOn, bool pianoRollShown) {
    RulerClick c;
    c.PlayMode = playMode;
    if (shift != 0) {
        if (loopOn && button == 1) c.Action = RulerAction::SetLoopStart;
        else if (loopOn && button == 2) c.Action = RulerAction::SetLoopEnd;
        return c;
    }
    if (playMode == PlayMode::ChangePanel) return c;
    if (playMode == PlayMode::Stopped) c.PlayMode = PlayMode::Idle;
    if (pianoRollShown) {
        if (button == 1 || button == 2 || button == 4) c.Action = RulerAction::PlaceEditorBox;
    } else if (button == 1) {
        StopAndReplayOrLocate(c);
    }
    return c;
}

namespace {

int32_t ClampToSong(const doc::Song& song, double tick) {
    if (tick < 0) return 0;
    if (tick > song.SongLength) return song.SongLength;
    return int32_t(tick);
}

int BeatAt(const doc::Song& song, int32_t tick) {
    return doc::BeatTicks(song.TimeSigCodes[doc::GoverningTimeSig(song, tick)]);
}

// The beat boundary at or before `tick`.
int32_t BeatAtOrBefore(const doc::Song& song, int32_t tick) {
    return doc::GetNextBeatTick(song, tick) - BeatAt(song, tick);
}

}  // namespace

int32_t SongRulerClickTick(const doc::Song& song, double x, double width, double grid) {
    if (width <= 0) return 0;
    const double tick = vb::Round(x / width * song.SongLength);
    return ClampToSong(song, SnapToRulerGrid(ClampToSong(song, tick), grid));
}

int32_t RollRulerClickTick(const doc::Song& song, double x, double width, int32_t rollViewStart,
                           int32_t rollViewSpan, double grid, int shift) {
    if (width <= 0) return rollViewStart;
    int32_t tick = ClampToSong(song, vb::Round(x * rollViewSpan / width + rollViewStart));
    if ((shift & 2) == 0) tick = SnapToRulerGrid(tick, grid);
    return ClampToSong(song, tick);
}

RulerClick DecideRollRulerClick(int button, PlayMode playMode) {
    RulerClick c;
    c.PlayMode = playMode == PlayMode::Stopped ? PlayMode::Idle : playMode;
    if (button == 1) StopAndReplayOrLocate(c);
    return c;
}

int32_t LoopStartAt(const doc::Song& song, double x, double width) {
    const double length = song.SongLength;
    double s = width > 0 ? vb::Round(x / width * length) : 0;
    if (s > length - 96) s = length - 96;
    if (song.LoopEnd - s < 96) s = song.LoopEnd - 96;
    int32_t start = doc::GetNearestBeatTick(song, ClampToSong(song, s));
    // The nearest beat may lie too close to the loop end (a beat longer than 96 ticks).
    while (start > 0 && song.LoopEnd - start < BeatAt(song, start)) start = BeatAtOrBefore(song, start - 1);
    return start;
}

int32_t LoopEndAt(const doc::Song& song, double x, double width) {
    double e = width > 0 ? vb::Round(x / width * song.SongLength) : 0;
    if (e < 96) e = 96;
    if (e - song.LoopStart < 96) e = song.LoopStart + 96;
    int32_t end = doc::GetNearestBeatTick(song, int32_t(e));
    const int beat = BeatAt(song, std::max(song.LoopStart, 0));
    while (end - song.LoopStart < beat) end = doc::GetNextBeatTick(song, end);
    return end;
}

double EditorBoxLeftAt(int button, double x, double boxWidth, double rulerWidth) {
    double left = x;
    if (button == 2) left = x - boxWidth;
    else if (button == 4) left = x - boxWidth / 2;
    if (left < 0) left = 0;
    if (left + boxWidth > rulerWidth) left = rulerWidth - boxWidth;
    return left;
}

RulerZoom ZoomSongRuler(const doc::Song& song, int screenWidthPx, int zoom, double rulerLeft, double cursorLineX,
                        int32_t rollViewStart, int32_t rollViewEnd) {
    RulerZoom z;
    const double p = vb::Round(rulerLeft + cursorLineX);
    z.RulerWidth = double(screenWidthPx) * zoom;
    z.ScrollMax = z.RulerWidth - screenWidthPx;
    double left = vb::Round(p - TickToRulerX(song, song.CursorTick, z.RulerWidth));
    if (left > 0) left = 0;
    if (left < screenWidthPx - z.RulerWidth) left = screenWidthPx - z.RulerWidth;
    z.ScrollValue = -left;
    if (song.SongLength > 0) {
        z.EditorBoxLeft = double(rollViewStart) / song.SongLength * z.RulerWidth;
        z.EditorBoxWidth = double(rollViewEnd - rollViewStart) / song.SongLength * z.RulerWidth;
        z.OverviewScale = z.RulerWidth / song.SongLength;
    }
    return z;
}

}  // namespace playback
