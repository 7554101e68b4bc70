// The piano roll: the keyboard and the canvas with its rows, grid and note labels, the editor-window
// box on the song ruler, drawing and selecting on the canvas, the note labels' moves, resizes and
// double-click, the on-screen keys, the canvas keys, the note menu and the editor's toolbar button.
#include "app/form1.h"

#include <QClipboard>
#include <QCursor>
#include <QEvent>
#include <QFocusEvent>
#include <QGuiApplication>

#include "document/lyrics.h"
#include "platform/keys.h"
#include "platform/vbtext.h"

namespace app {

using editing::RowToSemitone;
using vb::Round;

namespace {

const char* const kMenuCaptions[editing::kNoteMenuItems] = {
    "剪切 Ctrl+X", "复制 Ctrl+C", "粘贴 Ctrl+V", "删除 Ctrl+D", "撒消",     "时间拉升", "插入歌词",
    "全选",        "升高半音 ↑",  "降低半音 ↓",  "清除歌词",    "反选",     "量化对齐", "换气处理",
    "清除重叠",    "填满时值",    "复制歌词",    "粘贴歌词",    "恢复",     "键盘输入", "自动分句"};
const QString kKeyboardEntryOn = QString::fromUtf8("√键盘输入");
constexpr int kMenuItemHeight = 16;

// Runs `fn` when the watched widget loses the keyboard focus.
class FocusOutWatch : public QObject {
public:
    FocusOutWatch(QObject* parent, std::function<void()> fn, bool withinWindowOnly = false)
        : QObject(parent), fn_(std::move(fn)), withinWindowOnly_(withinWindowOnly) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::FocusOut &&
            !(withinWindowOnly_ && static_cast<QFocusEvent*>(e)->reason() == Qt::ActiveWindowFocusReason))
            fn_();
        return false;
    }

private:
    std::function<void()> fn_;
    bool withinWindowOnly_;
};

int Whole(double v) { return int(Round(v)); }

}  // namespace

void Form1::BindPianoRollHandlers() {
    // The menu lies over the canvas and scrolls with it.
    MoveToContainer(Picture11, Picture6.widget());
    Picture11.Move(0, -5000, 104, editing::kNoteMenuItems * kMenuItemHeight + 4);
    Picture11.SetBorderStyle(1);
    Picture11.SetBackColor(0xF0F0F0);
    for (int i = 0; i < editing::kNoteMenuItems; ++i) {
        Label18[i].SetCaption(QString::fromUtf8(kMenuCaptions[i]));
        Label18[i].Move(2, 2 + kMenuItemHeight * i, 98, kMenuItemHeight);
        Label18[i].SetBackStyle(0);
        Label18[i].widget()->setAttribute(Qt::WA_NoMousePropagation);
    }
    Shape5.Move(0, 0, 24, 20);
    Shape5.SetBorderColor(0x808080);
    Shape6.Move(Picture6.Width() + 20, 0, 1, 1);
    Shape6.SetBorderColor(0x000000);
    Picture6.widget()->setCursor(Qt::CrossCursor);
    // The canvas and the keyboard scroll under the rulers and the tool panel; the play and stop
    // buttons lie over the panel while the roll is open.
    for (vb::Control* c : std::initializer_list<vb::Control*>{&Picture1, &HScroll1, &HScroll2, &Picture8, &Picture9,
                                                               &VScroll2, &VScroll3, &Check2, &Command3})
        c->widget()->raise();
    Label14.SetMouseUnits(15);
    // Labels take their own presses; the containers never see them.
    for (QWidget* w : {Label14.widget()}) w->setAttribute(Qt::WA_NoMousePropagation);
    for (int i = 0; i <= editing::kNoteLabelPool; ++i) {
        Labnot[i].widget()->setAttribute(Qt::WA_NoMousePropagation);
        Labnot[i].SetBorderStyle(1);
    }
    for (int i = 0; i <= editing::kRecordLabelPool; ++i) Lably[i].widget()->setAttribute(Qt::WA_NoMousePropagation);
    // The keyboard-entry marker shows over the notes and lets every click through to them.
    Image1.SetPicture(editing::EntryMarkerPicture());
    Image1.widget()->setAttribute(Qt::WA_TransparentForMouseEvents);
    // The canvas keeps the keyboard focus: the roll's buttons take none.
    for (vb::Control* c : std::initializer_list<vb::Control*>{&Chely, &Chegd, &Command5, &VScroll2, &VScroll3})
        c->widget()->setFocusPolicy(Qt::NoFocus);
    for (int n = editing::kLowestKey; n <= editing::kHighestKey; ++n) {
        vb::Label& key = Label13[n];
        key.widget()->setAttribute(Qt::WA_NoMousePropagation);
        key.SetBorderStyle(1);
        key.SetBackColor(editing::IsBlackKey(n) ? 0x000000 : 0xFFFFFF);
        key.SetForeColor(editing::IsBlackKey(n) ? 0xFFFFFF : 0x000000);
    }

    VScroll2.Change = [this](int) { VScroll2_Change(); };
    VScroll3.Change = [this](int) { VScroll3_Change(); };
    Label14.MouseDown = [this](int, int b, int s, double x, double y) { Label14_MouseDown(b, s, x, y); };
    Label14.MouseMove = [this](int, int b, int s, double x, double y) { Label14_MouseMove(b, s, x, y); };
    Label14.MouseUp = [this](int, int b, int s, double x, double y) { Label14_MouseUp(b, s, x, y); };
    Picture1.DblClick = [this](int) { Picture1_DblClick(); };
    // The piano-roll ruler and panel give the keys back to the canvas.
    Picture8.MouseUp = [this](int, int, int, double, double) {
        if (Picture6.Visible()) Picture6.SetFocus();
    };
    Picture9.MouseUp = [this](int, int, int, double, double) { Picture6.SetFocus(); };
    Picture6.MouseDown = [this](int, int b, int s, double x, double y) { Picture6_MouseDown(b, s, x, y); };
    Picture6.MouseMove = [this](int, int b, int s, double x, double y) { Picture6_MouseMove(b, s, x, y); };
    Picture6.MouseUp = [this](int, int b, int s, double x, double y) { Picture6_MouseUp(b, s, x, y); };
    Picture6.KeyDown = [this](int, int k, int s) { Picture6_KeyDown(k, s); };
    Picture6.KeyUp = [this](int, int k, int s) { Picture6_KeyUp(k, s); };
    Picture6.widget()->installEventFilter(new FocusOutWatch(Picture6.widget(), [this] { Picture6_LostFocus(); }));
    // A message box asked from a menu command takes the window's focus without closing the menu.
    Picture11.widget()->installEventFilter(
        new FocusOutWatch(Picture11.widget(), [this] { Picture11.SetTop(-5000); }, true));
    Labnot.Bind(&vb::Control::MouseDown, [this](int i, int b, int s, double x, double y) { Labnot_MouseDown(i, b, s, x, y); });
    Labnot.Bind(&vb::Control::MouseMove, [this](int i, int b, int s, double x, double y) { Labnot_MouseMove(i, b, s, x, y); });
    Labnot.Bind(&vb::Control::MouseUp, [this](int i, int b, int s, double x, double y) { Labnot_MouseUp(i, b, s, x, y); });
    Labnot.Bind(&vb::Control::DblClick, [this](int i) { Labnot_DblClick(i); });
    for (int n = editing::kLowestKey; n <= editing::kHighestKey; ++n) {
        Label13[n].MouseDown = [this](int i, int b, int s, double x, double y) { Label13_MouseDown(i, b, s, x, y); };
        Label13[n].MouseUp = [this](int i, int b, int s, double x, double y) { Label13_MouseUp(i, b, s, x, y); };
    }
    Label18.Bind(&vb::Control::MouseDown, [this](int i, int b, int s, double x, double y) {
        Label18_MouseDown(i, b, s, x, y);
        // Lyric insertion keeps its text box; a menu left open (a declined split) keeps the focus.
        if (Picture6.Visible() && i != 6 && Picture11.Top() < 0) Picture6.SetFocus();
    });
    Label18.Bind(&vb::Control::MouseMove, [this](int i, int b, int s, double x, double y) { Label18_MouseMove(i, b, s, x, y); });
}

