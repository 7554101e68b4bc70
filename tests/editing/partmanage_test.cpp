#include <gtest/gtest.h>

#include "document/newsong.h"
#include "document/parts.h"
#include "editing/partmanage.h"
#include "editing/partstrips.h"
#include "editing/trackview.h"

using namespace editing;
using doc::Song;

namespace {

const QString U(const char* s) { return QString::fromUtf8(s); }

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
    void Put(int part, int32_t start, int pitch, const char* lyric) {
        doc::NoteRecord& n = song->Notes[part][song->Parts[part].NoteCount++];
        n = doc::NoteRecord{start, 48, uint8_t(pitch), U(lyric), 0};
    }
    std::optional<AddedPart> Add() { return AddPart(*song, journal, dialogs, 10, 10); }
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
    EXPECT_EQ(boxes[0].title, QString());
    EXPECT_TRUE(boxes[0].systemModal);
    EXPECT_EQ(boxes[0].buttons, vb::vbOKOnly);
}

TEST(AddPartTest, TheNewPartStartsCleanAtTheBottom) {
    Fixture f;
    // Leave traces of an earlier use in slot 6.
    doc::PartRecord& old = f.song->Parts[6];
    old.DisplayMode = 0;
    old.ShowInScore = 0;
    old.PhraseJoinBits = {1, 2, 3, 4};
    old.AudioOffsetMs = 250;
    old.AudioOn = 1;
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
    EXPECT_EQ(r.ShowInScore, 1);
    EXPECT_EQ(r.PhraseJoinBits, (std::array<uint32_t, 4>{0, 0, 0, 0}));
    EXPECT_EQ(r.AudioOffsetMs, 0);
    EXPECT_EQ(r.AudioOn, 0);
    EXPECT_EQ(r.MidiOn, 1);
    EXPECT_EQ(r.Program, 0);
    EXPECT_EQ(r.Volume, 100);
    EXPECT_EQ(r.Colour, 0x404000u);
    EXPECT_EQ(r.Colour2, 0xFFFFFFu);
    EXPECT_TRUE(r.AudioFile.isEmpty());
    EXPECT_EQ(r.NoteCount, 0);
    EXPECT_EQ(r.StripTopPitch, 21);  // range computed: no notes
    EXPECT_EQ(r.StripHeight, 120);
    // Program change 0 on channel 5: &HC5, program 0, data 100.
    EXPECT_EQ(added->programChange, 0x6400C5u);
    EXPECT_EQ(f.song->Modified, -1);
    StripLayout l = ArrangePartStrips(*f.song);
    EXPECT_EQ(l.order.back(), 6);
    EXPECT_EQ(f.song->Parts[6].StripTop, 600);
}

TEST(AddPartTest, ProgramChangeOfEachChannel) {
    EXPECT_EQ(ProgramChangeMessage(1, 0), 0x6400C0u);
    EXPECT_EQ(ProgramChangeMessage(8, 73), 0x6449C7u);
}

TEST(DeletePartTest, AsksAndSwapsTheLastPartIntoThePlace) {
    Fixture f;
    f.song->CurrentPart = 3;
    f.dialogs.msgBoxAnswers.push_back(vb::vbYes);
    EXPECT_EQ(DeleteCurrentPartCommand(*f.song, f.journal, f.dialogs, 0), DeleteResult::Deleted);
    auto boxes = f.dialogs.MsgBoxCalls();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt, U("确定要删除[女低]声部吗？"));
    EXPECT_EQ(boxes[0].title, U("提示"));
    EXPECT_EQ(boxes[0].buttons, vb::vbYesNo);
    EXPECT_EQ(boxes[0].icon, vb::vbCritical);
    EXPECT_TRUE(boxes[0].systemModal);
    EXPECT_EQ(f.Names(), (QStringList{U("领唱"), U("女高"), U("男低"), U("男高")}));
    EXPECT_EQ(f.song->Modified, -1);
    EXPECT_EQ(f.song->NeedsRetypeset, -1);
    EXPECT_EQ(f.song->PlayEventsStale, -1);
    f.journal.Undo(*f.song);
    EXPECT_EQ(f.Names(), (QStringList{U("领唱"), U("女高"), U("女低"), U("男高"), U("男低")}));
}

TEST(DeletePartTest, NoKeepsThePart) {
    Fixture f;
    f.dialogs.msgBoxAnswers.push_back(vb::vbNo);
    EXPECT_EQ(DeleteCurrentPartCommand(*f.song, f.journal, f.dialogs, 0), DeleteResult::Declined);
    EXPECT_EQ(f.song->PartCount, 5);
    EXPECT_EQ(f.song->Modified, 0);
}

