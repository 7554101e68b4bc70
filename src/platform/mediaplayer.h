// A media player for one sound file: the accompaniment and each part's own recording.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "platform/audioengine.h"

// Status texts. "已完成" is the one the program acts on: the file has played to its end.
namespace mediastatus {
inline const QString NoMedia = QString();
inline const QString Ready = QStringLiteral("就绪");
inline const QString Playing = QStringLiteral("正在播放");
inline const QString Paused = QStringLiteral("已暂停");
inline const QString Stopped = QStringLiteral("已停止");
inline const QString Finished = QStringLiteral("已完成");
inline const QString Failed = QStringLiteral("无法播放");
}  // namespace mediastatus

class MediaPlayer {
public:
    using StatusCallback = std::function<void(const QString& status)>;
    virtual ~MediaPlayer() = default;

    // Loads the file at `path` ("" unloads). A file that cannot be opened or decoded (missing, not a
    // sound file, cut short, no frames) leaves the player silent; the result is then false and
    // `error`, when given, says why.
    virtual bool SetUrl(const QString& path, QString* error = nullptr) = 0;
    // Loads silence of `seconds` that needs no file: a clock that runs like a file's (Url is "").
    virtual void SetSilence(double seconds) = 0;
    virtual QString Url() const = 0;
    virtual void Play() = 0;
    virtual void Pause() = 0;
    // Pauses and returns to the start.
    virtual void Stop() = 0;
    // Position in seconds of the file's own time; setting it clamps to 0 .. Duration.
    virtual double CurrentPosition() const = 0;
    virtual void SetCurrentPosition(double seconds) = 0;
    virtual double Duration() const = 0;
    // Volume 0 to 100; values outside are clamped. Mute silences without stopping the position.
    virtual int Volume() const = 0;
    virtual void SetVolume(int volume) = 0;
    virtual bool Mute() const = 0;
    virtual void SetMute(bool mute) = 0;
    virtual QString Status() const = 0;
    // Called on the GUI thread, after the change, with the new status text: on loading, playing,
    // pausing, stopping, and with "已完成" when the file has played to its end.
    virtual void SetStatusCallback(StatusCallback callback) = 0;
};

// A player mixed by the audio engine. The file is streamed from disk: loading reads its header and
// first frames, a seek reads at most a few thousand frames, the engine's reader thread the rest.
class EngineMediaPlayer : public QObject, public MediaPlayer {
public:
    explicit EngineMediaPlayer(AudioEngine& engine);
    ~EngineMediaPlayer() override;

    bool SetUrl(const QString& path, QString* error = nullptr) override;
    void SetSilence(double seconds) override;
    QString Url() const override { return url_; }
    void Play() override;
    void Pause() override;
    void Stop() override;
    double CurrentPosition() const override;
    void SetCurrentPosition(double seconds) override;
    double Duration() const override;
    int Volume() const override { return volume_; }
    void SetVolume(int volume) override;
    bool Mute() const override { return mute_; }
    void SetMute(bool mute) override;
    QString Status() const override;
    void SetStatusCallback(StatusCallback callback) override { callback_ = std::move(callback); }
    // The engine's source of this player: sounds can be placed on its clock.
    std::shared_ptr<AudioEngine::Source> EngineSource() const { return source_; }

private:
    using State = AudioEngine::Source::State;
    // Puts `stream` into the source at its start with `state`; the old stream is let go outside the
    // engine's lock (closing a file is I/O).
    void Load(std::shared_ptr<AudioStream> stream, State state);
    // Moves to `frame` of the file: reads there first when needed, outside the engine's lock.
    void SeekTo(double frame);
    void ChangeState(State state);  // under no lock
    void Notify(State state);       // queues the status callback
    void ApplyGain();
    static QString StatusText(State state);

    AudioEngine& engine_;
    std::shared_ptr<AudioEngine::Source> source_;
    QString url_;
    int volume_ = 100;
    bool mute_ = false;
    StatusCallback callback_;
    // The last position read: between mixer blocks the position is interpolated from the steady
    // clock, at most one block ahead, and never goes back (-1 after a seek: exact again).
    mutable double lastRead_ = -1;
};
