// What the window shows at 1024 × 768: panels over what lies beneath them, the track view's scrolling,
// captions that fit their controls, the ruler's marker rows, Qt's Chinese dialog texts and the end
// of the program on SIGTERM and SIGINT.
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QStyleOptionButton>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QWheelEvent>
#include <csignal>

#include "app/form1_fixture.h"
#include "app/startup.h"
#include "document/songcodes.h"
#include "document/timeline.h"
#include "platform/dialogs.h"
#include "platform/surface.h"
#include "platform/vbtext.h"

using app::Form1;

class ScreenTest : public Form1Test {
protected:
    Form1& startShown() {
        app::installFonts(PROGRAM_DIR);
        Form1& f = start();
        f.Timload_Timer();
        f.show();
        return f;
    }
    // The control the window's hit test finds at the centre of `c` is `c` or inside it.
    static bool HitAtCentre(Form1& f, const vb::Control& c) {
        QWidget* w = c.widget();
        QWidget* hit = f.childAt(w->mapTo(&f, w->rect().center()));
        return hit == w || (hit && w->isAncestorOf(hit));
    }
    // `delta` in eighths of a degree: 120 is one notch of a wheel, up.
    static void Wheel(QWidget* w, int delta) {
        const QPointF at = QPointF(w->rect().center());
        QWheelEvent e(at, w->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(w, &e);
    }
};

// Every control a panel shows, not parked outside it, is reached at its centre; the panels are shown
// one at a time, as the commands show them.
TEST_F(ScreenTest, NothingCoversTheControlsOfAShownPanel) {
    Form1& f = startShown();
    // Picture14 lies in Frame3, which stays shown with it.
    for (vb::Control* panel : std::initializer_list<vb::Control*>{&f.Frame2, &f.Picture2[0], &f.Picture2[1],
                                                                  &f.Picture2[2], &f.Picture16, &f.Picture10,
                                                                  &f.Picture13, &f.Frame3, &f.Picture14}) {
        panel->SetVisible(true);
        QWidget* w = panel->widget();
        for (QWidget* c : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (c->isHidden() || !w->rect().contains(c->geometry().center())) continue;
            QWidget* hit = f.childAt(c->mapTo(&f, c->rect().center()));
            EXPECT_TRUE(hit == c || c->isAncestorOf(hit)) << c->objectName().toStdString() << " under "
                                                          << (hit ? hit->objectName().toStdString() : "-");
        }
        if (panel != &f.Frame3) panel->SetVisible(false);
    }
}

// The piano roll's tool panel while playing: record, play, follow, stop and close side by side.
TEST_F(ScreenTest, TheRollToolPanelShowsEveryButtonWhilePlaying) {
    Form1& f = startShown();
    QTest::mouseClick(f.Command4[5].widget(), Qt::LeftButton);
    ASSERT_TRUE(f.Picture6.Visible());
    f.Command3.SetVisible(true);  // shown while playing
    for (vb::Control* c : std::initializer_list<vb::Control*>{&f.Chely, &f.Check2, &f.Chegd, &f.Command3, &f.Command5})
        EXPECT_TRUE(HitAtCentre(f, *c)) << c->widget()->objectName().toStdString();
}

// The bar and the wheel bring the last strip and "添加一个新声部" into view above the title block;
// the ruler stays whole over the moved strips.
TEST_F(ScreenTest, TheTrackViewScrollsToEveryPart) {
    Form1& f = startShown();
    const int band = int(f.Picture13.Top()) - Form1::kTrackViewTop;
    for (int parts = 5; parts <= 8; ++parts) {
        if (parts > 5) QTest::mouseClick(f.Label12.widget(), Qt::LeftButton, {}, QPoint(4, 4));
        ASSERT_EQ(f.song->PartCount, parts);
        EXPECT_EQ(f.VScroll1.Max(), std::max(0, int(f.Label1.Height()) - band)) << parts;
        Wheel(f.Picture4[0].widget(), -20 * 120);
        EXPECT_EQ(f.Label1.Top(), Form1::kTrackViewTop - f.VScroll1.Max());
        EXPECT_EQ(f.Picture3.Top(), f.Label1.Top());
        EXPECT_TRUE(HitAtCentre(f, f.Label12) && HitAtCentre(f, f.Label2[parts])) << parts;
        EXPECT_LE(f.Label1.Top() + f.Label12.Top() + f.Label12.Height(), f.Picture13.Top()) << parts;
        EXPECT_EQ(f.childAt(500, 20), f.Picture1.widget());
    }
    Wheel(f.Label2[3].widget(), 20 * 120);  // over the headers, up
    EXPECT_EQ(f.VScroll1.Value(), 0);
    // A touchpad's finer steps add up to notches.
    for (int i = 0; i < 5; ++i) Wheel(f.Picture4[1].widget(), -30);
    EXPECT_EQ(f.VScroll1.Value(), f.VScroll1.SmallChange());
    // Deleting parts shortens the range and brings the strips back.
    f.VScroll1.SetValue(f.VScroll1.Max());
    f.song->PartCount = 5;
    f.ArrangePartStrips();
    EXPECT_EQ(f.VScroll1.Max(), 0);
    EXPECT_EQ(f.Label1.Top(), Form1::kTrackViewTop);
}

// The header boxes show their whole captions left of the control beside them; a lyric box is as wide
// as a character of the default lyric font.
TEST_F(ScreenTest, CaptionsFitTheirControls) {
    Form1& f = startShown();
    for (int p = 1; p <= doc::kMaxParts; ++p) {
        // Each box and where the next control of its row begins.
        const std::pair<int, double> rows[] = {
            {20 + p, f.Check1[30 + p].Left()}, {30 + p, f.Command11[p].Left()}, {p, f.Label1.Width()}};
        for (const auto& [index, room] : rows) {
            auto* box = static_cast<QCheckBox*>(f.Check1[index].widget());
            QStyleOptionButton option;
            option.initFrom(box);
            option.text = box->text();
            const QRect text = box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
            const int width = box->fontMetrics().horizontalAdvance(box->text());
            EXPECT_LE(width, text.width()) << index;
            EXPECT_LE(box->x() + text.left() + width, room) << index;
        }
    }
    const QFontMetrics lyric(f.Label9.widget()->font());
    for (const char* ch : {"晚", "风", "字"})
        EXPECT_GE(f.LyricCharWidth, lyric.horizontalAdvance(QString::fromUtf8(ch))) << ch;
}

// On a work area shorter than the screen (768 less a task bar of 26) the window's bottom stays in
// view: the buttons of "系统" and the clock one under the other inside their group, the title block.
TEST_F(ScreenTest, AShortWorkAreaKeepsTheClockAndTheTitleBlockInView) {
    Form1& f = build(services(dir.path(), 1024, 742));
    f.show();
    const auto inWindow = [&](const vb::Control& c) { return QRect(c.widget()->mapTo(&f, QPoint()), c.widget()->size()); };
    const QRect group = inWindow(f.Frame1[4]);
    EXPECT_LE(group.bottom(), f.height() - 1);
    QRect above = inWindow(f.Frame1[3]);
    for (int index : {0, 2, 1, 8, 25, 5, 7, 26, 4, -1}) {
        const QRect r = inWindow(index < 0 ? static_cast<const vb::Control&>(f.Command14) : f.Command2[index]);
        EXPECT_TRUE(group.contains(r)) << index;
        EXPECT_GT(r.top(), above.bottom()) << index;
        EXPECT_GE(r.height(), 15) << index;
        above = r;
    }
    EXPECT_EQ(inWindow(f.Picture13), QRect(103, 742 - 41, 921, 41));
}

// The key of "信息显示" keeps to one line on its row, right of its caption and inside the group, in
// the row's key font for every key and its octave-lower twin ("低…"); a name too long for the row
// drops its spaces.
TEST_F(ScreenTest, TheKeyOfThePositionDisplayFitsItsRow) {
    Form1& f = startShown();
    const vb::Label& key = f.Label3[17];
    const vb::Label& caption = f.Label3[12];
    const int captionRight = int(caption.Left()) + QFontMetrics(caption.widget()->font()).horizontalAdvance("调号");
    EXPECT_GE(key.Left(), captionRight + 2);
    EXPECT_LE(key.Left() + key.Width(), f.Frame1[0].Width() - 1);
    for (int code = -12; code < 12; ++code) {
        const QString text = code < 0 ? "低" + doc::KeyName(code + 12) : doc::KeyName(code);
        f.ShowKeyText(text);
        const QFontMetrics m(key.widget()->font());
        EXPECT_EQ(key.Caption(), code < 0 ? QString(text).remove(' ') : text);
        EXPECT_LE(m.horizontalAdvance(key.Caption()), key.Width()) << text.toStdString();
        EXPECT_LE(m.height(), key.Height()) << text.toStdString();
        EXPECT_EQ(key.FontSize(), Form1::kKeyFontSize) << text.toStdString();
    }
}

// A box with a short message is as wide as its title needs in a window manager's title bar, beside
// the bar's icon and buttons, given or taken from the program's name.
TEST_F(ScreenTest, ShortMessageBoxesLeaveTheirTitleRoom) {
    Form1& f = startShown();
    vb::QtDialogs real(&f);
    const std::pair<const char*, const char*> boxes[] = {{"字体太大", ""}, {"导入完成", "提示"}, {"打印已经发送", "提示"}};
    for (const auto& [prompt, title] : boxes) {
        int width = 0, needed = 0;
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            ASSERT_NE(box, nullptr);
            QFont bar = box->font();
            bar.setBold(true);
            needed = QFontMetrics(bar).horizontalAdvance(box->windowTitle()) + vb::kTitleBarControlsWidth;
            width = box->width();
            box->close();
        });
        real.MsgBox(prompt, vb::vbOKOnly, title);
        EXPECT_GE(width, needed) << prompt;
    }
}

