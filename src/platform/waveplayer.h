// Short sounds played asynchronously (the metronome and count-in clicks): each call starts the
// file at once and returns; a sound may overlap earlier plays of itself.
#pragma once

#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <vector>

#include "platform/audiofile.h"

class AudioEngine;

class WavePlayer {
public:
    virtual ~WavePlayer() = default;
    // Starts the sound file at `path`. A file that cannot be decoded plays nothing and gives false.
    virtual bool Play(const QString& path) = 0;
    // Level of the sounds started from now on, 0 to 1 (values outside are clamped).
    virtual void SetVolume(double volume) = 0;
};

// Plays through the audio engine; each file is decoded once and kept.
class EngineWavePlayer : public WavePlayer {
public:
    explicit EngineWavePlayer(AudioEngine& engine) : engine_(engine) {}
    bool Play(const QString& path) override;
    void SetVolume(double volume) override;
    QString LastError() const { return lastError_; }

private:
    AudioEngine& engine_;
    std::map<QString, std::shared_ptr<const AudioClip>> cache_;
    QString lastError_;
    float volume_ = 1.0f;
};

// Test double: keeps the paths in the order played.
class FakeWavePlayer : public WavePlayer {
public:
    bool Play(const QString& path) override {
        played.append(path);
        volumes.push_back(volume);
        return true;
    }
    void SetVolume(double v) override { volume = v < 0 ? 0 : v > 1 ? 1 : v; }
    QStringList played;
    std::vector<double> volumes;  // the volume of each play
    double volume = 1.0;
};
