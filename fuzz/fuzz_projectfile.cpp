// Project files: load, rebuild the timeline, the ruler marks, the part strips, the sentence texts and a
// track-view page as the Open command does, save, and open the saved file again. Every file the program saves it must
// open again, and saving the reopened song writes the same bytes.
#include <cstddef>
#include <cstdint>

#include "document/lyrics.h"
#include "document/projectfile.h"
#include "document/timeline.h"
#include "editing/partstrips.h"
#include "editing/trackview.h"
#include "fuzz_check.h"
#include "platform/surface.h"

namespace {

const QString kPath = QStringLiteral("/nonexistent-folder/fuzz.brc");
constexpr double kRulerWidth = 984;

// Measures text as the test surface does but keeps no log: the drawing code runs, nothing is kept.
class NullSurface : public vb::RecordingSurface {
public:
    NullSurface() : vb::RecordingSurface(1000, 2000) {}

protected:
    void drawText(double, double, const QString&) override {}
    void drawLine(double, double, double, double, vb::Colour) override {}
    void clear() override {}
    void drawPicture(const QImage&, const QRectF&, const QRectF&) override {}
};

// The sentence texts of a part's first sentence markers in every verse, as the sentence lists show them.
void ReadSentences(const doc::Song& song, int part, int verses) {
    int markers = 0;
    for (int row = 0; row < song.Parts[part].NoteCount && markers < 16; ++row) {
        if (song.Notes[part][row].Pitch != doc::kSentenceMarker) continue;
        ++markers;
        for (int verse = 0; verse < verses; ++verse) (void)doc::GetPhraseLyrics(song, part, row, verse);
    }
}

// What the window does with a loaded song before it is shown.
void ShowLoadedSong(doc::Song& song, const doc::ProjectExtras& extras, bool loopOn) {
    doc::RebuildTimeline(song, loopOn);
    doc::RulerMarks marks = doc::ComputeRulerMarks(song, kRulerWidth);
    (void)marks;
    for (int p = 1; p <= song.PartCount; ++p) {
        editing::UpdatePartPitchRange(song, p, 10, 10);
        ReadSentences(song, p, extras.Page.Verses);
    }
    editing::ArrangePartStrips(song);
    NullSurface canvas;
    editing::TrackViewPage page;
    page.cursorTick = song.CursorTick;
    editing::DrawTrackViewPage(canvas, song, page);
    FUZZ_CHECK(song.SongLength > 0, "the timeline gives the song a length");
    FUZZ_CHECK(song.TempoLastIndex <= doc::kMaxTempoLastIndex, "the tempo map stays inside its arrays");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The input as it is, not a copy with a terminating zero: a read one byte past its end is caught.
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const bool loopOn = size > 0 && (data[size - 1] & 1);

    // Read and checked first, as Open does: a refused file touches no song.
    doc::ProjectLoad load = doc::ParseProjectContents(bytes, kPath, nullptr, fuzz::FontInstalled);
    if (!load.Ok) {
        FUZZ_CHECK(!load.Error.isEmpty(), "a refused file says why");
        return 0;
    }
    doc::Song& song = fuzz::NewSong();
    doc::ApplyLoadedSong(load.Loaded, song);
    ShowLoadedSong(song, load.Extras, loopOn);

    const QByteArray saved = doc::BuildProjectFileBytes(song, load.Extras);
    FUZZ_CHECK(!saved.isEmpty(), "a loaded song can be saved");

    // Opened again over the same song.
    doc::ProjectLoad again = doc::ParseProjectContents(saved, kPath, &load.Extras, fuzz::FontInstalled);
    FUZZ_CHECK(again.Ok, "the saved file opens again");
    doc::ApplyLoadedSong(again.Loaded, song);
    ShowLoadedSong(song, again.Extras, loopOn);
    const QByteArray savedAgain = doc::BuildProjectFileBytes(song, again.Extras);
    FUZZ_CHECK(savedAgain == saved, "saving the reopened song writes the same file");
    return 0;
}
