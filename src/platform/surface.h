// Drawing surfaces with picture-box rules: a persistent image, a print position (CurrentX,
// CurrentY) that text output advances, a font that stays until changed, a pen colour, lines that
// leave out their last pixel, Cls back to the background picture, and painting a picture.
//
// One drawing routine written against `Surface` serves the page pictures (`PageSurface`), the
// printer (`PrinterSurface`) and tests (`RecordingSurface`). Callers always give page pixels; the
// printer converts them to points itself (× 0.75) and reports its position back in page pixels.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

class QPainter;
class QPrinter;

namespace vb {

// Colours are held as the runtime's 32-bit values &H00BBGGRR (red in the low byte).
using Colour = uint32_t;
QColor ToQColor(Colour c);
Colour FromQColor(const QColor& c);
inline Colour RGB(int r, int g, int b) { return Colour(r & 255) | Colour(g & 255) << 8 | Colour(b & 255) << 16; }

// A font at 96 dpi: size p points is p * 96 / 72 pixels, rounded to a whole pixel height as the
// screen does. Used by the page surface and by every control.
QFont ScreenFont(const QString& name, double points, bool bold, bool italic);
// The pixel height of a point size on the screen (at least 1).
int ScreenFontPixels(double points);

// A failure of the printer (none available, cannot start the job).
struct PrinterError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Surface {
public:
    virtual ~Surface() = default;

    // Print position, in page pixels.
    double CurrentX() const { return curX_; }
    double CurrentY() const { return curY_; }
    void SetCurrentX(double x) { curX_ = x; }
    void SetCurrentY(double y) { curY_ = y; }

    // The font stays for every later print until changed. Size in points.
    const QString& FontName() const { return fontName_; }
    double FontSize() const { return fontSize_; }
    bool FontBold() const { return fontBold_; }
    bool FontItalic() const { return fontItalic_; }
    void SetFontName(const QString& name) { fontName_ = name; }
    void SetFontSize(double points) { fontSize_ = points > 0 ? points : fontSize_; }
    void SetFontBold(bool b) { fontBold_ = b; }
    void SetFontItalic(bool b) { fontItalic_ = b; }

    Colour ForeColor() const { return foreColor_; }
    void SetForeColor(Colour c) { foreColor_ = c; }
    Colour BackColor() const { return backColor_; }
    // Sets the background colour; as on the picture box this clears the surface (see Cls).
    void SetBackColor(Colour c) { backColor_ = c; Cls(); }

    // Prints the text with its top-left corner at the print position. keepLine (the trailing ';')
    // moves CurrentX to the text's right end; otherwise CurrentX returns to 0 and CurrentY moves
    // down one line height.
    void Print(const QString& text, bool keepLine = false);
    // Line (x1, y1)-(x2, y2) in the pen colour, leaving out its last pixel; the print position
    // ends at (x2, y2).
    void Line(double x1, double y1, double x2, double y2);
    void Line(double x1, double y1, double x2, double y2, Colour colour);
    // Clears to the background picture (or the background colour) and puts the print position at 0, 0.
    void Cls();
    // Paints the region (srcX, srcY, srcW, srcH) of the image into (x, y, w, h); a negative size
    // means the image's own size.
    void PaintPicture(const QImage& image, double x, double y, double w = -1, double h = -1,
                      double srcX = 0, double srcY = 0, double srcW = -1, double srcH = -1);

    // Width and height of a text in the current font, in page pixels.
    virtual double TextWidth(const QString& text) const = 0;
    virtual double TextHeight(const QString& text = QString()) const = 0;
    // Inner size in page pixels.
    virtual double ScaleWidth() const = 0;
    virtual double ScaleHeight() const = 0;

    // Printer only: starts a new page / ends the document and sends the job. Elsewhere they do nothing.
    virtual void NewPage() {}
    virtual void EndDoc() {}
    // Units of the output per page pixel: 1 on a page picture, 0.75 (points) on the printer.
    virtual double UnitScale() const { return 1.0; }

protected:
    virtual void drawText(double x, double y, const QString& text) = 0;
    virtual void drawLine(double x1, double y1, double x2, double y2, Colour colour) = 0;
    virtual void clear() = 0;
    virtual void drawPicture(const QImage& image, const QRectF& target, const QRectF& source) = 0;

