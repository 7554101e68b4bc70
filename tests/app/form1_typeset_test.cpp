// The typesetting panel, the page-setup command and the page window, driven through the main window.
#include "app/form1_fixture.h"

#include <QApplication>
#include <QLabel>
#include <QWheelEvent>
#include <QtTest/QTest>
#include <QtTest/qtestspontaneevent.h>

#include "app/settings.h"
#include "app/startup.h"
#include "document/songcodes.h"
#include "document/timeline.h"
#include "support/songs.h"

using namespace app;

class TypesetTest : public Form1Test {
protected:
    QStringList messages() const {
        QStringList out;
        for (const auto& c : dialogs.MsgBoxCalls()) out << c.prompt;
        return out;
    }
    // Presses "排版" on the panel.
    void typeset(Form1& f) {
        f.Command10_Click(2);
        QTest::mouseClick(f.Command10[4].widget(), Qt::LeftButton);
    }
    QWidget* page(Form1& f, int i) { return f.Form3().Picpage[i].widget(); }
    // A turn of the wheel at `at` in `window` (in eighths of a degree, 120 a notch), delivered as
    // the window system delivers it: to the widget under the pointer, then up to its containers.
    static void Turn(QWidget& window, QPoint at, QPoint angle) {
        QWheelEvent e(at, window.mapToGlobal(at), QPoint(), angle, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QSpontaneKeyEvent::setSpontaneous(&e);
        qApp->notify(window.windowHandle(), &e);
    }
};

TEST_F(TypesetTest, NewSongLaysOutPagesNumbersAndTitle) {
    Form1& f = start();
    EXPECT_EQ(f.Page.PartRowHeight, 52);
    EXPECT_EQ(f.Lines.LastSystem, 19);
    EXPECT_EQ(f.Lines.Starts[1], 576);
    EXPECT_EQ(f.Page.LastPage, 6);
    typeset::Form3& w = f.Form3();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.Picjp.Width(), 812);
    EXPECT_EQ(w.Picpage[1].Left(), 8);
    EXPECT_EQ(w.Picpage[1].Top(), 1142);
    EXPECT_EQ(w.Shape2[0].Height(), 282);
    // "下方正中": centred on (398, 1098).
    EXPECT_EQ(w.Label2[0].Left() + w.Label2[0].Width() / 2, 398);
    EXPECT_EQ(w.Label2[0].Top() + 6, 1098);  // 9 pt: 12 pixels high
    EXPECT_EQ(w.Label1[0].Caption(), "[歌曲名]");
    EXPECT_EQ(w.Label1[0].Left(), 350);
    EXPECT_EQ(w.Label1[11].Caption(), "＝80");
    // "左上角" with "奇偶对称": page 2 mirrored.
    f.Combo10.SetListIndex(1);
    f.Check8[3].SetValue(1);
    typeset(f);
    EXPECT_EQ(w.Label2[0].Left() + w.Label2[0].Width() / 2, 57);
    EXPECT_EQ(w.Label2[1].Left() + w.Label2[1].Width() / 2, 739);
    EXPECT_EQ(w.Label2[1].Top() + 6, 28);
    // The texture chosen at start-up is tiled over the pages.
    const QImage& tex = f.Picture17.Canvas().Picture();
    ASSERT_FALSE(tex.isNull());
    const QImage& img = w.Picpage[1].Canvas().Image();
    EXPECT_EQ(img.pixel(130, 5), img.pixel(2, 5));
    EXPECT_EQ(QColor(img.pixel(2, 5)), QColor(tex.pixel(2, 5)));
}

