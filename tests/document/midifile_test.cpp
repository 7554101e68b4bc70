// MIDI file import and export against hand-built files and byte-exact expectations.
#include <gtest/gtest.h>

#include "support/songs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <random>
#include <tuple>

#include "document/midifile.h"
#include "document/newsong.h"
#include "document/timeline.h"

using namespace doc;

namespace {

QByteArray hex(const char* text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }

QByteArray be(uint32_t value, int width) {
    QByteArray out;
    for (int i = width - 1; i >= 0; --i) out.append(char((value >> (8 * i)) & 0xFF));
    return out;
}

// A Standard MIDI File of format 1 with the given division and track data.
QByteArray smf(int division, const QList<QByteArray>& tracks, int trackCount = -1) {
    QByteArray out = "MThd" + be(6, 4) + be(1, 2) + be(trackCount < 0 ? tracks.size() : trackCount, 2) +
                     be(division, 2);
    for (const QByteArray& t : tracks) out += "MTrk" + be(t.size(), 4) + t;
    return out;
}

const QByteArray kEnd = hex("00 FF 2F 00");


using NoteKey = std::tuple<int, int, int, QString>;  // start, pitch, length, lyric

std::vector<NoteKey> notesOf(const Song& s, int part, int from = 0) {
    std::vector<NoteKey> out;
    for (int i = from; i < s.Parts[part].NoteCount; ++i) {
        const NoteRecord& n = s.Notes[part][i];
        out.emplace_back(n.Start, n.Pitch, n.Length, n.Lyric);
    }
    return out;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes);
}

MidiImportResult importBytes(Song& s, const QByteArray& bytes, const std::vector<int>& targets) {
    auto file = ParseMidiFile(bytes);
    EXPECT_TRUE(file.has_value());
    if (!file) return {};
    return ImportMidiTracks(s, *file, targets);
}

// The two-track file of the import example: D = 96, a half note of middle C in the second track.
const QByteArray kExampleTrack = hex("00 90 3C 64 81 40 80 3C 40 00 FF 2F 00");
QByteArray exampleFile() { return smf(96, {kEnd, kExampleTrack}); }

QStringList gmNames() {
    QStringList names;
    for (int i = 0; i < 128; ++i) names << QString("乐器%1").arg(i);
    names[0] = QString::fromUtf8("大钢琴");
    return names;
}

}  // namespace

// ---------------------------------------------------------------- reading

TEST(MidiRead, ExampleHeaderAndTrackRows) {
    auto f = ParseMidiFile(exampleFile());
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Division, 96);
    ASSERT_EQ(f->Tracks.size(), 2u);
    EXPECT_EQ(f->Tracks[0].DataStart, 23);  // 14 header bytes, 8 chunk-head bytes, 1-based
    EXPECT_EQ(f->Tracks[1].DataStart, 23 + 4 + 8);
    EXPECT_EQ(f->Tracks[1].DataLength, 13);
    ASSERT_EQ(f->Tracks[1].Notes.size(), 2u);
    EXPECT_EQ(f->Tracks[1].Notes[1].FileTick, 192);
    EXPECT_FALSE(f->Tracks[1].Notes[1].On);

    // A longer header moves the first track.
    QByteArray bytes = "MThd" + be(8, 4) + be(0, 2) + be(1, 2) + be(480, 2) + hex("AA BB") + "MTrk" +
                       be(4, 4) + kEnd;
    f = ParseMidiFile(bytes);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Tracks[0].DataStart, 8 + 8 + 8 + 1);
}

TEST(MidiVarLen, ReadAndWritten) {
    QByteArray b = hex("81 80 00 7F FF FF FF 7F 81");
    int64_t pos = 0;
    EXPECT_EQ(ReadVarLen(b, pos, b.size()), 16384u);
    EXPECT_EQ(pos, 3);
    EXPECT_EQ(ReadVarLen(b, pos, b.size()), 127u);
    EXPECT_EQ(ReadVarLen(b, pos, b.size()), 0x0FFFFFFFu);
    EXPECT_EQ(pos, 8);
    EXPECT_FALSE(ReadVarLen(b, pos, b.size()));  // 81 continues past the end
    EXPECT_EQ(EncodeVarLen(0), hex("00"));
    EXPECT_EQ(EncodeVarLen(960), hex("87 40"));
    EXPECT_EQ(EncodeVarLen(16384), hex("81 80 00"));
    EXPECT_EQ(EncodeVarLen(0x0FFFFFFF), hex("FF FF FF 7F"));
}

