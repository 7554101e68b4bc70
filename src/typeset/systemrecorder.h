// The systems of a page, held before they are drawn: everything the line loop draws for a system
// is kept with the row it belongs to, and the ink of every row is measured, so the page can give
// each system and row the room its glyphs need before the calls go to the real surface, each row
// moved down as far as its place asks.
#pragma once

#include <QHash>
#include <array>
#include <deque>
#include <functional>
#include <memory>

#include "platform/surface.h"
#include "typeset/metrics.h"
#include "typeset/skyline.h"

namespace typeset {

// The ink of a system as laid out at its first place: per row, relative to that place's top.
struct SystemInk {
    std::vector<Skyline> Rows;
};

class SystemRecorder : public vb::Surface {
public:
    // Texts are measured as `metrics` measures them (the surface the systems go to); without one,
    // as a page picture does. Ink is kept for the columns 0..width − 1. Without `drawn`, the calls
    // are only measured: nothing is drawn out.
    SystemRecorder(vb::Surface* metrics, int width, bool drawn = true);
    ~SystemRecorder() override;

    // Starts holding a system of `rows` rows laid out with its top at y.
    void BeginSystem(int rows, double top);
    // The row the following calls belong to (0 = the top row). A routine that draws on behalf of
    // several rows sets it through RowSlot().
    void SetRow(int row) { row_ = row; }
    int* RowSlot() { return &row_; }

    // Systems held, oldest first.
    int Held() const { return int(systems_.size()); }
    const SystemInk& Ink(int held) const { return systems_[size_t(held)].Ink; }
    // Draws held system `held` onto `target`, row w moved down by rowShift[w].
    void DrawOut(int held, vb::Surface& target, const std::vector<double>& rowShift) const;
    // Forgets the oldest `count` systems.
    void Drop(int count);

    double TextWidth(const QString& text) const override;
    double TextHeight(const QString& text = QString()) const override;
    double ScaleWidth() const override;
    double ScaleHeight() const override;

protected:
    void drawText(double x, double y, const QString& text) override;
    void drawLine(double x1, double y1, double x2, double y2, vb::Colour colour) override;
    void clear() override {}
    void drawPicture(const QImage&, const QRectF&, const QRectF&) override {}

private:
    struct Call {
        bool Text = true;
        bool KeepLine = true;
        int Row = 0;
        int Font = 0;  // index into the fonts seen
        double X = 0, Y = 0, X2 = 0, Y2 = 0;
        QString String;
        vb::Colour Colour = 0;
    };
    struct System {
        double Top = 0;
        std::vector<Call> Calls;
        SystemInk Ink;
    };
    vb::Surface& metrics() const;
    int row() const;  // the row the next call belongs to, within the system's rows
    // The surface's font among the fonts seen (a page holds few), and the ink and width of a text
    // in it, kept per font for the run.
    size_t currentFont() const;
    struct Measure {
        QRectF Ink;
        double Width = -1;  // not asked yet
    };
    Measure& measureOf(size_t font, const QString& text) const;
    struct FontMeasures {
        FontSpec Font;
        QHash<QString, size_t> Index;
        std::deque<Measure> Texts;  // stays in place as it grows
        double Height = -1;
    };
    mutable std::deque<FontMeasures> fonts_;  // stays in place as it grows
    mutable size_t font_ = 0;
    // Texts met again by their characters' place in memory (most texts a score prints are held
    // once and printed often), before the look-up by their characters. An entry holds its text,
    // so no other text takes that place while it stands.
    struct Seen {
        QString Text;
        size_t Font = 0;
        Measure* Found = nullptr;
    };
    mutable std::array<Seen, 512> seen_{};
    // The text Print measures before it draws it.
    struct Printing {
        const QChar* Data = nullptr;
        qsizetype Size = 0;
        size_t Font = 0;
        Measure* Found = nullptr;
    };
    mutable Printing printing_;
    std::vector<System> spare_;  // storage of systems drawn out, kept for the next ones

    vb::Surface* metrics_;
    std::unique_ptr<vb::Surface> ownMetrics_;
    int width_;
    bool drawn_;
    int row_ = 0;
    std::deque<System> systems_;
};

}  // namespace typeset
