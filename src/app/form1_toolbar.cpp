// The toolbar of the "编辑" group and the MIDI import panel (Command4): the windows it shows and
// hides, the current part's own recording, deleting the current part, the MIDI import, and the
// lyric verse shown and edited.
#include "app/form1.h"

#include "editing/partmanage.h"

namespace app {

void Form1::BindToolbarHandlers() {
    Command4.Bind(&vb::Control::Click, [this](int i) { Command4_Click(i); });
}

void Form1::Command4_Click(int index) {
    switch (index) {
    case kLyricsWindowButton: Command4_LyricsWindow(); break;
    case kPageWindowButton: Command4_PageWindow(); break;
    case kPartAudioButton: Command4_PartAudioFile(); break;
    case kDeletePartButton: Command4_DeletePart(); break;
    case kOpenMidiButton: Command4_OpenMidi(); break;
    case kEditorButton: Command4_Editor(); break;
    case kImportMidiButton: Command4_ImportMidi(); break;
    case kCancelImportButton: Picture10.SetVisible(false); break;
    case kNextVerseButton: Command4_NextVerse(); break;
    default: break;  // 6, 7, 8 have no button
    }
}

// "定位MP3": the current part's own recording. One that cannot be played is refused: the part
// keeps the recording it had.
void Form1::Command4_PartAudioFile() {
    doc::PartRecord& part = song->Parts[song->CurrentPart];
    const QString oldFile = part.AudioFile;
    const int16_t oldModified = song->Modified;
    const std::optional<QString> path = editing::ChoosePartAudioFile(*song, Dialogs());
    if (!path) return;
    MediaPlayer* player = WMPS(song->CurrentPart);
    if (!player) return;
    const QString oldUrl = player->Url();
    if (player->SetUrl(*path)) return;
    part.AudioFile = oldFile;
    song->Modified = oldModified;
    player->SetUrl(oldUrl);
    ReportUnplayable(*path);
}

// "X" (and Ctrl+Delete in the track view): the current part goes; undo brings it back.
void Form1::Command4_DeletePart() {
    if (editing::DeleteCurrentPartCommand(*song, journal, Dialogs(), PlayMode) != editing::DeleteResult::Deleted)
        return;
    // The last part moved into the deleted part's slot.
    RefreshPartSlots();
    ArrangePartStrips();
    ShowPartNames();
    Command10_Click(4);
}

// The verse button: the next of the song's verses, round again after the last.
void Form1::Command4_NextVerse() {
    const std::optional<int> next = editing::NextVerseIndex(HScroll4.Value(), Combo8.ListIndex());
    if (!next) return;
    Combo8.SetListIndex(*next);
    BuildSentenceLists(song->CurrentPart);
}

}  // namespace app
