// Program start: the application object, fonts and the main window.
#pragma once

#include <QString>

class QApplication;

namespace app {

// The folder holding the executable and every resource it reads.
QString programDir();
// Font substitutions for the design fonts and the notation font; returns false when the
// notation font could not be loaded (the score then shows plain letters).
bool installFonts(const QString& dir);
int runProgram(int argc, char** argv);

}  // namespace app
