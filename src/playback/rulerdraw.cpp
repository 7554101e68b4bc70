#include "playback/rulerdraw.h"

#include "platform/vbtext.h"

namespace playback {

doc::RulerMarks DrawSongRuler(vb::Surface& surface, const doc::Song& song, double width) {
    surface.Cls();
    doc::RulerMarks marks = doc::ComputeRulerMarks(song, width);
    size_t next = 0;  // the next bar number to print
    for (const doc::RulerLine& line : marks.lines) {
        surface.Line(line.x, 0, line.x, line.height);
        if (line.height != 12) continue;
        const double px = line.x - 8;
        surface.SetCurrentX(px);
        if (next < marks.numbers.size() && marks.numbers[next].x == px) {
            surface.Print(vb::PrintNumber(marks.numbers[next].number));
            ++next;
        }
    }
    return marks;
}

}  // namespace playback
