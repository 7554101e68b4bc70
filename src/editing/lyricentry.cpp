#include "editing/lyricentry.h"

#include <algorithm>

#include "document/lyrics.h"
#include "document/texthelpers.h"
#include "platform/vbtext.h"

namespace editing {

namespace {

const QString kTooWide = QString::fromUtf8("每个音符长度不能超过20");
const QString kBadMark = QString::fromUtf8(
    "错误的标记 /t:标记 /m注释 /x无音高 /s特殊符号 /p力度记号 /e表情文件 /i自选表情文本/z装饰音");
constexpr int kMaxSyllables = 1025;

// Rows of `part` with a pitch above `lowest` starting at or after `from`, by start and then row.
std::vector<int> RowsFrom(const doc::Song& song, int part, int32_t from, int lowest) {
    std::vector<int> rows;
    for (int i = 0; i < song.Parts[part].NoteCount; ++i) {
        const doc::NoteRecord& n = song.note(part, i);
        if (n.Pitch > lowest && n.Start >= from) rows.push_back(i);
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [&](int a, int b) { return song.note(part, a).Start < song.note(part, b).Start; });
    return rows;
}

struct Change {
    int row;
    QString lyric;
};

// Applies the new lyrics, one journal line each in the given order, then the header; refuses the
// whole change (nothing written) when a new lyric is wider than the limit.
bool WriteLyrics(doc::Song& song, UndoJournal& journal, int part, const std::vector<Change>& changes,
                 const QString& action) {
    for (const Change& c : changes)
        if (doc::MeasureTextWidth(c.lyric) > kLyricWidthLimit) return false;
    journal.TruncateRedoTail();
    for (const Change& c : changes) {
        doc::NoteRecord& n = song.note(part, c.row);
        NoteLine line = NoteLineFor(part, n);
        line.newLyric = c.lyric;
        journal.AddNoteLine(line);
        n.Lyric = c.lyric;
    }
    journal.Commit(action);
    song.Modified = -1;
    song.NeedsRetypeset = -1;  // the pages show the lyrics
    return true;
}

QString WithVerse(QString lyric, int verse, const QString& text, int verseCount) {
    doc::SetVerseText(lyric, verse, text, verseCount);
    return lyric;
}

}  // namespace

QString LyricTooWideMessage() { return kTooWide; }
QString BadMarkMessage() { return kBadMark; }

QString TrimTextToWidth(const QString& text, int width) {
    qsizetype n = text.size();
    QString t = text;
    while (n > 0 && doc::MeasureTextWidth(t) > width) {
        --n;
        if (n > 0 && t.at(n).isLowSurrogate() && t.at(n - 1).isHighSurrogate()) --n;  // whole characters
        t = text.left(n);
    }
    return t;
}

EntryResult CommitEntry(doc::Song& song, UndoJournal& journal, int part, int row, const QString& typed,
                        const EntryLists& lists) {
    EntryResult r;
    doc::NoteRecord& n = song.note(part, row);
    song.Modified = -1;
    QString s = TrimTextToWidth(vb::Trim(typed), kLyricWidthLimit);
    r.caption = s;
    int code = n.Pitch;
    if (s.startsWith('/')) {
        const char16_t mark = s.size() > 1 ? s.at(1).unicode() : 0;
        const QString text = s.mid(2);
        auto indexIn = [&](const QStringList& list, int selected) {
            const int at = int(list.indexOf(text));  // the entry the text names, else the selection
            return QString::number(at >= 0 ? at : selected);
        };
        r.caption = text;
        s = text;
        switch (mark) {
        case 't':
            code = doc::kSentenceMarker;
            s.clear();
            r.caption.clear();
            break;
        case 'm': code = doc::kComment; break;
        case 'x': code = doc::kUnpitchedNote; break;
        case 's': code = doc::kSpecialSymbol; break;
        case 'p':
            code = doc::kDynamics;
            s = indexIn(lists.dynamics, lists.dynamicsIndex);
            break;
        case 'e': code = doc::kExpression; break;
        case 'i':
            code = doc::kChosenExpression;
            s = indexIn(lists.expressions, lists.expressionIndex);
            break;
        case 'z': code = doc::kOrnament; break;
        default:
            r.caption = TrimTextToWidth(vb::Trim(typed), kLyricWidthLimit);
            r.code = n.Pitch;
            return r;
        }
    } else if (code < 21) {
        code = 64;
    }
    NoteLine line = NoteLineFor(part, n);
    if (code != n.Pitch) {
        line.newPitch = code;
        r.codeChanged = true;
        n.Pitch = uint8_t(code);
        song.PlayEventsStale = -1;  // a note made an item stops sounding, an item made a note sounds
    }
    line.newLyric = s;
    n.Lyric = s;
    journal.TruncateRedoTail();
    journal.AddNoteLine(line);
    journal.Commit(QString::fromUtf8("修改歌词"));
    song.NeedsRetypeset = -1;
    r.stored = true;
    r.code = code;
    return r;
}

ShiftResult ShiftVerse(doc::Song& song, UndoJournal& journal, int part, int row, int verse, int verseCount,
                       bool insert) {
    song.Modified = -1;
    const doc::NoteRecord& edited = song.note(part, row);
    if (edited.Pitch <= 19) return ShiftResult::Nothing;  // a mark's text is no syllable
    std::vector<int> run = RowsFrom(song, part, edited.Start, 19);
    // The run starts at the edited note: chord partners ordered before it keep their syllables.
    run.erase(run.begin(), std::find(run.begin(), run.end(), row));
    if (run.empty()) return ShiftResult::Nothing;
    auto verseOf = [&](int k) { return doc::GetVerseText(song.note(part, run[size_t(k)]).Lyric, verse); };
    auto change = [&](int k, const QString& text) {
        return Change{run[size_t(k)], WithVerse(song.note(part, run[size_t(k)]).Lyric, verse, text, verseCount)};
    };
    std::vector<Change> changes;
    const int last = int(run.size()) - 1;
    if (insert) {
        for (int k = last; k >= 1; --k) changes.push_back(change(k, verseOf(k - 1)));
        changes.push_back(change(0, QString()));
    } else {
        for (int k = 0; k < last; ++k) changes.push_back(change(k, verseOf(k + 1)));
        changes.push_back(change(last, QString()));
    }
    if (!WriteLyrics(song, journal, part, changes, QString::fromUtf8(insert ? "插空歌词" : "删除歌词")))
        return ShiftResult::TooWide;
    return ShiftResult::Done;
}

std::vector<QString> SplitSyllables(const QString& text, bool oneCharacter) {
    std::vector<QString> out;
    if (oneCharacter) {
        for (qsizetype i = 0; i < text.size() && int(out.size()) < kMaxSyllables; ++i) {
            qsizetype n = 1;
            if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) n = 2;
            out.push_back(text.mid(i, n));
            i += n - 1;
        }
    } else {
        // Empty words (spaces in a row, a leading space) are skipped, not the end of the list.
        for (const QString& word : text.split(' ', Qt::SkipEmptyParts)) {
            if (int(out.size()) >= kMaxSyllables) break;
            out.push_back(word);
        }
    }
    return out;
}

