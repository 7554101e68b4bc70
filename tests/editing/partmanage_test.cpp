#include <gtest/gtest.h>

#include "document/newsong.h"
#include "document/parts.h"
#include "editing/partmanage.h"
#include "editing/partstrips.h"
#include "editing/trackview.h"
#include "support/text.h"

using namespace editing;
using doc::Song;

namespace {

struct Fixture {
    std::unique_ptr<Song> song = Song::create();
    UndoJournal journal;
    vb::ScriptedDialogs dialogs;
    Fixture() {
        doc::NewProject(*song);
        song->Modified = 0;
        song->NeedsRetypeset = 0;
        song->PlayEventsStale = 0;
        journal.Reset();
    }
    std::optional<AddedPart> Add() { return AddPart(*song, journal, dialogs, 10, 10); }
    DeleteResult Delete(int part, doc::PlayMode playMode = doc::PlayMode::Idle) {
        song->CurrentPart = int16_t(part);
        return DeleteCurrentPartCommand(*song, journal, dialogs, playMode);
    }
    QStringList Names() const { return doc::PartNames(*song); }
};

}  // namespace

TEST(AddPartTest, ThreePartsMakeEightAndANinthIsRefused) {
    Fixture f;
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(f.Add().has_value());
    EXPECT_EQ(f.song->PartCount, 8);
    EXPECT_TRUE(f.dialogs.calls.empty());
    EXPECT_FALSE(f.Add().has_value());
    EXPECT_EQ(f.song->PartCount, 8);
    auto boxes = f.dialogs.MsgBoxCalls();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt, U("最多8个声部，无法继续增加!"));
    EXPECT_EQ(boxes[0].buttons, vb::vbOKOnly);
}

TEST(AddPartTest, TheNewPartStartsCleanAtTheBottom) {
    Fixture f;
    // Leave traces of an earlier use in slot 6.
    doc::PartRecord& old = f.song->Parts[6];
    old.DisplayMode = 0;
    old.PhraseJoinBits = {1, 2, 3, 4};
    old.AudioOffsetMs = 250;
    old.MidiOn = 0;
    old.Program = 40;
    old.AudioFile = "/tmp/a.wav";
    old.NoteCount = 3;
    auto added = f.Add();
    ASSERT_TRUE(added);
    EXPECT_EQ(added->part, 6);
    const doc::PartRecord& r = f.song->Parts[6];
    EXPECT_EQ(r.Name, U("新声部"));
    EXPECT_EQ(r.DisplayMode, 1);
    EXPECT_EQ(r.PhraseJoinBits, (std::array<uint32_t, 4>{0, 0, 0, 0}));
    EXPECT_EQ(r.AudioOffsetMs, 0);
    EXPECT_EQ(r.MidiOn, 1);
    EXPECT_EQ(r.Program, 0);
    EXPECT_TRUE(r.AudioFile.isEmpty());
    EXPECT_EQ(r.NoteCount, 0);
    EXPECT_EQ(r.StripHeight, 120);
    // Program change 0 on channel 5: &HC5, program 0, data 100.
    EXPECT_EQ(added->programChange, 0x6400C5u);
    EXPECT_EQ(ProgramChangeMessage(8, 73), 0x6449C7u);
    EXPECT_EQ(f.song->Modified, -1);
    ArrangePartStrips(*f.song);
    EXPECT_EQ(f.song->Parts[6].StripTop, 600);
}

TEST(DeletePartTest, AsksAndSwapsTheLastPartIntoThePlace) {
    Fixture f;
    f.dialogs.msgBoxAnswers.push_back(vb::vbYes);
    EXPECT_EQ(f.Delete(3), DeleteResult::Deleted);
    auto boxes = f.dialogs.MsgBoxCalls();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt, U("确定要删除[女低]声部吗？"));
    EXPECT_EQ(boxes[0].title, U("提示"));
    EXPECT_EQ(boxes[0].buttons, vb::vbYesNo);
    EXPECT_EQ(boxes[0].icon, vb::vbCritical);
    EXPECT_EQ(f.Names(), (QStringList{U("领唱"), U("女高"), U("男低"), U("男高")}));
    EXPECT_EQ(f.song->Modified, -1);
    EXPECT_EQ(f.song->PlayEventsStale, -1);
    f.journal.Undo(*f.song);
    EXPECT_EQ(f.Names(), (QStringList{U("领唱"), U("女高"), U("女低"), U("男高"), U("男低")}));
}

