#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>
#include <QApplication>
#include <QDir>
#include <QFile>

#include "app/startup.h"
#include "platform/controls.h"
#include "platform/keys.h"

using namespace vb;

namespace {

class ControlsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { app::installFonts(PROGRAM_DIR); }
    void SetUp() override {
        form = std::make_unique<QWidget>();
        form->resize(800, 600);
        form->show();
    }
    std::unique_ptr<QWidget> form;
};

}  // namespace

TEST_F(ControlsTest, WidgetsAreNamedAndPlacedInPixels) {
    CommandButton ok(form.get(), "Command3");
    ControlArray<CommandButton> cmd(form.get(), "Command2", 0, 8);
    EXPECT_EQ(ok.widget()->objectName(), "Command3");
    EXPECT_EQ(cmd[6].widget()->objectName(), "Command2_6");
    EXPECT_EQ(form->findChild<QWidget*>("Command2_8"), cmd[8].widget());
    EXPECT_THROW(cmd[9], std::out_of_range);

    ok.Move(48, 344, 20, 20);
    EXPECT_EQ(ok.widget()->geometry(), QRect(48, 344, 20, 20));
    ok.SetWidth(-3);   // bad size: none
    EXPECT_EQ(ok.Width(), 0);

    Label twips(form.get(), "Label9");
    twips.SetUnits(15);
    twips.Move(150, 300, 450, 270);
    EXPECT_EQ(twips.widget()->geometry(), QRect(10, 20, 30, 18));
    EXPECT_EQ(twips.Height(), 270);
}

TEST_F(ControlsTest, ArrayHandlersGetTheIndex) {
    ControlArray<CommandButton> cmd(form.get(), "Command4", {1, 5, 11});
    EXPECT_FALSE(cmd.Exists(2));
    std::vector<int> clicked;
    cmd.Bind(&Control::Click, Control::IndexHandler([&](int i) { clicked.push_back(i); }));
    cmd[5].Move(10, 10, 60, 24);
    QTest::mouseClick(cmd[5].widget(), Qt::LeftButton);
    cmd[11].PerformClick();
    EXPECT_EQ(clicked, (std::vector<int>{5, 11}));
}

TEST_F(ControlsTest, CheckBoxValueFromCodeFiresClickOnlyOnAChange) {
    CheckBox chk(form.get(), "Check3", 2);
    chk.Move(0, 0, 80, 20);
    int clicks = 0;
    int lastValue = -1;
    chk.Click = [&](int i) {
        EXPECT_EQ(i, 2);
        ++clicks;
        lastValue = chk.Value();  // the new value is in place when Click runs
    };
    chk.SetValue(1);
    chk.SetValue(1);
    EXPECT_EQ(clicks, 1);
    chk.SetValue(0);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(lastValue, 0);
    QTest::mouseClick(chk.widget(), Qt::LeftButton, {}, QPoint(5, 10));
    EXPECT_EQ(clicks, 3);
    EXPECT_EQ(chk.Value(), 1);

    CheckBox toggle(form.get(), "Check2", -1, true);
    int t = 0;
    toggle.Click = [&](int) { ++t; };
    toggle.SetValue(1);
    EXPECT_EQ(t, 1);
    EXPECT_EQ(toggle.Value(), 1);
}

TEST_F(ControlsTest, OptionButtonsClearEachOther) {
    ControlArray<OptionButton> opt(form.get(), "Option1", 0, 1);
    int clicks = 0;
    opt.Bind(&Control::Click, Control::IndexHandler([&](int) { ++clicks; }));
    opt[0].SetValue(true);
    opt[1].SetValue(true);
    EXPECT_FALSE(opt[0].Value());
    EXPECT_TRUE(opt[1].Value());
    EXPECT_EQ(clicks, 2);
    opt[1].SetValue(true);
    EXPECT_EQ(clicks, 2);
}

