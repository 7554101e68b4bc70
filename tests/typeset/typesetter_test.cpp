// The typesetter over recording pages: event preparation, the tick grid and the line loop.
#include <gtest/gtest.h>

#include <map>

#include "document/songcodes.h"
#include "marks_testing.h"
#include "platform/vbtext.h"
#include "support/songs.h"
#include "typeset/typesetter.h"

using namespace markstest;
using namespace typeset;

namespace {

// A song of `bars` bars of 4/4 with `rows` parts shown (parts 1..rows), no notes.
std::unique_ptr<doc::Song> Bars(int bars, int rows = 1) {
    auto song = testsongs::NewSong();
    song->TempoChangeBpm[0] = 80;
    song->SongSeconds = bars * 192 / (80 * 0.8);
    for (int p = 1; p <= song->PartCount; ++p) song->Parts[p].ShowInScore = p <= rows ? 1 : 0;
    doc::RebuildTimeline(*song, false);
    EXPECT_EQ(song->SongLength, bars * 192);
    return song;
}

void AddNote(doc::Song& song, int part, int32_t start, int length, int pitch, const QString& lyric = "-") {
    doc::NoteRecord& n = song.Notes[part][song.Parts[part].NoteCount++];
    n.Start = start, n.Length = int16_t(length), n.Pitch = uint8_t(pitch), n.Lyric = lyric;
}

LineTable LinesEvery(int32_t ticks, int32_t songLength) {
    LineTable t;
    t.Starts.clear();
    for (int32_t s = 0; s < songLength; s += ticks) t.Starts.push_back(s);
    t.LastSystem = int32_t(t.Starts.size()) - 1;
    t.Starts.push_back(songLength);
    return t;
}

// Margins 50 / 40, printable 700, rows 70 + 10, systems 200 high; three systems on the first page
// (title room 100, gap 20), four on the others (gap 30).
TypesetInput Input(const doc::Song& song, const LineTable& lines) {
    TypesetInput in;
    in.Song = &song;
    in.Lines = lines;
    PageGeometry& g = in.Geometry;
    g.LeftMargin = 50, g.TopMargin = 40, g.PrintableWidth = 700, g.PaperWidth = 800, g.PaperHeight = 1100;
    g.PartRowHeight = 70, g.PartRowGap = 10, g.SystemHeight = 200, g.SystemGap = 30, g.FirstPageSystemGap = 20;
    g.FirstPageTopOffset = 100, g.FirstPageSystems = 3, g.SystemsPerPage = 4, g.LastPage = 24;
    in.Style = Style(14, 24);  // half a cell is 7
    in.LyricSampleHeight = 16;
    in.BarGlyphWidth = 4, in.BracketGlyphWidth = 10;
    in.KeyNames = {"C 调  (+0)", "#C调  (+1)", "D 调  (+2)", "bE调  (+3)", "E 调  (+4)", "F 调  (+5)",
                   "bG调  (+6)", "G 调  (+7)", "bA调  (+8)", "A 调  (+9)", "bB调  (+10)", "B 调  (+11)"};
    return in;
}

struct Pages {
    std::map<int, vb::RecordingSurface> byPage;
    TypesetHooks hooks() {
        TypesetHooks h;
        h.Page = [this](int k) -> vb::Surface* { return &byPage[k]; };
        return h;
    }
};

QString ItemsText(const std::vector<EventItem>& items) {
    QStringList out;
    for (const EventItem& it : items)
        out << QString("%1-%2:%3:%4").arg(it.Start).arg(it.End).arg(it.Code).arg(it.Tag);
    return out.join(' ');
}

}  // namespace

