// Message boxes, input box, file, colour and font dialogs with the runtime's conventions, behind
// one interface: `QtDialogs` shows real dialogs, `ScriptedDialogs` records every call and answers
// from a queue for tests. `CommonDialog` is the shared file/colour/font dialog object whose
// properties keep the values of their last use.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "platform/surface.h"

class QWidget;

namespace vb {

// MsgBox flags, combined by adding them as the runtime does: buttons + icon + modality.
enum MsgBoxFlags : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbAbortRetryIgnore = 2,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbRetryCancel = 5,
    vbCritical = 16,  // the stop icon
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    vbSystemModal = 4096,
};
// Which button answered a message box.
enum MsgBoxResult : int { vbOK = 1, vbCancel = 2, vbAbort = 3, vbRetry = 4, vbIgnore = 5, vbYes = 6, vbNo = 7 };

inline int MsgButtonsOf(int flags) { return flags & 7; }
inline int MsgIconOf(int flags) { return flags & 0x70; }
inline bool MsgIsSystemModal(int flags) { return (flags & vbSystemModal) != 0; }
// The buttons of a box, in their order on the box (e.g. vbYesNo gives {vbYes, vbNo}).
std::vector<int> MsgBoxAnswers(int flags);

struct FontChoice {
    QString name;
    double size = 9;  // points
    bool bold = false;
    bool italic = false;
};

// One file dialog request. `filter` is the runtime's filter text: pairs "description|pattern"
// joined by "|", patterns separated by ";", e.g. "工程文件(*.brc)|*.brc". filterIndex counts from 1.
struct FileRequest {
    QString title;
    QString filter;
    int filterIndex = 1;
    QString initDir;
    QString fileName;
    QString defaultExt;
};

// The runtime's filter text as Qt name filters, one per pair ("工程文件(*.brc)", "MIDI文件 (*.mid)").
QStringList QtNameFilters(const QString& vbFilter);

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Returns the pressed button (vbOK, vbYes, ...).
    virtual int MsgBox(const QString& prompt, int flags = vbOKOnly, const QString& title = QString()) = 0;
    // The typed text; "" when cancelled (and when left empty).
    virtual QString InputBox(const QString& prompt, const QString& title = QString(),
                             const QString& defaultText = QString()) = 0;
    // The same box where Cancel matters: nothing when cancelled, "" when left empty.
    virtual std::optional<QString> InputBoxOrCancel(const QString& prompt, const QString& title = QString(),
                                                    const QString& defaultText = QString()) = 0;
    // The chosen path, or nothing when cancelled.
    virtual std::optional<QString> ShowOpen(const FileRequest& request) = 0;
    virtual std::optional<QString> ShowSave(const FileRequest& request) = 0;
    virtual std::optional<Colour> ShowColor(Colour initial) = 0;
    virtual std::optional<FontChoice> ShowFont(const FontChoice& initial) = 0;
    virtual void Beep() = 0;
};

// Room a window manager's title bar takes beside a box's title: its icon, its buttons and their
// margins (pixels; the widest of the common desktops).
inline constexpr int kTitleBarControlsWidth = 160;

// Real dialogs over Qt, with the system's Chinese button texts; a message or input box given no
// title is titled with the caption of the parent's window, the program's name. A message box is
// at least as wide as its title needs in a window manager's title bar.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }
    int MsgBox(const QString& prompt, int flags = vbOKOnly, const QString& title = QString()) override;
    QString InputBox(const QString& prompt, const QString& title = QString(),
                     const QString& defaultText = QString()) override;
    std::optional<QString> InputBoxOrCancel(const QString& prompt, const QString& title = QString(),
                                            const QString& defaultText = QString()) override;
    std::optional<QString> ShowOpen(const FileRequest& request) override;
    std::optional<QString> ShowSave(const FileRequest& request) override;
    std::optional<Colour> ShowColor(Colour initial) override;
    std::optional<FontChoice> ShowFont(const FontChoice& initial) override;
    void Beep() override;

private:
    QString BoxTitle(const QString& title) const;
    std::optional<QString> fileDialog(const FileRequest& request, bool save);
    QWidget* parent_;
};

// Test double: records every call in order and answers from queues.
class ScriptedDialogs : public Dialogs {
public:
    struct Call {
        QString kind;    // "MsgBox", "InputBox", "Open", "Save", "Color", "Font", "Beep"
        QString prompt;  // the prompt, or the file dialog's file name
        QString title;
        int buttons = 0;  // MsgBox: vbOKOnly .. vbRetryCancel
        int icon = 0;     // MsgBox: vbCritical, vbQuestion, vbExclamation, vbInformation or 0
        bool systemModal = false;
        FileRequest file;  // Open and Save: the whole request
        QString defaultText;  // InputBox: the text the box showed
    };

    // Answers, used first in first out. An empty queue gives the default answers below.
    std::deque<int> msgBoxAnswers;
    // Input answers; nothing is Cancel (InputBox then gives "").
    std::deque<std::optional<QString>> inputAnswers;
    std::deque<std::optional<QString>> fileAnswers;
    std::deque<std::optional<Colour>> colorAnswers;
    std::deque<std::optional<FontChoice>> fontAnswers;

    // Default message-box answer; 0 means the box's first button (OK or Yes).
    int defaultMsgBoxAnswer = 0;
    // Default input answer; nothing means the box's default text, as when OK is pressed.
    std::optional<QString> defaultInputAnswer;
    // File, colour and font dialogs are cancelled when their queue is empty.

    // Runs while a message box is open, after its call is recorded and before it is answered, as the
    // user would read it: a test can run the event loop here (timers fire as under a real box).
    std::function<void(const Call&)> whileMessageBoxOpen;

    std::vector<Call> calls;
    // The message-box calls only.
    std::vector<Call> MsgBoxCalls() const;

    int MsgBox(const QString& prompt, int flags = vbOKOnly, const QString& title = QString()) override;
    QString InputBox(const QString& prompt, const QString& title = QString(),
                     const QString& defaultText = QString()) override;
    std::optional<QString> InputBoxOrCancel(const QString& prompt, const QString& title = QString(),
                                            const QString& defaultText = QString()) override;
    std::optional<QString> ShowOpen(const FileRequest& request) override;
    std::optional<QString> ShowSave(const FileRequest& request) override;
    std::optional<Colour> ShowColor(Colour initial) override;
    std::optional<FontChoice> ShowFont(const FontChoice& initial) override;
    void Beep() override;
};

// The one shared dialog object of a window: each command sets only the properties it needs and
// every other property keeps its last value. The Show calls return false when cancelled (the
// runtime's cancel error); on success they update FileName / Color / the font properties.
class CommonDialog {
public:
    explicit CommonDialog(Dialogs& dialogs) : dialogs_(&dialogs) {}
    void SetDialogs(Dialogs& dialogs) { dialogs_ = &dialogs; }

    QString DialogTitle, Filter, InitDir, FileName, DefaultExt;
    int FilterIndex = 1;
    Colour Color = 0;
    QString FontName = QStringLiteral("宋体");
    double FontSize = 9;
    bool FontBold = false, FontItalic = false;

    bool ShowOpen();
    bool ShowSave();
    bool ShowColor();
    bool ShowFont();

private:
    FileRequest request() const;
    Dialogs* dialogs_;
};

}  // namespace vb
