// System settings: the settings panel "设置", its sliders, colours and lyric font, and set.ini.
#include "app/form1.h"

#include <QLabel>

#include "platform/vbtext.h"

namespace app {

namespace {

// The caption label and value label (Label3 index; -1 = Label7) of each slider.
constexpr int kSliderCaption[kSliderCount] = {18, 20, 22, 25, 26, 30, 32, 33, 37, 40, 42};
constexpr int kSliderValue[kSliderCount] = {-1, 21, 23, 24, 28, 29, 31, 27, 38, 39, 41};

}  // namespace

void Form1::CreateSettingsPanel() {
    Frame3.SetCaption("设置");
    Frame3.Move(300, 45, 560, 410);
    Frame3.SetVisible(false);

    for (int i = 0; i < kOptionCount; ++i) {
        Check5[i].SetCaption(OptionCaptions()[i]);
        Check5[i].Move(8, 20 + 22 * i, 180, 18);
    }
    for (int i = 0; i < kSliderCount; ++i) {
        const SliderDef& def = SliderDefs()[i];
        HScroll3[i].SetMin(def.min);
        HScroll3[i].SetMax(def.max);
        HScroll3[i].SetValue(def.initial);
        HScroll3[i].SetSmallChange(1);
        HScroll3[i].SetLargeChange(std::max(1, (def.max - def.min) / 10));
        Label3[kSliderCaption[i]].SetCaption(def.caption);
        vb::Label& value = kSliderValue[i] < 0 ? Label7 : Label3[kSliderValue[i]];
        value.SetCaption(SliderValueText(i, def.initial));
        if (i < 2) continue;  // the first two sit in the "控制" group
        const int y = 20 + 24 * (i - 2);
        MoveToContainer(Label3[kSliderCaption[i]], Frame3.widget());
        MoveToContainer(value, Frame3.widget());
        MoveToContainer(HScroll3[i], Frame3.widget());
        Label3[kSliderCaption[i]].Move(200, y, 96, 16);
        value.Move(298, y, 56, 16);
        HScroll3[i].Move(356, y, 190, 14);
    }
    for (int i = 0; i < kColourCount; ++i) {
        Label15[i].SetCaption(ColourDefs()[i].caption);
        Label15[i].SetForeColor(ColourDefs()[i].initial);
        Label15[i].SetBorderStyle(1);
        Label15[i].SetAlignment(2);
        Label15[i].Move(8 + 136 * (i % 4), 250 + 24 * (i / 4), 128, 18);
    }
    // The sample has a single frame: its width is the character's width plus the frame's two
    // pixels, and the lyric boxes of the track view take the character's width.
    Label9.SetBorderStyle(1);
    Label9.SetFontName(kDesignLyricFontName);
    Label9.SetFontSize(kDesignLyricFontSize);
    Label9.SetCaption("字");
    Label9.SetAutoSize(true);
    Label9.Move(8, 352);
    Command1.SetCaption("歌词字体");
    Command1.Move(48, 352, 80, 24);
    Label22[6].SetFontName(kDesignRightsFontName);
    for (int index : {22, 20}) MoveToContainer(Command2[index], Frame3.widget());
    Command2[22].SetCaption("按键设置");
    Command2[22].Move(360, 372, 90, 26);
    Command2[20].SetCaption("确定");
    Command2[20].Move(460, 372, 90, 26);
}

void Form1::BindSettingsHandlers() {
    HScroll3.Bind(&vb::ScrollBar::Change, [this](int i) { HScroll3_Change(i); });
    Label15.Bind(&vb::Control::Click, [this](int i) { Label15_Click(i); });
    Command1.Click = [this](int) { Command1_Click(); };
}

// Reads set.ini into the controls. Each control set runs its handler; the start-up timer is still
// running, so the sliders only show their values and the playback switches mark nothing.
void Form1::LoadSystemSettings() {
    const SystemSettings s = app::LoadSystemSettings(ProgramPath(kSystemSettingsFile));
    for (int i = 0; i < kOptionCount; ++i) Check5[i].SetValue(s.options[i]);
    for (int i = 0; i < kSliderCount; ++i) HScroll3[i].SetValue(s.sliders[i]);
    for (int i = 0; i < kColourCount; ++i) Label15[i].SetForeColor(s.colours[i]);
    Label9.SetFontSize(s.lyricFontSize);
    Label9.SetFontBold(s.lyricFontBold);
    Label9.SetFontItalic(s.lyricFontItalic);
    for (int i = 0; i < kPlaybackSwitchCount; ++i) Check3[i].SetValue(s.playback[i]);
    Label9.SetFontName(s.lyricFontName);
    Label22[6].SetFontName(s.rightsFontName);
}

SystemSettings Form1::CurrentSettings() const {
    SystemSettings s;
    for (int i = 0; i < kOptionCount; ++i) s.options[i] = uint8_t(Check5[i].Value());
    for (int i = 0; i < kSliderCount; ++i) s.sliders[i] = int16_t(HScroll3[i].Value());
    for (int i = 0; i < kColourCount; ++i) s.colours[i] = Label15[i].ForeColor();
    s.lyricFontName = Label9.FontName();
    s.lyricFontSize = vb::CInt(Label9.FontSize());
    s.lyricFontBold = Label9.FontBold();
    s.lyricFontItalic = Label9.FontItalic();
    for (int i = 0; i < kPlaybackSwitchCount; ++i) s.playback[i] = uint8_t(Check3[i].Value());
    s.rightsFontName = Label22[6].FontName();
    return s;
}

// A failed write keeps the old file and says so.
void Form1::SaveSystemSettings() {
    if (!app::SaveSystemSettings(ProgramPath(kSystemSettingsFile), CurrentSettings()))
        Dialogs().MsgBox(SettingsSaveFailedMessage(kSystemSettingsFile), vb::vbOKOnly + vb::vbSystemModal,
                         kSettingsMessageTitle);
}

void Form1::HScroll3_Change(int index) {
    const int value = HScroll3[index].Value();
    const bool starting = Timload.Enabled();
    if (index >= 0 && index < kSliderCount)
        (kSliderValue[index] < 0 ? Label7 : Label3[kSliderValue[index]]).SetCaption(SliderValueText(index, value));
    switch (index) {
    case kZoomSlider: {
        const TrackPage page = TrackPageForZoom(song->CursorTick, value);
        TrackPageEnd = page.end;
        TrackPageSpan = page.span;
        if (starting) return;
        if (song->SongLength > 0) {
            const double x = double(TrackPageEnd) / song->SongLength * Picture1.Width();
            Line5.SetPoints(x, Line5.Y1(), x, Line5.Y2());
        }
        // Moved during a pause by the toggle: playback stays paused and the next start resumes.
        if (PlayMode == PlayMode::Playing) PlayMode = PlayMode::Stopped;
        TrackScale = TrackPageSpan > 0 ? Picture3.Width() / TrackPageSpan : 0;
        TrackPageSpan += kTrackPageMargin;
        TrackPageEnd += kTrackPageMargin;
        const double width = TrackPageSpan * TrackScale;
        Picture4[0].Move(0, Picture4[0].Top(), width, Picture4[0].Height());
        Picture4[1].Move(width, Picture4[1].Top(), width, Picture4[1].Height());
        FrontCanvas = 1;
        DrawTrackViewPage();
        break;
    }
    case kAccompanimentVolumeSlider:
        if (starting) return;
        WMP().SetVolume(value);
        break;
    case kNoteWidthSlider:
        NoteBarWidth = int16_t(value);
        LyricNoteGap = int16_t(LyricCharWidth - value);
        if (starting) return;
        for (int p = 1; p <= song->PartCount; ++p) UpdatePartPitchRange(p);
        ArrangePartStrips();
        break;
    case kSlantSlider: SlantHalfWidth = int16_t(app::SlantHalfWidth(value)); break;
    case kMidiDelaySlider:
        MidiDelay = MidiDelaySeconds(value);
        if (starting) return;
        song->PlayEventsStale = -1;
        break;
    default: break;
    }
    if (Picture4[0].widget()->isVisible()) Picture4[0].SetFocus();
}

void Form1::Label15_Click(int index) {
    CommonDialog1.Color = Label15[index].ForeColor();
    if (!CommonDialog1.ShowColor()) return;
    Label15[index].SetForeColor(CommonDialog1.Color);
    if (index == 12)
        for (int i = 0; i < 256; ++i) Lably[i].SetBackColor(CommonDialog1.Color);
}

void Form1::Command1_Click() {
    CommonDialog1.FontName = Label9.FontName();
    CommonDialog1.FontBold = Label9.FontBold();
    CommonDialog1.FontItalic = Label9.FontItalic();
    CommonDialog1.FontSize = Label9.FontSize();
    if (!CommonDialog1.ShowFont()) return;
    if (IsFontTooLarge(CommonDialog1.FontSize)) {
        Dialogs().MsgBox(kFontTooLargeMessage, vb::vbOKOnly + vb::vbSystemModal, kSettingsMessageTitle);
        return;
    }
    ApplyLyricFont(CommonDialog1.FontName, CommonDialog1.FontSize, CommonDialog1.FontBold, CommonDialog1.FontItalic);
    LyricCharWidth = int16_t(vb::Round(Label9.Width() - 2));
    LyricNoteGap = int16_t(LyricCharWidth - HScroll3[kNoteWidthSlider].Value());
}

// The lyric font of the sample label and of both track canvases.
void Form1::ApplyLyricFont(const QString& name, double size, bool bold, bool italic) {
    for (vb::Control* c : {static_cast<vb::Control*>(&Label9), static_cast<vb::Control*>(&Picture4[0]),
                           static_cast<vb::Control*>(&Picture4[1])}) {
        c->SetFontName(name);
        c->SetFontSize(size);
        c->SetFontBold(bold);
        c->SetFontItalic(italic);
    }
}

}  // namespace app