TEST(TypesetPreparation, EventsCrossingLineStartsAreCutAtEveryOneKeepingTheirText) {
    auto song = Bars(4);
    const LineTable lines = LinesEvery(192, 768);  // lines at 192, 384, 576
    const QString words = "一二三四五六七八九十甲乙|第二段";  // longer than ten characters
    AddNote(*song, 1, 0, 180, 67);
    AddNote(*song, 1, 180, 40, 67, words);       // 180..220 across 192
    AddNote(*song, 1, 240, 400, 5, "<");         // a hairpin 240..640 across 384 and 576
    const std::vector<EventItem> items = PartEventItems(*song, 1, lines);
    EXPECT_EQ(ItemsText(items).toStdString(),
              "0-180:67:0 180-240:67:9997 192-220:67:9998 220-384:19:9999 240-432:5:9997 384-624:5:9998 "
              "384-576:19:9999 576-640:5:9998 576-768:19:9999");
    const std::vector<doc::NoteRecord> row = RowEventsOf(*song, 1, items);
    ASSERT_EQ(row.size(), items.size() + 2);
    EXPECT_EQ(row[1].Lyric, words);  // the first piece keeps every verse
    EXPECT_EQ(row[2].Lyric, "--");
    EXPECT_EQ(row[2].Length, 28);
    EXPECT_EQ(row[3].Pitch, 19);     // a rest reads no note row
    EXPECT_EQ(row[3].Lyric, "");
    EXPECT_EQ(row[5].Lyric, "<--");
    EXPECT_EQ(row[7].Lyric, "<--");
    EXPECT_EQ(row[9].Start, 768);    // the sentinels
    EXPECT_EQ(row[10].Start, 816);
}

TEST(TypesetPreparation, RestsFillTheGapsAndAPartWithoutNotesIsOneRestPerLine) {
    auto song = Bars(2);
    const LineTable lines = LinesEvery(192, 384);
    EXPECT_EQ(ItemsText(PartEventItems(*song, 1, lines)).toStdString(), "0-192:19:9999 192-384:19:9999");
    AddNote(*song, 1, 96, 200, 60);  // a long note covering a later short one
    AddNote(*song, 1, 100, 20, 62);
    AddNote(*song, 1, 120, 10, 3, "text");  // marks make no span
    EXPECT_EQ(ItemsText(PartEventItems(*song, 1, lines)).toStdString(),
              "0-96:19:9999 96-240:60:9997 100-120:62:1 120-130:3:2 120-192:19:9999 192-384:19:9999 "
              "192-296:60:9998");  // the gap after the covered short note still gets its rests
}

TEST(TypesetPreparation, RowsFollowTheStripsAndTheGridHoldsEveryBeatAndEventTick) {
    auto song = Bars(4, 3);
    song->Parts[1].StripTop = 300, song->Parts[2].StripTop = 100, song->Parts[3].StripTop = 100;
    EXPECT_EQ(ScoreRowPartsOf(*song), "231");  // equal tops: the lower part number on top
    song->Parts[1].ShowInScore = song->Parts[2].ShowInScore = song->Parts[3].ShowInScore = 0;
    EXPECT_EQ(ScoreRowPartsOf(*song), "");

    song->TimeSigCodes[0] = doc::TimeSigTextToCode("6/8");
    song->SongLength = 300;
    std::vector<int32_t> expected;
    for (int t = 0; t <= 288; t += 24) expected.push_back(t);
    expected.push_back(300), expected.push_back(312);
    EXPECT_EQ(TickGridOf(*song, {1}), expected);
    AddNote(*song, 1, 10, 7, 60);
    AddNote(*song, 1, 5, 1, 1);  // a sentence marker is no event
    // Off the sixteenth grid the rests print cells of their own: 0..10 as a tuplet eighth at 0 and
    // a tuplet sixty-fourth at 8, 17..300 from 18 (17 printed as 18).
    expected.insert(expected.begin() + 1, {8, 10, 17, 18});
    EXPECT_EQ(TickGridOf(*song, {1}), expected);
}

TEST(TypesetLineLoop, RestsContinuationsAndTheirGlyphs) {
    auto song = Bars(4);
    AddNote(*song, 1, 96, 84, 60);
    AddNote(*song, 1, 180, 108, 67);  // 180..288 across the line at 192
    Pages pages;
    const TypesetInput in = Input(*song, LinesEvery(192, 768));
    const TypesetResult r = RunTypesetter(in, pages.hooks());
    const vb::RecordingSurface& p0 = pages.byPage[0];
    // A first note at 96: "0" at the beats 0 and 48.
    ASSERT_GE(r.BeatBoxes.size(), 2u);
    const std::vector<Printed> rests = Prints(p0, "0");
    ASSERT_GE(rests.size(), 2u);
    EXPECT_EQ(rests[0].x, r.BeatBoxes[0].X);
    EXPECT_GT(rests[1].x, r.BeatBoxes[1].X);  // behind the beat's half cell
    EXPECT_LT(rests[1].x, r.BeatBoxes[2].X);
    EXPECT_EQ(rests[1].y, 140);
    EXPECT_NE(rests[2].y, 140);
    // The continuation starts the next line with the tie's end at its left edge (the first "Y"
    // ends the tie over the beat inside the first note).
    EXPECT_EQ(r.BeatBoxes[4].Y, 360);
    EXPECT_EQ(At(p0, "Y", true), "488,118.4 50,338.4");
}

