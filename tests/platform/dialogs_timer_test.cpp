#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDeadlineTimer>
#include <QFontDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>
#include <vector>

#include "app/startup.h"
#include "platform/dialogs.h"
#include "platform/timer.h"

using namespace vb;

TEST(Dialogs, FilterTextsBecomeQtNameFilters) {
    EXPECT_EQ(QtNameFilters("工程文件(*.brc)|*.brc"), QStringList{"工程文件(*.brc)"});
    EXPECT_EQ(QtNameFilters("MIDI文件|*.mid;*.midi|所有文件|*.*"),
              (QStringList{"MIDI文件 (*.mid *.midi)", "所有文件 (*.*)"}));
    EXPECT_EQ(QtNameFilters("只有说明"), QStringList{"只有说明 (*)"});
}

TEST(Dialogs, MessageBoxFlagsSplitIntoButtonsIconAndModality) {
    const int flags = vbYesNoCancel + vbCritical + vbSystemModal;
    EXPECT_EQ(MsgButtonsOf(flags), vbYesNoCancel);
    EXPECT_EQ(MsgIconOf(flags), vbCritical);
    EXPECT_TRUE(MsgIsSystemModal(flags));
    EXPECT_EQ(MsgBoxAnswers(flags), (std::vector<int>{vbYes, vbNo, vbCancel}));
    EXPECT_EQ(MsgIconOf(vbExclamation + vbOKOnly), vbExclamation);
}

TEST(Dialogs, ScriptedDialogsRecordAndAnswerFromTheQueue) {
    ScriptedDialogs d;
    d.msgBoxAnswers = {vbNo, vbCancel};
    d.inputAnswers = {"第二段"};
    EXPECT_EQ(d.MsgBox("保存修改吗？", vbYesNoCancel + vbCritical + vbSystemModal, "提示"), vbNo);
    EXPECT_EQ(d.MsgBox("再问", vbYesNoCancel), vbCancel);
    EXPECT_EQ(d.MsgBox("没有找到字体：黑体", vbOKOnly + vbSystemModal, "提示"), vbOK);  // queue empty
    d.defaultMsgBoxAnswer = vbNo;
    EXPECT_EQ(d.MsgBox("又问", vbYesNo), vbNo);
    EXPECT_EQ(d.InputBox("歌词", "输入", "旧"), "第二段");
    EXPECT_EQ(d.InputBox("歌词", "输入", "旧"), "旧");  // as if OK were pressed
    d.defaultInputAnswer = QString();
    EXPECT_EQ(d.InputBox("歌词", "输入", "旧"), "");  // as if cancelled

    auto boxes = d.MsgBoxCalls();
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0].prompt, "保存修改吗？");
    EXPECT_EQ(boxes[0].icon, vbCritical);
    EXPECT_TRUE(boxes[0].systemModal);
    EXPECT_FALSE(boxes[1].systemModal);
    EXPECT_EQ(d.calls[4].kind, "InputBox");
    d.Beep();
    EXPECT_EQ(d.calls.back().kind, "Beep");
}

TEST(Dialogs, CommonDialogKeepsItsPropertiesAndReportsCancel) {
    ScriptedDialogs d;
    CommonDialog cd(d);
    cd.Filter = "工程文件(*.brc)|*.brc";
    cd.DialogTitle = "打开";
    cd.FileName = "旧歌";
    d.fileAnswers = {std::nullopt, QString("/tmp/新歌.brc")};
    EXPECT_FALSE(cd.ShowOpen());  // cancelled: nothing changes
    EXPECT_EQ(cd.FileName, "旧歌");
    cd.DialogTitle = "保存";  // only the title changes between the two uses
    EXPECT_TRUE(cd.ShowSave());
    EXPECT_EQ(cd.FileName, "/tmp/新歌.brc");
    ASSERT_EQ(d.calls.size(), 2u);
    EXPECT_EQ(d.calls[1].kind, "Save");
    EXPECT_EQ(d.calls[1].file.filter, "工程文件(*.brc)|*.brc");
    EXPECT_EQ(d.calls[1].title, "保存");

    d.colorAnswers = {RGB(0, 192, 0)};
    EXPECT_TRUE(cd.ShowColor());
    EXPECT_EQ(cd.Color, 0x00C000u);
    EXPECT_FALSE(cd.ShowColor());
    EXPECT_EQ(cd.Color, 0x00C000u);

    d.fontAnswers = {FontChoice{"黑体", 14.25, true, false}};
    EXPECT_TRUE(cd.ShowFont());
    EXPECT_EQ(cd.FontSize, 14.25);
    EXPECT_EQ(d.calls.back().prompt, "宋体");  // the font dialog opened with the previous font
}

