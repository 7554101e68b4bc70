// The print pass against the page pass, the title block, the paper and the page-image files.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <map>

#include "document/songcodes.h"
#include "marks_testing.h"
#include "support/songs.h"
#include "typeset/printing.h"

using namespace markstest;
using namespace typeset;

namespace {

std::unique_ptr<doc::Song> Bars(int bars) {
    auto song = testsongs::NewSong();
    song->TempoChangeBpm[0] = 80;
    song->SongSeconds = bars * 192 / (80 * 0.8);
    for (int p = 1; p <= song->PartCount; ++p) song->Parts[p].ShowInScore = p <= 2 ? 1 : 0;
    doc::RebuildTimeline(*song, false);
    for (int t = 0; t < song->SongLength; t += 48) {
        doc::NoteRecord& n = song->Notes[1][song->Parts[1].NoteCount++];
        n.Start = t, n.Length = 48, n.Pitch = uint8_t(60 + t / 48 % 8), n.Lyric = "啦";
    }
    return song;
}

void AddMark(doc::Song& song, int32_t start, int length, const QString& text) {
    doc::NoteRecord& n = song.Notes[1][song.Parts[1].NoteCount++];
    n.Start = start, n.Length = int16_t(length), n.Pitch = doc::kSpecialSymbol, n.Lyric = text;
}

// Systems of 192 ticks; three on the first page, four on the others (as the typesetter's tests).
TypesetInput Input(const doc::Song& song) {
    TypesetInput in;
    in.Song = &song;
    in.Lines.Starts.clear();
    for (int32_t s = 0; s < song.SongLength; s += 192) in.Lines.Starts.push_back(s);
    in.Lines.LastSystem = int32_t(in.Lines.Starts.size()) - 1;
    in.Lines.Starts.push_back(song.SongLength);
    PageGeometry& g = in.Geometry;
    g.LeftMargin = 50, g.TopMargin = 40, g.PrintableWidth = 700, g.PaperWidth = 800, g.PaperHeight = 1100;
    g.PartRowHeight = 70, g.PartRowGap = 10, g.SystemHeight = 200, g.SystemGap = 30, g.FirstPageSystemGap = 20;
    g.FirstPageTopOffset = 100, g.FirstPageSystems = 3, g.SystemsPerPage = 4, g.LastPage = 24;
    in.Style = Style(14, 24);
    in.LyricSampleHeight = 16;
    in.BarGlyphWidth = 4, in.BracketGlyphWidth = 10;
    return in;
}

PrintInput Printing(const TypesetInput& in) {
    PrintInput p;
    p.Typeset = in;
    p.Header[0] = {"TITLE", 350, 30, 96, {"黑体", 18}};
    p.Header[10] = {"q", 600, 80, 10, {kNotationFont, 12}};
    for (int k = 0; k < 25; ++k) p.PageNumbers.push_back({{"宋体", 9}, 390.0 + k, 1090, QString("P%1").arg(k + 1)});
    return p;
}

// The page pass: each page finished as it fills.
std::map<int, vb::RecordingSurface> PagePass(const TypesetInput& in, TypesetResult* result = nullptr) {
    std::map<int, vb::RecordingSurface> pages;
    TypesetHooks h;
    h.Page = [&](int k) -> vb::Surface* { return &pages[k]; };
    h.PageFilled = [&](int k, const TypesetResult& sofar) { FinishPage(in, sofar, k, pages[k]); };
    const TypesetResult r = RunTypesetter(in, h);
    if (result) *result = r;
    return pages;
}

// The print log cut into pages at NewPage, without the title block and the page numbers.
std::vector<QStringList> PrintedPages(const QStringList& log, QStringList* extras = nullptr) {
    std::vector<QStringList> pages(1);
    static const QRegularExpression extra(R"re("(TITLE|q|P\d+)")re");
    for (const QString& line : log) {
        if (line == "NewPage") pages.emplace_back();
        else if (line == "EndDoc") continue;
        else if (line.contains(extra)) { if (extras) *extras << QString("%1 %2").arg(pages.size()).arg(line); }
        else pages.back() << line;
    }
    return pages;
}

}  // namespace

