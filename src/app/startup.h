// Program start: the application object, fonts and the main window.
#pragma once

#include <QString>
#include <functional>
#include <memory>

class QApplication;
class QSocketNotifier;
class QTranslator;
class QWidget;

namespace app {

// Qt's own Chinese texts for the standard dialogs (buttons, file, colour and font dialogs),
// installed on the application; null when the translation files are missing.
std::unique_ptr<QTranslator> installQtTranslations();

// While it exists, SIGTERM and SIGINT run `onSignal` from the event loop (the signal handler
// only writes a byte to a pipe); the previous handlers come back when it goes.
class TerminationSignals {
public:
    explicit TerminationSignals(std::function<void()> onSignal);
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    std::function<void()> onSignal_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

// The folder holding the executable and every resource it reads.
QString programDir();
// Font substitutions for the design fonts and the notation font; returns false when the
// notation font could not be loaded (the score then shows plain letters).
bool installFonts(const QString& dir);
// Runs the program; `shown` (for measurements) is called with the main window once it is shown.
int runProgram(int argc, char** argv, const std::function<void(QWidget& mainWindow)>& shown = {});

}  // namespace app
