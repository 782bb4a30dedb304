// The PDF writer against independent readers: Qt reading the font subsets
// back, poppler reading the text and rendering the pages beside Qt's own
// raster drawing of the same painting.
#include "../support/commandoutput.h"
#include "preview/samplepages.h"
#include "platform/error.h"
#include "report/memoview.h"
#include "report/pdf/fontsubset.h"
#include "report/pdf/pdfwriter.h"
#include "report/pdfexport.h"
#include "report/preparedpages.h"

#include <QDir>
#include <QFile>
#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QTemporaryDir>
#include <QTransform>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <fstream>
#include <sstream>
#include <string>

namespace {

using marlune::test::CommandOutput;
using marlune::test::HaveCommands;

std::string ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

} // namespace

namespace marlune::report::pdf {
namespace {

constexpr const char* kFont = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";

// The tables of a font file, through its table directory.
SfntTables TablesOf(const std::string& file)
{
    return [file](const char* tag) {
        const auto u = [&file](std::size_t at, int n) {
            std::uint32_t v = 0;
            for (int i = 0; i < n; ++i) {
                v = (v << 8) | static_cast<unsigned char>(file[at + static_cast<std::size_t>(i)]);
            }
            return v;
        };
        const std::uint32_t count = u(4, 2);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::size_t entry = 12 + i * 16;
            if (file.compare(entry, 4, tag) == 0) {
                return file.substr(u(entry + 8, 4), u(entry + 12, 4));
            }
        }
        return std::string();
    };
}

TEST(FontSubset, HoldsTheChosenGlyphsAsTheFontDrawsThem)
{
    const std::string file = ReadAll(kFont);
    if (file.empty()) {
        GTEST_SKIP() << "Liberation Sans is not installed";
    }
    const QRawFont original(QByteArray::fromStdString(file), 40);
    const QString chosen = QStringLiteral("Marlune 0123(\u00e9)\u20ac");
    std::map<char32_t, std::uint32_t> characters;
    const QList<quint32> glyphs = original.glyphIndexesForString(chosen);
    const std::map<std::uint32_t, char32_t> back = GlyphCharacters(TablesOf(file));
    for (int i = 0; i < chosen.size(); ++i) {
        characters[chosen[i].unicode()] = glyphs[i];
        // The font's cmap read backwards gives the character again.
        EXPECT_EQ(back.at(glyphs[i]), chosen[i].unicode()) << i;
    }
    const std::string subset = SubsetFont(TablesOf(file), characters);
    EXPECT_LT(subset.size(), file.size() / 20);
    const QRawFont cut(QByteArray::fromStdString(subset), 40);
    ASSERT_TRUE(cut.isValid());
    const QList<quint32> cutGlyphs = cut.glyphIndexesForString(chosen);
    const QList<QPointF> advances = original.advancesForGlyphIndexes(glyphs);
    const QList<QPointF> cutAdvances = cut.advancesForGlyphIndexes(cutGlyphs);
    for (int i = 0; i < chosen.size(); ++i) {
        EXPECT_EQ(cutAdvances[i], advances[i]) << i;
        EXPECT_EQ(cut.pathForGlyph(cutGlyphs[i]).boundingRect(),
                  original.pathForGlyph(glyphs[i]).boundingRect())
            << i;
    }
    // A character not chosen has no glyph in the subset.
    EXPECT_EQ(cut.glyphIndexesForString(QStringLiteral("Z")).value(0), 0U);
}

// Texts, shapes, a clip and an image, as the report's views draw them.
void Paint(QPainter& p)
{
    p.fillRect(QRect(20, 20, 200, 40), QColor(30, 60, 200));
    p.setPen(QPen(Qt::red, 3));
    p.drawRect(QRect(20, 80, 300, 60));
    p.drawLine(QPointF(20, 160), QPointF(560, 160));
    p.setPen(Qt::black);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(28);
    p.setFont(font);
    p.drawText(QPointF(30, 120), QStringLiteral("Post Code (1) \\ Caf\u00e9"));
    p.save();
    p.setClipRect(QRect(20, 180, 120, 40));
    p.drawText(QPointF(24, 210), QStringLiteral("CLIPPEDWORDWIDE"));
    p.restore();
    const QRawFont raw = QRawFont::fromFont(font);
    QGlyphRun run;
    run.setRawFont(raw);
    run.setGlyphIndexes(raw.glyphIndexesForString(QStringLiteral("Spread")));
    run.setPositions({{0, 0}, {20, 0}, {36, 0}, {46, 0}, {62, 0}, {78, 0}});
    p.drawGlyphRun(QPointF(30, 260), run);
    p.save();
    p.translate(500, 500);
    p.rotate(-90);
    p.drawText(QPointF(0, 0), QStringLiteral("Upwards"));
    p.restore();
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::green);
    p.drawImage(QRect(300, 300, 64, 64), image);
    p.setBrush(Qt::yellow);
    p.drawEllipse(QRectF(100, 320, 120, 80));
}

