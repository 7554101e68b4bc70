#include "platform/audiostream.h"

#include <algorithm>
#include <chrono>

#include "platform/audiofile.h"

namespace {
// Frames behind the play position that the reader leaves in the window (interpolation, jitter).
constexpr int64_t kHistoryFrames = 4096;
}  // namespace

std::shared_ptr<AudioStream> AudioStream::Open(const QString& path, QString* error) {
    SF_INFO info{};
    SNDFILE* sf = OpenSoundFile(path, info, error);
    if (!sf) return nullptr;
    std::shared_ptr<AudioStream> s(new AudioStream());
    s->sf_ = sf;
    s->rate_ = info.samplerate;
    s->fileChannels_ = info.channels;
    s->channels_ = info.channels >= 2 ? 2 : 1;
    s->frames_ = info.frames;
    if ((info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG && info.seekable) s->indexedTo_ = 0;
    s->capacity_ = std::max<int64_t>(int64_t(kWindowSeconds) * info.samplerate, 4 * kChunkFrames);
    s->ring_.assign(size_t(s->capacity_ * s->channels_), 0);
    s->Prepare(0);
    std::lock_guard<std::mutex> g(s->windowMutex_);
    if (s->winEnd_ == 0) {
        // Nothing decodes: a header over no sound.
        if (error) *error = QStringLiteral("无法解码音频文件：") + path;
        return nullptr;
    }
    return s;
}

std::shared_ptr<AudioStream> AudioStream::Silence(double seconds, int rate) {
    std::shared_ptr<AudioStream> s(new AudioStream());
    s->rate_ = rate;
    s->frames_ = std::max<int64_t>(0, int64_t(std::llround(seconds * rate)));
    return s;
}

AudioStream::~AudioStream() {
    std::lock_guard<std::mutex> g(fileMutex_);
    if (sf_) sf_close(sf_);
}

int64_t AudioStream::ReadAt(int64_t frame, int count) {
    if (filePos_ != frame) {
        if (sf_seek(sf_, frame, SEEK_SET) < 0) return 0;  // beyond what the file holds
        filePos_ = frame;
    }
    scratch_.resize(size_t(count) * fileChannels_);
    const sf_count_t got = sf_readf_short(sf_, scratch_.data(), count);
    if (got <= 0) return 0;
    filePos_ += got;
    return got;
}

void AudioStream::Append(int64_t count) {
    for (int64_t k = 0; k < count; ++k) {
        const int16_t* in = &scratch_[size_t(k) * fileChannels_];
        int16_t* out = &ring_[size_t(((winEnd_ + k) % capacity_) * channels_)];
        out[0] = in[0];
        if (channels_ == 2) out[1] = in[1];
    }
    winEnd_ += count;
    winStart_ = std::max(winStart_, winEnd_ - capacity_);
    if (winEnd_ > frames_.load()) frames_ = winEnd_;  // the header's estimate was short
}

void AudioStream::Prepare(int64_t frame) {
    if (IsSilence()) return;
    frame = std::max<int64_t>(0, frame);
    {
        std::lock_guard<std::mutex> w(windowMutex_);
        if ((frame >= winStart_ && frame < winEnd_) || (endMet_ && frame >= winEnd_ && winStart_ < winEnd_)) {
            playFrame_ = frame;
            return;
        }
    }
    std::lock_guard<std::mutex> f(fileMutex_);
    const int64_t got = ReadAt(frame, kSeekFrames);
    std::lock_guard<std::mutex> w(windowMutex_);
    ++generation_;
    winStart_ = winEnd_ = playFrame_ = frame;
    endMet_ = false;
    Append(got);
    if (got < kSeekFrames) {
        endMet_ = true;
        // The real end; a seek past it finds nothing to read and leaves the length alone.
        if (got > 0 || frame < frames_.load()) frames_ = frame + got;
    }
}

bool AudioStream::Fill() {
    if (IsSilence()) return false;
    int64_t target;
    uint64_t generation;
    {
        std::unique_lock<std::mutex> lock(windowMutex_);
        const int64_t keepFrom = std::clamp(playFrame_ - kHistoryFrames, winStart_, winEnd_);
        if (endMet_ || capacity_ - (winEnd_ - keepFrom) < kChunkFrames) {
            lock.unlock();
            return IndexStep();
        }
        target = winEnd_;
        generation = generation_;
    }
    std::lock_guard<std::mutex> f(fileMutex_);
    const int64_t got = ReadAt(target, kChunkFrames);
    std::lock_guard<std::mutex> w(windowMutex_);
    if (generation != generation_ || winEnd_ != target) return true;  // a seek came in between
    Append(got);
    if (got < kChunkFrames) {
        endMet_ = true;
        frames_ = winEnd_;
    }
    return true;
}

bool AudioStream::IndexStep() {
    std::lock_guard<std::mutex> f(fileMutex_);
    if (indexedTo_ < 0) return false;
    const int64_t last = frames_.load() - 1;
    const int64_t to = std::min(indexedTo_ + int64_t(60) * rate_, last);
    const bool done = sf_seek(sf_, to, SEEK_SET) < 0 || to >= last;
    indexedTo_ = done ? -1 : to;
    filePos_ = -1;  // the next read seeks to where it reads
    return true;
}

void AudioStream::FillUpTo(int64_t frame) {
    for (;;) {
        {
            std::lock_guard<std::mutex> w(windowMutex_);
            if (endMet_ || winEnd_ >= frame) return;
        }
        if (!Fill()) return;
    }
}

int64_t AudioStream::WindowFrames() {
    std::lock_guard<std::mutex> w(windowMutex_);
    return winEnd_ - winStart_;
}

AudioStream::Window::~Window() {
    if (last_ >= 0) s_.playFrame_ = last_;
}

void AudioStream::Window::SampleAt(double pos, float& left, float& right) {
    left = right = 0.0f;
    if (pos < 0 || s_.IsSilence()) return;
    const int64_t i = int64_t(pos);
    last_ = i;
    if (i >= frames_) return;
    if (i < s_.winStart_ || i >= s_.winEnd_) {
        ++s_.underruns_;
        return;
    }
    const int64_t j = i + 1 < s_.winEnd_ ? i + 1 : i;
    const float f = float(pos - double(i));
    constexpr float scale = 1.0f / 32768.0f;
    if (s_.channels_ == 1) {
        left = right = (s_.Sample(i, 0) * (1.0f - f) + s_.Sample(j, 0) * f) * scale;
    } else {
        left = (s_.Sample(i, 0) * (1.0f - f) + s_.Sample(j, 0) * f) * scale;
        right = (s_.Sample(i, 1) * (1.0f - f) + s_.Sample(j, 1) * f) * scale;
    }
}

// ---- the reader thread ----

StreamReader::StreamReader() : thread_([this] { Run(); }) {}

StreamReader::~StreamReader() {
    {
        std::lock_guard<std::mutex> g(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void StreamReader::Add(const std::shared_ptr<AudioStream>& stream) {
    {
        std::lock_guard<std::mutex> g(mutex_);
        streams_.push_back(stream);
    }
    Wake();
}

void StreamReader::Wake() {
    {
        std::lock_guard<std::mutex> g(mutex_);
        woken_ = true;
    }
    wake_.notify_all();
}

// Each turn gives every stream at most one chunk, so one slow file (a deep seek into an mp3) does
// not hold up the others for long. With nothing to read it looks again after 50 ms (a seek wakes
// it at once): a full window has seconds of sound ahead, and room for the next chunk only comes
// once a chunk's worth (8192 frames, 186 ms at 44.1 kHz) has played.
void StreamReader::Run() {
    std::vector<std::shared_ptr<AudioStream>> live;
    std::unique_lock<std::mutex> lk(mutex_);
    while (!stop_) {
        for (auto it = streams_.begin(); it != streams_.end();) {
            if (auto s = it->lock()) {
                live.push_back(std::move(s));
                ++it;
            } else {
                it = streams_.erase(it);
            }
        }
        lk.unlock();
        bool worked = false;
        for (auto& s : live) worked |= s->Fill();
        live.clear();  // a stream its player let go is closed here, not under the lock
        lk.lock();
        if (!worked && !stop_) {
            wake_.wait_for(lk, std::chrono::milliseconds(50), [this] { return stop_ || woken_; });
            woken_ = false;
        }
    }
}
