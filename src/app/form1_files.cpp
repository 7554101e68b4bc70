// Commands on the whole song and on the program: New with the control updates of a new song, Exit
// (the only way out, also for the window manager's close request).
#include "app/form1.h"

#include <QCloseEvent>

#include "document/newsong.h"
#include "document/songcodes.h"

namespace app {

namespace {
const char* const kSaveQuestion = "当前正在编辑的文件没有保存。是否先保存?";
const char* const kMessageTitle = "提示";
}  // namespace

// New (Command2 index 0).
void Form1::NewCommand() {
    if (song->Modified) {
        const int answer = Dialogs().MsgBox(kSaveQuestion, vb::vbYesNo + vb::vbCritical + vb::vbSystemModal,
                                            kMessageTitle);
        if (answer == vb::vbYes) Command2_Click(1);
    }
    NewProject();
    RebuildTimeline();
    UpdatePositionDisplay();
    RollViewStart = 0;
    RollViewEnd = 1536;
    const double rulerWidth = Picture1.Width();
    if (song->SongLength > 0) {
        const double left = double(RollViewStart) / song->SongLength * rulerWidth;
        const double width = double(RollViewEnd - RollViewStart) / song->SongLength * rulerWidth;
        Label14.Move(left, Label14.Top(), width, Label14.Height());
        Shape2.Move(left, 0, width, Shape2.Height());
    }
    HScroll3_Change(kZoomSlider);
}

// Resets the song to a new one and brings the controls that show it into line.
void Form1::NewProject() {
    doc::Song& s = *song;
    doc::NewProject(s);

    Text1[0].SetText("0");
    Text1[1].SetText("180");
    Combo1.SetListIndex(0);
    Text1[2].SetText("80");
    Combo3[2].SetListIndex(0);

    for (int p = 1; p <= s.PartCount; ++p) {
        const doc::PartRecord& part = s.Parts[p];
        // The lyrics window clears its sentence list of the part here once it exists.
        Label2[p].SetCaption(part.Name);
        Label11[p].SetBackColor(part.Colour);
        Label11[p + 10].SetBackColor(part.Colour2);
        Label4[p].SetWidth(part.Volume);
        Label16[p].SetCaption(List3.List(0));
    }

    ApplyLyricFont(Label9.FontName(), Label9.FontSize(), Label9.FontBold(), Label9.FontItalic());
    for (int i = 0; i < 2; ++i) Picture4[i].SetBackColor(s.Parts[1].Colour);

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

    WMP().SetUrl(ProgramPath("none.wav"));
    journal.Reset();
    LayoutPageHeader();
    Command10_Click(4);
}

// Exit (Command2 indexes 3 and 4).
void Form1::ExitProgram() {
    if (song->Modified) {
        const int answer = Dialogs().MsgBox(kSaveQuestion, vb::vbYesNoCancel + vb::vbCritical + vb::vbSystemModal,
                                            kMessageTitle);
        if (answer == vb::vbCancel) return;
        if (answer == vb::vbYes) Command2_Click(1);
    }
    if (Command3.Visible()) Command3_Click();
    if (services_.midi) services_.midi->Close();
    MidiOutHandle = 0;
    if (SettingsChanged) SaveSystemSettings();
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
