// Lyric verses of a note ("|"-joined, verse 0 first, "-" = no syllable) and sentence texts.
#pragma once

#include "document/song.h"

#include <QString>

namespace doc {

// The text of one verse (0-based) of a lyric; "" for an empty lyric, a negative index or a
// verse beyond the stored fields.
QString GetVerseText(const QString& lyric, int verse);

// Writes `text` into verse `verse` (0-based) of `lyric` and leaves exactly `verseCount`
// fields (the song's verse count, at least 1): surplus fields are dropped, missing ones are
// empty. A verse at or beyond the verse count is not written.
void SetVerseText(QString& lyric, int verse, const QString& text, int verseCount);

// The text of the sentence marked by the sentence marker at `row` of `part`, in verse
// `verse`: the syllables of the sung notes starting inside the marker's span, in start order
// (notes starting together in the order of their syllables), joined, every "-" removed.
QString GetPhraseLyrics(const Song& song, int part, int row, int verse);

}  // namespace doc
