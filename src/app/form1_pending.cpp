// Handlers and procedures of the views that are still to be built. Each keeps the program correct
// with the least it can do; the work named in its comment replaces the body (and moves it into that
// subsystem's own form1_*.cpp file).
#include "app/form1.h"

#include <algorithm>
#include <cmath>

namespace app {

void Form1::BindPendingHandlers() {
    Check1.Bind(&vb::Control::Click, [this](int i) { Check1_Click(i); });
    Check3.Bind(&vb::Control::Click, [this](int i) { Check3_Click(i); });
    Combo2.Bind(&vb::Control::Click, [this](int i) { Combo2_Click(i); });
    Check4.Bind(&vb::Control::Click, [this](int i) { Combo2_Click(i); });
    Combo8.Click = [this](int) { Combo8_Click(); };
    Command4.Bind(&vb::Control::Click, [this](int i) { Command4_Click(i); });
    Timdcjp.OnTimer = [this] { Timdcjp_Timer(); };
}

// Page pictures and print: the page-image and printing work fill these.
void Form1::Command2_ExportPages() {}
void Form1::Command2_Print() {}

// Toolbar 0: the lyrics-window work shows or hides the lyrics window.
void Form1::Command4_LyricsWindow() {}

// The part switches store their values in the part records; the players and MIDI templates they
// also set come with the playback work.
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
    }
}

// The playback switches are stored as their values; a change outside the start-up window marks the
// system settings for saving. Muting, metronome and loop come with the playback work.
void Form1::Check3_Click(int) {
    if (!Timload.Enabled()) SettingsChanged = -1;
}

// Snap grids of the rulers (0) and of the piano roll (1).
void Form1::Combo2_Click(int index) {
    const int li = Combo2[index].ListIndex();
    if (li < 0) return;
    SnapGrid[index] = int32_t(std::lround(std::pow(2.0, 6 - li))) * (Check4[index].Value() ? 1 : 3);
    if (Picture4[0].widget()->isVisible()) Picture4[0].SetFocus();
}

// Verse chooser: the toolbar's verse button shows the verse number.
void Form1::Combo8_Click() { Command4[11].SetCaption(QString::number(Combo8.ListIndex() + 1)); }

// The score on the pages: the typesetter work draws the notes into the page pictures.
void Form1::TypesetScorePages() {}
// The page window's position marker at the cursor's beat: the typesetter work.
void Form1::SetF3Jp() {}
// Position and loop markers of the page window (at the beat box of the cursor, of the loop start
// and of the loop end): the page-window work.
void Form1::MovePageMarker() {}
void Form1::MovePageLoopStartMarker() {}
void Form1::MovePageLoopEndMarker() {}
// The lyric-insertion panel opened from the note menu: the lyric-entry work.
void Form1::OpenLyricInsertion() {}
// Marks the next note for keyboard entry: the lyric-entry work.
void Form1::SelectNextNote() {}

// Lyric sentence lists: the lyrics-window work (it also shows the list of the part a page click
// makes current in place of the old one's).
void Form1::BuildSentenceLists(int) {}
void Form1::SwapLyricsWindowList(int, int) {}

// The lyrics window's "合并下一句" and "分离", disabled while playing: the lyrics-window work.
void Form1::SetLyricsWindowButtonsEnabled(bool) {}
// First page image of a picture export: the page-image work.
void Form1::Timdcjp_Timer() { Timdcjp.SetEnabled(false); }

}  // namespace app
