#include "app/settings.h"
#include "platform/textcodec.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace app;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray hex(const char* text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }

bool anyFont(const QString&) { return true; }

}  // namespace

TEST(SystemSettingsFile, FreshFileFromInitialSettings) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("set.ini");
    SettingsLoadReport report;
    EXPECT_EQ(LoadSystemSettings(path, anyFont, &report), SystemSettings{});
    EXPECT_TRUE(report.fileMissing);
    ASSERT_TRUE(SaveSystemSettings(path, SystemSettings{}));
    QByteArray b = readAll(path);
    ASSERT_EQ(b.size(), 160);
    EXPECT_EQ(b.mid(9, 22), hex("64 00 7F 00 7F 00 05 00 0A 00 0A 00 0A 00 A0 00 00 00 50 00 C8 00"));
    EXPECT_EQ(b.mid(31, 4), hex("00 C0 00 00"));
    // Colour 1 (selected notes, red) and colour 11 (progress line).
    EXPECT_EQ(b.mid(35, 4), hex("FF 00 00 00"));
    EXPECT_EQ(b.mid(75, 4), hex("00 C0 00 00"));
    // Lyric font 12 pt, neither bold nor italic; playback switches; colour 12 after them.
    EXPECT_EQ(b.mid(79, 7), hex("0C 00 00 00 01 00 00"));
    EXPECT_EQ(b.mid(86, 4), hex("FF FF 00 00"));
    // Records 4 and 5: "宋体" in GBK with its byte count, zeros after it.
    EXPECT_EQ(b.mid(96, 32), hex("04 00 CB CE CC E5") + QByteArray(26, '\0'));
    EXPECT_EQ(b.mid(128, 32), hex("04 00 CB CE CC E5") + QByteArray(26, '\0'));
    EXPECT_EQ(b.at(8), '\0');
}

TEST(SystemSettingsFile, RoundTrip) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("set.ini");
    SystemSettings s;
    s.options = {0, 1, 0, 1, 0, 1, 0, 1};
    s.sliders = {400, 1, 64, 8, 0, 20, 3, 500, 5, 0, 1};
    for (int i = 0; i < kColourCount; ++i) s.colours[i] = 0x010203u * uint32_t(i + 1);
    s.lyricFontName = "黑体";
    s.lyricFontSize = 20;
    s.lyricFontBold = true;
    s.lyricFontItalic = true;
    s.playback = {0, 1, 1};
    s.rightsFontName = "Serif";
    ASSERT_TRUE(SaveSystemSettings(path, s));
    SettingsLoadReport report;
    EXPECT_EQ(LoadSystemSettings(path, anyFont, &report), s);
    EXPECT_FALSE(report.fileMissing);
    EXPECT_EQ(report.fieldsDefaulted, 0);
    QByteArray b = readAll(path);
    EXPECT_EQ(b.mid(79, 4), hex("14 00 FF FF"));
}

TEST(SystemSettingsFile, RecordedNoteColourDoesNotOverlapTheLyricFont) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("set.ini");
    SystemSettings s;
    s.colours[12] = 0x00123456;
    s.lyricFontSize = 33;
    s.lyricFontBold = true;
    ASSERT_TRUE(SaveSystemSettings(path, s));
    SystemSettings back = LoadSystemSettings(path, anyFont);
    EXPECT_EQ(back.colours[12], 0x00123456u);
    EXPECT_EQ(back.lyricFontSize, 33);
    EXPECT_TRUE(back.lyricFontBold);
    EXPECT_FALSE(back.lyricFontItalic);
}

TEST(SystemSettingsFile, ShortFileKeepsTheFieldsItHolds) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("set.ini");
    SystemSettings s;
    s.options = {0, 0, 0, 0, 0, 0, 0, 0};
    s.sliders = {200, 50, 60, 2, 3, 4, 5, 6, 1, 2, 3};
    ASSERT_TRUE(SaveSystemSettings(path, s));
    writeAll(path, readAll(path).left(20));  // options and sliders 0..4, half of slider 5
    SettingsLoadReport report;
    SystemSettings back = LoadSystemSettings(path, anyFont, &report);
    EXPECT_EQ(back.options, s.options);
    for (int i = 0; i <= 4; ++i) EXPECT_EQ(back.sliders[i], s.sliders[i]) << i;
    for (int i = 5; i < kSliderCount; ++i) EXPECT_EQ(back.sliders[i], SliderDefs()[i].initial) << i;
    EXPECT_EQ(back.colours, SystemSettings{}.colours);
    EXPECT_EQ(back.lyricFontName, kDesignLyricFontName);
    EXPECT_EQ(back.rightsFontName, kDesignRightsFontName);
    EXPECT_GT(report.fieldsDefaulted, 0);
}