TEST(PrintPass, PrintsThePagesAsThePagePassDrawsThem) {
    auto song = Bars(16);  // 16 systems: pages of 3, 4, 4, 4 and 1
    song->TimeSigLastIndex = 1;  // 3/4 from system 8 (page 3) on
    song->TimeSigTicks[1] = 1536, song->TimeSigCodes[1] = doc::TimeSigTextToCode("3/4");
    song->TimeSigTicks[2] = song->SongLength + 192, song->TimeSigBarNumbers[2] = 4096;
    AddMark(*song, 100, 300, "<");
    const TypesetInput in = Input(*song);
    TypesetResult pageResult;
    auto pages = PagePass(in, &pageResult);
    vb::RecordingSurface printer;
    printer.SetUnitScale(0.75);
    const TypesetResult r = PrintScorePages(printer, Printing(in));
    QStringList extras;
    const auto printed = PrintedPages(printer.Log(), &extras);
    ASSERT_EQ(printed.size(), 5u);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(printed[size_t(k)], pages[k].Log()) << "page " << k;
    EXPECT_EQ(printed[2].filter("\"_\"").size(), 2);  // the 3/4 fraction bar on both rows of page 3 only
    EXPECT_EQ(printer.Log().filter("\"_\"").size(), 2);
    EXPECT_EQ(printer.Log().last(), "EndDoc");
    // The title block on the first page only (the tempo glyph in the notation font), a number on each.
    EXPECT_EQ(extras.join('\n'), "1 Print 350,30 \"TITLE\"; font=黑体 18\n"
                                 "1 Print 600,80 \"q\"; font=Qelto 12\n"
                                 "1 Print 390,1090 \"P1\"; font=宋体 9\n2 Print 391,1090 \"P2\"; font=宋体 9\n"
                                 "3 Print 392,1090 \"P3\"; font=宋体 9\n4 Print 393,1090 \"P4\"; font=宋体 9\n"
                                 "5 Print 394,1090 \"P5\"; font=宋体 9");
    ASSERT_EQ(r.BeatBoxes.size(), pageResult.BeatBoxes.size());
    for (size_t v = 0; v < r.BeatBoxes.size(); ++v) {
        const BeatBox &a = r.BeatBoxes[v], &b = pageResult.BeatBoxes[v];
        EXPECT_TRUE(a.Page == b.Page && a.X == b.X && a.Y == b.Y && a.Width == b.Width && a.Tick == b.Tick) << v;
    }
}

TEST(PrintPass, NewSheetsOnlyBetweenPagesAndEachPageDecoratedOnce) {
    struct Case { int bars; int newPages; int numbers; };
    for (const Case c : {Case{1, 0, 1}, Case{3, 0, 1}, Case{7, 1, 2}, Case{8, 2, 3}}) {  // 3 and 7: pages exactly full
        auto song = Bars(c.bars);
        vb::RecordingSurface printer;
        PrintScorePages(printer, Printing(Input(*song)));
        const QStringList& log = printer.Log();
        EXPECT_EQ(log.count("NewPage"), c.newPages) << c.bars;
        EXPECT_EQ(log.filter(QRegularExpression(R"("P\d+")")).size(), c.numbers) << c.bars;
        EXPECT_EQ(log.last(), "EndDoc");
        EXPECT_NE(log[log.size() - 2], "NewPage");
    }
}

