// The piano roll driven by real mouse and key input: a window 1081 pixels wide gives a 960-pixel
// canvas; key height 20 and the editor window 0..1920 unless a test says otherwise.
#include "app/form1_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QtTest/QTest>
#include <functional>

#include "support/text.h"

using namespace app;

class RollTest : public Form1Test {
protected:
    Form1& open(bool roll = true) {
        build(services(dir.path(), 1081));
        form->show();
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
        form->VScroll3.SetValue(20);
        form->Label14.Move(0, 0, 1920.0 / form->song->SongLength * form->Picture1.Width());
        if (roll) QTest::mouseClick(form->Command4[5].widget(), Qt::LeftButton);
        return *form;
    }
    // Notes added as the model adds them, then the roll redrawn.
    void notes(std::initializer_list<doc::NoteRecord> list, int part = 1) {
        for (const doc::NoteRecord& n : list) {
            const int r = editing::AddNote(*form->song, n.Pitch, n.Start, n.Length, n.Lyric, part);
            form->song->Notes[part][r].Selected = n.Selected;
        }
        form->RefreshPianoRoll();
    }
    QWidget* canvas() { return form->Picture6.widget(); }
    QWidget* label(int k) { return form->Labnot[k].widget(); }
    // A move with no button held, as the pointer passing over the widget sends it.
    void hover(QWidget* w, QPoint p, Qt::KeyboardModifiers m = {}) {
        QMouseEvent e(QEvent::MouseMove, QPointF(p), QPointF(w->mapToGlobal(p)), Qt::NoButton, Qt::NoButton, m);
        QApplication::sendEvent(w, &e);
    }
    // A left drag from `from` to `to`, hovering at `from` first.
    void drag(QWidget* w, QPoint from, QPoint to, Qt::KeyboardModifiers m = {}) {
        hover(w, from, m);
        QTest::mousePress(w, Qt::LeftButton, m, from);
        if (to != from) QTest::mouseMove(w, to);
        QTest::mouseRelease(w, Qt::LeftButton, m, to);
    }
    void key(Qt::Key k, Qt::KeyboardModifiers m = {}) { QTest::keyClick(canvas(), k, m); }
    QStringList journalTail(int n) { return form->journal.listcx().mid(form->journal.ListCount() - n); }
    doc::NoteRecord& row(int r, int part = 1) { return form->song->Notes[part][r]; }
    static constexpr int kRow60 = 28 * 19 + 5;  // y on the row of middle C
};

TEST_F(RollTest, LayoutWindowAndToolbarButton) {
    Form1& f = open(false);
    f.PlayMode = PlayMode::ChangePanel;
    QTest::mouseClick(f.Command4[5].widget(), Qt::LeftButton);
    EXPECT_FALSE(f.Picture6.Visible());
    f.PlayMode = PlayMode::Idle;
    QTest::mouseClick(f.Command4[5].widget(), Qt::LeftButton);
    ASSERT_TRUE(f.Picture6.Visible());
    EXPECT_EQ(f.Check2.widget()->pos(), QPoint(28, 53));
    EXPECT_EQ(f.Command3.widget()->pos(), QPoint(68, 53));
    EXPECT_EQ(f.Picture6.Width(), 960);
    EXPECT_EQ(f.Picture6.Height(), 989);
    EXPECT_EQ(f.RollViewStart, 0);
    EXPECT_EQ(f.RollViewEnd, 1920);
    EXPECT_EQ(f.Label13[60].Top(), 532);
    EXPECT_EQ(f.Label13[61].widget()->geometry().topLeft().y(), 526);
    EXPECT_EQ(f.Label13[61].Height(), 12);
    EXPECT_EQ(f.Label13[0].Top(), 485);
    EXPECT_EQ(f.Label13[20].Top(), 465);
    EXPECT_EQ(f.Label13[1].Top(), 239);
    notes({{96, 48, 60, "-"}, {0, 48, 30, "x"}, {1920, 48, 60, "late"}});
    EXPECT_EQ(f.NoteLabelCount, 2);
    EXPECT_EQ(f.Labnot[1].widget()->geometry(), QRect(48, 532, 24, 20));
    EXPECT_DOUBLE_EQ(f.Labnot[1].FontSize(), 12.5);
    // Closing rebuilds the strip height of the part and locates at the cursor.
    f.song->CursorTick = 100;
    f.RedrawSongRuler();
    QTest::mouseClick(f.Command4[5].widget(), Qt::LeftButton);
    EXPECT_FALSE(f.Picture6.Visible());
    EXPECT_EQ(f.Check2.widget()->pos(), QPoint(16, 344));
    EXPECT_EQ(f.Command3.widget()->pos(), QPoint(48, 344));
    EXPECT_EQ(f.song->Parts[1].StripTopPitch, 60);
    EXPECT_EQ(f.song->CursorTick % 48, 0);
    EXPECT_NEAR(f.song->CursorTick, 100, 24);
}