TEST(MidiRead, TrackCountUsesTheWholeWordAndTheFirstSixteenAreListed) {
    QList<QByteArray> tracks;
    for (int i = 0; i < 257; ++i) tracks << kEnd;
    auto f = ParseMidiFile(smf(96, tracks));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->HeaderTrackCount, 257);
    EXPECT_EQ(f->Tracks.size(), 16u);
    // A header claiming one track more than the file holds is damaged.
    EXPECT_FALSE(ParseMidiFile(smf(96, tracks, 258)));
}

TEST(MidiRead, DamagedFilesAreRefused) {
    const QByteArray good = exampleFile();
    QByteArray notHeader = good, notTrack = good, longChunk = good;
    notHeader[3] = 'h';
    notTrack[14 + 3] = 'x';
    longChunk.chop(1);  // the chunk's length runs past the end of the file
    const QByteArray bad[] = {
        QByteArray(), notHeader, notTrack, longChunk,
        smf(0, {kEnd}),                                                                     // division 0
        smf(0xE728, {kEnd}),                                                                // time-code division
        "MThd" + be(4, 4) + be(1, 2) + be(1, 2) + be(96, 2) + "MTrk" + be(4, 4) + kEnd,     // short header
        // Events running past the end of their chunk.
        smf(96, {hex("00 90 3C")}), smf(96, {hex("00 FF 03 05 41 42")}), smf(96, {hex("00 F0 81")}),
        smf(96, {hex("00 90 3C 50 81")}), smf(96, {hex("00 90 3C 50 00")}),
        // Bytes the reader cannot place: a data byte with no status to continue, a status where a
        // data byte is due, a delta of five bytes, a meta type above 7F, a song position cut short,
        // and a system-exclusive length that swallows the next event's delta.
        smf(96, {hex("00 3C 40") + kEnd}), smf(96, {hex("00 90 3C 80") + kEnd}),
        smf(96, {hex("FF FF FF FF 00 90 3C 40") + kEnd}), smf(96, {hex("00 FF 90 00") + kEnd}),
        smf(96, {hex("00 F2 10 00 90 3C 40") + kEnd}),
        smf(96, {hex("00 F0 04 7E 7F F7 00 90 3C 40 60 80 3C 40") + kEnd}),
    };
    for (const QByteArray& b : bad) EXPECT_FALSE(ParseMidiFile(b)) << b.toHex(' ').toStdString();
    // A track without its end marker simply ends with its chunk.
    auto f = ParseMidiFile(smf(96, {hex("00 90 3C 50 60 80 3C 40")}));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Tracks[0].Notes.size(), 2u);
}

// ---------------------------------------------------------------- importing

TEST(MidiImport, ExampleTrackIntoPartOne) {
    auto s = testsongs::NewSong(true);
    s->Notes[1][0].Selected = -1;  // a free row left selected by earlier edits
    QTemporaryDir dir;
    const QString path = dir.filePath("song.mid");
    writeFile(path, exampleFile());
    ASSERT_TRUE(OpenMidiForImport(path));
    auto r = ImportMidiTracks(*s, path, {0, 1});
    EXPECT_TRUE(r.Ok);
    EXPECT_EQ(r.Message, QString::fromUtf8("导入完成"));
    EXPECT_EQ(MidiImportJournalLines(*s, r), QStringList({"10000006000096-", QString::fromUtf8("0导入MIDI")}));
    EXPECT_EQ(notesOf(*s, 1), (std::vector<NoteKey>{{0, 60, 96, "-"}}));
    EXPECT_EQ(s->Notes[1][0].Selected, 0);
    EXPECT_EQ(s->Modified, -1);
    EXPECT_EQ(s->PlayEventsStale, -1);
    EXPECT_EQ(s->NeedsRetypeset, -1);
    for (int p = 2; p <= 5; ++p) EXPECT_EQ(s->Parts[p].NoteCount, 0);
}