TEST(DeletePartTest, DeclinedOrRefused) {
    Fixture f;
    f.dialogs.msgBoxAnswers.push_back(vb::vbNo);
    EXPECT_EQ(f.Delete(1), DeleteResult::Declined);
    EXPECT_EQ(f.song->Modified, 0);
    EXPECT_EQ(f.Delete(1, doc::PlayMode::Playing), DeleteResult::Refused);  // during playback
    EXPECT_EQ(f.dialogs.MsgBoxCalls().back().prompt, U("当前无法进行此操作！"));
    f.song->PartCount = 1;
    EXPECT_EQ(f.Delete(1), DeleteResult::Refused);
    EXPECT_EQ(f.dialogs.MsgBoxCalls().back().prompt, U("您无法删除最后一个声部！"));
    EXPECT_EQ(f.song->PartCount, 1);
}

TEST(DeletePartTest, UndoAfterAddingAPartStillBringsTheDeletedPartBack) {
    Fixture f;
    f.song->Notes[3][0] = doc::NoteRecord{0, 48, 62, "la", 0};
    f.song->Parts[3].NoteCount = 1;
    f.dialogs.defaultMsgBoxAnswer = vb::vbYes;
    ASSERT_EQ(f.Delete(3), DeleteResult::Deleted);
    ASSERT_EQ(f.Add()->part, 5);
    EXPECT_EQ(f.Names(), (QStringList{U("领唱"), U("女高"), U("男低"), U("男高"), U("新声部")}));
    f.journal.Undo(*f.song);
    EXPECT_EQ(f.Names(), (QStringList{U("领唱"), U("女高"), U("女低"), U("男高"), U("新声部"), U("男低")}));
    ASSERT_EQ(f.song->Parts[3].NoteCount, 1);
    EXPECT_EQ(f.song->Notes[3][0].Pitch, 62);
}

TEST(DeletePartTest, LinesOfAMovedDeletedPartKeepTheirExactValues) {
    Fixture f;
    // A drawn note whose start is wider than its five digits and whose lyric holds "=".
    const doc::NoteRecord wide{123456, 48, 62, "a=b", 0};
    f.song->Notes[3][0] = wide;
    f.song->Parts[3].NoteCount = 1;
    f.journal.AddNoteLine(3, wide);
    f.journal.Commit(U("写入音符"));
    f.dialogs.defaultMsgBoxAnswer = vb::vbYes;
    ASSERT_EQ(f.Delete(3), DeleteResult::Deleted);
    ASSERT_EQ(f.Add()->part, 5);  // the deleted part moves up a slot, its lines with it
    f.journal.Undo(*f.song);      // the deletion
    ASSERT_EQ(f.song->Parts[3].Name, U("女低"));
    ASSERT_EQ(f.song->Parts[3].NoteCount, 1);
    f.journal.Undo(*f.song);      // the drawing
    EXPECT_EQ(f.song->Parts[3].NoteCount, 0);
}

TEST(DeletePartTest, AnAddWithNoRoomLeftForTheDeletedPartsEndsTheirUndo) {
    Fixture f;
    for (int i = 0; i < 3; ++i) f.Add();
    f.dialogs.defaultMsgBoxAnswer = vb::vbYes;
    f.Delete(8);  // slot 8 held
    ASSERT_TRUE(f.journal.CanUndo());
    f.Add();
    EXPECT_EQ(f.song->PartCount, 8);
    EXPECT_FALSE(f.journal.CanUndo());
}

TEST(RenamePartTest, TrimmedAndCutToEightCharacters) {
    Fixture f;
    EXPECT_EQ(RenamePart(*f.song, 1, U("领唱")), U("领唱"));
    EXPECT_EQ(f.song->Modified, 0);  // unchanged
    EXPECT_EQ(RenamePart(*f.song, 2, U("  ABCDEFGHIJ  ")), U("ABCDEFGH"));
    EXPECT_EQ(f.song->Parts[2].Name, U("ABCDEFGH"));
    EXPECT_EQ(f.song->Modified, -1);
    EXPECT_EQ(f.song->NeedsRetypeset, -1);
}