// ---------------------------------------------------------------------------------------------
// Layout and drawing

void Form1::LayoutPianoRoll() {
    const int h = VScroll3.Value();
    vb::PageSurface& canvas = Picture6.Canvas();
    canvas.SetForeColor(Label15[9].ForeColor());
    canvas.SetPicture(QImage());
    canvas.Cls();
    constexpr int keyLeft = 17;
    for (int n = editing::kLowestKey; n <= editing::kHighestKey; ++n) {
        const editing::RowBox box = editing::KeyBox(n, h);
        const bool black = editing::IsBlackKey(n);
        Label13[n].Move(keyLeft, box.top, black ? 64 : Picture7.Width() - keyLeft, box.height);
        if (black) Label13[n].widget()->raise();
    }
    const int height = editing::RollCanvasHeight(h);
    Picture7.SetHeight(height);
    Picture6.SetHeight(height);
    UpdatePianoRollScroll();
    Line7.SetPoints(Line7.X1(), 0, Line7.X2(), height);
    VScroll2.SetValue(int(Round(VScroll2.Max() / 2.0)));
    VScroll2_Change();
    // The row lines become the canvas's background picture. The canvas is drawn when the roll is
    // first shown: until then it holds no pixels.
    struct RowLine {
        double y;
        vb::Colour colour;
    };
    std::vector<RowLine> rows;
    for (int i = 0; i <= editing::kWhiteRows; ++i) rows.push_back({double((h - 1) * i), Label15[9].ForeColor()});
    auto shadeRow = [&](int row, vb::Colour colour) {
        for (int i = 1; i <= h - 1; i += 2) rows.push_back({double((h - 1) * row + i), colour});
    };
    for (int e = 0; e <= 7; ++e)
        if (e != 4) shadeRow(7 * e, Label15[4].ForeColor());
    shadeRow(28, Label15[3].ForeColor());
    for (int code : {0, 20, 1, 2, 3, 4, 5, 6}) {
        const editing::RowBox box = editing::PitchRowBox(code, h);
        Label13[code].Move(0, box.top, 10, box.height);
    }
    const double width = Picture6.Width();
    canvas.SetPictureDrawnBy([rows, width](vb::Surface& s) {
        for (const RowLine& r : rows) s.Line(0, r.y, width, r.y, r.colour);
    });
    // The print position ends where the last line ends, as if drawn now.
    if (!rows.empty()) {
        canvas.SetCurrentX(width);
        canvas.SetCurrentY(rows.back().y);
    }
    if (Picture6.Visible()) {
        for (int k = 1; k <= NoteLabelCount; ++k) {
            const int row = Labnot[k].Tag.toInt();
            const editing::RowBox box = editing::PitchRowBox(song->Notes[song->CurrentPart][row].Pitch, h);
            Labnot[k].Move(Labnot[k].Left(), box.top, Labnot[k].Width(), box.height);
            Labnot[k].SetFontSize(box.height / 1.6);
        }
        DrawPianoRollGrid();
    }
    Line3.SetPoints(Line3.X1(), 0, Line3.X2(), height + 1);
    Picture6.Refresh();
}

