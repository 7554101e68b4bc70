#include <gtest/gtest.h>

#include "document/newsong.h"
#include "document/projectfile.h"
#include "document/songcodes.h"
#include "document/songsettings.h"
#include "document/timeline.h"

using namespace doc;

namespace {

std::unique_ptr<Song> NewSong() {
    auto song = Song::create();
    NewProject(*song);
    RebuildTimeline(*song, true);
    song->Modified = 0;
    song->PlayEventsStale = 0;
    song->NeedsRetypeset = 0;
    return song;
}

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

// A refused input leaves the song exactly as it was.
void ExpectRefused(const SongSettingsInput& in, const char* message) {
    auto song = NewSong();
    SongSettingsResult r = ApplySongSettings(*song, in, true);
    EXPECT_FALSE(r.Applied);
    EXPECT_EQ(r.Refusal, QString::fromUtf8(message));
    EXPECT_EQ(song->SongSeconds, 180.0);
    EXPECT_EQ(song->SongLength, 11520);
    EXPECT_EQ(song->SongStartSeconds, 0.0);
    EXPECT_EQ(song->TempoChangeBpm[0], 80.0f);
    EXPECT_EQ(song->Modified, 0);
    EXPECT_EQ(song->PlayEventsStale, 0);
    EXPECT_EQ(song->NeedsRetypeset, 0);
}

}  // namespace

TEST(SongSettings, LengthOutsideTenToSixHundredSecondsIsRefused) {
    ExpectRefused(Input("0", "9.9", "80"), "时间填写错误超出范围");
    ExpectRefused(Input("0", "600.5", "80"), "时间填写错误超出范围");
    ExpectRefused(Input("0", "-5", "80"), "结束时间填写错误");
}

TEST(SongSettings, LengthOfSixHundredOrTenSecondsIsAccepted) {
    auto song = NewSong();
    SongSettingsResult r = ApplySongSettings(*song, Input("0", "600", "80"), true);
    EXPECT_TRUE(r.Applied);
    EXPECT_TRUE(r.Refusal.isEmpty());
    EXPECT_EQ(song->SongSeconds, 600.0);
    EXPECT_EQ(song->SongLength, 38400);  // 600 s at 80 per minute
    EXPECT_EQ(song->Modified, -1);
    EXPECT_EQ(song->PlayEventsStale, -1);
    EXPECT_EQ(song->NeedsRetypeset, -1);

    EXPECT_TRUE(ApplySongSettings(*song, Input("0", "10", "80"), true).Applied);
    EXPECT_EQ(song->SongLength, 576);
}

TEST(SongSettings, StartBelowZeroIsRefusedAndAnEmptyStartReadsZero) {
    ExpectRefused(Input("-1", "180", "80"), "开始时间填写错误");
    // The start is checked before the length.
    ExpectRefused(Input("-1", "-5", "80"), "开始时间填写错误");

    auto song = NewSong();
    EXPECT_TRUE(ApplySongSettings(*song, Input("", "180", "80"), true).Applied);
    EXPECT_EQ(song->SongStartSeconds, 0.0);
    EXPECT_TRUE(ApplySongSettings(*song, Input(" 2.5 s", "180", "80"), true).Applied);
    EXPECT_EQ(song->SongStartSeconds, 2.5);
}

TEST(SongSettings, TempoOutsideThirtyToOneHundredEightyIsRefused) {
    ExpectRefused(Input("0", "180", ""), "速度超出范围 (请填写30~180)");
    ExpectRefused(Input("0", "180", "29.9"), "速度超出范围 (请填写30~180)");
    ExpectRefused(Input("0", "180", "180.5"), "速度超出范围 (请填写30~180)");
    // The length is checked before the tempo.
    ExpectRefused(Input("0", "9", ""), "时间填写错误超出范围");

    auto song = NewSong();
    EXPECT_TRUE(ApplySongSettings(*song, Input("0", "180", "30"), true).Applied);
    EXPECT_EQ(song->TempoChangeBpm[0], 30.0f);
    EXPECT_EQ(song->SongLength, 4224);  // 4320 ticks at 30 per minute, cut back to its bar
    EXPECT_TRUE(ApplySongSettings(*song, Input("0", "180", "180"), true).Applied);
    EXPECT_EQ(song->TempoChangeBpm[0], 180.0f);
}