TEST(MidiImport, TrackBytesBecomeNotes) {
    struct Case {
        const char* what;
        int division;
        QByteArray track;
        std::vector<NoteKey> want;
    };
    const std::vector<NoteKey> threeNotes{{0, 60, 48, "-"}, {48, 62, 48, "-"}, {72, 64, 72, "-"}};
    const Case cases[] = {
        // Note-ons at file ticks 1, 3, 96 and 96 + 16384 (a three-byte delta): 0.5 -> 0, 1.5 -> 2.
        {"ticks round half to even", 96, hex("01 90 40 50 02 90 41 50 5D 90 42 50 81 80 00 90 43 50"),
         {{0, 64, 48, "-"}, {2, 65, 48, "-"}, {48, 66, 48, "-"}, {8240, 67, 48, "-"}}},
        // D = 480: pairs 480, 1920, 3840 and 1 file ticks apart; lengths outside 2..383 stay 48.
        {"lengths at D = 480", 480,
         hex("00 90 3C 50 83 60 80 3C 40 00 90 3E 50 8F 00 80 3E 40 00 90 40 50 9E 00 80 40 40 00 90 41 50 01 80 41 40"),
         {{0, 60, 48, "-"}, {48, 62, 192, "-"}, {240, 64, 48, "-"}, {624, 65, 48, "-"}}},
        // Running status and note-on with velocity 0 read the same as plain note-offs.
        {"plain", 96, hex("00 90 3C 64 60 80 3C 40 00 90 3E 64 30 90 40 64 30 80 3E 40 60 80 40 40"), threeNotes},
        {"running status", 96, hex("00 90 3C 64 60 3C 00 00 3E 64 30 40 64 30 3E 00 60 40 00"), threeNotes},
        {"mixed", 96, hex("00 91 3C 64 60 81 3C 40 00 91 3E 64 30 40 64 30 3E 00 60 81 40 00"), threeNotes},
        // Running status goes on across meta, system-exclusive and system events; system bytes
        // F1..FE are stepped over with their own data bytes (F2 two, F1 and F3 one, the rest none).
        {"across a text event", 96,
         hex("00 90 3C 64 00 FF 01 02 41 42 60 3C 00 00 3E 64 30 40 64 30 3E 00 60 40 00"), threeNotes},
        {"across system exclusive", 96,
         hex("00 90 3C 64 60 3C 00 00 F0 03 7E 7F F7 00 3E 64 30 40 64 30 3E 00 60 40 00"), threeNotes},
        {"stray F8 and FE", 96,
         hex("00 90 3C 64 00 F8 60 3C 00 00 FE 00 3E 64 30 40 64 00 F8 30 3E 00 60 40 00"), threeNotes},
        {"system messages", 96,
         hex("00 F2 10 20 00 90 3C 64 00 F1 05 60 3C 00 00 F3 01 00 F6 00 3E 64 30 40 64 30 3E 00 00 F7 01 F7 60 40 00"),
         threeNotes},
        {"meta and sysex amid other events", 96,
         hex("00 FF 58 04 04 02 18 08 00 FF 59 02 00 00 00 90 3C 50 00 FF 01 02 41 42 60 F0 03 7E 7F F7 "
             "00 80 3C 40 00 C0 05 00 B0 07 64 00 E0 00 40 00 90 41 50 60 80 41 40"),
         {{0, 60, 48, "-"}, {48, 65, 48, "-"}}},
        // On at 0, on at 48, off at 96 ends the later, off at 144 the earlier.
        {"overlapping notes of one key", 96, hex("00 90 3C 50 60 90 3C 50 60 80 3C 40 60 80 3C 40"),
         {{0, 60, 144, "-"}, {48, 60, 48, "-"}}},
        // 21 and 108 are the ends of the sung range.
        {"sung range", 96, hex("00 90 15 50 00 90 6C 50 60 80 14 40 00 80 15 40"),
         {{0, 21, 48, "-"}, {0, 108, 48, "-"}}},
    };
    for (const Case& c : cases) {
        auto s = testsongs::NewSong(true);
        auto r = importBytes(*s, smf(c.division, {c.track + kEnd}), {1});
        ASSERT_TRUE(r.Ok) << c.what;
        EXPECT_EQ(notesOf(*s, 1), c.want) << c.what;
        EXPECT_EQ(MidiImportJournalLines(*s, r).size(), int(c.want.size()) + 1) << c.what;
    }
}

