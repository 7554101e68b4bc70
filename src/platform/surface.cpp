#include "platform/surface.h"

#include <QFontMetrics>
#include <QHash>
#include <QStaticText>
#include <algorithm>
#include <array>
#include <unordered_map>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <QPainter>
#include <cmath>
#include <cstdlib>
#include <cstring>

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
QImage blankImage(int w, int h) {
    QImage img(w < 1 ? 1 : w, h < 1 ? 1 : h, QImage::Format_RGB32);
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

// The fonts a surface has used lately, with their metrics and the widths of the texts measured
// in them (the score switches between a few fonts for every glyph).
struct PageSurface::FontCache {
    struct Entry {
        QString name;
        double size = -1;
        bool bold = false, italic = false;
        QFont font;
        QFontMetrics metrics{QFont()};
        QHash<QString, int> widths;
        std::array<int, 128> asciiWidths;  // single ASCII characters (-1 not measured yet)
        std::unordered_map<char16_t, int> charWidths;  // other single characters
        int id = 0;  // tells the fonts of held texts apart
    };
    std::vector<Entry> entries;  // the current font first
    std::vector<QFont> byId;     // every font made, by its id
};

PageSurface::~PageSurface() = default;

const QFont& PageSurface::font() const { return metrics(), fontCache_->entries.front().font; }

const QFontMetrics& PageSurface::metrics() const {
    auto* self = const_cast<PageSurface*>(this);
    if (!fontCache_) self->fontCache_ = std::make_unique<FontCache>();
    if (!batch_ && self->fontCache_->byId.size() > 256) self->fontCache_ = std::make_unique<FontCache>();
    std::vector<FontCache::Entry>& e = self->fontCache_->entries;
    auto same = [this](const FontCache::Entry& c) {
        return c.size == fontSize_ && c.bold == fontBold_ && c.italic == fontItalic_ && c.name == fontName_;
    };
    if (!e.empty() && same(e.front())) return e.front().metrics;
    auto it = std::find_if(e.begin(), e.end(), same);
    if (it == e.end()) {
        if (e.size() >= 16) e.pop_back();
        FontCache::Entry c;
        c.name = fontName_, c.size = fontSize_, c.bold = fontBold_, c.italic = fontItalic_;
        c.font = ScreenFont(fontName_, fontSize_, fontBold_, fontItalic_);
        c.metrics = QFontMetrics(c.font);
        c.asciiWidths.fill(-1);
        c.id = int(self->fontCache_->byId.size());
        self->fontCache_->byId.push_back(c.font);
        e.insert(e.begin(), std::move(c));
    } else {
        std::rotate(e.begin(), it, it + 1);
    }
    return e.front().metrics;
}

double PageSurface::TextWidth(const QString& text) const {
    const QFontMetrics& m = metrics();
    FontCache::Entry& e = fontCache_->entries.front();
    if (text.size() == 1 && text[0].unicode() < 128) {
        int& w = e.asciiWidths[text[0].unicode()];
        if (w < 0) w = m.horizontalAdvance(text);
        return w;
    }
    if (text.size() == 1 && !text[0].isSurrogate()) {
        const auto [it, added] = e.charWidths.try_emplace(text[0].unicode(), 0);
        if (added) it->second = m.horizontalAdvance(text);
        return it->second;
    }
    QHash<QString, int>& widths = e.widths;
    auto it = widths.constFind(text);
    if (it != widths.constEnd()) return *it;
    const int w = m.horizontalAdvance(text);
    if (widths.size() < 4096) widths.insert(text, w);
    return w;
}

double PageSurface::TextHeight(const QString&) const { return metrics().height(); }

struct PageSurface::Op {
    enum Kind { Text, Line, Clear, Picture } kind = Text;
    int fontId = 0;
    QColor colour;
    Colour lineColour = 0;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    QString text;
    QImage image;
    QRectF target, source;
};

void PageSurface::BeginBatch() {
    if (batch_) return;
    batch_ = std::make_unique<std::vector<Op>>();
    batch_->reserve(4096);
}

namespace {
// A text laid out for drawing: placed by its top-left corner, as the print position places it.
QStaticText LaidOut(const QString& text, const QFont& font) {
    QStaticText t(text);
    t.setTextFormat(Qt::PlainText);
    t.setPerformanceHint(QStaticText::AggressiveCaching);
    t.prepare(QTransform(), font);
    return t;
}
}  // namespace

void PageSurface::drawTextNow(QPainter& p, const QFont& font, QColor colour, double x, double top,
                              const QString& text) {
    p.setFont(font);
    p.setPen(colour);
    // Text lands on whole pixels, as on the screen's picture boxes.
    p.drawStaticText(QPointF(whole(x), whole(top)), LaidOut(text, font));
}

void PageSurface::drawText(double x, double y, const QString& text) {
    if (text.isEmpty()) return;
    if (batch_) {
        Op op;
        op.kind = Op::Text, op.fontId = fontCache_->entries.front().id;
        op.colour = ToQColor(foreColor_);
        op.x1 = x, op.y2 = y, op.text = text;
        batch_->push_back(std::move(op));
        return;
    }
    make();
    QPainter p(&image_);
    drawTextNow(p, font(), ToQColor(foreColor_), x, y, text);
    p.end();
    notify();
}

void PageSurface::drawLine(double x1, double y1, double x2, double y2, Colour colour) {
    if (batch_) {
        Op op;
        op.kind = Op::Line, op.x1 = x1, op.y1 = y1, op.x2 = x2, op.y2 = y2, op.lineColour = colour;
        batch_->push_back(std::move(op));
        return;
    }
    make();
    drawLineNow(x1, y1, x2, y2, colour);
    notify();
}

void PageSurface::drawLineNow(double x1, double y1, double x2, double y2, Colour colour) {
    // Bresenham from the first point up to, but not including, the last one.
    int x = whole(x1), y = whole(y1);
    const int ex = whole(x2), ey = whole(y2);
    const int dx = std::abs(ex - x), dy = -std::abs(ey - y);
    const int sx = x < ex ? 1 : -1, sy = y < ey ? 1 : -1;
    const QRgb rgb = ToQColor(colour).rgb();
    const int w = image_.width(), h = image_.height();
    // A line far outside the image is skipped without walking it pixel by pixel.
    if ((x < 0 && ex < 0) || (y < 0 && ey < 0) || (x >= w && ex >= w) || (y >= h && ey >= h)) return;
    // The pixels are written straight into the 32-bit rows (the image is always RGB32); a row or
    // column line is one run.
    const uint pixel = 0xFF000000u | rgb;
    uchar* const bits = image_.bits();
    const qsizetype stride = image_.bytesPerLine();
    auto row = [&](int py) { return reinterpret_cast<uint*>(bits + py * stride); };
    if (y == ey || x == ex) {
        if (x == ex && y == ey) return;
        // The run from the first point toward the last, the last left out, clipped to the image.
        const int a = y == ey ? x : y, b = y == ey ? ex : ey;
        int lo = a < b ? a : b + 1, hi = a < b ? b - 1 : a;
        const int limit = y == ey ? w : h;
        lo = std::max(lo, 0);
        hi = std::min(hi, limit - 1);
        if (y == ey) {
            if (y < 0 || y >= h || lo > hi) return;
            FillRun(row(y) + lo, hi - lo + 1, pixel);
        } else {
            if (x < 0 || x >= w) return;
            for (int py = lo; py <= hi; ++py) row(py)[x] = pixel;
        }
        return;
    }
    int err = dx + dy;
    while (!(x == ex && y == ey)) {
        if (x >= 0 && y >= 0 && x < w && y < h) row(y)[x] = pixel;
        int e2 = 2 * err;
        if (e2 >= dy) { err += dy; x += sx; }
        if (e2 <= dx) { err += dx; y += sy; }
    }
}

void PageSurface::clear() {
    if (batch_) {
        batch_->clear();  // everything held before is covered
        Op op;
        op.kind = Op::Clear;
        batch_->push_back(std::move(op));
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
    // A picture that covers the whole image takes its place as it is, shared until the next drawing.
    if (!picture_.isNull() && picture_.size() == size_ && picture_.format() == QImage::Format_RGB32 &&
        !picture_.hasAlphaChannel() && picture_.dotsPerMeterX() == 3780 && picture_.dotsPerMeterY() == 3780) {
        image_ = picture_;
        return;
    }
    if (image_.size() != size_) image_ = blankImage(size_.width(), size_.height());
    image_.fill(ToQColor(backColor_));
    if (!picture_.isNull()) {
        QPainter p(&image_);
        p.drawImage(0, 0, picture_);
    }
}

void PageSurface::replayBatch() {
    if (!batch_) return;
    // An image not made yet stays so while its batch only clears it; a batch that starts with a
    // clear makes it there.
    if (image_.isNull()) {
        if (batch_->empty() || (batch_->size() == 1 && batch_->front().kind == Op::Clear)) {
            batch_.reset();
            return;
        }
        if (batch_->front().kind != Op::Clear) make();
    }
    std::unique_ptr<QPainter> p;
    QHash<QPair<int, QString>, QStaticText> laidOut;  // each text of each font laid out once
    int fontId = -1;
    QColor pen;
    bool penSet = false;
    for (const Op& op : *batch_) {
        switch (op.kind) {
        case Op::Text: {
            if (!p) p = std::make_unique<QPainter>(&image_);
            auto it = laidOut.find({op.fontId, op.text});
            const QFont& font = fontCache_->byId[op.fontId];
            if (it == laidOut.end()) it = laidOut.insert({op.fontId, op.text}, LaidOut(op.text, font));
            if (fontId != op.fontId) p->setFont(font), fontId = op.fontId;
            if (!penSet || pen != op.colour) p->setPen(op.colour), pen = op.colour, penSet = true;
            p->drawStaticText(QPointF(whole(op.x1), whole(op.y2)), *it);
            break;
        }
        case Op::Picture:
            if (!p) p = std::make_unique<QPainter>(&image_);
            p->drawImage(op.target, op.image, op.source);
            break;
        case Op::Line:
            p.reset();
            fontId = -1, penSet = false;
            drawLineNow(op.x1, op.y1, op.x2, op.y2, op.lineColour);
            break;
        case Op::Clear:
            p.reset();
            fontId = -1, penSet = false;
            clearNow();
            break;
        }
    }
    p.reset();
    batch_.reset();
}

void PageSurface::EndBatches(const std::vector<PageSurface*>& surfaces) {
    std::vector<PageSurface*> held;
    for (PageSurface* s : surfaces)
        if (s && s->batch_) held.push_back(s);
    const size_t threads = std::min<size_t>(held.size(), std::max(1u, std::thread::hardware_concurrency()));
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t i = next++; i < held.size(); i = next++) held[i]->replayBatch();
    };
    std::vector<std::thread> pool;
    for (size_t t = 1; t < threads; ++t) pool.emplace_back(work);
    work();
    for (std::thread& t : pool) t.join();
    for (PageSurface* s : held) s->notify();
}

