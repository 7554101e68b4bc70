// The main window over the real devices, as the program wires them: the audio engine (the driver
// SDL_AUDIODRIVER names), the synthesizer, the players and the clicks on the accompaniment's clock,
// with scripted dialogs. For the benchmarks that play.
#pragma once

#include <QCoreApplication>
#include <array>
#include <memory>

#include "app/form1.h"
#include "platform/audioengine.h"
#include "platform/dialogs.h"
#include "platform/mediaplayer.h"
#include "platform/midiout.h"
#include "platform/waveplayer.h"

struct EngineWindow {
    AudioEngine engine;
    SynthMidiOut midi{engine, AudioEngine::DefaultSoundFonts()};
    EngineMediaPlayer accompaniment{engine};
    std::array<std::unique_ptr<EngineMediaPlayer>, 10> parts;
    EngineWavePlayer clicks{engine, &accompaniment};
    vb::ScriptedDialogs dialogs;
    std::unique_ptr<app::Form1> form;

    EngineWindow() {
        app::Form1::Services s{QCoreApplication::applicationDirPath(), 1024, 768, &dialogs, &midi, &accompaniment,
                               {}, &clicks, [] {}, {}};
        for (int p = 1; p <= 9; ++p) {
            parts[p] = std::make_unique<EngineMediaPlayer>(engine);
            s.wmps[p] = parts[p].get();
        }
        form = std::make_unique<app::Form1>(s);
        form->Form_Load();
        form->Timload_Timer();
    }
};
