// Writes the seed inputs of the fuzz targets, one folder per target: the sample song, a new song and a
// song with every change list full, as project files and as our own MIDI exports, plus the settings
// files as a save writes them and the word lists of the program folder.
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

// Notes in running status across a text meta event and a system-exclusive event, with a stray
// system real-time byte: the shapes of files other programs write.
QByteArray RunningStatusMidi() {
    const unsigned char track[] = {
        0x00, 0x90, 60, 80,  0x30, 60, 0,            // note on, then off in running status
        0x00, 0xFF, 0x01, 0x02, 'h', 'i',            // text meta
        0x00, 62, 80,        0x30, 62, 0,            // running status continues
        0x00, 0xF0, 0x03, 0x7E, 0x09, 0xF7,          // system exclusive
        0x00, 64, 80,        0x30, 64, 0,
        0x00, 0xF8,                                  // timing clock
        0x00, 0x80, 65, 64,  0x00, 0xFF, 0x2F, 0x00};
    QByteArray out("MThd\0\0\0\6\0\0\0\1\0\x60", 14);
    out.append("MTrk", 4);
    const int n = int(sizeof track);
    out.append(char(0)).append(char(0)).append(char(n >> 8)).append(char(n & 0xFF));
    out.append(reinterpret_cast<const char*>(track), n);
    return out;
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
    ok = ok && Write(out + "/settings/set.ini", app::BuildSystemSettingsBytes({}, app::SystemSettings{}));
    ok = ok && Write(out + "/settings/keyset.dat", app::BuildKeySetBytes({}, app::KeySettings{}));
    for (const QString& name : words.entryList(QDir::Files)) {
        QFile f(words.filePath(name));
        ok = ok && f.open(QIODevice::ReadOnly) && Write(out + "/settings/" + name, f.readAll());
    }
    return ok ? 0 : 1;
}
