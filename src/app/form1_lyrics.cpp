// Lyric and item entry in the piano roll: the entry box over a note label with its keys, the walk
// to the next note, the mark lists, the lyric-insertion panel, the verse chooser and the roll's close
// button.
#include "app/form1.h"

#include <QEvent>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>

#include "document/lyrics.h"
#include "editing/lyricentry.h"
#include "platform/keys.h"
#include "platform/vbtext.h"

namespace app {

namespace {

const char* const kPanelButtons[4] = {"取消", "插入", "清除空格", "清除标点符号"};

// The entry box's keys: Enter, Tab, Space, Insert and Delete go to the box's handler before its own
// editing, except while an input method composes, when every key belongs to the composition.
class EntryBoxWatch : public QObject {
public:
    EntryBoxWatch(QObject* parent, std::function<void(int)> key, std::function<void()> lostFocus)
        : QObject(parent), key_(std::move(key)), lostFocus_(std::move(lostFocus)) {}
    bool eventFilter(QObject*, QEvent* e) override {
        switch (e->type()) {
        case QEvent::InputMethod:
            composing_ = !static_cast<QInputMethodEvent*>(e)->preeditString().isEmpty();
            return false;
        case QEvent::FocusOut:
            composing_ = false;
            if (static_cast<QFocusEvent*>(e)->reason() != Qt::PopupFocusReason) lostFocus_();
            return false;
        case QEvent::KeyPress: {
            if (composing_) return false;
            int code = 0;
            switch (static_cast<QKeyEvent*>(e)->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter: code = 13; break;
            case Qt::Key_Tab:
            case Qt::Key_Backtab: code = 9; break;
            case Qt::Key_Space: code = 32; break;
            case Qt::Key_Insert: code = 45; break;
            case Qt::Key_Delete: code = 46; break;
            default: return false;
            }
            key_(code);
            return true;
        }
        default: return false;
        }
    }

private:
    std::function<void(int)> key_;
    std::function<void()> lostFocus_;
    bool composing_ = false;
};

// Runs `fn` when the watched widget loses the keyboard focus, not to a pop-up of its own.
class LostFocusWatch : public QObject {
public:
    LostFocusWatch(QObject* parent, std::function<void()> fn) : QObject(parent), fn_(std::move(fn)) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::FocusOut && static_cast<QFocusEvent*>(e)->reason() != Qt::PopupFocusReason) fn_();
        return false;
    }

private:
    std::function<void()> fn_;
};

}  // namespace

void Form1::BindLyricHandlers() {
    // The pop-up editors lie over the canvas and scroll with it.
    MoveToContainer(Picture12, Picture6.widget());
    for (int i = 0; i < 3; ++i) MoveToContainer(Combo7[i], Picture6.widget());
    Picture12.Move(0, -5000, 200, 100);
    Picture12.SetBorderStyle(1);
    Picture12.SetBackColor(0xF0F0F0);
    Text5.Move(4, 4, 190, 22);
    Check9[0].SetCaption("覆盖");
    Check9[0].Move(4, 30, 90, 18);
    Check9[1].SetCaption("单字模式");
    Check9[1].Move(100, 30, 94, 18);
    for (int i = 0; i < 4; ++i) {
        Command7[i].SetCaption(kPanelButtons[i]);
        Command7[i].Move(4 + 96 * (i % 2), 52 + 22 * (i / 2), 94, 20);
    }
    Text2.widget()->installEventFilter(
        new EntryBoxWatch(Text2.widget(), [this](int code) { Text2_KeyDown(code, 0); }, [this] { Text2_LostFocus(); }));
    Text2.MouseDown = [this](int, int b, int s, double x, double y) { Text2_MouseDown(b, s, x, y); };
    for (int i = 0; i < 3; ++i) {
        Combo7[i].Click = [this](int index) { Combo7_Click(index); };
        Combo7[i].widget()->installEventFilter(new LostFocusWatch(Combo7[i].widget(), [this, i] { Combo7_LostFocus(i); }));
    }
    Combo8.Click = [this](int) { Combo8_Click(); };
    Command5.Click = [this](int) { Command5_Click(); };
    Command5.widget()->setToolTip(QString::fromUtf8("关闭编辑窗口"));
    Command7.Bind(&vb::Control::Click, [this](int i) { Command7_Click(i); });
}

// ---------------------------------------------------------------------------------------------
// The entry box

