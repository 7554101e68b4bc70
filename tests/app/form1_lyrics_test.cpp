// Lyric and item entry driven by real input. The roll is 960 pixels wide over the ticks 0..1920
// with key height 20; the values of the commands themselves are tested with the model.
#include "app/form1_fixture.h"

#include <QApplication>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QtTest/QTest>

#include "support/text.h"

using namespace app;

namespace {

// Dialogs whose message box takes the keyboard focus while it is shown, as a real one does.
struct FocusTakingDialogs : vb::ScriptedDialogs {
    std::function<void()> whileShown;
    int MsgBox(const QString& prompt, int flags, const QString& title) override {
        if (whileShown) whileShown();
        return ScriptedDialogs::MsgBox(prompt, flags, title);
    }
};
}  // namespace

class LyricsTest : public Form1Test {
protected:
    Form1& open(std::initializer_list<doc::NoteRecord> list) {
        Form1::Services s = services(dir.path(), 1081);
        s.dialogs = &boxes;
        build(s);
        form->show();
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
        form->VScroll3.SetValue(20);
        form->Label14.Move(0, 0, 1920.0 / form->song->SongLength * form->Picture1.Width());
        QTest::mouseClick(form->Command4[5].widget(), Qt::LeftButton);
        for (const doc::NoteRecord& n : list) editing::AddNote(*form->song, n.Pitch, n.Start, n.Length, n.Lyric, 1);
        form->RefreshPianoRoll();
        form->Check5[0].SetValue(0);
        form->song->Modified = form->song->PlayEventsStale = form->song->NeedsRetypeset = 0;
        return *form;
    }
    QLineEdit* box() { return static_cast<QLineEdit*>(form->Text2.widget()); }
    // Double-clicks label k and types `text` over the whole box.
    void type(int k, const char* text) {
        QTest::mouseDClick(form->Labnot[k].widget(), Qt::LeftButton, {}, QPoint(3, 3));
        box()->selectAll();
        QTest::keyClicks(box(), text);
    }
    void key(Qt::Key k) { QTest::keyClick(box(), k); }
    void click(vb::Control& c, Qt::MouseButton b = Qt::LeftButton) { QTest::mouseClick(c.widget(), b, {}, QPoint(4, 4)); }
    QStringList tail(int n) { return form->journal.listcx().mid(form->journal.ListCount() - n); }
    doc::NoteRecord& row(int r) { return form->song->Notes[1][r]; }
    QString lyrics() {
        QStringList out;
        for (int r = 0; r < form->song->Parts[1].NoteCount; ++r) out << row(r).Lyric;
        return out.join(' ');
    }
    FocusTakingDialogs boxes;
};

TEST_F(LyricsTest, EnterStoresTheMarkAndAWrongMarkKeepsTheBoxOpen) {
    Form1& f = open({{96, 48, 60, "a|b"}, {100, 24, 64, "q"}, {300, 48, 62, "c"}});
    type(1, "/t");
    key(Qt::Key_Return);
    EXPECT_EQ(tail(2), (QStringList{"10009606000048a|bY=001S=", U("0修改歌词")}));
    EXPECT_EQ(f.Labnot[1].Caption(), "q");  // the sentence's text
    EXPECT_EQ(f.Labnot[1].Top(), f.Label13[1].Top());
    EXPECT_EQ(f.Labnot[1].BackStyle(), 0);
    EXPECT_TRUE(f.Picture6.widget()->hasFocus());
    EXPECT_TRUE(f.song->Modified && f.song->NeedsRetypeset && f.song->PlayEventsStale);
    ASSERT_EQ(f.Combo7[2].Text(), "mp");
    type(3, "/pff");
    key(Qt::Key_Enter);
    EXPECT_EQ(row(2).Lyric, "7");
    EXPECT_EQ(f.Labnot[3].Caption(), "ff");
    // The message takes the focus; the box stays open with the typed text.
    boxes.whileShown = [&] { f.Picture6.SetFocus(); };
    const int entries = f.journal.ListCount();
    type(2, "/T");
    key(Qt::Key_Return);
    EXPECT_EQ(boxes.MsgBoxCalls().back().prompt,
              U("错误的标记 /t:标记 /m注释 /x无音高 /s特殊符号 /p力度记号 /e表情文件 /i自选表情文本/z装饰音"));
    EXPECT_EQ(boxes.MsgBoxCalls().back().title, U("提示"));
    EXPECT_EQ(f.journal.ListCount(), entries);
    EXPECT_EQ(row(1).Lyric, "q");
    EXPECT_EQ(f.Text2.Top(), f.Labnot[2].Top());
    EXPECT_EQ(f.Labnot[2].Caption(), "/T");
    f.Text2.SetFocus();
    f.Picture6.SetFocus();  // any other loss of focus closes it
    EXPECT_EQ(f.Text2.Top(), -5000);
}

