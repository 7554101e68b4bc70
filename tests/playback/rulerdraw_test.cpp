#include <gtest/gtest.h>

#include "document/newsong.h"
#include "document/songcodes.h"
#include "document/timeline.h"
#include "platform/surface.h"
#include "playback/rulerdraw.h"

using namespace playback;

namespace {

std::unique_ptr<doc::Song> MinuteSong() {
    auto song = doc::Song::create();
    doc::NewProject(*song);
    song->SongSeconds = 60;  // 3840 ticks, twenty 4/4 bars
    doc::RebuildTimeline(*song, true);
    return song;
}

QStringList Matching(const QStringList& log, const QString& prefix) {
    QStringList out;
    for (const QString& line : log)
        if (line.startsWith(prefix)) out << line;
    return out;
}

}  // namespace

TEST(RulerDrawing, BarAndBeatLinesAndNumbers) {
    auto song = MinuteSong();
    vb::RecordingSurface s(1000, 36);
    doc::RulerMarks marks = DrawSongRuler(s, *song, 1000);
    const QStringList& log = s.Log();
    ASSERT_GE(log.size(), 6);
    // Cleared first; the first bar line, its number 8 units to its left at the line's lower end,
    // then the beat lines of the bar (a quarter is 12.5 units).
    EXPECT_EQ(log[0], "Cls");
    EXPECT_EQ(log[1], "Line 0,0-0,12 colour=&H0");
    EXPECT_EQ(log[2], QString::fromUtf8("Print -8,12 \" 1 \" font=宋体 9"));
    EXPECT_EQ(log[3], "Line 12.5,0-12.5,6 colour=&H0");
    EXPECT_EQ(log[4], "Line 25,0-25,6 colour=&H0");
    EXPECT_EQ(log[5], "Line 37.5,0-37.5,6 colour=&H0");
    // Bar 2 at x 50: its number would stand only 50 units after bar 1's, so it is left out.
    EXPECT_EQ(log[6], "Line 50,0-50,12 colour=&H0");
    EXPECT_EQ(log[7], "Line 62.5,0-62.5,6 colour=&H0");

    // 21 bar lines (the song end included) and 3 beat lines in each of the 20 bars.
    EXPECT_EQ(Matching(log, "Line").size(), 81);
    EXPECT_EQ(Matching(log, "Line 1000,0-1000,12").size(), 1);
    // Every other bar is numbered, each at y 12 although the print before it moved down a line.
    QStringList prints = Matching(log, "Print");
    ASSERT_EQ(prints.size(), 11);
    EXPECT_EQ(prints[1], QString::fromUtf8("Print 92,12 \" 3 \" font=宋体 9"));
    EXPECT_EQ(prints[10], QString::fromUtf8("Print 992,12 \" 21 \" font=宋体 9"));
    EXPECT_EQ(marks.numbers.size(), 11u);
}

TEST(RulerDrawing, NumbersUseTheSurfacesFontAndAllBarsCount) {
    auto song = MinuteSong();
    vb::RecordingSurface s(4000, 36);
    s.SetFontName(QString::fromUtf8("黑体"));
    s.SetFontSize(12);
    DrawSongRuler(s, *song, 4000);  // 200 units a bar: every bar numbered
    QStringList prints = Matching(s.Log(), "Print");
    ASSERT_EQ(prints.size(), 21);
    EXPECT_EQ(prints[0], QString::fromUtf8("Print -8,12 \" 1 \" font=黑体 12"));
    EXPECT_EQ(prints[4], QString::fromUtf8("Print 792,12 \" 5 \" font=黑体 12"));
}

TEST(RulerDrawing, SegmentsOfEachTimeSignature) {
    auto song = MinuteSong();
    song->TimeSigLastIndex = 1;
    song->TimeSigTicks[1] = 384;
    song->TimeSigCodes[1] = doc::TimeSigTextToCode("6/8");
    doc::RebuildTimeline(*song, true);
    ASSERT_EQ(song->SongLength, 3840);
    vb::RecordingSurface s(3840, 36);
    DrawSongRuler(s, *song, 3840);  // one unit per tick
    const QStringList log = s.Log();
    // In 6/8 the beat is 24 ticks and the bar 144: after the bar line at 384, beat lines at 408, 432...
    int at = log.indexOf("Line 384,0-384,12 colour=&H0");
    ASSERT_GT(at, 0);
    EXPECT_EQ(log[at + 1], QString::fromUtf8("Print 376,12 \" 3 \" font=宋体 9"));
    EXPECT_EQ(log[at + 2], "Line 408,0-408,6 colour=&H0");
    EXPECT_EQ(log[at + 3], "Line 432,0-432,6 colour=&H0");
    EXPECT_TRUE(log.contains("Line 528,0-528,12 colour=&H0"));
    EXPECT_FALSE(log.contains("Line 576,0-576,12 colour=&H0"));
}

TEST(RulerDrawing, RedrawingStartsAfresh) {
    auto song = MinuteSong();
    vb::RecordingSurface s(1000, 36);
    DrawSongRuler(s, *song, 1000);
    const QStringList first = s.Log();
    s.SetCurrentX(500);
    s.SetCurrentY(30);
    DrawSongRuler(s, *song, 1000);
    QStringList second = s.Log().mid(first.size());
    EXPECT_EQ(second, first);
}
