#include "platform/waveplayer.h"

#include "platform/audioengine.h"
#include "platform/mediaplayer.h"

std::shared_ptr<const AudioClip> EngineWavePlayer::Clip(const QString& path) {
    auto it = cache_.find(path);
    if (it == cache_.end()) {
        // A file that fails is not kept, so it is tried again once it is there.
        auto clip = DecodeAudioFile(path, &lastError_);
        if (!clip) return nullptr;
        it = cache_.emplace(path, std::move(clip)).first;
    }
    lastError_.clear();
    return it->second;
}

bool EngineWavePlayer::Play(const QString& path) {
    auto clip = Clip(path);
    if (!clip) return false;
    engine_.StartSound(std::move(clip), volume_);
    return true;
}

bool EngineWavePlayer::PlayIn(const QString& path, double seconds) {
    auto clip = Clip(path);
    if (!clip) return false;
    engine_.ScheduleSound(std::move(clip), volume_, seconds);
    return true;
}

bool EngineWavePlayer::PlayAtClock(const QString& path, double seconds) {
    if (!clock_) return Play(path);
    auto clip = Clip(path);
    if (!clip) return false;
    engine_.ScheduleSoundOn(std::move(clip), volume_, clock_->EngineSource(), seconds);
    return true;
}

void EngineWavePlayer::CancelPending() { engine_.CancelPendingSounds(); }

void EngineWavePlayer::SetVolume(double volume) { volume_ = float(volume < 0 ? 0 : volume > 1 ? 1 : volume); }
