// The program's one audio output: the General MIDI synthesizer, the media players and the short
// sounds are mixed into one stereo stream, so MIDI, recordings and clicks run on one clock.
//
// The stream is pulled by SDL on its own thread; everything the mixer reads is guarded by the
// engine's mutex. When no audio device can be opened, a silent clock thread pulls the mix in real
// time instead, so positions still advance. An engine built without output mixes only when `Mix`
// is called, which is how the mix is checked offline.
//
// Recordings are streamed from disk by the engine's reader thread (AudioStream); the mixer reads
// only what the reader has decoded, and never waits for the disk on a real-time engine.
//
// The engine must outlive every player and MIDI output attached to it.
#pragma once

#include <fluidsynth.h>

#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/audiofile.h"
#include "platform/audiostream.h"


class AudioEngine {
public:
    static constexpr int kRate = 44100;
    static constexpr int kBlockFrames = 512;

    enum class Output { Device, None };

    // A playing position inside one streamed file, as the media players use it. All fields are
    // guarded by the engine's mutex (`Lock`).
    struct Source {
        enum class State { NoMedia, Ready, Playing, Paused, Stopped, Finished, Failed };

        std::shared_ptr<AudioStream> stream;
        State state = State::NoMedia;
        double base = 0;      // file frame at the last seek
        int64_t mixed = 0;    // engine frames mixed since then
        float gain = 1.0f;    // volume / 100, 0 while muted
        uint32_t seeks = 0;   // counts the seeks: sounds placed on this clock before one are dropped
        // Called on the mixing thread, under the lock, when the file has played to its end.
        std::function<void()> onEnd;
        // When the mixer last advanced the position (or it was sought or started): the position is
        // interpolated from there on a real-time engine.
        std::chrono::steady_clock::time_point mixedAt{};

        double Step() const { return stream ? double(stream->Rate()) / kRate : 0.0; }
        double End() const { return stream ? double(stream->Frames()) : 0.0; }
        double Frame() const;                  // current file frame
        void Seek(double frame);               // clamps to the file; no I/O (see AudioStream::Prepare)
    };

    explicit AudioEngine(Output output = Output::Device);
    ~AudioEngine();
    AudioEngine(const AudioEngine&) = delete;
    AudioEngine& operator=(const AudioEngine&) = delete;

    // True when an SDL device plays the mix; otherwise `OutputError` tells why (empty for Output::None).
    // The device is opened beside the caller's thread (start-up goes on meanwhile): both wait for
    // the opening to end.
    bool HasDevice() const {
        AwaitDevice();
        return device_ != 0;
    }
    // True when the mix is pulled in real time (a device or the silent clock), so positions may be
    // interpolated between blocks; false for an engine mixed by hand.
    bool Realtime() const { return realtime_; }
    QString OutputError() const {
        AwaitDevice();
        return outputError_;
    }

    // The synthesizer (channels 0 to 15, General MIDI). Its API is safe to call from the GUI thread.
    // Made beside the caller's thread on a real-time engine: waits until it is there.
    fluid_synth_t* Synth() const;
    // Loads the first SoundFont of `candidates` that exists and loads; true when one did.
    bool LoadSoundFont(const QStringList& candidates);
    bool HasSoundFont() const { return !soundFont_.isEmpty(); }
    QString SoundFontPath() const { return soundFont_; }
    // The General MIDI SoundFonts the system packages install, best first.
    static QStringList DefaultSoundFonts();

    // Mixes `frames` stereo frames into `out` (interleaved, 2 × frames floats): the synthesizer,
    // then every playing source and short sound. Called by the output; call it directly only on
    // an engine built with Output::None.
    void Mix(float* out, int frames);

    // Applies one packed MIDI message (status | data1 << 8 | data2 << 16) to the synthesizer at once.
    void ApplyMidi(uint32_t message);
    // Queues `message` to be applied `delaySeconds` from now on the engine's clock, at its sample in
    // the mix (a delay of 0 or less: at the start of the next block).
    void ScheduleMidi(uint32_t message, double delaySeconds);
    // Drops the queued note-ons of `channel` and `key`: a note-off sent at once releases them too.
    void CancelQueuedNoteOns(int channel, int key);
    void ClearQueuedMidi();
    int QueuedMidi();

    std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(mutex_); }
    void AddSource(std::shared_ptr<Source> source);
    void RemoveSource(const Source* source);
    // Opens a recording to stream from disk, filled by the engine's reader thread.
    std::shared_ptr<AudioStream> OpenStream(const QString& path, QString* error = nullptr);
    // Wakes the reader after a seek emptied a stream's window.
    void WakeReader() { reader_.Wake(); }

    // Short sounds at `gain` (1 the file's own level), each dropped when it ends; the same clip may
    // play several times over itself.
    // At once: at the start of the next block.
    void StartSound(std::shared_ptr<const AudioClip> clip, float gain = 1.0f);
    // `delaySeconds` from now on the engine's clock, at its sample (a time already past: at once).
    void ScheduleSound(std::shared_ptr<const AudioClip> clip, float gain, double delaySeconds);
    // When `clock` plays the frame at `seconds` of its file, at that sample: exact on the clock's own
    // samples whatever the output's block. Dropped when the clock is sought before it gets there.
    void ScheduleSoundOn(std::shared_ptr<const AudioClip> clip, float gain, const std::shared_ptr<Source>& clock,
                         double seconds);
    // Drops the sounds that have not started yet.
    void CancelPendingSounds();
    // Sounds playing or waiting to start.
    int ActiveSounds();

private:
    struct Voice {
        std::shared_ptr<const AudioClip> clip;
        int64_t mixed = 0;
        float gain = 1.0f;
        bool started = false;
        bool dropped = false;
        int64_t startFrame = 0;         // on the engine's clock, without a clock source
        std::weak_ptr<Source> clock;    // or when this source reaches clockFrame
        bool onClock = false;
        double clockFrame = 0;
        uint32_t clockSeeks = 0;
    };

    static void SdlCallback(void* self, uint8_t* stream, int len);
    // Under mutex_, before the sources advance in this block.
    void MixVoices(float* out, int frames, int64_t blockStart);
    void MixSources(float* out, int frames);
    void MakeSynth();
    void OpenDevice();
    void AwaitDevice() const;
    void RunSilentClock();

    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    int soundFontId_ = -1;
    QString soundFont_;

    // Engine frames mixed so far and when the last block was mixed (steady clock, ns): the clock
    // the queued MIDI messages are placed on.
    int64_t NowFrame() const;
    struct TimedMidi {
        int64_t frame;
        uint32_t message;
    };
    std::mutex midiMutex_;
    std::vector<TimedMidi> queuedMidi_;  // by frame
    std::vector<TimedMidi> dueMidi_;     // the mixing thread's scratch
    std::atomic<int64_t> mixedTotal_{0};
    std::atomic<int64_t> lastMixNs_{0};

    std::mutex mutex_;
    std::vector<std::shared_ptr<Source>> sources_;
    std::vector<Voice> voices_;
    StreamReader reader_;

    uint32_t device_ = 0;
    bool realtime_ = false;
    bool sdlAudioInit_ = false;
    QString outputError_;
    // Makes the synthesizer, then opens the device; settings_ and synth_ are its until synthMade_
    // is ready, device_, sdlAudioInit_ and outputError_ until it is joined.
    std::shared_future<void> synthMade_;
    mutable std::thread opener_;
    mutable std::mutex openerMutex_;

    std::thread clock_;
    std::mutex clockMutex_;
    std::condition_variable clockWake_;
    bool clockStop_ = false;
};
