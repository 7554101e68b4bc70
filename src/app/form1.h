// The main window: every control of the window as a member under its own name, the song and the
// view state, and the handlers. The handlers live one file per subsystem:
//   form1.cpp           construction, Form_Load, InitMainWindow (layout and lists), Command2_Click
//   form1_files.cpp     New and the control updates of a new song, Exit, minimise, the close request
//   form1_settings.cpp  system settings: set.ini, the settings panel, sliders, colours, lyric font
//   form1_keyboard.cpp  keyboard-entry settings: keyset.dat, the key panel, the key-to-note map
//   form1_timers.cpp    Timload, Timer5, Timer6, focus returns after button clicks
//   form1_typeset.cpp   the typesetting panel, page setup, the page strip and numbers, the title
//                       block, the page window Form3 and its clicks, the score's measures and fonts
//   form1_playback.cpp  learning playback: the play toggle, stop, the player loop's position and
//                       events in the window, the note messages, the restart, rewind and count-in
//                       timers, Space
//   form1_print.cpp     printing on the default printer, the page-image export and its timer, the
//                       page window's position and loop markers
//   form1_pianoroll.cpp the piano roll: keys, canvas, grid, note labels, the editor-window box on
//                       the song ruler, the note menu, the editor's toolbar button
//   form1_rehearsal.cpp the part switches, instruments, volume bars and offsets of the part
//                       headers, the playback switches, the accompaniment file, and the lyrics
//                       window Form2 with its sentence lists
//   form1_lyrics.cpp    lyric and item entry: the entry box Text2, the walks to the next note, the
//                       mark lists, the lyric-insertion panel, the verse chooser, the roll's "X"
//   form1_recording.cpp keyboard recording "●" and keyboard entry on the piano keys, the note menu's
//                       timing tools and sentence split, the time-stretch bar over the roll's ruler
//   form1_audio.cpp     the sound behind the players: the silent placeholder accompaniment, the
//                       messages about recordings that cannot be played and about a silent output
// A new subsystem file adds its handlers as methods here and binds them in a Bind... method that the
// constructor calls.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "app/keyset.h"
#include "app/settings.h"
#include "app/wordlists.h"
#include "document/projectfile.h"
#include "document/changepoints.h"
#include "document/playmode.h"
#include "document/song.h"
#include "editing/partstrips.h"
#include "editing/pianoroll.h"
#include "editing/recording.h"
#include "editing/trackview.h"
#include "editing/undojournal.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/mediaplayer.h"
#include "platform/midiout.h"
#include "platform/timer.h"
#include "platform/waveplayer.h"
#include "playback/events.h"
#include "playback/form2.h"
#include "playback/notes.h"
#include "playback/player.h"
#include "typeset/fonts.h"
#include "typeset/form3.h"
#include "typeset/geometry.h"
#include "typeset/measures.h"
#include "typeset/pageclick.h"
#include "typeset/printing.h"
#include "typeset/typesetter.h"

class QCloseEvent;
class QTimer;

namespace app {

using doc::PlayMode;

// The toolbar's buttons Command4 (the "编辑" group and the MIDI import panel).
enum ToolbarButton : int {
    kLyricsWindowButton = 0,  // "词"
    kPageWindowButton = 1,    // "谱"
    kPartAudioButton = 2,     // "定位MP3"
    kDeletePartButton = 3,    // "X"
    kOpenMidiButton = 4,      // "导入MID"
    kEditorButton = 5,        // "E"
    kImportMidiButton = 9,    // "导入" of the import panel
    kCancelImportButton = 10, // "取消" of the import panel
    kNextVerseButton = 11,    // the verse number
};

// The values of the position display "信息显示" (Label3).
enum InfoLabel : int {
    kBarLabel = 13,
    kBeatLabel = 14,
    kTimeSigLabel = 15,
    kTempoLabel = 16,
    kKeyLabel = 17,
    kSecondsLabel = 19,
};

class Form1 : public QWidget {
public:
    // What the window runs on; runProgram wires the real devices, tests pass fakes.
    struct Services {
        QString programDir;           // the folder of the word lists, settings files and resources
        int screenWidth = 0;          // screen size in pixels; 0 takes the primary screen's work area
        int screenHeight = 0;
        vb::Dialogs* dialogs = nullptr;
        MidiOut* midi = nullptr;       // MIDI output device 0
        MediaPlayer* wmp = nullptr;    // accompaniment player
        std::array<MediaPlayer*, 10> wmps{};  // part players 1..9
        WavePlayer* wave = nullptr;    // metronome clicks
        std::function<void()> quit;    // ends the program (Exit)
        // Why the sound output or the synthesizer stays silent (no audio device, no SoundFont);
        // empty when all sounds. Shown once, when sound is first wanted.
        std::function<QStringList()> audioProblems;
    };

    explicit Form1(const Services& services);
    ~Form1() override;

    // Run once after construction, before the window is first shown.
    void Form_Load();
    void InitMainWindow();

    // ---- song and view state ---------------------------------------------------------------
    std::unique_ptr<doc::Song> song;
    editing::UndoJournal journal;  // listcx and UndoPosition

