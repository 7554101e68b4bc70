#include "editing/pianoroll.h"

#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cmath>

#include "document/lyrics.h"
#include "document/songcodes.h"
#include "platform/sortlist.h"
#include "platform/vbtext.h"

namespace editing {

using vb::Format;
using vb::Round;
using vb::Val;

QImage EntryMarkerPicture() {
    constexpr int w = 11, h = kEntryMarkerRise;
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgba(kEntryMarkerColour));
    p.drawRect(4, h - 22, 3, 12);
    p.drawPolygon(QPolygon({QPoint(0, h - 11), QPoint(w, h - 11), QPoint(w / 2, h)}));
    return image;
}

namespace {
const QString kFullPart = QString::fromUtf8("每个声部最多4096个音符，无法继续增加!");

bool InKeyRange(int pitch) { return pitch >= kLowestKey && pitch <= kHighestKey; }

// Floor division for the snapping of ticks left of the window.
int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
}  // namespace

// ---- keys and rows ----------------------------------------------------------------------------

int RowToSemitone(int row) {
    static const int s[7] = {0, 2, 4, 5, 7, 9, 11};
    const int v = 63 - row;
    const int m = ((v % 7) + 7) % 7;
    return int(FloorDiv(v, 7)) * 12 + s[m];
}

bool IsBlackKey(int note) {
    const int m = ((note % 12) + 12) % 12;
    return m == 1 || m == 3 || m == 6 || m == 8 || m == 10;
}

int WhiteKeyRow(int note) {
    const int w = int(Round((note % 12) * 0.5833));
    return 63 - 7 * (note / 12) - w;
}

RowBox KeyBox(int note, int h) {
    note = std::clamp(note, kLowestKey, kHighestKey);
    if (IsBlackKey(note)) {
        const RowBox below = KeyBox(note - 1, h);
        return {below.top - 0.29 * h, 0.58 * h};
    }
    return {double(h - 1) * WhiteKeyRow(note), double(h)};
}

RowBox PitchRowBox(int pitch, int h) {
    if (pitch > 20) return KeyBox(pitch, h);
    if (pitch == doc::kUnpitchedNote) return {KeyBox(65, h).top - h / 2.0, double(h)};
    if (pitch >= 1 && pitch <= 6) return {KeyBox(89, h).top + h / 2.0 + pitch * h, double(h)};
    return {KeyBox(65, h).top + h / 2.0, double(h)};  // comments (and codes no command makes)
}

// ---- editor window -----------------------------------------------------------------------------

RollWindow WindowFromBox(double boxLeft, double boxWidth, double rulerWidth, int32_t songLength, int32_t grid) {
    RollWindow w;
    if (rulerWidth <= 0 || songLength <= 0) return w;
    int32_t start = int32_t(Round(boxLeft / rulerWidth * songLength));
    int32_t end = int32_t(Round((boxLeft + boxWidth) / rulerWidth * songLength));
    const int32_t g = std::max<int32_t>(grid, 48);
    start = int32_t(FloorDiv(start + g / 2, g) * g);
    end = int32_t(FloorDiv(end + g / 2, g) * g);
    if (end - start > 3840) end = start + 3840;
    if (end - start < 192) end = start + 192;
    if (end > songLength) {
        start = start - end + songLength;
        end = songLength;
    }
    start = std::max(start, 0);  // a song shorter than the shortest window
    w.start = start;
    w.end = end;
    w.boxLeft = double(start) / songLength * rulerWidth;
    w.boxWidth = double(end - start) / songLength * rulerWidth;
    return w;
}

int32_t NewNoteLengthFor(int32_t grid) { return grid % 3 == 0 ? 2 * grid : 6 * grid; }

double TickX(int32_t tick, int32_t start, int32_t span, double width) {
    return span > 0 ? double(tick - start) / span * width : 0;
}

QString EditorBoxZone(double xTwips, double boxWidth) {
    if (xTwips < 60) return QStringLiteral("L");
    if (xTwips > boxWidth * 15 - 75) return QStringLiteral("R");
    return QString();
}

