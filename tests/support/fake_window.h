// The main window over stand-in devices: scripted dialogs, a recording MIDI output, fake players
// for the accompaniment and parts 1..9 and a fake click player. Used by the window tests and the
// benchmarks.
#pragma once

#include <QString>
#include <memory>

#include "app/form1.h"
#include "platform/dialogs.h"
#include "platform/mediaplayer_fake.h"
#include "platform/midiout.h"
#include "platform/waveplayer.h"

struct FakeWindow {
    vb::ScriptedDialogs dialogs;
    MidiOutRecorder midi;
    FakeMediaPlayer wmp;
    FakeMediaPlayer parts[10];
    FakeWavePlayer wave;
    std::function<QStringList()> audioProblems;  // what the output would say is wrong with it
    std::unique_ptr<app::Form1> form;

    // The window's services on these devices, for a screen of width × height.
    app::Form1::Services services(const QString& programDir, int width = 1024, int height = 768) {
        app::Form1::Services s{programDir, width, height, &dialogs, &midi, &wmp, {}, &wave, {}, {}};
        for (int p = 1; p <= 9; ++p) s.wmps[p] = &parts[p];
        s.audioProblems = [this] { return audioProblems ? audioProblems() : QStringList(); };
        return s;
    }
    // Builds the window and runs its start-up; it has no printer.
    app::Form1& build(const app::Form1::Services& s) {
        form = std::make_unique<app::Form1>(s);
        form->PrinterFactory = [](const typeset::PaperSetup&) { return std::unique_ptr<vb::Surface>(); };
        form->Form_Load();
        return *form;
    }
};
