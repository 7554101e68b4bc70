#include <gtest/gtest.h>

#include "document/newsong.h"
#include "editing/partstrips.h"

using namespace editing;
using doc::Song;

namespace {

constexpr int kBar = 10, kChar = 20, kGap = kChar - kBar;

void Put(Song& s, int part, int32_t start, int pitch, int length) {
    doc::NoteRecord& n = s.Notes[part][s.Parts[part].NoteCount++];
    n.Start = start;
    n.Pitch = uint8_t(pitch);
    n.Length = int16_t(length);
    n.Lyric = "a";
}

// A new song whose part 3 holds the pitches 60 and 72, ranges computed and strips stacked.
struct Strips {
    std::unique_ptr<Song> song = Song::create();
    StripLayout layout;
    Strips() {
        doc::NewProject(*song);
        Put(*song, 3, 0, 60, 48);
        Put(*song, 3, 48, 72, 48);
        for (int p = 1; p <= song->PartCount; ++p) UpdatePartPitchRange(*song, p, kBar, kGap);
        layout = ArrangePartStrips(*song);
    }
    std::vector<int> tops() const {
        std::vector<int> t;
        for (int p = 1; p <= song->PartCount; ++p) t.push_back(song->Parts[p].StripTop);
        return t;
    }
    // Drags the current part `part` to y and drops it; the order after, or nothing.
    std::optional<std::vector<int>> drop(int part, int y) {
        song->CurrentPart = int16_t(part);
        StripDrag drag;
        drag.Move(*song, layout, y);
        auto l = drag.Release(*song);
        if (!l) return std::nullopt;
        return l->order;
    }
};

}  // namespace

TEST(PartPitchRange, SpanOfTheSungPitchesGivesTheHeight) {
    Strips s;
    EXPECT_EQ(s.song->Parts[3].StripHeight, 140);
    EXPECT_EQ(s.song->Parts[3].StripTopPitch, 72);
    // Without notes: top pitch 21 and the minimum height.
    EXPECT_EQ(s.song->Parts[1].StripTopPitch, 21);
    EXPECT_EQ(s.song->Parts[1].StripHeight, 120);
    // Items are not counted; one pitch is raised to 120.
    Put(*s.song, 2, 0, 0, 0);    // comment
    Put(*s.song, 2, 0, 20, 48);  // note without pitch
    Put(*s.song, 2, 0, 65, 48);
    UpdatePartPitchRange(*s.song, 2, kBar, kGap);
    EXPECT_EQ(s.song->Parts[2].StripTopPitch, 65);
    EXPECT_EQ(s.song->Parts[2].StripHeight, 120);
    // A wide range goes above the minimum.
    Put(*s.song, 1, 0, 48, 48);
    Put(*s.song, 1, 0, 79, 48);
    UpdatePartPitchRange(*s.song, 1, 4, 16);
    EXPECT_EQ(s.song->Parts[1].StripHeight, 32 * 4 + 16);
}

TEST(ArrangeStrips, StacksInStoredOrderWithTheHeaderPlaces) {
    Strips s;
    const StripLayout& l = s.layout;
    EXPECT_EQ(s.tops(), (std::vector<int>{0, 120, 240, 380, 500}));
    EXPECT_EQ(l.order, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(l.bottom, 620);
    EXPECT_EQ(l.containerHeight, 640);
    EXPECT_EQ(l.addButtonTop, 622);
    EXPECT_EQ(l.accompanimentOffsetTop, 604);
    EXPECT_EQ(l.headers[3].separator, 380);
    EXPECT_EQ(l.headers[3].name, 248);
    EXPECT_EQ(l.headers[3].offset, 336);
    EXPECT_EQ(l.headers[6].name, kParkedTop);
}

TEST(ArrangeStrips, TheBottomIsNotWrittenIntoTheNextSlot) {
    Strips s;
    s.song->Parts[6].StripTop = 1234;
    ArrangePartStrips(*s.song);
    EXPECT_EQ(s.song->Parts[6].StripTop, 1234);
}

TEST(ArrangeStrips, EqualTopsStackInPartOrder) {
    Strips s;
    s.song->Parts[4].StripTop = 100;
    s.song->Parts[2].StripTop = 100;
    EXPECT_EQ(ArrangePartStrips(*s.song).order, (std::vector<int>{1, 2, 4, 3, 5}));
}

TEST(SelectPart, OnlyStrictlyInsideAStrip) {
    Strips s;
    EXPECT_EQ(PartAtY(*s.song, 379), 3);
    EXPECT_EQ(PartAtY(*s.song, 380), 0);
    s.song->CurrentPart = 2;
    for (int y : {500, 240, 0, 700}) EXPECT_FALSE(SelectPartAtY(*s.song, y)) << y;
    EXPECT_EQ(s.song->CurrentPart, 2);
    EXPECT_TRUE(SelectPartAtY(*s.song, 501));
    EXPECT_EQ(s.song->CurrentPart, 5);
}

TEST(StripDragTest, DraggingPart5ToTheSecondBoundary) {
    Strips s;
    s.song->CurrentPart = 5;
    StripDrag drag;
    EXPECT_FALSE(drag.Move(*s.song, s.layout, 300));  // 60 from the nearest boundary
    EXPECT_EQ(drag.MarkerTop, StripDrag::kMarkerHidden);
    EXPECT_TRUE(drag.Move(*s.song, s.layout, 126));
    EXPECT_EQ(drag.MarkerTop, 120);
    EXPECT_FALSE(drag.Move(*s.song, s.layout, 190));  // too far: the marker stays
    EXPECT_EQ(drag.MarkerTop, 120);
    ASSERT_EQ(s.song->Modified, 0);
    std::optional<StripLayout> l = drag.Release(*s.song);
    ASSERT_TRUE(l.has_value());
    EXPECT_EQ(l->order, (std::vector<int>{1, 5, 2, 3, 4}));
    EXPECT_EQ(s.tops(), (std::vector<int>{0, 240, 360, 500, 120}));
    EXPECT_EQ(s.song->Modified, -1);
    EXPECT_EQ(s.song->NeedsRetypeset, -1);
    EXPECT_EQ(drag.MarkerTop, StripDrag::kMarkerHidden);
}

TEST(StripDragTest, WhereADropPutsThePart) {
    using Order = std::vector<int>;
    EXPECT_EQ(Strips().drop(5, 440), std::nullopt);                // 60 from 380 and from 500
    EXPECT_EQ(Strips().drop(1, 615), (Order{2, 3, 4, 5, 1}));      // the bottom: last
    EXPECT_EQ(Strips().drop(4, 3), (Order{4, 1, 2, 3, 5}));        // the top: first
    EXPECT_EQ(Strips().drop(3, 241), (Order{1, 2, 3, 4, 5}));      // its own top: order kept
    Strips own;
    own.drop(3, 241);
    EXPECT_EQ(own.song->Modified, -1);                              // but marked modified
    // Equally near boundaries take the lower part number: y 20 is 10 from part 1 and part 2.
    Strips s;
    s.song->Parts[1].StripTop = 10;
    s.song->Parts[2].StripTop = 30;
    StripDrag drag;
    EXPECT_TRUE(drag.Move(*s.song, s.layout, 20));
    EXPECT_EQ(drag.MarkerTop, 10);
}

TEST(TrackViewKeys, ShortcutsNeedExactlyCtrlAndSpaceNone) {
    const std::tuple<int, int, TrackViewKey> cases[] = {
        {82, 2, TrackViewKey::InsertTimeSignature}, {84, 2, TrackViewKey::InsertTempo},
        {86, 2, TrackViewKey::InsertKey},           {78, 2, TrackViewKey::UnlockTitleBlock},
        {46, 2, TrackViewKey::DeletePart},          {32, 0, TrackViewKey::PlayStop},
        {82, 3, TrackViewKey::None},                {46, 0, TrackViewKey::None},
        {32, 2, TrackViewKey::None},                {82, 0, TrackViewKey::None},
    };
    for (auto [key, shift, expected] : cases) EXPECT_EQ(ClassifyTrackViewKey(key, shift), expected) << key << " " << shift;
}
