// System settings: the option switches, sliders, editor colours, lyric font, playback switches and the
// rights-line font name that outlive a song, their file set.ini beside the program, and the pure parts
// of the settings panel (value captions, derived values, the font-size check).
#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace app {

inline constexpr const char* kSystemSettingsFile = "set.ini";
inline constexpr int kOptionCount = 8;     // Check5(0..7)
inline constexpr int kSliderCount = 11;    // HScroll3(0..10)
inline constexpr int kColourCount = 13;    // Label15(0..12)
inline constexpr int kPlaybackSwitchCount = 3;  // Check3(0..2)

// Slider indexes.
enum Slider : int {
    kZoomSlider = 0,
    kAccompanimentVolumeSlider = 1,
    kMetronomeVolumeSlider = 2,
    kNoteWidthSlider = 3,
    kSlantSlider = 4,
    kNoteLineWidthSlider = 5,
    kSemitoneLineWidthSlider = 6,
    kMidiDelaySlider = 7,
    kCountInSlider = 8,
    kBreathLengthSlider = 9,
    kBreathDetectSlider = 10,
};

// Playback switch indexes ("伴奏", "节拍器", "循环播放").
enum PlaybackSwitch : int {
    kAccompanimentSwitch = 0,
    kMetronomeSwitch = 1,
    kLoopSwitch = 2,
};

struct SliderDef {
    const char* caption;
    int16_t min;
    int16_t max;
    int16_t initial;
};
const std::array<SliderDef, kSliderCount>& SliderDefs();

struct ColourDef {
    const char* caption;   // as shown, with its padding blanks
    uint32_t initial;      // &H00BBGGRR
};
const std::array<ColourDef, kColourCount>& ColourDefs();

const std::array<const char*, kOptionCount>& OptionCaptions();
const std::array<const char*, kPlaybackSwitchCount>& PlaybackSwitchCaptions();

// The design fonts the settings fall back to.
inline constexpr const char* kDesignLyricFontName = "宋体";
inline constexpr int16_t kDesignLyricFontSize = 12;
inline constexpr const char* kDesignRightsFontName = "宋体";

struct SystemSettings {
    std::array<uint8_t, kOptionCount> options{1, 0, 1, 1, 1, 0, 1, 1};        // check-box values 0/1
    std::array<int16_t, kSliderCount> sliders{100, 127, 127, 5, 10, 10, 10, 160, 0, 80, 200};
    std::array<uint32_t, kColourCount> colours{0x0000C000, 0x000000FF, 0x00FFFFFF, 0x00FF00FF, 0x00C0C0FF,
                                               0x00C0C0C0, 0x000000FF, 0x0080FF80, 0x00FFFBDF, 0x00FF0000,
                                               0x0000C000, 0x0000C000, 0x0000FFFF};
    QString lyricFontName = kDesignLyricFontName;
    int16_t lyricFontSize = kDesignLyricFontSize;  // points
    bool lyricFontBold = false;
    bool lyricFontItalic = false;
    std::array<uint8_t, kPlaybackSwitchCount> playback{1, 0, 0};  // "伴奏", "节拍器", "循环播放"
    QString rightsFontName = kDesignRightsFontName;

    bool operator==(const SystemSettings&) const = default;
};

// set.ini layout (little-endian, texts in GBK).
namespace setini {
inline constexpr int kOptions = 0;        // 8 bytes
inline constexpr int kSliders = 9;        // 11 × signed 16-bit
inline constexpr int kColours = 31;       // colours 0..11, signed 32-bit each (31..78)
inline constexpr int kLyricFontSize = 79; // signed 16-bit, points
inline constexpr int kLyricFontBold = 81; // 255 / 0
inline constexpr int kLyricFontItalic = 82;
inline constexpr int kPlayback = 83;      // 3 bytes
// Colour 12 (recorded notes): 31 + 4 × 12 would be 79, the lyric font's place, so it is kept in the
// free room after the playback switches.
inline constexpr int kColour12 = 86;
inline constexpr int kLyricFontRecord = 4;   // bytes 96..127
inline constexpr int kRightsFontRecord = 5;  // bytes 128..159
inline constexpr int kLength = 160;
}  // namespace setini

// Whether a font of this name can be used (installed, or mapped onto an installed font). Needs the
// application object, as every font query does.
bool IsFontInstalled(const QString& name);

struct SettingsLoadReport {
    bool fileMissing = false;
    int fieldsDefaulted = 0;  // fields missing, out of range or naming an unknown font
};

// Reads set.ini. Every field that is missing (no file, a short file), out of its range or naming a
// font `fontInstalled` does not know takes its initial value; nothing else of the file is lost.
SystemSettings LoadSystemSettings(const QString& path,
                                  const std::function<bool(const QString&)>& fontInstalled = IsFontInstalled,
                                  SettingsLoadReport* report = nullptr);
// The same over the file's bytes already read (nothing: the file is missing).
SystemSettings ParseSystemSettings(const std::optional<QByteArray>& file,
                                   const std::function<bool(const QString&)>& fontInstalled = IsFontInstalled,
                                   SettingsLoadReport* report = nullptr);
// Writes every field at its place; bytes of an existing file outside the fields are kept. The file is
// replaced whole, so a failed write leaves the old one. False when it could not be written.
bool SaveSystemSettings(const QString& path, const SystemSettings& settings);
// The bytes such a save writes over a file that held `existing`.
QByteArray BuildSystemSettingsBytes(QByteArray existing, const SystemSettings& settings);

// Panel logic.
// The text of a slider's value label ("100%", "127", "键盘触发", ...).
QString SliderValueText(int index, int value);
// The value clamped into a slider's range.
int16_t ClampSliderValue(int index, int value);
// Half the slant slider's value, halves to even.
int SlantHalfWidth(int slantValue);
// The MIDI delay in seconds.
double MidiDelaySeconds(int delayValue);
// The track-view page for a zoom in percent: end = cursor + 38400 / zoom (whole ticks, halves to even),
// span = end − cursor; the view then adds kTrackPageMargin to both.
struct TrackPage {
    int32_t end = 0;
    int32_t span = 0;
};
inline constexpr int kTrackPageMargin = 48;
TrackPage TrackPageForZoom(int32_t cursorTick, int zoomPercent);

// Font dialogs refuse sizes above 60 points with kFontTooLargeMessage.
inline constexpr double kLargestFontPoints = 60;
inline constexpr const char* kFontTooLargeMessage = "字体太大";
inline constexpr const char* kSettingsMessageTitle = "提示";
// A settings file that could not be written: "无法保存文件:[name]，写入文件时出错！".
QString SettingsSaveFailedMessage(const QString& fileName);
bool IsFontTooLarge(double points);

}  // namespace app
