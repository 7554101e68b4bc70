// Every file the program writes keeps its old content when a write fails part-way; the window says
// so and keeps what was not saved.
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

QString Failed(const char* name) { return QStringLiteral("无法保存文件:[%1]，写入文件时出错！").arg(name); }

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
        EXPECT_TRUE(save(path(name)) && read(name).size() > 3) << name;
    }
}

TEST_F(Form1Test, AFailedSaveIsShownAndKeepsTheSongModifiedAndTheProgramOpen) {
    Form1& f = start();
    f.show();
    auto click = [&](int index, std::initializer_list<int> answers) {
        dialogs.calls.clear();
        dialogs.msgBoxAnswers.insert(dialogs.msgBoxAnswers.end(), answers);
        QTest::mouseClick(f.Command2[index].widget(), Qt::LeftButton);
        QStringList prompts;
        for (const auto& c : dialogs.MsgBoxCalls()) prompts << c.prompt;
        return prompts;
    };
    dialogs.fileAnswers.push_back(path("song.brc"));
    click(1, {});
    const QByteArray saved = read("song.brc");
    ASSERT_EQ(saved.size(), 3100);
    write("keyset.dat", "\x01\x01\x01\x01\x01\x01");
    write("set.ini", "old");
    FailingWrites failing;
    f.song->Modified = -1;
    const QString saveQuestion = QStringLiteral("当前正在编辑的文件没有保存。是否先保存?");

    EXPECT_EQ(click(1, {}), QStringList{Failed("song.brc")});  // 保存
    EXPECT_EQ(f.song->Modified, -1);
    EXPECT_EQ(click(4, {vb::vbYes}), QStringList({saveQuestion, Failed("song.brc")}));  // 退出, Yes
    EXPECT_FALSE(f.Exited());
    EXPECT_EQ(read("song.brc"), saved);

    f.Command2_Click(22);  // the keyboard-entry panel, then its OK
    EXPECT_EQ(click(24, {}), QStringList{Failed("keyset.dat")});
    EXPECT_EQ(read("keyset.dat"), "\x01\x01\x01\x01\x01\x01");

    // 退出, No, with changed settings: set.ini is not written, which is said, and the program ends.
    f.SettingsChanged = -1;
    EXPECT_EQ(click(4, {vb::vbNo}), QStringList({saveQuestion, Failed("set.ini")}));
    EXPECT_EQ(read("set.ini"), "old");
    EXPECT_TRUE(f.Exited());
}
