// Writes the seed inputs of the fuzz targets, one folder per target: the sample song, a new song, a
// song with every change list full and one at the limits of the file, as project files and as our
// own MIDI exports; MIDI files of the shapes other programs write (system-exclusive and meta events
// of every kind, running status, many tracks, long tracks, tracks ending in each kind of event at the
// file's last byte); the settings files as a save writes them and the word lists of the program
// folder.
//
//   make_seeds <output folder> <sample song .brc> <word-list folder>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

#include "app/keyset.h"
#include "app/settings.h"
#include "app/wordlists.h"
#include "document/midifile.h"
#include "document/newsong.h"
#include "document/projectfile.h"
#include "document/songcodes.h"
#include "document/timeline.h"

namespace {

bool Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "make_seeds: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// A new song with every change list as full as the commands let it grow, and a few notes.
std::unique_ptr<doc::Song> FullListsSong() {
    auto song = doc::Song::create();
    doc::NewProject(*song);
    song->SongSeconds = 600;
    song->TempoChangeBpm[0] = 180;
    song->TimeSigLastIndex = 19;
    for (int i = 1; i <= 19; ++i) {
        song->TimeSigTicks[i] = i * 4000;
        song->TimeSigCodes[i] = doc::TimeSigTextToCode(i % 2 ? "3/4" : "6/8");
    }
    song->TempoLastIndex = 39;
    for (int i = 1; i <= 39; ++i) {
        song->TempoChangeTicks[i] = i * 2000;
        song->TempoChangeBpm[i] = 170.0f + float(i % 10);
    }
    song->KeyChangeLastIndex = 19;
    for (int i = 1; i <= 19; ++i) {
        song->KeyChangeTicks[i] = i * 4000;
        song->KeyChangeKeys[i] = int16_t(i % 12 - 3);
    }
    for (int p = 1; p <= song->PartCount; ++p)
        for (int i = 0; i < 8; ++i) {
            doc::NoteRecord& n = song->Notes[p][song->Parts[p].NoteCount++];
            n.Start = i * 48;
            n.Length = 48;
            n.Pitch = uint8_t(55 + p + i);
            n.Lyric = i == 0 ? QStringLiteral("啊|哦") : QStringLiteral("-");
        }
    doc::RebuildTimeline(*song, false);
    return song;
}

// A Standard MIDI File of the given format and division around the given track data, each track in
// its own chunk (the header may be longer than its six bytes; extra chunks may follow the tracks).
QByteArray Smf(int format, int division, const QList<QByteArray>& tracks, int trackCount = -1,
               const QByteArray& headerTail = {}, const QByteArray& after = {}) {
    auto be = [](uint32_t v, int width) {
        QByteArray out;
        for (int i = width - 1; i >= 0; --i) out.append(char((v >> (8 * i)) & 0xFF));
        return out;
    };
    QByteArray out = "MThd" + be(6 + uint32_t(headerTail.size()), 4) + be(uint32_t(format), 2) +
                     be(uint32_t(trackCount < 0 ? tracks.size() : trackCount), 2) + be(uint32_t(division), 2) +
                     headerTail;
    for (const QByteArray& t : tracks) out += "MTrk" + be(uint32_t(t.size()), 4) + t;
    return out + after;
}

QByteArray Hex(const char* text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }

const QByteArray kEndOfTrack = Hex("00 FF 2F 00");

// Notes in running status across a text meta event and a system-exclusive event, with a stray
// system real-time byte: the shapes of files other programs write.
QByteArray RunningStatusMidi() {
    return Smf(0, 96, {Hex("00 90 3C 50 30 3C 00 00 FF 01 02 68 69 00 3E 50 30 3E 00 00 F0 03 7E 09 F7 "
                           "00 40 50 30 40 00 00 F8 00 80 41 40") + kEndOfTrack});
}

// Running status through every kind of channel message, on several channels, and across meta,
// system-exclusive and system events.
QByteArray RunningStatusEveryKindMidi() {
    return Smf(0, 480, {Hex("00 90 3C 64 10 3E 64 10 3C 00 00 A0 3E 20 10 3E 30 00 B1 07 64 00 0A 40 "
                            "00 C2 05 00 07 00 D3 40 10 50 00 E4 00 40 10 7F 7F 00 81 3E 40 10 3E 00 "
                            "00 FF 06 01 4D 00 95 45 50 00 F0 01 F7 83 60 45 00 00 F2 01 02 00 F3 01 "
                            "00 F1 10 00 F6 00 FE 00 96 47 50 81 70 47 00") + kEndOfTrack});
}

// System-exclusive events of every length form: empty, short, one of 128 bytes (a two-byte
// length), escape packets (F7) continuing one in parts, between notes, and one as the last event
// of the track with no end-of-track event after it.
QByteArray SystemExclusiveMidi() {
    QByteArray t = Hex("00 F0 00 00 F0 01 F7 00 F0 05 7E 7F 09 01 F7 00 90 3C 50");
    t += Hex("00 F0 81 00") + QByteArray(127, '\x11') + Hex("F7");
    t += Hex("10 F0 03 43 10 4C 10 F7 02 00 00 10 F7 01 F7 30 80 3C 40 00 F7 00");
    t += Hex("00 90 40 50 60 40 00 00 F0 04 7E 00 06 01");
    return Smf(1, 96, {kEndOfTrack, t});
}

// Meta events of every type the format names, texts in GBK among them, one of 128 bytes and
// empty ones, then notes; the last track ends in a meta event with no end-of-track after it.
QByteArray MetaEventsMidi() {
    QByteArray conductor = Hex("00 FF 00 02 00 01 00 FF 01 04 C4 FA BA C3 00 FF 02 00 00 FF 03 04 B8 E8 C7 FA "
                               "00 FF 04 03 50 6E 6F 00 FF 05 02 C0 B2 00 FF 06 01 41 00 FF 07 01 42 "
                               "00 FF 08 01 43 00 FF 09 01 44 00 FF 20 01 00 00 FF 21 01 01 "
                               "00 FF 51 03 07 A1 20 00 FF 54 05 60 00 03 00 00 00 FF 58 04 06 03 24 08 "
                               "00 FF 59 02 FD 01");
    conductor += Hex("00 FF 7F 81 00") + QByteArray(128, 'x');
    conductor += Hex("83 60 FF 51 03 0F 42 40 00 FF 58 04 02 01 0C 08") + kEndOfTrack;
    const QByteArray notes = Hex("00 FF 03 02 53 31 00 FF 20 01 01 00 91 3C 50 60 81 3C 40 00 FF 01 00 "
                                 "00 91 3E 50 60 3E 00 00 FF 06 02 41 42");
    return Smf(1, 96, {conductor, notes});
}

// Several tracks: an empty one, one on the drum channel, one with a key held over itself, one
// that ends at its chunk's end without an end-of-track event, and a chunk of another kind after
// them; the header is two bytes longer than usual.
QByteArray MultiTrackMidi() {
    const QList<QByteArray> tracks{
        Hex("00 FF 51 03 09 27 C0") + kEndOfTrack,
        kEndOfTrack,
        Hex("00 99 24 64 30 89 24 40 00 99 26 64 30 26 00") + kEndOfTrack,
        Hex("00 92 43 50 30 92 43 50 30 82 43 40 30 82 43 40") + kEndOfTrack,
        Hex("00 93 30 50 81 00 83 30 40"),
    };
    return Smf(1, 192, tracks, -1, Hex("00 00"), "XFIH" + Hex("00 00 00 02 01 02"));
}

// More tracks than the import panel lists: the seventeenth is read past, not listed.
QByteArray SeventeenTracksMidi() {
    QList<QByteArray> tracks;
    for (int i = 0; i < 17; ++i) tracks << Hex("00 90 3C 50 60 80 3C 40") + kEndOfTrack;
    tracks[16] = Hex("00 90 3C 50 60 F0 01 F7 00 80 3C");
    return Smf(1, 96, tracks);
}

// One track longer than a part: 4100 notes.
QByteArray LongTrackMidi() {
    QByteArray t;
    for (int i = 0; i < 4100; ++i) t += char(0) + Hex("90") + char(36 + i % 60) + Hex("50 18") + char(36 + i % 60) + char(0);
    return Smf(0, 96, {t + kEndOfTrack});
}

// Delta times of every length, the longest a four-byte quantity with middle bytes of 0x80.
QByteArray LongDeltasMidi() {
    return Smf(0, 960, {Hex("00 90 3C 50 7F 80 3C 40 81 00 90 3E 50 81 80 00 80 3E 40 81 80 80 00 90 40 50 "
                          "8F FF FF 7F 80 40 40") + kEndOfTrack});
}

// The smallest files whose one track ends in each kind of event, the event's last byte the file's
// last byte (no end-of-track event): readers that look one byte past an event meet the file's end.
QList<QPair<QString, QByteArray>> TrackTailMidis() {
    const QList<QPair<QString, const char*>> tails{
        {"sysex", "00 F0 02 7E F7"},      {"sysex-open", "00 F0 01 7E"},  {"sysex-escape", "00 F7 01 F7"},
        {"sysex-empty", "00 F0 00"},      {"meta", "00 FF 01 01 41"},     {"meta-empty", "00 FF 01 00"},
        {"note-on", "00 90 3C 50"},       {"note-off", "00 80 3C 40"},     {"running", "00 90 3C 50 10 3C 00"},
        {"program", "00 C0 05"},          {"pressure", "00 D0 40"},        {"pitch-bend", "00 E0 00 40"},
        {"song-position", "00 F2 01 02"}, {"song-select", "00 F3 01"},     {"quarter-frame", "00 F1 10"},
        {"tune-request", "00 F6"},        {"clock", "00 F8"},              {"delta-only", "83 60"},
    };
    QList<QPair<QString, QByteArray>> out;
    for (const auto& [name, bytes] : tails) out << qMakePair("tail-" + name + ".mid", Smf(0, 96, {Hex(bytes)}));
    return out;
}

// A song at the limits of the file: eight parts, texts filling their rooms, lyrics of seven verses,
// every item kind, a page setup away from its defaults.
std::unique_ptr<doc::Song> LimitsSong(doc::ProjectExtras& extras) {
    auto song = doc::Song::create();
    doc::NewProject(*song);
    song->PartCount = doc::kMaxParts;
    song->Title = QStringLiteral("一二三四五六七八九十壹");
    song->Subtitle = QStringLiteral("副标题副标题副标题副标题副标题");
    song->Lyricist = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123");
    for (int p = 1; p <= doc::kMaxParts; ++p) {
        doc::PartRecord& part = song->Parts[p];
        part.Name = QStringLiteral("声部名称八个字%1").arg(p);
        part.AudioFile = QStringLiteral("D:\\伴奏\\") + QString(180, QLatin1Char('a')) + QStringLiteral(".wav");
        part.StripTop = int16_t(p * 130);
        part.Program = int16_t(p * 15);
        part.PhraseJoinBits = {0xFFFFFFFFu, 1u, 0x80000000u, 0x55555555u};
        part.DisplayMode = uint8_t(p % 3);
        const uint8_t items[] = {doc::kComment, doc::kSentenceMarker, doc::kDynamics, doc::kExpression,
                                 doc::kChosenExpression, doc::kSpecialSymbol, doc::kOrnament, doc::kUnpitchedNote};
        for (int i = 0; i < 24; ++i) {
            doc::NoteRecord& n = song->Notes[p][song->Parts[p].NoteCount++];
            n.Start = i * 96 + p;
            n.Length = int16_t(i % 4 ? 48 : 383);
            n.Pitch = i % 3 ? uint8_t(21 + (i * 7 + p) % 88) : items[size_t(i % 8)];
            n.Lyric = i % 2 ? QStringLiteral("一|二|三|四|五|六|七") : QStringLiteral("啊啊啊啊啊啊啊啊啊啊");
            n.Selected = int16_t(i % 5 ? 0 : -1);
        }
    }
    extras.AccompanimentText = QStringLiteral("D:\\伴奏\\") + QString(60, QLatin1Char('b')) + QStringLiteral(".mp3");
    extras.AudioTimeOffsets = {32.767f, -32.768f, 0.5f, -0.001f, 0, 0, 0, 0, 1};
    extras.PageNumberX = -32768;
    extras.PageNumberY = 32767;
    extras.Page.Portrait = false;
    extras.Page.Scales = {255, 80, 100, 0, 25};
    extras.Page.Verses = 7;
    extras.Page.FirstPageText = QStringLiteral("-32768");
    doc::RebuildTimeline(*song, false);
    return song;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: make_seeds <output folder> <sample song .brc> <word-list folder>\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString samplePath = QString::fromLocal8Bit(argv[2]);
    const QDir words(QString::fromLocal8Bit(argv[3]));
    for (const char* sub : {"projectfile", "midifile", "settings"})
        if (!QDir().mkpath(out + "/" + sub)) return 1;

    doc::ProjectLoad sample = doc::ReadProjectFile(samplePath);
    if (!sample.Ok) {
        std::fprintf(stderr, "make_seeds: cannot read the sample song %s\n", qPrintable(samplePath));
        return 1;
    }
    doc::RebuildTimeline(*sample.LoadedSong, false);
    auto newSong = doc::Song::create();
    doc::NewProject(*newSong);
    doc::RebuildTimeline(*newSong, false);
    auto fullLists = FullListsSong();

    const QStringList& instruments = app::builtin::InstrumentNames();
    QFile sampleFile(samplePath);
    bool ok = sampleFile.open(QIODevice::ReadOnly) && Write(out + "/projectfile/sample.brc", sampleFile.readAll());
    ok = ok && Write(out + "/projectfile/new.brc", doc::BuildProjectFileBytes(*newSong, {}));
    ok = ok && Write(out + "/projectfile/full-lists.brc", doc::BuildProjectFileBytes(*fullLists, {}));
    ok = ok && Write(out + "/midifile/sample.mid", doc::BuildMidiFile(*sample.LoadedSong, instruments));
    ok = ok && Write(out + "/midifile/new.mid", doc::BuildMidiFile(*newSong, instruments));
    ok = ok && Write(out + "/midifile/full-lists.mid", doc::BuildMidiFile(*fullLists, instruments));
    ok = ok && Write(out + "/midifile/running-status.mid", RunningStatusMidi());
    ok = ok && Write(out + "/midifile/running-status-every-kind.mid", RunningStatusEveryKindMidi());
    ok = ok && Write(out + "/midifile/sysex.mid", SystemExclusiveMidi());
    ok = ok && Write(out + "/midifile/meta.mid", MetaEventsMidi());
    ok = ok && Write(out + "/midifile/multi-track.mid", MultiTrackMidi());
    ok = ok && Write(out + "/midifile/seventeen-tracks.mid", SeventeenTracksMidi());
    ok = ok && Write(out + "/midifile/long-track.mid", LongTrackMidi());
    ok = ok && Write(out + "/midifile/long-deltas.mid", LongDeltasMidi());
    for (const auto& [name, bytes] : TrackTailMidis()) ok = ok && Write(out + "/midifile/" + name, bytes);
    doc::ProjectExtras limitsExtras;
    auto limits = LimitsSong(limitsExtras);
    ok = ok && Write(out + "/projectfile/limits.brc", doc::BuildProjectFileBytes(*limits, limitsExtras));
    ok = ok && Write(out + "/settings/set.ini", app::BuildSystemSettingsBytes({}, app::SystemSettings{}));
    ok = ok && Write(out + "/settings/keyset.dat", app::BuildKeySetBytes({}, app::KeySettings{}));
    for (const QString& name : words.entryList(QDir::Files)) {
        QFile f(words.filePath(name));
        ok = ok && f.open(QIODevice::ReadOnly) && Write(out + "/settings/" + name, f.readAll());
    }
    return ok ? 0 : 1;
}
