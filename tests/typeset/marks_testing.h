// Reading back what the marks printed on a recording surface.
#pragma once

#include <QRegularExpression>
#include <initializer_list>
#include <memory>
#include <QString>
#include <QStringList>
#include <vector>

#include "platform/surface.h"
#include "support/songs.h"
#include "typeset/marks.h"

namespace markstest {

struct Printed {
    double x, y;
    QString text, font;
    bool italic;
    double size;
};
struct Drawn {
    double x1, y1, x2, y2;
    bool operator==(const Drawn& o) const { return x1 == o.x1 && y1 == o.y1 && x2 == o.x2 && y2 == o.y2; }
};

inline std::vector<Printed> Prints(const vb::RecordingSurface& s, const QString& only = QString()) {
    static const QRegularExpression re(R"re(^Print (\S+),(\S+) "(.*)";? font=(\S+) (\S+)( bold)?( italic)?$)re");
    std::vector<Printed> out;
    for (const QString& line : s.Log()) {
        const auto m = re.match(line);
        if (!m.hasMatch()) continue;
        if (!only.isNull() && m.captured(3) != only) continue;
        out.push_back({m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3), m.captured(4),
                       !m.captured(7).isEmpty(), m.captured(5).toDouble()});
    }
    return out;
}
inline std::vector<double> Xs(const std::vector<Printed>& p) {
    std::vector<double> v;
    for (const Printed& g : p) v.push_back(g.x);
    return v;
}
inline std::vector<double> Ys(const std::vector<Printed>& p) {
    std::vector<double> v;
    for (const Printed& g : p) v.push_back(g.y);
    return v;
}
// Where one glyph was printed: "x,y x,y ..." (or only the x values).
inline std::string At(const vb::RecordingSurface& s, const QString& glyph, bool withY = false) {
    QStringList v;
    for (const Printed& p : Prints(s, glyph))
        v << (withY ? QString::number(p.x) + "," + QString::number(p.y) : QString::number(p.x));
    return v.join(' ').toStdString();
}
// "x,y1 x,y2 ..." for a column of glyphs.
inline std::string Column(double x, std::initializer_list<double> ys) {
    QStringList v;
    for (double y : ys) v << QString::number(x) + "," + QString::number(y);
    return v.join(' ').toStdString();
}
inline std::string Range(int from, int to, int step) {
    QStringList v;
    for (int x = from; x <= to; x += step) v << QString::number(x);
    return v.join(' ').toStdString();
}
inline QString Texts(const std::vector<Printed>& p) {
    QStringList t;
    for (const Printed& g : p) t << g.text;
    return t.join(' ');
}
inline std::vector<Drawn> Lines(const vb::RecordingSurface& s) {
    static const QRegularExpression re(R"(^Line (-?[\d.e+]+),(-?[\d.e+]+)-(-?[\d.e+]+),(-?[\d.e+]+) )");
    std::vector<Drawn> out;
    for (const QString& line : s.Log()) {
        const auto m = re.match(line);
        if (m.hasMatch())
            out.push_back({m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                           m.captured(4).toDouble()});
    }
    return out;
}
// The worked examples' digit cell: 13 × 24, fonts as the page setup starts.
inline typeset::MarkStyle Style(int w = 13, int h = 24) {
    typeset::MarkStyle st;
    st.W = w, st.H = h, st.HExact = h;
    st.Fonts.Samples[2] = {QStringLiteral("黑体"), 18};
    st.Fonts.Samples[1] = st.Fonts.Samples[4] = {QStringLiteral("宋体"), 12};
    return st;
}

// What drawing one row of marks works on: a new song (for the meter), the style, the line's cells,
// the row, the row and run states, and the surface that records the drawing.
struct RowDrawState {
    std::unique_ptr<doc::Song> song = testsongs::NewSong(true);
    typeset::MarkStyle st = Style();
    typeset::LineCells cells;
    typeset::RowContext row;
    typeset::RowState rs;
    typeset::RunState run;
    vb::RecordingSurface s;
};

}  // namespace markstest
