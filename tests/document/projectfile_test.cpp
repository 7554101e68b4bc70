#include <gtest/gtest.h>

#include "support/songs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <csignal>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <sys/resource.h>

#include "document/projectfile.h"
#include "document/newsong.h"
#include "document/timeline.h"
#include "platform/textcodec.h"

using namespace doc;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray Hex(const char* hex) { return QByteArray::fromHex(hex); }

QByteArray Gbk(const QString& s) { return *textcodec::toGbk(s); }

int16_t I16At(const QByteArray& b, int at) { return qFromLittleEndian<int16_t>(b.constData() + at); }
int32_t I32At(const QByteArray& b, int at) { return qFromLittleEndian<int32_t>(b.constData() + at); }
void PutI16(QByteArray& b, int at, int16_t v) { qToLittleEndian<int16_t>(v, b.data() + at); }

void AddNote(Song& s, int part, int32_t start, int16_t length, uint8_t pitch, const QString& lyric,
             int16_t selected = 0) {
    NoteRecord& n = s.Notes[part][s.Parts[part].NoteCount++];
    n.Start = start;
    n.Length = length;
    n.Pitch = pitch;
    n.Lyric = lyric;
    n.Selected = selected;
}

class ProjectFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString at(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

}  // namespace

TEST_F(ProjectFileTest, NewSongWritesTheDocumentedBytes) {
    auto song = testsongs::NewSong();
    ProjectExtras extras;
    SaveResult saved = SaveProjectFile(at("new.brc"), *song, extras);
    ASSERT_TRUE(saved.Ok) << saved.Message.toStdString();
    QByteArray b = ReadAll(at("new.brc"));
    ASSERT_EQ(b.size(), 3100);

    EXPECT_EQ(uint8_t(b[0]), 5);
    EXPECT_EQ(b.mid(9, 8), Hex("0000000000806640"));
    EXPECT_EQ(b.mid(23, 14), Hex("CEB4D1A1D4F1B0E9D7E0CEC4BCFE"));
    EXPECT_EQ(b.mid(37, 50), QByteArray(50, ' '));
    EXPECT_EQ(b.mid(87, 41), QByteArray(41, '\0'));  // never used
    EXPECT_EQ(b.mid(128, 10), Hex("0800 5BB8E8C7FAC3FB5D"));
    EXPECT_EQ(b.mid(160, 5), Hex("0300") + "xxx");
    EXPECT_EQ(b.mid(224, 9), Hex("0700") + "xxx xxx");

    // Part 1: strip top 0, top pitch 76, name "领唱", no audio file, program 0, volume 100.
    EXPECT_EQ(b.mid(512, 4), Hex("00004C00"));
    EXPECT_EQ(b.mid(516, 6), Hex("0400C1ECB3AA"));
    EXPECT_EQ(b.mid(522, 6), Hex("0000 00006400"));
    EXPECT_EQ(b.mid(528, 8), Hex("004040 00 FFFFFF00"));
    EXPECT_EQ(b.mid(536, 6), Hex("7800 0000 01 00"));
    EXPECT_EQ(b.mid(558, 2), Hex("0101"));  // display mode lyrics, shown in score
    // Part 2 at 1024: strip top 120, top pitch 72, name "女高" at 1030.
    EXPECT_EQ(b.mid(1024, 4), Hex("78004800"));
    EXPECT_EQ(b.mid(2560 + 4, 6), Hex("0400C4D0B5CD"));  // part 5 "男低"

    // Font names and page setup.
    EXPECT_EQ(b.mid(288, 6), Hex("0400CBCECCE5"));
    EXPECT_EQ(b.mid(416, 6), Hex("0400BADACCE5"));
    EXPECT_EQ(b.mid(320, 18), Hex("00FF 0000C03F 0000C03F 0000C03F 0000C03F"));
    EXPECT_EQ(b.mid(340, 6), Hex("0296640A0064"));
    // Sizes rounded half to even: 21.75 -> 22, 12, 18, 14.25 -> 14 (bold), 12, 10.5 -> 10, 10.5 -> 10.
    EXPECT_EQ(b.mid(346, 28), Hex("16000000 0C000000 12000000 0EFF0000 0C000000 0A000000 0A000000"));
    EXPECT_EQ(uint8_t(b[379]), 1);
    EXPECT_EQ(b.mid(381, 2), Hex("0100"));

    // Change lists right after the part slots: 6 bytes, 4 unwritten, 8, 4 unwritten, 6.
    EXPECT_EQ(b.mid(3072, 28), Hex("000000006400 00000000 000000000000A042 00000000 000000000000"));
}

