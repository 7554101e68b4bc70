// "导出简谱", "打印" and the page window's markers, by clicks on the main window and the pages.
#include "app/form1_fixture.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QtTest/QTest>

#include "platform/surface.h"
#include "typeset/markerpictures.h"

using namespace app;

namespace {
// A recording printer in points whose log outlives it; it can fail at its first new page.
class LoggedPrinter : public vb::RecordingSurface {
public:
    LoggedPrinter(QStringList& out, bool failAtNewPage) : out_(out), fail_(failAtNewPage) { SetUnitScale(0.75); }
    void NewPage() override {
        if (fail_) throw vb::PrinterError("纸张用完");
        RecordingSurface::NewPage();
    }
    void EndDoc() override {
        RecordingSurface::EndDoc();
        out_ = Log();
    }

private:
    QStringList& out_;
    bool fail_;
};
}  // namespace

class PrintTest : public Form1Test {
protected:
    QStringList messages() const {
        QStringList out;
        for (const auto& c : dialogs.MsgBoxCalls()) out << c.prompt;
        return out;
    }
    // A song of `bars` bars of 4/4 (three bars a system, three systems a page), laid out by "排版".
    Form1& song(int bars) {
        Form1& f = form ? *form : start();
        f.song->TempoChangeBpm[0] = 80;
        f.song->SongSeconds = bars * 3;
        f.RebuildTimeline();
        f.Command10_Click(2);
        QTest::mouseClick(f.Command10[4].widget(), Qt::LeftButton);
        return f;
    }
    void press(Form1& f, int index) { QTest::mouseClick(f.Command2[index].widget(), Qt::LeftButton); }
    bool exists(const QString& name) const { return QFileInfo::exists(path(name)); }
    QImage image(const QString& name) const { return QImage(path(name)).convertToFormat(QImage::Format_RGB32); }
    QWidget* page(Form1& f, int i) { return f.Form3().Picpage[i].widget(); }
};

