#include "platform/surface.h"

#include <sys/mman.h>

#include <QCoreApplication>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QHash>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>
#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <tuple>
#include <unordered_map>

#include "platform/textcodec.h"
#include "platform/vbtext.h"

namespace vb {

QColor ToQColor(Colour c) { return QColor(int(c & 255), int(c >> 8 & 255), int(c >> 16 & 255)); }

Colour FromQColor(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

int ScreenFontPixels(double points) {
    double px = Round(points * 96.0 / 72.0);
    return px < 1 ? 1 : int(px);
}

QFont ScreenFont(const QString& name, double points, bool bold, bool italic) {
    QFont f(name);
    f.setPixelSize(ScreenFontPixels(points));
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

// ---------------------------------------------------------------------------------------------
// Surface: the print-position rules shared by every surface.

void Surface::Print(const QString& text, bool keepLine) {
    keepLine_ = keepLine;
    double width = text.isEmpty() ? 0 : TextWidth(text);
    drawText(curX_, curY_, text);
    if (keepLine) {
        curX_ += width;
    } else {
        curX_ = 0;
        curY_ += TextHeight(text);
    }
}

void Surface::Line(double x1, double y1, double x2, double y2) { Line(x1, y1, x2, y2, foreColor_); }

void Surface::Line(double x1, double y1, double x2, double y2, Colour colour) {
    drawLine(x1, y1, x2, y2, colour);
    curX_ = x2;
    curY_ = y2;
}

void Surface::Cls() {
    clear();
    curX_ = 0;
    curY_ = 0;
}

void Surface::PaintPicture(const QImage& image, double x, double y, double w, double h, double srcX,
                           double srcY, double srcW, double srcH) {
    if (image.isNull()) return;
    if (srcW < 0) srcW = image.width() - srcX;
    if (srcH < 0) srcH = image.height() - srcY;
    if (w < 0) w = srcW;
    if (h < 0) h = srcH;
    if (w == 0 || h == 0 || srcW <= 0 || srcH <= 0) return;
    drawPicture(image, QRectF(x, y, w, h), QRectF(srcX, srcY, srcW, srcH));
}

// ---------------------------------------------------------------------------------------------
// PageSurface

namespace {

// A large image's pixels are laid on huge pages where the system offers them: a page image or a
// canvas of a few megabytes is then brought in with a couple of page faults instead of hundreds,
// which on a virtual machine cost about 11 µs each.
constexpr size_t kHugePage = size_t(2) << 20;

void freePixels(void* pixels) { std::free(pixels); }

QImage blankImage(int w, int h) {
    w = w < 1 ? 1 : w;
    h = h < 1 ? 1 : h;
    const qsizetype stride = qsizetype(w) * 4;
    const size_t bytes = size_t(stride) * size_t(h);
    QImage img;
    if (bytes >= kHugePage) {
        void* pixels = nullptr;
        const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        if (posix_memalign(&pixels, kHugePage, rounded) == 0) {
            madvise(pixels, rounded, MADV_HUGEPAGE);
            img = QImage(static_cast<uchar*>(pixels), w, h, stride, QImage::Format_RGB32, freePixels, pixels);
        }
    }
    if (img.isNull()) img = QImage(w, h, QImage::Format_RGB32);
    img.setDotsPerMeterX(3780);  // 96 dpi
    img.setDotsPerMeterY(3780);
    return img;
}

int whole(double v) {
    double r = Round(v);
    if (r > 1e8) return 100000000;
    if (r < -1e8) return -100000000;
    return int(r);
}

// n pixels of one value: a few written one by one, the rest copied in doubling blocks.
void FillRun(uint* p, int n, uint pixel) {
    const int first = std::min(n, 16);
    for (int i = 0; i < first; ++i) p[i] = pixel;
    for (int done = first; done < n;) {
        const int part = std::min(done, n - done);
        std::memcpy(p + done, p, size_t(part) * sizeof(uint));
        done += part;
    }
}
// The pixels of a line on the 32-bit rows of an image `w` pixels wide, only in rows y0..y1 − 1:
// Bresenham from the first point up to, but not including, the last one.
void DrawLineRows(uchar* bits, qsizetype stride, int w, int y0, int y1, int x, int y, const int ex, const int ey,
                  Colour colour) {
    const int dx = std::abs(ex - x), dy = -std::abs(ey - y);
    const int sx = x < ex ? 1 : -1, sy = y < ey ? 1 : -1;
    const QRgb rgb = ToQColor(colour).rgb();
    // A line far outside the rows is skipped without walking it pixel by pixel.
    if ((x < 0 && ex < 0) || (y < y0 && ey < y0) || (x >= w && ex >= w) || (y >= y1 && ey >= y1)) return;
    // The pixels are written straight into the rows; a row or column line is one run.
    const uint pixel = 0xFF000000u | rgb;
    auto row = [&](int py) { return reinterpret_cast<uint*>(bits + py * stride); };
    if (y == ey || x == ex) {
        if (x == ex && y == ey) return;
        // The run from the first point toward the last, the last left out, clipped to the rows.
        const int a = y == ey ? x : y, b = y == ey ? ex : ey;
        int lo = a < b ? a : b + 1, hi = a < b ? b - 1 : a;
        lo = std::max(lo, y == ey ? 0 : y0);
        hi = std::min(hi, y == ey ? w - 1 : y1 - 1);
        if (y == ey) {
            if (y < y0 || y >= y1 || lo > hi) return;
            FillRun(row(y) + lo, hi - lo + 1, pixel);
        } else {
            if (x < 0 || x >= w) return;
            for (int py = lo; py <= hi; ++py) row(py)[x] = pixel;
        }
        return;
    }
    int err = dx + dy;
    while (!(x == ex && y == ey)) {
        if (x >= 0 && y >= y0 && x < w && y < y1) row(y)[x] = pixel;
        int e2 = 2 * err;
        if (e2 >= dy) { err += dy; x += sx; }
        if (e2 <= dx) { err += dx; y += sy; }
    }
}
}  // namespace

PageSurface::PageSurface(int width, int height) : size_(std::max(width, 1), std::max(height, 1)) {}

void PageSurface::make() const {
    if (image_.isNull()) const_cast<PageSurface*>(this)->clearNow();
}

void PageSurface::makePicture() const {
    if (!pictureDraw_) return;
    // Drawn as it would have been when it was set: on the cleared surface of that time.
    PageSurface blank(pictureSize_.width(), pictureSize_.height());
    blank.backColor_ = pictureBack_;
    pictureDraw_(blank);
    pictureDraw_ = nullptr;
    picture_ = blank.Image();
}

PageSurface::~PageSurface() = default;

// ---------------------------------------------------------------------------------------------
// The fonts of the page surfaces. Each font setting (name, size, bold, italic) gets a number once
// for the life of the process (held texts carry it). Every thread makes its own font objects,
// metrics and laid-out texts from the settings and keeps them with the widths it measured: the
// score switches between a few fonts for every glyph, the same texts come back on every page and
// in every run, and no font object is shared between threads.

struct FontEntry {
    QString name;
    double size = 0;
    bool bold = false, italic = false;
    int id = 0;
};

namespace {

class FontList {
public:
    static FontList& instance() {
        static FontList* list = new FontList;  // outlives every surface, also those of static objects
        return *list;
    }

    const FontEntry& find(const QString& name, double size, bool bold, bool italic) {
        std::lock_guard<std::mutex> lock(m_);
        const auto key = std::make_tuple(name, size, bold, italic);
        auto it = ids_.find(key);
        if (it != ids_.end()) return *entries_[size_t(it->second)];
        auto e = std::make_unique<FontEntry>();
        e->name = name, e->size = size, e->bold = bold, e->italic = italic;
        e->id = int(entries_.size());
        ids_.emplace(key, e->id);
        entries_.push_back(std::move(e));
        return *entries_.back();
    }

    const FontEntry& byId(int id) {
        std::lock_guard<std::mutex> lock(m_);
        return *entries_[size_t(id)];
    }

private:
    std::mutex m_;
    std::vector<std::unique_ptr<FontEntry>> entries_;
    std::map<std::tuple<QString, double, bool, bool>, int> ids_;
};

}  // namespace

namespace {
// A text laid out for drawing: the glyphs of each font it uses (its own and the fonts it falls back
// on) at their places from the top-left corner of the text's box, as the print position places it.
// One line as wide as it needs with its leading, as a static text lays it out.
struct GlyphRun {
    QRawFont font;
    std::vector<quint32> glyphs;
    std::vector<QPointF> positions;
};
std::vector<GlyphRun> LaidOut(const QString& text, const QFont& font) {
    QTextLayout layout(text, font);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid()) {
        line.setLeadingIncluded(true);
        line.setLineWidth(1e7);
        line.setPosition(QPointF(0, 0));
    }
    layout.endLayout();
    std::vector<GlyphRun> runs;
    for (const QGlyphRun& r : layout.glyphRuns()) {
        const QList<quint32> glyphs = r.glyphIndexes();
        const QList<QPointF> positions = r.positions();
        if (glyphs.isEmpty() || glyphs.size() != positions.size()) continue;
        runs.push_back({r.rawFont(), {glyphs.begin(), glyphs.end()}, {positions.begin(), positions.end()}});
    }
    return runs;
}

// Draws the laid-out runs of a text with its top-left corner at `at`.
void DrawRuns(QPainter& p, QPointF at, const std::vector<GlyphRun>& runs) {
    for (const GlyphRun& run : runs) {
        QGlyphRun g;
        g.setRawFont(run.font);
        g.setRawData(run.glyphs.data(), run.positions.data(), int(run.glyphs.size()));
        p.drawGlyphRun(at, g);
    }
}

// A pen for text in a colour. Every painter gets one of its own (its cap, which text never uses,
// differs from the default pen's): a painter left with the default pen shares it with every thread,
// and each draw copies the painter's pen, so the threads would all count on one shared pen.
QPen TextPen(Colour c) {
    QPen pen(ToQColor(c));
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

// Glyphs gathered by font and colour and drawn a batch at a time: a draw call costs far more than a
// glyph (and takes locks every thread shares). Blending on pixels no other draw touches gives the
// same pixels in any order, so a glyph may wait in its batch while others are drawn, as long as
// nothing it may touch is drawn in between: whatever would touch the ink box of a waiting glyph
// first has that glyph's batch drawn. A map of the band's pixels remembers which batches wait on
// each pixel.
class GlyphBatches {
public:
    // Starts on the rows y0..y1 − 1 of an image `width` pixels wide.
    void begin(QPainter* painter, int width, int y0, int y1) {
        for (Batch& batch : batches_) {
            for (uint32_t cell : batch.cells) cells_[cell] = 0;
            batch.glyphs.clear(), batch.positions.clear(), batch.cells.clear();
        }
        painter_ = painter, y0_ = y0, y1_ = y1;
        cols_ = width;
        // The map is all clear after every band (drawing a batch clears its marks).
        const size_t size = size_t(width) * size_t(std::max(0, y1 - y0));
        if (cells_.size() < size) cells_.assign(size, 0);
        pen_ = 0;
        painter_->setPen(TextPen(pen_));
    }
    // The runs of a text with its top-left corner at (x, y) and its ink inside `box`.
    void add(Colour colour, const std::vector<GlyphRun>& runs, int x, int y, QRect box) {
        if (!clip(box)) return;
        for (const GlyphRun& run : runs) {
            const size_t b = batchFor(run.font, colour);
            drawWaitingOn(box, ~(uint32_t(1) << b));
            Batch& batch = batches_[b];
            batch.glyphs.insert(batch.glyphs.end(), run.glyphs.begin(), run.glyphs.end());
            for (const QPointF& at : run.positions) batch.positions.push_back(QPointF(x, y) + at);
            mark(box, b);
        }
    }
    // Before something else is drawn into `box`.
    void before(QRect box) {
        if (clip(box)) drawWaitingOn(box, ~uint32_t(0));
    }
    // Before something is drawn anywhere, and at the end.
    void drawAll() {
        for (size_t b = 0; b < batches_.size(); ++b) draw(b);
    }

private:
    struct Batch {
        QRawFont font;
        Colour colour = 0;
        std::vector<quint32> glyphs;
        std::vector<QPointF> positions;
        std::vector<uint32_t> cells;  // the pixels marked with the batch
    };

    bool clip(QRect& box) const {
        box = box.intersected(QRect(0, y0_, cols_, y1_ - y0_));
        return !box.isEmpty();
    }
    size_t batchFor(const QRawFont& font, Colour colour) {
        size_t freeSlot = batches_.size();
        for (size_t b = 0; b < batches_.size(); ++b) {
            if (batches_[b].colour == colour && batches_[b].font == font) return b;
            if (batches_[b].glyphs.empty() && freeSlot == batches_.size()) freeSlot = b;
        }
        if (freeSlot == batches_.size()) {
            if (batches_.size() == kMaxBatches) {
                drawAll();
                freeSlot = 0;
            } else {
                batches_.emplace_back();
            }
        }
        batches_[freeSlot].font = font;
        batches_[freeSlot].colour = colour;
        return freeSlot;
    }
    template <class F>
    void forCells(QRect box, F&& f) {
        const int c0 = box.left(), c1 = box.right();
        const int r0 = box.top() - y0_, r1 = box.bottom() - y0_;
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c) f(cells_[size_t(r) * size_t(cols_) + size_t(c)]);
    }
    void mark(QRect box, size_t b) {
        const uint32_t bit = uint32_t(1) << b;
        std::vector<uint32_t>& marked = batches_[b].cells;
        const uint32_t* first = cells_.data();
        forCells(box, [&](uint32_t& cell) {
            if (cell & bit) return;
            cell |= bit;
            marked.push_back(uint32_t(&cell - first));
        });
    }
    void drawWaitingOn(QRect box, uint32_t which) {
        uint32_t waiting = 0;
        forCells(box, [&waiting](uint32_t cell) { waiting |= cell; });
        waiting &= which;
        for (size_t b = 0; waiting; ++b, waiting >>= 1)
            if (waiting & 1) draw(b);
    }
    void draw(size_t b) {
        Batch& batch = batches_[b];
        if (batch.glyphs.empty()) return;
        if (pen_ != batch.colour) painter_->setPen(TextPen(batch.colour)), pen_ = batch.colour;
        QGlyphRun run;
        run.setRawFont(batch.font);
        run.setRawData(batch.glyphs.data(), batch.positions.data(), int(batch.glyphs.size()));
        painter_->drawGlyphRun(QPointF(0, 0), run);
        batch.glyphs.clear();
        batch.positions.clear();
        const uint32_t keep = ~(uint32_t(1) << b);
        for (uint32_t cell : batch.cells) cells_[cell] &= keep;
        batch.cells.clear();
    }

    static constexpr size_t kMaxBatches = 32;
    QPainter* painter_ = nullptr;
    int y0_ = 0, y1_ = 0, cols_ = 0;
    Colour pen_ = 0;
    std::vector<Batch> batches_;
    std::vector<uint32_t> cells_;  // per pixel of the band: a bit for each batch waiting on it
};
}  // namespace

// What one thread keeps of the fonts it used: the font objects and metrics by font number, the
// widths measured in each, the settings it looked up last, and every text it laid out for drawing.
struct PageSurface::DrawCache {
    struct Font {
        QFont font;
        QFontMetrics metrics{QFont()};
        int height = 0;
        std::array<int, 128> asciiWidths;              // single ASCII characters (-1 not measured yet)
        std::unordered_map<char16_t, int> charWidths;  // other single characters
        QHash<QString, int> widths;                    // longer texts
    };
    std::vector<std::unique_ptr<Font>> fonts;
    std::array<const FontEntry*, 16> looked{};  // settings looked up lately
    size_t nextLooked = 0;

    struct Key {
        int font;
        QString text;
        bool operator==(const Key& o) const { return font == o.font && text == o.text; }
    };
    struct KeyHash {
        size_t operator()(const Key& k) const { return qHash(k.text, size_t(k.font)); }
    };
    // A text laid out in a font, with the pixels its glyphs change, from its top-left corner (and a
    // little more).
    struct Text {
        std::vector<GlyphRun> laidOut;
        QRect ink;
    };
    std::unordered_map<Key, Text, KeyHash> laidOut;
    // For the surface being drawn: its text index → (font number, laid-out text) last used.
    std::vector<std::pair<int, const Text*>> recent;
    GlyphBatches batches;
    QImage scratch;  // where texts are drawn to find their ink

    static DrawCache& here() {
        thread_local DrawCache cache;
        return cache;
    }

    const FontEntry& find(const QString& name, double size, bool bold, bool italic) {
        for (const FontEntry* e : looked)
            if (e && e->size == size && e->bold == bold && e->italic == italic && e->name == name) return *e;
        const FontEntry& e = FontList::instance().find(name, size, bold, italic);
        looked[nextLooked] = &e;
        nextLooked = (nextLooked + 1) % looked.size();
        return e;
    }

    Font& of(int id) {
        if (size_t(id) >= fonts.size()) fonts.resize(size_t(id) + 1);
        std::unique_ptr<Font>& f = fonts[size_t(id)];
        if (!f) {
            const FontEntry& e = FontList::instance().byId(id);
            f = std::make_unique<Font>();
            f->font = ScreenFont(e.name, e.size, e.bold, e.italic);
            f->metrics = QFontMetrics(f->font);
            f->height = f->metrics.height();
            f->asciiWidths.fill(-1);
        }
        return *f;
    }

    Text layOut(int id, const QString& text) {
        Font& f = of(id);
        Text t;
        t.laidOut = LaidOut(text, f.font);
        // The box of the glyphs, a few pixels more, and a quarter of the font's height more to the
        // sides for a slanted face.
        const QRect box = f.metrics.boundingRect(text);
        const int side = 3 + f.height / 4;
        const QPoint topLeft(std::min(0, box.left()) - side, f.metrics.ascent() + box.top() - 3);
        const QPoint bottomRight(std::max(f.metrics.horizontalAdvance(text), box.right()) + side,
                                 f.metrics.ascent() + box.bottom() + 3);
        t.ink = InkOf(t.laidOut, QRect(topLeft, bottomRight));
        return t;
    }

    // The pixels the glyphs reach, drawn in white on black with the text's corner at the origin
    // (every bit of coverage shows), found inside a wide area around `within`, the box they should
    // lie in.
    QRect InkOf(const std::vector<GlyphRun>& runs, QRect within) {
        const int pad = 2 * within.height() + 8;
        const QRect area = within.adjusted(-pad, -pad, pad, pad);
        if (scratch.width() < area.width() || scratch.height() < area.height())
            scratch = QImage(std::max(scratch.width(), area.width()), std::max(scratch.height(), area.height()),
                             QImage::Format_RGB32);
        scratch.fill(Qt::black);
        {
            QPainter p(&scratch);
            p.setPen(TextPen(0xFFFFFF));
            DrawRuns(p, QPointF(-area.left(), -area.top()), runs);
        }
        int x0 = INT_MAX, y0 = INT_MAX, x1 = INT_MIN, y1 = INT_MIN;
        for (int y = 0; y < area.height(); ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(scratch.constScanLine(y));
            for (int x = 0; x < area.width(); ++x)
                if (line[x] != 0xFF000000u) x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
        }
        if (x1 < 0) return within;  // no ink seen: the box it would lie in
        const QRect ink = QRect(QPoint(x0, y0), QPoint(x1, y1)).translated(area.topLeft());
        // Ink found beyond the box it was thought to lie in: the whole area counts.
        return within.contains(ink) ? ink : area;
    }

    int width(int id, const QString& text) {
        Font& f = of(id);
        if (text.size() == 1 && text[0].unicode() < 128) {
            int& w = f.asciiWidths[text[0].unicode()];
            if (w < 0) w = f.metrics.horizontalAdvance(text);
            return w;
        }
        if (text.size() == 1 && !text[0].isSurrogate()) {
            const auto [it, added] = f.charWidths.try_emplace(text[0].unicode(), 0);
            if (added) it->second = f.metrics.horizontalAdvance(text);
            return it->second;
        }
        auto it = f.widths.constFind(text);
        if (it != f.widths.constEnd()) return *it;
        const int w = f.metrics.horizontalAdvance(text);
        if (f.widths.size() < 16384) f.widths.insert(text, w);
        return w;
    }
};

const FontEntry& PageSurface::fontEntry() const {
    const FontEntry* e = entry_;
    if (e && e->size == fontSize_ && e->bold == fontBold_ && e->italic == fontItalic_ && e->name == fontName_)
        return *e;
    entry_ = &DrawCache::here().find(fontName_, fontSize_, fontBold_, fontItalic_);
    return *entry_;
}

const QFont& PageSurface::font() const { return DrawCache::here().of(fontEntry().id).font; }

double PageSurface::TextWidth(const QString& text) const { return DrawCache::here().width(fontEntry().id, text); }

double PageSurface::TextHeight(const QString&) const { return DrawCache::here().of(fontEntry().id).height; }

// ---------------------------------------------------------------------------------------------
// Held drawing

// One held call in 24 bytes. Positions are already the whole pixels they are drawn at; the kind
// rides in the colour's top byte (colours are &H00BBGGRR).
struct PageSurface::Op {
    enum Kind : uint32_t { Text, Line, Clear, Picture };
    int32_t a = 0, b = 0, c = 0, d = 0;  // Text: x, top, font id; Line: x1, y1, x2, y2
    uint32_t arg = 0;                     // Text: the text's index; Picture: the picture's index
    uint32_t colourKind = 0;
    Kind kind() const { return Kind(colourKind >> 24); }
    Colour colour() const { return colourKind & 0xFFFFFFu; }
    static uint32_t pack(Kind k, Colour c) { return (c & 0xFFFFFFu) | uint32_t(k) << 24; }
};

// What a surface holds: the calls in order, each text it printed stored once, and the pictures.
// Kept from batch to batch with their storage; the text list starts afresh when it grows large.
struct PageSurface::Held {
    bool active = false;
    std::vector<Op> ops;
    std::vector<QString> texts;
    QHash<QString, uint32_t> textIds;
    struct Picture {
        QImage image;
        QRectF target, source;
    };
    std::vector<Picture> pictures;
    // While drawn out: the first call after the clear, the image's pixels, the bands.
    size_t first = 0;
    uchar* bits = nullptr;
    bool clearing = false;  // each band clears its own rows first
    int bands = 1;
    std::atomic<int> bandsLeft{0};

    uint32_t textId(const QString& text) {
        auto it = textIds.constFind(text);
        if (it != textIds.constEnd()) return *it;
        const uint32_t id = uint32_t(texts.size());
        texts.push_back(text);
        textIds.insert(text, id);
        return id;
    }
    void end() {
        active = false;
        ops.clear();
        pictures.clear();
    }
};

bool PageSurface::holding() const { return held_ && held_->active; }

// A surface not made yet stands cleared: a held clear alone leaves it so.
bool PageSurface::holdsNothing() const {
    return holding() && (held_->ops.empty() ||
                         (image_.isNull() && held_->ops.size() == 1 && held_->ops.front().kind() == Op::Clear));
}

void PageSurface::BeginBatch() {
    static_assert(sizeof(Op) == 24, "a held call stays small");
    if (holding()) return;
    if (!held_) {
        held_ = std::make_unique<Held>();
        held_->ops.reserve(1024);
    }
    if (held_->texts.size() > 16384) {
        held_->texts.clear();
        held_->textIds.clear();
    }
    held_->active = true;
}

void PageSurface::drawTextNow(QPainter& p, const QFont& font, QColor colour, double x, double top,
                              const QString& text) {
    p.setPen(TextPen(FromQColor(colour)));
    // Text lands on whole pixels, as on the screen's picture boxes.
    const QPointF at(whole(x), whole(top));
    DrawRuns(p, at, LaidOut(text, font));
}

void PageSurface::drawText(double x, double y, const QString& text) {
    if (text.isEmpty()) return;
    if (holding()) {
        Op op;
        op.a = whole(x), op.b = whole(y), op.c = fontEntry().id;
        op.arg = held_->textId(text);
        op.colourKind = Op::pack(Op::Text, foreColor_);
        held_->ops.push_back(op);
        return;
    }
    make();
    QPainter p(&image_);
    drawTextNow(p, font(), ToQColor(foreColor_), x, y, text);
    p.end();
    notify();
}

void PageSurface::drawLine(double x1, double y1, double x2, double y2, Colour colour) {
    if (holding()) {
        Op op;
        op.a = whole(x1), op.b = whole(y1), op.c = whole(x2), op.d = whole(y2);
        op.colourKind = Op::pack(Op::Line, colour);
        held_->ops.push_back(op);
        return;
    }
    // The image is always RGB32.
    make();
    DrawLineRows(image_.bits(), image_.bytesPerLine(), image_.width(), 0, image_.height(), whole(x1), whole(y1),
                 whole(x2), whole(y2), colour);
    notify();
}

void PageSurface::clear() {
    if (holding()) {
        held_->ops.clear();  // everything held before is covered
        held_->pictures.clear();
        Op op;
        op.colourKind = Op::pack(Op::Clear, 0);
        held_->ops.push_back(op);
        return;
    }
    // An image not made yet stands cleared already; one whose picture waits to be drawn is made
    // again when next needed.
    if (image_.isNull() || pictureDraw_)
        image_ = QImage();
    else
        clearNow();
    notify();
}

void PageSurface::clearNow() {
    makePicture();
    // The image keeps pixels of its own (it is drawn on next): the background picture is copied in.
    if (image_.size() != size_ || !image_.isDetached() || image_.constBits() == picture_.constBits())
        image_ = blankImage(size_.width(), size_.height());
    clearRows(image_.bits(), 0, size_.height());
}

int PageSurface::beginDrawing(int bandsWanted) {
    Held& h = *held_;
    h.first = 0;
    h.clearing = !h.ops.empty() && h.ops.front().kind() == Op::Clear;
    if (h.clearing) {
        // The bands clear their own rows: the image only needs its own pixels, whatever they hold.
        h.first = 1;
        makePicture();
        if (image_.size() != size_ || !image_.isDetached()) image_ = blankImage(size_.width(), size_.height());
    } else {
        make();
    }
    h.bits = image_.bits();  // the image's own pixels from here on (a shared picture is copied)
    // Pictures are drawn on the whole image at once; a band is at least 128 rows.
    h.bands = h.pictures.empty() ? std::clamp(image_.height() / 128, 1, std::max(1, bandsWanted)) : 1;
    h.bandsLeft.store(h.bands);
    return h.bands;
}

// Rows y0..y1 − 1 cleared: the background picture over the background colour.
void PageSurface::clearRows(uchar* bits, int y0, int y1) const {
    const int w = image_.width();
    const qsizetype stride = image_.bytesPerLine();
    if (!picture_.isNull() && picture_.size() == size_ && picture_.format() == QImage::Format_RGB32) {
        for (int y = y0; y < y1; ++y) std::memcpy(bits + y * stride, picture_.constScanLine(y), size_t(w) * 4);
        return;
    }
    const uint pixel = ToQColor(backColor_).rgb();
    for (int y = y0; y < y1; ++y) FillRun(reinterpret_cast<uint*>(bits + y * stride), w, pixel);
    if (picture_.isNull()) return;
    QImage rows(bits, w, y1, stride, image_.format());
    rows.setDotsPerMeterX(image_.dotsPerMeterX());
    rows.setDotsPerMeterY(image_.dotsPerMeterY());
    QPainter p(&rows);
    p.setClipRect(QRect(0, y0, w, y1 - y0));
    p.drawImage(0, 0, picture_);
}

bool PageSurface::drawBand(DrawCache& cache, int band) {
    Held& h = *held_;
    const int w = image_.width(), height = image_.height();
    const qsizetype stride = image_.bytesPerLine();
    const int y0 = int(int64_t(height) * band / h.bands), y1 = int(int64_t(height) * (band + 1) / h.bands);
    if (h.clearing) clearRows(h.bits, y0, y1);
    // The rows down to the band's end, over the image's pixels; the painter keeps to the band.
    QImage rows(h.bits, w, y1, stride, image_.format());
    rows.setDotsPerMeterX(image_.dotsPerMeterX());
    rows.setDotsPerMeterY(image_.dotsPerMeterY());
    QPainter p(&rows);
    if (h.bands > 1) p.setClipRect(QRect(0, y0, w, y1 - y0));
    GlyphBatches& batches = cache.batches;
    batches.begin(&p, w, y0, y1);
    cache.recent.assign(h.texts.size(), {-1, nullptr});
    for (size_t i = h.first; i < h.ops.size(); ++i) {
        const Op& op = h.ops[i];
        switch (op.kind()) {
        case Op::Text: {
            auto& recent = cache.recent[op.arg];
            if (recent.first != op.c) {
                DrawCache::Key key{op.c, h.texts[op.arg]};
                auto it = cache.laidOut.find(key);
                if (it == cache.laidOut.end()) {
                    if (cache.laidOut.size() >= 65536)
                        cache.laidOut.clear(), cache.recent.assign(cache.recent.size(), {-1, nullptr});
                    it = cache.laidOut.emplace(key, cache.layOut(op.c, key.text)).first;
                }
                recent = {op.c, &it->second};
            }
            const DrawCache::Text& t = *recent.second;
            // A text whose ink does not reach the band is left to the bands it reaches.
            const QRect ink = t.ink.translated(op.a, op.b);
            if (ink.top() >= y1 || ink.bottom() < y0) break;
            batches.add(op.colour(), t.laidOut, op.a, op.b, ink);
            break;
        }
        case Op::Picture: {
            batches.drawAll();
            const Held::Picture& pic = h.pictures[op.arg];
            p.drawImage(pic.target, pic.image, pic.source);
            break;
        }
        case Op::Line:
            batches.before(QRect(QPoint(std::min(op.a, op.c), std::min(op.b, op.d)),
                                 QPoint(std::max(op.a, op.c), std::max(op.b, op.d))));
            DrawLineRows(h.bits, stride, w, y0, y1, op.a, op.b, op.c, op.d, op.colour());
            break;
        case Op::Clear:  // only ever the first, drawn before the bands
            break;
        }
    }
    batches.drawAll();
    p.end();
    return h.bandsLeft.fetch_sub(1) == 1;
}

void PageSurface::drawPicture(const QImage& image, const QRectF& target, const QRectF& source) {
    if (holding()) {
        Op op;
        op.arg = uint32_t(held_->pictures.size());
        op.colourKind = Op::pack(Op::Picture, 0);
        held_->pictures.push_back({image, target, source});
        held_->ops.push_back(op);
        return;
    }
    make();
    QPainter p(&image_);
    p.drawImage(target, image, source);
    p.end();
    notify();
}

void PageSurface::SetPicture(const QImage& picture) {
    pictureDraw_ = nullptr;
    picture_ = picture.copy();
    clear();
}

void PageSurface::SetPictureDrawnBy(std::function<void(Surface&)> draw) {
    picture_ = QImage();
    pictureDraw_ = std::move(draw);
    pictureSize_ = size_;
    pictureBack_ = backColor_;
    clear();
}

void PageSurface::KeepImageAsPicture() {
    if (holding()) {
        SetPicture(Image());
        return;
    }
    // The image is the picture as it stands: shared, not copied, until one of them is drawn on.
    make();
    pictureDraw_ = nullptr;
    picture_ = image_;
    notify();
}

bool PageSurface::LoadPicture(const QString& path) {
    QImage img;
    if (!img.load(path)) return false;
    SetPicture(img);
    return true;
}

void PageSurface::Resize(int width, int height) {
    if (width < 1) width = 1;
    if (height < 1) height = 1;
    if (width == size_.width() && height == size_.height()) return;
    size_ = QSize(width, height);
    // A surface not made yet stands cleared at its new size.
    if (!image_.isNull()) {
        makePicture();
        QImage img = blankImage(width, height);
        img.fill(ToQColor(backColor_));
        QPainter p(&img);
        if (!picture_.isNull()) p.drawImage(0, 0, picture_);
        p.drawImage(0, 0, image_);
        p.end();
        image_ = img;
    }
    notify();
}

bool PageSurface::SavePicture(const QString& path) const { return Image().save(path); }

int64_t PageSurface::Point(int x, int y) const {
    if (x < 0 || y < 0 || x >= size_.width() || y >= size_.height()) return -1;
    return FromQColor(QColor(Image().pixel(x, y)));
}

// ---------------------------------------------------------------------------------------------
// The drawing workers: started with the first held page that has something to draw, then kept
// (with the fonts and laid-out texts each has made) until the application object goes away.

struct DrawGroup {
    int pending = 0;
};

struct DrawPool {
    static DrawPool& instance() {
        static DrawPool* pool = new DrawPool;  // stopped by the application's shutdown, never freed
        return *pool;
    }

    // Hands a surface with held drawing to a worker; the group counts it until it is drawn.
    void post(PageSurface* s, DrawGroup& group) {
        {
            std::lock_guard<std::mutex> lock(m_);
            start();
            ++group.pending;
            queue_.push_back({s, &group, -1});
        }
        work_.notify_one();
    }

    void wait(DrawGroup& group) {
        std::unique_lock<std::mutex> lock(m_);
        done_.wait(lock, [&] { return group.pending == 0; });
    }

private:
    struct Task {
        PageSurface* surface;
        DrawGroup* group;
        int band;  // −1: the batch is not begun
    };

    // Under the lock.
    void start() {
        if (!threads_.empty()) return;
        const unsigned n = std::max(1u, std::thread::hardware_concurrency());
        threadCount_ = n;
        for (unsigned i = 0; i < n; ++i) threads_.emplace_back([this] { run(); });
        if (!stopRegistered_) {
            stopRegistered_ = true;
            qAddPostRoutine([] { DrawPool::instance().stop(); });
        }
    }

    void run() {
        PageSurface::DrawCache& cache = PageSurface::DrawCache::here();
        for (;;) {
            Task t{};
            {
                std::unique_lock<std::mutex> lock(m_);
                work_.wait(lock, [&] { return closing_ || !queue_.empty(); });
                if (queue_.empty()) return;
                t = queue_.front();
                queue_.pop_front();
            }
            // The first worker on a batch draws its clear and hands the other bands on: those
            // go before the batches still waiting, so that idle workers take part in it.
            if (t.band < 0) {
                const int bands = t.surface->beginDrawing(int(std::min(threadCount_.load(), kBands)));
                if (bands > 1) {
                    {
                        std::lock_guard<std::mutex> lock(m_);
                        for (int b = bands - 1; b >= 1; --b) queue_.push_front({t.surface, t.group, b});
                    }
                    for (int b = 1; b < bands; ++b) work_.notify_one();
                }
                t.band = 0;
            }
            if (t.surface->drawBand(cache, t.band)) {
                t.surface->held_->end();
                std::lock_guard<std::mutex> lock(m_);
                if (--t.group->pending == 0) done_.notify_all();
            }
        }
    }

    // The workers finish what they were given and end, taking their fonts with them while the
    // font system is still up.
    void stop() {
        std::vector<std::thread> threads;
        {
            std::lock_guard<std::mutex> lock(m_);
            closing_ = true;
            threads.swap(threads_);
            stopRegistered_ = false;
        }
        work_.notify_all();
        for (std::thread& t : threads) t.join();
        std::lock_guard<std::mutex> lock(m_);
        closing_ = false;
    }

    std::mutex m_;
    std::condition_variable work_, done_;
    std::deque<Task> queue_;
    std::vector<std::thread> threads_;
    bool closing_ = false;
    bool stopRegistered_ = false;
    std::atomic<unsigned> threadCount_{1};
    // Bands a page is drawn in at most: more cost more than they save.
    static constexpr unsigned kBands = 4;
};

void PageSurface::EndBatches(const std::vector<PageSurface*>& surfaces) {
    std::vector<PageSurface*> held;
    for (PageSurface* s : surfaces)
        if (s && s->holding() && std::find(held.begin(), held.end(), s) == held.end()) held.push_back(s);
    DrawGroup group;
    for (PageSurface* s : held) {
        if (s->holdsNothing())
            s->held_->end();  // nothing to draw: no worker
        else
            DrawPool::instance().post(s, group);
    }
    DrawPool::instance().wait(group);
    for (PageSurface* s : held) s->notify();
}

// ---------------------------------------------------------------------------------------------
// RecordingSurface

QString RecordingSurface::Num(double v) { return QString::number(v, 'g', 12); }

double RecordingSurface::TextWidth(const QString& text) const {
    return textcodec::gbkLength(text) * (fontSize_ * 96.0 / 72.0) / 2.0;
}

double RecordingSurface::TextHeight(const QString&) const { return fontSize_ * 96.0 / 72.0; }

void RecordingSurface::drawText(double x, double y, const QString& text) {
    QString line = QStringLiteral("Print %1,%2 \"%3\"%4 font=%5 %6")
                       .arg(Num(x), Num(y), text, keepLine_ ? QStringLiteral(";") : QString(),
                            fontName_, Num(fontSize_));
    if (fontBold_) line += QStringLiteral(" bold");
    if (fontItalic_) line += QStringLiteral(" italic");
    log_ << line;
}

void RecordingSurface::drawLine(double x1, double y1, double x2, double y2, Colour colour) {
    log_ << QStringLiteral("Line %1,%2-%3,%4 colour=&H%5")
                .arg(Num(x1), Num(y1), Num(x2), Num(y2), QString::number(colour, 16).toUpper());
}

void RecordingSurface::drawPicture(const QImage&, const QRectF& t, const QRectF& s) {
    log_ << QStringLiteral("PaintPicture %1,%2,%3,%4 from %5,%6,%7,%8")
                .arg(Num(t.x()), Num(t.y()), Num(t.width()), Num(t.height()))
                .arg(Num(s.x()), Num(s.y()), Num(s.width()), Num(s.height()));
}

// ---------------------------------------------------------------------------------------------
// HeldDrawing

struct HeldDrawing::Impl {
    DrawGroup group;
    std::vector<PageSurface*> posted;
};

HeldDrawing::HeldDrawing() : d_(std::make_unique<Impl>()) {}

HeldDrawing::~HeldDrawing() { DrawPool::instance().wait(d_->group); }

void HeldDrawing::Post(PageSurface* surface) {
    if (!surface || !surface->holding()) return;
    d_->posted.push_back(surface);
    if (surface->holdsNothing())
        surface->held_->end();  // an empty page starts no worker
    else
        DrawPool::instance().post(surface, d_->group);
}

void HeldDrawing::Finish(const std::vector<PageSurface*>& all) {
    DrawPool::instance().wait(d_->group);
    PageSurface::EndBatches(all);  // what was never handed over
    for (PageSurface* s : d_->posted) s->notify();
    d_->posted.clear();
}

}  // namespace vb
