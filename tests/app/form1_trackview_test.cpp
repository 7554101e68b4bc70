// The track view in the main window: strips and header rows, selecting and dragging parts, the
// part commands of the header column, the toolbar's part commands, the title block, and what the
// canvases show in each display mode.
#include <QTest>

#include "app/form1_fixture.h"
#include "app/settings.h"
#include "app/startup.h"
#include "editing/partmanage.h"
#include "platform/vbtext.h"
#include "support/text.h"

using app::Form1;

namespace {

void Put(doc::Song& s, int part, int32_t start, int pitch, int length, const QString& lyric) {
    doc::NoteRecord& n = s.Notes[part][s.Parts[part].NoteCount++];
    n.Start = start;
    n.Pitch = uint8_t(pitch);
    n.Length = int16_t(length);
    n.Lyric = lyric;
}

}  // namespace

class TrackViewWindowTest : public Form1Test {
protected:
    // The window after start-up with the start-up window over, 10-pixel bars and 20-pixel lyric
    // boxes, and the track page of the zoom slider set up.
    Form1& startView() {
        Form1& f = start();
        f.Timload_Timer();
        f.NoteBarWidth = 10;
        f.LyricCharWidth = 20;
        f.LyricNoteGap = 10;
        f.HScroll3_Change(app::kZoomSlider);
        f.song->Modified = 0;  // New's typesetting marked the song
        return f;
    }
    // Ranges of all parts, then the strips stacked, as the window does after loading notes.
    static void Restack(Form1& f) {
        for (int p = 1; p <= f.song->PartCount; ++p) f.UpdatePartPitchRange(p);
        f.ArrangePartStrips();
    }
    static std::vector<int> Tops(const Form1& f) {
        std::vector<int> t;
        for (int p = 1; p <= f.song->PartCount; ++p) t.push_back(f.song->Parts[p].StripTop);
        return t;
    }
    static QStringList Names(const Form1& f) {
        QStringList n;
        for (int p = 1; p <= f.song->PartCount; ++p) n << f.Label2[p].Caption();
        return n;
    }
    // A new song whose part 3 holds the pitches 60 and 72.
    Form1& startWithPart3Notes() {
        Form1& f = startView();
        Put(*f.song, 3, 0, 60, 48, "a");
        Put(*f.song, 3, 48, 72, 48, "b");
        Restack(f);
        return f;
    }
};

TEST_F(TrackViewWindowTest, StripsAndHeaderRowsFollowThePitchRanges) {
    Form1& f = startWithPart3Notes();
    EXPECT_EQ(f.song->Parts[3].StripHeight, 140);
    EXPECT_EQ(f.song->Parts[3].StripTopPitch, 72);
    EXPECT_EQ(Tops(f), (std::vector<int>{0, 120, 240, 380, 500}));
    // Header row of part 4 under the taller part 3; rows of unused parts out of sight.
    EXPECT_EQ(f.Label2[4].Top(), 388);
    EXPECT_EQ(f.Check1[34].Top(), 420);
    EXPECT_EQ(f.Label2[6].Top(), -500);
    EXPECT_EQ(f.Picture4[1].Height(), 620);
    EXPECT_EQ(f.Label12.Top(), 622);
}

TEST_F(TrackViewWindowTest, DraggingPart5OntoTheSecondBoundary) {
    Form1& f = startWithPart3Notes();
    // The handlers bound to the canvas.
    f.Picture4[0].MouseDown(0, 1, 0, 30, 560);
    EXPECT_EQ(f.song->CurrentPart, 5);
    f.Picture4[0].MouseMove(0, 1, 0, 30, 126);
    EXPECT_EQ(f.Picture5[10].Top(), 120);
    ASSERT_EQ(f.song->Modified, 0);
    f.Picture4[0].MouseUp(0, 1, 0, 30, 126);
    EXPECT_EQ(f.StripStack.order, (std::vector<int>{1, 5, 2, 3, 4}));
    EXPECT_EQ(Tops(f), (std::vector<int>{0, 240, 360, 500, 120}));
    EXPECT_EQ(f.song->Modified, -1);
    EXPECT_EQ(f.Picture5[10].Top(), -200);
    EXPECT_EQ(f.Label2[5].Top(), 128);
    EXPECT_EQ(f.Shape1[0].Top(), 120);
    // The bands moved with the strips: part 3 (pitches 60..72) now spans 360..500.
    f.song->Parts[3].Colour = vb::RGB(0, 200, 0);
    f.DrawPartRangeBands();
    for (int c = 0; c < 2; ++c) EXPECT_EQ(f.Picture4[c].Canvas().Point(700, 450), vb::RGB(0, 200, 0)) << c;
}

