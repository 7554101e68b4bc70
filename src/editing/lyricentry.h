// Lyric and item entry: what Enter in the entry box makes of the typed text, the Insert and Delete
// shifts of one verse's syllables, and the insertion of a whole line of text over the notes. Each
// command works on the song and writes its undo entry; the window places the controls afterwards.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "document/song.h"
#include "editing/undojournal.h"

namespace editing {

// The widest whole lyric (all verses) of a note, in MeasureTextWidth units.
constexpr int kLyricWidthLimit = 20;
// The refusals.
QString LyricTooWideMessage();  // "每个音符长度不能超过20"
QString BadMarkMessage();       // "错误的标记 ..."

// `text` cut from the right, whole characters at a time, until it measures at most `width`.
QString TrimTextToWidth(const QString& text, int width);

// Enter in the entry box over `row`. The mark lists are the dynamics and the expression texts with
// their present selections.
struct EntryLists {
    QStringList dynamics;
    int dynamicsIndex = -1;
    QStringList expressions;
    int expressionIndex = -1;
};
struct EntryResult {
    bool stored = false;   // false: a bad mark, nothing changed
    QString caption;       // what the note's label shows
    int code = 0;          // the note's pitch or item code afterwards
    bool codeChanged = false;
};
EntryResult CommitEntry(doc::Song& song, UndoJournal& journal, int part, int row, const QString& typed,
                        const EntryLists& lists);

// Insert (insert = true) or Delete on the edited row: verse `verse` of every sounding note (pitch
// above 19) from the edited note on, in time order, moves one note later or earlier.
enum class ShiftResult { Done, Nothing, TooWide };
ShiftResult ShiftVerse(doc::Song& song, UndoJournal& journal, int part, int row, int verse, int verseCount,
                       bool insert);

// Lyric insertion: the syllables of `text` into verse `verse` of the pitched notes from `startRow`
// on, overwriting or pushing the existing syllables later.
std::vector<QString> SplitSyllables(const QString& text, bool oneCharacter);
enum class InsertResult { Done, Nothing, TooWide };
InsertResult InsertLyrics(doc::Song& song, UndoJournal& journal, int part, int startRow, const QString& text,
                          int verse, int verseCount, bool overwrite, bool oneCharacter);
// The panel's text tools.
QString RemoveLineBreaks(QString text);
QString RemoveSpaces(QString text);
QString RemovePunctuation(QString text);

}  // namespace editing