TEST_F(ProjectFileTest, NoteSlotsFollowThePartSlotsAndTheListsFollowTheNotes) {
    auto song = testsongs::NewSong();
    song->PartCount = 3;
    for (int i = 0; i < 10; ++i) AddNote(*song, 1, i * 48, 48, uint8_t(60 + i), QStringLiteral("啊"));
    for (int i = 0; i < 5; ++i) AddNote(*song, 3, 1000 + i, 12, 67, QStringLiteral("a|b"), -1);
    song->TimeSigLastIndex = 1;
    song->TimeSigTicks[1] = 768;
    song->TimeSigCodes[1] = 99;
    song->TempoLastIndex = 2;
    song->TempoChangeTicks[1] = 192;
    song->TempoChangeBpm[1] = 120.0f;
    song->TempoChangeTicks[2] = 384;
    song->TempoChangeBpm[2] = 60.5f;
    QByteArray b = BuildProjectFileBytes(*song, ProjectExtras{});

    // First note of part 1 at 2048: start 0, length 48, pitch 60, lyric "啊", not selected.
    EXPECT_EQ(b.mid(2048, 13), Hex("00000000 3000 3C 0200 B0A1 0000"));
    EXPECT_EQ(b.mid(2061, 19), QByteArray(19, '\0'));
    // First note of part 3 follows the ten of part 1 directly.
    EXPECT_EQ(b.mid(2048 + 320, 14), Hex("E8030000 0C00 43 0300 617C62 FFFF"));
    const int p = 2048 + 15 * 32;
    ASSERT_EQ(p, 2528);
    EXPECT_EQ(b.mid(p, 12), Hex("000000006400 000300006300"));
    const int q = p + 12 + 4;
    EXPECT_EQ(b.mid(q + 8, 8), Hex("C0000000 0000F042"));  // tempo 120 from tick 192
    EXPECT_EQ(I32At(b, q + 16), 384);
    EXPECT_EQ(b.size(), q + 24 + 4 + 6);
}

TEST_F(ProjectFileTest, SaveThenLoadGivesBackTheSong) {
    auto song = testsongs::NewSong();
    song->PartCount = 6;
    song->Parts[6] = song->Parts[5];
    song->Parts[6].Name = QStringLiteral("Bass 2");
    song->Parts[6].NoteCount = 0;
    song->Parts[2].AudioFile = QStringLiteral("D:\\录音\\女高.wav");
    song->Parts[2].Colour2 = 0x00FEDCBA;
    song->Parts[2].StripHeight = 240;
    song->Parts[2].MidiOn = 0;
    song->Parts[2].PhraseJoinBits = {0x1u, 0x40000000u, 0x7FFFFFFFu, 0x12345u};
    song->Parts[2].DisplayMode = 2;
    song->Parts[2].ShowInScore = 0;
    for (int i = 0; i < 40; ++i)
        AddNote(*song, 2, i * 24, int16_t(24 + i), uint8_t(40 + i),
                i % 3 ? QStringLiteral("春|风") : QStringLiteral("-|x"), i % 2 ? -1 : 0);
    AddNote(*song, 2, 96, 480, kSentenceMarker, QString());
    AddNote(*song, 6, 0, 192, kDynamics, QStringLiteral("mf"), -1);
    song->SongStartSeconds = 2.125;
    song->SongSeconds = 212.5;
    song->TimeSigLastIndex = 2;
    song->TimeSigTicks[1] = 1536;
    song->TimeSigCodes[1] = 134;
    song->TimeSigTicks[2] = 3072;
    song->TimeSigCodes[2] = 66;
    song->TempoLastIndex = 1;
    song->TempoChangeTicks[1] = 2000;
    song->TempoChangeBpm[1] = 97.25f;
    song->KeyChangeLastIndex = 1;
    song->KeyChangeKeys[0] = -3;
    song->KeyChangeTicks[1] = 3072;
    song->KeyChangeKeys[1] = 7;
    song->Title = QStringLiteral("茉莉花");
    song->Composer = QStringLiteral("何仿 编");

    ProjectExtras extras;
    extras.AccompanimentText = QStringLiteral("D:\\伴奏\\a.mp3");
    extras.AudioTimeOffsets = {1.234f, 0.0f, -0.5f, 0.001f, 0, 0, 32.767f, 0, 0};
    extras.PageNumberX = 397;
    extras.PageNumberY = -12;
    PageSetupValues& page = extras.Page;
    page.Portrait = false;
    page.Margins = {QStringLiteral("2.25"), QStringLiteral("1"), QStringLiteral("0.5"), QStringLiteral("3.75")};
    page.SeparatePart = true;
    page.Scales = {200, 85, 0, 35, 25};
    page.Styles[kStyleTitle] = {QStringLiteral("黑体"), 28, true, true};
    page.Styles[kStyleDigits] = {QStringLiteral("Arial"), 20, true, false};
    page.Styles[kStyleRights] = {QStringLiteral("宋体"), 8, true, false};
    page.Verses = 3;
    page.MirroredPageNumbers = true;
    page.FirstPageText = QStringLiteral("-5");

    const QString path = at("round.brc");
    ASSERT_TRUE(SaveProjectFile(path, *song, extras).Ok);

    // Load over a different current song and panel, as Open does.
    auto other = testsongs::NewSong();
    other->CursorTick = 555;
    ProjectExtras otherExtras;
    otherExtras.Page.Styles[kStyleRights].FontName = QStringLiteral("Rights font");
    ProjectLoad loaded = ReadProjectFile(path, other.get(), &otherExtras);
    ASSERT_TRUE(loaded.Ok) << loaded.Error.toStdString();
    ASSERT_TRUE(loaded.LoadedSong);
    const Song& s = *loaded.LoadedSong;

    // Written again, the loaded song and panel give the same bytes.
    EXPECT_EQ(BuildProjectFileBytes(s, loaded.Extras), ReadAll(path));
    EXPECT_EQ(s.PartCount, 6);
    EXPECT_EQ(s.Parts[2].PhraseJoinBits, song->Parts[2].PhraseJoinBits);
    EXPECT_EQ(s.Notes[2][39].Lyric, song->Notes[2][39].Lyric);
    EXPECT_EQ(s.Notes[6][0].Selected, -1);
    EXPECT_EQ(s.TempoChangeBpm[1], 97.25f);
    EXPECT_EQ(s.KeyChangeKeys[0], -3);  // the key list opens on entry 9 with the low-octave box ticked
    EXPECT_EQ(loaded.KeyListIndex, 9);
    EXPECT_TRUE(loaded.LowOctave);

    // State after opening.
    EXPECT_EQ(s.ProjectPath, path);
    EXPECT_EQ(s.Modified, 0);
    EXPECT_EQ(s.PlayEventsStale, -1);
    EXPECT_EQ(s.NeedsRetypeset, -1);
    EXPECT_EQ(s.CursorTick, 555);  // not in the file: kept

    const ProjectExtras& e = loaded.Extras;
    EXPECT_EQ(e.AccompanimentText, extras.AccompanimentText);
    EXPECT_EQ(s.Parts[2].AudioOffsetMs, -500);
    EXPECT_EQ(s.Parts[6].AudioOffsetMs, 32767);
    EXPECT_TRUE(loaded.PageSetupStored);
    EXPECT_EQ(e.Page.Scales, page.Scales);  // a gap of 0 % comes back as 0 %
    // Two styles have no font-name record: they keep the current panel's font.
    EXPECT_EQ(e.Page.Styles[kStyleRights].FontName, QStringLiteral("Rights font"));
    EXPECT_EQ(e.Page.FirstPageText, QStringLiteral("-5"));
}

