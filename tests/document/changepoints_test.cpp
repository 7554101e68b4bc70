#include <gtest/gtest.h>

#include "support/songs.h"

#include "document/changepoints.h"
#include "document/newsong.h"
#include "document/songcodes.h"
#include "document/timeline.h"

using namespace doc;

namespace {

const QStringList kItems{"4/4", "2/4", "3/4", "6/8"};


ChangeOpening Insert(const Song& song, ChangeKind kind, PlayMode playMode = PlayMode::Idle, bool onScreen = true) {
    return PlanChangeInsertion(song, kind, playMode, onScreen, kItems);
}

void FillTempos(Song& song, int last) {
    for (int i = 1; i <= last; ++i) {
        song.TempoChangeTicks[i] = 96 * i;
        song.TempoChangeBpm[i] = 80;
    }
    song.TempoLastIndex = int16_t(last);
}

}  // namespace

TEST(ChangeInsertion, TickIsTheCursorRoundedToTwelveAndNeverTheStart) {
    auto song = testsongs::NewSong(true, true, true);
    for (auto [cursor, tick] : {std::pair{138, 144}, {17, 12}, {18, 24}, {6, 12}}) {  // a tie goes up
        song->CursorTick = cursor;
        ChangeOpening o = Insert(*song, ChangeKind::TimeSig);
        ASSERT_TRUE(o.Opened) << cursor;
        EXPECT_EQ(o.Panel.EditedChangeTick, tick) << cursor;
    }
    for (int cursor : {0, 5}) {
        song->CursorTick = cursor;
        for (ChangeKind kind : {ChangeKind::TimeSig, ChangeKind::Tempo, ChangeKind::Key}) {
            ChangeOpening o = Insert(*song, kind);
            EXPECT_FALSE(o.Opened) << cursor;
            EXPECT_EQ(o.Refusal, QString::fromUtf8("不能在开始处插入，请在歌曲设置里修改")) << cursor;
        }
    }
}

TEST(ChangeInsertion, FullListsAreRefused) {
    auto song = testsongs::NewSong(true, true, true);
    song->CursorTick = 384;
    FillTempos(*song, 38);
    EXPECT_EQ(Insert(*song, ChangeKind::Tempo).Panel.EditedChangeIndex, 39);
    FillTempos(*song, 39);
    song->KeyChangeLastIndex = 19;
    song->TimeSigLastIndex = 19;
    const std::pair<ChangeKind, const char*> full[] = {{ChangeKind::Tempo, "插入速度更改太多"},
                                                       {ChangeKind::Key, "插入调试更改太多"},
                                                       {ChangeKind::TimeSig, "插入节奏更改太多"}};
    for (auto [kind, message] : full) {
        ChangeOpening o = Insert(*song, kind);
        EXPECT_FALSE(o.Opened);
        EXPECT_EQ(o.Refusal, QString::fromUtf8(message));
    }
    song->KeyChangeLastIndex = 18;
    EXPECT_EQ(Insert(*song, ChangeKind::Key).Panel.EditedChangeIndex, 19);
}

TEST(ChangeInsertion, NothingHappensWhilePlayingOrWithTheCursorOffScreen) {
    auto song = testsongs::NewSong(true, true, true);
    song->CursorTick = 384;
    for (PlayMode mode : {PlayMode::Playing, PlayMode::CountIn, PlayMode::Armed}) {
        ChangeOpening o = Insert(*song, ChangeKind::Tempo, mode);
        EXPECT_FALSE(o.Opened) << int(mode);
        EXPECT_TRUE(o.Refusal.isEmpty()) << int(mode);
    }
    EXPECT_TRUE(Insert(*song, ChangeKind::Tempo, PlayMode::Stopped).Opened);
    EXPECT_FALSE(Insert(*song, ChangeKind::Tempo, PlayMode::Idle, false).Opened);
    // Off the screen even the start-of-song refusal is not shown.
    song->CursorTick = 0;
    EXPECT_TRUE(Insert(*song, ChangeKind::Tempo, PlayMode::Idle, false).Refusal.isEmpty());
}

TEST(ChangeInsertion, PresetWithTheValuesInForceAtTheCursor) {
    auto song = testsongs::NewSong(true, true, true);
    song->TimeSigLastIndex = 1;
    song->TimeSigTicks[1] = 192;
    song->TimeSigCodes[1] = TimeSigTextToCode("3/4");
    song->TempoLastIndex = 1;
    song->TempoChangeTicks[1] = 192;
    song->TempoChangeBpm[1] = 92.5f;
    song->KeyChangeLastIndex = 1;
    song->KeyChangeTicks[1] = 192;
    song->KeyChangeKeys[1] = -3;
    RebuildTimeline(*song, true);
    song->CursorTick = 400;
    EXPECT_EQ(Insert(*song, ChangeKind::TimeSig).Panel.TimeSigListIndex, 2);
    EXPECT_EQ(Insert(*song, ChangeKind::Tempo).Panel.TempoText, " 92.5");
    ChangeOpening k = Insert(*song, ChangeKind::Key);
    EXPECT_EQ(k.Panel.KeyListIndex, 9);
    EXPECT_TRUE(k.Panel.LowOctave);

    song->CursorTick = 100;  // before the changes: the song-start values
    EXPECT_EQ(Insert(*song, ChangeKind::Tempo).Panel.TempoText, " 80");
    EXPECT_FALSE(Insert(*song, ChangeKind::Key).Panel.LowOctave);
}

