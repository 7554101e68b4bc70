// Test main: runs every test under the headless Qt platform and the dummy audio driver,
// with a QApplication alive so widgets, fonts and printers can be used, and the form timers on
// the driven clock: they fire only when a test moves it on (vb::testing::AdvanceClock).
#include <gtest/gtest.h>
#include <QApplication>
#include <cstdlib>

#include "platform/timer.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    vb::testing::SetManualClock(true);
    return RUN_ALL_TESTS();
}