void Form1::DrawPianoRollGrid() {
    vb::PageSurface& ruler = Picture8.Canvas();
    vb::PageSurface& canvas = Picture6.Canvas();
    ruler.Cls();
    canvas.Cls();
    const double height = Picture6.Height();
    const std::vector<editing::GridLine> lines = editing::RollGrid(*song, RollViewStart, RollViewEnd, Picture8.Width());
    for (const editing::GridLine& g : lines) {
        ruler.Line(g.x, 0, g.x, g.bar ? 12 : 6, 0);
        canvas.Line(g.x, 0, g.x, height, Label15[g.bar ? 6 : 5].ForeColor());
        if (g.labelled) {
            ruler.SetCurrentX(g.x - 8);
            ruler.SetCurrentY(14);
            ruler.Print(QString::number(g.number));
        }
    }
    Picture8.Refresh();
    Picture6.Refresh();
}

void Form1::RefreshPianoRoll() {
    doc::Song& s = *song;
    const editing::RollWindow w =
        editing::WindowFromBox(Label14.Left(), Label14.Width(), Picture1.Width(), s.SongLength, SnapGrid[1]);
    if (w.span() <= 0) return;
    RollViewStart = w.start;
    RollViewEnd = w.end;
    Label14.Move(w.boxLeft, Label14.Top(), w.boxWidth, Label14.Height());
    Shape2.Move(w.boxLeft, 0, w.boxWidth, Shape2.Height());
    RollViewSpan = w.span();

    const int part = s.CurrentPart;
    const int h = VScroll3.Value();
    const double width = Picture6.Width();
    const std::vector<int> rows = editing::VisibleRows(s, part, RollViewStart, RollViewEnd);
    const int verse = std::max(Combo8.ListIndex(), 0);
    int k = 0;
    for (int row : rows) {
        const doc::NoteRecord& n = s.Notes[part][row];
        vb::Label& label = Labnot[++k];
        label.SetBackColor(Label15[n.Selected ? 1 : 0].ForeColor());
        label.Tag = QString::number(row);
        const editing::RowBox box = editing::PitchRowBox(n.Pitch, h);
        label.Move(editing::TickX(n.Start, RollViewStart, RollViewSpan, width), box.top,
                   double(n.Length) / RollViewSpan * width, box.height);
        label.SetFontSize(box.height / 1.6);
        label.SetBackStyle(n.Pitch > 20 ? 1 : 0);
        QString caption = n.Lyric;
        if (n.Pitch == doc::kSentenceMarker) caption = doc::GetPhraseLyrics(s, part, row, verse);
        else if (n.Pitch == doc::kDynamics) caption = Combo7[2].List(int(vb::Val(n.Lyric)));
        else if (n.Pitch == doc::kChosenExpression) caption = Combo7[0].List(int(vb::Val(n.Lyric)));
        label.SetCaption(caption);
    }
    for (int i = k + 1; i <= NoteLabelCount; ++i) Labnot[i].SetLeft(width + 500);
    NoteLabelCount = int16_t(k);
    if (Chely.Value() == 1) PlaceRecordedBars();
    NewNoteLength = editing::NewNoteLengthFor(SnapGrid[1]);
    Shape5.SetWidth(width * NewNoteLength / RollViewSpan);
    DrawPianoRollGrid();
    RollGridStepWidth = width * SnapGrid[1] / RollViewSpan;
    Line3.SetPoints(-1, 0, -1, Line3.Y2());
    const double cx = editing::TickX(s.CursorTick, RollViewStart, RollViewSpan, Picture8.Width());
    Line6.SetPoints(cx, Line6.Y1(), cx, Line6.Y2());
    Line7.SetPoints(cx, Line7.Y1(), cx, Line7.Y2());
    PlaceStretchBar();
}

int Form1::TitleBlockTop() const { return Picture13.Visible() ? int(Picture13.Top()) : ScreenHeightPx; }

void Form1::UpdatePianoRollScroll() {
    VScroll2.SetMax(std::max(0, int(Picture6.Height()) - (TitleBlockTop() - kPianoRollTop)));
}

