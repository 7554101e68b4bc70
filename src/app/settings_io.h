// Reading and writing the small binary settings files beside the program.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace app {

// The whole file, or nothing when it cannot be opened.
std::optional<QByteArray> ReadSettingsFile(const QString& path);
// Writes the bytes to a temporary file in the same folder and renames it over `path`, so a failed
// write leaves the old file as it was. False when the file could not be written.
bool WriteSettingsFile(const QString& path, const QByteArray& bytes);

// Little-endian fields of a byte image; a field reaching past the end reads as nothing.
std::optional<int16_t> ReadInt16(const QByteArray& bytes, int offset);
std::optional<int32_t> ReadInt32(const QByteArray& bytes, int offset);
std::optional<uint8_t> ReadByte(const QByteArray& bytes, int offset);
// The writes grow the image with zero bytes as needed.
void WriteInt16(QByteArray& bytes, int offset, int16_t value);
void WriteInt32(QByteArray& bytes, int offset, int32_t value);
void WriteByte(QByteArray& bytes, int offset, uint8_t value);

// Records of 32 bytes, record r (from 1) at 32 × (r − 1), holding a text as an unsigned 16-bit byte
// count and that many GBK bytes (at most 30).
inline constexpr int kRecordLength = 32;
inline constexpr int kRecordTextRoom = 30;
// The text of record r, or nothing when the record is cut off or its count does not fit the record.
std::optional<QString> ReadRecordText(const QByteArray& bytes, int record);
// Writes the whole record: count, text cut to 30 bytes without splitting a character, zeros after it.
void WriteRecordText(QByteArray& bytes, int record, const QString& text);

}  // namespace app
