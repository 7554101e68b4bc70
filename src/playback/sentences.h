// Lyric sentences of a part for rehearsal: the part's phrases (its sentence markers, in time order)
// gathered into sentences by the join flags kept in the part record. An item of a sentence list is
// the text padded to 32 characters, "|", then the 10-digit span (5-digit start, 5-digit end) of
// each of its phrases.
#pragma once

#include <QString>
#include <QStringList>

#include "document/song.h"

namespace playback {

// Join flags cover phrases 0..123 (bits 0..30 of four words); later phrases stand alone.
constexpr int kJoinablePhrases = 124;

// The text followed by blanks to 32 characters, or its first 32 characters.
QString PadTo32(const QString& text);

// The sentence items of `part` with the lyrics of `verse` (0-based).
QStringList BuildSentenceItems(const doc::Song& song, int part, int verse);

// The number of phrases of a sentence item.
int SentencePhraseCount(const QString& item);

// The spans of a sentence item (the text after its first "|").
QString SentenceSpans(const QString& item);

// Join: the flag of the selected sentence's last phrase is set (that phrase and the next one form
// one sentence). False when nothing changed (no selection, or a phrase beyond the flags).
bool JoinWithNext(doc::Song& song, int part, const QStringList& items, int selected);

// Split: the flag before the selected sentence's last phrase is cleared, so that phrase stands
// alone. False when nothing changed (no selection, or a sentence of one phrase).
bool SplitLastPhrase(doc::Song& song, int part, const QStringList& items, int selected);

}  // namespace playback
