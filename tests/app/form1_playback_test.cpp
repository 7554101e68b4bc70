// Learning playback driven by clicks and keys, on a fake accompaniment clock: each yield of the
// player loop moves the clock 1 ms and fires the window's timers that are due on it.
#include "app/playback_fixture.h"

#include <QtTest/QTest>
#include <functional>
#include <map>

#include "document/songcodes.h"
#include "document/timeline.h"
#include "platform/vbtext.h"

using namespace app;

TEST_F(PlaybackTest, SongSFromTheStartWithTheMetronome) {
    Form1& f = startS();
    click(f.Check3[1]);
    ASSERT_EQ(f.Check3[1].Value(), 1);
    click(f.Check2);  // the loop runs inside the click until the song end
    stamp();
    EXPECT_EQ(timeOf(0x643C90), 1);  // the first turn
    EXPECT_EQ(timeOf(0x3C80), 735);
    EXPECT_EQ(timeOf(0x5A4091), 1500);
    EXPECT_EQ(timeOf(0x4081), 1860);
    std::vector<std::pair<int, QString>> want;
    for (int beat = 0; beat <= 12; ++beat)
        want.push_back({beat * 750, beat % 4 == 0 ? "1.wav" : "0.wav"});
    ASSERT_EQ(clicks.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(clicks[i].first, want[i].first) << i;
        EXPECT_TRUE(clicks[i].second.endsWith("/" + want[i].second)) << i;
    }
    // At the volume of "节拍器音量:" (1 to 127).
    const double volume = f.HScroll3[kMetronomeVolumeSlider].Value() / 127.0;
    EXPECT_TRUE(std::all_of(wave.volumes.begin(), wave.volumes.end(), [&](double v) { return v == volume; }));
    const auto end = messagesAt(9000);
    ASSERT_EQ(end.size(), 440u);
    EXPECT_EQ(end.front(), 0x1580u);
    EXPECT_EQ(end.back(), 0x6C84u);
    EXPECT_TRUE(std::all_of(end.begin(), end.end(), [](uint32_t m) { return (m & 0xF0) == 0x80 && (m & 0x0F) < 5; }));
    EXPECT_EQ(f.PlayMode, PlayMode::Idle);
    EXPECT_NE(f.song->CursorTick, 0);
    advance(100);
    EXPECT_EQ(f.song->CursorTick, 0);
    EXPECT_EQ(f.Check2.Value(), 0);

    // With MIDI delay 160 ms the first note goes out at the start.
    f.HScroll3[kMidiDelaySlider].SetValue(160);
    midi.messages.clear();
    seenMidi = 0;
    sent.clear();
    stopAt = now + 50;
    click(f.Check2);
    stamp();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.front().message, 0x643C90u);
    EXPECT_EQ(sent.front().ms, stopAt - 50 + 1);
}

// Key, key changes between on and off, a stop in the yield, the finished accompaniment.
TEST_F(PlaybackTest, MessagesFollowTheKeyAndTheStop) {
    Form1& f = startSong(10);
    f.song->KeyChangeKeys[0] = 11;
    addNote(1, 0, 192, 100);
    addNote(2, 0, 48, 60);
    f.song->KeyChangeLastIndex = 1;
    f.song->KeyChangeTicks[1] = 24;
    f.song->KeyChangeKeys[1] = 2;
    f.RebuildTimeline();
    rulerClick(0);
    click(f.Check1[23]);  // part 3 "MID" off: nothing to hear of it
    ASSERT_EQ(f.Check1[23].Value(), 0);
    actions.insert({1000, [&] { click(f.Command3); }});
    click(f.Check2);
    stamp();
    EXPECT_EQ(timeOf(0x646F90), 1);
    EXPECT_EQ(timeOf(0x644791), 1);
    EXPECT_EQ(timeOf(0x4781), 735);  // part 2's note 60 released as sent, under key 11, after key 2 came
    ASSERT_EQ(sent.back().message, 0x6F80u);  // after the sweep, what the key pushed beyond it
    EXPECT_EQ(messagesAt(1000).size(), 441u);
    EXPECT_EQ(f.PlayMode, PlayMode::Stopped);

    // A stop clicked in the yield of a turn with a due note: nothing after the sweep.
    addNote(3, 96, 24, 64);
    actions.insert({now + 500, [&] { click(f.Command3); }});
    const int resumedAt = now;
    click(f.Check2);
    stamp();
    EXPECT_EQ(sent.back().message, 0x6C84u);
    EXPECT_EQ(timeOf(0x4092), -1);
    EXPECT_EQ(now - resumedAt, 500);

    // "已完成" from the accompaniment: stop, idle, and the rewind.
    actions.insert({now + 200, [&] { wmp.FireStatus(mediastatus::Finished); }});
    click(f.Check2);
    EXPECT_EQ(f.PlayMode, PlayMode::Idle);
    EXPECT_FALSE(f.IsPlaying);
    advance(100);
    EXPECT_EQ(f.song->CursorTick, 0);
}