TEST_F(RollTest, TheHiddenRollHoldsNoPixelsAndGetsItsRowLinesWhenFirstShown) {
    Form1& f = open(false);
    // Laid out for key height 20 while hidden: the row lines wait for the roll to show.
    EXPECT_FALSE(f.Picture6.Canvas().Made());
    EXPECT_DOUBLE_EQ(f.Picture6.Canvas().CurrentX(), 960);
    EXPECT_DOUBLE_EQ(f.Picture6.Canvas().CurrentY(), 19 * 28 + 19);  // the last shaded line of middle C's row
    QTest::mouseClick(f.Command4[5].widget(), Qt::LeftButton);
    ASSERT_TRUE(f.Picture6.Visible());
    const QImage picture = f.Picture6.Canvas().Picture();
    ASSERT_EQ(picture.size(), QSize(960, 989));
    EXPECT_EQ(QColor(picture.pixel(5, 19 * 2)), vb::ToQColor(f.Label15[9].ForeColor()));  // a key's edge
    EXPECT_EQ(QColor(picture.pixel(5, 19 * 7 + 1)), vb::ToQColor(f.Label15[4].ForeColor()));  // shaded rows
    EXPECT_EQ(QColor(picture.pixel(5, 19 * 7 + 2)), vb::ToQColor(f.Picture6.Canvas().BackColor()));
    EXPECT_EQ(QColor(picture.pixel(5, 19 * 28 + 1)), vb::ToQColor(f.Label15[3].ForeColor()));
}

TEST_F(RollTest, EditorBoxOnTheSongRuler) {
    Form1& f = open();
    QWidget* box = f.Label14.widget();
    const int w = box->width();
    // Moving the box left by a quarter of its width: the guide at three quarters of the canvas.
    f.Label14.SetLeft(400);
    f.Shape2.SetLeft(400);
    hover(box, QPoint(w / 2, 10));
    QTest::mousePress(box, Qt::LeftButton, {}, QPoint(w / 2, 10));
    QTest::mouseMove(box, QPoint(w / 2 - w / 4, 10));
    EXPECT_NEAR(f.Line3.X1(), 720, 6);
    QTest::mouseRelease(box, Qt::LeftButton, {}, QPoint(w / 2 - w / 4, 10));
    EXPECT_EQ(f.Line3.X1(), -1);
    EXPECT_LT(f.Label14.Left(), 400);
    // A press and release without moving changes nothing.
    const int start = f.RollViewStart;
    hover(box, QPoint(w / 2, 10));
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(w / 2, 10));
    EXPECT_EQ(f.RollViewStart, start);
    // The right edge dragged: the window grows to 3840 at most; the left edge keeps its tick.
    const int right = box->width() - 2;
    hover(box, QPoint(right, 10));
    EXPECT_EQ(f.Label14.Tag, "R");
    QTest::mousePress(box, Qt::LeftButton, {}, QPoint(right, 10));
    QTest::mouseMove(box, QPoint(right + 600, 10));
    QTest::mouseRelease(box, Qt::LeftButton, {}, QPoint(right + 600, 10));
    EXPECT_EQ(f.RollViewStart, start);
    EXPECT_EQ(f.RollViewEnd - f.RollViewStart, 3840);
    // A double-click on the ruler closes the editor and opens it again at the cursor.
    QTest::mouseDClick(f.Picture1.widget(), Qt::LeftButton, {}, QPoint(900, 20));
    EXPECT_FALSE(f.Picture6.Visible());
}

