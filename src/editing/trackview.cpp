#include "editing/trackview.h"

#include "document/lyrics.h"
#include "document/pitchdigits.h"
#include "document/songcodes.h"
#include "platform/vbtext.h"

#include <algorithm>
#include <vector>

namespace editing {

namespace {

const QString kNotationFont = QStringLiteral("Qelto");

struct ShownRow {
    int32_t start;
    int row;
};

// Rows of the part inside the page, in start order (ties by row): notes (pitch 20 and above)
// and comments (pitch 0). Items 1..19 are never shown.
void CollectRows(const doc::Song& song, int part, const TrackViewPage& page, std::vector<ShownRow>& notes,
                 std::vector<ShownRow>& comments) {
    const int32_t end = page.pageEnd();
    for (int row = 0; row < song.Parts[part].NoteCount; ++row) {
        const doc::NoteRecord& n = song.Notes[part][row];
        if (int64_t(n.Start) + n.Length < page.cursorTick || n.Start > end) continue;
        if (n.Pitch == doc::kComment) comments.push_back({n.Start, row});
        else if (n.Pitch >= 20) notes.push_back({n.Start, row});
    }
    auto byStart = [](const ShownRow& a, const ShownRow& b) {
        return a.start != b.start ? a.start < b.start : a.row < b.row;
    };
    std::sort(notes.begin(), notes.end(), byStart);
    std::sort(comments.begin(), comments.end(), byStart);
}

int32_t XOf(const TrackViewPage& page, int32_t tick) {
    return vb::CLng((double(tick) - page.cursorTick) * page.scale);
}

// "词": syllable boxes on the row of the pitch, each followed by its bar; a held syllable ("-")
// joins the bar before it with a slant.
void DrawLyricMode(vb::Surface& b, const doc::Song& song, int part, const std::vector<ShownRow>& rows,
                   const TrackViewPage& page) {
    const doc::PartRecord& rec = song.Parts[part];
    const int N = page.noteBarWidth, L = page.lyricCharWidth, gap = page.lyricNoteGap();
    const int S = page.slantHalfWidth(), V = page.slantValue;
    bool hasPrev = false;
    int32_t lastY = 0;
    for (const ShownRow& r : rows) {
        const doc::NoteRecord& n = song.Notes[part][r.row];
        const int32_t x = XOf(page, n.Start);
        const int32_t w = vb::CLng(n.Length * page.scale);
        const QString text = doc::GetVerseText(n.Lyric, page.verse);
        int32_t y = rec.StripTop;
        if (n.Pitch != doc::kUnpitchedNote) y += (rec.StripTopPitch - n.Pitch) * N;
        if (text != QLatin1String("-")) {
            b.SetCurrentX(x);
            b.SetCurrentY(y);
            b.Print(text, true);
            b.Line(x, y, x + L, y);
            b.Line(x, y + L - 1, x + L, y + L - 1);
            b.Line(x, y, x, y + L);
            b.Line(x + L, y, x + L, y + L);
            y += gap;
            for (int k = -1; k <= N - 1; ++k) b.Line(x + L, y + k, x + w, y + k);
        } else {
            y += gap;
            // A held syllable first on the page has nothing to join: it starts level.
            const int32_t prevY = hasPrev ? lastY : y;
            for (int k = -1; k <= N - 1; ++k) b.Line(x - S, prevY + k, x, prevY + k, rec.Colour);
            for (int k = -1; k <= N - 1; ++k) {
                b.Line(x - S, prevY + k, x + S, y + k, rec.Colour2);
                b.Line(x + V - S, y + k, x + w, y + k, rec.Colour2);
            }
        }
        lastY = y;
        hasPrev = true;
    }
}

// "音": digits with accidentals and octave dots, the syllable under each digit. A note starting
// at the same pixel as the one before is set a little lower when it is lower than the first
// note at that pixel, else a little higher.
void DrawDigitMode(vb::Surface& b, const doc::Song& song, int part, const std::vector<ShownRow>& rows,
                   const TrackViewPage& page) {
    const doc::PartRecord& rec = song.Parts[part];
    const double step = 0.08 * page.labelHeightTwips;  // 1.2 label heights in pixels
    const double L = page.lyricCharWidth;
    const int32_t base = vb::CInt(rec.StripTop + step);
    int32_t prevX = -5000;
    int firstPitchAtX = -1;
    for (const ShownRow& r : rows) {
        const doc::NoteRecord& n = song.Notes[part][r.row];
        const int32_t x = XOf(page, n.Start);
        int16_t octave = 0;
        QString accidental;
        const QString digit = doc::PitchToDigit(n.Pitch, octave, accidental);
        int32_t y = base;
        if (x == prevX) {
            y = n.Pitch < firstPitchAtX ? vb::CLng(base + step) : vb::CLng(base - step);
        } else {
            firstPitchAtX = n.Pitch;
        }
        int32_t xd = vb::CLng(x + 0.12 * L);
        b.SetCurrentX(x);
        b.SetCurrentY(y);
        if (!accidental.isEmpty()) {
            b.SetFontName(kNotationFont);
            b.Print(accidental, true);
            xd = vb::CLng(b.CurrentX() + 0.12 * L);
            b.SetFontName(page.fontName);
        }
        b.Print(digit, true);
        b.SetCurrentX(x);
        b.SetCurrentY(y + step);
        b.SetFontSize(0.618 * page.fontSize);
        b.Print(doc::GetVerseText(n.Lyric, page.verse), true);
        b.SetFontSize(page.fontSize);
        prevX = x;
        for (int i = 0; i < std::abs(int(octave)); ++i) {
            b.SetCurrentX(xd);
            b.SetCurrentY(octave > 0 ? y - (0.2 * i + 0.78) * L : y + (0.2 * i + 0.22) * L);
            b.Print(QStringLiteral("."), true);
        }
    }
}

}  // namespace

int TrackViewPage::slantHalfWidth() const { return vb::CInt(slantValue / 2.0); }

QString DisplayModeCaption(int mode) {
    switch (mode) {
    case 0: return QString::fromUtf8("无");
    case 1: return QString::fromUtf8("词");
    default: return QString::fromUtf8("音");
    }
}

void DrawPartRangeBands(vb::PageSurface& canvas, const doc::Song& song) {
    canvas.SetPicture(QImage());
    const double width = canvas.Width();
    for (int p = 1; p <= song.PartCount; ++p) {
        const doc::PartRecord& rec = song.Parts[p];
        for (int y = rec.StripTop; y <= rec.StripTop + rec.StripHeight; ++y) canvas.Line(0, y, width, y, rec.Colour);
    }
    canvas.KeepImageAsPicture();
}

void DrawTrackViewGrid(vb::Surface& b, const doc::Song& song, const TrackViewPage& page) {
    if (!page.showBarLines) return;
    const doc::PartRecord& cur = song.Parts[std::clamp<int>(song.CurrentPart, 1, doc::kMaxParts)];
    const double rowY = cur.StripTop + cur.StripHeight - 18;
    const double H = b.ScaleHeight();
    const int last = std::clamp<int>(song.TimeSigLastIndex, 0, doc::kTimeSigCapacity - 2);
    int j = last;
    while (j > 0 && song.TimeSigTicks[j] > page.cursorTick) --j;
    // The entry after the last one ends the final meter far beyond any song.
    auto tickOf = [&](int k) { return k > last ? int32_t(999999) : song.TimeSigTicks[k]; };
    // A meter of no bar length (a song not yet made) has beats but no bars: its beats are drawn as
    // beat lines and it counts no bar.
    int32_t n = song.TimeSigBarNumbers[j];
    {
        const int32_t bar = doc::BarTicks(song.TimeSigCodes[j]);
        if (page.cursorTick != song.TimeSigTicks[j] && bar > 0)
            n += int32_t(vb::IDiv(page.cursorTick - song.TimeSigTicks[j] - 1, bar)) + 1;
    }
    const int32_t end = page.pageEnd();
    for (int k = j; k <= last; ++k) {
        const int32_t beat = vb::CLng(192.0 / doc::GetTimeSigDenominator(song.TimeSigCodes[k]));
        const int32_t bar = doc::GetTimeSigNumerator(song.TimeSigCodes[k]) * beat;
        for (int32_t t = tickOf(k); t <= tickOf(k + 1) - 1; t += beat) {
            if (t >= page.cursorTick) {
                const double X = (t - page.cursorTick) * page.scale;
                if (bar > 0 && vb::Mod(t - tickOf(k), bar) == 0) {
                    ++n;
                    b.Line(X, 0, X, H, page.barLineColour);
                    b.Line(X + 1, 0, X + 1, H, page.barLineColour);
                    b.SetForeColor(page.barLineColour);
                    b.SetCurrentX(X - 4);
                    b.SetCurrentY(rowY);
                    b.Print(vb::PrintNumber(n), true);
                } else if (page.showBeatLines) {
                    b.Line(X, 0, X, H, page.beatLineColour);
                    b.Line(X + 1, 0, X + 1, H, page.beatLineColour);
                }
            }
            if (t > end) return;
        }
    }
}

int32_t DrawTrackViewPage(vb::Surface& b, const doc::Song& song, const TrackViewPage& page) {
    b.Cls();
    b.SetFontName(page.fontName);
    b.SetFontSize(page.fontSize);
    for (int p = 1; p <= song.PartCount; ++p) {
        const doc::PartRecord& rec = song.Parts[p];
        if (rec.DisplayMode == 0) continue;
        std::vector<ShownRow> notes, comments;
        CollectRows(song, p, page, notes, comments);
        b.SetForeColor(rec.Colour2);
        b.SetFontSize(12);
        DrawTrackViewGrid(b, song, page);
        b.SetFontSize(page.fontSize);
        if (page.showComments) {
            b.SetForeColor(page.commentColour);
            for (const ShownRow& r : comments) {
                b.SetCurrentX(XOf(page, r.start));
                b.SetCurrentY(rec.StripTop);
                b.Print(song.Notes[p][r.row].Lyric, true);
            }
        }
        b.SetForeColor(rec.Colour2);
        if (rec.DisplayMode == 1) DrawLyricMode(b, song, p, notes, page);
        else DrawDigitMode(b, song, p, notes, page);
    }
    return page.pageEnd();
}

void TrackViewCanvases::DrawBands(const doc::Song& song) {
    DrawPartRangeBands(Canvas(0), song);
    DrawPartRangeBands(Canvas(1), song);
}

}  // namespace editing
