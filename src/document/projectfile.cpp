#include "document/projectfile.h"

#include <QFileInfo>
#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/savefile.h"
#include "platform/textcodec.h"
#include "platform/vbtext.h"

namespace doc {
namespace {

// Fixed places in the file.
constexpr int kPartCountAt = 0;
constexpr int kSongStartAt = 1;
constexpr int kSongSecondsAt = 9;
constexpr int kTimeSigLastAt = 17;
constexpr int kTempoLastAt = 19;
constexpr int kKeyLastAt = 21;
constexpr int kAccompanimentAt = 23;
constexpr int kPageNumberXAt = 152;
constexpr int kPageNumberYAt = 154;
constexpr int kSlotBytes = 512;
constexpr int kNoteSlotBytes = 32;
constexpr int kPartRecordFixedBytes = 46;
constexpr int kNoteRecordFixedBytes = 11;

// Title block records, in file order: title, lyricist, composer, singer, subtitle.
constexpr int kTitleRecords[5] = {5, 6, 7, 8, 9};
// Font-name records and the styles they belong to.
constexpr int kFontRecords[5] = {10, 13, 14, 15, 16};
constexpr int kFontRecordStyles[5] = {kStyleTitle, kStyleLyrics, kStyleDigits, kStyleExpression, kStyleSubtitle};

// Page-setup block.
constexpr int kPaperAt = 320;
constexpr int kOrientationAt = 321;
constexpr int kMarginsAt = 322;  // four singles
constexpr int kContinuousAt = 338;
constexpr int kSeparatePartAt = 339;
constexpr int kBackgroundAt = 340;
constexpr int kScalesAt = 341;  // five bytes
constexpr int kStylesAt = 346;  // size, bold, italic, unused per style
constexpr int kVersesAt = 375;
constexpr int kMeasureNumbersAt = 376;
constexpr int kAccompOffsetAt = 377;
constexpr int kPageNumberStyleAt = 379;
constexpr int kMirroredAt = 380;
constexpr int kFirstPageAt = 381;
constexpr int kPageSetupBytes = 64;  // bytes 320..383

int RecordOffset(int record) { return 32 * (record - 1); }

int16_t ClampI16(double v) {
    if (!(v == v)) return 0;
    return int16_t(std::clamp(vb::Round(v), -32768.0, 32767.0));
}

uint8_t ClampByte(double v) {
    if (!(v == v)) return 0;
    return uint8_t(std::clamp(vb::Round(v), 0.0, 255.0));
}

// Milliseconds of an offset in seconds, as the file holds them.
int16_t OffsetMs(float seconds) { return ClampI16(double(seconds * 1000.0f)); }

class Writer {
public:
    explicit Writer(int size) : buf_(size, '\0') {}
    void u8(int at, uint8_t v) { buf_[at] = char(v); }
    void i16(int at, int16_t v) { qToLittleEndian<int16_t>(v, ptr(at)); }
    void i32(int at, int32_t v) { qToLittleEndian<int32_t>(v, ptr(at)); }
    void u32(int at, uint32_t v) { qToLittleEndian<uint32_t>(v, ptr(at)); }
    void f32(int at, float v) {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        u32(at, bits);
    }
    void f64(int at, double v) {
        uint64_t bits;
        std::memcpy(&bits, &v, 8);
        qToLittleEndian<uint64_t>(bits, ptr(at));
    }
    void bytes(int at, const QByteArray& b) { std::memcpy(ptr(at), b.constData(), size_t(b.size())); }
    // A counted text: unsigned 16-bit byte count, then the bytes. Returns the offset after it.
    int text(int at, const QByteArray& b) {
        i16(at, int16_t(b.size()));
        bytes(at + 2, b);
        return at + 2 + int(b.size());
    }
    QByteArray take() { return std::move(buf_); }

private:
    char* ptr(int at) { return buf_.data() + at; }
    QByteArray buf_;
};

// Raised by the reader when a value lies beyond the end of the file.
struct Truncated {};

class Reader {
public:
    explicit Reader(const QByteArray& b) : data_(reinterpret_cast<const uchar*>(b.constData())), size_(b.size()) {}
    int size() const { return size_; }
    uint8_t u8(int at) const { return *need(at, 1); }
    int16_t i16(int at) const { return qFromLittleEndian<int16_t>(need(at, 2)); }
    uint16_t u16(int at) const { return qFromLittleEndian<uint16_t>(need(at, 2)); }
    int32_t i32(int at) const { return qFromLittleEndian<int32_t>(need(at, 4)); }
    uint32_t u32(int at) const { return qFromLittleEndian<uint32_t>(need(at, 4)); }
    float f32(int at) const {
        uint32_t bits = u32(at);
        float v;
        std::memcpy(&v, &bits, 4);
        return v;
    }
    double f64(int at) const {
        uint64_t bits = qFromLittleEndian<uint64_t>(need(at, 8));
        double v;
        std::memcpy(&v, &bits, 8);
        return v;
    }
    QByteArray bytes(int at, int n) const { return QByteArray(reinterpret_cast<const char*>(need(at, n)), n); }
    QByteArrayView view(int at, int n) const { return {need(at, n), n}; }

private:
    const uchar* need(int at, int n) const {
        if (at < 0 || n < 0 || at + n > size_) throw Truncated{};
        return data_ + at;
    }
    const uchar* data_;
    int size_;
};

// The text in GBK within its room, cut at a character boundary.
QByteArray Fit(const QString& text, int maxBytes) {
    if (auto whole = textcodec::toGbk(text); whole && whole->size() <= maxBytes) return *whole;
    return textcodec::toGbkFitting(text, maxBytes);
}

// A path that does not fit keeps only its file name (the loader looks for that beside the project).
QByteArray FitPath(const QString& path, int maxBytes) {
    if (textcodec::gbkLength(path) <= maxBytes) return Fit(path, maxBytes);
    return Fit(StoredFileName(path), maxBytes);
}

QString Decode(QByteArrayView b) { return textcodec::fromGbk(b); }

// A margin as the margin boxes show a number read back from the file.
QString NumberText(float v) { return QString::number(double(v), 'g', 7); }

QString CheckSongForSave(const Song& song) {
    if (song.PartCount < 1 || song.PartCount > kMaxParts) return QStringLiteral("声部数超出范围");
    for (int p = 1; p <= song.PartCount; ++p)
        if (song.Parts[p].NoteCount < 0 || song.Parts[p].NoteCount > kRowsPerPart)
            return QStringLiteral("音符数超出范围");
    if (song.TimeSigLastIndex < 0 || song.TimeSigLastIndex > kMaxTimeSigLastIndex ||
        song.TempoLastIndex < 0 || song.TempoLastIndex > kMaxTempoLastIndex || song.KeyChangeLastIndex < 0 ||
        song.KeyChangeLastIndex > kMaxKeyLastIndex)
        return QStringLiteral("变化点数超出范围");
    return {};
}

bool ValidTimeSigCode(int code) {
    int k = code / 32;
    return code > 0 && (code & 31) >= 1 && k >= 1 && k <= 5 && code == (code & 31) + 32 * k;
}

bool Finite(double v) { return std::isfinite(v); }

// Ticks of notes and changes lie between the song start and kMaxNoteStart.
bool ValidTick(int32_t tick) { return tick >= 0 && tick <= kMaxNoteStart; }

}  // namespace

QString StoredFileName(const QString& storedPath) {
    int cut = std::max(storedPath.lastIndexOf(QLatin1Char('\\')), storedPath.lastIndexOf(QLatin1Char('/')));
    return storedPath.mid(cut + 1);
}

void SplitKeyCode(int key, int* listIndex, bool* lowOctave) {
    if (key < 0) {
        *listIndex = key + 12;
        *lowOctave = true;
    } else {
        *listIndex = key;
        *lowOctave = false;
    }
}

QByteArray BuildProjectFileBytes(const Song& song, const ProjectExtras& extras) {
    if (!CheckSongForSave(song).isEmpty()) return {};
    const int partCount = song.PartCount;
    int noteTotal = 0;
    for (int p = 1; p <= partCount; ++p) noteTotal += song.Parts[p].NoteCount;
    const int notesAt = kSlotBytes * (partCount + 1);
    const int listsAt = notesAt + kNoteSlotBytes * noteTotal;
    const int tempoAt = listsAt + 6 * (song.TimeSigLastIndex + 1) + 4;
    const int keyAt = tempoAt + 8 * (song.TempoLastIndex + 1) + 4;
    const int end = keyAt + 6 * (song.KeyChangeLastIndex + 1);
    Writer out(end);

    // Title block and font names.
    const QString* titles[5] = {&song.Title, &song.Lyricist, &song.Composer, &song.Singer, &song.Subtitle};
    for (int i = 0; i < 5; ++i)
        out.text(RecordOffset(kTitleRecords[i]), Fit(*titles[i], i == 0 ? kTitleBytes : kRecordTextBytes));
    const PageSetupValues& page = extras.Page;
    for (int i = 0; i < 5; ++i)
        out.text(RecordOffset(kFontRecords[i]), Fit(page.Styles[kFontRecordStyles[i]].FontName, kRecordTextBytes));

    // Header.
    out.u8(kPartCountAt, uint8_t(partCount));
    out.f64(kSongStartAt, song.SongStartSeconds);
    out.f64(kSongSecondsAt, song.SongSeconds);
    out.i16(kTimeSigLastAt, song.TimeSigLastIndex);
    out.i16(kTempoLastAt, song.TempoLastIndex);
    out.i16(kKeyLastAt, song.KeyChangeLastIndex);
    QByteArray accomp = FitPath(extras.AccompanimentText, kAccompanimentBytes);
    accomp.append(QByteArray(kAccompanimentBytes - accomp.size(), ' '));
    out.bytes(kAccompanimentAt, accomp);
    out.i16(kPageNumberXAt, extras.PageNumberX);
    out.i16(kPageNumberYAt, extras.PageNumberY);

    // Page setup.
    out.u8(kPaperAt, ClampByte(page.PaperIndex));
    out.u8(kOrientationAt, page.Portrait ? 255 : 0);
    for (int i = 0; i < 4; ++i) out.f32(kMarginsAt + 4 * i, float(vb::Val(page.Margins[i])));
    out.u8(kContinuousAt, page.ContinuousPage ? 1 : 0);
    out.u8(kSeparatePartAt, page.SeparatePart ? 1 : 0);
    out.u8(kBackgroundAt, ClampByte(page.BackgroundIndex));
    for (int i = 0; i < 5; ++i) out.u8(kScalesAt + i, ClampByte(page.Scales[i]));
    for (int s = 0; s < kTextStyleCount; ++s) {
        out.u8(kStylesAt + 4 * s, ClampByte(page.Styles[s].Size));
        out.u8(kStylesAt + 4 * s + 1, page.Styles[s].Bold ? 255 : 0);
        out.u8(kStylesAt + 4 * s + 2, page.Styles[s].Italic ? 255 : 0);
    }
    out.u8(kVersesAt, ClampByte(page.Verses - 1));
    out.u8(kMeasureNumbersAt, page.MeasureNumbers ? 1 : 0);
    out.i16(kAccompOffsetAt, OffsetMs(extras.AudioTimeOffsets[0]));
    out.u8(kPageNumberStyleAt, ClampByte(page.PageNumberStyle));
    out.u8(kMirroredAt, page.MirroredPageNumbers ? 1 : 0);
    out.i16(kFirstPageAt, ClampI16(vb::Val(page.FirstPageText)));

    // Parts.
    for (int p = 1; p <= partCount; ++p) {
        const PartRecord& part = song.Parts[p];
        int at = kSlotBytes * p;
        out.i16(at, part.StripTop);
        out.i16(at + 2, part.StripTopPitch);
        QByteArray name = Fit(part.Name, kPartNameBytes);
        at = out.text(at + 4, name);
        at = out.text(at, FitPath(part.AudioFile, kPartTextBytes - int(name.size())));
        out.i16(at, part.Program);
        out.i16(at + 2, part.Volume);
        out.u32(at + 4, part.Colour);
        out.u32(at + 8, part.Colour2);
        out.i16(at + 12, part.StripHeight);
        out.i16(at + 14, part.NoteCount);
        out.u8(at + 16, part.MidiOn);
        out.u8(at + 17, part.AudioOn);
        for (int w = 0; w < 4; ++w) out.u32(at + 18 + 4 * w, part.PhraseJoinBits[w]);
        out.u8(at + 34, part.DisplayMode);
        out.u8(at + 35, part.ShowInScore);
        out.i16(at + 36, OffsetMs(extras.AudioTimeOffsets[p]));
    }

    // Notes.
    int at = notesAt;
    for (int p = 1; p <= partCount; ++p) {
        for (int row = 0; row < song.Parts[p].NoteCount; ++row, at += kNoteSlotBytes) {
            const NoteRecord& n = song.Notes[p][row];
            out.i32(at, n.Start);
            out.i16(at + 4, n.Length);
            out.u8(at + 6, n.Pitch);
            int after = out.text(at + 7, Fit(n.Lyric, kLyricBytes));
            out.i16(after, n.Selected);
        }
    }

    // Change lists.
    for (int k = 0; k <= song.TimeSigLastIndex; ++k) {
        out.i32(listsAt + 6 * k, song.TimeSigTicks[k]);
        out.i16(listsAt + 6 * k + 4, song.TimeSigCodes[k]);
    }
    for (int k = 0; k <= song.TempoLastIndex; ++k) {
        out.i32(tempoAt + 8 * k, song.TempoChangeTicks[k]);
        out.f32(tempoAt + 8 * k + 4, song.TempoChangeBpm[k]);
    }
    for (int k = 0; k <= song.KeyChangeLastIndex; ++k) {
        out.i32(keyAt + 6 * k, song.KeyChangeTicks[k]);
        out.i16(keyAt + 6 * k + 4, song.KeyChangeKeys[k]);
    }
    return out.take();
}

SaveResult SaveProjectFile(const QString& path, const Song& song, const ProjectExtras& extras) {
    SaveResult result;
    auto fail = [&](const QString& reason) {
        result.Ok = false;
        result.Message = QStringLiteral("无法保存文件:[") + QFileInfo(path).fileName() + QStringLiteral("]，") +
                         reason + QStringLiteral("！");
        return result;
    };
    QString bad = CheckSongForSave(song);
    if (!bad.isEmpty()) return fail(bad);
    const QByteArray bytes = BuildProjectFileBytes(song, extras);

    const savefile::Result saved = savefile::SaveWhole(path, bytes);
    if (saved.failure == savefile::Failure::Open) return fail(QStringLiteral("无法在该位置写入文件"));
    if (!saved.ok()) return fail(QStringLiteral("写入文件时出错"));
    result.Ok = true;
    return result;
}

ProjectLoad ReadProjectContents(const QString& path, const ProjectExtras* currentExtras,
                                const FontCheck& fontInstalled) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ProjectLoad r;
        r.Error = QStringLiteral("无法打开文件:[") + QFileInfo(path).fileName() + QStringLiteral("]，文件无法读取！");
        return r;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    return ParseProjectContents(bytes, path, currentExtras, fontInstalled);
}

