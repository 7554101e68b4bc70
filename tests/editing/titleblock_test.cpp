#include <gtest/gtest.h>

#include "document/newsong.h"
#include "editing/titleblock.h"
#include "support/text.h"

using namespace editing;

namespace {

struct Fixture {
    std::unique_ptr<doc::Song> song = doc::Song::create();
    vb::ScriptedDialogs dialogs;
    Fixture() {
        doc::NewProject(*song);
        song->Modified = 0;
        song->NeedsRetypeset = 0;
        song->Title = U("旧歌名");
        song->Subtitle.clear();
    }
};

}  // namespace

TEST(TitleBlock, FixedCaptionsAndALockedBlockAskNothing) {
    for (int i : {1, 2, 3}) {
        Fixture f;
        EXPECT_FALSE(EditTitleField(*f.song, f.dialogs, i, true));
        EXPECT_TRUE(f.dialogs.calls.empty());
    }
    Fixture f;
    f.dialogs.inputAnswers.push_back("New");
    EXPECT_FALSE(EditTitleField(*f.song, f.dialogs, 0, false));
    EXPECT_TRUE(f.dialogs.calls.empty());
    EXPECT_EQ(f.song->Title, U("旧歌名"));
}

TEST(TitleBlock, AnswersTrimmedAndStoredInTheirFields) {
    Fixture f;
    f.dialogs.inputAnswers = {U("  新的歌  "), "L", "C", "S"};
    auto r = EditTitleField(*f.song, f.dialogs, 0, true);
    ASSERT_TRUE(r);
    EXPECT_EQ(*r, U("新的歌"));
    EXPECT_EQ(f.song->Title, U("新的歌"));
    EXPECT_EQ(f.dialogs.calls[0].prompt, U("歌名"));
    EXPECT_EQ(f.dialogs.calls[0].title, U("请输入信息"));
    EXPECT_EQ(f.song->Modified, -1);
    EXPECT_EQ(f.song->NeedsRetypeset, -1);
    for (int i : {4, 5, 6}) EditTitleField(*f.song, f.dialogs, i, true);
    EXPECT_EQ(f.song->Lyricist, "L");
    EXPECT_EQ(f.song->Composer, "C");
    EXPECT_EQ(f.song->Singer, "S");
    EXPECT_EQ(f.dialogs.calls[3].prompt, U("演唱者"));
}

TEST(TitleBlock, BlankOrCancelKeepsTheOldText) {
    Fixture f;
    f.dialogs.inputAnswers.push_back("   ");
    EXPECT_FALSE(EditTitleField(*f.song, f.dialogs, 0, true));
    f.dialogs.inputAnswers.push_back("");
    EXPECT_FALSE(EditTitleField(*f.song, f.dialogs, 7, true));
    EXPECT_EQ(f.song->Title, U("旧歌名"));
    EXPECT_EQ(f.song->Modified, 0);
}

TEST(TitleBlock, TitleHoldsAtMost22BytesOtherFields28Units) {
    Fixture f;
    const QString eleven = U("一二三四五六七八九十壹");  // 22 bytes
    f.dialogs.inputAnswers.push_back(eleven + "x");
    f.dialogs.inputAnswers.push_back(eleven);
    ASSERT_TRUE(EditTitleField(*f.song, f.dialogs, 0, true));
    EXPECT_EQ(f.song->Title, eleven);
    auto boxes = f.dialogs.MsgBoxCalls();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt, U("长度超出范围"));
    EXPECT_EQ(boxes[0].title, U("提示"));
    // Asked again after the message.
    ASSERT_EQ(f.dialogs.calls.size(), 3u);
    EXPECT_EQ(f.dialogs.calls[2].kind, "InputBox");
    EXPECT_TRUE(TitleFieldFits(4, QString(28, 'a')));
    EXPECT_FALSE(TitleFieldFits(4, QString(29, 'a')));
    EXPECT_TRUE(TitleFieldFits(7, U("一二三四五六七八九十一二三四")));
    EXPECT_FALSE(TitleFieldFits(7, U("一二三四五六七八九十一二三四五")));
    EXPECT_FALSE(TitleFieldFits(5, QString()));
}

TEST(TitleBlock, SubtitleMovesTheTitleUp) {
    Fixture f;
    EXPECT_EQ(TitleLabelTop(*f.song), 8);
    f.dialogs.inputAnswers.push_back(U("副"));
    ASSERT_TRUE(EditTitleField(*f.song, f.dialogs, 7, true));
    EXPECT_EQ(TitleLabelTop(*f.song), 0);
}

TEST(TitleBlock, UnlockCodeIsExact) {
    vb::ScriptedDialogs d;
    d.inputAnswers = {"kud49QXR", "KUD49qxr", ""};
    EXPECT_FALSE(AskTitleUnlock(d));
    EXPECT_TRUE(AskTitleUnlock(d));
    EXPECT_FALSE(AskTitleUnlock(d));
    int beeps = 0;
    for (auto& c : d.calls) beeps += c.kind == "Beep";
    EXPECT_EQ(beeps, 1);
}
