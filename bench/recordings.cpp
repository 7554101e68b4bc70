// Opening a song whose accompaniment and part 1 recording are one hour of 44.1 kHz 16-bit stereo
// (a 635 MB wave file), on the real audio engine (SDL's dummy driver): the time from the Open
// command until the window handles its next event, and the process's memory; then playback from
// half an hour in, whose frames must all come from the reader in time. For comparison, the cost of
// decoding the file whole, as each player did at load before recordings were streamed.
//
// With --mp3 the recording is an mp3 file (encoded first, which takes a while); --recording=PATH
// uses a file that is there instead; --skip-whole leaves out the whole decoding.
//
//     bench_recordings [--minutes=60] [--dir=/tmp] [--mp3] [--recording=PATH] [--skip-whole] [--wait=1000]
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sndfile.h>
#include <string>
#include <vector>

#include "app/form1.h"
#include "engine_window.h"
#include "platform/audioengine.h"
#include "platform/audiofile.h"
#include "platform/mediaplayer.h"

namespace {

// VmRSS or VmHWM of this process, MB.
double MemoryMb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::atof(line.c_str() + std::strlen(field)) / 1024.0;
    return 0;
}

bool WriteHour(const QString& path, int minutes, bool mp3) {
    SF_INFO info{};
    info.samplerate = AudioEngine::kRate;
    info.channels = 2;
    info.format = mp3 ? SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III : SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* sf = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!sf) return false;
    std::vector<int16_t> second(size_t(2 * AudioEngine::kRate));
    for (int f = 0; f < AudioEngine::kRate; ++f)
        second[size_t(2 * f)] = second[size_t(2 * f + 1)] = int16_t(3000 * std::sin(f * 2 * M_PI * 220 / AudioEngine::kRate));
    for (int s = 0; s < minutes * 60; ++s) sf_writef_short(sf, second.data(), AudioEngine::kRate);
    sf_close(sf);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int minutes = 60;
    bool mp3 = false, skipWhole = false;
    int waitMs = 1000;
    QString where = QDir::tempPath(), given;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--minutes=", 10) == 0) minutes = std::max(1, std::atoi(argv[i] + 10));
        if (std::strncmp(argv[i], "--dir=", 6) == 0) where = QString::fromLocal8Bit(argv[i] + 6);
        if (std::strcmp(argv[i], "--mp3") == 0) mp3 = true;
        if (std::strcmp(argv[i], "--skip-whole") == 0) skipWhole = true;
        if (std::strncmp(argv[i], "--wait=", 7) == 0) waitMs = std::atoi(argv[i] + 7);
        if (std::strncmp(argv[i], "--recording=", 12) == 0) given = QString::fromLocal8Bit(argv[i] + 12);
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    QApplication qapp(argc, argv);
    QTemporaryDir dir(where + "/bench-recordings-XXXXXX");
    const QString wave = !given.isEmpty() ? given : dir.filePath(mp3 ? "rehearsal.mp3" : "rehearsal.wav");
    const QString song = dir.filePath("rehearsal.brc");
    if (given.isEmpty() && !WriteHour(wave, minutes, mp3)) return 1;
    std::printf("recording: %s, %.0f MB (in the page cache)\n", qPrintable(wave), double(QFile(wave).size()) / (1024 * 1024));
    {
        EngineWindow w;
        w.form->Text3.SetText(wave);
        w.form->song->Parts[1].AudioFile = wave;
        if (!w.form->SaveProjectFile(song)) return 1;
    }

    EngineWindow w;
    app::Form1& f = *w.form;
    const double rssBefore = MemoryMb("VmRSS:");
    QElapsedTimer clock;
    clock.start();
    if (f.song->Modified) w.dialogs.msgBoxAnswers.push_back(vb::vbNo);  // the new song is not kept
    w.dialogs.fileAnswers.push_back(song);
    f.Command2_Click(2);  // Open
    const double opened = clock.nsecsElapsed() / 1e6;
    bool answered = false;
    QTimer::singleShot(0, [&] { answered = true; });
    while (!answered) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double responsive = clock.nsecsElapsed() / 1e6;
    if (w.accompaniment.Url() != wave || w.parts[1]->Url() != wave) {
        std::printf("the song's recordings did not load:\n");
        for (const auto& c : w.dialogs.calls) std::printf("  %s %s\n", qPrintable(c.kind), qPrintable(c.prompt));
        return 1;
    }
    QThread::msleep(waitMs);  // a user presses play a moment after the song opened
    std::printf("Open command returned after %.1f ms; the window answered after %.1f ms; duration %.3f s\n", opened,
                responsive, w.accompaniment.Duration());
    std::printf("RSS before %.0f MB, after %.0f MB (%+.0f MB)\n", rssBefore, MemoryMb("VmRSS:"),
                MemoryMb("VmRSS:") - rssBefore);

    // Half an hour in, two seconds of both players.
    const double from = std::floor(w.accompaniment.Duration() / 2);
    clock.restart();
    w.accompaniment.SetCurrentPosition(from);
    w.parts[1]->SetCurrentPosition(from);
    const double seek = clock.nsecsElapsed() / 1e6;
    w.accompaniment.Play();
    w.parts[1]->Play();
    while (w.accompaniment.CurrentPosition() < from + 2.0) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    int64_t underruns = 0;
    for (EngineMediaPlayer* p : {&w.accompaniment, w.parts[1].get()}) underruns += p->EngineSource()->stream->UnderrunFrames();
    std::printf("seek of both players to %.0f s, %d ms after the open: %.2f ms; 2 s played, frames not ready in "
                "time: %lld\n", from, waitMs, seek, static_cast<long long>(underruns));
    std::printf("RSS while playing %.0f MB, peak %.0f MB\n", MemoryMb("VmRSS:"), MemoryMb("VmHWM:"));
    w.accompaniment.Pause();
    w.parts[1]->Pause();

    // What loading cost before: the file decoded whole, once per player.
    if (skipWhole) return 0;
    clock.restart();
    std::vector<std::shared_ptr<const AudioClip>> whole;
    for (int player = 0; player < 2; ++player) whole.push_back(DecodeAudioFile(wave));
    std::printf("decoded whole for two players: %.0f ms on the window's thread, RSS %.0f MB\n",
                clock.nsecsElapsed() / 1e6, MemoryMb("VmRSS:"));
    return 0;
}