TEST(DeletePartTest, TheLastPartAndPlaybackAreRefused) {
    Fixture f;
    EXPECT_EQ(DeleteCurrentPartCommand(*f.song, f.journal, f.dialogs, 6), DeleteResult::Refused);
    EXPECT_EQ(f.dialogs.MsgBoxCalls().back().prompt, U("当前无法进行此操作！"));
    EXPECT_EQ(f.song->PartCount, 5);
    f.song->PartCount = 1;
    EXPECT_EQ(DeleteCurrentPartCommand(*f.song, f.journal, f.dialogs, 0), DeleteResult::Refused);
    auto boxes = f.dialogs.MsgBoxCalls();
    EXPECT_EQ(boxes.back().prompt, U("您无法删除最后一个声部！"));
    EXPECT_EQ(boxes.back().title, U("提示"));
    EXPECT_EQ(boxes.back().buttons, vb::vbOKOnly);
    EXPECT_EQ(f.song->PartCount, 1);
}

TEST(DeletePartTest, UndoAfterAddingAPartStillBringsTheDeletedPartBack) {
    Fixture f;
    f.Put(3, 0, 62, "la");
    f.song->CurrentPart = 3;
    f.dialogs.msgBoxAnswers.push_back(vb::vbYes);
    ASSERT_EQ(DeleteCurrentPartCommand(*f.song, f.journal, f.dialogs, 0), DeleteResult::Deleted);
    auto added = f.Add();
    ASSERT_TRUE(added);
    EXPECT_EQ(added->part, 5);
    EXPECT_EQ(f.song->Parts[5].Name, U("新声部"));
    EXPECT_EQ(f.song->Parts[5].NoteCount, 0);
    EXPECT_EQ(f.Names(), (QStringList{U("领唱"), U("女高"), U("男低"), U("男高"), U("新声部")}));
    ASSERT_TRUE(f.journal.CanUndo());
    f.journal.Undo(*f.song);
    EXPECT_EQ(f.song->PartCount, 6);
    EXPECT_EQ(f.Names(),
              (QStringList{U("领唱"), U("女高"), U("女低"), U("男高"), U("新声部"), U("男低")}));
    ASSERT_EQ(f.song->Parts[3].NoteCount, 1);
    EXPECT_EQ(f.song->Notes[3][0].Pitch, 62);
}

TEST(DeletePartTest, TwoDeletionsThenAnAddUndoBoth) {
    Fixture f;
    f.dialogs.defaultMsgBoxAnswer = vb::vbYes;
    f.song->CurrentPart = 1;
    DeleteCurrentPartCommand(*f.song, f.journal, f.dialogs, 0);  // 领唱 out: 男低 女高 女低 男高
    f.song->CurrentPart = 2;
    DeleteCurrentPartCommand(*f.song, f.journal, f.dialogs, 0);  // 女高 out: 男低 男高 女低
    EXPECT_EQ(f.Names(), (QStringList{U("男低"), U("男高"), U("女低")}));
    f.Add();
    EXPECT_EQ(f.Names(), (QStringList{U("男低"), U("男高"), U("女低"), U("新声部")}));
    f.journal.Undo(*f.song);
    EXPECT_EQ(f.Names(), (QStringList{U("男低"), U("女高"), U("女低"), U("新声部"), U("男高")}));
    f.journal.Undo(*f.song);
    EXPECT_EQ(f.Names(),
              (QStringList{U("领唱"), U("女高"), U("女低"), U("新声部"), U("男高"), U("男低")}));
}

TEST(DeletePartTest, AnAddWithNoRoomLeftForTheDeletedPartsEndsTheirUndo) {
    Fixture f;
    for (int i = 0; i < 3; ++i) f.Add();
    f.dialogs.defaultMsgBoxAnswer = vb::vbYes;
    f.song->CurrentPart = 8;
    DeleteCurrentPartCommand(*f.song, f.journal, f.dialogs, 0);  // slot 8 held
    ASSERT_TRUE(f.journal.CanUndo());
    f.Add();
    EXPECT_EQ(f.song->PartCount, 8);
    EXPECT_FALSE(f.journal.CanUndo());
}

TEST(RenamePartTest, TrimmedAndCutToEightCharacters) {
    Fixture f;
    EXPECT_EQ(RenamePart(*f.song, 2, U("  ABCDEFGHIJ  ")), U("ABCDEFGH"));
    EXPECT_EQ(f.song->Parts[2].Name, U("ABCDEFGH"));
    EXPECT_EQ(f.song->Modified, -1);
    EXPECT_EQ(f.song->NeedsRetypeset, -1);
}

TEST(RenamePartTest, EmptyAndUnchangedNames) {
    Fixture f;
    EXPECT_EQ(RenamePart(*f.song, 1, U("领唱")), U("领唱"));
    EXPECT_EQ(f.song->Modified, 0);
    EXPECT_EQ(RenamePart(*f.song, 1, QString()), QString());
    EXPECT_EQ(f.song->Parts[1].Name, QString());
    EXPECT_EQ(f.song->Modified, -1);
}

