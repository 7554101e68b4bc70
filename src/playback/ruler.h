// The song ruler (the whole song from tick 0 at its left edge to SongLength at its right edge) and
// the piano-roll ruler: what a click on them does, the cursor they locate, the A-B loop points a
// modified click sets, the editor-window box, and the zoom of the song ruler.
#pragma once

#include "document/playmode.h"
#include "document/song.h"

#include <cstdint>

namespace playback {

// x of `tick` on a song ruler `width` units wide.
double TickToRulerX(const doc::Song& song, double tick, double width);
// Left edges of the loop-start marker "|←" and the loop-end marker "→|" for the song's loop.
double LoopStartMarkerLeft(const doc::Song& song, double width);
double LoopEndMarkerLeft(const doc::Song& song, double width);

// `tick` snapped to the nearest multiple of the ruler grid `grid` (ticks), halfway going to the
// later one. A grid below 1 leaves the tick as it is.
int32_t SnapToRulerGrid(int32_t tick, double grid);

// What a mouse press on the song ruler does.
enum class RulerAction {
    None,             // nothing (besides hiding the note menu)
    SetLoopStart,     // SetLoopStartAt, then move the loop-start markers
    SetLoopEnd,       // SetLoopEndAt, then move the loop-end markers
    PlaceEditorBox,   // EditorBoxLeftAt, then RefreshPianoRoll
    StopAndReplay,    // stop; remember x (rounded) and shift; disable Check2 and the ruler; start Timer2
    Locate,           // CursorTick = SongRulerClickTick, move Line4, UpdatePositionDisplay
};
struct RulerClick {
    RulerAction Action = RulerAction::None;
    // The play mode after the press (before the stop of StopAndReplay).
    doc::PlayMode PlayMode = doc::PlayMode::Idle;
};
// `button` 1 left, 2 right, 4 middle; `shift` the modifier mask (1 Shift, 2 Ctrl, 4 Alt).
RulerClick DecideSongRulerClick(int button, int shift, doc::PlayMode playMode, bool loopOn, bool pianoRollShown);

// The cursor a locate click at `x` on a song ruler `width` units wide gives: x / width × SongLength
// rounded, snapped to the ruler grid, never beyond the song end nor before its start.
int32_t SongRulerClickTick(const doc::Song& song, double x, double width, double grid);

// The same for the piano-roll ruler showing RollViewStart .. RollViewStart + RollViewSpan over
// `width` units; Ctrl held (shift And 2) locates without the grid.
int32_t RollRulerClickTick(const doc::Song& song, double x, double width, int32_t rollViewStart,
                           int32_t rollViewSpan, double grid, int shift);
// What a press on the piano-roll ruler does: only the left button acts; it stops and replays
// (Timer4) while playing, else it locates. Stopped becomes Idle.
RulerClick DecideRollRulerClick(int button, doc::PlayMode playMode);

// Loop start for a Shift+left click at `x`: the tick under x, at most SongLength − 96 and at
// most LoopEnd − 96, snapped to the nearest beat; a beat that leaves less than one beat before
// LoopEnd gives way to the beat before it.
int32_t LoopStartAt(const doc::Song& song, double x, double width);
// Loop end for a Shift+right click at `x`: the tick under x, at least 96 and at least
// LoopStart + 96, snapped to the nearest beat; a beat that leaves less than one beat after
// LoopStart gives way to the beat after it.
int32_t LoopEndAt(const doc::Song& song, double x, double width);

// Left edge of the editor-window box `boxWidth` wide for a press of `button` at x on a ruler
// `rulerWidth` wide: the left button puts its left edge at x, the right its right edge, the
// middle its centre; the box stays on the ruler.
double EditorBoxLeftAt(int button, double x, double boxWidth, double rulerWidth);

// The zoom of the song ruler (HScroll2): the ruler becomes `zoom` screen widths wide, and is
// scrolled so that the cursor line stays where it was on the screen as far as the ruler's ends
// allow.
struct RulerZoom {
    double RulerWidth = 0;      // Picture1.Width
    double ScrollMax = 0;       // HScroll1.Max
    double ScrollValue = 0;     // HScroll1.Value (Picture1.Left = −value)
    double EditorBoxLeft = 0;   // Label14.Left (and Shape2 at the same left, top 0)
    double EditorBoxWidth = 0;  // Label14.Width (and Shape2)
    double OverviewScale = 0;   // ruler units per tick
};
// `rulerLeft` and `cursorLineX` are Picture1.Left and Line4.X1 before the zoom.
RulerZoom ZoomSongRuler(const doc::Song& song, int screenWidthPx, int zoom, double rulerLeft, double cursorLineX,
                        int32_t rollViewStart, int32_t rollViewEnd);

}  // namespace playback
