// Recordings streamed from disk, damaged files, the silent clock, and short sounds placed on a
// clock: all checked on an engine mixed by hand.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <optional>

#include "platform/audio_testing.h"
#include "platform/audiostream.h"
#include "platform/waveplayer.h"

namespace {

// A 16-bit mono file at the engine's rate whose sample f is Marker(f): each output sample of an
// unscaled mix names the file frame it came from.
int16_t Marker(int64_t f) { return int16_t((f * 7919) % 60001 - 30000); }

QString WriteMarkers(const QString& path, int64_t frames) {
    SF_INFO info{};
    info.samplerate = AudioEngine::kRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* sf = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!sf) return {};
    std::vector<int16_t> data(static_cast<size_t>(frames));
    for (int64_t f = 0; f < frames; ++f) data[size_t(f)] = Marker(f);
    sf_writef_short(sf, data.data(), frames);
    sf_close(sf);
    return path;
}

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// The first output frame of `out` that is not silent, or -1.
int Onset(const std::vector<float>& out) {
    for (size_t i = 0; i < out.size(); i += 2)
        if (std::fabs(out[i]) > 1e-4f) return int(i / 2);
    return -1;
}

}  // namespace

// What a player accepts: damaged files are refused with a reason, whatever their name says.
TEST(AudioFile, DamagedRecordingsAreRefused) {
    QTemporaryDir dir;
    const QString good = WriteConstant(dir.filePath("good.wav"), 44100, 2, 1.0, 0.3f);
    const QByteArray wave = Read(good);
    std::srand(11);
    QByteArray noise;
    for (int i = 0; i < 5000; ++i) noise.append(char(std::rand() & 0xFF));
    QByteArray openEnded = wave;  // written before its length was known
    openEnded.replace(40, 4, QByteArray("\xFF\xFF\xFF\xFF", 4));
    const QString mp3 = WriteSound(dir.filePath("tone.mp3"), 44100, 1, 44100, [](int f, int) { return 0.3f * std::sin(f * 0.05f); },
                                   SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III);
    const QByteArray mp3Bytes = mp3.isEmpty() ? QByteArray() : Read(mp3);
    struct Case {
        const char* name;
        std::optional<QByteArray> bytes;  // none: the file is not there
        bool plays;
    } cases[] = {
        {"whole.wav", wave, true},
        {"open-ended.wav", openEnded, true},
        {"missing.wav", std::nullopt, false},
        {"empty.wav", QByteArray(), false},
        {"noise.wav", noise, false},
        {"noise.mp3", noise, false},
        {"header-only.wav", wave.left(44), false},  // no frames
        {"cut-100.wav", wave.left(100), false},     // 14 frames of 44100
        {"cut-half.wav", wave.left(wave.size() / 2), false},
        {"mp3-renamed.wav", mp3Bytes, !mp3Bytes.isEmpty()},  // the content decides, not the name
    };
    AudioEngine engine(AudioEngine::Output::None);
    EngineMediaPlayer player(engine);
    for (const Case& c : cases) {
        const QString path = dir.filePath(c.name);
        if (c.bytes) Write(path, *c.bytes);
        QString decodeError, streamError;
        EXPECT_EQ(bool(DecodeAudioFile(path, &decodeError)), c.plays) << c.name;
        EXPECT_EQ(player.SetUrl(path, &streamError), c.plays) << c.name;
        EXPECT_EQ(player.Status(), c.plays ? mediastatus::Ready : mediastatus::Failed) << c.name;
        EXPECT_EQ(streamError.isEmpty(), c.plays) << c.name;
        EXPECT_EQ(decodeError.isEmpty(), c.plays) << c.name;
    }
}

