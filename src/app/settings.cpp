#include "app/settings.h"

#include "app/settings_io.h"
#include "platform/vbtext.h"

#include <QFont>
#include <QFontDatabase>
#include <QStringList>
#include <algorithm>

namespace app {

const std::array<SliderDef, kSliderCount>& SliderDefs() {
    static const std::array<SliderDef, kSliderCount> defs = {{
        {"播放比例", 25, 400, 100},
        {"伴奏音量:", 1, 127, 127},
        {"节拍器音量:", 1, 127, 127},
        {"音符宽度:", 1, 8, 5},
        {"变音斜度:", 0, 20, 10},
        {"音符线宽度:", 0, 20, 10},
        {"半音线宽度:", 0, 20, 10},
        {"MIDI延迟修正:", 0, 500, 160},
        {"录音前置小节:", 0, 5, 0},
        {"换气音符时值:", 0, 99, 80},
        {"换气音符识别:", 1, 500, 200},
    }};
    return defs;
}

const std::array<ColourDef, kColourCount>& ColourDefs() {
    static const std::array<ColourDef, kColourCount> defs = {{
        {"编辑音符", 0x0000C000},
        {"选中音符", 0x000000FF},
        {"编辑背景", 0x00FFFFFF},
        {"中 央 C ", 0x00FF00FF},
        {"   C    ", 0x00C0C0FF},
        {" 拍  线 ", 0x00C0C0C0},
        {"小 节 线", 0x000000FF},
        {"播放 拍 线", 0x0080FF80},
        {"播放小节线", 0x00FFFBDF},
        {"音 符 线", 0x00FF0000},
        {" 注    释 ", 0x0000C000},
        {" 进 度 线 ", 0x0000C000},
        {" 录制音符 ", 0x0000FFFF},
    }};
    return defs;
}

const std::array<const char*, kOptionCount>& OptionCaptions() {
    static const std::array<const char*, kOptionCount> captions = {
        "自动定位到下一字", "量化时忽视音符长度", "提示插入信息", "提示小节",
        "提示拍点", "仅在录制时启用节拍器", "可以用鼠标移动修改音高", "点击音符发音"};
    return captions;
}

const std::array<const char*, kPlaybackSwitchCount>& PlaybackSwitchCaptions() {
    static const std::array<const char*, kPlaybackSwitchCount> captions = {"伴奏", "节拍器", "循环播放"};
    return captions;
}

bool IsFontInstalled(const QString& name) {
    if (name.trimmed().isEmpty()) return false;
    const QStringList families = QFontDatabase::families();
    if (families.contains(name, Qt::CaseInsensitive)) return true;
    for (const QString& sub : QFont::substitutes(name))
        if (families.contains(sub, Qt::CaseInsensitive)) return true;
    return false;
}

namespace {

int colourOffset(int i) { return i < 12 ? setini::kColours + 4 * i : setini::kColour12; }

// A check-box value: 0 or 1.
bool readSwitch(const QByteArray& bytes, int offset, uint8_t& out) {
    auto v = ReadByte(bytes, offset);
    if (!v || *v > 1) return false;
    out = *v;
    return true;
}

// A stored flag: 255 true, 0 false.
bool readFlag(const QByteArray& bytes, int offset, bool& out) {
    auto v = ReadByte(bytes, offset);
    if (!v || (*v != 0 && *v != 255)) return false;
    out = *v == 255;
    return true;
}

}  // namespace

SystemSettings LoadSystemSettings(const QString& path, const std::function<bool(const QString&)>& fontInstalled,
                                  SettingsLoadReport* report) {
    return ParseSystemSettings(ReadSettingsFile(path), fontInstalled, report);
}

SystemSettings ParseSystemSettings(const std::optional<QByteArray>& file,
                                   const std::function<bool(const QString&)>& fontInstalled,
                                   SettingsLoadReport* report) {
    SystemSettings s;
    SettingsLoadReport r;
    if (!file) r.fileMissing = true;
    const QByteArray bytes = file.value_or(QByteArray());
    auto fieldOk = [&r](bool ok) {
        if (!ok) ++r.fieldsDefaulted;
    };

    for (int i = 0; i < kOptionCount; ++i) fieldOk(readSwitch(bytes, setini::kOptions + i, s.options[i]));
    for (int i = 0; i < kSliderCount; ++i) {
        auto v = ReadInt16(bytes, setini::kSliders + 2 * i);
        const SliderDef& def = SliderDefs()[i];
        bool ok = v && *v >= def.min && *v <= def.max;
        if (ok) s.sliders[i] = *v;
        fieldOk(ok);
    }
    for (int i = 0; i < kColourCount; ++i) {
        auto v = ReadInt32(bytes, colourOffset(i));
        bool ok = v && *v >= 0 && *v <= 0x00FFFFFF;
        if (ok) s.colours[i] = uint32_t(*v);
        fieldOk(ok);
    }
    auto size = ReadInt16(bytes, setini::kLyricFontSize);
    bool sizeOk = size && *size >= 1 && *size <= kLargestFontPoints;
    if (sizeOk) s.lyricFontSize = *size;
    fieldOk(sizeOk);
    fieldOk(readFlag(bytes, setini::kLyricFontBold, s.lyricFontBold));
    fieldOk(readFlag(bytes, setini::kLyricFontItalic, s.lyricFontItalic));
    for (int i = 0; i < kPlaybackSwitchCount; ++i) fieldOk(readSwitch(bytes, setini::kPlayback + i, s.playback[i]));

    auto fontName = [&](int record, QString& out) {
        auto name = ReadRecordText(bytes, record);
        bool ok = name && !name->trimmed().isEmpty() && (!fontInstalled || fontInstalled(*name));
        if (ok) out = *name;
        fieldOk(ok);
    };
    fontName(setini::kLyricFontRecord, s.lyricFontName);
    fontName(setini::kRightsFontRecord, s.rightsFontName);

    if (report) *report = r;
    return s;
}

bool SaveSystemSettings(const QString& path, const SystemSettings& s) {
    return WriteSettingsFile(path, BuildSystemSettingsBytes(ReadSettingsFile(path).value_or(QByteArray()), s));
}

QByteArray BuildSystemSettingsBytes(QByteArray bytes, const SystemSettings& s) {
    if (bytes.size() < setini::kLength) bytes.append(QByteArray(setini::kLength - bytes.size(), '\0'));
    // Byte pass.
    for (int i = 0; i < kOptionCount; ++i) WriteByte(bytes, setini::kOptions + i, s.options[i]);
    for (int i = 0; i < kSliderCount; ++i) WriteInt16(bytes, setini::kSliders + 2 * i, s.sliders[i]);
    for (int i = 0; i < kColourCount; ++i) WriteInt32(bytes, colourOffset(i), int32_t(s.colours[i]));
    WriteInt16(bytes, setini::kLyricFontSize, s.lyricFontSize);
    WriteByte(bytes, setini::kLyricFontBold, s.lyricFontBold ? 255 : 0);
    WriteByte(bytes, setini::kLyricFontItalic, s.lyricFontItalic ? 255 : 0);
    for (int i = 0; i < kPlaybackSwitchCount; ++i) WriteByte(bytes, setini::kPlayback + i, s.playback[i]);
    // Record pass.
    WriteRecordText(bytes, setini::kLyricFontRecord, s.lyricFontName);
    WriteRecordText(bytes, setini::kRightsFontRecord, s.rightsFontName);
    return bytes;
}

QString SettingsSaveFailedMessage(const QString& fileName) {
    return QStringLiteral("无法保存文件:[") + fileName + QStringLiteral("]，写入文件时出错！");
}

QString SliderValueText(int index, int value) {
    switch (index) {
    case kZoomSlider:
    case kBreathLengthSlider:
    case kBreathDetectSlider:
        return QString::number(value) + "%";
    case kCountInSlider:
        return value == 5 ? QStringLiteral("键盘触发") : QString::number(value);
    default:
        return QString::number(value);
    }
}

int16_t ClampSliderValue(int index, int value) {
    const SliderDef& def = SliderDefs().at(index);
    return int16_t(std::clamp(value, int(def.min), int(def.max)));
}

int SlantHalfWidth(int slantValue) { return int(vb::Round(slantValue / 2.0)); }

double MidiDelaySeconds(int delayValue) { return delayValue / 1000.0; }

TrackPage TrackPageForZoom(int32_t cursorTick, int zoomPercent) {
    const int zoom = ClampSliderValue(kZoomSlider, zoomPercent);
    TrackPage page;
    page.end = vb::CLng(cursorTick + 38400.0 / zoom);
    page.span = page.end - cursorTick;
    return page;
}

bool IsFontTooLarge(double points) { return points > kLargestFontPoints; }

}  // namespace app
