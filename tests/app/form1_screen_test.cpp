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

// Every control a panel shows, not parked outside it, is reached at its centre; the panels are shown
// one at a time, as the commands show them.
TEST_F(ScreenTest, NothingCoversTheControlsOfAShownPanel) {
    Form1& f = startShown();
    const struct {
        vb::Control* panel;
        vb::Control* outer;  // the panel it lies in, if any
    } panels[] = {{&f.Frame2, nullptr},  {&f.Picture2[0], nullptr}, {&f.Picture2[1], nullptr},
                  {&f.Picture2[2], nullptr}, {&f.Frame3, nullptr}, {&f.Picture14, &f.Frame3},
                  {&f.Picture16, nullptr}, {&f.Picture10, nullptr}, {&f.Picture13, nullptr}};
    for (const auto& p : panels) {
        if (p.outer) p.outer->SetVisible(true);
        p.panel->SetVisible(true);
        QWidget* panel = p.panel->widget();
        for (QWidget* c : panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (c->isHidden() || !panel->rect().contains(c->geometry().center())) continue;
            QWidget* hit = f.childAt(c->mapTo(&f, c->rect().center()));
            EXPECT_TRUE(hit == c || c->isAncestorOf(hit))
                << p.panel->Name().toStdString() << ": " << c->objectName().toStdString() << " under "
                << (hit ? hit->objectName().toStdString() : "nothing");
        }
        if (p.panel != &f.Picture13) p.panel->SetVisible(false);
        if (p.outer) p.outer->SetVisible(false);
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
