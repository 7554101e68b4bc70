// Short sounds (the metronome and count-in clicks): each call places the file on a clock and
// returns; a sound may overlap earlier plays of itself.
#pragma once

#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <vector>

#include "platform/audiofile.h"

class AudioEngine;
class EngineMediaPlayer;

class WavePlayer {
public:
    virtual ~WavePlayer() = default;
    // Each play gives false when the file cannot be decoded; it then plays nothing.
    // At once.
    virtual bool Play(const QString& path) = 0;
    // `seconds` from now, at its sample of the output (a negative time: due that long ago, at once).
    virtual bool PlayIn(const QString& path, double seconds) = 0;
    // When the clock player (the accompaniment) plays `seconds` of its file, at that sample. A sound
    // waits while the clock is paused, and is dropped when the clock is sought before it sounds.
    virtual bool PlayAtClock(const QString& path, double seconds) = 0;
    // Drops the sounds placed for later that have not started.
    virtual void CancelPending() = 0;
    // Level of the sounds placed from now on, 0 to 1 (values outside are clamped).
    virtual void SetVolume(double volume) = 0;
};

// Plays through the audio engine; each file is decoded once and kept. `clock` is the player whose
// file time PlayAtClock counts in (without one, such sounds play at once).
class EngineWavePlayer : public WavePlayer {
public:
    explicit EngineWavePlayer(AudioEngine& engine, const EngineMediaPlayer* clock = nullptr)
        : engine_(engine), clock_(clock) {}
    bool Play(const QString& path) override;
    bool PlayIn(const QString& path, double seconds) override;
    bool PlayAtClock(const QString& path, double seconds) override;
    void CancelPending() override;
    void SetVolume(double volume) override;
    QString LastError() const { return lastError_; }

private:
    std::shared_ptr<const AudioClip> Clip(const QString& path);
    AudioEngine& engine_;
    const EngineMediaPlayer* clock_;
    std::map<QString, std::shared_ptr<const AudioClip>> cache_;
    QString lastError_;
    float volume_ = 1.0f;
};

// Test double: keeps the paths in the order placed, with their volume and time.
class FakeWavePlayer : public WavePlayer {
public:
    enum class When { Now, In, AtClock };
    struct Timing {
        When when;
        double seconds;  // from the call (In), or of the clock's file (AtClock)
    };
    bool Play(const QString& path) override { return Place(path, {When::Now, 0}); }
    bool PlayIn(const QString& path, double seconds) override { return Place(path, {When::In, seconds}); }
    bool PlayAtClock(const QString& path, double seconds) override { return Place(path, {When::AtClock, seconds}); }
    void CancelPending() override { cancels.push_back(played.size()); }
    void SetVolume(double v) override { volume = v < 0 ? 0 : v > 1 ? 1 : v; }

    QStringList played;
    std::vector<double> volumes;  // the volume of each play
    std::vector<Timing> timings;  // when each play was placed to sound
    std::vector<size_t> cancels;  // for each cancel, the count of plays placed before it
    double volume = 1.0;

private:
    bool Place(const QString& path, Timing timing) {
        played.append(path);
        volumes.push_back(volume);
        timings.push_back(timing);
        return true;
    }
};
