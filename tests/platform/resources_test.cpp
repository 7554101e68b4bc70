// The files of the program folder that we author: the notation font, the word lists,
// the metronome sounds, the silent placeholder and the page backgrounds.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPainterPath>
#include <QRawFont>
#include <QRegularExpression>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <set>

#include "platform/textcodec.h"

namespace {

const QString kProgramDir = QStringLiteral(PROGRAM_DIR);
constexpr qreal kPixels = 100.0;  // size the font is examined at

QByteArray readAll(const QString& name) {
    QFile f(kProgramDir + "/" + name);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

// ---------------------------------------------------------------- notation font

class NotationFont : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        int id = QFontDatabase::addApplicationFont(kProgramDir + "/Qelto.ttf");
        families = new QStringList(QFontDatabase::applicationFontFamilies(id));
        raw = new QRawFont(kProgramDir + "/Qelto.ttf", kPixels);
    }
    static void TearDownTestSuite() {
        delete raw;
        delete families;
    }
    static quint32 glyphOf(char c) {
        QList<quint32> g = raw->glyphIndexesForString(QString(QChar(c)));
        return g.isEmpty() ? 0 : g.first();
    }
    static qreal advance(char c) {
        QList<QPointF> a = raw->advancesForGlyphIndexes(QList<quint32>{glyphOf(c)});
        return a.isEmpty() ? 0 : a.first().x();
    }
    // Outline in pixels, y measured downwards from the baseline.
    static QPainterPath outline(char c) { return raw->pathForGlyph(glyphOf(c)); }
    // Outline with y measured downwards from the top of the text box, as printed.
    static QPainterPath printed(char c) { return outline(c).translated(0, raw->ascent()); }
    static qreal boxHeight() { return raw->ascent() + raw->descent(); }

    static QStringList* families;
    static QRawFont* raw;
};
QStringList* NotationFont::families = nullptr;
QRawFont* NotationFont::raw = nullptr;

TEST_F(NotationFont, LoadsUnderItsFamilyName) {
    ASSERT_TRUE(raw->isValid());
    ASSERT_EQ(*families, QStringList{"Qelto"});
    QFont f("Qelto");
    EXPECT_EQ(QFontInfo(f).family(), "Qelto");
}

TEST_F(NotationFont, EverySymbolListCharacterHasAGlyph) {
    // The symbol list offers every character from "#" to "}"; all but the two
    // blanks before augmentation dots are visible marks.
    for (int c = 35; c <= 125; ++c) {
        SCOPED_TRACE(std::string(1, char(c)));
        ASSERT_TRUE(raw->supportsCharacter(QChar(c)));
        EXPECT_NE(glyphOf(char(c)), 0u);
        EXPECT_GT(advance(char(c)), 0.0);
        if (c == 'a' || c == 'b')
            EXPECT_TRUE(outline(char(c)).isEmpty());
        else
            EXPECT_FALSE(outline(char(c)).isEmpty());
    }
    ASSERT_TRUE(raw->supportsCharacter(QChar(' ')));  // numbers are printed with a leading blank
    EXPECT_GT(advance(' '), 0.0);
}

TEST_F(NotationFont, TextBoxMatchesTheDigitFont) {
    // Glyphs are placed by the top of their text box at the digits' print position,
    // so the box must be the digit font's box at the same size.
    QFont digits("WenQuanYi Micro Hei");
    digits.setPixelSize(int(kPixels));
    QFontMetricsF m(digits);
    if (QFontInfo(digits).family() != "WenQuanYi Micro Hei") GTEST_SKIP() << "digit font not installed";
    EXPECT_NEAR(boxHeight(), m.height(), 1.5);
    EXPECT_NEAR(raw->ascent(), m.ascent(), 1.5);
    // The pieces printed every digit cell are one digit cell wide.
    EXPECT_NEAR(advance('X'), m.horizontalAdvance("5"), 1.0);
    EXPECT_NEAR(advance('I'), m.horizontalAdvance("5"), 1.0);
}

TEST_F(NotationFont, ArcPiecesJoinIntoOneBand) {
    const qreal w = advance('X');
    QRectF band = printed('X').boundingRect();
    EXPECT_LE(band.left(), 0.0);
    EXPECT_GE(band.right(), w);  // consecutive middles overlap
    const qreal mid = band.center().y();
    QRectF fill = printed('Z').boundingRect();
    EXPECT_NEAR(fill.top(), band.top(), 0.5);
    EXPECT_NEAR(fill.bottom(), band.bottom(), 0.5);
    EXPECT_GE(fill.right() - fill.left(), w / 5);  // fill pieces every fifth of a cell touch
    // The left end reaches the next cell at the band's height; the right end starts on it.
    EXPECT_TRUE(printed('W').contains(QPointF(w - 0.5, mid)));
    EXPECT_TRUE(printed('W').contains(QPointF(w + 0.2, mid)));
    EXPECT_TRUE(printed('Y').contains(QPointF(0.5, mid)));
    // The ends come down towards the digits below the arc.
    EXPECT_GT(printed('W').boundingRect().bottom(), band.bottom() + 0.1 * boxHeight());
    EXPECT_GT(printed('Y').boundingRect().bottom(), band.bottom() + 0.1 * boxHeight());
    // The tuplet figure stands above the band, centred on its print x.
    QRectF three = printed('M').boundingRect();
    EXPECT_LT(three.bottom(), band.top());
    EXPECT_NEAR(three.center().x(), 0.0, 0.1 * w);
}

