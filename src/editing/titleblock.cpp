#include "editing/titleblock.h"

#include "document/texthelpers.h"
#include "platform/vbtext.h"

namespace editing {

namespace {
QString* FieldOf(doc::Song& song, int index) {
    switch (index) {
    case 0: return &song.Title;
    case 4: return &song.Lyricist;
    case 5: return &song.Composer;
    case 6: return &song.Singer;
    case 7: return &song.Subtitle;
    default: return nullptr;
    }
}
}  // namespace

bool IsEditableTitleField(int index) { return index == 0 || (index >= 4 && index <= 7); }

QString TitleFieldPrompt(int index) {
    switch (index) {
    case 0: return QString::fromUtf8("歌名");
    case 4: return QString::fromUtf8("作词者");
    case 5: return QString::fromUtf8("作曲者");
    case 6: return QString::fromUtf8("演唱者");
    case 7: return QString::fromUtf8("副标题");
    default: return QString();
    }
}

QString TitleFieldText(const doc::Song& song, int index) {
    QString* f = FieldOf(const_cast<doc::Song&>(song), index);
    return f ? *f : QString();
}

bool TitleFieldFits(int index, const QString& text) {
    const int32_t w = doc::MeasureTextWidth(text);
    return w > 0 && w <= (index == 0 ? kTitleMaxWidth : kTitleFieldMaxWidth);
}

int TitleLabelTop(const doc::Song& song) { return song.Subtitle.isEmpty() ? 8 : 0; }

std::optional<QString> EditTitleField(doc::Song& song, vb::Dialogs& dialogs, int index, bool unlocked) {
    QString* field = FieldOf(song, index);
    if (!unlocked || !field) return std::nullopt;
    for (;;) {
        const QString answer =
            vb::Trim(dialogs.InputBox(TitleFieldPrompt(index), QString::fromUtf8("请输入信息"), *field));
        if (answer.isEmpty()) return std::nullopt;
        if (TitleFieldFits(index, answer)) {
            if (*field != answer) {
                *field = answer;
                song.Modified = -1;
                song.NeedsRetypeset = -1;
            }
            return answer;
        }
        dialogs.MsgBox(QString::fromUtf8("长度超出范围"), vb::vbOKOnly + vb::vbSystemModal, QString::fromUtf8("提示"));
    }
}

bool AskTitleUnlock(vb::Dialogs& dialogs) {
    if (dialogs.InputBox(QString(), QString()) != QLatin1String("KUD49qxr")) return false;
    dialogs.Beep();
    return true;
}

}  // namespace editing
