// GBK, the code page of every text the program keeps in its files.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

namespace textcodec {

// The text in GBK bytes, or nothing when some character has no GBK form.
std::optional<QByteArray> toGbk(const QString& text);
// GBK bytes to text; bytes that are not valid GBK become U+FFFD.
QString fromGbk(QByteArrayView bytes);
// True when every character of the text has a GBK form.
bool canEncode(const QString& text);
// The GBK byte length of the text (a character without a GBK form counts 2, as a full-width one).
int gbkLength(const QString& text);
// The text in GBK cut to at most maxBytes bytes, never splitting a character.
// Characters without a GBK form are reported through `lossless` (false) and written as "?".
QByteArray toGbkFitting(const QString& text, int maxBytes, bool* lossless = nullptr);

// The longest start of GBK bytes that holds at most maxBytes bytes and ends at a character boundary
// (a lead byte is never kept without its trail byte).
QByteArray gbkPrefix(const QByteArray& bytes, int maxBytes);

}  // namespace textcodec
