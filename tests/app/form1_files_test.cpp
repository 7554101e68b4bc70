// The file commands of the main window: New, Save, Open and Exit with their questions, and the
// window half of loading a project file.
#include "app/form1_fixture.h"

#include <QRandomGenerator>
#include <QtTest/QTest>

#include "app/startup.h"
#include "platform/textcodec.h"

using namespace app;

namespace {
const QString kSaveQuestion = QStringLiteral("当前正在编辑的文件没有保存。是否先保存?");
const QString kOverwriteQuestion = QStringLiteral("已经存在的文件。是否覆盖?");
}  // namespace

class FilesTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        // The design fonts resolve to installed fonts as at program start, so a saved song's fonts
        // are found again when it is opened.
        installFonts(PROGRAM_DIR);
    }

    // Save through the command, the dialog answering `name` in the temporary folder.
    void saveAs(const QString& name) {
        dialogs.fileAnswers.push_back(path(name));
        form->Command2_Click(1);
    }
    // Open through the command; a modified song is discarded (No).
    void open(const QString& name) {
        if (form->song->Modified) dialogs.msgBoxAnswers.push_back(vb::vbNo);
        dialogs.fileAnswers.push_back(path(name));
        form->Command2_Click(2);
    }
    int count(const char* kind) const {
        int n = 0;
        for (const auto& c : dialogs.calls) n += c.kind == kind;
        return n;
    }
    int beeps() const { return count("Beep"); }
    QStringList messages() const {
        QStringList out;
        for (const auto& c : dialogs.MsgBoxCalls()) out << c.prompt;
        return out;
    }
};

TEST_F(FilesTest, ExitAsksToSaveFirst) {
    Form1& f = start();
    // Cancel stays.
    dialogs.msgBoxAnswers.push_back(vb::vbCancel);
    f.Command2_Click(4);
    const auto calls = dialogs.MsgBoxCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].prompt, kSaveQuestion);
    EXPECT_EQ(calls[0].title, "提示");
    EXPECT_EQ(calls[0].buttons, vb::vbYesNoCancel);
    EXPECT_EQ(calls[0].icon, vb::vbCritical);
    EXPECT_FALSE(f.Exited());
    // Yes with the save dialog cancelled stays too (through the hidden twin of "退出").
    dialogs.msgBoxAnswers.push_back(vb::vbYes);
    f.Command2_Click(3);
    EXPECT_EQ(dialogs.calls.back().kind, "Save");
    EXPECT_FALSE(f.Exited());
    EXPECT_EQ(midi.closeCalls, 0);
    // Yes with a name saves, then ends.
    dialogs.msgBoxAnswers.push_back(vb::vbYes);
    dialogs.fileAnswers.push_back(path("exit.brc"));
    f.Command2_Click(4);
    EXPECT_EQ(read("exit.brc").size(), 3100);
    EXPECT_TRUE(f.Exited());
    EXPECT_EQ(quitCalls, 1);
    EXPECT_EQ(midi.closeCalls, 1);
}

TEST_F(FilesTest, NewSongSavedThenSavedAgainAtOnce) {
    Form1& f = start();
    saveAs("song.brc");
    const QByteArray b = read("song.brc");
    ASSERT_EQ(b.size(), 3100);
    EXPECT_EQ(b.mid(128, 10), Hex("08 00 5B B8 E8 C7 FA C3 FB 5D"));  // "[歌曲名]"
    EXPECT_EQ(uint8_t(b[341]), 150);                                   // the page setup is written
    EXPECT_EQ(f.song->ProjectPath, path("song.brc"));
    EXPECT_EQ(f.song->Modified, 0);
    EXPECT_EQ(beeps(), 1);

    // With a path: a beep and nothing else.
    f.song->Modified = -1;
    f.song->Title = "第二版";
    const size_t before = dialogs.calls.size();
    f.Command2_Click(1);
    ASSERT_EQ(dialogs.calls.size(), before + 1);
    EXPECT_EQ(dialogs.calls.back().kind, "Beep");
    EXPECT_EQ(read("song.brc").mid(128, 8), Hex("06 00") + *textcodec::toGbk("第二版"));
    EXPECT_EQ(f.song->Modified, 0);
}

