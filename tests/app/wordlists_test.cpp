#include "app/wordlists.h"
#include "platform/textcodec.h"

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

TEST(SequentialInput, FieldsEndAtCommaOrLineEnd) {
    EXPECT_EQ(readAllText("3/4,4/4,6/8"), (QStringList{"3/4", "4/4", "6/8"}));
    EXPECT_EQ(readAllText("a\r\nb\nc\rd"), (QStringList{"a", "b", "c", "d"}));
}

TEST(SequentialInput, QuotedFieldHoldsCommas) {
    EXPECT_EQ(readAllText("\"a, b\" , c\r\n\"x\"y,z"), (QStringList{"a, b", "c", "x", "z"}));
}

TEST(SequentialInput, BlanksAroundUnquotedFieldsAreDropped) {
    EXPECT_EQ(readAllText("  left ,\t mid\t, right  \r\n"), (QStringList{"left", "mid", "right"}));
    EXPECT_EQ(readAllText(" \"  kept  \" "), (QStringList{"  kept  "}));
}

TEST(SequentialInput, UnclosedQuoteEndsAtTheLineEnd) {
    EXPECT_EQ(readAllText("\"abc, d\r\ne"), (QStringList{"abc, d", "e"}));
}

TEST(SequentialInput, EmptyFieldBetweenCommasAndNoFieldFromTrailingBlankLines) {
    EXPECT_EQ(readAllText("a,,b\r\n\r\n  \r\n"), (QStringList{"a", "", "b"}));
    SequentialInput empty(QByteArray("\r\n  \n"));
    EXPECT_TRUE(empty.atEnd());
    EXPECT_FALSE(empty.readText().has_value());
}

TEST(SequentialInput, DecodesGbk) {
    EXPECT_EQ(readAllText(gbk("大钢琴,亮音钢琴\r\n")), (QStringList{"大钢琴", "亮音钢琴"}));
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
}

TEST(PaperSizes, EntryReadBack) {
    auto a4 = ParsePaperEntry("A4 [21厘米×29.7厘米]");
    ASSERT_TRUE(a4.has_value());
    EXPECT_DOUBLE_EQ(a4->width, 21);
    EXPECT_DOUBLE_EQ(a4->height, 29.7);
    auto b5 = ParsePaperEntry(PaperEntryText("B5", 182, 257));
    ASSERT_TRUE(b5.has_value());
    EXPECT_DOUBLE_EQ(b5->width, 18.2);
    EXPECT_DOUBLE_EQ(b5->height, 25.7);
    EXPECT_FALSE(ParsePaperEntry("[自定义大小]").has_value());
    EXPECT_FALSE(ParsePaperEntry("").has_value());
}

TEST(PaperSizes, BracketInPaperNameDoesNotDisturbTheSize) {
    auto p = ParsePaperEntry(PaperEntryText("信纸[美]×", 216, 279));
    ASSERT_TRUE(p.has_value());
    EXPECT_DOUBLE_EQ(p->width, 21.6);
    EXPECT_DOUBLE_EQ(p->height, 27.9);
}

TEST(PaperSizes, ShortestDecimalForm) {
    EXPECT_EQ(PaperEntryText("X", 1000, 5), "X [100厘米×.5厘米]");
    EXPECT_EQ(PaperEntryText("A5", 148, 210), "A5 [14.8厘米×21厘米]");
    auto tiny = ParsePaperEntry(PaperEntryText("X", 1000, 5));
    ASSERT_TRUE(tiny.has_value());
    EXPECT_DOUBLE_EQ(tiny->width, 100);
    EXPECT_DOUBLE_EQ(tiny->height, 0.5);
}

TEST(PaperSizes, CountZeroLeavesOnlyTheCustomEntry) {
    WordList papers = ParsePaperSizes(QByteArray("0\r\n"));
    EXPECT_FALSE(papers.problem.has_value());
    StartupLists lists = BuildStartupLists(WordList{}, WordList{}, WordList{}, WordList{}, papers);
    EXPECT_EQ(lists.paperSizes, QStringList{"[自定义大小]"});
}

