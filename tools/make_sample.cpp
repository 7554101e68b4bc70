// Writes the demonstration song offered in the program's sample folder: a four-part arrangement of
// an old French folk melody (long in the public domain), with our own words, as a project file.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

#include "document/newsong.h"
#include "document/projectfile.h"
#include "document/timeline.h"

namespace {

// One phrase: six quarter notes and a closing half note, two bars of 4/4.
struct Phrase {
    int melody[7], alto[7], tenor[7], bass[7];
    const char* words;  // seven syllables
};

const Phrase kPhrases[6] = {
    {{60, 60, 67, 67, 69, 69, 67}, {55, 55, 64, 64, 65, 65, 64}, {55, 55, 55, 55, 57, 57, 55},
     {48, 48, 48, 48, 53, 53, 48}, "晚风轻轻吹过窗"},
    {{65, 65, 64, 64, 62, 62, 60}, {62, 62, 60, 60, 59, 59, 55}, {57, 57, 55, 55, 55, 55, 52},
     {50, 50, 48, 48, 43, 43, 48}, "星星点点照山岗"},
    {{67, 67, 65, 65, 64, 64, 62}, {64, 64, 62, 62, 60, 60, 59}, {55, 55, 57, 57, 55, 55, 55},
     {48, 48, 50, 50, 48, 48, 43}, "唱一首歌给你听"},
    {{67, 67, 65, 65, 64, 64, 62}, {64, 64, 62, 62, 60, 60, 59}, {55, 55, 57, 57, 55, 55, 55},
     {48, 48, 50, 50, 48, 48, 43}, "歌声飞到白云上"},
    {{60, 60, 67, 67, 69, 69, 67}, {55, 55, 64, 64, 65, 65, 64}, {55, 55, 55, 55, 57, 57, 55},
     {48, 48, 48, 48, 53, 53, 48}, "晚风轻轻吹过窗"},
    {{65, 65, 64, 64, 62, 62, 60}, {62, 62, 60, 60, 59, 59, 55}, {57, 57, 55, 55, 55, 55, 52},
     {50, 50, 48, 48, 43, 43, 48}, "我们一起来歌唱"},
};

void addRow(doc::Song& song, int part, int start, int length, int pitch, const QString& lyric) {
    doc::PartRecord& rec = song.Parts[part];
    doc::NoteRecord& n = song.Notes[part][rec.NoteCount++];
    n.Start = start;
    n.Length = int16_t(length);
    n.Pitch = uint8_t(pitch);
    n.Lyric = lyric;
    n.Selected = 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_sample <output .brc>\n");
        return 2;
    }
    auto song = doc::Song::create();
    doc::NewProject(*song);
    song->TempoChangeBpm[0] = 90.0f;
    song->SongSeconds = 34.0;
    song->Title = QString::fromUtf8("晚风");
    song->Subtitle = QString::fromUtf8("——四声部练习");
    song->Lyricist = QString::fromUtf8("示范");
    song->Composer = QString::fromUtf8("法国民间曲调");
    song->Singer = QString::fromUtf8("合唱团");

    for (int ph = 0; ph < 6; ++ph) {
        const Phrase& p = kPhrases[ph];
        const QString words = QString::fromUtf8(p.words);
        const int phraseStart = ph * 384;
        for (int i = 0; i < 7; ++i) {
            const int start = phraseStart + i * 48;
            const int length = i == 6 ? 96 : 48;
            const QString syllable = words.mid(i, 1);
            addRow(*song, 1, start, length, p.melody[i], syllable);
            addRow(*song, 2, start, length, p.melody[i], syllable);
            addRow(*song, 3, start, length, p.alto[i], syllable);
            addRow(*song, 4, start, length, p.tenor[i], syllable);
            addRow(*song, 5, start, length, p.bass[i], syllable);
        }
        // One lyric sentence per phrase in every part.
        for (int part = 1; part <= 5; ++part) addRow(*song, part, phraseStart, 384, doc::kSentenceMarker, "");
    }
    song->Parts[1].Program = 52;  // a voice for the lead, piano for the others
    doc::RebuildTimeline(*song, false);

    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(QFileInfo(out).absolutePath());
    doc::ProjectExtras extras;
    doc::SaveResult r = doc::SaveProjectFile(out, *song, extras);
    if (!r.Ok) {
        std::fprintf(stderr, "%s\n", r.Message.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
