// The typesetting panel and its handlers, the page-setup command (geometry, line breaks, the page
// strip with its numbers and textures, the title block), the page window and its clicks, and the
// score's measures and category fonts as the typesetter asks for them.
#include <QDir>
#include <QFontMetrics>

#include "app/form1.h"
#include "document/texthelpers.h"
#include "platform/vbtext.h"
#include "playback/ruler.h"
#include "typeset/header.h"
#include "typeset/linefit.h"
#include "typeset/markerpictures.h"

namespace app {

namespace {
const char* const kTitle = "提示";
constexpr int kInform = vb::vbOKOnly + vb::vbSystemModal;
const char* const kCustomPaper = "[自定义大小]";

// A label placed by the design metrics is drawn in the font that stands in for the design font,
// whose lines may be taller: the widget gets that room below, so nothing of the caption is cut.
int ShownHeight(const vb::Label& label, int designHeight) {
    const QFontMetrics fm(vb::ScreenFont(label.FontName(), label.FontSize(), label.FontBold(), label.FontItalic()));
    return std::max(designHeight, fm.height() + fm.descent());
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// The panel

void Form1::CreateTypesetPanel() {
    Picture16.Move(230, 40, 560, 426);
    Combo6.Move(8, 8, 250, 20);
    Option1[0].SetCaption("纵向");
    Option1[1].SetCaption("横向");
    Option1[0].Move(270, 8, 60, 20);
    Option1[1].Move(335, 8, 60, 20);
    Option1[0].SetValue(true);
    Lack[0].SetCaption("宽");
    Lack[1].SetCaption("高");
    auto caption = [this](const QString& text, double x, double y, double w = -1, double h = -1) {
        auto label = std::make_unique<vb::Label>(Picture16.widget(), QStringLiteral("PanelCaption"),
                                                 int(panelCaptions_.size()));
        label->SetCaption(text);
        if (w < 0) label->SetAutoSize(true);
        else label->SetWordWrap(true);
        label->Move(x, y, w, h);
        panelCaptions_.push_back(std::move(label));
    };
    const char* marginNames[4] = {"上", "下", "左", "右"};
    for (int i = 0; i < 6; ++i) {
        const double x = 8 + 70 * i;
        if (i < 2)
            Lack[i].Move(x, 39, 16, 16);
        else
            caption(marginNames[i - 2], x, 39);
        Text9[i].Move(x + 18, 36, 48, 20);
    }
    caption("页码", 8, 69);
    Combo9.Move(36, 66, 150, 20);
    Combo10.Move(192, 66, 100, 20);
    caption("起始页", 300, 69);
    Text8.Move(346, 66, 40, 20);
    for (int i = 0; i < 7; ++i) Label22[i].Move(8 + 90 * (i % 4), 96 + 40 * (i / 4));
    const char* sliderNames[5] = {"行高-音符", "行高-歌词", "不同声部行距+", "总行距离+", "音符密度:"};
    for (int i = 0; i < 5; ++i) {
        // Each caption keeps one line; the columns leave room for the longest of them.
        const double x = 8 + 84 * i;
        caption(sliderNames[i], x, 190);
        VScroll5[i].SetMin(doc::kScaleMin[i]);
        VScroll5[i].SetMax(doc::kScaleMax[i]);
        VScroll5[i].SetSmallChange(5);
        VScroll5[i].SetLargeChange(5);
        VScroll5[i].SetValue(doc::PageSetupValues{}.Scales[i]);
        VScroll5[i].Move(x + 24, 210, 16, 90);
        Labvin[i].SetAutoSize(true);
        Labvin[i].Move(x + 18, 304);
        VScroll5_Change(i);
    }
    caption("歌词段数", 8, 330);
    HScroll4.Move(70, 328, 120, 16);
    MoveToContainer(Label3[78], Picture16.widget());
    Label3[78].SetAutoSize(true);
    Label3[78].Move(198, 330);
    HScroll4_Change();
    const char* checks[4] = {"全页拼接", "有一个独立的声部", "提示小节", "奇偶对称"};
    for (int i = 0; i < 4; ++i) {
        Check8[i].SetCaption(checks[i]);
        Check8[i].Move(8 + 132 * i, 354, 128, 20);
    }
    File1.Move(404, 96, 150, 110);
    Picture17.Move(404, 212, 150, 110);
    Command10[4].Move(8, 390, 70, 24);
    Command10[5].Move(90, 390, 70, 24);
    Label21.SetVisible(false);
    Label21.SetFontName(typeset::kNotationFont);
    Label21.SetFontSize(Label22[2].FontSize());
    Label21.SetAutoSize(true);
}

void Form1::BindTypesetHandlers() {
    CreateTypesetPanel();
    Command10.Bind(&vb::Control::Click, [this](int i) { Command10_Click(i); });
    Command10.Bind(&vb::Control::MouseUp, [this](int, int, int, double, double) { Command10_MouseUp(); });
    Combo6.Click = [this](int) { Combo6_Click(); };
    File1.Click = [this](int) { File1_Click(); };
    Option1.Bind(&vb::Control::Click, [this](int i) { Option1_Click(i); });
    VScroll5.Bind(&vb::ScrollBar::Change, [this](int i) { VScroll5_Change(i); });
    HScroll4.Change = [this](int) { HScroll4_Change(); };
    Label22.Bind(&vb::Control::Click, [this](int i) { Label22_Click(i); });
}

void Form1::Combo6_Click() {
    const QString s = Combo6.Text();
    const bool custom = s == QString::fromUtf8(kCustomPaper);
    if (!custom) {
        const int open = s.indexOf('[');
        const int times = s.indexOf(QStringLiteral("×"));
        if (open >= 0) Text9[0].SetText(vb::CStr(vb::Val(s.mid(open + 1))));
        if (times >= 0) Text9[1].SetText(vb::CStr(vb::Val(s.mid(times + 1))));
    }
    Text9[0].SetLocked(!custom);
    Text9[1].SetLocked(!custom);
}

void Form1::Option1_Click(int index) {
    Lack[index].SetCaption("宽");
    Lack[1 - index].SetCaption("高");
}

void Form1::VScroll5_Change(int index) { Labvin[index].SetCaption(QString::number(VScroll5[index].Value()) + "%"); }

void Form1::HScroll4_Change() { Label3[78].SetCaption(QString::number(HScroll4.Value())); }

void Form1::Label22_Click(int index) {
    vb::Label& sample = Label22[index];
    CommonDialog1.FontName = sample.FontName();
    CommonDialog1.FontBold = sample.FontBold();
    CommonDialog1.FontItalic = sample.FontItalic();
    CommonDialog1.FontSize = sample.FontSize();
    if (!CommonDialog1.ShowFont()) return;
    if (IsFontTooLarge(CommonDialog1.FontSize)) {
        // This box carries the program's name, not a title of its own.
        Dialogs().MsgBox(kFontTooLargeMessage, vb::vbOKOnly + vb::vbSystemModal);
        return;
    }
    if (index == 6) SettingsChanged = -1;
    sample.SetFontName(CommonDialog1.FontName);
    sample.SetFontBold(CommonDialog1.FontBold);
    sample.SetFontItalic(CommonDialog1.FontItalic);
    sample.SetFontSize(CommonDialog1.FontSize);
}

// A background the folder holds that is no picture is reported; the texture stays as it was.
void Form1::File1_Click() {
    const QString name = File1.FileName();
    if (name.isEmpty()) return;
    if (!Picture17.LoadPicture(QDir(ProgramPath("peo")).filePath(name)))
        Dialogs().MsgBox(QStringLiteral("无法读取背景图片:") + name, kInform, kTitle);
}

void Form1::Command10_MouseUp() { Picture4[0].SetFocus(); }

// ---------------------------------------------------------------------------------------------
// Page setup

void Form1::Command10_Click(int index) {
    switch (index) {
    case 2: Picture16.SetVisible(true); break;
    case 5:
        song->PageSetupChanged = -1;
        song->Modified = -1;
        Picture16.SetVisible(false);
        break;
    case 4:
        song->PageSetupChanged = -1;
        song->Modified = -1;
        if (RunPageSetup(false)) Picture16.SetVisible(false);
        break;
    default: break;
    }
}

typeset::FontSpec Form1::SampleFont(int index) const {
    const vb::Label& s = Label22[index];
    return {s.FontName(), s.FontSize(), s.FontBold(), s.FontItalic()};
}

QSize Form1::SampleSize(int index) const { return typeset::LabelTextSize(SampleFont(index), Label22[index].Caption()); }

typeset::PageSetupInput Form1::PanelValues() const {
    typeset::PageSetupInput in;
    for (int i = 0; i < 6; ++i) in.Sizes[i] = Text9[i].Text();
    in.Landscape = Option1[1].Value();
    in.Continuous = Check8[0].Value() == 1;
    for (int i = 0; i < 7; ++i) in.SampleHeights[i] = SampleSize(i).height();
    in.DigitWidth = SampleSize(2).width();
    for (int i = 0; i < 5; ++i) in.Scales[i] = VScroll5[i].Value();
    in.Verses = HScroll4.Value();
    in.ShownParts = 0;
    for (int p = 1; p <= song->PartCount && p <= doc::kMaxParts; ++p)
        if (song->Parts[p].ShowInScore == 1) ++in.ShownParts;
    return in;
}

bool Form1::RunPageSetup(bool quiet) { return LayOutPages(quiet, false); }

// The line breaks and the places of the systems follow the notes: a line whose notes were changed
// so that they no longer keep apart ends at an earlier bar line when the pages are typeset again.
// The page window stays where it was; nothing changes where the layout still holds.
void Form1::RefitPages() { LayOutPages(true, true); }

bool Form1::LayOutPages(bool quiet, bool keepView) {
    using typeset::SetupStop;
    // The systems stand where their marks and rows have room; a page may take fewer of them.
    const typeset::TypesetInput values = TypesetValues();
    const typeset::SystemPlanner planner = [this, &values](const typeset::LineTable& lines,
                                                           const typeset::PageGeometry& g) {
        typeset::TypesetInput at = values;
        at.Lines = lines;
        at.Geometry = g;
        at.Plan.clear();
        SetPageFrame(at);
        return typeset::PlanSystems(at);
    };
    // A system whose glyphs would collide at the printable width ends at an earlier bar line.
    const typeset::PageSetupResult r =
        typeset::ComputePageSetup(PanelValues(), *song, typeset::GlyphFitOf(values), planner);
    if (r.Stop != SetupStop::OutOfRange && r.Stop != SetupStop::PageTooSmall && r.Stop != SetupStop::FontTooBig)
        Label21.SetFontSize(Label22[2].FontSize());
    if (r.Stop != SetupStop::None) {
        const QString message = typeset::SetupStopMessage(r.Stop);
        if (!quiet && !message.isEmpty()) Dialogs().MsgBox(message, kInform, kTitle);
        return false;
    }
    if (r.TooManyPages && !quiet) Dialogs().MsgBox(typeset::kTooManyPages, kInform, kTitle);
    if (keepView && r.Geometry == Page && r.Lines == Lines && r.Places == PlannedSystems) return true;
    Page = r.Geometry;
    Lines = r.Lines;
    PlannedSystems = r.Places;

    typeset::Form3& f = Form3();
    f.Picjp.Move(0, 0, Page.StripWidth(), Page.StripHeight());
    // The window takes the width of the new paper; its bars take the strip's size.
    f.FitToStrip();
    if (!keepView) {
        f.VScroll1.SetValue(0);
        f.HScroll1.SetValue(0);
        f.Picjp.SetTop(0);
    }

    const typeset::PagePoint anchor =
        typeset::PageNumberAnchor(Combo10.ListIndex(), Page, Text9[3].Text(), {PageNumberX, PageNumberY});
    PageNumberX = int16_t(anchor.X);
    PageNumberY = int16_t(anchor.Y);
    const bool mirrored = Check8[3].Value() == 1;
    for (int i = 0; i <= Page.LastPage; ++i) {
        f.Picpage[i].Move(8, Page.PageTop(i), Page.PaperWidth, Page.PaperHeight);
        f.Shape1[i].Move(10, Page.PageTop(i) + 2, Page.PaperWidth, Page.PaperHeight);
        vb::Label& number = f.Label2[i];
        number.SetCaption(typeset::PageNumberCaption(Combo9.Text(), Text8.Text(), i, Page.LastPage));
        number.SetBackStyle(0);
        const QSize size = typeset::LabelTextSize({number.FontName(), number.FontSize()}, number.Caption());
        const typeset::PagePoint c = typeset::PageNumberCentre(anchor, Text8.Text(), i, mirrored, Page.PaperWidth);
        number.Move(c.X - size.width() / 2.0, c.Y - size.height() / 2.0, size.width(),
                    ShownHeight(number, size.height()));
    }
    for (int i = Page.LastPage + 1; i < typeset::kMaxPages; ++i) f.Shape1[i].Move(0, -300, 20, 20);
    // The position marker and the loop markers are as tall as a system.
    const QImage loopStart = typeset::LoopMarkerPicture(true, int(Page.MarkerHeight()));
    const QImage loopEnd = typeset::LoopMarkerPicture(false, int(Page.MarkerHeight()));
    for (int i = 0; i <= Page.LastPage; ++i) {
        f.Shape2[i].SetHeight(Page.MarkerHeight());
        f.Imal[i].SetPicture(loopStart);
        f.Imar[i].SetPicture(loopEnd);
    }
    LayoutPageHeader();
    PaintPageBackgrounds();
    if (keepView) return true;
    song->NeedsRetypeset = -1;
    if (Form3_Visible()) {
        layingOutPages_ = true;  // the typesetter takes this layout as it is
        TypesetScorePages();
        layingOutPages_ = false;
    }
    return true;
}

// Line breaks, pages, strip, page numbers and textures follow the song as one step.
void Form1::ComputeLineBreaks() { RunPageSetup(true); }

// The texture is tiled over each page when the page is first shown or drawn on.
void Form1::PaintPageBackgrounds() {
    typeset::Form3& f = Form3();
    const QImage texture = Picture17.Canvas().Picture();
    const int width = Page.PaperWidth, height = Page.PaperHeight;
    for (int i = 0; i <= Page.LastPage; ++i) {
        vb::PageSurface& page = f.Picpage[i].Canvas();
        page.SetPictureDrawnBy([texture, width, height](vb::Surface& s) {
            if (texture.isNull()) return;
            for (int x = 0; x <= width; x += 128)
                for (int y = 0; y <= height; y += 128) s.PaintPicture(texture, x, y, 128, 128, 0, 0, 128, 128);
        });
        page.Cls();
    }
}

typeset::HeaderInput Form1::HeaderInputFor(const typeset::PageGeometry& g) {
    typeset::HeaderInput in;
    in.Title = Label19[0].Caption();
    in.Lyricist = Label19[4].Caption();
    in.Composer = Label19[5].Caption();
    in.Singer = Label19[6].Caption();
    in.Subtitle = Label19[7].Caption();
    in.KeyItem = Combo3[2].Text();
    in.TimeSigCode = song->TimeSigCodes[0];
    in.TempoText = Text1[2].Text();
    in.TopMargin = g.TopMargin;
    in.LeftMargin = g.LeftMargin;
    in.RightMargin = g.RightMargin;
    in.PageWidth = g.PaperWidth;
    return in;
}

void Form1::LayoutPageHeader() {
    typeset::Form3& f = Form3();
    typeset::HeaderInput in = HeaderInputFor(Page);
    in.PageWidth = int32_t(f.Picpage[0].Width());
    const typeset::HeaderLayout h = typeset::LayoutPageHeader(in);
    for (int i = 0; i < typeset::kHeaderLabels; ++i) {
        if (!h[i].Placed) continue;
        f.Label1[i].SetCaption(h[i].Caption);
        f.Label1[i].Move(h[i].Left, h[i].Top, h[i].Width, ShownHeight(f.Label1[i], h[i].Height));
    }
}

// ---------------------------------------------------------------------------------------------
// The page window

typeset::Form3& Form1::Form3() {
    if (!form3_) {
        form3_ = std::make_unique<typeset::Form3>(this);
        typeset::Form3& f = *form3_;
        f.P3pCk = [this](int page, double x, double y, int button) { P3pCk(page, x, y, button); };
        f.P3pCkff = [this](int page, double x, double y, int button) { P3pCkff(page, x, y, button); };
        f.PlayStop = [this] { Picture6_KeyDown(32, 0); };
        f.OpenEditor = [this](int page) { Picpage_DblClick(page); };
        f.Form_Load();
    }
    return *form3_;
}

bool Form1::Form3_Visible() { return form3_ && form3_->Visible(); }

void Form1::Command4_PageWindow() {
    typeset::Form3& f = Form3();
    // A page window minimised by a double-click on a page comes back.
    f.SetVisible(!f.isVisible());
    if (f.isVisible() && song->NeedsRetypeset) TypesetScorePages();
}

void Form1::P3pCk(int page, double x, double y, int button) {
    if (button != 1) return;
    const int hit = typeset::HitBeatBox(BeatBoxes, page, x, y);
    if (hit < 0) return;
    const typeset::BeatBox box = BeatBoxes[hit];
    const typeset::SystemPlace* place = typeset::PlaceOf(DrawnSystems, box);
    const int row = typeset::ClickRow(box, y, Page.PartRowHeight, Page.PartRowGap, int(ScoreRowParts.size()),
                                      place ? place->RowShift : std::vector<int>{});
    const int part = typeset::RowPart(ScoreRowParts, row);
    // A row naming a part the song no longer has (a layout older than the part table) keeps the
    // current part.
    if (part >= 1 && part <= song->PartCount) {
        SwapLyricsWindowList(song->CurrentPart, part);
        song->CurrentPart = int16_t(part);
        const doc::PartRecord& p = song->Parts[part];
        for (int i = 0; i < 2; ++i) Shape1[i].Move(Shape1[i].Left(), p.StripTop, Shape1[i].Width(), p.StripHeight);
    }
    song->CursorTick = box.Tick;
    if (song->SongLength <= 0) return;
    const double width = Picture1.Width();
    const double x1 = double(song->CursorTick) / song->SongLength * width;
    Line4.SetPoints(x1, Line4.Y1(), x1, Line4.Y2());
    const playback::RulerClick click =
        playback::DecideSongRulerClick(1, 0, PlayMode, Check3[kLoopSwitch].Value() == 1, Picture6.Visible());
    Picture1_MouseDown(1, 0, x1, 0);
    // The ruler snaps its clicks to its grid; a page click locates to the beat itself.
    if (click.Action == playback::RulerAction::Locate && song->CursorTick != box.Tick) {
        song->CursorTick = box.Tick;
        const double cx = playback::TickToRulerX(*song, song->CursorTick, width);
        Line4.SetPoints(cx, Line4.Y1(), cx, Line4.Y2());
        UpdatePositionDisplay();
    }
}

void Form1::P3pCkff(int page, double x, double y, int button) {
    const int hit = typeset::HitBeatBox(BeatBoxes, page, x, y);
    if (hit < 0 || song->SongLength <= 0) return;
    const int32_t tick = typeset::AltClickTick(BeatBoxes, hit, x, song->SongLength);
    const double x1 = vb::Round(Picture1.Width() * (double(tick) / song->SongLength));
    Picture1_MouseDown(button, 4, x1, 0);
}

// Opens the note editor at the cursor, unless a playback runs or the editor cannot open now.
void Form1::Picpage_DblClick(int) {
    if (Command3.Visible() || PlayMode == PlayMode::ChangePanel) return;
    SetF3Jp();
    Form3().SetWindowState(1);
    Picture6.SetVisible(false);
    Command4_Click(kEditorButton);
}

// ---------------------------------------------------------------------------------------------
// Measures and fonts of the score

int32_t Form1::MeasureGlyphWidth(const QString& text) {
    Label21.SetCaption(text);
    return typeset::MeasureGlyphWidth(text, Label21.FontSize());
}

int32_t Form1::GetNoteCellWidth(int32_t ticks) const { return typeset::GetNoteCellWidth(ticks, SampleSize(2).width()); }

int32_t Form1::GetMaxPartNameWidth() {
    QString last;
    const int32_t w = typeset::GetMaxPartNameWidth(*song, SampleFont(3), &last);
    if (!last.isEmpty()) Label22[3].SetCaption(last);
    return w;
}

void Form1::AddSpanSplitAtLines(SortList& list, int32_t start, int32_t end) const {
    typeset::AddSpanSplitAtLines(list, start, end, Lines);
}

typeset::CategoryFonts Form1::CurrentCategoryFonts() const {
    typeset::CategoryFonts f;
    for (int i = 0; i < 7; ++i) f.Samples[i] = SampleFont(i);
    f.DynamicsFontName = Combo7[2].FontName();
    return f;
}

namespace {
template <class Setter>
void OnPage(typeset::Form3& f, int page, const typeset::CategoryFonts& fonts, Setter set) {
    if (page >= 0 && page <= 25) set(f.Picpage[page].Canvas(), fonts);
}
}  // namespace

void Form1::SetPartNameFontPage(int page) { OnPage(Form3(), page, CurrentCategoryFonts(), typeset::SetPartNameFont); }
void Form1::SetExpressionFontPage(int page) { OnPage(Form3(), page, CurrentCategoryFonts(), typeset::SetExpressionFont); }
void Form1::SetItalicExpressionFontPage(int page) {
    OnPage(Form3(), page, CurrentCategoryFonts(), typeset::SetItalicExpressionFont);
}
void Form1::SetLyricFontPage(int page) { OnPage(Form3(), page, CurrentCategoryFonts(), typeset::SetLyricFont); }
void Form1::SetDigitFontPage(int page) { OnPage(Form3(), page, CurrentCategoryFonts(), typeset::SetDigitFont); }
void Form1::SetNotationFontPage(int page) { OnPage(Form3(), page, CurrentCategoryFonts(), typeset::SetNotationFont); }
void Form1::SetPartNameFontPrinter() { if (Printer) typeset::SetPartNameFont(*Printer, CurrentCategoryFonts()); }
void Form1::SetExpressionFontPrinter() { if (Printer) typeset::SetExpressionFont(*Printer, CurrentCategoryFonts()); }
void Form1::SetItalicExpressionFontPrinter() {
    if (Printer) typeset::SetItalicExpressionFont(*Printer, CurrentCategoryFonts());
}
void Form1::SetLyricFontPrinter() { if (Printer) typeset::SetLyricFont(*Printer, CurrentCategoryFonts()); }
void Form1::SetDigitFontPrinter() { if (Printer) typeset::SetDigitFont(*Printer, CurrentCategoryFonts()); }
void Form1::SetNotationFontPrinter() { if (Printer) typeset::SetNotationFont(*Printer, CurrentCategoryFonts()); }

}  // namespace app

// ---------------------------------------------------------------------------------------------
// The score on the pages

namespace app {

typeset::TypesetInput Form1::TypesetValues() {
    typeset::TypesetInput in;
    in.Song = song.get();
    in.Geometry = Page;
    in.Lines = Lines;
    typeset::MarkStyle& st = in.Style;
    const QSize digit = SampleSize(2);
    st.W = digit.width();
    st.H = digit.height();
    st.HExact = digit.height();
    st.RowPercent = VScroll5[0].Value();
    st.Fonts = CurrentCategoryFonts();
    st.GlyphWidthO = MeasureGlyphWidth(QStringLiteral("o"));
    st.GlyphWidthC = MeasureGlyphWidth(QStringLiteral("c"));
    st.DynamicsList = vb::ItemsOf(Combo7[2]);
    st.ExpressionList = vb::ItemsOf(Combo7[0]);
    in.LyricPercent = VScroll5[1].Value();
    in.LyricSampleHeight = SampleSize(1).height();
    in.Verses = HScroll4.Value();
    in.BarGlyphWidth = MeasureGlyphWidth(QStringLiteral("|"));
    in.BracketGlyphWidth = MeasureGlyphWidth(QStringLiteral("w"));
    in.PartNameWidth = GetMaxPartNameWidth();
    in.PartNames.assign(doc::kMaxParts + 1, QString());
    for (int p = 1; p <= doc::kMaxParts; ++p) in.PartNames[p] = Label2[p].Caption();
    in.KeyNames = vb::ItemsOf(Combo3[2]);
    in.IndependentTopPart = Check8[1].Value() == 1;
    in.MeasureNumbers = Check8[2].Value() == 1;
    in.Plan = PlannedSystems;
    SetPageFrame(in);
    return in;
}

// What the systems' marks must stay clear of on pages of the input's geometry: the title block of
// the first page, and the top margin's upper half (or a page number standing lower in it).
void Form1::SetPageFrame(typeset::TypesetInput& in) {
    const typeset::PageGeometry& g = in.Geometry;
    in.TitleInk = typeset::TitleBlockInk(typeset::LayoutPageHeader(HeaderInputFor(g)));
    in.InkTop = int(vb::Round(g.TopMargin / 2.0));
    const typeset::PagePoint number =
        typeset::PageNumberAnchor(Combo10.ListIndex(), g, Text9[3].Text(), {PageNumberX, PageNumberY});
    if (number.Y > 0 && number.Y < g.TopMargin && Form3Exists()) {
        const vb::Label& label = Form3().Label2[0];
        const QSize size = typeset::LabelTextSize({label.FontName(), label.FontSize()}, label.Caption());
        in.InkTop = std::max(in.InkTop, number.Y + (size.height() + 1) / 2 + 1);
    }
}

// Typesets when asked to, at most once in five seconds: a request while the throttle runs stays
// asked and is typeset when it ends.
void Form1::TypesetScorePages() {
    if (!song->NeedsRetypeset) return;
    if (Timer5.Enabled()) return;
    if (!layingOutPages_) RefitPages();
    song->NeedsRetypeset = 0;
    Timer5.SetEnabled(true);
    typeset::Form3& f = Form3();
    // The time-signature list ends with a sentinel entry past the song's end.
    const int after = song->TimeSigLastIndex + 1;
    if (after >= 1 && after < doc::kTimeSigCapacity) {
        song->TimeSigTicks[after] = song->SongLength + 192;
        song->TimeSigBarNumbers[after] = 4096;
    }
    const typeset::TypesetInput in = TypesetValues();
    const auto pages = [&f](int k) -> vb::Surface* {
        return k >= 0 && k < typeset::kMaxPages ? &f.Picpage[k].Canvas() : nullptr;
    };
    // Each page is drawn out on a worker as soon as its systems and marks are laid out.
    std::vector<vb::PageSurface*> held;
    for (int k = 0; k < typeset::kMaxPages; ++k) {
        held.push_back(&f.Picpage[k].Canvas());
        held.back()->BeginBatch();
    }
    vb::HeldDrawing drawing;
    typeset::TypesetHooks hooks;
    hooks.Page = pages;
    hooks.PageFilled = [&](int page, const typeset::TypesetResult& sofar) {
        if (page < 0 || page >= typeset::kMaxPages) return;
        typeset::FinishPage(in, sofar, page, *held[page]);
        drawing.Post(held[page]);
    };
    const typeset::TypesetResult r = typeset::RunTypesetter(in, hooks);
    drawing.Finish(held);
    KeepTypesetResult(r);
}

void Form1::KeepTypesetResult(const typeset::TypesetResult& r) {
    ScoreRowParts = r.ScoreRowParts;
    RowsPerSystem = r.RowsPerSystem;
    BeatBoxes = r.BeatBoxes;
    DrawnSystems = r.Systems;
    if (!r.Drawn) return;
    ScoreEndX = r.ScoreEndX;
    ScoreEndY = r.ScoreEndY;
}

}  // namespace app
