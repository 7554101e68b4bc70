#include <gtest/gtest.h>

#include "app/startup.h"
#include "document/songcodes.h"
#include "marks_testing.h"
#include "support/songs.h"

using namespace typeset;

// Renders one bracketed three-row system of marks at three times the default size, with the digit
// rows' top and bottom ruled in grey, for looking at the notation font's placement.
TEST(MarksScreenshot, OneSystemOfMarks) {
    const QByteArray target = qgetenv("CHOIR_MARKS_SCREENSHOT");
    if (target.isEmpty()) GTEST_SKIP() << "CHOIR_MARKS_SCREENSHOT not set";
    app::installFonts(PROGRAM_DIR);
    auto song = testsongs::NewSong(true);
    MarkStyle st = markstest::Style(36, 72);
    st.Fonts.Samples[2].Size = 54;
    st.Fonts.Samples[1].Size = 36;
    st.Fonts.Samples[4].Size = 36;
    st.LeftMargin = 40, st.PrintableWidth = 1500, st.PartRowHeight = 230, st.PartRowGap = 20;
    vb::PageSurface page(1600, 900);
    page.SetForeColor(vb::RGB(200, 200, 200));
    for (int y : {100, 172, 350, 422, 600, 672}) page.Line(0, y, 1600, y);
    page.SetForeColor(0);
    LineCells cells;
    for (int32_t t = 0; t <= 384; t += 12) cells.Ticks.push_back(t), cells.X.push_back(120 + t * 3 + (t >= 192 ? 30 : 0));
    RowContext row;
    row.Meter = song.get(), row.Cells = &cells, row.LineEndTick = 384, row.Rows = 2, row.Verses = 1;
    row.RowDigitY = 100, row.RowLyricY = 180, row.LyricLineHeight = 48;
    RowState rs;
    RunState run;
    auto ev = [&](int32_t s, int16_t l, int p, const QString& text = QString()) {
        doc::NoteRecord n;
        n.Start = s, n.Length = l, n.Pitch = uint8_t(p), n.Lyric = text;
        DrawRowEvent(page, st, row, rs, run, n);
    };
    ev(0, 72, 79, "啊");  // dotted quarter an octave up
    ev(72, 12, 61);       // sixteenth sharp
    ev(84, 12, 50);       // sixteenth an octave down
    ev(96, 16, 64), ev(112, 16, 70), ev(128, 16, 60);  // triplet
    ev(144, 36, 67), ev(180, 12, 55);
    ev(192, 96, 65), ev(288, 48, 19), ev(336, 48, 67);
    ev(0, 96, 5, "<"), ev(192, 96, 5, "V1."), ev(288, 0, 2, "6");
    SetNotationFont(page, st.Fonts);
    PrintAt(page, 120 + 192 * 3, 100, "|");
    PrintAt(page, 120 + 192 * 3, 350, "|");
    DrawTimeSignatures([&](int) { return &page; }, st, 2, {{192, doc::TimeSigTextToCode("3/4")}},
                       {{0, 120 + 192 * 3 + 8, 350, 0, 192}});
    SystemLayout lay;
    lay.Rows = 3, lay.FirstPageTopOffset = 100, lay.FirstPageSystems = 1, lay.FirstBeatX = 80;
    DrawLineDecorationsPage([&](int) { return &page; }, st, lay);
    DrawEndMark(page, st, 1, 1500, 350);
    ASSERT_TRUE(page.SavePicture(QString::fromUtf8(target)));
}