TEST_F(ProjectFileTest, APartCountOfThreeClearsTheNoteCountsOfTheOtherParts) {
    auto song = testsongs::NewSong();
    song->PartCount = 3;
    AddNote(*song, 1, 0, 48, 60, QStringLiteral("a"));
    ASSERT_TRUE(SaveProjectFile(at("three.brc"), *song, ProjectExtras{}).Ok);

    auto current = testsongs::NewSong();
    current->PartCount = 7;
    for (int p = 1; p <= 7; ++p) AddNote(*current, p, 100, 48, 70, QStringLiteral("old"));
    current->Parts[7].Name = QStringLiteral("第七");
    ProjectLoad loaded = ReadProjectFile(at("three.brc"), current.get());
    ASSERT_TRUE(loaded.Ok);
    const Song& s = *loaded.LoadedSong;
    EXPECT_EQ(s.Parts[2].NoteCount, 0);
    for (int p = 4; p <= 8; ++p) EXPECT_EQ(s.Parts[p].NoteCount, 0) << p;
    EXPECT_EQ(s.Parts[7].Name, QStringLiteral("第七"));  // other fields of unused parts stay
    EXPECT_EQ(s.Notes[1][0].Lyric, QStringLiteral("a"));
    EXPECT_EQ(s.Notes[2][0].Lyric, QStringLiteral("old"));  // free rows keep what they held
}

