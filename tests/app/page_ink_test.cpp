// Dense songs typeset at the default page settings, checked from the ink of the real fonts: no two
// glyphs of different notes or marks touch, and every octave dot under a digit keeps a clear pixel
// row above the syllable under it.
#include "app/form1_fixture.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QStaticText>
#include <map>

#include "app/startup.h"
#include "document/songcodes.h"
#include "platform/surface.h"
#include "platform/vbtext.h"
#include "support/songs.h"
#include "typeset/typesetter.h"

using namespace app;

namespace {

struct Glyph {
    QString text, font;
    QRect ink;  // page pixels holding ink, empty for a blank
};

// The pixels a text printed with its box's top-left corner at the origin inks (alpha ≥ 64).
QRect InkAtOrigin(const QString& text, const QString& font, double size, bool bold, bool italic) {
    static std::map<QString, QRect> cache;
    const QString key = text + '\x1f' + font + '\x1f' + QString::number(size) + (bold ? "b" : "") + (italic ? "i" : "");
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    const QFont f = vb::ScreenFont(font, size, bold, italic);
    QImage img(600, 200, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.setFont(f);
        p.setPen(Qt::black);
        QStaticText st(text);
        st.setTextFormat(Qt::PlainText);
        p.drawStaticText(QPointF(100, 50), st);
    }
    int x0 = 1 << 20, y0 = 1 << 20, x1 = -1, y1 = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) >= 64) x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
    const QRect r = x1 < 0 ? QRect() : QRect(QPoint(x0 - 100, y0 - 50), QPoint(x1 - 100, y1 - 50));
    cache[key] = r;
    return r;
}

// The glyphs of one page in the order printed: every print but the pieces of lines, arcs and
// brackets, which join by design, and blanks; or, with `arcs`, only the pieces of arcs. Pieces named
// in `kept` are kept.
std::vector<Glyph> PageGlyphs(const vb::RecordingSurface& s, bool arcs = false, const QString& kept = QString()) {
    static const QRegularExpression re(R"re(^Print (\S+),(\S+) "(.*)";? font=(\S+) (\S+)( bold)?( italic)?$)re");
    static const QString pieces = "cWXZYHInoMzvuwxhij|ab ";
    std::vector<Glyph> out;
    for (const QString& line : s.Log()) {
        const auto m = re.match(line);
        if (!m.hasMatch()) continue;
        const QString text = m.captured(3), font = m.captured(4);
        if (text.trimmed().isEmpty()) continue;
        const bool arc = font == "Qelto" && text.size() == 1 && QString("WXYZ").contains(text);
        if (arcs != arc && !(arcs && font == "Qelto" && kept.contains(text))) continue;
        if (!arc && font == "Qelto" && text.size() == 1 && pieces.contains(text) && !kept.contains(text)) continue;
        const QRect ink = InkAtOrigin(text, font, m.captured(5).toDouble(), !m.captured(6).isEmpty(), !m.captured(7).isEmpty());
        if (ink.isNull()) continue;
        const int x = int(vb::Round(m.captured(1).toDouble())), y = int(vb::Round(m.captured(2).toDouble()));
        out.push_back({text, font, ink.translated(x, y)});
    }
    return out;
}

// The arc of every arc piece and tuplet figure "M" of a page: 0 for ties and slurs, 1, 2, ... for
// the tuplet arcs, each printed as "X"s, "W", "Y", "Z"s, then its figure.
std::vector<std::pair<Glyph, int>> PageArcs(const vb::RecordingSurface& s) {
    std::vector<std::pair<Glyph, int>> arcs;
    for (const Glyph& g : PageGlyphs(s, true, "M")) arcs.push_back({g, 0});
    int tuplets = 0;
    for (size_t i = 0; i < arcs.size(); ++i) {
        if (arcs[i].first.text != "M") continue;
        arcs[i].second = ++tuplets;
        size_t k = i;  // back from the figure: its "Z"s, one "Y", one "W", its "X"s
        for (const auto& [piece, many] : {std::pair{"Z", true}, {"Y", false}, {"W", false}, {"X", true}})
            for (int n = 0; k > 0 && arcs[k - 1].first.text == piece && (many || n == 0); ++n) arcs[--k].second = tuplets;
    }
    return arcs;
}

// A recording page that advances the pen by the fonts' own widths, as a page does: a dot printed
// after its digit stands where the page shows it.
struct InkSurface : vb::RecordingSurface {
    double TextWidth(const QString& text) const override {
        return QFontMetrics(vb::ScreenFont(FontName(), FontSize(), FontBold(), FontItalic())).horizontalAdvance(text);
    }
};

