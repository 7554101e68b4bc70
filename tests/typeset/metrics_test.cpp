// Text inks measured through the one reused drawing image: what an earlier, larger text left there
// never counts towards the next one.
#include <gtest/gtest.h>

#include <thread>

#include "app/startup.h"
#include "typeset/metrics.h"

using namespace typeset;

namespace {

struct Measure {
    FontSpec font;
    QString text;
    int from = -(1 << 20), to = 1 << 20;
};

// Each thread keeps its own measured inks and image, so a fresh thread measures from scratch.
QRectF InkInFreshThread(const Measure& m, const Measure* before = nullptr) {
    QRectF ink;
    std::thread([&] {
        if (before) TextInkIn(before->font, before->text, before->from, before->to);
        ink = TextInkIn(m.font, m.text, m.from, m.to);
    }).join();
    return ink;
}

}  // namespace

TEST(TextInk, TheSameAfterALargerTextWasDrawn) {
    app::installFonts(PROGRAM_DIR);
    const FontSpec digits{"黑体", 18}, lyric{"宋体", 12}, notation{kNotationFont, 18};
    const Measure cases[] = {
        {digits, "1"}, {digits, "-"}, {lyric, "啊"}, {lyric, "la"}, {notation, "m"}, {notation, "W", 2, 9},
    };
    for (const Measure& m : cases) {
        const QRectF alone = InkInFreshThread(m);
        ASSERT_FALSE(alone.isNull()) << m.text.toStdString();
        // Wider and taller than the text's own box, in its font: its ink covers that whole box.
        const Measure wide{m.font, QString(12, QChar(0x2588)) + "啊啊啊啊"};
        EXPECT_EQ(InkInFreshThread(m, &wide), alone) << m.text.toStdString();
        EXPECT_EQ(TextInkIn(m.font, m.text, m.from, m.to), alone) << m.text.toStdString();
    }
}
