#include "document/parts.h"

#include <algorithm>
#include <utility>

namespace doc {

void SwapParts(Song& song, int a, int b) {
    if (a == b) return;
    const int n = std::max(song.Parts[a].NoteCount, song.Parts[b].NoteCount);
    for (int row = 0; row < n; ++row) std::swap(song.Notes[a][row], song.Notes[b][row]);
    std::swap(song.Parts[a], song.Parts[b]);
}

QStringList PartNames(const Song& song) {
    QStringList names;
    for (int p = 1; p <= song.PartCount; ++p) names.append(song.Parts[p].Name);
    return names;
}

}  // namespace doc
