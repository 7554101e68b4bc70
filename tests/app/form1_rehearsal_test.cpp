// Rehearsal controls and the lyrics window, driven by clicks and keys on the fake clock.
#include "app/playback_fixture.h"

#include <QListWidget>

namespace {
const QString kItem0 = "00000001920019200384";
}

class RehearsalTest : public PlaybackTest {
protected:
    // A 10 s song at 80 BPM (384 ticks = 6.0 s); part 2 current with the phrases [0,192) "春天来了",
    // [192,384) "花儿开", [384,576) "鸟儿叫", the first joined; the lyrics window shown.
    Form1& startLyrics(int32_t firstStart = 0) {
        Form1& f = startSong(10);
        const std::pair<int32_t, QString> phrases[] = {{firstStart, "春天来了"}, {192, "花儿开"}, {384, "鸟儿叫"}};
        for (const auto& [start, text] : phrases) {
            addNote(2, start, int16_t((start == 384 ? 576 : start < 192 ? 192 : 384) - start), doc::kSentenceMarker);
            addNote(2, start, 24, 60);
            f.song->Notes[2][f.song->Parts[2].NoteCount - 1].Lyric = text;
        }
        f.song->Parts[2].PhraseJoinBits[0] = 1;
        f.BuildSentenceLists(2);
        click(f.Command4[0]);
        QTest::mouseClick(f.Picture4[0].widget(), Qt::LeftButton, {}, QPoint(50, f.song->Parts[2].StripTop + 10));
        return f;
    }
    QListWidget* list(int part = 2) { return static_cast<QListWidget*>(form->Form2().List1[part].widget()); }
    void clickItem(int row, Qt::MouseButton b = Qt::LeftButton) {
        QListWidget* l = list();
        QTest::mouseClick(l->viewport(), b, {}, l->visualItemRect(l->item(row)).center());
    }
    void clickButton(int i) { click(form->Form2().Command1[i]); }
    QString lastSeek() const {
        for (qsizetype i = wmp.calls.size() - 1; i >= 0; --i)
            if (wmp.calls[i].startsWith("SetCurrentPosition")) return wmp.calls[i].mid(19);
        return {};
    }
};

TEST_F(RehearsalTest, ASentencePlaysToItsEndAndRepeatClicksWithin500msAreIgnored) {
    Form1& f = startLyrics();
    ASSERT_TRUE(f.Form2().isVisible());
    ASSERT_EQ(f.Form2().VisibleList(), 2);
    QString seen;
    int32_t cursor = -1;
    const int t0 = now;
    actions.insert({t0 + 1, [&] { seen = f.LastSentence, cursor = f.song->CursorTick; }});
    actions.insert({t0 + 200, [&] { clickItem(1); }});                                       // ignored
    actions.insert({t0 + 300, [&] { QTest::keyClick(list(), Qt::Key_Space); }});             // ignored
    actions.insert({t0 + 400, [&] { clickButton(3); }});                                     // ignored
    actions.insert({t0 + 450, [&] { EXPECT_FALSE(f.Form2().Command1[0].Enabled()); }});
    clickItem(0);
    EXPECT_EQ(seen, kItem0);
    EXPECT_EQ(cursor, 0);
    EXPECT_EQ(f.IsPlaying, 0);
    EXPECT_NEAR(wmp.position, 6.0, 0.002);  // the marker at 384
    EXPECT_TRUE(f.LastSentence.isEmpty());
    EXPECT_TRUE(f.Form2().Command1[0].Enabled());
}

TEST_F(RehearsalTest, ClickingThePlayingSentenceStopsItAndAgainPlaysItFromItsStart) {
    Form1& f = startLyrics();
    const int t0 = now;
    actions.insert({t0 + 1000, [&] { clickItem(0); }});
    clickItem(0);
    EXPECT_NEAR(now - t0, 1000, 2);
    EXPECT_EQ(f.IsPlaying, 0);
    EXPECT_NE(f.song->CursorTick, 0);
    advance(600);
    stopAt = now + 50;
    clickItem(0);
    EXPECT_EQ(lastSeek(), "0");
    // Another sentence clicked while playing restarts exactly at its start 100 ms later.
    stopAt = 1 << 30;
    advance(600);
    const int t1 = now;
    QString seen;
    actions.insert({t1 + 700, [&] { clickItem(1); }});
    actions.insert({t1 + 900, [&] { seen = f.LastSentence, stopAt = now + 10; }});
    clickItem(0);
    while (f.Timer2.Enabled() || f.IsPlaying) advance(1);
    EXPECT_EQ(seen, "0038400576");
    EXPECT_EQ(lastSeek(), "6");
}

