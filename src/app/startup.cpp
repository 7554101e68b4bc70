#include "app/startup.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QWidget>

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
    installFonts(programDir());
    QWidget window;
    window.setWindowFlags(Qt::FramelessWindowHint);
    window.showFullScreen();
    return qapp.exec();
}

}  // namespace app