TEST_F(FilesTest, SavedSongReopensIntoTheControls) {
    Form1& f = start();
    doc::Song& s = *f.song;
    s.PartCount = 3;
    s.Parts[3].Name = "合唱";
    s.Parts[3].DisplayMode = 2;
    s.Parts[2].MidiOn = 0;
    s.Parts[2].Program = 52;
    s.Parts[1].Volume = 90;
    s.Parts[2].Colour = 0x112233;
    s.Parts[2].NoteCount = 2;
    s.Notes[2][0] = {0, 48, 60, "春", 0};
    s.Notes[2][1] = {48, 48, 62, "风", 0};
    f.UpdatePartPitchRange(2);
    s.SongSeconds = 95.25;
    s.TempoChangeBpm[0] = 72.5f;
    s.KeyChangeKeys[0] = -3;
    s.Title = "晚风";
    s.Subtitle = "";
    f.Label22[0].SetFontName("黑体");
    f.Label22[0].SetFontSize(20);
    f.Combo6.SetListIndex(1);
    f.Text9[2].SetText("2.5");
    f.Text8.SetText("3");
    const int scales[5] = {120, 90, 20, 5, 150};
    for (int i = 0; i < 5; ++i) f.VScroll5[i].SetValue(scales[i]);
    f.Option1[1].SetValue(true);
    f.Check8[2].SetValue(1);
    f.Check8[3].SetValue(1);
    f.Combo10.SetListIndex(3);
    f.HScroll4.SetValue(2);
    f.AudioTimeOffsets[0] = 1.234f;
    f.AudioTimeOffsets[2] = -0.5f;
    f.Command10_Click(4);
    const int16_t anchorX = f.PageNumberX, anchorY = f.PageNumberY;
    saveAs("round.brc");

    // A new song in between, then the file opened again.
    f.Command2_Click(0);
    f.Label22[0].SetFontName("宋体");
    f.Combo6.SetListIndex(0);
    f.Text9[2].SetText("1.50");
    f.Text8.SetText("1");
    f.Extras = {};
    for (int i = 0; i < 5; ++i) f.VScroll5[i].SetValue(doc::PageSetupValues{}.Scales[i]);
    f.Option1[0].SetValue(true);
    f.Check8[2].SetValue(0);
    f.Check8[3].SetValue(0);
    f.Combo10.SetListIndex(0);  // "自定位置": the anchor comes from the file
    f.PageNumberX = f.PageNumberY = 0;
    f.song->Modified = 0;  // no save question
    midi.messages.clear();
    dialogs.calls.clear();
    open("round.brc");

    EXPECT_TRUE(dialogs.MsgBoxCalls().empty()) << messages().join("\n").toStdString();
    ASSERT_EQ(f.song->PartCount, 3);
    ASSERT_EQ(f.song->Parts[2].NoteCount, 2);
    EXPECT_EQ(f.song->Notes[2][1].Lyric, "风");
    // Title block, moved down without a subtitle, and locked.
    EXPECT_EQ(f.Label19[0].Caption(), "晚风");
    EXPECT_EQ(f.Label19[0].Top(), 8);
    EXPECT_EQ(f.Picture13.Tag, "0");
    // Song settings: key -3 is entry 9 with "低八度".
    EXPECT_EQ(f.Text1[1].Text(), "95.25");
    EXPECT_EQ(f.Text1[2].Text(), "72.5");
    EXPECT_EQ(f.Combo3[2].ListIndex(), 9);
    EXPECT_EQ(f.Check6[1].Value(), 1);
    // Fonts, page setup, verse count, offsets.
    EXPECT_EQ(f.Label22[0].FontName(), "黑体");
    EXPECT_EQ(f.Label22[0].FontSize(), 20);
    EXPECT_EQ(f.Combo6.ListIndex(), 1);
    EXPECT_EQ(f.Text9[2].Text(), "2.5");
    EXPECT_EQ(f.Text8.Text(), "3");
    for (int i = 0; i < 5; ++i) EXPECT_EQ(f.VScroll5[i].Value(), scales[i]);
    EXPECT_EQ(f.Labvin[0].Caption(), "120%");
    EXPECT_TRUE(f.Option1[1].Value());
    EXPECT_EQ(f.Lack[0].Caption(), "高");
    EXPECT_EQ(f.Check8[2].Value() + f.Check8[3].Value(), 2);
    EXPECT_EQ(f.PageNumberX, anchorX);
    EXPECT_EQ(f.PageNumberY, anchorY);
    EXPECT_EQ(f.HScroll4.Value(), 2);
    EXPECT_EQ(f.Labjq[0].Caption(), "1.234");
    EXPECT_EQ(f.Labjq[2].Caption(), "-0.5");
    // Part headers, players and program changes on channels 0..2.
    EXPECT_EQ(f.Label2[3].Caption(), "合唱");
    EXPECT_EQ(f.Command11[3].Caption(), "音");
    EXPECT_EQ(f.Label4[1].Width(), 90);
    EXPECT_EQ(f.Label11[2].BackColor(), 0x112233u);
    EXPECT_EQ(f.Label16[2].Caption(), f.List3.List(52));
    EXPECT_EQ(parts[1].volume, 90);
    EXPECT_TRUE(parts[2].mute);
    ASSERT_EQ(midi.messages.size(), 3u);
    EXPECT_EQ(midi.messages[1], 0xC1u | 52u << 8 | 0x64u << 16);
    // Journal reset.
    EXPECT_EQ(f.journal.ListCount(), 1);
    EXPECT_EQ(beeps(), 1);

    // Saved again (to its own name, at once), the file is the same byte for byte.
    const QByteArray first = read("round.brc");
    f.Command2_Click(1);
    EXPECT_EQ(beeps(), 2);
    EXPECT_EQ(read("round.brc"), first);
}

