#include "platform/midiout.h"

#include "platform/audioengine.h"

SynthMidiOut::SynthMidiOut(AudioEngine& engine, QStringList soundFonts)
    : engine_(engine), soundFonts_(soundFonts.isEmpty() ? AudioEngine::DefaultSoundFonts() : soundFonts) {}

SynthMidiOut::~SynthMidiOut() {
    waitForLoad();
    if (open_) Close();
}

bool SynthMidiOut::Open(int device) {
    if (device != 0) return false;
    if (open_) return true;
    open_ = true;
    if (engine_.HasSoundFont()) {
        soundFontError_.clear();
    } else if (background_) {
        loading_ = true;
        loader_ = std::thread([this] {
            loadSoundFont();
            std::lock_guard<std::mutex> lock(pendingMutex_);
            for (uint32_t message : pending_) apply(message);
            pending_.clear();
            loading_ = false;
        });
    } else {
        loadSoundFont();
    }
    return true;
}

void SynthMidiOut::loadSoundFont() {
    if (!engine_.LoadSoundFont(soundFonts_))
        soundFontError_ = QStringLiteral("没有找到可用的音色库：") + soundFonts_.join(QStringLiteral("; "));
    else
        soundFontError_.clear();
}

void SynthMidiOut::waitForLoad() const {
    if (loader_.joinable()) loader_.join();
}

void SynthMidiOut::ShortMsg(uint32_t message) {
    if (!open_) return;
    {
        std::lock_guard<std::mutex> lock(pendingMutex_);
        if (loading_) {
            pending_.push_back(message);
            return;
        }
    }
    apply(message);
}

void SynthMidiOut::apply(uint32_t message) {
    // A release sent at once also releases what is still queued to start on that key.
    const int status = message & 0xF0;
    if (status == 0x80 || (status == 0x90 && (message >> 16 & 0x7F) == 0))
        engine_.CancelQueuedNoteOns(int(message & 0x0F), int(message >> 8 & 0x7F));
    engine_.ApplyMidi(message);
}

void SynthMidiOut::ShortMsgDue(uint32_t message, double lateSeconds) {
    if (!open_) return;
    waitForLoad();
    engine_.ScheduleMidi(message, kOutputDelay - lateSeconds);
}

void SynthMidiOut::Close() {
    if (!open_) return;
    waitForLoad();
    engine_.ClearQueuedMidi();
    fluid_synth_all_sounds_off(engine_.Synth(), -1);
    open_ = false;
}
