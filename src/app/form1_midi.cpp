// MIDI files in the main window: the import panel Picture10 (one row per track of the opened file, each
// with the part it goes to), the toolbar's open and import buttons, and the export command.
#include "app/form1.h"

#include <QFileInfo>
#include <QLabel>
#include <algorithm>

#include "document/midifile.h"
#include "platform/vbtext.h"

namespace app {

namespace {

const char* const kMidiFilter = "软件合成音乐(*.mid)|*.mid";
const char* const kOverwriteQuestion = "已经存在的文件。是否覆盖?";

constexpr int kRowTop = 8;      // first row of the panel
constexpr int kRowHeight = 17;  // rows are this far apart
constexpr int kParkedTop = -200;

}  // namespace

void Form1::CreateMidiPanel() {
    for (int r = 0; r < doc::kMidiPanelRows; ++r) {
        const int top = kRowTop + kRowHeight * r;
        Check7[r].SetCaption("音轨" + QString::number(r + 1));
        Check7[r].Move(8, top, 72, 16);
        Label8[r].SetAlignment(1);
        Label8[r].Move(84, top, 76, 16);
        Label17[r].SetCaption(doc::kMidiNoImportText);
        Label17[r].Tag = "0";
        Label17[r].SetBorderStyle(1);
        Label17[r].Move(168, top, 88, 16);
        for (vb::Control* c : std::initializer_list<vb::Control*>{&Check7[r], &Label8[r], &Label17[r]})
            c->SetVisible(false);
    }
    auto* caption = new QLabel("精度:", Picture10.widget());
    caption->setFont(vb::ScreenFont("宋体", 9, false, false));
    caption->setGeometry(264, 10, 36, 16);
    Check7[17].Move(300, 8, 56, 16);
    // The target chooser floats over the rows it edits.
    Combo4.SetWidth(92);
    Combo4.widget()->raise();
}

void Form1::BindMidiHandlers() {
    Label17.Bind(&vb::Control::Click, [this](int r) { Label17_Click(r); });
    Combo4.Click = [this](int) { Combo4_Click(); };
}

// Toolbar 4: choose a MIDI file and list its tracks. A file that cannot be read leaves the panel as it
// was; a readable one replaces every row, so no target chosen for an earlier file is kept.
void Form1::Command4_OpenMidi() {
    CommonDialog1.Filter = kMidiFilter;
    if (!CommonDialog1.ShowOpen()) return;
    const QString path = CommonDialog1.FileName;
    const std::optional<doc::MidiFile> file = doc::OpenMidiForImport(path);
    if (!file) {
        Dialogs().MsgBox(doc::kMidiReadErrorText, vb::vbOKOnly + vb::vbSystemModal, doc::kMidiMessageTitle);
        return;
    }
    // The import reads this file again, whatever other commands later do with the shared dialog.
    midiImportPath_ = path;

    Combo4.SetTop(kParkedTop);
    Check7[17].SetCaption(QString::number(file->Division));
    const int tracks = int(file->Tracks.size());
    for (int r = 0; r < doc::kMidiPanelRows; ++r) {
        const bool listed = r < tracks;
        Check7[r].SetVisible(listed);
        Label8[r].SetVisible(listed);
        Label17[r].SetVisible(listed);
        Label8[r].SetCaption(listed ? QString::number(file->Tracks[r].DataLength) : QString());
        Label8[r].Tag = listed ? QString::number(file->Tracks[r].DataStart) : QString();
        Label17[r].SetCaption(doc::kMidiNoImportText);
        Label17[r].Tag = "0";
    }
    Combo4.Clear();
    for (const QString& entry : doc::MidiImportTargetList(*song)) Combo4.AddItem(entry);
    Picture10.SetVisible(true);
    Picture10.widget()->raise();
}

// Toolbar 9: append the notes of every track with a target part to that part, one undo action per
// track. A file that can no longer be read changes nothing.
void Form1::Command4_ImportMidi() {
    if (midiImportPath_.isEmpty()) return;
    std::vector<int> targets(doc::kMidiPanelRows);
    for (int r = 0; r < doc::kMidiPanelRows; ++r) targets[r] = doc::MidiImportTargetPart(Label17[r].Caption());
    const doc::MidiImportResult result = doc::ImportMidiTracks(*song, midiImportPath_, targets);
    if (!result.Ok) {
        Dialogs().MsgBox(result.Message, vb::vbOKOnly + vb::vbSystemModal, doc::kMidiMessageTitle);
        return;
    }
    journal.TruncateRedoTail();
    int lines = 0;
    for (const doc::MidiImportResult::Action& action : result.Actions) lines += action.Rows + 1;
    journal.Reserve(lines);
    // Lines are logged from the rows' values, so starts too wide for their digits still undo exactly.
    for (const doc::MidiImportResult::Action& action : result.Actions) {
        for (int i = action.FirstRow; i < action.FirstRow + action.Rows; ++i)
            journal.AddNoteLine(action.Part, song->Notes[action.Part][i]);
        journal.Commit(doc::kMidiImportJournalHeader.mid(1));
    }
    journal.UndoPosition = journal.ListCount() - 1;

    std::vector<int> parts = result.ImportedParts;
    std::sort(parts.begin(), parts.end());
    parts.erase(std::unique(parts.begin(), parts.end()), parts.end());
    for (int p : parts) UpdatePartPitchRange(p);

    Picture10.SetVisible(false);
    ArrangePartStrips();
    Dialogs().MsgBox(result.Message, vb::vbOKOnly + vb::vbSystemModal, doc::kMidiMessageTitle);
}

// A click on a row's target opens the chooser on that row. The chooser is parked first, also when it
// still floats over another row, so that selecting the row's entry (which runs Combo4_Click) stores
// nothing on any row.
void Form1::Label17_Click(int row) {
    if (!Label17.Exists(row)) return;
    Combo4.SetTop(kParkedTop);
    const double entry = vb::Val(Label17[row].Tag);
    Combo4.SetListIndex(entry >= 0 && entry < Combo4.ListCount() ? int(entry) : 0);
    Combo4.SetTop(Label17[row].Top());
    Combo4.Tag = QString::number(row);
    Combo4.widget()->raise();
}

// The chosen entry goes to the row the chooser floats over, and the chooser is parked again.
void Form1::Combo4_Click() {
    if (Combo4.Top() < 0) return;
    const double row = vb::Val(Combo4.Tag);
    if (row < 0 || row >= doc::kMidiPanelRows) return;
    vb::Label& target = Label17[int(row)];
    target.SetCaption(Combo4.Text());
    Combo4.SetTop(kParkedTop);
    Picture10.SetFocus();
    target.Tag = QString::number(Combo4.ListIndex());
}

// Command2 8: export the song as a MIDI file.
void Form1::Command2_ExportMidi() {
    CommonDialog1.Filter = kMidiFilter;
    if (!CommonDialog1.ShowSave()) return;
    const QString path = CommonDialog1.FileName;
    if (QFileInfo::exists(path) &&
        Dialogs().MsgBox(kOverwriteQuestion, vb::vbYesNo + vb::vbCritical + vb::vbSystemModal,
                         doc::kMidiMessageTitle) != vb::vbYes)
        return;
    if (const std::optional<QString> error = doc::ExportMidiFile(*song, vb::ItemsOf(List3), path)) {
        Dialogs().MsgBox(*error, vb::vbOKOnly + vb::vbSystemModal, doc::kMidiMessageTitle);
        return;
    }
    Dialogs().Beep();
}

}  // namespace app