TEST_F(PlaybackTest, StartSeeksResumeContinues) {
    Form1& f = startSong(180);
    f.AudioTimeOffsets[0] = 1.5;
    f.AudioTimeOffsets[2] = 0.3;
    f.HScroll4.SetValue(2);
    f.Combo8.SetListIndex(1);
    f.song->CursorTick = 640;
    f.UpdatePositionDisplay();
    ASSERT_DOUBLE_EQ(f.CursorSeconds, 10);
    stopAt = 5;
    click(f.Check2);
    EXPECT_TRUE(wmp.calls.contains("SetCurrentPosition 11.5"));
    EXPECT_TRUE(parts[2].calls.contains("SetCurrentPosition 190.3"));

    // Song S played through, then with a stop and a resume, and with an edit while stopped.
    auto run = [&](std::function<void()> whileStopped) {
        form.reset();
        midi.messages.clear();
        wmp.calls.clear();
        now = steps = 0;
        stopAt = 1 << 30;
        Form1& g = startS();
        if (whileStopped) {
            actions.insert({1200, [&] { click(g.Command3); }});
            click(g.Check2);
            whileStopped();
            const qsizetype seeks = wmp.calls.filter("SetCurrentPosition").size();
            click(g.Check2);
            EXPECT_EQ(wmp.calls.filter("SetCurrentPosition").size(), seeks);
        } else {
            click(g.Check2);
        }
        // The messages with the all-notes-off sweeps (440 from [80 15 00]) left out.
        std::vector<uint32_t> notes;
        const auto& m = midi.messages;
        for (size_t i = 0; i < m.size(); ++i) {
            if (m[i] == 0x1580 && i + 440 <= m.size() && m[i + 439] == 0x6C84) i += 439;
            else if ((m[i] & 0xE0) == 0x80) notes.push_back(m[i]);
        }
        return notes;
    };
    const auto through = run(nullptr);
    EXPECT_EQ(through, (std::vector<uint32_t>{0x643C90, 0x3C80, 0x5A4091, 0x4081}));
    EXPECT_EQ(run([] {}), through);
    EXPECT_EQ(run([&] { form->song->PlayEventsStale = -1; }), through);
}

TEST_F(PlaybackTest, TempoChangesReanchorThePlayTick) {
    for (int cursor : {0, 192}) {
        Form1& f = startSong(10);
        f.song->TempoLastIndex = 1;
        f.song->TempoChangeTicks[1] = 192;
        f.song->TempoChangeBpm[1] = 120;
        f.RebuildTimeline();
        ASSERT_EQ(f.song->SongLength, 768);
        f.song->CursorTick = cursor;
        f.UpdatePositionDisplay();
        double tickAt4 = -1;
        actions.insert({4001, [&] { tickAt4 = f.PlayTick; }});
        now = cursor ? 3000 : 0;
        stopAt = 4100;
        click(f.Check2);
        EXPECT_DOUBLE_EQ(tickAt4, 288) << cursor;
        EXPECT_EQ(f.CurrentTempoIndex, 1);
        form.reset();
        actions.clear();
        now = steps = 0;
    }
}