void Form1::VScroll2_Change() {
    Picture7.SetTop(77 - VScroll2.Value());
    Picture6.SetTop(77 - VScroll2.Value());
    if (Picture6.Visible()) Picture6.SetFocus();
}

void Form1::VScroll3_Change() {
    RollRowHeight = uint8_t(VScroll3.Value() - 1);
    Shape5.SetHeight(VScroll3.Value());
    LayoutPianoRoll();
    if (Picture6.Visible()) Picture6.SetFocus();
    else if (Picture4[0].Visible()) Picture4[0].SetFocus();
}

// ---------------------------------------------------------------------------------------------
// The editor-window box on the song ruler

void Form1::Label14_MouseDown(int button, int, double x, double) {
    if (button != vb::vbLeftButton) return;
    Text2.SetTop(-5000);
    Picture11.SetTop(-5000);
    MouseDownX = int32_t(Round(x));
}

void Form1::Label14_MouseMove(int button, int, double x, double) {
    if (button == 0) {
        Label14.Tag = editing::EditorBoxZone(x, Label14.Width());
        Label14.widget()->setCursor(Label14.Tag.isEmpty() ? Qt::SizeAllCursor : Qt::SizeHorCursor);
        return;
    }
    if (button != vb::vbLeftButton) return;
    const editing::BoxOutline o =
        editing::DragEditorBox(Label14.Tag, Label14.Left(), Label14.Width(), x - MouseDownX, Picture6.Width());
    Shape2.Move(o.left, 0, o.width, Shape2.Height());
    Line3.SetPoints(o.guideX, 0, o.guideX, Line3.Y2());
}

void Form1::Label14_MouseUp(int button, int, double, double) {
    if (button != vb::vbLeftButton) return;
    Line3.SetPoints(-1, 0, -1, Line3.Y2());
    if (Shape2.Left() == Label14.Left() && Shape2.Width() == Label14.Width()) return;
    Label14.Move(Shape2.Left(), Label14.Top(), Shape2.Width(), Label14.Height());
    RefreshPianoRoll();
    if (RollViewSpan > 0) RollRulerScale = Picture8.Width() / RollViewSpan;
    EditorScrollStep = int16_t(Round(Label14.Width() * 0.05));
    if (Picture6.Visible()) Picture6.SetFocus();
}

void Form1::Picture1_DblClick() {
    if (PlayMode != PlayMode::Idle) return;
    Label14.SetLeft(Line4.X1());
    Command4_Click(kEditorButton);
}

// Toolbar "E": shows or hides the piano roll of the current part.
void Form1::Command4_Editor() {
    if (PlayMode == PlayMode::ChangePanel) return;
    const bool show = !Picture6.Visible();
    ShowPendingPlayState();
    for (vb::Control* c : std::initializer_list<vb::Control*>{&Picture6, &Picture7, &VScroll2, &VScroll3, &Picture9,
                                                               &Picture8, &Label14, &Shape2})
        c->SetVisible(show);
    VScroll1.SetVisible(!show);
    if (show) {
        Picture6.SetFocus();
        if (Chely.Value() == 1) Chely.SetValue(0);
        Check2.Move(28, 53);
        Command3.Move(68, 53);
        if (Chegd.Value() == 1) {
            Shape2.SetLeft(Line4.X1() - EditorScrollStep);
            Label14_MouseUp(1, 0, 0, 0);
        } else {
            RefreshPianoRoll();
        }
        Picture6.SetFocus();
    } else {
        Check2.Move(16, 344);
        Command3.Move(48, 344);
        UpdatePartPitchRange(song->CurrentPart);
        BuildSentenceLists(song->CurrentPart);
        if (PlayMode != PlayMode::Playing) Picture1_MouseDown(vb::vbLeftButton, 0, Line4.X1(), 0);
        Picture11.SetTop(-5000);
        TypesetScorePages();
    }
}

// ---------------------------------------------------------------------------------------------
// The canvas: drawing, rubber band, menu, keys

namespace {
// A press on a label of the canvas belongs to the label, also where the platform still passes it on.
bool OnCanvasChild(QWidget* canvas, double x, double y) {
    QWidget* child = canvas->childAt(QPoint(Whole(x), Whole(y)));
    return child && child->isVisible();
}
}  // namespace

void Form1::Picture6_MouseDown(int button, int shift, double x, double y) {
    rollCanvasPressed_ = !OnCanvasChild(Picture6.widget(), x, y);
    if (!rollCanvasPressed_) return;
    Text2.SetTop(-5000);
    for (int i = 0; i < 3; ++i) Combo7[i].SetTop(-5000);
    Picture11.SetTop(-5000);
    Label20.SetVisible(false);
    Shape7.SetVisible(false);
    const int part = song->CurrentPart;
    if (shift != vb::vbCtrlMask && shift != vb::vbAltMask && SelectionActive) {
        SelectionActive = 0;
        editing::SelectAllRows(*song, part, 0);
        for (int k = 1; k <= NoteLabelCount; ++k) Labnot[k].SetBackColor(Label15[0].ForeColor());
    }
    if (button == vb::vbRightButton) {
        Picture6.widget()->setCursor(Qt::ArrowCursor);
        Shape5.SetVisible(false);
        MouseDownX = int32_t(Round(x));
        MouseDownY = int32_t(Round(y));
    } else if (button == vb::vbLeftButton) {
        DragStartTick = RollMouseTick;
        drawPitch_ = RowToSemitone(RollMouseRow);
        if (drawPitch_ >= editing::kLowestKey && drawPitch_ <= editing::kHighestKey)
            midiOutShortMsg(NoteOnMessage(part, drawPitch_));
        else
            drawPitch_ = 0;
    }
}