// A recording five times the window plays sample for sample, before and after seeks in every
// direction, while the window never grows.
TEST(AudioStreamTest, PlaysALongFileThroughItsWindow) {
    QTemporaryDir dir;
    const int64_t total = 20 * int64_t(AudioEngine::kRate);
    const QString file = WriteMarkers(dir.filePath("long.wav"), total);
    AudioEngine engine(AudioEngine::Output::None);
    EngineMediaPlayer player(engine);
    ASSERT_TRUE(player.SetUrl(file));
    AudioStream& stream = *player.EngineSource()->stream;
    ASSERT_LT(stream.Capacity() * 4, total);
    EXPECT_DOUBLE_EQ(player.Duration(), 20.0);

    struct Seek {
        double seconds;  // < 0: play on from where it is
        int64_t frames;  // then mixed
    } steps[] = {{0, 6 * AudioEngine::kRate}, {-1, 2 * AudioEngine::kRate}, {15.0, 44100}, {2.0, 20000},
                 {2.25, 10000}, {1.5, 3000}, {19.5, 22050}};
    int64_t at = 0;
    for (const Seek& s : steps) {
        if (s.seconds >= 0) {
            player.SetCurrentPosition(s.seconds);
            at = int64_t(std::llround(s.seconds * AudioEngine::kRate));
            EXPECT_EQ(player.CurrentPosition(), s.seconds);  // exact after the seek
        }
        player.Play();
        const std::vector<float> out = MixFrames(engine, int(s.frames));
        int wrong = 0;
        for (int64_t f = 0; f < s.frames; ++f)
            if (std::lround(out[size_t(2 * f)] * 32768.0f) != Marker(at + f)) ++wrong;
        EXPECT_EQ(wrong, 0) << "from " << at;
        at += s.frames;
        EXPECT_NEAR(player.CurrentPosition(), double(at) / AudioEngine::kRate, 1e-9);
        EXPECT_LE(stream.WindowFrames(), stream.Capacity());
        player.Pause();
    }
    EXPECT_EQ(player.Status(), mediastatus::Finished);  // 19.5 s + 0.5 s reached the end
    EXPECT_EQ(stream.UnderrunFrames(), 0);
}

// The reader thread fills the window ahead by itself, beyond what opening read.
TEST(AudioStreamTest, TheReaderFillsTheWindowAhead) {
    QTemporaryDir dir;
    const QString file = WriteMarkers(dir.filePath("ten.wav"), 10 * int64_t(AudioEngine::kRate));
    AudioEngine engine(AudioEngine::Output::None);
    EngineMediaPlayer player(engine);
    ASSERT_TRUE(player.SetUrl(file));
    AudioStream& stream = *player.EngineSource()->stream;
    EXPECT_TRUE(Eventually([&] { return stream.WindowFrames() > stream.Capacity() - AudioStream::kChunkFrames; }));
    player.SetCurrentPosition(8.0);  // beyond the window: read there, then on to the end
    EXPECT_TRUE(Eventually([&] { return stream.WindowFrames() == 2 * int64_t(AudioEngine::kRate); }));
}

// A compressed file's frame count is an estimate: the end is where the sound ends.
TEST(AudioStreamTest, ACutMp3EndsWhereItsSoundEnds) {
    QTemporaryDir dir;
    const QString mp3 = WriteSound(dir.filePath("whole.mp3"), 44100, 1, 3 * 44100,
                                   [](int f, int) { return 0.3f * std::sin(f * 0.05f); },
                                   SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III);
    if (mp3.isEmpty() || QFile(mp3).size() == 0) GTEST_SKIP() << "this libsndfile cannot write mp3";
    const QString cut = dir.filePath("cut.mp3");
    Write(cut, Read(mp3).left(int(QFile(mp3).size() / 3)));
    AudioEngine engine(AudioEngine::Output::None);
    EngineMediaPlayer player(engine);
    StatusLog log;
    player.SetStatusCallback(log.Callback());
    ASSERT_TRUE(player.SetUrl(cut));
    player.Play();
    MixFrames(engine, 3 * 44100);
    EXPECT_EQ(player.Status(), mediastatus::Finished);
    EXPECT_GT(player.Duration(), 0.5);
    EXPECT_LT(player.Duration(), 2.0);
    EXPECT_DOUBLE_EQ(player.CurrentPosition(), player.Duration());
    QCoreApplication::processEvents();
    EXPECT_EQ(log.texts.count(mediastatus::Finished), 1);
}

// Silence needs no file and runs like one: position, seek, end.
TEST(AudioStreamTest, SilenceIsAClockWithoutAFile) {
    AudioEngine engine(AudioEngine::Output::None);
    EngineMediaPlayer player(engine);
    StatusLog log;
    player.SetStatusCallback(log.Callback());
    player.SetSilence(2.0);
    EXPECT_EQ(player.Url(), QString());
    EXPECT_EQ(player.Status(), mediastatus::Ready);
    EXPECT_DOUBLE_EQ(player.Duration(), 2.0);
    player.Play();
    EXPECT_LT(MaxAbs(MixFrames(engine, AudioEngine::kRate / 2)), 1e-6);
    EXPECT_DOUBLE_EQ(player.CurrentPosition(), 0.5);
    player.SetCurrentPosition(1.75);
    EXPECT_DOUBLE_EQ(player.CurrentPosition(), 1.75);
    MixFrames(engine, AudioEngine::kRate / 2);
    EXPECT_EQ(player.Status(), mediastatus::Finished);
    EXPECT_DOUBLE_EQ(player.CurrentPosition(), 2.0);
    QCoreApplication::processEvents();
    EXPECT_EQ(log.texts.count(mediastatus::Finished), 1);
}