// The loop jumps at its end beat and restarts exactly at its start 100 ms later.
TEST_F(PlaybackTest, LoopRestartsAtItsStart) {
    Form1& f = startSong(60);
    f.AudioTimeOffsets[0] = 0.5;
    click(f.Check3[2]);
    rulerClick(250, Qt::LeftButton, Qt::ShiftModifier);
    rulerClick(500, Qt::RightButton, Qt::ShiftModifier);
    ASSERT_EQ(std::make_pair(f.song->LoopStart, f.song->LoopEnd), std::make_pair(960, 1920));
    rulerClick(470);  // tick 1824, 28.5 s
    stopAt = 1700;
    click(f.Check2);
    stamp();
    EXPECT_EQ(messagesAt(1500).size(), 440u);  // the 30.0 s beat
    EXPECT_EQ(f.PlayMode, PlayMode::Stopped);
    advance(99);
    EXPECT_FALSE(wmp.calls.contains("SetCurrentPosition 15.5"));
    stopAt = now + 10;
    advance(1);  // Timer2: playback again from the loop start; ends at stopAt
    EXPECT_TRUE(wmp.calls.contains("SetCurrentPosition 15.5"));

    // In 6/8 a loop start of 24 is kept exactly (the ruler's pixels and grid would give 0).
    form.reset();
    Form1& g = startSong(180);
    g.song->TimeSigCodes[0] = doc::TimeSigTextToCode("6/8");
    g.RebuildTimeline();
    ASSERT_EQ(g.song->SongLength, 11520);
    click(g.Check3[2]);
    rulerClick(2, Qt::LeftButton, Qt::ShiftModifier);
    rulerClick(10, Qt::RightButton, Qt::ShiftModifier);
    ASSERT_EQ(std::make_pair(g.song->LoopStart, g.song->LoopEnd), std::make_pair(24, 120));
    rulerClick(0);
    wmp.calls.clear();
    stopAt = now + 2000;
    click(g.Check2);
    advance(100);
    EXPECT_TRUE(wmp.calls.contains("SetCurrentPosition 0.375"));
}

TEST_F(PlaybackTest, RulerClickWhilePlayingRestartsThere) {
    Form1& f = startSong(60);
    actions.insert({500, [&] { rulerClick(500); }});
    actions.insert({501, [&] {
                        stamp();
                        EXPECT_EQ(messagesAt(500).size(), 440u);
                        EXPECT_EQ(f.PlayMode, PlayMode::Stopped);
                    }});
    stopAt = 800;
    click(f.Check2);
    advance(100);  // Timer2 replays the click and plays on until stopAt
    EXPECT_TRUE(wmp.calls.contains("SetCurrentPosition 30"));
    EXPECT_EQ(f.PlayMode, PlayMode::Stopped);
    EXPECT_GT(wmp.position, 30.0);
}

// The count-in as the recording start sets it up, and Space meanwhile.
TEST_F(PlaybackTest, CountInThenPlay) {
    Form1& f = startSong(10);
    f.CountInBeats = 6;
    f.Timjp.Tag = "3";
    f.Timjp.SetInterval(750);
    f.Timjp.SetEnabled(true);
    f.PlayMode = PlayMode::CountIn;
    f.Check2.SetEnabled(false);
    f.Timjp_Timer();
    actions.insert({1000, [&] { space(); }});
    bool before = true, after = false;
    actions.insert({4499, [&] { before = wmp.playing; }});
    actions.insert({4501, [&] { after = wmp.playing; }});
    stopAt = 4600;
    advance(4510);
    stamp();
    const char* files[] = {"0.wav", "1.wav", "1.wav", "0.wav", "1.wav", "1.wav"};
    ASSERT_EQ(clicks.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(clicks[size_t(i)].first, i * 750) << i;
        EXPECT_TRUE(clicks[size_t(i)].second.endsWith(files[i])) << i;
    }
    EXPECT_EQ(wmp.calls.filter("Play").size(), 1);
    EXPECT_FALSE(before);
    EXPECT_TRUE(after);
}

// Space plays and stops; the zoom slider during a pause keeps it paused.
TEST_F(PlaybackTest, SpaceAndTheZoomDuringAPause) {
    Form1& f = startSong(10);
    actions.insert({300, [&] { space(); }});
    space();
    EXPECT_EQ(now, 300);
    EXPECT_EQ(f.PlayMode, PlayMode::Stopped);
    EXPECT_FALSE(f.Command3.Visible());

    actions.insert({now + 200, [&] { click(f.Check2); }});  // the toggle itself: a pause in mode 6
    click(f.Check2);
    ASSERT_EQ(f.PlayMode, PlayMode::Playing);
    f.HScroll3[kZoomSlider].SetValue(f.HScroll3[kZoomSlider].Value() + 10);
    EXPECT_EQ(f.PlayMode, PlayMode::Stopped);
    EXPECT_FALSE(f.Timer2.Enabled());
    const double at = wmp.position;
    stopAt = now + 100;
    click(f.Check2);
    EXPECT_FALSE(wmp.calls.filter("SetCurrentPosition").size() > 1);
    EXPECT_NEAR(wmp.position, at + 0.1, 1e-9);
}

