// Playback under load: the event list of the fullest song (8 parts of 4096 notes over 600 s at
// 180 per minute), and a live 60 s run of the main window's player loop on the real audio engine
// (SDL's dummy driver when no sound card is wanted): 8 parts of eighth notes at 120 per minute with
// the metronome on. The live run reports how late each note went out against the accompaniment
// clock (its position at the send minus the event's time) and the CPU time it took.
//
// LivePlaybackRun keeps the window hidden; LivePlaybackRunShown plays with the main window shown on
// an X display, as the user sees it, and also counts the window's repaint passes and painted pixels. Without DISPLAY
// the program starts its own Xvfb for the run (its CPU is reported as xserver_cpu_pct); without
// either the shown run is skipped.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPaintEvent>
#include <QWindow>
#include <algorithm>
#include <array>
#include <chrono>
#include <memory>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <signal.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "app/form1.h"
#include "app/settings.h"
#include "app/startup.h"
#include "document/newsong.h"
#include "document/timeline.h"
#include "platform/audioengine.h"
#include "platform/dialogs.h"
#include "platform/mediaplayer.h"
#include "platform/midiout.h"
#include "platform/waveplayer.h"
#include "playback/events.h"

namespace {

void AddNotes(doc::Song& song, int parts, int count, int32_t step, int16_t length) {
    song.PartCount = int16_t(parts);
    for (int p = 1; p <= parts; ++p) {
        song.Parts[p].NoteCount = int16_t(count);
        for (int i = 0; i < count; ++i) {
            doc::NoteRecord& n = song.Notes[p][i];
            n.Start = i * step;
            n.Length = length;
            n.Pitch = uint8_t(48 + 4 * p + i % 5);
        }
    }
}

void BM_BuildPlaybackEventsFullSong(benchmark::State& state) {
    auto song = doc::Song::create();
    doc::NewProject(*song);
    song->SongSeconds = 600;
    song->TempoChangeBpm[0] = 180;
    doc::RebuildTimeline(*song, false);
    AddNotes(*song, 8, 4096, 21, 20);  // 86016 of the song's 86400 ticks
    size_t events = 0;
    for (auto _ : state) {
        auto list = playback::BuildPlaybackEvents(*song, 0.16);
        events = list.size();
        benchmark::DoNotOptimize(list.data());
    }
    state.counters["events"] = double(events);
}
BENCHMARK(BM_BuildPlaybackEventsFullSong)->Unit(benchmark::kMillisecond);

double CpuSeconds(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

// Device 0 as the program opens it, noting for each note how late it went out.
class TimedMidiOut : public MidiOut {
public:
    explicit TimedMidiOut(AudioEngine& engine) : synth_(engine) {}
    bool Open(int device) override { return synth_.Open(device); }
    void Close() override { synth_.Close(); }
    bool IsOpen() const override { return synth_.IsOpen(); }
    void ShortMsg(uint32_t message) override { synth_.ShortMsg(message); }
    void ShortMsgDue(uint32_t message, double lateSeconds) override {
        const int status = message & 0xF0;
        if (form && form->IsPlaying && (status == 0x80 || status == 0x90)) {
            const int i = form->NextEventIndex - 1;
            // Notes due before 0 s (within the MIDI delay of the start) go out in the first turn
            // by design; they are not counted.
            if (i >= 0 && i < int(form->PlayEvents.size()) && form->PlayEvents[size_t(i)].Time >= 0)
                lateness.push_back(form->WMP().CurrentPosition() - form->AudioTimeOffsets[0] -
                                   form->PlayEvents[size_t(i)].Time);
        }
        synth_.ShortMsgDue(message, lateSeconds);
    }
    app::Form1* form = nullptr;
    std::vector<double> lateness;

private:
    SynthMidiOut synth_;
};

// The Xvfb this program started (0: none) and the display it serves.
pid_t xvfbPid = 0;

// CPU seconds (user + system) a process has used so far, from /proc.
double ProcessCpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(in, line);
    const size_t close = line.rfind(')');
    if (close == std::string::npos) return 0;
    // After the command: state, then fields 4..; utime and stime are fields 14 and 15.
    std::vector<std::string> fields;
    size_t at = close + 2;
    while (at < line.size()) {
        size_t next = line.find(' ', at);
        if (next == std::string::npos) next = line.size();
        fields.push_back(line.substr(at, next - at));
        at = next + 1;
    }
    if (fields.size() < 13) return 0;
    return (std::stod(fields[11]) + std::stod(fields[12])) / double(sysconf(_SC_CLK_TCK));
}

double RusageSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + 1e-6 * double(u.ru_utime.tv_usec + u.ru_stime.tv_usec);
}

// Times any thread of the process went to sleep (each a wake-up later).
double ContextSwitches() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_nvcsw);
}

// Counts the repaint passes of the top-level windows (each ends in one flush to the display) and the
// pixels their widgets paint.
class RepaintCounter : public QObject {
public:
    int passes = 0;
    double pixels = 0;  // summed over the paint events' regions

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::UpdateRequest && o->isWidgetType() && static_cast<QWidget*>(o)->isWindow())
            ++passes;
        if (e->type() == QEvent::Paint) {
            double area = 0;
            for (const QRect& r : static_cast<QPaintEvent*>(e)->region()) area += double(r.width()) * r.height();
            pixels += area;
        }
        return false;
    }
};

