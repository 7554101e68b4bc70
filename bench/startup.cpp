// Start-up as the user meets it: the program's own main (fonts, translations, audio engine,
// synthesizer, main window, New) in a fresh process each run, timed from the process being
// started to the main window's first exposure and to its first paint after it, and the resident
// memory once the program idles. The CPU time the window's thread spent up to the exposure
// (dynamic linking included) tells the work apart from waiting on a loaded machine. Runs under the platform the environment names (under X with
// DISPLAY set, e.g. in xvfb-run; offscreen otherwise) and SDL_AUDIODRIVER's driver (dummy unless
// set).
//
//     bench_startup [--runs=10] [--idle-ms=2000]
//
// Each run starts this executable again with --child; the child reports its times and memory on
// its standard output and ends. Prints every run and the medians.
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "app/startup.h"

extern char** environ;

namespace {

int64_t NowNs(clockid_t clock = CLOCK_MONOTONIC) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// Resident memory of this process in kB (VmRSS).
long RssKb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Watches the main window's native window for its first exposure.
class ExposeWatch : public QObject {
public:
    explicit ExposeWatch(int idleMs) : idleMs_(idleMs) {}
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Expose && exposedNs_ == 0 && static_cast<QWindow*>(o)->isExposed()) {
            exposedNs_ = NowNs();
            threadCpuNs_ = NowNs(CLOCK_THREAD_CPUTIME_ID);
            // The exposure is painted and flushed by the time the event loop comes round again.
            QTimer::singleShot(0, this, [this] {
                paintedNs_ = NowNs();
                QTimer::singleShot(idleMs_, this, [this] {
                    std::printf("startup exposed_ns=%lld painted_ns=%lld rss_kb=%ld cpu_ns=%lld\n",
                                (long long)exposedNs_, (long long)paintedNs_, RssKb(), (long long)threadCpuNs_);
                    std::fflush(stdout);
                    QCoreApplication::exit(0);
                });
            });
        }
        return false;
    }

private:
    int idleMs_;
    int64_t exposedNs_ = 0, paintedNs_ = 0, threadCpuNs_ = 0;
};

int Child(int argc, char** argv, int idleMs) {
    ExposeWatch* watch = nullptr;
    const int rc = app::runProgram(argc, argv, [&](QWidget& window) {
        watch = new ExposeWatch(idleMs);
        window.windowHandle()->installEventFilter(watch);
    });
    delete watch;
    return rc;
}

struct Run {
    double exposedMs = 0, paintedMs = 0, rssMb = 0, cpuMs = 0;
    bool ok = false;
};

Run StartOne(const char* self, int idleMs) {
    Run r;
    int out[2];
    if (pipe(out) != 0) return r;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string idle = "--idle-ms=" + std::to_string(idleMs);
    char* args[] = {const_cast<char*>(self), const_cast<char*>("--child"), const_cast<char*>(idle.c_str()), nullptr};
    pid_t pid = 0;
    const int64_t started = NowNs();
    const int rc = posix_spawn(&pid, self, &actions, nullptr, args, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (rc != 0) {
        close(out[0]);
        return r;
    }
    std::string text;
    char buf[512];
    for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;) text.append(buf, size_t(n));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    long long exposed = 0, painted = 0, cpu = 0;
    long rss = 0;
    const size_t at = text.find("startup ");
    if (at != std::string::npos &&
        std::sscanf(text.c_str() + at, "startup exposed_ns=%lld painted_ns=%lld rss_kb=%ld cpu_ns=%lld", &exposed,
                    &painted, &rss, &cpu) == 4) {
        r.exposedMs = (exposed - started) / 1e6;
        r.paintedMs = (painted - started) / 1e6;
        r.rssMb = rss / 1024.0;
        r.cpuMs = cpu / 1e6;
        r.ok = true;
    }
    return r;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 10, idleMs = 2000;
    bool child = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--child")) child = true;
        else if (!std::strncmp(argv[i], "--runs=", 7)) runs = std::max(1, std::atoi(argv[i] + 7));
        else if (!std::strncmp(argv[i], "--idle-ms=", 10)) idleMs = std::max(0, std::atoi(argv[i] + 10));
    }
    if (!std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (child) return Child(argc, argv, idleMs);

    std::printf("platform: %s, audio: %s\n", std::getenv("DISPLAY") ? "X (DISPLAY set)" : "offscreen",
                std::getenv("SDL_AUDIODRIVER"));
    char path[4096];
    const ssize_t len = readlink("/proc/self/exe", path, sizeof path - 1);
    if (len <= 0) return 1;
    const std::string self(path, size_t(len));
    std::vector<double> exposed, painted, rss, cpu;
    for (int i = 0; i < runs; ++i) {
        const Run r = StartOne(self.c_str(), idleMs);
        if (!r.ok) {
            std::printf("run %d: no report from the program\n", i + 1);
            continue;
        }
        std::printf("run %2d: exposed %.1f ms, painted %.1f ms, window thread's CPU to exposed %.1f ms, RSS at idle "
                    "%.1f MB\n",
                    i + 1, r.exposedMs, r.paintedMs, r.cpuMs, r.rssMb);
        exposed.push_back(r.exposedMs);
        painted.push_back(r.paintedMs);
        rss.push_back(r.rssMb);
        cpu.push_back(r.cpuMs);
    }
    if (exposed.empty()) return 1;
    std::printf("median of %zu: exposed %.1f ms, painted %.1f ms, window thread's CPU to exposed %.1f ms, RSS at "
                "idle %.1f MB\n",
                exposed.size(), Median(exposed), Median(painted), Median(cpu), Median(rss));
    return 0;
}