// Sounds placed ahead start on their sample: on the output's clock, or where the clock player
// plays the time they were placed at, whatever its rate and the block they fall in.
TEST(ScheduledSounds, StartOnTheirSample) {
    QTemporaryDir dir;
    const QString click = WriteConstant(dir.filePath("click.wav"), AudioEngine::kRate, 1, 0.02, 0.2f);
    const QString clockFile = WriteConstant(dir.filePath("clock.wav"), 22050, 1, 10.0, 0.0f);
    struct Case {
        const char* what;
        double in;          // PlayIn seconds (NaN: on the clock)
        double clockStart;  // the clock player's start, seconds of its file
        double at;          // PlayAtClock seconds
        int onset;          // expected output frame of the click's start, -1 none
    } cases[] = {
        {"10 ms ahead", 0.010, 0, 0, 441},
        {"in the third block", 0.025, 0, 0, 1103},
        {"due 5 ms ago: at once", -0.005, 0, 0, 0},
        {"on the clock from its start", NAN, 0.0, 0.5, 22050},
        {"on the clock after a seek", NAN, 3.25, 3.30, 2205},
        {"on the clock, time already past: at once", NAN, 3.25, 3.0, 0},
    };
    for (const Case& c : cases) {
        AudioEngine engine(AudioEngine::Output::None);
        EngineMediaPlayer clock(engine);
        EngineWavePlayer waves(engine, &clock);
        ASSERT_TRUE(clock.SetUrl(clockFile));
        if (std::isnan(c.in)) {
            clock.SetCurrentPosition(c.clockStart);
            clock.Play();
            ASSERT_TRUE(waves.PlayAtClock(click, c.at));
        } else {
            ASSERT_TRUE(waves.PlayIn(click, c.in));
        }
        EXPECT_EQ(Onset(MixFrames(engine, AudioEngine::kRate)), c.onset) << c.what;
    }
}

// A sound on the clock waits while the clock is paused, is dropped when the clock is sought or the
// waiting sounds are cancelled; a sound already sounding plays on.
TEST(ScheduledSounds, WaitWithTheClockAndCanBeDropped) {
    QTemporaryDir dir;
    const QString click = WriteConstant(dir.filePath("click.wav"), AudioEngine::kRate, 1, 0.05, 0.2f);
    const QString clockFile = WriteConstant(dir.filePath("clock.wav"), AudioEngine::kRate, 1, 10.0, 0.0f);
    AudioEngine engine(AudioEngine::Output::None);
    EngineMediaPlayer clock(engine);
    EngineWavePlayer waves(engine, &clock);
    ASSERT_TRUE(clock.SetUrl(clockFile));
    ASSERT_TRUE(waves.PlayAtClock(click, 0.1));
    EXPECT_EQ(Onset(MixFrames(engine, AudioEngine::kRate / 2)), -1);  // the clock stands
    clock.Play();
    EXPECT_EQ(Onset(MixFrames(engine, AudioEngine::kRate / 2)), 4410);

    ASSERT_TRUE(waves.PlayAtClock(click, 0.8));
    clock.SetCurrentPosition(0.6);
    EXPECT_EQ(Onset(MixFrames(engine, AudioEngine::kRate / 2)), -1);  // sought before it sounded
    EXPECT_EQ(engine.ActiveSounds(), 0);

    ASSERT_TRUE(waves.PlayIn(click, 0));
    ASSERT_TRUE(waves.PlayIn(click, 0.2));
    ASSERT_TRUE(waves.PlayAtClock(click, 2.0));
    MixFrames(engine, 512);
    EXPECT_EQ(engine.ActiveSounds(), 3);
    waves.CancelPending();
    EXPECT_EQ(engine.ActiveSounds(), 1);  // the one sounding
    EXPECT_GT(MaxAbs(MixFrames(engine, 4096)), 0.1f);
    EXPECT_EQ(Onset(MixFrames(engine, AudioEngine::kRate * 2)), -1);
}
