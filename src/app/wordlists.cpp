#include "app/wordlists.h"

#include "app/keyset.h"
#include "platform/textcodec.h"
#include "platform/vbtext.h"

#include <QDir>
#include <QFile>

namespace app {

// ---- sequential input ---------------------------------------------------------------------------

SequentialInput::SequentialInput(const QByteArray& gbkBytes) : text_(textcodec::fromGbk(gbkBytes)) {}

namespace {
bool isBlank(QChar c) { return c == ' ' || c == '\t'; }
bool isLineEndChar(QChar c) { return c == '\r' || c == '\n'; }
}  // namespace

bool SequentialInput::atLineEnd() const { return pos_ < text_.size() && isLineEndChar(text_[pos_]); }

void SequentialInput::consumeLineEnd() {
    if (pos_ >= text_.size()) return;
    if (text_[pos_] == '\r') {
        ++pos_;
        if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    } else if (text_[pos_] == '\n') {
        ++pos_;
    }
}

void SequentialInput::skipBlanksAndLineEnds() {
    while (pos_ < text_.size() && (isBlank(text_[pos_]) || isLineEndChar(text_[pos_]))) ++pos_;
}

// Skips what is left of a field and its delimiter: up to and including the next comma or line end.
void SequentialInput::skipToDelimiter() {
    while (pos_ < text_.size()) {
        QChar c = text_[pos_];
        if (c == ',') { ++pos_; return; }
        if (isLineEndChar(c)) { consumeLineEnd(); return; }
        ++pos_;
    }
}

bool SequentialInput::atEnd() const {
    for (int i = pos_; i < text_.size(); ++i)
        if (!isBlank(text_[i]) && !isLineEndChar(text_[i])) return false;
    return true;
}

std::optional<QString> SequentialInput::readText() {
    skipBlanksAndLineEnds();
    if (pos_ >= text_.size()) return std::nullopt;
    QString field;
    if (text_[pos_] == '"') {
        ++pos_;
        while (pos_ < text_.size() && text_[pos_] != '"' && !isLineEndChar(text_[pos_])) field.append(text_[pos_++]);
        if (pos_ < text_.size() && text_[pos_] == '"') ++pos_;
        skipToDelimiter();
        return field;
    }
    while (pos_ < text_.size() && text_[pos_] != ',' && !isLineEndChar(text_[pos_])) field.append(text_[pos_++]);
    skipToDelimiter();
    int end = field.size();
    while (end > 0 && isBlank(field[end - 1])) --end;
    field.truncate(end);
    return field;
}

std::optional<double> SequentialInput::readNumber() {
    skipBlanksAndLineEnds();
    if (pos_ >= text_.size()) return std::nullopt;
    if (text_[pos_] == '"') return vb::Val(*readText());
    QString token;
    while (pos_ < text_.size() && text_[pos_] != ',' && !isBlank(text_[pos_]) && !isLineEndChar(text_[pos_]))
        token.append(text_[pos_++]);
    while (pos_ < text_.size() && isBlank(text_[pos_])) ++pos_;
    if (pos_ < text_.size() && text_[pos_] == ',') ++pos_;
    else if (atLineEnd()) consumeLineEnd();
    return vb::Val(token);
}

// ---- messages -----------------------------------------------------------------------------------

const char* const kWordListMessageTitle = "提示";
const char* const kCustomPaperEntry = "[自定义大小]";

QString WordListMessage(const WordListProblem& problem) {
    const QString name = "“" + problem.fileName + "”";
    if (problem.kind == WordListProblem::Missing) return "找不到文件" + name + "，已使用内置内容。";
    if (problem.filledFromBuiltIn) return "文件" + name + "内容不完整，缺少的部分已使用内置内容。";
    return "文件" + name + "内容不完整，只读入了其中完整的部分。";
}

// ---- loaders ------------------------------------------------------------------------------------

namespace {

std::optional<QByteArray> readWholeFile(const QString& dir, const char* name) {
    QFile f(QDir(dir).filePath(QString::fromLatin1(name)));
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    return f.readAll();
}

QStringList allTextFields(const QByteArray& bytes, int limit = -1) {
    SequentialInput in(bytes);
    QStringList out;
    while ((limit < 0 || out.size() < limit) && !in.atEnd()) {
        auto field = in.readText();
        if (!field) break;
        out << *field;
    }
    return out;
}

// A list of every field (or of the first `limit` fields) with at least `minimum` entries; a missing
// file gives the built-in list, a short one is completed from it.
WordList textList(const std::optional<QByteArray>& bytes, const char* fileName, const QStringList& fallback,
                  int minimum, int limit = -1) {
    WordList list;
    if (!bytes) {
        list.items = fallback;
        list.problem = WordListProblem{WordListProblem::Missing, QString::fromLatin1(fileName), true};
        return list;
    }
    list.items = allTextFields(*bytes, limit);
    if (list.items.size() < minimum) {
        for (int i = list.items.size(); i < minimum && i < fallback.size(); ++i) list.items << fallback[i];
        list.problem = WordListProblem{WordListProblem::Incomplete, QString::fromLatin1(fileName), true};
    }
    return list;
}

QStringList builtInPaperEntries() {
    QStringList out;
    for (const auto& p : builtin::PaperSizes()) out << PaperEntryText(QString::fromUtf8(p.name), p.widthMm, p.heightMm);
    return out;
}

// A whole number of millimetres as the runtime stores a number read into an Integer: halves to even.
std::optional<int> paperMillimetres(double v) {
    if (!(v >= 0.5 && v <= 9999.5)) return std::nullopt;
    double r = vb::Round(v);
    if (r < 1 || r > 9999) return std::nullopt;
    return int(r);
}

}  // namespace

WordList ParsePageNumberModes(const std::optional<QByteArray>& bytes) {
    return textList(bytes, kPageNumberModeFile, builtin::PageNumberModes(), 2);
}

WordList ParseInstrumentNames(const std::optional<QByteArray>& bytes) {
    return textList(bytes, kInstrumentFile, builtin::InstrumentNames(), kInstrumentCount, kInstrumentCount);
}

WordList ParseTimeSignatures(const std::optional<QByteArray>& bytes) {
    return textList(bytes, kTimeSignatureFile, builtin::TimeSignatures(), 0);
}

WordList ParseExpressions(const std::optional<QByteArray>& bytes) {
    return textList(bytes, kExpressionFile, builtin::Expressions(), 1);
}

WordList ParsePaperSizes(const std::optional<QByteArray>& bytes) {
    WordList list;
    const QString fileName = QString::fromLatin1(kPaperSizeFile);
    if (!bytes) {
        list.items = builtInPaperEntries();
        list.problem = WordListProblem{WordListProblem::Missing, fileName, true};
        return list;
    }
    SequentialInput in(*bytes);
    auto count = in.readNumber();
    if (!count || vb::Round(*count) < 0) {
        // No usable count: nothing of the file can be trusted.
        list.items = builtInPaperEntries();
        list.problem = WordListProblem{WordListProblem::Incomplete, fileName, true};
        return list;
    }
    const double n = vb::Round(*count);
    for (int i = 0; i < n; ++i) {
        auto name = in.readText();
        auto width = in.readNumber();
        auto height = in.readNumber();
        std::optional<int> w = width ? paperMillimetres(*width) : std::nullopt;
        std::optional<int> h = height ? paperMillimetres(*height) : std::nullopt;
        if (!name || !w || !h) {
            list.problem = WordListProblem{WordListProblem::Incomplete, fileName, false};
            break;
        }
        list.items << PaperEntryText(*name, *w, *h);
    }
    return list;
}

WordList LoadPageNumberModes(const QString& dir) { return ParsePageNumberModes(readWholeFile(dir, kPageNumberModeFile)); }
WordList LoadInstrumentNames(const QString& dir) { return ParseInstrumentNames(readWholeFile(dir, kInstrumentFile)); }
WordList LoadTimeSignatures(const QString& dir) { return ParseTimeSignatures(readWholeFile(dir, kTimeSignatureFile)); }
WordList LoadExpressions(const QString& dir) { return ParseExpressions(readWholeFile(dir, kExpressionFile)); }
WordList LoadPaperSizes(const QString& dir) { return ParsePaperSizes(readWholeFile(dir, kPaperSizeFile)); }

// ---- paper entries ------------------------------------------------------------------------------

QString PaperEntryText(const QString& name, int widthMm, int heightMm) {
    return name + " [" + vb::CStr(widthMm / 10.0) + "厘米×" + vb::CStr(heightMm / 10.0) + "厘米]";
}

std::optional<PaperSizeCm> ParsePaperEntry(const QString& entry) {
    // The size part is the last " [...厘米×...厘米]" of the entry, so a "[" or "×" inside a paper's own
    // name does not disturb it.
    const QString suffix = "厘米]";
    if (!entry.endsWith(suffix)) return std::nullopt;
    int open = entry.lastIndexOf('[');
    if (open < 0) return std::nullopt;
    int times = entry.indexOf(QChar(0x00D7), open);
    if (times < 0) return std::nullopt;
    const QString widthText = entry.mid(open + 1, times - open - 1);
    const QString heightText = entry.mid(times + 1);
    if (!widthText.endsWith("厘米")) return std::nullopt;
    return PaperSizeCm{vb::Val(widthText), vb::Val(heightText)};
}

// ---- start-up lists -----------------------------------------------------------------------------

StartupLists BuildStartupLists(const WordList& pageNumberModes, const WordList& instruments,
                               const WordList& timeSignatures, const WordList& expressions,
                               const WordList& paperSizes) {
    StartupLists s;
    s.pageNumberPositions = {"自定位置", "左上角", "上方正中", "右上角", "左下角", "下方正中", "右下角"};
    s.pageNumberModes = pageNumberModes.items;
    s.instruments = instruments.items;
    // The change panel needs "4/4" as much as the song settings do: a change back to 4/4 must be possible
    // whatever jp.txt holds.
    s.songTimeSignatures = QStringList{"4/4"} + timeSignatures.items;
    s.changeTimeSignatures = s.songTimeSignatures;
    for (int i = 0; i <= 6; ++i) s.quantizeGrids << "1/" + QString::number(1 << i);
    s.keys = {"C 调  (+0)", "#C调  (+1)", "D 调  (+2)", "bE调  (+3)", "E 调  (+4)",  "F 调  (+5)",
              "bG调  (+6)", "G 调  (+7)", "bA调  (+8)", "A 调  (+9)", "bB调  (+10)", "B 调  (+11)"};
    s.keyRowOctaves = KeyOctaveTexts();
    s.expressions = expressions.items;
    for (int code = 35; code <= 125; ++code) s.symbols << QString(QChar(code));
    s.paperSizes = paperSizes.items;
    s.paperSizes << QString::fromUtf8(kCustomPaperEntry);
    s.dynamics = {"mp", "p", "pp", "ppp", "pppp", "mf", "f", "ff", "fff", "ffff", "sf", "fz", "sfz", "fp", "sfp", "sffz"};
    for (int v = 1; v <= kVerseCount; ++v) s.verses << "第" + QString::number(v) + "段";
    for (const WordList* w : {&pageNumberModes, &instruments, &timeSignatures, &expressions, &paperSizes})
        if (w->problem) s.problems.push_back(*w->problem);
    return s;
}

StartupLists BuildStartupLists(const QString& dir) {
    // Read one after another, in the order the lists are filled.
    WordList modes = LoadPageNumberModes(dir);
    WordList names = LoadInstrumentNames(dir);
    WordList signatures = LoadTimeSignatures(dir);
    WordList expressions = LoadExpressions(dir);
    WordList papers = LoadPaperSizes(dir);
    return BuildStartupLists(modes, names, signatures, expressions, papers);
}

}  // namespace app
