// The marks of the numbered-notation score, drawn through `Surface` from plain values: the
// measures and fonts of the page setup, the cells of the line being drawn and the item to draw.
// Each page/printer pair is one routine; the printer surface scales page pixels itself.
#pragma once

#include <QRectF>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

#include "document/song.h"
#include "platform/surface.h"
#include "typeset/fonts.h"
#include "typeset/geometry.h"
#include "typeset/pageclick.h"

namespace typeset {

// The measures, fonts and page values the marks are placed with (page pixels).
struct MarkStyle {
    int W = 13;                  // digit cell width (digit sample, rounded)
    int H = 24;                  // digit cell height (rounded)
    double HExact = 24;          // the digit sample's unrounded height
    int RowPercent = 100;        // note row-height percentage ("行高-音符", 100 = unscaled)
    int LeftMargin = 0;
    int TopMargin = 0;
    int PrintableWidth = 0;
    int PartRowHeight = 0;
    int PartRowGap = 0;
    int GlyphWidthO = 0;         // width of "o" in the notation font
    int GlyphWidthC = 0;         // width of "c" in the notation font
    CategoryFonts Fonts;         // the font samples (lyrics 1, digits 2, expression texts 4) and dynamics font
    QStringList DynamicsList;    // the dynamics pick list, index 0..15
    QStringList ExpressionList;  // the expression pick list (explin.txt)

