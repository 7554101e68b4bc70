// The piano roll's model: the geometry of keys and rows, the editor window and its box on the song
// ruler, the beat and bar grid, pointer snapping, and the note commands of the canvas, the note
// labels and the note menu. Everything here works on the song and the undo journal; the window
// moves its controls from the results.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <utility>
#include <vector>

#include "document/song.h"
#include "editing/undojournal.h"

namespace editing {

// ---- keys and rows ----------------------------------------------------------------------------
constexpr int kLowestKey = 21;
constexpr int kHighestKey = 108;
constexpr int kWhiteRows = 52;
// Labels of the note pool (1..511) and of the recorded-note pool (1..255).
constexpr int kNoteLabelPool = 511;
constexpr int kRecordLabelPool = 255;
constexpr int kNoteMenuItems = 21;

// The keyboard-entry marker stands kEntryMarkerRise pixels above the note it marks: a picture that
// tall, transparent but for a downward arrow whose tip touches the note.
constexpr int kEntryMarkerRise = 48;
constexpr QRgb kEntryMarkerColour = 0xFF0000C0;
QImage EntryMarkerPicture();

// The MIDI note of the white key on row `row` (0 = C8 .. 51 = A0).
int RowToSemitone(int row);
bool IsBlackKey(int note);
// The white-key row of white note `note`.
int WhiteKeyRow(int note);

struct RowBox {
    double top = 0;
    double height = 0;
};
// Key `note` (21..108) for key height h.
RowBox KeyBox(int note, int h);
// The row of a note's label: its key for a pitch above 20, the item row of an ItemCode otherwise.
RowBox PitchRowBox(int pitch, int h);
// Keyboard strip and canvas height.
inline int RollCanvasHeight(int h) { return kWhiteRows * (h - 1) + 1; }

// ---- editor window -----------------------------------------------------------------------------
struct RollWindow {
    int32_t start = 0;
    int32_t end = 0;
    double boxLeft = 0;  // the box redrawn from the window, ruler pixels
    double boxWidth = 0;
    int32_t span() const { return end - start; }
};
// The window the box stands for: snapped to the grid (at least 48), 192..3840 ticks, inside the song.
RollWindow WindowFromBox(double boxLeft, double boxWidth, double rulerWidth, int32_t songLength, int32_t grid);
// Length of a note drawn with a plain click: twice the chosen grid entry.
int32_t NewNoteLengthFor(int32_t grid);
// x of tick t in a window drawn `width` pixels wide.
double TickX(int32_t tick, int32_t start, int32_t span, double width);

// The editor-window box on the song ruler: hover zone and drag outline (pixels; pointer x in twips).
QString EditorBoxZone(double xTwips, double boxWidth);
struct BoxOutline {
    double left = 0;
    double width = 0;
    double guideX = 0;  // the guide line on the canvas
};
BoxOutline DragEditorBox(const QString& zone, double boxLeft, double boxWidth, double dxTwips, double canvasWidth);

// ---- grid -------------------------------------------------------------------------------------
struct GridLine {
    double x = 0;
    bool bar = false;
    int number = 0;        // a bar line's bar number
    bool labelled = false;  // its number is printed (more than 96 pixels after the last printed one)
};
// Beat and bar lines of the window on a ruler `width` wide, up to the first beat past the end.
// Writes the sentinel entry after the last time signature.
std::vector<GridLine> RollGrid(doc::Song& song, int32_t start, int32_t end, double width);

// ---- pointer --------------------------------------------------------------------------------------
// Tick under canvas x, snapped to the grid (half to the later multiple) unless ctrl.
int32_t PointerTick(double x, double width, int32_t start, int32_t span, int32_t grid, bool ctrl);
// A label drag's value on the grid of step `step` pixels (half to the larger multiple), whole pixels.
double SnapToStep(double value, double step);

// The pitch a label dropped with its outline at `outlineTop` takes: a pitched note changes only when
// the outline's row differs from the row of the label's own top; marks keep their item code.
int DroppedPitch(int pitch, double labelTop, double outlineTop, int rowHeight);

// ---- labels ----------------------------------------------------------------------------------------
// Rows of the part overlapping the window, in row order, at most `limit`.
std::vector<int> VisibleRows(const doc::Song& song, int part, int32_t start, int32_t end, int limit = kNoteLabelPool);
// Where the lyric entry box selects on a double-click: (start, length) in characters.
std::pair<int, int> VerseSelection(const QString& text, int pitch, int verse);
// The entry form of a mark, put in front of (or replacing) the text.
QString EntryTextFor(int pitch, const QString& text);

// ---- note commands -------------------------------------------------------------------------------
QString MakeLyricPlaceholder(int n);
template <class A, class B>
void SwapValues(A& a, B& b) {
    const A t = a;
    a = A(b);
    b = B(int32_t(t));
}

constexpr int kPartFull = -2;
// The refusal shown when a part would hold more than 4096 notes.
QString FullPartMessage();
// Appends a note; returns its row, -1 for a length below 1, kPartFull when the part holds 4096 rows.
int AddNote(doc::Song& song, int pitch, int32_t start, int32_t length, const QString& lyric, int part);

// The journal line of a row's present values.
QString NoteLineOf(int part, const doc::NoteRecord& n);
void MarkChanged(doc::Song& song);

enum class DrawResult { Drawn, Nothing, Full };
// A left release on the canvas: draws the note from dragStart to mouseTick (a click: newNoteLength).
DrawResult DrawNote(doc::Song& song, UndoJournal& journal, int part, int32_t dragStart, int32_t& mouseTick,
                    int row, int32_t& newNoteLength, int verses);

// Label drop: every selected row moved by dT ticks and dP semitones. False (nothing written) when no
// line changes or when a moved note would start before 0 or leave 21..108.
bool MoveSelectedNotes(doc::Song& song, UndoJournal& journal, int part, int32_t dT, int dP);
// Label resize: one row to the new pitch, start and length; false when refused.
bool ResizeNote(doc::Song& song, UndoJournal& journal, int part, int row, int pitch, int32_t start, int32_t length);

// Shift-press range: every row starting between the anchor and the far end of the later note.
void SelectRange(doc::Song& song, int part, int32_t anchorStart, int32_t anchorLength, int32_t start, int32_t length);
void SelectAllRows(doc::Song& song, int part, int16_t value);
void InvertSelection(doc::Song& song, int part);
int SelectedCount(const doc::Song& song, int part);

QStringList CopyNotes(const doc::Song& song, int part);
enum class PasteResult { Pasted, Empty, Full };
// Pastes at the cursor, the earliest copied start landing on it.
PasteResult PasteNotes(doc::Song& song, UndoJournal& journal, int part, const QStringList& clipboard, int32_t cursor);
bool DeleteSelected(doc::Song& song, UndoJournal& journal, int part);
// Semitone steps and clearing lyrics are one journalled step each, whatever is selected.
void ShiftSemitone(doc::Song& song, UndoJournal& journal, int part, int step);
void ClearLyrics(doc::Song& song, UndoJournal& journal, int part);
QString CopyLyrics(const doc::Song& song, int part, int verse);

// Enabled state of the note menu's items.
struct MenuState {
    bool enabled[kNoteMenuItems] = {};
};
MenuState NoteMenuState(const doc::Song& song, int part, int clipboardCount, const UndoJournal& journal,
                        bool item19Enabled, bool item20Enabled);
// The menu's place inside the canvas, wholly within its width and within the band of the canvas that
// shows on the screen (canvas y from `visibleTop` to `visibleBottom`); a band lower than the menu
// shows its top.
std::pair<int, int> PlaceNoteMenu(int x, int y, int canvasWidth, int visibleTop, int visibleBottom, int menuWidth,
                                  int menuHeight);

}  // namespace editing
