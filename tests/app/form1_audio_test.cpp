// The sound around learning playback on the fake clock: the metronome's clicks taken back by the
// box and the stop, the silent clock when the placeholder cannot be played, and the one message about
// a silent output.
#include "app/playback_fixture.h"

#include <QtTest/QTest>

using namespace app;

namespace {
// The beats of song S (750 ms apart) before `endMs`, without those in [offFrom, offTo).
std::vector<int> Beats(int endMs, int offFrom = 0, int offTo = 0) {
    std::vector<int> out;
    for (int ms = 0; ms < endMs; ms += 750)
        if (ms < offFrom || ms >= offTo) out.push_back(ms);
    return out;
}
}  // namespace

// The metronome box and the stop take back the clicks placed beyond them.
TEST_F(PlaybackTest, ClicksPlacedAheadFollowTheBoxAndTheStop) {
    struct Case {
        const char* what;
        int untickAt, tickAt;  // the metronome box, by clicks (0: untouched)
        int stopAt;
        std::vector<int> clicks;
    } cases[] = {
        {"box off and on", 1300, 2600, 5000, Beats(5000, 1300, 2600)},
        {"stop just before a beat", 0, 0, 5100, Beats(5100)},
    };
    for (const Case& c : cases) {
        form.reset();
        wave = FakeWavePlayer();
        clicks.clear();
        actions.clear();
        now = steps = 0;
        seenWave = seenCancels = 0;
        Form1& f = startS();
        click(f.Check3[1]);
        if (c.untickAt) at(c.untickAt, [&] { click(f.Check3[1]); });
        if (c.tickAt) at(c.tickAt, [&] { click(f.Check3[1]); });
        stopAt = c.stopAt;
        click(f.Check2);
        stamp();
        std::vector<int> got;
        for (const auto& [ms, file] : clicks) got.push_back(ms);
        EXPECT_EQ(got, c.clicks) << c.what;
    }
}

// Without a playable placeholder the accompaniment player runs on silence that needs no file, so
// the song plays past its first chord.
TEST_F(PlaybackTest, WithoutThePlaceholderTheClockRunsOnSilence) {
    wmp.badFiles.insert(path("none.wav"));
    Form1& f = startSong(10);
    EXPECT_TRUE(wmp.calls.contains("SetUrl " + path("none.wav")));
    EXPECT_TRUE(wmp.calls.contains("SetSilence 86400"));
    EXPECT_EQ(wmp.status, mediastatus::Ready);
    addNote(1, 0, 48, 60);
    addNote(1, 96, 24, 62);  // 1.5 s in
    rulerClick(0);
    stopAt = 2000;
    click(f.Check2);
    stamp();
    EXPECT_EQ(timeOf(0x643C90), 1);
    EXPECT_EQ(timeOf(0x643E90), 1500);
}

// No audio device, no SoundFont: one message in the program's style at the first playback or
// recording, and playback runs on its clock all the same.
TEST_F(PlaybackTest, ASilentOutputIsReportedOnceWhenSoundIsFirstWanted) {
    const QString device = "没有找到可用的音频设备：alsa", font = "没有找到可用的音色库：/usr/share/x.sf2";
    struct Case {
        QStringList problems;
        bool record;  // first wanted by "●" with a count-in rather than "→"
        int boxes;
    } cases[] = {
        {{device, font}, false, 1},
        {{font}, true, 1},
        {{}, false, 0},
    };
    for (const Case& c : cases) {
        form.reset();
        dialogs.calls.clear();
        actions.clear();
        now = steps = 0;
        audioProblems = [&c] { return c.problems; };
        Form1& f = startSong(10);
        EXPECT_TRUE(dialogs.MsgBoxCalls().empty());  // not at start-up
        addNote(1, 0, 48, 60);
        rulerClick(0);
        if (c.record) {
            f.HScroll3[kCountInSlider].SetValue(1);
            stopAt = 4000;  // the stop ends the recording too
            click(f.Chely);
            advance(5000);
        }
        for (int play = 0; play < 2; ++play) {
            stopAt = now + 300;
            click(f.Check2);
        }
        const auto boxes = dialogs.MsgBoxCalls();
        ASSERT_EQ(int(boxes.size()), c.boxes);
        if (c.boxes) {
            EXPECT_EQ(boxes[0].prompt, c.problems.join("\n"));
            EXPECT_EQ(boxes[0].title, "提示");
        }
        EXPECT_GT(wmp.position, 0.5);  // it played, twice
    }
}
