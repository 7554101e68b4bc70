// Printing and page images: the print command on the default printer, the page-image export with
// its first-page timer, and the page window's position and loop markers on the beat boxes.
#include <QPrinterInfo>
#include <algorithm>

#include "app/form1.h"
#include "typeset/printing.h"

namespace app {

namespace {
const char* const kTitle = "提示";
}  // namespace

// The default printer with the page setup's paper, or nullptr when the system has none.
std::unique_ptr<vb::Surface> Form1::DefaultPrinter(const typeset::PaperSetup& paper) {
    std::unique_ptr<vb::PrinterSurface> p = vb::PrinterSurface::DefaultPrinter();
    if (!p) return nullptr;
    typeset::ApplyPaperSetup(*p, paper);
    return p;
}

typeset::PaperSetup Form1::PaperSetupNow() const {
    return typeset::PaperSetupOf(Combo6.Text(), Option1[1].Value(), Text9[0].Text(), Text9[1].Text());
}

typeset::HeaderTexts Form1::HeaderTextsNow() {
    typeset::Form3& f = Form3();
    typeset::HeaderTexts texts;
    for (int i = 0; i < typeset::kHeaderLabels; ++i) {
        const vb::Label& l = f.Label1[i];
        typeset::HeaderText& t = texts[size_t(i)];
        t.Caption = l.Caption();
        t.Left = l.Left();
        t.Top = l.Top();
        t.Font = {l.FontName(), l.FontSize(), l.FontBold(), l.FontItalic()};
        t.CaptionWidth = typeset::LabelTextSize(t.Font, t.Caption).width();
    }
    return texts;
}

// The whole score on the printer as one job. A failing printer throws vb::PrinterError; the beat
// boxes and row parts are taken only from a print that went out.
void Form1::PrintScorePages(vb::Surface& printer) {
    RefitPages();  // the lines for the notes as they are now, as on the screen
    const int after = song->TimeSigLastIndex + 1;
    if (after >= 1 && after < doc::kTimeSigCapacity) {
        song->TimeSigTicks[after] = song->SongLength + 192;
        song->TimeSigBarNumbers[after] = 4096;
    }
    typeset::PrintInput in;
    in.Typeset = TypesetValues();
    in.Header = HeaderTextsNow();
    typeset::Form3& f = Form3();
    const vb::Label& first = f.Label2[0];
    for (int i = 0; i <= Page.LastPage && i < typeset::kMaxPages; ++i)
        in.PageNumbers.push_back({{first.FontName(), first.FontSize(), first.FontBold(), first.FontItalic()},
                                  f.Label2[i].Left(), f.Label2[i].Top(), f.Label2[i].Caption()});
    Printer = &printer;
    struct Reset {
        vb::Surface*& p;
        ~Reset() { p = nullptr; }
    } reset{Printer};
    const typeset::TypesetResult r = typeset::PrintScorePages(printer, in);
    KeepTypesetResult(r);
}

// "打印": the notice comes only after the job went out.
void Form1::Command2_Print() {
    std::unique_ptr<vb::Surface> printer;
    try {
        if (PrinterFactory) printer = PrinterFactory(PaperSetupNow());
    } catch (const vb::PrinterError& e) {
        Dialogs().MsgBox(QStringLiteral("打印失败：") + QString::fromUtf8(e.what()), vb::vbOKOnly, kTitle);
        return;
    }
    if (!printer) {
        Dialogs().MsgBox(QStringLiteral("没有可用的打印机，无法打印！"), vb::vbOKOnly, kTitle);
        return;
    }
    try {
        PrintScorePages(*printer);
    } catch (const vb::PrinterError& e) {
        Dialogs().MsgBox(QStringLiteral("打印失败：") + QString::fromUtf8(e.what()), vb::vbOKOnly, kTitle);
        return;
    }
    Dialogs().MsgBox(QStringLiteral("打印已经发送"), vb::vbOKOnly, kTitle);
}

void Form1::BindPrintHandlers() {
    Timdcjp.OnTimer = [this] { Timdcjp_Timer(); };
}

// "导出简谱": every page as a bitmap; the first, with its title block, follows from Timdcjp.
void Form1::Command2_ExportPages() {
    // Typesetting is lazy and throttled: pages waiting for it are typeset now, past the throttle.
    if (song->NeedsRetypeset) {
        Timer5.SetEnabled(false);
        TypesetScorePages();
    }
    typeset::Form3& f = Form3();
    // The page window steps aside while the pages are saved and then returns to the state it had:
    // a window the user never opened stays hidden.
    const bool shown = f.Visible();
    const int state = f.WindowState();
    const auto restore = [&] {
        if (shown) f.SetWindowState(state);
    };
    if (shown) f.SetWindowState(1);
    vb::PictureBox& composing = f.Picpage[25];
    const vb::PictureBox& first = f.Picpage[0];
    composing.Move(composing.Left(), composing.Top(), first.Width(), first.Height());
    vb::PageSurface& canvas = composing.Canvas();
    canvas.SetPicture(QImage());
    canvas.Cls();
    canvas.SetPicture(first.Canvas().Image());
    typeset::DrawHeaderLabelsPage(canvas, HeaderTextsNow(), first.Width());
    composing.Refresh();

    CommonDialog1.FileName = Label19[0].Caption();
    CommonDialog1.Filter = QString();
    CommonDialog1.DialogTitle = QStringLiteral("文件名");
    if (!CommonDialog1.ShowSave()) {
        restore();
        return;
    }
    pageImageBase_ = CommonDialog1.FileName;
    failedPageImages_.clear();
    Timdcjp.SetEnabled(true);
    for (int i = 1; i <= Page.LastPage && i < typeset::kMaxPages; ++i) SavePageImage(f.Picpage[i].Canvas().Image(), i + 1);
    restore();
}

// The first page ends the export: every page that could not be written is named in one message, as
// the files would have been named, three or more pages in a row as a range ("歌 第1、3-25页.bmp").
void Form1::Timdcjp_Timer() {
    Timdcjp.SetEnabled(false);
    if (pageImageBase_.isEmpty()) return;
    SavePageImage(Form3().Picpage[25].Canvas().Image(), 1);
    if (failedPageImages_.empty()) return;
    std::vector<int>& failed = failedPageImages_;
    std::sort(failed.begin(), failed.end());
    QStringList pages;
    for (size_t i = 0; i < failed.size();) {
        size_t last = i;
        while (last + 1 < failed.size() && failed[last + 1] == failed[last] + 1) ++last;
        if (last >= i + 2) {
            pages << QString::number(failed[i]) + QLatin1Char('-') + QString::number(failed[last]);
            i = last + 1;
        } else {
            pages << QString::number(failed[i++]);
        }
    }
    failed.clear();
    Dialogs().MsgBox(QStringLiteral("页面图片无法保存:") + pageImageBase_ + QStringLiteral(" 第") +
                         pages.join(QStringLiteral("、")) + QStringLiteral("页.bmp"),
                     vb::vbOKOnly, kTitle);
}

void Form1::SavePageImage(const QImage& image, int page) {
    if (!typeset::SavePageImage(image, typeset::PageImageFile(pageImageBase_, page))) failedPageImages_.push_back(page);
}

// ---------------------------------------------------------------------------------------------
// Markers of the page window

void Form1::SetF3Jp() {
    const int hit = typeset::BeatBoxAtOrBefore(BeatBoxes, song->CursorTick);
    if (hit < 0) return;
    const typeset::BeatBox& box = BeatBoxes[size_t(hit)];
    typeset::Form3& f = Form3();
    if (f.Shape2.Exists(MarkerPage)) f.Shape2[MarkerPage].SetTop(-5000);
    MarkerPage = box.Page;
    if (!f.Shape2.Exists(MarkerPage)) return;
    vb::Shape& marker = f.Shape2[MarkerPage];
    // As tall as the system, whose rows may stand further apart than the plain pitch.
    const typeset::SystemPlace* place = typeset::PlaceOf(DrawnSystems, box);
    marker.Move(box.X, box.Y, box.Width, Page.MarkerHeight() + (place ? place->Shift(RowsPerSystem - 1) : 0));
}

void Form1::MovePageMarker() {
    if (Form3Exists()) SetF3Jp();
}

namespace {
// Shows the marker of the box's page at (x, y) and parks those of the other pages.
void PlaceLoopMarker(vb::ControlArray<vb::ImageBox>& markers, const typeset::BeatBox& box, double x) {
    for (int k = 0; k < typeset::kMaxPages; ++k)
        if (k != box.Page && markers.Exists(k) && markers[k].Top() != -5000) markers[k].SetTop(-5000);
    if (markers.Exists(box.Page)) markers[box.Page].Move(x, box.Y);
}
}  // namespace

void Form1::MovePageLoopStartMarker() {
    const int hit = typeset::BeatBoxAtOrBefore(BeatBoxes, song->LoopStart);
    if (hit < 0) return;
    const typeset::BeatBox& box = BeatBoxes[size_t(hit)];
    PlaceLoopMarker(Form3().Imal, box, box.X);
}

void Form1::MovePageLoopEndMarker() {
    const int hit = typeset::BeatBoxAtOrBefore(BeatBoxes, song->LoopEnd);
    if (hit < 0) return;
    const typeset::BeatBox& box = BeatBoxes[size_t(hit)];
    PlaceLoopMarker(Form3().Imar, box, box.X - 13);
}

}  // namespace app
