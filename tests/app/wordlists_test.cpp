#include "app/wordlists.h"
#include "platform/textcodec.h"
#include "typeset/geometry.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace app;

namespace {

QByteArray gbk(const QString& text) { return *textcodec::toGbk(text); }

void writeFile(const QTemporaryDir& dir, const char* name, const QByteArray& bytes) {
    QFile f(QDir(dir.path()).filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QStringList readAllText(const QByteArray& bytes) {
    SequentialInput in(bytes);
    QStringList out;
    while (!in.atEnd()) out << *in.readText();
    return out;
}

}  // namespace

TEST(SequentialInput, TextFields) {
    const std::pair<QByteArray, QStringList> cases[] = {
        {"3/4,4/4,6/8", {"3/4", "4/4", "6/8"}},
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"\"a, b\" , c\r\n\"x\"y,z", {"a, b", "c", "x", "z"}},                   // quotes hold commas
        {"  left ,\t mid\t, right  \r\n", {"left", "mid", "right"}},             // blanks dropped
        {" \"  kept  \" ", {"  kept  "}},                                        // unless quoted
        {"\"abc, d\r\ne", {"abc, d", "e"}},                                      // unclosed quote
        {"a,,b\r\n\r\n  \r\n", {"a", "", "b"}},                                  // empty field, no trailing
        {gbk("大钢琴,亮音钢琴\r\n"), {"大钢琴", "亮音钢琴"}},
    };
    for (const auto& [bytes, fields] : cases) EXPECT_EQ(readAllText(bytes), fields) << bytes.toStdString();
    SequentialInput empty(QByteArray("\r\n  \n"));
    EXPECT_TRUE(empty.atEnd());
    EXPECT_FALSE(empty.readText().has_value());
}

TEST(SequentialInput, NumbersEndAtBlanksToo) {
    SequentialInput in(QByteArray("2 210,297\r\n x"));
    EXPECT_EQ(*in.readNumber(), 2);
    EXPECT_EQ(*in.readNumber(), 210);
    EXPECT_EQ(*in.readNumber(), 297);
    EXPECT_EQ(*in.readNumber(), 0);  // no number in the field
    EXPECT_FALSE(in.readNumber().has_value());
}

TEST(PaperSizes, EntriesFromPsetIni) {
    QTemporaryDir dir;
    writeFile(dir, "pset.ini", "2\r\n\"A4\",210,297\r\nB5,182,257\r\n");
    WordList papers = LoadPaperSizes(dir.path());
    EXPECT_FALSE(papers.problem.has_value());
    StartupLists lists = BuildStartupLists(WordList{}, WordList{}, WordList{}, WordList{}, papers);
    EXPECT_EQ(lists.paperSizes, (QStringList{"A4 [21厘米×29.7厘米]", "B5 [18.2厘米×25.7厘米]", "[自定义大小]"}));
    // A count of 0 leaves only the custom entry.
    lists = BuildStartupLists(WordList{}, WordList{}, WordList{}, WordList{}, ParsePaperSizes(QByteArray("0\r\n")));
    EXPECT_EQ(lists.paperSizes, QStringList{"[自定义大小]"});
}

TEST(PaperSizes, EntryTextAndReadBack) {
    EXPECT_EQ(PaperEntryText("X", 1000, 5), "X [100厘米×0.5厘米]");
    EXPECT_EQ(PaperEntryText("A5", 148, 210), "A5 [14.8厘米×21厘米]");
    auto b5 = ParsePaperEntry(PaperEntryText("B5", 182, 257));
    ASSERT_TRUE(b5.has_value());
    EXPECT_DOUBLE_EQ(b5->width, 18.2);
    EXPECT_DOUBLE_EQ(b5->height, 25.7);
    // A bracket in the paper's name does not disturb the size.
    auto p = ParsePaperEntry(PaperEntryText("信纸[美]×", 216, 279));
    ASSERT_TRUE(p.has_value());
    EXPECT_DOUBLE_EQ(p->width, 21.6);
    EXPECT_DOUBLE_EQ(p->height, 27.9);
    EXPECT_FALSE(ParsePaperEntry("[自定义大小]").has_value());
    EXPECT_FALSE(ParsePaperEntry("").has_value());
}

TEST(PaperSizes, ShortDamagedOrMissingFiles) {
    WordList papers = ParsePaperSizes(QByteArray("3\r\nA4,210,297\r\nB5,182\r\n"));
    EXPECT_EQ(papers.items, QStringList{"A4 [21厘米×29.7厘米]"});
    ASSERT_TRUE(papers.problem.has_value());
    EXPECT_EQ(WordListMessage(*papers.problem), "文件“pset.ini”内容不完整，只读入了其中完整的部分。");
    WordList outOfRange = ParsePaperSizes(QByteArray("2\r\nA4,210,297\r\nBad,-5,100\r\n"));
    EXPECT_EQ(outOfRange.items.size(), 1);
    EXPECT_TRUE(outOfRange.problem.has_value());
    WordList missing = ParsePaperSizes(std::nullopt);
    EXPECT_EQ(missing.items, (QStringList{"A4 [21厘米×29.7厘米]", "A5 [14.8厘米×21厘米]", "B5 [18.2厘米×25.7厘米]"}));
    ASSERT_TRUE(missing.problem.has_value());
    EXPECT_EQ(missing.problem->kind, WordListProblem::Missing);
    EXPECT_EQ(ParsePaperSizes(QByteArray("-1\r\n")).items.size(), 3);
}

TEST(TimeSignatures, BothListsStartWithFourFour) {
    QTemporaryDir dir;
    writeFile(dir, "jp.txt", "3/4,4/4,6/8");
    WordList jp = LoadTimeSignatures(dir.path());
    EXPECT_FALSE(jp.problem.has_value());
    StartupLists lists = BuildStartupLists(WordList{}, WordList{}, jp, WordList{}, WordList{});
    EXPECT_EQ(lists.songTimeSignatures, (QStringList{"4/4", "3/4", "4/4", "6/8"}));
    EXPECT_EQ(lists.changeTimeSignatures, (QStringList{"4/4", "3/4", "4/4", "6/8"}));
    // An empty file is no problem.
    WordList empty = ParseTimeSignatures(QByteArray());
    EXPECT_FALSE(empty.problem.has_value());
    lists = BuildStartupLists(WordList{}, WordList{}, empty, WordList{}, WordList{});
    EXPECT_EQ(lists.changeTimeSignatures, QStringList{"4/4"});
}

TEST(Instruments, ExactlyTheFirst128FieldsPaddedFromTheBuiltInNames) {
    QStringList names;
    for (int i = 0; i < 130; ++i) names << "乐器" + QString::number(i);
    WordList gm = ParseInstrumentNames(gbk(names.join("\r\n")));
    ASSERT_EQ(gm.items.size(), 128);
    EXPECT_EQ(gm.items.last(), "乐器127");
    EXPECT_FALSE(gm.problem.has_value());

    gm = ParseInstrumentNames(gbk("甲,乙,丙\r\n"));
    ASSERT_EQ(gm.items.size(), 128);
    EXPECT_EQ(gm.items.mid(0, 3), (QStringList{"甲", "乙", "丙"}));
    EXPECT_EQ(gm.items[3], builtin::InstrumentNames()[3]);
    ASSERT_TRUE(gm.problem.has_value());
    EXPECT_EQ(WordListMessage(*gm.problem), "文件“GM.txt”内容不完整，缺少的部分已使用内置内容。");
    // Every built-in name can be saved.
    ASSERT_EQ(builtin::InstrumentNames().size(), 128);
    for (const QString& n : builtin::InstrumentNames()) EXPECT_TRUE(textcodec::canEncode(n)) << n.toStdString();
}

TEST(PageNumberModesAndExpressions, ShortFilesAreFilledFromTheBuiltInTexts) {
    WordList one = ParsePageNumberModes(gbk("第&p页"));
    EXPECT_EQ(one.items, (QStringList{"第&p页", builtin::PageNumberModes()[1]}));
    EXPECT_TRUE(one.problem.has_value());
    EXPECT_EQ(ParsePageNumberModes(gbk("&p,- &p -,第&P页")).items.size(), 3);
    WordList e = ParseExpressions(QByteArray("\r\n"));
    EXPECT_EQ(e.items, QStringList{builtin::Expressions()[0]});
    EXPECT_TRUE(e.problem.has_value());
    EXPECT_EQ(ParseExpressions(gbk("渐慢,\"rit., a tempo\"\r\n")).items, (QStringList{"渐慢", "rit., a tempo"}));
}

// The shipped page-number texts print the page number plainly (&p) or with leading zeros to the
// width of the last page's number (&P); none presents a number as a page total.
TEST(PageNumberModesAndExpressions, ShippedPageNumberTextsPrintWhatTheySay) {
    const WordList modes = LoadPageNumberModes(PROGRAM_DIR);
    ASSERT_FALSE(modes.problem.has_value());
    struct Case { QString mode, page7of12, page1of2From9; } cases[] = {
        {"&p", "7", "9"},          {"第 &p 页", "第 7 页", "第 9 页"}, {"第&P页", "第07页", "第09页"},
        {"- &p -", "- 7 -", "- 9 -"}, {"&P", "07", "09"},              {"- &P -", "- 07 -", "- 09 -"},
    };
    ASSERT_EQ(modes.items.size(), std::size(cases));  // the project file stores the index
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        EXPECT_EQ(modes.items[int(i)], c.mode) << i;
        EXPECT_EQ(typeset::PageNumberCaption(c.mode, "1", 6, 11), c.page7of12) << i;
        EXPECT_EQ(typeset::PageNumberCaption(c.mode, "9", 0, 1), c.page1of2From9) << i;
    }
}

