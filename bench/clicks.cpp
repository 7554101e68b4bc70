// How close the metronome's clicks sound to their beats, measured on the mix itself: the main
// window plays a song at 120 per minute with the metronome on against an accompaniment of clicks
// (a short pulse on the left channel at every beat), SDL's disk driver writes the mix to a file,
// and the onsets of the metronome (alone on the right channel) are compared with those of the
// accompaniment's pulses (left minus right). A second run counts in two bars before a recording
// and measures the clicks' spacing. With --stall=N,M the window's thread sleeps N ms every M ms
// (a busy window on a loaded machine), which the player loop must ride out.
//
//     bench_clicks [--seconds=S] [--stall=150,700]
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sndfile.h>
#include <thread>
#include <vector>

#include "app/form1.h"
#include "app/settings.h"
#include "engine_window.h"

namespace {

constexpr int kRate = AudioEngine::kRate;

// Stereo, `seconds` long: a 2 ms pulse at 0.5 on the left at every half second, the right silent.
bool WriteAccompaniment(const QString& path, int seconds) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* sf = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!sf) return false;
    std::vector<int16_t> second(size_t(2 * kRate), 0);
    for (int half = 0; half < 2; ++half)
        for (int f = 0; f < kRate / 500; ++f) second[size_t(2 * (half * kRate / 2 + f))] = 16384;
    for (int s = 0; s < seconds; ++s) sf_writef_short(sf, second.data(), kRate);
    sf_close(sf);
    return true;
}

// The frames at which `signal` rises above the threshold after at least 100 ms below it.
std::vector<int64_t> Onsets(const std::vector<float>& signal) {
    std::vector<int64_t> out;
    int64_t quietSince = -kRate / 10;  // the capture starts in silence: a click in its first 100 ms counts
    for (int64_t i = 0; i < int64_t(signal.size()); ++i) {
        if (std::fabs(signal[size_t(i)]) > 0.004f) {
            if (i - quietSince >= kRate / 10) out.push_back(i);
            quietSince = i + 1;
        }
    }
    return out;
}

struct Capture {
    std::vector<float> left, right;
};

Capture ReadCapture(const QString& path) {
    Capture c;
    FILE* f = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!f) return c;
    float frame[2];
    while (std::fread(frame, sizeof frame, 1, f) == 1) {
        c.left.push_back(frame[0] - frame[1]);  // the accompaniment alone
        c.right.push_back(frame[1]);            // the metronome alone
    }
    std::fclose(f);
    return c;
}

void Report(const char* what, std::vector<double> ms) {
    if (ms.empty()) {
        std::printf("%-34s no clicks found\n", what);
        return;
    }
    std::vector<double> mag(ms.size());
    std::transform(ms.begin(), ms.end(), mag.begin(), [](double x) { return std::fabs(x); });
    std::sort(mag.begin(), mag.end());
    std::sort(ms.begin(), ms.end());
    std::printf("%-34s n=%zu  min %+.3f  median %+.3f  max %+.3f ms   |p99| %.3f ms\n", what, ms.size(), ms.front(),
                ms[ms.size() / 2], ms.back(), mag[size_t(0.99 * double(mag.size() - 1))]);
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = 60, stallMs = 0, stallEvery = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--seconds=", 10) == 0) seconds = std::atoi(argv[i] + 10);
        if (std::strncmp(argv[i], "--stall=", 8) == 0) std::sscanf(argv[i] + 8, "%d,%d", &stallMs, &stallEvery);
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QTemporaryDir dir;
    const QString capture = dir.filePath("mix.raw");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", QFile::encodeName(capture).constData(), 1);
    QApplication qapp(argc, argv);
    const QString accompaniment = dir.filePath("pulses.wav");
    if (!WriteAccompaniment(accompaniment, seconds + 2)) return 1;

    QTimer stall;
    if (stallMs > 0 && stallEvery > 0) {
        QObject::connect(&stall, &QTimer::timeout,
                         [stallMs] { std::this_thread::sleep_for(std::chrono::milliseconds(stallMs)); });
        stall.start(stallEvery);
    }
    std::printf("window stalls: %s\n",
                stallMs ? QString("%1 ms every %2 ms").arg(stallMs).arg(stallEvery).toUtf8().constData() : "none");

    // The metronome against the accompaniment.
    {
        EngineWindow w;
        app::Form1& f = *w.form;
        f.song->TempoChangeBpm[0] = 120;
        f.song->SongSeconds = seconds;
        f.RebuildTimeline();
        f.Check3[1].SetValue(1);
        f.HScroll3[app::kMetronomeVolumeSlider].SetValue(64);  // with the pulses, below full scale
        f.UpdatePositionDisplay();
        if (!w.accompaniment.SetUrl(accompaniment)) return 1;
        f.Check2.SetValue(1);  // returns at the song end
    }
    const Capture mix = ReadCapture(capture);
    const std::vector<int64_t> beats = Onsets(mix.left), clicks = Onsets(mix.right);
    std::vector<double> offsets;
    for (int64_t c : clicks) {
        auto it = std::lower_bound(beats.begin(), beats.end(), c);
        int64_t best = -1;
        for (auto cand : {it, it == beats.begin() ? it : it - 1})
            if (cand != beats.end() && (best < 0 || std::llabs(*cand - c) < std::llabs(best - c))) best = *cand;
        if (best >= 0) offsets.push_back(double(c - best) * 1000.0 / kRate);
    }
    std::printf("accompaniment pulses %zu, metronome clicks %zu\n", beats.size(), clicks.size());
    Report("metronome click - beat", offsets);

    // The count-in: two bars of 4/4 at 120 per minute, 500 ms apart.
    {
        EngineWindow w;
        app::Form1& f = *w.form;
        f.song->TempoChangeBpm[0] = 120;
        f.song->SongSeconds = 10;
        f.RebuildTimeline();
        f.UpdatePositionDisplay();
        f.HScroll3[app::kCountInSlider].SetValue(2);
        f.HScroll3[app::kMetronomeVolumeSlider].SetValue(64);  // with the pulses, below full scale
        QTimer::singleShot(5500, [&f] { f.Command3_Click(); });  // four beats into the playback
        f.Chely.SetValue(1);
        while (f.Chely.Value() == 1) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    const std::vector<int64_t> counted = Onsets(ReadCapture(capture).right);
    std::vector<double> spacing;
    for (size_t i = 1; i < std::min<size_t>(counted.size(), 8); ++i)
        spacing.push_back(double(counted[i] - counted[i - 1]) * 1000.0 / kRate - 500.0);
    std::printf("count-in clicks %zu\n", std::min<size_t>(counted.size(), 8));
    Report("count-in spacing - 500 ms", spacing);
    return 0;
}
