#include "app/startup.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QSocketNotifier>
#include <QTranslator>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <fontconfig/fontconfig.h>
#include <memory>
#include <thread>
#include <unistd.h>

#include "app/form1.h"
#include "platform/audioengine.h"
#include "platform/dialogs.h"
#include "platform/mediaplayer.h"
#include "platform/midiout.h"
#include "platform/waveplayer.h"

namespace app {

QString programDir() { return QCoreApplication::applicationDirPath(); }

bool installFonts(const QString& dir) {
    // The design fonts of the window and the score, mapped onto fonts Debian ships.
    QFont::insertSubstitutions("宋体", {"AR PL UMing CN", "AR PL UMing TW", "WenQuanYi Micro Hei"});
    QFont::insertSubstitutions("黑体", {"WenQuanYi Micro Hei", "WenQuanYi Zen Hei", "AR PL UMing CN"});
    int id = QFontDatabase::addApplicationFont(dir + "/Qelto.ttf");
    return id >= 0 && QFontDatabase::applicationFontFamilies(id).contains("Qelto");
}

std::unique_ptr<QTranslator> installQtTranslations() {
    auto translator = std::make_unique<QTranslator>();
    // "qt" gathers the catalogues of the Qt modules, qtbase among them.
    if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), "qt", "_",
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return nullptr;
    QCoreApplication::installTranslator(translator.get());
    return translator;
}

namespace {

int signalPipe[2] = {-1, -1};
struct sigaction previousTerm {}, previousInt {};

extern "C" void WriteSignalByte(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> onSignal) : onSignal_(std::move(onSignal)) {
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        char bytes[16];
        while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        if (onSignal_) onSignal_();
    });
    struct sigaction action {};
    action.sa_handler = WriteSignalByte;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, &previousTerm);
    sigaction(SIGINT, &action, &previousInt);
}

TerminationSignals::~TerminationSignals() {
    if (!notifier_) return;
    sigaction(SIGTERM, &previousTerm, nullptr);
    sigaction(SIGINT, &previousInt, nullptr);
    notifier_.reset();
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

int runProgram(int argc, char** argv, const std::function<void(QWidget& mainWindow)>& shown) {
    // Fontconfig reads its configuration and font lists on first use, tens of milliseconds: it does
    // so beside the application's start, before the first font is asked for.
    std::thread fontconfigSetup([] { FcInit(); });
    QApplication qapp(argc, argv);
    fontconfigSetup.join();
    const bool notationFont = installFonts(programDir());
    const std::unique_ptr<QTranslator> qtTexts = installQtTranslations();

    AudioEngine engine;
    SynthMidiOut midi(engine, AudioEngine::DefaultSoundFonts());
    midi.LoadInBackground();  // the window shows while the SoundFont loads
    EngineMediaPlayer accompaniment(engine);
    std::array<std::unique_ptr<EngineMediaPlayer>, 10> parts;
    EngineWavePlayer clicks(engine, &accompaniment);  // clicks on the accompaniment's clock
    vb::QtDialogs dialogs;

    Form1::Services services;
    services.programDir = programDir();
    services.dialogs = &dialogs;
    services.midi = &midi;
    services.wmp = &accompaniment;
    for (int p = 1; p <= 9; ++p) {
        parts[p] = std::make_unique<EngineMediaPlayer>(engine);
        services.wmps[p] = parts[p].get();
    }
    services.wave = &clicks;
    services.quit = [&qapp] { qapp.exit(0); };
    services.audioProblems = [&engine, &midi] {
        QStringList problems;
        if (!engine.HasDevice()) problems << engine.OutputError();
        if (!midi.SoundFontError().isEmpty()) problems << midi.SoundFontError();
        return problems;
    };

    Form1 form(services);
    dialogs.SetParent(&form);
    form.setWindowFlags(Qt::FramelessWindowHint);
    // A logout or Ctrl+C ends the program as Exit does, without the save question. A signal that
    // comes while a start-up message is shown ends the program before its window shows.
    TerminationSignals termination([&form] { form.EndBySignal(); });
    form.Form_Load();
    // The window covers the screen by its geometry (InitMainWindow), not by the full-screen state:
    // a window manager stacks a focused full-screen window above its own page and lyrics windows.
    if (!form.Exited()) form.show();
    if (shown && !form.Exited()) shown(form);
    // Without the notation font the score's symbols show as plain letters: say so, and go on.
    if (!notationFont && !form.Exited())
        dialogs.MsgBox(QStringLiteral("没有找到字体：Qelto"), vb::vbOKOnly + vb::vbExclamation, QStringLiteral("提示"));
    return form.Exited() ? 0 : qapp.exec();
}

}  // namespace app