TEST_F(ProjectFileTest, TextsAreCutToTheirRoomAtCharacterBoundaries) {
    auto song = testsongs::NewSong();
    song->Title = QStringLiteral("a一二三四五六七八九十一");      // 23 bytes
    song->Subtitle = QStringLiteral("一二三四五六七八九十一二三四五六");  // 32 bytes
    song->Lyricist = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456789");
    AddNote(*song, 1, 0, 48, 60, QStringLiteral("春风|吹过|大地|山川xyz"));  // 22 bytes
    AddNote(*song, 1, 48, 48, 62, QStringLiteral("a|一二三四五六七八九十"));  // 22 bytes, cut inside a character
    QByteArray b = BuildProjectFileBytes(*song, ProjectExtras{});

    EXPECT_EQ(I16At(b, 128), 21);  // "a" and ten characters; the eleventh would need byte 152
    EXPECT_EQ(b.mid(130, 21), Gbk(QStringLiteral("a一二三四五六七八九十")));
    EXPECT_EQ(I16At(b, 160), 30);
    EXPECT_EQ(I16At(b, 3072 + 7), 21);
    EXPECT_EQ(I16At(b, 3072 + 32 + 7), 20);

    WriteAll(at("cut.brc"), b);
    ProjectLoad loaded = ReadProjectFile(at("cut.brc"));
    ASSERT_TRUE(loaded.Ok) << loaded.Error.toStdString();
    const Song& s = *loaded.LoadedSong;
    EXPECT_EQ(s.Subtitle, QStringLiteral("一二三四五六七八九十一二三四五"));
    EXPECT_EQ(s.Lyricist, QStringLiteral("abcdefghijklmnopqrstuvwxyz0123"));
    EXPECT_EQ(s.Notes[1][0].Lyric, QStringLiteral("春风|吹过|大地|山川xy"));
    EXPECT_EQ(s.Notes[1][1].Lyric, QStringLiteral("a|一二三四五六七八九"));
}

TEST_F(ProjectFileTest, APathThatDoesNotFitKeepsItsFileName) {
    auto song = testsongs::NewSong();
    song->Parts[1].AudioFile = QStringLiteral("/home/") + QString(300, QChar(u'目')) + QStringLiteral("/领唱.mp3");
    ProjectExtras extras;
    extras.AccompanimentText = QStringLiteral("D:\\合唱团\\二零二四年春季演出\\排练录音与伴奏资料\\第三首 茉莉花\\伴奏.mp3");
    ASSERT_GT(textcodec::gbkLength(extras.AccompanimentText), 64);
    QByteArray b = BuildProjectFileBytes(*song, extras);
    QByteArray field = Gbk(QStringLiteral("伴奏.mp3"));
    EXPECT_EQ(b.mid(23, field.size()), field);
    EXPECT_EQ(b.mid(23 + field.size(), 64 - field.size()), QByteArray(64 - field.size(), ' '));
    // Part 1: the name, then the audio path reduced to its file name.
    EXPECT_EQ(b.mid(522, 2 + 8), Hex("0800") + Gbk(QStringLiteral("领唱.mp3")));

    // A path that fits is kept whole.
    extras.AccompanimentText = QStringLiteral("D:\\伴奏\\a.mp3");
    b = BuildProjectFileBytes(*song, extras);
    EXPECT_EQ(b.mid(23, 13), Gbk(extras.AccompanimentText));
}

TEST_F(ProjectFileTest, ValuesOutsideTheirFieldsAreClamped) {
    auto song = testsongs::NewSong();
    ProjectExtras extras;
    extras.AudioTimeOffsets[0] = 40.0f;
    extras.AudioTimeOffsets[1] = -33.0f;
    extras.AudioTimeOffsets[2] = 0.0125f;  // 12.5 ms rounds half to even
    extras.Page.FirstPageText = QStringLiteral("70000");
    QByteArray b = BuildProjectFileBytes(*song, extras);
    EXPECT_EQ(I16At(b, 377), 32767);
    auto offsetOf = [&](int part) {
        int at = 512 * part + 4;
        at += 2 + I16At(b, at);
        at += 2 + I16At(b, at);
        return I16At(b, at + 36);
    };
    EXPECT_EQ(offsetOf(1), -32768);
    EXPECT_EQ(offsetOf(2), 12);
    EXPECT_EQ(I16At(b, 381), 32767);
    extras.Page.FirstPageText = QStringLiteral("-99999");
    b = BuildProjectFileBytes(*song, extras);
    EXPECT_EQ(I16At(b, 381), -32768);
}