TEST(SystemSettingsFile, OutOfRangeValuesTakeInitialValues) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("set.ini");
    ASSERT_TRUE(SaveSystemSettings(path, SystemSettings{}));
    QByteArray b = readAll(path);
    b[0] = char(7);                       // option 0: not a check-box value
    b[1] = char(0);                       // option 1: fine
    b.replace(9, 2, hex("18 00"));        // zoom 24, below 25
    b.replace(9 + 2 * 8, 2, hex("06 00")); // count-in 6, above 5
    b.replace(9 + 2 * 7, 2, hex("F4 01")); // MIDI delay 500, the top of its range
    b.replace(31 + 4 * 2, 4, hex("00 00 00 80"));  // colour 2 not an RGB value
    b.replace(79, 2, hex("48 00"));       // lyric font 72 pt
    b[81] = char(1);                      // neither 0 nor 255
    b[85] = char(1);                      // loop switch on
    writeAll(path, b);
    SettingsLoadReport report;
    SystemSettings s = LoadSystemSettings(path, anyFont, &report);
    SystemSettings initial;
    EXPECT_EQ(s.options[0], initial.options[0]);
    EXPECT_EQ(s.options[1], 0);
    EXPECT_EQ(s.sliders[kZoomSlider], 100);
    EXPECT_EQ(s.sliders[kCountInSlider], 0);
    EXPECT_EQ(s.sliders[kMidiDelaySlider], 500);
    EXPECT_EQ(s.colours[2], 0x00FFFFFFu);
    EXPECT_EQ(s.lyricFontSize, kDesignLyricFontSize);
    EXPECT_FALSE(s.lyricFontBold);
    EXPECT_EQ(s.playback[2], 1);
    EXPECT_EQ(report.fieldsDefaulted, 6);
}

TEST(SystemSettingsFile, UnknownFontOrDamagedRecordKeepsTheDesignFont) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("set.ini");
    SystemSettings s;
    s.lyricFontName = "NoSuchFontAnywhere";
    s.rightsFontName = "Known";
    ASSERT_TRUE(SaveSystemSettings(path, s));
    auto installed = [](const QString& name) { return name == "Known"; };
    SystemSettings back = LoadSystemSettings(path, installed);
    EXPECT_EQ(back.lyricFontName, kDesignLyricFontName);
    EXPECT_EQ(back.rightsFontName, "Known");
    QByteArray b = readAll(path);
    b.replace(128, 2, hex("1F 00"));  // 31 bytes cannot fit a record
    writeAll(path, b);
    EXPECT_EQ(LoadSystemSettings(path, anyFont).rightsFontName, kDesignRightsFontName);
}

TEST(SystemSettingsFile, LongFontNameIsCutWithoutSplittingACharacter) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("set.ini");
    SystemSettings s;
    s.lyricFontName = QString("字").repeated(16);  // 32 GBK bytes
    ASSERT_TRUE(SaveSystemSettings(path, s));
    QByteArray b = readAll(path);
    EXPECT_EQ(b.mid(96, 2), hex("1E 00"));
    EXPECT_EQ(LoadSystemSettings(path, anyFont).lyricFontName, QString("字").repeated(15));
}

TEST(SystemSettingsFile, SaveKeepsBytesOutsideTheFields) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("set.ini");
    QByteArray old(200, '\x11');
    writeAll(path, old);
    ASSERT_TRUE(SaveSystemSettings(path, SystemSettings{}));
    QByteArray b = readAll(path);
    ASSERT_EQ(b.size(), 200);
    EXPECT_EQ(b.at(8), '\x11');
    EXPECT_EQ(b.mid(90, 6), QByteArray(6, '\x11'));
    EXPECT_EQ(b.mid(160), QByteArray(40, '\x11'));
    EXPECT_EQ(b.mid(102, 26), QByteArray(26, '\0'));  // a record is written whole
}

TEST(SystemSettingsFile, FailedSaveReportsAndLeavesNothing) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("no/such/folder/set.ini");
    EXPECT_FALSE(SaveSystemSettings(path, SystemSettings{}));
    EXPECT_FALSE(QFile::exists(path));
}

TEST(SettingsPanel, SliderValueTexts) {
    EXPECT_EQ(SliderValueText(kCountInSlider, 5), "键盘触发");
    EXPECT_EQ(SliderValueText(kCountInSlider, 4), "4");
    EXPECT_EQ(SliderValueText(kZoomSlider, 100), "100%");
    EXPECT_EQ(SliderValueText(kMidiDelaySlider, 160), "160");
    EXPECT_EQ(ClampSliderValue(kZoomSlider, 10), 25);
    EXPECT_EQ(ClampSliderValue(kZoomSlider, 1000), 400);
}

TEST(SettingsPanel, TrackPageForZoom) {
    TrackPage p = TrackPageForZoom(0, 100);
    EXPECT_EQ(p.span, 384);
    EXPECT_EQ(p.end + kTrackPageMargin, 432);
    EXPECT_EQ(TrackPageForZoom(0, 400).span, 96);
    EXPECT_EQ(TrackPageForZoom(1000, 250).end, 1154);  // 153.6 ticks
    EXPECT_EQ(TrackPageForZoom(0, 256).end, 150);      // exactly 150
}

TEST(SettingsPanel, FontSizeCheck) {
    EXPECT_TRUE(IsFontTooLarge(61));
    EXPECT_FALSE(IsFontTooLarge(60));
    EXPECT_FALSE(IsFontInstalled("NoSuchFontAnywhere 12345"));
}

