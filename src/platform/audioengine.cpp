#include "platform/audioengine.h"

#include <QFile>
#include <SDL.h>
#include <algorithm>
#include <chrono>
#include <cmath>

double AudioEngine::Source::Frame() const {
    if (!stream) return 0.0;
    return std::min(base + double(mixed) * Step(), End());
}

void AudioEngine::Source::Seek(double frame) {
    base = std::clamp(frame, 0.0, End());
    mixed = 0;
    ++seeks;
}

AudioEngine::AudioEngine(Output output) {
    realtime_ = output == Output::Device;
    std::promise<void> made;
    synthMade_ = made.get_future().share();
    if (!realtime_) {
        MakeSynth();
        made.set_value();
        return;
    }
    // Making the synthesizer and opening SDL's audio (its subsystem, the session bus, the device)
    // take tens of milliseconds that the window's start-up need not wait for.
    opener_ = std::thread([this, made = std::move(made)]() mutable {
        MakeSynth();
        made.set_value();
        OpenDevice();
        SDL_TLSCleanup();  // SDL's per-thread data (its error text) of a thread SDL did not start
    });
}

void AudioEngine::MakeSynth() {
    settings_ = new_fluid_settings();
    fluid_settings_setnum(settings_, "synth.sample-rate", double(kRate));
    fluid_settings_setnum(settings_, "synth.gain", 0.4);
    fluid_settings_setint(settings_, "synth.threadsafe-api", 1);
    synth_ = new_fluid_synth(settings_);
    // A new synthesizer's reverb starts on whatever its delay lines were allocated over, which can
    // be NaN that then circulates for good; a reset clears the effect buffers before the first block.
    fluid_synth_system_reset(synth_);
}

fluid_synth_t* AudioEngine::Synth() const {
    synthMade_.wait();
    return synth_;
}

void AudioEngine::AwaitDevice() const {
    std::lock_guard<std::mutex> g(openerMutex_);
    if (opener_.joinable()) opener_.join();
}

AudioEngine::~AudioEngine() {
    AwaitDevice();
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
    outputError_ = QStringLiteral("没有找到可用的音频设备：") +
                   (outputError_.isEmpty() ? QStringLiteral("no audio device") : outputError_);
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
        int id = fluid_synth_sfload(Synth(), QFile::encodeName(path).constData(), 1);
        if (id == FLUID_FAILED) continue;
        if (soundFontId_ >= 0) fluid_synth_sfunload(Synth(), soundFontId_, 1);
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
    fluid_synth_t* synth = Synth();
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
    fluid_synth_t* synth = Synth();
    int done = 0;
    for (const TimedMidi& m : dueMidi_) {
        const int at = int(std::clamp<int64_t>(m.frame - start, done, frames));
        if (at > done) {
            fluid_synth_write_float(synth, at - done, out + 2 * done, 0, 2, out + 2 * done, 1, 2);
            done = at;
        }
        ApplyMidi(m.message);
    }
    if (done < frames) fluid_synth_write_float(synth, frames - done, out + 2 * done, 0, 2, out + 2 * done, 1, 2);
    mixedTotal_ += frames;
    lastMixNs_ = std::chrono::duration_cast<std::chrono::nanoseconds>(
                     std::chrono::steady_clock::now().time_since_epoch()).count();

    std::lock_guard<std::mutex> g(mutex_);
    MixVoices(out, frames, start);
    MixSources(out, frames);
    for (int i = 0; i < 2 * frames; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
}

// A sound waiting for its sample starts in the block that holds it: on the engine's clock, or
// where its clock source's position (base + mixed × step, as the sources' loop computes it) first
// reaches its frame.
void AudioEngine::MixVoices(float* out, int frames, int64_t blockStart) {
    for (auto& v : voices_) {
        int begin = 0;
        if (!v.started) {
            if (v.onClock) {
                const std::shared_ptr<Source> clock = v.clock.lock();
                if (!clock || clock->seeks != v.clockSeeks) {
                    v.dropped = true;
                    continue;
                }
                if (clock->state != Source::State::Playing || !clock->stream) continue;
                const double at = std::ceil((v.clockFrame - clock->base) / clock->Step() - double(clock->mixed));
                if (at >= frames) continue;
                begin = at > 0 ? int(at) : 0;
            } else {
                const int64_t at = v.startFrame - blockStart;
                if (at >= frames) continue;
                begin = at > 0 ? int(at) : 0;
            }
            v.started = true;
        }
        const AudioClip& clip = *v.clip;
        const double step = double(clip.rate) / kRate;
        for (int f = begin; f < frames; ++f) {
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
                                     return v.dropped || (v.started && double(v.mixed) * v.clip->rate / kRate >=
                                                                           double(v.clip->frames));
                                 }),
                  voices_.end());
}