TEST_F(ControlsTest, ComboListIndexFiresClickAndAddingSelectsNothing) {
    ComboBox combo(form.get(), "Combo2", 0);
    int clicks = 0;
    combo.Click = [&](int) { ++clicks; };
    combo.AddItem("1/4");
    combo.AddItem("1/16");
    combo.AddItem("1/8", 1);
    EXPECT_EQ(combo.ListIndex(), -1);
    EXPECT_EQ(combo.List(1), "1/8");
    EXPECT_EQ(clicks, 0);

    combo.SetListIndex(2);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(combo.Text(), "1/16");
    combo.SetListIndex(2);  // the entry it already shows: a list fires all the same
    EXPECT_EQ(clicks, 2);
    combo.SetListIndex(9);  // beyond the list: ignored
    combo.SetListIndex(-2);
    EXPECT_EQ(combo.ListIndex(), 2);
    EXPECT_EQ(clicks, 2);
    combo.SetText("1/4");  // a dropdown list selects the entry with that text
    EXPECT_EQ(combo.ListIndex(), 0);
    EXPECT_EQ(clicks, 3);

    combo.RemoveItem(0);
    EXPECT_EQ(combo.ListIndex(), -1);
    combo.SetListIndex(-1);
    EXPECT_EQ(clicks, 3);
    combo.Clear();

    // A user's choice fires Click too.
    combo.AddItem("a");
    combo.AddItem("b");
    auto* qc = static_cast<QComboBox*>(combo.widget());
    emit qc->activated(1);
    EXPECT_EQ(clicks, 4);
}

TEST_F(ControlsTest, EditableComboTextFiresChange) {
    ComboBox combo(form.get(), "Combo1", -1, 0);
    int changes = 0;
    combo.Change = [&](int) { ++changes; };
    combo.AddItem("4/4");
    combo.SetText("3/4");
    EXPECT_EQ(combo.Text(), "3/4");
    EXPECT_EQ(combo.ListIndex(), -1);
    combo.SetText("3/4");
    EXPECT_EQ(changes, 1);
}

TEST_F(ControlsTest, EmptyLabelsTakeTheSizeHintAndAShowAfterAHideSizesThemAgain) {
    std::vector<std::unique_ptr<Label>> labels;
    for (int i = 0; i < 3; ++i) labels.push_back(std::make_unique<Label>(form.get(), "Label6", i));
    QLabel reference(form.get());
    reference.setFont(labels[0]->widget()->font());
    reference.ensurePolished();
    for (const auto& l : labels) EXPECT_EQ(l->widget()->size(), reference.sizeHint());
    // Sized by its first show only: a label never moved takes its new caption's size when shown again.
    Label& last = *labels[2];
    last.SetCaption("一段较长的说明文字");
    last.SetVisible(false);
    last.SetVisible(true);
    EXPECT_EQ(last.widget()->size(), last.widget()->sizeHint());
    EXPECT_GT(last.widget()->width(), reference.sizeHint().width());
}

TEST_F(ControlsTest, ListBoxFiresClickWhenItsIndexIsSet) {
    ListBox list(form.get(), "List3");
    int clicks = 0;
    list.Click = [&](int) { ++clicks; };
    for (int i = 0; i < 5; ++i) list.AddItem(QString("p%1").arg(i));
    EXPECT_EQ(list.ListIndex(), -1);
    list.SetListIndex(3);
    list.SetListIndex(3);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(list.Text(), "p3");
    list.RemoveItem(0);  // the selected entry moves up with its text
    EXPECT_EQ(list.ListIndex(), 2);
    EXPECT_EQ(list.Text(), "p3");
    list.RemoveItem(2);
    EXPECT_EQ(list.ListIndex(), -1);
    EXPECT_EQ(clicks, 2);
}

TEST_F(ControlsTest, ScrollBarValueFiresChangeOnAChangeAndDragFiresScroll) {
    ScrollBar bar(form.get(), "HScroll3", 1);
    bar.SetMin(0);
    bar.SetMax(100);
    bar.SetSmallChange(1);
    bar.SetLargeChange(10);
    int changes = 0, scrolls = 0;
    bar.Change = [&](int i) {
        EXPECT_EQ(i, 1);
        ++changes;
    };
    bar.Scroll = [&](int) { ++scrolls; };
    bar.SetValue(40);
    EXPECT_EQ(changes, 1);
    bar.SetValue(40);
    EXPECT_EQ(changes, 1);
    bar.SetValue(500);  // held to the range
    EXPECT_EQ(bar.Value(), 100);
    EXPECT_EQ(changes, 2);
    bar.SetMax(60);  // the value leaves the range and follows it
    EXPECT_EQ(bar.Value(), 60);
    EXPECT_EQ(changes, 3);

    auto* qs = static_cast<QScrollBar*>(bar.widget());
    qs->triggerAction(QAbstractSlider::SliderPageStepSub);  // a click on the track
    EXPECT_EQ(bar.Value(), 50);
    EXPECT_EQ(changes, 4);
    qs->setSliderDown(true);
    qs->setSliderPosition(30);
    qs->setSliderPosition(20);
    EXPECT_EQ(scrolls, 2);
    EXPECT_EQ(changes, 4);
    qs->setSliderDown(false);  // the end of the drag
    EXPECT_EQ(changes, 5);
    EXPECT_EQ(bar.Value(), 20);

    ScrollBar keys(form.get(), "VScroll3", -1, true);
    keys.SetMin(10);
    keys.SetMax(2);  // Min above Max: the bar runs the other way
    keys.SetValue(0);
    EXPECT_EQ(keys.Value(), 2);
}

