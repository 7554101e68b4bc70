// The main window driven as a user drives it: mouse clicks and key presses on its widgets, the
// window shown and active, so the buttons' focus returns really move the focus.
#include "app/form1_fixture.h"

#include <QAbstractButton>
#include <QFileInfo>
#include <QPushButton>
#include <QtTest/QTest>
#include <cmath>
#include <functional>

using namespace app;

namespace {

// One track holding a half note of middle C, after an empty first track (division 96).
const QByteArray kOneNoteMidi = Hex("4D546864 00000006 0001 0002 0060 4D54726B 00000004 00FF2F00"
                                    "4D54726B 0000000D 00903C64 8140803C 40 00FF2F00");

// Where a user clicks a button: the middle of a push button, the box of a check or option box.
QPoint ClickPoint(const QWidget* w) {
    return qobject_cast<const QPushButton*>(w) ? w->rect().center() : QPoint(6, w->height() / 2);
}

// The buttons inside `within` a user can click: shown, enabled and not covered where one clicks.
QStringList ReachableButtons(QWidget* window, QWidget* within) {
    QStringList names;
    for (QAbstractButton* b : within->findChildren<QAbstractButton*>()) {
        if (!b->isVisible() || !b->isEnabled() || b->objectName().isEmpty()) continue;
        QWidget* hit = window->childAt(b->mapTo(window, ClickPoint(b)));
        if (hit == b || b->isAncestorOf(hit)) names << b->objectName();
    }
    return names;
}

// A point of `w` where a click reaches `w` itself, not a control inside it.
QPoint FreePoint(const QWidget* w) {
    for (int y = w->height() - 4; y > 0; y -= 8)
        for (int x = w->width() - 4; x > 0; x -= 8)
            if (!w->childAt(x, y)) return {x, y};
    return {};
}

}  // namespace

class ClicksTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        vb::Control::ClickObserver = [this](const vb::Control& c) { clicks << c.widget()->objectName(); };
    }
    void TearDown() override {
        vb::Control::ClickObserver = nullptr;
        Form1Test::TearDown();
    }
    Form1& startShown() {
        start();
        activate();
        return *form;
    }
    // The window shown, not minimised and active.
    void activate() {
        if (!form->isVisible() || form->isMinimized()) form->showNormal();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    void click(QWidget* w, Qt::KeyboardModifiers mods = {}, QPoint at = {}) {
        activate();
        QTest::mouseClick(w, Qt::LeftButton, mods, at.isNull() ? ClickPoint(w) : at);
    }
    void click(vb::Control& c) { click(c.widget()); }
    // A shortcut of the track view (Ctrl+R, Ctrl+T, Ctrl+V open the change panels).
    void trackKey(Qt::Key key, Qt::KeyboardModifiers mods = Qt::ControlModifier) {
        activate();
        form->Picture4[0].SetFocus();
        QTest::keyClick(form->Picture4[0].widget(), key, mods);
    }
    // A click on the song ruler puts the cursor in the song, where changes can be inserted.
    void locate() { click(form->Picture1.widget(), {}, QPoint(500, 20)); }
    void type(vb::Control& box, const QString& text) {
        activate();
        box.SetFocus();
        QTest::keyClick(box.widget(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box.widget(), text);
    }
    // The next entry of a list chosen with the arrow key.
    void down(vb::Control& list) {
        activate();
        list.SetFocus();
        QTest::keyClick(list.widget(), Qt::Key_Down);
    }
    // Lets the two seconds of the start-up window (or of the one after New) pass.
    void waitForTheStartUpWindowToEnd() {
        vb::testing::AdvanceClock(2000);
        ASSERT_TRUE(form->Command2[5].Enabled());
    }
    void closePanels() {
        for (vb::Control* panel : std::initializer_list<vb::Control*>{&form->Frame2, &form->Frame3, &form->Picture10,
                                                                      &form->Picture2[0], &form->Picture2[1],
                                                                      &form->Picture2[2], &form->Picture14,
                                                                      &form->Picture16})
            panel->SetVisible(false);
        if (form->Form3_Visible()) form->Command4_Click(1);
        if (form->Picture6.Visible()) form->Command4_Click(5);
        form->Picct.SetEnabled(true);
        form->PlayMode = PlayMode::Idle;
    }

    // Steps of real input, each with what it must have done; each clicked control raises exactly
    // one Click.
    struct Step {
        std::function<void()> input;
        QString clicked;  // the control that must raise one Click ("" for a key or a press alone)
        std::function<bool()> done;
    };
    void run(const std::vector<Step>& steps) {
        for (const Step& s : steps) {
            clicks.clear();
            s.input();
            if (!s.clicked.isEmpty()) { EXPECT_EQ(clicks.count(s.clicked), 1) << s.clicked.toStdString(); }
            EXPECT_TRUE(s.done()) << "after " << s.clicked.toStdString() << " (step " << (&s - steps.data()) << ")";
        }
    }
    Step on(vb::Control& c, std::function<bool()> done, std::function<void()> before = [] {}) {
        return {[this, &c, before] { before(); click(c); }, c.widget()->objectName(), std::move(done)};
    }

    QStringList clicks;
};

// Every button a user can reach in the window at start-up and in each panel raises its Click when
// clicked, also the buttons whose MouseUp gives the focus back to the track view.
TEST_F(ClicksTest, EveryReachableButtonOfTheWindowAndItsPanelsRaisesItsClick) {
    Form1& f = startShown();
    write("one.mid", kOneNoteMidi);
    struct Panel {
        const char* name;
        std::function<void()> open;
        QWidget* within;
    };
    const Panel panels[] = {
        {"start-up", [&] { closePanels(); }, &f},
        {"song settings", [&] { closePanels(); click(f.Command2[6]); }, f.Frame2.widget()},
        {"time signature", [&] { closePanels(); locate(); trackKey(Qt::Key_R); }, f.Picture2[0].widget()},
        {"tempo", [&] { closePanels(); locate(); trackKey(Qt::Key_T); }, f.Picture2[1].widget()},
        {"key", [&] { closePanels(); locate(); trackKey(Qt::Key_V); }, f.Picture2[2].widget()},
        {"typesetting", [&] { closePanels(); click(f.Command10[2]); }, f.Picture16.widget()},
        {"system settings", [&] { closePanels(); waitForTheStartUpWindowToEnd(); click(f.Command2[5]); }, f.Frame3.widget()},
        {"keys", [&] { closePanels(); click(f.Command2[5]); click(f.Command2[22]); }, f.Picture14.widget()},
        {"MIDI import",
         [&] {
             closePanels();
             dialogs.fileAnswers.push_back(path("one.mid"));
             click(f.Command4[4]);
         },
         f.Picture10.widget()},
    };
    int clicked = 0;
    for (const Panel& p : panels) {
        p.open();
        const QStringList names = ReachableButtons(&f, p.within);
        EXPECT_FALSE(names.isEmpty()) << p.name;
        for (const QString& name : names) {
            auto* button = f.findChild<QAbstractButton*>(name);
            if (!ReachableButtons(&f, p.within).contains(name)) p.open();
            clicks.clear();
            click(button);
            EXPECT_EQ(clicks.count(name), 1) << p.name << ": " << name.toStdString();
            ++clicked;
        }
    }
    EXPECT_GE(clicked, 40);
}

// The commands of the command column and the toolbar, each by a click.
TEST_F(ClicksTest, CommandColumnAndToolbarByClicks) {
    Form1& f = startShown();
    const int partCount = f.song->PartCount;
    const QString saved = path("song.brc");
    auto answerFile = [this](const QString& p) { return [this, p] { dialogs.fileAnswers.push_back(p); }; };
    run({
        on(f.Command2[1], [&] { return QFileInfo(saved).size() > 0; },
           [&] { f.song->Parts[1].Name = "Tenor"; dialogs.fileAnswers.push_back(saved); }),
        on(f.Command2[0], [&] { return f.song->Parts[1].Name == "领唱"; }, [&] { f.song->Modified = -1;
           dialogs.msgBoxAnswers.push_back(vb::vbNo); }),
        on(f.Command2[2], [&] { return f.song->Parts[1].Name == "Tenor"; }, [&] {
            f.song->Modified = 0;
            dialogs.fileAnswers.push_back(saved);
        }),
        on(f.Command2[8], [&] { return QFileInfo(path("song.mid")).size() > 0; }, answerFile(path("song.mid"))),
        on(f.Command2[6], [&] { return f.Frame2.Visible(); }),
        on(f.Command2[11], [&] { return !f.Frame2.Visible(); }),
        on(f.Command2[25], [] { return true; }),
        on(f.Command2[26], [] { return true; }),
        on(f.Command10[2], [] { return true; }),
        on(f.Command4[0], [] { return true; }),
        on(f.Command4[1], [&] { return f.Form3_Visible(); }),
        on(f.Command4[1], [&] { return !f.Form3_Visible(); }),
        on(f.Command4[5], [] { return true; }),
        on(f.Command4[11], [&] { return f.Command4[11].Caption() == "2"; }, [&] { f.HScroll4.SetValue(3); }),
        on(f.Command4[2], [&] { return parts[f.song->CurrentPart].Url() == "/tmp/alto.mp3"; },
           answerFile("/tmp/alto.mp3")),
        on(f.Command4[3], [&] { return f.song->PartCount == partCount - 1; }),
        on(f.Command4[4], [&] { return !f.Picture10.Visible() && dialogs.calls.back().kind == "Open"; }),
        on(f.Command2[5], [&] { return f.Frame3.Visible(); }, [&] { waitForTheStartUpWindowToEnd(); }),
        on(f.Command2[5], [&] { return !f.Frame3.Visible(); }),
        on(f.Command2[7], [&] { return f.isMinimized(); }),
        on(f.Command2[4], [&] { return quitCalls == 1 && !f.isVisible(); }, [&] { f.song->Modified = 0; }),
    });
    // After each of these clicks the track view holds the focus again.
    activate();
    click(f.Command4[11]);
    EXPECT_TRUE(f.Picture4[0].widget()->hasFocus());
}

// Each panel's 确定, 取消 and 删除, the ruler and its markers, by clicks and keys.
TEST_F(ClicksTest, PanelsAndRulerByClicks) {
    Form1& f = startShown();
    write("one.mid", kOneNoteMidi);
    double loopStartLeft = 0;
    auto closed = [&](vb::Control& panel) { return [&panel] { return !panel.Visible(); }; };
    run({
        // Song settings: 确定 stores what was typed, 取消 drops it.
        on(f.Command2[12], [&] { return f.song->SongLength == 3840 && !f.Frame2.Visible(); },
           [&] { click(f.Command2[6]); type(f.Text1[1], "60"); }),
        on(f.Command2[11], [&] { return f.song->SongLength == 3840 && !f.Frame2.Visible(); },
           [&] { click(f.Command2[6]); type(f.Text1[1], "90"); }),
        // The ruler: a click locates, the markers open their panels.
        {[&] { locate(); }, "",
         [&] { return f.song->CursorTick > 0 && std::abs(f.Line4.X1() - 500) < 30; }},
        on(f.Command2[14], [&] { return f.song->TempoLastIndex == 1 && f.Label6[1].Caption() == "92.5"; },
           [&] { trackKey(Qt::Key_T); type(f.Text1[3], "92.5"); }),
        on(f.Command2[9], [&] { return f.song->TimeSigLastIndex == 1; }, [&] { trackKey(Qt::Key_R); down(f.Combo3[0]); }),
        on(f.Command2[15], [&] { return f.song->KeyChangeLastIndex == 1; }, [&] { trackKey(Qt::Key_V); down(f.Combo3[1]); }),
        on(f.Command2[13], closed(f.Picture2[1]), [&] { trackKey(Qt::Key_T); }),
        on(f.Command2[10], closed(f.Picture2[0]), [&] { trackKey(Qt::Key_R); }),
        on(f.Command2[16], closed(f.Picture2[2]), [&] { trackKey(Qt::Key_V); }),
        on(f.Label6[1], [&] { return f.Picture2[1].Visible() && f.Command2[18].Visible(); }),
        on(f.Command2[18], [&] { return f.song->TempoLastIndex == 0 && f.Picct.Enabled(); }),
        on(f.LabJP[1], [&] { return f.Picture2[0].Visible() && f.Command2[17].Visible(); }),
        on(f.Command2[17], [&] { return f.song->TimeSigLastIndex == 0; }),
        on(f.Labdh[1], [&] { return f.Picture2[2].Visible() && f.Command2[19].Visible(); }),
        on(f.Command2[19], [&] { return f.song->KeyChangeLastIndex == 0; }),
        // With the loop switch on, Shift+click on the ruler sets the loop start.
        on(f.Check3[2], [&] { return f.Check3[2].Value() == 1; }, [&] { loopStartLeft = f.Label10[0].Left(); }),
        {[&] { click(f.Picture1.widget(), Qt::ShiftModifier, QPoint(700, 20)); }, "",
         [&] { return f.Label10[0].Left() != loopStartLeft; }},
        // System settings and the keyboard-entry panel inside it.
        on(f.Command2[5], [&] { return f.Frame3.Visible(); }, [&] { waitForTheStartUpWindowToEnd(); }),
        on(f.Command1, [&] { return dialogs.calls.back().kind == "Font"; }),
        on(f.Command2[22], [&] { return f.Picture14.Visible(); }),
        on(f.Command2[23], closed(f.Picture14)),
        on(f.Command2[24], [&] { return !f.Picture14.Visible() && QFileInfo::exists(path("keyset.dat")); },
           [&] { click(f.Command2[22]); }),
        on(f.Command2[20], [&] { return f.SettingsChanged == -1 && !f.Frame3.Visible(); }),
        // MIDI import: a row's target chosen with the keyboard, a click on the panel hides the
        // chooser, 导入 brings the note in; 取消 closes a panel opened again.
        on(f.Label17[1], [&] { return f.Combo4.Top() >= 0; },
           [&] { dialogs.fileAnswers.push_back(path("one.mid")); click(f.Command4[4]); }),
        {[&] { click(f.Picture10.widget(), {}, FreePoint(f.Picture10.widget())); }, "Picture10",
         [&] { return f.Combo4.Top() == -200; }},
        on(f.Label17[1], [&] { return f.Combo4.Top() >= 0; }),
        {[&] { down(f.Combo4); }, "Combo4", [&] { return f.Label17[1].Caption() != "不导入"; }},
        on(f.Command4[9], [&] {
            int notes = 0;
            for (int p = 1; p <= f.song->PartCount; ++p) notes += f.song->Parts[p].NoteCount;
            return notes == 1;
        }),
        on(f.Command4[10], closed(f.Picture10), [&] {
            dialogs.fileAnswers.push_back(path("one.mid"));
            click(f.Command4[4]);
        }),
    });
}

// The part header column: mode button, the three switches, the colour swatch, adding a part.
TEST_F(ClicksTest, PartHeadersByClicks) {
    Form1& f = startShown();
    const doc::PartRecord& p2 = f.song->Parts[2];
    const uint8_t show = p2.ShowInScore, midiOn = p2.MidiOn, audioOn = p2.AudioOn;
    const int count = f.song->PartCount;
    run({
        on(f.Command11[2], [&] { return f.Command11[2].Caption() == "音"; }),
        on(f.Check1[2], [&] { return p2.ShowInScore != show; }),
        on(f.Check1[22], [&] { return p2.MidiOn != midiOn; }),
        on(f.Check1[32], [&] { return p2.AudioOn != audioOn; }),
        on(f.Label11[2], [&] { return p2.Colour == vb::RGB(0, 255, 0); },
           [&] { dialogs.colorAnswers.push_back(vb::RGB(0, 255, 0)); }),
        on(f.Label12, [&] { return f.song->PartCount == count + 1; }),
    });
}

// A label keeps its presses from the picture box that holds it: a change marker opens its panel
// and the cursor stays; a part name selects its part as the header column does; loop markers,
// volume bars and title-block fields leave the ruler, the header column and the title block alone.
TEST_F(ClicksTest, LabelsKeepTheirPressesFromTheirContainers) {
    Form1& f = startShown();
    locate();
    trackKey(Qt::Key_T);
    type(f.Text1[3], "92.5");
    click(f.Command2[14]);
    click(f.Picture1.widget(), {}, QPoint(200, 20));
    const int32_t cursor = f.song->CursorTick;
    click(f.Label6[1]);
    EXPECT_TRUE(f.Picture2[1].Visible() && f.Command2[18].Visible());
    EXPECT_EQ(f.song->CursorTick, cursor);
    click(f.Command2[13]);
    click(f.Label2[2]);
    EXPECT_EQ(f.song->CurrentPart, 2);
    EXPECT_EQ(f.Shape1[1].Top(), f.song->Parts[2].StripTop);
    for (vb::Control* label : std::initializer_list<vb::Control*>{&f.Label10[1], &f.Label4[3], &f.Label19[1]}) {
        QTest::mouseDClick(label->widget(), Qt::LeftButton, {}, QPoint(2, 2));
        click(label->widget(), {}, QPoint(2, 2));
        EXPECT_TRUE(f.song->CursorTick == cursor && f.song->CurrentPart == 2 && f.Picture13.Visible())
            << label->widget()->objectName().toStdString();
    }
}

// A click on a label leaves the keyboard focus where it was: after a plain click on a loop marker
// the track view still takes its shortcuts from the keyboard. The click comes in through the
// window, as the system's clicks do.
TEST_F(ClicksTest, ClickOnALabelLeavesTheFocusWhereItWas) {
    Form1& f = startShown();
    locate();
    click(f.Check3[2]);
    click(f.Picture1.widget(), Qt::ShiftModifier, QPoint(700, 20));
    QWidget* marker = f.Label10[0].widget();
    ASSERT_EQ(f.childAt(marker->mapTo(&f, QPoint(2, 2))), marker);
    ASSERT_TRUE(f.Picture4[0].widget()->hasFocus());
    QTest::mouseClick(f.windowHandle(), Qt::LeftButton, {}, marker->mapTo(&f, QPoint(2, 2)));
    EXPECT_TRUE(f.Picture4[0].widget()->hasFocus());
    QTest::keyClick(f.windowHandle(), Qt::Key_T, Qt::ControlModifier);
    EXPECT_TRUE(f.Picture2[1].Visible());
}