    int32_t ScreenWidthPx = 0;
    int32_t ScreenHeightPx = 0;
    int32_t MidiOutHandle = 0;  // 1 while device 0 is open
    int32_t RollViewSpan = 0;
    int32_t RollViewStart = 0;
    int32_t RollViewEnd = 0;
    int16_t EditorScrollStep = 0;
    int32_t DragStartTick = -1;
    int16_t RollScrollEdge = 0;
    int16_t MenuHoverItem = 0;
    int16_t NoteBarWidth = 0;
    int16_t LyricCharWidth = 0;
    int16_t SlantHalfWidth = 0;
    int16_t LyricNoteGap = 0;
    int32_t TrackPageSpan = 0;
    int32_t TrackPageEnd = 0;
    double TrackScale = 0;
    int16_t FrontCanvas = 0;
    double MidiDelay = 0;
    int16_t SettingsChanged = 0;
    doc::PlayMode PlayMode = doc::PlayMode::Idle;
    int32_t CurrentKey = 0;
    std::array<int32_t, 2> SnapGrid{48, 12};
    int16_t EditedChangeIndex = 0;
    int32_t EditedChangeTick = 0;
    std::array<uint8_t, kKeyGroupCount> KeyRowOctaves{};
    app::KeyNoteMap KeyNoteMap{};
    // The word lists as read at start-up.
    StartupLists Lists;

    // ---- controls, containers before their contents ----------------------------------------
    // Song ruler with its markers, cursor lines and editor-window box.
    vb::PictureBox Picture1{this, "Picture1"};
    vb::ControlArray<vb::Label> Label6{Picture1.widget(), "Label6", 0, 39};
    vb::ControlArray<vb::Label> LabJP{Picture1.widget(), "LabJP", 0, 19};
    vb::ControlArray<vb::Label> Labdh{Picture1.widget(), "Labdh", 0, 19};
    vb::ControlArray<vb::Label> Label10{Picture1.widget(), "Label10", 0, 1};
    vb::Label Label14{Picture1.widget(), "Label14"};
    vb::Shape Shape2{Picture1.widget(), "Shape2"};
    vb::LineControl Line4{Picture1.widget(), "Line4"};
    vb::LineControl Line5{Picture1.widget(), "Line5"};
    vb::ScrollBar HScroll1{this, "HScroll1"};
    vb::ScrollBar HScroll2{this, "HScroll2"};

    // Command column and its five groups ("信息显示", "控制", "量化", "编辑", "系统").
    vb::PictureBox Picct{this, "Picct"};
    vb::ControlArray<vb::Frame> Frame1{Picct.widget(), "Frame1", 0, 4};
    // Labels of the command column and the settings panel: captions and value displays.
    vb::ControlArray<vb::Label> Label3{this, "Label3", {8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23,
                                                       24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 37, 38, 39, 40, 41, 42, 78}};
    vb::ControlArray<vb::CheckBox> Check3{Frame1[1].widget(), "Check3", 0, 2};
    vb::ControlArray<vb::ScrollBar> HScroll3{this, "HScroll3", 0, 10};
    vb::Label Label7{Frame1[1].widget(), "Label7"};
    vb::ControlArray<vb::ComboBox> Combo2{Frame1[2].widget(), "Combo2", 0, 1};
    vb::ControlArray<vb::CheckBox> Check4{Frame1[2].widget(), "Check4", 0, 1};
    vb::ControlArray<vb::CommandButton> Command4{Frame1[3].widget(), "Command4", 0, 11};
    vb::ControlArray<vb::CommandButton> Command2{Frame1[4].widget(), "Command2", 0, 26};
    vb::ControlArray<vb::CommandButton> Command10{Frame1[3].widget(), "Command10", {2, 4, 5}};
    vb::CommandButton Command14{Frame1[4].widget(), "Command14"};
    // Play toggle and stop button, over the "控制" group.
    vb::CheckBox Check2{this, "Check2", -1, true};
    vb::CommandButton Command3{this, "Command3"};

    // Track view: scroll bar, part header column, divider, track area with its two canvases.
    vb::ScrollBar VScroll1{this, "VScroll1", -1, true};
    vb::PictureBox Label1{this, "Label1"};
    vb::ControlArray<vb::Label> Label2{Label1.widget(), "Label2", 1, 8};
    vb::ControlArray<vb::CheckBox> Check1{Label1.widget(), "Check1", {1, 2, 3, 4, 5, 6, 7, 8, 21, 22, 23, 24, 25, 26, 27,
                                                                      28, 31, 32, 33, 34, 35, 36, 37, 38}};
    vb::ControlArray<vb::CommandButton> Command11{Label1.widget(), "Command11", 1, 8};
    vb::ControlArray<vb::Label> Label4{Label1.widget(), "Label4", {1, 2, 3, 4, 5, 6, 7, 8, 11, 12, 13, 14, 15, 16, 17, 18}};
    vb::ControlArray<vb::Label> Label11{Label1.widget(), "Label11", {1, 2, 3, 4, 5, 6, 7, 8, 11, 12, 13, 14, 15, 16, 17, 18}};
    vb::ControlArray<vb::Label> Label16{Label1.widget(), "Label16", 1, 8};
    vb::ControlArray<vb::Label> Labjq{Label1.widget(), "Labjq", 0, 8};
    vb::Label Label12{Label1.widget(), "Label12"};
    vb::TextBox Text4{Label1.widget(), "Text4"};
    vb::LineControl Line2{this, "Line2"};
    vb::PictureBox Picture3{this, "Picture3"};
    vb::ControlArray<vb::PictureBox> Picture4{Picture3.widget(), "Picture4", 0, 1};
    vb::ControlArray<vb::PictureBox> Picture5{Picture3.widget(), "Picture5", {1, 2, 3, 4, 5, 6, 7, 8, 10}};
    // Shape1(0) frames the current strip on the front canvas, Shape1(1) in the header column.
    vb::ControlArray<vb::Shape> Shape1{Picture4[0].widget(), "Shape1", 0, 1};