// Text Windows-1252 cannot name (drawn as outlines), a clip that is no
// rectangle, a dashed line over an opaque background, a translucent image.
void PaintHarder(QPainter& p)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(30);
    p.setFont(font);
    p.drawText(QPointF(30, 60), QStringLiteral("\u03a9mega \u0416"));
    p.save();
    QPainterPath oval;
    oval.addEllipse(QRectF(20, 100, 200, 100));
    p.setClipPath(oval);
    p.fillRect(QRect(0, 80, 300, 150), QColor(200, 40, 40));
    p.restore();
    p.setBackgroundMode(Qt::OpaqueMode);
    p.setBackground(QColor(0, 160, 0));
    p.setPen(QPen(Qt::black, 1, Qt::DashLine, Qt::FlatCap));
    p.drawLine(QPointF(20.5, 240.5), QPointF(400.5, 240.5));
    p.setBackgroundMode(Qt::TransparentMode);
    QImage image(4, 4, QImage::Format_ARGB32);
    image.fill(qRgba(0, 0, 255, 255));
    image.setPixel(0, 0, qRgba(0, 0, 0, 0));
    p.drawImage(QRect(300, 300, 80, 80), image);
}

// Writes pageCount pages of the size in millimetres, each painted by paint;
// gives the page size in pixels and the writer's page count.
std::pair<QSize, int> WritePdf(const std::string& path, int pageCount, QSize mm, int dpi,
                               const std::function<void(QPainter&, int)>& paint)
{
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        ADD_FAILURE() << "cannot create " << path;
        return {};
    }
    QSize size;
    int written = 0;
    {
        PdfWriter writer(out, "Test", "Marlune");
        for (int page = 0; page < pageCount; ++page) {
            QPaintDevice& device = writer.BeginPage(mm.width(), mm.height(), dpi);
            size = QSize(device.width(), device.height());
            QPainter painter(&device);
            paint(painter, page);
            painter.end();
            writer.EndPage();
        }
        writer.Finish();
        written = writer.PageCount();
    }
    std::fclose(out);
    return {size, written};
}

struct PaintCase {
    const char* name;
    void (*paint)(QPainter&);
    std::vector<std::string> texts;
};

