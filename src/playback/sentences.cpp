#include "playback/sentences.h"

#include "document/lyrics.h"
#include "platform/sortlist.h"
#include "platform/vbtext.h"

namespace playback {

namespace {
// Spans are written with five digits each: markers reaching past that are left out of the list.
constexpr int32_t kLastSpanTick = 99999;
constexpr int kSpanWidth = 10;
constexpr int kTextWidth = 32;

bool Joined(const doc::PartRecord& part, int phrase) {
    if (phrase < 0 || phrase >= kJoinablePhrases) return false;
    return (part.PhraseJoinBits[size_t(phrase / 31)] >> (phrase % 31) & 1u) != 0;
}

void SetJoined(doc::PartRecord& part, int phrase, bool joined) {
    const uint32_t bit = 1u << (phrase % 31);
    uint32_t& word = part.PhraseJoinBits[size_t(phrase / 31)];
    word = joined ? word | bit : word & ~bit;
}

// The number of phrases of sentences 0..selected together; 0 for no valid selection.
int PhrasesUpTo(const QStringList& items, int selected) {
    if (selected < 0 || selected >= items.size()) return 0;
    int n = 0;
    for (int i = 0; i <= selected; ++i) n += SentencePhraseCount(items[i]);
    return n;
}
}  // namespace

QString PadTo32(const QString& text) {
    if (text.size() >= kTextWidth) return text.left(kTextWidth);
    return text + QString(kTextWidth - text.size(), QLatin1Char(' '));
}

QStringList BuildSentenceItems(const doc::Song& song, int part, int verse) {
    QStringList items;
    if (part < 1 || part > doc::kMaxParts) return items;
    const doc::PartRecord& record = song.Parts[size_t(part)];
    SortList tickList;
    for (int k = 0; k < record.NoteCount; ++k) {
        const doc::NoteRecord& n = song.note(part, k);
        if (n.Pitch != doc::kSentenceMarker) continue;
        const int32_t end = n.Start + n.Length;
        if (n.Start < 0 || n.Length < 0 || end > kLastSpanTick) continue;
        tickList.AddItem(vb::Format(n.Start, "00000") + vb::Format(end, "00000") +
                         PadTo32(doc::GetPhraseLyrics(song, part, k, verse)));
    }
    QString text, spans;
    for (int j = 0; j < tickList.ListCount(); ++j) {
        const QString& item = tickList.List(j);
        const QString phraseText = vb::Trim(item.mid(kSpanWidth, kTextWidth));
        if (Joined(record, j)) {
            text += phraseText + QLatin1Char(' ');
            spans += item.left(kSpanWidth);
        } else {
            items << PadTo32(text + phraseText) + QLatin1Char('|') + spans + item.left(kSpanWidth);
            text.clear();
            spans.clear();
        }
    }
    if (!spans.isEmpty()) items << PadTo32(text) + QLatin1Char('|') + spans;
    return items;
}

int SentencePhraseCount(const QString& item) {
    const int bar = item.indexOf(QLatin1Char('|'));
    if (bar < 0) return 0;
    return (item.size() - 1 - bar) / kSpanWidth;
}

QString SentenceSpans(const QString& item) {
    const int bar = item.indexOf(QLatin1Char('|'));
    return bar < 0 ? QString() : item.mid(bar + 1);
}

bool JoinWithNext(doc::Song& song, int part, const QStringList& items, int selected) {
    const int b = PhrasesUpTo(items, selected) - 1;
    if (b < 0 || b >= kJoinablePhrases) return false;
    SetJoined(song.Parts[size_t(part)], b, true);
    return true;
}

bool SplitLastPhrase(doc::Song& song, int part, const QStringList& items, int selected) {
    if (selected < 0 || selected >= items.size() || SentencePhraseCount(items[selected]) < 2) return false;
    const int b = PhrasesUpTo(items, selected) - 2;
    if (b < 0 || b >= kJoinablePhrases) return false;
    SetJoined(song.Parts[size_t(part)], b, false);
    return true;
}

}  // namespace playback
