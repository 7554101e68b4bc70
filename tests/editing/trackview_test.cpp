#include <gtest/gtest.h>

#include "document/newsong.h"
#include "document/pitchdigits.h"
#include "document/songcodes.h"
#include "document/timeline.h"
#include "editing/partstrips.h"
#include "editing/trackview.h"
#include "platform/vbtext.h"
#include "support/text.h"

using namespace editing;
using doc::Song;

namespace {

// A new song, every part in mode 0, N 10, L 20, half a pixel per tick, page of 1968 ticks.
struct View {
    std::unique_ptr<Song> song = Song::create();
    TrackViewPage page;
    View() {
        doc::NewProject(*song);
        doc::RebuildTimeline(*song, false);
        for (int p = 1; p <= song->PartCount; ++p) song->Parts[p].DisplayMode = 0;
        page.cursorTick = 0;
        page.pageSpan = 1968;
        page.scale = 0.5;
        page.noteBarWidth = 10;
        page.lyricCharWidth = 20;
        page.slantValue = 8;
        page.fontName = U("宋体");
        page.fontSize = 9;
        page.labelHeightTwips = 180;
        page.showBarLines = false;
        page.showBeatLines = false;
    }
    void Put(int part, int32_t start, int pitch, int length, const QString& lyric) {
        doc::NoteRecord& n = song->Notes[part][song->Parts[part].NoteCount++];
        n = doc::NoteRecord{start, int16_t(length), uint8_t(pitch), lyric, 0};
    }
    void Stack() {
        for (int p = 1; p <= song->PartCount; ++p) UpdatePartPitchRange(*song, p, 10, 10);
        ArrangePartStrips(*song);
    }
    QStringList Draw() {
        vb::RecordingSurface s(1000, 700);
        DrawTrackViewPage(s, *song, page);
        return s.Log();
    }
};

}  // namespace

TEST(PitchDigits, TheTrackViewTable) {
    // pitch, digit, octave, accidental ("t" sharp, "r" flat)
    const std::tuple<int, const char*, int, const char*> cases[] = {
        {60, "1", 0, ""},  {61, "1", 0, "t"}, {70, "7", 0, "r"},  {63, "3", 0, "r"},  {66, "4", 0, "t"},
        {68, "5", 0, "t"}, {72, "1", 1, ""},  {59, "7", -1, ""},  {21, "6", -4, ""},  {108, "1", 4, ""},
        {74, "2", 1, ""},  {47, "7", -2, ""}, {20, "X", 0, ""},   {19, "0", 0, ""},
    };
    for (auto [pitch, digit, octave, accidental] : cases) {
        int16_t oct = 9;
        QString acc = "x";
        EXPECT_EQ(doc::PitchToDigit(pitch, oct, acc), digit) << pitch;
        EXPECT_EQ(oct, octave) << pitch;
        EXPECT_EQ(acc, accidental) << pitch;
    }
    // Below 19 nothing is drawn and nothing is changed.
    int16_t oct = 3;
    QString acc = "r";
    EXPECT_EQ(doc::PitchToDigit(5, oct, acc), "");
    EXPECT_EQ(oct, 3);
    EXPECT_EQ(acc, "r");
}

TEST(TrackViewDraw, ModeZeroDrawsNothingButTheClear) {
    View v;
    v.Put(1, 0, 60, 48, "a");
    v.Stack();
    v.page.showBarLines = true;
    EXPECT_EQ(v.Draw(), QStringList{"Cls"});
}