TEST_F(TypesetTest, RefusalsKeepThePanelOpenAndTheLayout) {
    Form1& f = start();
    const int lastPage = f.Page.LastPage;
    f.song->Modified = 0;
    f.Text9[3].SetText("255.5");
    typeset(f);
    EXPECT_EQ(messages(), QStringList{"长度数值超出范围"});
    EXPECT_TRUE(f.Picture16.Visible());
    EXPECT_EQ(f.song->Modified, -1);
    f.Text9[3].SetText("1.50");
    f.Combo6.SetListIndex(f.Combo6.ListCount() - 1);  // "[自定义大小]"
    f.Text9[0].SetText("6.9");
    typeset(f);
    EXPECT_EQ(messages().back(), "所设置页面太小");
    EXPECT_TRUE(f.Picture16.Visible());
    f.Text9[0].SetText("21");
    f.Label22[2].SetFontSize(60);
    typeset(f);
    EXPECT_EQ(messages().back(), "所设置字体不适合当前页面太小");
    EXPECT_TRUE(f.Picture16.Visible());
    EXPECT_EQ(f.Page.LastPage, lastPage);
    f.Label22[2].SetFontSize(18);
    for (int p = 1; p <= 5; ++p) f.song->Parts[p].ShowInScore = 0;
    dialogs.calls.clear();
    typeset(f);
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_TRUE(f.Picture16.Visible());
    EXPECT_EQ(f.Page.LastPage, lastPage);
}

TEST_F(TypesetTest, LongScoresKeepTheFirstTwentyFivePages) {
    Form1& f = start();
    f.song->TempoChangeBpm[0] = 80;
    f.song->SongSeconds = 900;  // 300 bars of 4/4, 100 systems
    f.RebuildTimeline();
    typeset(f);
    EXPECT_EQ(messages(), QStringList{"乐谱超过25页，只排前25页"});
    EXPECT_EQ(f.Page.LastPage, 24);
    EXPECT_EQ(f.Lines.LastSystem, 99);
    EXPECT_EQ(f.Form3().Picpage[24].Top(), f.Page.PageTop(24));
    EXPECT_FALSE(f.Picture16.Visible());
}

TEST_F(TypesetTest, PanelControls) {
    Form1& f = start();
    f.Combo6.SetListIndex(0);
    EXPECT_EQ(f.Combo6.Text(), "A4 [21厘米×29.7厘米]");
    EXPECT_EQ(f.Text9[0].Text(), "21");
    EXPECT_EQ(f.Text9[1].Text(), "29.7");
    EXPECT_TRUE(f.Text9[0].Locked());
    f.Combo6.SetListIndex(f.Combo6.ListCount() - 1);
    EXPECT_FALSE(f.Text9[1].Locked());
    EXPECT_EQ(f.Text9[1].Text(), "29.7");
    QTest::mouseClick(f.Option1[1].widget(), Qt::LeftButton);
    EXPECT_EQ(f.Lack[0].Caption(), "高");
    EXPECT_EQ(f.Lack[1].Caption(), "宽");
    EXPECT_EQ(f.Text9[0].Text(), "21");
    EXPECT_EQ(f.Labvin[0].Caption(), "150%");
    f.VScroll5[4].SetValue(25);
    EXPECT_EQ(f.Labvin[4].Caption(), "25%");
    f.HScroll4.SetValue(3);
    EXPECT_EQ(f.Label3[78].Caption(), "3");
    // Fonts: 60 points pass, 61 are refused; only the rights line marks the settings.
    f.SettingsChanged = 0;
    dialogs.fontAnswers.push_back(vb::FontChoice{"宋体", 60, true, false});
    QTest::mouseClick(f.Label22[3].widget(), Qt::LeftButton);
    EXPECT_EQ(f.Label22[3].FontSize(), 60);
    EXPECT_EQ(f.SettingsChanged, 0);
    dialogs.fontAnswers.push_back(vb::FontChoice{"宋体", 61, false, false});
    QTest::mouseClick(f.Label22[3].widget(), Qt::LeftButton);
    EXPECT_EQ(messages().back(), "字体太大");
    EXPECT_EQ(dialogs.MsgBoxCalls().back().title, "");
    EXPECT_EQ(f.Label22[3].FontSize(), 60);
    dialogs.fontAnswers.push_back(vb::FontChoice{"黑体", 11, false, false});
    QTest::mouseClick(f.Label22[6].widget(), Qt::LeftButton);
    EXPECT_EQ(f.SettingsChanged, -1);
    EXPECT_EQ(f.Label22[6].FontName(), "黑体");
}

