// Recording with "●", keyboard entry, the timing tools and the stretch bar, driven by real input on a
// fake clock: each yield of the player loop moves the accompaniment 1 ms and fires the due timers.
// The roll is 960 pixels over 0..1920 at tempo 80 (64 ticks a second); Q is key 60, W key 62.
#include "app/playback_fixture.h"

#include <QApplication>
#include <QMouseEvent>
#include <QtTest/QTest>
#include <functional>
#include <map>

#include "document/songcodes.h"
#include "editing/timingtools.h"
#include "support/text.h"

using namespace app;

class RecordTest : public FakeClockTest {
protected:
    Form1& open() {
        Form1& f = build(services(dir.path(), 1081, 768));
        f.show();
        f.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&f));
        f.Timload_Timer();
        f.VScroll3.SetValue(20);
        f.Label14.Move(0, 0, 1920.0 / f.song->SongLength * f.Picture1.Width());
        QTest::mouseClick(f.Command4[5].widget(), Qt::LeftButton);
        f.HScroll3[kMidiDelaySlider].SetValue(0);
        f.PlaybackYield = [this] { step(); };
        f.KeyNoteMap['Q'] = 60;
        f.KeyNoteMap['W'] = 62;
        return f;
    }
    void notes(std::initializer_list<doc::NoteRecord> list) {
        for (const doc::NoteRecord& n : list) {
            const int r = editing::AddNote(*form->song, n.Pitch, n.Start, n.Length, n.Lyric, 1);
            form->song->Notes[1][r].Selected = n.Selected;
        }
        form->RefreshPianoRoll();
    }
    QWidget* canvas() { return form->Picture6.widget(); }
    void click(vb::Control& c, Qt::MouseButton b = Qt::LeftButton) { QTest::mouseClick(c.widget(), b, {}, QPoint(5, 5)); }
    void press(Qt::Key k) { QTest::keyPress(canvas(), k); }
    void release(Qt::Key k) { QTest::keyRelease(canvas(), k); }
    // A note-menu item, from the menu opened on the empty canvas (Ctrl keeps the selection).
    void menu(int item) {
        QTest::mouseClick(canvas(), Qt::RightButton, Qt::ControlModifier, QPoint(900, 950));
        click(form->Label18[item]);
    }
    QStringList tail(int n) { return form->journal.listcx().mid(form->journal.ListCount() - n); }
    doc::NoteRecord& row(int r) { return form->song->Notes[1][r]; }
    int count() { return form->song->Parts[1].NoteCount; }
};

TEST_F(RecordTest, SnapGridsFromTheListsAndTripletBoxes) {
    Form1& f = open();
    const int plain[] = {192, 96, 48, 24, 12, 6, 3}, triplet[] = {64, 32, 16, 8, 4, 2, 1};
    for (int box : {0, 1})
        for (int i = 0; i < 7; ++i) {
            f.Combo2[box].SetListIndex(i);
            if (f.Check4[box].Value() == 1) click(f.Check4[box]);
            EXPECT_EQ(f.SnapGrid[box], plain[i]) << box << i;
            click(f.Check4[box]);
            EXPECT_EQ(f.SnapGrid[box], triplet[i]) << box << i;
        }
}

TEST_F(RecordTest, CountInClicksThenPlaysAndUntickingStopsIt) {
    Form1& f = open();
    f.song->TimeSigCodes[0] = doc::TimeSigTextToCode("6/8");
    f.RebuildTimeline();
    f.UpdatePositionDisplay();
    f.HScroll3[kCountInSlider].SetValue(2);
    bool playingBefore = true, playingAfter = false;
    at(1000, [&] { press(Qt::Key_Q); });  // a key pressed and released in the count-in
    at(1100, [&] { release(Qt::Key_Q); });
    at(4499, [&] { playingBefore = f.IsPlaying != 0; });
    at(4501, [&] { playingAfter = f.IsPlaying != 0 && wmp.playing; });
    at(4600, [&] { click(f.Command3); });
    click(f.Chely);
    EXPECT_EQ(f.PlayMode, PlayMode::CountIn);
    EXPECT_FALSE(f.Check2.Enabled());
    advance(4700);
    ASSERT_EQ(clicks.size(), 12u);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(clicks[size_t(i)].first, i * 375) << i;
        EXPECT_TRUE(clicks[size_t(i)].second.endsWith(i % 6 == 0 ? "/0.wav" : "/1.wav")) << i;
    }
    EXPECT_FALSE(playingBefore);
    EXPECT_TRUE(playingAfter);
    EXPECT_EQ(f.Chely.Value(), 0);
    ASSERT_EQ(count(), 1);  // at the cursor, 1 tick long
    EXPECT_EQ(row(0).Start, 0);
    EXPECT_EQ(row(0).Length, 1);

    // Unticked during the count-in: no more clicks, and a key pressed in it is not kept.
    clicks.clear();
    const int start = now, journalCount = f.journal.ListCount();
    click(f.Chely);
    at(now + 500, [&] { press(Qt::Key_Q); });
    at(now + 600, [&] { release(Qt::Key_Q); });
    at(now + 1000, [&] { click(f.Chely); });
    advance(6000);
    EXPECT_EQ(clicks.size(), 3u);
    EXPECT_EQ(clicks.back().first, start + 750);
    EXPECT_TRUE(f.Check2.Enabled());
    EXPECT_EQ(f.PlayMode, PlayMode::Idle);
    EXPECT_EQ(f.IsPlaying, 0);
    EXPECT_EQ(count(), 1);
    EXPECT_EQ(f.journal.ListCount(), journalCount);
}

