// The main window: its controls at their design places, start-up (Form_Load), the layout over the
// screen's work area and the lists (InitMainWindow), and the dispatcher of the main command array.
#include "app/form1.h"

#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTime>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

#include "platform/vbtext.h"

namespace app {

namespace {

// A fixed caption with no handler of its own.
QLabel* StaticCaption(QWidget* parent, const QString& text, int x, int y, int w = -1, int h = 16) {
    auto* l = new QLabel(text, parent);
    l->setFont(vb::ScreenFont("宋体", 9, false, false));
    l->adjustSize();
    l->setGeometry(x, y, w < 0 ? l->width() : w, h);
    return l;
}

// The buttons of "系统" top to bottom (Command2 indexes); the clock follows them.
constexpr std::pair<int, const char*> kSystemButtons[] = {{0, "新建"},     {2, "打开"},     {1, "保存"},
                                                          {8, "导出MIDI"}, {25, "导出简谱"}, {5, "系统设置"},
                                                          {7, "最小化"},   {26, "打印"},     {4, "退出"}};

}  // namespace

void MoveToContainer(vb::Control& control, QWidget* container) {
    QWidget* w = control.widget();
    if (!w || w->parentWidget() == container) return;
    const QRect g = w->geometry();
    w->setParent(container);
    w->setGeometry(g);
    w->setVisible(control.Visible());
}

Form1::Form1(const Services& services)
    : QWidget(nullptr), song(doc::Song::create()), CommonDialog1(*services.dialogs),
      Player(*song, *services.wmp, services.midi, services.wave, NoteTemplates, services.programDir),
      services_(services) {
    setObjectName("Form1");
    setWindowTitle("合唱排练");
    setFont(vb::ScreenFont("宋体", 9, false, false));
    CommonDialog1.Filter = "工程文件(*.brc)|*.brc";
    CreateControls();
    BindHandlers();
}

Form1::~Form1() = default;

QString Form1::ProgramPath(const QString& name) const { return QDir(services_.programDir).filePath(name); }

void Form1::midiOutShortMsg(uint32_t message) {
    if (MidiOutHandle != 0 && services_.midi) services_.midi->ShortMsg(message);
}

// The design of the window: captions, fonts and the places of the controls that start-up does not
// move. The regions over the screen are placed by InitMainWindow.
void Form1::CreateControls() {
    // Song ruler.
    Picture1.SetBackColor(0xFFFFFF);
    Label10[0].SetCaption("|←");
    Label10[1].SetCaption("→|");
    for (int i = 0; i < 2; ++i) {
        Label10[i].SetAutoSize(true);
        Label10[i].SetBackStyle(0);
        Label10[i].SetTop(22);
    }
    for (int i = 0; i < 40; ++i) Label6[i].Move(0, -200, 24, 12);
    for (int i = 0; i < 20; ++i) {
        LabJP[i].Move(0, -200, 24, 12);
        Labdh[i].Move(0, -200, 24, 12);
    }
    Label14.Move(0, 0, 60, 36);
    Label14.SetBackStyle(0);
    Label14.SetBorderStyle(1);
    Shape2.Move(0, 0, 60, 36);
    Shape2.SetBorderColor(0x0000FF);
    // The editor-window box and its outline show with the piano roll only, and lie under the change
    // markers so that a click on a marker reaches the marker.
    Label14.SetVisible(false);
    Shape2.SetVisible(false);
    Shape2.widget()->lower();
    Label14.widget()->lower();
    Line4.SetPoints(0, 0, 0, 36);
    Line4.SetBorderColor(0x0000FF);
    Line5.SetPoints(0, 0, 0, 36);
    Line5.SetBorderColor(0xC0C0C0);
    HScroll1.SetHeight(9);
    HScroll2.SetHeight(9);

    // Command column.
    Picct.Move(0, 40, 105, 769);
    const char* groups[5] = {"信息显示", "控制", "量化", "编辑", "系统"};
    const int groupTop[5] = {8, 168, 336, 400, 512};
    const int groupHeight[5] = {161, 169, 65, 113, 201};
    for (int g = 0; g < 5; ++g) {
        Frame1[g].SetCaption(groups[g]);
        Frame1[g].Move(8, groupTop[g], 89, groupHeight[g]);
    }
    // Position display.
    const char* positionCaptions[5] = {"小节", "节拍", "节奏", "速度", "调号"};
    for (int i = 0; i < 5; ++i) {
        MoveToContainer(Label3[8 + i], Frame1[0].widget());
        Label3[8 + i].SetCaption(positionCaptions[i]);
        Label3[8 + i].Move(6, 18 + 24 * i, 32, 16);
        MoveToContainer(Label3[kBarLabel + i], Frame1[0].widget());
        Label3[kBarLabel + i].Move(40, 18 + 24 * i, 46, 16);
    }
    Label3[kKeyLabel].SetFontSize(kKeyFontSize);
    Label3[kKeyLabel].Move(32, 18 + 24 * 4 + 1, 55, 14);
    MoveToContainer(Label3[kSecondsLabel], Frame1[0].widget());
    Label3[kSecondsLabel].Move(6, 138, 80, 16);
    // "控制": playback switches and the first two sliders.
    for (int i = 0; i < kPlaybackSwitchCount; ++i) {
        Check3[i].SetCaption(PlaybackSwitchCaptions()[i]);
        Check3[i].Move(6, 14 + 16 * i, 80, 16);
    }
    for (int i : {18, 20, 21}) MoveToContainer(Label3[i], Frame1[1].widget());
    MoveToContainer(HScroll3[0], Frame1[1].widget());
    MoveToContainer(HScroll3[1], Frame1[1].widget());
    Label3[18].Move(6, 64, 52, 14);
    Label7.Move(58, 64, 30, 14);
    HScroll3[0].Move(6, 79, 77, 12);
    Label3[20].Move(6, 94, 58, 14);
    Label3[21].Move(64, 94, 24, 14);
    HScroll3[1].Move(6, 109, 77, 12);
    Check2.SetCaption("→");
    Check2.Move(16, 344, 20, 20);
    Command3.SetCaption("■");
    Command3.Move(48, 344, 20, 20);
    Command3.SetVisible(false);
    // "量化".
    for (int i = 0; i < 2; ++i) {
        Combo2[i].Move(4, 16 + 24 * i, 54, 20);
        Check4[i].SetCaption("3");
        Check4[i].Move(60, 18 + 24 * i, 27, 16);
    }
    // "编辑": the toolbar, song settings and typesetting settings.
    struct Place { int index; const char* caption; int x, y, w, h; };
    const Place toolbar[] = {{kLyricsWindowButton, "词", 24, 16, 17, 17}, {kPageWindowButton, "谱", 8, 16, 17, 17},
                             {kPartAudioButton, "定位MP3", 8, 40, 73, 17}, {kDeletePartButton, "X", 64, 16, 17, 17},
                             {kOpenMidiButton, "导入MID", 8, 56, 57, 17},  {kEditorButton, "E", 64, 56, 17, 17},
                             {kNextVerseButton, "1", 40, 16, 17, 17}};
    for (const Place& p : toolbar) {
        Command4[p.index].SetCaption(p.caption);
        Command4[p.index].Move(p.x, p.y, p.w, p.h);
    }
    for (int i : {6, 7, 8}) Command4[i].SetVisible(false);
    MoveToContainer(Command4[kImportMidiButton], Picture10.widget());
    MoveToContainer(Command4[kCancelImportButton], Picture10.widget());
    Command4[kImportMidiButton].SetCaption("导入");
    Command4[kImportMidiButton].Move(264, 240, 73, 17);
    Command4[kCancelImportButton].SetCaption("取消");
    Command4[kCancelImportButton].Move(264, 264, 73, 17);
    MoveToContainer(Command2[6], Frame1[3].widget());
    Command2[6].SetCaption("歌曲设置");
    Command2[6].widget()->setToolTip("设置本歌曲的基本信息");
    Command2[6].Move(8, 76, 73, 17);
    Command10[2].SetCaption("简谱设置");
    Command10[2].Move(8, 94, 73, 17);
    // "系统": the file commands and the clock.
    for (const auto& [index, caption] : kSystemButtons) Command2[index].SetCaption(caption);
    PlaceSystemGroup(groupHeight[4]);
    Command2[8].widget()->setToolTip("导出midi音符文件");
    Command2[25].widget()->setToolTip("导出简谱模式显示的图片");
    Command2[3].SetCaption("退出程序");
    Command2[3].SetVisible(false);
    Command2[5].SetEnabled(false);  // until the start-up timer has run
    Command2[21].SetVisible(false);
    Command14.SetCaption("00-00");

    // Track view: part header column and track area.
    Label1.SetBackColor(0xE0E0E0);
    for (int p = 1; p <= doc::kMaxParts; ++p) {
        const int t = (p - 1) * 120;
        Label2[p].Move(96, t + 8, 60, 16);
        Label11[p].Move(8, t + 8, 20, 16);
        Label11[10 + p].Move(32, t + 8, 20, 16);
        Label11[p].SetBorderStyle(1);
        Label11[10 + p].SetBorderStyle(1);
        Check1[20 + p].SetCaption("MID");
        Check1[20 + p].Move(8, t + 40, 32, 18);
        Check1[30 + p].SetCaption("MP3");
        Check1[30 + p].Move(40, t + 40, 38, 18);
        Command11[p].SetCaption("音");
        Command11[p].Move(80, t + 40, 28, 18);
        Check1[p].SetCaption("谱");
        Check1[p].Move(112, t + 40, 40, 18);
        // The boxes stand close together: a narrow gap between box and caption keeps "MID" clear
        // of the "MP3" box beside it.
        for (int box : {p, 20 + p, 30 + p}) {
            Check1[box].SetFontSize(7.5);
            Check1[box].widget()->setStyleSheet("QCheckBox { spacing: 2px; }");
        }
        Label4[10 + p].Move(16, t + 64, 127, 8);
        Label4[10 + p].SetBackColor(0xC0C0C0);
        Label4[p].Move(16, t + 64, 100, 8);
        Label4[p].SetBackColor(0x008000);
        Label4[p].widget()->raise();
        Label16[p].Move(14, t + 80, 140, 16);
        Labjq[p].Move(8, t + 96, 140, 16);
    }
    Labjq[0].Move(8, 0, 140, 16);
    Label12.SetCaption("添加一个新声部");
    Label12.Move(8, 0, 140, 16);
    MoveToContainer(Shape1[1], Label1.widget());
    Shape1[0].SetBorderColor(0x0000FF);
    Shape1[1].SetBorderColor(0x0000FF);
    Line2.SetBorderColor(0x808080);

    // Piano roll (hidden until the toolbar shows it).
    Chely.SetCaption("●");
    Chely.Move(4, 6, 20, 20);
    Chegd.SetCaption("★");
    Chegd.widget()->setToolTip("跟随播放");
    // The play toggle and the stop button move into this panel at 28 and 68 while the roll is shown:
    // the follow switch sits between them and the close button after them.
    Chegd.Move(48, 6, 20, 20);
    Command5.SetCaption("X");
    Command5.Move(98, 7, 17, 17);
    for (int k : {0, 1, 2, 3, 4, 5, 6, 20}) Label13[k].SetVisible(false);
    for (int i = 0; i < 256; ++i) Lably[i].Move(0, -5000, 10, 6);
    Text2.Move(0, 0, 100, 20);
    for (auto* c : std::initializer_list<vb::Control*>{&Picture6, &Picture7, &Picture8, &Picture9, &VScroll2, &VScroll3})
        c->SetVisible(false);
    Picture11.Move(0, -5000, 120, 200);
    Picture12.Move(0, -5000, 200, 100);
    Combo7[1].SetFontName("Qelto");
    Combo7[2].SetFontBold(true);
    Combo7[2].SetFontItalic(true);
    for (int i = 0; i < 3; ++i) Combo7[i].Move(0, -5000, 100, 20);
    Combo8.Move(0, -5000, 80, 20);
    List3.Move(0, 0, 160, 300);

    // Title block.
    Picture13.Tag = "1";
    const Place title[] = {{0, "", 8, 0, 380, 20},        {7, "", 8, 22, 380, 16},    {1, "作词:", 400, 4, 36, 16},
                           {4, "", 438, 4, 190, 16},       {2, "作曲:", 400, 22, 36, 16}, {5, "", 438, 22, 190, 16},
                           {3, "演唱：", 640, 4, 40, 16}, {6, "", 682, 4, 230, 16}};
    for (const Place& p : title) {
        Label19[p.index].SetCaption(p.caption);
        Label19[p.index].Move(p.x, p.y, p.w, p.h);
    }
    Label19[0].SetFontSize(12);
    Label19[0].SetFontBold(true);

    // Song-settings panel.
    Frame2.SetCaption("歌曲设置");
    Frame2.Move(300, 60, 280, 210);
    Frame2.SetVisible(false);
    StaticCaption(Frame2.widget(), "开始时间", 10, 24);
    StaticCaption(Frame2.widget(), "乐曲时间长度", 10, 50);
    StaticCaption(Frame2.widget(), "预置速度", 10, 76);
    StaticCaption(Frame2.widget(), "预置节拍", 10, 102);
    StaticCaption(Frame2.widget(), "预置调号", 10, 128);
    Text1[0].SetText("0.000");
    Text1[0].Move(100, 22, 80, 20);
    Text1[1].SetText("180.000");
    Text1[1].Move(100, 48, 80, 20);
    Text1[2].SetText("80");
    Text1[2].Move(100, 74, 80, 20);
    Combo1.Move(100, 100, 80, 20);
    MoveToContainer(Combo3[2], Frame2.widget());
    Combo3[2].Move(100, 126, 100, 20);
    MoveToContainer(Check6[1], Frame2.widget());
    Check6[1].SetCaption("低八度");
    Check6[1].Move(204, 128, 70, 18);
    MoveToContainer(Command2[12], Frame2.widget());
    MoveToContainer(Command2[11], Frame2.widget());
    Command2[12].SetCaption("确定");
    Command2[12].Move(100, 170, 70, 24);
    Command2[11].SetCaption("取消");
    Command2[11].Move(180, 170, 70, 24);

    // Change-point panels.
    const char* panelCaptions[3] = {"插入节奏更改", "插入速度更改", "插入调号更改"};
    const int okIndex[3] = {9, 14, 15}, cancelIndex[3] = {10, 13, 16}, deleteIndex[3] = {17, 18, 19};
    for (int i = 0; i < 3; ++i) {
        Picture2[i].Move(300, 40, 210, 84);
        Picture2[i].SetBackColor(0xE0E0E0);
        Picture2[i].SetBorderStyle(1);
        Picture2[i].SetVisible(false);
        StaticCaption(Picture2[i].widget(), panelCaptions[i], 6, 4);
        for (auto [index, caption, x] : {std::tuple{okIndex[i], "确定", 6}, std::tuple{cancelIndex[i], "取消", 74},
                                         std::tuple{deleteIndex[i], "删除", 142}}) {
            MoveToContainer(Command2[index], Picture2[i].widget());
            Command2[index].SetCaption(caption);
            Command2[index].Move(x, 54, 62, 22);
        }
        Command2[deleteIndex[i]].SetVisible(false);
    }
    MoveToContainer(Combo3[0], Picture2[0].widget());
    Combo3[0].Move(6, 24, 100, 20);
    MoveToContainer(Text1[3], Picture2[1].widget());
    Text1[3].Move(6, 24, 100, 20);
    MoveToContainer(Combo3[1], Picture2[2].widget());
    Combo3[1].Move(6, 24, 100, 20);
    MoveToContainer(Check6[0], Picture2[2].widget());
    Check6[0].SetCaption("低八度");
    Check6[0].Move(112, 26, 70, 18);

    CreateSettingsPanel();
    CreateKeyboardPanel();

    // Typesetting panel: the controls the start-up lists fill; its handlers come with typesetting.
    Picture16.Move(300, 60, 420, 320);
    Picture16.SetBorderStyle(1);
    Picture16.SetVisible(false);
    Combo6.Move(8, 8, 240, 20);
    for (int i = 0; i < 6; ++i) {
        Text9[i].Move(8 + 60 * i, 36, 52, 20);
        if (i >= 2) Text9[i].SetText("1.50");
    }
    Combo9.Move(8, 64, 160, 20);
    Combo10.Move(176, 64, 100, 20);
    Text8.SetText("1");
    Text8.Move(284, 64, 40, 20);
    const struct { const char* caption; const char* font; double size; bool bold; } samples[7] = {
        {"标题", "宋体", 21.75, false}, {"歌词", "宋体", 12, false},   {"5", "黑体", 18, false},
        {"领唱", "黑体", 14.25, true},  {"表情", "宋体", 12, false},   {"附标题", "宋体", 10.5, false},
        {"版权", "宋体", 10.5, false}};
    // The font and caption first: an auto-sized label measures itself at every change.
    for (int i = 0; i < 7; ++i) {
        Label22[i].SetFontName(samples[i].font);
        Label22[i].SetFontSize(samples[i].size);
        Label22[i].SetFontBold(samples[i].bold);
        Label22[i].SetCaption(samples[i].caption);
        Label22[i].SetAutoSize(true);
        Label22[i].Move(8 + 56 * (i % 4), 96 + 40 * (i / 4));
    }
    File1.Move(260, 96, 150, 100);
    Picture17.Move(260, 204, 150, 100);
    MoveToContainer(Command10[4], Picture16.widget());
    MoveToContainer(Command10[5], Picture16.widget());
    Command10[4].SetCaption("排版");
    Command10[4].Move(8, 280, 70, 24);
    Command10[5].SetCaption("确定");
    Command10[5].Move(90, 280, 70, 24);

    // MIDI import panel.
    Picture10.Move(300, 60, 360, 300);
    Picture10.SetBorderStyle(1);
    Picture10.SetVisible(false);
    Combo4.Move(168, -200, 120, 20);
    CreateMidiPanel();

    // The play toggle and the stop button lie over the command column.
    Check2.widget()->raise();
    Command3.widget()->raise();
}

// "系统" holds its buttons and the clock 18 pixels apart in its designed height. A window that ends
// above that (a short screen with a task bar) gives the group the room left, and the rows close up
// in it so that the clock stays in view.
void Form1::PlaceSystemGroup(int height) {
    constexpr int top = 16, bottomMargin = 4, rows = int(std::size(kSystemButtons)) + 1;
    const int step = std::clamp((height - top - bottomMargin) / rows, 12, 18);
    const int buttonHeight = std::min(17, step);
    Frame1[4].SetHeight(height);
    int row = 0;
    for (const auto& [index, caption] : kSystemButtons) Command2[index].Move(8, top + step * row++, 73, buttonHeight);
    Command14.Move(8, top + step * row, 73, buttonHeight);
}

void Form1::BindHandlers() {
    Command2.Bind(&vb::Control::Click, [this](int i) { Command2_Click(i); });
    BindSettingsHandlers();
    BindKeyboardHandlers();
    BindTimerHandlers();
    BindRulerHandlers();
    BindSongSettingsHandlers();
    BindToolbarHandlers();
    BindPrintHandlers();
    BindPlaybackHandlers();
    BindMidiHandlers();
    BindTrackViewHandlers();
    BindFilesHandlers();
    BindTypesetHandlers();
    BindPianoRollHandlers();
    BindRehearsalHandlers();
    BindLyricHandlers();
    BindRecordingHandlers();
}

// ---------------------------------------------------------------------------------------------
// Start-up

void Form1::Form_Load() {
    Timer6_Timer();  // the clock shows the time at once
    LoadSystemSettings();
    InitMainWindow();
    // The synthesizer is open before New, so New's program changes reach it.
    if (services_.midi && services_.midi->Open(0)) MidiOutHandle = 1;
    Command2_Click(0);
    WMP().SetVolume(HScroll3[kAccompanimentVolumeSlider].Value());
    HScroll3_Change(kNoteWidthSlider);
    File1.SetPath(ProgramPath("peo") + "/");
    File1.SetListIndex(2);  // no third picture: the list keeps no selection and start-up goes on
    RollViewSpan = 1920;
    EditorScrollStep = int16_t(vb::Round(Label14.Width() * 0.05));
    LoadKeySet();
    BuildKeyNoteMap();
    Image1.SetLeft(-5000);
    DragStartTick = -1;
    // Last: a message box runs the event loop, and the start-up timer may fire while it is open.
    ShowWordListProblems();
}

void Form1::InitMainWindow() {
    Lists = BuildStartupLists(services_.programDir);
    for (const QString& s : Lists.pageNumberPositions) Combo10.AddItem(s);
    Combo10.SetListIndex(kPageNumberPositionStart);

    // The screen is the work area the window manager announces: the screen less its panels (a
    // task bar would hide the bottom of the window), the whole screen where it announces none.
    QRect screen(0, 0, services_.screenWidth, services_.screenHeight);
    if (screen.isEmpty()) {
        const QScreen* primary = QGuiApplication::primaryScreen();
        screen = primary ? primary->availableGeometry() : QRect(0, 0, 1024, 768);
    }
    ScreenWidthPx = screen.width();
    ScreenHeightPx = screen.height();
    const int W = ScreenWidthPx, H = ScreenHeightPx;
    setGeometry(screen);
    setFixedSize(W, H);

    // Regions.
    Picture1.Move(0, 0, W, 36);
    const int rulerWidth = int(Picture1.Width());
    HScroll1.Move(0, 36, rulerWidth - 100, HScroll1.Height());
    HScroll2.Move(rulerWidth - 89, 36, 89, HScroll2.Height());
    HScroll1.SetLargeChange(rulerWidth);
    Check2.Move(16, 344);
    Command3.Move(48, 344);
    VScroll1.Move(104, 45, 17, H - 45);
    Label1.Move(120, 45, 158, H);
    Line2.SetPoints(278, 45, 278, H);
    Picture3.Move(280, 45, W - 280, H - 45);
    Picture9.Move(0, 45, 121, 32);
    Picture8.Move(121, 45, W - 121, 32);
    Picture7.Move(0, 77, 121, H - 77);
    Picture6.Move(121, 77, W - 121, H - 77);
    VScroll2.Move(0, 77, 16, H - 152);
    VScroll3.Move(0, H - 65, 16, 65);
    Picture13.Move(W - 921, H - 41, 921, 41);
    const int systemRoom = H - int(Picct.Top() + Frame1[4].Top());
    if (systemRoom < Frame1[4].Height()) PlaceSystemGroup(systemRoom);

    for (int i = 0; i < 256; ++i) Lably[i].SetTop(-5000);
    Line3.SetPoints(-1, 0, -1, Picture6.Height() + 1);
    Shape6.SetLeft(W + 120);

    const int keyHeightMin = int(vb::Int((H - 77) / 52.0)) + 2;
    VScroll3.SetMin(keyHeightMin);
    VScroll3.SetMax(3 * keyHeightMin);

    // Parked controls.
    Combo5.SetTop(-5000);
    List3.SetTop(H + 20);
    Picture5[10].SetTop(-200);
    Picture11.SetTop(-5000);
    Picture12.SetTop(-5000);
    Text4.Move(8, -300);
    Combo4.Move(168, -200);
    for (int i = 0; i < 3; ++i) Combo7[i].SetTop(-5000);
    for (int i = 0; i < 512; ++i) Labnot[i].SetLeft(Picture6.Width() + 500);
    Text2.SetLeft(Picture6.Width() + 20);

    // Track canvases: the front one in view, the back one just beyond the right edge.
    const double trackWidth = Picture3.Width();
    for (int i = 0; i < 2; ++i) {
        Picture4[i].Move(trackWidth, 0, trackWidth, Picture3.Height());
        Picture4[i].Canvas().Cls();
    }
    Picture4[0].SetLeft(0);

    // Part header rows.
    for (int p = 1; p <= doc::kMaxParts; ++p) {
        Picture5[p].Move(0, 0, trackWidth, 2);
        Label2[p].Move(96, 8);
        Check1[p].SetLeft(112);
        Command11[p].SetLeft(80);
        Check1[20 + p].SetLeft(8);
        Check1[30 + p].SetLeft(40);
        Label4[p].SetLeft(16);
        Label4[10 + p].SetLeft(16);
        Label11[p].SetLeft(8);
        Label11[10 + p].SetLeft(32);
        Label16[p].SetLeft(14);
        Labjq[p].SetLeft(8);
    }
    Shape1[0].Move(0, Shape1[0].Top(), Picture4[0].Width(), Shape1[0].Height());
    Shape1[1].Move(0, Shape1[1].Top(), 158, Shape1[1].Height());
    Line4.SetPoints(0, Line4.Y1(), 0, Line4.Y2());

    for (int i = 0; i < 3; ++i) Picture2[i].SetTop(40);

    NoteBarWidth = int16_t(HScroll3[kNoteWidthSlider].Value());
    LyricCharWidth = int16_t(vb::Round(Label9.Width() - 2));
    SlantHalfWidth = int16_t(app::SlantHalfWidth(HScroll3[kSlantSlider].Value()));
    LyricNoteGap = int16_t(LyricCharWidth - HScroll3[kNoteWidthSlider].Value());
    // The delay follows its slider also when set.ini holds the slider's design value, which fires no
    // change.
    MidiDelay = MidiDelaySeconds(HScroll3[kMidiDelaySlider].Value());
    RollScrollEdge = int16_t(vb::Round(Picture8.Width() * 0.95));
    MenuHoverItem = 0;

    FillStartupLists();
}

// The lists, in the order the word lists are read; a missing or short word list gives its built-in
// entries (ShowWordListProblems reports it at the end of start-up).
void Form1::FillStartupLists() {
    for (const QString& s : Lists.pageNumberModes) Combo9.AddItem(s);
    Combo9.SetListIndex(kPageNumberModeStart);
    for (const QString& s : Lists.instruments) List3.AddItem(s);
    for (const QString& s : Lists.songTimeSignatures) Combo1.AddItem(s);
    for (const QString& s : Lists.changeTimeSignatures) Combo3[0].AddItem(s);
    Combo1.SetListIndex(kSongTimeSignatureStart);
    for (int i = 0; i < 2; ++i)
        for (const QString& s : Lists.quantizeGrids) Combo2[i].AddItem(s);
    Combo2[0].SetListIndex(kRulerGridStart);
    Combo2[1].SetListIndex(kRollGridStart);
    for (const QString& s : Lists.keys) Combo3[1].AddItem(s);
    for (const QString& s : vb::ItemsOf(Combo3[1])) Combo3[2].AddItem(s);
    for (const QString& s : Lists.keyRowOctaves) Combo5.AddItem(s);
    for (const QString& s : Lists.expressions) Combo7[0].AddItem(s);
    Combo7[0].SetListIndex(kExpressionStart);
    for (const QString& s : Lists.symbols) Combo7[1].AddItem(s);
    Combo7[1].SetListIndex(kSymbolStart);
    for (const QString& s : Lists.paperSizes) Combo6.AddItem(s);
    Combo6.SetListIndex(kPaperSizeStart);
    for (const QString& s : Lists.dynamics) Combo7[2].AddItem(s);
    Combo7[2].SetListIndex(kDynamicsStart);
    for (const QString& s : Lists.verses) Combo8.AddItem(s);
    Combo8.SetListIndex(kVerseStart);
}

// One message per missing or short word list, in reading order. Shown after New has made the song,
// so that whatever runs while a box is open finds the window complete; a termination signal during a
// box ends the rest.
void Form1::ShowWordListProblems() {
    for (const WordListProblem& problem : Lists.problems) {
        if (Exited()) return;
        Dialogs().MsgBox(WordListMessage(problem), vb::vbOKOnly, kWordListMessageTitle);
    }
}

// ---------------------------------------------------------------------------------------------
// The main command array.

void Form1::Command2_Click(int index) {
    switch (index) {
    case 0: NewCommand(); break;
    case 1: Command2_Save(); break;
    case 2: Command2_Open(); break;
    case 3:
    case 4: ExitProgram(); break;
    case 5: Frame3.SetVisible(!Frame3.Visible()); break;
    case 6:
    case 11:
    case 12: Command2_SongSettings(index); break;
    case 7: showMinimized(); break;
    case 8: Command2_ExportMidi(); break;
    case 9:
    case 10:
    case 13:
    case 14:
    case 15:
    case 16:
    case 17:
    case 18:
    case 19: Command2_ChangePoint(index); break;
    case 20:
        SettingsChanged = -1;
        Frame3.SetVisible(false);
        break;
    case 22: OpenKeyboardPanel(); break;
    case 23: Picture14.SetVisible(false); break;
    case 24: ConfirmKeyboardPanel(); break;
    case 25: Command2_ExportPages(); break;
    case 26: Command2_Print(); break;
    default: break;
    }
}

}  // namespace app
