// MIDI file import and export against hand-built files and byte-exact expectations.
#include <gtest/gtest.h>

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

// The song as New leaves it: five parts, 4/4, tempo 80, key C, 11520 ticks.
std::unique_ptr<Song> newSong() {
    auto s = Song::create();
    NewProject(*s);
    RebuildTimeline(*s, false);
    return s;
}

using NoteKey = std::tuple<int, int, int, QString>;  // start, pitch, length, lyric

std::vector<NoteKey> notesOf(const Song& s, int part, int from = 0) {
    std::vector<NoteKey> out;
    for (int i = from; i < s.Parts[part].NoteCount; ++i) {
        const NoteRecord& n = s.Notes[part][i];
        out.emplace_back(n.Start, n.Pitch, n.Length, n.Lyric);
    }
    return out;
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
    EXPECT_EQ(f->HeaderTrackCount, 2);
    ASSERT_EQ(f->Tracks.size(), 2u);
    EXPECT_EQ(f->Tracks[0].DataStart, 23);  // 14 header bytes, 8 chunk-head bytes, 1-based
    EXPECT_EQ(f->Tracks[0].DataLength, 4);
    EXPECT_EQ(f->Tracks[1].DataStart, 23 + 4 + 8);
    EXPECT_EQ(f->Tracks[1].DataLength, 13);
    EXPECT_TRUE(f->Tracks[0].Notes.empty());
    ASSERT_EQ(f->Tracks[1].Notes.size(), 2u);
    EXPECT_EQ(f->Tracks[1].Notes[1].FileTick, 192);
    EXPECT_FALSE(f->Tracks[1].Notes[1].On);
}

TEST(MidiRead, LongerHeaderMovesFirstTrack) {
    QByteArray bytes = "MThd" + be(8, 4) + be(0, 2) + be(1, 2) + be(480, 2) + hex("AA BB") + "MTrk" +
                       be(4, 4) + kEnd;
    auto f = ParseMidiFile(bytes);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Division, 480);
    ASSERT_EQ(f->Tracks.size(), 1u);
    EXPECT_EQ(f->Tracks[0].DataStart, 8 + 8 + 8 + 1);
}

TEST(MidiRead, VarLenWithZeroMiddleGroup) {
    QByteArray b = hex("81 80 00 7F FF FF FF 7F 81");
    int64_t pos = 0;
    EXPECT_EQ(ReadVarLen(b, pos, b.size()), 16384u);
    EXPECT_EQ(pos, 3);
    EXPECT_EQ(ReadVarLen(b, pos, b.size()), 127u);
    EXPECT_EQ(ReadVarLen(b, pos, b.size()), 0x0FFFFFFFu);
    EXPECT_EQ(pos, 8);
    EXPECT_FALSE(ReadVarLen(b, pos, b.size()));  // 81 continues past the end
}

TEST(MidiRead, VarLenDeltaPlacesNote) {
    auto s = newSong();
    // Delta 81 80 00 = 16384 file ticks = 8192 song ticks at D = 96.
    auto r = importBytes(*s, smf(96, {hex("81 80 00 90 40 50 60 80 40 40") + kEnd}), {1});
    ASSERT_TRUE(r.Ok);
    ASSERT_EQ(s->Parts[1].NoteCount, 1);
    EXPECT_EQ(s->Notes[1][0].Start, 8192);
    EXPECT_EQ(s->Notes[1][0].Length, 48);
}

TEST(MidiRead, MoreThanSixteenTracksListsTheFirstSixteen) {
    QList<QByteArray> tracks;
    for (int i = 0; i < 20; ++i) tracks << kEnd;
    auto f = ParseMidiFile(smf(96, tracks));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->HeaderTrackCount, 20);
    EXPECT_EQ(f->Tracks.size(), 16u);
}

