#include "app/keyset.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace app;

namespace {

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

}  // namespace

TEST(KeySet, MapFromFile) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("keyset.dat");
    writeAll(path, QByteArray::fromHex("010500030000"));
    KeyNoteMap map = BuildKeyNoteMap(LoadKeySet(path));
    EXPECT_EQ(map[96], 35);   // keypad 0
    EXPECT_EQ(map[105], 50);  // keypad 9
    EXPECT_EQ(map[112], 84);  // F1
    EXPECT_EQ(map[123], 103); // F12
    EXPECT_EQ(map['Q'], 60);
    EXPECT_EQ(map['P'], 76);
    EXPECT_EQ(map[221], 79);  // ]
    // The digit row is off, its extra keys too; so are the A and Z rows.
    for (int vk : {192, 48, 49, 53, 57, 189, 187, int('A'), 222, int('Z'), 191}) EXPECT_EQ(map[vk], 0) << vk;
    int playing = 0;
    for (uint8_t note : map) playing += note != 0;
    EXPECT_EQ(playing, 10 + 12 + 12);
}

TEST(KeySet, EveryGroupRunsUpTheScale) {
    KeySettings ks;
    ks.rowOctaves = {3, 3, 3, 3, 3, 3};
    KeyNoteMap map = BuildKeyNoteMap(ks);
    const int major[] = {60, 62, 64, 65, 67, 69, 71, 72, 74, 76};
    for (int k = 0; k < 9; ++k) {
        EXPECT_EQ(map[97 + k], major[k]);
        EXPECT_EQ(map[112 + k], major[k]);
        EXPECT_EQ(map[49 + k], major[k]);
    }
    EXPECT_EQ(map[192], 59);  // backquote: si below
    EXPECT_EQ(map[187], 79);
    EXPECT_EQ(map['A'], 60);
    EXPECT_EQ(map[220], 79);
    EXPECT_EQ(map[191], 76);
}

TEST(KeySet, MissingShortAndHighOctaveFiles) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("keyset.dat");
    EXPECT_EQ(LoadKeySet(path).rowOctaves, KeySettings{}.rowOctaves);
    writeAll(path, QByteArray::fromHex("02FF06"));
    const KeySettings ks = LoadKeySet(path);
    EXPECT_EQ(ks.rowOctaves[0], 2);
    EXPECT_EQ(ks.rowOctaves[1], 0);
    EXPECT_EQ(ks.rowOctaves[2], 0);
    for (int i = 3; i < 6; ++i) EXPECT_EQ(ks.rowOctaves[i], KeySettings{}.rowOctaves[i]);
    KeySettings high;
    high.rowOctaves = {200, 6, 0, 0, 0, 0};
    for (uint8_t note : BuildKeyNoteMap(high)) EXPECT_EQ(note, 0);
}

TEST(KeySet, SaveWritesSixBytesAndKeepsTheRest) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("keyset.dat");
    KeySettings ks;
    ks.rowOctaves = {5, 4, 3, 2, 1, 0};
    ASSERT_TRUE(SaveKeySet(path, ks));
    EXPECT_EQ(readAll(path), QByteArray::fromHex("050403020100"));
    writeAll(path, QByteArray::fromHex("0000000000007788"));
    ASSERT_TRUE(SaveKeySet(path, ks));
    EXPECT_EQ(readAll(path), QByteArray::fromHex("0504030201007788"));
    EXPECT_FALSE(SaveKeySet(QDir(dir.path()).filePath("none/keyset.dat"), ks));
}

TEST(KeySet, OctaveChooserTexts) {
    EXPECT_EQ(KeyOctaveText(0), "无");
    EXPECT_EQ(KeyOctaveText(5), "高二个八度1~7");
    EXPECT_EQ(KeyOctaveText(9), "无");
}