TEST_F(FilesTest, AudioFilesFoundBesideTheProjectOrReported) {
    Form1& f = start();
    f.Text3.SetText("D:\\伴奏\\a.mp3");
    f.song->Parts[1].AudioFile = "E:\\录音\\lead.wav";
    f.song->Parts[2].AudioFile = "E:\\录音\\gone.wav";
    saveAs("acc.brc");
    write("lead.wav", "x");
    wmp.SetUrl(path("old-song.mp3"));
    for (int p = 1; p <= 8; ++p) parts[p].SetUrl(path(QString("old%1.wav").arg(p)));
    open("acc.brc");
    const auto calls = dialogs.MsgBoxCalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].prompt, "没有找到音频文件:[a.mp3]，您将无法进行播放操作！");
    EXPECT_EQ(calls[0].title, "提示");
    EXPECT_EQ(calls[1].prompt, "没有找到位于[女高]的音频文件:[gone.wav]");
    // Missing means silence, never the old song's recordings; the song is opened all the same.
    EXPECT_EQ(wmp.url, path("none.wav"));
    EXPECT_EQ(parts[1].url, path("lead.wav"));
    EXPECT_EQ(parts[2].url, "");
    EXPECT_EQ(parts[3].url, "");
    EXPECT_EQ(parts[8].url, "");
    EXPECT_EQ(f.song->ProjectPath, path("acc.brc"));

    write("a.mp3", "not really audio");
    open("acc.brc");
    EXPECT_EQ(wmp.url, path("a.mp3"));
    EXPECT_EQ(f.Text3.Text(), "D:\\伴奏\\a.mp3");
}

TEST_F(FilesTest, DamagedFilesLeaveTheSongAsItWas) {
    Form1& f = start();
    saveAs("good.brc");
    const QByteArray good = read("good.brc");
    QByteArray random(4000, '\0');
    QRandomGenerator gen(7);
    for (char& c : random) c = char(gen.bounded(256));
    random[0] = 3;  // even with a plausible part count
    write("random.brc", random);
    write("short.brc", good.left(2000));
    QByteArray tooMany = good;
    // Part 1's note count: after strip top, top pitch, the name "领唱" and an empty audio path.
    tooMany[512 + 26] = char(5000 & 0xFF);
    tooMany[512 + 27] = char(5000 >> 8);
    write("toomany.brc", tooMany);
    write("empty.brc", QByteArray());

    f.song->Parts[1].Name = "改过的";
    f.Label2[1].SetCaption("改过的");
    f.song->Modified = -1;
    f.song->ProjectPath = "";
    wmp.SetUrl(path("current.mp3"));
    for (const char* name : {"random.brc", "short.brc", "toomany.brc", "empty.brc"}) {
        dialogs.calls.clear();
        open(name);
        const auto calls = dialogs.MsgBoxCalls();
        ASSERT_EQ(calls.size(), 2u) << name;  // the save question, then the message
        EXPECT_TRUE(calls[1].prompt.contains(name)) << calls[1].prompt.toStdString();
        EXPECT_EQ(beeps(), 0) << name;
        EXPECT_EQ(f.song->Parts[1].Name, "改过的") << name;
        EXPECT_EQ(f.Label2[1].Caption(), "改过的") << name;
        EXPECT_EQ(f.song->ProjectPath, "") << name;
        EXPECT_EQ(f.song->Modified, -1) << name;
        EXPECT_EQ(wmp.url, path("current.mp3")) << name;
        EXPECT_EQ(f.Picture13.Tag, "1") << name;
    }
}

