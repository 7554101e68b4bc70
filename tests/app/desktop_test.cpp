// The program on an X server under a window manager, driven with real pointer and key input
// (XTest, through xdotool): the main window covers the screen without the full-screen state (the
// work area beside a task bar), the lyrics window and the page window stay above it when the user
// clicks into the track view, a save dialog stands above them, and a cancelled page export shows no
// page window. The places to click come from the same window laid out headless at the same screen
// size. Skipped only when the X server or the window manager cannot be started.
#include <QElapsedTimer>
#include <QProcess>
#include <QRect>
#include <QThread>
#include <functional>
#include <optional>

#include "app/form1_fixture.h"

namespace {

constexpr int kScreenWidth = 1024, kScreenHeight = 768;
// Generous: the machine may be loaded, the program built with the sanitizers.
constexpr int kWaitMs = 180000;

// Runs a command to its end and gives its standard output; nullopt when it could not run or failed.
std::optional<QString> Run(const QString& display, const QString& program, const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display);
    env.insert("LC_ALL", "C.UTF-8");
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForStarted(kWaitMs) || !p.waitForFinished(kWaitMs)) return std::nullopt;
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) return std::nullopt;
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Polls `done` until it holds or the generous limit passes; true when it held.
bool WaitFor(const std::function<bool()>& done) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > kWaitMs) return false;
        QThread::msleep(50);
    }
    return true;
}

// An X server of its own (the first free display) with a window manager, and the program on it.
class XSession {
public:
    ~XSession() {
        for (QProcess* p : {&program_, &wm_, &server_}) {
            if (p->state() == QProcess::NotRunning) continue;
            p->terminate();
            if (!p->waitForFinished(kWaitMs)) p->kill(), p->waitForFinished(kWaitMs);
        }
    }

