// Lyric and item entry driven by real input: the entry box over a note, its keys, the mark lists,
// the lyric-insertion panel, the verse chooser and the roll's close button. The roll is 960 pixels
// wide with the window 0..1920 and key height 20.
#include "app/form1_fixture.h"

#include <QApplication>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QtTest/QTest>

using namespace app;

namespace {
const QString U(const char* s) { return QString::fromUtf8(s); }

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
    Form1& open() {
        Form1::Services s;
        s.programDir = dir.path();
        s.screenWidth = 1081;
        s.screenHeight = 768;
        s.dialogs = &boxes;
        s.midi = &midi;
        s.wmp = &wmp;
        for (int p = 1; p <= 9; ++p) s.wmps[p] = &parts[p];
        s.wave = &wave;
        s.quit = [] {};
        form = std::make_unique<Form1>(s);
        form->Form_Load();
        form->show();
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
        form->VScroll3.SetValue(20);
        form->Label14.Move(0, 0, 1920.0 / form->song->SongLength * form->Picture1.Width());
        QTest::mouseClick(form->Command4[5].widget(), Qt::LeftButton);
        return *form;
    }
    void notes(std::initializer_list<doc::NoteRecord> list) {
        for (const doc::NoteRecord& n : list) editing::AddNote(*form->song, n.Pitch, n.Start, n.Length, n.Lyric, 1);
        form->RefreshPianoRoll();
    }
    QLineEdit* box() { return static_cast<QLineEdit*>(form->Text2.widget()); }
    // Double-clicks label k and types `text` over the whole box.
    void type(int k, const QString& text) {
        QTest::mouseDClick(form->Labnot[k].widget(), Qt::LeftButton, {}, QPoint(3, 3));
        box()->selectAll();
        QTest::keyClicks(box(), text);
    }
    void key(Qt::Key k) { QTest::keyClick(box(), k); }
    void click(vb::Control& c) { QTest::mouseClick(c.widget(), Qt::LeftButton, {}, QPoint(4, 4)); }
    QStringList journalTail(int n) { return form->journal.listcx().mid(form->journal.ListCount() - n); }
    doc::NoteRecord& row(int r) { return form->song->Notes[1][r]; }
    QStringList lyrics() {
        QStringList out;
        for (int r = 0; r < form->song->Parts[1].NoteCount; ++r) out << row(r).Lyric;
        return out;
    }
    int labelOf(int r) {
        for (int k = 1; k <= form->NoteLabelCount; ++k)
            if (form->Labnot[k].Tag.toInt() == r) return k;
        return 0;
    }
    void clean() { form->song->Modified = form->song->PlayEventsStale = form->song->NeedsRetypeset = 0; }
    FocusTakingDialogs boxes;
};

TEST_F(LyricsTest, EnterStoresTheTextOrTheMark) {
    Form1& f = open();
    notes({{96, 48, 60, "a|b"}, {0, 24, doc::kComment, "note"}, {300, 48, 62, "c"}, {400, 48, 62, "d"}, {100, 24, 64, "q"}});
    f.Check5[0].SetValue(0);  // "自动定位到下一字" off
    clean();
    type(1, "/t");
    key(Qt::Key_Return);
    EXPECT_EQ(row(0).Pitch, 1);
    EXPECT_EQ(row(0).Lyric, "");
    EXPECT_EQ(journalTail(2), (QStringList{"10009606000048a|bY=001S=", U("0修改歌词")}));
    EXPECT_EQ(f.Labnot[1].Caption(), "q");  // the sentence's text
    EXPECT_EQ(f.Labnot[1].BackStyle(), 0);
    EXPECT_EQ(f.Labnot[1].Top(), f.Label13[1].Top());
    EXPECT_TRUE(f.Text2.Top() < 0 || f.Text2.Top() > f.Picture6.Height());  // closed
    EXPECT_TRUE(f.Picture6.widget()->hasFocus());
    EXPECT_TRUE(f.song->Modified && f.song->NeedsRetypeset && f.song->PlayEventsStale);
    // Plain text over the comment makes it note 64; an unchanged note still journals.
    clean();
    type(2, "hi");
    key(Qt::Key_Enter);
    EXPECT_EQ(journalTail(2), (QStringList{"10000000000024noteY=064S=hi", U("0修改歌词")}));
    EXPECT_EQ(f.Labnot[2].BackStyle(), 1);
    clean();
    type(3, "c");
    key(Qt::Key_Return);
    EXPECT_EQ(journalTail(2), (QStringList{"10030006200048cS=c", U("0修改歌词")}));
    EXPECT_TRUE(f.song->NeedsRetypeset);
    EXPECT_FALSE(f.song->PlayEventsStale);
    // A blank before the mark; eleven CJK characters are cut to ten.
    type(4, "");
    box()->insert(" /t");
    key(Qt::Key_Return);
    EXPECT_EQ(row(3).Pitch, 1);
    type(3, "");
    box()->insert(U("一二三四五六七八九十十"));
    key(Qt::Key_Return);
    EXPECT_EQ(row(2).Lyric, U("一二三四五六七八九十"));
    // "/pff" with the dynamics list on "mp" stores the index of "ff".
    ASSERT_EQ(f.Combo7[2].List(0), "mp");
    ASSERT_EQ(f.Combo7[2].ListIndex(), 0);
    type(3, "/pff");
    key(Qt::Key_Return);
    EXPECT_EQ(row(2).Pitch, 2);
    EXPECT_EQ(row(2).Lyric, "7");
    EXPECT_EQ(f.Labnot[3].Caption(), "ff");
}

