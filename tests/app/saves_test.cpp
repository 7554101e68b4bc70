// Every file the program writes keeps its old content when a write fails part-way, and the window
// says so and keeps what was not saved.
#include "app/form1_fixture.h"

#include <QtTest/QTest>
#include <functional>

#include "app/keyset.h"
#include "app/settings.h"
#include "document/midifile.h"
#include "document/projectfile.h"
#include "platform/savefile.h"
#include "support/songs.h"

using namespace app;

namespace {

// A device that takes part of the bytes and then fails, for as long as it lives.
struct FailingWrites {
    FailingWrites() {
        savefile::SetWriteHook([](QIODevice& device, const char* data, qint64 size) -> qint64 {
            device.write(data, (size + 1) / 2);
            return -1;
        });
    }
    ~FailingWrites() { savefile::SetWriteHook({}); }
};

void click(vb::Control& control) { QTest::mouseClick(control.widget(), Qt::LeftButton); }

}  // namespace

TEST_F(Form1Test, EveryWriterKeepsTheOldFileWhenAWriteFailsPartWay) {
    auto song = testsongs::NewSong(true);
    const std::pair<const char*, std::function<bool(const QString&)>> writers[] = {
        {"song.brc", [&](const QString& p) { return doc::SaveProjectFile(p, *song, {}).Ok; }},
        {"song.mid", [&](const QString& p) { return !doc::ExportMidiFile(*song, {}, p); }},
        {"set.ini", [](const QString& p) { return SaveSystemSettings(p, SystemSettings{}); }},
        {"keyset.dat", [](const QString& p) { return SaveKeySet(p, KeySettings{}); }},
    };
    for (const auto& [name, save] : writers) {
        write(name, "old");
        {
            FailingWrites failing;
            EXPECT_FALSE(save(path(name))) << name;
        }
        EXPECT_EQ(read(name), "old") << name;
        EXPECT_TRUE(save(path(name))) << name;
        EXPECT_GT(read(name).size(), 3) << name;
    }
    FailingWrites failing;
    EXPECT_EQ(doc::SaveProjectFile(path("x.brc"), *song, {}).Message, "无法保存文件:[x.brc]，写入文件时出错！");
}

TEST_F(Form1Test, AFailedSaveIsShownAndKeepsTheSongModifiedAndTheProgramOpen) {
    Form1& f = start();
    f.show();
    dialogs.fileAnswers.push_back(path("song.brc"));
    click(f.Command2[1]);
    const QByteArray saved = read("song.brc");
    ASSERT_EQ(saved.size(), 3100);
    FailingWrites failing;
    f.song->Title = "改了";
    f.song->Modified = -1;
    dialogs.calls.clear();
    click(f.Command2[1]);  // 保存
    ASSERT_EQ(dialogs.MsgBoxCalls().size(), 1u);
    EXPECT_EQ(dialogs.MsgBoxCalls()[0].prompt, "无法保存文件:[song.brc]，写入文件时出错！");
    EXPECT_EQ(read("song.brc"), saved);
    EXPECT_EQ(f.song->Modified, -1);

    // 退出, Yes to the save question: the save fails, the program stays.
    dialogs.calls.clear();
    dialogs.msgBoxAnswers.push_back(vb::vbYes);
    click(f.Command2[4]);
    ASSERT_EQ(dialogs.MsgBoxCalls().size(), 2u);
    EXPECT_EQ(dialogs.MsgBoxCalls()[0].prompt, "当前正在编辑的文件没有保存。是否先保存?");
    EXPECT_EQ(dialogs.MsgBoxCalls()[1].prompt, "无法保存文件:[song.brc]，写入文件时出错！");
    EXPECT_FALSE(f.Exited());
    EXPECT_EQ(quitCalls, 0);
    EXPECT_EQ(read("song.brc"), saved);

    // The keyboard-entry panel's OK: the settings file stays as it was, with a message.
    write("keyset.dat", "\x01\x01\x01\x01\x01\x01");
    f.Command2_Click(22);
    dialogs.calls.clear();
    click(f.Command2[24]);
    ASSERT_EQ(dialogs.MsgBoxCalls().size(), 1u);
    EXPECT_EQ(dialogs.MsgBoxCalls()[0].prompt, "无法保存文件:[keyset.dat]，写入文件时出错！");
    EXPECT_EQ(read("keyset.dat"), "\x01\x01\x01\x01\x01\x01");

    // 退出 answered No with changed settings: set.ini cannot be written, which is said; the program ends.
    write("set.ini", "old");
    f.SettingsChanged = -1;
    dialogs.calls.clear();
    dialogs.msgBoxAnswers.push_back(vb::vbNo);
    click(f.Command2[4]);
    ASSERT_EQ(dialogs.MsgBoxCalls().size(), 2u);
    EXPECT_EQ(dialogs.MsgBoxCalls()[1].prompt, "无法保存文件:[set.ini]，写入文件时出错！");
    EXPECT_EQ(read("set.ini"), "old");
    EXPECT_TRUE(f.Exited());
}
