// Learning playback on a fake accompaniment clock: each yield of the player loop moves the clock
// 1 ms and fires the window's timers that are due on it.
#pragma once

#include "app/form1_fixture.h"

#include <QtTest/QTest>
#include <functional>
#include <map>

#include "document/songcodes.h"
#include "document/timeline.h"

using namespace app;

class PlaybackTest : public Form1Test {
protected:
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
        for (vb::Timer* t : {&f.Timer2, &f.Timer3, &f.Timer4, &f.Timjp}) watches.push_back({t, -1});
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

    // One millisecond of the fake clock: what the last turn sent gets its time, the players that
    // play move on, the scripted input of that moment comes, due timers fire.
    void step() {
        ASSERT_LT(++steps, 400000) << "playback never ended";
        stamp();
        for (Watch& w : watches)
            if (w.timer->Enabled() && w.since < 0) w.since = now;
        ++now;
        for (FakeMediaPlayer* p : {&wmp, &parts[1], &parts[2], &parts[3], &parts[4], &parts[5]})
            if (p->playing) p->position = std::round((p->position + 0.001) * 1e6) / 1e6;
        for (auto it = actions.begin(); it != actions.end() && it->first <= now;) {
            auto action = it->second;
            it = actions.erase(it);
            action();
            it = actions.begin();
        }
        if (now >= stopAt && form->IsPlaying) click(form->Command3);
        for (Watch& w : watches) {
            if (!w.timer->Enabled()) {
                w.since = -1;
            } else if (w.since >= 0 && now - w.since >= w.timer->Interval()) {
                w.since = now;
                w.timer->OnTimer();
            }
        }
    }
    void advance(int ms) {
        const int until = now + ms;
        while (now < until) step();
    }
    void stamp() {
        for (; seenMidi < midi.messages.size(); ++seenMidi) sent.push_back({now, midi.messages[seenMidi]});
        for (; seenWave < wave.played.size(); ++seenWave) clicks.push_back({now, wave.played[seenWave]});
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

    struct Watch {
        vb::Timer* timer;
        int since;
    };
    std::vector<Watch> watches;
    std::multimap<int, std::function<void()>> actions;
    int now = 0, steps = 0, stopAt = 1 << 30;
    size_t seenMidi = 0, seenWave = 0;
    std::vector<Stamped> sent;
    std::vector<std::pair<int, QString>> clicks;
};
