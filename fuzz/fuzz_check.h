// What the fuzz targets share: a check that stops the run with a message (libFuzzer then keeps the
// input that broke it), the new song every input starts from, and a font check that does not need
// the application object.
#pragma once

#include <QString>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "document/newsong.h"
#include "document/song.h"
#include "document/timeline.h"

#define FUZZ_CHECK(cond, what)                                                               \
    do {                                                                                     \
        if (!(cond)) {                                                                       \
            std::fprintf(stderr, "fuzz check failed at %s:%d: %s\n", __FILE__, __LINE__, what); \
            std::abort();                                                                    \
        }                                                                                    \
    } while (0)

namespace fuzz {

// A song as the New command leaves it (timeline built), made once; each input starts from a copy.
inline const doc::Song& NewSongTemplate() {
    static const std::unique_ptr<doc::Song> song = [] {
        auto s = doc::Song::create();
        doc::NewProject(*s);
        doc::RebuildTimeline(*s, false);
        return s;
    }();
    return *song;
}

// A song as the New command leaves it, for one input: each call gives back the same object
// (`which` tells apart the songs one input needs at once), assigned anew from the template. A song
// holds nine tables of 4096 rows; making one per input would cost more than the input's own work.
inline doc::Song& NewSong(int which = 0) {
    static std::unique_ptr<doc::Song> songs[2] = {std::make_unique<doc::Song>(NewSongTemplate()),
                                                  std::make_unique<doc::Song>(NewSongTemplate())};
    doc::Song& song = *songs[which & 1];
    song = NewSongTemplate();
    return song;
}

// The fonts a test machine has: the two design fonts and a few Latin names.
inline bool FontInstalled(const QString& name) {
    return name == QStringLiteral("宋体") || name == QStringLiteral("黑体") || name == QStringLiteral("Sans") ||
           name == QStringLiteral("Serif");
}

}  // namespace fuzz
