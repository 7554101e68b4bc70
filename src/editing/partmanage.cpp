#include "editing/partmanage.h"

#include "document/parts.h"
#include "editing/partstrips.h"
#include "platform/textcodec.h"
#include "platform/vbtext.h"

#include <QStringList>
#include <algorithm>

namespace editing {

namespace {
const QString kTip = QString::fromUtf8("提示");

// Makes room at slot PartCount + 1 for a new part: the slots above the live parts that the
// journal still names hold deleted parts that undo brings back; they move up one slot and their
// journal lines follow them.
void KeepDeletedPartsClear(doc::Song& song, UndoJournal& journal) {
    const int live = song.PartCount;
    const int highest = journal.HighestPartNamed();
    if (highest <= live) return;
    if (highest >= doc::kMaxParts) {
        // No slot left above them: those deletions can no longer be undone.
        journal.Reset();
        return;
    }
    journal.MovePartsAboveUp(live);
    for (int slot = highest; slot > live; --slot) doc::SwapParts(song, slot, slot + 1);
}
}  // namespace

doc::PartRecord NewPartRecord() {
    doc::PartRecord r;
    r.Name = QString::fromUtf8("新声部");
    r.StripHeight = 120;
    r.AudioFile.clear();
    r.StripTopPitch = 80;
    r.StripTop = 32000;
    r.Colour = 0x404000;
    r.Colour2 = 0xFFFFFF;
    r.Volume = 100;
    r.Program = 0;
    r.MidiOn = 1;
    r.AudioOn = 0;
    r.NoteCount = 0;
    r.PhraseJoinBits = {};
    r.DisplayMode = 1;
    r.ShowInScore = 1;
    r.AudioOffsetMs = 0;
    return r;
}

uint32_t ProgramChangeMessage(int part, int program) {
    return 0xC0u + uint32_t(part - 1) + uint32_t(program) * 256u + 0x640000u;
}

std::optional<AddedPart> AddPart(doc::Song& song, UndoJournal& journal, vb::Dialogs& dialogs, int noteBarWidth,
                                 int lyricNoteGap) {
    if (song.PartCount >= doc::kMaxParts) {
        dialogs.MsgBox(QString::fromUtf8("最多8个声部，无法继续增加!"), vb::vbOKOnly + vb::vbSystemModal);
        return std::nullopt;
    }
    journal.TruncateRedoTail();
    KeepDeletedPartsClear(song, journal);
    const int p = ++song.PartCount;
    song.Parts[p] = NewPartRecord();
    UpdatePartPitchRange(song, p, noteBarWidth, lyricNoteGap);
    song.Modified = -1;
    song.NeedsRetypeset = -1;
    return AddedPart{p, ProgramChangeMessage(p, song.Parts[p].Program)};
}

QString RenamePart(doc::Song& song, int part, const QString& typed) {
    const QString name = vb::Left(vb::Trim(typed), 8);
    if (song.Parts[part].Name != name) {
        song.Parts[part].Name = name;
        song.Modified = -1;
        song.NeedsRetypeset = -1;
    }
    return name;
}

SwatchResult ChooseSwatchColour(doc::Song& song, vb::Dialogs& dialogs, int swatchIndex, doc::PlayMode playMode) {
    const bool first = swatchIndex < 10;
    if (first && playMode != doc::PlayMode::Idle) return SwatchResult::Ignored;
    doc::PartRecord& rec = song.Parts[int(vb::Mod(swatchIndex, 10))];
    uint32_t& colour = first ? rec.Colour : rec.Colour2;
    const std::optional<vb::Colour> chosen = dialogs.ShowColor(colour);
    if (!chosen) return SwatchResult::Cancelled;
    if (colour != *chosen) {
        colour = *chosen;
        song.Modified = -1;
    }
    return first ? SwatchResult::StripColour : SwatchResult::NoteColour;
}

int NextDisplayMode(doc::Song& song, int part) {
    uint8_t& mode = song.Parts[part].DisplayMode;
    mode = uint8_t(mode + 1 >= 3 ? 0 : mode + 1);
    song.Modified = -1;
    return mode;
}

DeleteResult DeleteCurrentPartCommand(doc::Song& song, UndoJournal& journal, vb::Dialogs& dialogs,
                                      doc::PlayMode playMode) {
    const int modal = vb::vbOKOnly + vb::vbSystemModal;
    if (song.PartCount == 1) {
        dialogs.MsgBox(QString::fromUtf8("您无法删除最后一个声部！"), modal, kTip);
        return DeleteResult::Refused;
    }
    if (playMode != doc::PlayMode::Idle) {
        dialogs.MsgBox(QString::fromUtf8("当前无法进行此操作！"), modal, kTip);
        return DeleteResult::Refused;
    }
    const QString question =
        QString::fromUtf8("确定要删除[") + song.Parts[song.CurrentPart].Name + QString::fromUtf8("]声部吗？");
    if (dialogs.MsgBox(question, vb::vbYesNo + vb::vbCritical + vb::vbSystemModal, kTip) != vb::vbYes)
        return DeleteResult::Declined;
    return journal.DeleteCurrentPart(song) ? DeleteResult::Deleted : DeleteResult::Refused;
}

QString PartAudioFilter() { return QString::fromUtf8("波形文件(*.wav)|*.wav|音乐文件(*.mp3)|*.mp3|"); }

bool PartAudioPathFits(const doc::PartRecord& part, const QString& path) {
    if (!textcodec::canEncode(path)) return false;
    return textcodec::gbkLength(part.Name) + textcodec::gbkLength(path) <= kPartTextRoomBytes;
}

std::optional<QString> ChoosePartAudioFile(doc::Song& song, vb::Dialogs& dialogs) {
    vb::FileRequest request;
    request.filter = PartAudioFilter();
    const std::optional<QString> path = dialogs.ShowOpen(request);
    if (!path) return std::nullopt;
    doc::PartRecord& rec = song.Parts[song.CurrentPart];
    if (!PartAudioPathFits(rec, *path)) {
        dialogs.MsgBox(QString::fromUtf8("音频文件的路径太长或含有无法保存的字符，请换一个位置或文件名！"),
                       vb::vbOKOnly + vb::vbSystemModal, kTip);
        return std::nullopt;
    }
    rec.AudioFile = *path;
    song.Modified = -1;
    return *path;
}

std::optional<int> NextVerseIndex(int verseCount, int current) {
    if (verseCount <= 1) return std::nullopt;
    const int next = current + 1;
    return next > verseCount - 1 ? 0 : next;
}

QString VerseButtonCaption(int verseIndex) { return QString::number(verseIndex + 1); }

}  // namespace editing
