#include "../table/support.h"

#include "platform/cp1252.h"
#include "platform/paint/fontcache.h"
#include "platform/paint/fonts.h"
#include "report/memotext.h"
#include "table/memtable.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace marlune::report {
namespace {

QImage DeviceOf(int dpi)
{
    QImage image(1, 1, QImage::Format_RGB32);
    const int dotsPerMeter = static_cast<int>(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    return image;
}

// Every text of the shipped list, and texts with characters the sum leaves
// to the text engine, measure as Qt measures them whole, in each face and
// style the list and its templates use.
TEST(MeasuredFont, WidthsEqualQtsForEveryTextOfTheShippedList)
{
    std::set<std::string> texts{"",
                                "Post Code",
                                "Caf\xE9 \x96 \x80"
                                "5",
                                "soft\xADhyphen",
                                "tab\there",
                                "A-",
                                "\x9C"};
    table::MemTable table;
    table.Open();
    table.LoadTableFile(table::testing::ShippedFile());
    for (table.First(); !table.Eof(); table.Next()) {
        for (int i = 0; i < 4; ++i) {
            if (!table.Fields(i).IsNull()) {
                texts.insert(table.Fields(i).AsString());
            }
        }
    }
    ASSERT_GT(texts.size(), 10000U);
    struct Case {
        const char* name;
        std::uint16_t style;
        int px;
    };
    for (const Case& c : {Case{"Arial", 0, 11}, Case{"Arial", fsBold, 19}, Case{"Verdana", 0, 13},
                          Case{"MS Sans Serif", fsItalic, 11}}) {
        const MemoFont memoFont{c.name, 0, c.style};
        const QFontMetrics qt(MakeFont(memoFont, c.px), &platform::paint::Device96Dpi());
        const auto measured = MeasuredMemoFont96(memoFont, c.px);
        int mismatches = 0;
        for (const std::string& text : texts) {
            if (MeasureText96(*measured, 1, text) !=
                qt.horizontalAdvance(platform::ToQString(text)) + static_cast<int>(text.size())) {
                ADD_FAILURE() << c.name << " " << c.px << ": " << text;
                if (++mismatches > 5) {
                    break;
                }
            }
        }
    }
}

// With kerning on, neighbours change the width: the pairs do not add up and
// the text is measured whole.
TEST(MeasuredFont, KernedPairsAreMeasuredWhole)
{
    QFont font = platform::paint::ArialFont(40);
    font.setKerning(true);
    platform::paint::MeasuredFont measured(font, &platform::paint::Device96Dpi());
    const QFontMetrics qt(font, &platform::paint::Device96Dpi());
    const QString text = QStringLiteral("AVAWAY To Yo");
    int sum = 0;
    for (const QChar c : text) {
        sum += qt.horizontalAdvance(c);
    }
    const int whole = qt.horizontalAdvance(text);
    ASSERT_NE(sum, whole) << "the face no longer kerns these pairs";
    EXPECT_EQ(measured.Width(text.toStdString()), whole);
}

// A font asked for after another, on the same or another device, is never
// answered with what was measured for the other.
TEST(MeasuredFont, EachFontAndResolutionKeepsItsOwnMeasures)
{
    const QImage at96 = DeviceOf(96);
    const QImage at300 = DeviceOf(300);
    struct Case {
        MemoFont font;
        int px;
        const QImage* device;
    };
    const std::vector<Case> cases{
        {{"Arial", 10, 0}, 13, &at96},        {{"Arial", 10, fsBold}, 13, &at96},
        {{"Arial", 10, fsItalic}, 13, &at96}, {{"Arial", 10, 0}, 14, &at96},
        {{"Verdana", 10, 0}, 13, &at96},      {{"Arial", 10, 0}, 13, &at300},
        {{"Arial", 10, fsBold}, 54, &at300},
    };
    const std::string text = "WOLLONGONG mill";
    for (int round = 0; round < 2; ++round) {
        for (const Case& c : cases) {
            const auto measured = MeasuredMemoFont(c.font, c.px, c.device);
            const QFont font = MakeFont(c.font, c.px);
            const QFontMetrics fresh(font, c.device);
            EXPECT_EQ(measured->Ascent(), fresh.ascent()) << c.px << " " << c.font.Style;
            EXPECT_EQ(measured->Width(text), fresh.horizontalAdvance(platform::ToQString(text)))
                << c.px << " " << c.font.Style;
            for (const char ch : text) {
                EXPECT_EQ(measured->Advance(QChar::fromLatin1(ch)),
                          fresh.horizontalAdvance(QChar::fromLatin1(ch)));
            }
        }
    }
}

} // namespace
} // namespace marlune::report