class PageInkTest : public Form1Test {
public:
    void add(int part, int32_t start, int length, int pitch, const QString& text = QString()) {
        doc::Song& s = *form->song;
        doc::NoteRecord& n = s.Notes[part][s.Parts[part].NoteCount++];
        n.Start = start, n.Length = int16_t(length), n.Pitch = uint8_t(pitch), n.Lyric = text;
    }
    // Eight parts shown, each with a name, and no notes yet.
    void eightParts(doc::Song& s) {
        s.PartCount = 8;
        for (int p = 1; p <= 8; ++p) {
            s.Parts[p].NoteCount = 0;
            s.Parts[p].ShowInScore = 1;
            s.Parts[p].StripTop = int16_t(p * 100);
            s.Parts[p].Name = QString("声部%1").arg(p);
        }
        form->ShowPartNames();
    }
    // The pages as the typesetter draws them; with `finish`, with their brackets, measure numbers,
    // time signatures and closing mark.
    std::map<int, InkSurface> typesetPages(bool finish = false, typeset::TypesetResult* result = nullptr) {
        Form1& f = *form;
        f.song->NeedsRetypeset = -1;
        EXPECT_TRUE(f.RunPageSetup(true));
        std::map<int, InkSurface> pages;
        typeset::TypesetHooks hooks;
        hooks.Page = [&pages](int k) -> vb::Surface* { return &pages[k]; };
        const typeset::TypesetInput in = f.TypesetValues();
        const typeset::TypesetResult r = typeset::RunTypesetter(in, hooks);
        if (finish) typeset::FinishPages(in, r, hooks.Page);
        if (result) *result = r;
        return pages;
    }
};

}  // namespace

TEST_F(PageInkTest, DenseSongsPrintNoGlyphOverAnotherAndLowDotsClearTheSyllables) {
    app::installFonts(PROGRAM_DIR);
    struct Case {
        const char* name;
        std::function<void(PageInkTest&, doc::Song&)> fill;
        bool crowded = false;  // lines of the plain breaking cannot hold its glyphs apart at their natural spacing
    };
    const Case cases[] = {
        {"quarters two octaves down, eighths one down, with accidentals",
         [](PageInkTest& t, doc::Song& s) {
             for (int p = 1; p <= s.PartCount; ++p) {
                 s.Parts[p].NoteCount = 0;
                 int32_t at = 0;
                 for (int k = 0; k < 48; ++k) {
                     const bool quarter = k % 3 == 0;
                     t.add(p, at, quarter ? 48 : 24, quarter ? 36 + k % 12 : 54 + k % 6, k % 2 ? "啊" : "都");
                     at += quarter ? 48 : 24;
                 }
             }
         }},
        {"dotted quarters and eighths an octave up and down",
         [](PageInkTest& t, doc::Song& s) {
             for (int p = 1; p <= s.PartCount; ++p) {
                 s.Parts[p].NoteCount = 0;
                 int32_t at = 0;
                 for (int k = 0; k < 24; ++k) {
                     const int len = k % 2 ? 24 : 72;
                     t.add(p, at, len, k % 3 ? 50 + k % 5 : 85 + k % 4, "la");
                     at += len;
                 }
             }
         }},
        {"key, tempo and dynamic on one tick; expression and bracket label on another",
         [](PageInkTest& t, doc::Song& s) {
             s.KeyChangeLastIndex = 1, s.KeyChangeTicks[1] = 192, s.KeyChangeKeys[1] = 3;
             s.TempoLastIndex = 1, s.TempoChangeTicks[1] = 192, s.TempoChangeBpm[1] = 120;
             for (int p = 1; p <= s.PartCount; ++p) {
                 s.Parts[p].NoteCount = 0;
                 for (int k = 0; k < 16; ++k) t.add(p, k * 48, 48, 55 + k % 12, "啦");
             }
             t.add(1, 192, 0, doc::kDynamics, "6");
             t.add(1, 384, 0, doc::kExpression, "渐慢");
             t.add(1, 384, 192, doc::kSpecialSymbol, "V1.");
         }},
        {"eight parts of sixteenths with a syllable on every note, some with accidentals",
         [](PageInkTest& t, doc::Song& s) {
             t.eightParts(s);
             for (int p = 1; p <= 8; ++p)
                 for (int k = 0; k < 128; ++k) t.add(p, k * 12, 12, 58 + (k * 5 + p) % 14, k % 3 ? "啦" : "la");
         },
         true},
        {"two octaves down under sixteenths and eighths, with syllables",
         [](PageInkTest& t, doc::Song& s) {
             for (int p = 1; p <= s.PartCount; ++p) {
                 s.Parts[p].NoteCount = 0;
                 int32_t at = 0;
                 for (int k = 0; k < 96; ++k) {
                     const int len = k % 4 == 3 ? 24 : 12;
                     t.add(p, at, len, 36 + (k * 7) % 12, k % 2 ? "都" : "啊");
                     at += len;
                 }
             }
         },
         true},
        {"ties and triplets over notes one and two octaves up, with a dynamic",
         [](PageInkTest& t, doc::Song& s) {
             for (int p = 1; p <= s.PartCount; ++p) {
                 s.Parts[p].NoteCount = 0;
                 for (int k = 0; k < 8; ++k) {
                     const int32_t at = k * 192;
                     t.add(p, at, 72, 84 + k % 12, "长");  // a dotted quarter: two cells tied
                     t.add(p, at + 72, 24, 86, "啊");
                     for (int j = 0; j < 3; ++j) t.add(p, at + 96 + j * 16, 16, j == 2 ? 50 : 74 + j, "三");
                     t.add(p, at + 144, 48, 96, "高");
                 }
             }
             t.add(1, 192, 0, doc::kDynamics, "6");  // the accidentals get room of their own in the plain lines
         }},
    };
    int dotsUnderArcs = 0;
    for (const Case& c : cases) {
        form.reset();
        start();
        doc::Song& s = *form->song;
        c.fill(*this, s);
        form->RebuildTimeline();
        const auto pages = typesetPages();
        ASSERT_FALSE(pages.empty()) << c.name;
        const typeset::LineTable plain = typeset::ComputePageSetup(form->PanelValues(), s).Lines;
        if (c.crowded)
            EXPECT_GT(form->Lines.LastSystem, plain.LastSystem) << c.name;
        else
            EXPECT_EQ(form->Lines.Starts, plain.Starts) << c.name;
        int dots = 0;
        for (const auto& [page, surface] : pages) {
            const std::vector<Glyph> glyphs = PageGlyphs(surface);
            // A dot under an arc keeps a white row below the arc's ink.
            for (const Glyph& arc : PageGlyphs(surface, true))
                for (const Glyph& dot : glyphs) {
                    if (dot.text != "l" || dot.font != "Qelto") continue;
                    if (arc.ink.right() < dot.ink.left() || arc.ink.left() > dot.ink.right()) continue;
                    if (arc.ink.bottom() > dot.ink.bottom() || arc.ink.bottom() < dot.ink.top() - 12) continue;
                    ++dotsUnderArcs;
                    EXPECT_GE(dot.ink.top() - arc.ink.bottom() - 1, 1)
                        << c.name << ": page " << page << " dot at " << dot.ink.x() << "," << dot.ink.y() << " under \""
                        << arc.text.toStdString() << "\" at " << arc.ink.x() << "," << arc.ink.y();
                }
            for (size_t i = 0; i < glyphs.size(); ++i) {
                const Glyph& a = glyphs[i];
                for (size_t j = i + 1; j < glyphs.size(); ++j) {
                    const Glyph& b = glyphs[j];
                    if (a.text == "_" && b.text == "_") continue;  // underlines of one group join
                    EXPECT_FALSE(a.ink.intersects(b.ink))
                        << c.name << ": page " << page << " \"" << a.text.toStdString() << "\" "
                        << a.ink.x() << "," << a.ink.y() << " " << a.ink.width() << "x" << a.ink.height() << " and \""
                        << b.text.toStdString() << "\" " << b.ink.x() << "," << b.ink.y() << " " << b.ink.width()
                        << "x" << b.ink.height();
                }
                if (a.text != "l" || a.font != "Qelto") continue;
                for (const Glyph& lyric : glyphs) {
                    if (lyric.font != "宋体" || lyric.ink.right() < a.ink.left() || lyric.ink.left() > a.ink.right()) continue;
                    if (lyric.ink.top() < a.ink.top() || lyric.ink.top() > a.ink.bottom() + 12) continue;
                    ++dots;
                    EXPECT_GE(lyric.ink.top() - a.ink.bottom() - 1, 2)
                        << c.name << ": page " << page << " dot at " << a.ink.x() << "," << a.ink.y() << " over \""
                        << lyric.text.toStdString() << "\"";
                }
            }
        }
        EXPECT_GT(dots, 0) << c.name;  // the song has low dots over syllables
    }
    EXPECT_GT(dotsUnderArcs, 0);
}

