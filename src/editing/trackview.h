// Drawing of the track view: the coloured band of each part's strip (kept as the canvases'
// background picture) and one page of time drawn over it: each shown part's notes as bars by
// pitch with the syllables in boxes ("词"), or as numbered-notation digits with their lyrics
// ("音"), over bar and beat lines with bar numbers. The view has two canvases; a page is drawn
// into the one not shown and the window brings it to the front.
#pragma once

#include "document/song.h"
#include "platform/surface.h"

#include <QString>
#include <cstdint>

namespace editing {

// What a page drawing reads besides the song (all sizes in canvas pixels).
struct TrackViewPage {
    int32_t cursorTick = 0;   // CursorTick: first tick of the page
    int32_t pageSpan = 1968;  // TrackPageSpan: ticks per page
    double scale = 0.5;       // TrackScale: canvas pixels per tick
    int noteBarWidth = 10;    // NoteBarWidth: pixels per semitone row, thickness of a bar
    int lyricCharWidth = 20;  // LyricCharWidth: side of a lyric box
    int slantValue = 8;       // HScroll3(4): horizontal extent of a slant between two notes of a syllable
    // The lyric sample Label9: font of the canvases' text and its label height in twips.
    QString fontName = QStringLiteral("宋体");
    double fontSize = 9;
    double labelHeightTwips = 180;
    int verse = 0;            // Combo8.ListIndex: the verse shown
    vb::Colour beatLineColour = vb::RGB(128, 255, 128);  // Label15(7)
    vb::Colour barLineColour = vb::RGB(223, 251, 255);   // Label15(8)
    vb::Colour commentColour = vb::RGB(0, 192, 0);       // Label15(10)
    bool showComments = false;   // Check5(2) "提示插入信息"
    bool showBarLines = true;    // Check5(3) "提示小节"
    bool showBeatLines = true;   // Check5(4) "提示拍点"

    int lyricNoteGap() const { return lyricCharWidth - noteBarWidth; }
    int slantHalfWidth() const;  // SlantHalfWidth = value / 2
    int32_t pageEnd() const { return cursorTick + pageSpan; }
};

// The text captions of the display-mode button Command11 for modes 0, 1, 2.
QString DisplayModeCaption(int mode);

// Clears the canvas (its background picture too) and fills each part's strip, StripTop to
// StripTop + StripHeight inclusive, with the part's first colour; the result becomes the
// canvas's background picture, so every later clear restores the bands.
void DrawPartRangeBands(vb::PageSurface& canvas, const doc::Song& song);

// Draws one page into `back`: clears it (the bands reappear), then each part in part order
// that is not in mode 0. Returns TrackPageEnd (cursorTick + pageSpan, the last tick drawn).
int32_t DrawTrackViewPage(vb::Surface& back, const doc::Song& song, const TrackViewPage& page);

// Bar lines with their numbers (and beat lines when shown) of the page, numbers on the bottom
// row of the current part's strip. Nothing when bar lines are switched off.
void DrawTrackViewGrid(vb::Surface& back, const doc::Song& song, const TrackViewPage& page);

// The two canvases of the track view with the index of the one in front (FrontCanvas).
class TrackViewCanvases {
public:
    TrackViewCanvases(vb::PageSurface& canvas0, vb::PageSurface& canvas1) : canvas_{&canvas0, &canvas1} {}
    int FrontCanvas = 0;
    vb::PageSurface& Canvas(int index) { return *canvas_[index & 1]; }
    vb::PageSurface& Front() { return *canvas_[FrontCanvas & 1]; }
    vb::PageSurface& Back() { return *canvas_[1 - (FrontCanvas & 1)]; }
    // The back canvas comes to the front.
    void Flip() { FrontCanvas = 1 - (FrontCanvas & 1); }
    // The bands of both canvases from the current strips; run whenever the strips change
    // (after the canvases took their new height).
    void DrawBands(const doc::Song& song);
    // A page into the back canvas; returns TrackPageEnd.
    int32_t DrawPage(const doc::Song& song, const TrackViewPage& page) {
        return DrawTrackViewPage(Back(), song, page);
    }

private:
    vb::PageSurface* canvas_[2];
};

}  // namespace editing