    int R() const { return LeftMargin + PrintableWidth; }    // right end of a system
    int RowPitch() const { return PartRowHeight + PartRowGap; }
    // Shift of the digits inside an enlarged row: Round(HExact / 200 × (RowPercent − 100)).
    int DigitOffset() const;
    // The notation font at the digit sample's size, weight and slant.
    FontSpec NotationFont() const { return NotationFontOf(Fonts); }
};

// Prints `text` with its top-left corner at (x, y), keeping the print position behind it.
void PrintAt(vb::Surface& s, double x, double y, const QString& text);

// ---- Line and arc marks (glyph runs of the notation font) ----
// All except the underlines and the closing mark draw at the surface's CurrentY.

void DrawExtensionLine(vb::Surface& s, const MarkStyle& st, int x1, int x2);
void DrawExtensionLinePage(vb::Surface& page, const MarkStyle& st, int x1, int x2);
void DrawExtensionLinePrinter(vb::Surface& printer, const MarkStyle& st, int x1, int x2);
void DrawExtensionContinuation(vb::Surface& s, const MarkStyle& st, int x1, int x2);
void DrawExtensionContinuationPage(vb::Surface& page, const MarkStyle& st, int x1, int x2);
void DrawExtensionContinuationPrinter(vb::Surface& printer, const MarkStyle& st, int x1, int x2);
void DrawSlur(vb::Surface& s, const MarkStyle& st, int x1, int x2);
void DrawSlurPage(vb::Surface& page, const MarkStyle& st, int x1, int x2);
void DrawSlurPrinter(vb::Surface& printer, const MarkStyle& st, int x1, int x2);
void DrawTupletArc(vb::Surface& s, const MarkStyle& st, int x1, int x2);
void DrawTupletArcPage(vb::Surface& page, const MarkStyle& st, int x1, int x2);
void DrawTupletArcPrinter(vb::Surface& printer, const MarkStyle& st, int x1, int x2);
// The ink of a tie or slur and of a tuplet arc with its figure drawn at y, as boxes of page pixels
// (each kind of glyph of the arc in one box).
std::vector<QRectF> SlurInk(const MarkStyle& st, int x1, int x2, double y);
std::vector<QRectF> TupletArcInk(const MarkStyle& st, int x1, int x2, double y);
// The height a tuplet arc from x1 to x2 with its figure, meant for y, is drawn at: y itself where
// its ink keeps kArcWhite white pixels from every box of `arcs` (the other arcs of its row), else
// as few whole pixel rows higher as keep that white from them all.
double TupletArcY(const MarkStyle& st, int x1, int x2, double y, const std::vector<QRectF>& arcs);
constexpr int kArcWhite = 2;
// Underlines joining two cells: 4 − max(code1, code2) lines, h/8 apart below y, a "c" every half
// cell from x1 + w to x2. The caller has set the notation font.
void DrawUnderlines(vb::Surface& s, const MarkStyle& st, int code1, int code2, int x1, int x2, double y);
void DrawUnderlinesPage(vb::Surface& page, const MarkStyle& st, int code1, int code2, int x1, int x2, double y);
void DrawUnderlinesPrinter(vb::Surface& printer, const MarkStyle& st, int code1, int code2, int x1, int x2,
                           double y);
// The closing glyph "x" on every row of the last system, at (scoreEndX, scoreEndY + row offset),
// each row as far down as the system's place moves it.
void DrawEndMark(vb::Surface& lastPage, const MarkStyle& st, int rows, int scoreEndX, int scoreEndY,
                 const SystemPlace& place = {});
void DrawEndMarkPage(vb::Surface& lastPage, const MarkStyle& st, int rows, int scoreEndX, int scoreEndY,
                     const SystemPlace& place = {});
void DrawEndMarkPrinter(vb::Surface& printer, const MarkStyle& st, int rows, int scoreEndX, int scoreEndY,
                        const SystemPlace& place = {});

// ---- Time-signature marks ----

// Adds 1 to a value that is odd and not a multiple of 3 (an odd tick that is no tuplet tick).
void RoundOddUpUnlessTuplet(int32_t& value);
// The tick a note or rest from `start` lasting `length` ticks prints its first cell at: its start
// with odd ticks rounded up, but a one-tick event's own tick (rounded up it would land on the
// start of the event after it).
int32_t PrintedStart(int32_t start, int32_t length);
// The tick its printed cells run to: its end with odd ticks rounded up, and room for one cell at
// least. An event cut at a line start prints the same cells on either side of it.
int32_t PrintedEnd(int32_t start, int32_t length);

// A time-signature change of the song after its start.
struct MeterChange {
    int32_t Tick = 0;
    int Code = 0;  // TimeSignatureCode
};
// The surface of a page, or nullptr when that page is not drawn.
using PageSurfaces = std::function<vb::Surface*(int page)>;

// The x of a change's fraction at the beat box `box` (its bar; a one-digit fraction half a cell in).
double TimeSignatureX(const MarkStyle& st, const BeatBox& box, int code);
// The fraction of every change at the first beat that has its tick, on every row of that system
// (each row where the system's place puts it; without places, at the plain row pitch).
void DrawTimeSignatures(const PageSurfaces& pages, const MarkStyle& st, int rows,
                        const std::vector<MeterChange>& changes, const std::vector<BeatBox>& beats,
                        const std::vector<SystemPlace>& places = {});
void DrawTimeSignaturesPage(const PageSurfaces& pages, const MarkStyle& st, int rows,
                            const std::vector<MeterChange>& changes, const std::vector<BeatBox>& beats,
                            const std::vector<SystemPlace>& places = {});
// The place of the system a beat box belongs to, or none.
const SystemPlace* PlaceOf(const std::vector<SystemPlace>& places, const BeatBox& box);
// The time-sig changes after the song start (entries 1..TimeSigLastIndex).
std::vector<MeterChange> MeterChangesOf(const doc::Song& song);

// ---- Line decorations ----

struct SystemLayout {
    int Rows = 0;                     // RowsPerSystem
    double SystemHeight = 0;
    double SystemGap = 0;
    double FirstPageSystemGap = 0;
    double FirstPageTopOffset = 0;
    int FirstPageSystems = 1;
    int SystemsPerPage = 1;
    int LastPage = 0;
    int LastSystem = 0;
    int FirstBeatX = 0;               // BeatBoxes(0).X
    bool IndependentTopPart = false;  // "有一个独立的声部"
    bool MeasureNumbers = false;      // "提示小节"
    std::vector<int32_t> SystemStartTicks;
    std::function<int(int32_t tick)> BarIndex;  // 0-based bar holding a tick (GetBarPosition)
    std::vector<SystemPlace> Places;  // where each system stands; none: the plain slots of the pages above
    std::vector<double> StartFractionX;  // per system: x of the time signature at its start, −1 for none
    std::vector<QRectF> StartArcInk;     // per system: a tie carried into its top row, from its top
};
// The page number of a printed page: the font of the first page-number label, the place and
// caption of that page's label.
struct PageNumberLabel {
    FontSpec Font;
    double Left = 0, Top = 0;
    QString Caption;
};

// Joins, brackets and measure numbers of systems 0..LastSystem on every page.
void DrawLineDecorationsPage(const PageSurfaces& pages, const MarkStyle& st, const SystemLayout& lay);
// The same for the systems of one page only.
void DrawLineDecorationsOnPage(vb::Surface& s, int page, const MarkStyle& st, const SystemLayout& lay);
// One printed page: its joins, brackets and measure numbers, its time signatures and its number.
void DrawLineDecorationsPrinter(vb::Surface& printer, int page, const MarkStyle& st, const SystemLayout& lay,
                                const std::vector<MeterChange>& changes, const std::vector<BeatBox>& beats,
                                const PageNumberLabel& number);

// ---- Notes, rests and the marks of one row ----

// The cells of the line being drawn: Ticks[0..n] in tick order, with the closing entry
// (LineEndTick) last.
struct LineCells {
    std::vector<int32_t> Ticks;
    std::vector<int> X;
};
// Index of the cell with this tick, else of the nearest one before it; −1 when none.
int CellAtOrBefore(const LineCells& cells, int32_t tick);
// Index of the cell with exactly this tick; −1 when none.
int CellAt(const LineCells& cells, int32_t tick);

// One row of one system, as the line loop gives it.
struct RowContext {
    const doc::Song* Meter = nullptr;  // beat and bar queries
    const LineCells* Cells = nullptr;
    int32_t LineEndTick = 0;
    int Row = 1;           // 1 = top row of the system
    int Rows = 1;          // rows of the system
    int RowDigitY = 0;     // top of the digit cells of the row
    int RowLyricY = 0;     // top of verse line 1
    int LyricLineHeight = 0;
    int Verses = 1;
    int BracketWidth = 0;
    int AboveRise = 0;     // how much higher the arcs and marks above the digits stand in this line
    // The ink of the row's ties and tuplet arcs with their figures in this line, measured before
    // the row is drawn where texts stand above it: they keep kArcWhite white pixels from it.
    std::vector<QRectF> ArcInk = {};
    int* DrawingRow = nullptr;  // where the surface keeps the row (0 = top) its glyphs belong to
};

// What a row keeps from event to event; reset at every row of every line.
struct RowState {
    int TupletStartX = -1, TupletEndX = -1;
    double TupletY = 0;          // arc height of the open tuplet group
    // The tuplet groups closed; their arcs are drawn at the row's end, clear of the ties and of
    // each other.
    struct Tuplet {
        int X1 = 0, X2 = 0;
        double Y = 0;
    };
    std::vector<Tuplet> Tuplets;
    std::vector<QRectF> ArcInk;  // the ink of the row's ties and tuplet arcs drawn so far
    QRectF CarriedArc;           // the ink of a tie carried in over the line's start
    int PrevLevel = 4, PrevCellX = 0;
    int32_t PrevEventStart = -1;
    QString BarAccidentals = QString(63, QLatin1Char(' '));  // see FreshBarAccidentals
    // A chord's "{" or "}" waits for the notes of its tick, whose ink decides where it stands.
    struct Brace {
        QString Glyph;
        int32_t Tick = 0;
        double X = 0, Y = 0;      // where it stands unless the ink comes closer
        double Top = 0, Bottom = 0;  // the pixel rows of its ink
        double InkLeft = 1e9;     // the left of the ink of its tick's notes beside it
    };
    std::vector<Brace> Braces;
};
// What carries over the whole run (rows and lines).
struct RunState {
    int EventX = 0;              // x of the last event's cell
    int PenX = 0;                // print x after the last cell
    int SpanEndX = 0;            // end x of the last spanning mark
    QString LastDigit;           // digit of the last plain quarter cell, emptied at bar lines
    bool LastCellWasDash = false;
    bool StackMode = false;      // between "{" and "}"
    int StackIndex = 0;
    std::vector<QRectF> MarkBoxes;  // texts of the key, tempo and marks placed on the line so far
};

// The y at which a mark's box of w × h at (x, y) clears the marks already placed on the line:
// y itself, or one box height higher as often as needed; and where its ink (`ink`, from the box's
// corner) would come within kArcWhite pixels of a box of `arcs`, as few whole pixel rows higher
// as keep that white. Records the box.
double PlaceMarkBox(RunState& run, double x, double y, double w, double h, const QRectF& ink = {},
                    const std::vector<QRectF>& arcs = {});
// Prints a mark's text at (x, y) in the surface's font, or, where it would overlap a text already
// placed on the line, one text height higher until it clears them all, and above the ink of `arcs`
// where its ink would come near; records its box.
void PrintMarkAt(vb::Surface& s, RunState& run, double x, double y, const QString& text,
                 const std::vector<QRectF>& arcs = {});

// A note, a note without pitch or a rest (code > 18): lyrics, accidental and duration cells.
void DrawNoteEvent(vb::Surface& s, const MarkStyle& st, const RowContext& row, RowState& rs, RunState& run,
                   const doc::NoteRecord& ev);
// The digit line of the note `index` places above the first of a chord stack (between "{" and
// "}"): the stack stands around the row's digit line, its first note 0.6 digit heights below it.
int StackedDigitY(const MarkStyle& st, int rowDigitY, int index);
// Where the note drawer prints the v-th octave dot below a digit at digitY in a cell of `level`:
// (v − level) × H / 6 + 0.48 × H below it, and right under a digit (no underline between) as much
// lower as keeps kDigitWhite white pixel rows between the digit's ink and the dot's.
// `digitInk` and `dotInk` are the inks of the digit and of the dot "l".
double LowDotY(const MarkStyle& st, int digitY, const QRectF& digitInk, const QRectF& dotInk, int v, int level);
constexpr int kDigitWhite = 2;
// The least white, in pixel rows, between an octave dot or a chord's lower note and the syllable
// under it (one row still reads as a stroke of the syllable in print).
constexpr int kSyllableWhite = 2;
// How many pixels the syllables of a row move down in one line so that every octave dot under a
// digit, and every lower note of a chord with its underlines, keeps kSyllableWhite white pixel
// rows above the ink of a first-verse syllable under it: 0 where all clear already.
// `first`..`last` are the row's events drawn in the line.
int LyricDropOf(const MarkStyle& st, const RowContext& row, const doc::NoteRecord* first, const doc::NoteRecord* last);
// How many pixels the arcs and marks above a row's digits rise in one line so that every octave
// dot above a digit keeps a white pixel row below the ink of an arc over it: 0 where all clear.
int AboveRiseOf(const MarkStyle& st, const RowContext& row, const doc::NoteRecord* first, const doc::NoteRecord* last);
// Ends a row of a line: a chord brace waiting gets its place, and every tuplet group its arc and
// figure, each as high as keeps it clear of the row's ties and of the tuplet arcs before it.
void CloseRow(vb::Surface& s, const MarkStyle& st, RowState& rs);
// A chord's brace ("{" or "}", a special mark) stands W / 3 before its cell, a "}" on a bar line
// 1.6 W (before the bar line), or further left as far as keeps a white column from the ink of the
// notes of its tick (digits, accidentals, underlines) beside it; so it waits for them. A "}" on a
// line's first tick closes a chord of the line before and stands at that line's end instead.
void OpenChordBrace(const MarkStyle& st, const RowContext& row, RowState& rs, const doc::NoteRecord& ev);
// A note of the row drawn at `tick` with ink from x `left` over the pixel rows top..bottom.
void NoteInkForBraces(RowState& rs, int32_t tick, double left, double top, double bottom);
// Prints the braces waiting, right to left, each clear of the ink beside it.
void PrintChordBraces(vb::Surface& s, const MarkStyle& st, RowState& rs);
// Whether an event is the "}" of a chord.
bool IsClosingBrace(const doc::NoteRecord& ev);
// Dynamics (code 2), expression text (3) and chosen expression text (4).
void DrawTextMark(vb::Surface& s, const MarkStyle& st, const RowContext& row, RunState& run,
                  const doc::NoteRecord& ev);
// Special mark (code 5).
void DrawSpecialMark(vb::Surface& s, const MarkStyle& st, const RowContext& row, RunState& run,
                     const doc::NoteRecord& ev);
// Ornament (code 6).
void DrawOrnament(vb::Surface& s, const MarkStyle& st, const RowContext& row, RunState& run,
                  const doc::NoteRecord& ev);
// Hands one event of a row to the routine of its code; other codes draw nothing.
void DrawRowEvent(vb::Surface& s, const MarkStyle& st, const RowContext& row, RowState& rs, RunState& run,
                  const doc::NoteRecord& ev);

}  // namespace typeset