TEST_F(LyricsTest, MovingOnToTheNextNote) {
    Form1& f = open({{0, 48, 60, "a"}, {48, 48, doc::kDynamics, "3"}, {96, 48, 62, "b"}, {2400, 48, 64, "c"}});
    f.Check5[0].SetValue(1);
    type(1, "x");
    key(Qt::Key_Return);
    EXPECT_EQ(row(0).Lyric, "x");
    EXPECT_EQ(f.Labnot[f.Text2.Tag.toInt()].Tag, "2");  // the dynamics mark is passed over
    EXPECT_TRUE(box()->hasFocus());
    // Tab and Space move on without storing; with no note to the right the window pages on.
    QTest::keyClicks(box(), "zz");
    key(Qt::Key_Tab);
    EXPECT_EQ(row(2).Lyric, "b");
    EXPECT_GT(f.RollViewStart, 0);
    EXPECT_EQ(f.Labnot[f.Text2.Tag.toInt()].Tag, "3");
    EXPECT_EQ(f.Labnot[f.Text2.Tag.toInt()].Left(), f.Text2.Left());
    key(Qt::Key_Space);  // the last note: paging to the ruler's end, then the canvas takes the keys
    EXPECT_TRUE(f.Picture6.widget()->hasFocus());
    EXPECT_GE(f.Label14.Left() + f.Label14.Width(), f.Picture1.Width() - 1);
}

TEST_F(LyricsTest, KeysOfAComposingInputMethodBelongToIt) {
    Form1& f = open({{0, 48, 60, "a"}, {96, 48, 62, "b"}});
    type(1, "");
    QInputMethodEvent compose(U("ni"), {});
    QApplication::sendEvent(box(), &compose);
    const int entries = f.journal.ListCount();
    for (Qt::Key k : {Qt::Key_Return, Qt::Key_Space, Qt::Key_Tab, Qt::Key_Insert, Qt::Key_Delete}) key(k);
    EXPECT_EQ(f.journal.ListCount(), entries);
    EXPECT_EQ(f.Text2.Tag, "1");
    QInputMethodEvent commit;
    commit.setCommitString(U("你"));
    QApplication::sendEvent(box(), &commit);
    key(Qt::Key_Return);
    EXPECT_EQ(row(0).Lyric, U("你"));
}

TEST_F(LyricsTest, InsertAndDeleteKeys) {
    Form1& f = open({{0, 48, 60, "a"}, {48, 48, 60, "b"}, {96, 48, 60, "c"}, {0, 96, doc::kDynamics, "3"}});
    type(1, "");
    key(Qt::Key_Insert);
    EXPECT_EQ(lyrics(), " a b 3");
    EXPECT_EQ(tail(1), QStringList{U("0插空歌词")});
    EXPECT_EQ(f.Text2.Top(), -555);
    EXPECT_TRUE(f.song->NeedsRetypeset);
    key(Qt::Key_Delete);  // the box is parked: nothing more
    EXPECT_EQ(lyrics(), " a b 3");
    type(2, "");
    key(Qt::Key_Delete);
    EXPECT_EQ(lyrics(), " b  3");
    const int entries = f.journal.ListCount();
    type(4, "");  // on a mark: nothing
    key(Qt::Key_Insert);
    EXPECT_EQ(f.journal.ListCount(), entries);
    row(2).Lyric = U("一二三四五六七八九十x");
    type(2, "");
    key(Qt::Key_Delete);
    EXPECT_EQ(boxes.MsgBoxCalls().back().prompt, U("每个音符长度不能超过20"));
    EXPECT_EQ(f.journal.ListCount(), entries);
}

