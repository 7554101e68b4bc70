// The song ruler Picture1 across the top of the window: its drawing with the change markers, the
// cursor line and the loop markers; locating the cursor and setting the loop with a click; its
// scroll bar and zoom; the piano-roll ruler's locate; and the position display of the command
// column at the cursor.
#include "app/form1.h"

#include "document/timeline.h"
#include "platform/vbtext.h"
#include "playback/position.h"
#include "playback/ruler.h"
#include "playback/rulerdraw.h"
#include "typeset/metrics.h"

namespace app {

namespace {

// The rows of the marker pools on the 36-pixel ruler: time signatures over the bar lines at the
// top, keys in the row of the bar numbers (key changes are the rarest), tempi along the bottom edge
// so that the bar numbers printed at y 12 stay readable. kBottomRow stands for "the ruler's height
// less the marker's height".
constexpr double kRulerHeight = 36;
constexpr double kBottomRow = -1;
constexpr double kTimeSigMarkerTop = 0;
constexpr double kKeyMarkerTop = 12;
constexpr double kTempoMarkerTop = kBottomRow;
// The zoom of the ruler, in screen widths.
constexpr int kRulerZoomMin = 1;
constexpr int kRulerZoomMax = 10;

void PlaceMarkers(vb::ControlArray<vb::Label>& pool, const std::vector<doc::RulerMarker>& markers) {
    std::vector<bool> shown(size_t(pool.UBound() + 1), false);
    for (const doc::RulerMarker& m : markers) {
        if (!pool.Exists(m.index)) continue;
        vb::Label& label = pool[m.index];
        label.SetLeft(m.x);
        label.SetCaption(m.caption);
        label.SetVisible(true);
        shown[size_t(m.index)] = true;
    }
    pool.ForEach([&](int i, vb::Label& label) {
        if (!shown[size_t(i)]) label.SetVisible(false);
    });
}

}  // namespace

// The key of the position display keeps to one line on its row, in a smaller font than the other
// values and starting nearer its caption; a name too long for the row (a key an octave lower, "低bB调
// (+10)") shows without its spaces in the same font.
void Form1::ShowKeyText(const QString& text) {
    vb::Label& key = Label3[kKeyLabel];
    QString shown = text;
    if (typeset::LabelTextSize({key.FontName(), key.FontSize()}, shown).width() > key.Width()) shown.remove(' ');
    key.SetCaption(shown);
}

void Form1::BindRulerHandlers() {
    const std::pair<vb::ControlArray<vb::Label>*, double> pools[] = {
        {&LabJP, kTimeSigMarkerTop}, {&Label6, kTempoMarkerTop}, {&Labdh, kKeyMarkerTop}};
    const vb::Colour backs[] = {0xC0FFC0, 0xC0FFFF, 0xFFE0C0};
    for (int k = 0; k < 3; ++k) {
        pools[k].first->ForEach([&](int, vb::Label& label) {
            label.SetFontSize(7.5);
            label.SetAutoSize(true);
            label.SetBackColor(backs[k]);
            label.SetTop(pools[k].second == kBottomRow ? kRulerHeight - label.Height() : pools[k].second);
            label.SetVisible(false);
        });
    }
    // The ruler is as wide as the screen until the zoom widens it.
    HScroll1.SetMin(0);
    HScroll1.SetMax(0);
    HScroll2.SetMin(kRulerZoomMin);
    HScroll2.SetMax(kRulerZoomMax);
    HScroll2.SetValue(kRulerZoomMin);
    HScroll2.SetSmallChange(1);
    HScroll2.SetLargeChange(1);

    Line6.SetPoints(0, 0, 0, 32);
    Line6.SetBorderColor(0x0000FF);
    Line7.SetPoints(0, 0, 0, 768);
    Line7.SetBorderColor(0x0000FF);

    Picture1.MouseDown = [this](int, int button, int shift, double x, double y) { Picture1_MouseDown(button, shift, x, y); };
    Picture8.MouseDown = [this](int, int button, int shift, double x, double y) { Picture8_MouseDown(button, shift, x, y); };
    Label10.Bind(&vb::Control::MouseDown,
                 [this](int i, int button, int shift, double x, double y) { Label10_MouseDown(i, button, shift, x, y); });
    HScroll1.Change = [this](int) { HScroll1_Change(); };
    HScroll2.Change = [this](int) { HScroll2_Change(); };
}

// The change lists, the tempo map and the song length, then the ruler drawn anew.
void Form1::RebuildTimeline() {
    doc::RebuildTimeline(*song, Check3[kLoopSwitch].Value() == 1);
    RedrawSongRuler();
}

// Bars, beats and bar numbers, the change markers, the cursor line and the loop markers for the
// timeline as it stands.
void Form1::RedrawSongRuler() {
    const double width = Picture1.Width();
    const doc::RulerMarks marks = playback::DrawSongRuler(Picture1.Canvas(), *song, width);
    PlaceMarkers(Labdh, marks.keys);
    PlaceMarkers(LabJP, marks.timeSigs);
    PlaceMarkers(Label6, marks.tempos);
    Picture1.Refresh();
    Line4.SetPoints(marks.cursorX, Line4.Y1(), marks.cursorX, Line4.Y2());
    Label10[0].SetLeft(marks.loopStartLeft);
    Label10[1].SetLeft(marks.loopEndLeft);
}

// A press on the song ruler: the loop points with a modifier held, else the editor-window box
// while the piano roll is shown, else the cursor.
void Form1::Picture1_MouseDown(int button, int shift, double x, double) {
    Picture11.SetTop(-5000);
    const double width = Picture1.Width();
    const playback::RulerClick click =
        playback::DecideSongRulerClick(button, shift, PlayMode, Check3[kLoopSwitch].Value() == 1, Picture6.Visible());
    PlayMode = click.PlayMode;
    switch (click.Action) {
    case playback::RulerAction::SetLoopStart:
        song->LoopStart = playback::LoopStartAt(*song, x, width);
        Label10[0].SetLeft(playback::LoopStartMarkerLeft(*song, width));
        MovePageLoopStartMarker();
        break;
    case playback::RulerAction::SetLoopEnd:
        song->LoopEnd = playback::LoopEndAt(*song, x, width);
        Label10[1].SetLeft(playback::LoopEndMarkerLeft(*song, width));
        MovePageLoopEndMarker();
        break;
    case playback::RulerAction::PlaceEditorBox:
        Label14.SetLeft(playback::EditorBoxLeftAt(button, x, Label14.Width(), width));
        RefreshPianoRoll();
        break;
    case playback::RulerAction::StopAndReplay:
        ReplayClickX = int32_t(vb::Round(x));
        ReplayClickShift = int16_t(shift);
        StopForRestart(false);
        break;
    case playback::RulerAction::Locate: {
        song->CursorTick = playback::SongRulerClickTick(*song, x, width, SnapGrid[0]);
        const double cx = playback::TickToRulerX(*song, song->CursorTick, width);
        Line4.SetPoints(cx, Line4.Y1(), cx, Line4.Y2());
        UpdatePositionDisplay();
        // The track view shows the page at the cursor from its left edge.
        Picture4[0].SetLeft(0);
        Picture4[1].SetLeft(Picture3.Width());
        break;
    }
    case playback::RulerAction::None: break;
    }
}

// A press on the piano-roll ruler locates the cursor inside the editor window (Ctrl: off the grid).
void Form1::Picture8_MouseDown(int button, int shift, double x, double) {
    Picture11.SetTop(-5000);
    const playback::RulerClick click = playback::DecideRollRulerClick(button, PlayMode);
    PlayMode = click.PlayMode;
    if (click.Action == playback::RulerAction::StopAndReplay) {
        ReplayClickX = int32_t(vb::Round(x));
        ReplayClickShift = int16_t(shift);
        StopForRestart(true);
        return;
    }
    if (click.Action != playback::RulerAction::Locate) return;
    const double rollWidth = Picture8.Width();
    song->CursorTick =
        playback::RollRulerClickTick(*song, x, rollWidth, RollViewStart, RollViewSpan, SnapGrid[0], shift);
    const double rx = RollViewSpan > 0 ? double(song->CursorTick - RollViewStart) / RollViewSpan * rollWidth : 0;
    Line6.SetPoints(rx, Line6.Y1(), rx, Line6.Y2());
    Line7.SetPoints(rx, Line7.Y1(), rx, Line7.Y2());
    const double cx = playback::TickToRulerX(*song, song->CursorTick, Picture1.Width());
    Line4.SetPoints(cx, Line4.Y1(), cx, Line4.Y2());
    UpdatePositionDisplay();
}

// The loop markers take an Alt+click as a loop click on the ruler at the same place.
void Form1::Label10_MouseDown(int index, int button, int shift, double x, double) {
    if ((shift & 4) == 0) return;
    Picture1_MouseDown(button, shift, Label10[index].ContainerX(x), 0);
}

// What is in force at the cursor, in the position labels and the state the player and the
// track view read; the track view, the note templates and the page marker follow.
void Form1::UpdatePositionDisplay() {
    doc::Song& s = *song;
    const double width = Picture1.Width();
    TrackPageEnd = playback::TrackPageMarkTick(s.CursorTick, HScroll3[0].Value());
    const double pageEndX = playback::TickToRulerX(s, TrackPageEnd, width);
    Line5.SetPoints(pageEndX, Line5.Y1(), pageEndX, Line5.Y2());
    TrackPageEnd = s.CursorTick + TrackPageSpan;

    const playback::PositionDisplay d = playback::PositionAt(s, s.CursorTick);
    CurrentTempo = d.CurrentTempo;
    CurrentTempoIndex = int16_t(d.CurrentTempoIndex);
    CurrentKey = d.CurrentKey;
    CursorTimeSig = d.CursorTimeSig;
    CursorSeconds = d.CursorSeconds;
    Label3[kTempoLabel].SetCaption(d.TempoText);
    ShowKeyText(d.KeyText);
    Label3[kTimeSigLabel].SetCaption(d.TimeSigText);
    Label3[kBarLabel].SetCaption(d.BarText);
    Label3[kBeatLabel].SetCaption(d.BeatText);
    Label3[kSecondsLabel].SetCaption(d.SecondsText);

    ArrangePartStrips();
    FrontCanvas = 1;
    DrawTrackViewPage();
    PrepareNoteOffMessages();
    for (int p = 1; p <= doc::kMaxParts; ++p) PrepareNoteOnMessage(p);
    MovePageMarker();
}

// The ruler's scroll bar moves the ruler under the window.
void Form1::HScroll1_Change() { Picture1.SetLeft(-HScroll1.Value()); }

// The zoom: the ruler becomes that many screens wide, drawn anew, and scrolled so that the cursor
// line stays where it was on the screen as far as the ruler's ends allow.
void Form1::HScroll2_Change() {
    ShowPendingPlayState();
    const playback::RulerZoom z = playback::ZoomSongRuler(*song, ScreenWidthPx, HScroll2.Value(), Picture1.Left(),
                                                          Line4.X1(), RollViewStart, RollViewEnd);
    Picture1.SetWidth(z.RulerWidth);
    HScroll1.SetMax(int(z.ScrollMax));
    RebuildTimeline();
    HScroll1.SetValue(int(z.ScrollValue));
    Picture1.SetLeft(-HScroll1.Value());
    Label14.Move(z.EditorBoxLeft, Label14.Top(), z.EditorBoxWidth, Label14.Height());
    Shape2.Move(z.EditorBoxLeft, 0, z.EditorBoxWidth, Shape2.Height());
    OverviewScale = z.OverviewScale;
}

}  // namespace app