TEST(MidiRead, TrackCountUsesTheWholeWord) {
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
    ASSERT_TRUE(ParseMidiFile(good));
    EXPECT_FALSE(ParseMidiFile(QByteArray()));
    QByteArray notHeader = good;
    notHeader[3] = 'h';
    EXPECT_FALSE(ParseMidiFile(notHeader));
    EXPECT_FALSE(ParseMidiFile(smf(0, {kEnd})));               // division 0
    EXPECT_FALSE(ParseMidiFile(smf(0xE728, {kEnd})));          // time-code division (-25 fps, 40)
    QByteArray notTrack = good;
    notTrack[14 + 3] = 'x';
    EXPECT_FALSE(ParseMidiFile(notTrack));
    QByteArray shortHeader = "MThd" + be(4, 4) + be(1, 2) + be(1, 2) + be(96, 2) + "MTrk" + be(4, 4) + kEnd;
    EXPECT_FALSE(ParseMidiFile(shortHeader));
    // A chunk whose length runs past the end of the file.
    QByteArray longChunk = good;
    longChunk.chop(1);
    EXPECT_FALSE(ParseMidiFile(longChunk));
    // Events running past the end of their chunk.
    EXPECT_FALSE(ParseMidiFile(smf(96, {hex("00 90 3C")})));           // note-on missing its velocity
    EXPECT_FALSE(ParseMidiFile(smf(96, {hex("00 FF 03 05 41 42")})));  // text shorter than its length
    EXPECT_FALSE(ParseMidiFile(smf(96, {hex("00 F0 81")})));           // length cut off
    EXPECT_FALSE(ParseMidiFile(smf(96, {hex("00 90 3C 50 81")})));     // delta cut off
    EXPECT_FALSE(ParseMidiFile(smf(96, {hex("00 90 3C 50 00")})));     // delta without event
}

TEST(MidiRead, TrackWithoutEndMarkerEndsAtChunkEnd) {
    auto f = ParseMidiFile(smf(96, {hex("00 90 3C 50 60 80 3C 40")}));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Tracks[0].Notes.size(), 2u);
}

TEST(MidiRead, OpenReadsFileFromDisk) {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.mid");
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(exampleFile());
    out.close();
    auto f = OpenMidiForImport(path);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Tracks.size(), 2u);
    EXPECT_FALSE(OpenMidiForImport(dir.filePath("missing.mid")));
}

// ---------------------------------------------------------------- importing

TEST(MidiImport, ExampleTrackIntoPartOne) {
    auto s = newSong();
    s->Notes[1][0].Selected = -1;  // a free row left selected by earlier edits
    QTemporaryDir dir;
    const QString path = dir.filePath("song.mid");
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(exampleFile());
    out.close();

    auto r = ImportMidiTracks(*s, path, {0, 1});
    EXPECT_TRUE(r.Ok);
    EXPECT_EQ(r.Message, QString::fromUtf8("导入完成"));
    EXPECT_EQ(r.JournalLines, QStringList({"10000006000096-", QString::fromUtf8("0导入MIDI")}));
    EXPECT_EQ(r.ImportedParts, std::vector<int>{1});
    ASSERT_EQ(s->Parts[1].NoteCount, 1);
    EXPECT_EQ(notesOf(*s, 1), (std::vector<NoteKey>{{0, 60, 96, "-"}}));
    EXPECT_EQ(s->Notes[1][0].Selected, 0);
    EXPECT_EQ(s->Modified, -1);
    EXPECT_EQ(s->PlayEventsStale, -1);
    EXPECT_EQ(s->NeedsRetypeset, -1);
    for (int p = 2; p <= 5; ++p) EXPECT_EQ(s->Parts[p].NoteCount, 0);
}

TEST(MidiImport, TicksRoundHalfToEven) {
    auto s = newSong();
    // Note-ons at file ticks 1, 3 and 96 with division 96.
    auto r = importBytes(*s, smf(96, {hex("01 90 40 50 02 90 41 50 5D 90 42 50") + kEnd}), {1});
    ASSERT_TRUE(r.Ok);
    ASSERT_EQ(s->Parts[1].NoteCount, 3);
    EXPECT_EQ(s->Notes[1][0].Start, 0);   // 0.5 -> 0
    EXPECT_EQ(s->Notes[1][1].Start, 2);   // 1.5 -> 2
    EXPECT_EQ(s->Notes[1][2].Start, 48);
}