TEST_F(ProjectFileTest, AudioFilesAreFoundAsStoredOrBesideTheProject) {
    auto song = testsongs::NewSong();
    song->Parts[2].AudioFile = QStringLiteral("E:\\录音\\b.wav");
    song->Parts[3].AudioFile = dir.filePath(QStringLiteral("sub/c.wav"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    WriteAll(dir.filePath(QStringLiteral("sub/c.wav")), "RIFF");
    ProjectExtras extras;
    extras.AccompanimentText = QStringLiteral("D:\\伴奏\\a.mp3");
    const QString path = at("song.brc");
    ASSERT_TRUE(SaveProjectFile(path, *song, extras).Ok);

    // Nothing beside the project: one message each, the players stay silent.
    ProjectLoad none = ReadProjectFile(path);
    ASSERT_TRUE(none.Ok);
    EXPECT_EQ(none.AccompanimentFile, QString());
    EXPECT_EQ(none.PartAudioFiles[2], QString());
    EXPECT_EQ(none.PartAudioFiles[3], dir.filePath(QStringLiteral("sub/c.wav")));  // found as stored
    EXPECT_EQ(none.PartAudioFiles[1], QString());  // no file: silent, no message
    ASSERT_EQ(none.Notices.size(), 2);
    EXPECT_EQ(none.Notices[0], QStringLiteral("没有找到音频文件:[a.mp3]，您将无法进行播放操作！"));
    EXPECT_EQ(none.Notices[1], QStringLiteral("没有找到位于[女高]的音频文件:[b.wav]"));

    // Files beside the project are found by name.
    WriteAll(at("a.mp3"), "ID3");
    WriteAll(at("b.wav"), "RIFF");
    ProjectLoad found = ReadProjectFile(path);
    ASSERT_TRUE(found.Ok);
    EXPECT_TRUE(found.Notices.isEmpty());
    EXPECT_EQ(found.AccompanimentFile, found.ProjectFolder + QStringLiteral("a.mp3"));
    EXPECT_TRUE(QFileInfo(found.AccompanimentFile).isFile());
    EXPECT_EQ(found.PartAudioFiles[2], found.ProjectFolder + QStringLiteral("b.wav"));
    EXPECT_EQ(found.Extras.AccompanimentText, QStringLiteral("D:\\伴奏\\a.mp3"));  // the box keeps the text

    // No accompaniment chosen: the placeholder, no message.
    extras.AccompanimentText = QStringLiteral("未选择伴奏文件");
    song->Parts[2].AudioFile.clear();
    song->Parts[3].AudioFile.clear();
    ASSERT_TRUE(SaveProjectFile(path, *song, extras).Ok);
    ProjectLoad placeholder = ReadProjectFile(path);
    ASSERT_TRUE(placeholder.Ok);
    EXPECT_TRUE(placeholder.Notices.isEmpty());
    EXPECT_EQ(placeholder.AccompanimentFile, QString());
}

TEST_F(ProjectFileTest, FontsNotInstalledKeepTheStyleFontWithAMessage) {
    auto song = testsongs::NewSong();
    ProjectExtras extras;
    extras.Page.Styles[kStyleTitle].FontName = QStringLiteral("方正舒体");
    extras.Page.Styles[kStyleDigits].FontName = QStringLiteral("Arial");
    QByteArray b = BuildProjectFileBytes(*song, extras);
    PutI16(b, 416, 0);  // record 14, the note-digit style, left empty
    WriteAll(at("fonts.brc"), b);

    ProjectExtras current;
    current.Page.Styles[kStyleTitle].FontName = QStringLiteral("当前标题");
    current.Page.Styles[kStyleDigits].FontName = QStringLiteral("当前数字");
    auto installed = [](const QString& name) { return name != QStringLiteral("方正舒体"); };
    ProjectLoad loaded = ReadProjectFile(at("fonts.brc"), nullptr, &current, installed);
    ASSERT_TRUE(loaded.Ok);
    ASSERT_EQ(loaded.Notices.size(), 1);
    EXPECT_EQ(loaded.Notices[0], QStringLiteral("没有找到字体：方正舒体"));
    EXPECT_EQ(loaded.Extras.Page.Styles[kStyleTitle].FontName, QStringLiteral("当前标题"));
    // An empty record leaves the style's font as it was, without a message.
    EXPECT_EQ(loaded.Extras.Page.Styles[kStyleDigits].FontName, QStringLiteral("当前数字"));
}

TEST_F(ProjectFileTest, APageSetupBlockNeverWrittenLeavesThePanelAsItWas) {
    auto song = testsongs::NewSong();
    ProjectExtras extras;
    extras.AudioTimeOffsets[0] = 2.5f;
    extras.Page.Verses = 4;
    QByteArray b = BuildProjectFileBytes(*song, extras);
    b.replace(320, 64, QByteArray(64, '\0'));
    WriteAll(at("old.brc"), b);

    ProjectExtras current;
    current.AudioTimeOffsets[0] = 9.0f;
    current.Page.Portrait = true;
    current.Page.Margins = {QStringLiteral("2"), QStringLiteral("2"), QStringLiteral("2"), QStringLiteral("2")};
    current.Page.Styles[kStyleDigits].Bold = true;
    current.Page.Verses = 6;
    current.Page.FirstPageText = QStringLiteral("3");
    ProjectLoad loaded = ReadProjectFile(at("old.brc"), nullptr, &current);
    ASSERT_TRUE(loaded.Ok);
    EXPECT_FALSE(loaded.PageSetupStored);
    const PageSetupValues& page = loaded.Extras.Page;
    EXPECT_TRUE(page.Portrait);
    EXPECT_EQ(page.Margins, current.Page.Margins);
    EXPECT_TRUE(page.Styles[kStyleDigits].Bold);
    // The song's own values in the block read as the file gives them.
    EXPECT_EQ(page.Verses, 1);
    EXPECT_EQ(loaded.Extras.AudioTimeOffsets[0], 0.0f);
}

TEST_F(ProjectFileTest, AWrittenPageSetupBlockIsReadFieldByFieldEvenWithAZeroSliderByte) {
    auto song = testsongs::NewSong();
    ProjectExtras extras;
    extras.Page.PaperIndex = 1;
    extras.Page.Portrait = false;
    extras.Page.Margins = {QStringLiteral("2.25"), QStringLiteral("1"), QStringLiteral("0.5"), QStringLiteral("3")};
    extras.Page.Scales = {200, 85, 40, 35, 25};
    QByteArray b = BuildProjectFileBytes(*song, extras);
    b[341] = 0;  // the first slider's byte: 0 means "keep the slider", not "no block"
    WriteAll(at("slider0.brc"), b);

    ProjectExtras current;
    current.Page.Scales = {120, 100, 10, 0, 100};
    ProjectLoad loaded = ReadProjectFile(at("slider0.brc"), nullptr, &current);
    ASSERT_TRUE(loaded.Ok) << loaded.Error.toStdString();
    EXPECT_TRUE(loaded.PageSetupStored);
    const PageSetupValues& page = loaded.Extras.Page;
    EXPECT_EQ(page.PaperIndex, 1);
    EXPECT_FALSE(page.Portrait);
    EXPECT_EQ(page.Margins[0], QStringLiteral("2.25"));
    EXPECT_EQ(page.Scales, (std::array<int, 5>{120, 85, 40, 35, 25}));
}

TEST_F(ProjectFileTest, DamagedFilesAreRefusedWithAMessage) {
    auto song = testsongs::NewSong();
    AddNote(*song, 1, 0, 48, 60, QStringLiteral("一"));
    AddNote(*song, 2, 0, 48, 64, QStringLiteral("二"));
    const QByteArray good = BuildProjectFileBytes(*song, ProjectExtras{});
    ASSERT_TRUE(ParseProjectFile(good, at("good.brc")).Ok);

    // A refused file leaves the current song and panel alone.
    auto current = testsongs::NewSong();
    AddNote(*current, 1, 0, 48, 60, QStringLiteral("留"));
    current->ProjectPath = QStringLiteral("/songs/current.brc");
    ProjectExtras extras;
    extras.AccompanimentText = QStringLiteral("/music/now.mp3");
    auto refused = [&](const QByteArray& bytes, const char* what) {
        const QString path = at(QStringLiteral("bad.brc"));
        WriteAll(path, bytes);
        ProjectLoad r = ReadProjectFile(path, current.get(), &extras);
        EXPECT_FALSE(r.Ok) << what;
        EXPECT_FALSE(r.LoadedSong) << what;
        EXPECT_TRUE(r.Error.startsWith(QStringLiteral("无法打开文件:[bad.brc]，"))) << what << " "
                                                                                 << r.Error.toStdString();
        EXPECT_TRUE(r.Notices.isEmpty()) << what;
        EXPECT_EQ(current->Parts[1].NoteCount, 1);
        EXPECT_EQ(current->ProjectPath, QStringLiteral("/songs/current.brc"));
        EXPECT_EQ(extras.AccompanimentText, QStringLiteral("/music/now.mp3"));
        return r.Error;
    };

    std::mt19937 rng(20240611);
    for (int size : {0, 100, 3100, 70000}) {
        QByteArray noise(size, '\0');
        for (char& c : noise) c = char(rng() & 0xFF);
        refused(noise, "random bytes");
    }
    refused(QByteArray("MThd\0\0\0\x06\0\x01\0\x02\0\x60", 14), "a MIDI file");

    EXPECT_EQ(refused(good.left(good.size() - 1), "last byte missing"),
              QStringLiteral("无法打开文件:[bad.brc]，文件不完整！"));
    refused(good.left(3072 + 40), "cut inside the notes");
    refused(good.left(1500), "cut inside the part slots");

    ASSERT_EQ(I16At(good, 538), 1);  // part 1 note count
    QByteArray b = good;
    PutI16(b, 538, 5000);
    EXPECT_EQ(refused(b, "note count 5000"), QStringLiteral("无法打开文件:[bad.brc]，文件已损坏或不是工程文件！"));

    const std::pair<int, int16_t> fields[] = {
        {538, -1},            // negative note count
        {17, 20},             // the time-signature list would fill its last entry
        {19, 41},             // tempo count
        {21, -1},             // key count
        {128, 31},            // title past its record
        {288, 31},            // font name past its record
        {516, 470},           // part name past its slot
        {3072 + 7, 31},       // lyric past the room of a record
        {3136 + 4, 0},        // time-signature code 0
        {3136 + 6 + 4 + 8 + 4 + 4, 12},  // key 12
    };
    for (auto [at, value] : fields) {
        SCOPED_TRACE(at);
        b = good;
        PutI16(b, at, value);
        refused(b, "field");
    }
    for (char parts : {0, 9}) {
        b = good;
        b[0] = parts;
        refused(b, "part count");
    }
    // Ticks no command produces: note starts before the song or beyond the latest tick, and a tempo
    // change beyond it (a second tempo entry, at 100 per minute, moves the key list on by 8 bytes).
    const std::pair<int, int32_t> ticks[] = {{3072, -1}, {3104, kMaxNoteStart + 1}, {3072, 2147483647},
                                             {3154, kMaxNoteStart + 1}};
    for (auto [at, value] : ticks) {
        b = good;
        if (at == 3154) PutI16(b, 19, 1), b.insert(at, Hex("000000000000C842"));
        qToLittleEndian<int32_t>(value, b.data() + at);
        refused(b, "tick");
    }
    b = good;
    qToLittleEndian<float>(0.0f, b.data() + 3136 + 6 + 4 + 4);
    refused(b, "tempo 0");
    b = good;
    qToLittleEndian<double>(std::nan(""), b.data() + 9);
    refused(b, "song length not a number");

    ProjectLoad missing = ReadProjectFile(at("nothing-here.brc"), current.get(), &extras);
    EXPECT_FALSE(missing.Ok);
    EXPECT_EQ(missing.Error, QStringLiteral("无法打开文件:[nothing-here.brc]，文件无法读取！"));
}

TEST_F(ProjectFileTest, ASaveReplacesTheWholeFileAndAFailedOneLeavesItWhole) {
    auto big = testsongs::NewSong();
    for (int i = 0; i < 200; ++i) AddNote(*big, 1, i * 48, 48, 60, QStringLiteral("长"));
    const QString path = at("keep.brc");
    ASSERT_TRUE(SaveProjectFile(path, *big, ProjectExtras{}).Ok);
    ASSERT_EQ(ReadAll(path).size(), 3100 + 200 * 32);
    auto song = testsongs::NewSong();
    ASSERT_TRUE(SaveProjectFile(path, *song, ProjectExtras{}).Ok);
    const QByteArray before = ReadAll(path);
    EXPECT_EQ(before, BuildProjectFileBytes(*song, ProjectExtras{}));

    // A write that the system refuses part way (the file-size limit stands in for a full disk).
    auto bigger = testsongs::NewSong();
    for (int i = 0; i < 2000; ++i) AddNote(*bigger, 2, i * 12, 12, 70, QStringLiteral("满"));
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 8192;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    SaveResult full = SaveProjectFile(path, *bigger, ProjectExtras{});
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(full.Ok);
    EXPECT_EQ(full.Message, QStringLiteral("无法保存文件:[keep.brc]，写入文件时出错！"));
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("keep.brc")});

    // A folder that does not exist.
    SaveResult nowhere = SaveProjectFile(at("no/such/folder/x.brc"), *song, ProjectExtras{});
    EXPECT_FALSE(nowhere.Ok);
    EXPECT_EQ(nowhere.Message, QStringLiteral("无法保存文件:[x.brc]，无法在该位置写入文件！"));

    // A song the format cannot hold is refused before anything is written.
    song->PartCount = 9;
    SaveResult refused = SaveProjectFile(path, *song, ProjectExtras{});
    EXPECT_FALSE(refused.Ok);
    EXPECT_EQ(refused.Message, QStringLiteral("无法保存文件:[keep.brc]，声部数超出范围！"));
    EXPECT_EQ(ReadAll(path), before);
}