ProjectLoad ParseProjectContents(const QByteArray& bytes, const QString& path, const ProjectExtras* currentExtras,
                                 const FontCheck& fontInstalled) {
    ProjectLoad r;
    const QString fileName = QFileInfo(path).fileName();
    auto fail = [&](const QString& reason) {
        ProjectLoad failed;
        failed.Error = QStringLiteral("无法打开文件:[") + fileName + QStringLiteral("]，") + reason +
                       QStringLiteral("！");
        return failed;
    };
    const QString damaged = QStringLiteral("文件已损坏或不是工程文件");
    const QString truncated = QStringLiteral("文件不完整");

    try {
        Reader in(bytes);
        if (in.size() < 2 * kSlotBytes) return fail(in.size() < kSlotBytes ? damaged : truncated);

        // Header and counts first: nothing is read through a count before it is checked.
        const int partCount = in.u8(kPartCountAt);
        const double songStart = in.f64(kSongStartAt);
        const double songSeconds = in.f64(kSongSecondsAt);
        const int timeSigLast = in.i16(kTimeSigLastAt);
        const int tempoLast = in.i16(kTempoLastAt);
        const int keyLast = in.i16(kKeyLastAt);
        if (partCount < 1 || partCount > kMaxParts) return fail(damaged);
        if (timeSigLast < 0 || timeSigLast > kMaxTimeSigLastIndex || tempoLast < 0 ||
            tempoLast > kMaxTempoLastIndex || keyLast < 0 || keyLast > kMaxKeyLastIndex)
            return fail(damaged);
        if (!Finite(songStart) || songStart < 0 || !Finite(songSeconds)) return fail(damaged);
        if (in.size() < kSlotBytes * (partCount + 1)) return fail(truncated);

        ProjectSong& song = r.Loaded;
        r.Extras = currentExtras ? *currentExtras : ProjectExtras{};
        ProjectExtras& extras = r.Extras;
        PageSetupValues& page = extras.Page;

        // Title block. A title longer than its room was cut by the page-number position written
        // over its end: what the room holds is read.
        QString titles[5];
        for (int i = 0; i < 5; ++i) {
            int at = RecordOffset(kTitleRecords[i]);
            int n = in.u16(at);
            if (n > kRecordTextBytes) return fail(damaged);
            QByteArray text = in.bytes(at + 2, n);
            if (i == 0 && n > kTitleBytes) text = textcodec::gbkPrefix(text, kTitleBytes);
            titles[i] = Decode(text);
        }
        QString fontNames[5];
        for (int i = 0; i < 5; ++i) {
            int at = RecordOffset(kFontRecords[i]);
            int n = in.u16(at);
            if (n > kRecordTextBytes) return fail(damaged);
            fontNames[i] = Decode(in.view(at + 2, n));
        }
        const QString accompaniment = vb::Trim(Decode(in.view(kAccompanimentAt, kAccompanimentBytes)));

        // Part records.
        std::array<PartRecord, kMaxParts + 1> parts;
        int noteTotal = 0;
        for (int p = 1; p <= partCount; ++p) {
            PartRecord part;
            const int slot = kSlotBytes * p;
            part.StripTop = in.i16(slot);
            part.StripTopPitch = in.i16(slot + 2);
            const int nameBytes = in.u16(slot + 4);
            if (kPartRecordFixedBytes + nameBytes > kSlotBytes) return fail(damaged);
            part.Name = Decode(in.view(slot + 6, nameBytes));
            int at = slot + 6 + nameBytes;
            const int audioBytes = in.u16(at);
            if (kPartRecordFixedBytes + nameBytes + audioBytes > kSlotBytes) return fail(damaged);
            part.AudioFile = Decode(in.view(at + 2, audioBytes));
            at += 2 + audioBytes;
            part.Program = in.i16(at);
            part.Volume = in.i16(at + 2);
            part.Colour = in.u32(at + 4);
            part.Colour2 = in.u32(at + 8);
            part.StripHeight = in.i16(at + 12);
            part.NoteCount = in.i16(at + 14);
            part.MidiOn = in.u8(at + 16);
            part.AudioOn = in.u8(at + 17);
            for (int w = 0; w < 4; ++w) part.PhraseJoinBits[w] = in.u32(at + 18 + 4 * w);
            part.DisplayMode = in.u8(at + 34);
            part.ShowInScore = in.u8(at + 35);
            part.AudioOffsetMs = in.i16(at + 36);
            part.Volume = int16_t(std::clamp<int>(part.Volume, kMinVolume, kMaxVolume));
            if (part.NoteCount < 0 || part.NoteCount > kRowsPerPart) return fail(damaged);
            if (part.Program < 0 || part.Program > 127) return fail(damaged);
            noteTotal += part.NoteCount;
            parts[p] = part;
        }

        const int notesAt = kSlotBytes * (partCount + 1);
        const int listsAt = notesAt + kNoteSlotBytes * noteTotal;
        const int tempoAt = listsAt + 6 * (timeSigLast + 1) + 4;
        const int keyAt = tempoAt + 8 * (tempoLast + 1) + 4;
        const int end = keyAt + 6 * (keyLast + 1);
        if (in.size() < end) return fail(truncated);

        // Notes.
        int at = notesAt;
        for (int p = 1; p <= partCount; ++p) {
            song.Notes[p].resize(size_t(parts[p].NoteCount));
            for (int row = 0; row < parts[p].NoteCount; ++row, at += kNoteSlotBytes) {
                NoteRecord& n = song.Notes[p][size_t(row)];
                n.Start = in.i32(at);
                n.Length = in.i16(at + 4);
                n.Pitch = in.u8(at + 6);
                if (n.Start < 0 || n.Start > kMaxNoteStart) return fail(damaged);
                const int lyricBytes = in.u16(at + 7);
                if (lyricBytes > kRecordTextBytes) return fail(damaged);
                if (kNoteRecordFixedBytes + lyricBytes <= kNoteSlotBytes) {
                    n.Lyric = Decode(in.view(at + 9, lyricBytes));
                    n.Selected = in.i16(at + 9 + lyricBytes);
                } else {
                    // A lyric longer than the slot's room: what the slot holds, the flag cleared.
                    n.Lyric = Decode(textcodec::gbkPrefix(in.bytes(at + 9, lyricBytes), kLyricBytes));
                    n.Selected = 0;
                }
            }
        }

        // Change lists.
        for (int k = 0; k <= timeSigLast; ++k) {
            song.TimeSigTicks[k] = in.i32(listsAt + 6 * k);
            song.TimeSigCodes[k] = in.i16(listsAt + 6 * k + 4);
            if (!ValidTick(song.TimeSigTicks[k]) || !ValidTimeSigCode(song.TimeSigCodes[k])) return fail(damaged);
        }
        for (int k = 0; k <= tempoLast; ++k) {
            song.TempoChangeTicks[k] = in.i32(tempoAt + 8 * k);
            song.TempoChangeBpm[k] = in.f32(tempoAt + 8 * k + 4);
            if (!ValidTick(song.TempoChangeTicks[k]) || !Finite(song.TempoChangeBpm[k]) || song.TempoChangeBpm[k] <= 0)
                return fail(damaged);
            song.TempoChangeBpm[k] = float(std::clamp<double>(song.TempoChangeBpm[k], kMinTempo, kMaxTempo));
        }
        for (int k = 0; k <= keyLast; ++k) {
            song.KeyChangeTicks[k] = in.i32(keyAt + 6 * k);
            song.KeyChangeKeys[k] = in.i16(keyAt + 6 * k + 4);
            if (!ValidTick(song.KeyChangeTicks[k]) || song.KeyChangeKeys[k] < -12 || song.KeyChangeKeys[k] > 11)
                return fail(damaged);
        }
        if (song.TimeSigTicks[0] != 0 || song.TempoChangeTicks[0] != 0 || song.KeyChangeTicks[0] != 0)
            return fail(damaged);

        // Page setup: a block of zeros was never written; in a written one each field counts (a
        // slider whose byte is 0 keeps its value), and the margins must be numbers.
        r.PageSetupStored = in.bytes(kPaperAt, kPageSetupBytes).count('\0') != kPageSetupBytes;
        std::array<float, 4> margins;
        for (int i = 0; i < 4; ++i) {
            margins[i] = in.f32(kMarginsAt + 4 * i);
            if (r.PageSetupStored && !Finite(margins[i])) return fail(damaged);
        }

        // The file is sound: fill in the song.
        song.PartCount = int16_t(partCount);
        song.SongStartSeconds = songStart;
        song.SongSeconds = std::clamp(songSeconds, kMinSongSeconds, kMaxSongSeconds);
        song.TimeSigLastIndex = int16_t(timeSigLast);
        song.TempoLastIndex = int16_t(tempoLast);
        song.KeyChangeLastIndex = int16_t(keyLast);
        song.Title = titles[0];
        song.Lyricist = titles[1];
        song.Composer = titles[2];
        song.Singer = titles[3];
        song.Subtitle = titles[4];
        for (int p = 1; p <= partCount; ++p) song.Parts[p] = parts[p];
        song.ProjectPath = path;

        // Extras.
        extras.AccompanimentText = accompaniment;
        extras.PageNumberX = in.i16(kPageNumberXAt);
        extras.PageNumberY = in.i16(kPageNumberYAt);
        extras.AudioTimeOffsets[0] = float(in.i16(kAccompOffsetAt) / 1000.0);
        for (int p = 1; p <= partCount; ++p) extras.AudioTimeOffsets[p] = float(parts[p].AudioOffsetMs / 1000.0);
        const int verses = in.u8(kVersesAt) + 1;
        if (verses >= 1 && verses <= 7) page.Verses = verses;

        for (int i = 0; i < 5; ++i) {
            if (fontNames[i].isEmpty()) continue;
            if (fontInstalled && !fontInstalled(fontNames[i])) {
                r.Notices << QStringLiteral("没有找到字体：") + fontNames[i];
                continue;
            }
            page.Styles[kFontRecordStyles[i]].FontName = fontNames[i];
        }

        if (r.PageSetupStored) {
            auto check = [&](int at, bool& box) {
                const int v = in.u8(at);
                if (v <= 1) box = v == 1;  // any other value is no state of a check box
            };
            page.PaperIndex = in.u8(kPaperAt);
            page.Portrait = in.u8(kOrientationAt) != 0;
            for (int i = 0; i < 4; ++i) page.Margins[i] = NumberText(margins[i]);
            check(kContinuousAt, page.ContinuousPage);
            check(kSeparatePartAt, page.SeparatePart);
            page.BackgroundIndex = in.u8(kBackgroundAt);
            for (int i = 0; i < 5; ++i) {
                const int v = in.u8(kScalesAt + i);
                if (v >= kScaleMin[i] && v <= kScaleMax[i]) page.Scales[i] = v;
            }
            for (int s = 0; s < kTextStyleCount; ++s) {
                const int size = in.u8(kStylesAt + 4 * s);
                if (size > 3) page.Styles[s].Size = size;
                page.Styles[s].Bold = in.u8(kStylesAt + 4 * s + 1) == 255;
                page.Styles[s].Italic = in.u8(kStylesAt + 4 * s + 2) == 255;
            }
            check(kMeasureNumbersAt, page.MeasureNumbers);
            page.PageNumberStyle = in.u8(kPageNumberStyleAt);
            check(kMirroredAt, page.MirroredPageNumbers);
            page.FirstPageText = QString::number(in.i16(kFirstPageAt));
        }

        SplitKeyCode(song.KeyChangeKeys[0], &r.KeyListIndex, &r.LowOctave);

        // Audio files: as stored, else the file name beside the project.
        QFileInfo projectInfo(path);
        r.ProjectFolder = projectInfo.absolutePath() + QLatin1Char('/');
        auto resolve = [&](const QString& stored) -> QString {
            if (QFileInfo(stored).isFile()) return stored;
            const QString name = StoredFileName(stored);
            if (!name.isEmpty() && QFileInfo(r.ProjectFolder + name).isFile()) return r.ProjectFolder + name;
            return {};
        };
        if (!accompaniment.isEmpty() && accompaniment != QStringLiteral("未选择伴奏文件") &&
            accompaniment != QStringLiteral("伴奏文件")) {
            r.AccompanimentFile = resolve(accompaniment);
            if (r.AccompanimentFile.isEmpty())
                r.Notices << QStringLiteral("没有找到音频文件:[") + StoredFileName(accompaniment) +
                                 QStringLiteral("]，您将无法进行播放操作！");
        }
        for (int p = 1; p <= partCount; ++p) {
            const QString& stored = song.Parts[p].AudioFile;
            if (stored.isEmpty()) continue;
            r.PartAudioFiles[p] = resolve(stored);
            if (r.PartAudioFiles[p].isEmpty())
                r.Notices << QStringLiteral("没有找到位于[") + song.Parts[p].Name + QStringLiteral("]的音频文件:[") +
                                 StoredFileName(stored) + QStringLiteral("]");
        }
    } catch (const Truncated&) {
        return fail(truncated);
    }
    r.Ok = true;
    return r;
}

