// What the window shows at 1024 × 768: panels over what lies beneath them, the track view's scrolling,
// captions that fit their controls, the ruler's marker rows, Qt's Chinese dialog texts and the end
// of the program on SIGTERM and SIGINT.
#include <QCheckBox>
#include <QCoreApplication>
#include <QStyleOptionButton>
#include <QTest>
#include <QTranslator>
#include <QWheelEvent>
#include <csignal>

#include "app/form1_fixture.h"
#include "app/startup.h"
#include "document/songcodes.h"
#include "document/timeline.h"
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

// Every control of an open panel is what a click at its centre reaches.
TEST_F(ScreenTest, EachPanelStandsOverWhatLiesBeneathIt) {
    Form1& f = startShown();
    struct Case {
        const char* panel;
        std::function<void()> open;
        std::vector<const vb::Control*> controls;
    };
    std::vector<const vb::Control*> keys{&f.Command2[23], &f.Command2[24]};
    for (int i = 0; i < 6; ++i) keys.insert(keys.end(), {&f.Labkey[i], &f.Labkeyt[i]});
    std::vector<const vb::Control*> settings{&f.Command2[20], &f.Command2[22], &f.Command1, &f.Label9};
    for (int i = 2; i <= 10; ++i) settings.push_back(&f.HScroll3[i]);
    for (int i = 0; i < 13; ++i) settings.push_back(&f.Label15[i]);
    const Case cases[] = {
        {"song settings", [&] { f.Command2_Click(6); },
         {&f.Text1[0], &f.Text1[1], &f.Text1[2], &f.Combo1, &f.Combo3[2], &f.Check6[1], &f.Command2[11], &f.Command2[12]}},
        {"time signature", [&] { f.Command2_Click(11); f.Picture2[0].SetVisible(true); },
         {&f.Combo3[0], &f.Command2[9], &f.Command2[10]}},
        {"tempo", [&] { f.Picture2[0].SetVisible(false); f.Picture2[1].SetVisible(true); },
         {&f.Text1[3], &f.Command2[14], &f.Command2[13]}},
        {"key", [&] { f.Picture2[1].SetVisible(false); f.Picture2[2].SetVisible(true); },
         {&f.Combo3[1], &f.Check6[0], &f.Command2[15], &f.Command2[16]}},
        {"settings", [&] { f.Picture2[2].SetVisible(false); f.Command2_Click(5); }, settings},
        {"keyboard entry", [&] { f.Command2_Click(22); }, keys},
    };
    for (const Case& c : cases) {
        c.open();
        for (const vb::Control* control : c.controls)
            EXPECT_TRUE(HitAtCentre(f, *control)) << c.panel << ": " << control->Name().toStdString() << "("
                                                  << control->Index() << ")";
    }
}

// The editor-window box shows with the piano roll only, and never covers a change marker.
TEST_F(ScreenTest, TheEditorWindowBoxHidesUntilThePianoRollAndLiesUnderTheMarkers) {
    Form1& f = startShown();
    EXPECT_FALSE(f.Label14.widget()->isVisible());
    EXPECT_FALSE(f.Shape2.widget()->isVisible());
    f.song->TempoChangeTicks[1] = 192;
    f.song->TempoChangeBpm[1] = 100;
    f.song->TempoLastIndex = 1;
    f.RebuildTimeline();
    // Shown over the marker, as the piano roll shows it.
    f.Label14.Move(0, 0, 300, 36);
    f.Label14.SetVisible(true);
    f.Shape2.SetVisible(true);
    EXPECT_TRUE(HitAtCentre(f, f.Label6[1]));
}

