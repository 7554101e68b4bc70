// Short sounds played asynchronously (the metronome and count-in clicks): each call starts the
// file at once and returns; a sound may overlap earlier plays of itself.
#pragma once

#include <QString>
#include <QStringList>
#include <map>
#include <memory>

#include "platform/audiofile.h"

class AudioEngine;

class WavePlayer {
public:
    virtual ~WavePlayer() = default;
    // Starts the sound file at `path`. A file that cannot be decoded plays nothing and gives false.
    virtual bool Play(const QString& path) = 0;
};

// Plays through the audio engine; each file is decoded once and kept.
class EngineWavePlayer : public WavePlayer {
public:
    explicit EngineWavePlayer(AudioEngine& engine) : engine_(engine) {}
    bool Play(const QString& path) override;
    QString LastError() const { return lastError_; }

private:
    AudioEngine& engine_;
    std::map<QString, std::shared_ptr<const AudioClip>> cache_;
    QString lastError_;
};

// Test double: keeps the paths in the order played.
class FakeWavePlayer : public WavePlayer {
public:
    bool Play(const QString& path) override {
        played.append(path);
        return true;
    }
    QStringList played;
};
