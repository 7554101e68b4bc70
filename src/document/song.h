// The one song the program holds: notes of up to eight parts, the part table, the time-signature,
// tempo and key change lists with the tempo map, the song times, the title block and the dirty flags.
// Plain data; every subsystem reads and writes it directly.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <memory>

namespace doc {

constexpr int kMaxParts = 8;        // parts 1..8 are in use, slot 9 is spare
constexpr int kRowsPerPart = 4096;  // rows 0..4095 of each part
constexpr int kTimeSigCapacity = 21;
constexpr int kKeyCapacity = 21;
constexpr int kTempoCapacity = 41;
constexpr int kTicksPerQuarter = 48;
constexpr int kTicksPerWhole = 192;

// The ranges the song-settings and change-list commands keep to.
constexpr double kMinSongSeconds = 10;
constexpr double kMaxSongSeconds = 600;
constexpr double kMinTempo = 30;
constexpr double kMaxTempo = 180;
// The longest song: 600 s at 180 quarter notes per minute.
constexpr int32_t kMaxSongTicks = 86400;
// The latest tick a note or a change may start at: far beyond any song's end, so notes imported from
// long MIDI files keep their places, yet every sum of a start and a length stays small.
constexpr int32_t kMaxNoteStart = 9999999;
constexpr int kHighestPitch = 108;
constexpr int kMinVolume = 1;
constexpr int kMaxVolume = 127;

// Pitch values below 21 mark items, not sung notes.
enum ItemCode : uint8_t {
    kComment = 0,           // "/m"
    kSentenceMarker = 1,    // "/t"
    kDynamics = 2,          // "/p"
    kExpression = 3,        // "/e"
    kChosenExpression = 4,  // "/i"
    kSpecialSymbol = 5,     // "/s"
    kOrnament = 6,          // "/z"
    kUnpitchedNote = 20,    // "/x"
};

inline bool IsSungPitch(int pitch) { return pitch > 20; }

struct NoteRecord {
    int32_t Start = 0;     // ticks from the song start
    int16_t Length = 0;    // ticks
    uint8_t Pitch = 0;     // 21..108 a MIDI note; 0..6 and 20 an ItemCode
    QString Lyric;         // syllables of every verse joined by "|"; "-" = no syllable
    int16_t Selected = 0;  // -1 selected
};

struct PartRecord {
    int16_t StripTop = 0;
    int16_t StripTopPitch = 0;
    QString Name;
    QString AudioFile;
    int16_t Program = 0;
    int16_t Volume = 100;
    uint32_t Colour = 0x404000;   // &H00BBGGRR
    uint32_t Colour2 = 0xFFFFFF;
    int16_t StripHeight = 120;
    int16_t NoteCount = 0;
    uint8_t MidiOn = 1;
    uint8_t AudioOn = 0;
    std::array<uint32_t, 4> PhraseJoinBits{};
    uint8_t DisplayMode = 1;      // 0 none, 1 lyrics, 2 pitch
    uint8_t ShowInScore = 1;
    int16_t AudioOffsetMs = 0;
};

struct Song {
    // Notes[part][row], part 1..8 (index 0 unused), rows 0..NoteCount-1 in use.
    std::array<std::array<NoteRecord, kRowsPerPart>, kMaxParts + 1> Notes;
    // Parts[1..9]; index 0 unused, 9 spare.
    std::array<PartRecord, kMaxParts + 2> Parts;
    int16_t PartCount = 5;
    int16_t CurrentPart = 1;

    // Change lists: entry 0 at tick 0; the entry after the last is scratch space.
    std::array<int32_t, kTimeSigCapacity> TimeSigTicks{};
    std::array<int16_t, kTimeSigCapacity> TimeSigCodes{};
    std::array<int16_t, kTimeSigCapacity> TimeSigBarNumbers{};
    int16_t TimeSigLastIndex = 0;
    std::array<int32_t, kKeyCapacity> KeyChangeTicks{};
    std::array<int16_t, kKeyCapacity> KeyChangeKeys{};
    int16_t KeyChangeLastIndex = 0;
    std::array<int32_t, kTempoCapacity> TempoChangeTicks{};
    std::array<float, kTempoCapacity> TempoChangeBpm{};
    int16_t TempoLastIndex = 0;
    // Tempo map: entries 0..TempoLastIndex + 1 (the last one is the song end).
    std::array<double, kTempoCapacity + 1> TempoMapSeconds{};
    std::array<double, kTempoCapacity + 1> TempoMapTicks{};

    double SongStartSeconds = 0;
    double SongSeconds = 180.0;
    int32_t SongLength = 0;
    int32_t CursorTick = 0;
    int32_t LoopStart = 0;
    int32_t LoopEnd = 32000000;
    QString ProjectPath;

    // Dirty flags, -1 / 0.
    int16_t Modified = 0;
    int16_t PlayEventsStale = 0;
    int16_t NeedsRetypeset = 0;
    int16_t PageSetupChanged = 0;

    // Title block.
    QString Title;
    QString Subtitle;
    QString Lyricist;
    QString Composer;
    QString Singer;

    NoteRecord& note(int part, int row) { return Notes[part][row]; }
    const NoteRecord& note(int part, int row) const { return Notes[part][row]; }

    static std::unique_ptr<Song> create() { return std::make_unique<Song>(); }
};

}  // namespace doc