TEST(SwatchTest, FirstAndSecondColours) {
    Fixture f;
    f.dialogs.colorAnswers.push_back(vb::RGB(10, 20, 30));
    EXPECT_EQ(ChooseSwatchColour(*f.song, f.dialogs, 13, 0), SwatchResult::NoteColour);
    EXPECT_EQ(f.song->Parts[3].Colour2, vb::RGB(10, 20, 30));
    EXPECT_EQ(f.song->Modified, -1);
    f.dialogs.colorAnswers.push_back(vb::RGB(1, 2, 3));
    EXPECT_EQ(ChooseSwatchColour(*f.song, f.dialogs, 3, 0), SwatchResult::StripColour);
    EXPECT_EQ(f.song->Parts[3].Colour, vb::RGB(1, 2, 3));
}

TEST(SwatchTest, FirstSwatchIgnoredWhilePlayingSecondStillWorks) {
    Fixture f;
    f.dialogs.colorAnswers.push_back(vb::RGB(9, 9, 9));
    EXPECT_EQ(ChooseSwatchColour(*f.song, f.dialogs, 2, 6), SwatchResult::Ignored);
    EXPECT_TRUE(f.dialogs.calls.empty());
    EXPECT_EQ(ChooseSwatchColour(*f.song, f.dialogs, 12, 6), SwatchResult::NoteColour);
    EXPECT_EQ(f.song->Parts[2].Colour2, vb::RGB(9, 9, 9));
}

TEST(SwatchTest, CancelChangesNothing) {
    Fixture f;
    EXPECT_EQ(ChooseSwatchColour(*f.song, f.dialogs, 1, 0), SwatchResult::Cancelled);
    EXPECT_EQ(f.song->Parts[1].Colour, 0x404000u);
    EXPECT_EQ(f.song->Modified, 0);
}

TEST(DisplayModeTest, ThreeClicksReturnToTheFirstMode) {
    Fixture f;
    EXPECT_EQ(NextDisplayMode(*f.song, 1), 2);
    EXPECT_EQ(DisplayModeCaption(2), U("音"));
    EXPECT_EQ(f.song->Modified, -1);
    EXPECT_EQ(NextDisplayMode(*f.song, 1), 0);
    EXPECT_EQ(DisplayModeCaption(0), U("无"));
    EXPECT_EQ(NextDisplayMode(*f.song, 1), 1);
    EXPECT_EQ(DisplayModeCaption(1), U("词"));
}

TEST(AudioFileTest, ChosenPathIsKept) {
    Fixture f;
    f.song->CurrentPart = 2;
    f.dialogs.fileAnswers.push_back(U("/home/歌/女高.wav"));
    auto path = ChoosePartAudioFile(*f.song, f.dialogs);
    ASSERT_TRUE(path);
    EXPECT_EQ(f.song->Parts[2].AudioFile, U("/home/歌/女高.wav"));
    EXPECT_EQ(f.song->Modified, -1);
    ASSERT_FALSE(f.dialogs.calls.empty());
    EXPECT_EQ(f.dialogs.calls[0].file.filter, U("波形文件(*.wav)|*.wav|音乐文件(*.mp3)|*.mp3|"));
}

TEST(AudioFileTest, CancelKeepsTheOldPath) {
    Fixture f;
    f.song->Parts[1].AudioFile = "/a.wav";
    EXPECT_FALSE(ChoosePartAudioFile(*f.song, f.dialogs));
    EXPECT_EQ(f.song->Parts[1].AudioFile, "/a.wav");
    EXPECT_EQ(f.song->Modified, 0);
}

TEST(AudioFileTest, PathsThatCannotBeSavedAreRefused) {
    Fixture f;
    f.dialogs.fileAnswers.push_back(U("/home/music/\u266B.wav"));  // no GBK form
    EXPECT_FALSE(ChoosePartAudioFile(*f.song, f.dialogs));
    EXPECT_EQ(f.dialogs.MsgBoxCalls().size(), 1u);
    EXPECT_TRUE(f.song->Parts[1].AudioFile.isEmpty());
    // 领唱 takes 4 bytes: 462 bytes of path fit, 463 do not.
    const QString fits = "/" + QString(457, 'a') + ".wav";
    ASSERT_EQ(fits.size(), 462);
    EXPECT_TRUE(PartAudioPathFits(f.song->Parts[1], fits));
    EXPECT_FALSE(PartAudioPathFits(f.song->Parts[1], "a" + fits));
    f.dialogs.fileAnswers.push_back("a" + fits);
    EXPECT_FALSE(ChoosePartAudioFile(*f.song, f.dialogs));
    EXPECT_EQ(f.dialogs.MsgBoxCalls().size(), 2u);
    EXPECT_EQ(f.dialogs.MsgBoxCalls().back().title, U("提示"));
    EXPECT_EQ(f.song->Modified, 0);
}

TEST(VerseButtonTest, ThreeVersesCycle) {
    int verse = 0;
    QStringList captions;
    for (int i = 0; i < 4; ++i) {
        auto next = NextVerseIndex(3, verse);
        ASSERT_TRUE(next);
        verse = *next;
        captions << VerseButtonCaption(verse);
    }
    EXPECT_EQ(captions, (QStringList{"2", "3", "1", "2"}));
    EXPECT_FALSE(NextVerseIndex(1, 0));
}
