// Keyboard-entry settings: the octave of each of the six key groups of the computer-keyboard piano,
// kept in keyset.dat beside the program, and the map from Windows virtual-key code to MIDI note.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>

namespace app {

inline constexpr int kKeyGroupCount = 6;
inline constexpr int kHighestKeyOctave = 5;
inline constexpr const char* kKeySetFile = "keyset.dat";

// Group order: keypad, function keys, digit row, Q row, A row, Z row.
struct KeySettings {
    // 0 switches a group off; 1..5 choose the octave of its first key (do = 24 + 12 × value).
    std::array<uint8_t, kKeyGroupCount> rowOctaves{0, 0, 4, 3, 2, 1};
};

// Captions of the six groups on the key-settings panel.
const QStringList& KeyGroupCaptions();
// The octave chooser's entries; the list index is the stored value.
const QStringList& KeyOctaveTexts();
// The entry for a value (values beyond the list read as the group being off).
QString KeyOctaveText(int value);

// Reads keyset.dat (byte i = group i). A missing file gives the initial settings, a short one keeps
// the initial value of each group it does not hold, and a value above 5 reads as 0 (group off).
KeySettings LoadKeySet(const QString& path);
// The same over the file's bytes already read (nothing: the file is missing).
KeySettings ParseKeySet(const std::optional<QByteArray>& file);
// Writes the six bytes at the start of the file (a longer file keeps its other bytes); the file is
// replaced whole, so a failed write leaves the old one. False when it could not be written.
bool SaveKeySet(const QString& path, const KeySettings& settings);
// The bytes such a save writes over a file that held `existing`.
QByteArray BuildKeySetBytes(QByteArray existing, const KeySettings& settings);

// Virtual-key code → MIDI note (0: the key plays nothing).
using KeyNoteMap = std::array<uint8_t, 256>;
KeyNoteMap BuildKeyNoteMap(const KeySettings& settings);

}  // namespace app
