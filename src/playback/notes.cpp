#include "playback/notes.h"

#include <algorithm>

namespace playback {

void NoteMessages::PrepareNoteOn(int part, int key, int volume, bool midiOn) {
    if (part < 1 || part > 8) return;
    const int velocity = midiOn ? std::clamp(volume, 0, 127) : 0;
    on_[size_t(part)] = 0x90 + (part - 1) + key * 256 + velocity * 65536;
}

void NoteMessages::PrepareNoteOff(int key) {
    for (int p = 1; p <= 8; ++p) off_[size_t(p)] = 0x80 + (p - 1) + key * 256;
}

uint32_t NoteMessages::NoteOn(int part, int pitch) {
    part = Clamp(part);
    const uint32_t message = uint32_t(on_[size_t(part)] + pitch * 256);
    if (pitch >= 0 && pitch < 128) sounding_[size_t(part - 1)][size_t(pitch)] = uint8_t(((message >> 8) & 0x7F) + 1);
    return message;
}

uint32_t NoteMessages::NoteOff(int part, int pitch) {
    part = Clamp(part);
    if (pitch >= 0 && pitch < 128) {
        uint8_t& sent = sounding_[size_t(part - 1)][size_t(pitch)];
        if (sent) {
            const uint32_t message = uint32_t(0x80 + (part - 1)) | uint32_t(sent - 1) << 8;
            sent = 0;
            return message;
        }
    }
    return uint32_t(off_[size_t(part)] + pitch * 256);
}

std::vector<uint32_t> NoteMessages::AllNotesOff(int partCount) {
    partCount = std::clamp(partCount, 0, 8);
    std::vector<uint32_t> out;
    out.reserve(size_t(partCount) * 88);
    for (int p = 1; p <= partCount; ++p)
        for (int n = 21; n <= 108; ++n) out.push_back(uint32_t(0x80 + (p - 1) + n * 256));
    for (int c = 0; c < 8; ++c) {
        // Pitches inside 21..108 were released by the sweep on the parts in use; a pitch a key
        // pushed outside it, or a channel beyond them, still needs its own release.
        std::array<bool, 128> done{};
        for (int n = 0; n < 128; ++n) {
            const int sent = sounding_[size_t(c)][size_t(n)] - 1;
            sounding_[size_t(c)][size_t(n)] = 0;
            if (sent < 0 || done[size_t(sent)]) continue;
            done[size_t(sent)] = true;
            if (c < partCount && sent >= 21 && sent <= 108) continue;
            out.push_back(uint32_t(0x80 + c) | uint32_t(sent) << 8);
        }
    }
    return out;
}

}  // namespace playback
