// The sound behind the players: the silent placeholder accompaniment that keeps the playback clock
// running, and the messages about recordings that cannot be played and about an output or a
// synthesizer that stays silent.
#include "app/form1.h"

#include <QFileInfo>

#include "platform/mediaplayer.h"
#include "platform/vbtext.h"

namespace app {

namespace {
// Silence that outlasts any song: the accompaniment's end would otherwise stop the playback.
constexpr double kSilentClockSeconds = 24 * 3600.0;
}  // namespace

void Form1::UsePlaceholderAccompaniment() {
    if (!WMP().SetUrl(ProgramPath("none.wav"))) WMP().SetSilence(kSilentClockSeconds);
}

void Form1::ReportUnplayable(const QString& path) {
    Dialogs().MsgBox("无法播放音频文件:[" + QFileInfo(path).fileName() + "]，请选择其他的wav或mp3文件！",
                     vb::vbOKOnly + vb::vbExclamation, "提示");
}

// Without an audio device or a SoundFont playback runs on its clock all the same, silent: the user
// is told why once, when sound is first wanted.
void Form1::ReportAudioProblemsOnce() {
    if (audioProblemsShown_ || !services_.audioProblems) return;
    audioProblemsShown_ = true;
    const QStringList problems = services_.audioProblems();
    if (!problems.isEmpty()) Dialogs().MsgBox(problems.join("\n"), vb::vbOKOnly + vb::vbExclamation, "提示");
}

}  // namespace app
