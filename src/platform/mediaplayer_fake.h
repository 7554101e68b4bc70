// Test double of the media player: no sound; the test sets the position and fires the status.
#pragma once

#include <QStringList>
#include <QSet>
#include <algorithm>

#include "platform/mediaplayer.h"

class FakeMediaPlayer : public MediaPlayer {
public:
    bool SetUrl(const QString& path, QString* error = nullptr) override {
        calls.append(QStringLiteral("SetUrl ") + path);
        url = path;
        position = 0;
        if (!path.isEmpty() && badFiles.contains(path)) {
            status = mediastatus::Failed;
            if (error) *error = QStringLiteral("bad file");
            return false;
        }
        status = path.isEmpty() ? mediastatus::NoMedia : mediastatus::Ready;
        return true;
    }
    void SetSilence(double seconds) override {
        calls.append(QStringLiteral("SetSilence %1").arg(seconds));
        url.clear();
        position = 0;
        duration = seconds;
        status = mediastatus::Ready;
    }
    QString Url() const override { return url; }
    void Play() override {
        calls.append(QStringLiteral("Play"));
        if (status == mediastatus::Failed || status == mediastatus::NoMedia) return;  // nothing to play
        playing = true;
        status = mediastatus::Playing;
    }
    void Pause() override {
        calls.append(QStringLiteral("Pause"));
        playing = false;
        status = mediastatus::Paused;
    }
    void Stop() override {
        calls.append(QStringLiteral("Stop"));
        playing = false;
        position = 0;
        status = mediastatus::Stopped;
    }
    double CurrentPosition() const override { return position; }
    void SetCurrentPosition(double seconds) override {
        calls.append(QStringLiteral("SetCurrentPosition %1").arg(seconds));
        position = std::clamp(seconds, 0.0, duration);
    }
    double Duration() const override { return duration; }
    int Volume() const override { return volume; }
    void SetVolume(int v) override { volume = std::clamp(v, 0, 100); }
    bool Mute() const override { return mute; }
    void SetMute(bool m) override { mute = m; }
    QString Status() const override { return status; }
    void SetStatusCallback(StatusCallback cb) override { callback = std::move(cb); }

    // Sets the status and calls the status callback at once, as the player does at a change.
    void FireStatus(const QString& text) {
        status = text;
        if (text == mediastatus::Finished) playing = false;
        if (callback) callback(text);
    }

    QString url;
    double position = 0;
    double duration = 1e9;
    bool playing = false;
    int volume = 100;
    bool mute = false;
    QString status;
    StatusCallback callback;
    QStringList calls;  // SetUrl, SetSilence, Play, Pause, Stop and SetCurrentPosition in order
    QSet<QString> badFiles;  // paths SetUrl refuses
};
