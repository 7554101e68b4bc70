// Learning playback on a fake accompaniment clock: each yield of the player loop moves the clock
// 1 ms and fires the window's timers that are due on it.
#pragma once

#include "app/form1_fixture.h"

#include <QtTest/QTest>
#include <cmath>
#include <functional>
#include <map>

#include "document/songcodes.h"
#include "document/timeline.h"

using namespace app;

// The window on a fake clock: step() is one millisecond of it, advance() many. Scripted input
// (at) comes at its moment, the window's timers fire when due on the driven clock, the
// accompaniment player and part players 1..clockedParts move on while they play.
class FakeClockTest : public Form1Test {
protected:
    void at(int ms, std::function<void()> fn) { actions.insert({ms, std::move(fn)}); }
    void step() {
        ASSERT_LT(++steps, 400000) << "playback never ended";
        stamp();
        ++now;
        for (int p = 0; p <= clockedParts; ++p) {
            FakeMediaPlayer* player = p == 0 ? &wmp : &parts[p];
            if (player->playing) player->position = std::round((player->position + 0.001) * 1e6) / 1e6;
        }
        for (auto it = actions.begin(); it != actions.end() && it->first <= now;) {
            auto action = it->second;
            actions.erase(it);
            action();
            it = actions.begin();
        }
        afterInput();
        vb::testing::AdvanceClock(1);  // the window's timers due at this millisecond
    }
    void advance(int ms) {
        const int until = now + ms;
        while (now < until) step();
    }
    // What the last turn sent gets its time, before the clock moves: the clicks heard, each at the
    // moment it was placed to sound (on the output's clock, or where the accompaniment plays the
    // time it was placed at; at once when that is past). A cancel drops the clicks placed before it
    // that were still to come.
    virtual void stamp() {
        for (;;) {
            if (seenCancels < wave.cancels.size() && wave.cancels[seenCancels] <= seenWave) {
                std::erase_if(clicks, [this](const auto& c) { return c.first > now; });
                ++seenCancels;
                continue;
            }
            if (seenWave >= size_t(wave.played.size())) break;
            const FakeWavePlayer::Timing& t = wave.timings[seenWave];
            int ahead = 0;  // a time already past sounds at once
            if (t.when == FakeWavePlayer::When::In) ahead = int(std::lround(t.seconds * 1000));
            if (t.when == FakeWavePlayer::When::AtClock) ahead = int(std::lround((t.seconds - wmp.position) * 1000));
            clicks.push_back({now + std::max(0, ahead), wave.played[seenWave]});
            ++seenWave;
        }
    }
    // After the scripted input of a step, before the timers.
    virtual void afterInput() {}

    std::multimap<int, std::function<void()>> actions;
    int now = 0, steps = 0, clockedParts = 0;
    size_t seenWave = 0, seenCancels = 0;
    std::vector<std::pair<int, QString>> clicks;  // (ms, file) in the order placed
};

class PlaybackTest : public FakeClockTest {
protected:
    PlaybackTest() { clockedParts = 5; }
    struct Stamped {
        int ms;
        uint32_t message;
    };

    // A new song of `seconds`, shown, with the play button out and the ruler 1000 wide.
    Form1& startSong(double seconds) {
        Form1& f = start();
        f.show();
        f.Timload_Timer();
        if (seconds != f.song->SongSeconds) {
            f.Command2_Click(6);
            f.Text1[1].SetText(QString::number(seconds));
            f.Command2_Click(12);
        }
        f.Picture1.SetWidth(1000);
        f.RebuildTimeline();
        f.HScroll3[kMidiDelaySlider].SetValue(0);
        f.PlaybackYield = [this] { step(); };
        return f;
    }
    // Song S: 10 s, a note and a sentence marker in part 1, a note in part 2 at volume 90.
    Form1& startS() {
        Form1& f = startSong(10);
        addNote(1, 0, 48, 60);
        addNote(1, 0, 192, doc::kSentenceMarker);
        addNote(2, 96, 24, 64);
        f.song->Parts[2].Volume = 90;
        rulerClick(0);
        return f;
    }
    void addNote(int part, int32_t start, int16_t length, int pitch) {
        doc::NoteRecord& n = form->song->Notes[part][form->song->Parts[part].NoteCount++];
        n.Start = start;
        n.Length = length;
        n.Pitch = uint8_t(pitch);
        form->song->PlayEventsStale = -1;
    }
    void rulerClick(int x, Qt::MouseButton b = Qt::LeftButton, Qt::KeyboardModifiers m = {}) {
        QTest::mouseClick(form->Picture1.widget(), b, m, QPoint(x, 20));
    }
    void click(vb::Control& c) { QTest::mouseClick(c.widget(), Qt::LeftButton, {}, QPoint(6, 6)); }
    void space() { QTest::keyClick(form->Picture4[0].widget(), Qt::Key_Space); }

    // Playback still running at stopAt is stopped.
    void afterInput() override {
        if (now >= stopAt && form->IsPlaying) click(form->Command3);
    }
    // The MIDI messages sent, with their times, besides the clicks.
    void stamp() override {
        for (; seenMidi < midi.messages.size(); ++seenMidi) sent.push_back({now, midi.messages[seenMidi]});
        FakeClockTest::stamp();
    }
    std::vector<uint32_t> messagesAt(int ms) const {
        std::vector<uint32_t> out;
        for (const Stamped& s : sent)
            if (s.ms == ms) out.push_back(s.message);
        return out;
    }
    int timeOf(uint32_t message) const {
        for (const Stamped& s : sent)
            if (s.message == message) return s.ms;
        return -1;
    }

    int stopAt = 1 << 30;
    size_t seenMidi = 0;
    std::vector<Stamped> sent;
};