TEST_F(TrackViewWindowTest, APressOnABoundaryChangesNothing) {
    Form1& f = startWithPart3Notes();
    f.Picture4_MouseDown(0, 1, 0, 0, 130);
    ASSERT_EQ(f.song->CurrentPart, 2);
    f.Picture4_MouseDown(0, 1, 0, 0, 240);
    f.Picture4_MouseUp(0, 1, 0, 0, 240);
    EXPECT_EQ(f.song->CurrentPart, 2);
    EXPECT_EQ(Tops(f), (std::vector<int>{0, 120, 240, 380, 500}));
    EXPECT_EQ(f.song->Modified, 0);
    // A right press selects nothing; the header column selects with any button.
    f.Picture4_MouseDown(0, 2, 0, 0, 300);
    EXPECT_EQ(f.song->CurrentPart, 2);
    f.Label1.MouseDown(-1, 2, 0, 10, 300);
    EXPECT_EQ(f.song->CurrentPart, 3);
    EXPECT_EQ(f.Shape1[1].Height(), 140);
}

TEST_F(TrackViewWindowTest, AddingThreePartsMakesEightAndAFourthIsRefused) {
    Form1& f = startView();
    Restack(f);
    midi.messages.clear();
    for (int i = 0; i < 3; ++i) f.Label12.Click(-1);
    EXPECT_EQ(f.song->PartCount, 8);
    EXPECT_TRUE(dialogs.MsgBoxCalls().empty());
    EXPECT_EQ(f.Label2[8].Caption(), U("新声部"));
    EXPECT_EQ(f.Label2[8].Top(), 7 * 120 + 8);
    ASSERT_FALSE(midi.messages.empty());
    EXPECT_EQ(midi.messages.back(), editing::ProgramChangeMessage(8, 0));
    f.Label12_Click();
    EXPECT_EQ(f.song->PartCount, 8);
    ASSERT_EQ(dialogs.MsgBoxCalls().size(), 1u);
    EXPECT_EQ(dialogs.MsgBoxCalls()[0].prompt, U("最多8个声部，无法继续增加!"));
}

TEST_F(TrackViewWindowTest, APartAddedIntoAUsedSlotStartsClean) {
    Form1& f = startView();
    Restack(f);
    // Part 5 shows digits, is silent and out of the score, then is deleted.
    f.Command11_Click(5);
    f.Check1[25].SetValue(0);
    f.Check1[35].SetValue(1);
    f.Picture4_MouseDown(0, 1, 0, 0, 500);
    dialogs.msgBoxAnswers.push_back(vb::vbYes);
    f.Command4_Click(3);
    ASSERT_EQ(f.song->PartCount, 4);
    f.Label12_Click();
    ASSERT_EQ(f.song->PartCount, 5);
    EXPECT_EQ(f.Label2[5].Caption(), U("新声部"));
    EXPECT_EQ(f.Command11[5].Caption(), U("词"));
    EXPECT_EQ(f.Check1[25].Value(), 1);
    EXPECT_EQ(f.Check1[35].Value(), 0);
    // Undo still brings back the deleted part, with its own switches.
    f.journal.Undo(*f.song);
    EXPECT_EQ(Names(f), (QStringList{U("领唱"), U("女高"), U("女低"), U("男高"), U("男低"), U("新声部")}));
    EXPECT_EQ(f.Command11[5].Caption(), U("音"));
    EXPECT_EQ(f.Check1[25].Value(), 0);
    EXPECT_EQ(f.Label2[6].Top(), 5 * 120 + 8);
}

TEST_F(TrackViewWindowTest, DeletingPart3AsksAndUndoBringsItBack) {
    Form1& f = startView();
    Restack(f);
    f.Command11_Click(5);  // 男低 shows digits
    f.song->Parts[5].Program = 40;
    f.Picture4_MouseDown(0, 1, 0, 0, 300);
    ASSERT_EQ(f.song->CurrentPart, 3);
    midi.messages.clear();
    dialogs.msgBoxAnswers.push_back(vb::vbYes);
    f.Command4_Click(3);
    ASSERT_EQ(dialogs.MsgBoxCalls().size(), 1u);
    EXPECT_EQ(dialogs.MsgBoxCalls()[0].prompt, U("确定要删除[女低]声部吗？"));
    EXPECT_EQ(Names(f), (QStringList{U("领唱"), U("女高"), U("男低"), U("男高")}));
    EXPECT_EQ(f.Label2[5].Top(), -500);
    // Slot 3 now holds 男低: its mode, and its program on channel 3.
    EXPECT_EQ(f.Command11[3].Caption(), U("音"));
    EXPECT_NE(std::find(midi.messages.begin(), midi.messages.end(), editing::ProgramChangeMessage(3, 40)),
              midi.messages.end());
    f.journal.Undo(*f.song);
    EXPECT_EQ(Names(f), (QStringList{U("领唱"), U("女高"), U("女低"), U("男高"), U("男低")}));
    EXPECT_EQ(f.Label2[3].Top(), 248);
    EXPECT_EQ(f.Command11[5].Caption(), U("音"));
}

