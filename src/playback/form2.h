// The lyrics window "歌词窗口": one sentence list per part, all at the window's top-left corner and
// only the current part's shown, with the buttons to join, split, step through and play the
// sentences. It is owned by (transient for) the main window, so that every window manager keeps it
// above that window, stays on top of the other windows and shows without taking the activation;
// closing it only hides it. What it asks of the main window goes through the callbacks below.
#pragma once

#include <QWidget>
#include <functional>

#include "platform/controls.h"
#include "platform/timer.h"

namespace playback {

class Form2 : public QWidget {
public:
    explicit Form2(QWidget* owner = nullptr);
    ~Form2() override;

    // Places the lists and buttons; the owner runs it once after construction.
    void Form_Load();
    void Command1_Click(int index);
    void List1_Click(int index);
    void List1_KeyDown(int index, int keyCode, int shift);
    void List1_MouseDown(int index, int button, int shift, double x, double y);
    void Timer1_Timer();

    // Shows the window without activating it, or hides it.
    void SetVisible(bool visible);
    // Shows the list of `part` and hides every other one.
    void ShowList(int part);
    // The first visible list, 0 when none is.
    int VisibleList() const;

    // ---- controls -----------------------------------------------------------------------------
    vb::ControlArray<vb::ListBox> List1{this, "List1", 1, 8};
    // "合并下一句", "分离", "上一句", "下一句", "播放\停止", "关闭窗口".
    vb::ControlArray<vb::CommandButton> Command1{this, "Command1", 0, 5};
    // The click debounce: a click is ignored while it runs.
    vb::Timer Timer1{500, false};

    // ---- what the window asks of the main window ---------------------------------------------
    std::function<void(const QString& spans)> PlayPart;  // play the sentence, or stop it
    std::function<void()> MixNext;                       // join the selected sentence with the next
    std::function<void()> FengLi;                        // split off its last phrase
    std::function<void()> PlayStop;                      // the right button: play or stop

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    int rowAtPress_ = -1;  // the list's selection when the left button went down
};

}  // namespace playback