// A wheel turned down (towards the user) and the Down or Right key move the thumb down or right, by
// three small changes a notch and one a key; on a bar running the other way that lowers the value.
TEST_F(ControlsTest, ScrollBarWheelAndArrowKeysMoveTheThumbTheWayTheyTurn) {
    struct Case {
        bool vertical;
        int min, max, way;
        Qt::Key key;
    };
    const Case cases[] = {{true, 0, 1000, 1, Qt::Key_Down},
                          {true, 1000, 0, -1, Qt::Key_Down},
                          {false, 0, 1000, 1, Qt::Key_Right},
                          {false, 1000, 0, -1, Qt::Key_Right}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.min);
        ScrollBar bar(form.get(), "VScroll2", -1, c.vertical);
        bar.Move(0, 0, c.vertical ? 20 : 200, c.vertical ? 200 : 20);
        bar.SetMin(c.min);
        bar.SetMax(c.max);
        bar.SetSmallChange(10);
        bar.SetLargeChange(100);
        bar.SetValue(500);
        const QPointF at(10, 10);
        QWheelEvent down(at, bar.widget()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                         Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(bar.widget(), &down);
        const int notch = QApplication::wheelScrollLines() * 10;
        EXPECT_EQ(bar.Value(), 500 + c.way * notch);
        QTest::keyClick(bar.widget(), c.key);
        EXPECT_EQ(bar.Value(), 500 + c.way * (notch + 10));
    }
}

TEST_F(ControlsTest, TextBoxTextFiresChangeAndMaxLengthLimitsTyping) {
    TextBox text(form.get(), "Text2");
    text.Move(0, 0, 200, 24);
    int changes = 0;
    text.Change = [&](int) { ++changes; };
    text.SetText("歌词");
    text.SetText("歌词");
    EXPECT_EQ(changes, 1);
    text.SetMaxLength(4);
    text.SetText("");
    EXPECT_EQ(changes, 2);
    text.widget()->setFocus();
    QTest::keyClicks(text.widget(), "abcdef");
    EXPECT_EQ(text.Text(), "abcd");
    EXPECT_EQ(changes, 6);
    text.SetText("longer than four");  // code is not limited
    EXPECT_EQ(text.Text(), "longer than four");

    // KeyPress may swallow or change the typed character.
    text.SetMaxLength(0);
    text.SetText("");
    text.KeyPress = [](int, int& k) {
        if (k == 'x') k = 0;
        if (k == 'a') k = 'A';
    };
    QTest::keyClicks(text.widget(), "xab");
    EXPECT_EQ(text.Text(), "Ab");
}

TEST_F(ControlsTest, AutoSizedLabelTakesTheSizeOfItsCaption) {
    Label lab(form.get(), "Label21");
    lab.SetFontName("宋体");
    lab.SetFontSize(18);
    lab.SetAutoSize(true);
    lab.SetCaption("合唱");
    QFontMetrics fm(ScreenFont("宋体", 18, false, false));
    EXPECT_EQ(lab.Width(), fm.horizontalAdvance("合唱"));
    EXPECT_EQ(lab.Height(), fm.height());
    const double w = lab.Width();
    lab.SetCaption("合唱团排练");
    EXPECT_GT(lab.Width(), w * 2);

    Label fixed(form.get(), "Label1", 10);
    fixed.Move(5, 5, 40, 40);
    fixed.SetCaption("很长的标题文字很长的标题文字");
    EXPECT_EQ(fixed.Width(), 40);
}

