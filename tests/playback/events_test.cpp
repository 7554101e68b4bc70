#include <gtest/gtest.h>

#include <tuple>

#include "document/newsong.h"
#include "document/songcodes.h"
#include "document/timeline.h"
#include "playback/events.h"
#include "playback/notes.h"

using namespace playback;

namespace {

using Triple = std::tuple<double, int, int32_t>;

std::unique_ptr<doc::Song> Song(double seconds) {
    auto song = doc::Song::create();
    doc::NewProject(*song);
    song->SongSeconds = seconds;
    doc::RebuildTimeline(*song, false);
    return song;
}

void AddNote(doc::Song& s, int part, int32_t start, int16_t length, int pitch) {
    doc::NoteRecord& n = s.Notes[part][s.Parts[part].NoteCount++];
    n.Start = start;
    n.Length = length;
    n.Pitch = uint8_t(pitch);
}

std::vector<Triple> Triples(const std::vector<PlayEvent>& events) {
    std::vector<Triple> out;
    for (const PlayEvent& e : events) out.emplace_back(e.Time, e.Kind, e.Data);
    return out;
}

const PlayEvent* Find(const std::vector<PlayEvent>& events, double time, int kind) {
    for (const PlayEvent& e : events)
        if (e.Time == time && e.Kind == kind) return &e;
    return nullptr;
}

}  // namespace

// Song S: 10 s (576 ticks), a note and a sentence marker in part 1, a note in part 2.
TEST(PlaybackEvents, SongSInOrder) {
    auto s = Song(10);
    ASSERT_EQ(s->SongLength, 576);
    AddNote(*s, 1, 0, 48, 60);
    AddNote(*s, 1, 0, 192, doc::kSentenceMarker);
    AddNote(*s, 2, 96, 24, 64);
    s->PlayEventsStale = -1;
    const auto events = BuildPlaybackEvents(*s, 0);
    const std::vector<Triple> want = {
        {0, 1, 60},          {0, 16, 1},         {0, 20, 1},         {0.734375, 21, 60}, {0.75, 15, 1002},
        {1.5, 2, 64},        {1.5, 15, 2003},    {1.859375, 22, 64}, {2.25, 15, 3004},   {3, 16, 4002},
        {3.75, 15, 5002},    {4.5, 15, 6003},    {5.25, 15, 7004},   {6, 16, 8003},      {6.75, 15, 9002},
        {7.5, 15, 10003},    {8.25, 15, 11004},  {9, 16, 12004},     {9, 20, 0},         {9.75, 15, 13002}};
    EXPECT_EQ(Triples(events), want);
    EXPECT_EQ(s->PlayEventsStale, 0);
    EXPECT_EQ(s->TimeSigTicks[1], 999999);
    EXPECT_EQ(s->TimeSigBarNumbers[1], 4096);
    // The beats keep their own tick, beat index and number.
    const PlayEvent* bar2 = Find(events, 3, kBarEvent);
    ASSERT_TRUE(bar2);
    EXPECT_EQ(std::make_tuple(bar2->Tick, bar2->BeatIndex, bar2->Number), std::make_tuple(192, 4, 2));
    // MIDI delay moves the notes only.
    const auto early = BuildPlaybackEvents(*s, 0.16);
    EXPECT_EQ(Triples(early).front(), Triple(-0.16, 1, 60));
    EXPECT_TRUE(Find(early, 0, kBarEvent));
}