TEST(MidiImport, NoteOffNeverEndsANoteThePartAlreadyHad) {
    auto s = testsongs::NewSong(true);
    s->Parts[1].NoteCount = 1;
    s->Notes[1][0] = NoteRecord{0, 24, 60, "啊", 0};
    // An off for 60 with no note of this import open, then a note of its own.
    auto r = importBytes(*s, smf(96, {hex("60 80 3C 40 00 90 3C 50 60 80 3C 40") + kEnd}), {1});
    ASSERT_TRUE(r.Ok);
    std::vector<NoteKey> want{{0, 60, 24, QString::fromUtf8("啊")}, {48, 60, 48, "-"}};
    EXPECT_EQ(notesOf(*s, 1), want);
    EXPECT_EQ(MidiImportJournalLines(*s, r), QStringList({"10004806000048-", QString::fromUtf8("0导入MIDI")}));
}

TEST(MidiImport, NotesNoPartCanHoldRefuseTheImportAndChangeNothing) {
    // What is imported, into which parts, with how many rows of part 1 in use.
    const std::tuple<int, QList<QByteArray>, std::vector<int>, int> cases[] = {
        {96, {hex("00 90 3C 50 00 90 14 50")}, {1}, 0},          // key 20
        {96, {hex("00 90 6D 50")}, {1}, 0},                      // key 109
        {1, {hex("00 90 3C 50 FF FF FF 7F 90 3E 50")}, {1}, 0},  // beyond the latest tick
        {96, {hex("00 90 3C 50 00 90 3E 50 00 90 6D 50")}, {1}, 4095},  // key 109 after the part is full
    };
    for (const auto& [division, tracks, targets, rowsUsed] : cases) {
        auto s = testsongs::NewSong(true, false, true);
        s->Parts[1].NoteCount = int16_t(rowsUsed);
        QList<QByteArray> ended;
        for (const QByteArray& t : tracks) ended << t + kEnd;
        auto r = importBytes(*s, smf(division, ended), targets);
        EXPECT_FALSE(r.Ok) << rowsUsed;
        EXPECT_EQ(r.Message, QString::fromUtf8("Midi文件读取错误。"));
        EXPECT_EQ(s->Parts[1].NoteCount, rowsUsed);
        EXPECT_EQ(s->Modified, 0);
        EXPECT_TRUE(MidiImportJournalLines(*s, r).isEmpty() && r.Cuts.empty());
    }
}

TEST(MidiImport, ATrackStopsWhereItsPartIsFullAndTheMessageSaysSo) {
    QByteArray tenNotes;
    for (int i = 0; i < 10; ++i) tenNotes += hex("00 90 40 50");
    struct Case {
        const char* what;
        QList<QByteArray> tracks;
        std::vector<int> targets;
        int rows1, rows2;           // rows of parts 1 and 2 in use before
        int after1, after2;         // and after
        int journalLines;           // lines the import adds, headers included
        const char* message;
    };
    const Case cases[] = {
        {"ten notes, ten rows", {tenNotes}, {1}, 4086, 0, 4096, 0, 11, "导入完成"},
        {"the second track finds its part full", {tenNotes, hex("00 90 3C 50")}, {1, 1}, 4086, 0, 4096, 0, 12,
         "导入完成，但声部最多4096个音符：音轨2截断，1个音符没有导入。"},
        {"another part has room", {tenNotes, hex("00 90 3C 50")}, {1, 2}, 4086, 0, 4096, 1, 13, "导入完成"},
        {"cut inside the track", {tenNotes}, {1}, 4090, 0, 4096, 0, 7,
         "导入完成，但声部最多4096个音符：音轨1截断，4个音符没有导入。"},
        {"two tracks cut", {tenNotes, tenNotes}, {1, 2}, 4090, 4095, 4096, 4096, 9,
         "导入完成，但声部最多4096个音符：音轨1截断，4个音符没有导入；音轨2截断，9个音符没有导入。"},
    };
    for (const Case& c : cases) {
        auto s = testsongs::NewSong(true, false, true);
        s->Parts[1].NoteCount = int16_t(c.rows1);
        s->Parts[2].NoteCount = int16_t(c.rows2);
        QList<QByteArray> ended;
        for (const QByteArray& t : c.tracks) ended << t + kEnd;
        auto r = importBytes(*s, smf(96, ended), c.targets);
        ASSERT_TRUE(r.Ok) << c.what;
        EXPECT_EQ(r.Message, QString::fromUtf8(c.message)) << c.what;
        EXPECT_EQ(s->Parts[1].NoteCount, c.after1) << c.what;
        EXPECT_EQ(s->Parts[2].NoteCount, c.after2) << c.what;
        EXPECT_EQ(MidiImportJournalLines(*s, r).size(), c.journalLines) << c.what;
        EXPECT_EQ(s->Modified, -1) << c.what;
    }
}

