// Dynamics and expression texts above a row, at the cell of the item's start.
#include "typeset/marks.h"

#include "platform/vbtext.h"

namespace typeset {

namespace {
// Entry `text` (a decimal index) of a pick list; "" when it names no entry.
QString entryOf(const QStringList& list, const QString& text) {
    const double index = vb::Round(vb::Val(text));
    return index >= 0 && index < list.size() ? list[int(index)] : QString();
}
}  // namespace

void DrawTextMark(vb::Surface& s, const MarkStyle& st, const RowContext& row, RunState& run,
                  const doc::NoteRecord& ev) {
    if (ev.Lyric == QStringLiteral("--")) return;  // the piece of a mark continued from the line before
    if (ev.Pitch == doc::kDynamics)
        SetItalicExpressionFont(s, st.Fonts);
    else
        SetExpressionFont(s, st.Fonts);
    const int cell = row.Cells ? CellAtOrBefore(*row.Cells, ev.Start) : -1;
    if (cell >= 0) run.EventX = row.Cells->X[cell];
    QString text;
    switch (ev.Pitch) {
    case doc::kDynamics: text = entryOf(st.DynamicsList, ev.Lyric); break;
    case doc::kExpression: text = ev.Lyric; break;
    case doc::kChosenExpression: text = entryOf(st.ExpressionList, ev.Lyric); break;
    default: return;
    }
    PrintMarkAt(s, run, run.EventX, row.RowDigitY - st.H * 0.9 - row.AboveRise, text, row.ArcInk);
}

}  // namespace typeset
