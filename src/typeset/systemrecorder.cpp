#include "typeset/systemrecorder.h"

#include <algorithm>

#include "platform/vbtext.h"

namespace typeset {

SystemRecorder::SystemRecorder(vb::Surface* metrics, int width, bool drawn)
    : metrics_(metrics), width_(std::max(width, 1)), drawn_(drawn) {
    if (!metrics_) ownMetrics_ = std::make_unique<vb::PageSurface>();
}

SystemRecorder::~SystemRecorder() = default;

vb::Surface& SystemRecorder::metrics() const {
    vb::Surface& m = metrics_ ? *metrics_ : *ownMetrics_;
    if (m.FontName() != fontName_) m.SetFontName(fontName_);
    m.SetFontSize(fontSize_);
    m.SetFontBold(fontBold_);
    m.SetFontItalic(fontItalic_);
    return m;
}

double SystemRecorder::TextWidth(const QString& text) const {
    const size_t font = currentFont();
    Measure& m = measureOf(font, text);
    if (m.Width < 0) m.Width = metrics().TextWidth(text);
    printing_ = {text.constData(), text.size(), font, &m};
    return m.Width;
}

double SystemRecorder::TextHeight(const QString&) const {
    FontMeasures& f = fonts_[currentFont()];
    if (f.Height < 0) f.Height = metrics().TextHeight();
    return f.Height;
}

double SystemRecorder::ScaleWidth() const { return metrics().ScaleWidth(); }
double SystemRecorder::ScaleHeight() const { return metrics().ScaleHeight(); }

void SystemRecorder::BeginSystem(int rows, double top) {
    if (spare_.empty()) spare_.emplace_back();
    System& s = systems_.emplace_back(std::move(spare_.back()));
    spare_.pop_back();
    s.Top = top;
    s.Calls.clear();
    s.Ink.Rows.resize(size_t(std::max(rows, 1)));
    for (Skyline& row : s.Ink.Rows) row.Reset(width_);
    row_ = 0;
}

int SystemRecorder::row() const { return std::clamp<int>(row_, 0, int(systems_.back().Ink.Rows.size()) - 1); }

size_t SystemRecorder::currentFont() const {
    const auto same = [&](const FontSpec& f) {
        return f.Size == fontSize_ && f.Bold == fontBold_ && f.Italic == fontItalic_ &&
               (f.Name.constData() == fontName_.constData() || f.Name == fontName_);
    };
    if (font_ < fonts_.size() && same(fonts_[font_].Font)) return font_;
    font_ = 0;
    while (font_ < fonts_.size() && !same(fonts_[font_].Font)) ++font_;
    if (font_ == fonts_.size()) fonts_.push_back({.Font = {fontName_, fontSize_, fontBold_, fontItalic_}, .Index = {}, .Texts = {}});
    return font_;
}

SystemRecorder::Measure& SystemRecorder::measureOf(size_t font, const QString& text) const {
    Seen& seen = seen_[(reinterpret_cast<uintptr_t>(text.constData()) / sizeof(QChar) + font * 31) % seen_.size()];
    if (seen.Found && seen.Text.constData() == text.constData() && seen.Text.size() == text.size() && seen.Font == font)
        return *seen.Found;
    FontMeasures& f = fonts_[font];
    const auto it = f.Index.constFind(text);
    const size_t k = it != f.Index.constEnd() ? *it : f.Texts.size();
    if (k == f.Texts.size()) {
        f.Index.insert(text, k);
        f.Texts.push_back({TextInk(f.Font, text), -1});
    }
    seen = {text, font, &f.Texts[k]};
    return f.Texts[k];
}

void SystemRecorder::drawText(double x, double y, const QString& text) {
    if (systems_.empty() || text.isEmpty()) return;
    System& s = systems_.back();
    // A text printed was measured just before, in the same font.
    const bool measured = printing_.Found && printing_.Data == text.constData() && printing_.Size == text.size();
    const size_t font = measured ? printing_.Font : currentFont();
    // The ink lands where the page draws the text: its box's corner on whole pixels.
    const QRectF& ink = (measured ? *printing_.Found : measureOf(font, text)).Ink;
    printing_.Found = nullptr;
    const int w = row();
    if (!ink.isNull()) s.Ink.Rows[size_t(w)].AddRect(ink.translated(vb::Round(x), vb::Round(y) - s.Top));
    if (drawn_) s.Calls.push_back({true, keepLine_, w, int(font), x, y, 0, 0, text, 0});
}

void SystemRecorder::drawLine(double x1, double y1, double x2, double y2, vb::Colour colour) {
    if (systems_.empty()) return;
    System& s = systems_.back();
    const int w = row();
    s.Ink.Rows[size_t(w)].AddLine(vb::Round(x1), vb::Round(y1) - s.Top, vb::Round(x2), vb::Round(y2) - s.Top);
    if (drawn_) s.Calls.push_back({false, false, w, 0, x1, y1, x2, y2, QString(), colour});
}

void SystemRecorder::DrawOut(int held, vb::Surface& target, const std::vector<double>& rowShift) const {
    const System& s = systems_[size_t(held)];
    int font = -1;
    for (const Call& c : s.Calls) {
        const double dy = rowShift[size_t(c.Row)];
        if (!c.Text) {
            target.Line(c.X, c.Y + dy, c.X2, c.Y2 + dy, c.Colour);
            continue;
        }
        if (c.Font != font) {
            const FontSpec& f = fonts_[size_t(c.Font)].Font;
            target.SetFontName(f.Name);
            target.SetFontSize(f.Size);
            target.SetFontBold(f.Bold);
            target.SetFontItalic(f.Italic);
            font = c.Font;
        }
        target.SetCurrentX(c.X);
        target.SetCurrentY(c.Y + dy);
        target.Print(c.String, c.KeepLine);
    }
}

void SystemRecorder::Drop(int count) {
    for (int i = 0; i < count && !systems_.empty(); ++i) {
        spare_.push_back(std::move(systems_.front()));
        systems_.pop_front();
    }
}

}  // namespace typeset