TEST(Dialogs, RealMessageBoxShowsChineseButtonsAndReturnsThePressedOne) {
    QtDialogs d;
    QStringList seen;
    QTimer::singleShot(50, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        for (QAbstractButton* b : box->buttons()) seen << b->text();
        for (QAbstractButton* b : box->buttons())
            if (b->text() == "否") b->click();
    });
    EXPECT_EQ(d.MsgBox("保存修改吗？", vbYesNoCancel + vbCritical + vbSystemModal, "提示"), vbNo);
    seen.sort();
    QStringList expected{"是", "否", "取消"};
    expected.sort();
    EXPECT_EQ(seen, expected);

    QTimer::singleShot(50, [] {
        if (auto* w = QApplication::activeModalWidget()) w->close();
    });
    EXPECT_EQ(d.InputBox("歌名", "输入", "默认"), "");  // closed counts as cancelled
}

// The font dialog opens on the font it is given, also on one known only by the name it stands for
// ("宋体"); 确定 with that font kept gives the name back as it was given.
TEST(Dialogs, RealFontDialogOpensOnTheGivenFont) {
    app::installFonts(PROGRAM_DIR);
    QtDialogs d;
    QFont shown;
    QTimer::singleShot(50, [&] {
        auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shown = dialog->currentFont();
        QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
    });
    const std::optional<FontChoice> chosen = d.ShowFont(FontChoice{"宋体", 12, false, false});
    EXPECT_EQ(shown.family(), QFontInfo(QFont("宋体")).family());
    EXPECT_EQ(shown.pointSize(), 12);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->name, "宋体");
    EXPECT_EQ(chosen->size, 12);
}

// The tests run on the driven clock; this puts a test on real time.
struct RealTime {
    RealTime() { vb::testing::SetManualClock(false); }
    ~RealTime() { vb::testing::SetManualClock(true); }
};

// The moments (on the driven clock, from the test's start) at which a timer's handler ran.
struct Moments {
    int64_t start = vb::testing::ClockNow();
    std::vector<int64_t> seen;
    void operator()() { seen.push_back(vb::testing::ClockNow() - start); }
};

TEST(FormTimer, RepeatsWhileEnabledAndIntervalZeroNeverFires) {
    Timer t(15, true), oneShot(20, false), zero(0, true);
    Moments repeats;
    int once = 0, z = 0;
    t.OnTimer = [&] { repeats(); };
    oneShot.OnTimer = [&] {  // a handler that disables its timer makes a one-shot
        ++once;
        oneShot.SetEnabled(false);
    };
    zero.OnTimer = [&] { ++z; };
    oneShot.SetEnabled(true);
    vb::testing::AdvanceClock(100);
    EXPECT_EQ(repeats.seen, (std::vector<int64_t>{15, 30, 45, 60, 75, 90}));
    EXPECT_EQ(once, 1);
    EXPECT_EQ(z, 0);
    t.SetEnabled(false);
    vb::testing::AdvanceClock(1000);
    EXPECT_EQ(repeats.seen.size(), 6u);
    EXPECT_EQ(once, 1);
    EXPECT_EQ(z, 0);
}

