#include "app/form1_fixture.h"

#include <QRegularExpression>
#include <QTime>
#include <QtTest/QTest>
#include <random>

#include "app/startup.h"

using namespace app;

TEST_F(Form1Test, RegionsAtTheirPixelPlacesOn1024x768) {
    Form1& f = start();
    auto at = [](const vb::Control& c) { return c.widget()->geometry(); };
    EXPECT_EQ(f.geometry(), QRect(0, 0, 1024, 768));
    EXPECT_EQ(at(f.Picture1), QRect(0, 0, 1024, 36));
    // The roll is laid out for the smallest key height (15): 52 × 14 + 1 high, scrolled to the middle
    // of its range, which reaches the lowest key above the title block: 729 - (727 - 77) = 79.
    EXPECT_EQ(f.VScroll2.Max(), 79);
    EXPECT_EQ(at(f.Picture6), QRect(121, 37, 903, 729));
    EXPECT_EQ(at(f.Picture13), QRect(103, 727, 921, 41));
    EXPECT_EQ(f.VScroll3.Min(), 15);
    EXPECT_EQ(f.VScroll3.Max(), 45);
    // The piano roll is hidden, the track view shown.
    EXPECT_FALSE(f.Picture6.Visible());
}

TEST_F(Form1Test, StartUpListsFromTheProgramFolder) {
    write("pset.ini", "2\r\nA4,210,297\r\nB5,182,257\r\n");
    write("jp.txt", "3/4,4/4,6/8\r\n");
    Form1& f = start();
    ASSERT_EQ(f.Combo6.ListCount(), 3);
    EXPECT_EQ(f.Combo6.List(0), "A4 [21厘米×29.7厘米]");
    EXPECT_EQ(f.Combo6.List(1), "B5 [18.2厘米×25.7厘米]");
    EXPECT_EQ(f.Combo6.List(2), "[自定义大小]");
    // Both time-signature lists start with 4/4; the song's shows it, the change panel's nothing.
    const QStringList expected = {"4/4", "3/4", "4/4", "6/8"};
    ASSERT_EQ(f.Combo1.ListCount(), 4);
    ASSERT_EQ(f.Combo3[0].ListCount(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(f.Combo1.List(i), expected[i]);
        EXPECT_EQ(f.Combo3[0].List(i), expected[i]);
    }
    EXPECT_EQ(f.Combo1.ListIndex(), 0);
    EXPECT_EQ(f.Combo3[0].ListIndex(), -1);
    EXPECT_TRUE(dialogs.MsgBoxCalls().empty());
}

TEST_F(Form1Test, MissingResourcesAreNamedAndStartUpGoesOn) {
    QFile::remove(path("GM.txt"));
    write("explin.txt", "");
    QDir(path("peo")).removeRecursively();
    Form1& f = start();
    const auto calls = dialogs.MsgBoxCalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_TRUE(calls[0].prompt.contains("GM.txt"));
    EXPECT_TRUE(calls[1].prompt.contains("explin.txt"));
    EXPECT_EQ(f.List3.ListCount(), 128);
    EXPECT_EQ(f.Label16[1].Caption(), f.List3.List(0));
    EXPECT_EQ(f.File1.ListCount(), 0);
    EXPECT_EQ(f.song->PartCount, 5);
}

// A damaged word list in the program folder, and the message start-up gives for it.
struct DamagedWordList {
    const char* file;
    int keepLines;  // -1: deleted; 0: random bytes; n: only its first n lines
    const char* message;
};

void PrintTo(const DamagedWordList& c, std::ostream* os) { *os << c.file << " " << c.keepLines; }

class DamagedWordListTest : public Form1Test, public ::testing::WithParamInterface<DamagedWordList> {};

// The message is read for as long as the start-up timer needs to fire (its 2 s pass while the box is
// open); answered, the program goes on with the new song.
TEST_P(DamagedWordListTest, MessageReadWhileTheStartUpTimerFires) {
    const DamagedWordList& c = GetParam();
    if (c.keepLines < 0) {
        ASSERT_TRUE(QFile::remove(path(c.file)));
    } else if (c.keepLines == 0) {
        std::mt19937 random(25);
        QByteArray bytes(4096, '\0');
        for (char& b : bytes) b = char(random() & 0xFF);
        write(c.file, bytes);
    } else {
        write(c.file, read(c.file).split('\n').mid(0, c.keepLines).join('\n'));
    }
    bool startTimerFiredWhileOpen = false;
    dialogs.whileMessageBoxOpen = [&](const vb::ScriptedDialogs::Call&) {
        vb::testing::AdvanceClock(2000);
        startTimerFiredWhileOpen = !form->Timload.Enabled();
    };
    Form1& f = start();
    const auto calls = dialogs.MsgBoxCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].prompt, QString::fromUtf8(c.message));
    EXPECT_EQ(calls[0].title, "提示");
    EXPECT_TRUE(startTimerFiredWhileOpen);
    EXPECT_EQ(f.song->PartCount, 5);
    EXPECT_EQ(f.Label2[5].Caption(), "男低");
    EXPECT_EQ(f.TrackPageEnd, 432);
    EXPECT_TRUE(f.Command2[5].Enabled());
}