BoxOutline DragEditorBox(const QString& zone, double boxLeft, double boxWidth, double dxTwips, double canvasWidth) {
    const double d = Round(dxTwips / 15);
    BoxOutline o{boxLeft, boxWidth, 0};
    if (boxWidth <= 0) return o;
    if (zone == "L") {
        o.left = std::min(std::max(boxLeft + d, 0.0), boxLeft + boxWidth - 5);
        o.width = boxLeft + boxWidth - o.left;
        o.guideX = (o.left - boxLeft) * canvasWidth / boxWidth;
    } else if (zone == "R") {
        o.width = std::max(boxWidth + d, 5.0);
        o.guideX = canvasWidth * o.width / boxWidth;
    } else {
        o.left = std::max(boxLeft + d, 0.0);
        o.guideX = Round((o.left - boxLeft) * canvasWidth / boxWidth);
        if (o.guideX < 0) o.guideX += canvasWidth;
    }
    return o;
}

// ---- grid -------------------------------------------------------------------------------------

std::vector<GridLine> RollGrid(doc::Song& song, int32_t start, int32_t end, double width) {
    std::vector<GridLine> lines;
    const int32_t span = end - start;
    if (span <= 0 || width <= 0) return lines;
    const double scale = width / (span / 48.0);
    auto xOf = [&](int32_t t) { return (t - start) * scale / 48; };
    double lastPrinted = -900;
    const int last = std::clamp<int>(song.TimeSigLastIndex, 0, doc::kTimeSigCapacity - 2);
    int k = 0;
    for (int i = last; i >= 0; --i)
        if (song.TimeSigTicks[i] <= start) {
            k = i;
            break;
        }
    auto beatOf = [&](int j) {
        const int den = doc::GetTimeSigDenominator(song.TimeSigCodes[j]);
        const int beat = den > 0 ? int(Round(192.0 / den)) : 48;
        return std::max(beat, 1);
    };
    // A numerator of 0 counts as 1: every beat is a bar line.
    auto barOf = [&](int j) { return std::max(doc::GetTimeSigNumerator(song.TimeSigCodes[j]), 1) * beatOf(j); };
    int counter = song.TimeSigTicks[k] == start
                      ? song.TimeSigBarNumbers[k]
                      : int((start - song.TimeSigTicks[k] - 1) / barOf(k) + song.TimeSigBarNumbers[k] + 1);
    song.TimeSigTicks[last + 1] = 999999;
    song.TimeSigBarNumbers[last + 1] = 4096;
    for (int j = k; j <= last; ++j) {
        const int beat = beatOf(j), bar = barOf(j);
        for (int32_t t = song.TimeSigTicks[j]; t < song.TimeSigTicks[j + 1]; t += beat) {
            if (t >= start) {
                GridLine g;
                g.x = xOf(t);
                if ((t - song.TimeSigTicks[j]) % bar == 0) {
                    g.bar = true;
                    g.number = ++counter;
                    if (g.x - 8 > lastPrinted + 96) {
                        g.labelled = true;
                        lastPrinted = g.x - 8;
                    }
                }
                lines.push_back(g);
            }
            if (t > end) return lines;
        }
    }
    return lines;
}

// ---- pointer --------------------------------------------------------------------------------------

int32_t PointerTick(double x, double width, int32_t start, int32_t span, int32_t grid, bool ctrl) {
    const int32_t tick = width > 0 ? int32_t(Round(x / width * span + start)) : start;
    if (ctrl || grid <= 0) return tick;
    return int32_t(FloorDiv(2 * int64_t(tick) + grid, 2 * int64_t(grid)) * grid);
}

double SnapToStep(double value, double step) {
    if (!(step > 0)) return Round(value);
    return Round(std::floor(value / step + 0.5) * step);
}

int DroppedPitch(int pitch, double labelTop, double outlineTop, int rowHeight) {
    if (pitch <= 20 || rowHeight <= 0) return pitch;
    const int labelRow = int(std::floor(Round(labelTop) / rowHeight));
    const int outlineRow = int(std::floor(Round(outlineTop) / rowHeight));
    return labelRow == outlineRow ? pitch : RowToSemitone(outlineRow);
}

// ---- labels ----------------------------------------------------------------------------------------

std::vector<int> VisibleRows(const doc::Song& song, int part, int32_t start, int32_t end, int limit) {
    std::vector<int> rows;
    const int count = song.Parts[part].NoteCount;
    for (int i = 0; i < count && int(rows.size()) < limit; ++i) {
        const doc::NoteRecord& n = song.Notes[part][i];
        if (n.Start + n.Length > start && n.Start < end) rows.push_back(i);
    }
    return rows;
}