TEST(PdfWriter, PagesReadAndLookAsQtDrawsThem)
{
    if (!HaveCommands("pdftoppm pdftotext pdffonts")) {
        GTEST_SKIP() << "poppler-utils are not installed";
    }
    const PaintCase cases[] = {
        {"texts and shapes", Paint, {"Post Code (1) \\ Caf\u00e9", "Spread", "Upwards"}},
        {"outlines, clip path, opaque dashes", PaintHarder, {"mega"}},
    };
    for (const PaintCase& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const std::string path = dir.filePath(QStringLiteral("drawn.pdf")).toStdString();
        const QSize size =
            WritePdf(path, 2, {105, 148}, 150, [&c](QPainter& p, int) { c.paint(p); }).first;
        const std::string text = CommandOutput("pdftotext -layout '" + path + "' -");
        for (const std::string& expected : c.texts) {
            EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
        }
        // Every font embedded as a subset.
        std::istringstream fonts(CommandOutput("pdffonts '" + path + "' | tail -n +3"));
        int fontCount = 0;
        for (std::string line; std::getline(fonts, line); ++fontCount) {
            EXPECT_NE(line.find(" yes yes "), std::string::npos) << line;
        }
        EXPECT_GT(fontCount, 0);

        QImage expected(size, QImage::Format_RGB32);
        expected.fill(Qt::white);
        {
            QPainter painter(&expected);
            c.paint(painter);
        }
        CommandOutput("pdftoppm -r 150 -f 2 -l 2 -png -singlefile '" + path + "' '" +
                      dir.filePath(QStringLiteral("page")).toStdString() + "'");
        const QImage rendered(dir.filePath(QStringLiteral("page.png")));
        ASSERT_EQ(rendered.size(), expected.size());
        int inked = 0;
        int different = 0;
        for (int y = 0; y < expected.height(); ++y) {
            for (int x = 0; x < expected.width(); ++x) {
                const QRgb a = expected.pixel(x, y);
                const QRgb b = rendered.pixel(x, y);
                inked += a != qRgb(255, 255, 255) ? 1 : 0;
                const int d =
                    std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b))});
                different += d > 128 ? 1 : 0;
            }
        }
        // The same picture apart from the edges anti-aliasing draws differently.
        EXPECT_GT(inked, 5000);
        EXPECT_LT(different, inked / 20) << different << " of " << inked;
        if (c.paint == Paint) {
            // The clip holds: nothing beyond it where the clipped word would go on.
            for (int x = 150; x < 400; x += 5) {
                EXPECT_EQ(rendered.pixel(x, 200), qRgb(255, 255, 255)) << x;
            }
        }
    }
}

TEST(PdfWriter, AnImageOnEveryPageIsStoredOnceAndNoPagesStillMakeAFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage image(6, 6, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    for (const int pageCount : {3, 0}) {
        const std::string path = dir.filePath(QStringLiteral("images.pdf")).toStdString();
        const auto draw = [&image](QPainter& p, int page) {
            p.drawImage(QRect(10 * page, 10, 60, 60), image);
        };
        EXPECT_EQ(WritePdf(path, pageCount, {100, 100}, 300, draw).second, std::max(pageCount, 1));
        const QByteArray bytes = QByteArray::fromStdString(ReadAll(QString::fromStdString(path)));
        EXPECT_EQ(bytes.count("/Subtype/Image"), pageCount > 0 ? 1 : 0);
        if (HaveCommands("pdfinfo")) {
            EXPECT_NE(CommandOutput("pdfinfo '" + path + "'")
                          .find("Pages:           " + std::to_string(std::max(pageCount, 1))),
                      std::string::npos);
        }
    }
}

TEST(PreparedPages, StreamsBeyondTheLastPagesWaitInTheSpillFile)
{
    constexpr int kPages = 30;
    PreparedPages pages;
    const auto payload = [](int i) {
        return std::string(1, '\x17') + "page " + std::to_string(i) + std::string(100, 'x');
    };
    for (int i = 0; i < kPages; ++i) {
        pages.AddEmpty().stream = payload(i);
    }
    for (int i = 0; i < kPages; ++i) {
        EXPECT_EQ(pages.Stream(i), payload(i)) << i;
        // Only the last pages keep their streams in memory.
        EXPECT_EQ(pages[i].stream.empty(), i < kPages - PreparedPages::kHeldPages) << i;
    }
    PreparedPages moved = std::move(pages);
    EXPECT_EQ(moved.Stream(3), payload(3));
    moved.Drop(3);
    EXPECT_EQ(moved.Stream(3), std::string(1, '\x17'));
    EXPECT_EQ(moved.Stream(4), payload(4));
    moved.Clear();
    moved.AddEmpty().stream = payload(7);
    EXPECT_EQ(moved.Stream(0), payload(7));
}

} // namespace
} // namespace marlune::report::pdf