// The sample song fits its lines as the plain breaking gives them: its pages do not change.
TEST_F(PageInkTest, TheSampleSongKeepsItsLineBreaks) {
    app::installFonts(PROGRAM_DIR);
    Form1& f = start();
    dialogs.msgBoxAnswers.push_back(vb::vbNo);
    dialogs.fileAnswers.push_back(QString::fromUtf8(PROGRAM_DIR "/示范文件/晚风.brc"));
    f.Command2_Click(2);
    ASSERT_GT(f.song->SongLength, 0);
    ASSERT_TRUE(f.RunPageSetup(true));
    const typeset::PageSetupResult plain = typeset::ComputePageSetup(f.PanelValues(), *f.song);
    EXPECT_EQ(f.Lines.Starts, plain.Lines.Starts);
    EXPECT_EQ(f.Page.LastPage, plain.Geometry.LastPage);
    EXPECT_GT(f.Lines.LastSystem, 0);
    // Its systems stand in the plain slots of their pages.
    const typeset::PageGeometry& g = f.Page;
    ASSERT_EQ(f.PlannedSystems.size(), size_t(f.Lines.LastSystem + 1));
    for (size_t k = 0; k < f.PlannedSystems.size(); ++k) {
        const typeset::SystemPlace& p = f.PlannedSystems[k];
        const int page = k < size_t(g.FirstPageSystems) ? 0 : 1 + int(k - g.FirstPageSystems) / g.SystemsPerPage;
        const int slot = page == 0 ? int(k) : int(k - g.FirstPageSystems) % g.SystemsPerPage;
        EXPECT_EQ(p.Page, page) << k;
        EXPECT_DOUBLE_EQ(p.Top, page == 0 ? slot * (g.SystemHeight + g.FirstPageSystemGap) + g.FirstPageTopOffset + g.TopMargin
                                          : slot * (g.SystemHeight + g.SystemGap) + g.TopMargin) << k;
        EXPECT_TRUE(p.RowShift.empty()) << k;
    }
}

