// Standard MIDI files: reading a file's tracks for the import panel, importing the note events of
// chosen tracks into parts of the song, and writing the song out as a format-1 file.
//
// Import is in two steps. `OpenMidiForImport` reads and checks the whole file and gives back what the
// import panel shows (division, one row per track: data length and data position); the window keeps
// the rows' chosen target parts. `ImportMidiTracks` then reads the file again and appends the note
// events of every assigned track to its part, returning the undo-journal lines the import writes.
// Both refuse a damaged file as a whole, so a refused import changes nothing.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

#include "document/song.h"

namespace doc {

// Texts the window shows for the results below (message box titled kMidiMessageTitle).
inline const QString kMidiReadErrorText = QStringLiteral("Midi文件读取错误。");
inline const QString kMidiImportDoneText = QStringLiteral("导入完成");
inline const QString kMidiMessageTitle = QStringLiteral("提示");
inline const QString kMidiNoImportText = QStringLiteral("不导入");
inline const QString kMidiImportJournalHeader = QStringLiteral("0导入MIDI");

constexpr int kMidiPanelRows = 16;      // the import panel lists at most this many tracks
constexpr int kMidiExportDivision = 960;
constexpr int kMidiImportMinLength = 2;   // imported lengths outside 2..383 keep the default
constexpr int kMidiImportMaxLength = 383;
constexpr int kMidiImportDefaultLength = 48;

// One note event of a track, in the file's own ticks (summed delta times).
struct MidiNoteEvent {
    int64_t FileTick = 0;
    uint8_t Key = 0;
    bool On = false;  // note-on with a velocity above 0; note-offs and velocity-0 note-ons are offs
};

struct MidiTrack {
    int64_t DataStart = 0;   // 1-based file position of the first data byte (the panel row's Tag)
    int64_t DataLength = 0;  // bytes of track data (the panel row's caption)
    std::vector<MidiNoteEvent> Notes;
};

struct MidiFile {
    int Division = 0;                // ticks per quarter note (shown beside "精度:")
    int HeaderTrackCount = 0;        // track count the header gives
    std::vector<MidiTrack> Tracks;   // the tracks the panel lists: the first kMidiPanelRows
};

// Reads a whole Standard MIDI File held in memory. Nothing when the file is damaged: no "MThd"
// header of at least 6 bytes, a division of 0 or in time-code form, a chunk that is not "MTrk" where
// a track is expected, a chunk or event running past the end of the data, or a byte the reader
// cannot place (a data byte with no running status to continue, a status byte where data is due).
std::optional<MidiFile> ParseMidiFile(const QByteArray& bytes);

// A variable-length quantity at `pos` (0-based) of `bytes`, read no further than `end`: up to four
// bytes, 7 bits each, most significant first. `pos` moves past it. Nothing when it runs past `end` or
// its fourth byte asks for a fifth.
std::optional<uint32_t> ReadVarLen(const QByteArray& bytes, int64_t& pos, int64_t end);

// The model half of opening a file for import: the file read and checked. Nothing when it cannot be
// read or is damaged; the window then shows kMidiReadErrorText and leaves the panel as it was.
std::optional<MidiFile> OpenMidiForImport(const QString& path);

// The target selector's entries: "不导入", then each part's name & " " & its number, the parts in the
// order of their strips (top to bottom).
QStringList MidiImportTargetList(const Song& song);
// The part number a target selector entry stands for (the value of its last character; 0 for "不导入").
int MidiImportTargetPart(const QString& entry);

struct MidiImportResult {
    bool Ok = false;
    // kMidiImportDoneText; MidiImportCutText(Cuts) when a track was cut; kMidiReadErrorText when the
    // file could not be read (song unchanged).
    QString Message;
    // One undo action per imported track, in import order: the part and the rows it added
    // (Notes[Part][FirstRow .. FirstRow + Rows - 1]), which the journal logs by their values, so
    // that starts of 100000 and more are kept exactly. The caller truncates the redo tail first,
    // logs each row and then the action's header kMidiImportJournalHeader, and sets the journal
    // position to its last item.
    struct Action {
        int Part = 0;
        int FirstRow = 0;
        int Rows = 0;
    };
    std::vector<Action> Actions;
    // Target part of each imported track, in import order; the caller updates their pitch ranges
    // and re-stacks the strips.
    std::vector<int> ImportedParts;
    // Tracks whose part filled up before their last note: the panel row and the notes left out.
    struct Cut {
        int Row = 0;
        int NotesLeftOut = 0;
    };
    std::vector<Cut> Cuts;
};

// The journal's text of an import just made into `song`: for each action, one adding line per row
// (part, start, key and length as digits, then the lyric), then kMidiImportJournalHeader.
QStringList MidiImportJournalLines(const Song& song, const MidiImportResult& result);

// The message of an import that cut tracks: it names each track ("音轨" & row + 1) and the notes it
// left out.
QString MidiImportCutText(const std::vector<MidiImportResult::Cut>& cuts);

// Appends the notes of the assigned tracks to their parts. `targets[r]` is the part chosen for track
// row r (0 = not imported); only rows of the file's listed tracks are examined, and a target outside
// 1 .. PartCount is skipped. Notes keep the file's note number. A key outside 21..108 or a start
// beyond kMaxNoteStart anywhere in the chosen tracks refuses the import (kMidiReadErrorText, song
// unchanged). A track whose part fills up (kRowsPerPart rows) stops adding notes there: the notes
// after it are left out and counted in Cuts, while note-offs still end the notes it added. A
// note-off (or velocity-0 note-on) ends the most recent still-open note of its key that the same
// track added.
MidiImportResult ImportMidiTracks(Song& song, const MidiFile& file, const std::vector<int>& targets);
// Reads the file at `path` again and imports it as above.
MidiImportResult ImportMidiTracks(Song& song, const QString& path, const std::vector<int>& targets);

// The song as a format-1 file: a conductor track (title, first time signature, first tempo), then one
// track per part whose MIDI switch is on. `instrumentNames` are the 128 General MIDI names in program
// order (a missing one is written empty).
QByteArray BuildMidiFile(const Song& song, const QStringList& instrumentNames);

// Writes BuildMidiFile's bytes to a temporary file beside `path` and renames it over `path`.
// Returns the error text on failure (the window shows it under kMidiMessageTitle), nothing on success.
std::optional<QString> ExportMidiFile(const Song& song, const QStringList& instrumentNames,
                                      const QString& path);

// Variable-length quantity of a value below 2^28, most significant group first.
QByteArray EncodeVarLen(uint32_t value);

}  // namespace doc
