// The player loop's timing rules on a driven clock, without a window: each yield of the loop moves
// the accompaniment 1 ms.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>

#include "document/songcodes.h"
#include "document/timeline.h"
#include "platform/mediaplayer_fake.h"
#include "platform/midiout.h"
#include "platform/waveplayer.h"
#include "playback/player.h"
#include "support/songs.h"

using namespace playback;

namespace {

class PlayerTest : public ::testing::Test {
protected:
    // A 10 s song at 80 per minute (a beat every 750 ms), played from its start on key 0 without
    // MIDI delay; the window's side of the player records what it is told to draw.
    PlayerTest() {
        song->SongSeconds = 10;
        doc::RebuildTimeline(*song, false);
        wmp.SetSilence(600);
        midi.Open(0);
        notes.PrepareNoteOff(0);
        player.Yield = [this] { step(); };
        player.AccompanimentOffset = [] { return 0.0; };
        player.Metronome = [this] { return metronome; };
        player.Turned = [](double) {};
        player.ShowPosition = [this](double seconds) { shown = seconds; };
        player.ScrollTrackView = [] {};
        player.Fire = [](const PlayEvent& e) { return e.Kind == kMarkerEvent && e.Data == 0; };
    }
    // Song S: a note and a sentence marker in part 1, a note in part 2 at volume 90.
    void songS() {
        addNote(1, 0, 48, 60);
        addNote(1, 0, 192, doc::kSentenceMarker);
        addNote(2, 96, 24, 64);
        song->Parts[2].Volume = 90;
    }
    void addNote(int part, int32_t start, int16_t length, int pitch) {
        doc::NoteRecord& n = song->Notes[part][song->Parts[part].NoteCount++];
        n.Start = start;
        n.Length = length;
        n.Pitch = uint8_t(pitch);
        song->PlayEventsStale = -1;
    }
    // A start as the play toggle makes it; the loop runs until the song end or `stopAt`.
    void play(int stopAtMs) {
        stopAt = stopAtMs;
        for (int p = 1; p <= doc::kMaxParts; ++p) notes.PrepareNoteOn(p, 0, song->Parts[p].Volume, true);
        player.Cue(true, 0, 0);
        player.IsPlaying = -1;
        player.PlaceFirstClicks();
        wmp.Play();
        player.Run();
        stamp();
    }
    void at(int ms, std::function<void()> fn) { actions.insert({ms, std::move(fn)}); }
    // One millisecond of the clock; at stopAt the window's stop: what the loop has not drawn is
    // drawn, the clicks placed beyond it are taken back.
    void step() {
        ASSERT_LT(++steps, 400000) << "playback never ended";
        stamp();
        ++now;
        if (wmp.playing) wmp.position = std::round((wmp.position + 0.001) * 1e6) / 1e6;
        for (auto it = actions.begin(); it != actions.end() && it->first <= now;) {
            auto action = it->second;
            actions.erase(it);
            action();
            it = actions.begin();
        }
        if (now >= stopAt && player.IsPlaying) {
            player.ShowPending();
            player.IsPlaying = 0;
            wmp.Pause();
            wave.CancelPending();
        }
    }
    // What the last turn sent gets its time, before the clock moves: the notes, and the clicks
    // heard where the accompaniment plays the time each was placed at.
    void stamp() {
        for (; seenMidi < midi.messages.size(); ++seenMidi) sent.push_back({now, midi.messages[seenMidi]});
        for (;;) {
            if (seenCancels < wave.cancels.size() && wave.cancels[seenCancels] <= seenWave) {
                std::erase_if(clicks, [this](int ms) { return ms > now; });
                ++seenCancels;
                continue;
            }
            if (seenWave >= size_t(wave.played.size())) break;
            const double ahead = wave.timings[seenWave].seconds - wmp.position;
            clicks.push_back(now + std::max(0, int(std::lround(ahead * 1000))));
            ++seenWave;
        }
    }
    int timeOf(uint32_t message) const {
        for (const auto& [ms, m] : sent)
            if (m == message) return ms;
        return -1;
    }