// Boxes given no title show the program's name, the main window's caption; a given title stays.
TEST_F(ScreenTest, BoxesWithoutATitleShowTheProgramsName) {
    Form1& f = startShown();
    vb::QtDialogs real(&f);
    struct Case { const char* title; const char* shown; bool input; } cases[] = {
        {"", "合唱排练", false}, {"提示", "提示", false}, {"", "合唱排练", true}, {"请输入信息", "请输入信息", true}};
    for (const Case& c : cases) {
        QString seen;
        bool onTop = false;
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            ASSERT_NE(box, nullptr);
            seen = box->windowTitle();
            onTop = box->windowFlags() & Qt::WindowStaysOnTopHint;
            box->close();
        });
        if (c.input) real.InputBoxOrCancel("", c.title);
        else real.MsgBox("没有找到字体：Qelto", vb::vbOKOnly, c.title);
        EXPECT_EQ(seen, c.shown) << c.title;
        EXPECT_TRUE(onTop) << c.title;  // above the page and lyrics windows
    }
    EXPECT_EQ(f.windowTitle(), "合唱排练");
}

// The page window and the lyrics window are owned by the main window (transient for it on X11), on
// top, and shown without taking the activation.
TEST_F(ScreenTest, PageAndLyricsWindowsAreOwnedByTheMainWindow) {
    Form1& f = startShown();
    QTest::mouseClick(f.Command4[1].widget(), Qt::LeftButton);
    QTest::mouseClick(f.Command4[0].widget(), Qt::LeftButton);
    for (QWidget* w : std::initializer_list<QWidget*>{&f.Form3(), &f.Form2()}) {
        SCOPED_TRACE(w->objectName().toStdString());
        ASSERT_TRUE(w->isVisible());
        EXPECT_TRUE(w->isWindow());
        EXPECT_EQ(w->parentWidget(), &f);
        EXPECT_EQ(w->windowType(), Qt::Dialog);
        EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
        EXPECT_TRUE(w->testAttribute(Qt::WA_ShowWithoutActivating));
        ASSERT_NE(w->windowHandle(), nullptr);
        EXPECT_EQ(w->windowHandle()->transientParent(), f.windowHandle());
    }
}

