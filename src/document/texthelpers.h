// Text length measure and in-place replacement used by the title block, the lyrics and the score.
#pragma once

#include <QString>

namespace doc {

// The length of a text in half-width units: 1 per half-width, 2 per full-width character
// (its GBK byte count), so a text's measure matches the room it takes in the project file.
int32_t MeasureTextWidth(const QString& text);

// Replaces every occurrence of `find` in `text`, scanning from the left; the search goes on
// after the inserted replacement, so no occurrence is passed over and a replacement that
// contains `find` is never replaced again. Nothing happens for an empty `find` or when
// `find` equals `replacement`.
void ReplaceAll(QString& text, const QString& find, const QString& replacement);

}  // namespace doc
