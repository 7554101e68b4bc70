// Editing the title block (title, lyricist, composer, singer, subtitle) shown in the labels
// Label19(0..7) of the bottom panel, and the access code that unlocks it for a loaded song.
#pragma once

#include "document/song.h"
#include "platform/dialogs.h"

#include <QString>
#include <optional>

namespace editing {

// The title is kept in a 22-byte text of the project file; the other fields take 28 width units.
constexpr int kTitleMaxWidth = 22;
constexpr int kTitleFieldMaxWidth = 28;

// Label19 indexes: 0 title, 1..3 the fixed captions, 4 lyricist, 5 composer, 6 singer, 7 subtitle.
bool IsEditableTitleField(int index);
// The input box's prompt of a field ("歌名", "作词者", "作曲者", "演唱者", "副标题"); "" for 1..3.
QString TitleFieldPrompt(int index);
// The field's text in the song.
QString TitleFieldText(const doc::Song& song, int index);
// Whether a (trimmed) answer fits the field: MeasureTextWidth from 1 to the field's maximum.
bool TitleFieldFits(int index, const QString& text);
// Label19(0).Top: 0 when there is a subtitle, 8 otherwise.
int TitleLabelTop(const doc::Song& song);

// A click on Label19(index) while editing is allowed: asks "请输入信息" until the answer fits
// ("长度超出范围" otherwise), a blank answer or Cancel ends without change. An accepted text goes
// into the song, which is marked modified and for typesetting; it is returned for the label
// (then Label19(0).Top = TitleLabelTop and the page header is laid out again).
std::optional<QString> EditTitleField(doc::Song& song, vb::Dialogs& dialogs, int index, bool unlocked);

// Ctrl+N in the track view: asks for the access code; true (with a beep) when it is typed
// exactly, so Picture13.Tag becomes "1".
bool AskTitleUnlock(vb::Dialogs& dialogs);

}  // namespace editing
