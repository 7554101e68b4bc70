// The note messages of the parts: one note-on and one note-off template per part channel with the
// key in force and the part's velocity built in, so a note costs one addition; the pitch each
// sounding note was sent at, so its release matches it whatever the key did since; and the
// all-notes-off sweep.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace playback {

class NoteMessages {
public:
    // Part p (1..8) plays on channel p − 1. The velocity is the part's volume, 0 when its MIDI
    // switch is off (a muted part still sends its note-ons).
    void PrepareNoteOn(int part, int key, int volume, bool midiOn);
    void PrepareNoteOff(int key);
    int32_t NoteOnTemplate(int part) const { return on_[size_t(Clamp(part))]; }
    int32_t NoteOffTemplate(int part) const { return off_[size_t(Clamp(part))]; }

    // The message that starts stored note `pitch` of `part`; the pitch it sounds at is kept.
    uint32_t NoteOn(int part, int pitch);
    // The message that releases it: the pitch its note-on sent, or the template's when none was.
    uint32_t NoteOff(int part, int pitch);
    // Notes 21..108 of parts 1..partCount without the key, then every kept pitch outside that
    // range; nothing is kept afterwards.
    std::vector<uint32_t> AllNotesOff(int partCount);

private:
    static int Clamp(int part) { return part < 1 ? 1 : part > 8 ? 8 : part; }
    std::array<int32_t, 9> on_{};
    std::array<int32_t, 9> off_{};
    // Sent pitch + 1 per channel and stored note; 0 while not sounding.
    std::array<std::array<uint8_t, 128>, 8> sounding_{};
};

}  // namespace playback
