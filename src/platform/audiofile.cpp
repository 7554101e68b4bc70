#include "platform/audiofile.h"

#include <QFile>
#include <QtEndian>
#include <cmath>
#include <cstring>

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

namespace {

// True when the "data" chunk of the RIFF wave file at `path` says it holds more bytes than the file
// has after it. Headers written before the length was known (0 or 0xFFFFFFFF) say nothing.
bool WaveDataIsCut(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const qint64 size = file.size();
    char riff[12];
    if (file.read(riff, 12) != 12 || std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0)
        return false;
    qint64 at = 12;
    for (int chunk = 0; chunk < 256 && at + 8 <= size; ++chunk) {
        char head[8];
        if (!file.seek(at) || file.read(head, 8) != 8) return false;
        const quint32 length = qFromLittleEndian<quint32>(head + 4);
        if (std::memcmp(head, "data", 4) == 0)
            return length != 0 && length != 0xFFFFFFFFu && qint64(length) > size - (at + 8);
        at += 8 + qint64(length) + (length & 1);
    }
    return false;
}

}  // namespace

SNDFILE* OpenSoundFile(const QString& path, SF_INFO& info, QString* error) {
    auto fail = [&](const QString& why) -> SNDFILE* {
        if (error) *error = why;
        return nullptr;
    };
    if (path.isEmpty()) return fail(QStringLiteral("没有指定音频文件"));
    if (!QFile::exists(path)) return fail(QStringLiteral("找不到音频文件：") + path);
    info = SF_INFO{};
    SNDFILE* sf = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!sf) {
        return fail(QStringLiteral("无法打开音频文件：") + path + QStringLiteral(" (") +
                    QString::fromLocal8Bit(sf_strerror(nullptr)) + QStringLiteral(")"));
    }
    const int type = info.format & SF_FORMAT_TYPEMASK;
    const bool cut = (type == SF_FORMAT_WAV || type == SF_FORMAT_WAVEX) && WaveDataIsCut(path);
    if (info.channels < 1 || info.samplerate < 1 || info.samplerate > 768000 || info.frames <= 0 || cut) {
        sf_close(sf);
        return fail((cut ? QStringLiteral("音频文件不完整：") : QStringLiteral("无法解码音频文件：")) + path);
    }
    return sf;
}

std::shared_ptr<const AudioClip> DecodeAudioFile(const QString& path, QString* error) {
    SF_INFO info{};
    SNDFILE* sf = OpenSoundFile(path, info, error);
    if (!sf) return nullptr;

    auto clip = std::make_shared<AudioClip>();
    clip->rate = info.samplerate;
    clip->channels = info.channels >= 2 ? 2 : 1;
    if (info.frames < (int64_t(1) << 31)) clip->samples.reserve(size_t(info.frames) * clip->channels);

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
    sf_close(sf);
    clip->frames = int64_t(clip->samples.size()) / clip->channels;
    if (clip->frames == 0) {
        if (error) *error = QStringLiteral("无法解码音频文件：") + path;
        return nullptr;
    }
    return clip;
}
