#include <gtest/gtest.h>

#include "playback/sentences.h"

using namespace playback;

namespace {

// Part 2: a marker and one sung note (its syllables as the lyric) per phrase, added out of order.
struct Phrase {
    int32_t start, end;
    QString text;
};

std::unique_ptr<doc::Song> SongWith(const std::vector<Phrase>& phrases, uint32_t word0 = 0) {
    auto song = doc::Song::create();
    doc::PartRecord& part = song->Parts[2];
    auto add = [&](int32_t start, int32_t length, int pitch, const QString& lyric) {
        doc::NoteRecord& n = song->Notes[2][part.NoteCount++];
        n.Start = start;
        n.Length = int16_t(length);
        n.Pitch = uint8_t(pitch);
        n.Lyric = lyric;
    };
    for (auto it = phrases.rbegin(); it != phrases.rend(); ++it) {
        add(it->start, it->end - it->start, doc::kSentenceMarker, {});
        add(it->start, 24, 60, it->text);
    }
    part.PhraseJoinBits[0] = word0;
    return song;
}

const std::vector<Phrase> kSpring = {{0, 192, "春天来了"}, {192, 384, "花儿开"}, {384, 576, "鸟儿叫"}};

}  // namespace

TEST(Sentences, PhrasesGatherIntoSentencesByTheirJoinFlags) {
    const auto song = SongWith(kSpring, 1);
    const QStringList items = BuildSentenceItems(*song, 2, 0);
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0], "春天来了 花儿开" + QString(24, ' ') + "|00000001920019200384");
    EXPECT_EQ(items[1], "鸟儿叫" + QString(29, ' ') + "|0038400576");
    EXPECT_EQ(SentencePhraseCount(items[0]), 2);
    EXPECT_EQ(SentenceSpans(items[1]), "0038400576");
    // Without markers the list is empty; a long text is cut to 32.
    EXPECT_TRUE(BuildSentenceItems(*song, 3, 0).isEmpty());
    const QString forty = QString(40, QChar(0x58F0));
    EXPECT_EQ(BuildSentenceItems(*SongWith({{0, 96, forty}}), 2, 0)[0], forty.left(32) + "|0000000096");
    EXPECT_EQ(PadTo32("ab"), "ab" + QString(30, ' '));
}

TEST(Sentences, JoinAndSplit) {
    struct Case {
        const char* name;
        uint32_t before;
        bool join;
        int selected;
        bool changed;
        uint32_t after;
    } cases[] = {
        {"join the last sentence: its last phrase's flag", 1, true, 1, true, 5},
        {"join the first", 0, true, 0, true, 1},
        {"join without a selection", 1, true, -1, false, 1},
        {"split off the last phrase", 1, false, 0, true, 0},
        {"split a one-phrase sentence", 1, false, 1, false, 1},
        {"split without a selection", 1, false, -1, false, 1},
    };
    for (const Case& c : cases) {
        auto song = SongWith(kSpring, c.before);
        const QStringList before = BuildSentenceItems(*song, 2, 0);
        const bool changed = c.join ? JoinWithNext(*song, 2, before, c.selected)
                                    : SplitLastPhrase(*song, 2, before, c.selected);
        EXPECT_EQ(changed, c.changed) << c.name;
        EXPECT_EQ(song->Parts[2].PhraseJoinBits[0], c.after) << c.name;
    }
    // Joining the last sentence leaves the list as it was; splitting the two-phrase one gives three.
    auto song = SongWith(kSpring, 5);
    EXPECT_EQ(BuildSentenceItems(*song, 2, 0), BuildSentenceItems(*SongWith(kSpring, 1), 2, 0));
    EXPECT_EQ(BuildSentenceItems(*SongWith(kSpring, 0), 2, 0).size(), 3);
}

TEST(Sentences, PhrasesPastTheFlagsStandAlone) {
    std::vector<Phrase> many;
    for (int i = 0; i < 126; ++i) many.push_back({i * 10, i * 10 + 10, QString::number(i)});
    auto song = SongWith(many);
    song->Parts[2].PhraseJoinBits = {0, 0, 0, 0x7FFFFFFF};  // phrases 93..123 joined
    QStringList items = BuildSentenceItems(*song, 2, 0);
    ASSERT_EQ(items.size(), 93 + 1 + 1);  // 0..92 alone, 93..124 one sentence, 125 alone
    EXPECT_EQ(SentencePhraseCount(items[93]), 32);
    EXPECT_FALSE(JoinWithNext(*song, 2, items, 94));  // phrase 125 has no flag
    EXPECT_EQ(BuildSentenceItems(*song, 2, 0), items);
}
