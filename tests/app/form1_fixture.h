// A main window at 1024 × 768 over a temporary program folder holding copies of the resources, with
// scripted dialogs, a recording MIDI output and fake players.
#pragma once

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

#include "app/startup.h"
#include "support/fake_window.h"

class Form1Test : public ::testing::Test, protected FakeWindow {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        // The fonts as the program installs them before its window exists: every window of the
        // process measures and draws with the same ones (measured inks are kept while they stay).
        static const bool fonts = app::installFonts(PROGRAM_DIR);
        ASSERT_TRUE(fonts);
        QDir program(PROGRAM_DIR);
        for (const char* name : {"GM.txt", "jp.txt", "explin.txt", "pgmode.txt", "pset.ini", "none.wav"})
            ASSERT_TRUE(QFile::copy(program.filePath(name), path(name))) << name;
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
        app::Form1::Services s = services(dir.path());
        s.quit = [this] { ++quitCalls; };
        return build(s);
    }

    // Exit, answering the save question with No.
    void exitWithoutSaving() {
        dialogs.msgBoxAnswers.push_back(vb::vbNo);
        form->Command2_Click(4);
    }

    QTemporaryDir dir;
    int quitCalls = 0;
};

inline QByteArray Hex(const char* text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }
