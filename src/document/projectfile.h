// The project file (.brc, "工程文件"): title block, typesetting fonts, page setup, song settings,
// parts, notes and the three change lists of one song.
//
// Layout (little-endian, GBK texts): bytes 0..86 the header; records 5..9 (bytes 128..287) the
// title block, each an unsigned 16-bit byte count and its text (the title ends at byte 151, since
// bytes 152..155 hold the page-number position); records 10 and 13..16 the font names of five text
// styles; bytes 320..383 the page-setup block; part i in the 512-byte slot at 512 * i; then one
// 32-byte slot per note, parts in order and rows in order; then the change lists.
//
// A save builds the whole file in memory and writes it to a temporary file in the target's folder,
// which then replaces the target, so a failed save leaves the old file whole. A load reads the file
// into a fresh song and checks it completely before the caller applies anything.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "document/song.h"

namespace doc {

// The seven typesetting text styles (the font samples of the typesetting panel).
enum TextStyleIndex {
    kStyleTitle = 0,
    kStyleLyrics = 1,
    kStyleDigits = 2,
    kStylePartNames = 3,
    kStyleExpression = 4,
    kStyleSubtitle = 5,
    kStyleRights = 6,
};
constexpr int kTextStyleCount = 7;

struct TextStyle {
    QString FontName;
    double Size = 12;  // points
    bool Bold = false;
    bool Italic = false;
};

// The values of the typesetting panel that travel with a song.
struct PageSetupValues {
    int PaperIndex = 0;                 // entry of the paper list
    bool Portrait = true;               // "纵向"; false: "横向"
    // Margin boxes as typed, centimetres: top, bottom, left, right.
    std::array<QString, 4> Margins{QStringLiteral("1.50"), QStringLiteral("1.50"), QStringLiteral("1.50"),
                                   QStringLiteral("1.50")};
    bool ContinuousPage = false;        // "全页拼接"
    bool SeparatePart = false;          // "有一个独立的声部"
    int BackgroundIndex = 2;            // entry of the paper-texture list
    // Percentage sliders: digit row height, verse line height, gap below a part row,
    // extra gap between systems, note density.
    std::array<int, 5> Scales{150, 100, 10, 0, 100};
    std::array<TextStyle, kTextStyleCount> Styles{{
        {QStringLiteral("宋体"), 21.75, false, false},
        {QStringLiteral("宋体"), 12, false, false},
        {QStringLiteral("黑体"), 18, false, false},
        {QStringLiteral("黑体"), 14.25, true, false},
        {QStringLiteral("宋体"), 12, false, false},
        {QStringLiteral("宋体"), 10.5, false, false},
        {QStringLiteral("宋体"), 10.5, false, false},
    }};
    int Verses = 1;                     // "歌词段数", 1..7
    bool MeasureNumbers = false;        // "提示小节"
    int PageNumberStyle = 1;            // entry of the page-number template list
    bool MirroredPageNumbers = false;   // "奇偶对称"
    QString FirstPageText = QStringLiteral("1");  // first page number box, as typed
};

// Slider ranges of the five percentage sliders.
constexpr std::array<int, 5> kScaleMin{80, 80, 0, 0, 25};
constexpr std::array<int, 5> kScaleMax{255, 255, 100, 100, 200};

// Song state kept outside the song model that the project file carries.
struct ProjectExtras {
    QString AccompanimentText = QStringLiteral("未选择伴奏文件");  // the accompaniment path box
    // Audio time offsets in seconds: 0 the accompaniment, 1..8 the parts' own recordings.
    std::array<float, kMaxParts + 1> AudioTimeOffsets{};
    int16_t PageNumberX = 0;
    int16_t PageNumberY = 0;
    PageSetupValues Page;
};

// Room in the file.
constexpr int kTitleBytes = 22;
constexpr int kRecordTextBytes = 30;
constexpr int kLyricBytes = 21;
constexpr int kAccompanimentBytes = 64;
constexpr int kPartNameBytes = 16;          // eight full-width characters
constexpr int kPartTextBytes = 466;         // name and audio path together
constexpr int kMaxTimeSigLastIndex = kTimeSigCapacity - 2;  // the entry after the last is scratch
constexpr int kMaxTempoLastIndex = kTempoCapacity - 1;
constexpr int kMaxKeyLastIndex = kKeyCapacity - 1;

struct SaveResult {
    bool Ok = false;
    QString Message;  // why the save failed, in the words shown to the user (box titled "提示")
};

// The whole file for the song, as it is written.
QByteArray BuildProjectFileBytes(const Song& song, const ProjectExtras& extras);

// Writes the file (a temporary file beside it, then renamed over it). On failure the old file is
// untouched and the message says why; the song is never changed here.
SaveResult SaveProjectFile(const QString& path, const Song& song, const ProjectExtras& extras);

// What a project file holds of the song, read and checked: the counts, the song times, the title
// block, the part records, each part's rows 0 .. NoteCount - 1 and the three change lists.
struct ProjectSong {
    QString ProjectPath;
    int16_t PartCount = 0;
    double SongStartSeconds = 0;
    double SongSeconds = 0;
    int16_t TimeSigLastIndex = 0;
    int16_t TempoLastIndex = 0;
    int16_t KeyChangeLastIndex = 0;
    QString Title, Lyricist, Composer, Singer, Subtitle;
    std::array<PartRecord, kMaxParts + 1> Parts;               // 1 .. PartCount
    std::array<std::vector<NoteRecord>, kMaxParts + 1> Notes;  // NoteCount rows of each part
    std::array<int32_t, kTimeSigCapacity> TimeSigTicks{};
    std::array<int16_t, kTimeSigCapacity> TimeSigCodes{};
    std::array<int32_t, kTempoCapacity> TempoChangeTicks{};
    std::array<float, kTempoCapacity> TempoChangeBpm{};
    std::array<int32_t, kKeyCapacity> KeyChangeTicks{};
    std::array<int16_t, kKeyCapacity> KeyChangeKeys{};
};

struct ProjectLoad {
    bool Ok = false;
    QString Error;  // when !Ok: the message to show (box titled "提示"); nothing may be applied

    ProjectSong Loaded;                // what the file holds of the song
    std::unique_ptr<Song> LoadedSong;  // the loaded song, flags as after opening (ReadProjectFile and
                                       // ParseProjectFile only)
    ProjectExtras Extras;        // the extras after the load
    // False when the file's page-setup block was never written: the typesetting panel keeps its
    // values (the accompaniment offset and the verse count are read all the same).
    bool PageSetupStored = false;

    QString ProjectFolder;  // folder of the project file, ending in "/"
    // Resolved audio files; "" for the accompaniment means the silent placeholder, for a part that
    // the part's player stays silent.
    QString AccompanimentFile;
    std::array<QString, kMaxParts + 1> PartAudioFiles;
    // Messages for the user, in order, each in an OK box titled "提示": fonts not installed, then a
    // missing accompaniment, then missing part recordings.
    QStringList Notices;

    // Key selector entry and the "低八度" box for the first key.
    int KeyListIndex = 0;
    bool LowOctave = false;
};

// Tells whether a font family is installed.
using FontCheck = std::function<bool(const QString&)>;

// Reads and checks the file at `path`; on success `Loaded` holds the song's part of it, for
// ApplyLoadedSong, and the extras start from `currentExtras`. A style whose stored font is not
// installed (per `fontInstalled`; every font counts as installed when it is empty) keeps its font
// and gives a notice.
// Values no command produces are brought into the commands' ranges (song length 10..600 s, tempi
// 30..180, volumes 1..127) or refuse the file (ticks before the song start or beyond kMaxNoteStart,
// counts beyond the lists' room); a title or lyric longer than its room in the file is read as far
// as that room holds, at a character boundary. A refused file costs no copy of any song.
ProjectLoad ReadProjectContents(const QString& path, const ProjectExtras* currentExtras = nullptr,
                                const FontCheck& fontInstalled = {});
// The same over bytes already in memory; `path` names the file for the folder and the messages.
ProjectLoad ParseProjectContents(const QByteArray& bytes, const QString& path,
                                 const ProjectExtras* currentExtras = nullptr, const FontCheck& fontInstalled = {});

// Puts a loaded song into `song` as opening the file does, moving the texts out of `loaded`. What
// the file does not hold keeps its value: rows beyond the note counts, the parts beyond the part
// count (but their note counts become 0), the cursor, the loop and the tempo map.
void ApplyLoadedSong(ProjectSong& loaded, Song& song);

// ReadProjectContents and ParseProjectContents with the loaded song made as well: a copy of
// `current` (a default song when null) with the file's song applied.
ProjectLoad ReadProjectFile(const QString& path, const Song* current = nullptr,
                            const ProjectExtras* currentExtras = nullptr, const FontCheck& fontInstalled = {});
ProjectLoad ParseProjectFile(const QByteArray& bytes, const QString& path, const Song* current = nullptr,
                             const ProjectExtras* currentExtras = nullptr, const FontCheck& fontInstalled = {});

// The file name of a stored path: the text after its last "\" or "/".
QString StoredFileName(const QString& storedPath);

// The key selector entry and the "低八度" flag for a key code (-12..11).
void SplitKeyCode(int key, int* listIndex, bool* lowOctave);

}  // namespace doc
