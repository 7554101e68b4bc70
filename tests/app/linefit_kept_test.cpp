// Page setup keeps the glyph measures of each part between runs: an edit between two runs gives the
// line breaks a first run on the edited song gives (measured on a thread of its own, which keeps
// nothing yet).
#include "app/form1_fixture.h"

#include <functional>
#include <thread>

#include "document/songcodes.h"
#include "document/timeline.h"
#include "typeset/geometry.h"
#include "typeset/linefit.h"

using namespace app;

namespace {

class LineFitKeptTest : public Form1Test {
protected:
    // Four parts of sixteenth notes with a syllable on every note; they crowd the default page.
    void fill(doc::Song& s) {
        for (int p = 1; p <= 4; ++p) {
            s.Parts[p].NoteCount = 0;
            for (int k = 0; k < 128; ++k) {
                doc::NoteRecord& n = s.Notes[p][s.Parts[p].NoteCount++];
                n.Start = k * 12, n.Length = 12, n.Pitch = uint8_t(60 + (k * 2 + p) % 12 / 2 * 2);
                n.Lyric = k % 3 ? "啦" : "la";
            }
        }
        s.PartCount = std::max<int16_t>(s.PartCount, 4);
        for (int p = 1; p <= 4; ++p) s.Parts[p].ShowInScore = 1;
    }
    std::vector<int32_t> freshStarts() {
        const typeset::PageSetupInput panel = form->PanelValues();
        const typeset::TypesetInput values = form->TypesetValues();
        std::vector<int32_t> starts;
        std::thread([&] {
            starts = typeset::ComputePageSetup(panel, *form->song, typeset::GlyphFitOf(values)).Lines.Starts;
        }).join();
        return starts;
    }
};

}  // namespace

TEST_F(LineFitKeptTest, AnEditBetweenTwoPageSetupsIsMeasured) {
    struct Edit {
        const char* name;
        std::function<void(Form1&, doc::Song&)> apply;
    };
    const Edit edits[] = {
        {"wider syllables",
         [](Form1&, doc::Song& s) {
             for (int k = 0; k < 128; k += 2) s.Notes[2][k].Lyric = "啊啊啊";
         }},
        {"sharps in every bar",
         [](Form1&, doc::Song& s) {
             for (int p = 1; p <= 4; ++p)
                 for (int k = 0; k < 128; ++k) s.Notes[p][k].Pitch = uint8_t(k % 2 ? 60 : 61);
         }},
        {"longer notes",
         [](Form1&, doc::Song& s) {
             for (int p = 1; p <= 4; ++p) {
                 for (int k = 0; k < 64; ++k) s.Notes[p][k].Start = k * 24, s.Notes[p][k].Length = 24;
                 s.Parts[p].NoteCount = 64;
             }
         }},
        {"another meter",
         [](Form1& f, doc::Song& s) {
             s.TimeSigCodes[0] = doc::TimeSigTextToCode("3/8");
             f.RebuildTimeline();
         }},
        {"a second verse",
         [](Form1& f, doc::Song& s) {
             for (int k = 0; k < 128; ++k) s.Notes[1][k].Lyric = "la|啊啊啊";
             f.HScroll4.SetValue(2);
         }},
    };
    for (const Edit& e : edits) {
        form.reset();
        start();
        doc::Song& s = *form->song;
        fill(s);
        form->RebuildTimeline();
        ASSERT_TRUE(form->RunPageSetup(true)) << e.name;
        const std::vector<int32_t> before = form->Lines.Starts;
        e.apply(*form, s);
        ASSERT_TRUE(form->RunPageSetup(true)) << e.name;
        const std::vector<int32_t> fresh = freshStarts();
        EXPECT_NE(fresh, before) << e.name;  // the edit moves a line break
        EXPECT_EQ(form->Lines.Starts, fresh) << e.name;
    }
}