namespace marlune::report {
namespace {

// `count` A4 pages, page i holding the one line "<word> <first + i>".
PreparedPages MemoPages(int count, const std::string& word, int first)
{
    PreparedPages pages;
    for (int i = 0; i < count; ++i) {
        PreparedPage& page = pages.AddEmpty();
        page.paperWidth = 2100;
        page.paperHeight = 2970;
        page.paperCode = 9;
        test::AddMemo(pages, i, 40, 40, 500, 30, word + " " + std::to_string(first + i));
    }
    return pages;
}

TEST(PreparedPages, ASpilledPageDrawsAndTakesMoreViews)
{
    PreparedPages pages = MemoPages(20, "Page", 0);
    ASSERT_TRUE(pages[2].stream.empty());
    // Read through a const reference, as a print run does: the views come
    // from the spill file and nothing is kept.
    const PreparedPages& readOnly = pages;
    for (const int i : {2, 5, 19}) {
        const auto read = readOnly.ReadViews(i);
        ASSERT_EQ(read.size(), 1U) << i;
        EXPECT_EQ(dynamic_cast<const MemoView&>(*read[0]).Memo, Lines{"Page " + std::to_string(i)});
        EXPECT_FALSE(readOnly[i].viewsLoaded) << i;
    }
    const auto& views = pages.Views(2);
    ASSERT_EQ(views.size(), 1U);
    EXPECT_EQ(dynamic_cast<const MemoView&>(*views[0]).Memo, Lines{"Page 2"});
    pages.Release(2);
    test::AddMemo(pages, 2, 40, 80, 500, 30, "More");
    ASSERT_EQ(pages.Views(2).size(), 2U);
    EXPECT_EQ(dynamic_cast<const MemoView&>(*pages.Views(2)[1]).Memo, Lines{"More"});
}

TEST(PdfFile, WritesOnCommitOnlyAndLeavesNothingElse)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = dir.filePath(QStringLiteral("list.pdf")).toStdString();
    {
        std::ofstream old(path);
        old << "old";
    }
    const PreparedPages pages = MemoPages(12, "Sheet", 1);
    const auto entries = [&dir] { return QDir(dir.path()).entryList(QDir::Files); };
    {
        PdfFile abandoned(path);
        abandoned.AddPage(pages, 0);
    }
    EXPECT_EQ(ReadAll(QString::fromStdString(path)), "old");
    EXPECT_EQ(entries(), QStringList{QStringLiteral("list.pdf")});
    try {
        PdfFile nowhere(dir.filePath(QStringLiteral("missing/list.pdf")).toStdString());
        ADD_FAILURE() << "a file in a missing folder was started";
    } catch (const Error& e) {
        EXPECT_EQ(e.Message().rfind("Cannot create file ", 0), 0U) << e.Message();
    }
    WritePreparedPagesPdf(pages, path);
    EXPECT_EQ(entries(), QStringList{QStringLiteral("list.pdf")});
    EXPECT_EQ(ReadAll(QString::fromStdString(path)).rfind("%PDF-", 0), 0U);
    if (HaveCommands("pdftotext")) {
        const std::string text = CommandOutput("pdftotext -layout '" + path + "' -");
        std::size_t at = 0;
        for (int i = 1; i <= 12; ++i) {
            at = text.find("Sheet " + std::to_string(i), at);
            ASSERT_NE(at, std::string::npos) << i;
        }
    }
}

} // namespace
} // namespace marlune::report