TEST(SongSettings, KeyAnOctaveLowerIsStoredAsMinusTwelveAndReopensTicked) {
    auto song = NewSong();
    SongSettingsInput in = Input("0", "180", "80");
    in.KeyListIndex = 0;  // "C 调  (+0)"
    in.LowOctave = true;
    ASSERT_TRUE(ApplySongSettings(*song, in, true).Applied);
    EXPECT_EQ(song->KeyChangeKeys[0], -12);

    SongSettingsPanel panel = SongSettingsPanelValues(*song, kTimeSigItems);
    EXPECT_EQ(panel.KeyListIndex, 0);
    EXPECT_TRUE(panel.LowOctave);

    // Saved: the key list follows the (empty) note slots and the time-signature and tempo lists.
    const QByteArray bytes = BuildProjectFileBytes(*song, ProjectExtras());
    const int notesAt = 512 * (song->PartCount + 1);
    const int tempoAt = notesAt + 6 * (song->TimeSigLastIndex + 1) + 4;
    const int keyAt = tempoAt + 8 * (song->TempoLastIndex + 1) + 4;
    ASSERT_GE(bytes.size(), keyAt + 6);
    EXPECT_EQ(uint8_t(bytes[keyAt + 4]), 0xF4);
    EXPECT_EQ(uint8_t(bytes[keyAt + 5]), 0xFF);

    // And read back, the panel opens with the box ticked.
    ProjectLoad load = ParseProjectFile(bytes, "/tmp/k.brc");
    ASSERT_TRUE(load.Ok) << load.Error.toStdString();
    SongSettingsPanel reopened = SongSettingsPanelValues(*load.LoadedSong, kTimeSigItems);
    EXPECT_EQ(reopened.KeyListIndex, 0);
    EXPECT_TRUE(reopened.LowOctave);
}

TEST(SongSettings, StoresTheStartValues) {
    auto song = NewSong();
    SongSettingsInput in = Input("1.5", "120", "92.5");
    in.TimeSigText = "3/4";
    in.KeyListIndex = 9;
    ASSERT_TRUE(ApplySongSettings(*song, in, true).Applied);
    EXPECT_EQ(song->TimeSigCodes[0], TimeSigTextToCode("3/4"));
    EXPECT_EQ(song->TempoChangeBpm[0], 92.5f);
    EXPECT_EQ(song->KeyChangeKeys[0], 9);
    EXPECT_EQ(song->SongStartSeconds, 1.5);
    EXPECT_EQ(song->SongSeconds, 120.0);
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

TEST(SongSettings, PanelOfANewSong) {
    auto song = NewSong();
    SongSettingsPanel panel = SongSettingsPanelValues(*song, kTimeSigItems);
    EXPECT_EQ(panel.StartText, "0");
    EXPECT_EQ(panel.LengthText, "180");
    EXPECT_EQ(panel.TempoText, "80");
    EXPECT_EQ(panel.TimeSigListIndex, 0);
    EXPECT_EQ(panel.TimeSigText, "4/4");
    EXPECT_EQ(panel.KeyListIndex, 0);
    EXPECT_FALSE(panel.LowOctave);
}

TEST(SongSettings, ATimeSignatureTheListLacksIsShownAndKept) {
    auto song = NewSong();
    song->TimeSigCodes[0] = TimeSigTextToCode("7/8");
    SongSettingsPanel panel = SongSettingsPanelValues(*song, kTimeSigItems);
    EXPECT_EQ(panel.TimeSigListIndex, -1);
    EXPECT_EQ(panel.TimeSigText, "7/8");

    // Confirmed untouched: nothing is selected in the list, and the song keeps 7/8.
    SongSettingsInput in = Input("0", "180", "80");
    in.TimeSigText = "";
    ASSERT_TRUE(ApplySongSettings(*song, in, true).Applied);
    EXPECT_EQ(song->TimeSigCodes[0], TimeSigTextToCode("7/8"));
}

TEST(SongSettings, ACursorBeyondTheNewEndMovesToIt) {
    auto song = NewSong();
    song->CursorTick = 11000;
    ASSERT_TRUE(ApplySongSettings(*song, Input("0", "60", "80"), true).Applied);
    EXPECT_EQ(song->SongLength, 3840);
    EXPECT_EQ(song->CursorTick, 3840);
}