    std::unique_ptr<doc::Song> song = testsongs::NewSong();
    FakeMediaPlayer wmp;
    MidiOutRecorder midi;
    FakeWavePlayer wave;
    NoteMessages notes;
    Player player{*song, wmp, &midi, &wave, notes, "/program"};
    double metronome = 0;
    double shown = -1;  // the song time last drawn
    std::multimap<int, std::function<void()>> actions;
    int now = 0, steps = 0, stopAt = 1 << 30;
    size_t seenMidi = 0, seenWave = 0, seenCancels = 0;
    std::vector<std::pair<int, uint32_t>> sent;  // (ms, message)
    std::vector<int> clicks;                     // ms each click sounds, in the order placed
};

}  // namespace

// While playing, the position is drawn 25 times a second: at most 26 frames in a second, none
// more than 41 ms behind the clock.
TEST_F(PlayerTest, ThePositionIsDrawnTwentyFiveTimesASecond) {
    int changes = 0, maxLag = 0;
    double last = -1;
    for (int ms = 2; ms <= 1001; ++ms)
        at(ms, [&, ms] {
            if (shown != last) ++changes;
            last = shown;
            maxLag = std::max(maxLag, ms - 1 - int(std::lround(shown * 1000)));
        });
    play(1002);
    EXPECT_GE(changes, 24);
    EXPECT_LE(changes, 26);
    EXPECT_LE(maxLag, 41);
}

// Between turns the loop waits until it next has something to do: the next event due, the next
// frame of its position (40 ms after the one drawn), or the next click to place 250 ms ahead. A
// frame due less than 3 ms before an event waits for it and is drawn on the event's turn, after
// the event is sent. The note-off is sent on the first turn after its time. A wait longer than
// 3 ms ends a millisecond early.
TEST_F(PlayerTest, TheLoopWaitsForItsNextDueTurn) {
    struct Case {
        int turn;      // ms of the clock at the turn
        double next;   // the turn it waits for, in seconds of the player's clock
        double wait;   // how long the yield waits for it
        const char* why;
    };
    const Case cases[] = {
        {460, 0.484375, 0.023375, "the note-on due at 484.375 ms, before the frame at 488 ms"},
        {481, 0.484375, 0.002375, "the same note-on 3.375 ms ahead"},
        {482, 0.484375, 0.002375, "the same note-on 2.375 ms ahead: waited whole"},
        {499, 0.5, 0.001, "the click of the beat at 750 ms, placed 250 ms ahead"},
        {600, 0.61, 0.009, "the frame after the one drawn at 570 ms"},
        {700, 0.734375, 0.033375, "the note-off due at 734.375 ms, 2.4 ms after the frame at 732 ms"},
        {740, 0.75, 0.009, "the beat at 750 ms, before the frame at 775 ms"},
    };
    songS();
    metronome = 1;
    std::map<int, std::pair<double, double>> waits;
    double shownAfterNoteOff = -1;
    for (const Case& c : cases)
        at(c.turn + 1, [&, c] { waits[c.turn] = {player.NextTurnSeconds(), player.WaitBeforeNextTurn()}; });
    at(737, [&] { shownAfterNoteOff = shown; });
    play(800);
    for (const Case& c : cases) {
        EXPECT_NEAR(waits[c.turn].first, c.next, 1e-6) << c.why;
        EXPECT_NEAR(waits[c.turn].second, c.wait, 1e-6) << c.why;
    }
    EXPECT_EQ(timeOf(0x3C80), 735);
    EXPECT_NEAR(shownAfterNoteOff, 0.735, 1e-6);  // the frame that waited, drawn on the note-off's turn
}

// Turns of the player loop that come late (the window busy, the machine loaded) do not make late
// clicks: each is placed ahead where the accompaniment plays its beat.
TEST_F(PlayerTest, LateTurnsMakeNoLateClicks) {
    songS();
    metronome = 1;
    for (auto [ms, length] : {std::pair{1, 200}, {1400, 200}, {3600, 240}})
        at(ms, [this, length] {  // the clock runs on, no turn comes
            wmp.position += length / 1000.0;
            now += length;
        });
    play(5000);
    std::vector<int> beats;
    for (int ms = 0; ms < 5000; ms += 750) beats.push_back(ms);
    EXPECT_EQ(clicks, beats);
}
