// Rehearsal: the part switches "谱", "MID", "MP3", the instrument list, the volume bars and the
// recording offsets of the part headers; the playback switches "伴奏", "节拍器", "循环播放" and the
// follow switch; the accompaniment file and the MIDI stop byte; and the lyrics window with its
// sentence lists, which play one sentence at a click.
#include "app/form1.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

#include "document/timeline.h"
#include "platform/vbtext.h"
#include "playback/sentences.h"

namespace app {

namespace {
const char* const kTip = "提示";
// The file keeps an offset as signed 16-bit milliseconds.
constexpr float kMaxAudioOffset = 32.767f;
constexpr int kPlayerMaxVolume = 100;
constexpr int kPreviewNote = 60;
constexpr int kListBottomMargin = 45;
constexpr int kListParkBelow = 200;

QString OffsetText(float value) { return vb::CStr(QString::number(double(value), 'g', 7).toDouble()); }

uint32_t ProgramChange(int part, int program) {
    return uint32_t(0xC0 + (part - 1)) | uint32_t(program & 0x7F) << 8 | uint32_t(0x64) << 16;
}
}  // namespace

void Form1::BindRehearsalHandlers() {
    Check1.Bind(&vb::Control::Click, [this](int i) { Check1_Click(i); });
    Check3.Bind(&vb::Control::Click, [this](int i) { Check3_Click(i); });
    Check3.Bind(&vb::Control::MouseUp, [this](int, int, int, double, double) { Check3_MouseUp(); });
    Chegd.Click = [this](int) { Chegd_Click(); };
    Chegd.MouseUp = [this](int, int, int, double, double) { Chegd_Click(); };
    Label16.Bind(&vb::Control::Click, [this](int i) { Label16_Click(i); });
    List3.Click = [this](int) { List3_Click(); };
    List3.DblClick = [this](int) { List3_DblClick(); };
    List3.MouseDown = [this](int, int button, int, double, double) { List3_MouseDown(button); };
    for (int i = 1; i <= 18; ++i)
        if (Label4.Exists(i)) Label4[i].SetMouseUnits(15);  // the bars report twips
    Label4.Bind(&vb::Control::MouseDown,
                [this](int i, int button, int, double x, double) { Label4_MouseDown(i, button, x); });
    Label4.Bind(&vb::Control::MouseMove,
                [this](int i, int button, int, double x, double) { Label4_MouseMove(i, button, x); });
    Labjq.Bind(&vb::Control::Click, [this](int i) { Labjq_Click(i); });
    // The loop markers show while the loop is on (the settings that tick it run the handler).
    for (int i = 0; i < 2; ++i) Label10[i].SetVisible(Check3[kLoopSwitch].Value() == 1);
    // "定位" beside the accompaniment box, and the MIDI stop byte below it.
    Text3.SetWidth(158);
    Command6.SetCaption("定位");
    Command6.Move(170, 149, 42, 20);
    Command6.Click = [this](int) { Command6_Click(); };
    Command8.SetCaption("MIDI停");
    Command8.Move(10, 172, 60, 20);
    Command8.widget()->setToolTip("发送MIDI停止信号");
    Command8.Click = [this](int) { Command8_Click(); };
}

// ---- part switches ------------------------------------------------------------------------------

void Form1::Check1_Click(int index) {
    const int k = index % 10;
    if (k < 1 || k > doc::kMaxParts) return;
    doc::PartRecord& part = song->Parts[k];
    const uint8_t v = uint8_t(Check1[index].Value());
    if (index < 20) {
        part.ShowInScore = v;
        song->NeedsRetypeset = -1;
        RunPageSetup(true);  // the system height follows the rows shown
        if (Form3_Visible()) TypesetScorePages();
    } else if (index < 30) {
        part.MidiOn = v;
        PrepareNoteOnMessage(k);
    } else {
        part.AudioOn = v;
        if (MediaPlayer* player = WMPS(k)) {
            // Volumes above the player's scale play at its full volume.
            player->SetVolume(std::min<int>(part.Volume, kPlayerMaxVolume));
            player->SetMute(v == 0);
        }
    }
}

void Form1::Check3_Click(int index) {
    const bool ticked = Check3[index].Value() == 1;
    switch (index) {
    case kAccompanimentSwitch: WMP().SetMute(!ticked); break;
    case kLoopSwitch: {
        // Off parks the loop end far beyond any song; on brings it back.
        const int32_t end = int32_t(vb::Mod(song->LoopEnd, doc::kLoopParkOffset));
        song->LoopEnd = end + (ticked ? 0 : doc::kLoopParkOffset);
        Label10[0].SetVisible(ticked);
        Label10[1].SetVisible(ticked);
        break;
    }
    case kMetronomeSwitch: Player.RescheduleClicks(); break;  // the clicks placed ahead follow the box
    default: break;
    }
    if (!Timload.Enabled()) SettingsChanged = -1;
}

void Form1::Check3_MouseUp() {
    if (Picture4[0].widget()->isVisible()) Picture4[0].SetFocus();
}

void Form1::Chegd_Click() {
    if (Picture6.widget()->isVisible()) Picture6.SetFocus();
}

// ---- instrument list ----------------------------------------------------------------------------

bool Form1::List3Open() const { return List3.Top() < ScreenHeightPx; }

void Form1::ParkList3() { List3.SetTop(ScreenHeightPx + kListParkBelow); }

void Form1::Label16_Click(int index) {
    if (index < 1 || index > song->PartCount) return;
    SwapLyricsWindowList(song->CurrentPart, index);
    song->CurrentPart = int16_t(index);
    const doc::PartRecord& part = song->Parts[index];
    for (int i = 0; i < 2; ++i) {
        Shape1[i].SetTop(part.StripTop);
        Shape1[i].SetHeight(part.StripHeight);
    }
    // Beside the instrument label, kept above the bottom of the screen.
    double top = Label1.Top() + Label16[index].Top() + 16;
    const double limit = ScreenHeightPx - kListBottomMargin;
    if (top + List3.Height() > limit) top = limit - List3.Height();
    List3.Move(Label1.Left() + Label16[index].Left(), top);
    List3.widget()->raise();
    List3.SetListIndex(std::clamp<int>(part.Program, 0, List3.ListCount() - 1));  // plays the preview
}

// The preview: middle C (moved by the key) on the highlighted program, then the part's own back.
void Form1::List3_Click() {
    if (!List3Open()) return;
    const int p = song->CurrentPart;
    const int entry = List3.ListIndex();
    if (entry < 0) return;
    midiOutShortMsg(uint32_t(NoteTemplates.NoteOffTemplate(p) + kPreviewNote * 256));
    midiOutShortMsg(ProgramChange(p, entry));
    midiOutShortMsg(uint32_t(NoteTemplates.NoteOnTemplate(p) + kPreviewNote * 256));
    midiOutShortMsg(ProgramChange(p, song->Parts[p].Program));
}

void Form1::List3_DblClick() {
    if (!List3Open()) return;
    const int p = song->CurrentPart;
    const int entry = List3.ListIndex();
    if (entry < 0) return;
    midiOutShortMsg(uint32_t(NoteTemplates.NoteOffTemplate(p) + kPreviewNote * 256));
    song->Parts[p].Program = int16_t(entry);
    ParkList3();
    Label16[p].SetCaption(List3.List(entry));
    midiOutShortMsg(ProgramChange(p, entry));
    if (Picture4[0].widget()->isVisible()) Picture4[0].SetFocus();
}

void Form1::List3_MouseDown(int button) {
    if (button != 2 || !List3Open()) return;
    ParkList3();
    midiOutShortMsg(uint32_t(NoteTemplates.NoteOffTemplate(song->CurrentPart) + kPreviewNote * 256));
}

// ---- volume bars ----------------------------------------------------------------------------------

void Form1::Label4_MouseDown(int index, int button, double x) {
    if (button != 1) return;
    const int k = index % 10;
    if (k < 1 || k > song->PartCount) return;
    doc::PartRecord& part = song->Parts[k];
    part.Volume = int16_t(std::clamp<double>(vb::Round(x / 15), doc::kMinVolume, doc::kMaxVolume));
    Label4[k].SetWidth(part.Volume);
    if (part.AudioOn == 1)
        if (MediaPlayer* player = WMPS(k)) player->SetVolume(std::min<int>(part.Volume, kPlayerMaxVolume));
    PrepareNoteOnMessage(k);
}

void Form1::Label4_MouseMove(int index, int buttons, double x) {
    if (buttons & 1) Label4_MouseDown(index, 1, x);
}

// ---- offsets, accompaniment file, MIDI stop ---------------------------------------------------------

void Form1::Labjq_Click(int index) {
    if (index < 0 || index > doc::kMaxParts) return;
    const QString prompt = index == 0 ? "请输入伴奏mp3文件时间偏移" : "请输入本声部mp3文件时间偏移";
    const std::optional<QString> answer = Dialogs().InputBoxOrCancel(prompt, kTip, Labjq[index].Caption());
    if (!answer) return;
    const float a = std::min(float(std::abs(vb::Val(*answer))), kMaxAudioOffset);
    Labjq[index].SetCaption(OffsetText(a));
    AudioTimeOffsets[size_t(index)] = a;
}

void Form1::Command6_Click() {
    CommonDialog1.Filter = "波形文件(*.wav)|*.wav|音乐文件(*.mp3)|*.mp3|";
    if (!CommonDialog1.ShowOpen()) return;
    const QString path = CommonDialog1.FileName;
    MediaPlayer& player = WMP();
    const QString oldUrl = player.Url();
    const double oldPosition = player.CurrentPosition();
    const bool wasPlaying = player.Status() == mediastatus::Playing;
    if (!player.SetUrl(path)) {
        // The player goes on with the file it had (the placeholder when none), where it was.
        if (oldUrl.isEmpty() || oldUrl == ProgramPath("none.wav") || !player.SetUrl(oldUrl))
            UsePlaceholderAccompaniment();
        player.SetCurrentPosition(oldPosition);
        if (wasPlaying) player.Play();
        ReportUnplayable(path);
        return;
    }
    Text3.SetText(path);
}

void Form1::Command8_Click() { midiOutShortMsg(0xFC); }

// ---- sentence lists and the lyrics window ---------------------------------------------------------

playback::Form2& Form1::Form2() {
    if (!form2_) {
        form2_ = std::make_unique<playback::Form2>(this);
        playback::Form2& f = *form2_;
        f.PlayPart = [this](const QString& spans) { PlayPart(spans); };
        f.MixNext = [this] { MixNext(); };
        f.FengLi = [this] { FengLi(); };
        f.PlayStop = [this] { Picture6_KeyDown(32, 0); };
        f.Form_Load();
        // First shown at the bottom right, clear of the part headers and the command column.
        f.move(std::max(0, ScreenWidthPx - f.width() - 20), std::max(0, ScreenHeightPx - f.height() - 80));
        f.ShowList(song->CurrentPart);
        f.Command1[0].SetEnabled(IsPlaying == 0);
        f.Command1[1].SetEnabled(IsPlaying == 0);
    }
    return *form2_;
}

void Form1::BuildSentenceLists(int part) {
    if (part < 1 || part > doc::kMaxParts) return;
    vb::ListBox& list = Form2().List1[part];
    list.Clear();
    for (const QString& item : playback::BuildSentenceItems(*song, part, std::max(0, Combo8.ListIndex())))
        list.AddItem(item);
}

void Form1::ClearSentenceList(int part) {
    if (form2_ && part >= 1 && part <= doc::kMaxParts) form2_->List1[part].Clear();
}

void Form1::SwapLyricsWindowList(int, int newPart) {
    if (form2_) form2_->ShowList(newPart);
}

void Form1::SetLyricsWindowButtonsEnabled(bool enabled) {
    if (!form2_) return;
    form2_->Command1[0].SetEnabled(enabled);
    form2_->Command1[1].SetEnabled(enabled);
}

void Form1::Command4_LyricsWindow() {
    playback::Form2& f = Form2();
    f.SetVisible(!f.isVisible());
}

void Form1::MixNext() {
    const int p = song->CurrentPart;
    const vb::ListBox& list = Form2().List1[p];
    if (playback::JoinWithNext(*song, p, vb::ItemsOf(list), list.ListIndex())) BuildSentenceLists(p);
}

void Form1::FengLi() {
    const int p = song->CurrentPart;
    const vb::ListBox& list = Form2().List1[p];
    if (playback::SplitLastPhrase(*song, p, vb::ItemsOf(list), list.ListIndex())) BuildSentenceLists(p);
}

// Plays the sentence of `pjpstr` from its exact first tick, or stops it when it is the one playing.
void Form1::PlayPart(const QString& pjpstr) {
    if (pjpstr.isEmpty()) return;
    if (pjpstr == LastSentence) {
        Command3_Click();
        return;
    }
    const int32_t start = int32_t(vb::Val(pjpstr.left(5)));
    if (Check2.Value() == 1) {
        PlayMode = PlayMode::Playing;
        RestartExactlyAt(start);  // the stop clears the sentence; the restart plays this one
        LastSentence = pjpstr;
    } else {
        // A recording's count-in or arming, or a restart on its way, holds the toggle: the sentence
        // cannot start, so the cursor, the play state and the sentence end are left alone.
        if (!Check2.Enabled()) return;
        LastSentence = pjpstr;
        LocateExactly(start);
        Check2.SetValue(1);
    }
}

}  // namespace app