TEST_F(FilesTest, NewAsksThenResetsWhatTheOldSongWouldLeak) {
    Form1& f = start();
    f.Text3.SetText("D:\\伴奏\\old.mp3");
    f.song->Parts[1].Name = "changed";
    f.song->Parts[7].PhraseJoinBits = {1, 0, 0, 0};
    f.song->Parts[2].AudioOffsetMs = 250;
    f.AudioTimeOffsets[4] = 0.25f;
    f.Labjq[4].SetCaption(".25");
    for (int p = 1; p <= 8; ++p) parts[p].SetUrl(path("old.mp3"));
    f.Picture2[1].SetVisible(true);
    f.Picct.SetEnabled(false);
    f.PlayMode = PlayMode::ChangePanel;

    dialogs.msgBoxAnswers.push_back(vb::vbNo);
    f.Command2_Click(0);
    ASSERT_EQ(messages(), QStringList{kSaveQuestion});
    EXPECT_EQ(dialogs.MsgBoxCalls()[0].buttons, vb::vbYesNo);
    EXPECT_EQ(f.song->Parts[1].Name, "领唱");
    EXPECT_EQ(f.Text3.Text(), "未选择伴奏文件");
    EXPECT_EQ(f.song->Parts[7].PhraseJoinBits, (std::array<uint32_t, 4>{}));
    EXPECT_EQ(f.song->Parts[2].AudioOffsetMs, 0);
    EXPECT_EQ(f.AudioTimeOffsets[4], 0.0f);
    EXPECT_EQ(f.Labjq[4].Caption(), "0");
    for (int p = 1; p <= 8; ++p) EXPECT_EQ(parts[p].url, "") << p;
    EXPECT_FALSE(f.Picture2[1].Visible());
    EXPECT_TRUE(f.Picct.Enabled());
    EXPECT_EQ(f.PlayMode, PlayMode::Idle);
}

TEST_F(FilesTest, OpenClosesAChangePointPanel) {
    Form1& f = start();
    saveAs("p.brc");
    f.Picture2[2].SetVisible(true);
    f.PlayMode = PlayMode::ChangePanel;
    open("p.brc");
    EXPECT_FALSE(f.Picture2[2].Visible());
    EXPECT_EQ(f.PlayMode, PlayMode::Idle);
}

TEST_F(FilesTest, OverwriteRefusedWritesNothing) {
    Form1& f = start();
    write("taken.brc", "keep me");
    dialogs.msgBoxAnswers.push_back(vb::vbNo);
    saveAs("taken.brc");
    ASSERT_EQ(messages(), QStringList{kOverwriteQuestion});
    EXPECT_EQ(read("taken.brc"), "keep me");
    EXPECT_EQ(f.song->ProjectPath, "");
    EXPECT_EQ(f.song->Modified, -1);

    dialogs.msgBoxAnswers.push_back(vb::vbYes);
    saveAs("taken.brc");
    EXPECT_EQ(read("taken.brc").size(), 3100);
    EXPECT_EQ(f.song->ProjectPath, path("taken.brc"));
}