TEST_F(TrackViewWindowTest, DeletingIsRefusedForTheLastPartAndDeclinedByNo) {
    Form1& f = startView();
    Restack(f);
    dialogs.msgBoxAnswers.push_back(vb::vbNo);
    f.Command4_Click(3);
    EXPECT_EQ(f.song->PartCount, 5);
    EXPECT_EQ(f.song->Modified, 0);
    f.song->PartCount = 1;
    f.Picture4_KeyDown(0, 46, 2);  // Ctrl+Delete
    EXPECT_EQ(f.song->PartCount, 1);
    EXPECT_EQ(dialogs.MsgBoxCalls().back().prompt, U("您无法删除最后一个声部！"));
    f.Picture4_KeyDown(0, 46, 0);  // Delete alone does nothing
    EXPECT_EQ(dialogs.MsgBoxCalls().size(), 2u);
}

TEST_F(TrackViewWindowTest, RenameKeepsTheTrimmedFirstEightCharacters) {
    Form1& f = startView();
    Restack(f);
    f.Label2[2].DblClick(2);
    EXPECT_EQ(f.Text4.Top(), f.Label2[2].Top());
    EXPECT_EQ(f.Text4.Text(), U("女高"));
    f.Text4.SetText("  ABCDEFGHIJ  ");
    f.Text4.KeyDown(-1, 65, 0);  // not Enter: nothing is stored
    EXPECT_EQ(f.song->Parts[2].Name, U("女高"));
    f.Text4.KeyDown(-1, 13, 0);
    EXPECT_EQ(f.song->Parts[2].Name, "ABCDEFGH");
    EXPECT_EQ(f.Label2[2].Caption(), "ABCDEFGH");
    EXPECT_EQ(f.Text4.Top(), -200);
    // Through real key events on the editor widget.
    f.show();
    f.Label2[4].DblClick(4);
    QWidget* editor = f.Text4.widget();
    editor->setFocus();
    QTest::keyClicks(editor, "Tenor 1");
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(f.song->Parts[4].Name, U("男高Tenor "));
}

TEST_F(TrackViewWindowTest, VerseButtonCyclesThroughThreeVerses) {
    Form1& f = startView();
    f.Command4_Click(11);  // one verse: nothing
    EXPECT_EQ(f.Command4[11].Caption(), "1");
    f.HScroll4.SetValue(3);
    QStringList captions;
    for (int i = 0; i < 3; ++i) {
        f.Command4[11].Click(11);
        captions << f.Command4[11].Caption();
    }
    EXPECT_EQ(captions, (QStringList{"2", "3", "1"}));
    EXPECT_EQ(f.Combo8.ListIndex(), 0);
}

TEST_F(TrackViewWindowTest, SwatchesAndModeButton) {
    Form1& f = startView();
    Restack(f);
    dialogs.colorAnswers.push_back(vb::RGB(0, 255, 0));
    f.Label11[3].Click(3);
    EXPECT_EQ(f.Label11[3].BackColor(), vb::RGB(0, 255, 0));
    EXPECT_EQ(f.song->Parts[3].Colour, vb::RGB(0, 255, 0));
    EXPECT_EQ(f.Picture4[0].Canvas().Point(700, 300), vb::RGB(0, 255, 0));
    dialogs.colorAnswers.push_back(vb::RGB(255, 0, 0));
    f.Label11_Click(13);
    EXPECT_EQ(f.song->Parts[3].Colour2, vb::RGB(255, 0, 0));
    QStringList modes;
    for (int i = 0; i < 3; ++i) {
        f.Command11[2].Click(2);
        modes << f.Command11[2].Caption();
    }
    EXPECT_EQ(modes, (QStringList{U("音"), U("无"), U("词")}));
}

