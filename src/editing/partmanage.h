// Part management of the track view and the part commands of the editing toolbar: adding a
// part, renaming it, its two colours, its display mode, deleting the current part, choosing the
// part's own audio file, and stepping the lyric verse. Model halves: the window shows the
// results on the header controls and re-lays the view.
#pragma once

#include "document/playmode.h"
#include "document/song.h"
#include "editing/undojournal.h"
#include "platform/dialogs.h"

#include <QString>
#include <cstdint>
#include <optional>

namespace editing {

// A part slot's room in the project file: the name and the audio path share it.
constexpr int kPartTextRoomBytes = 466;

// The record of a part that has just been added: "新声部", empty, shown in the score, in "词"
// mode, MIDI on, audio off, program 0, volume 100, no phrase joins, no audio offset, stored
// below every strip (top 32000).
doc::PartRecord NewPartRecord();

// The program-change short message of part k (channel k - 1) to `program`.
uint32_t ProgramChangeMessage(int part, int program);

struct AddedPart {
    int part = 0;                  // the new part's number (= PartCount)
    uint32_t programChange = 0;    // to send, so the part's channel plays its program 0
};

// "添加一个新声部": refuses a ninth part with "最多8个声部，无法继续增加!"; otherwise PartCount
// grows by one and the new slot gets NewPartRecord() with its range computed. Parts that were
// deleted and can still be brought back by undo are moved one slot up (with their journal lines)
// first, so the new part never takes their place; when there is no slot left for them, the
// journal starts afresh. The redo tail is dropped. Marks the song modified and for typesetting.
// The caller re-stacks the strips, redraws the bands, fills the new header row and typesets.
std::optional<AddedPart> AddPart(doc::Song& song, UndoJournal& journal, vb::Dialogs& dialogs, int noteBarWidth,
                                 int lyricNoteGap);

// Enter in the name editor: the part keeps the trimmed text cut to 8 characters; the name
// label shows what is kept. A changed name marks the song modified and for typesetting.
// Returns the name kept.
QString RenamePart(doc::Song& song, int part, const QString& typed);

// What a click on colour swatch Label11(index) did.
enum class SwatchResult {
    Ignored,        // a first swatch clicked during playback
    Cancelled,      // the colour dialog was cancelled
    NoteColour,     // Colour2 changed: redraw the page
    StripColour,    // Colour changed: redraw the bands, then the page
};
// Swatch index i: part i Mod 10, the first colour for i < 10, the second for i > 9. The colour
// dialog opens preset to the swatch's colour. A changed colour marks the song modified.
SwatchResult ChooseSwatchColour(doc::Song& song, vb::Dialogs& dialogs, int swatchIndex, doc::PlayMode playMode);

// The mode button of the part: 0 "无", 1 "词", 2 "音", then 0 again. Marks the song modified.
// Returns the new mode (its caption is DisplayModeCaption).
int NextDisplayMode(doc::Song& song, int part);

enum class DeleteResult { Refused, Declined, Deleted };
// Toolbar "X" (and Ctrl+Delete in the track view): refuses the last part ("您无法删除最后一个声部！")
// and any deletion while playing ("当前无法进行此操作！"); asks "确定要删除[name]声部吗？"; on Yes
// deletes through the journal. The caller then re-stacks the strips, redraws the bands, shows the
// part names and typesets.
DeleteResult DeleteCurrentPartCommand(doc::Song& song, UndoJournal& journal, vb::Dialogs& dialogs,
                                      doc::PlayMode playMode);

// The open dialog's filter of the part's audio file.
QString PartAudioFilter();
// Whether the path can be kept in the part's record: every character has a GBK form and name
// and path together fit the record's room.
bool PartAudioPathFits(const doc::PartRecord& part, const QString& path);
// Toolbar "定位MP3": the chosen wav or mp3 becomes the current part's audio file (the song is
// marked modified) and is returned for the part's player. A cancelled dialog gives nothing; a
// path that cannot be kept is refused with a message and gives nothing.
std::optional<QString> ChoosePartAudioFile(doc::Song& song, vb::Dialogs& dialogs);

// Toolbar verse button: with `verseCount` verses the next verse index after `current` (0-based,
// cycling); nothing with a single verse.
std::optional<int> NextVerseIndex(int verseCount, int current);
// Caption of the verse button for a verse index: its number from 1.
QString VerseButtonCaption(int verseIndex);

}  // namespace editing
