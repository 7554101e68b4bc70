// The song-settings panel Frame2 (the song's start and length and the values at the song start)
// and the three change-point panels Picture2(0..2) (time signature, tempo, key): opening them from
// the command column, the markers of the song ruler and the track view's keys, and their OK,
// Cancel and Delete buttons.
#include "app/form1.h"

#include <QComboBox>

#include "document/songsettings.h"
#include "platform/vbtext.h"

namespace app {

namespace {

const char* const kTip = "提示";

// Selects `index` of a drop-down list; -1 (a value the list does not hold) shows `text` greyed in
// the empty box instead, and the box's Text stays "", which keeps the value on OK.
void SelectOrShow(vb::ComboBox& box, int index, const QString& text) {
    auto* combo = qobject_cast<QComboBox*>(box.widget());
    if (index >= 0) {
        if (combo) combo->setPlaceholderText(QString());
        box.SetListIndex(index);
        return;
    }
    box.SetListIndex(-1);
    if (combo) combo->setPlaceholderText(text);
}

// The button indexes of the change panels: OK, Cancel, Delete of time signature, tempo, key.
constexpr int kOkButton[3] = {9, 14, 15};
constexpr int kCancelButton[3] = {10, 13, 16};
constexpr int kDeleteButton[3] = {17, 18, 19};

}  // namespace

void Form1::BindSongSettingsHandlers() {
    LabJP.Bind(&vb::Control::Click, [this](int i) { LabJP_Click(i); });
    Label6.Bind(&vb::Control::Click, [this](int i) { Label6_Click(i); });
    Labdh.Bind(&vb::Control::Click, [this](int i) { Labdh_Click(i); });
}

// ---------------------------------------------------------------------------------------------
// Song settings: 6 opens the panel, 11 cancels, 12 confirms.

void Form1::Command2_SongSettings(int index) {
    if (index == 6) {
        const doc::SongSettingsPanel p = doc::SongSettingsPanelValues(*song, vb::ItemsOf(Combo1));
        SelectOrShow(Combo1, p.TimeSigListIndex, p.TimeSigText);
        Text1[2].SetText(p.TempoText);
        Text1[0].SetText(p.StartText);
        Text1[1].SetText(p.LengthText);
        Check6[1].SetValue(p.LowOctave ? 1 : 0);
        SelectOrShow(Combo3[2], p.KeyListIndex, vb::CStr(double(song->KeyChangeKeys[0])));
        Frame2.SetVisible(true);
        return;
    }
    if (index == 11) {
        Frame2.SetVisible(false);
        return;
    }
    if (index != 12) return;

    doc::SongSettingsInput input;
    input.StartText = Text1[0].Text();
    input.LengthText = Text1[1].Text();
    input.TempoText = Text1[2].Text();
    input.TimeSigText = Combo1.Text();
    input.KeyListIndex = Combo3[2].ListIndex();
    input.LowOctave = Check6[1].Value() == 1;
    const doc::SongSettingsResult r = doc::ApplySongSettings(*song, input, Check3[kLoopSwitch].Value() == 1);
    if (!r.Applied) {
        Dialogs().MsgBox(r.Refusal, vb::vbOKOnly + vb::vbSystemModal, kTip);
        return;
    }
    RedrawSongRuler();  // also puts the cursor line at the cursor, which stays inside the song
    Frame2.SetVisible(false);
    UpdatePositionDisplay();
    LayoutPageHeader();
    ComputeLineBreaks();
    TypesetScorePages();
}

// ---------------------------------------------------------------------------------------------
// Change-point panels.

// Shows the panel of `panel.Kind` preset from `panel` at `left`, closing any other change panel.
void Form1::ShowChangePanel(const doc::ChangePanel& panel, double left) {
    const int k = int(panel.Kind);
    for (int i = 0; i < 3; ++i)
        if (i != k) Picture2[i].SetVisible(false);
    ChangePanels[size_t(k)] = panel;
    EditedChangeIndex = int16_t(panel.EditedChangeIndex);
    EditedChangeTick = panel.EditedChangeTick;
    PlayMode = PlayMode::ChangePanel;
    Picct.SetEnabled(!panel.DisablesCommandColumn);
    switch (panel.Kind) {
    case doc::ChangeKind::TimeSig: SelectOrShow(Combo3[0], panel.TimeSigListIndex, panel.TimeSigText); break;
    case doc::ChangeKind::Tempo: Text1[3].SetText(panel.TempoText); break;
    case doc::ChangeKind::Key:
        SelectOrShow(Combo3[1], panel.KeyListIndex, vb::CStr(double(panel.KeptKey)));
        Check6[0].SetValue(panel.LowOctave ? 1 : 0);
        break;
    }
    Command2[kDeleteButton[k]].SetVisible(panel.ShowDelete);
    Picture2[k].SetLeft(left);
    Picture2[k].SetVisible(true);
    Picture2[k].widget()->raise();
}

// Ctrl+R, Ctrl+T, Ctrl+V in the track view: a new entry at the cursor (0 time signature, 1 tempo,
// 2 key).
void Form1::OpenChangePointAtCursor(int kind) {
    if (kind < 0 || kind > 2) return;
    ShowPendingPlayState();
    const double x = Line4.X1() + Picture1.Left();
    const bool onScreen = x >= 0 && x <= ScreenWidthPx;
    const doc::ChangeOpening o =
        doc::PlanChangeInsertion(*song, doc::ChangeKind(kind), PlayMode, onScreen, vb::ItemsOf(Combo3[0]));
    if (!o.Refusal.isEmpty()) {
        Dialogs().MsgBox(o.Refusal, vb::vbOKOnly + vb::vbSystemModal);
        return;
    }
    if (!o.Opened) return;
    ShowChangePanel(o.Panel, doc::InsertionPanelLeft(x, ScreenWidthPx, Picture2[kind].Width()));
}

// A click on a change marker of the song ruler opens its panel at the marker to edit or delete it.
void Form1::LabJP_Click(int index) {
    const doc::ChangeOpening o =
        doc::OpenChangeMarker(*song, doc::ChangeKind::TimeSig, index, PlayMode, vb::ItemsOf(Combo3[0]));
    if (o.Opened) ShowChangePanel(o.Panel, LabJP[index].Left() + Picture1.Left());
}

void Form1::Label6_Click(int index) {
    const doc::ChangeOpening o = doc::OpenChangeMarker(*song, doc::ChangeKind::Tempo, index, PlayMode, {});
    if (o.Opened) ShowChangePanel(o.Panel, Label6[index].Left() + Picture1.Left());
}

void Form1::Labdh_Click(int index) {
    const doc::ChangeOpening o = doc::OpenChangeMarker(*song, doc::ChangeKind::Key, index, PlayMode, {});
    if (o.Opened) ShowChangePanel(o.Panel, Labdh[index].Left() + Picture1.Left());
}

// OK, Cancel and Delete of the three panels.
void Form1::Command2_ChangePoint(int index) {
    int k = -1;
    for (int i = 0; i < 3; ++i)
        if (index == kOkButton[i] || index == kCancelButton[i] || index == kDeleteButton[i]) k = i;
    if (k < 0) return;
    Picct.SetEnabled(true);
    // A closed panel's buttons act on nothing.
    if (!Picture2[k].Visible()) return;
    const bool loopOn = Check3[kLoopSwitch].Value() == 1;
    const doc::ChangeKind kind = doc::ChangeKind(k);

    if (index == kCancelButton[k]) {
        Picture2[k].SetVisible(false);
        if (PlayMode == PlayMode::ChangePanel) PlayMode = PlayMode::Idle;
        return;
    }
    if (index == kDeleteButton[k]) {
        if (!ChangePanels[size_t(k)].ShowDelete) return;
        Picture2[k].SetVisible(false);
        const doc::ChangeResult r = doc::DeleteChange(*song, kind, EditedChangeIndex, PlayMode, loopOn);
        if (!r.Applied) return;
        RedrawSongRuler();
        UpdatePositionDisplay();
        PlayMode = PlayMode::Idle;
        return;
    }

    doc::ChangePanel panel = ChangePanels[size_t(k)];
    panel.Kind = kind;
    panel.EditedChangeIndex = EditedChangeIndex;
    panel.EditedChangeTick = EditedChangeTick;
    doc::ChangeInput input;
    input.TimeSigText = Combo3[0].Text();
    input.TempoText = Text1[3].Text();
    input.KeyListIndex = Combo3[1].ListIndex();
    input.LowOctave = Check6[0].Value() == 1;
    const doc::ChangeResult r = doc::ConfirmChange(*song, panel, input, PlayMode, loopOn);
    if (!r.Refusal.isEmpty()) {
        Dialogs().MsgBox(r.Refusal, vb::vbOKOnly + vb::vbSystemModal, kTip);
        return;
    }
    if (!r.Applied) return;
    PlayMode = PlayMode::Idle;
    Picture2[k].SetVisible(false);
    RedrawSongRuler();
    UpdatePositionDisplay();
}

}  // namespace app
