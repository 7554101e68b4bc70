#include "playback/player.h"

#include <QCoreApplication>
#include <QDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <utility>

namespace playback {

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

}  // namespace

Player::Player(doc::Song& song, MediaPlayer& accompaniment, MidiOut* midi, WavePlayer* clicks,
               NoteMessages& notes, QString programDir)
    : song_(song), accompaniment_(accompaniment), midi_(midi), clicks_(clicks), notes_(notes),
      programDir_(std::move(programDir)) {}

void Player::Cue(bool fresh, double cursorSeconds, double midiDelay) {
    doc::Song& s = song_;
    if (s.PlayEventsStale) {
        PlayEvents = BuildPlaybackEvents(s, midiDelay);
        // A resume goes on after the song time it paused at, in the new list.
        if (!fresh) {
            NextEventIndex = int(PlayEvents.size());
            for (size_t i = 0; i < PlayEvents.size(); ++i)
                if (float(PlayEvents[i].Time) > float(lastTurnSeconds_)) {
                    NextEventIndex = int(i);
                    break;
                }
        }
    }
    if (fresh) {
        const int first = FirstEventAtOrAfter(PlayEvents, cursorSeconds - midiDelay);
        if (first < int(PlayEvents.size())) NextEventIndex = first;
        skipNonNotesBefore_ = cursorSeconds;
        lastTurnSeconds_ = cursorSeconds;
    }
    s.PlayEventsStale = 0;
}

void Player::PlaceFirstClicks() {
    nextClickIndex_ = NextEventIndex;
    ScheduleClicksAhead(lastTurnSeconds_);
}

// A note of the player, `lateSeconds` past its due time: device 0 places it by that time.
void Player::SendDue(uint32_t message, double lateSeconds) {
    if (midi_ && midi_->IsOpen()) midi_->ShortMsgDue(message, lateSeconds);
}

// ---- the player loop --------------------------------------------------------------------------------

// Pending events first; when none is left, wait for more: input, the window's timers, or the wake-up
// armed for the loop's next turn.
void Player::DefaultYield() {
    if (yieldMayWait_)
        playbackWake_.WakeAt(playbackClockRead_ + std::chrono::nanoseconds(int64_t(WaitBeforeNextTurn() * 1e9)));
    QCoreApplication::processEvents(yieldMayWait_ ? QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents
                                                  : QEventLoop::AllEvents);
}

double Player::WaitBeforeNextTurn() const {
    double wait = std::max(kShortestWait, playbackWakeSeconds_ - playbackClockSeconds_);
    if (wait > kLongWait) wait -= kWakeEarly;
    return wait;
}