    // Piano roll: tool panel, ruler, keyboard, note canvas and their scroll bars.
    vb::PictureBox Picture9{this, "Picture9"};
    vb::CheckBox Chely{Picture9.widget(), "Chely", -1, true};
    vb::CheckBox Chegd{Picture9.widget(), "Chegd", -1, true};
    vb::CommandButton Command5{Picture9.widget(), "Command5"};
    vb::PictureBox Picture8{this, "Picture8"};
    vb::PictureBox Picture7{this, "Picture7"};
    vb::ControlArray<vb::Label> Label13{
        Picture7.widget(), "Label13",
        {0,  1,  2,  3,  4,  5,  6,  20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36,
         37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60,
         61, 62, 63, 64, 65, 66, 67, 68, 69, 70, 71, 72, 73, 74, 75, 76, 77, 78, 79, 80, 81, 82, 83, 84,
         85, 86, 87, 88, 89, 90, 91, 92, 93, 94, 95, 96, 97, 98, 99, 100, 101, 102, 103, 104, 105, 106, 107, 108}};
    vb::PictureBox Picture6{this, "Picture6"};
    vb::ControlArray<vb::Label> Labnot{Picture6.widget(), "Labnot", 0, 511};
    vb::ControlArray<vb::Label> Lably{Picture6.widget(), "Lably", 0, 255};
    vb::LineControl Line3{Picture6.widget(), "Line3"};
    vb::Shape Shape6{Picture6.widget(), "Shape6"};
    vb::ImageBox Image1{Picture6.widget(), "Image1"};
    vb::TextBox Text2{Picture6.widget(), "Text2"};
    vb::ScrollBar VScroll2{this, "VScroll2", -1, true};
    vb::ScrollBar VScroll3{this, "VScroll3", -1, true};
    vb::PictureBox Picture11{this, "Picture11"};  // note menu
    vb::PictureBox Picture12{this, "Picture12"};  // lyric-insert panel
    vb::ControlArray<vb::ComboBox> Combo7{this, "Combo7", 0, 2};
    vb::ComboBox Combo8{this, "Combo8"};
    vb::ListBox List3{this, "List3"};

    // Title block.
    vb::PictureBox Picture13{this, "Picture13"};
    vb::ControlArray<vb::Label> Label19{Picture13.widget(), "Label19", 0, 7};

    // Song-settings panel.
    vb::Frame Frame2{this, "Frame2"};
    vb::ControlArray<vb::TextBox> Text1{Frame2.widget(), "Text1", 0, 3};
    vb::ComboBox Combo1{Frame2.widget(), "Combo1"};
    vb::ControlArray<vb::ComboBox> Combo3{Frame2.widget(), "Combo3", 0, 2};
    vb::ControlArray<vb::CheckBox> Check6{Frame2.widget(), "Check6", 0, 1};
    // Change-point panels: time signature, tempo, key.
    vb::ControlArray<vb::PictureBox> Picture2{this, "Picture2", 0, 2};

    // System-settings panel and the keyboard-entry panel inside it.
    vb::Frame Frame3{this, "Frame3"};
    vb::ControlArray<vb::CheckBox> Check5{Frame3.widget(), "Check5", 0, 7};
    vb::ControlArray<vb::Label> Label15{Frame3.widget(), "Label15", 0, 12};
    vb::Label Label9{Frame3.widget(), "Label9"};
    vb::CommandButton Command1{Frame3.widget(), "Command1"};
    vb::PictureBox Picture14{Frame3.widget(), "Picture14"};
    vb::ControlArray<vb::Label> Labkeyt{Picture14.widget(), "Labkeyt", 0, 5};  // group captions
    vb::ControlArray<vb::Label> Labkey{Picture14.widget(), "Labkey", 0, 5};
    vb::ComboBox Combo5{Picture14.widget(), "Combo5"};

    // Typesetting panel: the controls start-up fills.
    vb::PictureBox Picture16{this, "Picture16"};
    vb::ComboBox Combo6{Picture16.widget(), "Combo6"};
    vb::ComboBox Combo9{Picture16.widget(), "Combo9"};
    vb::ComboBox Combo10{Picture16.widget(), "Combo10"};
    vb::ControlArray<vb::TextBox> Text9{Picture16.widget(), "Text9", 0, 5};
    vb::TextBox Text8{Picture16.widget(), "Text8"};
    vb::ControlArray<vb::Label> Label22{Picture16.widget(), "Label22", 0, 6};
    vb::FileListBox File1{Picture16.widget(), "File1"};
    vb::PictureBox Picture17{Picture16.widget(), "Picture17"};

    // MIDI import panel.
    vb::PictureBox Picture10{this, "Picture10"};
    vb::ComboBox Combo4{Picture10.widget(), "Combo4"};
    // MIDI import panel rows (form1_midi.cpp): Check7(r) the track, Label8(r) its data length (Tag: its
    // 1-based data position), Label17(r) its target part (Tag: the entry of Combo4); Check7(17) the
    // file's division.
    vb::ControlArray<vb::CheckBox> Check7{Picture10.widget(), "Check7", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12,
                                                                          13, 14, 15, 17}};
    vb::ControlArray<vb::Label> Label8{Picture10.widget(), "Label8", 0, 15};
    vb::ControlArray<vb::Label> Label17{Picture10.widget(), "Label17", 0, 15};