TEST(PlaybackEvents, ChangesAndMeters) {
    {   // 3/8 from tick 1536 after 4/4: bar 9 begins there, eighth-note beats.
        auto s = Song(60);
        s->TimeSigLastIndex = 1;
        s->TimeSigTicks[1] = 1536;
        s->TimeSigCodes[1] = doc::TimeSigTextToCode("3/8");
        doc::RebuildTimeline(*s, false);
        const auto events = Triples(BuildPlaybackEvents(*s, 0));
        for (const Triple& t : {Triple(24, 16, 32009), Triple(24.375, 15, 33002), Triple(25.125, 16, 35010),
                                Triple(24, 14, s->TimeSigCodes[1])})
            EXPECT_NE(std::find(events.begin(), events.end(), t), events.end()) << std::get<0>(t);
    }
    {   // A key an octave lower, one tick before its change.
        auto s = Song(60);
        s->KeyChangeLastIndex = 1;
        s->KeyChangeTicks[1] = 192;
        s->KeyChangeKeys[1] = -10;
        doc::RebuildTimeline(*s, false);
        const auto events = Triples(BuildPlaybackEvents(*s, 0));
        EXPECT_NE(std::find(events.begin(), events.end(), Triple(2.984375, 13, -10)), events.end());
    }
    {   // Tempo 120 from 192: 768 ticks, a beat at 3.5 s, the end at 9 s.
        auto s = Song(10);
        s->TempoLastIndex = 1;
        s->TempoChangeTicks[1] = 192;
        s->TempoChangeBpm[1] = 120;
        doc::RebuildTimeline(*s, false);
        EXPECT_EQ(s->SongLength, 768);
        const auto events = BuildPlaybackEvents(*s, 0);
        const PlayEvent* tempo = Find(events, 3, kTempoEvent);
        ASSERT_TRUE(tempo);
        EXPECT_EQ(std::make_tuple(tempo->Data, tempo->TempoIndex), std::make_tuple(120000, int16_t(1)));
        EXPECT_TRUE(Find(events, 3.5, kBeatEvent));
        const PlayEvent* end = Find(events, 9, kMarkerEvent);
        ASSERT_TRUE(end);
        EXPECT_EQ(end->Data, 0);
    }
    {   // 2/16 at 180 per minute over 600 s: bar 1000 keeps its number and beat box.
        auto s = Song(600);
        s->TimeSigCodes[0] = doc::TimeSigTextToCode("2/16");
        s->TempoChangeBpm[0] = 180;
        doc::RebuildTimeline(*s, false);
        const auto events = BuildPlaybackEvents(*s, 0);
        const auto it = std::find_if(events.begin(), events.end(), [](const PlayEvent& e) { return e.Tick == 23976; });
        ASSERT_NE(it, events.end());
        EXPECT_EQ(std::make_tuple(int(it->Kind), it->Number, it->BeatIndex), std::make_tuple(16, 1000, 1998));
    }
}

// A list past 8192 events, notes shorter than a tick, a note of one tick.
TEST(PlaybackEvents, LongListsAndShortNotes) {
    auto s = Song(600);
    for (int p = 1; p <= 5; ++p)
        for (int i = 0; i < 900; ++i) AddNote(*s, p, i * 48, 24, 60 + p);
    EXPECT_GT(BuildPlaybackEvents(*s, 0).size(), 8192u + 1);

    auto t = Song(10);
    AddNote(*t, 1, 96, 0, 60);
    AddNote(*t, 1, 96, -5, 61);
    AddNote(*t, 1, 48, 1, 62);
    const auto events = Triples(BuildPlaybackEvents(*t, 0));
    EXPECT_EQ(std::count_if(events.begin(), events.end(), [](const Triple& e) { return std::get<1>(e) % 20 == 1; }), 2);
    const auto on = std::find(events.begin(), events.end(), Triple(0.75, 1, 62));
    ASSERT_NE(on, events.end());
    EXPECT_EQ(*(on + 1), Triple(0.75, 15, 1002));  // the on first, its off last at the same time
    EXPECT_NE(std::find(on, events.end(), Triple(0.75, 21, 62)), events.end());
}

TEST(NoteMessages, TemplatesKeysAndVelocities) {
    NoteMessages m;
    m.PrepareNoteOff(2);
    m.PrepareNoteOn(1, 2, 100, true);
    EXPECT_EQ(m.NoteOn(1, 60), 0x643E90u);
    EXPECT_EQ(m.NoteOff(1, 60), 0x3E80u);
    m.PrepareNoteOn(1, -10, 100, true);
    EXPECT_EQ(m.NoteOn(1, 60), 0x643290u);
    m.PrepareNoteOn(2, 0, 100, false);
    EXPECT_EQ(m.NoteOn(2, 60), 0x003C91u);
    m.PrepareNoteOn(3, 0, 90, true);
    EXPECT_EQ(m.NoteOn(3, 60), 0x5A3C92u);
}

// A release matches the pitch its note-on sent; the sweep reaches pitches a key pushed outside it.
TEST(NoteMessages, ReleasesWhatWasSent) {
    NoteMessages m;
    m.PrepareNoteOff(0);
    m.PrepareNoteOn(1, 0, 100, true);
    m.NoteOn(1, 60);
    m.PrepareNoteOff(2);
    m.PrepareNoteOn(1, 2, 100, true);
    EXPECT_EQ(m.NoteOff(1, 60), 0x3C80u);

    m.PrepareNoteOff(11);
    m.PrepareNoteOn(1, 11, 100, true);
    EXPECT_EQ(m.NoteOn(1, 100), 0x646F90u);
    m.NoteOn(1, 50);  // sounds at 61, inside the sweep
    const auto off = m.AllNotesOff(5);
    ASSERT_EQ(off.size(), 441u);
    EXPECT_EQ(off.front(), 0x1580u);
    EXPECT_EQ(off[439], 0x6C84u);
    EXPECT_EQ(off.back(), 0x6F80u);
    EXPECT_EQ(m.AllNotesOff(5).size(), 440u);  // nothing kept after a sweep
}