TEST_F(RollTest, DrawingOnTheCanvas) {
    Form1& f = open();
    hover(canvas(), QPoint(3, kRow60));
    EXPECT_EQ(f.RollMouseTick, 12);
    hover(canvas(), QPoint(2, kRow60));
    EXPECT_EQ(f.RollMouseTick, 0);
    hover(canvas(), QPoint(3, kRow60), Qt::ControlModifier);
    EXPECT_EQ(f.RollMouseTick, 6);
    drag(canvas(), QPoint(102, kRow60), QPoint(102, kRow60));
    EXPECT_EQ(f.song->Parts[1].NoteCount, 1);
    EXPECT_EQ(journalTail(2), (QStringList{"10020406000024-", U("0写入音符")}));
    EXPECT_EQ(f.Labnot[1].Caption(), "-");
    // The pitch stays that of the press; the next plain click is as long as the drag.
    drag(canvas(), QPoint(150, kRow60), QPoint(198, kRow60 - 60));
    EXPECT_EQ(row(1).Length, 96);
    EXPECT_EQ(row(1).Pitch, 60);
    drag(canvas(), QPoint(300, kRow60), QPoint(300, kRow60));
    EXPECT_EQ(row(2).Length, 96);
    // A backward drag changes nothing.
    const int entries = f.journal.ListCount();
    drag(canvas(), QPoint(400, kRow60), QPoint(350, kRow60));
    EXPECT_EQ(f.song->Parts[1].NoteCount, 3);
    EXPECT_EQ(f.journal.ListCount(), entries);
    EXPECT_EQ(f.NewNoteLength, 96);
    // A full part refuses with a message.
    f.song->Parts[1].NoteCount = doc::kRowsPerPart;
    drag(canvas(), QPoint(500, kRow60), QPoint(500, kRow60));
    ASSERT_EQ(dialogs.MsgBoxCalls().size(), 1u);
    EXPECT_EQ(dialogs.MsgBoxCalls()[0].prompt, U("每个声部最多4096个音符，无法继续增加!"));
    EXPECT_EQ(dialogs.MsgBoxCalls()[0].title, U("提示"));
    EXPECT_EQ(f.journal.ListCount(), entries);
}

TEST_F(RollTest, LabelsMoveResizeSelectAndOpenTheEntryBox) {
    Form1& f = open();
    notes({{96, 48, 60, "-"}});
    drag(label(1), QPoint(10, 5), QPoint(24, 5));
    EXPECT_EQ(row(0).Start, 96);
    EXPECT_EQ(f.journal.ListCount(), 1);
    drag(label(1), QPoint(10, 5), QPoint(25, 5));
    EXPECT_EQ(row(0).Start, 132);
    EXPECT_EQ(journalTail(2), (QStringList{"10009606000048-J=00132", U("0移动音符")}));
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(row(0).Start, 96);
    drag(label(1), QPoint(22, 5), QPoint(46, 5));
    EXPECT_EQ(journalTail(2), (QStringList{"10009606000048-Y=060J=00096L=00096", U("0调整音符")}));
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(row(0).Length, 48);
    // A move that would start before tick 0 is refused whole.
    const int entries = f.journal.ListCount();
    drag(label(1), QPoint(10, 5), QPoint(-60, 5));
    EXPECT_EQ(row(0).Start, 96);
    EXPECT_EQ(f.journal.ListCount(), entries);
    // A black-key note moved sideways with the pitch option on keeps its pitch.
    f.Check5[6].SetValue(1);
    notes({{600, 48, 61, "-"}});
    drag(label(2), QPoint(10, 3), QPoint(40, 3));
    EXPECT_EQ(row(1).Pitch, 61);
    EXPECT_EQ(row(1).Start, 660);
    // Shift range from the anchor (96, 48) to the note (384, 96): starts 96 to 480.
    notes({{384, 96, 64, "-"}, {480, 48, 65, "-"}, {490, 48, 65, "-"}});
    drag(label(1), QPoint(10, 5), QPoint(10, 5));
    QTest::mouseClick(label(3), Qt::LeftButton, Qt::ShiftModifier, QPoint(10, 5));
    std::vector<int32_t> selected;
    for (int r = 0; r < f.song->Parts[1].NoteCount; ++r)
        if (row(r).Selected) selected.push_back(row(r).Start);
    EXPECT_EQ(selected, (std::vector<int32_t>{96, 384, 480}));
    // The entry box on a double-click.
    f.Combo8.SetListIndex(1);
    notes({{1000, 48, 60, "a|b|c"}, {1100, 48, 60, "-"}, {1200, 96, doc::kSentenceMarker, ""}, {1300, 48, doc::kComment, "note"}});
    auto entry = [&](int k) {
        QTest::mouseDClick(label(k), Qt::LeftButton, {}, QPoint(5, 5));
        return static_cast<QLineEdit*>(f.Text2.widget());
    };
    EXPECT_EQ(entry(6)->selectedText(), "b");
    EXPECT_EQ(entry(7)->selectedText(), "-");
    EXPECT_EQ(entry(8)->text(), "/t");
    EXPECT_EQ(entry(9)->text(), "/mnote");
}

