// The typesetter: the whole song in numbered notation, drawn system after system onto the pages of
// a surface provider. Written once for the page pictures and the printer: the caller gives the
// surfaces and the hooks run at the start, at each filled page and at the finish.
//
// Everything it needs comes in as plain values: the song, the page geometry and line table of the
// last page setup, the measures and fonts of the marks, the panel's values, the pick lists and the
// key names. Nothing here reaches the main window.
#pragma once

#include <QRectF>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

#include "document/song.h"
#include "typeset/geometry.h"
#include "typeset/marks.h"
#include "typeset/pageclick.h"

namespace typeset {

// ---- Event preparation ----

// One event of a score row before it becomes a note record: start, code, end, the note-table row
// it came from (−1 for rests and pieces) and, for pieces, the text of the event they were cut from.
struct EventItem {
    int32_t Start = 0;
    int Code = 0;
    int32_t End = 0;
    int Tag = 0;  // note-table row, or kFirstPieceTag / kContinuationTag / kRestTag
    QString Text;
};
constexpr int kFirstPieceTag = 9997;
constexpr int kContinuationTag = 9998;
constexpr int kRestTag = 9999;

// The events and ticks of the score, ready for the line loop.
struct PreparedScore {
    QString ScoreRowParts;                            // one digit per row, top to bottom
    std::vector<int> RowParts;                        // the same parts as numbers
    std::vector<std::vector<doc::NoteRecord>> Rows;   // per row: its events, then the two sentinels
    std::vector<int32_t> TickGrid;                    // every distinct tick that gets a cell
};

// The rows: the parts shown in the score, by their strip's top, ties by part number.
QString ScoreRowPartsOf(const doc::Song& song);
// The sorted events of one part: its notes and marks, rests in the gaps between its notes (cut at
// line starts), and every event that crosses line starts cut at each of them.
std::vector<EventItem> PartEventItems(const doc::Song& song, int part, const LineTable& lines);
// The note records of one row from its sorted items: rests and pieces never read the note table
// by their tag; a continued piece carries "--" (a continued "<", ">", "V" or "T" mark its whole
// text and "--"); the two sentinels follow. On the printer (`continueVT` false) a continued "V"
// or "T" mark gets an empty text and prints nothing on the following lines.
std::vector<doc::NoteRecord> RowEventsOf(const doc::Song& song, int part, const std::vector<EventItem>& items,
                                         bool continueVT = true);
// A note (or note without pitch) of a part, or a rest in a gap between its notes, before any cut at
// a line start.
struct RowNote {
    int32_t Start = 0, Length = 0;
    int Pitch = 19;
    const QString* Lyric = nullptr;  // the note's lyric in the song; none for a rest
};
// The notes of a part and the rests between, before the first and after the last of them, in
// start order (a rest after the notes starting with it).
std::vector<RowNote> RowNotesOf(const doc::Song& song, int part);
// Every beat of every meter (up to and including the first beat past the song end), every event
// start and end, every cell a note or rest prints (a note's start rounded as it is printed, each
// further digit or dash of it), and the song end, once each and in order.
std::vector<int32_t> TickGridOf(const doc::Song& song, const std::vector<int>& rowParts);
// All of the above for the whole score.
PreparedScore PrepareScore(const doc::Song& song, const LineTable& lines, bool continueVT = true);

// ---- The run ----

struct TypesetInput {
    const doc::Song* Song = nullptr;
    PageGeometry Geometry;
    LineTable Lines;
    MarkStyle Style;                    // measures, fonts and pick lists of the marks
    int LyricPercent = 100;             // "行高-歌词"
    int LyricSampleHeight = 0;          // height of the lyric font sample
    int Verses = 1;
    int BarGlyphWidth = 0;              // width of "|" in the notation font
    int BracketGlyphWidth = 0;          // width of "w" in the notation font
    int PartNameWidth = 0;              // the widest shown part name
    std::vector<QString> PartNames;     // index 1..8: the name printed before the part's first row
    QStringList KeyNames;               // the twelve key names, "C 调  (+0)" .. "B 调  (+11)"
    bool IndependentTopPart = false;    // "有一个独立的声部"
    bool MeasureNumbers = false;        // "提示小节"
    int MaxPages = kMaxPages;           // drawing stops after the last system of this many pages
    bool Printer = false;               // the printer pass: "V" and "T" marks do not continue
    std::vector<SystemPlace> Plan;      // the places of the last page setup: each system keeps its page
    std::vector<QRectF> TitleInk;       // the glyphs of the title block on the first page
    int InkTop = -1;                    // the highest row a page's first system may ink; −1: half the top margin
};

struct TypesetResult {
    bool Drawn = false;  // false when no part is shown: nothing was drawn
    QString ScoreRowParts;
    int RowsPerSystem = 0;
    std::vector<BeatBox> BeatBoxes;
    int ScoreEndX = 0, ScoreEndY = 0;
    int LastPageDrawn = -1;
    int LastSystemDrawn = -1;
    std::vector<SystemPlace> Systems;  // where each system drawn stands
    // Per system: the ink of a tie its top row carries in over the line's start, from the system's
    // top; empty for none.
    std::vector<QRectF> StartArcInk;
};

struct TypesetHooks {
    // The surface of a page (nullptr: that page is not drawn).
    std::function<vb::Surface*(int page)> Page;
    // After the events are prepared, before anything is drawn.
    std::function<void(const PreparedScore&)> Start;
    // A page holds all its systems; its beat boxes are complete.
    std::function<void(int page, const TypesetResult&)> PageFilled;
    // The last system is drawn.
    std::function<void(const TypesetResult&)> Finish;
};

// The whole typesetting run: preparation, the part names at the score's start, the systems with
// their cells, beat boxes, bar lines, key and tempo marks and every row's events. A page is cleared
// when its first system is about to be drawn.
TypesetResult RunTypesetter(const TypesetInput& in, const TypesetHooks& hooks);
// The same on already prepared events (the benchmark times the two halves apart).
TypesetResult LayOutScore(const TypesetInput& in, const PreparedScore& score, const TypesetHooks& hooks);
// Where the systems stand when the score is typeset: on the pages the input's plan gives them,
// or, without one, each page taking the systems that have room on it (nothing is drawn).
std::vector<SystemPlace> PlanSystems(const TypesetInput& in);

// The cells of the line lineStart..lineEnd at their natural places, before the stretch to the
// printable width: every tick of the grid from `cursor` (left past the line) up to the line's end,
// from x on, with room for bar lines, beats and meter changes. Fills `cells` (without the closing
// entry), adds the line's beats (tick and x) and whether a bar line opens each; returns the
// natural end x, with room for the closing bar unless the line is the last.
int LayOutLineCells(const doc::Song& song, const std::vector<int32_t>& grid, size_t& cursor, int32_t lineStart,
                    int32_t lineEnd, int rows, int x, int W, int barGlyphWidth, bool last, LineCells& cells,
                    std::vector<BeatBox>& beats, std::vector<uint8_t>& barStart);

// The finish of the page pictures: line decorations, time signatures and the closing mark.
void FinishPages(const TypesetInput& in, const TypesetResult& r, const std::function<vb::Surface*(int)>& pages);
// The same for one filled page (its systems are all drawn), so that it can be drawn out while the
// next pages are laid out.
void FinishPage(const TypesetInput& in, const TypesetResult& r, int page, vb::Surface& s);

// The mark style with the page geometry's margins and rows, as the finish draws with it.
MarkStyle PageStyleOf(const TypesetInput& in);
// The index of the last system the run draws.
int LastSystemOf(const TypesetInput& in);

// The layout of the systems for the line decorations.
SystemLayout SystemLayoutOf(const TypesetInput& in, const TypesetResult& r);

// The key mark's name: "1=" and the first two characters of the key's name; a key below 0 (an
// octave lower) shows the name of the same key.
QString KeyMarkText(const QStringList& keyNames, int key);

}  // namespace typeset