TEST_F(RecordTest, ArmedRecordingStartsWithTheFirstKey) {
    Form1& f = open();
    notes({{0, 48, 64, "x", -1}});
    f.HScroll3[kCountInSlider].SetValue(5);
    QTest::mouseClick(f.Picture8.widget(), Qt::LeftButton, {}, QPoint(96, 10));
    const int32_t cursor = f.song->CursorTick;
    ASSERT_GT(cursor, 0);
    click(f.Chely);
    EXPECT_EQ(f.PlayMode, PlayMode::Armed);
    EXPECT_FALSE(f.Check2.Enabled());
    EXPECT_EQ(row(0).Selected, 0);  // the part's notes are deselected
    at(now + 300, [&] { release(Qt::Key_Q); });
    at(now + 400, [&] { click(f.Command3); });
    press(Qt::Key_Q);  // playback runs in here until the stop
    EXPECT_EQ(f.Check2.Value(), 0);
    EXPECT_TRUE(f.Check2.Enabled());
    ASSERT_EQ(count(), 2);
    EXPECT_EQ(row(1).Start, cursor);
    EXPECT_EQ(row(1).Pitch, 60);
    EXPECT_NEAR(row(1).Length, 19, 1);  // 300 ms
    EXPECT_EQ(row(1).Selected, -1);
}

