// Helpers of the audio tests: sound files written with libsndfile, the mix pulled by hand, levels.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QStringList>
#include <QTest>
#include <QThread>
#include <sndfile.h>
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/audioengine.h"
#include "platform/mediaplayer.h"

namespace audiotest {

// Writes a 16-bit file of `frames` frames; every sample of channel c is value(frame, c).
template <typename F>
QString WriteSound(const QString& path, int rate, int channels, int frames, F value,
                   int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* sf = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!sf) return QString();
    std::vector<float> data(size_t(frames) * channels);
    for (int f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c) data[size_t(f) * channels + c] = value(f, c);
    sf_writef_float(sf, data.data(), frames);
    sf_close(sf);
    return path;
}

inline QString WriteConstant(const QString& path, int rate, int channels, double seconds, float level) {
    return WriteSound(path, rate, channels, int(seconds * rate), [level](int, int) { return level; });
}

inline std::vector<float> MixFrames(AudioEngine& engine, int frames) {
    std::vector<float> out(size_t(frames) * 2);
    for (int done = 0; done < frames; done += AudioEngine::kBlockFrames) {
        int n = std::min(AudioEngine::kBlockFrames, frames - done);
        engine.Mix(out.data() + size_t(done) * 2, n);
    }
    return out;
}

inline double Rms(const std::vector<float>& v) {
    double sum = 0;
    for (float x : v) sum += double(x) * x;
    return v.empty() ? 0 : std::sqrt(sum / v.size());
}

inline float MaxAbs(const std::vector<float>& v) {
    float m = 0;
    for (float x : v) m = std::max(m, std::fabs(x));
    return m;
}

// Polls the event loop until `done` holds or the generous deadline passes.
template <typename F>
bool Eventually(F done, int timeoutMs = 15000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QTest::qWait(10);
    }
    return true;
}

struct StatusLog {
    QStringList texts;
    bool allOnGuiThread = true;
    MediaPlayer::StatusCallback Callback() {
        return [this](const QString& text) {
            texts.append(text);
            if (QThread::currentThread() != QCoreApplication::instance()->thread()) allOnGuiThread = false;
        };
    }
};

inline uint32_t Pack(int status, int d1, int d2 = 0) { return uint32_t(status) | uint32_t(d1) << 8 | uint32_t(d2) << 16; }

}  // namespace audiotest

using namespace audiotest;