TEST_F(RollTest, NoteMenuCommands) {
    Form1& f = open();
    notes({{192, 48, 62, "b", -1}, {96, 48, 60, "a", -1}});
    f.SelectionActive = -1;
    QTest::mouseClick(f.Picture8.widget(), Qt::LeftButton, {}, QPoint(480, 10));  // the cursor at 960
    ASSERT_EQ(f.song->CursorTick, 960);
    EXPECT_TRUE(canvas()->hasFocus());
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(f.NoteClipboard, (QStringList{"00000192000048062b", "00000096000048060a"}));
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(row(2).Start, 1056);
    EXPECT_EQ(row(3).Start, 960);
    EXPECT_EQ(journalTail(3), (QStringList{"10105606200048b", "10096006000048a", U("0粘贴音符")}));
    EXPECT_EQ(f.NoteLabelCount, 4);
    // Undo from the menu opened by a right click on the empty canvas.
    QTest::mouseClick(canvas(), Qt::RightButton, {}, QPoint(700, 900));
    ASSERT_GT(f.Picture11.Top(), 0);
    QTest::mouseClick(f.Label18[4].widget(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(f.song->Parts[1].NoteCount, 2);
    EXPECT_LT(f.Picture11.Top(), 0);
    // The enabled items with three selected, a clipboard and one entry (the paste redone); a click
    // in the canvas's corner, below what shows of it, keeps the menu inside the canvas's width and
    // above the title block.
    QTest::mouseClick(canvas(), Qt::RightButton, {}, QPoint(700, 900));
    QTest::mouseClick(f.Label18[18].widget(), Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_EQ(f.song->Parts[1].NoteCount, 4);
    key(Qt::Key_A, Qt::ControlModifier);
    row(3).Selected = 0;
    QTest::mouseClick(canvas(), Qt::RightButton, Qt::ControlModifier, QPoint(959, 988));
    for (int i = 0; i <= 18; ++i) EXPECT_EQ(f.Label18[i].Enabled(), i != 6 && i != 17 && i != 18) << i;
    EXPECT_EQ(f.Picture11.widget()->geometry().right(), 959);
    EXPECT_EQ(f.Picture6.Top() + f.Picture11.Top() + f.Picture11.Height(), f.Picture13.Top());
    row(0).Selected = 0;
    QTest::mouseClick(canvas(), Qt::RightButton, Qt::ControlModifier, QPoint(500, 100));
    EXPECT_FALSE(f.Label18[5].Enabled());
    // Copy lyrics of the second verse, in time order.
    f.Combo8.SetListIndex(1);
    row(0).Lyric = "a|x", row(1).Lyric = "c|", row(2).Lyric = "b|y";
    row(0).Start = 0, row(1).Start = 48, row(2).Start = 100;
    key(Qt::Key_A, Qt::ControlModifier);
    QTest::mouseClick(canvas(), Qt::RightButton, Qt::ControlModifier, QPoint(500, 100));
    QTest::mouseClick(f.Label18[16].widget(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "x y ");
    // A right release on a note opens the menu there with lyric insertion; it goes with the focus.
    QTest::mouseClick(label(1), Qt::RightButton, {}, QPoint(3, 3));
    EXPECT_TRUE(f.Label18[6].Enabled());
    EXPECT_EQ(f.Picture11.Tag, "1");
    EXPECT_TRUE(f.Picture11.widget()->hasFocus());
    f.Picture6.SetFocus();
    EXPECT_LT(f.Picture11.Top(), 0);
    // Keyboard entry switches its caption.
    QTest::mouseClick(canvas(), Qt::RightButton, Qt::ControlModifier, QPoint(500, 100));
    QTest::mouseClick(f.Label18[19].widget(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(f.Label18[19].Caption(), U("√键盘输入"));
    // Semitone up on part 2 keeps a note at 108.
    f.song->CurrentPart = 2;
    notes({{0, 48, 108, "啊", -1}}, 2);
    key(Qt::Key_Up);
    EXPECT_EQ(journalTail(2), (QStringList{U("20000010800048啊Y=108"), U("0升高半音")}));
    EXPECT_EQ(row(0, 2).Pitch, 108);
}

// The title block covers the bottom of the roll: at every key height the roll scrolls far enough
// for the lowest key to show above it and the highest below the ruler, and a right-click low in the
// roll opens the whole note menu above the title block.
TEST_F(RollTest, EveryKeyAndTheWholeNoteMenuShowAboveTheTitleBlock) {
    Form1& f = open();
    const int titleTop = int(f.Picture13.Top());
    ASSERT_TRUE(f.Picture13.Visible());
    const auto windowY = [&](const vb::Control& c, double y) { return c.widget()->mapTo(&f, QPoint(0, int(y))).y(); };
    for (int h : {int(f.VScroll3.Min()), 20, int(f.VScroll3.Max())}) {
        SCOPED_TRACE(h);
        f.VScroll3.SetValue(h);
        f.VScroll2.SetValue(f.VScroll2.Max());
        EXPECT_LE(windowY(f.Label13[21], f.Label13[21].Height()), titleTop);
        // A right-click just above the title block, on the canvas.
        const int y = titleTop - 3 - int(f.Picture6.Top());
        QTest::mouseClick(canvas(), Qt::RightButton, {}, QPoint(500, y));
        EXPECT_LE(windowY(f.Picture11, f.Picture11.Height()), titleTop);
        EXPECT_GE(windowY(f.Picture11, 0), Form1::kPianoRollTop);
        f.Picture6.SetFocus();
        f.VScroll2.SetValue(0);
        EXPECT_GE(windowY(f.Label13[108], 0), Form1::kPianoRollTop);
    }
    // Once the title block is hidden the roll ends at the window's bottom.
    QTest::mouseDClick(f.Picture13.widget(), Qt::LeftButton, {}, QPoint(400, 5));
    ASSERT_FALSE(f.Picture13.Visible());
    f.VScroll2.SetValue(f.VScroll2.Max());
    EXPECT_EQ(windowY(f.Picture6, f.Picture6.Height()), f.ScreenHeightPx);
}

// Keyboard entry shows its marker: an arrow drawn down to the note it re-pitches, which lets the
// clicks through to the notes and the canvas below it.
TEST_F(RollTest, TheKeyboardEntryMarkerIsDrawnAboveItsNote) {
    Form1& f = open();
    notes({{96, 48, 60, "a"}, {192, 48, 62, "b"}});
    const QImage before = canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QTest::mouseClick(canvas(), Qt::RightButton, {}, QPoint(700, 100));
    QTest::mouseClick(f.Label18[19].widget(), Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_EQ(f.Label18[19].Caption(), U("√键盘输入"));
    const vb::Label& marked = f.Labnot[f.Image1.Tag.toInt()];
    EXPECT_EQ(f.Image1.Left(), marked.Left());
    EXPECT_EQ(f.Image1.Top() + f.Image1.Height(), marked.Top());
    const QImage after = canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const int tipX = int(f.Image1.Left() + f.Image1.Width() / 2), tipY = int(marked.Top()) - 2;
    for (int y : {tipY, tipY - 8, tipY - 16}) {
        EXPECT_EQ(after.pixel(tipX, y), editing::kEntryMarkerColour) << y;
        EXPECT_NE(before.pixel(tipX, y), editing::kEntryMarkerColour) << y;
    }
    EXPECT_NE(canvas()->childAt(tipX, tipY), f.Image1.widget());
}

// What the note menu and the keyboard uncover when they move away is painted again: after the menu
// closes (a click on the ruler, an item) and after the keyboard scrolls to the bottom, the window
// holds what a fresh painting of it shows, the note labels under the menu and the buttons under the
// keyboard included.
TEST_F(RollTest, WhatTheMenuAndTheKeyboardUncoverIsPaintedAgain) {
    Form1& f = open();
    f.VScroll2.SetValue(314);  // middle C's row 300 pixels down the window
    notes({{1380, 96, 60, "a"}, {1380, 96, 57, "b"}, {1476, 96, 53, "c"}});
    const auto asShown = [&] {
        QApplication::processEvents();
        const QImage shown = f.screen()->grabWindow(f.winId(), 0, 0, f.width(), f.height()).toImage();
        return shown.convertToFormat(QImage::Format_RGB32) == f.grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    const std::pair<const char*, std::function<void()>> closings[] = {
        {"ruler", [&] { QTest::mouseClick(f.Picture8.widget(), Qt::LeftButton, {}, QPoint(100, 10)); }},
        {"item", [&] { QTest::mouseClick(f.Label18[19].widget(), Qt::LeftButton, {}, QPoint(5, 5)); }},
    };
    for (const auto& [how, close] : closings) {
        QTest::mouseClick(canvas(), Qt::RightButton, {}, QPoint(700, kRow60 - 60));
        ASSERT_GT(f.Picture11.Top(), 0);
        ASSERT_TRUE(f.Picture11.widget()->geometry().intersects(f.Labnot[1].widget()->geometry()));
        ASSERT_TRUE(asShown()) << how;
        close();
        ASSERT_LT(f.Picture11.Top(), 0) << how;
        EXPECT_TRUE(asShown()) << how;
    }
    QTest::keyClick(f.VScroll2.widget(), Qt::Key_End);
    ASSERT_EQ(f.VScroll2.Value(), f.VScroll2.Max());
    EXPECT_TRUE(asShown());
}

TEST_F(RollTest, CtrlZSkipsTheFirstEntryAndUndoesAPartDeletion) {
    Form1& f = open();
    notes({{96, 48, 60, "a"}}, 5);
    f.journal.Commit(U("粘贴音符"));  // a first entry without lines
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(f.journal.UndoPosition, 1);
    f.journal.Reset();
    f.song->CurrentPart = 5;
    dialogs.msgBoxAnswers.push_back(vb::vbYes);
    QTest::mouseClick(f.Command4[3].widget(), Qt::LeftButton);
    ASSERT_EQ(f.song->PartCount, 4);
    f.Picture6.SetFocus();
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(f.song->PartCount, 5);
    EXPECT_EQ(f.song->Parts[5].NoteCount, 1);
}

TEST_F(RollTest, MarksShowTheirListTextsAndTheRollOpensAtTheCursorWhenFollowing) {
    Form1& f = open();
    notes({{0, 96, doc::kDynamics, "3"}, {96, 96, doc::kChosenExpression, "1"}});
    EXPECT_EQ(f.Labnot[1].Caption(), f.Combo7[2].List(3));
    EXPECT_EQ(f.Labnot[2].Caption(), f.Combo7[0].List(1));
    EXPECT_EQ(f.Labnot[1].BackStyle(), 0);
    QTest::mouseClick(f.Command4[5].widget(), Qt::LeftButton);
    f.song->CursorTick = 4800;
    f.RedrawSongRuler();
    f.Chegd.SetValue(1);
    QTest::mouseClick(f.Command4[5].widget(), Qt::LeftButton);
    EXPECT_LT(f.RollViewStart, 4800);
    EXPECT_GT(f.RollViewEnd, 4800);
    EXPECT_EQ(f.EditorScrollStep, int(std::lround(f.Label14.Width() * 0.05)));
    EXPECT_DOUBLE_EQ(f.RollRulerScale, f.Picture8.Width() / f.RollViewSpan);
}

TEST_F(RollTest, ComputerAndScreenKeysSoundTheNote) {
    Form1& f = open();
    f.KeyNoteMap['Q'] = 60;
    midi.messages.clear();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, "q");
    QApplication::sendEvent(canvas(), &press);
    for (int i = 0; i < 5; ++i) {
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, "q", true);
        QApplication::sendEvent(canvas(), &repeat);
    }
    EXPECT_EQ(midi.messages, (std::vector<uint32_t>{0x643C90}));
    EXPECT_EQ(f.Label13[60].Caption(), QString(12, ' ') + U("□■"));
    QTest::keyRelease(canvas(), Qt::Key_Q, Qt::ShiftModifier);
    EXPECT_EQ(midi.messages.back(), 0x3C80u);
    EXPECT_EQ(f.NoteKeyDown[60], 0);
    // Focus leaving the canvas releases a held key.
    QTest::keyPress(canvas(), Qt::Key_Q);
    f.Text2.SetFocus();
    QApplication::processEvents();
    EXPECT_EQ(midi.messages.back(), 0x3C80u);
    EXPECT_EQ(f.NoteKeyDown[60], 0);
    // The on-screen key: a black key's marker after 10 blanks.
    midi.messages.clear();
    QTest::mousePress(f.Label13[61].widget(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(f.Label13[61].Caption(), QString(10, ' ') + U("□■"));
    QTest::mouseRelease(f.Label13[61].widget(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(midi.messages, (std::vector<uint32_t>{0x643D90, 0x3D80}));
    EXPECT_EQ(f.Label13[61].Caption(), "");
}