TEST_F(TrackViewWindowTest, PartAudioFile) {
    Form1& f = startView();
    f.song->CurrentPart = 2;
    dialogs.fileAnswers.push_back(QString("/tmp/chorus/alto.mp3"));
    f.Command4_Click(2);
    EXPECT_EQ(parts[2].Url(), "/tmp/chorus/alto.mp3");
    EXPECT_EQ(f.song->Parts[2].AudioFile, "/tmp/chorus/alto.mp3");
    // A path that cannot be saved is refused; the player keeps its file.
    dialogs.fileAnswers.push_back(QString("/tmp/") + QString::fromUcs4(U"\U0001F3B5") + ".mp3");
    f.Command4_Click(2);
    EXPECT_EQ(parts[2].Url(), "/tmp/chorus/alto.mp3");
    // So is one that cannot be played, with the message of "定位"; the part keeps its recording.
    f.song->Modified = 0;
    parts[2].badFiles.insert("/tmp/chorus/cut.wav");
    dialogs.fileAnswers.push_back(QString("/tmp/chorus/cut.wav"));
    f.Command4_Click(2);
    EXPECT_EQ(parts[2].Url(), "/tmp/chorus/alto.mp3");
    EXPECT_EQ(f.song->Parts[2].AudioFile, "/tmp/chorus/alto.mp3");
    EXPECT_EQ(f.song->Modified, 0);
    EXPECT_EQ(dialogs.MsgBoxCalls().back().prompt, "无法播放音频文件:[cut.wav]，请选择其他的wav或mp3文件！");
}

TEST_F(TrackViewWindowTest, TitleBlockFieldsAndTheUnlockKey) {
    Form1& f = startView();
    f.song->Subtitle.clear();
    f.Label19[7].SetCaption("");
    dialogs.inputAnswers.push_back(U("合唱版"));
    f.Label19[7].Click(7);
    EXPECT_EQ(f.Label19[7].Caption(), U("合唱版"));
    EXPECT_EQ(f.song->Subtitle, U("合唱版"));
    EXPECT_EQ(f.Label19[0].Top(), 0);
    // Locked after a load: no question until Ctrl+N with the code.
    f.Picture13.Tag = "0";
    const size_t asked = dialogs.calls.size();
    f.Label19_Click(4);
    EXPECT_EQ(dialogs.calls.size(), asked);
    dialogs.inputAnswers.push_back("KUD49qxr");
    f.Picture4[0].KeyDown(0, 78, 2);
    EXPECT_EQ(f.Picture13.Tag, "1");
}

// ---------------------------------------------------------------------------------------------
// Drawing

class TrackViewDrawingTest : public TrackViewWindowTest {
protected:
    // Part 1 in "词", part 2 in "音", part 3 in "无", each with notes and lyrics.
    Form1& startSong() {
        app::installFonts(PROGRAM_DIR);
        Form1& f = startView();
        doc::Song& s = *f.song;
        const int pitches[3][4] = {{67, 69, 71, 69}, {74, 72, 47, 60}, {60, 62, 64, 62}};
        const char* lyrics[4] = {"春", "风", "-", "来"};
        for (int p = 1; p <= 3; ++p)
            for (int i = 0; i < 4; ++i) Put(s, p, i * 96, pitches[p - 1][i], 96, U(lyrics[i]));
        s.Parts[1].Colour = vb::RGB(64, 64, 160);
        s.Parts[1].Colour2 = vb::RGB(255, 255, 0);
        s.Parts[2].Colour = vb::RGB(40, 100, 40);
        s.Parts[2].Colour2 = vb::RGB(255, 255, 255);
        s.Parts[3].Colour = vb::RGB(120, 40, 40);
        s.Parts[3].Colour2 = vb::RGB(0, 255, 255);
        for (int p = 1; p <= 3; ++p) f.ShowPartHeader(p);
        f.Command11_Click(2);                      // "音"
        f.Command11_Click(3);
        f.Command11_Click(3);                      // "无"
        Restack(f);
        return f;
    }
    // Pixels of the region that show something other than the given colours (text is smoothed,
    // so its pixels lie between the text colour and the band).
    static int Ink(const vb::PageSurface& c, std::initializer_list<vb::Colour> background, int x0, int y0, int x1,
                   int y1) {
        int n = 0;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                const int64_t v = c.Point(x, y);
                bool plain = false;
                for (vb::Colour b : background) plain = plain || v == int64_t(b);
                if (!plain) ++n;
            }
        return n;
    }
};