TEST_F(LyricsTest, AWrongMarkIsShownAndTheBoxStaysOpen) {
    Form1& f = open();
    notes({{96, 48, 60, "a"}});
    boxes.whileShown = [&] {
        f.Picture6.SetFocus();
        QApplication::processEvents();
    };
    type(1, "/T");
    const int entries = f.journal.ListCount();
    key(Qt::Key_Return);
    ASSERT_EQ(boxes.MsgBoxCalls().size(), 1u);
    EXPECT_EQ(boxes.MsgBoxCalls()[0].prompt,
              U("错误的标记 /t:标记 /m注释 /x无音高 /s特殊符号 /p力度记号 /e表情文件 /i自选表情文本/z装饰音"));
    EXPECT_EQ(boxes.MsgBoxCalls()[0].title, U("提示"));
    EXPECT_EQ(row(0).Lyric, "a");
    EXPECT_EQ(row(0).Pitch, 60);
    EXPECT_EQ(f.journal.ListCount(), entries);
    EXPECT_EQ(f.Text2.Top(), f.Labnot[1].Top());
    EXPECT_EQ(f.Text2.Text(), "/T");
    EXPECT_EQ(f.Labnot[1].Caption(), "/T");
    // Any other loss of focus closes the box.
    f.Text2.SetFocus();
    f.Picture6.SetFocus();
    QApplication::processEvents();
    EXPECT_EQ(f.Text2.Top(), -5000);
}

TEST_F(LyricsTest, MovingOnToTheNextNote) {
    Form1& f = open();
    notes({{0, 48, 60, "a"}, {48, 48, doc::kDynamics, "3"}, {96, 48, 62, "b"}, {2400, 48, 64, "c"}});
    f.Check5[0].SetValue(1);
    type(1, "x");
    key(Qt::Key_Return);
    EXPECT_EQ(row(0).Lyric, "x");
    EXPECT_EQ(f.Text2.Tag, QString::number(labelOf(2)));  // the dynamics mark is passed over
    EXPECT_EQ(f.Text2.Left(), f.Labnot[labelOf(2)].Left());
    EXPECT_TRUE(box()->hasFocus());
    // Tab and Space move on without storing; with no note to the right the window pages on.
    QTest::keyClicks(box(), "zz");
    key(Qt::Key_Tab);
    EXPECT_EQ(row(2).Lyric, "b");
    EXPECT_GT(f.RollViewStart, 0);
    EXPECT_EQ(f.Labnot[f.Text2.Tag.toInt()].Tag.toInt(), 3);
    EXPECT_TRUE(box()->hasFocus());
    EXPECT_EQ(f.Labnot[f.Text2.Tag.toInt()].Left(), f.Text2.Left());
    key(Qt::Key_Space);  // the last note: the window pages to the ruler's end, the canvas takes the keys
    EXPECT_TRUE(f.Picture6.widget()->hasFocus());
    EXPECT_GE(f.Label14.Left() + f.Label14.Width(), f.Picture1.Width() - 1);
    EXPECT_EQ(row(3).Lyric, "c");
}

TEST_F(LyricsTest, KeysOfAComposingInputMethodBelongToIt) {
    Form1& f = open();
    notes({{0, 48, 60, "a"}, {96, 48, 62, "b"}});
    type(1, "");
    QInputMethodEvent compose(U("ni"), {});
    QApplication::sendEvent(box(), &compose);
    const int entries = f.journal.ListCount();
    for (Qt::Key k : {Qt::Key_Return, Qt::Key_Space, Qt::Key_Tab, Qt::Key_Insert, Qt::Key_Delete}) key(k);
    EXPECT_EQ(f.journal.ListCount(), entries);
    EXPECT_EQ(f.Text2.Tag, QString::number(labelOf(0)));
    QInputMethodEvent commit;
    commit.setCommitString(U("你"));
    QApplication::sendEvent(box(), &commit);
    key(Qt::Key_Return);
    EXPECT_EQ(row(0).Lyric, U("你"));
}

