#include "platform/audiofile.h"

#include <QFile>
#include <sndfile.h>
#include <cmath>

void AudioClip::SampleAt(double pos, float& left, float& right) const {
    left = right = 0.0f;
    if (pos < 0 || frames <= 0) return;
    int64_t i = int64_t(pos);
    if (i >= frames) return;
    float f = float(pos - double(i));
    int64_t j = i + 1 < frames ? i + 1 : i;
    constexpr float scale = 1.0f / 32768.0f;
    if (channels == 1) {
        float s = (samples[i] * (1.0f - f) + samples[j] * f) * scale;
        left = right = s;
    } else {
        left = (samples[2 * i] * (1.0f - f) + samples[2 * j] * f) * scale;
        right = (samples[2 * i + 1] * (1.0f - f) + samples[2 * j + 1] * f) * scale;
    }
}

std::shared_ptr<const AudioClip> DecodeAudioFile(const QString& path, QString* error) {
    auto fail = [&](const QString& why) -> std::shared_ptr<const AudioClip> {
        if (error) *error = why;
        return nullptr;
    };
    if (path.isEmpty()) return fail(QStringLiteral("没有指定音频文件"));
    if (!QFile::exists(path)) return fail(QStringLiteral("找不到音频文件：") + path);

    SF_INFO info{};
    SNDFILE* sf = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!sf) {
        return fail(QStringLiteral("无法打开音频文件：") + path + QStringLiteral(" (") +
                    QString::fromLocal8Bit(sf_strerror(nullptr)) + QStringLiteral(")"));
    }
    if (info.channels < 1 || info.samplerate < 1 || info.samplerate > 768000) {
        sf_close(sf);
        return fail(QStringLiteral("无法解码音频文件：") + path);
    }

    auto clip = std::make_shared<AudioClip>();
    clip->rate = info.samplerate;
    clip->channels = info.channels >= 2 ? 2 : 1;
    if (info.frames > 0 && info.frames < (int64_t(1) << 31)) clip->samples.reserve(size_t(info.frames) * clip->channels);

    // The frame count in the header of compressed files is only an estimate: read until the end.
    const int chunk = 4096;
    std::vector<int16_t> buf(size_t(chunk) * info.channels);
    for (;;) {
        sf_count_t got = sf_readf_short(sf, buf.data(), chunk);
        if (got <= 0) break;
        for (sf_count_t k = 0; k < got; ++k) {
            const int16_t* frame = &buf[size_t(k) * info.channels];
            clip->samples.push_back(frame[0]);
            if (clip->channels == 2) clip->samples.push_back(frame[1]);
        }
    }
    int err = sf_error(sf);
    sf_close(sf);
    clip->frames = int64_t(clip->samples.size()) / clip->channels;
    if (err != SF_ERR_NO_ERROR && clip->frames == 0)
        return fail(QStringLiteral("无法解码音频文件：") + path);
    return clip;
}