TEST_F(PrintTest, ExportSavesEveryPageTheFirstWithItsTitleBlockAfterTheTimer) {
    Form1& f = song(24);
    ASSERT_EQ(f.Page.LastPage, 2);
    typeset::Form3& w = f.Form3();
    const double titleLeft = w.Label1[0].Left();
    f.Timer5.SetEnabled(true);  // the throttle runs and the pages wait for typesetting
    ASSERT_TRUE(f.song->NeedsRetypeset);
    dialogs.fileAnswers.push_back(path("歌"));
    press(f, 25);
    const auto& save = dialogs.calls.back().file;
    EXPECT_EQ(save.title, "文件名");
    EXPECT_EQ(save.fileName, f.Label19[0].Caption());
    EXPECT_EQ(save.filter, "");
    EXPECT_TRUE(exists("歌 第2页.bmp") && exists("歌 第3页.bmp"));
    EXPECT_FALSE(exists("歌 第1页.bmp"));
    EXPECT_EQ(w.WindowState(), 0);
    vb::testing::AdvanceClock(199);
    EXPECT_FALSE(exists("歌 第1页.bmp"));
    vb::testing::AdvanceClock(1);
    ASSERT_TRUE(exists("歌 第1页.bmp"));
    EXPECT_FALSE(f.Timdcjp.Enabled());
    for (int n = 1; n <= 3; ++n) EXPECT_EQ(image(QString("歌 第%1页.bmp").arg(n)).size(), QSize(796, 1126)) << n;
    // Typeset past the throttle: page 2 holds the score, exactly as the page shows it (no number, no marker).
    EXPECT_FALSE(f.song->NeedsRetypeset);
    const QImage p2 = w.Picpage[1].Canvas().Image().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(image("歌 第2页.bmp"), p2);
    EXPECT_NE(p2, w.Picpage[1].Canvas().Picture().convertToFormat(QImage::Format_RGB32));
    // Page 1 carries the title block; the labels stay where they were.
    EXPECT_NE(image("歌 第1页.bmp"), w.Picpage[0].Canvas().Image().convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(w.Label1[0].Left(), titleLeft);
    EXPECT_TRUE(messages().isEmpty());

    // A page that cannot be written is named; the others are written.
    QDir(dir.path()).mkdir("谱 第3页.bmp");
    dialogs.fileAnswers.push_back(path("谱"));
    press(f, 25);
    EXPECT_TRUE(messages().isEmpty());
    vb::testing::AdvanceClock(200);
    EXPECT_EQ(messages(), QStringList{"页面图片无法保存:" + path("谱 第3页.bmp")});
    EXPECT_TRUE(exists("谱 第1页.bmp") && exists("谱 第2页.bmp"));
}

TEST_F(PrintTest, PagesThatCannotBeWrittenAreNamedInOneMessageAfterTheOthersAreWritten) {
    struct Case {
        const char* base;
        QStringList blocked;  // names taken by folders, so those pages cannot be written
        QStringList written;
        const char* failed;   // the pages the message names, "" for no message
    };
    const Case cases[] = {
        {"gone/歌", {}, {}, " 第1-3页.bmp"},
        {"甲", {"甲 第1页.bmp", "甲 第3页.bmp"}, {"甲 第2页.bmp"}, " 第1、3页.bmp"},
        {"乙", {"乙 第2页.bmp"}, {"乙 第1页.bmp", "乙 第3页.bmp"}, " 第2页.bmp"},
        {"丙", {}, {"丙 第1页.bmp", "丙 第2页.bmp", "丙 第3页.bmp"}, ""},
    };
    Form1& f = song(24);
    ASSERT_EQ(f.Page.LastPage, 2);
    for (const Case& c : cases) {
        for (const QString& name : c.blocked) QDir(dir.path()).mkdir(name);
        dialogs.calls.clear();
        dialogs.fileAnswers.push_back(path(c.base));
        press(f, 25);
        EXPECT_TRUE(messages().isEmpty()) << c.base;  // no box per page
        vb::testing::AdvanceClock(200);
        EXPECT_FALSE(f.Timdcjp.Enabled()) << c.base;
        const QStringList want = *c.failed ? QStringList{"页面图片无法保存:" + path(c.base) + c.failed} : QStringList{};
        EXPECT_EQ(messages(), want) << c.base;
        for (const QString& name : c.written) EXPECT_TRUE(QFileInfo(path(name)).isFile()) << name.toStdString();
    }
}

TEST_F(PrintTest, ExportOfOnePageInLandscapeAndCancel) {
    Form1& f = start();
    QTest::mouseClick(f.Option1[1].widget(), Qt::LeftButton, {}, QPoint(5, 5));
    song(1);
    ASSERT_EQ(f.Page.LastPage, 0);
    press(f, 25);  // cancelled
    EXPECT_EQ(f.Form3().WindowState(), 0);
    dialogs.fileAnswers.push_back(path("歌"));
    press(f, 25);
    vb::testing::AdvanceClock(200);
    EXPECT_EQ(QDir(dir.path()).entryList({"*.bmp"}), QStringList{"歌 第1页.bmp"});
    EXPECT_EQ(image("歌 第1页.bmp").size(), QSize(1126, 796));
}

// "导出简谱" steps the page window aside and gives it back as it was, saved or cancelled: a window
// never opened stays hidden and never reaches the window system, a shown one shows again, one
// minimised by a double-click on a page stays minimised.
TEST_F(PrintTest, ExportReturnsThePageWindowToTheStateItHad) {
    struct Case { const char* name; bool shown, minimised, save; } cases[] = {
        {"never opened, cancelled", false, false, false}, {"never opened, saved", false, false, true},
        {"shown, cancelled", true, false, false},         {"shown, saved", true, false, true},
        {"minimised, cancelled", true, true, false},      {"minimised, saved", true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        form.reset();
        Form1& f = song(1);
        typeset::Form3& w = f.Form3();
        if (c.shown) QTest::mouseClick(f.Command4[1].widget(), Qt::LeftButton);
        if (c.minimised) QTest::mouseDClick(page(f, 0), Qt::LeftButton, {}, QPoint(150, 60));
        ASSERT_EQ(w.WindowState(), c.minimised ? 1 : 0);
        if (c.save) dialogs.fileAnswers.push_back(path(c.name));
        press(f, 25);
        EXPECT_EQ(dialogs.calls.back().file.title, "文件名");
        EXPECT_EQ(exists(QString(c.name) + " 第1页.bmp") || f.Timdcjp.Enabled(), c.save);
        EXPECT_EQ(w.Visible(), c.shown);
        EXPECT_EQ(w.isVisible(), c.shown && !c.minimised);
        EXPECT_EQ(w.WindowState(), c.minimised ? 1 : 0);
        if (!c.shown) { EXPECT_FALSE(w.testAttribute(Qt::WA_WState_Created)); }
        // "谱" brings a minimised window back in one click.
        if (c.minimised) {
            QTest::mouseClick(f.Command4[1].widget(), Qt::LeftButton);
            EXPECT_TRUE(w.isVisible());
            EXPECT_EQ(w.WindowState(), 0);
        }
    }
}

// A loop set by Alt-clicks on the pages shows there: each marker paints its bracket in the loop
// colour at its beat, on the page that holds it.
TEST_F(PrintTest, ALoopSetOnThePagesPaintsItsMarkers) {
    Form1& f = song(12);
    ASSERT_EQ(f.Page.LastPage, 1);
    QTest::mouseClick(f.Command4[1].widget(), Qt::LeftButton);
    typeset::Form3& w = f.Form3();
    ASSERT_TRUE(w.isVisible());
    const QImage before = page(f, 0)->grab().toImage().convertToFormat(QImage::Format_RGB32);
    f.Check3[2].SetValue(1);
    const typeset::BeatBox& start = f.BeatBoxes[1], &end = f.BeatBoxes[5];
    QTest::mouseClick(page(f, 0), Qt::LeftButton, Qt::AltModifier, QPoint(start.X + 2, start.Y + 5));
    QTest::mouseClick(page(f, 0), Qt::RightButton, Qt::AltModifier, QPoint(end.X + 2, end.Y + 5));
    ASSERT_EQ(f.song->LoopStart, start.Tick);
    const QImage after = page(f, 0)->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb loop = typeset::kLoopMarkerColour;
    // The start marker's bar on the left edge of the first beat, the end marker's left of the beat
    // after the loop.
    const auto boxAt = [&](int32_t tick) { return f.BeatBoxes[size_t(typeset::BeatBoxAtOrBefore(f.BeatBoxes, tick))]; };
    struct Marker { const char* name; const vb::ImageBox& image; int barX; } markers[] = {
        {"start", w.Imal[0], boxAt(f.song->LoopStart).X}, {"end", w.Imar[0], boxAt(f.song->LoopEnd).X - 1}};
    for (const Marker& m : markers) {
        SCOPED_TRACE(m.name);
        EXPECT_EQ(m.image.Height(), int(f.Page.MarkerHeight()));
        // The bar runs down the system at the beat's edge, where the page had no such colour.
        for (int y = int(m.image.Top()); y < int(m.image.Top() + m.image.Height()); y += 7) {
            EXPECT_EQ(after.pixel(m.barX, y), loop) << y;
            EXPECT_NE(before.pixel(m.barX, y), loop) << y;
        }
    }
}

TEST_F(PrintTest, PrintTellsOnlyOfAJobThatWentOut) {
    Form1& f = song(12);
    ASSERT_EQ(f.Page.LastPage, 1);
    press(f, 26);  // the fixture's system has no printer
    EXPECT_EQ(messages(), QStringList{"没有可用的打印机，无法打印！"});

    QStringList log;
    bool failing = true;
    f.PrinterFactory = [&](const typeset::PaperSetup&) { return std::make_unique<LoggedPrinter>(log, failing); };
    press(f, 26);
    EXPECT_EQ(messages().last(), "打印失败：纸张用完");
    EXPECT_TRUE(log.isEmpty());

    // The page pass's boxes, then a print that leaves the throttle and the pending typesetting alone.
    f.TypesetScorePages();
    const std::vector<typeset::BeatBox> boxes = f.BeatBoxes;
    f.BeatBoxes.clear();
    f.song->NeedsRetypeset = -1;
    failing = false;
    press(f, 26);
    EXPECT_EQ(messages().last(), "打印已经发送");
    EXPECT_TRUE(f.song->NeedsRetypeset);
    EXPECT_TRUE(f.Timer5.Enabled());
    ASSERT_EQ(f.BeatBoxes.size(), boxes.size());
    for (size_t v = 0; v < boxes.size(); ++v) EXPECT_EQ(f.BeatBoxes[v].X, boxes[v].X) << v;
    EXPECT_EQ(log.count("NewPage"), 1);
    EXPECT_EQ(log.last(), "EndDoc");
    typeset::Form3& w = f.Form3();
    const QString title = QString("Print %1,%2 \"%3\"").arg(w.Label1[0].Left()).arg(w.Label1[0].Top()).arg(w.Label1[0].Caption());
    const int newPage = int(log.indexOf("NewPage"));
    EXPECT_EQ(log.filter(title).size(), 1);
    EXPECT_LT(log.indexOf(QRegularExpression("^" + QRegularExpression::escape(title))), newPage);
    for (int k = 0; k < 2; ++k) {
        const vb::Label& n = w.Label2[k];
        const QString number = QString("Print %1,%2 \"%3\"; font=%4 %5").arg(n.Left()).arg(n.Top()).arg(n.Caption(),
                                       w.Label2[0].FontName()).arg(w.Label2[0].FontSize());
        const int at = int(log.indexOf(number));
        EXPECT_TRUE(k == 0 ? at >= 0 && at < newPage : at > newPage) << number.toStdString();
    }
}

TEST_F(PrintTest, PrintToPdfGivesOneSheetAPageOnTheChosenPaper) {
    Form1& f = start();
    for (int i = 0; i < f.Combo6.ListCount(); ++i)
        if (f.Combo6.List(i).startsWith("A5")) f.Combo6.SetListIndex(i);
    song(6);
    ASSERT_EQ(f.Page.LastPage, 1);
    f.PrinterFactory = [this](const typeset::PaperSetup& paper) {
        auto p = std::make_unique<vb::PrinterSurface>(path("谱.pdf"));
        typeset::ApplyPaperSetup(*p, paper);
        return p;
    };
    press(f, 26);
    EXPECT_EQ(messages(), QStringList{"打印已经发送"});
    EXPECT_TRUE(QString::fromLatin1(read("谱.pdf")).contains(QRegularExpression(R"(/Count 2\b)")));  // A5 sheets
}

TEST_F(PrintTest, MarkersStandOnTheBeatsOfTheCursorAndTheLoopPoints) {
    Form1& f = start();
    f.Command4_PageWindow();
    ASSERT_TRUE(f.Form3_Visible());
    typeset::Form3& w = f.Form3();
    f.SnapGrid[0] = 48;
    f.BeatBoxes = {{0, 100, 50, 40, 0}, {0, 140, 50, 40, 48}, {1, 60, 40, 30, 96}};
    f.ScoreRowParts = "1";
    auto at = [](const vb::Control& c) { return QString("%1,%2,%3").arg(c.Left()).arg(c.Top()).arg(c.Width()); };
    QTest::mouseClick(page(f, 0), Qt::LeftButton, {}, QPoint(150, 60));
    EXPECT_EQ(f.song->CursorTick, 48);
    EXPECT_EQ(at(w.Shape2[0]), "140,50,40");
    QTest::mouseClick(page(f, 1), Qt::LeftButton, {}, QPoint(70, 50));
    EXPECT_EQ(at(w.Shape2[1]), "60,40,30");
    EXPECT_EQ(w.Shape2[0].Top(), -5000);
    // A cursor between two beats: the earlier one (the double-click shows the cursor's beat).
    f.song->CursorTick = 60;
    QTest::mouseDClick(page(f, 1), Qt::LeftButton, {}, QPoint(70, 50));
    EXPECT_EQ(at(w.Shape2[0]), "140,50,40");
    EXPECT_EQ(w.Shape2[1].Top(), -5000);
    // No boxes: nothing moves.
    f.BeatBoxes.clear();
    f.song->CursorTick = 96;
    f.Form3().SetWindowState(0);
    QTest::mouseDClick(page(f, 0), Qt::LeftButton, {}, QPoint(70, 50));
    EXPECT_EQ(at(w.Shape2[0]), "140,50,40");
    // The loop points, by Alt-clicks with the loop on.
    f.BeatBoxes = {{0, 100, 50, 40, 0}, {0, 140, 50, 40, 48}, {1, 60, 40, 30, 96}};
    f.Check3[2].SetValue(1);
    QTest::mouseClick(page(f, 0), Qt::LeftButton, Qt::AltModifier, QPoint(121, 60));
    EXPECT_EQ(f.song->LoopStart, 48);
    EXPECT_EQ(QString("%1,%2").arg(w.Imal[0].Left()).arg(w.Imal[0].Top()), "140,50");
    QTest::mouseClick(page(f, 1), Qt::RightButton, Qt::AltModifier, QPoint(70, 50));
    EXPECT_EQ(f.song->LoopEnd, 144);  // the end of the beat at 96: its box
    EXPECT_EQ(QString("%1,%2").arg(w.Imar[1].Left()).arg(w.Imar[1].Top()), "47,40");
}