TEST(MidiImport, NoteOffsAfterTheCutEndOnlyTheNotesThatWereAdded) {
    auto s = testsongs::NewSong(true, false, true);
    s->Parts[1].NoteCount = 4094;
    // 60 on at 0 and 62 on at 48 take the last two rows; 60 on at 48 and 62 on at 96 are left out.
    // The off of 60 at 96 ends the left-out 60, the one at 144 the added one; the offs of 62 at 192
    // and 240 likewise.
    auto r = importBytes(*s, smf(96, {hex("00 90 3C 50 60 90 3E 50 00 90 3C 50 60 80 3C 40 00 90 3E 50 "
                                          "60 80 3C 40 60 80 3E 40 60 80 3E 40") + kEnd}), {1});
    ASSERT_TRUE(r.Ok);
    EXPECT_EQ(notesOf(*s, 1, 4094), (std::vector<NoteKey>{{0, 60, 144, "-"}, {48, 62, 192, "-"}}));
    ASSERT_EQ(r.Cuts.size(), 1u);
    EXPECT_EQ(r.Cuts[0].NotesLeftOut, 2);
}

TEST(MidiImport, OnlyRowsOfTheOpenFileAndExistingPartsAreRead) {
    auto s = testsongs::NewSong(true);
    s->PartCount = 3;
    QByteArray t = hex("00 90 3C 50 60 80 3C 40") + kEnd;
    // Row 0 goes to part 4 (no such part now), row 1 is not imported, rows 2.. are stale targets of an
    // earlier file with more tracks.
    auto r = importBytes(*s, smf(96, {t, t}), {4, 0, 1, 2, 3});
    EXPECT_TRUE(r.Ok);
    EXPECT_TRUE(MidiImportJournalLines(*s, r).isEmpty());
    for (int p = 1; p <= 5; ++p) EXPECT_EQ(s->Parts[p].NoteCount, 0);
    EXPECT_EQ(s->Modified, 0);
}

TEST(MidiImport, TwoTracksIntoOnePartAppendAsTwoActions) {
    auto s = testsongs::NewSong(true);
    QByteArray t1 = hex("00 90 3C 50 60 80 3C 40") + kEnd;
    QByteArray t2 = hex("60 90 3E 50 60 80 3E 40") + kEnd;
    auto r = importBytes(*s, smf(96, {t1, t2}), {2, 2});
    ASSERT_TRUE(r.Ok);
    QStringList want{"20000006000048-", QString::fromUtf8("0导入MIDI"), "20004806200048-",
                     QString::fromUtf8("0导入MIDI")};
    EXPECT_EQ(MidiImportJournalLines(*s, r), want);
    EXPECT_EQ(r.ImportedParts, (std::vector<int>{2, 2}));
}

TEST(MidiImport, DamagedFileChangesNothing) {
    auto s = testsongs::NewSong(true);
    s->Parts[1].NoteCount = 1;
    s->Notes[1][0] = NoteRecord{0, 48, 60, "-", 0};
    QTemporaryDir dir;
    const QString path = dir.filePath("bad.mid");
    writeFile(path, smf(96, {hex("00 90 3C 50 60 80 3C 40") + kEnd, hex("00 90 3C")}));
    auto r = ImportMidiTracks(*s, path, {1, 1});
    EXPECT_FALSE(r.Ok);
    EXPECT_EQ(r.Message, QString::fromUtf8("Midi文件读取错误。"));
    EXPECT_EQ(s->Parts[1].NoteCount, 1);
    EXPECT_EQ(s->Modified, 0);
    EXPECT_EQ(ImportMidiTracks(*s, dir.filePath("gone.mid"), {1}).Message, QString::fromUtf8("Midi文件读取错误。"));
}