TEST_F(RehearsalTest, ASentenceStartsAtItsExactFirstTickInBothViews) {
    for (bool roll : {false, true}) {
        SCOPED_TRACE(roll);
        Form1& f = startLyrics(168);
        ASSERT_EQ(f.SnapGrid[0], 48);
        f.Picture6.SetVisible(roll);
        stopAt = now + 50;
        clickItem(0);
        EXPECT_EQ(lastSeek(), "2.625");  // 168 ticks at 64 per second
        EXPECT_EQ(f.song->CursorTick >= 168, true);
        form.reset();
        wmp.calls.clear();
        now = 0, stopAt = 1 << 30;
    }
}

// While a recording's count-in or arming holds the play toggle, a sentence click leaves the
// cursor, the play state and the sentence end alone (the toggle cannot start anyway).
TEST_F(RehearsalTest, ASentenceClickWhileARecordingHoldsTheToggleChangesNothing) {
    for (const auto& [preRoll, mode] : {std::pair{5, PlayMode::Armed}, std::pair{2, PlayMode::CountIn}}) {
        SCOPED_TRACE(preRoll);
        Form1& f = startLyrics();
        f.HScroll3[app::kCountInSlider].SetValue(preRoll);
        click(f.Chely);
        ASSERT_EQ(f.PlayMode, mode);
        clickItem(1);
        EXPECT_EQ(f.PlayMode, mode);
        EXPECT_EQ(f.song->CursorTick, 0);
        EXPECT_TRUE(f.LastSentence.isEmpty());
        click(f.Chely);
        form.reset();
        now = 0, stopAt = 1 << 30;
    }
}

TEST_F(RehearsalTest, StepButtonsSpaceAndTheRightButton) {
    Form1& f = startLyrics();
    // A list taking the focus chooses no sentence.
    QApplication::setActiveWindow(&f.Form2());
    list()->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(list()->hasFocus());
    EXPECT_EQ(list()->currentRow(), -1);
    EXPECT_FALSE(wmp.calls.contains("Play"));
    // Nothing selected: Space and "播放\停止" leave everything as it was.
    f.PlayMode = PlayMode(3);  // a value no handler sets
    QTest::keyClick(list(), Qt::Key_Space);
    clickButton(4);
    EXPECT_EQ(f.PlayMode, PlayMode(3));
    EXPECT_EQ(f.IsPlaying, 0);
    f.PlayMode = PlayMode::Idle;
    // "上一句" with nothing selected does nothing; "下一句" plays the first, then the last.
    clickButton(2);
    EXPECT_EQ(list()->currentRow(), -1);
    QString seen;
    for (int row : {0, 1}) {
        stopAt = now + 50;
        actions.insert({now + 20, [&] { seen = f.LastSentence; }});
        clickButton(3);
        EXPECT_EQ(list()->currentRow(), row);
        EXPECT_EQ(seen, row == 0 ? kItem0 : "0038400576");
        advance(600);
    }
    const qsizetype calls = wmp.calls.size();
    clickButton(3);  // on the last: nothing
    EXPECT_EQ(wmp.calls.size(), calls);
    stopAt = now + 50;
    clickButton(2);
    EXPECT_EQ(list()->currentRow(), 0);
    advance(600);
    const qsizetype calls2 = wmp.calls.size();
    clickButton(2);  // on the first: nothing
    EXPECT_EQ(wmp.calls.size(), calls2);
    // The right button plays from the cursor and leaves the selection.
    stopAt = now + 50;
    clickItem(1, Qt::RightButton);
    EXPECT_TRUE(wmp.calls.mid(calls2).contains("Play"));
    EXPECT_EQ(list()->currentRow(), 0);
}