TEST_F(RecordTest, TakeAtOnceJoinsThePartSelectedAndUndoes) {
    Form1& f = open();
    f.HScroll3[kCountInSlider].SetValue(0);
    int bars = 0;
    double barWidth = 0;
    at(0, [&] { press(Qt::Key_Q); });
    at(300, [&] {  // auto-repeat as X may hand it over in the player loop: the key stays held
        release(Qt::Key_Q);
        press(Qt::Key_Q);
    });
    at(755, [&] { press(Qt::Key_W); });
    at(1200, [&] {
        bars = f.RecordLabelCount;
        barWidth = f.Lably[2].Width();
    });
    at(1505, [&] { release(Qt::Key_W); });
    // The window widened to 0..3840 while recording: the bars are placed anew, four ticks a pixel.
    double movedLeft = 0, firstWidth = 0;
    at(1520, [&] {
        QWidget* box = f.Label14.widget();
        const QPoint edge(box->width() - 2, 5), out(2 * box->width() - 2, 5);
        QMouseEvent hover(QEvent::MouseMove, QPointF(edge), QPointF(box->mapToGlobal(edge)), Qt::NoButton,
                          Qt::NoButton, {});
        QApplication::sendEvent(box, &hover);
        QTest::mousePress(box, Qt::LeftButton, {}, edge);
        QTest::mouseMove(box, out);
        QTest::mouseRelease(box, Qt::LeftButton, {}, out);
        movedLeft = f.Lably[2].Left();
        firstWidth = f.Lably[1].Width();
    });
    at(1550, [&] { release(Qt::Key_Q); });
    at(1600, [&] { click(f.Chely); });
    at(1700, [&] { click(f.Command3); });
    click(f.Chely);
    EXPECT_EQ(bars, 2);
    EXPECT_NEAR(barWidth, (1200 - 755) * 0.064 / 2, 1);  // two ticks a pixel
    EXPECT_EQ(f.RollViewEnd, 3840);
    EXPECT_NEAR(movedLeft, 48 / 4.0, 1);
    EXPECT_NEAR(firstWidth, 48 / 4.0, 1);
    EXPECT_LT(f.Lably[1].Top(), -1000);
    ASSERT_EQ(count(), 2);
    const int want[2][3] = {{0, 48, 60}, {48, 48, 62}};
    for (int r = 0; r < 2; ++r) {
        EXPECT_EQ(row(r).Start, want[r][0]) << r;
        EXPECT_EQ(row(r).Length, want[r][1]) << r;
        EXPECT_EQ(row(r).Pitch, want[r][2]) << r;
        EXPECT_EQ(row(r).Lyric, "-");
        EXPECT_EQ(row(r).Selected, -1);
    }
    EXPECT_EQ(tail(3), (QStringList{"10000006000048-", "10004806200048-", U("0录制音符")}));
    QTest::keyClick(canvas(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(count(), 0);
    menu(18);
    EXPECT_EQ(count(), 2);

    // A part one short of full keeps the first note of a two-note take and says so.
    f.journal.Reset();
    while (count() < doc::kRowsPerPart - 1) editing::AddNote(*f.song, 70, 3000, 10, "-", 1);
    at(now + 100, [&] { press(Qt::Key_Q); });
    at(now + 200, [&] { press(Qt::Key_W); });
    at(now + 300, [&] { click(f.Command3); });
    click(f.Chely);
    EXPECT_EQ(count(), doc::kRowsPerPart);
    EXPECT_EQ(row(doc::kRowsPerPart - 1).Pitch, 60);
    ASSERT_FALSE(dialogs.calls.empty());
    EXPECT_EQ(dialogs.calls.back().prompt, U("每个声部最多4096个音符，无法继续增加!"));
    EXPECT_EQ(dialogs.calls.back().title, U("提示"));
}

TEST_F(RecordTest, KeyboardEntryRepitchesTheMarkedNote) {
    Form1& f = open();
    notes({{96, 48, 60, "a"}, {192, 48, 64, "b"}, {0, 48, doc::kComment, "c"}});
    menu(19);
    ASSERT_EQ(f.Label18[19].Caption(), U("√键盘输入"));
    const int before = f.journal.ListCount();
    // Turning entry on marks the first pitched note: a key gives it its pitch and the mark moves on.
    press(Qt::Key_W);
    release(Qt::Key_W);
    EXPECT_EQ(tail(2), (QStringList{"10009606000048aY=062", U("0修改音高")}));
    EXPECT_EQ(row(0).Pitch, 62);
    EXPECT_EQ(f.Labnot[1].Top(), f.Label13[62].Top());
    // A click marks a note again.
    QTest::mouseClick(f.Labnot[1].widget(), Qt::LeftButton, {}, QPoint(3, 3));
    press(Qt::Key_Q);
    release(Qt::Key_Q);
    EXPECT_EQ(tail(2), (QStringList{"10009606200048aY=060", U("0修改音高")}));
    EXPECT_EQ(row(0).Pitch, 60);
    // On a mark the key sounds, nothing is journalled, and the mark moves on.
    QTest::mouseClick(f.Labnot[3].widget(), Qt::LeftButton, {}, QPoint(3, 3));
    midi.messages.clear();
    press(Qt::Key_Q);
    release(Qt::Key_Q);
    ASSERT_FALSE(midi.messages.empty());
    EXPECT_EQ(midi.messages.front(), 0x643C90u);
    EXPECT_EQ(midi.messages.back(), 0x3C80u);
    EXPECT_EQ(row(2).Pitch, doc::kComment);
    EXPECT_EQ(f.journal.ListCount(), before + 4);
}

TEST_F(RecordTest, TimingToolsFromTheMenu) {
    Form1& f = open();
    notes({{17, 24, 60, "a", -1}, {18, 24, 62, "b", -1}, {6, 24, 64, "c", -1}, {5, 24, 65, "d", -1}});
    f.Check5[1].SetValue(1);
    menu(12);
    const int starts[] = {12, 24, 12, 0};
    for (int r = 0; r < 4; ++r) EXPECT_EQ(row(r).Start, starts[r]) << r;
    EXPECT_EQ(tail(1).front(), U("0量化对齐"));
    EXPECT_LT(f.Picture11.Top(), 0);
    // Breath handling with the default sliders.
    EXPECT_EQ(f.HScroll3[kBreathDetectSlider].Value(), 200);
    EXPECT_EQ(f.HScroll3[kBreathLengthSlider].Value(), 80);
    EXPECT_EQ(f.HScroll3[kBreathDetectSlider].widget()->toolTip(), U("时值为平均时值X%的音符判定为需要换气的音符"));
    EXPECT_EQ(f.HScroll3[kBreathLengthSlider].widget()->toolTip(), U("将换气的音符时值设定为原来的X%"));
    for (int r = 0; r < 4; ++r) row(r).Length = r == 3 ? 192 : 48;
    menu(13);
    EXPECT_EQ(tail(2), (QStringList{"10000006500192dL=00154", U("0换气处理")}));
    // The split asks with three markers; No changes nothing.
    notes({{0, 96, doc::kSentenceMarker, ""}, {96, 96, doc::kSentenceMarker, ""}, {192, 96, doc::kSentenceMarker, ""}});
    const int before = f.journal.ListCount();
    dialogs.msgBoxAnswers.push_back(vb::vbNo);
    f.Label18[20].SetEnabled(true);
    menu(20);
    ASSERT_FALSE(dialogs.calls.empty());
    EXPECT_EQ(dialogs.calls.back().prompt, U("系统检测到您已分句，是否重新分句?"));
    EXPECT_EQ(dialogs.calls.back().title, U("提示"));
    EXPECT_EQ(dialogs.calls.back().icon, vb::vbCritical);
    EXPECT_EQ(f.journal.ListCount(), before);
    EXPECT_EQ(count(), 7);
    EXPECT_GE(f.Picture11.Top(), 0) << "a declined split leaves the menu open";
    dialogs.msgBoxAnswers.push_back(vb::vbYes);
    click(f.Label18[20]);
    EXPECT_LT(f.Picture11.Top(), 0);
    EXPECT_EQ(tail(1).front(), U("0创建分句"));
    EXPECT_EQ(editing::SentenceMarkerCount(*f.song, 1), 1);
}

TEST_F(RecordTest, StretchBarDraggedByItsGripsAndWhole) {
    Form1& f = open();
    notes({{0, 48, 60, "-", -1}, {96, 48, 60, "-", -1}, {192, 48, 60, "-", -1}});
    menu(5);
    QWidget* bar = f.Label20.widget();
    ASSERT_TRUE(f.Label20.Visible());
    EXPECT_EQ(f.Label20.Caption(), U("使用此控制条拉升选中音符"));
    EXPECT_EQ(bar->geometry().x(), 0);
    EXPECT_EQ(bar->width(), 96);
    auto drag = [&](int from, int to) {
        QMouseEvent hover(QEvent::MouseMove, QPointF(from, 5), bar->mapToGlobal(QPointF(from, 5)), Qt::NoButton,
                          Qt::NoButton, {});
        QApplication::sendEvent(bar, &hover);
        QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(from, 5));
        QTest::mouseMove(bar, QPoint(to, 5));
        QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(to, 5));
    };
    drag(94, 190);
    const int wantStart[] = {0, 192, 384};
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(row(r).Start, wantStart[r]) << r;
        EXPECT_EQ(row(r).Length, 96) << r;
    }
    EXPECT_EQ(tail(4)[1], "10009606000048-J=00192L=00096");
    EXPECT_EQ(tail(1).front(), U("0时间拉升"));
    EXPECT_EQ(bar->width(), 192);
    drag(50, 60);
    EXPECT_EQ(row(0).Start, 24);
    EXPECT_EQ(row(2).Start, 408);
    EXPECT_EQ(tail(2).front(), "10038406000096-J=00408");
    QTest::keyClick(canvas(), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(canvas(), Qt::Key_Z, Qt::ControlModifier);
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(row(r).Start, r * 96) << r;
        EXPECT_EQ(row(r).Length, 48) << r;
    }
    EXPECT_EQ(bar->geometry().x(), 0);
    EXPECT_EQ(bar->width(), 96);
    // Three notes on one tick: the bar goes back and nothing changes.
    f.song->Parts[1].NoteCount = 0;
    notes({{480, 48, 60, "-", -1}, {480, 48, 62, "-", -1}, {480, 48, 64, "-", -1}});
    menu(5);
    const int journalCount = f.journal.ListCount();
    drag(2, -50);
    EXPECT_EQ(f.journal.ListCount(), journalCount);
    EXPECT_EQ(bar->geometry().x(), 240);
    for (int r = 0; r < 3; ++r) EXPECT_EQ(row(r).Start, 480);
    // A press on the empty canvas hides the bar.
    QTest::mouseClick(canvas(), Qt::LeftButton, Qt::ControlModifier, QPoint(900, 950));
    EXPECT_FALSE(f.Label20.Visible());
}