TEST(PaperSizes, CountBeyondRecordsKeepsWholeRecordsAndReports) {
    WordList papers = ParsePaperSizes(QByteArray("3\r\nA4,210,297\r\nB5,182\r\n"));
    EXPECT_EQ(papers.items, QStringList{"A4 [21厘米×29.7厘米]"});
    ASSERT_TRUE(papers.problem.has_value());
    EXPECT_EQ(papers.problem->kind, WordListProblem::Incomplete);
    EXPECT_FALSE(papers.problem->filledFromBuiltIn);
    EXPECT_EQ(WordListMessage(*papers.problem), "文件“pset.ini”内容不完整，只读入了其中完整的部分。");
}

TEST(PaperSizes, SizeOutOfRangeEndsTheList) {
    WordList papers = ParsePaperSizes(QByteArray("2\r\nA4,210,297\r\nBad,-5,100\r\n"));
    EXPECT_EQ(papers.items.size(), 1);
    EXPECT_TRUE(papers.problem.has_value());
}

TEST(PaperSizes, MissingOrUnreadableFileGivesBuiltInSizes) {
    WordList missing = ParsePaperSizes(std::nullopt);
    EXPECT_EQ(missing.items, (QStringList{"A4 [21厘米×29.7厘米]", "A5 [14.8厘米×21厘米]", "B5 [18.2厘米×25.7厘米]"}));
    ASSERT_TRUE(missing.problem.has_value());
    EXPECT_EQ(missing.problem->kind, WordListProblem::Missing);
    WordList garbage = ParsePaperSizes(QByteArray("-1\r\n"));
    EXPECT_EQ(garbage.items.size(), 3);
    EXPECT_TRUE(garbage.problem.has_value());
}

TEST(TimeSignatures, BothListsStartWithFourFour) {
    QTemporaryDir dir;
    writeFile(dir, "jp.txt", "3/4,4/4,6/8");
    WordList jp = LoadTimeSignatures(dir.path());
    EXPECT_FALSE(jp.problem.has_value());
    StartupLists lists = BuildStartupLists(WordList{}, WordList{}, jp, WordList{}, WordList{});
    EXPECT_EQ(lists.songTimeSignatures, (QStringList{"4/4", "3/4", "4/4", "6/8"}));
    EXPECT_EQ(lists.changeTimeSignatures, (QStringList{"4/4", "3/4", "4/4", "6/8"}));
}

TEST(TimeSignatures, EmptyFileIsNoProblem) {
    WordList jp = ParseTimeSignatures(QByteArray());
    EXPECT_TRUE(jp.items.isEmpty());
    EXPECT_FALSE(jp.problem.has_value());
    StartupLists lists = BuildStartupLists(WordList{}, WordList{}, jp, WordList{}, WordList{});
    EXPECT_EQ(lists.changeTimeSignatures, QStringList{"4/4"});
}

TEST(Instruments, ExactlyTheFirst128Fields) {
    QStringList names;
    for (int i = 0; i < 130; ++i) names << "乐器" + QString::number(i);
    WordList gm = ParseInstrumentNames(gbk(names.join("\r\n")));
    ASSERT_EQ(gm.items.size(), 128);
    EXPECT_EQ(gm.items.first(), "乐器0");
    EXPECT_EQ(gm.items.last(), "乐器127");
    EXPECT_FALSE(gm.problem.has_value());
}

TEST(Instruments, ShortFileIsPaddedFromTheBuiltInNames) {
    WordList gm = ParseInstrumentNames(gbk("甲,乙,丙\r\n"));
    ASSERT_EQ(gm.items.size(), 128);
    EXPECT_EQ(gm.items.mid(0, 3), (QStringList{"甲", "乙", "丙"}));
    EXPECT_EQ(gm.items[3], builtin::InstrumentNames()[3]);
    EXPECT_EQ(gm.items[127], builtin::InstrumentNames()[127]);
    ASSERT_TRUE(gm.problem.has_value());
    EXPECT_EQ(WordListMessage(*gm.problem), "文件“GM.txt”内容不完整，缺少的部分已使用内置内容。");
}

TEST(Instruments, BuiltInListHasOneNamePerProgram) {
    const QStringList& names = builtin::InstrumentNames();
    ASSERT_EQ(names.size(), 128);
    EXPECT_EQ(names[0], "大钢琴");
    EXPECT_EQ(names[40], "小提琴");
    EXPECT_EQ(names[73], "长笛");
    for (const QString& n : names) {
        EXPECT_FALSE(n.isEmpty());
        EXPECT_TRUE(textcodec::canEncode(n)) << n.toStdString();
    }
}