TEST(MidiImport, TargetListFollowsStripOrder) {
    auto s = testsongs::NewSong(true);
    s->Parts[1].StripTop = 480;  // the lead part's strip moved to the bottom
    for (int p = 2; p <= 5; ++p) s->Parts[p].StripTop = (p - 2) * 120;
    QStringList want{QString::fromUtf8("不导入"), QString::fromUtf8("女高 2"), QString::fromUtf8("女低 3"),
                     QString::fromUtf8("男高 4"), QString::fromUtf8("男低 5"), QString::fromUtf8("领唱 1")};
    EXPECT_EQ(MidiImportTargetList(*s), want);
    EXPECT_EQ(MidiImportTargetPart(want[0]), 0);
    EXPECT_EQ(MidiImportTargetPart(want[5]), 1);
}

// ---------------------------------------------------------------- exporting

TEST(MidiExport, OneNoteExampleBytes) {
    auto s = testsongs::NewSong(true);
    for (int p = 2; p <= 5; ++p) s->Parts[p].MidiOn = 0;
    s->Parts[1].NoteCount = 1;
    s->Notes[1][0] = NoteRecord{0, 48, 60, "-", 0};
    const QByteArray bytes = BuildMidiFile(*s, gmNames());

    QByteArray conductor = hex("00 FF 03 08 5B B8 E8 C7 FA C3 FB 5D") +  // "[歌曲名]"
                            hex("00 FF 58 04 04 02 18 08 00 FF 51 03 0B 71 B0 00 FF 2F 00");
    QByteArray part = hex("00 FF 03 04 C1 EC B3 AA") +      // "领唱"
                      hex("00 FF 04 06 B4 F3 B8 D6 C7 D9") +  // "大钢琴"
                      hex("00 C1 00 00 B1 0A 40 00 B1 07 64 00 91 3C 50 87 40 81 3C 40 00 FF 2F 00");
    QByteArray want = hex("4D 54 68 64 00 00 00 06 00 01 00 02 03 C0") + "MTrk" + be(conductor.size(), 4) +
                      conductor + "MTrk" + be(part.size(), 4) + part;
    EXPECT_EQ(bytes.toHex(' '), want.toHex(' '));
}

TEST(MidiExport, HeaderTitleTimeSignatureAndTempoBytes) {
    auto s = testsongs::NewSong(true);
    EXPECT_EQ(BuildMidiFile(*s, gmNames()).mid(10, 2), hex("00 06"));
    for (int p = 1; p <= 5; ++p) s->Parts[p].MidiOn = 0;
    QByteArray none = BuildMidiFile(*s, gmNames());
    EXPECT_EQ(none.mid(10, 2), hex("00 01"));
    EXPECT_EQ(none.size(), 14 + 8 + 23 + 8);  // header, chunk head, conductor with the 8-byte title

    s->Title = "ab";
    const std::pair<int, const char*> cases[] = {{3 + 32 * 4, "03 03 24 08"}, {2 + 32 * 2, "02 01 0C 08"},
                                                 {6 + 32 * 5, "06 04 30 08"}, {4 + 32 * 1, "04 00 00 08"}};
    for (auto [code, bytes] : cases) {
        s->TimeSigCodes[0] = code;
        QByteArray b = BuildMidiFile(*s, gmNames());
        EXPECT_EQ(b.mid(b.indexOf(hex("FF 58 04")) + 3, 4), hex(bytes)) << code;
    }
    EXPECT_EQ(BuildMidiFile(*s, gmNames()).mid(22, 6), hex("00 FF 03 02 61 62"));
    // Tempo in whole microseconds: 120 -> 500000, 70 -> 857142.857 -> 857143.
    for (auto [bpm, bytes] : {std::pair{120.0f, "07 A1 20"}, {70.0f, "0D 14 37"}}) {
        s->TempoChangeBpm[0] = bpm;
        QByteArray b = BuildMidiFile(*s, gmNames());
        EXPECT_EQ(b.mid(b.indexOf(hex("FF 51 03")) + 3, 3), hex(bytes)) << bpm;
    }
}