TEST_F(TrackViewDrawingTest, EachModeShowsWhatItShould) {
    Form1& f = startSong();
    f.FrontCanvas = 1;
    f.DrawTrackViewPage();
    const vb::PageSurface& c = f.Picture4[0].Canvas();
    const doc::Song& s = *f.song;
    const double k = f.TrackScale;
    // "词": the first note of part 1 (67, two rows under its top pitch 71) has its box at rows
    // y0..y0 + 19 and its bar on rows y0 + 9..y0 + 19 from the box's right side to the note's
    // end, in the part's second colour.
    ASSERT_EQ(s.Parts[1].StripTopPitch, 71);
    const int y0 = (71 - 67) * 10;
    const int barX = vb::CLng(72 * k);
    ASSERT_GT(barX, 22);
    EXPECT_EQ(c.Point(barX, y0 + 14), int64_t(s.Parts[1].Colour2));
    EXPECT_EQ(c.Point(barX, y0 + 25), int64_t(s.Parts[1].Colour));  // below the bar: the band
    EXPECT_EQ(c.Point(10, y0), int64_t(s.Parts[1].Colour2));        // top line of the box
    // "音": digits and lyrics of part 2 in its second colour.
    const int top2 = s.Parts[2].StripTop, top3 = s.Parts[3].StripTop;
    const vb::Colour beat = f.Label15[7].ForeColor(), bar = f.Label15[8].ForeColor();
    EXPECT_GT(Ink(c, {s.Parts[2].Colour, beat, bar}, 2, top2, vb::CLng(96 * k) - 2, top2 + 60), 10);
    // "无": nothing but the band and the grid.
    EXPECT_EQ(Ink(c, {s.Parts[3].Colour, beat, bar}, 0, top3, c.Width() - 1, top3 + s.Parts[3].StripHeight - 1), 0);
    // The back canvas was drawn, not the front one.
    EXPECT_EQ(f.Picture4[1].Canvas().Point(barX, y0 + 14), int64_t(s.Parts[1].Colour));
}

TEST_F(TrackViewDrawingTest, OctaveDotsOfTheDigits) {
    app::installFonts(PROGRAM_DIR);
    Form1& f = startView();
    doc::Song& s = *f.song;
    // Part 2 alone, in "音": 74 and 62 (both "2"), 47 and 59 (both "7"), the same syllable under
    // each, so two columns differ only by their octave dots.
    const int pitches[4] = {74, 62, 47, 59};
    for (int i = 0; i < 4; ++i) Put(s, 2, i * 96, pitches[i], 96, U("啊"));
    s.Parts[2].Colour = vb::RGB(0, 0, 0);
    s.Parts[2].Colour2 = vb::RGB(255, 255, 255);
    for (int p = 1; p <= s.PartCount; ++p) s.Parts[p].DisplayMode = p == 2 ? 2 : 0;
    f.Check5[3].SetValue(0);  // no grid
    Restack(f);
    f.FrontCanvas = 1;
    f.DrawTrackViewPage();
    const vb::PageSurface& c = f.Picture4[0].Canvas();
    const double k = f.TrackScale;
    const int L = f.LyricCharWidth;
    const int top = s.Parts[2].StripTop;
    const int base = vb::CInt(top + 0.08 * f.Label9.Height() * 15);
    auto column = [&](int note, int y0, int y1) {
        const int x = vb::CLng(note * 96 * k);
        return Ink(c, {s.Parts[2].Colour}, x, y0, x + L, y1);
    };
    // Above the digit row: the one dot of 74, nothing over 62.
    EXPECT_GT(column(0, top, base - 1), 0);
    EXPECT_EQ(column(1, top, base - 1), 0);
    // Under the digits: 47 has two dots more than 59; the digit and the syllable are the same.
    const int below0 = base + vb::CLng(0.22 * L), below1 = base + 2 * L;
    EXPECT_GT(column(2, below0, below1), column(3, below0, below1));
    // Both "2" digits are drawn alike on their row.
    EXPECT_EQ(column(0, base, base + vb::CLng(0.5 * L)), column(1, base, base + vb::CLng(0.5 * L)));
    EXPECT_GT(column(0, base, base + vb::CLng(0.5 * L)), 0);
}

// Writes the track view as a picture when CHOIR_TRACKVIEW_SHOT names a file.
TEST_F(TrackViewDrawingTest, Screenshot) {
    const QByteArray target = qgetenv("CHOIR_TRACKVIEW_SHOT");
    if (target.isEmpty()) GTEST_SKIP() << "CHOIR_TRACKVIEW_SHOT not set";
    Form1& f = startSong();
    f.show();
    f.FrontCanvas = 1;
    f.DrawTrackViewPage();
    QCoreApplication::processEvents();
    ASSERT_TRUE(f.grab().save(QString::fromLocal8Bit(target)));
}