TEST_F(RehearsalTest, JoinSplitAndTheListsFollowThePartSwitches) {
    Form1& f = startLyrics();
    ASSERT_EQ(list()->count(), 2);
    stopAt = now + 20;
    clickItem(0);
    advance(600);
    clickButton(0);  // join all three
    ASSERT_EQ(list()->count(), 1);
    EXPECT_EQ(list()->item(0)->text().left(12), "春天来了 花儿开 鸟儿叫");
    EXPECT_EQ(list()->currentRow(), -1);
    stopAt = now + 20;
    clickItem(0);
    advance(600);
    clickButton(1);  // split the last phrase off again
    EXPECT_EQ(list()->count(), 2);
    EXPECT_EQ(f.song->Parts[2].PhraseJoinBits[0], 1u);
    // Part switches: the track view's, New.
    QTest::mouseClick(f.Picture4[0].widget(), Qt::LeftButton, {}, QPoint(50, f.song->Parts[3].StripTop + 10));
    EXPECT_EQ(f.Form2().VisibleList(), 3);
    f.song->Notes[6] = f.song->Notes[2];  // an earlier song's sixth part
    f.song->Parts[6].NoteCount = f.song->Parts[2].NoteCount;
    f.BuildSentenceLists(6);
    ASSERT_EQ(list(6)->count(), 3);  // no joins there
    f.NewProject();
    EXPECT_EQ(f.Form2().VisibleList(), 1);
    EXPECT_EQ(list(2)->count(), 0);
    click(f.Label12);  // a sixth part starts with an empty list
    EXPECT_EQ(list(6)->count(), 0);
    // The window: on top, shown without activation; closing hides it; "词" shows it again.
    EXPECT_EQ(f.Form2().windowTitle(), "歌词窗口");
    EXPECT_TRUE(f.Form2().windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(f.Form2().testAttribute(Qt::WA_ShowWithoutActivating));
    f.Form2().close();
    EXPECT_FALSE(f.Form2().isVisible());
    click(f.Command4[0]);
    EXPECT_TRUE(f.Form2().isVisible());
    clickButton(5);
    EXPECT_FALSE(f.Form2().isVisible());
}

TEST_F(RehearsalTest, InstrumentPreviewAssignAndCancel) {
    Form1& f = startSong(10);
    auto* l3 = static_cast<QListWidget*>(f.List3.widget());
    auto clickEntry = [&](int entry, bool dbl = false) {
        QCoreApplication::processEvents();
        l3->scrollToItem(l3->item(entry));
        QCoreApplication::processEvents();
        const QPoint at = l3->visualItemRect(l3->item(entry)).center();
        QTest::mouseClick(l3->viewport(), Qt::LeftButton, {}, at);
        if (dbl) QTest::mouseDClick(l3->viewport(), Qt::LeftButton, {}, at);  // the second press
    };
    // The last n messages as sent: a program change has one data byte.
    auto tail = [&](size_t n) {
        std::vector<uint32_t> out(midi.messages.end() - long(n), midi.messages.end());
        for (uint32_t& m : out)
            if ((m & 0xF0) == 0xC0) m &= 0xFFFF;
        return out;
    };
    click(f.Label16[2]);
    EXPECT_EQ(f.song->CurrentPart, 2);
    EXPECT_LT(f.List3.Top(), 768);
    clickEntry(24);
    EXPECT_EQ(tail(4), (std::vector<uint32_t>{0x3C81, 0x18C1, 0x643C91, 0xC1}));
    click(f.Check1[22]);  // "MID" off
    clickEntry(23);
    clickEntry(24);
    EXPECT_EQ(tail(4)[2], 0x3C91u);
    click(f.Label16[3]);
    clickEntry(40, true);
    EXPECT_EQ(tail(2), (std::vector<uint32_t>{0x3C82, 0x28C2}));
    EXPECT_EQ(f.song->Parts[3].Program, 40);
    EXPECT_EQ(f.Label16[3].Caption(), f.List3.List(40));
    EXPECT_GE(f.List3.Top(), 768);
    click(f.Label16[2]);
    const size_t before = midi.messages.size();
    QTest::mouseClick(l3->viewport(), Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_EQ(midi.messages.size(), before + 1);
    EXPECT_EQ(midi.messages.back(), 0x3C81u);
    EXPECT_GE(f.List3.Top(), 768);
}

TEST_F(RehearsalTest, VolumeBarsMp3AccompanimentAndLoopSwitches) {
    Form1& f = startSong(10);
    QWidget* track = f.Label4[12].widget();
    QTest::mousePress(track, Qt::LeftButton, {}, QPoint(0, 4));
    QTest::mouseRelease(track, Qt::LeftButton, {}, QPoint(0, 4));
    EXPECT_EQ(f.song->Parts[2].Volume, 1);
    EXPECT_EQ(f.Label4[2].Width(), 1);
    click(f.Check1[32]);  // "MP3" on
    QTest::mousePress(track, Qt::LeftButton, {}, QPoint(10, 4));
    QTest::mouseMove(track, QPoint(200, 4));
    QTest::mouseRelease(track, Qt::LeftButton, {}, QPoint(200, 4));
    EXPECT_EQ(f.song->Parts[2].Volume, 127);
    EXPECT_EQ(f.Label4[2].Width(), 127);
    EXPECT_EQ(f.NoteTemplates.NoteOnTemplate(2) >> 16, 127);
    EXPECT_EQ(parts[2].volume, 100);
    click(f.Check1[32]);  // off: muted, the position runs on
    EXPECT_TRUE(parts[2].mute);
    EXPECT_FALSE(parts[2].calls.contains("Pause"));
    parts[2].volume = 5;
    click(f.Check1[32]);
    EXPECT_FALSE(parts[2].mute);
    EXPECT_EQ(parts[2].volume, 100);
    // "伴奏" mutes the accompaniment; "循环播放" parks the loop end and hides its markers.
    const bool accompaniment = f.Check3[0].Value() == 1;
    click(f.Check3[0]);
    EXPECT_EQ(wmp.mute, accompaniment);
    f.Check3[2].SetValue(1);
    f.song->LoopEnd = 1920;
    const std::pair<int32_t, bool> loop[] = {{5001920, false}, {1920, true}};
    for (const auto& [end, shown] : loop) {
        click(f.Check3[2]);
        EXPECT_EQ(f.song->LoopEnd, end);
        EXPECT_EQ(f.Label10[0].Visible(), shown);
        EXPECT_EQ(f.Label10[1].Visible(), shown);
    }
}

TEST_F(RehearsalTest, OffsetsAccompanimentFileAndMidiStop) {
    Form1& f = startSong(10);
    struct Case {
        std::optional<QString> answer;
        float stored;
        const char* shown;
    } cases[] = {{"-1.5", 1.5f, "1.5"}, {"", 0, "0"}, {"0.25", 0.25f, "0.25"}, {std::nullopt, 0.25f, "0.25"},
                 {"40", 32.767f, "32.767"}};
    for (const Case& c : cases) {
        const QString before = f.Labjq[2].Caption();
        dialogs.inputAnswers.push_back(c.answer);
        click(f.Labjq[2]);
        const auto& call = dialogs.calls.back();
        EXPECT_EQ(call.prompt, "请输入本声部mp3文件时间偏移");
        EXPECT_EQ(call.title, "提示");
        EXPECT_EQ(call.defaultText, before);
        EXPECT_EQ(f.AudioTimeOffsets[2], c.stored);
        EXPECT_EQ(f.Labjq[2].Caption(), c.shown);
    }
    f.Command2_Click(6);  // the song-settings panel with the accompaniment box
    const QRect panel(0, 0, int(f.Frame2.Width()), int(f.Frame2.Height()));
    for (vb::Control* c : std::initializer_list<vb::Control*>{&f.Labjq[0], &f.Text3, &f.Command6, &f.Command8})
        EXPECT_TRUE(panel.contains(c->widget()->geometry())) << c->Name().toStdString();
    dialogs.inputAnswers.push_back("2");
    click(f.Labjq[0]);
    EXPECT_EQ(dialogs.calls.back().prompt, "请输入伴奏mp3文件时间偏移");
    EXPECT_EQ(f.AudioTimeOffsets[0], 2.0f);
    // "定位": chosen, cancelled, undecodable.
    const QString good = path("a.mp3"), bad = path("b.wav");
    wmp.badFiles.insert(bad);
    dialogs.fileAnswers = {good, std::nullopt, bad};
    click(f.Command6);
    EXPECT_EQ(dialogs.calls.back().file.filter, "波形文件(*.wav)|*.wav|音乐文件(*.mp3)|*.mp3|");
    EXPECT_EQ(f.Text3.Text(), good);
    EXPECT_EQ(wmp.url, good);
    wmp.position = 3.5;
    wmp.playing = true;
    wmp.status = mediastatus::Playing;
    click(f.Command6);
    click(f.Command6);
    EXPECT_EQ(f.Text3.Text(), good);
    EXPECT_EQ(wmp.url, good);
    EXPECT_EQ(wmp.position, 3.5);
    EXPECT_TRUE(wmp.playing);
    ASSERT_FALSE(dialogs.MsgBoxCalls().empty());
    EXPECT_TRUE(dialogs.MsgBoxCalls().back().prompt.contains("b.wav"));
    EXPECT_EQ(dialogs.MsgBoxCalls().back().title, "提示");
    click(f.Command8);
    EXPECT_EQ(midi.messages.back(), 0xFCu);
}