std::pair<int, int> VerseSelection(const QString& text, int pitch, int verse) {
    const int len = int(text.size());
    if (pitch <= 19) return {0, len};
    int position = 0, previous = 0;
    for (int i = 0; i <= std::max(verse, 0); ++i) {
        previous = position;
        position = vb::InStr(text, "|", previous + 1);
    }
    return {previous, position > previous ? position - previous - 1 : len - previous};
}

QString EntryTextFor(int pitch, const QString& text) {
    switch (pitch) {
    case doc::kUnpitchedNote: return "/x" + text;
    case doc::kComment: return "/m" + text;
    case doc::kSentenceMarker: return "/t";
    case doc::kDynamics: return "/p" + text;
    case doc::kExpression: return "/e" + text;
    case doc::kChosenExpression: return "/i" + text;
    case doc::kSpecialSymbol: return "/s" + text;
    case doc::kOrnament: return "/z" + text;
    default: return text;
    }
}

// ---- note commands -------------------------------------------------------------------------------

QString FullPartMessage() { return kFullPart; }

QString MakeLyricPlaceholder(int n) {
    const int fields = n >= 0 && n <= 5 ? n + 1 : 7;
    QStringList f;
    for (int i = 0; i < fields; ++i) f << "-";
    return f.join('|');
}

int AddNote(doc::Song& song, int pitch, int32_t start, int32_t length, const QString& lyric, int part) {
    if (length < 1) return -1;
    doc::PartRecord& p = song.Parts[part];
    if (p.NoteCount >= doc::kRowsPerPart) return kPartFull;
    const int row = p.NoteCount;
    doc::NoteRecord& n = song.Notes[part][row];
    n.Start = start;
    n.Pitch = uint8_t(pitch);
    n.Length = int16_t(std::min<int32_t>(length, 32767));
    n.Lyric = lyric;
    n.Selected = 0;
    ++p.NoteCount;
    return row;
}

QString NoteLineOf(int part, const doc::NoteRecord& n) {
    return Format(part, "0") + Format(n.Start, "00000") + Format(n.Pitch, "000") + Format(n.Length, "00000") + n.Lyric;
}

void MarkChanged(doc::Song& song) { song.Modified = song.PlayEventsStale = song.NeedsRetypeset = -1; }

DrawResult DrawNote(doc::Song& song, UndoJournal& journal, int part, int32_t dragStart, int32_t& mouseTick, int row,
                    int32_t& newNoteLength, int verses) {
    int32_t length;
    if (mouseTick == dragStart) {
        length = newNoteLength;
        mouseTick = dragStart + newNoteLength;
    } else {
        length = mouseTick - dragStart;
        if (length < 1) return DrawResult::Nothing;  // a drag that ends at or before its start
        newNoteLength = length;
    }
    const int pitch = RowToSemitone(row);
    if (!InKeyRange(pitch) || length < 1 || dragStart < 0) return DrawResult::Nothing;
    if (song.Parts[part].NoteCount >= doc::kRowsPerPart) return DrawResult::Full;
    MarkChanged(song);
    journal.TruncateRedoTail();
    const QString lyric = MakeLyricPlaceholder(verses - 1);
    const int r = AddNote(song, pitch, dragStart, length, lyric, part);
    journal.AddItem(NoteLineOf(part, song.Notes[part][r]));
    journal.Commit(QString::fromUtf8("写入音符"));
    return DrawResult::Drawn;
}

bool MoveSelectedNotes(doc::Song& song, UndoJournal& journal, int part, int32_t dT, int dP) {
    if (dT == 0 && dP == 0) return false;
    const int count = song.Parts[part].NoteCount;
    for (int i = 0; i < count; ++i) {
        const doc::NoteRecord& n = song.Notes[part][i];
        if (n.Selected == 0) continue;
        if (n.Start + dT < 0 || n.Start + dT > doc::kMaxNoteStart) return false;
        if (n.Pitch > 20 && !InKeyRange(n.Pitch + dP)) return false;
    }
    bool any = false;
    for (int i = 0; i < count; ++i) {
        doc::NoteRecord& n = song.Notes[part][i];
        if (n.Selected == 0) continue;
        if (!any) {
            MarkChanged(song);
            journal.TruncateRedoTail();
            any = true;
        }
        QString line = NoteLineOf(part, n);
        if (n.Pitch > 20) n.Pitch = uint8_t(n.Pitch + dP);
        n.Start += dT;
        if (dP != 0) line += "Y=" + Format(n.Pitch, "000");
        if (dT != 0) line += "J=" + Format(n.Start, "00000");
        journal.AddItem(line);
    }
    if (any) journal.Commit(QString::fromUtf8("移动音符"));
    return any;
}

