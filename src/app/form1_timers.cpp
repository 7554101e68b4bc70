// The window's timers (start-up deferral, typesetting throttle, clock) and the handlers that give the
// keyboard focus back to the canvases after a click on a button.
#include "app/form1.h"

#include "platform/timer.h"

namespace app {

void Form1::BindTimerHandlers() {
    Timload.OnTimer = [this] { Timload_Timer(); };
    Timer5.OnTimer = [this] { Timer5_Timer(); };
    Timer6.OnTimer = [this] { Timer6_Timer(); };
    Command2.Bind(&vb::Control::MouseUp, [this](int i, int, int, double, double) { Command2_MouseUp(i); });
    Command4.Bind(&vb::Control::MouseUp, [this](int i, int, int, double, double) { Command4_MouseUp(i); });
    Command5.MouseUp = [this](int, int, int, double, double) { Command5_MouseUp(); };
    Picture1.MouseUp = [this](int, int, int, double, double) { Picture1_MouseUp(); };
    Picture10.Click = [this](int) { Picture10_Click(); };
    Picture13.DblClick = [this](int) { Picture13_DblClick(); };
}

// The end of the start-up window: two seconds after start-up, New or Open.
void Form1::Timload_Timer() {
    Timload.SetEnabled(false);
    Check2.SetVisible(true);
    Command2[5].SetEnabled(true);
    HScroll3_Change(kZoomSlider);
}

// The typesetting throttle has cooled: a request that came while it ran is typeset now, while the
// pages are shown.
void Form1::Timer5_Timer() {
    Timer5.SetEnabled(false);
    if (song->NeedsRetypeset && Form3_Visible()) TypesetScorePages();
}

// The clock: hours and minutes, 24-hour form.
void Form1::Timer6_Timer() { Command14.SetCaption(vb::TimeOfDay().toString("HH:mm:ss").left(5)); }

void Form1::Command2_MouseUp(int) { Picture4[0].SetFocus(); }

void Form1::Command4_MouseUp(int) {
    if (Form3_Visible())
        Form3().SetFocus();
    else
        Picture4[0].SetFocus();
}

void Form1::Command5_MouseUp() {
    if (Picture6.Visible()) Picture6.SetFocus();
}

void Form1::Picture1_MouseUp() {
    if (Picture6.Visible())
        Picture6.SetFocus();
    else
        Picture4[0].SetFocus();
}

void Form1::Picture10_Click() { Combo4.SetTop(-200); }

// Hides the title-block panel for the rest of the run; its edit lock is kept.
void Form1::Picture13_DblClick() {
    Picture13.SetVisible(false);
    UpdateTrackViewScroll();  // the strips and the piano roll may use the room the title block leaves
    UpdatePianoRollScroll();
}

}  // namespace app