    // Timers.
    vb::Timer Timload{2000, true};
    vb::Timer Timer2{100, false};
    vb::Timer Timer3{100, false};
    vb::Timer Timer4{100, false};
    vb::Timer Timer5{5000, false};
    vb::Timer Timer6{30000, true};
    vb::Timer Timjp{0, false};
    vb::Timer Timly{10, false};
    vb::Timer Timdcjp{200, false};

    // The shared file, colour and font dialog.
    vb::CommonDialog CommonDialog1;

    // ---- track view and part headers (form1_trackview.cpp) ---------------------------------
    // "歌词段数": the number of lyric verses, 1..7 (typesetting panel).
    vb::ScrollBar HScroll4{Picture16.widget(), "HScroll4"};
    // The two canvases Picture4(0), Picture4(1); FrontCanvas above says which one is in front.
    editing::TrackViewCanvases TrackCanvases{Picture4[0].Canvas(), Picture4[1].Canvas()};
    // The strips as last stacked; its bottom is the drop boundary below the last strip.
    editing::StripLayout StripStack;
    // The reordering drag of the current part's strip (its marker is Picture5(10)).
    editing::StripDrag StripDragState;
    // ---- files: the project file and the file commands (form1_files.cpp) -------------------
    // The accompaniment file box of the song-settings panel; the project file keeps its text.
    vb::TextBox Text3{Frame2.widget(), "Text3"};
    // Offsets of the recordings in seconds: 0 the accompaniment, 1..8 the parts' own recordings.
    std::array<float, doc::kMaxParts + 1> AudioTimeOffsets{};
    // Folder of the project file last opened, ending in "/".
    QString ProjectFolder;
    // The typesetting values a project file carries that no control of the window holds yet; a save
    // writes back what the last load read.
    doc::ProjectExtras Extras;

    // ---- handlers and procedures -----------------------------------------------------------
    // form1.cpp
    void Command2_Click(int index);

    // form1_files.cpp
    void NewCommand();
    void NewProject();
    void ExitProgram();
    // The program is asked to end (SIGTERM, SIGINT): Exit without the save question and files.
    void EndBySignal();
    bool Exited() const { return exited_; }
    // Save (index 1): false when nothing was written (dialog cancelled, overwrite refused, failure).
    bool SaveCommand();
    void OpenCommand();
    // Writes the song to `path`; a failure is shown and changes nothing.
    bool SaveProjectFile(const QString& path);
    // Reads `path` and applies the song to the window; a damaged file is shown and changes nothing.
    bool LoadProjectFile(const QString& path);
    // The project file's extras as the controls show them.
    doc::ProjectExtras CurrentProjectExtras() const;

    // form1_settings.cpp
    void LoadSystemSettings();
    void SaveSystemSettings();
    void HScroll3_Change(int index);
    void Label15_Click(int index);
    void Command1_Click();

    // form1_keyboard.cpp
    void OpenKeyboardPanel();
    void ConfirmKeyboardPanel();
    void LoadKeySet();
    void SaveKeySet();
    void BuildKeyNoteMap();
    void Labkey_Click(int index);
    void Combo5_Click();

    // form1_timers.cpp
    void Timload_Timer();
    void Timer5_Timer();
    void Timer6_Timer();
    void Command2_MouseUp(int index);
    void Command4_MouseUp(int index);
    void Command5_MouseUp();
    void Picture1_MouseUp();
    void Picture10_Click();
    void Picture13_DblClick();

    // form1_midi.cpp: MIDI file import panel (the toolbar's open and import run Command4_OpenMidi and
    // Command4_ImportMidi) and MIDI export (Command2_ExportMidi).
    void Label17_Click(int row);
    void Combo4_Click();

    // Commands of the command column and the toolbar.
    void Command2_Save();
    void Command2_Open();
    void Command2_SongSettings(int index);
    void Command2_ChangePoint(int index);
    void Command2_ExportMidi();
    void Command2_ExportPages();
    void Command2_Print();
    void Command4_Click(int index);
    void Command4_OpenMidi();      // toolbar 4: open a MIDI file into the import panel
    void Command4_ImportMidi();    // toolbar 9: import the assigned tracks
    // Ctrl+R / Ctrl+T / Ctrl+V in the track view: open the time-signature (0), tempo (1) or key (2)
    // change-point panel for a new entry at the cursor.
    void OpenChangePointAtCursor(int kind);
    void ShowPartNames();
    void Command10_Click(int index);
    void Combo2_Click(int index);
    void Combo6_Click();
    void VScroll3_Change();
    void File1_Click();
    void Picture1_MouseDown(int button, int shift, double x, double y);
    void TypesetScorePages();
    void LayoutPageHeader();
    // The title block's fields for a page of geometry g.
    typeset::HeaderInput HeaderInputFor(const typeset::PageGeometry& g);
    void UpdatePositionDisplay();
    void UpdatePartPitchRange(int part);
    void ArrangePartStrips();
    void DrawPartRangeBands();
    void DrawTrackViewPage();
    void RefreshPianoRoll();
    void RebuildTimeline();
    void Timly_Timer();
    void Timdcjp_Timer();
    bool Form3_Visible();

