#include "document/lyrics.h"

#include "document/texthelpers.h"
#include "platform/sortlist.h"
#include "platform/vbtext.h"

#include <QStringList>

namespace doc {

QString GetVerseText(const QString& lyric, int verse) {
    if (lyric.isEmpty() || verse < 0) return QString();
    // The verse-th field between '|' separators, found without cutting up the whole text.
    qsizetype from = 0;
    for (int v = 0; v < verse; ++v) {
        const qsizetype bar = lyric.indexOf(QLatin1Char('|'), from);
        if (bar < 0) return QString();
        from = bar + 1;
    }
    const qsizetype end = lyric.indexOf(QLatin1Char('|'), from);
    if (from == 0 && end < 0) return lyric;  // a text of one verse is that verse
    return lyric.mid(from, end < 0 ? lyric.size() - from : end - from);
}

void SetVerseText(QString& lyric, int verse, const QString& text, int verseCount) {
    if (verseCount < 1) verseCount = 1;
    QStringList fields = (lyric + "||").split('|');
    // A verse may lie any number of fields past the stored text: pad so the syllable is kept.
    while (fields.size() < verseCount) fields.append(QString());
    if (verse >= 0 && verse < verseCount) fields[verse] = text;
    lyric = QStringList(fields.mid(0, verseCount)).join('|');
}

QString GetPhraseLyrics(const Song& song, int part, int row, int verse) {
    const NoteRecord& marker = song.note(part, row);
    const int64_t s = marker.Start;
    const int64_t e = s + marker.Length;
    // Ten-digit keys: every start a Long can hold sorts in time order.
    constexpr int kKeyWidth = 10;
    SortList list;
    const int count = song.Parts[part].NoteCount;
    for (int i = 0; i < count; ++i) {
        const NoteRecord& n = song.note(part, i);
        if (n.Start >= s && n.Start < e && IsSungPitch(n.Pitch))
            list.AddItem(vb::Format(n.Start, "0000000000") + GetVerseText(n.Lyric, verse));
    }
    QString text;
    for (int i = 0; i < list.ListCount(); ++i) text += list.List(i).mid(kKeyWidth);
    ReplaceAll(text, "-", QString());
    return text;
}

}  // namespace doc
