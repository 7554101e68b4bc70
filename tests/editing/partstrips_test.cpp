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
};

}  // namespace

TEST(PartPitchRange, SpanOfTheSungPitchesGivesTheHeight) {
    Strips s;
    EXPECT_EQ(s.song->Parts[3].StripHeight, 140);
    EXPECT_EQ(s.song->Parts[3].StripTopPitch, 72);
}

TEST(PartPitchRange, WithoutNotesTopPitch21AndMinimumHeight) {
    Strips s;
    EXPECT_EQ(s.song->Parts[1].StripTopPitch, 21);
    EXPECT_EQ(s.song->Parts[1].StripHeight, 120);
}

TEST(PartPitchRange, ItemsAreNotCountedAndOnePitchIsRaisedTo120) {
    auto song = Song::create();
    doc::NewProject(*song);
    Put(*song, 2, 0, 0, 0);     // comment
    Put(*song, 2, 0, 20, 48);   // note without pitch
    Put(*song, 2, 0, 65, 48);
    UpdatePartPitchRange(*song, 2, kBar, kGap);
    EXPECT_EQ(song->Parts[2].StripTopPitch, 65);
    EXPECT_EQ(song->Parts[2].StripHeight, 120);  // 1 x 10 + 10
}

TEST(PartPitchRange, WideRangeAboveTheMinimum) {
    auto song = Song::create();
    doc::NewProject(*song);
    Put(*song, 1, 0, 48, 48);
    Put(*song, 1, 0, 79, 48);
    UpdatePartPitchRange(*song, 1, 4, 16);
    EXPECT_EQ(song->Parts[1].StripHeight, 32 * 4 + 16);
    EXPECT_EQ(song->Parts[1].StripTopPitch, 79);
}