TEST(TypesetLineLoop, SystemsFillThePagesInTurn) {
    auto song = Bars(8);
    Pages pages;
    TypesetHooks hooks = pages.hooks();
    std::string filled;
    hooks.PageFilled = [&](int page, const TypesetResult& sofar) {
        filled += std::to_string(page) + ":" + std::to_string(sofar.BeatBoxes.size()) + " ";
    };
    const TypesetResult r = RunTypesetter(Input(*song, LinesEvery(192, 1536)), hooks);
    EXPECT_EQ(filled, "0:12 1:28 2:32 ");  // each page once its boxes are complete
    std::string pageOf, tops;
    for (size_t v = 0; v < r.BeatBoxes.size(); v += 4) {
        pageOf += std::to_string(r.BeatBoxes[v].Page) + " ";
        tops += std::to_string(r.BeatBoxes[v].Y) + " ";
    }
    EXPECT_EQ(pageOf, "0 0 0 1 1 1 1 2 ");
    EXPECT_EQ(tops, "140 360 580 40 270 500 730 40 ");
    EXPECT_EQ(pages.byPage[2].Log().first(), "Cls");  // cleared before system 7 is drawn on it
    EXPECT_EQ(r.LastPageDrawn, 2);
    EXPECT_EQ(r.ScoreEndY, 40);
    // Finishing page by page as each fills draws what the finish of all pages draws.
    Pages byPage;
    TypesetHooks each = byPage.hooks();
    const TypesetInput in8 = Input(*song, LinesEvery(192, 1536));
    each.PageFilled = [&](int page, const TypesetResult& sofar) { FinishPage(in8, sofar, page, byPage.byPage[page]); };
    RunTypesetter(in8, each);
    // The finish: the closing mark on the last system only.
    FinishPages(Input(*song, LinesEvery(192, 1536)), r, pages.hooks().Page);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(byPage.byPage[k].Log(), pages.byPage[k].Log()) << k;
    EXPECT_EQ(At(pages.byPage[2], "x", true), std::to_string(r.ScoreEndX) + ",40");
    EXPECT_EQ(At(pages.byPage[1], "x"), "");

    // Drawing stops after the last system of the last page the window holds.
    Pages two;
    TypesetInput in = Input(*song, LinesEvery(192, 1536));
    in.MaxPages = 2;
    const TypesetResult cut = RunTypesetter(in, two.hooks());
    EXPECT_EQ(cut.LastSystemDrawn, 6);
    EXPECT_EQ(cut.BeatBoxes.size(), 28u);
    FinishPages(in, cut, two.hooks().Page);
    EXPECT_EQ(two.byPage.count(2), 0u);
    EXPECT_EQ(At(two.byPage[1], "x"), "");
}

TEST(TypesetLineLoop, ATupletGroupEndingALineGetsItsArc) {
    auto song = Bars(2);
    AddNote(*song, 1, 0, 144, 60);
    AddNote(*song, 1, 144, 16, 62), AddNote(*song, 1, 160, 16, 64), AddNote(*song, 1, 176, 16, 65);
    AddNote(*song, 1, 192, 192, 67);
    Pages pages;
    const TypesetResult r = RunTypesetter(Input(*song, LinesEvery(192, 384)), pages.hooks());
    const std::vector<Printed> m = Prints(pages.byPage[0], "M");
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].y, 140 - 0.9 * 24);  // over the first line's group
    EXPECT_GT(m[0].x, r.BeatBoxes[3].X);  // the arc spans the last beat of the line
    EXPECT_EQ(r.BeatBoxes[4].Page, 0);
}

