#include "platform/audioengine.h"

#include <QFile>
#include <SDL.h>
#include <algorithm>
#include <chrono>
#include <cmath>

double AudioEngine::Source::Frame() const {
    if (!clip) return 0.0;
    return std::min(base + double(mixed) * Step(), double(clip->frames));
}

void AudioEngine::Source::Seek(double frame) {
    double end = clip ? double(clip->frames) : 0.0;
    base = std::clamp(frame, 0.0, end);
    mixed = 0;
}

AudioEngine::AudioEngine(Output output) {
    settings_ = new_fluid_settings();
    fluid_settings_setnum(settings_, "synth.sample-rate", double(kRate));
    fluid_settings_setnum(settings_, "synth.gain", 0.4);
    fluid_settings_setint(settings_, "synth.threadsafe-api", 1);
    synth_ = new_fluid_synth(settings_);
    // A new synthesizer's reverb starts on whatever its delay lines were allocated over, which can
    // be NaN that then circulates for good; a reset clears the effect buffers before the first block.
    fluid_synth_system_reset(synth_);
    realtime_ = output == Output::Device;
    if (realtime_) OpenDevice();
}

AudioEngine::~AudioEngine() {
    if (device_) SDL_CloseAudioDevice(device_);  // waits for a running callback
    if (sdlAudioInit_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    if (clock_.joinable()) {
        {
            std::lock_guard<std::mutex> g(clockMutex_);
            clockStop_ = true;
        }
        clockWake_.notify_all();
        clock_.join();
    }
    if (synth_) delete_fluid_synth(synth_);
    if (settings_) delete_fluid_settings(settings_);
}

void AudioEngine::OpenDevice() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) < 0) {
        outputError_ = QString::fromUtf8(SDL_GetError());
    } else {
        sdlAudioInit_ = true;
        SDL_AudioSpec want{};
        want.freq = kRate;
        want.format = AUDIO_F32SYS;
        want.channels = 2;
        want.samples = kBlockFrames;
        want.callback = &AudioEngine::SdlCallback;
        want.userdata = this;
        SDL_AudioSpec have{};
        // No changes allowed: SDL converts our 44100 Hz stereo float to whatever the device wants.
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (device_ == 0) {
            outputError_ = QString::fromUtf8(SDL_GetError());
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            sdlAudioInit_ = false;
        } else {
            SDL_PauseAudioDevice(device_, 0);
            return;
        }
    }
    if (outputError_.isEmpty()) outputError_ = QStringLiteral("no audio device");
    clock_ = std::thread([this] { RunSilentClock(); });
}

void AudioEngine::SdlCallback(void* self, uint8_t* stream, int len) {
    static_cast<AudioEngine*>(self)->Mix(reinterpret_cast<float*>(stream), len / int(2 * sizeof(float)));
}

// Without a device the mix is still pulled at the real-time rate and thrown away, so the players'
// positions advance and their ends are reported as with a sound card.
void AudioEngine::RunSilentClock() {
    using clock = std::chrono::steady_clock;
    std::vector<float> scratch(2 * kBlockFrames);
    const auto start = clock::now();
    int64_t done = 0;
    std::unique_lock<std::mutex> lk(clockMutex_);
    while (!clockStop_) {
        clockWake_.wait_for(lk, std::chrono::milliseconds(5));
        if (clockStop_) break;
        double elapsed = std::chrono::duration<double>(clock::now() - start).count();
        int64_t due = int64_t(elapsed * kRate);
        lk.unlock();
        while (due - done >= kBlockFrames) {
            Mix(scratch.data(), kBlockFrames);
            done += kBlockFrames;
        }
        lk.lock();
    }
}

QStringList AudioEngine::DefaultSoundFonts() {
    return {QStringLiteral("/usr/share/sounds/sf2/FluidR3_GM.sf2"),
            QStringLiteral("/usr/share/soundfonts/FluidR3_GM.sf2"),
            QStringLiteral("/usr/share/sounds/sf2/default-GM.sf2"),
            QStringLiteral("/usr/share/soundfonts/default.sf2"),
            QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2")};
}

bool AudioEngine::LoadSoundFont(const QStringList& candidates) {
    for (const QString& path : candidates) {
        if (!QFile::exists(path)) continue;
        int id = fluid_synth_sfload(synth_, QFile::encodeName(path).constData(), 1);
        if (id == FLUID_FAILED) continue;
        if (soundFontId_ >= 0) fluid_synth_sfunload(synth_, soundFontId_, 1);
        soundFontId_ = id;
        soundFont_ = path;
        return true;
    }
    return false;
}

int64_t AudioEngine::NowFrame() const {
    int64_t frame = mixedTotal_.load();
    if (!realtime_) return frame;
    const int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                            std::chrono::steady_clock::now().time_since_epoch()).count();
    const int64_t ahead = (now - lastMixNs_.load()) * kRate / 1000000000;
    return frame + std::clamp<int64_t>(ahead, 0, kBlockFrames);
}