TEST(ArrangeStrips, StacksInStoredOrder) {
    Strips s;
    EXPECT_EQ(s.tops(), (std::vector<int>{0, 120, 240, 380, 500}));
    EXPECT_EQ(s.layout.order, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(s.layout.bottom, 620);
}

TEST(ArrangeStrips, SizesAndHeaderPlaces) {
    Strips s;
    const StripLayout& l = s.layout;
    EXPECT_EQ(l.containerHeight, 640);
    EXPECT_EQ(l.canvasHeight, 620);
    EXPECT_EQ(l.addButtonTop, 622);
    EXPECT_EQ(l.headerColumnHeight, 640);
    EXPECT_EQ(l.accompanimentOffsetTop, 604);
    const PartHeaderTops& h = l.headers[3];
    EXPECT_EQ(h.separator, 380);
    EXPECT_EQ(h.name, 248);
    EXPECT_EQ(h.switches, 280);
    EXPECT_EQ(h.volume, 304);
    EXPECT_EQ(h.instrument, 320);
    EXPECT_EQ(h.offset, 336);
    for (int p = 6; p <= 8; ++p) {
        EXPECT_EQ(l.headers[p].name, kParkedTop);
        EXPECT_EQ(l.headers[p].separator, kParkedTop);
        EXPECT_EQ(l.headers[p].offset, kParkedTop);
    }
    EXPECT_EQ(l.frameTop, 0);  // part 1 current
    EXPECT_EQ(l.frameHeight, 120);
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
    StripLayout l = ArrangePartStrips(*s.song);
    EXPECT_EQ(l.order, (std::vector<int>{1, 2, 4, 3, 5}));
    EXPECT_EQ(s.tops(), (std::vector<int>{0, 120, 360, 240, 500}));
}

TEST(SelectPart, StrictlyInsideAStrip) {
    Strips s;
    EXPECT_EQ(PartAtY(*s.song, 250), 3);
    EXPECT_EQ(PartAtY(*s.song, 379), 3);
    EXPECT_EQ(PartAtY(*s.song, 380), 0);
    EXPECT_EQ(PartAtY(*s.song, 0), 0);
    EXPECT_TRUE(SelectPartAtY(*s.song, 501));
    EXPECT_EQ(s.song->CurrentPart, 5);
}

TEST(SelectPart, APressOnABoundaryChangesNothing) {
    Strips s;
    s.song->CurrentPart = 2;
    EXPECT_FALSE(SelectPartAtY(*s.song, 500));
    EXPECT_FALSE(SelectPartAtY(*s.song, 240));
    EXPECT_FALSE(SelectPartAtY(*s.song, 700));
    EXPECT_EQ(s.song->CurrentPart, 2);
}

TEST(StripDragTest, DraggingPart5ToTheSecondBoundary) {
    Strips s;
    EXPECT_TRUE(SelectPartAtY(*s.song, 560));
    EXPECT_EQ(s.song->CurrentPart, 5);
    EXPECT_FALSE(SelectPartAtY(*s.song, 500));  // a press on its top line keeps part 5
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
    EXPECT_EQ(l->frameTop, 120);
    EXPECT_EQ(s.song->Modified, -1);
    EXPECT_EQ(s.song->NeedsRetypeset, -1);
    EXPECT_EQ(s.song->PlayEventsStale, -1);  // as NewProject left it; the drop does not touch it
    EXPECT_EQ(drag.MarkerTop, StripDrag::kMarkerHidden);
}

TEST(StripDragTest, ReleaseWithoutABoundaryChangesNothing) {
    Strips s;
    s.song->CurrentPart = 5;
    StripDrag drag;
    drag.Move(*s.song, s.layout, 440);  // 60 from 380 and from 500
    EXPECT_FALSE(drag.Release(*s.song).has_value());
    EXPECT_EQ(s.tops(), (std::vector<int>{0, 120, 240, 380, 500}));
    EXPECT_EQ(s.song->Modified, 0);
}

TEST(StripDragTest, DropOnTheBottomPutsThePartLast) {
    Strips s;
    s.song->CurrentPart = 1;
    StripDrag drag;
    EXPECT_TRUE(drag.Move(*s.song, s.layout, 615));
    EXPECT_EQ(drag.MarkerTop, 620);
    auto l = drag.Release(*s.song);
    ASSERT_TRUE(l);
    EXPECT_EQ(l->order, (std::vector<int>{2, 3, 4, 5, 1}));
    EXPECT_EQ(l->bottom, 620);
}

TEST(StripDragTest, DropOnTheTopMakesThePartFirst) {
    Strips s;
    s.song->CurrentPart = 4;
    StripDrag drag;
    drag.Move(*s.song, s.layout, 3);
    EXPECT_EQ(drag.MarkerTop, 0);
    auto l = drag.Release(*s.song);
    ASSERT_TRUE(l);
    EXPECT_EQ(l->order, (std::vector<int>{4, 1, 2, 3, 5}));
}

TEST(StripDragTest, EquallyNearBoundariesTakeTheLowerPartNumber) {
    Strips s;
    // y 20 lies 10 from part 1 at 10 and 10 from part 2 at 30.
    s.song->Parts[1].StripTop = 10;
    s.song->Parts[2].StripTop = 30;
    StripDrag drag;
    EXPECT_TRUE(drag.Move(*s.song, s.layout, 20));
    EXPECT_EQ(drag.MarkerTop, 10);
}

TEST(StripDragTest, DropOnItsOwnTopKeepsTheOrderButMarksModified) {
    Strips s;
    s.song->CurrentPart = 3;
    StripDrag drag;
    drag.Move(*s.song, s.layout, 241);
    auto l = drag.Release(*s.song);
    ASSERT_TRUE(l);
    EXPECT_EQ(l->order, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(s.song->Modified, -1);
}

TEST(TrackViewKeys, ShortcutsNeedExactlyCtrlAndSpaceNone) {
    EXPECT_EQ(ClassifyTrackViewKey(82, 2), TrackViewKey::InsertTimeSignature);
    EXPECT_EQ(ClassifyTrackViewKey(84, 2), TrackViewKey::InsertTempo);
    EXPECT_EQ(ClassifyTrackViewKey(86, 2), TrackViewKey::InsertKey);
    EXPECT_EQ(ClassifyTrackViewKey(78, 2), TrackViewKey::UnlockTitleBlock);
    EXPECT_EQ(ClassifyTrackViewKey(46, 2), TrackViewKey::DeletePart);
    EXPECT_EQ(ClassifyTrackViewKey(32, 0), TrackViewKey::PlayStop);
    EXPECT_EQ(ClassifyTrackViewKey(82, 3), TrackViewKey::None);  // Ctrl+Shift
    EXPECT_EQ(ClassifyTrackViewKey(46, 0), TrackViewKey::None);
    EXPECT_EQ(ClassifyTrackViewKey(32, 2), TrackViewKey::None);
    EXPECT_EQ(ClassifyTrackViewKey(82, 0), TrackViewKey::None);
}