// Markers lie whole inside the 36-pixel ruler, each kind in its own row, no tempo marker covers a bar
// number, and the editor-window box, hidden until the piano roll shows it, lies under them.
TEST_F(ScreenTest, RulerMarkersFitTheirRowsOverTheEditorWindowBox) {
    Form1& f = startShown();
    EXPECT_FALSE(f.Label14.widget()->isVisible() || f.Shape2.widget()->isVisible());
    f.Label14.Move(0, 0, 1024, 36);
    f.Label14.SetVisible(true);
    f.Shape2.SetVisible(true);
    doc::Song& s = *f.song;
    for (int i = 1; i <= 6; ++i) {
        s.TempoChangeTicks[i] = 768 * i;
        s.TempoChangeBpm[i] = float(60 + 10 * i);
        s.KeyChangeTicks[i] = 768 * i;
        s.KeyChangeKeys[i] = int16_t(i % 2 ? -i : i);
    }
    s.TimeSigTicks[1] = 768 * 3;
    s.TimeSigCodes[1] = doc::TimeSigTextToCode("3/4");
    s.TempoLastIndex = s.KeyChangeLastIndex = 6;
    s.TimeSigLastIndex = 1;
    f.RebuildTimeline();
    const doc::RulerMarks marks = doc::ComputeRulerMarks(s, f.Picture1.Width());
    const QFontMetrics numbers(vb::ScreenFont(f.Picture1.FontName(), f.Picture1.FontSize(), false, false));
    std::vector<QRect> numberRects;
    for (const doc::RulerNumber& n : marks.numbers)
        numberRects.emplace_back(int(n.x), 12, numbers.horizontalAdvance(vb::PrintNumber(n.number)), numbers.height());
    std::vector<std::pair<int, int>> rows;
    for (auto [pool, shown] : {std::pair{&f.LabJP, 1}, std::pair{&f.Label6, 6}, std::pair{&f.Labdh, 6}}) {
        for (int i = 1; i <= shown; ++i) {
            const QRect m = (*pool)[i].widget()->geometry();
            ASSERT_TRUE((*pool)[i].Visible()) << i;
            EXPECT_TRUE(HitAtCentre(f, (*pool)[i])) << i;
            EXPECT_TRUE(m.top() >= 0 && m.bottom() < 36) << (*pool)[i].Name().toStdString() << i;
            for (const QRect& n : numberRects) EXPECT_FALSE(pool == &f.Label6 && m.intersects(n)) << i;
        }
        rows.emplace_back(int((*pool)[1].Top()), int((*pool)[1].Top() + (*pool)[1].Height()));
    }
    std::sort(rows.begin(), rows.end());
    for (size_t k = 1; k < rows.size(); ++k) EXPECT_LE(rows[k - 1].second, rows[k].first);
}

