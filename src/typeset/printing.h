// The score on paper and in pictures: the title block drawn for real (on the composing page of the
// page images or on the printer), the print pass of the typesetter over the printer surface, the
// paper of the page setup, and the page-image files.
#pragma once

#include <QString>
#include <array>
#include <vector>

#include "platform/surface.h"
#include "typeset/header.h"
#include "typeset/marks.h"
#include "typeset/typesetter.h"

namespace typeset {

// ---- The title block ----

// One header label as the page window shows it: caption, place, font, and the width its caption
// takes when the label is auto-sized.
struct HeaderText {
    QString Caption;
    double Left = 0, Top = 0;
    double CaptionWidth = 0;
    FontSpec Font;
};
using HeaderTexts = std::array<HeaderText, kHeaderLabels>;

// Prints every label's caption in its font at its place. With a page width above 0 the title and
// subtitle are centred on the page instead (x = (page width − caption width) / 2); the labels
// themselves are never moved.
void DrawHeaderLabels(vb::Surface& s, const HeaderTexts& labels, double centreOnWidth);
// Onto the composing page of the first page image: title and subtitle centred on the page.
void DrawHeaderLabelsPage(vb::Surface& page, const HeaderTexts& labels, double pageWidth);
// On the printer's current page: every label at its own left edge.
void DrawHeaderLabelsPrinter(vb::Surface& printer, const HeaderTexts& labels);

// ---- Paper ----

// The printer settings of the page setup. A paper code 0 means a sheet of WidthMm × HeightMm.
struct PaperSetup {
    int Quality = -3;
    int PaperCode = 9;
    double WidthMm = 0, HeightMm = 0;  // upright
    int Orientation = 1;               // 1 portrait, 2 landscape
};
// "A4…" gives 9, "A5…" 11, "B5…" 13; any other entry and the custom size a sheet of the panel's
// width × height in centimetres.
PaperSetup PaperSetupOf(const QString& paperText, bool landscape, const QString& widthCm, const QString& heightCm);
void ApplyPaperSetup(vb::PrinterSurface& printer, const PaperSetup& paper);

// ---- The print pass ----

struct PrintInput {
    TypesetInput Typeset;
    HeaderTexts Header;
    std::vector<PageNumberLabel> PageNumbers;  // per page: the first label's font, the page's place and caption
};

// Prints the whole score as one job: the title block on the first page, the systems as the pages
// hold them, each page's decorations, time signatures and number once, a new sheet only while a
// system follows, the closing mark, then EndDoc. A failing printer throws vb::PrinterError.
TypesetResult PrintScorePages(vb::Surface& printer, const PrintInput& in);

// ---- Page images ----

// base & " 第" & n & "页.bmp"
QString PageImageFile(const QString& base, int pageNumber);
// Writes the image as a Windows bitmap, safely (the old file stays whole on a failure).
bool SavePageImage(const QImage& image, const QString& path);

}  // namespace typeset
