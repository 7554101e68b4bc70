// Sound files: short sounds decoded whole into memory, and the checked opening of any sound file
// that libsndfile reads (wav and mp3 among them).
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <sndfile.h>
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

// Opens the sound file at `path` for reading, after the checks every player makes: the file is
// there, libsndfile knows its format, its rate and channels are sane, it holds at least one frame,
// and a wave file's sound data is as long as its header says (a cut copy or download is damaged).
// On failure returns null and, when `error` is given, a short reason. Close with sf_close.
SNDFILE* OpenSoundFile(const QString& path, SF_INFO& info, QString* error = nullptr);

// Decodes the file at `path`. On failure returns null and, when `error` is given, a short reason.
std::shared_ptr<const AudioClip> DecodeAudioFile(const QString& path, QString* error = nullptr);
