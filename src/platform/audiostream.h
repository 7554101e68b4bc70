// Recordings played from disk. Opening a file reads its header and first frames only; a reader
// thread then keeps a few seconds of decoded frames ahead of the play position in a window of
// fixed size, so memory stays small whatever the recording's length, and the mixer takes its
// frames from the window without ever touching the file.
#pragma once

#include <QString>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <sndfile.h>
#include <thread>
#include <vector>

class AudioStream {
public:
    // Decoded frames kept per stream, and the frames read at once by a seek on the caller's thread.
    static constexpr int kWindowSeconds = 4;
    static constexpr int kChunkFrames = 8192;
    static constexpr int kSeekFrames = 4096;

    // Opens and checks the file at `path` (see OpenSoundFile) and reads its first frames. Null when
    // it cannot be played; `error` then says why.
    static std::shared_ptr<AudioStream> Open(const QString& path, QString* error = nullptr);
    // Silence of `seconds` at `rate`, with no file behind it.
    static std::shared_ptr<AudioStream> Silence(double seconds, int rate);
    ~AudioStream();
    AudioStream(const AudioStream&) = delete;
    AudioStream& operator=(const AudioStream&) = delete;

    int Rate() const { return rate_; }
    int Channels() const { return channels_; }
    bool IsSilence() const { return sf_ == nullptr; }
    // The file's length in frames: the header's count, corrected once the reader has met the end
    // (the count of a compressed file is an estimate).
    int64_t Frames() const { return frames_.load(); }
    double Seconds() const { return double(Frames()) / rate_; }

    // Makes the frames from `frame` on ready to mix. Without I/O when they are in the window;
    // otherwise seeks and reads the first of them at once, on the caller's thread.
    void Prepare(int64_t frame);
    // Reads one chunk ahead of the play position when the window has room for it; with the window
    // full, takes one step through a compressed file's frames so that later seeks find their place
    // at once (see IndexStep). False when there was nothing to do.
    bool Fill();
    // Reads on the caller's thread until the frames before `frame` are in the window (or the end is
    // met). For an engine mixed by hand, which may wait for the disk.
    void FillUpTo(int64_t frame);

    // The mixer's access to the window: holds its lock while a block is mixed.
    class Window {
    public:
        explicit Window(AudioStream& stream) : s_(stream), lock_(stream.windowMutex_), frames_(stream.Frames()) {}
        ~Window();
        // The stereo pair at fractional frame `pos`, linearly interpolated; silence outside the
        // file. A frame the reader has not delivered yet is silent and counted as an underrun.
        void SampleAt(double pos, float& left, float& right);

    private:
        AudioStream& s_;
        std::lock_guard<std::mutex> lock_;
        const int64_t frames_;
        int64_t last_ = -1;
    };

    // Frames mixed as silence because the reader had not delivered them yet.
    int64_t UnderrunFrames() const { return underruns_.load(); }
    // Frames held in the window now (at most the window's size).
    int64_t WindowFrames();
    int64_t Capacity() const { return capacity_; }

private:
    AudioStream() = default;
    // Reads up to `count` frames from `frame` into scratch_, seeking first when the file is not
    // there; returns the frames read. Under fileMutex_.
    int64_t ReadAt(int64_t frame, int count);
    // Copies `count` frames of scratch_ into the window after winEnd_. Under windowMutex_.
    void Append(int64_t count);
    // An mp3 file has no table of where its frames lie: the decoder finds a far frame by reading
    // every frame header before it, and remembers what it read. Seeking through the file a minute
    // at a time, while the reader has nothing else to do, makes a seek on the window's thread
    // cheap. False when the file needs no more of it.
    bool IndexStep();
    int16_t Sample(int64_t frame, int channel) const {
        return ring_[size_t((frame % capacity_) * channels_ + channel)];
    }

    int rate_ = 0;
    int channels_ = 1;      // kept: the file's first one or two
    int fileChannels_ = 1;  // in the file
    std::atomic<int64_t> frames_{0};
    std::atomic<int64_t> underruns_{0};

    // The file and where its next read starts; used by the reader and by seeks, never the mixer.
    std::mutex fileMutex_;
    SNDFILE* sf_ = nullptr;
    int64_t filePos_ = 0;
    int64_t indexedTo_ = -1;  // how far IndexStep has been; -1: done or not needed
    std::vector<int16_t> scratch_;

    // The window: frames [winStart_, winEnd_) of the file, frame f at slot f mod capacity_.
    std::mutex windowMutex_;
    int64_t capacity_ = 0;
    std::vector<int16_t> ring_;
    int64_t winStart_ = 0;
    int64_t winEnd_ = 0;
    int64_t playFrame_ = 0;  // the mixer's position: the reader keeps what is ahead of it
    uint64_t generation_ = 0;  // changed by every seek that empties the window
    bool endMet_ = false;
};

// The thread that keeps the streams' windows filled. Streams are held weakly: a stream no player
// uses any more is closed and forgotten.
class StreamReader {
public:
    StreamReader();
    ~StreamReader();
    void Add(const std::shared_ptr<AudioStream>& stream);
    // Wakes the thread (after a seek) instead of letting it wait for its next look.
    void Wake();

private:
    void Run();
    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<std::weak_ptr<AudioStream>> streams_;
    bool stop_ = false;
    bool woken_ = false;
    std::thread thread_;
};
