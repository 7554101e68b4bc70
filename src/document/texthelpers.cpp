#include "document/texthelpers.h"

#include "platform/textcodec.h"

namespace doc {

int32_t MeasureTextWidth(const QString& text) { return textcodec::gbkLength(text); }

void ReplaceAll(QString& text, const QString& find, const QString& replacement) {
    if (find.isEmpty() || find == replacement) return;
    qsizetype from = 0;
    for (;;) {
        qsizetype at = text.indexOf(find, from, Qt::CaseSensitive);
        if (at < 0) return;
        text.replace(at, find.size(), replacement);
        from = at + replacement.size();
    }
}

}  // namespace doc