void Form1::Picture6_MouseMove(int button, int shift, double x, double y) {
    const bool ctrl = shift == vb::vbCtrlMask;
    const double width = Picture6.Width();
    if (button == 0) {
        if (OnCanvasChild(Picture6.widget(), x, y) || RollRowHeight == 0) return;
        RollMouseRow = uint8_t(std::clamp(Whole(y) / int(RollRowHeight), 0, 255));
        RollMouseTick = editing::PointerTick(x, width, RollViewStart, RollViewSpan, SnapGrid[1], ctrl);
        Shape5.Move(editing::TickX(RollMouseTick, RollViewStart, RollViewSpan, width), RollMouseRow * RollRowHeight);
        return;
    }
    if (!rollCanvasPressed_) return;
    if (button == vb::vbLeftButton) {
        RollMouseTick = editing::PointerTick(x, width, RollViewStart, RollViewSpan, SnapGrid[1], ctrl);
        if (RollMouseTick >= DragStartTick + 1)
            Shape5.SetWidth(width * (RollMouseTick - DragStartTick) / RollViewSpan);
    } else if (button == vb::vbRightButton) {
        int32_t left = MouseDownX, top = MouseDownY, right = Whole(x), bottom = Whole(y);
        if (left > right) editing::SwapValues(left, right);
        if (top > bottom) editing::SwapValues(top, bottom);
        Shape6.Move(left, top, right - left, bottom - top);
    }
}

void Form1::Picture6_MouseUp(int button, int shift, double x, double y) {
    if (!rollCanvasPressed_) return;
    rollCanvasPressed_ = false;
    const int part = song->CurrentPart;
    if (!Picture8.Enabled()) {
        if (button == vb::vbLeftButton && drawPitch_) midiOutShortMsg(NoteOffMessage(part, drawPitch_));
        drawPitch_ = 0;
        return;
    }
    if (button == vb::vbRightButton) {
        Picture6.widget()->setCursor(Qt::CrossCursor);
        Shape5.SetVisible(true);
        if (Shape6.Width() < 3 && Shape6.Height() < 3) {
            int my = Whole(y);
            PlaceNoteMenu(Whole(x), my);
            UpdateNoteMenuState();
        } else {
            const double rl = Shape6.Left(), rt = Shape6.Top(), rw = Shape6.Width(), rh = Shape6.Height();
            bool hit = false;
            for (int k = 1; k <= NoteLabelCount; ++k) {
                vb::Label& l = Labnot[k];
                if (!(l.Left() + l.Width() > rl && rl + rw > l.Left() && l.Top() + l.Height() > rt && rt + rh > l.Top()))
                    continue;
                hit = true;
                doc::NoteRecord& n = song->Notes[part][l.Tag.toInt()];
                n.Selected = shift == vb::vbAltMask ? (n.Selected ? 0 : -1) : -1;
                l.SetBackColor(Label15[n.Selected ? 1 : 0].ForeColor());
            }
            if (hit) SelectionActive = -1;
        }
        Shape6.Move(Picture6.Width() + 20, 0, 1, 1);
        return;
    }
    if (button != vb::vbLeftButton || DragStartTick == -1) return;
    if (drawPitch_) midiOutShortMsg(NoteOffMessage(part, drawPitch_));
    drawPitch_ = 0;
    int32_t length = NewNoteLength;
    const editing::DrawResult r = editing::DrawNote(*song, journal, part, DragStartTick, RollMouseTick, RollMouseRow,
                                                    length, int(HScroll4.Value()));
    NewNoteLength = length;
    if (r == editing::DrawResult::Full) {
        Dialogs().MsgBox(editing::FullPartMessage(), vb::vbOKOnly, "提示");
    } else if (r == editing::DrawResult::Drawn) {
        const int row = song->Parts[part].NoteCount - 1;
        if (NoteLabelCount < editing::kNoteLabelPool) {
            const doc::NoteRecord& n = song->Notes[part][row];
            vb::Label& label = Labnot[++NoteLabelCount];
            const double width = Picture6.Width();
            const editing::RowBox box = editing::KeyBox(n.Pitch, VScroll3.Value());
            label.SetCaption(n.Lyric);
            label.Tag = QString::number(row);
            label.Move(editing::TickX(n.Start, RollViewStart, RollViewSpan, width), box.top,
                       double(n.Length) / RollViewSpan * width, box.height);
            label.SetBackColor(Label15[0].ForeColor());
            label.SetBackStyle(1);
            label.SetFontSize(box.height / 1.6);
        }
        RefreshPhraseLabels(part, row);
    }
    DragStartTick = -1;
}