void Form1::Text2_KeyDown(int keyCode, int) {
    const int index = int(vb::Val(Text2.Tag));
    if (index < 1 || index > NoteLabelCount) return;  // no note under the box
    vb::Label& label = Labnot[index];
    const int part = song->CurrentPart, row = label.Tag.toInt();
    if (row < 0 || row >= song->Parts[part].NoteCount) return;
    const int verse = std::max(Combo8.ListIndex(), 0);
    switch (keyCode) {
    case 13: {
        const editing::EntryLists lists{vb::ItemsOf(Combo7[2]), Combo7[2].ListIndex(), vb::ItemsOf(Combo7[0]),
                                        Combo7[0].ListIndex()};
        const bool wasSung = song->Notes[part][row].Pitch > 19;
        const editing::EntryResult r = editing::CommitEntry(*song, journal, part, row, Text2.Text(), lists);
        label.SetCaption(r.caption);
        if (!r.stored) {
            // The box stays open with the typed text while the message has the focus.
            keepEntryBox_ = true;
            Dialogs().MsgBox(editing::BadMarkMessage(), vb::vbOKOnly + vb::vbSystemModal, "提示");
            keepEntryBox_ = false;
            return;
        }
        if (r.code == doc::kSentenceMarker) label.SetCaption(doc::GetPhraseLyrics(*song, part, row, verse));
        if (r.codeChanged) {
            label.SetBackStyle(r.code < 21 ? 0 : 1);
            const editing::RowBox box = editing::PitchRowBox(r.code, VScroll3.Value());
            label.Move(label.Left(), box.top, label.Width(), box.height);
            label.SetFontSize(box.height / 1.6);
        }
        Text2.SetTop(Picture6.Height() + 20);
        if (r.code > 20 && Check5[0].Value() == 1)
            EditNextLyric();
        else
            Picture6.SetFocus();
        // The sentence holding the note shows its new text, also when the note stopped being sung.
        if (r.code > 19 || wasSung) RefreshPhraseLabels(part, row);
        break;
    }
    case 9:
    case 32: EditNextLyric(); break;
    case 45:
    case 46: {
        song->Modified = -1;
        if (Text2.Top() < 0) return;
        const editing::ShiftResult r =
            editing::ShiftVerse(*song, journal, part, row, verse, int(HScroll4.Value()), keyCode == 45);
        if (r == editing::ShiftResult::TooWide) {
            keepEntryBox_ = true;
            Dialogs().MsgBox(editing::LyricTooWideMessage(), vb::vbOKOnly + vb::vbSystemModal);
            keepEntryBox_ = false;
        }
        if (r != editing::ShiftResult::Done) return;
        RefreshPianoRoll();
        Text2.SetTop(-555);
        break;
    }
    default: break;
    }
}

// A press on the box over a dynamics mark, a chosen expression text or a symbol opens its list there,
// on the entry the box names.
void Form1::Text2_MouseDown(int button, int, double, double) {
    if (button != vb::vbLeftButton) return;
    const int index = int(vb::Val(Text2.Tag));
    if (index < 1 || index > NoteLabelCount) return;
    const int row = Labnot[index].Tag.toInt(), part = song->CurrentPart;
    if (row < 0 || row >= song->Parts[part].NoteCount) return;
    const int code = song->Notes[part][row].Pitch;
    if (code > 5) return;
    Combo7[0].Tag = Text2.Tag;
    const int list = code == doc::kDynamics ? 2 : code == doc::kChosenExpression ? 0 : code == doc::kSpecialSymbol ? 1 : -1;
    if (list < 0) return;
    const QString key = Text2.Text().mid(2);
    // Showing the entry is no choice: the list does not commit it.
    presettingCombo7_ = true;
    for (int i = 0; i < Combo7[list].ListCount(); ++i)
        if (Combo7[list].List(i) == key) {
            Combo7[list].SetListIndex(i);
            break;
        }
    presettingCombo7_ = false;
    Combo7[list].Move(Text2.Left(), Text2.Top());
    Combo7[list].widget()->raise();
}

void Form1::Text2_LostFocus() {
    if (!keepEntryBox_) Text2.SetTop(-5000);
}

// ---------------------------------------------------------------------------------------------
// The next note to the right

