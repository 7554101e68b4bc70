// The small files beside the program: set.ini, keyset.dat and the five word lists. Every input is read
// as each of them. Settings read from any file save and read back the same, with no field defaulted;
// the key map stays within the MIDI range; each word list keeps the length the window relies on.
#include <cstddef>
#include <cstdint>

#include "app/keyset.h"
#include "app/settings.h"
#include "app/wordlists.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The input as it is, not a copy with a terminating zero: a read one byte past its end is caught.
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));

    app::SettingsLoadReport report;
    const app::SystemSettings settings = app::ParseSystemSettings(bytes, fuzz::FontInstalled, &report);
    const QByteArray savedSettings = app::BuildSystemSettingsBytes(bytes, settings);
    app::SettingsLoadReport reportAgain;
    FUZZ_CHECK(app::ParseSystemSettings(savedSettings, fuzz::FontInstalled, &reportAgain) == settings,
               "saved settings read back the same");
    FUZZ_CHECK(reportAgain.fieldsDefaulted == 0, "saved settings read back without a defaulted field");

    const app::KeySettings keys = app::ParseKeySet(bytes);
    const QByteArray savedKeys = app::BuildKeySetBytes(bytes, keys);
    FUZZ_CHECK(app::ParseKeySet(savedKeys).rowOctaves == keys.rowOctaves, "saved key groups read back the same");
    for (uint8_t note : app::BuildKeyNoteMap(keys)) FUZZ_CHECK(note <= 127, "keys play MIDI notes");

    const app::WordList modes = app::ParsePageNumberModes(bytes);
    const app::WordList instruments = app::ParseInstrumentNames(bytes);
    const app::WordList signatures = app::ParseTimeSignatures(bytes);
    const app::WordList expressions = app::ParseExpressions(bytes);
    const app::WordList papers = app::ParsePaperSizes(bytes);
    FUZZ_CHECK(modes.items.size() >= 2, "at least two page-number modes");
    FUZZ_CHECK(instruments.items.size() == app::kInstrumentCount, "exactly 128 instruments");
    FUZZ_CHECK(!expressions.items.isEmpty(), "at least one expression");
    const app::StartupLists lists = app::BuildStartupLists(modes, instruments, signatures, expressions, papers);
    FUZZ_CHECK(!lists.paperSizes.isEmpty() && lists.paperSizes.last() == QString::fromUtf8(app::kCustomPaperEntry),
               "the paper list ends in the custom entry");
    for (const QString& entry : lists.paperSizes) (void)app::ParsePaperEntry(entry);
    return 0;
}