// A three-part line with a 2/4 bar, a tempo change between cells, notes off the beat grid and a
// bracket line ending at a line's end.
TEST_F(PageInkTest, NothingIsDrawnPastTheSystemsRightEnd) {
    app::installFonts(PROGRAM_DIR);
    start();
    doc::Song& s = *form->song;
    s.TimeSigLastIndex = 2;
    s.TimeSigTicks[1] = 576, s.TimeSigCodes[1] = doc::TimeSigTextToCode("2/4");
    s.TimeSigTicks[2] = 672, s.TimeSigCodes[2] = doc::TimeSigTextToCode("4/4");
    s.TempoLastIndex = 1, s.TempoChangeTicks[1] = 710, s.TempoChangeBpm[1] = 90;
    for (int p = 1; p <= s.PartCount; ++p) { s.Parts[p].NoteCount = 0; s.Parts[p].ShowInScore = p <= 3; }
    for (int p = 1; p <= 3; ++p) {
        int32_t at = 0;
        while (at < 700) { add(p, at, 48, 60 + p, "a"); at += 48; }
        add(p, at, 700 - at, 62, "x"); for (at = 700; at < 900; at += 12) add(p, at, 12, 50 + p, "b");
        add(p, 900, 96, 60, "c");
    }
    add(1, 480, 400, doc::kSpecialSymbol, "V1.");
    form->RebuildTimeline();
    ASSERT_TRUE(form->RunPageSetup(true));
    const int32_t firstEnd = form->Lines.Starts[1];  // a bracket line ending right at the first line's end
    add(2, firstEnd - 192, 192, doc::kSpecialSymbol, "V2.");
    const auto pages = typesetPages();
    const int right = form->Page.LeftMargin + form->Page.PrintableWidth;
    static const QRegularExpression line(R"(^Line (\S+),\S+-(\S+),)");
    int tempo = 0;
    for (const auto& [page, surface] : pages) {
        for (const Glyph& g : PageGlyphs(surface)) {
            EXPECT_LE(g.ink.right(), right) << page << " \"" << g.text.toStdString() << "\" at " << g.ink.x();
            tempo += g.text == "q";
        }
        for (const QString& l : surface.Log()) {
            const auto m = line.match(l);
            if (m.hasMatch()) { EXPECT_LE(std::max(m.captured(1).toDouble(), m.captured(2).toDouble()), right) << l.toStdString(); }
        }
    }
    EXPECT_EQ(tempo, 1);
}

namespace {

// Four named parts of `bars` bars of quarters and eighths with a syllable on each, the bass two
// octaves down; the song as long as its notes.
void FourParts(PageInkTest& t, doc::Song& s, int bars) {
    s.PartCount = 4;
    for (int p = 1; p <= 8; ++p) {
        s.Parts[p].NoteCount = 0;
        s.Parts[p].ShowInScore = p <= 4;
        s.Parts[p].StripTop = int16_t(p * 100);
    }
    const char* names[] = {"女高", "女低", "男高", "男低"};
    const int base[] = {72, 60, 60, 36};
    const int scale[] = {0, 2, 4, 5, 7, 9, 11, 12, 14};  // no accidentals
    for (int p = 1; p <= 4; ++p) {
        s.Parts[p].Name = names[p - 1];
        int32_t at = 0;
        for (int k = 0; at < bars * 192; ++k) {
            const int len = k % 3 == 2 ? 24 : 48;
            t.add(p, at, len, base[p - 1] + scale[(k * 5) % 9], k % 2 ? "六" : "山");
            at += len;
        }
    }
    s.SongSeconds = bars * 4 * 60.0 / s.TempoChangeBpm[0];
}

// Key, tempo (unchanged, so the song keeps its length), dynamic and expression on one tick of the
// top part.
void NewSection(PageInkTest& t, doc::Song& s, int32_t tick) {
    const int k = ++s.KeyChangeLastIndex;
    s.KeyChangeTicks[k] = tick, s.KeyChangeKeys[k] = 3;
    const int m = ++s.TempoLastIndex;
    s.TempoChangeTicks[m] = tick, s.TempoChangeBpm[m] = s.TempoChangeBpm[0];
    t.add(1, tick, 0, doc::kDynamics, "1");
    t.add(1, tick, 0, doc::kExpression, "安静地");
}

// A chord of three notes in `part` from `tick` up to `close`, where its bracket closes: the part's
// notes in that time give way to it.
void Chord(PageInkTest& t, doc::Song& s, int part, int32_t tick, int32_t close, int pitch) {
    doc::PartRecord& p = s.Parts[part];
    int kept = 0;
    for (int i = 0; i < p.NoteCount; ++i) {
        doc::NoteRecord& n = s.Notes[part][i];
        if (n.Start < tick && n.Start + n.Length > tick) n.Length = int16_t(tick - n.Start);
        if (n.Start < tick || n.Start >= close) s.Notes[part][kept++] = n;
    }
    p.NoteCount = int16_t(kept);
    t.add(part, tick, 0, doc::kSpecialSymbol, "{");
    for (int k = 0; k < 3; ++k) t.add(part, tick, close - tick, pitch + 4 * k - (k == 2), k == 0 ? "阿" : "");
    t.add(part, close, 0, doc::kSpecialSymbol, "}");
}

}  // namespace