TEST(FormTimer, EnablingStartsTheCountFromNow) {
    Timer t(300, true);
    int fired = 0;
    t.OnTimer = [&] { ++fired; };
    vb::testing::AdvanceClock(200);
    t.SetEnabled(false);
    t.SetEnabled(true);  // the count starts again: 300 ms from here
    vb::testing::AdvanceClock(299);
    EXPECT_EQ(fired, 0);
    vb::testing::AdvanceClock(1);
    EXPECT_EQ(fired, 1);
    t.SetEnabled(true);  // already enabled: the count goes on
    vb::testing::AdvanceClock(299);
    EXPECT_EQ(fired, 1);
    vb::testing::AdvanceClock(1);
    EXPECT_EQ(fired, 2);
}

// Timers due within one move of the clock fire in the order of their moments; timers due at the
// same moment in the order their counts started.
TEST(FormTimer, DueTimersFireInTheOrderOfTheirMoments) {
    Timer a(30, false), b(20, false), c(20, false);
    QString order;
    a.OnTimer = [&] { order += 'a'; };
    b.OnTimer = [&] { order += 'b'; };
    c.OnTimer = [&] { order += 'c'; };
    a.SetEnabled(true);
    b.SetEnabled(true);
    c.SetEnabled(true);
    vb::testing::AdvanceClock(60);
    // 20: b c, 30: a, 40: b c, 60: a (counting since 30), then b c (since 40).
    EXPECT_EQ(order, "bcabcabc");
}

// A handler that enables, disables or re-times a timer acts at its own moment of the clock.
TEST(FormTimer, HandlersChangeTimersAtTheirMoment) {
    Timer first(100, true), second(50, false), retimed(10, true);
    Moments secondAt, retimedAt;
    first.OnTimer = [&] {
        first.SetEnabled(false);
        second.SetEnabled(true);  // counts from 100
    };
    second.OnTimer = [&] {
        secondAt();
        if (secondAt.seen.size() == 2) second.SetEnabled(false);
    };
    retimed.OnTimer = [&] {
        retimedAt();
        retimed.SetInterval(40);  // from the second firing on: every 40 ms from now
    };
    vb::testing::AdvanceClock(149);
    EXPECT_TRUE(secondAt.seen.empty());
    vb::testing::AdvanceClock(1);
    EXPECT_EQ(secondAt.seen, (std::vector<int64_t>{150}));
    vb::testing::AdvanceClock(300);
    EXPECT_EQ(secondAt.seen, (std::vector<int64_t>{150, 200}));
    EXPECT_EQ(retimedAt.seen, (std::vector<int64_t>{10, 50, 90, 130, 170, 210, 250, 290, 330, 370, 410, 450}));
    EXPECT_FALSE(first.Enabled());
    EXPECT_FALSE(second.Enabled());
}

// A timer ended by a handler (its owner closed) is never fired again.
TEST(FormTimer, ATimerEndedByAHandlerFiresNoMore) {
    auto doomed = std::make_unique<Timer>(20, true);
    Timer ender(10, true);
    int doomedFired = 0;
    doomed->OnTimer = [&] { ++doomedFired; };
    ender.OnTimer = [&] { doomed.reset(); };
    vb::testing::AdvanceClock(100);
    EXPECT_EQ(doomedFired, 0);  // ended at 10, before its first moment
}

TEST(FormTimer, TimeOfDayRunsWithTheDrivenClock) {
    vb::testing::SetTimeOfDay(QTime(23, 59, 30));
    EXPECT_EQ(TimeOfDay(), QTime(23, 59, 30));
    vb::testing::AdvanceClock(45000);
    EXPECT_EQ(TimeOfDay(), QTime(0, 0, 15));  // past midnight
}

// On real time: the timer fires from the event loop, never while code runs.
TEST(FormTimer, OnRealTimeFiresOnlyWhenTheCodeYields) {
    RealTime real;
    Timer t(10, true);
    int fired = 0;
    t.OnTimer = [&] {
        ++fired;
        t.SetEnabled(false);
    };
    QDeadlineTimer due(20);
    while (!due.hasExpired()) {
    }
    EXPECT_EQ(fired, 0);  // busy code: no timer event, though the timer is due
    QDeadlineTimer deadline(15000);
    while (fired == 0 && !deadline.hasExpired()) DoEvents();
    EXPECT_EQ(fired, 1);  // the due event runs when the code yields, once
}