void AudioEngine::ScheduleMidi(uint32_t message, double delaySeconds) {
    const int64_t frame = NowFrame() + int64_t(std::max(0.0, delaySeconds) * kRate);
    std::lock_guard<std::mutex> g(midiMutex_);
    auto at = std::upper_bound(queuedMidi_.begin(), queuedMidi_.end(), frame,
                               [](int64_t f, const TimedMidi& m) { return f < m.frame; });
    queuedMidi_.insert(at, TimedMidi{frame, message});
}

void AudioEngine::CancelQueuedNoteOns(int channel, int key) {
    std::lock_guard<std::mutex> g(midiMutex_);
    queuedMidi_.erase(std::remove_if(queuedMidi_.begin(), queuedMidi_.end(),
                                     [&](const TimedMidi& m) {
                                         return (m.message & 0xFF) == uint32_t(0x90 | channel) &&
                                                int(m.message >> 8 & 0x7F) == key;
                                     }),
                      queuedMidi_.end());
}

void AudioEngine::ClearQueuedMidi() {
    std::lock_guard<std::mutex> g(midiMutex_);
    queuedMidi_.clear();
}

int AudioEngine::QueuedMidi() {
    std::lock_guard<std::mutex> g(midiMutex_);
    return int(queuedMidi_.size());
}

void AudioEngine::ApplyMidi(uint32_t message) {
    fluid_synth_t* synth = synth_;
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

void AudioEngine::Mix(float* out, int frames) {
    if (frames <= 0) return;
    // The queued MIDI messages due in this block go in at their frames. The synthesizer has its
    // own lock; render it before taking ours so the GUI is never held up by a synthesis block.
    const int64_t start = mixedTotal_.load();
    dueMidi_.clear();
    {
        std::lock_guard<std::mutex> g(midiMutex_);
        auto end = std::lower_bound(queuedMidi_.begin(), queuedMidi_.end(), start + frames,
                                    [](const TimedMidi& m, int64_t f) { return m.frame < f; });
        dueMidi_.assign(queuedMidi_.begin(), end);
        queuedMidi_.erase(queuedMidi_.begin(), end);
    }
    int done = 0;
    for (const TimedMidi& m : dueMidi_) {
        const int at = int(std::clamp<int64_t>(m.frame - start, done, frames));
        if (at > done) {
            fluid_synth_write_float(synth_, at - done, out + 2 * done, 0, 2, out + 2 * done, 1, 2);
            done = at;
        }
        ApplyMidi(m.message);
    }
    if (done < frames) fluid_synth_write_float(synth_, frames - done, out + 2 * done, 0, 2, out + 2 * done, 1, 2);
    mixedTotal_ += frames;
    lastMixNs_ = std::chrono::duration_cast<std::chrono::nanoseconds>(
                     std::chrono::steady_clock::now().time_since_epoch()).count();

    std::lock_guard<std::mutex> g(mutex_);
    const auto now = std::chrono::steady_clock::now();
    for (const auto& src : sources_) {
        if (src->state != Source::State::Playing || !src->clip) continue;
        src->mixedAt = now;
        const AudioClip& clip = *src->clip;
        const double step = src->Step();
        const double end = double(clip.frames);
        bool ended = false;
        for (int f = 0; f < frames; ++f) {
            double pos = src->base + double(src->mixed) * step;
            if (pos >= end) {
                ended = true;
                break;
            }
            float l, r;
            clip.SampleAt(pos, l, r);
            out[2 * f] += l * src->gain;
            out[2 * f + 1] += r * src->gain;
            ++src->mixed;
        }
        if (!ended && src->base + double(src->mixed) * step >= end) ended = true;
        if (ended) {
            src->Seek(end);
            src->state = Source::State::Finished;
            if (src->onEnd) src->onEnd();
        }
    }
    for (auto& v : voices_) {
        const AudioClip& clip = *v.clip;
        const double step = double(clip.rate) / kRate;
        for (int f = 0; f < frames; ++f) {
            double pos = double(v.mixed) * step;
            if (pos >= double(clip.frames)) break;
            float l, r;
            clip.SampleAt(pos, l, r);
            out[2 * f] += l * v.gain;
            out[2 * f + 1] += r * v.gain;
            ++v.mixed;
        }
    }
    voices_.erase(std::remove_if(voices_.begin(), voices_.end(),
                                 [](const Voice& v) {
                                     return double(v.mixed) * v.clip->rate / kRate >= double(v.clip->frames);
                                 }),
                  voices_.end());
    for (int i = 0; i < 2 * frames; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
}

void AudioEngine::AddSource(std::shared_ptr<Source> source) {
    std::lock_guard<std::mutex> g(mutex_);
    sources_.push_back(std::move(source));
}

void AudioEngine::RemoveSource(const Source* source) {
    std::lock_guard<std::mutex> g(mutex_);
    sources_.erase(std::remove_if(sources_.begin(), sources_.end(),
                                  [source](const std::shared_ptr<Source>& s) { return s.get() == source; }),
                   sources_.end());
}

void AudioEngine::StartSound(std::shared_ptr<const AudioClip> clip, float gain) {
    if (!clip || clip->frames <= 0) return;
    std::lock_guard<std::mutex> g(mutex_);
    voices_.push_back(Voice{std::move(clip), 0, gain});
}

int AudioEngine::ActiveSounds() {
    std::lock_guard<std::mutex> g(mutex_);
    return int(voices_.size());
}