// Between the next event due, the next frame and the next click to place, a turn would find
// nothing to send or draw.
double Player::NextTurnSeconds() const {
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

void Player::Run() {
    ++playLoops_;
    const bool realYield = !Yield;
    yieldMayWait_ = false;
    bool anyFrame = false;  // this loop has drawn its position once
    while (IsPlaying) {
        if (realYield)
            DefaultYield();
        else
            Yield();
        // A stop or locate in the yield ends the turn: nothing goes out after its sweep.
        if (!IsPlaying) break;

        playbackClockRead_ = WakeTimer::Clock::now();
        playbackClockSeconds_ = accompaniment_.CurrentPosition() - AccompanimentOffset();
        const float t = float(playbackClockSeconds_);
        lastTurnSeconds_ = t;
        ScheduleClicksAhead(t);
        Turned(t);
        // A turn draws when a frame has passed on the player's clock (or the clock went back), and
        // before the first event that is not a note: beats, changes and markers read and move what
        // is shown, so they find it as of this turn.
        positionPending_ = true;
        bool frame = !anyFrame || t < shownSeconds_ ||
                     (t - shownSeconds_ >= kFrameSeconds && !FrameWaitsForEvent(t));
        if (frame) ShowTurnPosition();

        bool ended = false;
        while (IsPlaying && NextEventIndex >= 0 && NextEventIndex < int(PlayEvents.size()) &&
               float(PlayEvents[size_t(NextEventIndex)].Time) <= t) {
            const PlayEvent e = PlayEvents[size_t(NextEventIndex)];
            if (!frame && !IsNoteOn(e.Kind) && !IsNoteOff(e.Kind)) {
                frame = true;
                ShowTurnPosition();
            }
            ++NextEventIndex;
            if (Dispatch(e)) {
                ended = true;
                break;
            }
        }
        if (ended || !IsPlaying) break;
        anyFrame = anyFrame || frame;
        if (frame) {
            trackScrollPending_ = false;
            ScrollTrackView();
        } else {
            trackScrollPending_ = true;
        }
        // The next turn comes when something is due; until then the yield may wait.
        playbackWakeSeconds_ = NextTurnSeconds();
        yieldMayWait_ = true;
    }
    if (realYield) playbackWake_.Cancel();
    --playLoops_;
}

// Whether the frame due at this turn (at `t`) waits for the first event after it.
bool Player::FrameWaitsForEvent(float t) const {
    const int count = int(PlayEvents.size());
    for (int i = std::max(0, NextEventIndex); i < count; ++i) {
        const float event = float(PlayEvents[size_t(i)].Time);
        if (event > t) return FrameWaitsFor(shownSeconds_, event);
    }
    return false;
}

// The position at the last turn's time.
void Player::ShowTurnPosition() {
    positionPending_ = false;
    shownSeconds_ = lastTurnSeconds_;
    ShowPosition(lastTurnSeconds_);
}

void Player::ShowPending() {
    if (positionPending_) ShowTurnPosition();
    if (trackScrollPending_) {
        trackScrollPending_ = false;
        ScrollTrackView();
    }
}

bool Player::Dispatch(const PlayEvent& e) {
    if (IsNoteOn(e.Kind)) {
        SendDue(notes_.NoteOn(e.Kind, e.Data), lastTurnSeconds_ - e.Time);
        return false;
    }
    if (IsNoteOff(e.Kind)) {
        SendDue(notes_.NoteOff(e.Kind - 20, e.Data), lastTurnSeconds_ - e.Time);
        return false;
    }
    // A fresh start fires no beat, change or marker before the cursor (only the early notes).
    if (float(e.Time) < float(skipNonNotesBefore_)) return false;
    return Fire(e);
}

// The metronome's clicks are placed ahead like the notes: each beat due within kClickLookAhead of
// the turn goes to the click player now, to sound when the accompaniment plays the beat's sample,
// so a late turn never makes a late click. The bar start plays "1.wav", the other beats "0.wav";
// the beat at the loop end, where playback jumps back, has none.
void Player::ScheduleClicksAhead(double t) {
    const int count = int(PlayEvents.size());
    while (nextClickIndex_ >= 0 && nextClickIndex_ < count &&
           PlayEvents[size_t(nextClickIndex_)].Time <= t + kClickLookAhead) {
        const PlayEvent& e = PlayEvents[size_t(nextClickIndex_++)];
        if (e.Kind != kBeatEvent && e.Kind != kBarEvent) continue;
        if (float(e.Time) < float(skipNonNotesBefore_) || e.Tick == song_.LoopEnd) continue;
        if (const double volume = Metronome(); volume > 0)
            PlayClick(e.Kind == kBarEvent ? "1.wav" : "0.wav", volume, e.Time);
    }
}

void Player::RescheduleClicks() {
    if (!IsPlaying) return;
    if (clicks_) clicks_->CancelPending();
    nextClickIndex_ = NextEventIndex;
}

// A metronome click at `volume`, at song time `seconds` on the accompaniment's clock; a missing
// click file stays silent.
void Player::PlayClick(const QString& file, double volume, double seconds) {
    if (!clicks_) return;
    if (volume != clickVolume_) {
        clicks_->SetVolume(volume);
        clickVolume_ = volume;
    }
    clicks_->PlayAtClock(QDir(programDir_).filePath(file), seconds + AccompanimentOffset());
}

}  // namespace playback