    double curX_ = 0, curY_ = 0;
    bool keepLine_ = false;  // the print under way keeps the line (for the recorder's log)
    QString fontName_ = QStringLiteral("宋体");
    double fontSize_ = 9;
    bool fontBold_ = false, fontItalic_ = false;
    Colour foreColor_ = 0;
    Colour backColor_ = 0xFFFFFF;
};

struct FontEntry;  // a font of the process-wide font list, with the widths measured in it

// A picture with a persistent image (the AutoRedraw picture box), drawn in pixels at 96 dpi.
// The image is made when its pixels are first needed (drawn on, shown, read or saved); until then
// the surface stands cleared at its size and holds no pixels.
class PageSurface : public Surface {
public:
    explicit PageSurface(int width = 1, int height = 1);
    ~PageSurface() override;

    // The drawn image (what a saved picture holds).
    const QImage& Image() const { return make(), image_; }
    // The background picture that Cls restores; null when none.
    const QImage& Picture() const { return makePicture(), picture_; }
    // Sets the background picture: the surface is redrawn as that picture over the background colour.
    void SetPicture(const QImage& picture);
    // As SetPicture(QImage()), then `draw` on the surface, then KeepImageAsPicture, but `draw` runs
    // on a surface of today's size and colours only when the picture is first needed, and a
    // surface not yet made stays without pixels.
    void SetPictureDrawnBy(std::function<void(Surface&)> draw);
    // Whether the image has been made (for tests and memory checks).
    bool Made() const { return !image_.isNull(); }
    // Loads the background picture from a file; false when the file cannot be read (nothing changes).
    bool LoadPicture(const QString& path);
    // Takes the drawn image as the background picture, so later clears restore it.
    void KeepImageAsPicture();
    // Changes the size; what is drawn is kept, new area shows the background.
    void Resize(int width, int height);
    int Width() const { return size_.width(); }
    int Height() const { return size_.height(); }
    // Saves the image (format from the file name's ending, e.g. .bmp); false on failure.
    bool SavePicture(const QString& path) const;
    // Colour of one pixel (for tests and hit checks); -1 outside the image.
    int64_t Point(int x, int y) const;

    double TextWidth(const QString& text) const override;
    double TextHeight(const QString& text = QString()) const override;
    double ScaleWidth() const override { return size_.width(); }
    double ScaleHeight() const override { return size_.height(); }

    // Called after every change of the image (the widget showing it repaints).
    std::function<void()> changed;

    // Batched drawing: from BeginBatch on, texts, lines, clears and pictures are held (the print
    // position and the measures still follow every call) and drawn in their order by EndBatches,
    // which draws the held batches of several surfaces at once on the drawing workers. The images
    // come out as drawing every call at once makes them. The held records, the texts they print
    // (each stored once) and their storage stay with the surface from one batch to the next.
    void BeginBatch();
    static void EndBatches(const std::vector<PageSurface*>& surfaces);
    friend class HeldDrawing;
    friend struct DrawPool;

protected:
    void drawText(double x, double y, const QString& text) override;
    void drawLine(double x1, double y1, double x2, double y2, Colour colour) override;
    void clear() override;
    void drawPicture(const QImage& image, const QRectF& target, const QRectF& source) override;

private:
    struct Op;
    struct Held;
    struct DrawCache;
    bool holding() const;
    // Whether a batch is held with nothing in it to draw.
    bool holdsNothing() const;
    void drawTextNow(QPainter& p, const QFont& font, QColor colour, double x, double top, const QString& text);
    void clearNow();
    // Drawing out a held batch: the clear it starts with, then the rest in horizontal bands that
    // several workers draw at once; true for the band that finished the batch.
    int beginDrawing(int bandsWanted);
    bool drawBand(DrawCache& cache, int band);
    void clearRows(uchar* bits, int y0, int y1) const;
    std::unique_ptr<Held> held_;
    // The entry of the shared font list for the current font settings, looked up again only when
    // a setting changed.
    const FontEntry& fontEntry() const;
    const QFont& font() const;
    void notify() { if (changed) changed(); }
    // Makes the image as the surface stands cleared / the background picture waiting to be drawn.
    void make() const;
    void makePicture() const;
    QSize size_;
    mutable QImage image_;  // null until made
    mutable QImage picture_;
    mutable std::function<void(Surface&)> pictureDraw_;  // the picture still to be drawn; null when none
    QSize pictureSize_;
    Colour pictureBack_ = 0xFFFFFF;
    mutable const FontEntry* entry_ = nullptr;
};

// Draws out the held batches of page surfaces on worker threads as they are handed over, while
// the caller goes on with other surfaces; a surface handed over must not be used until Finish.
class HeldDrawing {
public:
    HeldDrawing();
    ~HeldDrawing();
    void Post(PageSurface* surface);
    // Waits for every surface handed over, draws out the batches still held by `all`, and tells
    // each surface's watcher that its image changed.
    void Finish(const std::vector<PageSurface*>& all);

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

// The printer: page pixels in, points out (× 0.75). Paper, orientation and quality are set before
// the first output; the job starts with the first output and is sent by EndDoc.
class PrinterSurface : public Surface {
public:
    // The default printer, on the whole sheet (positions from the paper's edge).
    PrinterSurface();
    // The system's default printer; nullptr when there is none.
    static std::unique_ptr<PrinterSurface> DefaultPrinter();
    // A PDF file instead of a printer.
    explicit PrinterSurface(const QString& pdfPath);
    ~PrinterSurface() override;

