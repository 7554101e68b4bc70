#include "document/midifile.h"

#include <QFile>
#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

#include "platform/savefile.h"
#include "platform/sortlist.h"
#include "platform/textcodec.h"
#include "platform/vbtext.h"

namespace doc {

namespace {

uint8_t byteAt(const QByteArray& bytes, int64_t pos) {
    return static_cast<uint8_t>(bytes.at(static_cast<qsizetype>(pos)));
}

uint32_t readBigEndian32(const QByteArray& bytes, int64_t pos) {
    return (uint32_t(byteAt(bytes, pos)) << 24) | (uint32_t(byteAt(bytes, pos + 1)) << 16) |
           (uint32_t(byteAt(bytes, pos + 2)) << 8) | uint32_t(byteAt(bytes, pos + 3));
}

bool hasTag(const QByteArray& bytes, int64_t pos, const char* tag) {
    return pos >= 0 && pos + 4 <= bytes.size() &&
           std::equal(tag, tag + 4, bytes.constData() + pos);
}

// Data bytes of a system message F1..FE inside a track (FF meta and F0/F7 system-exclusive events
// carry their own lengths): song position two, time-code quarter frame and song select one, the
// rest none.
int64_t systemDataBytes(uint8_t status) {
    if (status == 0xF2) return 2;
    return status == 0xF1 || status == 0xF3 ? 1 : 0;
}

// Reads the events of one track chunk, [pos, end), keeping its note events. A data byte where a
// status is due continues the last channel status (running status), across meta, system-exclusive
// and system events too. False when the reader loses its place: an event running past the end of
// the chunk, a data byte with no status to continue, or a status byte where a data byte is due.
bool parseTrackEvents(const QByteArray& bytes, int64_t pos, int64_t end, MidiTrack& track) {
    int64_t acc = 0;
    uint8_t running = 0;  // status of the last channel message, 0 = none yet
    auto skip = [&](int64_t n) {
        if (n < 0 || n > end - pos) return false;
        pos += n;
        return true;
    };
    auto dataBytesAhead = [&](int64_t n) {
        if (n > end - pos) return false;
        for (int64_t i = 0; i < n; ++i)
            if (byteAt(bytes, pos + i) >= 0x80) return false;
        return true;
    };
    // A note event takes at least three bytes (a delta and two data bytes under running status).
    track.Notes.reserve(size_t(std::max<int64_t>(0, end - pos) / 4));
    while (pos < end) {
        auto delta = ReadVarLen(bytes, pos, end);
        if (!delta) return false;
        acc += *delta;
        if (pos >= end) return false;
        uint8_t status = byteAt(bytes, pos);
        if (status < 0x80) {
            if (running == 0) return false;
            status = running;  // this byte is the first data byte
        } else {
            ++pos;
        }

        if (status == 0xFF) {
            if (!dataBytesAhead(1)) return false;
            uint8_t type = byteAt(bytes, pos++);
            if (type == 0x2F) return true;  // end of track
            auto len = ReadVarLen(bytes, pos, end);
            if (!len || !skip(*len)) return false;
        } else if (status == 0xF0 || status == 0xF7) {
            auto len = ReadVarLen(bytes, pos, end);
            if (!len || !skip(*len)) return false;
        } else if (status > 0xF0) {
            const int64_t n = systemDataBytes(status);
            if (!dataBytesAhead(n)) return false;
            pos += n;
        } else {
            running = status;
            uint8_t kind = status & 0xF0;
            int64_t dataBytes = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
            if (!dataBytesAhead(dataBytes)) return false;
            if (kind == 0x80 || kind == 0x90) {
                uint8_t key = byteAt(bytes, pos);
                uint8_t velocity = byteAt(bytes, pos + 1);
                track.Notes.push_back({acc, key, kind == 0x90 && velocity != 0});
            }
            pos += dataBytes;
        }
    }
    return true;
}

}  // namespace

std::optional<uint32_t> ReadVarLen(const QByteArray& bytes, int64_t& pos, int64_t end) {
    end = std::min<int64_t>(end, bytes.size());
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        if (pos < 0 || pos >= end) return std::nullopt;
        uint8_t b = byteAt(bytes, pos++);
        value = (value << 7) | (b & 0x7F);
        if (b < 0x80) return value;
    }
    return std::nullopt;  // a fourth byte that asks for a fifth
}