void ApplyLoadedSong(ProjectSong& loaded, Song& song) {
    const int partCount = std::clamp<int>(loaded.PartCount, 1, kMaxParts);
    song.PartCount = int16_t(partCount);
    song.SongStartSeconds = loaded.SongStartSeconds;
    song.SongSeconds = loaded.SongSeconds;
    song.TimeSigLastIndex = loaded.TimeSigLastIndex;
    song.TempoLastIndex = loaded.TempoLastIndex;
    song.KeyChangeLastIndex = loaded.KeyChangeLastIndex;
    song.Title = std::move(loaded.Title);
    song.Lyricist = std::move(loaded.Lyricist);
    song.Composer = std::move(loaded.Composer);
    song.Singer = std::move(loaded.Singer);
    song.Subtitle = std::move(loaded.Subtitle);
    for (int p = 1; p <= partCount; ++p) {
        song.Parts[p] = std::move(loaded.Parts[p]);
        std::vector<NoteRecord>& rows = loaded.Notes[p];
        const size_t count = std::min<size_t>(rows.size(), kRowsPerPart);
        std::move(rows.begin(), rows.begin() + ptrdiff_t(count), song.Notes[p].begin());
        song.Parts[p].NoteCount = int16_t(count);
        rows.clear();
    }
    for (int p = partCount + 1; p <= kMaxParts; ++p) song.Parts[p].NoteCount = 0;
    for (int k = 0; k <= loaded.TimeSigLastIndex; ++k) {
        song.TimeSigTicks[k] = loaded.TimeSigTicks[k];
        song.TimeSigCodes[k] = loaded.TimeSigCodes[k];
    }
    for (int k = 0; k <= loaded.TempoLastIndex; ++k) {
        song.TempoChangeTicks[k] = loaded.TempoChangeTicks[k];
        song.TempoChangeBpm[k] = loaded.TempoChangeBpm[k];
    }
    for (int k = 0; k <= loaded.KeyChangeLastIndex; ++k) {
        song.KeyChangeTicks[k] = loaded.KeyChangeTicks[k];
        song.KeyChangeKeys[k] = loaded.KeyChangeKeys[k];
    }
    song.CurrentPart = 1;
    song.ProjectPath = loaded.ProjectPath;
    song.Modified = 0;
    song.PlayEventsStale = -1;
    song.NeedsRetypeset = -1;
    song.PageSetupChanged = 0;
}

namespace {
// The loaded song as a copy of `current` with the file's song applied; made only for a sound file.
ProjectLoad WithLoadedSong(ProjectLoad r, const Song* current) {
    if (!r.Ok) return r;
    r.LoadedSong = current ? std::make_unique<Song>(*current) : std::make_unique<Song>();
    ApplyLoadedSong(r.Loaded, *r.LoadedSong);
    return r;
}
}  // namespace

ProjectLoad ReadProjectFile(const QString& path, const Song* current, const ProjectExtras* currentExtras,
                            const FontCheck& fontInstalled) {
    return WithLoadedSong(ReadProjectContents(path, currentExtras, fontInstalled), current);
}

ProjectLoad ParseProjectFile(const QByteArray& bytes, const QString& path, const Song* current,
                             const ProjectExtras* currentExtras, const FontCheck& fontInstalled) {
    return WithLoadedSong(ParseProjectContents(bytes, path, currentExtras, fontInstalled), current);
}

}  // namespace doc