// The bar and the wheel bring the last strip and "添加一个新声部" into view above the title block;
// the ruler stays whole over the moved strips.
TEST_F(ScreenTest, TheTrackViewScrollsToEveryPart) {
    Form1& f = startShown();
    const int band = int(f.Picture13.Top()) - Form1::kTrackViewTop;
    for (int parts = 5; parts <= 8; ++parts) {
        if (parts > 5) QTest::mouseClick(f.Label12.widget(), Qt::LeftButton, {}, QPoint(4, 4));
        ASSERT_EQ(f.song->PartCount, parts);
        const int content = int(f.Label1.Height());
        EXPECT_EQ(f.VScroll1.Max(), std::max(0, content - band)) << parts;
        Wheel(f.Picture4[0].widget(), -20 * 120);
        EXPECT_EQ(f.VScroll1.Value(), f.VScroll1.Max()) << parts;
        EXPECT_EQ(f.Label1.Top(), Form1::kTrackViewTop - f.VScroll1.Max());
        EXPECT_EQ(f.Picture3.Top(), f.Label1.Top());
        for (const vb::Control* c : {static_cast<const vb::Control*>(&f.Label12), static_cast<const vb::Control*>(&f.Label2[parts])}) {
            EXPECT_TRUE(HitAtCentre(f, *c)) << parts;
            const int bottom = int(f.Label1.Top() + c->Top() + c->Height());
            EXPECT_LE(bottom, f.Picture13.Top()) << parts;
        }
        EXPECT_EQ(f.childAt(500, 20), f.Picture1.widget());
    }
    Wheel(f.Label2[3].widget(), 20 * 120);  // over the headers, up
    EXPECT_EQ(f.VScroll1.Value(), 0);
    EXPECT_TRUE(HitAtCentre(f, f.Label2[1]));
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
        const struct {
            int box;
            double room;  // where the next control of the row begins
        } rows[] = {{20 + p, f.Check1[30 + p].Left()}, {30 + p, f.Command11[p].Left()}, {p, f.Label1.Width()}};
        for (const auto& r : rows) {
            auto* box = static_cast<QCheckBox*>(f.Check1[r.box].widget());
            QStyleOptionButton option;
            option.initFrom(box);
            option.text = box->text();
            const QRect text = box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
            const int width = box->fontMetrics().horizontalAdvance(box->text());
            EXPECT_LE(width, text.width()) << r.box;
            EXPECT_LE(box->x() + text.left() + width, r.room) << r.box;
        }
    }
    const QFontMetrics lyric(f.Label9.widget()->font());
    for (const char* ch : {"晚", "风", "字"})
        EXPECT_GE(f.LyricCharWidth, lyric.horizontalAdvance(QString::fromUtf8(ch))) << ch;
}

// Markers lie whole inside the 36-pixel ruler, each kind in its own row, and no tempo marker covers a
// bar number.
TEST_F(ScreenTest, RulerMarkersFitTheirRows) {
    Form1& f = startShown();
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
    const struct {
        vb::ControlArray<vb::Label>* pool;
        int shown;
    } pools[] = {{&f.LabJP, 1}, {&f.Label6, 6}, {&f.Labdh, 6}};
    std::vector<std::pair<int, int>> rows;
    for (const auto& p : pools) {
        for (int i = 1; i <= p.shown; ++i) {
            const vb::Label& m = (*p.pool)[i];
            ASSERT_TRUE(m.Visible()) << m.Name().toStdString() << i;
            EXPECT_GE(m.Top(), 0);
            EXPECT_LE(m.Top() + m.Height(), 36) << m.Name().toStdString() << i;
            if (p.pool == &f.Label6)
                for (const QRect& n : numberRects) EXPECT_FALSE(m.widget()->geometry().intersects(n)) << i;
        }
        rows.emplace_back(int((*p.pool)[1].Top()), int((*p.pool)[1].Top() + (*p.pool)[1].Height()));
    }
    std::sort(rows.begin(), rows.end());
    for (size_t k = 1; k < rows.size(); ++k) EXPECT_LE(rows[k - 1].second, rows[k].first);
}

// Qt's own dialog texts come in Chinese.
TEST(QtTranslations, TheStandardDialogsSpeakChinese) {
    std::unique_ptr<QTranslator> t = app::installQtTranslations();
    ASSERT_TRUE(t);
    const struct {
        const char* context;
        const char* text;
    } texts[] = {{"QPlatformTheme", "OK"}, {"QPlatformTheme", "Cancel"}, {"QFileDialog", "Look in:"},
                 {"QColorDialog", "&Basic colors"}};
    for (const auto& x : texts) {
        const QString shown = QCoreApplication::translate(x.context, x.text);
        EXPECT_NE(shown, QString::fromLatin1(x.text)) << x.text;
        EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [](QChar c) { return c.unicode() >= 0x4E00; })) << x.text;
    }
    QCoreApplication::removeTranslator(t.get());
}

// SIGTERM and SIGINT end the program at once: devices closed, no question, no file written.
TEST_F(ScreenTest, TerminationSignalsEndTheProgramWithoutWritingFiles) {
    for (int sig : {SIGTERM, SIGINT}) {
        Form1& f = startShown();
        quitCalls = 0;
        f.SettingsChanged = -1;  // Exit would write set.ini
        const size_t asked = dialogs.calls.size();
        const int closed = midi.closeCalls;
        {
            app::TerminationSignals termination([&f] { f.EndBySignal(); });
            ASSERT_EQ(::raise(sig), 0);
            for (int i = 0; i < 100 && !f.Exited(); ++i) QTest::qWait(10);
        }
        EXPECT_TRUE(f.Exited()) << sig;
        EXPECT_EQ(quitCalls, 1) << sig;
        EXPECT_EQ(midi.closeCalls, closed + 1) << sig;
        EXPECT_FALSE(midi.open) << sig;
        EXPECT_EQ(dialogs.calls.size(), asked) << sig;
        EXPECT_FALSE(QFile::exists(path("set.ini"))) << sig;
        EXPECT_FALSE(QFile::exists(path("keyset.dat"))) << sig;
        form.reset();
    }
}