TEST(MidiExport, EventOrderItemsAndChannels) {
    auto s = testsongs::NewSong(true);
    for (int p = 1; p <= 5; ++p) s->Parts[p].MidiOn = p == 3;
    s->Parts[3].Program = 52;
    s->Parts[3].Volume = 90;
    auto& n = s->Notes[3];
    n[0] = NoteRecord{48, 48, 64, "-", 0};   // ends at 96 where the next 64 starts
    n[1] = NoteRecord{96, 24, 64, "-", 0};
    n[2] = NoteRecord{0, 48, 67, "-", 0};
    n[3] = NoteRecord{0, 96, kSentenceMarker, "", 0};  // items produce no events
    n[4] = NoteRecord{24, 0, 72, "-", 0};              // no length: not written
    n[5] = NoteRecord{0, 48, 60, "-", 0};
    s->Parts[3].NoteCount = 6;
    QByteArray b = BuildMidiFile(*s, gmNames());
    QByteArray tail = hex("00 C3 34 00 B3 0A 40 00 B3 07 5A") +
                      hex("00 93 3C 50 00 93 43 50") +              // 0: on 60, on 67
                      hex("87 40 83 3C 40 00 83 43 40 00 93 40 50") +  // 48: offs first, then on 64
                      hex("87 40 83 40 40 00 93 40 50") +            // 96: off 64 before on 64
                      hex("83 60 83 40 40") + kEnd;                  // 120
    EXPECT_EQ(b.right(tail.size()).toHex(' '), tail.toHex(' '));
    EXPECT_EQ(b.mid(10, 2), hex("00 02"));
}

TEST(MidiExport, WritesOverALongerFileWithoutATail) {
    auto s = testsongs::NewSong(true);
    s->Parts[1].NoteCount = 1;
    s->Notes[1][0] = NoteRecord{0, 48, 60, "-", 0};
    QTemporaryDir dir;
    const QString path = dir.filePath("out.mid");
    writeFile(path, QByteArray(20000, 'x'));
    EXPECT_FALSE(ExportMidiFile(*s, gmNames(), path).has_value());
    QFile in(path);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    EXPECT_EQ(in.readAll(), BuildMidiFile(*s, gmNames()));
    // Nothing but the file itself is left in the folder.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"out.mid"});
    // An unwritable path reports the error and writes nothing.
    EXPECT_TRUE(ExportMidiFile(*s, gmNames(), dir.filePath("no-such-folder/out.mid")).has_value());
    EXPECT_FALSE(QFile::exists(dir.filePath("no-such-folder/out.mid")));
}

// ---------------------------------------------------------------- round trip and damaged input