TEST(SwatchTest, ColoursChosenCancelledOrIgnoredWhilePlaying) {
    Fixture f;
    f.dialogs.colorAnswers.push_back(vb::RGB(10, 20, 30));
    EXPECT_EQ(ChooseSwatchColour(*f.song, f.dialogs, 13, doc::PlayMode::Idle), SwatchResult::NoteColour);
    EXPECT_EQ(f.song->Parts[3].Colour2, vb::RGB(10, 20, 30));
    EXPECT_EQ(f.song->Modified, -1);
    f.song->Modified = 0;
    EXPECT_EQ(ChooseSwatchColour(*f.song, f.dialogs, 1, doc::PlayMode::Idle), SwatchResult::Cancelled);
    EXPECT_EQ(f.song->Modified, 0);
    // While playing the first swatch is ignored, the second still works.
    const size_t asked = f.dialogs.calls.size();
    f.dialogs.colorAnswers.push_back(vb::RGB(9, 9, 9));
    EXPECT_EQ(ChooseSwatchColour(*f.song, f.dialogs, 2, doc::PlayMode::Playing), SwatchResult::Ignored);
    EXPECT_EQ(f.dialogs.calls.size(), asked);
    EXPECT_EQ(ChooseSwatchColour(*f.song, f.dialogs, 12, doc::PlayMode::Playing), SwatchResult::NoteColour);
    EXPECT_EQ(f.song->Parts[2].Colour2, vb::RGB(9, 9, 9));
}

TEST(DisplayModeTest, ThreeClicksReturnToTheFirstMode) {
    Fixture f;
    QStringList captions;
    for (int i = 0; i < 3; ++i) captions << DisplayModeCaption(NextDisplayMode(*f.song, 1));
    EXPECT_EQ(captions, (QStringList{U("音"), U("无"), U("词")}));
    EXPECT_EQ(f.song->Modified, -1);
}

TEST(AudioFileTest, ChosenCancelledOrRefused) {
    Fixture f;
    f.song->CurrentPart = 2;
    f.dialogs.fileAnswers.push_back(U("/home/歌/女高.wav"));
    ASSERT_TRUE(ChoosePartAudioFile(*f.song, f.dialogs));
    EXPECT_EQ(f.song->Parts[2].AudioFile, U("/home/歌/女高.wav"));
    EXPECT_EQ(f.dialogs.calls[0].file.filter, U("波形文件(*.wav)|*.wav|音乐文件(*.mp3)|*.mp3|"));
    EXPECT_FALSE(ChoosePartAudioFile(*f.song, f.dialogs));  // cancelled
    EXPECT_EQ(f.song->Parts[2].AudioFile, U("/home/歌/女高.wav"));

    Fixture g;
    g.dialogs.fileAnswers.push_back(U("/home/music/\u266B.wav"));  // no GBK form
    EXPECT_FALSE(ChoosePartAudioFile(*g.song, g.dialogs));
    EXPECT_EQ(g.dialogs.MsgBoxCalls().size(), 1u);
    // 领唱 takes 4 bytes: 462 bytes of path fit, 463 do not.
    const QString fits = "/" + QString(457, 'a') + ".wav";
    EXPECT_TRUE(PartAudioPathFits(g.song->Parts[1], fits));
    EXPECT_FALSE(PartAudioPathFits(g.song->Parts[1], "a" + fits));
    g.dialogs.fileAnswers.push_back("a" + fits);
    EXPECT_FALSE(ChoosePartAudioFile(*g.song, g.dialogs));
    EXPECT_EQ(g.dialogs.MsgBoxCalls().size(), 2u);
    EXPECT_TRUE(g.song->Parts[1].AudioFile.isEmpty());
    EXPECT_EQ(g.song->Modified, 0);
}

TEST(VerseButtonTest, ThreeVersesCycle) {
    int verse = 0;
    QStringList captions;
    for (int i = 0; i < 3; ++i) {
        auto next = NextVerseIndex(3, verse);
        ASSERT_TRUE(next);
        verse = *next;
        captions << VerseButtonCaption(verse);
    }
    EXPECT_EQ(captions, (QStringList{"2", "3", "1"}));
    EXPECT_FALSE(NextVerseIndex(1, 0));
}
