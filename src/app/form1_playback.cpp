// Learning playback: the play toggle "→" and the stop button "■", what the player loop
// (playback/player.h) shows of its position and what its events do in the window (tempo and key
// changes, beats with the page marker and the loop, the song end), the note message templates,
// the timers that restart after a locate, rewind after the end and click the count-in, and Space
// as the common play/stop key.
#include "app/form1.h"

#include <QTimer>
#include <cmath>

#include "document/timeline.h"
#include "platform/vbtext.h"
#include "playback/ruler.h"

namespace app {

namespace {

void SetCaptionIfChanged(vb::Label& label, const QString& text) {
    if (label.Caption() != text) label.SetCaption(text);
}

// Moves a vertical line to x, only when its pixel changes.
void MoveLineIfChanged(vb::LineControl& line, double x) {
    if (std::lround(line.X1()) == std::lround(x) && std::lround(line.X2()) == std::lround(x)) return;
    line.SetPoints(x, line.Y1(), x, line.Y2());
}

}  // namespace

void Form1::BindPlaybackHandlers() {
    Check2.Click = [this](int) { Check2_Click(); };
    Command3.Click = [this](int) { Command3_Click(); };
    Check2.MouseUp = [this](int, int, int, double, double) { Check2_MouseUp(); };
    Command3.MouseUp = [this](int, int, int, double, double) { Command3_MouseUp(); };
    Check2.widget()->setToolTip("学习模式播放");
    Command3.widget()->setToolTip("停止");
    Timer2.OnTimer = [this] { Timer2_Timer(); };
    Timer3.OnTimer = [this] { Timer3_Timer(); };
    Timer4.OnTimer = [this] { Timer4_Timer(); };
    Timjp.OnTimer = [this] { Timjp_Timer(); };
    WMP().SetStatusCallback([this](const QString& status) { WMP_StatusEvent(status); });
    Player.AccompanimentOffset = [this] { return double(AudioTimeOffsets[0]); };
    // The volume slider goes no lower than 1, so 0 can only mean the metronome is off.
    Player.Metronome = [this] {
        return Check3[kMetronomeSwitch].Value() == 1 ? HScroll3[kMetronomeVolumeSlider].Value() / 127.0 : 0.0;
    };
    Player.Turned = [this](double t) { PlayTick = (t - AnchorSeconds) * CurrentTempo * 0.8 + AnchorTick; };
    Player.ShowPosition = [this](double seconds) { ShowPlayPosition(seconds); };
    Player.ScrollTrackView = [this] { ScrollTrackViewWithPlay(); };
    Player.Fire = [this](const playback::PlayEvent& e) { return DispatchPlayEvent(e); };
}

// ---- note messages ------------------------------------------------------------------------------

void Form1::PrepareNoteOnMessage(int part) {
    if (part < 1 || part > doc::kMaxParts) return;
    NoteTemplates.PrepareNoteOn(part, CurrentKey, song->Parts[part].Volume, Check1[part + 20].Value() == 1);
}

void Form1::PrepareNoteOffMessages() { NoteTemplates.PrepareNoteOff(CurrentKey); }

uint32_t Form1::NoteOnMessage(int part, int pitch) { return NoteTemplates.NoteOn(part, pitch); }
uint32_t Form1::NoteOffMessage(int part, int pitch) { return NoteTemplates.NoteOff(part, pitch); }

void Form1::SendAllNotesOff() {
    for (uint32_t message : NoteTemplates.AllNotesOff(song->PartCount)) midiOutShortMsg(message);
}

// ---- play toggle and stop -------------------------------------------------------------------------

void Form1::Check2_Click() {
    if (revertingPlayToggle_) return;
    if (Picture6.Visible()) Picture6.SetFocus();
    if (Check2.Value() == 1) {
        // Ticked from code while a restart or the count-in holds the toggle: it stays unticked.
        if (!Check2.Enabled() || Player.Running()) {
            revertingPlayToggle_ = true;
            Check2.SetValue(0);
            revertingPlayToggle_ = false;
            return;
        }
        ReportAudioProblemsOnce();
        StartLearningPlayback();
    } else {
        PauseLearningPlayback();
    }
}

void Form1::StartLearningPlayback() {
    doc::Song& s = *song;
    Player.Cue(PlayMode == PlayMode::Idle, CursorSeconds, MidiDelay);

    SetLyricsWindowButtonsEnabled(false);
    for (int i : {6, 2, 0}) Command2[i].SetEnabled(false);
    HScroll3[kZoomSlider].SetEnabled(false);

    IsPlaying = -1;
    OverviewScale = s.SongLength > 0 ? Picture1.Width() / s.SongLength : 0;
    RollRulerScale = RollViewSpan > 0 ? Picture8.Width() / RollViewSpan : 0;
    Shape1[0].SetVisible(false);
    Line5.SetVisible(false);
    Command3.SetVisible(true);
    PlayLineGap = int16_t(vb::Round(Line5.X1() - Line4.X1()));

    if (PlayMode == PlayMode::Idle) {
        AnchorSeconds = CursorSeconds;
        WMP().SetCurrentPosition(AudioTimeOffsets[0] + CursorSeconds);
        const int verse = std::max(0, Combo8.ListIndex());
        for (int n = 1; n <= s.PartCount; ++n)
            if (MediaPlayer* player = WMPS(n))
                player->SetCurrentPosition(verse * s.SongSeconds + CursorSeconds + AudioTimeOffsets[size_t(n)]);
        FrontCanvas = 0;
        FrontPageTick = AnchorTick = s.CursorTick;
        PlayTick = s.CursorTick;
    }
    // The first beats' clicks are placed before the players start, so that a slow first turn of
    // the loop cannot make them late.
    Player.PlaceFirstClicks();
    PlayMode = PlayMode::Playing;
    WMP().Play();
    for (int n = 1; n <= s.PartCount; ++n)
        if (MediaPlayer* player = WMPS(n)) player->Play();

    RunLearningPlayback();

    // A restart that came due while the loop ran starts now that it has returned.
    if (const int which = pendingRestart_) {
        pendingRestart_ = 0;
        RestartAfterLocate(which == 4);
    }
}

void Form1::PauseLearningPlayback() {
    ShowPendingPlayState();  // where it stopped, before the lines are read and parked
    LastSentence.clear();
    IsPlaying = 0;
    WMP().Pause();
    for (int n = 1; n <= song->PartCount; ++n)
        if (MediaPlayer* player = WMPS(n)) player->Pause();
    if (services_.wave) services_.wave->CancelPending();  // the clicks placed beyond the pause
    SetLyricsWindowButtonsEnabled(true);
    for (int i : {6, 2, 0}) Command2[i].SetEnabled(true);
    Shape1[0].SetVisible(true);
    Command3.SetVisible(false);
    const double x = Line4.X1() + PlayLineGap;
    Line5.SetPoints(x, Line5.Y1(), x, Line5.Y2());
    Line5.SetVisible(true);
    HScroll3[kZoomSlider].SetEnabled(true);
    SendAllNotesOff();
}

void Form1::Command3_Click() {
    if (Picture6.Visible()) Picture6.SetFocus();
    Chely.SetValue(0);
    Check2.SetEnabled(true);
    Check2.SetValue(0);
    PlayMode = PlayMode::Stopped;
}

void Form1::Check2_MouseUp() {
    if (Picture6.Visible()) Picture6.SetFocus();
}

void Form1::Command3_MouseUp() {
    if (Picture6.Visible()) Picture6.SetFocus();
}

// Space plays, or stops while playing. The piano roll's other keys come with the piano roll.
// Space in the piano roll and the track view: play, or stop while playing.
void Form1::PlayOrStopBySpace() {
    if (Check2.Value() == 0 && Check2.Visible())
        Check2.SetValue(1);
    else if (Command3.Visible())
        Command3_Click();
}

// ---- the player loop --------------------------------------------------------------------------------

void Form1::RunLearningPlayback() { Player.Run(); }

void Form1::ShowPendingPlayState() { Player.ShowPending(); }

// The seconds label and the play lines at the turn's position.
void Form1::ShowPlayPosition(double seconds) {
    SetCaptionIfChanged(Label3[kSecondsLabel], vb::Format(seconds, "0.000"));
    MoveLineIfChanged(Line4, OverviewScale * PlayTick);
    const double rollX = (PlayTick - RollViewStart) * RollRulerScale;
    MoveLineIfChanged(Line6, rollX);
    MoveLineIfChanged(Line7, rollX);
}

// A beat, change or marker of the player: what it does in the window.
bool Form1::DispatchPlayEvent(const playback::PlayEvent& e) {
    using namespace playback;
    doc::Song& s = *song;
    switch (e.Kind) {
    case kTempoEvent: {
        const int k = std::clamp<int>(e.TempoIndex, 0, s.TempoLastIndex);
        CurrentTempoIndex = int16_t(k);
        CurrentTempo = s.TempoChangeBpm[size_t(k)];
        SetCaptionIfChanged(Label3[kTempoLabel], vb::Format(CurrentTempo, "0.000"));
        const int32_t tick = int32_t(vb::Round(s.TempoMapTicks[size_t(k)]));
        s.CursorTick = FrontPageTick = AnchorTick = tick;
        PlayTick = tick;
        AnchorSeconds = s.TempoMapSeconds[size_t(k)];
        FrontCanvas = 1;
        DrawTrackViewPage();
        FrontCanvas = 0;
        return false;
    }
    case kKeyEvent:
        CurrentKey = e.Data;
        PrepareNoteOffMessages();
        for (int p = 1; p <= doc::kMaxParts; ++p) PrepareNoteOnMessage(p);
        return false;
    case kBeatEvent:
    case kBarEvent: return PlayBeat(e);
    case kMarkerEvent:
        if (e.Data == 0) {  // the song end
            Command3_Click();
            PlayMode = PlayMode::Idle;
            Timer3.SetEnabled(true);
            return true;
        }
        if (!LastSentence.isEmpty()) {
            const int32_t endTick = int32_t(vb::Val(vb::Right(LastSentence, 5)));
            if (e.Time >= doc::TickToSeconds(s, endTick) - 0.1) {
                Command3_Click();
                return true;
            }
        }
        return false;
    default: return false;
    }
}

bool Form1::PlayBeat(const playback::PlayEvent& e) {
    // The loop end is the beat's own tick, however late this turn came.
    if (e.Tick == song->LoopEnd) {
        JumpToLoopStart();
        return true;
    }
    // The page marker onto the beat's box; a beat the score has no box for leaves it.
    const bool hasBox = e.BeatIndex >= 0 && e.BeatIndex < int(BeatBoxes.size());
    if (hasBox) {
        typeset::Form3& f3 = Form3();
        const typeset::BeatBox& box = BeatBoxes[size_t(e.BeatIndex)];
        if (f3.Shape2.Exists(MarkerPage)) f3.Shape2[MarkerPage].SetTop(-5000);
        MarkerPage = box.Page;
        if (f3.Shape2.Exists(MarkerPage)) {
            vb::Shape& marker = f3.Shape2[MarkerPage];
            marker.Move(box.X, box.Y, box.Width, marker.Height());
        }
    }
    // The metronome's click was placed ahead.
    if (e.Kind == playback::kBeatEvent) {
        SetCaptionIfChanged(Label3[kBeatLabel], QString::number(e.Number));
    } else {
        SetCaptionIfChanged(Label3[kBarLabel], QString::number(e.Number));
        SetCaptionIfChanged(Label3[kBeatLabel], "1");
    }
    if (Chegd.Value() == 1) {
        if (e.Kind == playback::kBarEvent && hasBox) {
            typeset::Form3& f3 = Form3();
            if (f3.Shape2.Exists(MarkerPage) && f3.Picpage.Exists(MarkerPage)) {
                const double top = f3.Shape2[MarkerPage].Top(), page = f3.Picpage[MarkerPage].Top();
                if (f3.Picjp.Top() + page + top != f3.MarkerCentreY) f3.FollowStripTo(f3.MarkerCentreY - top - page);
            }
        }
        if (Line6.X1() > RollScrollEdge) {
            Shape2.SetLeft(Line4.X1() - EditorScrollStep);
            Label14_MouseUp(1, 0, 0, 0);
        }
    }
    return false;
}

// The two canvases of the track view scroll under the play position; the back one gets the next
// page when the play reaches the page end.
void Form1::ScrollTrackViewWithPlay() {
    doc::Song& s = *song;
    const int front = FrontCanvas & 1;
    const double left = vb::Round((FrontPageTick - PlayTick) * TrackScale);
    const double width = Picture4[0].Width();
    if (Picture4[front].Left() != left) Picture4[front].SetLeft(left);
    double back = left + width;
    if (back > width) back = left - width;
    if (Picture4[1 - front].Left() != back) Picture4[1 - front].SetLeft(back);
    if (PlayTick >= s.CursorTick) {
        s.CursorTick += TrackPageSpan;
        DrawTrackViewPage();
    }
    if (PlayTick - FrontPageTick >= 48) {
        FrontPageTick = s.CursorTick;
        FrontCanvas = int16_t(1 - front);
    }
}

// ---- stop and restart ------------------------------------------------------------------------------

// The loop end: stop, and 100 ms later play again exactly from the loop start.
void Form1::JumpToLoopStart() {
    PlayMode = PlayMode::Idle;
    RestartExactlyAt(song->LoopStart);
}

void Form1::RestartExactlyAt(int32_t tick) {
    StopForRestart(Picture6.Visible());
    exactRestartTick_ = tick;
}

void Form1::StopForRestart(bool rollRuler) {
    Command3_Click();
    Check2.SetEnabled(false);
    if (rollRuler) {
        Picture8.SetEnabled(false);
        Command5.SetEnabled(false);
        Timer4.SetEnabled(true);
    } else {
        Picture1.SetEnabled(false);
        Timer2.SetEnabled(true);
    }
}

void Form1::LocateExactly(int32_t tick) {
    doc::Song& s = *song;
    PlayMode = PlayMode::Idle;
    s.CursorTick = std::clamp(tick, 0, std::max(0, s.SongLength));
    const double x = playback::TickToRulerX(s, s.CursorTick, Picture1.Width());
    Line4.SetPoints(x, Line4.Y1(), x, Line4.Y2());
    if (RollViewSpan > 0) {
        const double rx = double(s.CursorTick - RollViewStart) / RollViewSpan * Picture8.Width();
        Line6.SetPoints(rx, Line6.Y1(), rx, Line6.Y2());
        Line7.SetPoints(rx, Line7.Y1(), rx, Line7.Y2());
    }
    UpdatePositionDisplay();
    Picture4[0].SetLeft(0);
    Picture4[1].SetLeft(Picture3.Width());
}

void Form1::RestartAfterLocate(bool rollRuler) {
    if (exactRestartTick_ >= 0) {
        const int32_t tick = exactRestartTick_;
        exactRestartTick_ = -1;
        LocateExactly(tick);
    } else if (rollRuler) {
        Check2.SetEnabled(true);
        Picture8.SetEnabled(true);
        Picture8_MouseDown(1, ReplayClickShift, ReplayClickX, 0);
    } else {
        Picture1_MouseDown(1, ReplayClickShift, ReplayClickX, 0);
    }
    Check2.SetEnabled(true);
    if (rollRuler) {
        Picture8.SetEnabled(true);
        Command5.SetEnabled(true);
    } else {
        Picture1.SetEnabled(true);
    }
    Check2.SetValue(1);
}

// A playback still running is stopped; the restart waits until its loop has returned.
void Form1::RestartWhenStopped(bool rollRuler) {
    if (Player.Running()) {
        pendingRestart_ = rollRuler ? 4 : 2;
        if (IsPlaying) Command3_Click();
        return;
    }
    RestartAfterLocate(rollRuler);
}

void Form1::Timer2_Timer() {
    Timer2.SetEnabled(false);
    RestartWhenStopped(false);
}

void Form1::Timer4_Timer() {
    Timer4.SetEnabled(false);
    RestartWhenStopped(true);
}

// The end of the song: the cursor and the page window back to the start.
void Form1::Timer3_Timer() {
    Timer3.SetEnabled(false);
    Picture1_MouseDown(1, 0, 0, 0);
    if (Form3Exists()) {
        Form3().VScroll1.SetValue(0);
        Form3().Picjp.SetTop(0);
    }
    if (Picture6.Visible()) Picture8_MouseDown(1, 0, 0, 0);
}

// The count-in before a recording: a click per beat (the first of each bar "0.wav"), then play.
// The first tick places all the clicks on the output's clock, each on its beat, so a late tick
// never makes a late click; the ticks count the beats down and start playback after the last.
void Form1::Timjp_Timer() {
    if (CountInBeats != 0) {
        if (!countInPlaced_) {
            countInPlaced_ = true;
            const int perBar = std::max(1, int(vb::Val(Timjp.Tag)));
            const double beat = Timjp.Interval() / 1000.0;
            if (services_.wave)
                for (int k = 0; k < CountInBeats; ++k)
                    services_.wave->PlayIn(ProgramPath((CountInBeats - k) % perBar == 0 ? "0.wav" : "1.wav"),
                                           k * beat);
        }
        --CountInBeats;
        return;
    }
    countInPlaced_ = false;
    Timjp.SetEnabled(false);
    PlayMode = PlayMode::Idle;
    Check2.SetEnabled(true);
    Check2.SetValue(1);
}

void Form1::StopCountIn() {
    Timjp.SetEnabled(false);
    if (countInPlaced_ && services_.wave) services_.wave->CancelPending();
    countInPlaced_ = false;
}

// The accompaniment played to its end.
void Form1::WMP_StatusEvent(const QString& status) {
    if (status != mediastatus::Finished) return;
    Command3_Click();
    PlayMode = PlayMode::Idle;
    Timer3.SetEnabled(true);
}

}  // namespace app