TEST_F(LyricsTest, InsertAndDeleteShiftTheVerse) {
    Form1& f = open();
    notes({{0, 48, 60, "a"}, {48, 48, 60, "b"}, {96, 48, 60, "c"}, {0, 96, doc::kDynamics, "3"}});
    clean();
    type(1, "");
    key(Qt::Key_Insert);
    EXPECT_EQ(lyrics(), (QStringList{"", "a", "b", "3"}));
    EXPECT_EQ(journalTail(4), (QStringList{"10009606000048cS=b", "10004806000048bS=a", "10000006000048aS=", U("0插空歌词")}));
    EXPECT_EQ(f.Text2.Top(), -555);
    EXPECT_TRUE(f.song->Modified && f.song->NeedsRetypeset);
    key(Qt::Key_Insert);  // the box is parked: nothing more
    EXPECT_EQ(lyrics(), (QStringList{"", "a", "b", "3"}));
    row(0).Lyric = "a", row(1).Lyric = "b", row(2).Lyric = "c";
    f.RefreshPianoRoll();
    type(1, "");
    key(Qt::Key_Delete);
    EXPECT_EQ(lyrics(), (QStringList{"b", "c", "", "3"}));
    EXPECT_EQ(journalTail(1), QStringList{U("0删除歌词")});
    // On a mark Insert changes nothing.
    const int entries = f.journal.ListCount();
    QTest::mouseDClick(f.Labnot[4].widget(), Qt::LeftButton, {}, QPoint(3, 3));
    f.Text2.SetFocus();
    key(Qt::Key_Insert);
    EXPECT_EQ(row(3).Lyric, "3");
    EXPECT_EQ(f.journal.ListCount(), entries);
    // A shift that would make a lyric wider than 20 is refused.
    row(1).Lyric = U("一二三四五六七八九十x");
    f.RefreshPianoRoll();
    type(1, "");
    key(Qt::Key_Delete);
    EXPECT_EQ(boxes.MsgBoxCalls().back().prompt, U("每个音符长度不能超过20"));
    EXPECT_EQ(f.journal.ListCount(), entries);
}

TEST_F(LyricsTest, DeleteOnAChordPartner) {
    open();
    notes({{0, 48, 60, "x"}, {0, 48, 64, "y"}, {48, 48, 60, "z"}});
    type(labelOf(1), "");
    key(Qt::Key_Delete);
    EXPECT_EQ(lyrics(), (QStringList{"x", "z", ""}));
}

TEST_F(LyricsTest, LyricInsertionPanel) {
    Form1& f = open();
    const struct {
        const char* text;
        int overwrite, oneChar;
        QStringList result;
        int lines;
    } cases[] = {{"xyz", 1, 1, {"x", "y", "z", "d", "e"}, 3},
                 {"xyz", 0, 1, {"x", "y", "z", "a", "b"}, 5},
                 {"a bc", 1, 1, {"a", "-", "b", "c", "e"}, 4},
                 {"ab  cd", 1, 0, {"ab", "cd", "c", "d", "e"}, 2}};
    notes({{0, 48, 60, "a"}, {48, 48, 60, "b"}, {96, 48, 60, "c"}, {144, 48, 60, "d"}, {192, 48, 60, "e"}});
    for (const auto& c : cases) {
        for (int r = 0; r < 5; ++r) row(r).Lyric = QString(QChar('a' + r));
        f.RefreshPianoRoll();
        QTest::mouseClick(f.Labnot[1].widget(), Qt::RightButton, {}, QPoint(3, 3));
        QTest::mouseClick(f.Label18[6].widget(), Qt::LeftButton, {}, QPoint(5, 5));
        ASSERT_GE(f.Picture12.Top(), 0);
        EXPECT_TRUE(f.Text5.widget()->hasFocus());
        QTest::keyClicks(f.Text5.widget(), c.text);
        if (f.Check9[0].Value() != c.overwrite) click(f.Check9[0]);
        if (f.Check9[1].Value() != c.oneChar) click(f.Check9[1]);
        const int entries = f.journal.ListCount();
        click(f.Command7[1]);
        EXPECT_EQ(lyrics(), c.result) << c.text;
        EXPECT_EQ(f.journal.ListCount(), entries + c.lines + 1) << c.text;
        EXPECT_EQ(journalTail(1), QStringList{U("0插入歌词")});
        EXPECT_EQ(f.Picture12.Top(), -5000);
        EXPECT_TRUE(f.Picture6.widget()->hasFocus());
    }
    // A word too wide is refused with the program's own title; the panel stays open.
    QTest::mouseClick(f.Labnot[1].widget(), Qt::RightButton, {}, QPoint(3, 3));
    QTest::mouseClick(f.Label18[6].widget(), Qt::LeftButton, {}, QPoint(5, 5));
    f.Text5.SetText(U("一二三四五六七八九十十"));
    const QStringList before = lyrics();
    click(f.Command7[1]);
    EXPECT_EQ(boxes.MsgBoxCalls().back().prompt, U("每个音符长度不能超过20"));
    EXPECT_EQ(boxes.MsgBoxCalls().back().title, "");
    EXPECT_EQ(lyrics(), before);
    EXPECT_GE(f.Picture12.Top(), 0);
    f.Text5.SetText(U("你好，世界！ a b"));
    click(f.Command7[3]);
    EXPECT_EQ(f.Text5.Text(), U("你好世界 a b"));
    click(f.Command7[2]);
    EXPECT_EQ(f.Text5.Text(), U("你好世界ab"));
    click(f.Command7[0]);
    EXPECT_EQ(f.Picture12.Top(), -5000);
}