TEST(TrackViewDraw, LyricModeBoxesBarsAndTheSlantOfAHeldSyllable) {
    View v;
    v.Put(3, 0, 72, 96, U("啊"));
    v.Put(3, 96, 60, 48, "-");
    v.Stack();
    ASSERT_EQ(v.song->Parts[3].StripTop, 240);
    v.song->Parts[3].DisplayMode = 1;
    v.song->Parts[3].Colour = vb::RGB(0, 0, 128);
    v.song->Parts[3].Colour2 = vb::RGB(255, 255, 0);
    const QStringList log = v.Draw();
    const QString c2 = "colour=&H" + QString::number(vb::RGB(255, 255, 0), 16).toUpper();
    const QString c1 = "colour=&H" + QString::number(vb::RGB(0, 0, 128), 16).toUpper();
    EXPECT_EQ(Matching(log, "Print"), QStringList{U("Print 0,240 \"啊\"; font=宋体 9")});
    QStringList expected = {"Line 0,240-20,240 " + c2, "Line 0,259-20,259 " + c2, "Line 0,240-0,260 " + c2,
                            "Line 20,240-20,260 " + c2};
    for (int k = -1; k <= 9; ++k) expected << QString("Line 20,%1-48,%1 ").arg(250 + k) + c2;
    for (int k = -1; k <= 9; ++k) expected << QString("Line 44,%1-48,%1 ").arg(250 + k) + c1;
    for (int k = -1; k <= 9; ++k) {
        expected << QString("Line 44,%1-52,%2 ").arg(250 + k).arg(370 + k) + c2;
        expected << QString("Line 52,%1-72,%1 ").arg(370 + k) + c2;
    }
    EXPECT_EQ(Matching(log, "Line"), expected);
}

TEST(TrackViewDraw, UnpitchedNoteSitsOnTheTopRowAndItemsAreHidden) {
    View v;
    v.Put(2, 48, 20, 48, "x");
    v.Put(2, 48, 5, 48, "item");
    v.Put(2, 48, 0, 0, U("注释|二"));
    v.Stack();
    v.song->Parts[2].DisplayMode = 1;
    QStringList prints = Matching(v.Draw(), "Print");
    EXPECT_EQ(prints, QStringList{U("Print 24,120 \"x\"; font=宋体 9")});
    v.page.showComments = true;
    prints = Matching(v.Draw(), "Print");
    EXPECT_EQ(prints, (QStringList{U("Print 24,120 \"注释|二\"; font=宋体 9"), U("Print 24,120 \"x\"; font=宋体 9")}));
}

TEST(TrackViewDraw, PageWindowAndVerse) {
    View v;
    v.Put(1, 100, 60, 50, "a|A");   // ends at 150 < cursor: not shown
    v.Put(1, 150, 62, 60, "b|B");   // still sounding at the cursor: negative x
    v.Put(1, 2168, 64, 48, "c|C");  // starts exactly at the page end: shown
    v.Put(1, 2169, 65, 48, "d|D");  // after it
    v.Put(1, 2147483647, 66, 48, "e|E");  // the latest start a row holds: far after it
    v.Stack();
    v.song->Parts[1].DisplayMode = 1;
    v.page.cursorTick = 200;
    v.page.verse = 1;
    const QStringList prints = Matching(v.Draw(), "Print");
    ASSERT_EQ(prints.size(), 2);
    EXPECT_TRUE(prints[0].startsWith("Print -25,")) << prints[0].toStdString();
    EXPECT_TRUE(prints[0].contains("\"B\"")) << prints[0].toStdString();
    EXPECT_TRUE(prints[1].startsWith("Print 984,")) << prints[1].toStdString();
    EXPECT_TRUE(prints[1].contains("\"C\""));
}

TEST(TrackViewDraw, DigitModeWithOctaveDotsAndAccidentals) {
    View v;
    v.Put(2, 96, 74, 48, "la");
    v.Put(2, 192, 47, 48, "lo");
    v.Put(2, 288, 61, 48, "li");
    v.Stack();
    ASSERT_EQ(v.song->Parts[2].StripTop, 120);
    v.song->Parts[2].DisplayMode = 2;
    const QStringList prints = Matching(v.Draw(), "Print");
    // base = CInt(120 + 0.08 x 180) = 134; the lyric 14.4 lower at 0.618 of the size; dots at
    // CLng(x + 0.12 x 20), 0.78 L above or 0.22 L (+ 0.2 L each) below.
    const QStringList expected = {
        U("Print 48,134 \"2\"; font=宋体 9"),
        U("Print 48,148.4 \"la\"; font=宋体 5.562"),
        U("Print 50,118.4 \".\"; font=宋体 9"),
        U("Print 96,134 \"7\"; font=宋体 9"),
        U("Print 96,148.4 \"lo\"; font=宋体 5.562"),
        U("Print 98,138.4 \".\"; font=宋体 9"),
        U("Print 98,142.4 \".\"; font=宋体 9"),
        U("Print 144,134 \"t\"; font=Qelto 9"),
        U("Print 150,134 \"1\"; font=宋体 9"),
        U("Print 144,148.4 \"li\"; font=宋体 5.562"),
    };
    EXPECT_EQ(prints, expected);
}

