// A main window at 1024 × 768 over a temporary program folder holding copies of the resources, with
// scripted dialogs, a recording MIDI output and fake players.
#pragma once

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

#include "app/form1.h"
#include "platform/dialogs.h"
#include "platform/mediaplayer_fake.h"
#include "platform/midiout.h"
#include "platform/waveplayer.h"

class Form1Test : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QDir program(PROGRAM_DIR);
        for (const QString& name : {"GM.txt", "jp.txt", "explin.txt", "pgmode.txt", "pset.ini", "none.wav"})
            ASSERT_TRUE(QFile::copy(program.filePath(name), path(name))) << name.toStdString();
        QDir().mkpath(path("peo"));
        for (const QString& name : QDir(program.filePath("peo")).entryList(QDir::Files))
            QFile::copy(program.filePath("peo/" + name), path("peo/" + name));
    }
    void TearDown() override { form.reset(); }

    QString path(const QString& name) const { return QDir(dir.path()).filePath(name); }

    void write(const QString& name, const QByteArray& bytes) {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QByteArray read(const QString& name) const {
        QFile f(path(name));
        if (!f.open(QIODevice::ReadOnly)) return {};
        return f.readAll();
    }

    // Builds the window and runs its start-up.
    app::Form1& start() {
        app::Form1::Services s;
        s.programDir = dir.path();
        s.screenWidth = 1024;
        s.screenHeight = 768;
        s.dialogs = &dialogs;
        s.midi = &midi;
        s.wmp = &wmp;
        for (int p = 1; p <= 9; ++p) s.wmps[p] = &parts[p];
        s.wave = &wave;
        s.quit = [this] { ++quitCalls; };
        form = std::make_unique<app::Form1>(s);
        form->PrinterFactory = [](const typeset::PaperSetup&) { return std::unique_ptr<vb::Surface>(); };  // no printer
        form->Form_Load();
        return *form;
    }

    // Exit, answering the save question with No.
    void exitWithoutSaving() {
        dialogs.msgBoxAnswers.push_back(vb::vbNo);
        form->Command2_Click(4);
    }

    QTemporaryDir dir;
    vb::ScriptedDialogs dialogs;
    MidiOutRecorder midi;
    FakeMediaPlayer wmp;
    FakeMediaPlayer parts[10];
    FakeWavePlayer wave;
    int quitCalls = 0;
    std::unique_ptr<app::Form1> form;
};

inline QByteArray Hex(const char* text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }
