#include "editing/partstrips.h"

#include "platform/vbtext.h"

#include <algorithm>
#include <cmath>

namespace editing {

void UpdatePartPitchRange(doc::Song& song, int part, int noteBarWidth, int lyricNoteGap) {
    doc::PartRecord& rec = song.Parts[part];
    int highest = 21, lowest = 108;
    for (int row = 0; row < rec.NoteCount; ++row) {
        const int pitch = song.Notes[part][row].Pitch;
        if (!doc::IsSungPitch(pitch)) continue;
        highest = std::max(highest, pitch);
        lowest = std::min(lowest, pitch);
    }
    rec.StripTopPitch = int16_t(highest);
    // Without notes lowest stays above highest and the height below the minimum.
    const int height = (highest - lowest + 1) * noteBarWidth + lyricNoteGap;
    rec.StripHeight = int16_t(std::max(height, kMinStripHeight));
}

namespace {

void FillLayout(const doc::Song& song, StripLayout& layout) {
    int bottom = 0;
    if (!layout.order.empty()) {
        const doc::PartRecord& last = song.Parts[layout.order.back()];
        bottom = last.StripTop + last.StripHeight;
    }
    layout.bottom = bottom;
    for (int p = 1; p <= doc::kMaxParts; ++p) {
        PartHeaderTops& h = layout.headers[p];
        if (p > song.PartCount) {
            h = PartHeaderTops{};
            continue;
        }
        const int t = song.Parts[p].StripTop;
        h.separator = t + song.Parts[p].StripHeight;
        h.name = t + 8;
        h.switches = t + 40;
        h.volume = t + 64;
        h.instrument = t + 80;
        h.offset = t + 96;
    }
    layout.containerHeight = bottom + 20;
    layout.canvasHeight = layout.containerHeight - 20;
    layout.addButtonTop = layout.containerHeight - 18;
    layout.headerColumnHeight = layout.containerHeight;
    layout.accompanimentOffsetTop = layout.headerColumnHeight - 36;
    const int cur = std::clamp<int>(song.CurrentPart, 1, std::max<int>(1, song.PartCount));
    layout.frameTop = song.Parts[cur].StripTop;
    layout.frameHeight = song.Parts[cur].StripHeight;
}

std::vector<int> StackOrder(const doc::Song& song) {
    std::vector<int> order;
    for (int p = 1; p <= song.PartCount; ++p) order.push_back(p);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return song.Parts[a].StripTop < song.Parts[b].StripTop; });
    return order;
}

}  // namespace

StripLayout ArrangePartStrips(doc::Song& song) {
    StripLayout layout;
    layout.order = StackOrder(song);
    int top = 0;
    for (int p : layout.order) {
        song.Parts[p].StripTop = int16_t(top);
        top += song.Parts[p].StripHeight;
    }
    FillLayout(song, layout);
    return layout;
}

StripLayout CurrentStripLayout(const doc::Song& song) {
    StripLayout layout;
    layout.order = StackOrder(song);
    FillLayout(song, layout);
    return layout;
}

int PartAtY(const doc::Song& song, double y) {
    for (int p = 1; p <= song.PartCount; ++p) {
        const doc::PartRecord& r = song.Parts[p];
        if (r.StripTop < y && y < r.StripTop + r.StripHeight) return p;
    }
    return 0;
}

bool SelectPartAtY(doc::Song& song, double y) {
    const int p = PartAtY(song, y);
    if (p == 0 || p == song.CurrentPart) return false;
    song.CurrentPart = int16_t(p);
    return true;
}

TrackViewKey ClassifyTrackViewKey(int keyCode, int shift) {
    if (shift == 0) return keyCode == 32 ? TrackViewKey::PlayStop : TrackViewKey::None;
    if (shift != 2) return TrackViewKey::None;
    switch (keyCode) {
    case 82: return TrackViewKey::InsertTimeSignature;
    case 84: return TrackViewKey::InsertTempo;
    case 86: return TrackViewKey::InsertKey;
    case 78: return TrackViewKey::UnlockTitleBlock;
    case 46: return TrackViewKey::DeletePart;
    default: return TrackViewKey::None;
    }
}

bool StripDrag::Move(const doc::Song& song, const StripLayout& layout, double y) {
    std::vector<int> boundaries;
    for (int p = 1; p <= song.PartCount; ++p) boundaries.push_back(song.Parts[p].StripTop);
    boundaries.push_back(layout.bottom);
    int best = 1000, bestTop = 0;
    for (int b : boundaries) {
        const int d = vb::CInt(std::abs(y - b));
        if (d < best) {
            best = d;
            bestTop = b;
        }
    }
    if (best > 10 || bestTop == MarkerTop) return false;
    MarkerTop = bestTop;
    return true;
}

std::optional<StripLayout> StripDrag::Release(doc::Song& song) {
    if (MarkerTop == kMarkerHidden) return std::nullopt;
    song.Parts[song.CurrentPart].StripTop = vb::CInt(MarkerTop - 2);
    MarkerTop = kMarkerHidden;
    StripLayout layout = ArrangePartStrips(song);
    song.Modified = -1;
    song.NeedsRetypeset = -1;
    return layout;
}

}  // namespace editing