void Form1::WalkToNextNote(vb::Control& reference, const std::function<void(int)>& act) {
    for (;;) {
        int best = 0;
        double bestDistance = 9000;
        for (int i = 1; i <= NoteLabelCount; ++i) {
            const vb::Label& l = Labnot[i];
            const double d = l.Left() - reference.Left();
            if (l.BackStyle() == 1 && d > 0 && d < bestDistance) {
                best = i;
                bestDistance = vb::Round(d);
            }
        }
        if (best) {
            act(best);
            return;
        }
        const int32_t start = RollViewStart;
        if (Shape2.Left() + Shape2.Width() < Picture1.Width()) {
            Shape2.SetLeft(Shape2.Left() + Shape2.Width() - EditorScrollStep);
            Label14_MouseUp(vb::vbLeftButton, 0, 0, 0);
        }
        // At the ruler's end (or a window that cannot move on) the canvas takes the keys.
        if (RollViewStart <= start) {
            Picture6.SetFocus();
            return;
        }
        reference.SetLeft(-50);
    }
}

void Form1::EditNextLyric() {
    WalkToNextNote(Text2, [this](int i) { Labnot_DblClick(i); });
}

void Form1::SelectNextNote() {
    WalkToNextNote(Image1, [this](int i) {
        Labnot_MouseDown(i, vb::vbLeftButton, 0, 0, 0);
        // No release follows this press: the note it sounded ends at once.
        Labnot_MouseUp(i, vb::vbLeftButton, 0, 0, 0);
    });
}

// ---------------------------------------------------------------------------------------------
// Mark lists, verse chooser, close button

void Form1::Combo7_Click(int index) {
    if (presettingCombo7_ || !song || song->CurrentPart == 0) return;
    const int k = int(vb::Val(Combo7[0].Tag));
    if (k < 1 || k > NoteLabelCount) return;
    const int row = Labnot[k].Tag.toInt(), part = song->CurrentPart;
    if (row < 0 || row >= song->Parts[part].NoteCount) return;
    const int code = song->Notes[part][row].Pitch;
    const QString mark = code == doc::kDynamics           ? "/p"
                         : code == doc::kChosenExpression ? "/i"
                         : code == doc::kSpecialSymbol    ? "/s"
                                                          : QString();
    if (!mark.isEmpty()) Text2.SetText(mark + Combo7[index].Text());
    Combo7[index].SetTop(-5000);
    Text2_KeyDown(13, 0);
}

void Form1::Combo7_LostFocus(int index) { Combo7[index].SetTop(-5000); }

// The verse chooser: the toolbar shows its number and the views show its lyrics.
void Form1::Combo8_Click() {
    Command4[kNextVerseButton].SetCaption(QString::number(Combo8.ListIndex() + 1));
    if (!isVisible()) return;
    if (Picture6.Visible())
        RefreshPianoRoll();
    else
        DrawTrackViewPage();
    BuildSentenceLists(song->CurrentPart);
}

void Form1::Command5_Click() {
    Command4_Click(kEditorButton);
    const int part = song->CurrentPart;
    for (int i = 0; i < song->Parts[part].NoteCount; ++i) song->Notes[part][i].Selected = 0;
}

// ---------------------------------------------------------------------------------------------
// Lyric insertion

void Form1::OpenLyricInsertion() {
    Picture12.Move(Picture11.Left(), Picture11.Top());
    Picture12.widget()->raise();
    Text5.SetText(QString());
    Text5.SetFocus();
}

void Form1::Command7_Click(int index) {
    switch (index) {
    case 0:
        Picture12.SetTop(-5000);
        Picture6.SetFocus();  // the canvas keeps the keys, not the hidden button
        break;
    case 1: {
        song->Modified = -1;
        Text5.SetText(editing::RemoveLineBreaks(Text5.Text()));
        const int k = int(vb::Val(Picture11.Tag));
        if (k < 1 || k > NoteLabelCount) return;
        const editing::InsertResult r = editing::InsertLyrics(
            *song, journal, song->CurrentPart, Labnot[k].Tag.toInt(), Text5.Text(), std::max(Combo8.ListIndex(), 0),
            int(HScroll4.Value()), Check9[0].Value() == 1, Check9[1].Value() == 1);
        if (r == editing::InsertResult::TooWide)
            Dialogs().MsgBox(editing::LyricTooWideMessage(), vb::vbOKOnly + vb::vbSystemModal);
        if (r != editing::InsertResult::Done) return;
        RefreshPianoRoll();
        Picture12.SetTop(-5000);
        Text2.SetTop(-5000);
        Picture6.SetFocus();
        break;
    }
    case 2: Text5.SetText(editing::RemoveSpaces(Text5.Text())); break;
    case 3: Text5.SetText(editing::RemovePunctuation(Text5.Text())); break;
    default: break;
    }
}

}  // namespace app
