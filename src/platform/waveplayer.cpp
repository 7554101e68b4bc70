#include "platform/waveplayer.h"

#include "platform/audioengine.h"

bool EngineWavePlayer::Play(const QString& path) {
    auto it = cache_.find(path);
    if (it == cache_.end()) {
        // A file that fails is not kept, so it is tried again once it is there.
        auto clip = DecodeAudioFile(path, &lastError_);
        if (!clip) return false;
        it = cache_.emplace(path, std::move(clip)).first;
    }
    lastError_.clear();
    engine_.StartSound(it->second, volume_);
    return true;
}

void EngineWavePlayer::SetVolume(double volume) { volume_ = float(volume < 0 ? 0 : volume > 1 ? 1 : volume); }