TEST(MidiImport, LengthsOutsideTheKeptRangeStayDefault) {
    auto s = newSong();
    // D = 480: pairs 480, 1920 and 3840 file ticks apart, one after another.
    QByteArray t = hex("00 90 3C 50") + hex("83 60 80 3C 40") +   // 480
                   hex("00 90 3E 50") + hex("8F 00 80 3E 40") +   // 1920
                   hex("00 90 40 50") + hex("9E 00 80 40 40") +   // 3840
                   hex("00 90 41 50") + hex("01 80 41 40") + kEnd;  // 1 file tick: 0.1 -> length 0
    auto r = importBytes(*s, smf(480, {t}), {1});
    ASSERT_TRUE(r.Ok);
    std::vector<NoteKey> want{{0, 60, 48, "-"}, {48, 62, 192, "-"}, {240, 64, 48, "-"}, {624, 65, 48, "-"}};
    EXPECT_EQ(notesOf(*s, 1), want);
}

TEST(MidiImport, RunningStatusAndVelocityZeroImportIdentically) {
    QByteArray plain = hex("00 90 3C 64 60 80 3C 40 00 90 3E 64 30 90 40 64 30 80 3E 40 60 80 40 40") + kEnd;
    QByteArray running = hex("00 90 3C 64 60 3C 00 00 3E 64 30 40 64 30 3E 00 60 40 00") + kEnd;
    QByteArray mixed = hex("00 91 3C 64 60 81 3C 40 00 91 3E 64 30 40 64 30 3E 00 60 81 40 00") + kEnd;
    auto a = newSong(), b = newSong(), c = newSong();
    importBytes(*a, smf(96, {plain}), {2});
    importBytes(*b, smf(96, {running}), {2});
    importBytes(*c, smf(96, {mixed}), {2});
    std::vector<NoteKey> want{{0, 60, 48, "-"}, {48, 62, 48, "-"}, {72, 64, 72, "-"}};
    EXPECT_EQ(notesOf(*a, 2), want);
    EXPECT_EQ(notesOf(*b, 2), want);
    EXPECT_EQ(notesOf(*c, 2), want);
}

TEST(MidiImport, MetaAndSysexCancelRunningStatusAndAreSteppedOver) {
    auto s = newSong();
    // Time signature, key signature and a system-exclusive message between notes; after the meta event
    // the stray data bytes "3E 40" have no status to repeat and are stepped over.
    QByteArray t = hex("00 FF 58 04 04 02 18 08 00 FF 59 02 00 00 00 90 3C 50") + hex("00 FF 01 02 41 42") +
                   hex("00 3E 40") + hex("60 F0 03 7E 7F F7 00 80 3C 40") + hex("00 C0 05 00 B0 07 64 00 E0 00 40") +
                   hex("00 90 41 50 60 80 41 40") + kEnd;
    auto r = importBytes(*s, smf(96, {t}), {1});
    ASSERT_TRUE(r.Ok);
    std::vector<NoteKey> want{{0, 60, 48, "-"}, {48, 65, 48, "-"}};
    EXPECT_EQ(notesOf(*s, 1), want);
}

TEST(MidiImport, NoteOffNeverEndsANoteThePartAlreadyHad) {
    auto s = newSong();
    s->Parts[1].NoteCount = 1;
    s->Notes[1][0] = NoteRecord{0, 24, 60, "啊", 0};
    // An off for 60 with no note of this import open, then a note of its own.
    auto r = importBytes(*s, smf(96, {hex("60 80 3C 40 00 90 3C 50 60 80 3C 40") + kEnd}), {1});
    ASSERT_TRUE(r.Ok);
    std::vector<NoteKey> want{{0, 60, 24, QString::fromUtf8("啊")}, {48, 60, 48, "-"}};
    EXPECT_EQ(notesOf(*s, 1), want);
    EXPECT_EQ(r.JournalLines, QStringList({"10004806000048-", QString::fromUtf8("0导入MIDI")}));
}

TEST(MidiImport, OverlappingNotesOfOneKeyEndLatestFirst) {
    auto s = newSong();
    // on A at 0, on B at 48, off at 96 ends B, off at 144 ends A (song ticks).
    auto r = importBytes(*s, smf(96, {hex("00 90 3C 50 60 90 3C 50 60 80 3C 40 60 80 3C 40") + kEnd}), {1});
    ASSERT_TRUE(r.Ok);
    std::vector<NoteKey> want{{0, 60, 144, "-"}, {48, 60, 48, "-"}};
    EXPECT_EQ(notesOf(*s, 1), want);
}