void Form1::Picture6_KeyDown(int keyCode, int shift) {
    if (shift == 0 && keyCode >= 0 && keyCode < 256 && KeyNoteMap[size_t(keyCode)] != 0) {
        const int note = KeyNoteMap[size_t(keyCode)];
        if (ResumeDeferredKey(note)) return;
        if (note >= editing::kLowestKey && note <= editing::kHighestKey && NoteKeyDown[size_t(note)] != -1) {
            // Held before the press runs: a first key that starts playback waits in its loop.
            NoteKeyDown[size_t(note)] = -1;
            Label13_MouseDown(note, 1, 0, 0, 0);
        }
        return;
    }
    const bool ctrl = shift == vb::vbCtrlMask, shown = Picture6.Visible();
    auto item = [this](int index) { Label18_MouseDown(index, 1, 0, 0, 0); };
    switch (keyCode) {
    case vb::vbKeyDelete: item(3); break;
    case 'A':
        if (ctrl) item(7);
        else if (shift == vb::vbAltMask) item(11);
        break;
    case vb::vbKeySpace: if (shift == 0) PlayOrStopBySpace(); break;
    case vb::vbKeyUp: if (shown) item(8); break;
    case vb::vbKeyDown: if (shown) item(9); break;
    case 'X': if (ctrl && shown) item(0); break;
    case 'C': if (ctrl && shown) item(1); break;
    case 'V': if (ctrl && shown) item(2); break;
    case 'D': if (ctrl && shown) item(3); break;
    case 'Z': if (ctrl && shown && journal.UndoPosition > 1) item(4); break;
    default: break;
    }
}

// A held note key ends on its release whatever modifier is held by then.
void Form1::Picture6_KeyUp(int keyCode, int) {
    if (keyCode < 0 || keyCode >= 256 || KeyNoteMap[size_t(keyCode)] == 0) return;
    const int note = KeyNoteMap[size_t(keyCode)];
    if (note < editing::kLowestKey || note > editing::kHighestKey || NoteKeyDown[size_t(note)] != -1) return;
    if (DeferKeyRelease(note)) return;
    Label13_MouseUp(note, 1, 0, 0, 0);
    NoteKeyDown[size_t(note)] = 0;
}

// The canvas never sees the release of a key held while the focus goes elsewhere.
void Form1::Picture6_LostFocus() {
    KeyReleaseGrace_Timer(true);
    for (int note = editing::kLowestKey; note <= editing::kHighestKey; ++note)
        if (NoteKeyDown[size_t(note)] == -1) {
            Label13_MouseUp(note, 1, 0, 0, 0);
            NoteKeyDown[size_t(note)] = 0;
        }
}

// ---------------------------------------------------------------------------------------------
// Note labels

void Form1::Labnot_MouseDown(int index, int button, int shift, double x, double y) {
    Text2.SetTop(-5000);
    Picture11.SetTop(-5000);
    if (button != vb::vbLeftButton) return;
    vb::Label& label = Labnot[index];
    const int part = song->CurrentPart;
    const int row = label.Tag.toInt();
    const vb::Colour noteColour = Label15[0].ForeColor(), selectedColour = Label15[1].ForeColor();
    MouseDownX = int32_t(Round(x));
    MouseDownY = int32_t(Round(y));
    if (Label18[19].Caption() == kKeyboardEntryOn) {
        Image1.Move(label.Left(), label.Top() - editing::kEntryMarkerRise);
        Image1.widget()->raise();
        Image1.Tag = QString::number(index);
        EntryMarkRow = row;
    }
    if (shift == vb::vbCtrlMask) {
        label.SetBackColor(selectedColour);
    } else if (shift == vb::vbAltMask) {
        label.SetBackColor(label.BackColor() == selectedColour ? noteColour : selectedColour);
    } else {
        if (SelectionActive) {
            editing::SelectAllRows(*song, part, 0);
            for (int k = 1; k <= NoteLabelCount; ++k) Labnot[k].SetBackColor(noteColour);
        }
        const doc::NoteRecord& n = song->Notes[part][row];
        if (shift == vb::vbShiftMask) {
            editing::SelectRange(*song, part, AnchorNoteStart, AnchorNoteLength, n.Start, n.Length);
            RefreshPianoRoll();
        }
        label.SetBackColor(selectedColour);
        AnchorNoteStart = n.Start;
        AnchorNoteLength = n.Length;
    }
    Shape5.Move(label.Left(), label.Top(), label.Width(), label.Height());
    doc::NoteRecord& n = song->Notes[part][row];
    n.Selected = label.BackColor() == selectedColour ? -1 : 0;
    labelSoundPitch_ = n.Pitch > 20 ? n.Pitch : 0;
    if (labelSoundPitch_) midiOutShortMsg(NoteOnMessage(part, labelSoundPitch_));
    SelectionActive = -1;
}