TEST_F(NotationFont, ExtensionAndUnderlinePiecesJoin) {
    const qreal w = advance('I');
    QRectF line = printed('I').boundingRect();
    EXPECT_LE(line.left(), 0.0);
    EXPECT_GE(line.right(), w);
    EXPECT_TRUE(printed('H').contains(QPointF(w + 0.2, line.center().y())));

    QRectF under = printed('_').boundingRect();
    QRectF piece = printed('c').boundingRect();
    EXPECT_NEAR(piece.top(), under.top(), 0.5);
    EXPECT_NEAR(piece.bottom(), under.bottom(), 0.5);
    EXPECT_NEAR(advance('c'), w / 2, 1.0);
    EXPECT_GE(piece.width(), advance('c'));  // pieces every half cell touch
    // Printed an eighth of the box below the digit's top, the first underline lies
    // below the digit's baseline but still close to it.
    const qreal y = under.center().y() + boxHeight() / 8;
    EXPECT_GT(y, raw->ascent());
    EXPECT_LT(y, raw->ascent() + 0.15 * boxHeight());
}

TEST_F(NotationFont, ColumnsJoinFromRowToRow) {
    const qreal h = boxHeight();
    for (char c : {'|', 'z', 'x', 'h', 'i', 'j'}) {
        SCOPED_TRACE(std::string(1, c));
        QRectF r = printed(c).boundingRect();
        EXPECT_LE(r.top(), 0.0);
        EXPECT_GE(r.bottom(), h);
    }
    // Bracket: body pieces every half box, top end down to where the body starts,
    // bottom end from the top of the last row down to its bottom.
    QRectF body = printed('u').boundingRect();
    EXPECT_LE(body.top(), 0.0);
    EXPECT_GE(body.bottom(), h / 2);
    QRectF top = printed('v').boundingRect();
    EXPECT_GE(top.bottom(), h / 2);
    EXPECT_LE(top.top(), 0.0);
    QRectF bottom = printed('w').boundingRect();
    EXPECT_LE(bottom.top(), 0.0);
    EXPECT_GE(bottom.bottom(), 0.9 * h);
    EXPECT_NEAR(body.left(), top.left(), 0.5);
    EXPECT_NEAR(body.left(), bottom.left(), 0.5);
    EXPECT_GE(advance('w'), bottom.width() * 0.8);  // the bracket fits its room
}

TEST_F(NotationFont, DotsSitWhereTheTypesetterExpectsThem) {
    // The typesetter's H is the digit sample's height, the font's pixel size.
    const qreal h = kPixels;
    const qreal digitTop = raw->ascent() - 0.714 * kPixels;  // digit glyphs are 0.714 em tall
    const qreal digitBottom = raw->ascent();
    // Octave dot above: printed h/6 + 0.87 h above the digit's print y.
    QRectF dot = printed('l').boundingRect();
    const qreal above = dot.center().y() - h / 6 - 0.87 * h;
    EXPECT_LT(above, digitTop);
    EXPECT_GT(above, digitTop - 0.35 * h);
    // Octave dot below a quarter: printed at (1 - 4) h/6 + 0.48 h.
    const qreal below = dot.center().y() - 3 * h / 6 + 0.48 * h;
    EXPECT_GT(below, digitBottom);
    EXPECT_LT(below, digitBottom + 0.35 * h);
    // Augmentation dot: beside the digit at about half its height.
    QRectF aug = printed('m').boundingRect();
    EXPECT_GT(aug.center().y(), digitTop + 0.25 * (digitBottom - digitTop));
    EXPECT_LT(aug.center().y(), digitBottom - 0.25 * (digitBottom - digitTop));
    EXPECT_GT(advance('a'), advance('b'));  // the dot of a dotted quarter stands further right
}

