#include <gtest/gtest.h>

#include <QColor>
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QSet>
#include <QTemporaryDir>
#include <functional>
#include <vector>

#include "app/startup.h"
#include "platform/surface.h"

using namespace vb;

namespace {

class SurfaceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { app::installFonts(PROGRAM_DIR); }
};

const Colour kWhite = 0xFFFFFF;

// True when some pixel of the rectangle differs from white.
bool inked(const PageSurface& s, int x0, int y0, int x1, int y1) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (s.Point(x, y) != kWhite && s.Point(x, y) != -1) return true;
    return false;
}

}  // namespace

TEST_F(SurfaceTest, FontSizesArePointsAtNinetySixDpiAndColoursBlueGreenRed) {
    EXPECT_EQ(ScreenFontPixels(10.5), 14);
    EXPECT_EQ(ScreenFontPixels(11.25), 15);
    EXPECT_EQ(ScreenFontPixels(0.1), 1);
    EXPECT_EQ(ToQColor(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(FromQColor(QColor(0, 192, 0)), 0x00C000u);
    EXPECT_EQ(RGB(255, 192, 192), 0xC0C0FFu);
}

TEST_F(SurfaceTest, PrintPutsTextAtThePrintPositionAndAdvances) {
    PageSurface s(300, 200);
    s.SetFontName("宋体");
    s.SetFontSize(12);
    s.SetCurrentX(40);
    s.SetCurrentY(50);
    const double w = s.TextWidth("中文abc");
    const double h = s.TextHeight();
    ASSERT_GT(w, 30);
    ASSERT_GT(h, 10);

    s.Print("中文abc", true);  // trailing ';'
    EXPECT_DOUBLE_EQ(s.CurrentX(), 40 + w);
    EXPECT_DOUBLE_EQ(s.CurrentY(), 50);
    // The text lies right of and below the print position, nothing left of or above it.
    EXPECT_TRUE(inked(s, 40, 50, int(40 + w) + 1, int(50 + h) + 1));
    EXPECT_FALSE(inked(s, 0, 0, 39, 200));
    EXPECT_FALSE(inked(s, 0, 0, 300, 49));

    s.Print("x");  // ends the line
    EXPECT_DOUBLE_EQ(s.CurrentX(), 0);
    EXPECT_DOUBLE_EQ(s.CurrentY(), 50 + h);

    s.Print("");  // an empty print only moves down a line
    EXPECT_DOUBLE_EQ(s.CurrentY(), 50 + 2 * h);
}

TEST_F(SurfaceTest, FontStaysUntilChanged) {
    PageSurface s(300, 100);
    s.SetFontSize(9);
    const double small = s.TextWidth("12345");
    s.SetFontSize(24);
    s.SetFontBold(true);
    s.Print("1", true);
    EXPECT_GT(s.TextWidth("12345"), small * 2);
    s.SetFontSize(-3);  // a bad size keeps the font
    EXPECT_EQ(s.FontSize(), 24);
}

TEST_F(SurfaceTest, LineLeavesOutItsLastPixelAndEndsThere) {
    PageSurface s(20, 20);
    s.Line(2, 5, 8, 5, 0);
    for (int x = 2; x < 8; ++x) EXPECT_EQ(s.Point(x, 5), 0) << x;
    EXPECT_EQ(s.Point(8, 5), kWhite);
    EXPECT_EQ(s.Point(1, 5), kWhite);
    EXPECT_DOUBLE_EQ(s.CurrentX(), 8);
    EXPECT_DOUBLE_EQ(s.CurrentY(), 5);

    s.Line(0, 0, 4, 4, 0);
    EXPECT_EQ(s.Point(3, 3), 0);
    EXPECT_EQ(s.Point(4, 4), kWhite);

    s.Line(15, 15, 15, 15, 0);  // a line of one point draws nothing
    EXPECT_EQ(s.Point(15, 15), kWhite);

    s.SetForeColor(RGB(0, 0, 255));
    s.Line(0, 19, 19, 19);  // in the pen colour
    EXPECT_EQ(s.Point(5, 19), 0xFF0000u);
    s.Line(-1e9, 3, 1e9, 3, 0);  // far outside: clipped, no hang
    EXPECT_EQ(s.Point(12, 3), 0);
}

TEST_F(SurfaceTest, RowColumnAndSlantedLinesSetThePixelsOfTheStepFromTheirFirstPoint) {
    // The pixels a line sets: stepped from the first point toward the last, the last left out,
    // those outside the surface skipped.
    auto expected = [](int x, int y, int ex, int ey, int w, int h) {
        QSet<QPair<int, int>> set;
        const int dx = std::abs(ex - x), dy = -std::abs(ey - y), sx = x < ex ? 1 : -1, sy = y < ey ? 1 : -1;
        for (int err = dx + dy; !(x == ex && y == ey);) {
            if (x >= 0 && y >= 0 && x < w && y < h) set.insert({x, y});
            const int e2 = 2 * err;
            if (e2 >= dy) err += dy, x += sx;
            if (e2 <= dx) err += dx, y += sy;
        }
        return set;
    };
    const int lines[][4] = {
        {2, 5, 30, 5},   {30, 6, 2, 6},     {-5, 7, 7, 7},   {7, 8, -5, 8},   {40, 9, 70, 9},  {3, 0, 3, 19},
        {4, 19, 4, 0},   {5, -9, 5, 4},     {6, 30, 6, 12},  {0, -1, 31, -1}, {1, 1, 29, 17},  {29, 2, 1, 11},
        {-6, -3, 12, 40}, {10, 10, 10, 10}, {0, 0, 32, 0},   {31, 0, 31, 20},
    };
    for (const auto& l : lines) {
        PageSurface s(32, 20);
        s.Line(l[0], l[1], l[2], l[3], 0);
        const QSet<QPair<int, int>> want = expected(l[0], l[1], l[2], l[3], 32, 20);
        int wrong = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 32; ++x) wrong += (s.Point(x, y) == 0) != want.contains({x, y});
        EXPECT_EQ(wrong, 0) << l[0] << "," << l[1] << "-" << l[2] << "," << l[3];
    }
    // A line drawn over a kept picture goes with the next Cls; the picture stays as it was.
    PageSurface s(32, 20);
    s.Line(0, 1, 32, 1, 0);
    s.KeepImageAsPicture();
    s.Line(0, 3, 32, 3, 0);
    s.Line(5, 0, 5, 20, 0);
    s.Cls();
    EXPECT_EQ(s.Point(9, 1), 0);
    EXPECT_EQ(s.Point(9, 3), kWhite);
    EXPECT_EQ(s.Point(5, 10), kWhite);
}

// A surface of several megabytes (its pixels laid out apart from the small ones): its kept picture
// comes back with every Cls, however often it is drawn over, and the picture is never drawn on.
TEST_F(SurfaceTest, ALargeSurfaceKeepsItsPictureThroughRepeatedDrawing) {
    PageSurface s(1024, 700);
    s.Line(0, 1, 1024, 1, 0);
    s.KeepImageAsPicture();
    for (int round = 0; round < 3; ++round) {
        s.Cls();
        EXPECT_EQ(s.Point(500, 1), 0) << round;
        EXPECT_EQ(s.Point(500, 600), kWhite) << round;
        s.Line(0, 600, 1024, 600, RGB(0, 0, 255));
        s.Line(500, 0, 500, 700, RGB(0, 0, 255));
        EXPECT_EQ(s.Point(500, 1), 0xFF0000u) << round;
    }
    s.Resize(1100, 720);  // the picture stays under what was drawn, the new edge is cleared
    EXPECT_EQ(std::vector<int64_t>({s.Point(700, 1), s.Point(700, 600), s.Point(1050, 710)}),
              std::vector<int64_t>({0, 0xFF0000, kWhite}));
    s.Cls();
    EXPECT_EQ(s.Point(700, 600), kWhite);
    EXPECT_EQ(s.Point(700, 1), 0);
}

TEST_F(SurfaceTest, ClsRestoresTheBackgroundPictureAndResetsThePosition) {
    PageSurface s(20, 20);
    s.Line(0, 0, 10, 0, 0);
    s.SetCurrentX(7);
    s.SetCurrentY(9);
    s.Cls();
    EXPECT_EQ(s.Point(3, 0), kWhite);
    EXPECT_EQ(s.CurrentX(), 0);
    EXPECT_EQ(s.CurrentY(), 0);

    QImage band(20, 5, QImage::Format_RGB32);
    band.fill(QColor(255, 0, 0));
    s.Line(0, 1, 20, 1, 0);
    s.KeepImageAsPicture();  // the drawn line becomes background
    s.PaintPicture(band, 0, 10);
    EXPECT_EQ(s.Point(4, 12), 0x0000FFu);
    s.Cls();
    EXPECT_EQ(s.Point(4, 1), 0);        // kept by the picture
    EXPECT_EQ(s.Point(4, 12), kWhite);  // painted later, cleared

    s.SetBackColor(RGB(0, 255, 0));  // the picture still covers the background
    EXPECT_EQ(s.Point(4, 15), kWhite);
    s.SetPicture(QImage());
    EXPECT_EQ(s.Point(4, 15), 0x00FF00u);
    EXPECT_EQ(s.Point(4, 1), 0x00FF00u);
}

TEST_F(SurfaceTest, PaintPictureCopiesARegion) {
    QImage src(20, 10, QImage::Format_RGB32);
    src.fill(QColor(255, 0, 0));
    for (int y = 0; y < 10; ++y)
        for (int x = 10; x < 20; ++x) src.setPixelColor(x, y, QColor(0, 0, 255));
    PageSurface s(40, 40);
    s.PaintPicture(src, 5, 5, 10, 10, 10, 0, 10, 10);  // the blue half only
    EXPECT_EQ(s.Point(6, 6), 0xFF0000u);
    EXPECT_EQ(s.Point(14, 14), 0xFF0000u);
    EXPECT_EQ(s.Point(16, 6), kWhite);
    s.PaintPicture(src, 20, 20);  // whole picture at its own size
    EXPECT_EQ(s.Point(21, 21), 0x0000FFu);
    EXPECT_EQ(s.Point(39, 29), 0xFF0000u);
    s.PaintPicture(QImage(), 0, 0);  // nothing to paint
}

TEST_F(SurfaceTest, ResizeKeepsWhatIsDrawn) {
    PageSurface s(10, 10);
    s.Line(0, 2, 9, 2, 0);
    s.Resize(30, 5);
    EXPECT_EQ(s.Point(4, 2), 0);
    EXPECT_EQ(s.Point(20, 2), kWhite);
    s.Resize(-5, 0);  // bad sizes give the smallest picture
    EXPECT_EQ(s.ScaleWidth(), 1);
}

TEST_F(SurfaceTest, RecorderLogsCallsInOrderAndTracksThePosition) {
    RecordingSurface r;
    r.SetFontName("Qelto");
    r.SetFontSize(12);  // 16 pixels: 8 per half-width character
    r.SetCurrentX(10);
    r.SetCurrentY(20);
    r.Print("abc", true);
    EXPECT_EQ(r.CurrentX(), 34);
    r.SetFontName("宋体");
    r.SetFontBold(true);
    r.Print("中");
    EXPECT_EQ(r.CurrentX(), 0);
    EXPECT_EQ(r.CurrentY(), 36);
    r.Line(1, 2, 30.5, 2);
    EXPECT_EQ(r.CurrentX(), 30.5);
    r.Cls();
    r.NewPage();
    r.EndDoc();
    const QStringList expected = {
        "Print 10,20 \"abc\"; font=Qelto 12",
        "Print 34,20 \"中\" font=宋体 12 bold",
        "Line 1,2-30.5,2 colour=&H0",
        "Cls",
        "NewPage",
        "EndDoc",
    };
    EXPECT_EQ(r.Log(), expected);
    EXPECT_EQ(r.CurrentX(), 0);
    EXPECT_EQ(r.TextWidth("中a"), 24);
}

TEST_F(SurfaceTest, PrinterWritesPagesOfChineseTextInPoints) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("score.pdf");
    {
        PrinterSurface p(path);
        p.SetPrintQuality(-3);
        p.SetPaperSize(11);  // A5
        p.SetOrientation(1);
        EXPECT_NEAR(p.ScaleWidth(), 148 / 25.4 * 96, 1.0);  // 148 mm in page pixels
        p.SetPaperSize(9);
        EXPECT_NEAR(p.ScaleWidth(), 210 / 25.4 * 96, 1.0);
        p.SetFontName("宋体");
        p.SetFontSize(18);
        p.SetCurrentX(100);
        p.SetCurrentY(100);
        const double w = p.TextWidth("合唱排练");
        // The same point size measures about as wide as on the page picture.
        PageSurface page(10, 10);
        page.SetFontName("宋体");
        page.SetFontSize(18);
        EXPECT_NEAR(w, page.TextWidth("合唱排练"), page.TextWidth("合唱排练") * 0.2);
        p.Print("合唱排练", true);
        EXPECT_NEAR(p.CurrentX(), 100 + w, 1e-9);
        p.Line(100, 150, 500, 150, 0);
        EXPECT_EQ(p.PageCount(), 1);
        p.NewPage();
        EXPECT_EQ(p.CurrentX(), 0);
        p.Print("第二页");
        EXPECT_EQ(p.PageCount(), 2);
        p.EndDoc();
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray pdf = f.readAll();
    ASSERT_TRUE(pdf.startsWith("%PDF"));
    const int pages = pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") + pdf.count("/Type /Page/") +
                      pdf.count("/Type /Page ") + pdf.count("/Type /Page>");
    EXPECT_EQ(pages, 2);
    EXPECT_TRUE(pdf.contains("/Count 2"));
}

TEST_F(SurfaceTest, PrinterEndsAnEmptyDocumentQuietly) {
    QTemporaryDir dir;
    PrinterSurface p(dir.filePath("none.pdf"));
    p.EndDoc();
    EXPECT_EQ(p.PageCount(), 0);
}

// Held drawing comes out as drawing every call at once; a clear drops what was held before it.
TEST(PageSurfaceTest, HeldDrawingMatchesImmediateDrawing) {
    PageSurface now(200, 80), held(200, 80), other(200, 80);
    auto draw = [](PageSurface& s) {
        s.Print("gone");
        s.Cls();
        s.SetFontName("宋体");
        s.SetFontSize(12);
        s.SetCurrentX(5), s.SetCurrentY(5);
        s.Print("晚风 5", true);
        s.SetFontBold(true);
        s.Print("x|", true);
        s.Line(0, 40, 150, 70);
        s.SetFontSize(18);
        s.SetCurrentY(40);
        s.Print("1=bE");
    };
    draw(now);
    held.BeginBatch(), other.BeginBatch();
    draw(held), draw(other);
    EXPECT_EQ(held.CurrentX(), now.CurrentX());
    EXPECT_EQ(held.Point(10, 50), 0xFFFFFF);  // nothing drawn while held
    int told = 0;
    other.changed = [&] { ++told; };
    HeldDrawing drawing;  // one surface drawn out on a worker, the other at the end
    drawing.Post(&other);
    drawing.Finish({&held, &other});
    EXPECT_EQ(told, 1);
    EXPECT_TRUE(held.Image() == now.Image());
    EXPECT_TRUE(other.Image() == now.Image());
    EXPECT_TRUE(inked(now, 5, 5, 60, 25));
}

// Held texts are drawn in batches of one font and colour; where texts of other fonts or colours, or
// lines, cover one another the later one still ends on top, in every band of a tall page.
TEST(PageSurfaceTest, HeldTextsThatCoverOneAnotherKeepTheirOrder) {
    struct Step {
        const char* font;
        Colour colour;
        int x, y;
        const char* text;
    };
    const Step steps[] = {
        {"宋体", 0x000000, 10, 10, "晚风"},  {"黑体", 0x0000FF, 14, 12, "5 5"},  {"宋体", 0x000000, 18, 14, "轻"},
        {"黑体", 0x00FF00, 10, 10, "WX"},    {"宋体", 0x0000FF, 12, 11, "吹过"}, {"宋体", 0x000000, 40, 300, "窗"},
        {"黑体", 0xFF0000, 42, 302, "1=C"},  {"宋体", 0x000000, 44, 304, "星"},  {"黑体", 0x000000, 43, 150, "--"},
    };
    auto draw = [&](PageSurface& s) {
        s.Cls();
        int n = 0;
        for (const Step& st : steps) {
            s.SetFontName(st.font);
            s.SetFontSize(18);
            s.SetForeColor(st.colour);
            s.SetCurrentX(st.x), s.SetCurrentY(st.y);
            s.Print(QString::fromUtf8(st.text), true);
            if (++n == 4) s.Line(0, 20, 120, 24, 0x00FFFF);  // over the texts before, under those after
        }
    };
    PageSurface now(300, 600), held(300, 600);
    draw(now);
    held.BeginBatch();
    draw(held);
    PageSurface::EndBatches({&held});
    EXPECT_TRUE(held.Image() == now.Image());
    EXPECT_TRUE(inked(now, 10, 300, 80, 340));
}

// A page surface holds no pixels until they are drawn on, shown or read; until then it reads as
// cleared at its size, in its background colour.
TEST(PageSurfaceTest, ImageIsMadeWhenFirstDrawnOrRead) {
    struct Case {
        const char* name;
        std::function<void(PageSurface&)> step;
        bool made;
    };
    const std::vector<Case> cases = {
        {"nothing", [](PageSurface&) {}, false},
        {"resize", [](PageSurface& s) { s.Resize(60, 30); }, false},
        {"cls", [](PageSurface& s) { s.Cls(); }, false},
        {"back colour", [](PageSurface& s) { s.SetBackColor(RGB(0, 0, 255)); }, false},
        {"fonts and measures", [](PageSurface& s) { s.SetFontSize(20), s.TextWidth("abc"), s.TextHeight(); }, false},
        {"empty print", [](PageSurface& s) { s.Print(""); }, false},
        {"held clear", [](PageSurface& s) { s.BeginBatch(), s.Cls(), PageSurface::EndBatches({&s}); }, false},
        {"line", [](PageSurface& s) { s.Line(0, 0, 5, 0); }, true},
        {"print", [](PageSurface& s) { s.Print("a"); }, true},
        {"picture", [](PageSurface& s) { QImage i(2, 2, QImage::Format_RGB32); i.fill(0), s.PaintPicture(i, 0, 0); }, true},
        {"keep as picture", [](PageSurface& s) { s.KeepImageAsPicture(); }, true},
        {"held line", [](PageSurface& s) { s.BeginBatch(), s.Line(0, 0, 5, 0), PageSurface::EndBatches({&s}); }, true},
        {"point", [](PageSurface& s) { s.Point(1, 1); }, true},
    };
    for (const Case& c : cases) {
        PageSurface s(40, 20);
        c.step(s);
        EXPECT_EQ(s.Made(), c.made) << c.name;
    }
    PageSurface s(40, 20);
    s.SetBackColor(RGB(0, 0, 255));
    s.Resize(50, 10);
    EXPECT_FALSE(s.Made());
    EXPECT_EQ(s.Image().size(), QSize(50, 10));
    EXPECT_EQ(s.Point(49, 9), 0xFF0000u);
    EXPECT_TRUE(s.Made());
}

// A background picture drawn when first needed gives the pixels that drawing it at once and
// keeping it gives, on a surface drawn on before or not, through later resizes and clears.
TEST(PageSurfaceTest, PictureDrawnWhenNeededMatchesOneDrawnAtOnce) {
    QImage tile(16, 16, QImage::Format_RGB32);
    tile.fill(QColor(200, 180, 0));
    tile.setPixelColor(3, 4, QColor(0, 0, 90));
    const auto paper = [tile](Surface& s) {
        for (int x = 0; x <= 40; x += 16) s.PaintPicture(tile, x, 0, 16, 16, 0, 0, 16, 16);
        s.Line(0, 20, 30, 25, RGB(9, 9, 9));
    };
    for (const bool drawnBefore : {false, true}) {
        PageSurface now(48, 32), later(48, 32);
        for (PageSurface* s : {&now, &later}) {
            s->SetBackColor(RGB(250, 240, 230));
            if (drawnBefore) s->Line(0, 30, 48, 30, 0);
        }
        now.SetPicture(QImage());
        paper(now);
        now.KeepImageAsPicture();
        now.Cls();
        later.SetPictureDrawnBy(paper);
        later.Cls();
        EXPECT_FALSE(later.Made()) << drawnBefore;
        for (PageSurface* s : {&now, &later}) {
            s->SetBackColor(RGB(0, 0, 0));  // the picture keeps the colour it was drawn over
            s->Resize(60, 40);
            s->Line(50, 0, 50, 40, RGB(255, 0, 0));
        }
        EXPECT_TRUE(later.Image() == now.Image()) << drawnBefore;
        EXPECT_TRUE(later.Picture() == now.Picture()) << drawnBefore;
        now.Cls(), later.Cls();
        EXPECT_TRUE(later.Image() == now.Image()) << drawnBefore;
        EXPECT_EQ(later.Point(3, 4), 0x5A0000u) << drawnBefore;
        EXPECT_EQ(later.Point(55, 35), 0u) << drawnBefore;
    }
}