void Form1::Labnot_MouseMove(int index, int button, int shift, double x, double y) {
    vb::Label& label = Labnot[index];
    if (button == 0) {
        NoteDragMode = x < 4 ? "L" : x > label.Width() - 5 ? "R" : "";
        label.widget()->setCursor(NoteDragMode.isEmpty() ? Qt::SizeAllCursor : Qt::SizeHorCursor);
        return;
    }
    if (button != vb::vbLeftButton) return;
    const int dx = Whole(x - MouseDownX), dy = Whole(y - MouseDownY);
    if (std::abs(dx) < 15 && std::abs(dy) < 15) return;
    auto snap = [&](double v) { return shift == vb::vbCtrlMask ? v : editing::SnapToStep(v, RollGridStepWidth); };
    const double left = label.Left(), width = label.Width();
    if (NoteDragMode.isEmpty()) {
        const double l = snap(left + dx);
        if (l < 0) return;
        Shape5.SetLeft(l);
        if (Check5[6].Value() == 1 && RollRowHeight > 0) {
            RollMouseRow = uint8_t(std::clamp(Whole(label.Top() + dy) / int(RollRowHeight), 0, 255));
            Shape5.SetTop(RollMouseRow * RollRowHeight);
        }
    } else if (NoteDragMode == "R") {
        const double w = snap(width + dx);
        if (w < 1) return;
        Shape5.SetLeft(left);
        Shape5.SetWidth(w);
    } else {
        const double l = std::max(snap(left + dx), 0.0);
        if (l > left + width - 1) return;
        Shape5.SetLeft(l);
        Shape5.SetWidth(width - l + left);
    }
}

void Form1::Labnot_MouseUp(int index, int button, int, double x, double y) {
    vb::Label& label = Labnot[index];
    const int part = song->CurrentPart;
    const int row = label.Tag.toInt();
    doc::NoteRecord& n = song->Notes[part][row];
    if (button == vb::vbRightButton) {
        label.SetBackColor(Label15[1].ForeColor());
        n.Selected = -1;
        SelectionActive = -1;
        int my = Whole(label.Top() + y);
        PlaceNoteMenu(Whole(label.Left() + x), my);
        UpdateNoteMenuState();
        Label18[6].SetEnabled(true);
        Picture11.Tag = QString::number(index);
        Picture11.SetFocus();
        return;
    }
    if (button != vb::vbLeftButton) return;
    if (labelSoundPitch_) midiOutShortMsg(NoteOffMessage(part, labelSoundPitch_));
    labelSoundPitch_ = 0;
    if (Shape5.Left() == label.Left() && Shape5.Width() == label.Width() && Shape5.Top() == label.Top()) return;
    const double width = Picture6.Width();
    const int32_t tick = int32_t(Round(Shape5.Left() / width * RollViewSpan + RollViewStart));
    const int32_t length = int32_t(Round(Shape5.Width() / width * RollViewSpan));
    const int pitch = editing::DroppedPitch(n.Pitch, label.Top(), Shape5.Top(), RollRowHeight);
    bool done;
    if (NoteDragMode.isEmpty()) {
        done = editing::MoveSelectedNotes(*song, journal, part, tick - n.Start, pitch - n.Pitch);
        if (done) RefreshPianoRoll();
    } else {
        done = editing::ResizeNote(*song, journal, part, row, pitch, tick, length);
        if (done) {
            label.Move(Shape5.Left(), Shape5.Top(), Shape5.Width(), Shape5.Height());
            if (n.Pitch > 20) RefreshPhraseLabels(part, row);
            else if (n.Pitch == doc::kSentenceMarker)
                label.SetCaption(doc::GetPhraseLyrics(*song, part, row, std::max(Combo8.ListIndex(), 0)));
        }
    }
    if (done) {
        RollMouseTick = tick;
        NewNoteLength = length;
    } else {
        Shape5.Move(label.Left(), label.Top(), label.Width(), label.Height());
    }
}

void Form1::Labnot_DblClick(int index) {
    vb::Label& label = Labnot[index];
    const int pitch = song->Notes[song->CurrentPart][label.Tag.toInt()].Pitch;
    const QString caption = label.Caption();
    const QString text = editing::EntryTextFor(pitch, caption);
    Text2.Move(label.Left(), label.Top());
    Text2.Tag = QString::number(index);
    Text2.SetText(text);
    std::pair<int, int> sel = editing::VerseSelection(caption, pitch, std::max(Combo8.ListIndex(), 0));
    if (pitch <= 19) sel = {0, int(text.size())};
    else if (text != caption) sel.first += int(text.size() - caption.size());
    Text2.SetSelStart(sel.first);
    Text2.SetSelLength(sel.second);
    Text2.SetFocus();
    if (pitch == doc::kDynamics || pitch == doc::kChosenExpression || pitch == doc::kSpecialSymbol)
        Text2_MouseDown(vb::vbLeftButton, 0, 0, 0);
    Label20.SetVisible(false);
    Shape7.SetVisible(false);
}

void Form1::RefreshPhraseLabels(int part, int row) {
    const int32_t start = song->Notes[part][row].Start;
    const int verse = std::max(Combo8.ListIndex(), 0);
    for (int i = 0; i < song->Parts[part].NoteCount; ++i) {
        const doc::NoteRecord& m = song->Notes[part][i];
        if (m.Pitch != doc::kSentenceMarker || !(m.Start <= start && start < m.Start + m.Length)) continue;
        for (int k = 1; k <= NoteLabelCount; ++k)
            if (Labnot[k].Tag.toInt() == i) {
                Labnot[k].SetCaption(doc::GetPhraseLyrics(*song, part, i, verse));
                break;
            }
    }
}