TEST_F(NotationFont, TimeSignatureDigitsClearTheFractionBar) {
    // Numerator printed h/2 above and denominator h/2 below the bar's print y.
    const qreal h = boxHeight();
    QRectF bar = printed('_').boundingRect();
    for (char d = '0'; d <= '9'; ++d) {
        SCOPED_TRACE(std::string(1, d));
        QRectF r = printed(d).boundingRect();
        EXPECT_LT(r.bottom() - h / 2, bar.top());
        EXPECT_GT(r.top() + h / 2, bar.bottom());
        EXPECT_GT(r.height(), 0.4 * h);
        // Printed as a number, with a blank for the sign, the digit stays over the bar.
        EXPECT_GE(advance(' ') + r.left(), bar.left());
        EXPECT_LE(advance(' ') + r.right(), bar.right());
    }
}

TEST_F(NotationFont, AccidentalsFitBeforeTheDigit) {
    // Printed a quarter cell left of the digit, whose ink starts 0.064 em in.
    const qreal digitInk = 0.064 * kPixels;
    for (char c : {'t', 'r', 's'}) {
        SCOPED_TRACE(std::string(1, c));
        QRectF r = printed(c).boundingRect();
        EXPECT_LT(r.right() - advance('X') / 4, digitInk);
        EXPECT_LT(r.height(), 0.6 * boxHeight());
    }
}

// ---------------------------------------------------------------- word lists

// Fields as the sequential reader sees them: a field ends at a comma or at the
// end of a line; a field in double quotes may hold commas.
QStringList fields(const QString& name) {
    QByteArray bytes = readAll(name);
    QString text = textcodec::fromGbk(bytes);
    QStringList out;
    for (const QString& line : text.split("\r\n", Qt::SkipEmptyParts)) {
        QString cur;
        bool quoted = false;
        for (QChar ch : line) {
            if (ch == '"') quoted = !quoted;
            else if (ch == ',' && !quoted) { out << cur.trimmed(); cur.clear(); }
            else cur += ch;
        }
        out << cur.trimmed();
    }
    return out;
}

TEST(WordLists, AreGbkWithWindowsLineEndsAndNoEmptyEntries) {
    for (const char* name : {"GM.txt", "jp.txt", "explin.txt", "pgmode.txt", "pset.ini"}) {
        SCOPED_TRACE(name);
        QByteArray bytes = readAll(name);
        ASSERT_FALSE(bytes.isEmpty());
        EXPECT_FALSE(textcodec::fromGbk(bytes).contains(QChar(0xFFFD)));
        EXPECT_TRUE(bytes.endsWith("\r\n"));
        EXPECT_EQ(bytes.count("\n"), bytes.count("\r\n"));
        for (const QString& f : fields(name)) EXPECT_FALSE(f.isEmpty());
    }
    // The instrument names are the 128 programs, all different.
    QStringList names = fields("GM.txt");
    ASSERT_EQ(names.size(), 128);
    EXPECT_EQ(std::set<QString>(names.begin(), names.end()).size(), 128u);
}

TEST(WordLists, TimeSignaturesAreFractionsWithUsableDenominators) {
    QStringList sigs = fields("jp.txt");
    ASSERT_FALSE(sigs.isEmpty());
    EXPECT_TRUE(sigs.contains("4/4"));  // the change panel lists only these
    QRegularExpression form("^([0-9]+)/([0-9]+)$");
    for (const QString& s : sigs) {
        auto m = form.match(s);
        ASSERT_TRUE(m.hasMatch()) << s.toStdString();
        int n = m.captured(1).toInt(), d = m.captured(2).toInt();
        EXPECT_GE(n, 1);
        EXPECT_LE(n, 31) << s.toStdString();  // numerator plus 32 x k in one code
        EXPECT_TRUE(d == 1 || d == 2 || d == 4 || d == 8 || d == 16) << s.toStdString();
    }
}

TEST(WordLists, PageNumberTextsHaveThePagePlaceholder) {
    QStringList modes = fields("pgmode.txt");
    ASSERT_GE(modes.size(), 2);  // the second is selected at start-up
    for (const QString& m : modes) EXPECT_TRUE(m.contains("&p") || m.contains("&P")) << m.toStdString();
    EXPECT_TRUE(std::any_of(modes.begin(), modes.end(), [](const QString& m) { return m.contains("&P"); }));
}

TEST(WordLists, PaperSizesMatchTheirCount) {
    QStringList f = fields("pset.ini");
    ASSERT_FALSE(f.isEmpty());
    bool ok = false;
    int n = f[0].toInt(&ok);
    ASSERT_TRUE(ok);
    ASSERT_GE(n, 3);
    ASSERT_EQ(f.size(), 1 + 3 * n);
    QStringList names;
    for (int i = 0; i < n; ++i) {
        QString name = f[1 + 3 * i];
        int w = f[2 + 3 * i].toInt(), h = f[3 + 3 * i].toInt();
        // The list entry is read back after "[" and "×"; sizes in whole millimetres up to 255 cm.
        EXPECT_FALSE(name.contains('[') || name.contains(QChar(0xD7)));
        EXPECT_TRUE(w > 0 && w <= 2550 && h > 0 && h <= 2550) << name.toStdString();
        names << name;
    }
    // The first entry is the default paper; the printer picks its paper by the name's start.
    EXPECT_EQ(f.mid(1, 3), QStringList({"A4", "210", "297"}));
    EXPECT_TRUE(names.contains("A5"));
}

