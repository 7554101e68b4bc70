// Labels and frames.

#include "platform/controls.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QStyleOptionGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <vector>

namespace vb {

namespace {

// A painter on a kept copy of a widget, started as a painter opened on the widget itself starts.
void StartAsOnWidget(QPainter& painter, const QWidget& w) {
    painter.setFont(w.font());
    painter.setPen(w.palette().color(w.foregroundRole()));
    painter.setBackground(w.palette().brush(w.backgroundRole()));
}

// Whether a widget is the widget of a Label.
bool IsLabelWidget(const QWidget* w);

// A label is drawn on its container and never takes the keyboard focus: a press on it leaves the
// focus where it was. Qt hands the focus on a press to the first widget from the pressed one up
// that takes click focus (the container under a label) before the pressed widget sees the press,
// and stops early at a widget whose focus proxy holds the focus. So the press is looked at on its
// way into the window, and while it is handed to the label under it, the label has the focused
// widget as its focus proxy.
class LabelPressFocus : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* target, QEvent* e) override {
        if (e->type() != QEvent::MouseButtonPress && e->type() != QEvent::MouseButtonDblClick) return false;
        if (label_ && target == label_) {
            release();  // the focus has been handed on by now
            return false;
        }
        if (!target->isWindowType() || !e->spontaneous()) return false;
        release();
        QWidget* focus = QApplication::focusWidget();
        QWidget* top = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->windowHandle() == target) top = w;
        if (!focus || !top) return false;
        auto* label = qobject_cast<QLabel*>(top->childAt(static_cast<QMouseEvent*>(e)->position().toPoint()));
        // A disabled label leaves the press to its container, which takes the focus as for its own.
        if (!label || !IsLabelWidget(label) || !label->isEnabled()) return false;
        label->setFocusProxy(focus);
        label_ = label;
        return false;
    }

private:
    void release() {
        if (label_) label_->setFocusProxy(nullptr);
        label_ = nullptr;
    }
    QPointer<QLabel> label_;
};

void watchLabelPresses() {
    static QPointer<LabelPressFocus> watch;
    if (watch || !qApp) return;
    watch = new LabelPressFocus(qApp);
    qApp->installEventFilter(watch);
}

// A label that keeps its caption as drawn. A label over a canvas that scrolls with the play, or one
// that shows the play position, is repainted many times a second; laying its text out again each
// time (shaping every glyph) is most of what such a repaint costs. The caption and frame are drawn
// as QLabel draws a plain-text label, once into a transparent copy, and repainted from that copy
// until the text, font, colours, size or layout change.
//
// A caption of digits and separators that keeps changing (the play position's seconds, many
// times a second) is put together from copies of its characters, each drawn once as the caption draws
// it. That is used only once every pair of neighbouring characters in it has been seen to come out
// exactly as the whole text drawn at once does (no kerning, whole-pixel advances, no overlap); a
// pair that does not turns it off for the label's font.
class LabelWidget : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* e) override {
        // A picture, rich text, a mnemonic for a buddy, right-to-left text or a style sheet: as QLabel does.
        if (textFormat() != Qt::PlainText || !pixmap().isNull() || buddy() || text().isRightToLeft() ||
            !styleSheet().isEmpty() || !qApp->styleSheet().isEmpty()) {
            QLabel::paintEvent(e);
            return;
        }
        QStyleOption option;
        option.initFrom(this);
        const qreal ratio = devicePixelRatioF();
        const int align =
            int(QStyle::visualAlignment(Qt::LeftToRight, QFlag(int(alignment()) | (wordWrap() ? Qt::TextWordWrap : 0)))) |
            Qt::TextForceLeftToRight;
        const Drawn key{text(),       font(),          option.palette.cacheKey(), option.palette.currentColorGroup(),
                        option.state, size(),          contentsRect(),            align,
                        frameStyle(), lineWidth(),     midLineWidth(),            foregroundRole(),
                        isEnabled(),  style(),         ratio};
        if (drawn_.isNull() || !(key == drawnKey_)) {
            if (drawn_.size() != size() * ratio) drawn_ = QImage(size() * ratio, QImage::Format_ARGB32_Premultiplied);
            drawn_.setDevicePixelRatio(ratio);
            Drawn look = key;
            look.text.clear();
            if (!(look == piecesKey_)) {
                pieces_.clear();
                pairs_.clear();
                piecesOff_ = false;
                piecesKey_ = look;
                textChanges_ = 0;
            } else if (textChanges_ < kChangesBeforePieces) {
                ++textChanges_;
            }
            if (textChanges_ < kChangesBeforePieces || !drawFromPieces(option, align))
                drawWhole(drawn_, option, align, text());
            drawnKey_ = key;
        }
        QPainter p(this);
        for (const QRect& r : e->region())
            p.drawImage(r, drawn_, QRectF(QPointF(r.topLeft()) * ratio, QSizeF(r.size()) * ratio));
    }

