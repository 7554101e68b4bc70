#include "app/settings_io.h"

#include "platform/savefile.h"
#include "platform/textcodec.h"

#include <QFile>

namespace app {

std::optional<QByteArray> ReadSettingsFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    return f.readAll();
}

bool WriteSettingsFile(const QString& path, const QByteArray& bytes) {
    return savefile::SaveWhole(path, bytes).ok();
}

namespace {
bool fits(const QByteArray& bytes, int offset, int width) {
    return offset >= 0 && offset + width <= bytes.size();
}
void grow(QByteArray& bytes, int end) {
    if (bytes.size() < end) bytes.append(QByteArray(end - bytes.size(), '\0'));
}
uint32_t readLE(const QByteArray& bytes, int offset, int width) {
    uint32_t v = 0;
    for (int i = width - 1; i >= 0; --i) v = (v << 8) | uint8_t(bytes[offset + i]);
    return v;
}
void writeLE(QByteArray& bytes, int offset, int width, uint32_t v) {
    grow(bytes, offset + width);
    for (int i = 0; i < width; ++i) bytes[offset + i] = char((v >> (8 * i)) & 0xFF);
}
}  // namespace

std::optional<int16_t> ReadInt16(const QByteArray& bytes, int offset) {
    if (!fits(bytes, offset, 2)) return std::nullopt;
    return int16_t(uint16_t(readLE(bytes, offset, 2)));
}
std::optional<int32_t> ReadInt32(const QByteArray& bytes, int offset) {
    if (!fits(bytes, offset, 4)) return std::nullopt;
    return int32_t(readLE(bytes, offset, 4));
}
std::optional<uint8_t> ReadByte(const QByteArray& bytes, int offset) {
    if (!fits(bytes, offset, 1)) return std::nullopt;
    return uint8_t(bytes[offset]);
}
void WriteInt16(QByteArray& bytes, int offset, int16_t value) { writeLE(bytes, offset, 2, uint16_t(value)); }
void WriteInt32(QByteArray& bytes, int offset, int32_t value) { writeLE(bytes, offset, 4, uint32_t(value)); }
void WriteByte(QByteArray& bytes, int offset, uint8_t value) { writeLE(bytes, offset, 1, value); }

std::optional<QString> ReadRecordText(const QByteArray& bytes, int record) {
    const int start = kRecordLength * (record - 1);
    auto count = ReadInt16(bytes, start);
    if (!count) return std::nullopt;
    const int n = uint16_t(*count);
    if (n > kRecordTextRoom || !fits(bytes, start + 2, n)) return std::nullopt;
    return textcodec::fromGbk(bytes.mid(start + 2, n));
}

void WriteRecordText(QByteArray& bytes, int record, const QString& text) {
    const int start = kRecordLength * (record - 1);
    const QByteArray gbk = textcodec::toGbkFitting(text, kRecordTextRoom);
    grow(bytes, start + kRecordLength);
    WriteInt16(bytes, start, int16_t(gbk.size()));
    for (int i = 0; i < kRecordTextRoom; ++i) bytes[start + 2 + i] = i < gbk.size() ? gbk[i] : '\0';
}

}  // namespace app
