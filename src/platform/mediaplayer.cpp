#include "platform/mediaplayer.h"

#include <QMetaObject>
#include <algorithm>

EngineMediaPlayer::EngineMediaPlayer(AudioEngine& engine)
    : engine_(engine), source_(std::make_shared<AudioEngine::Source>()) {
    // Runs on the mixing thread under the engine lock; the destructor detaches the source under
    // that lock first, so `this` is alive whenever this is called.
    source_->onEnd = [this] { Notify(State::Finished); };
    engine_.AddSource(source_);
}

EngineMediaPlayer::~EngineMediaPlayer() {
    engine_.RemoveSource(source_.get());
}

QString EngineMediaPlayer::StatusText(State state) {
    switch (state) {
    case State::NoMedia: return mediastatus::NoMedia;
    case State::Ready: return mediastatus::Ready;
    case State::Playing: return mediastatus::Playing;
    case State::Paused: return mediastatus::Paused;
    case State::Stopped: return mediastatus::Stopped;
    case State::Finished: return mediastatus::Finished;
    case State::Failed: return mediastatus::Failed;
    }
    return QString();
}

void EngineMediaPlayer::Notify(State state) {
    const QString text = StatusText(state);
    QMetaObject::invokeMethod(
        this, [this, text] { if (callback_) callback_(text); }, Qt::QueuedConnection);
}

void EngineMediaPlayer::ChangeState(State state) {
    {
        auto lock = engine_.Lock();
        if (source_->state == state) return;
        source_->state = state;
    }
    Notify(state);
}

void EngineMediaPlayer::Load(std::shared_ptr<AudioStream> stream, State state) {
    {
        auto lock = engine_.Lock();
        source_->stream.swap(stream);
        source_->state = state;
        source_->Seek(0);
        lastRead_ = -1;
    }
    stream.reset();  // the old file, closed here
    Notify(state);
}

bool EngineMediaPlayer::SetUrl(const QString& path, QString* error) {
    url_ = path;
    std::shared_ptr<AudioStream> stream;
    QString why;
    State state = State::NoMedia;
    if (!path.isEmpty()) {
        stream = engine_.OpenStream(path, &why);
        state = stream ? State::Ready : State::Failed;
    }
    Load(std::move(stream), state);
    if (state == State::Failed) {
        if (error) *error = why;
        return false;
    }
    if (error) error->clear();
    return true;
}

void EngineMediaPlayer::SetSilence(double seconds) {
    url_.clear();
    Load(AudioStream::Silence(std::max(0.0, seconds), AudioEngine::kRate), State::Ready);
}

void EngineMediaPlayer::SeekTo(double frame) {
    std::shared_ptr<AudioStream> stream;
    {
        auto lock = engine_.Lock();
        stream = source_->stream;
    }
    if (!stream) return;
    frame = std::clamp(frame, 0.0, double(stream->Frames()));
    stream->Prepare(int64_t(frame));
    engine_.WakeReader();
    auto lock = engine_.Lock();
    if (source_->stream != stream) return;  // another file came meanwhile
    source_->Seek(frame);
    source_->mixedAt = std::chrono::steady_clock::now();
    lastRead_ = -1;
}

void EngineMediaPlayer::Play() {
    State next;
    {
        auto lock = engine_.Lock();
        if (!source_->stream || source_->state == State::Playing) return;
        // A player already at the end finishes again at once rather than jumping back.
        next = source_->Frame() >= source_->End() ? State::Finished : State::Playing;
        source_->state = next;
        source_->mixedAt = std::chrono::steady_clock::now();
    }
    Notify(next);
}

void EngineMediaPlayer::Pause() {
    {
        auto lock = engine_.Lock();
        if (source_->state != State::Playing) return;
    }
    ChangeState(State::Paused);
}

void EngineMediaPlayer::Stop() {
    {
        auto lock = engine_.Lock();
        if (!source_->stream) return;
    }
    SeekTo(0);
    ChangeState(State::Stopped);
}

double EngineMediaPlayer::CurrentPosition() const {
    auto lock = engine_.Lock();
    const AudioEngine::Source& src = *source_;
    if (!src.stream) return 0.0;
    double frame = src.Frame();
    if (engine_.Realtime() && src.state == State::Playing) {
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - src.mixedAt).count();
        const double ahead = std::clamp(elapsed * AudioEngine::kRate, 0.0, double(AudioEngine::kBlockFrames));
        frame = std::min(frame + ahead * src.Step(), src.End());
    }
    const double seconds = std::max(frame / src.stream->Rate(), lastRead_);
    lastRead_ = seconds;
    return seconds;
}

void EngineMediaPlayer::SetCurrentPosition(double seconds) {
    int rate;
    {
        auto lock = engine_.Lock();
        if (!source_->stream) return;
        rate = source_->stream->Rate();
    }
    SeekTo(seconds * rate);
}

double EngineMediaPlayer::Duration() const {
    auto lock = engine_.Lock();
    return source_->stream ? source_->stream->Seconds() : 0.0;
}

void EngineMediaPlayer::ApplyGain() {
    auto lock = engine_.Lock();
    source_->gain = mute_ ? 0.0f : float(volume_) / 100.0f;
}

void EngineMediaPlayer::SetVolume(int volume) {
    volume_ = std::clamp(volume, 0, 100);
    ApplyGain();
}

void EngineMediaPlayer::SetMute(bool mute) {
    mute_ = mute;
    ApplyGain();
}

QString EngineMediaPlayer::Status() const {
    auto lock = engine_.Lock();
    return StatusText(source_->state);
}