TEST(ChangeMarker, OpensWithTheEntrysValueAndDelete) {
    auto song = testsongs::NewSong(true, true, true);
    song->TempoLastIndex = 1;
    song->TempoChangeTicks[1] = 384;
    song->TempoChangeBpm[1] = 92.5f;
    RebuildTimeline(*song, true);
    ChangeOpening t = OpenChangeMarker(*song, ChangeKind::Tempo, 1, PlayMode::Idle, kItems);
    ASSERT_TRUE(t.Opened);
    EXPECT_EQ(t.Panel.TempoText, "92.5");
    EXPECT_EQ(t.Panel.EditedChangeTick, 384);
    EXPECT_TRUE(t.Panel.ShowDelete);
    EXPECT_FALSE(t.Panel.DisablesCommandColumn);
    // No marker beyond the list, none for entry 0, and none while playing.
    EXPECT_FALSE(OpenChangeMarker(*song, ChangeKind::Tempo, 2, PlayMode::Idle, kItems).Opened);
    EXPECT_FALSE(OpenChangeMarker(*song, ChangeKind::Tempo, 0, PlayMode::Idle, kItems).Opened);
    EXPECT_FALSE(OpenChangeMarker(*song, ChangeKind::Tempo, 1, PlayMode::Playing, kItems).Opened);
}

TEST(ChangeMarker, ATimeSignatureTheListLacksIsShownAndKept) {
    auto song = testsongs::NewSong(true, true, true);
    song->TimeSigLastIndex = 1;
    song->TimeSigTicks[1] = 384;
    song->TimeSigCodes[1] = TimeSigTextToCode("7/8");
    RebuildTimeline(*song, true);
    ChangeOpening o = OpenChangeMarker(*song, ChangeKind::TimeSig, 1, PlayMode::Idle, kItems);
    ASSERT_TRUE(o.Opened);
    EXPECT_EQ(o.Panel.TimeSigListIndex, -1);
    EXPECT_EQ(o.Panel.TimeSigText, "7/8");
    ChangeInput untouched;  // nothing selected in the list
    ASSERT_TRUE(ConfirmChange(*song, o.Panel, untouched, PlayMode::ChangePanel, true).Applied);
    EXPECT_EQ(song->TimeSigCodes[1], TimeSigTextToCode("7/8"));
}

TEST(ChangeConfirm, InsertStoresAndRebuilds) {
    auto song = testsongs::NewSong(true, true, true);
    song->CursorTick = 204;
    ChangeOpening o = Insert(*song, ChangeKind::TimeSig);
    ChangeInput in;
    in.TimeSigText = "3/4";
    ASSERT_TRUE(ConfirmChange(*song, o.Panel, in, PlayMode::ChangePanel, true).Applied);
    EXPECT_EQ(song->TimeSigLastIndex, 1);
    EXPECT_EQ(song->TimeSigCodes[1], 99);
    // The rebuild moved it onto the next bar line and numbered it.
    EXPECT_EQ(song->TimeSigTicks[1], 384);
    EXPECT_EQ(song->TimeSigBarNumbers[1], 2);
    EXPECT_EQ(song->Modified, -1);
    EXPECT_EQ(song->PlayEventsStale, -1);
    EXPECT_EQ(song->NeedsRetypeset, -1);

    song->CursorTick = 960;
    o = Insert(*song, ChangeKind::Tempo);
    in.TempoText = "120";
    ASSERT_TRUE(ConfirmChange(*song, o.Panel, in, PlayMode::ChangePanel, true).Applied);
    EXPECT_EQ(song->TempoChangeTicks[1], 960);
    EXPECT_DOUBLE_EQ(TickToSeconds(*song, 1200), 17.5);  // 15 s to 960, then 240 ticks at 120

    song->CursorTick = 500;
    o = Insert(*song, ChangeKind::Key);
    in.KeyListIndex = 9;
    in.LowOctave = true;
    ASSERT_TRUE(ConfirmChange(*song, o.Panel, in, PlayMode::ChangePanel, true).Applied);
    EXPECT_EQ(song->KeyChangeTicks[1], 504);
    EXPECT_EQ(song->KeyChangeKeys[1], -3);
}