private:
    struct Drawn {
        QString text;
        QFont font;
        qint64 palette = 0;
        QPalette::ColorGroup group = QPalette::Active;
        QStyle::State state;
        QSize size;
        QRect contents;
        int align = 0;
        int frameStyle = 0, lineWidth = 0, midLineWidth = 0;
        QPalette::ColorRole role = QPalette::NoRole;
        bool enabled = false;
        const QStyle* style = nullptr;
        qreal ratio = 0;
        bool operator==(const Drawn&) const = default;
    };

    static constexpr QStringView kPieceChars = u"0123456789.:-";
    // A caption is put together from pieces once it has changed this often in the same look: a
    // label drawn a few times (at start-up, say) is not worth checking pairs for.
    static constexpr int kChangesBeforePieces = 4;

    // The frame and the text as QLabel draws them, onto a transparent image.
    void drawWhole(QImage& image, const QStyleOption& option, int align, const QString& text, bool frame = true) {
        image.fill(Qt::transparent);
        QPainter painter(&image);
        StartAsOnWidget(painter, *this);
        painter.setLayoutDirection(layoutDirection());
        if (frame) drawFrame(&painter);
        style()->drawItemText(&painter, contentsRect(), align, option.palette, isEnabled(), text, foregroundRole());
    }

    // The copy of one character, drawn alone where the caption starts, and its advance; null when
    // its advance is not a whole number of pixels.
    const QImage* piece(QChar c, const QStyleOption& option, int align, int* advance) {
        auto it = pieces_.find(c.unicode());
        if (it == pieces_.end()) {
            Piece made;
            const qreal width = QFontMetricsF(font()).horizontalAdvance(QString(c));
            if (width == std::floor(width)) {
                made.image = QImage(size(), QImage::Format_ARGB32_Premultiplied);
                drawWhole(made.image, option, align, QString(c), false);
                made.advance = int(width);
            }
            it = pieces_.emplace(c.unicode(), std::move(made)).first;
        }
        *advance = it->second.advance;
        return it->second.image.isNull() ? nullptr : &it->second.image;
    }

    // The frame, then each character's copy at the sum of the advances before it.
    bool compose(QImage& image, const QString& text, const QStyleOption& option, int align) {
        std::vector<std::pair<const QImage*, int>> at;
        int x = 0;
        for (QChar c : text) {
            int advance = 0;
            const QImage* glyph = piece(c, option, align, &advance);
            if (!glyph) return false;
            at.emplace_back(glyph, x);
            x += advance;
        }
        if (x > contentsRect().width()) return false;  // it would wrap or run over
        image.fill(Qt::transparent);
        QPainter painter(&image);
        StartAsOnWidget(painter, *this);
        drawFrame(&painter);
        for (auto [glyph, left] : at) painter.drawImage(QPoint(left, 0), *glyph);
        return true;
    }

    // Puts the caption together from its characters into the kept copy; false when it is not one
    // that can be, and then nothing is drawn.
    bool drawFromPieces(const QStyleOption& option, int align) {
        const QString& caption = text();
        const bool simple = !piecesOff_ && devicePixelRatioF() == 1 && !caption.isEmpty() && caption.size() <= 32 &&
                            (align & Qt::AlignHorizontal_Mask & ~Qt::AlignAbsolute) == Qt::AlignLeft &&
                            std::all_of(caption.begin(), caption.end(), [](QChar c) { return kPieceChars.contains(c); });
        if (!simple) return false;
        // Each new pair of neighbours (or a lone character) is checked once against it drawn whole.
        for (qsizetype i = 0; i + 1 < std::max<qsizetype>(caption.size(), 2); ++i) {
            const QString pair = caption.mid(i, 2);
            if (pairs_.count(pair)) continue;
            QImage whole(size(), QImage::Format_ARGB32_Premultiplied), put(size(), QImage::Format_ARGB32_Premultiplied);
            drawWhole(whole, option, align, pair);
            if (!compose(put, pair, option, align) || put != whole) {
                piecesOff_ = true;
                return false;
            }
            pairs_.insert(pair);
        }
        return compose(drawn_, caption, option, align);
    }

    struct Piece {
        QImage image;
        int advance = 0;
    };
    QImage drawn_;
    Drawn drawnKey_;
    Drawn piecesKey_;                  // the look (all but the text) the pieces were drawn in
    std::map<char16_t, Piece> pieces_;
    std::set<QString> pairs_;          // neighbours seen to come out as drawn whole
    bool piecesOff_ = false;           // a pair did not: this look is drawn whole
    int textChanges_ = 0;              // captions drawn in this look since it was first drawn
};

bool IsLabelWidget(const QWidget* w) { return dynamic_cast<const LabelWidget*>(w) != nullptr; }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Label

Label::Label(QWidget* parent, const QString& name, int index)
    : Control(new LabelWidget(parent), name, index), label_(static_cast<QLabel*>(widget())) {
    label_->setTextFormat(Qt::PlainText);
    label_->setContentsMargins(0, 0, 0, 0);
    label_->setIndent(0);
    label_->setMargin(0);
    clickOnRelease_ = true;
    watchLabelPresses();
    applyStyle();
}

void Label::SetCaption(const QString& c) {
    caption_ = c;
    label_->setText(c);
    if (autoSize_) fitCaption();
}

