#include "typeset/pageclick.h"

#include "platform/vbtext.h"

namespace typeset {

int HitBeatBox(const std::vector<BeatBox>& boxes, int page, double x, double y) {
    for (int i = int(boxes.size()) - 1; i >= 0; --i) {
        const BeatBox& b = boxes[i];
        if (b.Page == page && b.Y < y && b.X < x) return i;
    }
    return -1;
}

int ClickRow(const BeatBox& box, double y, int32_t partRowHeight, int32_t partRowGap, int rows,
             const std::vector<int>& rowShift) {
    const int32_t pitch = std::max<int32_t>(1, partRowHeight + partRowGap);
    const int64_t at = int64_t(vb::Round(y - box.Y));
    int r = int(at / pitch);
    // A moved row begins where it stands.
    if (!rowShift.empty()) {
        r = 0;
        for (int w = 1; w < rows && w < int(rowShift.size()); ++w)
            if (at >= int64_t(w) * pitch + rowShift[size_t(w)]) r = w;
    }
    if (r > rows - 1) r = rows - 1;
    if (r < 0) r = 0;
    return r;
}

int RowPart(const QString& rowParts, int row) {
    if (row < 0 || row >= rowParts.size()) return 0;
    return int(vb::Val(rowParts.mid(row, 1)));
}

int32_t AltClickTick(const std::vector<BeatBox>& boxes, int hit, double x, int32_t songLength) {
    const BeatBox& b = boxes[hit];
    if (x - b.X > b.Width / 2.0) return hit + 1 < int(boxes.size()) ? boxes[hit + 1].Tick : songLength;
    return b.Tick;
}

PageClick DecidePageClick(int button, int shift) {
    if (shift == 4) return PageClick::Alt;
    if (button == 1) return PageClick::Plain;
    if (button == 2) return PageClick::PlayStop;
    return PageClick::None;
}

int32_t StripScrollMax(double stripHeight, double innerHeight) {
    const int32_t m = int32_t(vb::Round(stripHeight - innerHeight));
    return m < 0 ? 0 : m;
}

int32_t MarkerCentreY(double innerHeight, double markerHeight) {
    return int32_t(vb::Round((innerHeight - markerHeight) / 2.0));
}

int BeatBoxAtOrBefore(const std::vector<BeatBox>& boxes, int32_t tick) {
    for (int i = int(boxes.size()) - 1; i >= 0; --i)
        if (boxes[size_t(i)].Tick <= tick) return i;
    return -1;
}

}  // namespace typeset
