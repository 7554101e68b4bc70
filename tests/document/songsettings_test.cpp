#include <gtest/gtest.h>

#include "support/songs.h"

#include "document/newsong.h"
#include "document/projectfile.h"
#include "document/songcodes.h"
#include "document/songsettings.h"
#include "document/timeline.h"

using namespace doc;

namespace {

const QStringList kTimeSigItems{"4/4", "2/4", "3/4", "6/8"};

SongSettingsInput Input(const char* start, const char* length, const char* tempo) {
    SongSettingsInput in;
    in.StartText = QString::fromUtf8(start);
    in.LengthText = QString::fromUtf8(length);
    in.TempoText = QString::fromUtf8(tempo);
    in.TimeSigText = "4/4";
    in.KeyListIndex = 0;
    in.LowOctave = false;
    return in;
}

}  // namespace

TEST(SongSettings, OutOfRangeInputsAreRefusedAndChangeNothing) {
    const char* kTime = "时间填写错误超出范围";
    const char* kTempo = "速度超出范围 (请填写30~180)";
    const char* cases[][4] = {
        {"0", "9.9", "80", kTime},  {"0", "600.5", "80", kTime}, {"0", "-5", "80", "结束时间填写错误"},
        {"-1", "180", "80", "开始时间填写错误"}, {"-1", "-5", "80", "开始时间填写错误"},  // start checked first
        {"0", "180", "", kTempo},   {"0", "180", "29.9", kTempo}, {"0", "180", "180.5", kTempo},
        {"0", "9", "", kTime},                                                           // length before tempo
    };
    for (auto& c : cases) {
        auto song = testsongs::NewSong(true, true, true);
        SongSettingsResult r = ApplySongSettings(*song, Input(c[0], c[1], c[2]), true);
        EXPECT_FALSE(r.Applied) << c[0] << " " << c[1] << " " << c[2];
        EXPECT_EQ(r.Refusal, QString::fromUtf8(c[3]));
        EXPECT_EQ(song->SongLength, 11520);
        EXPECT_EQ(song->TempoChangeBpm[0], 80.0f);
        EXPECT_EQ(song->Modified, 0);
        EXPECT_EQ(song->PlayEventsStale, 0);
    }
}

TEST(SongSettings, LimitsAreAcceptedAndTheLengthFollows) {
    auto song = testsongs::NewSong(true, true, true);
    ASSERT_TRUE(ApplySongSettings(*song, Input("0", "600", "80"), true).Applied);
    EXPECT_EQ(song->SongLength, 38400);
    EXPECT_EQ(song->Modified, -1);
    EXPECT_EQ(song->PlayEventsStale, -1);
    EXPECT_EQ(song->NeedsRetypeset, -1);
    ASSERT_TRUE(ApplySongSettings(*song, Input("", "10", "80"), true).Applied);
    EXPECT_EQ(song->SongLength, 576);
    EXPECT_EQ(song->SongStartSeconds, 0.0);  // an empty start reads zero
    ASSERT_TRUE(ApplySongSettings(*song, Input(" 2.5 s", "180", "30"), true).Applied);
    EXPECT_EQ(song->SongStartSeconds, 2.5);
    EXPECT_EQ(song->SongLength, 4224);  // 4320 ticks at 30 per minute, cut back to its bar
    EXPECT_TRUE(ApplySongSettings(*song, Input("0", "180", "180"), true).Applied);

    song->CursorTick = 11000;  // a cursor beyond the new end moves to it
    ASSERT_TRUE(ApplySongSettings(*song, Input("0", "60", "80"), true).Applied);
    EXPECT_EQ(song->CursorTick, 3840);
}

TEST(SongSettings, StoresAndReopensTheStartValues) {
    auto song = testsongs::NewSong(true, true, true);
    SongSettingsInput in = Input("1.5", "120", "92.5");
    in.TimeSigText = "3/4";
    in.KeyListIndex = 9;
    ASSERT_TRUE(ApplySongSettings(*song, in, true).Applied);
    EXPECT_EQ(song->TimeSigCodes[0], 99);
    EXPECT_EQ(song->KeyChangeKeys[0], 9);
    // 120 s at 92.5 per minute: 8880 ticks, a multiple of 48, cut back to its 144-tick bar.
    EXPECT_EQ(song->SongLength, 8784);
    SongSettingsPanel panel = SongSettingsPanelValues(*song, kTimeSigItems);
    EXPECT_EQ(panel.StartText, "1.5");
    EXPECT_EQ(panel.LengthText, "120");
    EXPECT_EQ(panel.TempoText, "92.5");
    EXPECT_EQ(panel.TimeSigListIndex, 2);
    EXPECT_EQ(panel.KeyListIndex, 9);
    EXPECT_FALSE(panel.LowOctave);
}

TEST(SongSettings, KeyAnOctaveLowerIsStoredAsMinusTwelveAndReopensTicked) {
    auto song = testsongs::NewSong(true, true, true);
    SongSettingsInput in = Input("0", "180", "80");
    in.LowOctave = true;
    ASSERT_TRUE(ApplySongSettings(*song, in, true).Applied);
    EXPECT_EQ(song->KeyChangeKeys[0], -12);

    // Saved and read back, the panel opens with the box ticked.
    const QByteArray bytes = BuildProjectFileBytes(*song, ProjectExtras());
    ASSERT_EQ(bytes.size(), 3100);
    EXPECT_EQ(bytes.mid(3098, 2), QByteArray::fromHex("F4FF"));
    ProjectLoad load = ParseProjectFile(bytes, "/tmp/k.brc");
    ASSERT_TRUE(load.Ok) << load.Error.toStdString();
    SongSettingsPanel reopened = SongSettingsPanelValues(*load.LoadedSong, kTimeSigItems);
    EXPECT_EQ(reopened.KeyListIndex, 0);
    EXPECT_TRUE(reopened.LowOctave);
}

TEST(SongSettings, ATimeSignatureTheListLacksIsShownAndKept) {
    auto song = testsongs::NewSong(true, true, true);
    song->TimeSigCodes[0] = TimeSigTextToCode("7/8");
    SongSettingsPanel panel = SongSettingsPanelValues(*song, kTimeSigItems);
    EXPECT_EQ(panel.TimeSigListIndex, -1);
    EXPECT_EQ(panel.TimeSigText, "7/8");
    SongSettingsInput in = Input("0", "180", "80");
    in.TimeSigText = "";  // confirmed untouched
    ASSERT_TRUE(ApplySongSettings(*song, in, true).Applied);
    EXPECT_EQ(song->TimeSigCodes[0], TimeSigTextToCode("7/8"));
}
