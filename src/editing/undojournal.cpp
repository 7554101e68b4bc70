#include "editing/undojournal.h"

#include <algorithm>

#include "document/parts.h"
#include "platform/vbtext.h"

namespace editing {

using vb::FormatWholeInto;
using vb::Format;
using vb::InStr;
using vb::Mid;
using vb::Val;

namespace {
const QString kBaseAction = QString::fromUtf8("无法撒消");
const QString kPartDeletion = QString::fromUtf8("删除声部");

QString DigitOf(int part) { return Format(part, "0"); }
}  // namespace

ActionClass ClassOfAction(const QString& action) {
    static const QStringList adding = {QString::fromUtf8("写入音符"), QString::fromUtf8("粘贴音符"),
                                       QString::fromUtf8("录制音符"), QString::fromUtf8("导入MIDI"),
                                       QString::fromUtf8("创建分句")};
    static const QStringList removing = {QString::fromUtf8("删除音符"), QString::fromUtf8("删除分句")};
    if (action == kBaseAction) return ActionClass::Base;
    if (adding.contains(action)) return ActionClass::Adding;
    if (removing.contains(action)) return ActionClass::Removing;
    if (action == kPartDeletion) return ActionClass::PartDeletion;
    return ActionClass::Changing;
}

NoteLine NoteLineFor(int part, const doc::NoteRecord& note) {
    NoteLine line;
    line.part = part;
    line.start = note.Start;
    line.pitch = note.Pitch;
    line.length = note.Length;
    line.lyric = note.Lyric;
    return line;
}

QString NoteLineText(const NoteLine& line) {
    char16_t digits[4 * vb::kFormatWholeRoom];
    int n = FormatWholeInto(digits, line.part, 1);
    n += FormatWholeInto(digits + n, line.start, 5);
    n += FormatWholeInto(digits + n, line.pitch, 3);
    n += FormatWholeInto(digits + n, line.length, 5);
    QString tags;
    if (line.newStart) tags += "J=" + Format(*line.newStart, "00000");
    if (line.newLength) tags += "L=" + Format(*line.newLength, "00000");
    if (line.newPitch) tags += "Y=" + Format(*line.newPitch, "000");
    if (line.newLyric) tags += "S=" + *line.newLyric;
    // One allocation per line: a journal may take tens of thousands of lines in one command.
    QString text(n + line.lyric.size() + tags.size(), Qt::Uninitialized);
    QChar* out = text.data();
    out = std::copy(reinterpret_cast<const QChar*>(digits), reinterpret_cast<const QChar*>(digits) + n, out);
    out = std::copy(line.lyric.cbegin(), line.lyric.cend(), out);
    std::copy(tags.cbegin(), tags.cend(), out);
    return text;
}

NoteLine ParseNoteLine(const QString& text) {
    NoteLine line;
    line.part = int(Val(Mid(text, 1, 1)));
    line.start = int32_t(Val(Mid(text, 2, 5)));
    line.pitch = int(Val(Mid(text, 7, 3)));
    line.length = int32_t(Val(Mid(text, 10, 5)));
    const int eq = InStr(text, "=");
    if (eq == 0) line.lyric = Mid(text, 15);
    else if (eq > 16) line.lyric = Mid(text, 15, eq - 16);
    if (int p = InStr(text, "J=")) line.newStart = int32_t(Val(Mid(text, p + 2, 5)));
    if (int p = InStr(text, "L=")) line.newLength = int32_t(Val(Mid(text, p + 2, 5)));
    if (int p = InStr(text, "Y=")) line.newPitch = int(Val(Mid(text, p + 2, 3)));
    if (int p = InStr(text, "S=")) line.newLyric = Mid(text, p + 2);
    return line;
}

void UndoJournal::Reset() {
    items_.clear();
    Item base;
    base.text = "0" + kBaseAction;
    base.header = true;
    items_.push_back(base);
    UndoPosition = 0;
}

QStringList UndoJournal::listcx() const {
    QStringList list;
    for (const Item& item : items_) list.append(item.text);
    return list;
}

void UndoJournal::TruncateRedoTail() {
    const size_t keep = size_t(std::max(UndoPosition, 0)) + 1;
    if (items_.size() > keep) items_.resize(keep);
}

void UndoJournal::AddNoteLine(const NoteLine& line) {
    Item& item = items_.emplace_back();
    item.note = line;
    item.text = NoteLineText(item.note);
}

void UndoJournal::AddNoteLine(int part, const doc::NoteRecord& before) { AddNoteLine(NoteLineFor(part, before)); }

void UndoJournal::Reserve(int lines) {
    const size_t needed = items_.size() + size_t(std::max(lines, 0));
    if (needed > items_.capacity()) items_.reserve(std::max(needed, 2 * items_.capacity()));
}

void UndoJournal::AddItem(const QString& text) {
    Item item;
    item.text = text;
    if (text.startsWith('0')) {
        item.header = true;
        // The line before a part-deletion header names the slot and the former place.
        if (text.mid(1) == kPartDeletion && !items_.empty() && !items_.back().header) {
            Item& line = items_.back();
            line.partDeletion = true;
            line.slot = int(Val(Mid(line.text, 1, 1)));
            line.place = int(Val(Mid(line.text, 2, 1)));
        }
    } else {
        item.note = ParseNoteLine(text);
    }
    items_.push_back(item);
}

void UndoJournal::Commit(const QString& action) {
    AddItem("0" + action);
    UndoPosition = ListCount() - 1;
}

QString UndoJournal::UndoCaption() const {
    if (!CanUndo()) return QString::fromUtf8("无法撒消");
    return QString::fromUtf8("撒消") + items_[UndoPosition].text.mid(1);
}

QString UndoJournal::RedoCaption() const {
    if (!CanRedo()) return QString::fromUtf8("无法恢复");
    return QString::fromUtf8("恢复") + items_[NextHeader(UndoPosition + 1)].text.mid(1);
}

int UndoJournal::HighestPartNamed() const {
    int highest = 0;
    for (std::size_t i = 1; i < items_.size(); ++i) highest = std::max(highest, PartOf(items_[i]));
    return highest;
}

void UndoJournal::MovePartsAboveUp(int live) {
    for (std::size_t i = 1; i < items_.size(); ++i) {
        Item& item = items_[i];
        const int d = PartOf(item);
        if (d <= live) continue;
        if (item.partDeletion) ++item.slot;
        else ++item.note.part;
        item.text.replace(0, 1, QString::number(d + 1));
    }
}

int UndoJournal::PartOf(const Item& item) const {
    if (item.header) return 0;
    if (item.partDeletion) return item.slot;
    return item.note.part;
}

int UndoJournal::PreviousHeader(int from) const {
    int i = from;
    while (i > 0 && !items_[i].header) --i;
    return i;
}

int UndoJournal::NextHeader(int from) const {
    int i = from;
    while (i < ListCount() - 1 && !items_[i].header) ++i;
    return i;
}

// Exchanges the part digits a and b of every note line. Part-deletion lines keep theirs: they
// name the slot and place as they were when the part was deleted, which is how the song
// stands again whenever that deletion is replayed.
void UndoJournal::ExchangePartDigits(int a, int b) {
    for (Item& item : items_) {
        if (item.header || item.partDeletion) continue;
        int to;
        if (item.note.part == a) to = b;
        else if (item.note.part == b) to = a;
        else continue;
        item.note.part = to;
        item.text.replace(0, 1, DigitOf(to));
    }
}

int UndoJournal::FindRow(const doc::Song& song, int part, int32_t start, int pitch, int32_t length,
                         const QString& lyric) {
    if (part < 1 || part > doc::kMaxParts) return -1;
    const int count = song.Parts[part].NoteCount;
    for (int row = 0; row < count; ++row) {
        const doc::NoteRecord& n = song.Notes[part][row];
        if (n.Start == start && n.Pitch == pitch && n.Length == length && n.Lyric == lyric) return row;
    }
    return -1;
}

void UndoJournal::RemoveRow(doc::Song& song, int part, int row) {
    int16_t& count = song.Parts[part].NoteCount;
    --count;
    if (row != count) song.Notes[part][row] = song.Notes[part][count];
}

void UndoJournal::AppendRow(doc::Song& song, int part, const NoteLine& line, bool clearSelection) {
    if (part < 1 || part > doc::kMaxParts) return;
    int16_t& count = song.Parts[part].NoteCount;
    if (count >= doc::kRowsPerPart) return;
    doc::NoteRecord& n = song.Notes[part][count];
    n.Start = line.start;
    n.Pitch = uint8_t(line.pitch);
    n.Length = int16_t(line.length);
    n.Lyric = line.lyric;
    if (clearSelection) n.Selected = 0;
    ++count;
}

void UndoJournal::MarkChanged(doc::Song& song) {
    song.Modified = -1;
    song.PlayEventsStale = -1;
    song.NeedsRetypeset = -1;
}

void UndoJournal::Undo(doc::Song& song) {
    if (!CanUndo()) return;
    MarkChanged(song);
    const int header = UndoPosition;
    const int p = PartOf(items_[header - 1]);
    const ActionClass cls = ClassOfAction(items_[header].text.mid(1));

    if (cls == ActionClass::PartDeletion && items_[header - 1].partDeletion) {
        const Item& line = items_[header - 1];
        const int slot = line.slot, place = line.place;
        UndoPosition -= 2;
        if (place != slot) {
            doc::SwapParts(song, place, slot);
            ExchangePartDigits(slot, place);
        }
        ++song.PartCount;
        if (ArrangePartStrips) ArrangePartStrips();
        if (RefreshPianoRoll) RefreshPianoRoll();
        if (ShowPartNames) ShowPartNames();
        return;
    }

    int i = header - 1;
    for (; i > 0 && !items_[i].header; --i) {
        const NoteLine& l = items_[i].note;
        if (cls == ActionClass::Adding) {
            int row = FindRow(song, p, l.start, l.pitch, l.length, l.lyric);
            if (row >= 0) RemoveRow(song, p, row);
        } else if (cls == ActionClass::Removing) {
            AppendRow(song, p, l, true);
        } else if (cls == ActionClass::Changing) {
            int row = FindRow(song, p, l.newStart.value_or(l.start), l.newPitch.value_or(l.pitch),
                              l.newLength.value_or(l.length), l.newLyric.value_or(l.lyric));
            if (row >= 0) {
                doc::NoteRecord& n = song.Notes[p][row];
                n.Start = l.start;
                n.Pitch = uint8_t(l.pitch);
                n.Length = int16_t(l.length);
                n.Lyric = l.lyric;
            }
        }
    }
    UndoPosition = i;
    if (p == song.CurrentPart && RefreshPianoRoll) RefreshPianoRoll();
}

void UndoJournal::Redo(doc::Song& song) {
    if (!CanRedo()) return;
    MarkChanged(song);
    const int h = NextHeader(UndoPosition + 1);
    const int p = PartOf(items_[h - 1]);
    const ActionClass cls = ClassOfAction(items_[h].text.mid(1));

    if (cls == ActionClass::PartDeletion && items_[h - 1].partDeletion) {
        const Item& line = items_[h - 1];
        const int slot = line.slot, place = line.place;
        if (place != slot) {
            doc::SwapParts(song, place, slot);
            ExchangePartDigits(slot, place);
        }
        --song.PartCount;
        if (song.CurrentPart > song.PartCount) song.CurrentPart = song.PartCount;
        UndoPosition = h;
        if (ArrangePartStrips) ArrangePartStrips();
        if (RefreshPianoRoll) RefreshPianoRoll();
        if (ShowPartNames) ShowPartNames();
        return;
    }

    for (int i = UndoPosition + 1; i < h; ++i) {
        const NoteLine& l = items_[i].note;
        if (cls == ActionClass::Adding) {
            AppendRow(song, p, l, false);
        } else if (cls == ActionClass::Removing) {
            int row = FindRow(song, p, l.start, l.pitch, l.length, l.lyric);
            if (row >= 0) RemoveRow(song, p, row);
        } else if (cls == ActionClass::Changing) {
            int row = FindRow(song, p, l.start, l.pitch, l.length, l.lyric);
            if (row >= 0) {
                doc::NoteRecord& n = song.Notes[p][row];
                if (l.newStart) n.Start = *l.newStart;
                // Written exactly as undo will look for it.
                if (l.newLyric) n.Lyric = *l.newLyric;
                if (l.newPitch) n.Pitch = uint8_t(*l.newPitch);
                if (l.newLength) n.Length = int16_t(*l.newLength);
            }
        }
    }
    if (p == song.CurrentPart && RefreshPianoRoll) RefreshPianoRoll();
    UndoPosition = h;
}

bool UndoJournal::DeleteCurrentPart(doc::Song& song) {
    if (song.PartCount <= 1) return false;
    MarkChanged(song);
    TruncateRedoTail();
    const int last = song.PartCount, current = song.CurrentPart;
    if (current < last) {
        doc::SwapParts(song, last, current);
        ExchangePartDigits(last, current);
    }
    Item line;
    line.text = DigitOf(last) + DigitOf(current);
    line.partDeletion = true;
    line.slot = last;
    line.place = current;
    items_.push_back(line);
    Commit(kPartDeletion);
    --song.PartCount;
    if (song.CurrentPart > song.PartCount) song.CurrentPart = song.PartCount;
    return true;
}

}  // namespace editing