TEST(PageNumberModes, AtLeastTwoEntries) {
    WordList one = ParsePageNumberModes(gbk("第&p页"));
    EXPECT_EQ(one.items, (QStringList{"第&p页", builtin::PageNumberModes()[1]}));
    EXPECT_TRUE(one.problem.has_value());
    WordList three = ParsePageNumberModes(gbk("&p,- &p -,第&P页"));
    EXPECT_EQ(three.items.size(), 3);
    EXPECT_FALSE(three.problem.has_value());
    for (const QString& m : builtin::PageNumberModes()) EXPECT_TRUE(m.contains("&p") || m.contains("&P"));
}

TEST(Expressions, EmptyFileTakesTheBuiltInTexts) {
    WordList e = ParseExpressions(QByteArray("\r\n"));
    EXPECT_EQ(e.items, QStringList{builtin::Expressions()[0]});
    EXPECT_TRUE(e.problem.has_value());
    WordList ok = ParseExpressions(gbk("渐慢,\"rit., a tempo\"\r\n"));
    EXPECT_EQ(ok.items, (QStringList{"渐慢", "rit., a tempo"}));
}

TEST(StartupLists, MissingFilesAreReportedInReadingOrderAndStartUpGoesOn) {
    QTemporaryDir dir;
    StartupLists lists = BuildStartupLists(dir.path());
    ASSERT_EQ(lists.problems.size(), 5u);
    const char* order[] = {"pgmode.txt", "GM.txt", "jp.txt", "explin.txt", "pset.ini"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(lists.problems[i].fileName, order[i]);
        EXPECT_EQ(lists.problems[i].kind, WordListProblem::Missing);
    }
    EXPECT_EQ(WordListMessage(lists.problems[1]), "找不到文件“GM.txt”，已使用内置内容。");
    EXPECT_STREQ(kWordListMessageTitle, "提示");
    EXPECT_EQ(lists.instruments.size(), 128);
    EXPECT_GE(lists.pageNumberModes.size(), 2);
    EXPECT_GE(lists.expressions.size(), 1);
    EXPECT_EQ(lists.songTimeSignatures.first(), "4/4");
    EXPECT_EQ(lists.paperSizes.last(), "[自定义大小]");
    EXPECT_EQ(lists.paperSizes.size(), 4);
}

TEST(StartupLists, BuiltInLists) {
    StartupLists s = BuildStartupLists(WordList{}, WordList{}, WordList{}, WordList{}, WordList{});
    EXPECT_EQ(s.pageNumberPositions.size(), 7);
    EXPECT_EQ(s.pageNumberPositions[kPageNumberPositionStart], "下方正中");
    EXPECT_EQ(s.quantizeGrids, (QStringList{"1/1", "1/2", "1/4", "1/8", "1/16", "1/32", "1/64"}));
    EXPECT_EQ(s.quantizeGrids[kRulerGridStart], "1/4");
    EXPECT_EQ(s.quantizeGrids[kRollGridStart], "1/16");
    ASSERT_EQ(s.keys.size(), 12);
    EXPECT_EQ(s.keys[0], "C 调  (+0)");
    EXPECT_EQ(s.keys[10], "bB调  (+10)");
    EXPECT_EQ(s.keys[11], "B 调  (+11)");
    EXPECT_EQ(s.keyRowOctaves, (QStringList{"无", "低二个八度1~7", "低八度1~7", "1~7", "高八度1~7", "高二个八度1~7"}));
    ASSERT_EQ(s.symbols.size(), 91);
    EXPECT_EQ(s.symbols.first(), "#");
    EXPECT_EQ(s.symbols.last(), "}");
    ASSERT_EQ(s.dynamics.size(), 16);
    EXPECT_EQ(s.dynamics.first(), "mp");
    EXPECT_EQ(s.dynamics[5], "mf");
    EXPECT_EQ(s.dynamics.last(), "sffz");
    EXPECT_EQ(s.verses, (QStringList{"第1段", "第2段", "第3段", "第4段", "第5段", "第6段", "第7段"}));
    EXPECT_TRUE(s.problems.empty());
}
