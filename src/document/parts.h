// Operations on whole parts.
#pragma once

#include "document/song.h"

#include <QStringList>

namespace doc {

// Exchanges parts a and b completely: their note rows (as many as the larger note count)
// and their part records.
void SwapParts(Song& song, int a, int b);

// The names the part-name labels show, parts 1 .. PartCount in order.
QStringList PartNames(const Song& song);

}  // namespace doc