InsertResult InsertLyrics(doc::Song& song, UndoJournal& journal, int part, int startRow, const QString& text,
                          int verse, int verseCount, bool overwrite, bool oneCharacter) {
    song.Modified = -1;
    std::vector<QString> syllables = SplitSyllables(RemoveLineBreaks(text), oneCharacter);
    for (QString& s : syllables) {
        if (doc::MeasureTextWidth(s) > kLyricWidthLimit) return InsertResult::TooWide;
        if (s == " ") s = "-";
    }
    if (syllables.empty()) return InsertResult::Nothing;
    if (startRow < 0 || startRow >= song.Parts[part].NoteCount) return InsertResult::Nothing;
    const std::vector<int> targets = RowsFrom(song, part, song.note(part, startRow).Start, 20);
    const int count = int(targets.size()), k = int(syllables.size());
    auto lyricAt = [&](int i) -> const QString& { return song.note(part, targets[size_t(i)]).Lyric; };
    std::vector<Change> changes;
    if (!overwrite)
        for (int i = count - 1 - k; i >= 0; --i)
            changes.push_back({targets[size_t(i + k)],
                               WithVerse(lyricAt(i + k), verse, doc::GetVerseText(lyricAt(i), verse), verseCount)});
    for (int i = 0; i < k && i < count; ++i)
        changes.push_back({targets[size_t(i)], WithVerse(lyricAt(i), verse, syllables[size_t(i)], verseCount)});
    if (changes.empty()) return InsertResult::Nothing;
    if (!WriteLyrics(song, journal, part, changes, QString::fromUtf8("插入歌词"))) return InsertResult::TooWide;
    return InsertResult::Done;
}

QString RemoveLineBreaks(QString text) {
    doc::ReplaceAll(text, "\n", QString());
    doc::ReplaceAll(text, "\r", QString());
    return text;
}

QString RemoveSpaces(QString text) {
    doc::ReplaceAll(text, " ", QString());
    return text;
}

QString RemovePunctuation(QString text) {
    for (const char* mark : {",", ".", "，", "。", "！", "？", "?", "…", "—", "、", "!", "“"})
        doc::ReplaceAll(text, QString::fromUtf8(mark), QString());
    return text;
}

}  // namespace editing