TEST_F(LyricsTest, VersesOfThreeKeepTheirFields) {
    Form1& f = open();
    f.HScroll4.SetValue(3);
    f.Combo8.SetListIndex(1);
    notes({{0, 48, 60, "a|1|A"}, {48, 48, 60, "b|2|B"}, {96, 48, 60, "c"}});
    QTest::mouseClick(f.Labnot[1].widget(), Qt::RightButton, {}, QPoint(3, 3));
    QTest::mouseClick(f.Label18[6].widget(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::keyClicks(f.Text5.widget(), "xyz");
    click(f.Check9[1]);
    click(f.Command7[1]);
    EXPECT_EQ(lyrics(), (QStringList{"a|x|A", "b|y|B", "c|z|"}));
}

TEST_F(LyricsTest, MarkListsVerseChooserAndCloseButton) {
    Form1& f = open();
    notes({{0, 48, doc::kDynamics, "3"}, {0, 192, doc::kSentenceMarker, ""}, {0, 48, 60, "a|x"}, {48, 48, 60, "b|y"}});
    // The list opens over the box on the mark's entry without choosing it.
    const int entries = f.journal.ListCount();
    QTest::mouseDClick(f.Labnot[1].widget(), Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(f.Combo7[2].Top(), f.Labnot[1].Top());
    EXPECT_EQ(f.Combo7[2].ListIndex(), 3);
    EXPECT_EQ(f.journal.ListCount(), entries);
    EXPECT_EQ(f.Combo7[0].Tag, "1");
    // Choosing "ff" stores its index through Enter.
    auto* combo = static_cast<QComboBox*>(f.Combo7[2].widget());
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(row(0).Lyric, "4");  // each choice is stored at once
    for (int i = 0; i < 3; ++i) QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(row(0).Lyric, "7");
    EXPECT_EQ(journalTail(2), (QStringList{"100000002000486S=7", U("0修改歌词")}));
    EXPECT_EQ(f.Labnot[1].Caption(), "ff");
    EXPECT_EQ(f.Combo7[2].Top(), -5000);
    // Leaving a list hides it.
    f.Combo7[1].SetTop(10);
    f.Combo7[1].SetFocus();
    f.Picture6.SetFocus();
    QApplication::processEvents();
    EXPECT_EQ(f.Combo7[1].Top(), -5000);
    // The verse chooser: the toolbar shows its number and the sentence its verse.
    EXPECT_EQ(f.Labnot[2].Caption(), "ab");
    f.Combo8.SetListIndex(1);
    EXPECT_EQ(f.Command4[11].Caption(), "2");
    EXPECT_EQ(f.Labnot[2].Caption(), "xy");
    type(4, "/m");  // a sung note made a comment leaves its sentence
    key(Qt::Key_Return);
    EXPECT_EQ(f.Labnot[2].Caption(), "x");
    // "X" closes the roll and clears the part's selection.
    row(2).Selected = row(3).Selected = -1;
    click(f.Command5);
    EXPECT_FALSE(f.Picture6.Visible());
    EXPECT_EQ(row(2).Selected, 0);
    EXPECT_EQ(row(3).Selected, 0);
}

TEST_F(LyricsTest, KeyboardEntrySelectsTheNextNote) {
    Form1& f = open();
    notes({{96, 48, 60, "a"}, {0, 48, doc::kComment, "m"}, {48, 48, 62, "b"}});
    QTest::mouseClick(f.Picture6.widget(), Qt::RightButton, {}, QPoint(700, 900));
    midi.messages.clear();
    QTest::mouseClick(f.Label18[19].widget(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(row(2).Selected, -1);
    EXPECT_EQ(row(0).Selected, 0);
    EXPECT_EQ(f.Image1.Tag, QString::number(labelOf(2)));
    ASSERT_EQ(midi.messages.size(), 2u);  // sounded and ended
    EXPECT_EQ(midi.messages[1] & 0xF0, 0x80u);
}
