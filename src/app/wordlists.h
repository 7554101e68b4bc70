// The word lists read at start-up from the program folder (pgmode.txt, GM.txt, jp.txt, explin.txt,
// pset.ini) and the contents of every list the main window fills when it opens. Plain data only: the
// window copies these lists into its controls.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace app {

// The runtime's sequential input over the bytes of a GBK text file. A text field ends at a comma or at
// the end of a line (CR, LF or CR LF); a field that starts with a double quote runs to the next double
// quote and may hold commas, and whatever follows the closing quote up to the next comma or line end is
// skipped. Blanks before a field and line ends between fields are skipped; an unquoted field loses its
// trailing blanks. A number field also ends at a blank.
class SequentialInput {
public:
    explicit SequentialInput(const QByteArray& gbkBytes);
    // True when no field is left (only blanks and line ends remain).
    bool atEnd() const;
    // The next text field, or nothing at the end of the input.
    std::optional<QString> readText();
    // The next number field read as Val reads it (a field with no number reads 0), or nothing at the end.
    std::optional<double> readNumber();

private:
    void skipBlanksAndLineEnds();
    void skipToDelimiter();
    bool atLineEnd() const;
    void consumeLineEnd();

    QString text_;
    int pos_ = 0;
};

// How reading one word list went.
struct WordListProblem {
    enum Kind { Missing, Incomplete };
    Kind kind = Missing;
    QString fileName;          // the file's name as it lies in the program folder, e.g. "GM.txt"
    bool filledFromBuiltIn = false;  // the list was completed (or replaced) by the built-in entries
};

// The message shown for a problem (title kWordListMessageTitle, OK box); start-up goes on after it.
extern const char* const kWordListMessageTitle;
QString WordListMessage(const WordListProblem& problem);

struct WordList {
    QStringList items;
    std::optional<WordListProblem> problem;
};

// File names in the program folder.
inline constexpr const char* kPageNumberModeFile = "pgmode.txt";
inline constexpr const char* kInstrumentFile = "GM.txt";
inline constexpr const char* kTimeSignatureFile = "jp.txt";
inline constexpr const char* kExpressionFile = "explin.txt";
inline constexpr const char* kPaperSizeFile = "pset.ini";

inline constexpr int kInstrumentCount = 128;

// Each loader reads its file from `dir` (the program folder). A missing file gives the built-in list;
// a short file keeps what it holds and, where the list has a minimum length, is completed from the
// built-in list; either way the problem is reported.
WordList LoadPageNumberModes(const QString& dir);   // every field; at least two (index 1 is the default)
WordList LoadInstrumentNames(const QString& dir);   // exactly 128, program 0 first; later fields ignored
WordList LoadTimeSignatures(const QString& dir);    // every field
WordList LoadExpressions(const QString& dir);       // every field; at least one
// pset.ini: a count n, then n records of name, width and height (whole millimetres). The result holds
// the paper-list entries, without the closing custom entry. A record that is cut off or holds a size
// outside 1..9999 mm ends the reading there.
WordList LoadPaperSizes(const QString& dir);

// Same, over bytes already in memory (the file's contents, or nothing when the file is missing).
WordList ParsePageNumberModes(const std::optional<QByteArray>& bytes);
WordList ParseInstrumentNames(const std::optional<QByteArray>& bytes);
WordList ParseTimeSignatures(const std::optional<QByteArray>& bytes);
WordList ParseExpressions(const std::optional<QByteArray>& bytes);
WordList ParsePaperSizes(const std::optional<QByteArray>& bytes);

// One paper-list entry: name & " [" & width / 10 & "厘米×" & height / 10 & "厘米]", the numbers in their
// shortest decimal form.
QString PaperEntryText(const QString& name, int widthMm, int heightMm);
// The last entry of the paper list.
extern const char* const kCustomPaperEntry;  // "[自定义大小]"

struct PaperSizeCm {
    double width = 0;
    double height = 0;
};
// Reads width and height (centimetres) back out of a paper entry: the number after the "[" that opens
// the size and the number after the "×" inside it. The custom entry, or a text not in the entry form,
// gives nothing (the size boxes are then unlocked and keep their values).
std::optional<PaperSizeCm> ParsePaperEntry(const QString& entry);

// Built-in lists (also the fallbacks of the word-list files).
namespace builtin {
const QStringList& PageNumberModes();
const QStringList& InstrumentNames();   // 128 names
const QStringList& TimeSignatures();
const QStringList& Expressions();
struct Paper {
    const char* name;
    int widthMm;
    int heightMm;
};
const std::vector<Paper>& PaperSizes();
}  // namespace builtin

// Every list the main window fills at start-up, in the order it fills them.
struct StartupLists {
    QStringList pageNumberPositions;   // Combo10
    QStringList pageNumberModes;       // Combo9
    QStringList instruments;           // List3, index = program number
    QStringList songTimeSignatures;    // Combo1: "4/4", then jp.txt
    QStringList changeTimeSignatures;  // Combo3(0): "4/4", then jp.txt
    QStringList quantizeGrids;         // Combo2(0) and Combo2(1)
    QStringList keys;                  // Combo3(1) and its copy Combo3(2), index = key code
    QStringList keyRowOctaves;         // Combo5, index = stored octave value
    QStringList expressions;           // Combo7(0)
    QStringList symbols;               // Combo7(1), shown in the notation font
    QStringList paperSizes;            // Combo6, the custom entry last
    QStringList dynamics;              // Combo7(2), bold italic
    QStringList verses;                // Combo8
    // One entry per word list that was missing or short, in reading order; each gets its message.
    std::vector<WordListProblem> problems;
};

// Selections after start-up.
inline constexpr int kPageNumberPositionStart = 5;  // "下方正中"
inline constexpr int kPageNumberModeStart = 1;
inline constexpr int kSongTimeSignatureStart = 0;
inline constexpr int kRulerGridStart = 2;           // Combo2(0): "1/4"
inline constexpr int kRollGridStart = 4;            // Combo2(1): "1/16"
inline constexpr int kExpressionStart = 0;
inline constexpr int kSymbolStart = 0;
inline constexpr int kPaperSizeStart = 0;
inline constexpr int kDynamicsStart = 0;
inline constexpr int kVerseStart = 0;
inline constexpr int kVerseCount = 7;

// Reads the five word lists from `dir` and builds every list.
StartupLists BuildStartupLists(const QString& dir);
// The lists built from word lists already read.
StartupLists BuildStartupLists(const WordList& pageNumberModes, const WordList& instruments,
                               const WordList& timeSignatures, const WordList& expressions,
                               const WordList& paperSizes);

}  // namespace app