TEST_F(ControlsTest, LabelMouseEventsReportButtonShiftAndPosition) {
    Label lab(form.get(), "Label10", 0);
    lab.Move(100, 100, 40, 20);
    lab.SetMouseUnits(15);
    std::vector<QString> events;
    lab.MouseDown = [&](int i, int b, int s, double x, double y) {
        events.push_back(QString("down %1 %2 %3 %4,%5").arg(i).arg(b).arg(s).arg(x).arg(y));
    };
    lab.MouseUp = [&](int, int b, int, double x, double) { events.push_back(QString("up %1 %2").arg(b).arg(x)); };
    lab.Click = [&](int) { events.push_back("click"); };
    QTest::mouseClick(lab.widget(), Qt::RightButton, Qt::AltModifier, QPoint(2, 3));
    QTest::mouseClick(lab.widget(), Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier, QPoint(4, 1));
    const std::vector<QString> expected = {"down 0 2 4 30,45", "up 2 30", "down 0 1 3 60,15", "up 1 60", "click"};
    EXPECT_EQ(events, expected);
}

TEST_F(ControlsTest, PictureBoxShowsItsCanvasAndReportsKeys) {
    ControlArray<PictureBox> pics(form.get(), "Picture4", 0, 1);
    PictureBox& pic = pics[1];
    pic.Move(10, 10, 120, 80);
    EXPECT_EQ(pic.ScaleWidth(), 120);
    pic.SetBackColor(RGB(255, 255, 255));
    pic.Canvas().Line(0, 5, 50, 5, 0);
    pic.Refresh();
    EXPECT_EQ(pic.widget()->grab().toImage().pixelColor(20, 5), QColor(0, 0, 0));

    std::vector<int> downs, ups;
    int clickIndex = -1;
    pic.KeyDown = [&](int i, int k, int s) {
        clickIndex = i;
        downs.push_back(k * 10 + s);
    };
    pic.KeyUp = [&](int, int k, int) { ups.push_back(k); };
    pic.SetFocus();
    QTest::keyClick(pic.widget(), Qt::Key_BracketRight);
    QTest::keyClick(pic.widget(), Qt::Key_5, Qt::KeypadModifier);
    QTest::keyClick(pic.widget(), Qt::Key_5);
    QTest::keyClick(pic.widget(), Qt::Key_F12, Qt::ShiftModifier);
    EXPECT_EQ(clickIndex, 1);
    // With Shift held the Shift key itself comes first and is released last.
    EXPECT_EQ(downs, (std::vector<int>{0xDD * 10, 0x65 * 10, 0x35 * 10, 0x10 * 10 + 1, 0x7B * 10 + 1}));
    EXPECT_EQ(ups, (std::vector<int>{0xDD, 0x65, 0x35, 0x7B, 0x10}));

    // A held key repeats its KeyDown; only the real release reports KeyUp.
    downs.clear();
    ups.clear();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a", true);
    QKeyEvent fakeRelease(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, "a", true);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, "a", false);
    QApplication::sendEvent(pic.widget(), &press);
    QApplication::sendEvent(pic.widget(), &fakeRelease);
    QApplication::sendEvent(pic.widget(), &press);
    QApplication::sendEvent(pic.widget(), &release);
    EXPECT_EQ(downs, (std::vector<int>{'A' * 10, 'A' * 10}));
    EXPECT_EQ(ups, (std::vector<int>{'A'}));

    // Mouse positions in pixels; a double click reports DblClick, not a second Click.
    std::vector<QString> ev;
    pic.MouseDown = [&](int, int b, int, double x, double y) { ev.push_back(QString("down %1 %2,%3").arg(b).arg(x).arg(y)); };
    pic.DblClick = [&](int) { ev.push_back("dbl"); };
    pic.MouseMove = [&](int, int b, int, double x, double) { ev.push_back(QString("move %1 %2").arg(b).arg(x)); };
    QTest::mousePress(pic.widget(), Qt::LeftButton, {}, QPoint(7, 9));
    QTest::mouseRelease(pic.widget(), Qt::LeftButton, {}, QPoint(7, 9));
    QTest::mouseDClick(pic.widget(), Qt::LeftButton, {}, QPoint(7, 9));
    QTest::mouseMove(pic.widget(), QPoint(30, 9));
    ASSERT_GE(ev.size(), 3u);
    EXPECT_EQ(ev[0], "down 1 7,9");
    EXPECT_NE(std::find(ev.begin(), ev.end(), QString("dbl")), ev.end());
    EXPECT_TRUE(ev.back().startsWith("move ") && ev.back().endsWith(" 30")) << ev.back().toStdString();
}

