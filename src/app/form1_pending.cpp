// Handlers and procedures of the views that are still to be built. Each keeps the program correct
// with the least it can do; the work named in its comment replaces the body (and moves it into that
// subsystem's own form1_*.cpp file).
#include "app/form1.h"

#include <algorithm>
#include <cmath>

namespace app {

void Form1::BindPendingHandlers() {
    Combo2.Bind(&vb::Control::Click, [this](int i) { Combo2_Click(i); });
    Check4.Bind(&vb::Control::Click, [this](int i) { Combo2_Click(i); });
    Command4.Bind(&vb::Control::Click, [this](int i) { Command4_Click(i); });
    Timly.OnTimer = [this] { Timly_Timer(); };
    Timdcjp.OnTimer = [this] { Timdcjp_Timer(); };
}


// Snap grids of the rulers (0) and of the piano roll (1).
void Form1::Combo2_Click(int index) {
    const int li = Combo2[index].ListIndex();
    if (li < 0) return;
    SnapGrid[index] = int32_t(std::lround(std::pow(2.0, 6 - li))) * (Check4[index].Value() ? 1 : 3);
    if (Picture4[0].widget()->isVisible()) Picture4[0].SetFocus();
}

// Time-stretch bar over the piano-roll ruler: the time-stretch work.
void Form1::ShowStretchBar() {}
void Form1::PlaceStretchBar() {}
// Quantise, breath handling, clear overlaps, fill durations and the automatic sentence split of the
// note menu (items 12 to 15 and 20): the timing-tools work.
void Form1::RunTimingTool(int) {}

// Growing bar of a recorded note: the recording work.
void Form1::Timly_Timer() { Timly.SetEnabled(false); }

}  // namespace app