bool ResizeNote(doc::Song& song, UndoJournal& journal, int part, int row, int pitch, int32_t start, int32_t length) {
    doc::NoteRecord& n = song.Notes[part][row];
    length = std::clamp<int32_t>(length, 1, 32767);
    if (start < 0 || start > doc::kMaxNoteStart) return false;
    if (n.Pitch > 20 && !InKeyRange(pitch)) return false;
    if (n.Pitch <= 20) pitch = n.Pitch;
    MarkChanged(song);
    journal.TruncateRedoTail();
    const QString line = NoteLineOf(part, n) + "Y=" + Format(pitch, "000") + "J=" + Format(start, "00000") + "L=" +
                         Format(length, "00000");
    n.Pitch = uint8_t(pitch);
    n.Start = start;
    n.Length = int16_t(length);
    journal.AddItem(line);
    journal.Commit(QString::fromUtf8("调整音符"));
    return true;
}

void SelectRange(doc::Song& song, int part, int32_t anchorStart, int32_t anchorLength, int32_t start, int32_t length) {
    int32_t lo, hi;
    if (anchorStart < start) {
        lo = anchorStart;
        hi = start + length;
    } else {
        lo = start;
        hi = anchorStart + anchorLength;
    }
    for (int i = 0; i < song.Parts[part].NoteCount; ++i) {
        doc::NoteRecord& n = song.Notes[part][i];
        if (n.Start >= lo && n.Start <= hi) n.Selected = -1;
    }
}

void SelectAllRows(doc::Song& song, int part, int16_t value) {
    for (int i = 0; i < song.Parts[part].NoteCount; ++i) song.Notes[part][i].Selected = value;
}

void InvertSelection(doc::Song& song, int part) {
    for (int i = 0; i < song.Parts[part].NoteCount; ++i) {
        doc::NoteRecord& n = song.Notes[part][i];
        n.Selected = n.Selected == 0 ? -1 : 0;
    }
}

int SelectedCount(const doc::Song& song, int part) {
    int sel = 0;
    for (int i = 0; i < song.Parts[part].NoteCount; ++i)
        if (song.Notes[part][i].Selected != 0) ++sel;
    return sel;
}

QStringList CopyNotes(const doc::Song& song, int part) {
    QStringList list;
    for (int i = 0; i < song.Parts[part].NoteCount; ++i) {
        const doc::NoteRecord& n = song.Notes[part][i];
        if (n.Selected == 0) continue;
        list << Format(n.Start, "00000000") + Format(n.Length, "000000") + Format(n.Pitch, "000") + n.Lyric;
    }
    return list;
}

PasteResult PasteNotes(doc::Song& song, UndoJournal& journal, int part, const QStringList& clipboard, int32_t cursor) {
    if (clipboard.isEmpty()) return PasteResult::Empty;
    if (song.Parts[part].NoteCount + clipboard.size() > doc::kRowsPerPart) return PasteResult::Full;
    int32_t base = INT32_MAX;
    for (const QString& item : clipboard) base = std::min(base, int32_t(Val(item.left(8))));
    MarkChanged(song);
    journal.TruncateRedoTail();
    for (const QString& item : clipboard) {
        const int32_t start = int32_t(Val(item.left(8))) - base + cursor;
        const int32_t length = int32_t(Val(item.mid(8, 6)));
        const int pitch = int(Val(item.mid(14, 3)));
        doc::PartRecord& p = song.Parts[part];
        doc::NoteRecord& n = song.Notes[part][p.NoteCount];
        n.Start = start;
        n.Length = int16_t(std::clamp<int32_t>(length, 0, 32767));
        n.Pitch = uint8_t(pitch);
        n.Lyric = item.mid(17);
        n.Selected = 0;
        ++p.NoteCount;
        journal.AddItem(NoteLineOf(part, n));
    }
    journal.Commit(QString::fromUtf8("粘贴音符"));
    return PasteResult::Pasted;
}

