// Keyboard recording with the piano roll's record button "●": at once, after a count-in or from the
// first key; each held key grows a bar on the canvas, and the take joins the current part in one
// undoable step. Keyboard entry ("√键盘输入"): a key gives its pitch to the marked note. The note
// menu's timing tools and sentence split, and the time-stretch bar over the roll's ruler.
#include "app/form1.h"

#include <cmath>

#include "document/songcodes.h"
#include "editing/timingtools.h"
#include "platform/keys.h"
#include "platform/vbtext.h"

namespace app {

namespace {
const QString kKeyboardEntryOn = QString::fromUtf8("√键盘输入");
}  // namespace

void Form1::BindRecordingHandlers() {
    Chely.widget()->setToolTip(QString::fromUtf8("录制音符"));
    HScroll3[kBreathDetectSlider].widget()->setToolTip(QString::fromUtf8("时值为平均时值X%的音符判定为需要换气的音符"));
    HScroll3[kBreathLengthSlider].widget()->setToolTip(QString::fromUtf8("将换气的音符时值设定为原来的X%"));
    Chely.Click = [this](int) { Chely_Click(); };
    Chely.MouseUp = [this](int, int, int, double, double) { Chely_MouseUp(); };
    Timly.OnTimer = [this] { Timly_Timer(); };
    Combo2.Bind(&vb::Control::Click, [this](int i) { Combo2_Click(i); });
    Check4.Bind(&vb::Control::Click, [this](int i) { Combo2_Click(i); });
    KeyReleaseGrace.OnTimer = [this] { KeyReleaseGrace_Timer(); };
    Label20.SetCaption(QString::fromUtf8("使用此控制条拉升选中音符"));
    Label20.Move(0, 0, 10, 14);
    Label20.SetBorderStyle(1);
    Label20.SetBackColor(0x80FFFF);
    Label20.SetVisible(false);
    Label20.widget()->setAttribute(Qt::WA_NoMousePropagation);
    Shape7.Move(0, 0, 10, 14);
    Shape7.SetBorderColor(0x0000FF);
    Shape7.SetVisible(false);
    Label20.MouseDown = [this](int, int b, int s, double x, double y) { Label20_MouseDown(b, s, x, y); };
    Label20.MouseMove = [this](int, int b, int s, double x, double y) { Label20_MouseMove(b, s, x, y); };
    Label20.MouseUp = [this](int, int b, int s, double x, double y) { Label20_MouseUp(b, s, x, y); };
}

// ---------------------------------------------------------------------------------------------
// Recording

void Form1::Chely_Click() {
    doc::Song& s = *song;
    const int part = s.CurrentPart;
    if (Chely.Value() == 1) {
        Command5.SetEnabled(false);
        PlayTick = s.CursorTick;
        RecordLabelCount = 0;
        RecordedNotes.Clear();
        HeldPianoKey = 0;
        editing::SelectAllRows(s, part, 0);
        for (int k = 1; k <= NoteLabelCount; ++k) Labnot[k].SetBackColor(Label15[0].ForeColor());
        if (Picture6.Visible()) Picture6.SetFocus();
        if (Check2.Value() == 1) return;  // recording joins the playback under way
        ReportAudioProblemsOnce();
        const int preRoll = HScroll3[kCountInSlider].Value();
        if (preRoll == 0) {
            Check2.SetValue(1);  // playback and recording at once; the loop runs in here
        } else if (preRoll >= 5) {
            PlayMode = PlayMode::Armed;  // the first key starts playback
            Check2.SetEnabled(false);
        } else {
            const int denominator = std::max(1, doc::GetTimeSigDenominator(CursorTimeSig));
            const int perBar = std::max(1, doc::GetTimeSigNumerator(CursorTimeSig));
            const double beat = 4.0 / denominator;
            CountInBeats = int16_t(preRoll * perBar);
            Timjp.Tag = QString::number(perBar);
            Timjp.SetInterval(std::max(1, int(vb::CLng(beat * 60000 / std::max(CurrentTempo, 1.0)))));
            Timjp.SetEnabled(true);
            PlayMode = PlayMode::CountIn;
            Check2.SetEnabled(false);
            Timjp_Timer();
        }
        return;
    }
    KeyReleaseGrace_Timer(true);  // keys released just before end where they were released
    Timly.SetEnabled(false);
    Command5.SetEnabled(true);
    if (Check2.Value() != 1) {
        // Ended before playback began (count-in or armed): nothing is kept.
        PlayMode = PlayMode::Idle;
        StopCountIn();
        Check2.SetEnabled(true);
    } else if (RecordedNotes.Count() > 0) {
        if (HeldPianoKey > 0) RecordedNotes.Grow(PlayTick);
        const editing::CommitResult r = editing::CommitRecording(s, journal, part, RecordedNotes.Notes());
        if (r.full) Dialogs().MsgBox(editing::FullPartMessage(), vb::vbOKOnly, QString::fromUtf8("提示"));
    }
    RecordedNotes.Clear();
    HeldPianoKey = 0;
    RefreshPianoRoll();
    for (int i = 1; i <= RecordLabelCount; ++i) Lably[i].SetTop(-5000);
    RecordLabelCount = 0;
    if (Picture6.Visible()) Picture6.SetFocus();
}

void Form1::Chely_MouseUp() {
    if (Picture6.Visible()) Picture6.SetFocus();
}

void Form1::RecordOrEnterKey(int index) {
    doc::Song& s = *song;
    const int part = s.CurrentPart;
    if (Chely.Value() == 1) {
        const bool armed = PlayMode == PlayMode::Armed;
        if (HeldPianoKey > 0) Label13_MouseUp(HeldPianoKey, 1, 0, 0, 0);  // one recorded note grows at a time
        HeldPianoKey = int16_t(index);
        Timly.SetEnabled(true);
        RecordedNotes.Press(index, PlayTick);
        ShowPendingPlayState();  // the bar starts at the cursor line as of now
        // A bar per note while the pool lasts; the take itself has no limit.
        if (RecordLabelCount < editing::kRecordLabelPool) {
            ++RecordLabelCount;
            const editing::RowBox box = editing::KeyBox(index, VScroll3.Value());
            vb::Label& bar = Lably[RecordLabelCount];
            bar.Tag = QString::number(RecordedNotes.Count() - 1);
            bar.Move(Line6.X1(), box.top, 1, box.height);
            bar.SetBackColor(Label15[12].ForeColor());
            bar.widget()->raise();
        }
        if (armed) {
            // The note is in before playback starts: its loop runs inside the toggle.
            PlayMode = PlayMode::Idle;
            Check2.SetEnabled(true);
            Check2.SetValue(1);
        }
        return;
    }
    if (Label18[19].Caption() != kKeyboardEntryOn) return;
    const int row = EntryMarkRow;
    if (row < 0 || row >= s.Parts[part].NoteCount || Image1.Left() <= -5000) return;  // nothing marked: it only sounds
    if (s.Notes[part][row].Pitch > 20 && editing::RepitchNote(s, journal, part, row, index)) {
        const editing::RowBox box = editing::KeyBox(index, VScroll3.Value());
        for (int k = 1; k <= NoteLabelCount; ++k)
            if (Labnot[k].Tag.toInt() == row) {
                Labnot[k].Move(Labnot[k].Left(), box.top, Labnot[k].Width(), box.height);
                Labnot[k].SetFontSize(box.height / 1.6);
            }
    }
    SelectNextNote();
}

void Form1::ReleaseRecordedKey(int index) {
    if (Chely.Value() != 1 || index != HeldPianoKey) return;
    RecordedNotes.Grow(ReleaseTick >= 0 ? ReleaseTick : PlayTick);
    Timly.SetEnabled(false);
    HeldPianoKey = 0;
}

// While the player loop runs, X may hand a held key's auto-repeat over as a release and a new press
// the toolkit no longer pairs; the release waits out a short grace instead.
bool Form1::DeferKeyRelease(int note) {
    if (!IsPlaying || note < 0 || note > 108) return false;
    DeferredKeyRound[size_t(note)] = KeyReleaseGrace.Enabled() ? 2 : 1;
    DeferredKeyTick[size_t(note)] = PlayTick;
    KeyReleaseGrace.SetEnabled(true);
    return true;
}

bool Form1::ResumeDeferredKey(int note) {
    if (note < 0 || note > 108 || DeferredKeyRound[size_t(note)] == 0) return false;
    DeferredKeyRound[size_t(note)] = 0;
    return true;
}

void Form1::KeyReleaseGrace_Timer(bool all) {
    KeyReleaseGrace.SetEnabled(false);
    bool later = false;
    for (int note = editing::kLowestKey; note <= editing::kHighestKey; ++note) {
        int8_t& round = DeferredKeyRound[size_t(note)];
        if (round == 2 && !all) {
            round = 1;
            later = true;
        } else if (round != 0) {
            round = 0;
            ReleaseTick = DeferredKeyTick[size_t(note)];
            Label13_MouseUp(note, 1, 0, 0, 0);
            ReleaseTick = -1;
            NoteKeyDown[size_t(note)] = 0;
        }
    }
    if (later) KeyReleaseGrace.SetEnabled(true);
}

// The held note grows to the play position; its bar to the cursor line.
void Form1::Timly_Timer() {
    if (RecordedNotes.Count() == 0) return;
    RecordedNotes.Grow(PlayTick);
    ShowPendingPlayState();
    if (RecordLabelCount > 0 && Lably[RecordLabelCount].Tag.toInt() == RecordedNotes.Count() - 1) {
        vb::Label& bar = Lably[RecordLabelCount];
        bar.SetWidth(std::max(1.0, Line6.X1() - bar.Left()));
    }
}

// The bars of the take that fall into the editor window, placed anew when the window moves.
void Form1::PlaceRecordedBars() {
    const std::vector<editing::RecordedNote>& notes = RecordedNotes.Notes();
    const double width = Picture6.Width();
    int k = 0;
    for (size_t i = 0; i < notes.size() && k < editing::kRecordLabelPool; ++i) {
        const editing::RecordedNote& n = notes[i];
        if (int64_t(n.Start) + n.Length <= RollViewStart || n.Start >= RollViewEnd) continue;
        const editing::RowBox box = editing::KeyBox(n.Pitch, VScroll3.Value());
        vb::Label& bar = Lably[++k];
        bar.Tag = QString::number(i);
        bar.Move(editing::TickX(n.Start, RollViewStart, RollViewSpan, width), box.top,
                 double(n.Length) / RollViewSpan * width, box.height);
        bar.widget()->raise();
    }
    for (int i = k + 1; i <= RecordLabelCount; ++i) Lably[i].SetTop(-5000);
    RecordLabelCount = int16_t(k);
}

// ---------------------------------------------------------------------------------------------
// Timing tools of the note menu

bool Form1::RunTimingTool(int index) {
    doc::Song& s = *song;
    const int part = s.CurrentPart;
    bool changed = true;
    switch (index) {
    case 12: editing::Quantise(s, journal, part, SnapGrid[1], Check5[1].Value() == 1); break;
    case 13:
        changed = editing::HandleBreaths(s, journal, part, HScroll3[kBreathDetectSlider].Value(),
                                         HScroll3[kBreathLengthSlider].Value());
        break;
    case 14:
    case 15: changed = editing::ReworkDurations(s, journal, part, index == 15); break;
    case 20:
        if (editing::SentenceMarkerCount(s, part) > 2 &&
            Dialogs().MsgBox(QString::fromUtf8("系统检测到您已分句，是否重新分句?"),
                             vb::vbYesNo + vb::vbCritical + vb::vbSystemModal, QString::fromUtf8("提示")) == vb::vbNo)
            return false;
        changed = editing::SplitSentences(s, journal, part, HScroll3[kBreathDetectSlider].Value());
        break;
    default: return true;
    }
    if (changed) RefreshPianoRoll();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Time stretch

void Form1::ShowStretchBar() {
    SelectionStart = 999999;
    SelectionEnd = 0;
    editing::SelectedStartRange(*song, song->CurrentPart, SelectionStart, SelectionEnd);
    Label20.SetVisible(true);
    Shape7.SetVisible(true);
    Label20.widget()->raise();
    PlaceStretchBar();
}

void Form1::PlaceStretchBar() {
    if (!Label20.Visible() || RollViewSpan <= 0) return;
    // The range follows the selection as it is now (an undo or a label move changes it).
    int32_t start = 0, end = 0;
    if (editing::SelectedStartRange(*song, song->CurrentPart, start, end)) {
        SelectionStart = start;
        SelectionEnd = end;
    }
    const double width = Picture8.Width();
    const double left = double(SelectionStart - RollViewStart) / RollViewSpan * width;
    const double barWidth = double(SelectionEnd - SelectionStart) / RollViewSpan * width;
    Label20.Move(left, Label20.Top(), barWidth, Label20.Height());
    Shape7.Move(left, Label20.Top(), barWidth, Label20.Height());
}

void Form1::Label20_MouseDown(int button, int, double x, double) {
    if (button != vb::vbLeftButton) return;
    Text2.SetTop(-5000);
    Picture11.SetTop(-5000);
    PlaceStretchBar();  // the range is the selection's as it is now, not as it was when the bar was shown
    MouseDownX = vb::CLng(x);
    Shape7.Move(Label20.Left(), Label20.Top(), Label20.Width(), Label20.Height());
}

void Form1::Label20_MouseMove(int button, int, double x, double) {
    if (button == 0) {
        Label20.Tag = editing::StretchGripAt(x, Label20.Width());
        Label20.widget()->setCursor(Label20.Tag.isEmpty() ? Qt::SizeAllCursor : Qt::SizeHorCursor);
        return;
    }
    if (button != vb::vbLeftButton) return;
    const editing::BarOutline o = editing::DragStretchBar(Label20.Tag, Label20.Left(), Label20.Width(), x - MouseDownX);
    Shape7.Move(o.left, Label20.Top(), o.width, Label20.Height());
}

void Form1::Label20_MouseUp(int button, int shift, double, double) {
    if (Picture6.Visible()) Picture6.SetFocus();
    if (button != vb::vbLeftButton) return;
    if (Shape7.Left() == Label20.Left() && Shape7.Width() == Label20.Width()) return;
    Label20.Move(Shape7.Left(), Label20.Top(), Shape7.Width(), Label20.Height());
    StretchSelectedNotes(shift);
    RefreshPianoRoll();
}

void Form1::StretchSelectedNotes(int shift) {
    const editing::TickRange from{SelectionStart, SelectionEnd};
    const editing::TickRange to =
        editing::StretchTarget(Label20.Left(), Label20.Width(), Picture8.Width(), RollViewStart, RollViewSpan,
                               SnapGrid[1], (shift & vb::vbCtrlMask) != 0, Label20.Tag.isEmpty(), from);
    if (editing::StretchSelectedNotes(*song, journal, song->CurrentPart, from, to) ==
        editing::StretchResult::Stretched) {
        SelectionStart = to.start;
        SelectionEnd = to.end;
    }
    PlaceStretchBar();  // the snapped range, or back where it was when refused
}

// Snap grids of the rulers (0) and of the piano roll (1).
void Form1::Combo2_Click(int index) {
    const int li = Combo2[index].ListIndex();
    if (li < 0) return;
    SnapGrid[index] = int32_t(std::lround(std::pow(2.0, 6 - li))) * (Check4[index].Value() ? 1 : 3);
    if (Picture4[0].widget()->isVisible()) Picture4[0].SetFocus();
}

}  // namespace app