void Label::SetAutoSize(bool a) {
    autoSize_ = a;
    applyStyle();
    if (a) fitCaption();
}

void Label::SetAlignment(int a) {
    alignment_ = (a >= 0 && a <= 2) ? a : 0;
    applyStyle();
}

void Label::SetBackStyle(int s) {
    backStyle_ = s == 0 ? 0 : 1;
    applyStyle();
}

void Label::SetBorderStyle(int s) {
    borderStyle_ = s == 1 ? 1 : 0;
    applyStyle();
    if (autoSize_) fitCaption();
}

void Label::SetWordWrap(bool w) {
    wordWrap_ = w;
    applyStyle();
    if (autoSize_) fitCaption();
}

void Label::SetForeColor(Colour c) { Control::SetForeColor(c); }

void Label::SetBackColor(Colour c) {
    Control::SetBackColor(c);
    applyStyle();
}

void Label::fontChanged() {
    Control::fontChanged();
    if (autoSize_) fitCaption();
}

bool Label::event(QObject* target, QEvent* e) {
    switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
        if (target != label_) break;
        // A label transparent for the mouse, or a disabled one, raises nothing: its container has
        // the event.
        if (!label_->isEnabled() || label_->testAttribute(Qt::WA_TransparentForMouseEvents)) return false;
        // Handled and accepted here, the event is not passed on to the parent widget.
        Control::event(target, e);
        e->accept();
        return true;
    default: break;
    }
    return Control::event(target, e);
}

void Label::applyStyle() {
    Qt::Alignment h = alignment_ == 1 ? Qt::AlignRight : alignment_ == 2 ? Qt::AlignHCenter : Qt::AlignLeft;
    label_->setAlignment(h | Qt::AlignTop);
    // A fixed-size label wraps its caption within its width; an auto-sized one keeps one line.
    label_->setWordWrap(!autoSize_ || wordWrap_);
    label_->setFrameStyle(borderStyle_ == 1 ? (QFrame::Box | QFrame::Plain) : QFrame::NoFrame);
    label_->setAutoFillBackground(backStyle_ == 1 && backSet_);
}

void Label::fitCaption() {
    QFontMetrics fm(label_->font());
    const QStringList lines = caption_.split('\n');
    int w = 0;
    for (const QString& l : lines) w = std::max(w, fm.horizontalAdvance(l));
    int h = fm.height() * int(lines.size());
    int frame = borderStyle_ == 1 ? 2 : 0;
    QRect g = label_->geometry();
    label_->setGeometry(g.x(), g.y(), w + frame, h + frame);
}

// ---------------------------------------------------------------------------------------------
// Frame

namespace {

// A group box that keeps its frame and title as drawn: a label inside it that changes many times a
// second (the play position) then repaints its piece of the box from that copy instead of having
// the style draw the whole frame again.
class FrameWidget : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent* e) override {
        QStyleOptionGroupBox option;
        initStyleOption(&option);
        const qreal ratio = devicePixelRatioF();
        const bool same = !drawn_.isNull() && drawnStyle_ == style() && drawnRatio_ == ratio &&
                          drawnOption_.rect == option.rect && drawnOption_.state == option.state &&
                          drawnOption_.text == option.text && drawnOption_.font == font() &&
                          drawnOption_.palette.cacheKey() == option.palette.cacheKey() &&
                          drawnOption_.features == option.features && drawnOption_.subControls == option.subControls &&
                          drawnOption_.activeSubControls == option.activeSubControls &&
                          drawnOption_.textAlignment == option.textAlignment;
        if (!same) {
            drawn_ = QImage((option.rect.size() * ratio), QImage::Format_ARGB32_Premultiplied);
            drawn_.setDevicePixelRatio(ratio);
            drawn_.fill(Qt::transparent);
            QPainter painter(&drawn_);
            StartAsOnWidget(painter, *this);
            style()->drawComplexControl(QStyle::CC_GroupBox, &option, &painter, this);
            drawnOption_ = {option, font()};
            drawnStyle_ = style();
            drawnRatio_ = ratio;
        }
        QPainter p(this);
        for (const QRect& r : e->region())
            p.drawImage(r, drawn_, QRectF(QPointF(r.topLeft()) * ratio, QSizeF(r.size()) * ratio));
    }

private:
    struct Drawn : QStyleOptionGroupBox {
        QFont font;
        Drawn() = default;
        Drawn(const QStyleOptionGroupBox& o, const QFont& f) : QStyleOptionGroupBox(o), font(f) {}
    };
    QImage drawn_;
    Drawn drawnOption_;
    const QStyle* drawnStyle_ = nullptr;
    qreal drawnRatio_ = 0;
};

}  // namespace

Frame::Frame(QWidget* parent, const QString& name, int index) : Control(new FrameWidget(parent), name, index) {
    // A frame paints its own background: a panel shown over a canvas hides what lies under it.
    widget()->setAutoFillBackground(true);
}
QString Frame::Caption() const { return static_cast<QGroupBox*>(widget())->title(); }
void Frame::SetCaption(const QString& c) { static_cast<QGroupBox*>(widget())->setTitle(c); }

}  // namespace vb