TEST_F(ControlsTest, PictureBoxLoadsPicturesAndSurvivesBadFiles) {
    PictureBox pic(form.get(), "Picture17");
    pic.Move(0, 0, 30, 30);
    EXPECT_FALSE(pic.LoadPicture("/no/such/file.bmp"));
    QImage img(10, 10, QImage::Format_RGB32);
    img.fill(QColor(255, 0, 0));
    const QString path = QDir::temp().filePath("choir_pic_test.png");
    ASSERT_TRUE(img.save(path));
    EXPECT_TRUE(pic.LoadPicture(path));
    EXPECT_EQ(pic.Canvas().Point(5, 5), 0x0000FFu);
    EXPECT_EQ(pic.Canvas().Point(20, 20), 0xFFFFFFu);
    QFile::remove(path);
}

TEST_F(ControlsTest, LineFollowsItsPoints) {
    LineControl line(form.get(), "Line2");
    line.SetPoints(278, 45, 278, 500);
    EXPECT_EQ(line.widget()->geometry(), QRect(278, 45, 1, 456));
    EXPECT_TRUE(line.widget()->testAttribute(Qt::WA_TransparentForMouseEvents));
    line.SetX1(-1);
    line.SetX2(-1);
    EXPECT_EQ(line.widget()->x(), -1);
}

TEST(KeyCodes, PhysicalKeysBecomeVirtualKeyCodes) {
    const Qt::KeyboardModifiers none = Qt::NoModifier, pad = Qt::KeypadModifier, shift = Qt::ShiftModifier;
    const std::tuple<int, Qt::KeyboardModifiers, int> cases[] = {
        {Qt::Key_A, none, 0x41},         {Qt::Key_Z, shift, 0x5A},          {Qt::Key_7, none, 0x37},
        {Qt::Key_7, pad, 0x67},          {Qt::Key_0, pad, 0x60},            {Qt::Key_Ampersand, shift, 0x37},
        {Qt::Key_F12, none, 0x7B},       {Qt::Key_Semicolon, none, 0xBA},   {Qt::Key_Equal, none, 0xBB},
        {Qt::Key_Comma, none, 0xBC},     {Qt::Key_Minus, none, 0xBD},       {Qt::Key_Minus, pad, 0x6D},
        {Qt::Key_Period, none, 0xBE},    {Qt::Key_Slash, none, 0xBF},       {Qt::Key_QuoteLeft, none, 0xC0},
        {Qt::Key_BracketLeft, none, 0xDB}, {Qt::Key_Backslash, none, 0xDC}, {Qt::Key_BraceRight, shift, 0xDD},
        {Qt::Key_Apostrophe, none, 0xDE}, {Qt::Key_Left, none, 0x25},       {Qt::Key_Delete, none, 0x2E},
        {Qt::Key_Enter, pad, 0x0D},      {Qt::Key_unknown, none, 0},
    };
    for (auto [key, mods, code] : cases) EXPECT_EQ(VirtualKey(Qt::Key(key), mods), code) << std::hex << key;
    EXPECT_EQ(ShiftState(Qt::ShiftModifier | Qt::AltModifier), 5);
    EXPECT_EQ(MouseButtonsCode(Qt::LeftButton | Qt::RightButton), 3);
}