    // Paper-size codes 9 (A4), 11 (A5), 13 (B5); others give A4.
    void SetPaperSize(int code);
    int PaperSize() const { return paperCode_; }
    // A sheet of width × height millimetres (given upright; the orientation turns it).
    void SetPaperSizeMm(double widthMm, double heightMm);
    // The sheet's size in millimetres as it lies (after the orientation).
    QSizeF PaperSizeMm() const;
    // 1 portrait, 2 landscape.
    void SetOrientation(int orientation);
    int Orientation() const { return orientation_; }
    // The print-quality code (-1 draft .. -4 high); kept, the output is the same.
    void SetPrintQuality(int quality) { quality_ = quality; }
    int PrintQuality() const { return quality_; }

    double TextWidth(const QString& text) const override;
    double TextHeight(const QString& text = QString()) const override;
    double ScaleWidth() const override;
    double ScaleHeight() const override;
    void NewPage() override;
    void EndDoc() override;
    double UnitScale() const override { return 0.75; }
    // Pages started so far in the running job (0 before the first output).
    int PageCount() const { return pages_; }

protected:
    void drawText(double x, double y, const QString& text) override;
    void drawLine(double x1, double y1, double x2, double y2, Colour colour) override;
    void clear() override {}
    void drawPicture(const QImage& image, const QRectF& target, const QRectF& source) override;

private:
    QFont font() const;
    QPainter& painter();
    double devPerPoint() const;
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<QPainter> painter_;
    int paperCode_ = 9, orientation_ = 1, quality_ = -3;
    int pages_ = 0;
};

// A surface for tests: logs each call as a readable line and measures text without fonts
// (half a font pixel height per half-width character, a whole one per full-width character).
class RecordingSurface : public Surface {
public:
    explicit RecordingSurface(double width = 800, double height = 600) : w_(width), h_(height) {}

    // Lines such as: Print 10,20 "abc"; font=Qelto 12 bold
    //                Line 1,2-30,2 colour=&H0
    const QStringList& Log() const { return log_; }
    void ClearLog() { log_.clear(); }
    void SetUnitScale(double s) { scale_ = s; }

    double TextWidth(const QString& text) const override;
    double TextHeight(const QString& text = QString()) const override;
    double ScaleWidth() const override { return w_; }
    double ScaleHeight() const override { return h_; }
    void NewPage() override { log_ << QStringLiteral("NewPage"); }
    void EndDoc() override { log_ << QStringLiteral("EndDoc"); }
    double UnitScale() const override { return scale_; }

    static QString Num(double v);

protected:
    void drawText(double x, double y, const QString& text) override;
    void drawLine(double x1, double y1, double x2, double y2, Colour colour) override;
    void clear() override { log_ << QStringLiteral("Cls"); }
    void drawPicture(const QImage& image, const QRectF& target, const QRectF& source) override;

private:
    QStringList log_;
    double w_, h_;
    double scale_ = 1.0;
};

}  // namespace vb