std::optional<MidiFile> ParseMidiFile(const QByteArray& bytes) {
    const int64_t size = bytes.size();
    if (size < 14 || !hasTag(bytes, 0, "MThd")) return std::nullopt;
    const int64_t headerLength = readBigEndian32(bytes, 4);
    if (headerLength < 6 || headerLength > size - 8) return std::nullopt;

    MidiFile file;
    file.HeaderTrackCount = (byteAt(bytes, 10) << 8) | byteAt(bytes, 11);
    const uint8_t divHigh = byteAt(bytes, 12);
    if (divHigh & 0x80) return std::nullopt;  // time-code division: no ticks per quarter note
    file.Division = divHigh * 256 + byteAt(bytes, 13);
    if (file.Division == 0) return std::nullopt;

    int64_t p = 8 + headerLength;
    for (int t = 0; t < file.HeaderTrackCount; ++t) {
        if (p > size - 8 || !hasTag(bytes, p, "MTrk")) return std::nullopt;
        const int64_t length = readBigEndian32(bytes, p + 4);
        const int64_t start = p + 8;
        if (length > size - start) return std::nullopt;
        if (t < kMidiPanelRows) {
            MidiTrack track;
            track.DataStart = start + 1;
            track.DataLength = length;
            if (!parseTrackEvents(bytes, start, start + length, track)) return std::nullopt;
            file.Tracks.push_back(std::move(track));
        }
        p = start + length;
    }
    return file;
}

std::optional<MidiFile> OpenMidiForImport(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    // A file's size is known: one read into a buffer of that size.
    const qint64 size = f.size();
    return ParseMidiFile(size > 0 ? f.read(size) : f.readAll());
}

QStringList MidiImportTargetList(const Song& song) {
    SortList order;
    const int parts = std::clamp<int>(song.PartCount, 0, kMaxParts);
    for (int q = 1; q <= parts; ++q)
        order.AddItem(vb::Format(song.Parts[q].StripTop, "000000") + song.Parts[q].Name + " " +
                      vb::Format(q, "0"));
    QStringList entries{kMidiNoImportText};
    for (const QString& item : order.items()) entries << vb::Mid(item, 7);
    return entries;
}

int MidiImportTargetPart(const QString& entry) {
    return static_cast<int>(vb::Val(vb::Right(entry, 1)));
}

namespace {

// The lyric of an imported note: no syllable (one text shared by every note).
const QString kNoLyric = QStringLiteral("-");

double songTick(const MidiFile& file, const MidiNoteEvent& ev) {
    return vb::Round(double(ev.FileTick) / file.Division * 48);
}

bool importedPart(const Song& song, int part) { return part >= 1 && part <= song.PartCount && part <= kMaxParts; }

// True when every note of the chosen tracks is one a part can hold: a sung key and a start within
// the song's tick range.
bool everyNoteValid(const Song& song, const MidiFile& file, const std::vector<int>& targets, int rows) {
    for (int r = 0; r < rows; ++r) {
        if (!importedPart(song, targets[r])) continue;
        for (const MidiNoteEvent& ev : file.Tracks[r].Notes) {
            if (!ev.On) continue;
            if (!IsSungPitch(ev.Key) || ev.Key > kHighestPitch) return false;
            if (songTick(file, ev) > kMaxNoteStart) return false;
        }
    }
    return true;
}

// The undo journal's line for an added note: part, start, key and length as fixed-width digits, then
// the lyric.
QString addedNoteLine(int part, const NoteRecord& n) {
    char16_t digits[4 * vb::kFormatWholeRoom];
    int count = vb::FormatWholeInto(digits, part, 1);
    count += vb::FormatWholeInto(digits + count, n.Start, 5);
    count += vb::FormatWholeInto(digits + count, n.Pitch, 3);
    count += vb::FormatWholeInto(digits + count, n.Length, 5);
    QString line;
    line.reserve(count + n.Lyric.size());
    line.append(reinterpret_cast<const QChar*>(digits), count);
    line += n.Lyric;
    return line;
}

}  // namespace

QStringList MidiImportJournalLines(const Song& song, const MidiImportResult& result) {
    QStringList lines;
    for (const MidiImportResult::Action& a : result.Actions) {
        for (int i = a.FirstRow; i < a.FirstRow + a.Rows; ++i) lines << addedNoteLine(a.Part, song.Notes[a.Part][i]);
        lines << kMidiImportJournalHeader;
    }
    return lines;
}