    // form1_trackview.cpp: the track view's strips, canvases, part headers, mouse and keys, the
    // part commands of the header column and the title block.
    void ApplyStripLayout(const editing::StripLayout& layout);
    void ShowPartHeader(int part);
    void RefreshPartSlots();
    void Picture4_MouseDown(int index, int button, int shift, double x, double y);
    void Picture4_MouseMove(int index, int button, int shift, double x, double y);
    void Picture4_MouseUp(int index, int button, int shift, double x, double y);
    void Picture4_KeyDown(int index, int keyCode, int shift);
    void Label1_MouseDown(int button, int shift, double x, double y);
    void Label12_Click();
    void Label2_DblClick(int index);
    void Text4_KeyDown(int keyCode, int shift);
    void Label11_Click(int index);
    void Command11_Click(int index);
    void Label19_Click(int index);
    // The track view's scroll bar: the top of the strip band, the wheel step, the range and the move.
    static constexpr int kTrackViewTop = 45;
    static constexpr int kTrackViewWheelStep = 60;
    int TrackViewVisibleHeight() const;
    void UpdateTrackViewScroll();
    void VScroll1_Change();

    // form1_toolbar.cpp: the parts of the toolbar built with the track view.
    void Command4_PartAudioFile();
    void Command4_DeletePart();
    void Command4_NextVerse();
    // Toolbar targets of other windows.
    void Command4_PageWindow();    // 1: show or hide the page window
    void Command4_Editor();        // 5: show or hide the piano-roll editor
    void Picture6_KeyDown(int keyCode, int shift);

    // ---- learning playback (form1_playback.cpp) ---------------------------------------------
    playback::NoteMessages NoteTemplates;  // NoteOnTemplates and NoteOffTemplates
    // The player loop, and its state under the names the handlers use.
    playback::Player Player;
    std::vector<playback::PlayEvent>& PlayEvents = Player.PlayEvents;  // the event list of the last build
    int& NextEventIndex = Player.NextEventIndex;  // the next event to fire
    int16_t& IsPlaying = Player.IsPlaying;        // -1 while the player loop is to run
    // The loop's yield; tests set it to a step of a driven clock.
    std::function<void()>& PlaybackYield = Player.Yield;
    double PlayTick = 0;          // song position of the current turn
    double AnchorSeconds = 0;     // song time and tick of the last timing anchor
    int32_t AnchorTick = 0;
    int32_t FrontPageTick = 0;    // page start of the front track-view canvas
    int16_t PlayLineGap = 0;      // Line5 - Line4 at the start, restored at a pause
    int16_t CountInBeats = 0;     // count-in clicks still to play
    QString LastSentence;         // the sentence being played alone (its end in the last five digits)
    void BindPlaybackHandlers();
    void Check2_Click();
    void Command3_Click();
    void Check2_MouseUp();
    void Command3_MouseUp();
    void RunLearningPlayback();
    void WMP_StatusEvent(const QString& status);
    void Timer2_Timer();
    void Timer3_Timer();
    void Timer4_Timer();
    void Timjp_Timer();
    void PrepareNoteOnMessage(int part);
    void PrepareNoteOffMessages();
    void SendAllNotesOff();
    void PlayOrStopBySpace();

    // ---- song ruler, position display (form1_ruler.cpp), song settings and change points
    //      (form1_songsettings.cpp)
    double CursorSeconds = 0;     // CursorTick through the tempo map
    int32_t CursorTimeSig = 0;    // time-signature code in force at the cursor
    double CurrentTempo = 0;      // tempo in force at the cursor
    int16_t CurrentTempoIndex = 0;
    int32_t ReplayClickX = 0;     // a locate click made during playback, replayed by Timer2
    int16_t ReplayClickShift = 0;
    double OverviewScale = 0;     // ruler units per tick
    // The change panels Picture2(0..2) as last opened (their preset values and kept codes).
    std::array<doc::ChangePanel, 3> ChangePanels{};
    // Cursor lines of the piano roll: on its ruler and across its note canvas.
    vb::LineControl Line6{Picture8.widget(), "Line6"};
    vb::LineControl Line7{Picture6.widget(), "Line7"};
    void BindRulerHandlers();
    static constexpr double kKeyFontSize = 7.5;
    void ShowKeyText(const QString& text);
    void RedrawSongRuler();
    void Label10_MouseDown(int index, int button, int shift, double x, double y);
    void Picture8_MouseDown(int button, int shift, double x, double y);
    void HScroll1_Change();
    void HScroll2_Change();
    void BindSongSettingsHandlers();
    void LabJP_Click(int index);
    void Label6_Click(int index);
    void Labdh_Click(int index);
    void ShowChangePanel(const doc::ChangePanel& panel, double left);
    // Line breaks and the page window's markers.
    void ComputeLineBreaks();
    void MovePageMarker();
    void MovePageLoopStartMarker();
    void MovePageLoopEndMarker();

