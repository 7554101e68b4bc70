// Commands on the whole song and on the program: New with the control updates of a new song, Save
// and Open of project files with the window half of loading, Exit (the only way out, also for the
// window manager's close request).
#include "app/form1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QFileInfo>

#include "app/settings.h"
#include "document/newsong.h"
#include "document/songcodes.h"
#include "platform/vbtext.h"

namespace app {

namespace {
const char* const kSaveQuestion = "当前正在编辑的文件没有保存。是否先保存?";
const char* const kOverwriteQuestion = "已经存在的文件。是否覆盖?";
const char* const kMessageTitle = "提示";
const char* const kProjectFilter = "工程文件(*.brc)|*.brc";
const char* const kNoAccompaniment = "未选择伴奏文件";
// The sample song the open dialog starts at, inside the program folder.
const char* const kSampleProject = "示范文件/晚风.brc";
constexpr int kInform = vb::vbOKOnly + vb::vbSystemModal;

// A Single as the runtime turns it into text: seven significant digits.
QString SingleText(float value) { return vb::CStr(QString::number(double(value), 'g', 7).toDouble()); }

// Caption of a part's label-mode button for its display mode.
QString DisplayModeCaption(int mode) {
    if (mode == 0) return QStringLiteral("无");
    if (mode == 1) return QStringLiteral("词");
    return QStringLiteral("音");
}
}  // namespace

void Form1::BindFilesHandlers() {
    // The accompaniment box sits in the song-settings panel below the key selector, its offset
    // label beside it.
    Text3.Move(10, 150, 200, 18);
    Text3.SetText(kNoAccompaniment);
    MoveToContainer(Labjq[0], Frame2.widget());
    Labjq[0].Move(216, 151, 56, 16);
    for (int i = 0; i <= doc::kMaxParts; ++i) Labjq[i].SetCaption(SingleText(AudioTimeOffsets[i]));
}

// The save question of New (Yes/No), Open (Yes/No) and Exit (Yes/No/Cancel), asked only while the
// song is modified. False when the command must stop: Cancel, or Yes and the save did not happen.
bool Form1::AskToSaveFirst(bool withCancel) {
    if (!song->Modified) return true;
    const int buttons = withCancel ? vb::vbYesNoCancel : vb::vbYesNo;
    const int answer = Dialogs().MsgBox(kSaveQuestion, buttons + vb::vbCritical + vb::vbSystemModal, kMessageTitle);
    if (answer == vb::vbCancel) return false;
    if (answer == vb::vbYes) return SaveCommand();
    return true;
}

// The editor-window box on the song ruler and its drag outline over RollViewStart..RollViewEnd.
void Form1::PlaceEditorWindowBox() {
    const double rulerWidth = Picture1.Width();
    if (song->SongLength <= 0) return;
    const double left = double(RollViewStart) / song->SongLength * rulerWidth;
    const double width = double(RollViewEnd - RollViewStart) / song->SongLength * rulerWidth;
    Label14.Move(left, Label14.Top(), width, Label14.Height());
    Shape2.Move(left, 0, width, Shape2.Height());
}

// A change-point panel left open belongs to the old song: it closes as its Cancel would.
void Form1::CloseChangePointPanels() {
    bool open = false;
    for (int i = 0; i < 3; ++i) open = open || Picture2[i].Visible();
    if (!open) return;
    for (int i = 0; i < 3; ++i) Picture2[i].SetVisible(false);
    Picct.SetEnabled(true);
    PlayMode = PlayMode::Idle;
}

// New (Command2 index 0).
void Form1::NewCommand() {
    if (!AskToSaveFirst(false)) return;
    NewProject();
    RebuildTimeline();
    ComputeLineBreaks();  // the new song's lines and pages
    UpdatePositionDisplay();
    RollViewStart = 0;
    RollViewEnd = 1536;
    PlaceEditorWindowBox();
    HScroll3_Change(kZoomSlider);
}

// Resets the song to a new one and brings the controls that show it into line.
void Form1::NewProject() {
    doc::Song& s = *song;
    doc::NewProject(s);
    CloseChangePointPanels();

    Text1[0].SetText("0");
    Text1[1].SetText("180");
    Combo1.SetListIndex(0);
    Text1[2].SetText("80");
    Combo3[2].SetListIndex(0);

    for (int p = 1; p <= s.PartCount; ++p) {
        const doc::PartRecord& part = s.Parts[p];
        ClearSentenceList(p);
        Label2[p].SetCaption(part.Name);
        Label11[p].SetBackColor(part.Colour);
        Label11[p + 10].SetBackColor(part.Colour2);
        Label4[p].SetWidth(part.Volume);
        Label16[p].SetCaption(List3.List(0));
    }

    ApplyLyricFont(Label9.FontName(), Label9.FontSize(), Label9.FontBold(), Label9.FontItalic());
    for (int i = 0; i < 2; ++i) Picture4[i].SetBackColor(s.Parts[1].Colour);

    SwapLyricsWindowList(s.CurrentPart, 1);
    s.CurrentPart = 1;
    for (int i = 0; i < 2; ++i) Shape1[i].Move(0, s.Parts[1].StripTop, Shape1[i].Width(), s.Parts[1].StripHeight);

    for (int k = 1; k <= s.PartCount; ++k) {
        doc::PartRecord& part = s.Parts[k];
        Command11[k].SetCaption("词");
        // Setting the boxes runs their click handlers, which store the same values back.
        Check1[k].SetValue(part.ShowInScore);
        Check1[k + 20].SetValue(part.MidiOn);
        Check1[k + 30].SetValue(part.AudioOn);
        Label4[k].SetWidth(part.Volume);
        UpdatePartPitchRange(k);
        PrepareNoteOnMessage(k);
        Label16[k].SetCaption(List3.List(part.Program));
        midiOutShortMsg(uint32_t(0xC0 + (k - 1)) | uint32_t(part.Program & 0x7F) << 8 | uint32_t(0x64) << 16);
    }
    PrepareNoteOffMessages();

    Picture13.Tag = "1";
    Label19[0].SetCaption(s.Title);
    Label19[4].SetCaption(s.Lyricist);
    Label19[5].SetCaption(s.Composer);
    Label19[6].SetCaption(s.Singer);
    Label19[7].SetCaption(s.Subtitle);

    Check2.SetVisible(false);
    Timload.SetEnabled(false);  // a New inside the start-up window counts its 2 s again from now
    Timload.SetEnabled(true);

    UsePlaceholderAccompaniment();
    // Nothing of the old song's audio survives: no accompaniment, no offsets, no part recordings,
    // and no sentence joins, which belong to the old song's phrases.
    Text3.SetText(kNoAccompaniment);
    AudioTimeOffsets.fill(0.0f);
    for (int i = 0; i <= doc::kMaxParts; ++i) Labjq[i].SetCaption(SingleText(0.0f));
    for (int p = 1; p <= doc::kMaxParts; ++p) {
        s.Parts[p].PhraseJoinBits.fill(0);
        s.Parts[p].AudioOffsetMs = 0;
        if (MediaPlayer* player = WMPS(p)) player->SetUrl(QString());
    }

    journal.Reset();
    LayoutPageHeader();
    Command10_Click(4);
}

// ---------------------------------------------------------------------------------------------
// Save and Open

// Save (Command2 index 1).
bool Form1::SaveCommand() {
    if (!song->ProjectPath.isEmpty()) {
        CommonDialog1.FileName = song->ProjectPath;
        if (!SaveProjectFile(song->ProjectPath)) return false;
        song->Modified = 0;
        return true;
    }
    CommonDialog1.Filter = kProjectFilter;
    if (!CommonDialog1.ShowSave()) return false;
    const QString chosen = CommonDialog1.FileName;
    if (QFileInfo::exists(chosen)) {
        const int answer =
            Dialogs().MsgBox(kOverwriteQuestion, vb::vbYesNo + vb::vbCritical + vb::vbSystemModal, kMessageTitle);
        if (answer != vb::vbYes) return false;
    }
    if (!SaveProjectFile(chosen)) return false;
    song->ProjectPath = chosen;
    song->Modified = 0;
    return true;
}

void Form1::Command2_Save() { SaveCommand(); }

// Open (Command2 index 2).
void Form1::OpenCommand() {
    if (!AskToSaveFirst(false)) return;
    const QString sample = ProgramPath(kSampleProject);
    if (QFileInfo(sample).isFile()) CommonDialog1.FileName = QDir::toNativeSeparators(sample);
    CommonDialog1.Filter = kProjectFilter;
    if (!CommonDialog1.ShowOpen()) return;
    if (!LoadProjectFile(CommonDialog1.FileName)) return;
    RebuildTimeline();
    RollViewStart = 0;
    RollViewEnd = 1536;
    PlaceEditorWindowBox();
    Command10_Click(4);
    Picture1_MouseDown(1, 0, 0, 0);
}

void Form1::Command2_Open() { OpenCommand(); }

doc::ProjectExtras Form1::CurrentProjectExtras() const {
    doc::ProjectExtras e = Extras;
    e.AccompanimentText = Text3.Text();
    e.AudioTimeOffsets = AudioTimeOffsets;
    doc::PageSetupValues& page = e.Page;
    if (Combo6.ListIndex() >= 0) page.PaperIndex = Combo6.ListIndex();
    for (int i = 0; i < 4; ++i) page.Margins[i] = Text9[2 + i].Text();
    if (File1.ListIndex() >= 0) page.BackgroundIndex = File1.ListIndex();
    for (int s = 0; s < doc::kTextStyleCount; ++s) {
        const vb::Label& sample = Label22[s];
        page.Styles[s] = {sample.FontName(), sample.FontSize(), sample.FontBold(), sample.FontItalic()};
    }
    if (Combo9.ListIndex() >= 0) page.PageNumberStyle = Combo9.ListIndex();
    page.FirstPageText = Text8.Text();
    page.Verses = int(HScroll4.Value());
    page.Portrait = !Option1[1].Value();
    page.ContinuousPage = Check8[0].Value() == 1;
    page.SeparatePart = Check8[1].Value() == 1;
    page.MeasureNumbers = Check8[2].Value() == 1;
    page.MirroredPageNumbers = Check8[3].Value() == 1;
    for (int i = 0; i < 5; ++i) page.Scales[i] = VScroll5[i].Value();
    e.PageNumberX = PageNumberX;
    e.PageNumberY = PageNumberY;
    return e;
}

bool Form1::SaveProjectFile(const QString& path) {
    const doc::SaveResult result = doc::SaveProjectFile(path, *song, CurrentProjectExtras());
    if (!result.Ok) {
        Dialogs().MsgBox(result.Message, kInform, kMessageTitle);
        return false;
    }
    Dialogs().Beep();
    return true;
}

bool Form1::LoadProjectFile(const QString& path) {
    const doc::ProjectExtras current = CurrentProjectExtras();
    doc::ProjectLoad load = doc::ReadProjectContents(path, &current, IsFontInstalled);
    if (!load.Ok) {
        Dialogs().MsgBox(load.Error, kInform, kMessageTitle);
        return false;
    }
    ApplyLoadedProject(load);
    return true;
}

// The window half of loading: the checked song replaces the old one and every control that shows
// the song or its settings follows, in the order the handlers expect.
void Form1::ApplyLoadedProject(doc::ProjectLoad& load) {
    doc::Song& s = *song;
    doc::ApplyLoadedSong(load.Loaded, s);
    Extras = load.Extras;
    const doc::ProjectExtras& e = Extras;
    const doc::PageSetupValues& page = e.Page;
    CloseChangePointPanels();
    ProjectFolder = load.ProjectFolder;

    // Part recordings not found are reported with their parts; the other notices come first.
    const QString partNoticeStart = QStringLiteral("没有找到位于[");
    QStringList partNotices;
    for (const QString& notice : load.Notices) {
        if (notice.startsWith(partNoticeStart))
            partNotices << notice;
        else
            Dialogs().MsgBox(notice, kInform, kMessageTitle);
    }

    Label19[0].SetCaption(s.Title);
    Label19[4].SetCaption(s.Lyricist);
    Label19[5].SetCaption(s.Composer);
    Label19[6].SetCaption(s.Singer);
    Label19[7].SetCaption(s.Subtitle);
    for (int st = 0; st < doc::kTextStyleCount; ++st) {
        const doc::TextStyle& style = page.Styles[st];
        if (!style.FontName.isEmpty()) Label22[st].SetFontName(style.FontName);
        Label22[st].SetFontSize(style.Size);
        Label22[st].SetFontBold(style.Bold);
        Label22[st].SetFontItalic(style.Italic);
    }

    // The accompaniment: a recording not found leaves the player on silence, not on the old song's.
    Text3.SetText(e.AccompanimentText);
    // One that cannot be played (damaged, not a sound file) is reported and does too, so the
    // playback clock always runs; the song keeps its path.
    if (load.AccompanimentFile.isEmpty() || !WMP().SetUrl(load.AccompanimentFile)) {
        if (!load.AccompanimentFile.isEmpty()) ReportUnplayable(load.AccompanimentFile);
        UsePlaceholderAccompaniment();
    }
    Dialogs().Beep();

    Combo6.SetListIndex(page.PaperIndex);
    for (int i = 0; i < 4; ++i) Text9[2 + i].SetText(page.Margins[i]);
    File1.SetListIndex(page.BackgroundIndex);
    Combo9.SetListIndex(page.PageNumberStyle);
    Text8.SetText(page.FirstPageText);
    HScroll4.SetValue(page.Verses);
    Option1[page.Portrait ? 0 : 1].SetValue(true);
    Check8[0].SetValue(page.ContinuousPage ? 1 : 0);
    Check8[1].SetValue(page.SeparatePart ? 1 : 0);
    Check8[2].SetValue(page.MeasureNumbers ? 1 : 0);
    Check8[3].SetValue(page.MirroredPageNumbers ? 1 : 0);
    for (int i = 0; i < 5; ++i) VScroll5[i].SetValue(page.Scales[i]);
    PageNumberX = e.PageNumberX;
    PageNumberY = e.PageNumberY;
    AudioTimeOffsets = e.AudioTimeOffsets;
    for (int i = 0; i <= s.PartCount; ++i) Labjq[i].SetCaption(SingleText(AudioTimeOffsets[i]));

    // Song settings.
    Text1[0].SetText(vb::CStr(s.SongStartSeconds));
    Text1[1].SetText(vb::CStr(s.SongSeconds));
    Combo1.SetText(doc::TimeSigCodeToText(s.TimeSigCodes[0]));
    Combo3[2].SetListIndex(load.KeyListIndex);
    Check6[1].SetValue(load.LowOctave ? 1 : 0);
    Text1[2].SetText(SingleText(s.TempoChangeBpm[0]));

    HScroll3_Change(kZoomSlider);
    SwapLyricsWindowList(s.CurrentPart, 1);
    s.CurrentPart = 1;

    for (int i = 1; i <= s.PartCount; ++i) {
        doc::PartRecord& part = s.Parts[i];
        Label2[i].SetCaption(part.Name);
        Command11[i].SetCaption(DisplayModeCaption(part.DisplayMode));
        Label11[i].SetBackColor(part.Colour);
        Label11[i + 10].SetBackColor(part.Colour2);
        Check1[i].SetValue(part.ShowInScore ? 1 : 0);
        Check1[20 + i].SetValue(part.MidiOn ? 1 : 0);
        Check1[30 + i].SetValue(part.AudioOn ? 1 : 0);
        Label4[i].SetWidth(part.Volume);
        UpdatePartPitchRange(i);
        PrepareNoteOnMessage(i);
        Label16[i].SetCaption(List3.List(part.Program));
        midiOutShortMsg(uint32_t(0xC0 + (i - 1)) | uint32_t(part.Program & 0x7F) << 8 | uint32_t(0x64) << 16);
        if (MediaPlayer* player = WMPS(i)) {
            // A part without a recording, or whose recording is not found or cannot be played,
            // stays silent; the part keeps its path.
            if (!player->SetUrl(load.PartAudioFiles[i])) ReportUnplayable(load.PartAudioFiles[i]);
            if (!part.AudioFile.isEmpty() && load.PartAudioFiles[i].isEmpty() && !partNotices.isEmpty())
                Dialogs().MsgBox(partNotices.takeFirst(), kInform, kMessageTitle);
        }
        BuildSentenceLists(i);
        if (MediaPlayer* player = WMPS(i)) {
            player->SetVolume(part.Volume);
            player->SetMute(Check1[30 + i].Value() == 0);
        }
    }
    for (const QString& notice : partNotices) Dialogs().MsgBox(notice, kInform, kMessageTitle);
    // Players of the slots beyond the song's parts keep nothing of the old song either.
    for (int p = s.PartCount + 1; p <= doc::kMaxParts; ++p)
        if (MediaPlayer* player = WMPS(p)) player->SetUrl(QString());
    PrepareNoteOffMessages();

    Label19[0].SetTop(s.Subtitle.isEmpty() ? 8 : 0);
    DrawPartRangeBands();
    Picture13.Tag = "0";
    Timload.SetEnabled(false);
    Timload.SetEnabled(true);
    Check2.SetVisible(false);
    journal.Reset();
    ShowPartNames();
    LayoutPageHeader();
}

// ---------------------------------------------------------------------------------------------
// Exit

// Exit (Command2 indexes 3 and 4).
void Form1::ExitProgram() {
    if (!AskToSaveFirst(true)) return;
    StopAndCloseDevices();
    if (SettingsChanged) SaveSystemSettings();
    Quit();
}

// SIGTERM or SIGINT: the open dialogs are cancelled, playback stops, the sounding notes are released
// and the devices closed; no question is asked and no file is written.
void Form1::EndBySignal() {
    if (exited_) return;
    while (QWidget* modal = QApplication::activeModalWidget()) {
        auto* dialog = qobject_cast<QDialog*>(modal);
        if (!dialog) break;
        dialog->reject();
        dialog->hide();
    }
    StopAndCloseDevices();
    Quit();
}

void Form1::StopAndCloseDevices() {
    if (Command3.Visible()) Command3_Click();
    if (services_.midi) services_.midi->Close();
    MidiOutHandle = 0;
}

void Form1::Quit() {
    exited_ = true;
    close();
    if (services_.quit) services_.quit();
}

// The window manager's close button runs Exit.
void Form1::closeEvent(QCloseEvent* event) {
    if (exited_) {
        event->accept();
        return;
    }
    event->ignore();
    Command2_Click(4);
}

}  // namespace app