// New sections and chords typeset at the default page settings: the marks of a system and the
// notes of a chord get the room they need instead of printing into the rows, the system above, the
// title block or off the paper.
TEST_F(PageInkTest, StackedMarksAndChordsMakeRoom) {
    app::installFonts(PROGRAM_DIR);
    struct Case {
        const char* name;
        // Adds the marks, given the plain line starts and the systems of the first page.
        std::function<void(PageInkTest&, doc::Song&, const std::vector<int32_t>&, int)> marks;
        int texts = 5;           // texts of the marks (the song's key stands in the title block)
        bool chordRows = false;  // rows holding chords stand further apart
    };
    const Case cases[] = {
        {"a new section at tick 0, under the title block",
         [](PageInkTest& t, doc::Song& s, const std::vector<int32_t>&, int) { NewSection(t, s, 0); }, 4},
        {"a new section at a middle system of the first page",
         [](PageInkTest& t, doc::Song& s, const std::vector<int32_t>& starts, int) { NewSection(t, s, starts[1]); }},
        {"a new section at the second page's first system",
         [](PageInkTest& t, doc::Song& s, const std::vector<int32_t>& starts, int first) {
             NewSection(t, s, starts[size_t(first)]);
         }},
        {"chords closed on the next line's first tick, in the top and a middle part",
         [](PageInkTest& t, doc::Song& s, const std::vector<int32_t>& starts, int) {
             for (size_t k = 1; k + 1 < starts.size(); ++k) {
                 Chord(t, s, 1, starts[k] - 96, starts[k], 72);
                 Chord(t, s, 3, starts[k] - 48, starts[k], 53);
             }
         },
         0, true},
    };
    for (const Case& c : cases) {
        form.reset();
        start();
        doc::Song& s = *form->song;
        FourParts(*this, s, 40);
        form->ShowPartNames();
        form->RebuildTimeline();
        ASSERT_TRUE(form->RunPageSetup(true));
        const std::vector<int32_t> starts = form->Lines.Starts;
        const std::vector<typeset::SystemPlace> plain = form->PlannedSystems;
        c.marks(*this, s, starts, form->Page.FirstPageSystems);
        form->RebuildTimeline();
        typeset::TypesetResult r;
        const auto pages = typesetPages(false, &r);
        ASSERT_EQ(form->Lines.Starts, starts) << c.name;  // the marks stand where they were put
        ASSERT_EQ(r.Systems.size(), starts.size() - 1) << c.name;
        const typeset::PageGeometry& g = form->Page;
        // Systems that make room stand lower than before; rows holding chords stand apart.
        EXPECT_NE(r.Systems, plain) << c.name;
        bool rowsApart = false;
        for (const typeset::SystemPlace& p : r.Systems) rowsApart |= !p.RowShift.empty();
        EXPECT_EQ(rowsApart, c.chordRows) << c.name;

        const std::vector<QRectF> title = form->TypesetValues().TitleInk;
        QRectF titleBlock;
        for (const QRectF& ink : title) titleBlock |= ink;
        const QRect paper(0, 0, g.PaperWidth, g.PaperHeight);
        const int pitch = g.PartRowHeight + g.PartRowGap;
        int marks = 0, lowDots = 0;
        for (const auto& [page, surface] : pages) {
            const std::vector<Glyph> glyphs = PageGlyphs(surface);
            for (size_t i = 0; i < glyphs.size(); ++i) {
                const Glyph& a = glyphs[i];
                EXPECT_TRUE(paper.contains(a.ink)) << c.name << ": page " << page << " \"" << a.text.toStdString() << "\"";
                EXPECT_GE(a.ink.top(), g.TopMargin / 2) << c.name << ": page " << page << " \"" << a.text.toStdString() << "\"";
                EXPECT_LE(a.ink.bottom(), g.TopMargin + g.PrintableHeight) << c.name << ": page " << page;
                if (page == 0) { EXPECT_FALSE(a.ink.intersects(titleBlock.toAlignedRect())) << c.name << " \"" << a.text.toStdString() << "\""; }
                for (size_t j = i + 1; j < glyphs.size(); ++j) {
                    const Glyph& b = glyphs[j];
                    if (a.text == "_" && b.text == "_") continue;
                    EXPECT_FALSE(a.ink.intersects(b.ink)) << c.name << ": page " << page << " \"" << a.text.toStdString()
                                                          << "\" " << a.ink.x() << "," << a.ink.y() << " and \""
                                                          << b.text.toStdString() << "\" " << b.ink.x() << "," << b.ink.y();
                }
                // An octave dot under a digit keeps two white rows from it and from the syllable
                // under it.
                if (a.text == "l" && a.font == "Qelto")
                    for (const Glyph& b : glyphs) {
                        if (b.ink.right() < a.ink.left() || b.ink.left() > a.ink.right() || b.text == "l") continue;
                        const bool digitAbove = b.font == "黑体" && b.ink.bottom() < a.ink.top() && b.ink.bottom() > a.ink.top() - 6;
                        const bool syllableUnder = b.font == "宋体" && b.ink.top() > a.ink.bottom() && b.ink.top() < a.ink.bottom() + 8;
                        if (digitAbove) { EXPECT_GE(a.ink.top() - b.ink.bottom() - 1, 2) << c.name << ": dot at " << a.ink.y(); }
                        if (syllableUnder) { EXPECT_GE(b.ink.top() - a.ink.bottom() - 1, 2) << c.name << ": dot at " << a.ink.y(); }
                        lowDots += digitAbove || syllableUnder;
                    }
                // A mark above the top row never stands in the rows of a system, from the first
                // row's digits to the last row's syllables.
                const bool mark = a.text == "1=bE" || a.text == "q" || a.text.startsWith(" =") || a.text == "p" ||
                                  a.text == "安静地";
                if (!mark) continue;
                ++marks;
                for (const typeset::SystemPlace& p : r.Systems) {
                    if (p.Page != page) continue;
                    const int top = int(vb::Round(p.Top)) + form->TypesetValues().Style.DigitOffset();
                    const int bottom = int(vb::Round(p.Top)) + (g.RowsPerSystem - 1) * pitch + p.Shift(g.RowsPerSystem - 1) +
                                       g.PartRowHeight;
                    EXPECT_FALSE(a.ink.intersects(QRect(0, top, g.PaperWidth, bottom - top)))
                        << c.name << ": page " << page << " \"" << a.text.toStdString() << "\" at " << a.ink.y();
                }
            }
        }
        EXPECT_EQ(marks, c.texts) << c.name;
        EXPECT_GT(lowDots, 0) << c.name;
    }
}