TEST(MidiImport, VelocityZeroEndsTheNote) {
    auto s = newSong();
    importBytes(*s, smf(96, {hex("00 90 3C 50 81 40 90 3C 00") + kEnd}), {1});
    EXPECT_EQ(notesOf(*s, 1), (std::vector<NoteKey>{{0, 60, 96, "-"}}));
}

TEST(MidiImport, NotesOutsideTheSungRangeAreSkipped) {
    auto s = newSong();
    // Keys 20 and 109 would become items or be out of range; 21 and 108 are kept.
    QByteArray t = hex("00 90 14 50 00 90 6D 50 00 90 15 50 00 90 6C 50 60 80 14 40 00 80 15 40") + kEnd;
    auto r = importBytes(*s, smf(96, {t}), {3});
    ASSERT_TRUE(r.Ok);
    std::vector<NoteKey> want{{0, 21, 48, "-"}, {0, 108, 48, "-"}};
    EXPECT_EQ(notesOf(*s, 3), want);
    EXPECT_EQ(r.JournalLines.size(), 3);
}

TEST(MidiImport, PartStopsAtItsLastRow) {
    auto s = newSong();
    s->Parts[1].NoteCount = 4090;
    for (int i = 0; i < 4090; ++i) s->Notes[1][i] = NoteRecord{i * 48, 48, 60, "-", 0};
    QByteArray t;
    for (int i = 0; i < 10; ++i) t += hex("00 90 40 50");  // ten notes of key 64 at once
    // Four offs at song tick 96 end the four notes that found no room, six at 144 the six that fitted.
    t += hex("81 40 80 40 40 00 80 40 40 00 80 40 40 00 80 40 40 60 80 40 40");
    for (int i = 0; i < 5; ++i) t += hex("00 80 40 40");
    t += kEnd;
    auto r = importBytes(*s, smf(96, {t}), {1});
    ASSERT_TRUE(r.Ok);
    EXPECT_EQ(s->Parts[1].NoteCount, 4096);
    EXPECT_EQ(r.JournalLines.size(), 7);  // six notes and the header
    for (int i = 4090; i < 4096; ++i) {
        EXPECT_EQ(s->Notes[1][i].Start, 0);
        EXPECT_EQ(s->Notes[1][i].Pitch, 64);
        EXPECT_EQ(s->Notes[1][i].Length, 144) << i;
    }
    EXPECT_EQ(s->Notes[1][4089].Length, 48);
}

TEST(MidiImport, OnlyRowsOfTheOpenFileAndExistingPartsAreRead) {
    auto s = newSong();
    s->PartCount = 3;
    QByteArray t = hex("00 90 3C 50 60 80 3C 40") + kEnd;
    // Row 0 goes to part 4 (no such part now), row 1 is not imported, rows 2.. are stale targets of an
    // earlier file with more tracks.
    auto r = importBytes(*s, smf(96, {t, t}), {4, 0, 1, 2, 3});
    EXPECT_TRUE(r.Ok);
    EXPECT_TRUE(r.JournalLines.isEmpty());
    EXPECT_TRUE(r.ImportedParts.empty());
    for (int p = 1; p <= 5; ++p) EXPECT_EQ(s->Parts[p].NoteCount, 0);
    EXPECT_EQ(s->Modified, 0);
}

TEST(MidiImport, TwoTracksIntoOnePartAppendAsTwoActions) {
    auto s = newSong();
    QByteArray t1 = hex("00 90 3C 50 60 80 3C 40") + kEnd;
    QByteArray t2 = hex("60 90 3E 50 60 80 3E 40") + kEnd;
    auto r = importBytes(*s, smf(96, {t1, t2}), {2, 2});
    ASSERT_TRUE(r.Ok);
    QStringList want{"20000006000048-", QString::fromUtf8("0导入MIDI"), "20004806200048-",
                     QString::fromUtf8("0导入MIDI")};
    EXPECT_EQ(r.JournalLines, want);
    EXPECT_EQ(r.ImportedParts, (std::vector<int>{2, 2}));
    EXPECT_EQ(s->Parts[2].NoteCount, 2);
}

