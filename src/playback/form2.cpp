#include "playback/form2.h"

#include <QCloseEvent>
#include <QListWidget>
#include <QMouseEvent>

#include "playback/sentences.h"

namespace playback {

namespace {
constexpr int kListWidth = 330;
constexpr int kListHeight = 200;
constexpr int kButtonWidth = 108;
constexpr int kButtonHeight = 24;
}  // namespace

Form2::Form2(QWidget* owner)
    : QWidget(owner, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint) {
    setObjectName("Form2");
    setWindowTitle(QStringLiteral("歌词窗口"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    const char* captions[6] = {"合并下一句", "分离", "上一句", "下一句", "播放\\停止", "关闭窗口"};
    for (int i = 0; i <= 5; ++i) Command1[i].SetCaption(QString::fromUtf8(captions[i]));
    Command1.Bind(&vb::Control::Click, [this](int i) { Command1_Click(i); });
    List1.Bind(&vb::Control::Click, [this](int i) { List1_Click(i); });
    List1.Bind(&vb::Control::KeyDown, [this](int i, int k, int s) { List1_KeyDown(i, k, s); });
    for (int p = 1; p <= 8; ++p) {
        // Seen before the list's own handling: the right button must not move the selection.
        List1[p].widget()->setProperty("part", p);
        static_cast<QListWidget*>(List1[p].widget())->viewport()->installEventFilter(this);
        List1[p].widget()->installEventFilter(this);
    }
    Timer1.OnTimer = [this] { Timer1_Timer(); };
    resize(kListWidth + 4, kListHeight + 2 * kButtonHeight + 12);
}

Form2::~Form2() = default;

void Form2::Form_Load() {
    for (int p = 1; p <= 8; ++p) {
        List1[p].Move(0, 0, kListWidth, kListHeight);
        List1[p].SetFontSize(10.5);
        List1[p].SetVisible(false);
    }
    for (int i = 0; i <= 5; ++i)
        Command1[i].Move(2 + (i % 3) * (kButtonWidth + 3), kListHeight + 4 + (i / 3) * (kButtonHeight + 2),
                         kButtonWidth, kButtonHeight);
    Timer1.SetEnabled(false);
}

void Form2::closeEvent(QCloseEvent* e) {
    e->ignore();
    hide();
}

bool Form2::eventFilter(QObject* watched, QEvent* e) {
    // A list taking the focus without a selection keeps it so: no sentence is chosen (and played)
    // by the focus alone.
    if (auto* focused = qobject_cast<QListWidget*>(watched)) {
        if (e->type() == QEvent::FocusIn && focused->currentRow() < 0) {
            focused->viewport()->update();
            return true;
        }
        return false;
    }
    auto* viewport = qobject_cast<QWidget*>(watched);
    auto* list = viewport ? qobject_cast<QListWidget*>(viewport->parentWidget()) : nullptr;
    if (!list) return false;
    const int part = list->property("part").toInt();
    if (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonDblClick) {
        auto* m = static_cast<QMouseEvent*>(e);
        if (m->button() == Qt::RightButton) {
            if (e->type() == QEvent::MouseButtonPress) List1_MouseDown(part, 2, 0, m->position().x(), m->position().y());
            return true;
        }
        if (m->button() == Qt::LeftButton) rowAtPress_ = list->currentRow();
    } else if (e->type() == QEvent::MouseButtonRelease) {
        auto* m = static_cast<QMouseEvent*>(e);
        if (m->button() == Qt::RightButton) return true;
        // A click on the sentence already selected is a click too (it stops or plays it again).
        if (m->button() == Qt::LeftButton) {
            const int row = list->currentRow();
            QListWidgetItem* under = list->itemAt(m->position().toPoint());
            const bool same = row >= 0 && row == rowAtPress_ && under && list->row(under) == row;
            rowAtPress_ = -1;
            if (same) List1_Click(part);
        }
    }
    return false;
}

void Form2::SetVisible(bool visible) {
    if (visible) {
        show();
    } else {
        hide();
    }
}

void Form2::ShowList(int part) {
    for (int p = 1; p <= 8; ++p) List1[p].SetVisible(p == part);
}

int Form2::VisibleList() const {
    for (int p = 1; p <= 8; ++p)
        if (List1[p].Visible()) return p;
    return 0;
}

void Form2::Command1_Click(int index) {
    const int v = VisibleList();
    switch (index) {
    case 0:
        if (MixNext) MixNext();
        break;
    case 1:
        if (FengLi) FengLi();
        break;
    case 2:
        if (v && List1[v].ListIndex() - 1 >= 0) List1[v].SetListIndex(List1[v].ListIndex() - 1);
        break;
    case 3:
        if (v && List1[v].ListIndex() + 1 <= List1[v].ListCount() - 1) List1[v].SetListIndex(List1[v].ListIndex() + 1);
        break;
    case 4:
        if (v) List1_Click(v);
        break;
    case 5: SetVisible(false); break;
    default: break;
    }
}

// The debounce starts with the click, before the sentence plays: a click that starts playback
// returns only when that playback ends.
void Form2::List1_Click(int index) {
    if (Timer1.Enabled()) return;
    const int sel = List1[index].ListIndex();
    if (sel < 0) return;  // nothing selected: nothing to play or stop
    Timer1.SetEnabled(true);
    if (PlayPart) PlayPart(SentenceSpans(List1[index].List(sel)));
}

void Form2::List1_KeyDown(int index, int keyCode, int) {
    if (keyCode == 32) List1_Click(index);
}

void Form2::List1_MouseDown(int, int button, int, double, double) {
    if (button == 2 && PlayStop) PlayStop();
}

void Form2::Timer1_Timer() { Timer1.SetEnabled(false); }

}  // namespace playback