TEST(ChangeConfirm, RefusalsEditsAndPlaying) {
    auto song = testsongs::NewSong(true, true, true);
    FillTempos(*song, 3);
    RebuildTimeline(*song, true);
    ChangeOpening o = OpenChangeMarker(*song, ChangeKind::Tempo, 2, PlayMode::Idle, kItems);
    ChangeInput in;
    for (const char* tempo : {"25", "180.5"}) {
        in.TempoText = tempo;
        ChangeResult r = ConfirmChange(*song, o.Panel, in, PlayMode::ChangePanel, true);
        EXPECT_FALSE(r.Applied);
        EXPECT_EQ(r.Refusal, QString::fromUtf8("速度超出范围 (请填写30~180)"));
    }
    in.TempoText = "100";
    EXPECT_FALSE(ConfirmChange(*song, o.Panel, in, PlayMode::Playing, true).Applied);  // playing
    EXPECT_EQ(song->TempoChangeBpm[2], 80.0f);
    EXPECT_EQ(song->Modified, 0);
    // An edited entry is overwritten in place.
    ASSERT_TRUE(ConfirmChange(*song, o.Panel, in, PlayMode::ChangePanel, true).Applied);
    EXPECT_EQ(song->TempoLastIndex, 3);
    EXPECT_EQ(song->TempoChangeTicks[2], 192);
    EXPECT_EQ(song->TempoChangeBpm[2], 100.0f);
    in.TempoText = "30";
    EXPECT_TRUE(ConfirmChange(*song, o.Panel, in, PlayMode::ChangePanel, true).Applied);
}

TEST(ChangeDelete, TheLastEntryTakesTheDeletedPlace) {
    auto song = testsongs::NewSong(true, true, true);
    song->KeyChangeLastIndex = 3;
    song->KeyChangeTicks = {0, 384, 768, 1152};
    song->KeyChangeKeys = {0, 2, 4, 5};
    RebuildTimeline(*song, true);
    ASSERT_TRUE(DeleteChange(*song, ChangeKind::Key, 1, PlayMode::ChangePanel, true).Applied);
    EXPECT_EQ(song->KeyChangeLastIndex, 2);
    // The rebuild restored the tick order.
    EXPECT_EQ(song->KeyChangeTicks[1], 768);
    EXPECT_EQ(song->KeyChangeKeys[1], 4);
    EXPECT_EQ(song->KeyChangeKeys[2], 5);
    EXPECT_EQ(song->Modified, -1);
    // Entry 0 stays; nothing beyond the list; nothing while playing.
    EXPECT_FALSE(DeleteChange(*song, ChangeKind::Key, 0, PlayMode::ChangePanel, true).Applied);
    EXPECT_FALSE(DeleteChange(*song, ChangeKind::Key, 3, PlayMode::ChangePanel, true).Applied);
    EXPECT_FALSE(DeleteChange(*song, ChangeKind::Key, 1, PlayMode::CountIn, true).Applied);
    EXPECT_EQ(song->KeyChangeLastIndex, 2);
}

TEST(ChangeDelete, ATimeSignatureAfterTheDeletedOneMovesToTheNextBarLine) {
    auto song = testsongs::NewSong(true, true, true);
    song->TimeSigLastIndex = 2;
    song->TimeSigTicks[1] = 192;
    song->TimeSigCodes[1] = TimeSigTextToCode("3/4");
    song->TimeSigTicks[2] = 336;
    song->TimeSigCodes[2] = TimeSigTextToCode("2/4");
    RebuildTimeline(*song, true);
    ASSERT_TRUE(DeleteChange(*song, ChangeKind::TimeSig, 1, PlayMode::Idle, true).Applied);
    EXPECT_EQ(song->TimeSigLastIndex, 1);
    EXPECT_EQ(song->TimeSigCodes[1], TimeSigTextToCode("2/4"));
    EXPECT_EQ(song->TimeSigTicks[1], 384);  // now on the 4/4 bar line after 336
}

TEST(ChangeKeys, CtrlRTAndVAndThePanelStaysOnTheScreen) {
    ChangeKind kind = ChangeKind::Key;
    EXPECT_TRUE(ChangeKindForKey(82, 2, &kind));
    EXPECT_EQ(kind, ChangeKind::TimeSig);
    EXPECT_TRUE(ChangeKindForKey(84, 2, &kind));
    EXPECT_EQ(kind, ChangeKind::Tempo);
    EXPECT_TRUE(ChangeKindForKey(86, 2, &kind));
    EXPECT_EQ(kind, ChangeKind::Key);
    EXPECT_FALSE(ChangeKindForKey(82, 0, &kind));
    EXPECT_FALSE(ChangeKindForKey(82, 3, &kind));  // Ctrl+Shift
    EXPECT_FALSE(ChangeKindForKey(78, 2, &kind));  // Ctrl+N
    EXPECT_EQ(InsertionPanelLeft(100, 1920, 200), 100);
    EXPECT_EQ(InsertionPanelLeft(1800, 1920, 200), 1711);
    EXPECT_EQ(InsertionPanelLeft(1800, 1920, 250), 1670);
}
