#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFontDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

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

TEST(FormTimer, RepeatsWhileEnabledAndIntervalZeroNeverFires) {
    Timer t(15, true), oneShot(20, false), zero(0, true);
    int fired = 0, once = 0, z = 0;
    t.OnTimer = [&] { ++fired; };
    oneShot.OnTimer = [&] {  // a handler that disables its timer makes a one-shot
        ++once;
        oneShot.SetEnabled(false);
    };
    zero.OnTimer = [&] { ++z; };
    oneShot.SetEnabled(true);
    QTest::qWait(400);
    EXPECT_GE(fired, 3);
    EXPECT_EQ(once, 1);
    EXPECT_EQ(z, 0);
    t.SetEnabled(false);
    const int stopped = fired;
    QTest::qWait(100);
    EXPECT_EQ(fired, stopped);
}

TEST(FormTimer, EnablingStartsTheCountFromNow) {
    Timer t(300, true);
    int fired = 0;
    t.OnTimer = [&] { ++fired; };
    QTest::qWait(200);
    t.SetEnabled(false);
    t.SetEnabled(true);  // the count starts again: 300 ms from here
    QTest::qWait(200);
    EXPECT_EQ(fired, 0);
    QTest::qWait(400);
    EXPECT_GE(fired, 1);
}

TEST(FormTimer, NeverFiresWhileCodeRunsOnlyWhenItYields) {
    Timer t(10, true);
    int fired = 0;
    t.OnTimer = [&] {
        ++fired;
        t.SetEnabled(false);
    };
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 60) {
    }
    EXPECT_EQ(fired, 0);  // busy code: no timer event
    DoEvents();
    EXPECT_EQ(fired, 1);  // the due event runs when the code yields
}