// Qt's own dialog texts come in Chinese.
TEST(QtTranslations, TheStandardDialogsSpeakChinese) {
    std::unique_ptr<QTranslator> t = app::installQtTranslations();
    ASSERT_TRUE(t);
    for (auto [context, text] : {std::pair{"QPlatformTheme", "OK"}, std::pair{"QPlatformTheme", "Cancel"},
                                 std::pair{"QFileDialog", "Look in:"}, std::pair{"QColorDialog", "&Basic colors"}}) {
        const QString shown = QCoreApplication::translate(context, text);
        EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [](QChar c) { return c.unicode() >= 0x4E00; })) << text;
    }
    QCoreApplication::removeTranslator(t.get());
}

// SIGTERM and SIGINT end the program at once: devices closed, no question, no file written.
TEST_F(ScreenTest, TerminationSignalsEndTheProgramWithoutWritingFiles) {
    for (int sig : {SIGTERM, SIGINT}) {
        Form1& f = startShown();
        quitCalls = midi.closeCalls = 0;
        f.SettingsChanged = -1;  // Exit would write set.ini
        const size_t asked = dialogs.calls.size();
        {
            app::TerminationSignals termination([&f] { f.EndBySignal(); });
            ASSERT_EQ(::raise(sig), 0);
            EXPECT_TRUE(QTest::qWaitFor([&f] { return f.Exited(); }, 15000));  // the signal's note arrives
        }
        EXPECT_TRUE(f.Exited() && quitCalls == 1 && midi.closeCalls == 1 && !midi.open) << sig;
        EXPECT_EQ(dialogs.calls.size(), asked) << sig;
        EXPECT_FALSE(QFile::exists(path("set.ini")) || QFile::exists(path("keyset.dat"))) << sig;
        form.reset();
    }
}