void AudioEngine::MixSources(float* out, int frames) {
    const auto now = std::chrono::steady_clock::now();
    for (const auto& src : sources_) {
        if (src->state != Source::State::Playing || !src->stream) continue;
        src->mixedAt = now;
        AudioStream& stream = *src->stream;
        const double step = src->Step();
        // Mixed by hand, the mix may wait for the disk: read what this block needs first.
        if (!realtime_) stream.FillUpTo(int64_t(src->base + double(src->mixed + frames) * step) + 2);
        const double end = src->End();
        bool ended = false;
        if (stream.IsSilence()) {
            const int64_t left = int64_t(std::ceil((end - src->base) / step)) - src->mixed;
            src->mixed += std::min<int64_t>(frames, std::max<int64_t>(0, left));
            ended = left <= frames;
        } else {
            AudioStream::Window window(stream);
            for (int f = 0; f < frames; ++f) {
                double pos = src->base + double(src->mixed) * step;
                if (pos >= end) {
                    ended = true;
                    break;
                }
                float l, r;
                window.SampleAt(pos, l, r);
                out[2 * f] += l * src->gain;
                out[2 * f + 1] += r * src->gain;
                ++src->mixed;
            }
        }
        if (!ended && src->base + double(src->mixed) * step >= end) ended = true;
        if (ended) {
            src->Seek(end);
            src->state = Source::State::Finished;
            if (src->onEnd) src->onEnd();
        }
    }
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

std::shared_ptr<AudioStream> AudioEngine::OpenStream(const QString& path, QString* error) {
    std::shared_ptr<AudioStream> stream = AudioStream::Open(path, error);
    if (stream) reader_.Add(stream);
    return stream;
}

void AudioEngine::StartSound(std::shared_ptr<const AudioClip> clip, float gain) {
    if (!clip || clip->frames <= 0) return;
    Voice v;
    v.clip = std::move(clip);
    v.gain = gain;
    std::lock_guard<std::mutex> g(mutex_);
    voices_.push_back(std::move(v));
}

void AudioEngine::ScheduleSound(std::shared_ptr<const AudioClip> clip, float gain, double delaySeconds) {
    if (!clip || clip->frames <= 0) return;
    Voice v;
    v.clip = std::move(clip);
    v.gain = gain;
    v.startFrame = NowFrame() + int64_t(std::llround(delaySeconds * kRate));
    std::lock_guard<std::mutex> g(mutex_);
    voices_.push_back(std::move(v));
}

void AudioEngine::ScheduleSoundOn(std::shared_ptr<const AudioClip> clip, float gain,
                                  const std::shared_ptr<Source>& clock, double seconds) {
    if (!clip || clip->frames <= 0 || !clock) return;
    Voice v;
    v.clip = std::move(clip);
    v.gain = gain;
    v.onClock = true;
    v.clock = clock;
    std::lock_guard<std::mutex> g(mutex_);
    v.clockFrame = seconds * (clock->stream ? clock->stream->Rate() : kRate);
    v.clockSeeks = clock->seeks;
    voices_.push_back(std::move(v));
}

void AudioEngine::CancelPendingSounds() {
    std::lock_guard<std::mutex> g(mutex_);
    voices_.erase(std::remove_if(voices_.begin(), voices_.end(), [](const Voice& v) { return !v.started; }),
                  voices_.end());
}

int AudioEngine::ActiveSounds() {
    std::lock_guard<std::mutex> g(mutex_);
    return int(voices_.size());
}
