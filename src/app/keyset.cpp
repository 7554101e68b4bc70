#include "app/keyset.h"

#include "app/settings_io.h"

#include <vector>

namespace app {

const QStringList& KeyGroupCaptions() {
    static const QStringList list = {"数字键1~9:", "功能键F1~F12:", "主键盘1~9:", "QWERTYUIOP:", "ASDFGHJKL:", "ZXCVBNM:"};
    return list;
}

const QStringList& KeyOctaveTexts() {
    static const QStringList list = {"无", "低二个八度1~7", "低八度1~7", "1~7", "高八度1~7", "高二个八度1~7"};
    return list;
}

QString KeyOctaveText(int value) {
    const QStringList& texts = KeyOctaveTexts();
    return value >= 0 && value < texts.size() ? texts[value] : texts[0];
}

KeySettings LoadKeySet(const QString& path) { return ParseKeySet(ReadSettingsFile(path)); }

KeySettings ParseKeySet(const std::optional<QByteArray>& bytes) {
    KeySettings settings;
    if (!bytes) return settings;
    for (int i = 0; i < kKeyGroupCount && i < bytes->size(); ++i) {
        uint8_t v = uint8_t(bytes->at(i));
        settings.rowOctaves[i] = v <= kHighestKeyOctave ? v : 0;
    }
    return settings;
}

bool SaveKeySet(const QString& path, const KeySettings& settings) {
    return WriteSettingsFile(path, BuildKeySetBytes(ReadSettingsFile(path).value_or(QByteArray()), settings));
}

QByteArray BuildKeySetBytes(QByteArray bytes, const KeySettings& settings) {
    if (bytes.size() < kKeyGroupCount) bytes.append(QByteArray(kKeyGroupCount - bytes.size(), '\0'));
    for (int i = 0; i < kKeyGroupCount; ++i) bytes[i] = char(settings.rowOctaves[i]);
    return bytes;
}

namespace {

// B C D E F G A B C D E F G of the lowest octave, C = 24.
constexpr int kScale[13] = {23, 24, 26, 28, 29, 31, 33, 35, 36, 38, 40, 41, 43};

struct KeyStep {
    uint8_t vk;
    uint8_t step;
};

// Keys of each group with their place on the scale.
const std::array<std::vector<KeyStep>, kKeyGroupCount>& groupKeys() {
    static const std::array<std::vector<KeyStep>, kKeyGroupCount> groups = [] {
        std::array<std::vector<KeyStep>, kKeyGroupCount> g;
        for (int k = 0; k <= 9; ++k) g[0].push_back({uint8_t(96 + k), uint8_t(k)});      // keypad 0..9
        for (int k = 1; k <= 12; ++k) g[1].push_back({uint8_t(111 + k), uint8_t(k)});    // F1..F12
        g[2].push_back({192, 0});                                                         // `
        for (int k = 1; k <= 9; ++k) g[2].push_back({uint8_t(48 + k), uint8_t(k)});       // 1..9
        g[2].insert(g[2].end(), {{48, 10}, {189, 11}, {187, 12}});                        // 0 - =
        const uint8_t qRow[] = {'Q', 'W', 'E', 'R', 'T', 'Y', 'U', 'I', 'O', 'P', 219, 221};
        const uint8_t aRow[] = {'A', 'S', 'D', 'F', 'G', 'H', 'J', 'K', 'L', 186, 222, 220};
        const uint8_t zRow[] = {'Z', 'X', 'C', 'V', 'B', 'N', 'M', 188, 190, 191};
        for (int i = 0; i < 12; ++i) g[3].push_back({qRow[i], uint8_t(i + 1)});
        for (int i = 0; i < 12; ++i) g[4].push_back({aRow[i], uint8_t(i + 1)});
        for (int i = 0; i < 10; ++i) g[5].push_back({zRow[i], uint8_t(i + 1)});
        return g;
    }();
    return groups;
}

}  // namespace

KeyNoteMap BuildKeyNoteMap(const KeySettings& settings) {
    KeyNoteMap map{};
    for (int g = 0; g < kKeyGroupCount; ++g) {
        int octave = settings.rowOctaves[g];
        if (octave > kHighestKeyOctave) octave = 0;  // keeps every note within a byte and the MIDI range
        for (const KeyStep& key : groupKeys()[g])
            map[key.vk] = octave == 0 ? 0 : uint8_t(12 * octave + kScale[key.step]);
    }
    return map;
}

}  // namespace app