TEST_F(FilesTest, FailedSaveIsReportedAndChangesNothing) {
    Form1& f = start();
    QDir().mkpath(path("folder.brc"));  // a folder where the file should go: it cannot be written
    dialogs.msgBoxAnswers.push_back(vb::vbYes);  // overwrite
    saveAs("folder.brc");
    const auto calls = dialogs.MsgBoxCalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_TRUE(calls[1].prompt.startsWith("无法保存文件:[folder.brc]")) << calls[1].prompt.toStdString();
    EXPECT_EQ(f.song->ProjectPath, "");
    EXPECT_EQ(f.song->Modified, -1);
    EXPECT_EQ(beeps(), 0);

    // New answered Yes with a save that fails: the song stays.
    f.song->Parts[1].Name = "留下";
    dialogs.msgBoxAnswers.push_back(vb::vbYes);  // save first
    dialogs.msgBoxAnswers.push_back(vb::vbYes);  // overwrite
    dialogs.fileAnswers.push_back(path("folder.brc"));
    f.Command2_Click(0);
    EXPECT_EQ(f.song->Parts[1].Name, "留下");
}

TEST_F(FilesTest, OpenAnsweredYesWithTheSaveDialogCancelledOpensNothing) {
    Form1& f = start();
    saveAs("other.brc");
    f.song->Modified = -1;
    f.song->ProjectPath = "";
    f.song->Parts[1].Name = "未存";
    dialogs.calls.clear();
    dialogs.msgBoxAnswers.push_back(vb::vbYes);
    dialogs.fileAnswers.push_back(std::nullopt);       // save dialog cancelled
    dialogs.fileAnswers.push_back(path("other.brc"));  // never used
    f.Command2_Click(2);
    EXPECT_EQ(count("Open"), 0);
    EXPECT_EQ(f.song->Parts[1].Name, "未存");
}

TEST_F(FilesTest, FileDialogsOfferTheSampleSongOrTheLastName) {
    Form1& f = start();
    QDir().mkpath(path("示范文件"));
    ASSERT_TRUE(QFile::copy(QString::fromUtf8(PROGRAM_DIR "/示范文件/晚风.brc"), path("示范文件/晚风.brc")));
    f.song->Modified = 0;
    f.Command2_Click(2);  // cancelled
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].file.fileName, QDir::toNativeSeparators(path("示范文件/晚风.brc")));
    EXPECT_EQ(dialogs.calls[0].file.filter, "工程文件(*.brc)|*.brc");

    // Without the sample, the last name; after Open then New, Save offers the opened name and asks
    // before writing over it.
    QFile::remove(path("示范文件/晚风.brc"));
    saveAs("first.brc");
    open("first.brc");
    f.song->Modified = 0;
    f.Command2_Click(0);
    EXPECT_EQ(f.song->ProjectPath, "");
    f.Command2_Click(2);  // cancelled
    EXPECT_EQ(dialogs.calls.back().file.fileName, path("first.brc"));
    dialogs.calls.clear();
    dialogs.fileAnswers.push_back(f.CommonDialog1.FileName);
    dialogs.msgBoxAnswers.push_back(vb::vbNo);
    f.Command2_Click(1);
    ASSERT_EQ(dialogs.calls.size(), 2u);
    EXPECT_EQ(dialogs.calls[0].file.fileName, path("first.brc"));
    EXPECT_EQ(dialogs.calls[1].prompt, kOverwriteQuestion);
    EXPECT_EQ(f.song->ProjectPath, "");
}

TEST_F(FilesTest, MinimiseAndIndexesOutsideTheArray) {
    Form1& f = start();
    f.show();
    f.Command2_Click(7);
    EXPECT_TRUE(f.windowState() & Qt::WindowMinimized);
    const int modified = f.song->Modified;
    for (int index : {-1, 21, 27, 100}) f.Command2_Click(index);
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_EQ(f.song->Modified, modified);
    EXPECT_FALSE(f.Exited());
}

// A picture of the window after opening the sample song, with the song-settings panel open to show
// the accompaniment box. Set FILES_SCREENSHOT to the PNG to write.
TEST_F(FilesTest, ScreenshotAfterOpen) {
    const QByteArray target = qgetenv("FILES_SCREENSHOT");
    if (target.isEmpty()) GTEST_SKIP() << "FILES_SCREENSHOT not set";
    Form1& f = start();
    f.show();
    open(QString::fromUtf8(PROGRAM_DIR "/示范文件/晚风.brc"));
    f.Frame2.SetVisible(true);
    vb::testing::AdvanceClock(2600);
    QCoreApplication::processEvents();
    ASSERT_TRUE(f.grab().save(QString::fromLocal8Bit(target)));
}