// A MouseUp that gives the focus to a canvas, as the command buttons' handlers do, keeps the
// order MouseDown, MouseUp, Click; Space and Enter click a focused button once.
TEST_F(ControlsTest, ButtonsClickAfterAMouseUpThatMovesTheFocus) {
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    PictureBox canvas(form.get(), "Picture4", 0);
    canvas.Move(300, 0, 100, 100);
    CommandButton cmd(form.get(), "Command2", 5);
    CheckBox chk(form.get(), "Check3", 0);
    CheckBox toggle(form.get(), "Check2", -1, true);
    OptionButton opt(form.get(), "Option1", 0);
    struct Case { Control* control; std::vector<int> values; };  // the Value after each click (-1: none)
    const Case cases[] = {{&cmd, {-1, -1}}, {&chk, {1, 0}}, {&toggle, {1, 0}}, {&opt, {1}}};
    auto value = [&](Control* c) { return c == &chk ? chk.Value() : c == &toggle ? toggle.Value() : c == &opt ? int(opt.Value()) : -1; };
    std::vector<QString> ev;
    for (const Case& k : cases) {
        Control& c = *k.control;
        SCOPED_TRACE(c.Name().toStdString());
        c.Move(10, 10, 80, 24);
        c.MouseDown = [&](int, int, int, double, double) { ev.push_back("down"); };
        c.MouseUp = [&](int, int, int, double, double) { ev.push_back("up"); canvas.SetFocus(); };
        c.Click = [&](int) { ev.push_back(QString("click %1").arg(value(&c))); };
        for (int v : k.values) {
            ev.clear();
            QTest::mouseClick(c.widget(), Qt::LeftButton, {}, QPoint(8, 12));
            EXPECT_EQ(ev, (std::vector<QString>{"down", "up", QString("click %1").arg(v)}));
            EXPECT_TRUE(canvas.widget()->hasFocus());
        }
        // Released outside the button: no Click.
        ev.clear();
        QTest::mousePress(c.widget(), Qt::LeftButton, {}, QPoint(8, 12));
        QTest::mouseMove(c.widget(), QPoint(200, 12));
        QTest::mouseRelease(c.widget(), Qt::LeftButton, {}, QPoint(200, 12));
        EXPECT_EQ(ev, (std::vector<QString>{"down", "up"}));
        c.MouseUp = nullptr;
        ev.clear();
        if (&c == &opt) opt.SetValue(false);  // a selected option button stays selected, quietly
        c.SetFocus();
        QTest::keyClick(c.widget(), Qt::Key_Space);
        EXPECT_EQ(ev.size(), 1u);
    }
    ev.clear();
    cmd.MouseDown = nullptr;
    cmd.Click = [&](int) { ev.push_back("click"); };
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        cmd.SetFocus();
        QTest::keyClick(cmd.widget(), key);
    }
    EXPECT_EQ(ev.size(), 2u);
    // A MouseUp that disables the button takes its click away.
    cmd.MouseUp = [&](int, int, int, double, double) { cmd.SetEnabled(false); };
    QTest::mouseClick(cmd.widget(), Qt::LeftButton);
    EXPECT_EQ(ev.size(), 2u);
}