    // Empty when started; else why not.
    QString Start(const QString& wm) {
        server_.start("Xvfb", {"-displayfd", "1", "-screen", "0",
                               QString("%1x%2x24").arg(kScreenWidth).arg(kScreenHeight), "-nolisten", "tcp"});
        if (!server_.waitForStarted(kWaitMs)) return "Xvfb does not start";
        QString number;
        WaitFor([&] {
            server_.waitForReadyRead(100);
            number += QString::fromLatin1(server_.readAllStandardOutput());
            return number.contains('\n') || server_.state() == QProcess::NotRunning;
        });
        if (!number.contains('\n')) return "Xvfb gives no display";
        display_ = ":" + number.trimmed();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display_);
        wm_.setProcessEnvironment(env);
        wm_.start(wm, {});
        if (!wm_.waitForStarted(kWaitMs)) return wm + " does not start";
        // The window manager is in charge once it names its check window on the root.
        if (!WaitFor([&] {
                return wm_.state() == QProcess::NotRunning ||
                       Root("_NET_SUPPORTING_WM_CHECK").value_or("").contains("window id");
            }) ||
            wm_.state() == QProcess::NotRunning)
            return wm + " does not take the display";
        return {};
    }

    // Starts the program from its folder on this display.
    void StartProgram() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display_);
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("SDL_AUDIODRIVER", "dummy");
        // In a sanitizer build: the X keyboard library reads atom names with strndup, which the
        // strict string checks take for an overflow. Those checks are off for the program on X.
        if (env.contains("ASAN_OPTIONS"))
            env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":strict_string_checks=0");
        program_.setProcessEnvironment(env);
        program_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program_.start(QStringLiteral(PROGRAM_DIR) + "/choir", {});
    }
    bool ProgramRunning() const { return program_.state() != QProcess::NotRunning; }

    std::optional<QString> Root(const QString& property) const {
        return Run(display_, "xprop", {"-root", "-notype", property});
    }
    // The work area the window manager announces (of the first desktop); nullopt while it announces none.
    std::optional<QRect> WorkArea() const {
        const QStringList n = Root("_NET_WORKAREA").value_or("").section('=', 1).split(',', Qt::SkipEmptyParts);
        if (n.size() < 4) return std::nullopt;
        return QRect(n[0].trimmed().toInt(), n[1].trimmed().toInt(), n[2].trimmed().toInt(), n[3].trimmed().toInt());
    }
    // The windows a root property lists, bottom to top for the stacking list.
    QString Property(const QString& id, const QString& property) const {
        return Run(display_, "xprop", {"-id", id, "-notype", property}).value_or("");
    }
    QStringList RootWindows(const QString& property) const {
        const QString text = Root(property).value_or("");
        QStringList ids;
        if (!text.contains('#')) return ids;
        for (QString id : text.mid(text.indexOf('#') + 1).split(',', Qt::SkipEmptyParts)) {
            id = id.trimmed();
            if (id.startsWith("0x")) id = id.mid(2);
            ids << QString::number(id.toULongLong(nullptr, 16));
        }
        return ids;
    }
    // The managed window with this exact title, empty when there is none.
    QString Client(const QString& title) const {
        for (const QString& id : RootWindows("_NET_CLIENT_LIST")) {
            const QString name = Property(id, "_NET_WM_NAME");
            if (name.trimmed() == QString("_NET_WM_NAME = \"%1\"").arg(title)) return id;
        }
        return {};
    }
    // The window with this title once it is managed and shown on the screen (so that clicks reach it).
    QString WaitForClient(const QString& title) const {
        QString id;
        WaitFor([&] {
            id = Client(title);
            return (!id.isEmpty() && Run(display_, "xwininfo", {"-id", id}).value_or("").contains("IsViewable")) ||
                   !ProgramRunning();
        });
        return id;
    }
    QRect Geometry(const QString& id) const {
        QRect r;
        const QString text = Run(display_, "xdotool", {"getwindowgeometry", "--shell", id}).value_or("");
        for (const QString& line : text.split('\n')) {
            const QString value = line.section('=', 1);
            if (line.startsWith("X=")) r.moveLeft(value.toInt());
            if (line.startsWith("Y=")) r.moveTop(value.toInt());
            if (line.startsWith("WIDTH=")) r.setWidth(value.toInt());
            if (line.startsWith("HEIGHT=")) r.setHeight(value.toInt());
        }
        return r;
    }
    bool IsActive(const QString& id) const {
        return RootWindows("_NET_ACTIVE_WINDOW").contains(id);
    }
    bool Click(QPoint at) const {
        return Run(display_, "xdotool",
                   {"mousemove", "--sync", QString::number(at.x()), QString::number(at.y()), "click", "1"})
            .has_value();
    }
    bool Key(const QString& key) const { return Run(display_, "xdotool", {"key", key}).has_value(); }

private:
    QProcess server_, wm_, program_;
    QString display_;
};

class DesktopTest : public Form1Test {
protected:
    // The centre of a control in the coordinates of the main window.
    static QPoint Centre(app::Form1& f, const vb::Control& c) {
        return c.widget()->mapTo(&f, c.widget()->rect().center());
    }
};

}  // namespace