// ---------------------------------------------------------------- sounds

struct Wave {
    int format = 0, channels = 0, rate = 0, bits = 0;
    QByteArray data;
    double seconds() const { return double(data.size()) / (rate * channels * (bits / 8)); }
};

Wave readWave(const QString& name) {
    Wave w;
    QByteArray b = readAll(name);
    if (b.size() < 12 || !b.startsWith("RIFF") || b.mid(8, 4) != "WAVE") return w;
    int pos = 12;
    while (pos + 8 <= b.size()) {
        QByteArray id = b.mid(pos, 4);
        quint32 len = qFromLittleEndian<quint32>(b.constData() + pos + 4);
        const char* body = b.constData() + pos + 8;
        if (id == "fmt ") {
            w.format = qFromLittleEndian<quint16>(body);
            w.channels = qFromLittleEndian<quint16>(body + 2);
            w.rate = int(qFromLittleEndian<quint32>(body + 4));
            w.bits = qFromLittleEndian<quint16>(body + 14);
        } else if (id == "data") {
            w.data = b.mid(pos + 8, int(len));
        }
        pos += 8 + int(len) + int(len & 1);
    }
    return w;
}

struct ClickStats { int peak = 0; int crossings = 0; };

ClickStats stats16(const Wave& w) {
    ClickStats s;
    int prev = 0;
    for (int i = 0; i + 1 < w.data.size(); i += 2) {
        int v = qFromLittleEndian<qint16>(w.data.constData() + i);
        s.peak = std::max(s.peak, std::abs(v));
        if ((v >= 0) != (prev >= 0)) ++s.crossings;
        prev = v;
    }
    return s;
}

TEST(Sounds, ClicksAreShortAndTheAccentIsHigherAndLouder) {
    for (const char* name : {"0.wav", "1.wav"}) {
        SCOPED_TRACE(name);
        Wave w = readWave(name);
        EXPECT_EQ(w.format, 1);
        EXPECT_EQ(w.bits, 16);
        EXPECT_GT(w.seconds(), 0.01);
        EXPECT_LT(w.seconds(), 0.2);  // a click must be over well before the next beat
    }
    Wave beat = readWave("0.wav"), accent = readWave("1.wav");
    ASSERT_EQ(beat.rate, accent.rate);
    ClickStats b = stats16(beat), a = stats16(accent);
    EXPECT_GT(b.peak, 3000);
    EXPECT_GT(a.peak, b.peak * 1.3);
    EXPECT_GT(a.crossings * beat.data.size(), b.crossings * accent.data.size() * 1.2);
}

TEST(Sounds, PlaceholderIsElevenMinutesOfSilence) {
    Wave w = readWave("none.wav");
    ASSERT_EQ(w.format, 1);
    EXPECT_GE(w.seconds(), 660.0);
    ASSERT_TRUE(w.bits == 8 || w.bits == 16);
    const char silent = w.bits == 8 ? char(0x80) : char(0);
    EXPECT_EQ(w.data.count(silent), w.data.size());
}

// ---------------------------------------------------------------- page backgrounds

TEST(PageBackgrounds, AtLeastThreeLightPictures) {
    QDir dir(kProgramDir + "/peo");
    QStringList files = dir.entryList(QDir::Files, QDir::Name);
    ASSERT_GE(files.size(), 3);
    for (const QString& f : files) {
        SCOPED_TRACE(f.toStdString());
        QImage img(dir.filePath(f));
        ASSERT_FALSE(img.isNull());
        // The page setup tiles the top-left 128 x 128 square.
        ASSERT_GE(img.width(), 128);
        ASSERT_GE(img.height(), 128);
        double sum = 0;
        int lo = 255, hi = 0;
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x) {
                int g = qGray(img.pixel(x, y));
                sum += g;
                lo = std::min(lo, g);
                hi = std::max(hi, g);
            }
        EXPECT_GT(sum / (128 * 128), 225.0);  // the score stays readable
        EXPECT_GT(hi, lo);                    // some grain
        // Opposite edges are close, so the tiles meet without a seam.
        double seam = 0;
        for (int i = 0; i < 128; ++i)
            seam += std::abs(qGray(img.pixel(0, i)) - qGray(img.pixel(127, i))) +
                    std::abs(qGray(img.pixel(i, 0)) - qGray(img.pixel(i, 127)));
        EXPECT_LT(seam / 256, 8.0);
    }
}

}  // namespace
