// The undo journal: one text line per touched note (its values before the change, then the
// new values as tags "J=" start, "L=" length, "Y=" pitch, "S=" lyric, "S=" last), each entry
// closed by a header "0" & action name. Notes are found again by their values, not by row.
#pragma once

#include "document/song.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace editing {

// How an action is replayed.
enum class ActionClass { Base, Adding, Removing, PartDeletion, Changing };
ActionClass ClassOfAction(const QString& action);

// The values of one note line.
struct NoteLine {
    int part = 0;
    int32_t start = 0;
    int pitch = 0;
    int32_t length = 0;
    QString lyric;
    // New values (changing actions only).
    std::optional<int32_t> newStart;   // "J="
    std::optional<int32_t> newLength;  // "L="
    std::optional<int> newPitch;       // "Y="
    std::optional<QString> newLyric;   // "S="
};

// The line naming a note by its present values (part, Start, Pitch, Length, lyric), no new values.
NoteLine NoteLineFor(int part, const doc::NoteRecord& note);

// The line as the journal shows it: part digit, Start "00000", Pitch "000", Length "00000",
// the lyric, then the tags present.
QString NoteLineText(const NoteLine& line);
// A line read back from its text alone: fixed positions for the numbers, the lyric up to the
// tag letter before the first "=", each tag's value at its own tag.
NoteLine ParseNoteLine(const QString& text);

class UndoJournal {
public:
    UndoJournal() { Reset(); }

    // Index of the header of the last applied entry; 0 = nothing to undo.
    int32_t UndoPosition = 0;

    // The views the replay affects; the window sets them. Each may be left empty.
    std::function<void()> ArrangePartStrips;
    std::function<void()> RefreshPianoRoll;
    std::function<void()> ShowPartNames;

    // The journal of a new or opened song: the single header "0无法撒消", position 0.
    void Reset();

    int ListCount() const { return int(items_.size()); }
    const QString& List(int index) const { return items_.at(index).text; }
    QStringList listcx() const;

    // Removes every item after UndoPosition.
    void TruncateRedoTail();

    // Writer side of every command that changes notes: TruncateRedoTail, one AddNoteLine per
    // touched note, then Commit with the action name.
    void AddNoteLine(const NoteLine& line);
    void AddNoteLine(int part, const doc::NoteRecord& before);
    // Makes room for `lines` more items, for a command about to write many.
    void Reserve(int lines);
    // Appends an item given as text (a note line, or a header beginning with "0"), read as its
    // text says; does not move UndoPosition.
    void AddItem(const QString& text);
    // Appends the header "0" & action and points UndoPosition at it.
    void Commit(const QString& action);

    bool CanUndo() const { return UndoPosition > 0; }
    bool CanRedo() const { return UndoPosition < ListCount() - 1; }
    // The captions of the note menu's undo and redo items.
    QString UndoCaption() const;
    QString RedoCaption() const;

    // Replays the entry before / after UndoPosition on the song. Both mark the song modified,
    // its play events stale and its score for typesetting. Nothing happens when not offered.
    void Undo(doc::Song& song);
    void Redo(doc::Song& song);

    // Deletes the current part: the part is swapped into the last slot (journal lines follow
    // it), the line of slot and former place and the header "0删除声部" are written, and
    // PartCount drops by one. Refuses (returns false) when only one part is left. The caller
    // asks first and re-lays the views afterwards.
    bool DeleteCurrentPart(doc::Song& song);

    // The highest part slot the journal's lines name (note lines and part-deletion slots).
    int HighestPartNamed() const;
    // Every line naming a slot above `live` moves up one slot, its exact values with it.
    void MovePartsAboveUp(int live);

private:
    struct Item {
        QString text;
        bool header = false;
        bool partDeletion = false;  // the slot-and-place line of a part deletion
        NoteLine note;              // note lines: the exact values written
        int slot = 0, place = 0;    // part-deletion lines
    };
    std::vector<Item> items_;

    int PartOf(const Item& item) const;
    int PreviousHeader(int from) const;
    int NextHeader(int from) const;
    void ExchangePartDigits(int a, int b);
    static int FindRow(const doc::Song& song, int part, int32_t start, int pitch, int32_t length,
                       const QString& lyric);
    static void RemoveRow(doc::Song& song, int part, int row);
    static void AppendRow(doc::Song& song, int part, const NoteLine& line, bool clearSelection);
    static void MarkChanged(doc::Song& song);
};

}  // namespace editing