TEST(MidiImport, DamagedFileChangesNothing) {
    auto s = newSong();
    s->Parts[1].NoteCount = 1;
    s->Notes[1][0] = NoteRecord{0, 48, 60, "-", 0};
    QTemporaryDir dir;
    const QString path = dir.filePath("bad.mid");
    QByteArray bytes = smf(96, {hex("00 90 3C 50 60 80 3C 40") + kEnd, hex("00 90 3C")});
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes);
    out.close();
    auto r = ImportMidiTracks(*s, path, {1, 1});
    EXPECT_FALSE(r.Ok);
    EXPECT_EQ(r.Message, QString::fromUtf8("Midi文件读取错误。"));
    EXPECT_TRUE(r.JournalLines.isEmpty());
    EXPECT_EQ(s->Parts[1].NoteCount, 1);
    EXPECT_EQ(s->Modified, 0);
    auto missing = ImportMidiTracks(*s, dir.filePath("gone.mid"), {1});
    EXPECT_FALSE(missing.Ok);
    EXPECT_EQ(missing.Message, QString::fromUtf8("Midi文件读取错误。"));
}

TEST(MidiImport, TargetListFollowsStripOrder) {
    auto s = newSong();
    s->Parts[1].StripTop = 480;  // the lead part's strip moved to the bottom
    for (int p = 2; p <= 5; ++p) s->Parts[p].StripTop = (p - 2) * 120;
    QStringList want{QString::fromUtf8("不导入"), QString::fromUtf8("女高 2"), QString::fromUtf8("女低 3"),
                     QString::fromUtf8("男高 4"), QString::fromUtf8("男低 5"), QString::fromUtf8("领唱 1")};
    EXPECT_EQ(MidiImportTargetList(*s), want);
    EXPECT_EQ(MidiImportTargetPart(want[0]), 0);
    EXPECT_EQ(MidiImportTargetPart(want[5]), 1);
    EXPECT_EQ(MidiImportTargetPart(want[4]), 5);
}

// ---------------------------------------------------------------- exporting

TEST(MidiExport, VarLenEncoding) {
    EXPECT_EQ(EncodeVarLen(0), hex("00"));
    EXPECT_EQ(EncodeVarLen(127), hex("7F"));
    EXPECT_EQ(EncodeVarLen(960), hex("87 40"));
    EXPECT_EQ(EncodeVarLen(16384), hex("81 80 00"));
    EXPECT_EQ(EncodeVarLen(0x0FFFFFFF), hex("FF FF FF 7F"));
}

TEST(MidiExport, OneNoteExampleBytes) {
    auto s = newSong();
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

TEST(MidiExport, TrackCountFollowsMidiSwitches) {
    auto s = newSong();
    QByteArray all = BuildMidiFile(*s, gmNames());
    EXPECT_EQ(all.mid(10, 2), hex("00 06"));
    auto f = ParseMidiFile(all);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->HeaderTrackCount, 6);
    for (int p = 1; p <= 5; ++p) s->Parts[p].MidiOn = 0;
    QByteArray none = BuildMidiFile(*s, gmNames());
    EXPECT_EQ(none.mid(10, 2), hex("00 01"));
    EXPECT_EQ(none.size(), 14 + 8 + 23 + 8);  // header, chunk head, conductor with the 8-byte title
}

TEST(MidiExport, TimeSignatureBytes) {
    auto s = newSong();
    s->Title = "ab";
    auto sig = [&](int code) {
        s->TimeSigCodes[0] = code;
        QByteArray b = BuildMidiFile(*s, gmNames());
        int at = b.indexOf(hex("FF 58 04"));
        return b.mid(at + 3, 4);
    };
    EXPECT_EQ(sig(3 + 32 * 4), hex("03 03 24 08"));  // 3/8
    EXPECT_EQ(sig(2 + 32 * 2), hex("02 01 0C 08"));  // 2/2
    EXPECT_EQ(sig(6 + 32 * 5), hex("06 04 30 08"));  // 6/16
    EXPECT_EQ(sig(4 + 32 * 1), hex("04 00 00 08"));  // 4/1
    EXPECT_EQ(BuildMidiFile(*s, gmNames()).mid(22, 6), hex("00 FF 03 02 61 62"));
}

TEST(MidiExport, TempoRoundsToWholeMicroseconds) {
    auto s = newSong();
    s->TempoChangeBpm[0] = 120.0f;
    QByteArray b = BuildMidiFile(*s, gmNames());
    EXPECT_EQ(b.mid(b.indexOf(hex("FF 51 03")) + 3, 3), hex("07 A1 20"));  // 500000
    s->TempoChangeBpm[0] = 70.0f;                                          // 857142.857 -> 857143
    b = BuildMidiFile(*s, gmNames());
    EXPECT_EQ(b.mid(b.indexOf(hex("FF 51 03")) + 3, 3), hex("0D 14 37"));
}