    // ---- typesetting panel, page setup and the page window (form1_typeset.cpp) --------------
    // "行高-音符", "行高-歌词", "不同声部行距+", "总行距离+", "音符密度:" and their value displays.
    vb::ControlArray<vb::ScrollBar> VScroll5{Picture16.widget(), "VScroll5", 0, 4, true};
    vb::ControlArray<vb::Label> Labvin{Picture16.widget(), "Labvin", 0, 4};
    vb::ControlArray<vb::OptionButton> Option1{Picture16.widget(), "Option1", 0, 1};  // "纵向", "横向"
    vb::ControlArray<vb::Label> Lack{Picture16.widget(), "Lack", 0, 1};               // "宽", "高"
    // "全页拼接", "有一个独立的声部", "提示小节", "奇偶对称".
    vb::ControlArray<vb::CheckBox> Check8{Picture16.widget(), "Check8", 0, 3};
    // Hidden: measures glyphs of the notation font at the digit size.
    vb::Label Label21{this, "Label21"};
    // The page geometry and the line table of the last page setup.
    typeset::PageGeometry Page;
    typeset::LineTable Lines;  // SystemStartTicks and LastSystem
    std::vector<typeset::SystemPlace> PlannedSystems;  // the page of each system
    int16_t PageNumberX = 0, PageNumberY = 0;
    // What the typesetter leaves for the page clicks and the player: one box per beat, the part of
    // each row of a system, the page showing the position marker.
    std::vector<typeset::BeatBox> BeatBoxes;
    std::vector<typeset::SystemPlace> DrawnSystems;  // where the systems the boxes belong to stand
    QString ScoreRowParts;
    int RowsPerSystem = 0;
    int32_t ScoreEndX = 0, ScoreEndY = 0;  // the end of the last system (its closing mark)
    // Keeps those from a typesetter run; the end of the last system only when it drew something.
    void KeepTypesetResult(const typeset::TypesetResult& r);
    int16_t MarkerPage = 0;
    // The typesetter's values from the panel, the samples, the pick lists and the key names.
    typeset::TypesetInput TypesetValues();
    void SetPageFrame(typeset::TypesetInput& in);
    // The printer of the print run under way (none outside one).
    vb::Surface* Printer = nullptr;
    // Where "打印" gets its printer, set up with the page setup's paper; nullptr: no printer. Tests
    // replace it (a PDF file, a recording surface, a failing printer).
    std::function<std::unique_ptr<vb::Surface>(const typeset::PaperSetup&)> PrinterFactory = &Form1::DefaultPrinter;
    static std::unique_ptr<vb::Surface> DefaultPrinter(const typeset::PaperSetup& paper);
    typeset::PaperSetup PaperSetupNow() const;
    // The header labels of the page window as the title block prints them.
    typeset::HeaderTexts HeaderTextsNow();
    // The score on the printer as one job; throws vb::PrinterError when the printer fails.
    void PrintScorePages(vb::Surface& printer);
    // Saves page n's image (n from 1) under the last export's name; a page that cannot be written
    // is remembered for the one message that ends the export.
    void SavePageImage(const QImage& image, int page);
    // The page window, created (hidden) on first reference.
    typeset::Form3& Form3();
    bool Form3Exists() const { return form3_ != nullptr; }
    void BindTypesetHandlers();
    void CreateTypesetPanel();
    void Option1_Click(int index);
    void VScroll5_Change(int index);
    void HScroll4_Change();
    void Label22_Click(int index);
    void Command10_MouseUp();
    // The page setup from the panel: geometry, line breaks, pages, strip, numbers, header and
    // textures as one step. Quiet: no message and no flags (a change of the song or of the
    // parts shown); false when the layout was refused and the old one kept.
    bool RunPageSetup(bool quiet);
    // The page setup with the panel's values again before a typesetting: lines and system places
    // for the notes as they are now, the page window kept where it was.
    void RefitPages();
    bool LayOutPages(bool quiet, bool keepView);
    bool layingOutPages_ = false;
    void PaintPageBackgrounds();
    typeset::PageSetupInput PanelValues() const;
    typeset::FontSpec SampleFont(int index) const;
    QSize SampleSize(int index) const;
    typeset::CategoryFonts CurrentCategoryFonts() const;
    int32_t MeasureGlyphWidth(const QString& text);
    int32_t GetNoteCellWidth(int32_t ticks) const;
    int32_t GetMaxPartNameWidth();
    void AddSpanSplitAtLines(SortList& list, int32_t start, int32_t end) const;
    void SetPartNameFontPage(int page);
    void SetExpressionFontPage(int page);
    void SetItalicExpressionFontPage(int page);
    void SetLyricFontPage(int page);
    void SetDigitFontPage(int page);
    void SetNotationFontPage(int page);
    void SetPartNameFontPrinter();
    void SetExpressionFontPrinter();
    void SetItalicExpressionFontPrinter();
    void SetLyricFontPrinter();
    void SetDigitFontPrinter();
    void SetNotationFontPrinter();
    // Page clicks: a plain click makes the row's part current and locates to the beat; an
    // Alt-click sets a loop point at a beat.
    void P3pCk(int page, double x, double y, int button);
    void P3pCkff(int page, double x, double y, int button);
    void Picpage_DblClick(int page);
    // The page window's position marker at the cursor's beat.
    void SetF3Jp();

    // ---- rehearsal: part switches, instruments, volumes, offsets, lyrics window
    //      (form1_rehearsal.cpp) -------------------------------------------------------------
    // "定位" (the accompaniment file) and the MIDI stop byte, beside the accompaniment box.
    vb::CommandButton Command6{Frame2.widget(), "Command6"};
    vb::CommandButton Command8{Frame2.widget(), "Command8"};
    void BindRehearsalHandlers();
    void Check1_Click(int index);
    void Check3_Click(int index);
    void Check3_MouseUp();
    void Chegd_Click();
    void Label16_Click(int index);
    void List3_Click();
    void List3_DblClick();
    void List3_MouseDown(int button);
    void Label4_MouseDown(int index, int button, double x);
    void Label4_MouseMove(int index, int buttons, double x);
    void Labjq_Click(int index);
    void Command6_Click();
    void Command8_Click();
    // The lyrics window, created (hidden) on first reference.
    playback::Form2& Form2();
    bool Form2Exists() const { return form2_ != nullptr; }
    void Command4_LyricsWindow();  // toolbar 0: show or hide the lyrics window
    void BuildSentenceLists(int part);
    void ClearSentenceList(int part);
    // The lyrics window shows the list of the part that became current in place of the old one's.
    void SwapLyricsWindowList(int oldPart, int newPart);
    // "合并下一句" and "分离" of the lyrics window, disabled while playing.
    void SetLyricsWindowButtonsEnabled(bool enabled);
    void MixNext();
    void FengLi();
    void PlayPart(const QString& pjpstr);