TEST(StartupLists, MissingFilesAreReportedInReadingOrderAndStartUpGoesOn) {
    QTemporaryDir dir;
    StartupLists lists = BuildStartupLists(dir.path());
    ASSERT_EQ(lists.problems.size(), 5u);
    const char* order[] = {"pgmode.txt", "GM.txt", "jp.txt", "explin.txt", "pset.ini"};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(lists.problems[i].fileName, order[i]);
    EXPECT_EQ(WordListMessage(lists.problems[1]), "找不到文件“GM.txt”，已使用内置内容。");
    EXPECT_EQ(lists.instruments.size(), 128);
    EXPECT_EQ(lists.songTimeSignatures.first(), "4/4");
    EXPECT_EQ(lists.paperSizes.size(), 4);
}

TEST(StartupLists, KeyNamesAndGrids) {
    StartupLists s = BuildStartupLists(WordList{}, WordList{}, WordList{}, WordList{}, WordList{});
    EXPECT_EQ(s.quantizeGrids[kRulerGridStart], "1/4");
    EXPECT_EQ(s.quantizeGrids[kRollGridStart], "1/16");
    ASSERT_EQ(s.keys.size(), 12);
    EXPECT_EQ(s.keys[0], "C 调  (+0)");
    EXPECT_EQ(s.keys[10], "bB调  (+10)");
    EXPECT_EQ(s.keys[11], "B 调  (+11)");
}
