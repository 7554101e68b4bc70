// Learning playback: the play toggle "→" and the stop button "■", the player loop that follows the
// accompaniment's clock and fires the due events (notes, tempo and key changes, beats with the
// metronome, the page marker and the loop, the song end), the note message templates, the timers
// that restart after a locate, rewind after the end and click the count-in, and Space as the
// common play/stop key.
#include "app/form1.h"

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <cmath>

#include "document/timeline.h"
#include "platform/vbtext.h"
#include "playback/ruler.h"

namespace app {

namespace {

// How far ahead of the beat the metronome's click is placed: a turn of the player loop may come
// that much late (the window busy, the machine loaded) and the click still sounds on its sample.
constexpr double kClickLookAhead = 0.25;

// The play position is drawn at most this often (on the player's clock); the loop still sends
// what is due on every turn. A drawing of the window costs much the same however little moved
// (the track view is copied whole, the display's last output waited for, the new one flushed):
// 25 frames a second keep the track view moving and the seconds running steadily for well under
// half of what the display's 60 would cost.
constexpr double kFrameSeconds = 1.0 / 25;

// A frame due just before an event waits for it, so that drawing the window does not hold the
// event back: the event is sent on its own turn and the frame drawn after it. No frame waits
// longer than this past its time.
constexpr double kFrameWaitForEvent = 0.003;

// The shortest wait of the loop's yield: while the audio output is late the player's clock holds
// still short of the next turn's time, and the loop looks again this much later.
constexpr double kShortestWait = 0.00025;

// A wait longer than kLongWait ends kWakeEarly before the turn is due, and the loop waits the rest
// from there: waking from a long sleep can take a millisecond and more (the processor has gone into
// a deeper idle state, or a virtual machine's processor has been given up), from a short one it
// does not. The early turn finds nothing due and sends nothing.
constexpr double kLongWait = 0.003;
constexpr double kWakeEarly = 0.001;

// The first turn time, in the single precision the loop reads the clock in, at which a frame has
// passed since the one drawn at `shown`.
double FirstFrameAfter(double shown) {
    float at = float(shown + kFrameSeconds);
    while (double(at) - shown < kFrameSeconds) at = std::nextafter(at, HUGE_VALF);
    return at;
}

// Whether the frame after the one drawn at `shown` waits for an event due at `event` (before the
// frame or just after it), taking that event's turn.
bool FrameWaitsFor(double shown, float event) { return double(event) - FirstFrameAfter(shown) < kFrameWaitForEvent; }

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
    playbackWake_ = new WakeTimer(this);
}

// ---- note messages ------------------------------------------------------------------------------

void Form1::midiOutShortMsgDue(uint32_t message, double lateSeconds) {
    if (MidiOutHandle != 0 && services_.midi) services_.midi->ShortMsgDue(message, lateSeconds);
}

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
        if (!Check2.Enabled() || playLoops_ > 0) {
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
    if (s.PlayEventsStale) {
        PlayEvents = playback::BuildPlaybackEvents(s, MidiDelay);
        // A resume goes on after the song time it paused at, in the new list.
        if (PlayMode != 0) {
            NextEventIndex = int(PlayEvents.size());
            for (size_t i = 0; i < PlayEvents.size(); ++i)
                if (float(PlayEvents[i].Time) > float(lastTurnSeconds_)) {
                    NextEventIndex = int(i);
                    break;
                }
        }
    }
    if (PlayMode == 0) {
        // From the first event the notes at the cursor need (they go out MidiDelay early); the
        // beats and changes before the cursor are not fired.
        const int first = playback::FirstEventAtOrAfter(PlayEvents, CursorSeconds - MidiDelay);
        if (first < int(PlayEvents.size())) NextEventIndex = first;
        skipNonNotesBefore_ = CursorSeconds;
        lastTurnSeconds_ = CursorSeconds;
    }
    s.PlayEventsStale = 0;

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

    if (PlayMode == 0) {
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
    nextClickIndex_ = NextEventIndex;
    ScheduleClicksAhead(lastTurnSeconds_);
    PlayMode = 6;
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
    PlayMode = 5;
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

// Pending events first; when none is left, wait for more: input, the window's timers, or the wake-up
// armed for the loop's next turn.
void Form1::DefaultPlaybackYield() {
    if (yieldMayWait_) {
        double wait = std::max(kShortestWait, playbackWakeSeconds_ - playbackClockSeconds_);
        if (wait > kLongWait) wait -= kWakeEarly;
        playbackWake_->WakeAt(playbackClockRead_ + std::chrono::nanoseconds(int64_t(wait * 1e9)));
    }
    QCoreApplication::processEvents(yieldMayWait_ ? QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents
                                                  : QEventLoop::AllEvents);
}

// The first moment on the player's clock at which the loop has something to do: the next event
// due, the next frame of its position, or the next click to place ahead. Between these a turn
// would find nothing to send or draw.
double Form1::NextPlaybackTurnSeconds() const {
    double next = FirstFrameAfter(shownSeconds_);
    const int count = int(PlayEvents.size());
    if (NextEventIndex >= 0 && NextEventIndex < count) {
        const float event = float(PlayEvents[size_t(NextEventIndex)].Time);
        if (FrameWaitsFor(shownSeconds_, event)) next = event;
    }
    if (nextClickIndex_ >= 0 && nextClickIndex_ < count)
        next = std::min(next, PlayEvents[size_t(nextClickIndex_)].Time - kClickLookAhead);
    return next;
}

void Form1::RunLearningPlayback() {
    ++playLoops_;
    const bool realYield = !PlaybackYield;
    yieldMayWait_ = false;
    bool anyFrame = false;  // this loop has drawn its position once
    while (IsPlaying) {
        if (realYield)
            DefaultPlaybackYield();
        else
            PlaybackYield();
        // A stop or locate in the yield ends the turn: nothing goes out after its sweep.
        if (!IsPlaying) break;

        playbackClockRead_ = WakeTimer::Clock::now();
        playbackClockSeconds_ = WMP().CurrentPosition() - AudioTimeOffsets[0];
        const float t = float(playbackClockSeconds_);
        lastTurnSeconds_ = t;
        ScheduleClicksAhead(t);
        PlayTick = (t - AnchorSeconds) * CurrentTempo * 0.8 + AnchorTick;
        // A turn draws when a frame has passed on the player's clock (or the clock went back), and
        // before the first event that is not a note: beats, changes and markers read and move what
        // is shown, so they find it as of this turn.
        positionPending_ = true;
        bool frame = !anyFrame || t < shownSeconds_ ||
                     (t - shownSeconds_ >= kFrameSeconds && !FrameWaitsForEvent(t));
        if (frame) ShowPlayPosition();

        bool ended = false;
        while (IsPlaying && NextEventIndex >= 0 && NextEventIndex < int(PlayEvents.size()) &&
               float(PlayEvents[size_t(NextEventIndex)].Time) <= t) {
            const playback::PlayEvent e = PlayEvents[size_t(NextEventIndex)];
            if (!frame && !playback::IsNoteOn(e.Kind) && !playback::IsNoteOff(e.Kind)) {
                frame = true;
                ShowPlayPosition();
            }
            ++NextEventIndex;
            if (DispatchPlayEvent(e)) {
                ended = true;
                break;
            }
        }
        if (ended || !IsPlaying) break;
        anyFrame = anyFrame || frame;
        if (frame) {
            trackScrollPending_ = false;
            ScrollTrackViewWithPlay();
        } else {
            trackScrollPending_ = true;
        }
        // The next turn comes when something is due; until then the yield may wait.
        playbackWakeSeconds_ = NextPlaybackTurnSeconds();
        yieldMayWait_ = true;
    }
    if (realYield) playbackWake_->Cancel();
    --playLoops_;
}

// Whether the frame due at this turn (at `t`) waits for the first event after it.
bool Form1::FrameWaitsForEvent(float t) const {
    const int count = int(PlayEvents.size());
    for (int i = std::max(0, NextEventIndex); i < count; ++i) {
        const float event = float(PlayEvents[size_t(i)].Time);
        if (event > t) return FrameWaitsFor(shownSeconds_, event);
    }
    return false;
}

// The seconds label and the play lines at the last turn's position.
void Form1::ShowPlayPosition() {
    positionPending_ = false;
    shownSeconds_ = lastTurnSeconds_;
    SetCaptionIfChanged(Label3[19], vb::Format(lastTurnSeconds_, "0.000"));
    MoveLineIfChanged(Line4, OverviewScale * PlayTick);
    const double rollX = (PlayTick - RollViewStart) * RollRulerScale;
    MoveLineIfChanged(Line6, rollX);
    MoveLineIfChanged(Line7, rollX);
}

void Form1::ShowPendingPlayState() {
    if (positionPending_) ShowPlayPosition();
    if (trackScrollPending_) {
        trackScrollPending_ = false;
        ScrollTrackViewWithPlay();
    }
}

bool Form1::DispatchPlayEvent(const playback::PlayEvent& e) {
    using namespace playback;
    doc::Song& s = *song;
    if (IsNoteOn(e.Kind)) {
        midiOutShortMsgDue(NoteTemplates.NoteOn(e.Kind, e.Data), lastTurnSeconds_ - e.Time);
        return false;
    }
    if (IsNoteOff(e.Kind)) {
        midiOutShortMsgDue(NoteTemplates.NoteOff(e.Kind - 20, e.Data), lastTurnSeconds_ - e.Time);
        return false;
    }
    // A fresh start fires no beat, change or marker before the cursor (only the early notes).
    if (float(e.Time) < float(skipNonNotesBefore_)) return false;
    switch (e.Kind) {
    case kTempoEvent: {
        const int k = std::clamp<int>(e.TempoIndex, 0, s.TempoLastIndex);
        CurrentTempoIndex = int16_t(k);
        CurrentTempo = s.TempoChangeBpm[size_t(k)];
        SetCaptionIfChanged(Label3[16], vb::Format(CurrentTempo, "0.000"));
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
            PlayMode = 0;
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
    // The metronome's click was placed ahead (ScheduleClicksAhead).
    if (e.Kind == playback::kBeatEvent) {
        SetCaptionIfChanged(Label3[14], QString::number(e.Number));
    } else {
        SetCaptionIfChanged(Label3[13], QString::number(e.Number));
        SetCaptionIfChanged(Label3[14], "1");
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

// The metronome's clicks are placed ahead like the notes: each beat due within kClickLookAhead of
// the turn goes to the click player now, to sound when the accompaniment plays the beat's sample,
// so a late turn never makes a late click. The bar start plays "1.wav", the other beats "0.wav";
// the beat at the loop end, where playback jumps back, has none.
void Form1::ScheduleClicksAhead(double t) {
    const int count = int(PlayEvents.size());
    while (nextClickIndex_ >= 0 && nextClickIndex_ < count &&
           PlayEvents[size_t(nextClickIndex_)].Time <= t + kClickLookAhead) {
        const playback::PlayEvent& e = PlayEvents[size_t(nextClickIndex_++)];
        if (e.Kind != playback::kBeatEvent && e.Kind != playback::kBarEvent) continue;
        if (float(e.Time) < float(skipNonNotesBefore_) || e.Tick == song->LoopEnd) continue;
        if (Check3[1].Value() == 1) PlayClick(e.Kind == playback::kBarEvent ? "1.wav" : "0.wav", e.Time);
    }
}

void Form1::RescheduleClicks() {
    if (!IsPlaying) return;
    if (services_.wave) services_.wave->CancelPending();
    nextClickIndex_ = NextEventIndex;
}

// A metronome click at the volume of "节拍器音量:", at song time `seconds` on the accompaniment's
// clock; a missing click file stays silent.
void Form1::PlayClick(const QString& file, double seconds) {
    WavePlayer* wave = services_.wave;
    if (!wave) return;
    const double volume = HScroll3[kMetronomeVolumeSlider].Value() / 127.0;
    if (volume != clickVolume_) {
        wave->SetVolume(volume);
        clickVolume_ = volume;
    }
    wave->PlayAtClock(ProgramPath(file), seconds + AudioTimeOffsets[0]);
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
    PlayMode = 0;
    RestartExactlyAt(song->LoopStart);
}

void Form1::RestartExactlyAt(int32_t tick) {
    const bool roll = Picture6.Visible();
    Command3_Click();
    exactRestartTick_ = tick;
    Check2.SetEnabled(false);
    if (roll) {
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
    PlayMode = 0;
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
    if (playLoops_ > 0) {
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
    PlayMode = 0;
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
    PlayMode = 0;
    Timer3.SetEnabled(true);
}

}  // namespace app