// ---------------------------------------------------------------------------------------------
// On-screen keys

void Form1::Label13_MouseDown(int index, int, int, double, double) {
    midiOutShortMsg(NoteOnMessage(song->CurrentPart, index));
    Label13[index].SetCaption(vb::Space(editing::IsBlackKey(index) ? 10 : 12) + QString::fromUtf8("□■"));
    RecordOrEnterKey(index);
}

void Form1::Label13_MouseUp(int index, int, int, double, double) {
    midiOutShortMsg(NoteOffMessage(song->CurrentPart, index));
    Label13[index].SetCaption(QString());
    ReleaseRecordedKey(index);
}

// ---------------------------------------------------------------------------------------------
// Note menu

// The menu opens whole on the screen: inside the part of the canvas between the piano-roll ruler and
// the title block.
void Form1::PlaceNoteMenu(int x, int& y) {
    const int canvasTop = int(Picture6.Top());
    const int visibleTop = std::max(0, kPianoRollTop - canvasTop);
    const int visibleBottom = std::min(int(Picture6.Height()), TitleBlockTop() - canvasTop);
    const std::pair<int, int> p = editing::PlaceNoteMenu(x, y, int(Picture6.Width()), visibleTop, visibleBottom,
                                                         int(Picture11.Width()), int(Picture11.Height()));
    y = p.second;
    Picture11.Move(p.first, p.second);
    Picture11.widget()->raise();
}

void Form1::UpdateNoteMenuState() {
    const editing::MenuState m = editing::NoteMenuState(*song, song->CurrentPart, int(NoteClipboard.size()), journal,
                                                        Label18[19].Enabled(), Label18[20].Enabled());
    for (int i = 0; i < editing::kNoteMenuItems; ++i) Label18[i].SetEnabled(m.enabled[i]);
    Label18[4].SetCaption(journal.UndoCaption());
    Label18[18].SetCaption(journal.RedoCaption());
}

void Form1::Label18_MouseMove(int index, int, int, double, double) {
    if (index == MenuHoverItem) return;
    if (Label18.Exists(MenuHoverItem)) Label18[MenuHoverItem].SetBorderStyle(0);
    MenuHoverItem = int16_t(index);
    Label18[index].SetBorderStyle(1);
}

void Form1::Label18_MouseDown(int index, int, int, double, double) {
    doc::Song& s = *song;
    const int part = s.CurrentPart;
    const vb::Colour noteColour = Label15[0].ForeColor(), selectedColour = Label15[1].ForeColor();
    switch (index) {
    case 0:
        Label18_MouseDown(1, 1, 0, 0, 0);
        Label18_MouseDown(3, 1, 0, 0, 0);
        break;
    case 1: NoteClipboard = editing::CopyNotes(s, part); break;
    case 2:
        if (editing::PasteNotes(s, journal, part, NoteClipboard, s.CursorTick) == editing::PasteResult::Full)
            Dialogs().MsgBox(editing::FullPartMessage(), vb::vbOKOnly, "提示");
        RefreshPianoRoll();
        break;
    case 3:
        editing::DeleteSelected(s, journal, part);
        RefreshPianoRoll();
        break;
    case 4: journal.Undo(s); break;
    case 18: journal.Redo(s); break;
    case 5: ShowStretchBar(); break;
    case 6: OpenLyricInsertion(); break;
    case 7:
        for (int k = 1; k <= NoteLabelCount; ++k) Labnot[k].SetBackColor(selectedColour);
        editing::SelectAllRows(s, part, -1);
        SelectionActive = -1;
        break;
    case 8:
    case 9:
        editing::ShiftSemitone(s, journal, part, index == 8 ? 1 : -1);
        RefreshPianoRoll();
        break;
    case 10:
        editing::ClearLyrics(s, journal, part);
        RefreshPianoRoll();
        break;
    case 11:
        for (int k = 1; k <= NoteLabelCount; ++k)
            Labnot[k].SetBackColor(Labnot[k].BackColor() == selectedColour ? noteColour : selectedColour);
        editing::InvertSelection(s, part);
        SelectionActive = -1;
        break;
    case 12:
    case 13:
    case 14:
    case 15:
    case 20:
        if (!RunTimingTool(index)) return;  // a declined sentence split leaves the menu where it is
        break;
    case 16:
        if (QClipboard* cb = QGuiApplication::clipboard()) {
            cb->clear();
            cb->setText(editing::CopyLyrics(s, part, std::max(Combo8.ListIndex(), 0)));
        }
        break;
    case 19:
        Image1.SetLeft(-5000);
        EntryMarkRow = -1;
        if (Label18[19].Caption() == QString::fromUtf8("键盘输入")) {
            Label18[19].SetCaption(kKeyboardEntryOn);
            SelectNextNote();
        } else {
            Label18[19].SetCaption(QString::fromUtf8("键盘输入"));
        }
        break;
    default: break;
    }
    Picture11.SetTop(-5000);
}

}  // namespace app
