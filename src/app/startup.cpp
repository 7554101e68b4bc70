#include "app/startup.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <array>
#include <memory>

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

int runProgram(int argc, char** argv) {
    QApplication qapp(argc, argv);
    const bool notationFont = installFonts(programDir());

    AudioEngine engine;
    SynthMidiOut midi(engine, AudioEngine::DefaultSoundFonts());
    EngineMediaPlayer accompaniment(engine);
    std::array<std::unique_ptr<EngineMediaPlayer>, 10> parts;
    EngineWavePlayer clicks(engine);
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

    Form1 form(services);
    dialogs.SetParent(&form);
    form.setWindowFlags(Qt::FramelessWindowHint);
    form.Form_Load();
    form.showFullScreen();
    // Without the notation font the score's symbols show as plain letters: say so, and go on.
    if (!notationFont)
        dialogs.MsgBox(QStringLiteral("没有找到字体：Qelto"), vb::vbOKOnly + vb::vbExclamation, QStringLiteral("提示"));
    return qapp.exec();
}

}  // namespace app
