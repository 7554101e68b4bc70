#include "platform/midiout.h"

#include "platform/audioengine.h"

SynthMidiOut::SynthMidiOut(AudioEngine& engine, QStringList soundFonts)
    : engine_(engine), soundFonts_(soundFonts.isEmpty() ? AudioEngine::DefaultSoundFonts() : soundFonts) {}

SynthMidiOut::~SynthMidiOut() {
    if (open_) Close();
}

bool SynthMidiOut::Open(int device) {
    if (device != 0) return false;
    if (open_) return true;
    if (!engine_.HasSoundFont() && !engine_.LoadSoundFont(soundFonts_))
        soundFontError_ = QStringLiteral("没有找到可用的音色库：") + soundFonts_.join(QStringLiteral("; "));
    else
        soundFontError_.clear();
    open_ = true;
    return true;
}

void SynthMidiOut::ShortMsg(uint32_t message) {
    if (!open_) return;
    fluid_synth_t* synth = engine_.Synth();
    const int status = message & 0xFF;
    const int data1 = (message >> 8) & 0x7F;
    const int data2 = (message >> 16) & 0x7F;
    const int chan = status & 0x0F;
    switch (status & 0xF0) {
    case 0x80: fluid_synth_noteoff(synth, chan, data1); break;
    case 0x90: fluid_synth_noteon(synth, chan, data1, data2); break;  // velocity 0 is a note-off
    case 0xA0: fluid_synth_key_pressure(synth, chan, data1, data2); break;
    case 0xB0: fluid_synth_cc(synth, chan, data1, data2); break;
    case 0xC0: fluid_synth_program_change(synth, chan, data1); break;
    case 0xD0: fluid_synth_channel_pressure(synth, chan, data1); break;
    case 0xE0: fluid_synth_pitch_bend(synth, chan, data1 | (data2 << 7)); break;
    case 0xF0:
        if (status == 0xFF) fluid_synth_system_reset(synth);
        // Other system messages (clock, start, stop, ...) mean nothing to the synthesizer.
        break;
    default: break;  // no status byte: not a message
    }
}

void SynthMidiOut::Close() {
    if (!open_) return;
    fluid_synth_all_sounds_off(engine_.Synth(), -1);
    open_ = false;
}