// Loads, rebuilds the timeline and its ruler, saves and loads again: every file the loader accepts
// gives a song inside the commands' ranges that is saved as a file it opens again.
void ExpectRoundTrip(const QByteArray& bytes, const std::function<void(const Song&)>& check = {}) {
    ProjectLoad first = ParseProjectFile(bytes, QStringLiteral("x.brc"));
    if (!first.Ok) return;
    if (check) check(*first.LoadedSong);
    Song& s = *first.LoadedSong;
    RebuildTimeline(s, false);
    ComputeRulerMarks(s, 800);
    ASSERT_LE(s.SongLength, kMaxSongTicks);
    ProjectLoad again = ParseProjectFile(BuildProjectFileBytes(s, first.Extras), QStringLiteral("x.brc"));
    ASSERT_TRUE(again.Ok) << again.Error.toStdString();
    if (check) check(*again.LoadedSong);
    RebuildTimeline(*again.LoadedSong, false);
    ASSERT_EQ(again.LoadedSong->SongLength, s.SongLength);
    ASSERT_EQ(again.LoadedSong->TempoLastIndex, s.TempoLastIndex);
}

TEST_F(ProjectFileTest, DamagedFilesTheLoaderAcceptsAreReadWithinRangeSavedAndOpenedAgain) {
    auto song = testsongs::NewSong();
    AddNote(*song, 1, 0, 48, 60, QStringLiteral("一"));
    AddNote(*song, 2, 48, 48, 64, QStringLiteral("二"));
    for (int k = 1; k <= kMaxTempoLastIndex; ++k) {
        song->TempoChangeTicks[k] = 96 * k;
        song->TempoChangeBpm[k] = 180;
    }
    song->TempoLastIndex = kMaxTempoLastIndex;
    const QByteArray good = BuildProjectFileBytes(*song, ProjectExtras{});
    const int tempoAt = 3136 + 6 + 4;
    const QByteArray wide = Gbk(QStringLiteral("晚风吹过山岗啊啊啊啊啊啊啊"));  // 26 bytes
    const std::pair<std::function<void(QByteArray&)>, std::function<void(const Song&)>> cases[] = {
        {[&](QByteArray& b) { PutI16(b, 128, 23), b.replace(130, 22, "A" + wide.left(21)); },  // cut character
         [](const Song& s) { EXPECT_EQ(s.Title, QStringLiteral("A晚风吹过山岗啊啊啊啊")); }},
        {[&](QByteArray& b) { PutI16(b, 3072 + 7, 25), b.replace(3072 + 9, 23, "ab" + wide.left(21)); },
         [](const Song& s) {
             EXPECT_EQ(s.Notes[1][0].Lyric, QStringLiteral("ab晚风吹过山岗啊啊啊"));
             EXPECT_EQ(s.Notes[2][0].Lyric, QStringLiteral("二"));
         }},
        {[](QByteArray& b) { qToLittleEndian<double>(1e300, b.data() + 9); },  // beyond the end sentinel
         [](const Song& s) { EXPECT_EQ(s.SongSeconds, 600); }},
        {[](QByteArray& b) { qToLittleEndian<double>(-2, b.data() + 9); },
         [](const Song& s) { EXPECT_EQ(s.SongSeconds, 10); }},
        {[&](QByteArray& b) {
             qToLittleEndian<float>(500.0f, b.data() + tempoAt + 4);
             qToLittleEndian<float>(1.5f, b.data() + tempoAt + 8 * 7 + 4);
         },
         [](const Song& s) { EXPECT_TRUE(s.TempoChangeBpm[0] == 180 && s.TempoChangeBpm[7] == 30); }},
        {[](QByteArray& b) { PutI16(b, 526, -5), PutI16(b, 1038, 300); },  // volumes of parts 1 and 2
         [](const Song& s) { EXPECT_TRUE(s.Parts[1].Volume == 1 && s.Parts[2].Volume == 127); }},
        {[](QByteArray& b) { qToLittleEndian<int32_t>(kMaxNoteStart, b.data() + 3072); },
         [](const Song& s) { EXPECT_EQ(s.Notes[1][0].Start, kMaxNoteStart); }},
    };
    for (const auto& [damage, check] : cases) {
        QByteArray b = good;
        damage(b);
        ASSERT_TRUE(ParseProjectFile(b, at("x.brc")).Ok);
        ExpectRoundTrip(b, check);
    }
}

