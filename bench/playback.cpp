// Playback under load: the event list of the fullest song (8 parts of 4096 notes over 600 s at
// 180 per minute), and a live 60 s run of the main window's player loop on the real audio engine
// (SDL's dummy driver when no sound card is wanted): 8 parts of eighth notes at 120 per minute with
// the metronome on. The live run reports how late each note went out against the accompaniment
// clock (its position at the send minus the event's time) and the CPU time it took.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <algorithm>
#include <array>
#include <chrono>
#include <memory>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "app/form1.h"
#include "app/settings.h"
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

void BM_LivePlaybackRun(benchmark::State& state) {
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
        AddNotes(*form.song, 8, 240, 24, 24);  // eighth notes through the 60 s
        for (int p = 1; p <= 8; ++p) form.Check1[20 + p].SetValue(1);
        form.song->PlayEventsStale = -1;
        form.Check3[1].SetValue(1);
        form.UpdatePositionDisplay();

        const double ui0 = CpuSeconds(CLOCK_THREAD_CPUTIME_ID), all0 = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        const auto wall0 = std::chrono::steady_clock::now();
        form.Check2.SetValue(1);  // returns at the song end
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
        const double ui = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - ui0, all = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - all0;

        std::vector<double> late = midi.lateness;
        std::sort(late.begin(), late.end());
        auto at = [&](double q) { return late.empty() ? 0.0 : late[size_t(q * double(late.size() - 1))] * 1000; };
        state.counters["notes"] = double(late.size());
        state.counters["late_p50_ms"] = at(0.5);
        state.counters["late_p99_ms"] = at(0.99);
        state.counters["late_max_ms"] = late.empty() ? 0.0 : late.back() * 1000;
        state.counters["ui_cpu_pct"] = 100 * ui / wall;
        state.counters["process_cpu_pct"] = 100 * all / wall;
        state.counters["run_s"] = wall;
        midi.form = nullptr;
    }
}
BENCHMARK(BM_LivePlaybackRun)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    QApplication qapp(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
