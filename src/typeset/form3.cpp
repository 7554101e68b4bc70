#include "typeset/form3.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QResizeEvent>
#include <QScreen>
#include <QWheelEvent>
#include <algorithm>
#include <cstdlib>

#include "platform/vbtext.h"
#include "typeset/header.h"
#include "typeset/metrics.h"
#include "typeset/pageclick.h"

namespace typeset {

namespace {
constexpr int kBar = 20;       // width of the vertical bar, height of the horizontal one
constexpr int kPageRoom = 22;  // the window's width beyond the strip's: the vertical bar and 2

// Puts a control into another container, keeping its visibility, and lets the mouse through it.
void PlaceOnPage(vb::Control& c, QWidget* page) {
    c.widget()->setParent(page);
    c.widget()->setAttribute(Qt::WA_TransparentForMouseEvents);
    c.widget()->setVisible(c.Visible());
}
}  // namespace

Form3::Form3(QWidget* owner)
    : QWidget(owner, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint) {
    setObjectName("Form3");
    setWindowTitle("简谱窗口");
    setAttribute(Qt::WA_ShowWithoutActivating);
    for (int k = 0; k <= 25; ++k) {
        PlaceOnPage(Label2[k], Picpage[k].widget());
        PlaceOnPage(Shape2[k], Picpage[k].widget());
        if (k < 25) {
            PlaceOnPage(Imal[k], Picpage[k].widget());
            PlaceOnPage(Imar[k], Picpage[k].widget());
        }
    }
    for (int i = 0; i < 12; ++i) Label1[i].widget()->setAttribute(Qt::WA_TransparentForMouseEvents);
    Picpage.Bind(&vb::Control::MouseDown,
                 [this](int i, int b, int s, double x, double y) { Picpage_MouseDown(i, b, s, x, y); });
    Picpage.Bind(&vb::Control::DblClick, [this](int i) { Picpage_DblClick(i); });
    Picpage.Bind(&vb::Control::KeyDown, [this](int i, int k, int s) { Picpage_KeyDown(i, k, s); });
    VScroll1.Change = [this](int) { VScroll1_Change(); };
    VScroll1.SetSmallChange(50);
    VScroll1.SetLargeChange(500);
    VScroll1.SetMin(0);
    VScroll1.SetMax(0);
    HScroll1.Change = [this](int) { HScroll1_Change(); };
    HScroll1.SetSmallChange(50);
    HScroll1.SetLargeChange(500);
    HScroll1.SetMin(0);
    HScroll1.SetMax(0);
    HScroll1.SetVisible(false);
    resize(834, 640);
}

Form3::~Form3() = default;

void Form3::Form_Load() {
    Picjp.Move(0, 0);
    Picjp.SetBackColor(0x808080);
    // Pages wait out of view until the page setup places them; the composition page stays there.
    for (int k = 0; k <= 25; ++k) Picpage[k].Move(-5000, 0);
    for (int k = 0; k <= 24; ++k) {
        Picpage[k].SetBackColor(0xFFFFFF);
        vb::Label& number = Label2[k];
        number.SetFontName(QStringLiteral("宋体"));
        number.SetFontSize(9);
        number.SetAlignment(0);
        number.SetBackStyle(0);
        number.SetCaption(QStringLiteral("- %1 -").arg(k + 1));
        const QSize s = LabelTextSize({number.FontName(), number.FontSize()}, number.Caption());
        number.Move(number.Left(), number.Top(), s.width(), s.height());
        Shape2[k].Move(-5000, 0, 20, 20);
        Shape2[k].SetBorderColor(0x0000FF);
        Imal[k].SetTop(-500);
        Imar[k].SetTop(-500);
        Shape1[k].SetBackStyle(1);
        Shape1[k].SetBackColor(0x404040);
        Shape1[k].Move(0, -300, 20, 20);
    }
    for (int i = 0; i < 12; ++i) {
        const FontSpec f = HeaderLabelFont(i);
        Label1[i].SetBackStyle(0);
        Label1[i].SetFontName(f.Name);
        Label1[i].SetFontSize(f.Size);
    }
    Label1[10].SetCaption(QStringLiteral("q"));
    loaded_ = true;
}

void Form3::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    Form_Resize();
}

