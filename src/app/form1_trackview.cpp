// The track view in the main window: the stacked part strips on the two canvases Picture4(0..1),
// the header row of each part beside them, selecting and reordering parts with the mouse, the
// track view's shortcut keys, adding, renaming, recolouring parts and switching what their
// strips show, and the title block's fields.
#include "app/form1.h"

#include <QEvent>
#include <QRegion>
#include <QWheelEvent>

#include "editing/partmanage.h"
#include "editing/partstrips.h"
#include "editing/titleblock.h"
#include "editing/trackview.h"
#include "platform/vbtext.h"

namespace app {

namespace {

// Sets a part switch to the value of the part record without running its click handler: the
// record already holds the value, so this is no user change.
void SetSwitchQuietly(vb::CheckBox& box, int value) {
    vb::Control::IndexHandler handler = std::move(box.Click);
    box.Click = nullptr;
    box.SetValue(value);
    box.Click = std::move(handler);
}

}  // namespace

void Form1::BindTrackViewHandlers() {
    Picture4.Bind(&vb::Control::MouseDown,
                  [this](int i, int button, int shift, double x, double y) { Picture4_MouseDown(i, button, shift, x, y); });
    Picture4.Bind(&vb::Control::MouseMove,
                  [this](int i, int button, int shift, double x, double y) { Picture4_MouseMove(i, button, shift, x, y); });
    Picture4.Bind(&vb::Control::MouseUp,
                  [this](int i, int button, int shift, double x, double y) { Picture4_MouseUp(i, button, shift, x, y); });
    Picture4.Bind(&vb::Control::KeyDown, [this](int i, int keyCode, int shift) { Picture4_KeyDown(i, keyCode, shift); });
    Label1.MouseDown = [this](int, int button, int shift, double x, double y) { Label1_MouseDown(button, shift, x, y); };
    Label12.Click = [this](int) { Label12_Click(); };
    Label2.Bind(&vb::Control::DblClick, [this](int i) { Label2_DblClick(i); });
    // The name keeps its presses from the header column; a press on it selects its part all the same.
    Label2.Bind(&vb::Control::MouseDown, [this](int i, int button, int shift, double x, double y) {
        Label1_MouseDown(button, shift, Label2[i].ContainerX(x), Label2[i].ContainerY(y));
    });
    Text4.KeyDown = [this](int, int keyCode, int shift) { Text4_KeyDown(keyCode, shift); };
    Label11.Bind(&vb::Control::Click, [this](int i) { Label11_Click(i); });
    Command11.Bind(&vb::Control::Click, [this](int i) { Command11_Click(i); });
    Label19.Bind(&vb::Control::Click, [this](int i) { Label19_Click(i); });

    // Undo and redo of a part deletion swap parts and bring one back: the view follows.
    journal.ArrangePartStrips = [this] { ArrangePartStrips(); };
    journal.RefreshPianoRoll = [this] { RefreshPianoRoll(); };
    journal.ShowPartNames = [this] {
        ShowPartNames();
        RefreshPartSlots();
    };

    HScroll4.SetMin(1);
    HScroll4.SetMax(7);
    HScroll4.SetValue(1);
    HScroll4.SetSmallChange(1);
    HScroll4.SetLargeChange(1);
    HScroll4.Move(8, 240, 120, 14);

    Picture5[10].Move(0, editing::StripDrag::kMarkerHidden, 10, 2);
    Picture5[10].SetBackColor(0x0000FF);

    // The scroll bar moves the strips and their headers; so does the mouse wheel over either.
    VScroll1.SetMin(0);
    VScroll1.SetMax(0);
    VScroll1.SetSmallChange(kTrackViewWheelStep);
    VScroll1.Change = [this](int) { VScroll1_Change(); };
    VScroll1.Scroll = [this](int) { VScroll1_Change(); };
    // Watched on every control of the two regions, so that the wheel reaches the bar also when
    // a control takes it directly.
    for (QWidget* region : {Label1.widget(), Picture3.widget()}) {
        region->installEventFilter(this);
        for (QWidget* child : region->findChildren<QWidget*>()) child->installEventFilter(this);
    }
}

// ---------------------------------------------------------------------------------------------
// Scrolling the strips

// The strips show between the ruler band and the title block (the bottom of the window while the
// title block is hidden).
int Form1::TrackViewVisibleHeight() const {
    return std::max(0, TitleBlockTop() - kTrackViewTop);
}

// The range reaches the last strip and "添加一个新声部" below it; a shorter stack keeps the value
// inside the new range, which moves the strips back. The bar ends where the band ends, so the
// title block does not hide its lower arrow.
void Form1::UpdateTrackViewScroll() {
    const int visible = TrackViewVisibleHeight();
    VScroll1.SetHeight(std::max(visible, 1));
    const int content = int(std::max(Label1.Height(), Picture3.Height()));
    VScroll1.SetLargeChange(std::max(1, visible - kTrackViewWheelStep));
    VScroll1.SetMax(std::max(0, content - visible));
    VScroll1_Change();
}

// The header column and the track area move up together; what lies above the band's top edge is
// cut away, so the ruler and its scroll bars stay whole and take their own clicks.
void Form1::VScroll1_Change() {
    const int offset = VScroll1.Value();
    Label1.SetTop(kTrackViewTop - offset);
    Picture3.SetTop(kTrackViewTop - offset);
    for (QWidget* w : {Label1.widget(), Picture3.widget()}) {
        if (offset == 0) w->clearMask();
        else w->setMask(QRegion(0, offset, w->width(), std::max(0, w->height() - offset)));
    }
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    auto inRegion = [](QObject* o, QWidget* region) {
        return o == region || (o->isWidgetType() && region->isAncestorOf(static_cast<QWidget*>(o)));
    };
    if (event->type() == QEvent::Wheel && VScroll1.Visible() &&
        (inRegion(watched, Label1.widget()) || inRegion(watched, Picture3.widget()))) {
        // One notch (120) moves by the small change; the finer steps of a touchpad add up to notches.
        wheelRemainder_ += static_cast<QWheelEvent*>(event)->angleDelta().y();
        const int steps = wheelRemainder_ / 120;
        wheelRemainder_ -= steps * 120;
        if (steps != 0) VScroll1.SetValue(VScroll1.Value() - steps * VScroll1.SmallChange());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// Strips and drawing

void Form1::UpdatePartPitchRange(int part) {
    if (part < 1 || part > doc::kMaxParts) return;
    editing::UpdatePartPitchRange(*song, part, NoteBarWidth, LyricNoteGap);
}

void Form1::ArrangePartStrips() { ApplyStripLayout(editing::ArrangePartStrips(*song)); }

// The header rows, the canvases and the current part's frames take their places from the stacked
// strips; the bands follow the new strips, and the page is drawn again over them.
void Form1::ApplyStripLayout(const editing::StripLayout& layout) {
    StripStack = layout;
    for (int p = 1; p <= doc::kMaxParts; ++p) {
        const editing::PartHeaderTops& h = layout.headers[p];
        Picture5[p].SetTop(h.separator);
        for (vb::Control* c : {static_cast<vb::Control*>(&Label2[p]), static_cast<vb::Control*>(&Label11[p]),
                               static_cast<vb::Control*>(&Label11[p + 10])})
            c->SetTop(h.name);
        for (vb::Control* c : {static_cast<vb::Control*>(&Command11[p]), static_cast<vb::Control*>(&Check1[p]),
                               static_cast<vb::Control*>(&Check1[p + 20]), static_cast<vb::Control*>(&Check1[p + 30])})
            c->SetTop(h.switches);
        Label4[p].SetTop(h.volume);
        Label4[p + 10].SetTop(h.volume);
        Label16[p].SetTop(h.instrument);
        Labjq[p].SetTop(h.offset);
    }
    Picture3.SetHeight(layout.containerHeight);
    Picture4[0].SetHeight(layout.canvasHeight);
    Picture4[1].SetHeight(layout.canvasHeight);
    Label12.SetTop(layout.addButtonTop);
    Label1.SetHeight(layout.headerColumnHeight);
    // The accompaniment's offset label stays beside the accompaniment box when it sits there.
    if (Labjq[0].widget()->parentWidget() == Label1.widget()) Labjq[0].SetTop(layout.accompanimentOffsetTop);
    for (int i = 0; i < 2; ++i) {
        Shape1[i].SetTop(layout.frameTop);
        Shape1[i].SetHeight(layout.frameHeight);
    }
    Picture5[10].SetWidth(Picture4[0].Width());
    UpdateTrackViewScroll();
    DrawPartRangeBands();
    // The bands replaced what the canvases showed; before the zoom has set the page up there is
    // no page to draw.
    if (TrackScale > 0) DrawTrackViewPage();
}

void Form1::DrawPartRangeBands() {
    TrackCanvases.DrawBands(*song);
    Picture4[0].Refresh();
    Picture4[1].Refresh();
}

void Form1::DrawTrackViewPage() {
    editing::TrackViewPage page;
    page.cursorTick = song->CursorTick;
    page.pageSpan = TrackPageSpan;
    page.scale = TrackScale;
    page.noteBarWidth = NoteBarWidth;
    page.lyricCharWidth = LyricCharWidth;
    page.slantValue = HScroll3[kSlantSlider].Value();
    page.fontName = Label9.FontName();
    page.fontSize = Label9.FontSize();
    page.labelHeightTwips = Label9.Height() * 15;
    page.verse = std::max(0, Combo8.ListIndex());
    page.beatLineColour = Label15[7].ForeColor();
    page.barLineColour = Label15[8].ForeColor();
    page.commentColour = Label15[10].ForeColor();
    page.showComments = Check5[2].Value() == 1;
    page.showBarLines = Check5[3].Value() == 1;
    page.showBeatLines = Check5[4].Value() == 1;
    TrackCanvases.FrontCanvas = FrontCanvas;
    TrackPageEnd = TrackCanvases.DrawPage(*song, page);
    Picture4[1 - (FrontCanvas & 1)].Refresh();
}

void Form1::ShowPartNames() {
    for (int p = 1; p <= song->PartCount; ++p) Label2[p].SetCaption(song->Parts[p].Name);
}

// The header row of a part as its record holds it.
void Form1::ShowPartHeader(int part) {
    if (part < 1 || part > doc::kMaxParts) return;
    const doc::PartRecord& r = song->Parts[part];
    Label2[part].SetCaption(r.Name);
    Label11[part].SetBackColor(r.Colour);
    Label11[part + 10].SetBackColor(r.Colour2);
    Label4[part].SetWidth(r.Volume);
    Label16[part].SetCaption(List3.List(r.Program));
    Command11[part].SetCaption(editing::DisplayModeCaption(r.DisplayMode));
    SetSwitchQuietly(Check1[part], r.ShowInScore);
    SetSwitchQuietly(Check1[part + 20], r.MidiOn);
    SetSwitchQuietly(Check1[part + 30], r.AudioOn);
}

// After parts changed slots (a deletion, its undo or redo): each slot's header row, note
// template and MIDI program follow the part that now holds it.
void Form1::RefreshPartSlots() {
    for (int p = 1; p <= song->PartCount; ++p) {
        ShowPartHeader(p);
        PrepareNoteOnMessage(p);
        midiOutShortMsg(editing::ProgramChangeMessage(p, song->Parts[p].Program));
    }
}

// ---------------------------------------------------------------------------------------------
// Mouse and keys

void Form1::Picture4_MouseDown(int, int button, int, double, double y) {
    if (button != 1) return;
    // The lyrics window shows the sentence list of the current part only.
    const int old = song->CurrentPart;
    if (editing::SelectPartAtY(*song, y)) SwapLyricsWindowList(old, song->CurrentPart);
    const doc::PartRecord& cur = song->Parts[song->CurrentPart];
    for (int i = 0; i < 2; ++i) {
        Shape1[i].SetTop(cur.StripTop);
        Shape1[i].SetHeight(cur.StripHeight);
    }
}

void Form1::Picture4_MouseMove(int, int button, int, double, double y) {
    if ((button & 1) == 0) return;
    if (StripDragState.Move(*song, StripStack, y)) Picture5[10].SetTop(StripDragState.MarkerTop);
}

void Form1::Picture4_MouseUp(int, int, int, double, double) {
    std::optional<editing::StripLayout> layout = StripDragState.Release(*song);
    Picture5[10].SetTop(editing::StripDrag::kMarkerHidden);
    if (layout) ApplyStripLayout(*layout);
}

void Form1::Label1_MouseDown(int, int, double, double y) { Picture4_MouseDown(0, 1, 0, 0, y); }

void Form1::Picture4_KeyDown(int, int keyCode, int shift) {
    switch (editing::ClassifyTrackViewKey(keyCode, shift)) {
    case editing::TrackViewKey::InsertTimeSignature: OpenChangePointAtCursor(0); break;
    case editing::TrackViewKey::InsertTempo: OpenChangePointAtCursor(1); break;
    case editing::TrackViewKey::InsertKey: OpenChangePointAtCursor(2); break;
    case editing::TrackViewKey::UnlockTitleBlock:
        if (editing::AskTitleUnlock(Dialogs())) Picture13.Tag = "1";
        break;
    case editing::TrackViewKey::DeletePart: Command4_Click(kDeletePartButton); break;
    case editing::TrackViewKey::PlayStop: Picture6_KeyDown(32, 0); break;
    case editing::TrackViewKey::None: break;
    }
}

// ---------------------------------------------------------------------------------------------
// Part commands of the header column

// "添加一个新声部".
void Form1::Label12_Click() {
    const std::optional<editing::AddedPart> added =
        editing::AddPart(*song, journal, Dialogs(), NoteBarWidth, LyricNoteGap);
    if (!added) return;
    ShowPartHeader(added->part);
    ClearSentenceList(added->part);  // the slot's list may hold an earlier part's sentences
    // The slot may have sounded with another part's switch and volume before.
    PrepareNoteOnMessage(added->part);
    midiOutShortMsg(added->programChange);
    ArrangePartStrips();
    Command10_Click(4);
}

// The name editor opens over the part's name.
void Form1::Label2_DblClick(int index) {
    Text4.SetTop(Label2[index].Top());
    Text4.SetText(Label2[index].Caption());
    Text4.Tag = QString::number(index);
    Text4.SetFocus();
}

void Form1::Text4_KeyDown(int keyCode, int) {
    if (keyCode != 13) return;
    const int p = int(vb::Val(Text4.Tag));
    if (p < 1 || p > song->PartCount) return;
    Label2[p].SetCaption(editing::RenamePart(*song, p, Text4.Text()));
    Text4.SetTop(-200);
}

void Form1::Label11_Click(int index) {
    const int p = index % 10;
    if (p < 1 || p > song->PartCount) return;
    const doc::PartRecord& r = song->Parts[p];
    switch (editing::ChooseSwatchColour(*song, Dialogs(), index, PlayMode)) {
    case editing::SwatchResult::NoteColour:
        Label11[index].SetBackColor(r.Colour2);
        DrawTrackViewPage();
        break;
    case editing::SwatchResult::StripColour:
        Label11[index].SetBackColor(r.Colour);
        DrawPartRangeBands();
        DrawTrackViewPage();
        break;
    case editing::SwatchResult::Ignored:
    case editing::SwatchResult::Cancelled: break;
    }
}

// The mode shows at the next page drawing.
void Form1::Command11_Click(int index) {
    if (index < 1 || index > song->PartCount) return;
    Command11[index].SetCaption(editing::DisplayModeCaption(editing::NextDisplayMode(*song, index)));
}

// ---------------------------------------------------------------------------------------------
// Title block

void Form1::Label19_Click(int index) {
    const std::optional<QString> text = editing::EditTitleField(*song, Dialogs(), index, Picture13.Tag == "1");
    if (!text) return;
    Label19[index].SetCaption(*text);
    Label19[0].SetTop(editing::TitleLabelTop(*song));
    LayoutPageHeader();
}

}  // namespace app
