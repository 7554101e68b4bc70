// Sound files decoded whole into memory: wav, mp3 and whatever else libsndfile reads.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

// A decoded sound at the file's own rate, one or two channels, interleaved 16-bit samples.
struct AudioClip {
    int rate = 0;
    int channels = 0;  // 1 or 2; files with more channels keep their first two
    int64_t frames = 0;
    std::vector<int16_t> samples;

    double Seconds() const { return rate > 0 ? double(frames) / rate : 0.0; }
    // The stereo sample pair at fractional frame `pos`, linearly interpolated; silence outside the clip.
    void SampleAt(double pos, float& left, float& right) const;
};

// Decodes the file at `path`. On failure returns null and, when `error` is given, a short reason.
std::shared_ptr<const AudioClip> DecodeAudioFile(const QString& path, QString* error = nullptr);
