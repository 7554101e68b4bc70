#include <gtest/gtest.h>

#include <set>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <sndfile.h>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/audio_testing.h"
#include "platform/audioengine.h"
#include "platform/audiofile.h"
#include "platform/mediaplayer.h"
#include "platform/midiout.h"
#include "platform/waveplayer.h"

// --- decoding ---

TEST(AudioFile, DecodesStereoAndMonoAtTheFileRate) {
    QTemporaryDir dir;
    QString stereo = WriteSound(dir.filePath("s.wav"), 48000, 2, 4800,
                                [](int, int c) { return c == 0 ? 0.5f : -0.25f; });
    auto clip = DecodeAudioFile(stereo);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->rate, 48000);
    EXPECT_DOUBLE_EQ(clip->Seconds(), 0.1);
    float l, r;
    clip->SampleAt(100, l, r);
    EXPECT_NEAR(l, 0.5f, 1e-3);
    EXPECT_NEAR(r, -0.25f, 1e-3);

    QString mono = WriteSound(dir.filePath("m.wav"), 8000, 1, 8, [](int f, int) { return f * 0.1f; });
    clip = DecodeAudioFile(mono);
    ASSERT_TRUE(clip);
    clip->SampleAt(2.5, l, r);  // halfway between 0.2 and 0.3
    EXPECT_NEAR(l, 0.25f, 1e-3);
    EXPECT_FLOAT_EQ(l, r);
    clip->SampleAt(8, l, r);  // past the end
    EXPECT_EQ(l, 0.0f);

    // Damaged and missing files are reported.
    QFile junk(dir.filePath("junk.wav"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    std::srand(7);
    for (int i = 0; i < 5000; ++i) junk.putChar(char(std::rand() & 0xFF));
    junk.close();
    for (const QString& bad : {junk.fileName(), dir.filePath("nowhere.wav")}) {
        QString error;
        EXPECT_FALSE(DecodeAudioFile(bad, &error));
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST(AudioFile, ReadsMp3) {
    QTemporaryDir dir;
    QString mp3 = WriteSound(dir.filePath("tone.mp3"), 44100, 1, 44100,
                             [](int f, int) { return 0.5f * std::sin(f * 2 * M_PI * 440 / 44100); },
                             SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III);
    if (mp3.isEmpty() || QFile(mp3).size() == 0) GTEST_SKIP() << "this libsndfile cannot write mp3";
    QString error;
    auto clip = DecodeAudioFile(mp3, &error);
    ASSERT_TRUE(clip) << error.toStdString();
    EXPECT_EQ(clip->rate, 44100);
    EXPECT_NEAR(clip->Seconds(), 1.0, 0.1);
    std::vector<float> mid;
    for (int f = 20000; f < 21000; ++f) {
        float l, r;
        clip->SampleAt(f, l, r);
        mid.push_back(l);
    }
    EXPECT_GT(Rms(mid), 0.2);  // a 0.5 sine has RMS 0.35
}

// --- MIDI through the synthesizer ---

TEST(SynthMidiOut, NoteOnIsHeardAndSilenceBeforeIt) {
    AudioEngine engine(AudioEngine::Output::None);
    SynthMidiOut midi(engine);
    ASSERT_TRUE(midi.Open(0));
    if (!engine.HasSoundFont()) GTEST_SKIP() << "no General MIDI SoundFont installed";

    EXPECT_LT(Rms(MixFrames(engine, 4096)), 1e-6);
    midi.ShortMsg(Pack(0x90, 60, 100));
    EXPECT_GT(Rms(MixFrames(engine, 8192)), 0.01);

    // Note-off, then after the release the output dies away again.
    midi.ShortMsg(Pack(0x80, 60, 0));
    MixFrames(engine, AudioEngine::kRate * 3);
    EXPECT_LT(Rms(MixFrames(engine, 4096)), 1e-3);

    // A note-on with velocity 0 stops a sustained note too.
    midi.ShortMsg(Pack(0xC0, 19));  // church organ: sustains while held
    midi.ShortMsg(Pack(0x90, 64, 100));
    MixFrames(engine, 4096);
    EXPECT_GT(fluid_synth_get_active_voice_count(engine.Synth()), 0);
    midi.ShortMsg(Pack(0x90, 64, 0));
    MixFrames(engine, AudioEngine::kRate * 3);
    EXPECT_EQ(fluid_synth_get_active_voice_count(engine.Synth()), 0);
}

// A player's note sounds 160 ms after its due time, at its sample; an immediate release also
// drops what is still queued on that key.
TEST(SynthMidiOut, PlayerNotesSoundAfterTheOutputDelay) {
    AudioEngine engine(AudioEngine::Output::None);
    SynthMidiOut midi(engine);
    ASSERT_TRUE(midi.Open(0));
    if (!engine.HasSoundFont()) GTEST_SKIP() << "no General MIDI SoundFont installed";
    midi.ShortMsgDue(Pack(0x90, 60, 100), 0.010);  // due 10 ms ago: sounds at 150 ms, frame 6615
    EXPECT_LT(Rms(MixFrames(engine, 6400)), 1e-6);
    const std::vector<float> block = MixFrames(engine, 512);
    EXPECT_LT(Rms(std::vector<float>(block.begin(), block.begin() + 2 * 215)), 1e-6);
    EXPECT_GT(Rms(std::vector<float>(block.begin() + 2 * 215, block.end())), 1e-3);

    midi.ShortMsgDue(Pack(0x90, 64, 100), 0);
    midi.ShortMsg(Pack(0x80, 64, 0));
    EXPECT_EQ(engine.QueuedMidi(), 0);
}

TEST(SynthMidiOut, ProgramChangeUsesOneDataByte) {
    AudioEngine engine(AudioEngine::Output::None);
    SynthMidiOut midi(engine);
    ASSERT_TRUE(midi.Open(0));
    if (!engine.HasSoundFont()) GTEST_SKIP() << "no General MIDI SoundFont installed";
    // Channel 2, program 40, and a third byte &H64 that a program change does not have.
    midi.ShortMsg(0xC0 + 2 + 40 * 256 + 0x640000);
    int sfont = 0, bank = 0, preset = 0;
    ASSERT_EQ(fluid_synth_get_program(engine.Synth(), 2, &sfont, &bank, &preset), FLUID_OK);
    EXPECT_EQ(preset, 40);

    // Control change reaches its channel with both data bytes.
    midi.ShortMsg(Pack(0xB3, 7, 55));
    int value = -1;
    fluid_synth_get_cc(engine.Synth(), 3, 7, &value);
    EXPECT_EQ(value, 55);

    // A lone real-time byte (MIDI stop) changes nothing.
    midi.ShortMsg(0xFC);
    fluid_synth_get_program(engine.Synth(), 2, &sfont, &bank, &preset);
    EXPECT_EQ(preset, 40);
}

TEST(SynthMidiOut, OnlyDeviceZeroAndNothingWhileClosed) {
    AudioEngine engine(AudioEngine::Output::None);
    SynthMidiOut midi(engine);
    EXPECT_FALSE(midi.Open(1));
    midi.ShortMsg(Pack(0xC0, 33));
    int sfont = 0, bank = 0, preset = -1;
    fluid_synth_get_program(engine.Synth(), 0, &sfont, &bank, &preset);
    EXPECT_NE(preset, 33);

    ASSERT_TRUE(midi.Open(0));
    if (!engine.HasSoundFont()) GTEST_SKIP() << "no General MIDI SoundFont installed";
    midi.ShortMsg(Pack(0x90, 60, 100));
    MixFrames(engine, 1024);
    midi.Close();
    MixFrames(engine, 1024);
    EXPECT_EQ(fluid_synth_get_active_voice_count(engine.Synth()), 0);  // closing silenced it
    MixFrames(engine, AudioEngine::kRate * 2);                          // let the reverb die away
    midi.ShortMsg(Pack(0x90, 60, 100));
    EXPECT_LT(Rms(MixFrames(engine, 4096)), 1e-6);
}

TEST(SynthMidiOut, ANewSynthesizerStartsSilentOnReusedMemory) {
    // Leave freed heap blocks full of NaN patterns behind, where the synthesizer's effect
    // buffers will be allocated next.
    std::vector<void*> blocks;
    for (size_t size = 256; size <= 96 * 1024; size += 256) {
        void* p = std::malloc(size);
        std::memset(p, 0xFF, size);
        blocks.push_back(p);
    }
    for (void* p : blocks) std::free(p);
    AudioEngine engine(AudioEngine::Output::None);
    std::vector<float> out = MixFrames(engine, 20 * AudioEngine::kBlockFrames);
    for (float x : out) ASSERT_TRUE(std::isfinite(x));
    EXPECT_LT(MaxAbs(out), 1e-6);
}

TEST(SynthMidiOut, PrefersTheFullerSoundFontAndWithoutOneStaysOpenAndSilent) {
    QStringList fonts = AudioEngine::DefaultSoundFonts();
    ASSERT_FALSE(fonts.isEmpty());
    EXPECT_TRUE(fonts.first().endsWith("FluidR3_GM.sf2"));
    AudioEngine engine(AudioEngine::Output::None);
    SynthMidiOut midi(engine);
    midi.Open(0);
    if (QFile::exists("/usr/share/sounds/sf2/FluidR3_GM.sf2")) {
        EXPECT_EQ(engine.SoundFontPath(), "/usr/share/sounds/sf2/FluidR3_GM.sf2");
    }

    AudioEngine bare(AudioEngine::Output::None);
    SynthMidiOut none(bare, {QStringLiteral("/nonexistent/none.sf2")});
    EXPECT_TRUE(none.Open(0));
    EXPECT_FALSE(none.SoundFontError().isEmpty());
    none.ShortMsg(Pack(0x90, 60, 127));
    EXPECT_LT(Rms(MixFrames(bare, 4096)), 1e-6);
}

// Loaded in the background, the SoundFont takes the messages sent meanwhile in their order; a
// missing one is reported as when loaded at once.
TEST(SynthMidiOut, MessagesSentWhileTheSoundFontLoadsApplyInTheirOrder) {
    AudioEngine engine(AudioEngine::Output::None);
    SynthMidiOut midi(engine);
    midi.LoadInBackground();
    ASSERT_TRUE(midi.Open(0));
    midi.ShortMsg(Pack(0xC2, 40));
    midi.ShortMsg(Pack(0xC2, 41));
    midi.ShortMsg(Pack(0xB3, 7, 55));
    midi.ShortMsg(Pack(0xB3, 7, 56));
    EXPECT_TRUE(midi.SoundFontError().isEmpty());  // waits for the load
    if (!engine.HasSoundFont()) GTEST_SKIP() << "no General MIDI SoundFont installed";
    int sfont = 0, bank = 0, preset = 0, value = -1;
    ASSERT_EQ(fluid_synth_get_program(engine.Synth(), 2, &sfont, &bank, &preset), FLUID_OK);
    EXPECT_EQ(preset, 41);
    fluid_synth_get_cc(engine.Synth(), 3, 7, &value);
    EXPECT_EQ(value, 56);
    midi.ShortMsg(Pack(0xC2, 42));  // after the load: at once
    fluid_synth_get_program(engine.Synth(), 2, &sfont, &bank, &preset);
    EXPECT_EQ(preset, 42);

    AudioEngine bare(AudioEngine::Output::None);
    SynthMidiOut none(bare, {QStringLiteral("/nonexistent/none.sf2")});
    none.LoadInBackground();
    EXPECT_TRUE(none.Open(0));
    none.ShortMsg(Pack(0x90, 60, 127));
    EXPECT_EQ(none.SoundFontError(), QStringLiteral("没有找到可用的音色库：/nonexistent/none.sf2"));
    EXPECT_LT(Rms(MixFrames(bare, 4096)), 1e-6);
}

// --- the mix, offline ---

TEST(AudioMix, VolumeAndMuteScaleAPlayer) {
    QTemporaryDir dir;
    QString file = WriteConstant(dir.filePath("c.wav"), AudioEngine::kRate, 2, 2.0, 0.5f);
    AudioEngine engine(AudioEngine::Output::None);
    EngineMediaPlayer player(engine);
    ASSERT_TRUE(player.SetUrl(file));
    player.Play();

    EXPECT_NEAR(MixFrames(engine, 1024)[101], 0.5f, 2e-3);
    player.SetVolume(50);
    EXPECT_NEAR(MixFrames(engine, 1024)[100], 0.25f, 2e-3);

    player.SetMute(true);
    double before = player.CurrentPosition();
    EXPECT_LT(MaxAbs(MixFrames(engine, 1024)), 1e-6);
    EXPECT_GT(player.CurrentPosition(), before);  // muted, but the position runs on

    player.SetMute(false);
    EXPECT_NEAR(MixFrames(engine, 1024)[100], 0.25f, 2e-3);  // volume kept through the mute

    player.SetVolume(127);  // above the scale: full volume
    EXPECT_EQ(player.Volume(), 100);
    EXPECT_NEAR(MixFrames(engine, 1024)[100], 0.5f, 2e-3);
}

TEST(AudioMix, PlayersAddUpAndPausedOnesAreSilent) {
    QTemporaryDir dir;
    QString a = WriteConstant(dir.filePath("a.wav"), AudioEngine::kRate, 1, 1.0, 0.25f);
    QString b = WriteConstant(dir.filePath("b.wav"), 22050, 2, 1.0, 0.125f);
    AudioEngine engine(AudioEngine::Output::None);
    EngineMediaPlayer pa(engine), pb(engine);
    ASSERT_TRUE(pa.SetUrl(a));
    ASSERT_TRUE(pb.SetUrl(b));
    EXPECT_LT(MaxAbs(MixFrames(engine, 512)), 1e-6);  // loaded, not playing
    pa.Play();
    pb.Play();
    EXPECT_NEAR(MixFrames(engine, 512)[300], 0.375f, 2e-3);
    pb.Pause();
    EXPECT_NEAR(MixFrames(engine, 512)[300], 0.25f, 2e-3);
    // The sum is clipped to full scale.
    EngineMediaPlayer loud(engine);
    loud.SetUrl(WriteConstant(dir.filePath("c.wav"), AudioEngine::kRate, 1, 1.0, 0.9f));
    loud.Play();
    EXPECT_FLOAT_EQ(MixFrames(engine, 512)[10], 1.0f);
}

TEST(AudioMix, PositionCountsTheFileFramesPlayed) {
    QTemporaryDir dir;
    // 22050 Hz: one engine second plays one file second, whatever the rate.
    QString file = WriteConstant(dir.filePath("half.wav"), 22050, 1, 2.0, 0.1f);
    AudioEngine engine(AudioEngine::Output::None);
    EngineMediaPlayer player(engine);
    ASSERT_TRUE(player.SetUrl(file));
    EXPECT_DOUBLE_EQ(player.Duration(), 2.0);
    player.Play();
    MixFrames(engine, AudioEngine::kRate / 2);
    EXPECT_NEAR(player.CurrentPosition(), 0.5, 1e-6);
    player.Pause();
    MixFrames(engine, AudioEngine::kRate / 2);
    EXPECT_NEAR(player.CurrentPosition(), 0.5, 1e-6);

    player.SetCurrentPosition(1.25);
    player.Play();
    MixFrames(engine, AudioEngine::kRate / 4);
    EXPECT_NEAR(player.CurrentPosition(), 1.5, 1e-6);

    player.SetCurrentPosition(-3);
    EXPECT_EQ(player.CurrentPosition(), 0.0);
    player.SetCurrentPosition(99);
    EXPECT_DOUBLE_EQ(player.CurrentPosition(), 2.0);

    player.Stop();
    MixFrames(engine, 1024);
    EXPECT_EQ(player.CurrentPosition(), 0.0);
}

TEST(AudioMix, TheEndIsReportedOnTheGuiThreadAfterTheMix) {
    QTemporaryDir dir;
    QString file = WriteConstant(dir.filePath("one.wav"), AudioEngine::kRate, 2, 1.0, 0.2f);
    AudioEngine engine(AudioEngine::Output::None);
    EngineMediaPlayer player(engine);
    StatusLog log;
    player.SetStatusCallback(log.Callback());
    ASSERT_TRUE(player.SetUrl(file));
    player.Play();
    QCoreApplication::processEvents();
    EXPECT_EQ(log.texts, QStringList({mediastatus::Ready, mediastatus::Playing}));

    std::vector<float> out = MixFrames(engine, AudioEngine::kRate + 2048);
    EXPECT_NEAR(out[2 * (AudioEngine::kRate - 10)], 0.2f, 2e-3);
    EXPECT_NEAR(out[2 * (AudioEngine::kRate + 10)], 0.0f, 1e-6);  // nothing after the end
    EXPECT_EQ(player.Status(), mediastatus::Finished);
    EXPECT_DOUBLE_EQ(player.CurrentPosition(), 1.0);
    EXPECT_EQ(log.texts.size(), 2);  // queued, not called from inside the mix
    QCoreApplication::processEvents();
    EXPECT_EQ(log.texts.last(), mediastatus::Finished);
    EXPECT_EQ(log.texts.count(mediastatus::Finished), 1);

    // Play at the end finishes again at once; a seek back plays on from there.
    player.Play();
    QCoreApplication::processEvents();
    EXPECT_EQ(log.texts.count(mediastatus::Finished), 2);
    player.SetCurrentPosition(0.5);
    player.Play();
    EXPECT_EQ(player.Status(), mediastatus::Playing);
    MixFrames(engine, 1024);
    EXPECT_GT(player.CurrentPosition(), 0.5);
}

TEST(AudioMix, BadFilesLeaveThePlayerSilent) {
    QTemporaryDir dir;
    QFile junk(dir.filePath("junk.wav"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(3000, '\x5a'));
    junk.close();
    QString good = WriteConstant(dir.filePath("good.wav"), AudioEngine::kRate, 1, 1.0, 0.3f);

    AudioEngine engine(AudioEngine::Output::None);
    EngineMediaPlayer player(engine);
    StatusLog log;
    player.SetStatusCallback(log.Callback());
    ASSERT_TRUE(player.SetUrl(good));
    player.Play();

    for (const QString& bad : {junk.fileName(), dir.filePath("missing.mp3")}) {
        QString error;
        EXPECT_FALSE(player.SetUrl(bad, &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(player.Status(), mediastatus::Failed);
        player.Play();
        EXPECT_LT(MaxAbs(MixFrames(engine, 2048)), 1e-6);  // the good file is gone too
        player.SetCurrentPosition(3);
        EXPECT_EQ(player.CurrentPosition(), 0.0);
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(log.texts.contains(mediastatus::Finished));

    EXPECT_TRUE(player.SetUrl(good));
    player.Play();
    EXPECT_NEAR(MixFrames(engine, 512)[100], 0.3f, 2e-3);
}

TEST(AudioMix, ADestroyedPlayerLeavesTheMix) {
    QTemporaryDir dir;
    QString file = WriteConstant(dir.filePath("x.wav"), AudioEngine::kRate, 1, 0.05, 0.3f);
    AudioEngine engine(AudioEngine::Output::None);
    {
        EngineMediaPlayer player(engine);
        player.SetStatusCallback([](const QString&) { ADD_FAILURE() << "callback after destruction"; });
        player.SetUrl(file);
        player.Play();
        MixFrames(engine, AudioEngine::kRate / 10);  // ends; its report is still queued
    }
    QCoreApplication::processEvents();
    EXPECT_LT(MaxAbs(MixFrames(engine, 512)), 1e-6);
}

// --- short sounds ---

TEST(WavePlayerTest, ClicksOverlapAndEnd) {
    QTemporaryDir dir;
    QString click = WriteConstant(dir.filePath("0.wav"), AudioEngine::kRate, 1, 0.05, 0.2f);
    AudioEngine engine(AudioEngine::Output::None);
    EngineWavePlayer waves(engine);
    ASSERT_TRUE(waves.Play(click));
    EXPECT_EQ(engine.ActiveSounds(), 1);
    EXPECT_NEAR(MixFrames(engine, 512)[100], 0.2f, 2e-3);
    ASSERT_TRUE(waves.Play(click));  // the first is still sounding
    EXPECT_EQ(engine.ActiveSounds(), 2);
    EXPECT_NEAR(MixFrames(engine, 512)[100], 0.4f, 2e-3);
    MixFrames(engine, AudioEngine::kRate / 10);
    EXPECT_EQ(engine.ActiveSounds(), 0);
    EXPECT_LT(MaxAbs(MixFrames(engine, 512)), 1e-6);

    // Decoded once: the file may go away and the click still plays.
    QFile::remove(click);
    EXPECT_TRUE(waves.Play(click));
    EXPECT_EQ(engine.ActiveSounds(), 1);
    MixFrames(engine, AudioEngine::kRate / 10);

    // A missing or damaged file plays nothing.
    QFile junk(dir.filePath("1.wav"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("RIFF\x10\x00\x00\x00WAVEjunk", 16);
    junk.close();
    EXPECT_FALSE(waves.Play(dir.filePath("2.wav")));
    EXPECT_FALSE(waves.LastError().isEmpty());
    EXPECT_FALSE(waves.Play(junk.fileName()));
    EXPECT_EQ(engine.ActiveSounds(), 0);
}

// --- real time, through the output device ---

namespace {
void PlaysToTheEndInRealTime(AudioEngine& engine) {
    QTemporaryDir dir;
    QString file = WriteSound(dir.filePath("sec.wav"), AudioEngine::kRate, 2, AudioEngine::kRate,
                              [](int f, int) { return 0.3f * std::sin(f * 2 * M_PI * 330 / 44100); });
    EngineMediaPlayer player(engine);
    StatusLog log;
    player.SetStatusCallback(log.Callback());
    ASSERT_TRUE(player.SetUrl(file));
    player.Play();

    double last = 0;
    bool monotonic = true;
    std::vector<double> seen;
    bool finished = Eventually([&] {
        double p = player.CurrentPosition();
        if (p < last) monotonic = false;
        if (p != last) seen.push_back(p);
        last = p;
        return log.texts.contains(mediastatus::Finished);
    });
    EXPECT_TRUE(finished);
    EXPECT_TRUE(monotonic);
    EXPECT_GE(seen.size(), 3u);  // it moved in steps, not in one jump
    EXPECT_DOUBLE_EQ(player.CurrentPosition(), 1.0);
    EXPECT_TRUE(log.allOnGuiThread);
    EXPECT_EQ(log.texts.count(mediastatus::Finished), 1);
}
}  // namespace

TEST(AudioDevice, PositionAdvancesAndTheEndIsReported) {
    AudioEngine engine;
    EXPECT_TRUE(engine.HasDevice()) << engine.OutputError().toStdString();
    PlaysToTheEndInRealTime(engine);
}

// The synthesizer is made beside the constructor: a message applied at once waits for it.
TEST(AudioDevice, AMessageRightAfterTheStartReachesTheSynthesizer) {
    AudioEngine engine;
    engine.ApplyMidi(Pack(0xB3, 7, 55));
    int value = -1;
    ASSERT_EQ(fluid_synth_get_cc(engine.Synth(), 3, 7, &value), FLUID_OK);
    EXPECT_EQ(value, 55);
}

TEST(AudioDevice, WithoutADeviceTheClockStillRuns) {
    QByteArray saved = qgetenv("SDL_AUDIODRIVER");
    qputenv("SDL_AUDIODRIVER", "no-such-driver");
    AudioEngine engine;
    // The device is opened beside the constructor: the driver is named until the opening ended.
    const bool hasDevice = engine.HasDevice();
    qputenv("SDL_AUDIODRIVER", saved);
    EXPECT_FALSE(hasDevice);
    EXPECT_FALSE(engine.OutputError().isEmpty());
    PlaysToTheEndInRealTime(engine);
}

// A paused player holds its position while the mixer goes on: another player on the same engine
// moves on by many blocks meanwhile.
TEST(AudioDevice, PauseHoldsThePosition) {
    QTemporaryDir dir;
    QString file = WriteConstant(dir.filePath("long.wav"), 8000, 1, 30.0, 0.0f);
    AudioEngine engine;
    EngineMediaPlayer player(engine), other(engine);
    ASSERT_TRUE(player.SetUrl(file));
    ASSERT_TRUE(other.SetUrl(file));
    player.SetCurrentPosition(10);
    player.Play();
    other.Play();
    ASSERT_TRUE(Eventually([&] { return player.CurrentPosition() > 10.05; }));
    player.Pause();
    const double held = player.CurrentPosition();
    const double otherAtPause = other.CurrentPosition();
    // Ten blocks and more, beyond what a position runs on between two blocks.
    const double tenBlocks = 10.0 * AudioEngine::kBlockFrames / AudioEngine::kRate;
    ASSERT_TRUE(Eventually([&] { return other.CurrentPosition() > otherAtPause + tenBlocks; }));
    EXPECT_EQ(player.CurrentPosition(), held);
    EXPECT_EQ(player.Status(), mediastatus::Paused);
    player.Play();
    ASSERT_TRUE(Eventually([&] { return player.CurrentPosition() > held; }));
}

// Between the mixer's blocks the position runs on with the steady clock, never backwards, and a
// seek is exact: over twenty blocks the position takes far more values than one a block.
TEST(AudioDevice, PositionIsSmoothBetweenBlocks) {
    QTemporaryDir dir;
    QString file = WriteConstant(dir.filePath("long.wav"), 8000, 1, 30.0, 0.0f);
    AudioEngine engine;
    EngineMediaPlayer player(engine);
    ASSERT_TRUE(player.SetUrl(file));
    player.Play();
    ASSERT_TRUE(Eventually([&] { return player.CurrentPosition() > 0.05; }));
    const double blockSeconds = double(AudioEngine::kBlockFrames) / AudioEngine::kRate;
    const double from = player.CurrentPosition();
    std::set<double> seen;
    double last = from;
    bool backwards = false;
    QDeadlineTimer deadline(15000);
    while (last < from + 20 * blockSeconds && !deadline.hasExpired()) {
        const double p = player.CurrentPosition();
        backwards |= p < last;
        last = p;
        seen.insert(p);
    }
    ASSERT_GE(last, from + 20 * blockSeconds);
    EXPECT_FALSE(backwards);
    EXPECT_GT(seen.size(), 2 * 22u);  // a value a block would give at most 22
    player.Pause();
    player.SetCurrentPosition(2.5);
    EXPECT_EQ(player.CurrentPosition(), 2.5);
}

// --- the doubles ---

TEST(AudioDoubles, RecorderKeepsMessagesInOrder) {
    MidiOutRecorder midi;
    midi.ShortMsg(0xC0);
    EXPECT_FALSE(midi.Open(1));
    ASSERT_TRUE(midi.Open(0));
    midi.ShortMsg(Pack(0x90, 60, 100));
    midi.ShortMsg(Pack(0x80, 60, 64));
    midi.Close();
    midi.ShortMsg(0xFC);
    EXPECT_EQ(midi.messages, (std::vector<uint32_t>{0x643C90, 0x403C80}));
    EXPECT_EQ(midi.droppedWhileClosed, (std::vector<uint32_t>{0xC0, 0xFC}));
}