TEST(PrintPass, ContinuedVoltaAndTextBracketsStopAtTheLineButHairpinsGoOn) {
    for (const char* mark : {"V1.", "T2", "<"}) {
        auto song = Bars(2);
        AddMark(*song, 100, 200, mark);  // from system 0 into system 1
        const TypesetInput in = Input(*song);
        auto pages = PagePass(in);
        vb::RecordingSurface printer;
        PrintScorePages(printer, Printing(in));
        const bool continues = QString(mark) == "<";
        const double L = 50;  // a continuation starts at the left margin (a bracket 0.4 of a digit before it)
        auto continuationLines = [&](const vb::RecordingSurface& s) {
            int n = 0;
            for (const Drawn& d : Lines(s)) n += d.y1 > 340 && (d.x1 == L || d.x1 == L - 14 * 0.4);
            return n;
        };
        EXPECT_GT(continuationLines(pages[0]), 0) << mark;
        EXPECT_EQ(continuationLines(printer), continues ? continuationLines(pages[0]) : 0) << mark;
    }
}

TEST(TitleBlock, PageCentresTitleAndSubtitlePrinterKeepsTheLabelsPlaces) {
    HeaderTexts h;
    h[0] = {"歌名", 350, 30, 120, {"黑体", 18}};
    h[1] = {"", 0, 60, 0, {"宋体", 12}};
    h[10] = {"q", 600, 80, 10, {kNotationFont, 12}};
    h[11] = {"=80", 612, 80, 24, {"宋体", 9}};
    vb::RecordingSurface page, printer;
    DrawHeaderLabelsPage(page, h, 796);
    DrawHeaderLabelsPrinter(printer, h);
    EXPECT_EQ(page.Log(), QStringList({"Print 338,30 \"歌名\"; font=黑体 18", "Print 600,80 \"q\"; font=Qelto 12",
                                       "Print 612,80 \"=80\"; font=宋体 9"}));
    EXPECT_EQ(printer.Log().first(), "Print 350,30 \"歌名\"; font=黑体 18");
    EXPECT_EQ(printer.Log().size(), 3);  // the empty subtitle prints nothing
    EXPECT_EQ(page.FontName(), "宋体");  // the font of the tempo text stays
}

TEST(Paper, CodesSizesAndOrientationOnThePrintedSheet) {
    struct Case { const char* entry; bool landscape; const char* w; const char* h; int code; double mmW, mmH; };
    const Case cases[] = {{"A4 [21厘米×29.7厘米]", false, "21", "29.7", 9, 210, 297},
                          {"A5 [14.8厘米×21厘米]", false, "14.8", "21", 11, 148, 210},
                          {"A5 [14.8厘米×21厘米]", true, "14.8", "21", 11, 210, 148},
                          {"B5 [18.2厘米×25.7厘米]", false, "18.2", "25.7", 13, 182, 257},
                          {"A3 [29.7厘米×42厘米]", false, "29.7", "42", 0, 297, 420},
                          {"[自定义大小]", false, "25", "35", 0, 250, 350},
                          {"[自定义大小]", true, "25", "35", 0, 350, 250}};
    QTemporaryDir dir;
    for (const Case& c : cases) {
        const PaperSetup paper = PaperSetupOf(c.entry, c.landscape, c.w, c.h);
        EXPECT_EQ(paper.PaperCode, c.code) << c.entry;
        {
            vb::PrinterSurface printer(dir.filePath("out.pdf"));
            ApplyPaperSetup(printer, paper);
            PrintAt(printer, 10, 10, "x");
            printer.EndDoc();
        }
        QFile f(dir.filePath("out.pdf"));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const auto m = QRegularExpression(R"(/MediaBox \[0 0 ([\d.]+) ([\d.]+)\])").match(QString::fromLatin1(f.readAll()));
        ASSERT_TRUE(m.hasMatch()) << c.entry;
        EXPECT_NEAR(m.captured(1).toDouble() / 72 * 25.4, c.mmW, 0.5) << c.entry;
        EXPECT_NEAR(m.captured(2).toDouble() / 72 * 25.4, c.mmH, 0.5) << c.entry;
    }
}