INSTANTIATE_TEST_SUITE_P(
    EachWordList, DamagedWordListTest,
    ::testing::Values(
        DamagedWordList{"GM.txt", -1, "找不到文件“GM.txt”，已使用内置内容。"},
        DamagedWordList{"jp.txt", -1, "找不到文件“jp.txt”，已使用内置内容。"},
        DamagedWordList{"explin.txt", -1, "找不到文件“explin.txt”，已使用内置内容。"},
        DamagedWordList{"pgmode.txt", -1, "找不到文件“pgmode.txt”，已使用内置内容。"},
        DamagedWordList{"pset.ini", -1, "找不到文件“pset.ini”，已使用内置内容。"},
        DamagedWordList{"GM.txt", 10, "文件“GM.txt”内容不完整，缺少的部分已使用内置内容。"},
        DamagedWordList{"pgmode.txt", 1, "文件“pgmode.txt”内容不完整，缺少的部分已使用内置内容。"},
        DamagedWordList{"pset.ini", 3, "文件“pset.ini”内容不完整，只读入了其中完整的部分。"},
        DamagedWordList{"GM.txt", 0, "文件“GM.txt”内容不完整，缺少的部分已使用内置内容。"},
        // No paper of these bytes is one the page setup accepts: its own message is the one read.
        DamagedWordList{"pset.ini", 0, "所设置页面太小"}),
    [](const ::testing::TestParamInfo<DamagedWordList>& info) {
        const QString damage = info.param.keepLines < 0    ? QStringLiteral("Missing")
                               : info.param.keepLines == 0 ? QStringLiteral("RandomBytes")
                                                           : QStringLiteral("Lines%1").arg(info.param.keepLines);
        return (QString::fromLatin1(info.param.file).replace('.', '_') + "_" + damage).toStdString();
    });

// The clock shows the time at once and follows it every 30 seconds.
TEST_F(Form1Test, ClockShowsHoursAndMinutesAtOnceAndEveryHalfMinute) {
    vb::testing::SetTimeOfDay(QTime(9, 5, 40));
    Form1& f = start();
    EXPECT_EQ(f.Command14.Caption(), "09:05");
    vb::testing::AdvanceClock(29999);
    EXPECT_EQ(f.Command14.Caption(), "09:05");
    vb::testing::AdvanceClock(1);
    EXPECT_EQ(f.Command14.Caption(), "09:06");
    vb::testing::SetTimeOfDay(QTime(23, 59, 59));
    vb::testing::AdvanceClock(30000);
    EXPECT_EQ(f.Command14.Caption(), "00:00");
}

// New at start-up fills the controls from the new song and gives every part its program.
TEST_F(Form1Test, NewSongAppliedToTheWindow) {
    Form1& f = start();
    EXPECT_EQ(f.journal.List(0), "0无法撒消");
    EXPECT_EQ(f.Label2[1].Caption(), "领唱");
    EXPECT_EQ(f.Label2[5].Caption(), "男低");
    EXPECT_EQ(f.Label19[0].Caption(), "[歌曲名]");
    EXPECT_EQ(f.Text1[2].Text(), "80");
    EXPECT_EQ(wmp.url, path("none.wav"));
    EXPECT_EQ(wmp.volume, 100);  // 127 passed on, the player's scale ends at 100
    EXPECT_TRUE(midi.open);
    ASSERT_EQ(midi.messages.size(), 5u);
    for (uint32_t k = 0; k < 5; ++k) EXPECT_EQ(midi.messages[k], (0xC0u + k) | (0x64u << 16));
    EXPECT_TRUE(dialogs.MsgBoxCalls().empty());
}

// The start-up timer (2 s, counted again from New) shows the play toggle when it fires.
TEST_F(Form1Test, PlayToggleHiddenForAboutTwoSecondsAfterStart) {
    Form1& f = start();
    EXPECT_FALSE(f.Check2.Visible());
    vb::testing::AdvanceClock(1200);
    EXPECT_FALSE(f.Check2.Visible());
    EXPECT_FALSE(f.Command2[5].Enabled());
    vb::testing::AdvanceClock(799);
    EXPECT_FALSE(f.Check2.Visible());
    vb::testing::AdvanceClock(1);
    EXPECT_TRUE(f.Check2.Visible());
    EXPECT_TRUE(f.Command2[5].Enabled());
    EXPECT_FALSE(f.Timload.Enabled());
    // The zoom now applied in full: 100 % at tick 0 is a page of 384 ticks plus 48.
    EXPECT_EQ(f.TrackPageEnd, 432);
}

TEST_F(Form1Test, CloseRequestGoesThroughExit) {
    Form1& f = start();
    f.show();
    dialogs.msgBoxAnswers.push_back(vb::vbCancel);
    EXPECT_FALSE(f.close());
    EXPECT_EQ(quitCalls, 0);
    EXPECT_EQ(midi.closeCalls, 0);
    dialogs.msgBoxAnswers.push_back(vb::vbNo);
    f.close();
    EXPECT_EQ(quitCalls, 1);
    EXPECT_EQ(midi.closeCalls, 1);
    EXPECT_TRUE(f.Exited());
    EXPECT_FALSE(QFile::exists(path("set.ini")));
}

// Writes the window as a picture when CHOIR_SCREENSHOT names a file (for looking at the layout).
TEST_F(Form1Test, Screenshot) {
    const QByteArray target = qgetenv("CHOIR_SCREENSHOT");
    if (target.isEmpty()) GTEST_SKIP() << "CHOIR_SCREENSHOT not set";
    app::installFonts(PROGRAM_DIR);
    Form1& f = start();
    f.show();
    vb::testing::AdvanceClock(2600);
    QCoreApplication::processEvents();
    ASSERT_TRUE(f.grab().save(QString::fromLocal8Bit(target)));
}
