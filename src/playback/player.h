// The player loop of learning playback: it follows the accompaniment's clock, sends each note of
// the event list when it comes due, places the metronome's clicks ahead on the accompaniment's
// clock, and tells the window when to draw its position and which beats, changes and markers came.
// Between turns it waits until it next has something to do. What it asks of the window goes
// through the callbacks below; the window sets them all before the first start.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "document/song.h"
#include "platform/mediaplayer.h"
#include "platform/midiout.h"
#include "platform/waketimer.h"
#include "platform/waveplayer.h"
#include "playback/events.h"
#include "playback/notes.h"

namespace playback {

class Player {
public:
    // It plays `song` (the list is built from it) against the clock of `accompaniment`; the notes go
    // to `midi` while it is open, with the messages of `notes`, and the clicks to `clicks`, from the
    // files "0.wav" and "1.wav" in `programDir`. Either device may be missing.
    Player(doc::Song& song, MediaPlayer& accompaniment, MidiOut* midi, WavePlayer* clicks, NoteMessages& notes,
           QString programDir);

    // ---- the play state ----------------------------------------------------------------------
    std::vector<PlayEvent> PlayEvents;  // the event list of the last build
    int NextEventIndex = 0;             // the next event to fire
    int16_t IsPlaying = 0;              // -1 while the loop is to run

    // ---- what it asks of the window ------------------------------------------------------------
    // The yield of each turn: runs pending events, then waits for more until the next turn is due
    // (NextTurnSeconds). Empty: the event loop with a precise wake-up; tests set a step of a
    // driven clock.
    std::function<void()> Yield;
    // The accompaniment's time at song time 0 (its offset, in seconds).
    std::function<double()> AccompanimentOffset;
    // The metronome's volume for a click placed now, 0 to 1; 0 while the metronome is off.
    std::function<double()> Metronome;
    // A turn has read the clock at song time `seconds`: the window's play position follows.
    std::function<void(double seconds)> Turned;
    // Draws the position of the turn at song time `seconds` (the seconds label, the play lines).
    std::function<void(double seconds)> ShowPosition;
    // Scrolls the track view to the last turn's position.
    std::function<void()> ScrollTrackView;
    // A beat, change or marker came due; true ends the loop.
    std::function<bool(const PlayEvent& e)> Fire;

    // Before a start: the list built again when the song has changed (a resume goes on after the
    // song time it paused at), and for a fresh start the first event the notes at `cursorSeconds`
    // need (they go out `midiDelay` early); the beats and changes before the cursor are not fired.
    void Cue(bool fresh, double cursorSeconds, double midiDelay);
    // Places the first beats' clicks; a start calls it before the players start, so that a slow
    // first turn of the loop cannot make them late.
    void PlaceFirstClicks();
    // The loop: turns until IsPlaying is cleared (by a stop in the yield) or an event ends it.
    void Run();
    bool Running() const { return playLoops_ > 0; }
    // The time on the player's clock at which the loop next has something to do: the next event
    // due, the next frame of the play position, or the next metronome click to place ahead.
    double NextTurnSeconds() const;
    // How long the yield waits for that turn, from the clock the last turn read.
    double WaitBeforeNextTurn() const;
    // The loop draws its position once a frame: what it has not drawn yet, drawn now. A handler
    // that reads the play lines or the canvases' places while playing calls it first.
    void ShowPending();
    // Drops the clicks placed ahead and places them again from the next event (the metronome
    // switch changed during playback).
    void RescheduleClicks();

private:
    void DefaultYield();
    bool Dispatch(const PlayEvent& e);  // true: the loop ends
    void SendDue(uint32_t message, double lateSeconds);
    void ShowTurnPosition();
    bool FrameWaitsForEvent(float t) const;
    void ScheduleClicksAhead(double t);
    void PlayClick(const QString& file, double volume, double seconds);

    doc::Song& song_;
    MediaPlayer& accompaniment_;
    MidiOut* midi_;
    WavePlayer* clicks_;
    NoteMessages& notes_;
    QString programDir_;
    WakeTimer playbackWake_;          // wakes the yield for the loop's next turn
    int playLoops_ = 0;               // loops running (0 or 1)
    double skipNonNotesBefore_ = 0;   // a fresh start fires no beat or change before the cursor
    double lastTurnSeconds_ = 0;      // song time of the last turn
    double clickVolume_ = -1;         // the volume last given to the click player
    int nextClickIndex_ = 0;          // the next event whose click is still to be placed
    bool yieldMayWait_ = false;       // the last turn has set when the next one is due
    double playbackWakeSeconds_ = 0;  // the player's clock at the loop's next turn
    double playbackClockSeconds_ = 0;  // the player's clock as the last turn read it
    WakeTimer::Clock::time_point playbackClockRead_{};  // and when it read it
    double shownSeconds_ = 0;         // song time of the turn whose position is drawn
    bool positionPending_ = false;    // the last turn's position is not drawn yet
    bool trackScrollPending_ = false;  // nor the track view scrolled to it
};

}  // namespace playback