void RunLive(benchmark::State& state, bool shown, int partCount) {
    if (shown && QGuiApplication::platformName() != "xcb") {
        state.SkipWithError("needs an X display (DISPLAY, or Xvfb on the path)");
        return;
    }
    for (auto _ : state) {
        AudioEngine engine;
        TimedMidiOut midi(engine);
        EngineMediaPlayer accompaniment(engine);
        std::array<std::unique_ptr<EngineMediaPlayer>, 10> parts;
        EngineWavePlayer clicks(engine, &accompaniment);
        vb::ScriptedDialogs dialogs;
        app::Form1::Services s{QCoreApplication::applicationDirPath(), 1024, 768, &dialogs, &midi, &accompaniment,
                               {}, &clicks, [] {}, {}};
        for (int p = 1; p <= 9; ++p) {
            parts[p] = std::make_unique<EngineMediaPlayer>(engine);
            s.wmps[p] = parts[p].get();
        }
        app::Form1 form(s);
        form.Form_Load();
        form.Timload_Timer();
        midi.form = &form;

        form.song->SongSeconds = 60;
        form.song->TempoChangeBpm[0] = 120;
        form.RebuildTimeline();
        AddNotes(*form.song, partCount, 240, 24, 24);  // eighth notes through the 60 s
        for (int p = 1; p <= partCount; ++p) form.Check1[20 + p].SetValue(1);
        form.song->PlayEventsStale = -1;
        form.Check3[1].SetValue(1);
        form.UpdatePositionDisplay();

        RepaintCounter repaints;
        if (shown) {
            // As the program shows it: frameless, covering the screen.
            form.setWindowFlags(Qt::FramelessWindowHint);
            form.show();
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (!(form.windowHandle() && form.windowHandle()->isExposed()) &&
                   std::chrono::steady_clock::now() < until)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            // Let the first full paint go out before the run is measured.
            for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            qApp->installEventFilter(&repaints);
        }

        const double x0 = xvfbPid ? ProcessCpuSeconds(xvfbPid) : 0;
        const double ui0 = CpuSeconds(CLOCK_THREAD_CPUTIME_ID), all0 = RusageSeconds(), sw0 = ContextSwitches();
        const auto wall0 = std::chrono::steady_clock::now();
        form.Check2.SetValue(1);  // returns at the song end
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
        const double ui = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - ui0, all = RusageSeconds() - all0;
        const double sleeps = ContextSwitches() - sw0;
        const double xserver = xvfbPid ? ProcessCpuSeconds(xvfbPid) - x0 : 0;
        qApp->removeEventFilter(&repaints);

        std::vector<double> late = midi.lateness;
        std::sort(late.begin(), late.end());
        auto at = [&](double q) { return late.empty() ? 0.0 : late[size_t(q * double(late.size() - 1))] * 1000; };
        state.counters["notes"] = double(late.size());
        state.counters["late_p50_ms"] = at(0.5);
        state.counters["late_p99_ms"] = at(0.99);
        state.counters["late_max_ms"] = late.empty() ? 0.0 : late.back() * 1000;
        state.counters["ui_cpu_pct"] = 100 * ui / wall;
        state.counters["process_cpu_pct"] = 100 * all / wall;
        state.counters["wakeups_per_s"] = sleeps / wall;
        if (shown) {
            state.counters["repaints_per_s"] = repaints.passes / wall;
            state.counters["painted_kpx_per_s"] = repaints.pixels / 1000 / wall;
            if (xvfbPid) state.counters["xserver_cpu_pct"] = 100 * xserver / wall;
        }
        state.counters["run_s"] = wall;
        midi.form = nullptr;
    }
}

void BM_LivePlaybackRun(benchmark::State& state) { RunLive(state, false, 8); }
BENCHMARK(BM_LivePlaybackRun)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_LivePlaybackRunShown(benchmark::State& state) { RunLive(state, true, 8); }
BENCHMARK(BM_LivePlaybackRunShown)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// The choir's usual song: five parts (as the sample song), the window shown.
void BM_LivePlaybackRunShownFiveParts(benchmark::State& state) { RunLive(state, true, 5); }
BENCHMARK(BM_LivePlaybackRunShownFiveParts)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// Starts Xvfb on a free display for the shown run; false when it cannot.
bool StartXvfb() {
    int fds[2];
    if (pipe(fds) != 0) return false;
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        ::close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    ::close(fds[1]);
    std::string display;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') display += c;
    ::close(fds[0]);
    if (display.empty()) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        return false;
    }
    xvfbPid = pid;
    setenv("DISPLAY", (":" + display).c_str(), 1);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // On X: the given display, or an Xvfb of our own; offscreen when neither is there.
    if (!getenv("QT_QPA_PLATFORM")) {
        const bool display = (getenv("DISPLAY") && *getenv("DISPLAY")) || StartXvfb();
        setenv("QT_QPA_PLATFORM", display ? "xcb" : "offscreen", 1);
    }
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    {
        QApplication qapp(argc, argv);
        app::installFonts(QCoreApplication::applicationDirPath());  // the program's fonts, as it starts
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
    }
    if (xvfbPid) {
        kill(xvfbPid, SIGTERM);
        waitpid(xvfbPid, nullptr, 0);
    }
    return 0;
}