// A picture box clicks on the release of a press on itself, not of one on a label inside it; the
// observer sees every Click raised.
TEST_F(ControlsTest, PictureBoxClicksOnlyForItsOwnPresses) {
    PictureBox panel(form.get(), "Picture10");
    panel.Move(0, 0, 200, 100);
    Label row(panel.widget(), "Label17", 1);
    row.Move(10, 10, 50, 20);
    std::vector<QString> seen;
    Control::ClickObserver = [&](const Control& c) { seen.push_back(c.widget()->objectName()); };
    QTest::mouseClick(row.widget(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(panel.widget(), Qt::LeftButton, {}, QPoint(150, 50));
    QTest::mouseClick(panel.widget(), Qt::RightButton, {}, QPoint(150, 50));
    Control::ClickObserver = nullptr;
    EXPECT_EQ(seen, (std::vector<QString>{"Label17_1", "Picture10"}));
}

// A label keeps the presses, moves, releases and double-clicks made on it from its container; one
// transparent for the mouse, or disabled, raises nothing and leaves them to the container.
TEST_F(ControlsTest, LabelKeepsItsMouseEventsFromItsContainer) {
    PictureBox box(form.get(), "Picture1");
    box.Move(0, 0, 300, 60);
    Label marker(box.widget(), "Label6", 1);
    marker.Move(100, 10, 40, 20);
    QStringList seen;
    for (Control* c : {static_cast<Control*>(&box), static_cast<Control*>(&marker)}) {
        const QString n = c->Name() + " ";
        c->MouseDown = [&seen, n](int, int, int, double x, double) { seen << n + "down " + QString::number(x); };
        c->MouseMove = [&seen, n](int, int b, int, double, double) { if (b) seen << n + "move"; };
        c->MouseUp = [&seen, n](int, int, int, double, double) { seen << n + "up"; };
        c->DblClick = [&seen, n](int) { seen << n + "dbl"; };
    }
    auto gesture = [&](QWidget* w, QPoint at) {
        seen.clear();
        QTest::mousePress(w, Qt::LeftButton, {}, at);
        QTest::mouseMove(w, at);
        QTest::mouseRelease(w, Qt::LeftButton, {}, at);
        QTest::mouseDClick(w, Qt::LeftButton, {}, at);
        return seen.join(", ").toStdString();
    };
    EXPECT_EQ(gesture(marker.widget(), {5, 5}), "Label6 down 5, Label6 move, Label6 up, Label6 dbl");
    const std::string toBox = "Picture1 down 105, Picture1 move, Picture1 up, Picture1 dbl";
    marker.widget()->setAttribute(Qt::WA_TransparentForMouseEvents);
    EXPECT_EQ(gesture(box.widget(), {105, 15}), toBox);
    EXPECT_EQ(gesture(marker.widget(), {5, 5}), toBox);
    marker.widget()->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    marker.SetEnabled(false);
    EXPECT_EQ(gesture(marker.widget(), {5, 5}), toBox);
}

// A canvas partly covered by opaque siblings (the track view's separators) repaints its picture
// in every uncovered band.
TEST_F(ControlsTest, PictureBoxUnderThinSiblingsRepaintsEachBand) {
    PictureBox pic(form.get(), "Picture4", 0);
    pic.Move(10, 10, 120, 80);
    pic.SetBackColor(RGB(255, 255, 255));
    pic.Canvas().Cls();
    for (int y : {5, 40, 70}) pic.Canvas().Line(0, y, 100, y, 0);
    std::vector<std::unique_ptr<QWidget>> bars;
    for (int y : {30, 60}) {
        auto& bar = bars.emplace_back(std::make_unique<QWidget>(form.get()));
        bar->setAutoFillBackground(true);
        bar->setPalette(QPalette(Qt::red));
        bar->setGeometry(10, 10 + y, 120, 2);
        bar->show();
    }
    const QImage shown = form->grab(QRect(10, 10, 120, 80)).toImage();
    for (auto [y, colour] : std::vector<std::pair<int, QColor>>{
             {5, Qt::black}, {20, Qt::white}, {30, Qt::red}, {40, Qt::black}, {61, Qt::red}, {70, Qt::black}, {79, Qt::white}})
        EXPECT_EQ(shown.pixelColor(50, y), colour) << y;
}

// Canvases that move under an opaque panel (the title block over the track view) leave on the
// screen what a fresh painting of the window shows: their pixels, an opaque child carried along,
// a caption above them, and what they uncover, an opaque label under them included. The panel
// itself is not painted again.
TEST_F(ControlsTest, MovedCanvasesRepaintAloneAndLeaveTheScreenAsDrawnAfresh) {
    std::vector<std::unique_ptr<PictureBox>> boxes;
    auto box = [&](QWidget* parent, QRect r, Colour colour) -> PictureBox& {
        PictureBox& b = *boxes.emplace_back(std::make_unique<PictureBox>(parent, "Picture4", int(boxes.size())));
        b.Move(r.x(), r.y(), r.width(), r.height());
        b.SetBackColor(colour);
        b.Canvas().Cls();
        for (int x = 0; x < r.width(); x += 37) b.Canvas().Line(x, 0, x, r.height(), 0);
        return b;
    };
    PictureBox& view = box(form.get(), {0, 0, 400, 300}, RGB(0, 0, 255));
    PictureBox& left = box(view.widget(), {0, 0, 300, 300}, RGB(255, 0, 0));
    PictureBox& right = box(view.widget(), {300, 0, 300, 300}, RGB(0, 255, 0));
    box(left.widget(), {100, 100, 30, 30}, RGB(255, 255, 0));  // opaque, carried along
    Label caption(view.widget(), "Label3", 19);                // transparent, above them
    caption.Move(50, 50, 80, 16);
    caption.SetCaption("12.467");
    Label under(view.widget(), "Label3", 20);                  // opaque, under them
    under.Move(221, 150, 8, 10);
    under.SetBackColor(RGB(255, 0, 255));
    under.widget()->lower();
    PictureBox& panel = box(form.get(), {0, 260, 400, 40}, RGB(128, 128, 128));
    QApplication::processEvents();
    struct PaintCount : QObject {
        int n = 0;
        bool eventFilter(QObject*, QEvent* e) override { return (n += e->type() == QEvent::Paint), false; }
    } panelPaints;
    panel.widget()->installEventFilter(&panelPaints);
    for (int x = -7; x >= -70; x -= 7) {
        left.SetLeft(x);
        right.SetLeft(x + 300);
        QApplication::processEvents();
    }
    left.SetLeft(-80);  // and one that uncovers the container and the label
    QApplication::processEvents();
    EXPECT_EQ(panelPaints.n, 0);
    const QImage shown = form->screen()->grabWindow(form->winId(), 0, 0, 400, 300).toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown, form->grab(QRect(0, 0, 400, 300)).toImage().convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(shown.pixelColor(225, 155), QColor(255, 0, 255));
}

// A frame kept as drawn looks as the style draws a group box, also after its caption or size changed.
TEST_F(ControlsTest, FrameLooksAsTheStyleDrawsIt) {
    Frame frame(form.get(), "Frame1", 0);
    QGroupBox plain(form.get());
    auto same = [&] {
        plain.setGeometry(frame.widget()->geometry());
        plain.setTitle(frame.Caption());
        plain.setFont(frame.widget()->font());
        plain.setPalette(frame.widget()->palette());
        plain.setAutoFillBackground(true);
        plain.show();
        // Composed from the kept copy, an edge pixel may round one step apart.
        const QImage a = frame.widget()->grab().toImage(), b = plain.grab().toImage();
        if (a.size() != b.size()) return false;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x) {
                const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
                if (std::max({std::abs(p.red() - q.red()), std::abs(p.green() - q.green()), std::abs(p.blue() - q.blue())}) > 1)
                    return false;
            }
        return true;
    };
    frame.Move(8, 8, 89, 161);
    frame.SetCaption("信息显示");
    EXPECT_TRUE(same());
    frame.SetCaption("控制");
    EXPECT_TRUE(same());
    frame.Move(8, 8, 120, 100);
    EXPECT_TRUE(same());
}

// A label kept as drawn looks as QLabel draws its caption, also after the caption, its font, its
// alignment, its frame or its state changed.
TEST_F(ControlsTest, LabelLooksAsQLabelDrawsIt) {
    Label label(form.get(), "Label3", 19);
    QLabel plain(form.get());
    auto same = [&] {
        QLabel* kept = static_cast<QLabel*>(label.widget());
        plain.setGeometry(kept->geometry());
        plain.setText(kept->text());
        plain.setFont(kept->font());
        plain.setPalette(kept->palette());
        plain.setAlignment(kept->alignment());
        plain.setWordWrap(kept->wordWrap());
        plain.setFrameStyle(kept->frameStyle());
        plain.setIndent(kept->indent());
        plain.setMargin(kept->margin());
        plain.setEnabled(kept->isEnabled());
        plain.setAutoFillBackground(kept->autoFillBackground());
        plain.show();
        const QImage a = kept->grab().toImage(), b = plain.grab().toImage();
        return a.size() == b.size() && a == b;
    };
    label.Move(8, 8, 80, 16);
    label.SetCaption("12.345");
    EXPECT_TRUE(same());
    label.SetCaption("作词: 一段较长的文字会在标签里换行");
    EXPECT_TRUE(same());
    label.SetAlignment(1);
    EXPECT_TRUE(same());
    label.SetFontSize(12);
    label.SetFontBold(true);
    EXPECT_TRUE(same());
    label.SetAlignment(2);
    label.SetBorderStyle(1);
    EXPECT_TRUE(same());
    label.SetEnabled(false);
    EXPECT_TRUE(same());
    label.SetAutoSize(true);
    label.SetCaption("a & b");
    EXPECT_TRUE(same());
    // A caption of digits changing many times a second is put together from its characters, in a
    // plain label and in a framed one, in the program's and the system's fonts.
    label.SetAutoSize(false);
    label.SetEnabled(true);
    label.SetAlignment(0);
    for (const char* font : {"宋体", "Qelto", "DejaVu Sans"})
        for (int border : {0, 1}) {
            label.SetFontName(font);
            label.SetFontSize(9);
            label.SetFontBold(false);
            label.SetBorderStyle(border);
            for (int round = 0; round < 2; ++round)
                for (const char* seconds : {"0.000", "1.041", "12.467", "59.998", "7", "3:05", "-1.5", "123456.789"}) {
                    label.SetCaption(seconds);
                    EXPECT_TRUE(same()) << font << " " << seconds << " " << border;
                }
        }
}