TEST(TrackViewDraw, DigitModeChordNotesMoveUpOrDown) {
    View v;
    v.Put(1, 0, 67, 48, "a");
    v.Put(1, 0, 60, 48, "b");
    v.Put(1, 0, 72, 48, "c");
    v.Stack();
    v.song->Parts[1].DisplayMode = 2;
    const QStringList digits = Matching(v.Draw(), "Print 0,");
    // base 14 (CInt(14.4)); lower than the first note of the chord: 28; higher: 0.
    EXPECT_TRUE(digits.contains(U("Print 0,14 \"5\"; font=宋体 9")));
    EXPECT_TRUE(digits.contains(U("Print 0,28 \"1\"; font=宋体 9")));
    EXPECT_TRUE(digits.contains(U("Print 0,0 \"1\"; font=宋体 9")));
}

TEST(TrackViewGrid, BarAndBeatLinesWithNumbers) {
    View v;
    v.Stack();
    v.song->Parts[1].DisplayMode = 1;
    v.page.showBarLines = true;
    v.page.showBeatLines = true;
    v.page.pageSpan = 400;
    vb::RecordingSurface s(1000, 700);
    DrawTrackViewPage(s, *v.song, v.page);
    const QStringList lines = Matching(s.Log(), "Line");
    const QString bar = "colour=&H" + QString::number(v.page.barLineColour, 16).toUpper();
    const QString beat = "colour=&H" + QString::number(v.page.beatLineColour, 16).toUpper();
    // Ticks 0, 48, ... 432: 432 is the first beyond the page end 400 and is the last drawn.
    ASSERT_EQ(lines.size(), 20);
    EXPECT_EQ(lines[0], "Line 0,0-0,700 " + bar);
    EXPECT_EQ(lines[2], "Line 24,0-24,700 " + beat);
    EXPECT_EQ(lines[8], "Line 96,0-96,700 " + bar);
    const QStringList numbers = Matching(s.Log(), "Print");
    EXPECT_EQ(numbers, (QStringList{U("Print -4,102 \" 1 \"; font=宋体 12"), U("Print 92,102 \" 2 \"; font=宋体 12"),
                                    U("Print 188,102 \" 3 \"; font=宋体 12")}));
}

TEST(TrackViewGrid, CursorInsideABarAndOptions) {
    View v;
    v.Stack();
    v.song->Parts[1].DisplayMode = 1;
    v.song->CurrentPart = 2;
    v.page.showBarLines = true;
    v.page.cursorTick = 200;
    v.page.pageSpan = 200;
    QStringList prints = Matching(v.Draw(), "Print");
    // The bar holding tick 200 is bar 2, so the line at 384 starts bar 3; row y of part 2.
    EXPECT_EQ(prints, QStringList{U("Print 88,222 \" 3 \"; font=宋体 12")});
    EXPECT_EQ(Matching(v.Draw(), "Line").size(), 2);  // beat lines off
    v.page.showBarLines = false;
    v.page.showBeatLines = true;
    EXPECT_TRUE(Matching(v.Draw(), "Line").isEmpty());
}

TEST(TrackViewGrid, NumbersRunOnAcrossATimeSignatureChange) {
    View v;
    v.song->TimeSigLastIndex = 1;
    v.song->TimeSigTicks[1] = 384;
    v.song->TimeSigCodes[1] = doc::TimeSigTextToCode("3/4");
    doc::RebuildTimeline(*v.song, false);
    v.Stack();
    v.song->Parts[1].DisplayMode = 1;
    v.page.showBarLines = true;
    v.page.cursorTick = 384;
    v.page.pageSpan = 300;
    const QStringList prints = Matching(v.Draw(), "Print");
    ASSERT_EQ(prints.size(), 3);
    EXPECT_TRUE(prints[0].contains("\" 3 \""));
    EXPECT_TRUE(prints[1].startsWith("Print 68,"));  // 3/4: next bar at 384 + 144
    EXPECT_TRUE(prints[1].contains("\" 4 \""));
}