// The vertical bar spans the room above the horizontal one, which shows only while the strip is
// wider than the room beside the vertical bar; each bar's range reaches the strip's far edge.
void Form3::Form_Resize() {
    const int viewWidth = width() - kBar;
    const bool wide = Picjp.Width() > viewWidth;
    const double viewHeight = ScaleHeight() - (wide ? kBar : 0);
    VScroll1.SetHeight(viewHeight);
    const int32_t m = StripScrollMax(Picjp.Height(), viewHeight);
    if (VScroll1.Value() > m) VScroll1.SetValue(m);
    VScroll1.SetMax(m);
    VScroll1.Move(viewWidth, 0, kBar, viewHeight);
    const int32_t across = StripScrollMax(Picjp.Width(), viewWidth);
    if (HScroll1.Value() > across) HScroll1.SetValue(across);
    HScroll1.SetMax(across);
    HScroll1.Move(0, ScaleHeight() - kBar, viewWidth, kBar);
    HScroll1.SetVisible(wide);
    MarkerCentreY = typeset::MarkerCentreY(ScaleHeight(), Shape2[0].Height());
}

void Form3::VScroll1_Change() {
    if (following_) return;
    Picjp.SetTop(-VScroll1.Value());
    focusFirstPage();
}

void Form3::HScroll1_Change() {
    Picjp.SetLeft(-HScroll1.Value());
    focusFirstPage();
}

// So that Space reaches the page handlers.
void Form3::focusFirstPage() {
    if (Picpage[0].Visible() && isVisible()) Picpage[0].SetFocus();
}

void Form3::FollowStripTo(double top) {
    Picjp.SetTop(top);
    following_ = true;
    VScroll1.SetValue(int(vb::Round(-top)));
    following_ = false;
}

QRect Form3::workArea() const {
    if (WorkArea) return WorkArea();
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect(0, 0, width(), height());
}

void Form3::FitToStrip() {
    if (!isMaximized() && !isFullScreen()) {
        const QRect area = workArea();
        // The frame the window manager puts around a shown window counts against the area.
        const QSize frame = frameGeometry().size() - size();
        resize(std::min(int(Picjp.Width()) + kPageRoom, area.width() - frame.width()),
               std::min(height(), area.height() - frame.height()));
        if (isVisible()) {
            const QRect at = frameGeometry();
            move(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() + 1 - at.width())),
                 std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() + 1 - at.height())));
        }
    }
    Form_Resize();
}

// The wheel over the pages (nothing on them takes it) turns the bar of its direction, as it does
// over the bar itself.
void Form3::wheelEvent(QWheelEvent* e) {
    const QPoint turn = e->angleDelta();
    const bool across = std::abs(turn.x()) > std::abs(turn.y());
    if (across && !HScroll1.Visible()) {
        e->ignore();
        return;
    }
    // Handed on, the event is no longer spontaneous: a bar that leaves it does not pass it back up.
    QCoreApplication::sendEvent((across ? HScroll1 : VScroll1).widget(), e);
}

void Form3::Picpage_MouseDown(int page, int button, int shift, double x, double y) {
    switch (DecidePageClick(button, shift)) {
    case PageClick::Alt:
        if (P3pCkff) P3pCkff(page, x, y, button);
        break;
    case PageClick::Plain:
        if (P3pCk) P3pCk(page, x, y, button);
        break;
    case PageClick::PlayStop:
        if (PlayStop) PlayStop();
        break;
    case PageClick::None: break;
    }
}

void Form3::Picpage_DblClick(int page) {
    if (OpenEditor) OpenEditor(page);
}

void Form3::Picpage_KeyDown(int, int keyCode, int) {
    if (keyCode == 32 && PlayStop) PlayStop();
}

int Form3::WindowState() const { return minimised_ || isMinimized() ? 1 : 0; }

void Form3::SetWindowState(int state) {
    if (state == 1) {
        // A hidden window stays as it is.
        if (!isVisible()) return;
        minimised_ = true;
        hide();
    } else if (minimised_) {
        minimised_ = false;
        show();
    } else if (isMinimized()) {
        showNormal();
    }
}

void Form3::SetVisible(bool visible) {
    minimised_ = false;
    if (visible) {
        if (isMinimized()) showNormal();
        show();
    } else {
        hide();
    }
}

void Form3::SetFocus() {
    activateWindow();
    Picpage[0].SetFocus();
}

void Form3::closeEvent(QCloseEvent* e) {
    e->ignore();
    hide();
}

}  // namespace typeset
