#include "typeset/printing.h"

#include <QBuffer>
#include <QImageWriter>

#include "platform/savefile.h"
#include "platform/vbtext.h"

namespace typeset {

void DrawHeaderLabels(vb::Surface& s, const HeaderTexts& labels, double centreOnWidth) {
    for (int i = 0; i < kHeaderLabels; ++i) {
        const HeaderText& l = labels[size_t(i)];
        const double x = i < 2 && centreOnWidth > 0 ? (centreOnWidth - l.CaptionWidth) / 2 : l.Left;
        s.SetFontName(l.Font.Name);
        s.SetFontSize(l.Font.Size);
        s.SetFontBold(l.Font.Bold);
        s.SetFontItalic(l.Font.Italic);
        PrintAt(s, x, l.Top, l.Caption);
    }
}

void DrawHeaderLabelsPage(vb::Surface& page, const HeaderTexts& labels, double pageWidth) {
    DrawHeaderLabels(page, labels, pageWidth);
}

void DrawHeaderLabelsPrinter(vb::Surface& printer, const HeaderTexts& labels) { DrawHeaderLabels(printer, labels, 0); }

PaperSetup PaperSetupOf(const QString& paperText, bool landscape, const QString& widthCm, const QString& heightCm) {
    PaperSetup p;
    const QString code = paperText.left(2);
    p.PaperCode = code == QLatin1String("A4") ? 9 : code == QLatin1String("A5") ? 11 : code == QLatin1String("B5") ? 13 : 0;
    p.WidthMm = vb::Val(widthCm) * 10;
    p.HeightMm = vb::Val(heightCm) * 10;
    p.Orientation = landscape ? 2 : 1;
    return p;
}

void ApplyPaperSetup(vb::PrinterSurface& printer, const PaperSetup& paper) {
    printer.SetPrintQuality(paper.Quality);
    if (paper.PaperCode == 0 && paper.WidthMm > 0 && paper.HeightMm > 0)
        printer.SetPaperSizeMm(paper.WidthMm, paper.HeightMm);
    else
        printer.SetPaperSize(paper.PaperCode == 0 ? 9 : paper.PaperCode);
    printer.SetOrientation(paper.Orientation);
}

TypesetResult PrintScorePages(vb::Surface& printer, const PrintInput& pin) {
    TypesetInput in = pin.Typeset;
    in.Printer = true;
    const MarkStyle st = PageStyleOf(in);
    const std::vector<MeterChange> changes = in.Song ? MeterChangesOf(*in.Song) : std::vector<MeterChange>{};
    const int lastSystem = LastSystemOf(in);
    bool headerPrinted = false;
    TypesetHooks hooks;
    hooks.Page = [&](int) -> vb::Surface* { return &printer; };
    hooks.Start = [&](const PreparedScore&) {
        DrawHeaderLabelsPrinter(printer, pin.Header);
        headerPrinted = true;
    };
    hooks.PageFilled = [&](int page, const TypesetResult& sofar) {
        const PageNumberLabel number =
            page >= 0 && page < int(pin.PageNumbers.size()) ? pin.PageNumbers[size_t(page)] : PageNumberLabel{};
        DrawLineDecorationsPrinter(printer, page, st, SystemLayoutOf(in, sofar), changes, sofar.BeatBoxes, number);
        if (sofar.LastSystemDrawn < lastSystem && page + 1 < in.MaxPages) printer.NewPage();
    };
    hooks.Finish = [&](const TypesetResult& r) {
        if (r.LastSystemDrawn == lastSystem)
            DrawEndMarkPrinter(printer, st, r.RowsPerSystem, r.ScoreEndX, r.ScoreEndY, r.Systems.back());
    };
    const TypesetResult r = RunTypesetter(in, hooks);
    if (!headerPrinted) DrawHeaderLabelsPrinter(printer, pin.Header);
    printer.EndDoc();
    return r;
}

QString PageImageFile(const QString& base, int pageNumber) {
    return base + QStringLiteral(" 第") + QString::number(pageNumber) + QStringLiteral("页.bmp");
}

bool SavePageImage(const QImage& image, const QString& path) {
    if (image.isNull()) return false;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "BMP")) return false;
    return savefile::SaveWhole(path, bytes).ok();
}

}  // namespace typeset