QString MidiImportCutText(const std::vector<MidiImportResult::Cut>& cuts) {
    QStringList tracks;
    for (const MidiImportResult::Cut& c : cuts)
        tracks << QStringLiteral("音轨%1截断，%2个音符没有导入").arg(c.Row + 1).arg(c.NotesLeftOut);
    return QStringLiteral("导入完成，但声部最多%1个音符：").arg(kRowsPerPart) + tracks.join(QStringLiteral("；")) +
           QStringLiteral("。");
}

namespace {

}  // namespace

MidiImportResult ImportMidiTracks(Song& song, const MidiFile& file, const std::vector<int>& targets) {
    MidiImportResult result;
    result.Message = kMidiReadErrorText;
    const int rows = std::min<int>(file.Tracks.size(), targets.size());
    if (file.Division <= 0 || !everyNoteValid(song, file, targets, rows)) return result;
    result.Ok = true;
    result.Message = kMidiImportDoneText;
    for (int r = 0; r < rows; ++r) {
        const int part = targets[r];
        if (!importedPart(song, part)) continue;
        PartRecord& rec = song.Parts[part];
        const int first = std::clamp<int>(rec.NoteCount, 0, kRowsPerPart);
        rec.NoteCount = static_cast<int16_t>(first);
        song.Modified = song.PlayEventsStale = song.NeedsRetypeset = -1;

        // Notes of this track still waiting for their note-off, per key, latest last; -1 stands for
        // a note left out because the part is full, so that its note-off ends no other note.
        std::array<std::vector<int>, 256> open;
        int leftOut = 0;
        for (const MidiNoteEvent& ev : file.Tracks[r].Notes) {
            const double tick = songTick(file, ev);
            if (ev.On && rec.NoteCount >= kRowsPerPart) {
                ++leftOut;
                open[ev.Key].push_back(-1);
            } else if (ev.On) {
                NoteRecord& n = song.Notes[part][rec.NoteCount];
                n.Pitch = ev.Key;
                n.Start = static_cast<int32_t>(tick);
                n.Lyric = kNoLyric;
                n.Length = kMidiImportDefaultLength;
                n.Selected = 0;
                open[ev.Key].push_back(rec.NoteCount);
                ++rec.NoteCount;
            } else {
                auto& waiting = open[ev.Key];
                if (waiting.empty()) continue;
                const int row = waiting.back();
                waiting.pop_back();
                if (row < 0) continue;
                NoteRecord& n = song.Notes[part][row];
                const double length = tick - n.Start;
                if (length >= kMidiImportMinLength && length <= kMidiImportMaxLength)
                    n.Length = static_cast<int16_t>(length);
            }
        }

        result.Actions.push_back({part, first, rec.NoteCount - first});
        result.ImportedParts.push_back(part);
        if (leftOut > 0) result.Cuts.push_back({r, leftOut});
    }
    if (!result.Cuts.empty()) result.Message = MidiImportCutText(result.Cuts);
    return result;
}

MidiImportResult ImportMidiTracks(Song& song, const QString& path, const std::vector<int>& targets) {
    auto file = OpenMidiForImport(path);
    if (!file) {
        MidiImportResult failed;
        failed.Message = kMidiReadErrorText;
        return failed;
    }
    return ImportMidiTracks(song, *file, targets);
}