// A recording that is there but cannot be played (damaged, not a sound file) is reported as "定位"
// reports it; the accompaniment player falls back on the placeholder so the playback clock runs,
// and the song keeps its paths.
TEST_F(FilesTest, UnplayableRecordingsAreReportedAndKept) {
    Form1& f = start();
    f.Text3.SetText("D:\\伴奏\\bad.mp3");
    f.song->Parts[1].AudioFile = "E:\\录音\\cut.wav";
    f.song->Parts[2].AudioFile = "E:\\录音\\fine.wav";
    saveAs("bad.brc");
    for (const char* name : {"bad.mp3", "cut.wav", "fine.wav"}) write(name, "x");
    wmp.badFiles.insert(path("bad.mp3"));
    parts[1].badFiles.insert(path("cut.wav"));
    open("bad.brc");
    EXPECT_EQ(messages(), QStringList({"无法播放音频文件:[bad.mp3]，请选择其他的wav或mp3文件！",
                                       "无法播放音频文件:[cut.wav]，请选择其他的wav或mp3文件！"}));
    EXPECT_EQ(dialogs.MsgBoxCalls().back().title, "提示");
    EXPECT_EQ(wmp.url, path("none.wav"));
    EXPECT_TRUE(wmp.calls.contains("SetUrl " + path("bad.mp3")));
    EXPECT_EQ(parts[1].status, mediastatus::Failed);
    EXPECT_EQ(parts[2].url, path("fine.wav"));
    EXPECT_EQ(f.Text3.Text(), "D:\\伴奏\\bad.mp3");
    EXPECT_EQ(f.song->Parts[1].AudioFile, "E:\\录音\\cut.wav");
    f.Command2_Click(1);
    for (const char* stored : {"D:\\伴奏\\bad.mp3", "E:\\录音\\cut.wav"})
        EXPECT_TRUE(read("bad.brc").contains(*textcodec::toGbk(stored))) << stored;
}

// Opened through the command, a song shows on the song ruler at once: the ruler's picture, markers
// and cursor line are those a redraw gives, not the previous song's.
TEST_F(FilesTest, OpenDrawsTheRulerOfTheOpenedSong) {
    Form1& f = start();
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    auto ruler = [&f] {
        QStringList marks;
        for (vb::ControlArray<vb::Label>* pool : {&f.Labdh, &f.LabJP, &f.Label6})
            pool->ForEach([&](int, vb::Label& l) {
                if (l.Visible()) marks << l.widget()->objectName() + " " + QString::number(l.Left()) + " " + l.Caption();
            });
        marks << QString::number(f.Label10[0].Left()) << QString::number(f.Label10[1].Left()) << QString::number(f.Line4.X1());
        return std::make_pair(f.Picture1.Canvas().Image(), marks);
    };
    // The song before: 60 s long, with a change of tempo in bar 5 and the cursor in bar 9.
    f.Command2_Click(6);
    f.Text1[1].SetText("60");
    f.Command2_Click(12);
    f.song->TempoChangeTicks[1] = 768;
    f.song->TempoChangeBpm[1] = 92.5f;
    f.song->TempoLastIndex = 1;
    f.song->CursorTick = 1536;
    f.RebuildTimeline();
    f.song->Modified = 0;
    const auto before = ruler();
    ASSERT_TRUE(QFile::copy(QString::fromUtf8(PROGRAM_DIR "/示范文件/晚风.brc"), path("晚风.brc")));
    dialogs.fileAnswers.push_back(path("晚风.brc"));
    QTest::mouseClick(f.Command2[2].widget(), Qt::LeftButton);
    ASSERT_EQ(f.song->ProjectPath, path("晚风.brc"));
    const auto opened = ruler();
    f.RedrawSongRuler();
    const auto redrawn = ruler();
    EXPECT_TRUE(opened.first != before.first);
    EXPECT_TRUE(opened.first == redrawn.first);
    EXPECT_EQ(opened.second, redrawn.second);
}