TEST_F(LyricsTest, LyricInsertionPanel) {
    Form1& f = open({{0, 48, 60, "a"}, {48, 48, 60, "b"}, {96, 48, 60, "c"}, {144, 48, 60, "d"}, {192, 48, 60, "e"}});
    auto openPanel = [&] {
        click(f.Labnot[1], Qt::RightButton);
        click(f.Label18[6]);
        EXPECT_GE(f.Picture12.Top(), 0);
        EXPECT_TRUE(f.Text5.widget()->hasFocus());
    };
    openPanel();
    QTest::keyClicks(f.Text5.widget(), "x z");
    click(f.Check9[0]);
    click(f.Check9[1]);
    click(f.Command7[1]);
    EXPECT_EQ(lyrics(), "x - z d e");
    EXPECT_EQ(tail(4).last(), U("0插入歌词"));
    EXPECT_EQ(f.Picture12.Top(), -5000);
    EXPECT_TRUE(f.Picture6.widget()->hasFocus());
    openPanel();
    QTest::keyClicks(f.Text5.widget(), "ab");
    click(f.Check9[0]);
    click(f.Command7[1]);
    EXPECT_EQ(lyrics(), "a b x - z");
    // A word too wide: the program's own title, nothing changes, the panel stays.
    openPanel();
    click(f.Check9[1]);
    f.Text5.SetText(U("一二三四五六七八九十十"));
    click(f.Command7[1]);
    EXPECT_EQ(boxes.MsgBoxCalls().back().prompt, U("每个音符长度不能超过20"));
    EXPECT_EQ(boxes.MsgBoxCalls().back().title, "");
    EXPECT_EQ(lyrics(), "a b x - z");
    EXPECT_GE(f.Picture12.Top(), 0);
    f.Text5.SetText(U("你好，世界！ a b"));
    click(f.Command7[3]);
    click(f.Command7[2]);
    EXPECT_EQ(f.Text5.Text(), U("你好世界ab"));
    click(f.Command7[0]);
    EXPECT_EQ(f.Picture12.Top(), -5000);
    EXPECT_TRUE(f.Picture6.widget()->hasFocus());
}

TEST_F(LyricsTest, MarkListsVerseChooserCloseButtonAndKeyboardEntry) {
    Form1& f = open({{0, 48, doc::kDynamics, "3"}, {0, 192, doc::kSentenceMarker, ""}, {0, 48, 60, "a|x"},
                     {48, 48, 60, "b|y"}});
    // The list opens over the box on the mark's entry without choosing it; a choice is stored.
    const int entries = f.journal.ListCount();
    QTest::mouseDClick(f.Labnot[1].widget(), Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(f.Combo7[2].Top(), f.Labnot[1].Top());
    EXPECT_EQ(f.Combo7[2].ListIndex(), 3);
    EXPECT_EQ(f.journal.ListCount(), entries);
    auto* combo = static_cast<QComboBox*>(f.Combo7[2].widget());
    for (int i = 0; i < 4; ++i) QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(tail(2), (QStringList{"100000002000486S=7", U("0修改歌词")}));
    EXPECT_EQ(f.Labnot[1].Caption(), "ff");
    EXPECT_EQ(f.Combo7[2].Top(), -5000);
    f.Combo7[1].SetTop(10);
    f.Combo7[1].SetFocus();
    f.Picture6.SetFocus();  // leaving a list hides it
    EXPECT_EQ(f.Combo7[1].Top(), -5000);
    // The verse chooser: the toolbar shows its number and the sentence its verse.
    EXPECT_EQ(f.Labnot[2].Caption(), "ab");
    f.Combo8.SetListIndex(1);
    EXPECT_EQ(f.Command4[11].Caption(), "2");
    EXPECT_EQ(f.Labnot[2].Caption(), "xy");
    type(4, "/m");  // a sung note made a comment leaves its sentence
    key(Qt::Key_Return);
    EXPECT_EQ(f.Labnot[2].Caption(), "x");
    // Keyboard entry selects the next pitched note, sounding and ending it.
    click(f.Picture6, Qt::RightButton);
    midi.messages.clear();
    click(f.Label18[19]);
    EXPECT_EQ(row(2).Selected, -1);
    EXPECT_EQ(f.Image1.Tag, "3");
    EXPECT_EQ(midi.messages.size(), 2u);
    // "X" closes the roll and clears the part's selection.
    EXPECT_EQ(f.Command5.widget()->toolTip(), QString::fromUtf8("关闭编辑窗口"));
    click(f.Command5);
    EXPECT_FALSE(f.Picture6.Visible());
    EXPECT_EQ(row(2).Selected, 0);
}
