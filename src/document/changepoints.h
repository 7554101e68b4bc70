// The change points of the song: what is in force at a tick, and the edits of the three change
// lists (time signature, tempo, key) made through their small panels — inserting a new entry at
// the cursor, editing or deleting an existing entry from its marker on the song ruler.
//
// The panels themselves are controls of the main window; here they are plain values. The window
// keeps the `ChangePanel` of the panel that is open, fills the panel's controls from it, and hands
// it back with the controls' values (`ChangeInput`) when OK is pressed.
#pragma once

#include "document/playmode.h"
#include "document/song.h"

#include <QString>
#include <QStringList>
#include <cstdint>

namespace doc {

// The three change lists, numbered as their panels Picture2(0), (1), (2).
enum class ChangeKind { TimeSig = 0, Tempo = 1, Key = 2 };

// Highest last index each list may reach; the entry after it is scratch space.
constexpr int kMaxTimeSigChanges = 19;
constexpr int kMaxTempoChanges = 39;
constexpr int kMaxKeyChanges = 19;

// Entries in force at a tick: the last entry (searching from the list's last index down) whose
// tick is at or before `tick`; entry 0 when none is.
int TempoIndexAt(const Song& song, int32_t tick);
int KeyIndexAt(const Song& song, int32_t tick);

// A tempo as the panels and markers show it: the shortest decimal text of the single-precision
// value ("80", "92.5").
QString TempoText(float bpm);

// The entry of a time-signature list (the texts of the panel's drop-down list, in order) whose text
// is the code's, the first one; -1 when the list does not hold it.
int FindTimeSigItem(const QStringList& items, int code);
// The key selector entry and the "低八度" box for a key code; entry -1 when the code is outside
// -12..11 (the selector cannot show it).
void KeyToSelector(int key, int* listIndex, bool* lowOctave);

// Whether a change panel may open or act: only while nothing plays and no recording or count-in
// runs — play modes 0 (idle), 1 (a change panel open) and 5 (stopped).
bool ChangePanelsUsable(PlayMode playMode);

// The change kind of a track-view key: Ctrl+R (82) a time signature, Ctrl+T (84) a tempo,
// Ctrl+V (86) a key. `shift` is the modifier mask, exactly 2 for Ctrl. False for any other key.
bool ChangeKindForKey(int keyCode, int shift, ChangeKind* kind);

// One open change panel.
struct ChangePanel {
    ChangeKind Kind = ChangeKind::TimeSig;
    int EditedChangeIndex = 0;     // the list entry the panel edits (last index + 1 for a new one)
    int32_t EditedChangeTick = 0;  // its tick; OK writes it back
    bool ShowDelete = false;       // opened from an existing entry's marker
    bool DisablesCommandColumn = false;  // opened for an insertion: Picct stays disabled until OK or Cancel

    // Time signature: the entry of Combo3(0) to select, or -1 when the list does not hold the
    // value; the panel then shows TimeSigText and OK keeps KeptTimeSigCode.
    int TimeSigListIndex = -1;
    QString TimeSigText;
    int16_t KeptTimeSigCode = 0;
    // Tempo: the text of Text1(3).
    QString TempoText;
    // Key: the entry of Combo3(1) (-1 when it cannot show the value; OK then keeps KeptKey) and
    // the "低八度" box Check6(0).
    int KeyListIndex = -1;
    bool LowOctave = false;
    int16_t KeptKey = 0;
};

struct ChangeOpening {
    bool Opened = false;  // show the panel of Panel.Kind (and close any other change panel)
    QString Refusal;      // when not empty: show it in an OK box without title; nothing opens
    ChangePanel Panel;
};

// A new entry at the cursor (Ctrl+R, Ctrl+T, Ctrl+V in the track view). Nothing happens (no
// message) when the panels are not usable in `playMode` or the cursor line is off the screen.
// Refused when the cursor rounds to tick 0 ("不能在开始处插入，请在歌曲设置里修改") and when the list
// is full ("插入节奏更改太多", "插入速度更改太多", "插入调试更改太多"). Otherwise the panel is preset
// with the value in force at the cursor and the entry's tick is the cursor rounded to the nearest
// multiple of 12 ticks (a tie to the later one). `timeSigItems` are the texts of Combo3(0).
ChangeOpening PlanChangeInsertion(const Song& song, ChangeKind kind, PlayMode playMode, bool cursorOnScreen,
                                  const QStringList& timeSigItems);

// The panel for existing entry `index` (1 .. last index) of a list, from a click on its marker:
// preset with the entry's value and with its Delete button. Nothing happens when the panels are
// not usable in `playMode` or the index is not an entry of the list.
ChangeOpening OpenChangeMarker(const Song& song, ChangeKind kind, int index, PlayMode playMode,
                               const QStringList& timeSigItems);

// What the panel's controls hold when OK is pressed.
struct ChangeInput {
    QString TimeSigText;   // Combo3(0).Text; "" when nothing is selected (keep the entry's value)
    QString TempoText;     // Text1(3).Text
    int KeyListIndex = -1; // Combo3(1).ListIndex; -1 keeps the entry's key
    bool LowOctave = false;  // Check6(0)
};

struct ChangeResult {
    bool Applied = false;  // the song changed: close the panel (PlayMode Idle), UpdatePositionDisplay
    QString Refusal;       // when not empty: show it in an OK box titled "提示"; the panel stays open
};

// OK of a change panel: stores the value at EditedChangeTick in entry EditedChangeIndex (a new
// entry raises the list's last index to it), rebuilds the timeline and sets Modified,
// PlayEventsStale and NeedsRetypeset. A tempo outside 30..180 is refused with
// "速度超出范围 (请填写30~180)". Does nothing while the panels are not usable in `playMode`.
ChangeResult ConfirmChange(Song& song, const ChangePanel& panel, const ChangeInput& input, PlayMode playMode,
                           bool loopOn);

// Delete of a change panel opened from a marker: the list's last entry takes the place of entry
// `index` (1 .. last index), the last index goes down by one, the timeline is rebuilt and the three
// flags set. Entry 0 is never removed. Does nothing while the panels are not usable in `playMode`.
ChangeResult DeleteChange(Song& song, ChangeKind kind, int index, PlayMode playMode, bool loopOn);

// Left edge of an insertion panel `panelWidth` wide for the cursor line at screen x
// `cursorScreenX`: at most the screen width − 209, and kept inside the screen.
double InsertionPanelLeft(double cursorScreenX, int screenWidthPx, double panelWidth);

}  // namespace doc