// The slider captions each stand on one line, side by side, clear of the texture list.
TEST_F(TypesetTest, SliderCaptionsKeepOneLine) {
    Form1& f = start();
    int previousRight = 0;
    for (const char* text : {"行高-音符", "行高-歌词", "不同声部行距+", "总行距离+", "音符密度:"}) {
        const QLabel* label = nullptr;
        for (const QLabel* l : f.Picture16.widget()->findChildren<QLabel*>())
            if (l->text() == QString::fromUtf8(text)) label = l;
        ASSERT_NE(label, nullptr) << text;
        const QFontMetrics fm(label->font());
        EXPECT_GE(label->width(), fm.horizontalAdvance(label->text())) << text;
        EXPECT_LT(label->height(), 2 * fm.height()) << text;
        EXPECT_GE(label->x(), previousRight) << text;
        previousRight = label->geometry().right() + 1;
    }
    EXPECT_LE(previousRight, f.File1.Left());
}

TEST_F(TypesetTest, SongAndPartChangesRelayoutQuietly) {
    Form1& f = start();
    // A new song of another length gets its own line table.
    f.Text1[1].SetText("60");
    f.Command2_Click(12);
    EXPECT_EQ(f.Lines.Starts[f.Lines.LastSystem + 1], f.song->SongLength);
    EXPECT_LT(f.Lines.LastSystem, 19);
    dialogs.msgBoxAnswers.push_back(vb::vbNo);  // New: no save
    f.Command2_Click(0);
    EXPECT_EQ(f.Lines.LastSystem, 19);
    EXPECT_EQ(f.Page.LastPage, 6);
    dialogs.calls.clear();
    f.song->Modified = 0;
    QTest::mouseClick(f.Check1[2].widget(), Qt::LeftButton);  // part 2 leaves the score
    EXPECT_FLOAT_EQ(f.Page.SystemHeight, 57 * 4);
    EXPECT_EQ(f.song->Modified, 0);
    EXPECT_TRUE(messages().isEmpty());
    // A file in the texture folder that is no picture is reported; the texture stays.
    const QImage before = f.Picture17.Canvas().Picture();
    write("peo/zz.bmp", "not a picture");
    f.File1.SetPath(path("peo") + "/");
    f.File1.SetListIndex(f.File1.ListCount() - 1);
    EXPECT_EQ(messages().back(), "无法读取背景图片:zz.bmp");
    EXPECT_EQ(f.Picture17.Canvas().Picture(), before);
}

TEST_F(TypesetTest, PageClicksLocateAndChooseTheRowsPart) {
    Form1& f = start();
    f.song->TimeSigCodes[0] = 6 + 32 * 4;  // 6/8
    f.RebuildTimeline();
    f.SnapGrid[0] = 48;
    typeset::Form3& w = f.Form3();
    f.Command4_PageWindow();  // typesets the song; the boxes below stand in for its layout
    ASSERT_TRUE(f.Form3_Visible());
    f.BeatBoxes = {{0, 100, 50, 40, 0}, {0, 140, 50, 40, 24}, {0, 180, 50, 40, 48}};
    f.ScoreRowParts = "31";
    QTest::mouseClick(page(f, 0), Qt::LeftButton, {}, QPoint(140, 60));
    EXPECT_EQ(f.song->CursorTick, 0);
    EXPECT_EQ(f.song->CurrentPart, 3);
    EXPECT_EQ(f.Shape1[0].Top(), f.song->Parts[3].StripTop);
    QTest::mouseClick(page(f, 0), Qt::LeftButton, {}, QPoint(150, 50 + 2 * 57 + 5));
    EXPECT_EQ(f.song->CursorTick, 24);  // beat 2 of 6/8, not re-snapped to the grid
    EXPECT_EQ(f.song->CurrentPart, 1);
    f.ScoreRowParts = "7";  // a stale row: the current part stays
    QTest::mouseClick(page(f, 0), Qt::LeftButton, {}, QPoint(190, 60));
    EXPECT_EQ(f.song->CurrentPart, 1);
    EXPECT_EQ(f.song->CursorTick, 48);
    // Alt-click with the loop on: right of the box's middle takes the next box.
    f.Check3[2].SetValue(1);
    QTest::mouseClick(page(f, 0), Qt::LeftButton, Qt::AltModifier, QPoint(161, 60));
    EXPECT_EQ(f.song->LoopStart, 48);
    // A double-click while the editor cannot open does nothing.
    f.PlayMode = PlayMode::ChangePanel;
    f.Picture6.SetVisible(true);
    QTest::mouseDClick(page(f, 0), Qt::LeftButton, {}, QPoint(150, 60));
    EXPECT_TRUE(f.Picture6.Visible());
    EXPECT_EQ(w.WindowState(), 0);
    // Resizing: marker centre, and no scrolling when the window is taller than the strip.
    w.Shape2[0].SetHeight(20);
    w.resize(w.width(), 600);
    EXPECT_EQ(w.MarkerCentreY, 290);
    w.Picjp.SetHeight(300);
    w.resize(w.width(), 601);
    EXPECT_EQ(w.VScroll1.Max(), 0);
    // Closing only hides; the toolbar shows it again.
    w.close();
    EXPECT_FALSE(f.Form3_Visible());
    f.Command4_PageWindow();
    EXPECT_TRUE(f.Form3_Visible());
}