TEST(MidiExport, EventOrderItemsAndChannels) {
    auto s = newSong();
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
    auto s = newSong();
    s->Parts[1].NoteCount = 1;
    s->Notes[1][0] = NoteRecord{0, 48, 60, "-", 0};
    QTemporaryDir dir;
    const QString path = dir.filePath("out.mid");
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(20000, 'x'));
    old.close();
    EXPECT_FALSE(ExportMidiFile(*s, gmNames(), path).has_value());
    QFile in(path);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    EXPECT_EQ(in.readAll(), BuildMidiFile(*s, gmNames()));
    // Nothing but the file itself is left in the folder.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"out.mid"});
}

TEST(MidiExport, UnwritablePathReportsTheErrorAndWritesNothing) {
    auto s = newSong();
    QTemporaryDir dir;
    const QString path = dir.filePath("no-such-folder/out.mid");
    auto error = ExportMidiFile(*s, gmNames(), path);
    ASSERT_TRUE(error.has_value());
    EXPECT_FALSE(error->isEmpty());
    EXPECT_FALSE(QFile::exists(path));
}

// ---------------------------------------------------------------- round trip and damaged input

namespace {

// A song of random notes: per part, notes of one key never overlap (a key can only sound once per
// channel), lengths 2..383, pitches 21..108, with items mixed in.
std::unique_ptr<Song> randomSong(std::mt19937& rng, int notesPerPart) {
    auto s = newSong();
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
        QByteArray bytes = BuildMidiFile(*song, gmNames());
        auto file = ParseMidiFile(bytes);
        ASSERT_TRUE(file);
        ASSERT_EQ(file->Division, 960);
        ASSERT_EQ(file->Tracks.size(), 8u);  // conductor and seven parts
        auto back = newSong();
        back->PartCount = 8;
        std::vector<int> targets{0, 1, 2, 3, 5, 6, 7, 8};
        auto r = ImportMidiTracks(*back, *file, targets);
        ASSERT_TRUE(r.Ok);
        for (int p : {1, 2, 3, 5, 6, 7, 8}) EXPECT_EQ(sortedSungNotes(*back, p), sortedSungNotes(*song, p)) << p;
        EXPECT_EQ(back->Parts[4].NoteCount, 0);
    }
}

TEST(MidiRoundTrip, FullTableAtTheKeptLengthLimits) {
    auto song = newSong();
    song->PartCount = 1;
    for (int i = 0; i < kRowsPerPart; ++i)
        song->Notes[1][i] = NoteRecord{i * 384, int16_t(i % 2 ? 383 : 2), uint8_t(21 + i % 88), "-", 0};
    song->Parts[1].NoteCount = kRowsPerPart;
    auto back = newSong();
    auto r = ImportMidiTracks(*back, *ParseMidiFile(BuildMidiFile(*song, gmNames())), {0, 1});
    ASSERT_TRUE(r.Ok);
    EXPECT_EQ(sortedSungNotes(*back, 1), sortedSungNotes(*song, 1));
    EXPECT_EQ(r.JournalLines.size(), kRowsPerPart + 1);
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
        auto s = newSong();
        s->PartCount = 8;
        std::vector<int> targets;
        for (size_t r = 0; r < file->Tracks.size(); ++r) targets.push_back(1 + int(r) % 8);
        auto result = ImportMidiTracks(*s, *file, targets);
        ASSERT_TRUE(result.Ok);
        for (int p = 1; p <= 8; ++p) {
            ASSERT_LE(s->Parts[p].NoteCount, kRowsPerPart);
            for (int k = 0; k < s->Parts[p].NoteCount; ++k) {
                ASSERT_GE(s->Notes[p][k].Pitch, 21);
                ASSERT_LE(s->Notes[p][k].Pitch, 108);
                ASSERT_GE(s->Notes[p][k].Length, 2);
                ASSERT_LE(s->Notes[p][k].Length, 383);
            }
        }
    }
    // The loop must exercise the importer as well as the refusals.
    EXPECT_GT(parsed, 200);
    EXPECT_LT(parsed, 4000);
}
