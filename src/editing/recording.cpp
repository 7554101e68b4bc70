#include "editing/recording.h"

#include <algorithm>

#include "editing/pianoroll.h"
#include "platform/vbtext.h"

namespace editing {

using vb::Format;

int32_t SnapGridTicks(int listIndex, bool triplet) {
    const int li = std::clamp(listIndex, 0, 6);
    return (int32_t(1) << (6 - li)) * (triplet ? 1 : 3);
}

void Recording::Press(int pitch, double playTick) {
    RecordedNote n;
    n.Start = std::max<int32_t>(0, vb::CLng(playTick));
    n.Length = 1;
    n.Pitch = pitch;
    notes_.push_back(n);
}

void Recording::Grow(double playTick) {
    if (notes_.empty()) return;
    RecordedNote& n = notes_.back();
    n.Length = std::clamp<int32_t>(vb::CLng(playTick - n.Start), 1, 32767);
}

CommitResult CommitRecording(doc::Song& song, UndoJournal& journal, int part, const std::vector<RecordedNote>& take) {
    CommitResult r;
    if (take.empty() || part < 1 || part > doc::kMaxParts) return r;
    if (song.Parts[part].NoteCount >= doc::kRowsPerPart) {
        r.full = true;
        return r;
    }
    MarkChanged(song);
    journal.TruncateRedoTail();
    const QString dash = QStringLiteral("-");
    for (const RecordedNote& t : take) {
        const int row = AddNote(song, t.Pitch, t.Start, std::max<int32_t>(t.Length, 1), dash, part);
        if (row == kPartFull) {
            r.full = true;
            break;
        }
        if (row < 0) continue;
        doc::NoteRecord& n = song.Notes[part][row];
        n.Selected = -1;
        journal.AddItem(NoteLineOf(part, n));
        ++r.added;
    }
    if (r.added > 0) journal.Commit(QString::fromUtf8("录制音符"));
    return r;
}

bool RepitchNote(doc::Song& song, UndoJournal& journal, int part, int row, int pitch) {
    if (part < 1 || part > doc::kMaxParts || row < 0 || row >= song.Parts[part].NoteCount) return false;
    if (pitch < kLowestKey || pitch > kHighestKey) return false;
    doc::NoteRecord& n = song.Notes[part][row];
    if (n.Pitch <= 20) return false;
    MarkChanged(song);
    journal.TruncateRedoTail();
    const QString line = NoteLineOf(part, n);
    n.Pitch = uint8_t(pitch);
    journal.AddItem(line + "Y=" + Format(pitch, "000"));
    journal.Commit(QString::fromUtf8("修改音高"));
    return true;
}

}  // namespace editing