    // ---- piano roll (form1_pianoroll.cpp) ----------------------------------------------------
    vb::Shape Shape5{Picture6.widget(), "Shape5"};  // the new-note and label-drag outline
    vb::ControlArray<vb::Label> Label18{Picture11.widget(), "Label18", 0, editing::kNoteMenuItems - 1};
    uint8_t RollRowHeight = 19;
    uint8_t RollMouseRow = 0;
    int32_t RollMouseTick = 0;
    int32_t NewNoteLength = 24;
    int16_t SelectionActive = 0;
    int16_t NoteLabelCount = 0;
    int16_t RecordLabelCount = 0;
    std::array<int16_t, 109> NoteKeyDown{};
    double RollGridStepWidth = 0;
    double RollRulerScale = 0;
    QString NoteDragMode;
    int32_t AnchorNoteStart = 0;
    int32_t AnchorNoteLength = 0;
    int32_t MouseDownX = 0;
    int32_t MouseDownY = 0;
    QStringList NoteClipboard;  // Listfz
    bool rollCanvasPressed_ = false;  // the canvas itself, not a label on it, took the last press
    int drawPitch_ = 0;               // the note sounded by the press that began a drawing
    int labelSoundPitch_ = 0;         // the note sounded by a label press
    void BindPianoRollHandlers();
    // The canvas and the keyboard show from below the piano-roll ruler down to the title block (the
    // window's bottom once the title block is hidden); the scroll range reaches the lowest key.
    static constexpr int kPianoRollTop = 77;
    int TitleBlockTop() const;
    void UpdatePianoRollScroll();
    void LayoutPianoRoll();
    void DrawPianoRollGrid();
    void VScroll2_Change();
    void Label14_MouseDown(int button, int shift, double x, double y);
    void Label14_MouseMove(int button, int shift, double x, double y);
    void Label14_MouseUp(int button, int shift, double x, double y);
    void Picture1_DblClick();
    void Picture6_MouseDown(int button, int shift, double x, double y);
    void Picture6_MouseMove(int button, int shift, double x, double y);
    void Picture6_MouseUp(int button, int shift, double x, double y);
    void Picture6_KeyUp(int keyCode, int shift);
    void Picture6_LostFocus();
    void Labnot_MouseDown(int index, int button, int shift, double x, double y);
    void Labnot_MouseMove(int index, int button, int shift, double x, double y);
    void Labnot_MouseUp(int index, int button, int shift, double x, double y);
    void Labnot_DblClick(int index);
    void RefreshPhraseLabels(int part, int row);
    void Label13_MouseDown(int index, int button, int shift, double x, double y);
    void Label13_MouseUp(int index, int button, int shift, double x, double y);
    void PlaceNoteMenu(int x, int& y);
    void UpdateNoteMenuState();
    void Label18_MouseDown(int index, int button, int shift, double x, double y);
    void Label18_MouseMove(int index, int button, int shift, double x, double y);
    // The note messages of a part's channel from the playback templates.
    uint32_t NoteOnMessage(int part, int pitch);
    uint32_t NoteOffMessage(int part, int pitch);
    // The time-stretch bar and the timing tools (form1_recording.cpp).
    void PlaceStretchBar();
    void ShowStretchBar();
    void PlaceRecordedBars();
    bool RunTimingTool(int index);  // false when the user declined

    // ---- lyric and item entry (form1_lyrics.cpp) ------------------------------------------------
    // The lyric-insertion panel Picture12: the text, "覆盖", "单字模式" and its four buttons.
    vb::TextBox Text5{Picture12.widget(), "Text5"};
    vb::ControlArray<vb::CheckBox> Check9{Picture12.widget(), "Check9", 0, 1};
    vb::ControlArray<vb::CommandButton> Command7{Picture12.widget(), "Command7", 0, 3};
    bool keepEntryBox_ = false;      // a message of the entry box has the focus
    bool presettingCombo7_ = false;  // a mark list shows the entry's value: no choice
    void BindLyricHandlers();
    void Text2_KeyDown(int keyCode, int shift);
    void Text2_MouseDown(int button, int shift, double x, double y);
    void Text2_LostFocus();
    // The first opaque note label right of `reference`, paging the editor window on as needed.
    void WalkToNextNote(vb::Control& reference, const std::function<void(int)>& act);
    void EditNextLyric();
    void SelectNextNote();
    void OpenLyricInsertion();
    void Command7_Click(int index);
    void Combo7_Click(int index);
    void Combo7_LostFocus(int index);
    void Combo8_Click();
    void Command5_Click();