TEST_F(DesktopTest, PageAndLyricsWindowsStayAboveTheMainWindowUnderAWindowManager) {
    app::Form1& layout = start();
    const QPoint exportPages = Centre(layout, layout.Command2[25]);
    const QPoint pageWindow = Centre(layout, layout.Command4[1]);
    const QPoint lyricsWindow = Centre(layout, layout.Command4[0]);
    const QRect trackView(layout.Picture3.widget()->mapTo(&layout, QPoint(0, 0)),
                          QSize(int(layout.Picture3.Width()), layout.TrackViewVisibleHeight()));
    ASSERT_EQ(layout.Command4[1].Caption(), "谱");
    ASSERT_EQ(layout.Command4[0].Caption(), "词");
    form.reset();

    XSession x;
    const QString why = x.Start("openbox");
    if (!why.isEmpty()) GTEST_SKIP() << why.toStdString();
    x.StartProgram();
    const QString main = x.WaitForClient("合唱排练");
    ASSERT_FALSE(main.isEmpty()) << "the main window never showed";
    // The whole screen, without the full-screen state.
    EXPECT_EQ(x.Geometry(main), QRect(0, 0, kScreenWidth, kScreenHeight));
    EXPECT_FALSE(x.Property(main, "_NET_WM_STATE").contains("_NET_WM_STATE_FULLSCREEN"));

    ASSERT_TRUE(x.Click(lyricsWindow));
    const QString lyrics = x.WaitForClient("歌词窗口");
    ASSERT_FALSE(lyrics.isEmpty()) << "the lyrics window never showed";

    // "导出简谱" before the page window was ever opened: its save dialog stands above the lyrics
    // window; cancelled, it shows no page window. The second export's dialog comes after the first
    // one's cancel in the program's order of requests: a page window mapped by that cancel would be
    // managed by then.
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(x.Click(exportPages));
        const QString dialog = x.WaitForClient("文件名");
        ASSERT_FALSE(dialog.isEmpty()) << "no save dialog";
        const QStringList stacking = x.RootWindows("_NET_CLIENT_LIST_STACKING");
        EXPECT_GT(stacking.indexOf(dialog), stacking.indexOf(lyrics)) << "the lyrics window hides the dialog";
        EXPECT_TRUE(x.Client("简谱窗口").isEmpty()) << "the export showed the page window";
        ASSERT_TRUE(WaitFor([&] { return x.IsActive(dialog); })) << "the save dialog never took the keys";
        ASSERT_TRUE(x.Key("Escape"));
        ASSERT_TRUE(WaitFor([&] { return x.Client("文件名").isEmpty(); }));
    }

    ASSERT_TRUE(x.Click(pageWindow));
    const QString pages = x.WaitForClient("简谱窗口");
    ASSERT_FALSE(pages.isEmpty()) << "the page window never showed";

    // A click into a part of the track view that neither window covers (with room for their frames).
    const QRect covered[] = {x.Geometry(lyrics).adjusted(-40, -40, 40, 40), x.Geometry(pages).adjusted(-40, -40, 40, 40)};
    std::optional<QPoint> free;
    for (int py = trackView.top() + 10; py < trackView.bottom() && !free; py += 10)
        for (int px = trackView.left() + 10; px < trackView.right() && !free; px += 10)
            if (!covered[0].contains(px, py) && !covered[1].contains(px, py)) free = QPoint(px, py);
    ASSERT_TRUE(free.has_value()) << "the windows cover the whole track view";
    ASSERT_TRUE(x.Click(*free));
    ASSERT_TRUE(WaitFor([&] { return x.IsActive(main); })) << "the click did not activate the main window";

    const QStringList stacking = x.RootWindows("_NET_CLIENT_LIST_STACKING");
    const qsizetype m = stacking.indexOf(main), l = stacking.indexOf(lyrics), p = stacking.indexOf(pages);
    ASSERT_TRUE(m >= 0 && l >= 0 && p >= 0) << stacking.join(' ').toStdString();
    EXPECT_GT(l, m) << "the lyrics window went under the main window";
    EXPECT_GT(p, m) << "the page window went under the main window";
}

// Under a desktop with a task bar (icewm's), the main window fills the work area the window manager
// announces, so that the bar hides neither the clock nor the title block.
TEST_F(DesktopTest, TheMainWindowFillsTheWorkAreaBesideATaskBar) {
    XSession x;
    const QString why = x.Start("icewm");
    if (!why.isEmpty()) GTEST_SKIP() << why.toStdString();
    std::optional<QRect> area;
    ASSERT_TRUE(WaitFor([&] { return (area = x.WorkArea()) && area->height() < kScreenHeight; }))
        << "the window manager announced no task bar";
    x.StartProgram();
    const QString main = x.WaitForClient("合唱排练");
    ASSERT_FALSE(main.isEmpty()) << "the main window never showed";
    EXPECT_EQ(x.Geometry(main), *area);
}