// The page marker follows the beats that have a box; beyond the typeset boxes it stays.
TEST_F(PlaybackTest, PageMarkerFollowsTheBeatBoxes) {
    Form1& f = startSong(10);
    f.BeatBoxes = {{0, 10, 20, 30, 0}, {1, 40, 50, 60, 48}};
    stopAt = 1600;
    click(f.Check2);
    typeset::Form3& f3 = f.Form3();
    EXPECT_EQ(f.MarkerPage, 1);
    EXPECT_EQ(f3.Shape2[1].Left(), 40);
    EXPECT_EQ(f3.Shape2[1].Top(), 50);
    EXPECT_EQ(f3.Shape2[1].Width(), 60);
    EXPECT_EQ(f3.Shape2[0].Top(), -5000);
}

// Following the play, the page window keeps the bar's marker at its middle, and its scroll bar
// shows that place: the arrows then move on from there.
TEST_F(PlaybackTest, ThePageWindowsBarFollowsThePlay) {
    Form1& f = startSong(10);
    typeset::Form3& f3 = f.Form3();
    f.Command4_PageWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f3));
    f.Chegd.SetValue(1);
    // Bar 2 (tick 192, the fifth beat) lies low on the page.
    f.BeatBoxes = {{0, 10, 20, 30, 0}, {0, 40, 20, 30, 48}, {0, 70, 20, 30, 96}, {0, 100, 20, 30, 144},
                   {0, 10, 600, 30, 192}};
    stopAt = 3500;
    click(f.Check2);
    const int top = int(f3.Picjp.Top());
    EXPECT_EQ(top, f3.MarkerCentreY - 600 - int(f3.Picpage[0].Top()));
    ASSERT_LT(-top, f3.VScroll1.Max());
    EXPECT_EQ(f3.VScroll1.Value(), -top);
    QWidget* bar = f3.VScroll1.widget();
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, 4));  // the up arrow
    EXPECT_EQ(f3.VScroll1.Value(), -top - f3.VScroll1.SmallChange());
    EXPECT_EQ(f3.Picjp.Top(), top + f3.VScroll1.SmallChange());
}

// A restart due while another playback runs (started by the count-in's end within the 100 ms)
// stops that one and starts once its loop has returned: no re-arming, no nesting.
TEST_F(PlaybackTest, ARestartDueDuringAPlaybackWaitsForItsLoop) {
    Form1& f = startSong(60);
    actions.insert({300, [&] { rulerClick(500); }});
    actions.insert({350, [&] {
                        f.Check2.SetEnabled(true);
                        f.Check2.SetValue(1);
                    }});
    stopAt = 900;
    click(f.Check2);
    advance(600);
    EXPECT_FALSE(f.Timer2.Enabled());
    EXPECT_EQ(wmp.calls.filter("SetCurrentPosition 30").size(), 1);
    EXPECT_NEAR(wmp.position, 30.5, 0.002);  // played from 400 ms to the stop at 900
    EXPECT_TRUE(f.Check2.Enabled());
    EXPECT_TRUE(f.Picture1.Enabled());
}

// However playback ends, the window then shows where it ended: the seconds label at the last
// turn's time, the overview's play line and the track view's front canvas at its tick.
TEST_F(PlaybackTest, TheWindowShowsWhereThePlaybackEnded) {
    struct Case {
        const char* how;
        int at;             // ms of the clock at the input
        const char* label;  // the last turn came 1 ms before the input
    };
    const Case cases[] = {
        {"stop", 1234, "1.233"},
        {"pause", 2345, "2.344"},
        {"space", 1008, "1.007"},
        {"end", -1, "9.000"},  // the song end comes at 9 s, as its last sweep shows
    };
    for (const Case& c : cases) {
        Form1& f = startSong(10);
        const QString how = c.how;
        if (how == "stop") at(c.at, [&] { click(f.Command3); });
        if (how == "pause") at(c.at, [&] { click(f.Check2); });
        if (how == "space") at(c.at, [&] { space(); });
        click(f.Check2);
        EXPECT_FALSE(f.IsPlaying) << c.how;
        EXPECT_EQ(f.Label3[19].Caption(), c.label) << c.how;
        EXPECT_EQ(std::lround(f.Line4.X1()), std::lround(f.OverviewScale * f.PlayTick)) << c.how;
        const int front = f.FrontCanvas & 1;
        EXPECT_EQ(f.Picture4[front].Left(), vb::Round((f.FrontPageTick - f.PlayTick) * f.TrackScale)) << c.how;
        form.reset();
        actions.clear();
        now = steps = 0;
    }
}