bool DeleteSelected(doc::Song& song, UndoJournal& journal, int part) {
    doc::PartRecord& p = song.Parts[part];
    bool any = false;
    for (int i = p.NoteCount - 1; i >= 0; --i) {
        if (song.Notes[part][i].Selected != -1) continue;
        if (!any) {
            MarkChanged(song);
            journal.TruncateRedoTail();
            any = true;
        }
        --p.NoteCount;
        journal.AddItem(NoteLineOf(part, song.Notes[part][i]));
        song.Notes[part][i] = song.Notes[part][p.NoteCount];
    }
    if (any) journal.Commit(QString::fromUtf8("删除音符"));
    return any;
}

namespace {
// One journalled step over the part's selected notes, items left out: the song counts as changed
// and the redo tail goes, `change` runs on each selected note, and the step is committed as
// `action`, also when only items or nothing were selected (undoing it then changes nothing).
template <typename Change>
void ChangeSelectedNotes(doc::Song& song, UndoJournal& journal, int part, const char* action, Change change) {
    MarkChanged(song);
    journal.TruncateRedoTail();
    for (int i = 0; i < song.Parts[part].NoteCount; ++i) {
        doc::NoteRecord& n = song.Notes[part][i];
        if (n.Selected != 0 && n.Pitch > 20) change(n);
    }
    journal.Commit(QString::fromUtf8(action));
}
}  // namespace

void ShiftSemitone(doc::Song& song, UndoJournal& journal, int part, int step) {
    ChangeSelectedNotes(song, journal, part, step > 0 ? "升高半音" : "降低半音", [&](doc::NoteRecord& n) {
        const QString line = NoteLineOf(part, n);
        n.Pitch = uint8_t(std::clamp(n.Pitch + step, kLowestKey, kHighestKey));
        journal.AddItem(line + "Y=" + Format(n.Pitch, "000"));
    });
}

void ClearLyrics(doc::Song& song, UndoJournal& journal, int part) {
    ChangeSelectedNotes(song, journal, part, "清除歌词", [&](doc::NoteRecord& n) {
        journal.AddItem(NoteLineOf(part, n) + "S=");
        n.Lyric.clear();
    });
}

QString CopyLyrics(const doc::Song& song, int part, int verse) {
    SortList list;
    for (int i = 0; i < song.Parts[part].NoteCount; ++i) {
        const doc::NoteRecord& n = song.Notes[part][i];
        if (n.Selected != 0 && n.Pitch >= 20) list.AddItem(Format(n.Start, "00000000") + Format(i, "00000"));
    }
    QString text;
    for (int k = 0; k < list.ListCount(); ++k) {
        const int row = int(Val(list.List(k).mid(8, 5)));
        const QString v = doc::GetVerseText(song.Notes[part][row].Lyric, verse);
        if (!v.isEmpty()) text += v + " ";
    }
    return text;
}

MenuState NoteMenuState(const doc::Song& song, int part, int clipboardCount, const UndoJournal& journal,
                        bool item19Enabled, bool item20Enabled) {
    MenuState m;
    const int sel = SelectedCount(song, part);
    const bool notes = song.Parts[part].NoteCount > 0;
    for (int i : {0, 1, 3, 8, 9, 10, 12, 13, 16}) m.enabled[i] = sel > 0;
    for (int i : {7, 11, 14, 15}) m.enabled[i] = notes;
    m.enabled[2] = clipboardCount > 0;
    m.enabled[4] = journal.CanUndo();
    m.enabled[5] = sel > 2;
    m.enabled[6] = false;
    m.enabled[17] = false;
    m.enabled[18] = journal.CanRedo();
    m.enabled[19] = item19Enabled;
    m.enabled[20] = item20Enabled;
    return m;
}

std::pair<int, int> PlaceNoteMenu(int x, int y, int canvasWidth, int visibleTop, int visibleBottom, int menuWidth,
                                  int menuHeight) {
    if (x < 0) x = 0;
    if (x > canvasWidth - menuWidth) x = canvasWidth - menuWidth;
    if (y > visibleBottom - menuHeight) y = visibleBottom - menuHeight;
    if (y < visibleTop) y = visibleTop;
    return {x, y};
}

}  // namespace editing