TEST(TypesetLineLoop, OneRowStartsBareTwoRowsGetBarRoomAndInnerBarLines) {
    for (int rows : {1, 2}) {
        SCOPED_TRACE(rows);
        auto song = Bars(4, rows);
        Pages pages;
        TypesetInput in = Input(*song, LinesEvery(384, 768));
        in.PartNameWidth = 30;
        const TypesetResult r = RunTypesetter(in, pages.hooks());
        const vb::RecordingSurface& p0 = pages.byPage[0];
        // Line 0 before the stretch: names, bracket (two rows: the width of "|"), bar room and half a cell.
        const int firstX = rows == 1 ? 80 : 50 + 4 + 30 + 4;
        // The closing bar has its room too (the last 4).
        const int natural0 = rows == 1 ? 30 + 8 * 28 + 7 * 7 + 4 + 4 : 4 + 30 + 8 * 28 + 8 * 7 + 2 * 4 + 4;
        EXPECT_EQ(r.BeatBoxes[0].X, int(vb::Round((firstX - 50) * 700.0 / natural0 + 50)));
        // Bar lines only at the inner bar starts (box 4 of each line), on every row.
        std::string bars;
        for (int row = 0; row < rows; ++row)
            bars += std::to_string(r.BeatBoxes[4].X) + "," + std::to_string(r.BeatBoxes[0].Y + row * 80) + " ";
        std::string closing;
        for (int sys = 0; sys < 2; ++sys)
            for (int row = 0; row < rows; ++row)
                closing += "745," + std::to_string(sys * 220 + 140 + row * 80) + " ";
        const std::vector<Printed> all = Prints(p0, "|");
        std::string inner, edge;
        for (const Printed& g : all) {
            const std::string at = QString("%1,%2 ").arg(g.x).arg(g.y).toStdString();
            (g.x == 745 ? edge : inner) += at;
        }
        EXPECT_EQ(inner.substr(0, bars.size()), bars);
        EXPECT_EQ(edge, closing);  // R − width("|") − 1 on every row of every line
        // The last line keeps its natural width; its last box still reaches R.
        EXPECT_EQ(r.ScoreEndX, rows == 1 ? 50 + 8 * 28 + 7 * 7 + 4 : 50 + 4 + 8 * 28 + 8 * 7 + 2 * 4);
        EXPECT_EQ(r.BeatBoxes.back().X + r.BeatBoxes.back().Width, 750);
        EXPECT_EQ(r.BeatBoxes[7].X + r.BeatBoxes[7].Width, 750);
    }
}

TEST(TypesetLineLoop, KeyAndTempoChangesStandAboveTheirCell) {
    auto song = Bars(4);
    song->KeyChangeLastIndex = 1, song->KeyChangeTicks[1] = 384, song->KeyChangeKeys[1] = 3;
    song->TempoLastIndex = 2, song->TempoChangeTicks[1] = 480, song->TempoChangeBpm[1] = 96;
    song->TempoChangeTicks[2] = 672, song->TempoChangeBpm[2] = 100.5f;  // a half rounds up
    Pages pages;
    const TypesetResult r = RunTypesetter(Input(*song, LinesEvery(768, 768)), pages.hooks());
    const vb::RecordingSurface& p0 = pages.byPage[0];
    const std::vector<Printed> key = Prints(p0, "1=bE");
    const std::vector<Printed> cells = Prints(p0, "0");  // the rest's digit on every beat's cell
    ASSERT_EQ(key.size(), 1u);
    ASSERT_EQ(cells.size(), 16u);
    EXPECT_EQ(key[0].x, cells[8].x);
    EXPECT_NEAR(key[0].y, 140 - 0.9 * 24, 1e-6);
    EXPECT_NEAR(key[0].size, 18 * 0.618, 1e-3);
    const std::vector<Printed> q = Prints(p0, "q"), bpm = Prints(p0, " =96");
    ASSERT_EQ(q.size(), 2u);
    ASSERT_EQ(bpm.size(), 1u);
    EXPECT_EQ(Prints(p0, " =101").size(), 1u);
    EXPECT_EQ(q[0].x, cells[10].x);
    EXPECT_EQ(r.BeatBoxes.size(), 16u);
    EXPECT_EQ(q[0].font, "Qelto");
    EXPECT_GT(bpm[0].x, q[0].x);  // behind the quarter note
    EXPECT_EQ(KeyMarkText(Input(*song, {}).KeyNames, 0), "1=C ");
    EXPECT_EQ(KeyMarkText(Input(*song, {}).KeyNames, -2), "1=bB");  // an octave lower: the same key's name
}

TEST(TypesetLineLoop, NoShownPartDrawsNothing) {
    auto song = Bars(2, 0);
    Pages pages;
    const TypesetResult r = RunTypesetter(Input(*song, LinesEvery(384, 384)), pages.hooks());
    EXPECT_FALSE(r.Drawn);
    EXPECT_EQ(r.RowsPerSystem, 0);
    EXPECT_TRUE(pages.byPage.empty());
}