namespace {

// A song of random notes: per part, notes of one key never overlap (a key can only sound once per
// channel), lengths 2..383, pitches 21..108, with items mixed in.
std::unique_ptr<Song> randomSong(std::mt19937& rng, int notesPerPart) {
    auto s = testsongs::NewSong(true);
    s->PartCount = 8;
    for (int p = 1; p <= 8; ++p) {
        s->Parts[p].Name = QString("P%1").arg(p);
        s->Parts[p].MidiOn = 1;
        s->Parts[p].Program = p * 7;
        std::array<int, 128> freeFrom{};
        int row = 0;
        int t = 0;
        for (int i = 0; i < notesPerPart; ++i) {
            t += std::uniform_int_distribution<int>(0, 60)(rng);
            int pitch = std::uniform_int_distribution<int>(21, 108)(rng);
            int length = std::uniform_int_distribution<int>(2, 383)(rng);
            int start = std::max(t, freeFrom[pitch]);
            freeFrom[pitch] = start + length;
            s->Notes[p][row++] = NoteRecord{start, int16_t(length), uint8_t(pitch), "-", 0};
            if (i % 17 == 0) s->Notes[p][row++] = NoteRecord{start, 96, kComment, "x", 0};
        }
        s->Parts[p].NoteCount = row;
    }
    return s;
}

std::vector<NoteKey> sortedSungNotes(const Song& s, int part) {
    std::vector<NoteKey> out;
    for (int i = 0; i < s.Parts[part].NoteCount; ++i) {
        const NoteRecord& n = s.Notes[part][i];
        if (IsSungPitch(n.Pitch)) out.emplace_back(n.Start, n.Pitch, n.Length, "-");
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

TEST(MidiRoundTrip, ExportedSongsImportWithTheSameNotes) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 5; ++round) {
        auto song = randomSong(rng, 300);
        song->Parts[4].MidiOn = 0;  // switched-off parts leave no track
        auto file = ParseMidiFile(BuildMidiFile(*song, gmNames()));
        ASSERT_TRUE(file);
        ASSERT_EQ(file->Tracks.size(), 8u);  // conductor and seven parts
        auto back = testsongs::NewSong(true);
        back->PartCount = 8;
        auto r = ImportMidiTracks(*back, *file, {0, 1, 2, 3, 5, 6, 7, 8});
        ASSERT_TRUE(r.Ok);
        for (int p : {1, 2, 3, 5, 6, 7, 8}) EXPECT_EQ(sortedSungNotes(*back, p), sortedSungNotes(*song, p)) << p;
        EXPECT_EQ(back->Parts[4].NoteCount, 0);
    }
}

TEST(MidiRoundTrip, FullTableAtTheKeptLengthLimits) {
    auto song = testsongs::NewSong(true);
    song->PartCount = 1;
    for (int i = 0; i < kRowsPerPart; ++i)
        song->Notes[1][i] = NoteRecord{i * 384, int16_t(i % 2 ? 383 : 2), uint8_t(21 + i % 88), "-", 0};
    song->Parts[1].NoteCount = kRowsPerPart;
    auto back = testsongs::NewSong(true);
    auto r = ImportMidiTracks(*back, *ParseMidiFile(BuildMidiFile(*song, gmNames())), {0, 1});
    ASSERT_TRUE(r.Ok);
    EXPECT_EQ(sortedSungNotes(*back, 1), sortedSungNotes(*song, 1));
    EXPECT_EQ(MidiImportJournalLines(*back, r).size(), kRowsPerPart + 1);
}

TEST(MidiFuzz, TruncatedAndMutatedFilesNeverCrash) {
    std::mt19937 rng(7);
    QList<QByteArray> seeds{exampleFile(),
                            smf(96, {hex("00 90 3C 64 60 3C 00 00 FF 58 04 04 02 18 08 00 F0 02 7E F7 00 3E 40") + kEnd}),
                            BuildMidiFile(*randomSong(rng, 20), gmNames())};
    int parsed = 0;
    for (int i = 0; i < 4000; ++i) {
        QByteArray b = seeds[i % seeds.size()];
        const int kind = std::uniform_int_distribution<int>(0, 3)(rng);
        if (kind == 0) {
            b.truncate(std::uniform_int_distribution<int>(0, b.size())(rng));
        } else {
            const int edits = std::uniform_int_distribution<int>(1, 8)(rng);
            for (int e = 0; e < edits && !b.isEmpty(); ++e) {
                const int at = std::uniform_int_distribution<int>(0, b.size() - 1)(rng);
                const int value = std::uniform_int_distribution<int>(0, 255)(rng);
                if (kind == 1) b[at] = char(value);
                else if (kind == 2) b.insert(at, char(value));
                else b[at] = char(std::array<int, 6>{0x00, 0x7F, 0x80, 0xF0, 0xFF, 0x2F}[value % 6]);
            }
        }
        auto file = ParseMidiFile(b);
        if (!file) continue;
        ++parsed;
        ASSERT_GT(file->Division, 0);
        ASSERT_LE(file->Tracks.size(), 16u);
        auto s = testsongs::NewSong(true);
        s->PartCount = 8;
        std::vector<int> targets;
        for (size_t r = 0; r < file->Tracks.size(); ++r) targets.push_back(1 + int(r) % 8);
        auto result = ImportMidiTracks(*s, *file, targets);
        if (!result.Ok) {  // refused whole: nothing arrived
            for (int p = 1; p <= 8; ++p) ASSERT_EQ(s->Parts[p].NoteCount, 0);
            continue;
        }
        for (int p = 1; p <= 8; ++p)
            for (int k = 0; k < s->Parts[p].NoteCount; ++k) {
                const NoteRecord& n = s->Notes[p][k];
                ASSERT_TRUE(n.Pitch >= 21 && n.Pitch <= 108 && n.Length >= 2 && n.Length <= 383);
            }
    }
    // The loop must exercise the importer as well as the refusals.
    EXPECT_GT(parsed, 100);
    EXPECT_LT(parsed, 4000);
}
