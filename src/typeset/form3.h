// The page window "简谱窗口": the score's pages one under another in a scrolling strip, with each
// page's number, position marker and loop markers, and the title block's labels on the first page.
// It is owned by (transient for) the main window, so that every window manager keeps it above that
// window, stays on top of the other windows and shows without taking the activation; closing it
// only hides it. Minimised, it steps off the screen until it is restored or shown again: a window
// manager minimises an owned window only together with its owner, so it offers no minimise button.
// The window is as wide as a page at every page setup, within the screen's work area; a page wider
// than the window scrolls sideways. The wheel scrolls the pages wherever it turns over them.
// A click on a page goes to the main window through the callbacks below.
#pragma once

#include <QRect>
#include <QWidget>
#include <functional>

#include "platform/controls.h"

namespace typeset {

class Form3 : public QWidget {
public:
    explicit Form3(QWidget* owner = nullptr);
    ~Form3() override;

    // Initialises the pages and markers; the owner runs it once after construction.
    void Form_Load();
    void Form_Resize();
    void VScroll1_Change();
    void HScroll1_Change();
    // Sizes the window to a whole page width (the strip's width and the vertical bar) within the
    // work area, keeps it inside that area and fits the scroll bars to the strip. A maximised
    // window keeps its size.
    void FitToStrip();
    // Moves the strip to `top` as the player does when it follows the play, and the vertical bar to
    // the place that shows (within its range), without running its Change.
    void FollowStripTo(double top);
    void Picpage_MouseDown(int page, int button, int shift, double x, double y);
    void Picpage_DblClick(int page);
    void Picpage_KeyDown(int page, int keyCode, int shift);

    // Inner height in pixels; 0 normal, 1 minimised (a hidden window keeps its state).
    double ScaleHeight() const { return height(); }
    int WindowState() const;
    void SetWindowState(int state);
    // Shown, minimised or not.
    bool Visible() const { return isVisible() || minimised_; }
    // Shows the window without activating it, or hides it.
    void SetVisible(bool visible);
    // Gives the window (and its first page) the keyboard focus.
    void SetFocus();

    // ---- controls, containers before their contents ----------------------------------------
    vb::PictureBox Picjp{this, "Picjp"};
    // Rectangles behind the pages (a shadow 2 pixels right of and below each page).
    vb::ControlArray<vb::Shape> Shape1{Picjp.widget(), "Shape1", 0, 24};
    // Pages 1..25 (0..24) and the composition page 25 for picture export.
    vb::ControlArray<vb::PictureBox> Picpage{Picjp.widget(), "Picpage", 0, 25};
    // Children of their page: the page number, the position marker, the loop markers.
    vb::ControlArray<vb::Label> Label2{Picjp.widget(), "Label2", 0, 25};
    vb::ControlArray<vb::Shape> Shape2{Picjp.widget(), "Shape2", 0, 25};
    vb::ControlArray<vb::ImageBox> Imal{Picjp.widget(), "Imal", 0, 24};
    vb::ControlArray<vb::ImageBox> Imar{Picjp.widget(), "Imar", 0, 24};
    // The title block on page 0.
    vb::ControlArray<vb::Label> Label1{Picpage[0].widget(), "Label1", 0, 11};
    vb::ScrollBar VScroll1{this, "VScroll1", -1, true};
    // Shown while the strip is wider than the room beside the vertical bar.
    vb::ScrollBar HScroll1{this, "HScroll1", -1, false};

    // Where the player keeps the position marker while it follows playback.
    int32_t MarkerCentreY = 0;

    // ---- what the window asks of the main window ---------------------------------------------
    std::function<void(int page, double x, double y, int button)> P3pCk;    // plain left click
    std::function<void(int page, double x, double y, int button)> P3pCkff;  // Alt-click
    std::function<void()> PlayStop;              // Space or the right button
    std::function<void(int page)> OpenEditor;    // double-click: the note editor at the cursor
    // The part of the desktop the window may cover; unset, the work area of its screen.
    std::function<QRect()> WorkArea;

protected:
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    QRect workArea() const;
    void focusFirstPage();
    bool loaded_ = false;
    bool following_ = false;  // the player moves the strip itself
    bool minimised_ = false;  // minimised by the program: off the screen, still counted as shown
};

}  // namespace typeset
