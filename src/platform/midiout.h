// MIDI output in the packed short-message form: status | data1 << 8 | data2 << 16.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

class AudioEngine;

class MidiOut {
public:
    virtual ~MidiOut() = default;
    // Opens output device `device`; only device 0 exists. True when the device is open.
    virtual bool Open(int device) = 0;
    // Sends one packed message. Program change (0xCn) and channel pressure (0xDn) use data1 only;
    // the other byte is ignored. Messages sent while the device is closed go nowhere.
    virtual void ShortMsg(uint32_t message) = 0;
    // Sends a message of the player, whose due time is `lateSeconds` past (negative: still to
    // come). A device that corrects for an output delay places it by that time; by default it goes
    // out at once.
    virtual void ShortMsgDue(uint32_t message, double lateSeconds) { ShortMsg(message); }
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
};

// Device 0 is the engine's General MIDI synthesizer. Opening it loads the first SoundFont of
// `soundFonts` that loads; when none does, the device still opens and stays silent
// (`SoundFontError` tells why).
class SynthMidiOut : public MidiOut {
public:
    explicit SynthMidiOut(AudioEngine& engine, QStringList soundFonts = {});
    ~SynthMidiOut() override;

    bool Open(int device) override;
    // From then on Open loads the SoundFont on a thread of its own and returns at once (start-up
    // need not wait for it). Messages sent meanwhile are applied in their order once it is
    // loaded; a player's message, Close and SoundFontError wait for the load.
    void LoadInBackground() { background_ = true; }
    void ShortMsg(uint32_t message) override;
    // Like the output the MIDI-delay setting corrects for, a player's message sounds
    // kOutputDelay after its due time, at its sample in the mix; other messages sound at once.
    void ShortMsgDue(uint32_t message, double lateSeconds) override;
    void Close() override;
    bool IsOpen() const override { return open_; }
    QString SoundFontError() const { return waitForLoad(), soundFontError_; }
    static constexpr double kOutputDelay = 0.160;

private:
    void loadSoundFont();
    void apply(uint32_t message);
    void waitForLoad() const;
    AudioEngine& engine_;
    QStringList soundFonts_;
    QString soundFontError_;
    bool open_ = false;
    bool background_ = false;
    mutable std::thread loader_;
    std::mutex pendingMutex_;
    bool loading_ = false;              // the loader runs: messages wait in pending_
    std::vector<uint32_t> pending_;
};

// Test double: keeps every message in the order sent.
class MidiOutRecorder : public MidiOut {
public:
    bool Open(int device) override {
        ++openCalls;
        if (device != 0) return false;
        open = true;
        return true;
    }
    void ShortMsg(uint32_t message) override { (open ? messages : droppedWhileClosed).push_back(message); }
    void Close() override {
        ++closeCalls;
        open = false;
    }
    bool IsOpen() const override { return open; }

    bool open = false;
    int openCalls = 0;
    int closeCalls = 0;
    std::vector<uint32_t> messages;            // sent while open, in order
    std::vector<uint32_t> droppedWhileClosed;  // sent while closed (a real device drops them)
};
