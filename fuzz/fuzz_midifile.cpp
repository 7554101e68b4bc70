// MIDI files: parse, import every listed track into a part as the import panel does (journal lines,
// pitch ranges, strips), export the song, and read the export back. The export must parse, and its
// tracks must bring every exported note back at its start and pitch. The imported song must also
// save as a project file that opens again.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "app/wordlists.h"
#include "document/midifile.h"
#include "document/projectfile.h"
#include "editing/partstrips.h"
#include "editing/undojournal.h"
#include "fuzz_check.h"

namespace {

// Latest song tick an export keeps (its file time, × 20, must fit a four-byte delta).
constexpr int64_t kMaxExportTick = 0x0FFFFFFF / 20;

using NoteKeys = std::vector<std::pair<int32_t, int>>;

NoteKeys ExportedNotes(const doc::Song& song, int part) {
    NoteKeys keys;
    const doc::PartRecord& rec = song.Parts[part];
    for (int i = 0; i < rec.NoteCount; ++i) {
        const doc::NoteRecord& n = song.Notes[part][i];
        if (n.Pitch < 21 || n.Pitch > 108 || n.Length <= 0 || n.Start < 0) continue;
        if (int64_t(n.Start) + n.Length > kMaxExportTick) continue;
        keys.emplace_back(n.Start, n.Pitch);
    }
    std::sort(keys.begin(), keys.end());
    return keys;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The input as it is, not a copy with a terminating zero: a read one byte past its end is caught.
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<doc::MidiFile> file = doc::ParseMidiFile(bytes);
    if (!file) return 0;
    FUZZ_CHECK(file->Division > 0, "a parsed file has a division");
    FUZZ_CHECK(int(file->Tracks.size()) <= doc::kMidiPanelRows, "the panel lists at most 16 tracks");

    doc::Song& song = fuzz::NewSong(0);
    // Track r goes to part (r + 1) mod 6: parts 1..5 of the new song, every sixth track not imported.
    std::vector<int> targets(doc::kMidiPanelRows);
    for (int r = 0; r < doc::kMidiPanelRows; ++r) targets[r] = (r + 1) % (song.PartCount + 1);
    const doc::MidiImportResult result = doc::ImportMidiTracks(song, *file, targets);
    if (!result.Ok) {
        // A file with notes no part can hold (keys outside the piano, starts too late) is refused
        // whole: the song keeps none of it.
        for (int p = 1; p <= song.PartCount; ++p)
            FUZZ_CHECK(song.Parts[p].NoteCount == 0 && result.Actions.empty(), "a refused import changes nothing");
        return 0;
    }

    // A track is cut only where its part is full, and the message says so.
    for (const doc::MidiImportResult::Cut& cut : result.Cuts)
        FUZZ_CHECK(song.Parts[targets[size_t(cut.Row)]].NoteCount == doc::kRowsPerPart && cut.NotesLeftOut > 0,
                   "a cut track fills its part");
    FUZZ_CHECK(result.Cuts.empty() == (result.Message == doc::kMidiImportDoneText), "a cut is reported");

    editing::UndoJournal journal;
    journal.TruncateRedoTail();
    for (const doc::MidiImportResult::Action& action : result.Actions) {
        for (int i = action.FirstRow; i < action.FirstRow + action.Rows; ++i)
            journal.AddNoteLine(action.Part, song.Notes[action.Part][i]);
        journal.Commit(doc::kMidiImportJournalHeader.mid(1));
    }
    for (int p : result.ImportedParts) editing::UpdatePartPitchRange(song, p, 10, 10);
    editing::ArrangePartStrips(song);

    const QByteArray exported = doc::BuildMidiFile(song, app::builtin::InstrumentNames());
    const std::optional<doc::MidiFile> back = doc::ParseMidiFile(exported);
    FUZZ_CHECK(back.has_value(), "the exported file parses");

    std::vector<int> exportedParts;
    for (int p = 1; p <= song.PartCount; ++p)
        if (song.Parts[p].MidiOn == 1) exportedParts.push_back(p);
    FUZZ_CHECK(back->Tracks.size() == exportedParts.size() + 1, "one track per part and the conductor");
    doc::Song& reread = fuzz::NewSong(1);
    std::vector<int> backTargets(back->Tracks.size(), 0);
    for (size_t t = 0; t < exportedParts.size(); ++t) backTargets[t + 1] = exportedParts[t];
    FUZZ_CHECK(doc::ImportMidiTracks(reread, *back, backTargets).Ok, "the exported file imports");
    for (int p : exportedParts)
        FUZZ_CHECK(ExportedNotes(reread, p) == ExportedNotes(song, p), "the export brings every note back");

    const QByteArray project = doc::BuildProjectFileBytes(song, doc::ProjectExtras{});
    FUZZ_CHECK(!project.isEmpty(), "the imported song can be saved");
    FUZZ_CHECK(doc::ParseProjectContents(project, QStringLiteral("/nonexistent-folder/fuzz.brc")).Ok,
               "the saved song opens again");
    return 0;
}