// At every page setup the page window takes the width of a page (B5 690 pixels, A4 796, A4 across
// 1126; the strip 16 more, the window another 22), within the work area; a page wider than the room
// scrolls sideways. The wheel turns the pages over a page and over the bars.
TEST_F(TypesetTest, ThePageWindowFitsEachPaperAndTheWheelScrollsIt) {
    Form1& f = start();
    typeset::Form3& w = f.Form3();
    w.WorkArea = [] { return QRect(0, 0, 1024, 740); };
    f.show();
    QTest::mouseClick(f.Command4[1].widget(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    struct Case {
        int paper, orientation, width, across;
    };
    const int room = 1024 - (w.frameGeometry().width() - w.width());  // the frame counts against the area
    const Case cases[] = {{2, 0, 728, 0}, {0, 0, 834, 0}, {0, 1, room, 1142 - (room - 20)}, {2, 0, 728, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        f.Combo6.SetListIndex(c.paper);
        QTest::mouseClick(f.Option1[c.orientation].widget(), Qt::LeftButton);
        typeset(f);
        EXPECT_EQ(w.width(), c.width);
        EXPECT_LE(w.frameGeometry().right(), 1023);
        EXPECT_EQ(w.HScroll1.Visible(), c.across > 0);
        EXPECT_EQ(w.HScroll1.Max(), c.across);
        const int view = w.height() - (c.across > 0 ? 20 : 0);
        EXPECT_EQ(w.VScroll1.Height(), view);
        EXPECT_EQ(w.VScroll1.Max(), int(w.Picjp.Height()) - view);
    }
    f.Combo6.SetListIndex(0);
    QTest::mouseClick(f.Option1[1].widget(), Qt::LeftButton);
    typeset(f);
    const QPoint onPage(300, 300);
    ASSERT_TRUE(page(f, 0)->isAncestorOf(w.childAt(onPage)) || w.childAt(onPage) == page(f, 0));
    const int notch = QApplication::wheelScrollLines() * w.VScroll1.SmallChange();
    Turn(w, onPage, {0, -120});
    EXPECT_EQ(w.VScroll1.Value(), notch);
    EXPECT_EQ(w.Picjp.Top(), -notch);
    Turn(w, w.VScroll1.widget()->geometry().center(), {0, -120});
    EXPECT_EQ(w.VScroll1.Value(), 2 * notch);
    Turn(w, onPage, {-120, 0});
    EXPECT_EQ(w.HScroll1.Value(), w.HScroll1.Max());
    EXPECT_EQ(w.Picjp.Left(), -w.HScroll1.Max());
    Turn(w, onPage, {0, 3 * 120});
    EXPECT_EQ(w.VScroll1.Value(), 0);
    EXPECT_EQ(w.Picjp.Top(), 0);
}

TEST_F(TypesetTest, PrinterFontSettersLeaveThePagesAlone) {
    Form1& f = start();
    vb::RecordingSurface printer;
    f.Printer = &printer;
    f.Label22[2].SetFontBold(true);
    f.SetDigitFontPage(0);
    f.SetItalicExpressionFontPage(0);
    f.SetNotationFontPage(0);
    const vb::PageSurface& p = f.Form3().Picpage[0].Canvas();
    EXPECT_EQ(p.FontName(), "Qelto");
    EXPECT_TRUE(p.FontBold());
    EXPECT_FALSE(p.FontItalic());
    f.SetPartNameFontPrinter();
    EXPECT_EQ(printer.FontName(), "黑体");
    EXPECT_EQ(p.FontName(), "Qelto");
    EXPECT_EQ(f.GetNoteCellWidth(48), 24);
    EXPECT_EQ(f.GetMaxPartNameWidth(), 38);
}

namespace {
// A song holding every kind of mark over `rows` parts and three verses: tuplets, dots, octaves,
// accidentals, ties and marks across line starts, key, tempo and meter changes.
void FillMarksSong(Form1& f, int rows) {
    doc::Song& s = *f.song;
    s.TempoChangeBpm[0] = 100;
    s.SongSeconds = 24 * 192 / (100 * 0.8);
    s.TimeSigLastIndex = 2;
    s.TimeSigTicks[1] = 1152, s.TimeSigCodes[1] = doc::TimeSigTextToCode("3/4");
    s.TimeSigTicks[2] = 1152 + 144 * 4, s.TimeSigCodes[2] = doc::TimeSigTextToCode("6/8");
    s.KeyChangeLastIndex = 1, s.KeyChangeTicks[1] = 768, s.KeyChangeKeys[1] = 3;
    s.TempoLastIndex = 1, s.TempoChangeTicks[1] = 960, s.TempoChangeBpm[1] = 96;
    f.RebuildTimeline();
    auto add = [&](int part, int32_t start, int length, int pitch, const QString& text) {
        doc::NoteRecord& n = s.Notes[part][s.Parts[part].NoteCount++];
        n.Start = start, n.Length = int16_t(length), n.Pitch = uint8_t(pitch), n.Lyric = text;
    };
    for (int p = 1; p <= s.PartCount; ++p) {
        s.Parts[p].NoteCount = 0;
        s.Parts[p].ShowInScore = p <= rows ? 1 : 0;
        const int d = (p - 1) * -5;
        int32_t t = 0;
        auto note = [&](int length, int pitch, const QString& words = "啦|一|甲") {
            add(p, t, length, pitch + d, words);
            t += length;
        };
        note(48, 60), note(48, 62, "长音的|第二|三段"), note(24, 64), note(12, 65), note(12, 67);  // bar 1
        note(72, 67, "附|点|点"), note(24, 69), note(36, 71), note(12, 72), note(16, 74), note(16, 76), note(16, 77);
        note(48, 84, "高|高|高"), note(48, 48, "低|低|低"), note(24, 66), note(24, 65), note(24, 66), note(24, 66);
        note(96, 67), t += 48, note(48, 69, "-|空|-");  // a rest, then a verse without syllable
        note(192 + 96, 72, "跨行的长音|二|三");  // across a line start
        note(96, 71), note(48, 69), note(24, 67), note(24, 65);
        note(144, 64), note(48, 62);  // key change at 768
        while (t < 1152) note(48, 60 + (t / 48) % 7);
        while (t < 1152 + 576) note(t % 144 == 0 ? 96 : 48, 67);  // 3/4
        while (t < s.SongLength) note(24, 64 + (t / 24) % 5);  // 6/8
    }
    // Marks over the first part.
    add(1, 0, 0, doc::kDynamics, "6");
    add(1, 48, 0, doc::kExpression, "rit.");
    add(1, 96, 0, doc::kChosenExpression, "2");
    add(1, 192, 192, doc::kSpecialSymbol, "<");
    add(1, 400, 300, doc::kSpecialSymbol, ">");  // across a line start
    add(1, 576, 288, doc::kSpecialSymbol, "V1.");
    add(1, 384, 0, doc::kSpecialSymbol, "x");
    add(1, 240, 0, doc::kSpecialSymbol, "(");
    add(1, 288, 0, doc::kSpecialSymbol, ")");
    add(1, 336, 0, doc::kOrnament, "12");
    add(1, 960, 0, doc::kSpecialSymbol, "?注|二|三");
    add(1, 1008, 0, doc::kSpecialSymbol, "p");
    add(rows, 1200, 0, doc::kSpecialSymbol, "{");
    add(rows, 1200, 48, 64, "-"), add(rows, 1200, 48, 67, "-");
    add(rows, 1248, 0, doc::kSpecialSymbol, "}");
    f.HScroll4.SetValue(3);
    f.Check8[2].SetValue(1);
    s.NeedsRetypeset = -1;
    f.RunPageSetup(true);
}
}  // namespace

// Renders the pages of a song into PNG files for looking at them: TYPESET_PNG names the folder,
// TYPESET_SONG the song file (the sample song when unset; "marks2" or "marks3" a song of every
// kind of mark on two or three rows).
// A dense song to look at: eight parts of sixteenths with a syllable on each ("dense"), or the
// five parts two octaves down under sixteenths and eighths ("dense-low").
void FillDenseSong(Form1& f, bool low) {
    doc::Song& s = *f.song;
    if (!low) s.PartCount = 8;
    for (int p = 1; p <= s.PartCount; ++p) {
        doc::PartRecord& part = s.Parts[p];
        part.NoteCount = 0, part.ShowInScore = 1, part.StripTop = int16_t(p * 100);
        if (part.Name.isEmpty()) part.Name = QString("声部%1").arg(p);
        int32_t t = 0;
        for (int k = 0; k < 256; ++k) {
            const int length = low && k % 4 == 3 ? 24 : 12;
            doc::NoteRecord& n = s.Notes[p][part.NoteCount++];
            n.Start = t, n.Length = int16_t(length), n.Lyric = k % 3 ? "啦" : "la";
            n.Pitch = uint8_t(low ? 36 + (k * 7) % 12 : 58 + (k * 5 + p) % 14);
            t += length;
        }
    }
    f.ShowPartNames();
    f.RebuildTimeline();
    f.RunPageSetup(true);
}

// Saves the pages as PNG files into $TYPESET_PNG: the sample song, or $TYPESET_SONG (a .brc file,
// "marks1".."marks5", "dense", "dense-low", or "offgrid": the sample with its first notes played off the grid).
TEST_F(TypesetTest, RenderPages) {
    const QString target = QString::fromLocal8Bit(qgetenv("TYPESET_PNG"));
    if (target.isEmpty()) GTEST_SKIP() << "TYPESET_PNG not set";
    QString song = QString::fromLocal8Bit(qgetenv("TYPESET_SONG"));
    if (song.isEmpty()) song = QString::fromUtf8(PROGRAM_DIR "/示范文件/晚风.brc");
    app::installFonts(PROGRAM_DIR);
    Form1& f = start();
    if (song.startsWith("marks")) {
        FillMarksSong(f, song.right(1).toInt());
    } else if (song.startsWith("dense")) {
        FillDenseSong(f, song == "dense-low");
    } else {
        dialogs.msgBoxAnswers.push_back(vb::vbNo);
        dialogs.fileAnswers.push_back(song == "offgrid" ? QString::fromUtf8(PROGRAM_DIR "/示范文件/晚风.brc") : song);
        f.Command2_Click(2);
        if (song == "offgrid") {  // its first notes played again from the keyboard
            testsongs::ReRecordOffTheGrid(*f.song, 2, 16);
            f.RebuildTimeline();
            f.RunPageSetup(true);
        }
    }
    f.Command4_PageWindow();
    ASSERT_TRUE(f.Form3_Visible());
    for (int i = 0; i <= f.Page.LastPage; ++i)
        ASSERT_TRUE(f.Form3().Picpage[i].Canvas().Image().save(QDir(target).filePath(QString("page%1.png").arg(i + 1))));
}

// The toolbar's "谱" shows the typeset song; a part switched off during the five-second throttle
// leaves the score once the throttle ends.
TEST_F(TypesetTest, AnEditDuringTheThrottleShowsWhenItEnds) {
    Form1& f = start();
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    f.song->NeedsRetypeset = 0;  // nothing asked: nothing runs, the throttle stays off
    f.TypesetScorePages();
    EXPECT_FALSE(f.Timer5.Enabled());
    f.song->NeedsRetypeset = -1;
    QTest::mouseClick(f.Command4[1].widget(), Qt::LeftButton);
    ASSERT_TRUE(f.Form3_Visible());
    EXPECT_EQ(f.ScoreRowParts, "12345");
    EXPECT_TRUE(f.Timer5.Enabled());
    // Default geometry: system tops 148, 466, 784 on page 0, then 57, 420, 784.
    QStringList tops;
    for (const typeset::BeatBox& b : f.BeatBoxes)
        if (tops.isEmpty() || tops.last() != QString("%1:%2").arg(b.Page).arg(b.Y)) tops << QString("%1:%2").arg(b.Page).arg(b.Y);
    EXPECT_EQ(tops.mid(0, 6).join(' '), "0:148 0:466 0:784 1:57 1:420 1:784");
    vb::testing::AdvanceClock(4999);
    EXPECT_TRUE(f.Timer5.Enabled());
    vb::testing::AdvanceClock(1);
    EXPECT_FALSE(f.Timer5.Enabled());
    auto clickBox = [&](int part) { QTest::mouseClick(f.Check1[part].widget(), Qt::LeftButton, {}, QPoint(6, 6)); };
    clickBox(2);  // typeset at once
    EXPECT_EQ(f.ScoreRowParts, "1345");
    clickBox(3);  // within the throttle: kept for later
    EXPECT_EQ(f.ScoreRowParts, "1345");
    EXPECT_TRUE(f.song->NeedsRetypeset);
    vb::testing::AdvanceClock(4999);
    EXPECT_EQ(f.ScoreRowParts, "1345");
    vb::testing::AdvanceClock(1);
    EXPECT_EQ(f.ScoreRowParts, "145");
    EXPECT_FALSE(f.song->NeedsRetypeset);
}

// Notes played in after the page setup get line breaks of their own when the pages are typeset
// again (the lines of the plain layout would crowd them), and the page window stays where it was.
TEST_F(TypesetTest, LinesFollowNotesChangedAfterThePageSetup) {
    Form1& f = start();
    dialogs.msgBoxAnswers.push_back(vb::vbNo);
    dialogs.fileAnswers.push_back(QString::fromUtf8(PROGRAM_DIR "/示范文件/晚风.brc"));
    f.Command2_Click(2);
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    QTest::mouseClick(f.Command4[1].widget(), Qt::LeftButton);
    ASSERT_TRUE(f.Form3_Visible());
    const typeset::LineTable plain = f.Lines;
    f.Form3().VScroll1.SetValue(f.Form3().VScroll1.Max() / 2);
    const int scrolled = f.Form3().VScroll1.Value();
    ASSERT_GT(scrolled, 0);
    testsongs::ReRecordOffTheGrid(*f.song, 2, 16);
    f.song->NeedsRetypeset = -1;
    vb::testing::AdvanceClock(5000);  // the throttle ends: the edit is typeset
    EXPECT_FALSE(f.song->NeedsRetypeset);
    EXPECT_NE(f.Lines, plain);
    EXPECT_EQ(f.Form3().VScroll1.Value(), scrolled);
    const typeset::LineTable refit = f.Lines;
    ASSERT_TRUE(f.RunPageSetup(true));
    EXPECT_EQ(f.Lines, refit);
}

// Start-up lays out the pages without drawing them: a page gets its image when the page window
// first shows it, and pages past the last stay without one.
TEST_F(TypesetTest, PagesAreDrawnWhenThePageWindowFirstShowsThem) {
    Form1& f = start();
    typeset::Form3& w = f.Form3();
    ASSERT_EQ(f.Page.LastPage, 6);
    for (int k = 0; k <= 25; ++k) EXPECT_FALSE(w.Picpage[k].Canvas().Made()) << k;
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    QTest::mouseClick(f.Command4[1].widget(), Qt::LeftButton);
    ASSERT_TRUE(f.Form3_Visible());
    for (int k = 0; k <= 25; ++k) EXPECT_EQ(w.Picpage[k].Canvas().Made(), k <= 6) << k;
}