// Songs that crowd a line sideways, typeset and finished at the default page settings: no glyph of
// a note or mark touches another (bar lines, the bracket, time signatures, measure numbers, tuplet
// figures and the closing mark included), no tuplet arc or figure touches a tie or another tuplet
// arc, nothing stands outside the printable width, and songs whose lines hold their glyphs keep the
// plain line breaks, the last line included.
TEST_F(PageInkTest, NotesBarLinesAndBracketsKeepApartSideways) {
    struct Case {
        const char* name;
        std::function<void(PageInkTest&, doc::Song&)> fill;
        bool plainLines = true;  // the plain line breaks hold
        bool measureNumbers = false;
        int digitWhite = 0;  // the least white between two neighbouring digits of a row
    };
    const auto parts = [](doc::Song& s, int shown) {
        for (int p = 1; p <= s.PartCount; ++p) s.Parts[p].NoteCount = 0, s.Parts[p].ShowInScore = p <= shown;
    };
    const auto bars = [](doc::Song& s, int count) { s.SongSeconds = count * 192 * 1.25 / s.TempoChangeBpm[0]; };
    const Case cases[] = {
        {"a dense last bar of sixteenths with accidentals after quarters",
         [&](PageInkTest& t, doc::Song& s) {
             parts(s, 4);
             for (int p = 1; p <= 4; ++p) {
                 for (int k = 0; k < 44; ++k) t.add(p, k * 48, 48, 60 + (k + p) % 7, "啦");
                 for (int k = 0; k < 16; ++k) t.add(p, 11 * 192 + k * 12, 12, 61 + (k * 5 + p) % 12, "啊");
             }
             bars(s, 12);
         }},
        {"notes recorded off the grid: lengths 5, 20 and 37 from odd ticks",
         [&](PageInkTest& t, doc::Song& s) {
             parts(s, 3);
             const int start[] = {7, 29, 66, 71, 100, 120, 143, 190, 210, 247, 290, 300, 337, 389, 426, 470};
             const int length[] = {20, 37, 5, 20, 20, 20, 37, 20, 37, 41, 5, 37, 47, 37, 20, 5};
             for (int i = 0; i < 16; ++i) t.add(1, start[i], length[i], 60 + i * 5 % 12, "啦");
             for (int i = 0; i < 24; ++i) t.add(2, 5 + i * 20, 20, 55 + i * 3 % 12, "啊");
             for (int i = 0; i < 13; ++i) t.add(3, 3 + i * 37, 37, 50 + i * 7 % 12);
             bars(s, 3);
         },
         false, false, 4},
        {"the sample song with the first notes of two parts played again off the grid",
         [&](PageInkTest&, doc::Song&) {
             dialogs.msgBoxAnswers.push_back(vb::vbNo);
             dialogs.fileAnswers.push_back(QString::fromUtf8(PROGRAM_DIR "/示范文件/晚风.brc"));
             form->Command2_Click(2);
             doc::Song& s = *form->song;
             testsongs::ReRecordOffTheGrid(s, 2, 16);
             // Texts above the rows where the tuplet arcs rise over the ties, and a new section.
             for (int32_t t = 0; t < 384; t += 48) {
                 add(1, t, 0, doc::kDynamics, "1");
                 if (t % 96 == 0) add(1, t, 0, doc::kExpression, "安静地");
             }
             NewSection(*this, s, 192);
         },
         false, false, 4},
        {"a sharp or flat on every bar's first note, a time signature at a line start, measure numbers",
         [&](PageInkTest& t, doc::Song& s) {
             parts(s, 3);
             for (int p = 1; p <= 3; ++p)
                 for (int k = 0; k < 64; ++k) t.add(p, k * 48, 48, k % 4 ? 62 + k % 4 : k % 8 ? 70 : 61 + p % 2 * 5, "啦");
             s.TimeSigLastIndex = 1, s.TimeSigTicks[1] = 576, s.TimeSigCodes[1] = doc::TimeSigTextToCode("4/4");
             bars(s, 16);
         },
         true, true},
        {"chords with accidentals closed on every bar line, some on the next line's first tick",
         [&](PageInkTest& t, doc::Song& s) {
             parts(s, 3);
             for (int p = 1; p <= 3; ++p)
                 for (int b = 0; b < 16; ++b) {
                     t.add(p, b * 192, 48, 62, "啦"), t.add(p, b * 192 + 48, 48, 64, "啦");
                     t.add(p, b * 192 + 96, 0, doc::kSpecialSymbol, "{");
                     for (int k = 0; k < 2; ++k) t.add(p, b * 192 + 96, 96, 61 + 4 * k + p % 2 * 5, k ? "" : "和");
                     t.add(p, (b + 1) * 192, 0, doc::kSpecialSymbol, "}");
                 }
             bars(s, 16);
         }},
        {"one row with measure numbers and a time signature at a line start, ties carried over lines",
         [&](PageInkTest& t, doc::Song& s) {
             parts(s, 1);
             for (int b = 0; b < 16; ++b) {
                 for (int k = 1; k < 3; ++k) t.add(1, b * 192 + k * 48, 48, 61 + k, "啦");
                 t.add(1, b * 192 + 144, 96, 66, "长");
             }
             s.TimeSigLastIndex = 1, s.TimeSigTicks[1] = 576, s.TimeSigCodes[1] = doc::TimeSigTextToCode("4/4");
             bars(s, 16);
         },
         true, true},
    };
    // Joined by design: the bracket's pieces and the bar lines of its column; underlines of one
    // group. A tuplet figure against the verse above is a matter of the rows' spacing.
    const auto joined = [](const Glyph& a, const Glyph& b) {
        static const QString column = "|uvwz";
        if (a.font == "Qelto" && b.font == "Qelto" && column.contains(a.text) && column.contains(b.text)) return true;
        if (a.text == "_" && b.text == "_") return true;
        return (a.text == "M" && b.font == "宋体") || (b.text == "M" && a.font == "宋体");
    };
    int tuplets = 0;
    for (const Case& c : cases) {
        form.reset();
        start();
        c.fill(*this, *form->song);
        doc::Song& s = *form->song;  // a song opened from a file replaces the one started with
        form->Check8[2].SetValue(c.measureNumbers ? 1 : 0);
        form->RebuildTimeline();
        const auto pages = typesetPages(true);
        ASSERT_FALSE(pages.empty()) << c.name;
        const typeset::PageSetupResult plain = typeset::ComputePageSetup(form->PanelValues(), s);
        if (c.plainLines) {
            EXPECT_EQ(form->Lines.Starts, plain.Lines.Starts) << c.name;
            EXPECT_EQ(form->Page.LastPage, plain.Geometry.LastPage) << c.name;
        }
        const int left = form->Page.LeftMargin, right = left + form->Page.PrintableWidth;
        int glyphs = 0;
        for (const auto& [page, surface] : pages) {
            const std::vector<Glyph> g = PageGlyphs(surface, false, "|uvwzxM");
            glyphs += int(g.size());
            for (size_t i = 0; i < g.size(); ++i) {
                const Glyph& a = g[i];
                const bool measureNumber = a.font == "宋体" && a.text.trimmed().toInt() > 0;
                if (!measureNumber) {
                    EXPECT_TRUE(a.ink.left() >= left && a.ink.right() <= right)
                        << c.name << ": page " << page << " \"" << a.text.toStdString() << "\" at " << a.ink.x();
                }
                for (size_t j = i + 1; j < g.size(); ++j) {
                    const Glyph& b = g[j];
                    if (joined(a, b)) continue;
                    EXPECT_FALSE(a.ink.intersects(b.ink))
                        << c.name << ": page " << page << " \"" << a.text.toStdString() << "\" " << a.ink.x() << ","
                        << a.ink.y() << " and \"" << b.text.toStdString() << "\" " << b.ink.x() << "," << b.ink.y();
                }
                const auto digit = [](const Glyph& d) { return d.font == "黑体" && QString("01234567").contains(d.text); };
                if (!digit(a)) continue;
                int white = 1 << 20;  // to the next digit on the right in the row
                for (const Glyph& b : g)
                    if (digit(b) && b.ink.left() > a.ink.right() && b.ink.top() <= a.ink.bottom() && b.ink.bottom() >= a.ink.top())
                        white = std::min(white, b.ink.left() - a.ink.right() - 1);
                EXPECT_GE(white, c.digitWhite) << c.name << ": page " << page << " \"" << a.text.toStdString() << "\" at "
                                               << a.ink.x() << "," << a.ink.y();
            }
            // The arcs keep clear of the bracket, the bar lines and the closing mark: a tie
            // carried over a line start comes in just before its note, one running on past a
            // line's end reaches over the closing bar to the system's end.
            for (const Glyph& arc : PageGlyphs(surface, true))
                for (const Glyph& hook : g)
                    if (hook.font == "Qelto" && QString("uvwz|x").contains(hook.text)) {
                        EXPECT_FALSE(arc.ink.intersects(hook.ink)) << c.name << ": page " << page << " arc at " << arc.ink.x()
                                                                   << " and \"" << hook.text.toStdString() << "\"";
                    }
            // A tuplet arc with its figure keeps clear of the ties and of the other tuplet arcs, and
            // every text keeps a white pixel from the arcs and figures.
            const std::vector<std::pair<Glyph, int>> arcs = PageArcs(surface);
            const std::vector<Glyph> texts = PageGlyphs(surface);
            for (size_t i = 0; i < arcs.size(); ++i) {
                const auto& [a, arc] = arcs[i];
                tuplets += a.text == "M";
                for (const Glyph& b : texts)
                    if (b.text != "M") {
                        EXPECT_FALSE(a.ink.adjusted(-1, -1, 1, 1).intersects(b.ink))
                            << c.name << ": page " << page << " \"" << a.text.toStdString() << "\" of arc " << arc << " at "
                            << a.ink.x() << "," << a.ink.y() << " touches \"" << b.text.toStdString() << "\" at " << b.ink.x();
                    }
                for (size_t j = i + 1; j < arcs.size(); ++j)
                    if (arcs[j].second != arc) {
                        EXPECT_FALSE(a.ink.intersects(arcs[j].first.ink))
                            << c.name << ": page " << page << " \"" << a.text.toStdString() << "\" of arc " << arc << " at "
                            << a.ink.x() << "," << a.ink.y() << " and \"" << arcs[j].first.text.toStdString() << "\" of arc "
                            << arcs[j].second << " at " << arcs[j].first.ink.x() << "," << arcs[j].first.ink.y();
                    }
            }
        }
        EXPECT_GT(glyphs, 0) << c.name;
    }
    EXPECT_GT(tuplets, 0);
}

