// Keyboard-entry settings: the octave of each key group on the panel inside "设置", keyset.dat and
// the map from key code to note that the piano roll's key handlers read.
#include "app/form1.h"

#include "platform/vbtext.h"

namespace app {

void Form1::CreateKeyboardPanel() {
    Picture14.Move(200, 14, 350, 230);
    Picture14.SetBorderStyle(1);
    Picture14.SetVisible(false);
    for (int i = 0; i < kKeyGroupCount; ++i) {
        Labkeyt[i].SetCaption(KeyGroupCaptions()[i]);
        Labkeyt[i].Move(8, 12 + 30 * i, 110, 18);
        Labkey[i].SetBorderStyle(1);
        Labkey[i].Move(122, 10 + 30 * i, 120, 20);
        Labkey[i].Tag = "0";
    }
    Combo5.Move(122, -5000, 120, 20);
    for (int index : {24, 23}) MoveToContainer(Command2[index], Picture14.widget());
    Command2[24].SetCaption("确定");
    Command2[24].Move(262, 160, 76, 24);
    Command2[23].SetCaption("取消");
    Command2[23].Move(262, 192, 76, 24);
    // The sliders and value labels of "设置" were moved into the frame after this panel was made:
    // the panel stands over them.
    Picture14.widget()->raise();
}

void Form1::BindKeyboardHandlers() {
    Labkey.Bind(&vb::Control::Click, [this](int i) { Labkey_Click(i); });
    Combo5.Click = [this](int) { Combo5_Click(); };
}

void Form1::LoadKeySet() { KeyRowOctaves = app::LoadKeySet(ProgramPath(kKeySetFile)).rowOctaves; }

void Form1::SaveKeySet() {
    KeySettings settings;
    settings.rowOctaves = KeyRowOctaves;
    if (!app::SaveKeySet(ProgramPath(kKeySetFile), settings))
        Dialogs().MsgBox(SettingsSaveFailedMessage(kKeySetFile), vb::vbOKOnly + vb::vbSystemModal,
                         kSettingsMessageTitle);
}

void Form1::BuildKeyNoteMap() {
    KeySettings settings;
    settings.rowOctaves = KeyRowOctaves;
    KeyNoteMap = app::BuildKeyNoteMap(settings);
}

// "按键设置": the panel shows the stored octaves as pending values.
void Form1::OpenKeyboardPanel() {
    Picture14.widget()->raise();
    Picture14.SetVisible(true);
    for (int i = 0; i < kKeyGroupCount; ++i) {
        Labkey[i].Tag = QString::number(KeyRowOctaves[i]);
        Labkey[i].SetCaption(Combo5.List(KeyRowOctaves[i]));
    }
}

// The panel's "确定": the pending values become the settings, are saved and rebuild the map.
void Form1::ConfirmKeyboardPanel() {
    Picture14.SetVisible(false);
    for (int i = 0; i < kKeyGroupCount; ++i) {
        const double v = vb::Val(Labkey[i].Tag);
        KeyRowOctaves[i] = uint8_t(v >= 0 && v <= kHighestKeyOctave ? int(v) : 0);
    }
    SaveKeySet();
    BuildKeyNoteMap();
}

// A group's label: the chooser opens on that row with the row's pending value. The chooser belongs
// to the row before it is preset, and presetting it changes no row.
void Form1::Labkey_Click(int index) {
    Combo5.Tag = QString::number(index);
    presettingCombo5_ = true;
    Combo5.SetListIndex(int(vb::Val(Labkey[index].Tag)));
    presettingCombo5_ = false;
    Combo5.SetTop(Labkey[index].Top());
}

// An octave chosen: the chooser's row shows it as its pending value and the chooser is put away.
void Form1::Combo5_Click() {
    if (presettingCombo5_) return;
    const int row = int(vb::Val(Combo5.Tag));
    if (row < 0 || row >= kKeyGroupCount || Combo5.ListIndex() < 0) return;
    Labkey[row].SetCaption(Combo5.Text());
    Labkey[row].Tag = QString::number(Combo5.ListIndex());
    Combo5.SetTop(-5000);
}

}  // namespace app