void PageSurface::drawPicture(const QImage& image, const QRectF& target, const QRectF& source) {
    if (batch_) {
        Op op;
        op.kind = Op::Picture, op.image = image, op.target = target, op.source = source;
        batch_->push_back(std::move(op));
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
    if (batch_) {
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
    std::mutex m;
    std::condition_variable cv;
    std::deque<PageSurface*> queue;
    std::vector<PageSurface*> posted;
    std::vector<std::thread> workers;
    bool closing = false;
    void work() {
        for (;;) {
            PageSurface* s = nullptr;
            {
                std::unique_lock<std::mutex> lock(m);
                cv.wait(lock, [&] { return closing || !queue.empty(); });
                if (queue.empty()) return;
                s = queue.front();
                queue.pop_front();
            }
            s->replayBatch();
        }
    }
    void close() {
        {
            std::lock_guard<std::mutex> lock(m);
            closing = true;
        }
        cv.notify_all();
        for (std::thread& t : workers) t.join();
        workers.clear();
    }
};

HeldDrawing::HeldDrawing() : d_(std::make_unique<Impl>()) {
    const unsigned n = std::max(1u, std::thread::hardware_concurrency());
    for (unsigned i = 0; i < n; ++i) d_->workers.emplace_back([this] { d_->work(); });
}

HeldDrawing::~HeldDrawing() { d_->close(); }

void HeldDrawing::Post(PageSurface* surface) {
    if (!surface || !surface->batch_) return;
    {
        std::lock_guard<std::mutex> lock(d_->m);
        d_->queue.push_back(surface);
        d_->posted.push_back(surface);
    }
    d_->cv.notify_one();
}

void HeldDrawing::Finish(const std::vector<PageSurface*>& all) {
    d_->close();
    PageSurface::EndBatches(all);  // what was never handed over
    for (PageSurface* s : d_->posted) s->notify();
    d_->posted.clear();
}

}  // namespace vb