TEST_F(ProjectFileTest, EveryMutatedFileTheLoaderAcceptsIsSavedAsAFileItOpensAgain) {
    auto song = testsongs::NewSong();
    for (int i = 0; i < 6; ++i) AddNote(*song, 1 + i % 3, 96 * i, 48, uint8_t(60 + i), QStringLiteral("晚风"));
    for (int k = 1; k <= 3; ++k) song->TempoChangeTicks[k] = 960 * k, song->TempoChangeBpm[k] = 60.0f + 30 * k;
    song->TempoLastIndex = 3;
    const QByteArray seed = BuildProjectFileBytes(*song, ProjectExtras{});
    std::mt19937 rng(11);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    int accepted = 0;
    for (int i = 0; i < 2000; ++i) {
        QByteArray b = seed;
        for (int e = pick(1, 4); e > 0; --e) {  // fields of the header, the notes and the lists
            const int at = pick(0, 3) == 0 ? pick(0, 160) : pick(3072, b.size() - 8);
            if (pick(0, 1)) qToLittleEndian<int32_t>(int32_t(rng()), b.data() + at);
            else qToLittleEndian<double>(std::ldexp(1.0, pick(-60, 1020)), b.data() + at);
        }
        SCOPED_TRACE(i);
        accepted += ParseProjectFile(b, at("x.brc")).Ok;
        ExpectRoundTrip(b);
    }
    EXPECT_GT(accepted, 200);
}