QByteArray EncodeVarLen(uint32_t value) {
    value = std::min<uint32_t>(value, 0x0FFFFFFF);
    char groups[4];
    int count = 0;
    do {
        groups[count++] = static_cast<char>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    QByteArray out;
    for (int i = count - 1; i >= 0; --i) out.append(i > 0 ? char(groups[i] | 0x80) : groups[i]);
    return out;
}

namespace {

void appendBytes(QByteArray& out, std::initializer_list<int> values) {
    for (int v : values) out.append(static_cast<char>(v));
}

void appendBigEndian(QByteArray& out, uint32_t value, int width) {
    for (int i = width - 1; i >= 0; --i) out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void appendText(QByteArray& out, uint8_t metaType, const QString& text) {
    auto exact = textcodec::toGbk(text);
    const QByteArray gbk =
        exact ? *exact : textcodec::toGbkFitting(text, std::numeric_limits<int>::max());
    out.append('\0');
    out.append(0xFF);
    out.append(static_cast<char>(metaType));
    out.append(EncodeVarLen(static_cast<uint32_t>(gbk.size())));
    out.append(gbk);
}

void appendChunk(QByteArray& out, const QByteArray& body) {
    out.append("MTrk", 4);
    appendBigEndian(out, static_cast<uint32_t>(body.size()), 4);
    out.append(body);
}

const char kEndOfTrack[] = {0x00, char(0xFF), 0x2F, 0x00};

// Largest song tick whose file time (× 20) still fits a four-byte variable-length delta.
constexpr int64_t kMaxExportTick = 0x0FFFFFFF / 20;

}  // namespace

QByteArray BuildMidiFile(const Song& song, const QStringList& instrumentNames) {
    const int parts = std::clamp<int>(song.PartCount, 0, kMaxParts);
    int exported = 0;
    for (int p = 1; p <= parts; ++p)
        if (song.Parts[p].MidiOn == 1) ++exported;

    QByteArray out;
    out.append("MThd", 4);
    appendBigEndian(out, 6, 4);
    appendBigEndian(out, 1, 2);
    appendBigEndian(out, 1 + exported, 2);
    appendBigEndian(out, kMidiExportDivision, 2);

    // Conductor track.
    QByteArray conductor;
    appendText(conductor, 0x03, song.Title);
    const int code = song.TimeSigCodes[0];
    const int numerator = code & 31;
    int log2Denominator;
    switch (code / 32) {
        case 1: log2Denominator = 0; break;
        case 2: log2Denominator = 1; break;
        case 4: log2Denominator = 3; break;
        case 5: log2Denominator = 4; break;
        default: log2Denominator = 2; break;
    }
    appendBytes(conductor, {0x00, 0xFF, 0x58, 0x04});
    conductor.append(static_cast<char>(numerator));
    conductor.append(static_cast<char>(log2Denominator));
    conductor.append(static_cast<char>(log2Denominator * 12));
    conductor.append(0x08);
    double perQuarter = vb::Round(60000000.0 / double(song.TempoChangeBpm[0]));
    if (!(perQuarter >= 1)) perQuarter = 0xFFFFFF;  // no usable tempo (0 or not a number)
    perQuarter = std::min(perQuarter, double(0xFFFFFF));
    appendBytes(conductor, {0x00, 0xFF, 0x51, 0x03});
    appendBigEndian(conductor, static_cast<uint32_t>(perQuarter), 3);
    conductor.append(kEndOfTrack, 4);
    appendChunk(out, conductor);

    struct Item {
        int64_t time;
        int on;  // 0 note-off, 1 note-on: offs come first at equal times
        int key;
        bool operator<(const Item& o) const {
            return std::tie(time, on, key) < std::tie(o.time, o.on, o.key);
        }
    };
    std::vector<Item> items;
    for (int p = 1; p <= parts; ++p) {
        const PartRecord& rec = song.Parts[p];
        if (rec.MidiOn != 1) continue;
        const int channel = p;
        QByteArray body;
        appendText(body, 0x03, rec.Name);
        const int program = std::clamp<int>(rec.Program, 0, 127);
        appendText(body, 0x04, program < instrumentNames.size() ? instrumentNames[program] : QString());
        appendBytes(body, {0x00, 0xC0 | channel, program});
        appendBytes(body, {0x00, 0xB0 | channel, 0x0A, 0x40});
        appendBytes(body, {0x00, 0xB0 | channel, 0x07, std::clamp<int>(rec.Volume, 0, 127)});

        items.clear();
        const int count = std::clamp<int>(rec.NoteCount, 0, kRowsPerPart);
        for (int i = 0; i < count; ++i) {
            const NoteRecord& n = song.Notes[p][i];
            // Items are not sounded; a note without length would never be switched off.
            if (!IsSungPitch(n.Pitch) || n.Pitch > 127 || n.Length <= 0 || n.Start < 0) continue;
            const int64_t end = int64_t(n.Start) + n.Length;
            if (end > kMaxExportTick) continue;
            items.push_back({n.Start, 1, n.Pitch});
            items.push_back({end, 0, n.Pitch});
        }
        std::sort(items.begin(), items.end());
        int64_t last = 0;
        for (const Item& it : items) {
            body.append(EncodeVarLen(static_cast<uint32_t>((it.time - last) * 20)));
            last = it.time;
            if (it.on)
                appendBytes(body, {0x90 | channel, it.key, 0x50});
            else
                appendBytes(body, {0x80 | channel, it.key, 0x40});
        }
        body.append(kEndOfTrack, 4);
        appendChunk(out, body);
    }
    return out;
}

std::optional<QString> ExportMidiFile(const Song& song, const QStringList& instrumentNames,
                                      const QString& path) {
    const QByteArray bytes = BuildMidiFile(song, instrumentNames);
    const savefile::Result saved = savefile::SaveWhole(path, bytes);
    if (!saved.ok()) return saved.errorText;
    return std::nullopt;
}

}  // namespace doc
