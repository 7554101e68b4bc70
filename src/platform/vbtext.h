// Number and text rules of the form runtime the program's behaviour is written against:
// whole-number conversions round half to even, Format rounds half away from zero,
// Val reads the leading number of a text, strings count UTF-16 characters from 1.
#pragma once

#include <QString>
#include <cstdint>
#include <stdexcept>

namespace vb {

struct Overflow : std::overflow_error {
    Overflow() : std::overflow_error("overflow") {}
};

// Nearest whole number, a half going to the even neighbour.
double Round(double x);
// Round to `digits` decimals, halves to even (as the runtime's Round(x, n)).
double Round(double x, int digits);
// Conversions to Integer (16-bit) and Long (32-bit): round half to even; out of range throws Overflow.
int16_t CInt(double x);
int32_t CLng(double x);
// Int rounds down, Fix truncates toward zero.
double Int(double x);
double Fix(double x);
// a \ b: both operands rounded half to even, then divided truncating toward zero.
// Division by zero throws std::domain_error.
int64_t IDiv(double a, double b);
// a Mod b: operands rounded first, result takes the sign of a.
int64_t Mod(double a, double b);

// Format(x, pattern) for patterns of zeros with an optional decimal part ("0", "000", "00000",
// "0.000", "000.000"): halves away from zero, zero padding, a leading "-" for negative values.
QString Format(double x, const QString& pattern);
// Format of a whole number with a pattern of `width` zeros ("0", "000", "00000"), the same text
// made without floating point. The second form writes it to `out` (room for kFormatWholeRoom
// characters; widths beyond 40 count as 40) and returns its length.
QString FormatWhole(int64_t x, int width);
constexpr int kFormatWholeRoom = 42;
int FormatWholeInto(char16_t* out, int64_t x, int width);
// Str(x): the number as text with a leading blank when it is not negative; a fraction between -1
// and 1 loses its leading zero (" .5", "-.5").
QString Str(double x);
// CStr(x): the number as text, no blank; a fraction keeps its leading zero ("0.5", "-0.5").
QString CStr(double x);
// Number to text as Print writes it on a surface: Str plus a trailing blank.
QString PrintNumber(double x);

// Val(text): blanks, tabs and line feeds removed, then the longest leading number is read
// (sign, digits, one ".", exponent, or &H / &O prefixes); no number reads as 0.
double Val(const QString& text);

// String functions counting UTF-16 characters from 1.
int Len(const QString& s);
QString Mid(const QString& s, int start, int length = -1);
QString Left(const QString& s, int n);
QString Right(const QString& s, int n);
// 1-based position of `find` in `s` starting at `start`, 0 when not found.
int InStr(const QString& s, const QString& find, int start = 1);
QString Trim(const QString& s);
QString LTrim(const QString& s);
QString RTrim(const QString& s);
QString Space(int n);
QString Chr(int code);
int Asc(const QString& s);

// Single-precision comparison: both sides converted to float first.
inline bool SingleLess(double a, double b) { return float(a) < float(b); }
inline bool SingleLessEq(double a, double b) { return float(a) <= float(b); }
inline bool SingleEq(double a, double b) { return float(a) == float(b); }

// Flags are held as -1 (true) and 0 (false).
inline int16_t Flag(bool b) { return b ? -1 : 0; }

}  // namespace vb