// A song of 120 bars of four parts whose last line holds three bars, the last a whole note: that
// line is drawn as wide as its glyphs need, so the song keeps its plain ten pages and never ends
// with a bar alone.
TEST_F(PageInkTest, TheLastLineWidensInsteadOfLeavingABarAlone) {
    start();
    doc::Song& s = *form->song;
    for (int p = 1; p <= s.PartCount; ++p) s.Parts[p].NoteCount = 0, s.Parts[p].ShowInScore = p <= 4;
    for (int p = 1; p <= 4; ++p) {
        for (int b = 0; b < 119; ++b) {
            int32_t at = b * 192;
            for (int k = 0; k < 6; ++k) {
                const int length = k < 4 ? 24 : 48;
                add(p, at, length, 57 + (b * 3 + k * 2 + p) % 14, k % 2 ? "啦" : "风");
                at += length;
            }
        }
        add(p, 119 * 192, 192, 60 + p, "啊");
    }
    s.SongSeconds = 120 * 192 * 1.25 / s.TempoChangeBpm[0];
    form->RebuildTimeline();
    ASSERT_TRUE(form->RunPageSetup(true));
    const typeset::PageSetupResult plain = typeset::ComputePageSetup(form->PanelValues(), s);
    EXPECT_EQ(form->Lines.Starts, plain.Lines.Starts);
    EXPECT_EQ(form->Page.LastPage + 1, 10);
    const int32_t last = form->Lines.Starts[form->Lines.LastSystem];
    EXPECT_EQ(s.SongLength - last, 3 * 192);
    // Its digits and syllables keep apart: wider than its natural width, inside the printable one.
    const auto pages = typesetPages(true);
    const auto& lastPage = pages.at(form->Page.LastPage);
    const std::vector<Glyph> g = PageGlyphs(lastPage, false, "x");
    for (size_t i = 0; i < g.size(); ++i)
        for (size_t j = i + 1; j < g.size(); ++j)
            if (!(g[i].text == "_" && g[j].text == "_")) {
                EXPECT_FALSE(g[i].ink.intersects(g[j].ink)) << g[i].text.toStdString() << " " << g[i].ink.x() << " and "
                                                            << g[j].text.toStdString() << " " << g[j].ink.x();
            }
}
