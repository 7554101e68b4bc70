// Test main: runs every test under the headless Qt platform and the dummy audio driver,
// with a QApplication alive so widgets, fonts and printers can be used.
#include <gtest/gtest.h>
#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