// A meter of no bar length (0 beats a bar) draws its beats as beat lines and counts no bar; the
// bars of the meter after it are numbered from its first bar number.
TEST(TrackViewGrid, AMeterWithoutBarsDrawsBeatLinesOnly) {
    View v;
    v.Stack();
    v.song->TimeSigCodes[0] = 3 * 32;  // quarter beats, none a bar
    v.song->TimeSigLastIndex = 1;
    v.song->TimeSigTicks[1] = 384;
    v.song->TimeSigCodes[1] = doc::TimeSigTextToCode("4/4");
    v.page.showBarLines = true;
    v.page.showBeatLines = true;
    v.page.cursorTick = 200;
    v.page.pageSpan = 200;
    vb::RecordingSurface s(1000, 700);
    s.SetFontName(U("宋体"));
    s.SetFontSize(12);
    DrawTrackViewGrid(s, *v.song, v.page);
    const QString bar = " colour=&H" + QString::number(v.page.barLineColour, 16).toUpper();
    const QString beat = " colour=&H" + QString::number(v.page.beatLineColour, 16).toUpper();
    // Ticks 240, 288, 336 (beats), 384 (bar 1 of the 4/4), 432 (the first beyond the page end 400).
    const QStringList expected = {"Line 20,0-20,700" + beat,   "Line 21,0-21,700" + beat,
                                  "Line 44,0-44,700" + beat,   "Line 45,0-45,700" + beat,
                                  "Line 68,0-68,700" + beat,   "Line 69,0-69,700" + beat,
                                  "Line 92,0-92,700" + bar,    "Line 93,0-93,700" + bar,
                                  "Line 116,0-116,700" + beat, "Line 117,0-117,700" + beat};
    EXPECT_EQ(Matching(s.Log(), "Line"), expected);
    EXPECT_EQ(Matching(s.Log(), "Print"), QStringList{U("Print 88,102 \" 1 \"; font=宋体 12")});
}

TEST(TrackViewBands, SolidBandsKeptAsTheBackground) {
    View v;
    v.Stack();
    v.song->Parts[2].Colour = vb::RGB(200, 0, 0);
    v.song->Parts[3].Colour = vb::RGB(0, 200, 0);
    vb::PageSurface c(300, 620);
    DrawPartRangeBands(c, *v.song);
    EXPECT_EQ(c.Point(10, 120), vb::RGB(200, 0, 0));
    EXPECT_EQ(c.Point(299, 239), vb::RGB(200, 0, 0));
    EXPECT_EQ(c.Point(10, 240), vb::RGB(0, 200, 0));  // the next band drawn over the shared row
    c.Line(0, 200, 100, 200, vb::RGB(1, 1, 1));
    c.Cls();
    EXPECT_EQ(c.Point(50, 200), vb::RGB(200, 0, 0));
}

TEST(TrackViewCanvasesTest, PageDrawnIntoTheBackCanvas) {
    View v;
    v.Put(1, 0, 60, 96, "a");
    v.Stack();
    v.song->Parts[1].DisplayMode = 1;
    v.song->Parts[1].Colour2 = vb::RGB(255, 230, 120);
    v.page.pageSpan = 900;
    vb::PageSurface c0(920, 620), c1(920, 620);
    TrackViewCanvases canvases(c0, c1);
    canvases.DrawBands(*v.song);
    EXPECT_EQ(canvases.DrawPage(*v.song, v.page), 900);
    // Canvas 0 is in front: the box's top edge went to canvas 1 only.
    EXPECT_EQ(c1.Point(10, 0), vb::RGB(255, 230, 120));
    EXPECT_EQ(c0.Point(10, 0), vb::Colour(0x404000));
    canvases.Flip();
    EXPECT_EQ(&canvases.Front(), &c1);
    EXPECT_EQ(&canvases.Back(), &c0);
}