    // ---- keyboard recording, keyboard entry, timing tools, time stretch (form1_recording.cpp) ----
    // The time-stretch bar over the roll's ruler and the outline that follows its drag.
    vb::Label Label20{Picture8.widget(), "Label20"};
    vb::Shape Shape7{Picture8.widget(), "Shape7"};
    int16_t HeldPianoKey = 0;           // the key whose recorded note grows; 0 none
    editing::Recording RecordedNotes;   // the take since "●" was ticked
    int32_t SelectionStart = 0;         // the stretch bar's range: first and last selected start
    int32_t SelectionEnd = 0;
    int32_t EntryMarkRow = -1;          // the row keyboard entry re-pitches; -1 none
    // During playback a computer key's release waits this long: a press of the same key within it
    // is the keyboard's auto-repeat, and the key stays held (its end is the release's play tick).
    vb::Timer KeyReleaseGrace{25, false};
    std::array<int8_t, 109> DeferredKeyRound{};   // 0 none, 1 due at the next expiry, 2 the one after
    std::array<double, 109> DeferredKeyTick{};
    double ReleaseTick = -1;            // the play tick a recorded key ended at; -1 the present
    bool DeferKeyRelease(int note);
    bool ResumeDeferredKey(int note);
    void KeyReleaseGrace_Timer(bool all = false);  // all: every waiting release at once
    void BindRecordingHandlers();
    void Chely_Click();
    void Chely_MouseUp();
    // What a piano key does beyond sounding: record, or give its pitch to the marked note.
    void RecordOrEnterKey(int index);
    void ReleaseRecordedKey(int index);
    void Label20_MouseDown(int button, int shift, double x, double y);
    void Label20_MouseMove(int button, int shift, double x, double y);
    void Label20_MouseUp(int button, int shift, double x, double y);
    void StretchSelectedNotes(int shift);

    // MIDI output device 0; messages go nowhere while it is not open.
    void midiOutShortMsg(uint32_t message);
    // Where the program's files lie.
    QString ProgramPath(const QString& name) const;
    vb::Dialogs& Dialogs() const { return *services_.dialogs; }
    MediaPlayer& WMP() const { return *services_.wmp; }
    MediaPlayer* WMPS(int part) const { return part >= 1 && part <= 9 ? services_.wmps[part] : nullptr; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString pageImageBase_;  // the file name chosen by the last page-image export
    std::vector<int> failedPageImages_;  // pages of that export not written, in the order tried
    void CreateControls();
    void PlaceSystemGroup(int height);
    void BindHandlers();
    void BindSettingsHandlers();
    void BindKeyboardHandlers();
    void BindTimerHandlers();
    void BindToolbarHandlers();
    void BindPrintHandlers();
    void StartLearningPlayback();
    void PauseLearningPlayback();
    bool DispatchPlayEvent(const playback::PlayEvent& e);  // true: the loop ends
    bool PlayBeat(const playback::PlayEvent& e);
    void ScrollTrackViewWithPlay();
    // The seconds label and the play lines at the position of the turn at `seconds`.
    void ShowPlayPosition(double seconds);
    // What the player loop has not drawn yet, drawn now (Player.ShowPending).
    void ShowPendingPlayState();
    // Ends a count-in before its last beat: no more clicks, no playback.
    void StopCountIn();
    // The placeholder accompaniment: none.wav, or silence when it cannot be played, so the playback
    // clock always runs.
    void UsePlaceholderAccompaniment();
    // "无法播放音频文件:[…]，请选择其他的wav或mp3文件！" for the recording at `path`.
    void ReportUnplayable(const QString& path);
    // The output's and synthesizer's problems, once.
    void ReportAudioProblemsOnce();
    void JumpToLoopStart();
    // Stops, and 100 ms later plays again exactly from `tick`.
    void RestartExactlyAt(int32_t tick);
    // Stops, and holds the play toggle and the song ruler (the piano roll's ruler and its close
    // button) until their timer restarts playback 100 ms later.
    void StopForRestart(bool rollRuler);
    bool List3Open() const;
    void ParkList3();
    void RestartAfterLocate(bool rollRuler);
    void RestartWhenStopped(bool rollRuler);
    void LocateExactly(int32_t tick);
    void BindMidiHandlers();
    void CreateMidiPanel();
    void BindTrackViewHandlers();
    void BindFilesHandlers();
    bool AskToSaveFirst(bool withCancel);
    void StopAndCloseDevices();
    void Quit();
    void PlaceEditorWindowBox();
    void CloseChangePointPanels();
    void ApplyLoadedProject(doc::ProjectLoad& load);
    void CreateSettingsPanel();
    void CreateKeyboardPanel();
    void FillStartupLists();
    // The message of each word list that was missing or short, once the song is made.
    void ShowWordListProblems();
    void ApplyLyricFont(const QString& name, double size, bool bold, bool italic);
    SystemSettings CurrentSettings() const;

    Services services_;
    bool exited_ = false;
    bool presettingCombo5_ = false;
    int wheelRemainder_ = 0;  // wheel movement over the track view short of a whole notch
    QString midiImportPath_;  // the file the import panel lists; empty until one is opened
    std::unique_ptr<typeset::Form3> form3_;
    std::unique_ptr<playback::Form2> form2_;
    std::vector<std::unique_ptr<vb::Label>> panelCaptions_;  // captions of the typesetting panel
    // Learning playback.
    bool revertingPlayToggle_ = false;  // Check2 set back to 0 without a pause
    int pendingRestart_ = 0;            // 2 / 4: Timer2 / Timer4 fired while a loop ran
    int32_t exactRestartTick_ = -1;     // the loop jump restarts exactly here
    bool countInPlaced_ = false;        // the running count-in's clicks are placed
    bool audioProblemsShown_ = false;
};

// Moves a control into another container, keeping its place and visibility.
void MoveToContainer(vb::Control& control, QWidget* container);

}  // namespace app
