// The PDF writer against independent readers: Qt reading the font subsets
// back, poppler reading the text and rendering the pages beside Qt's own
// raster drawing of the same painting.
#include "report/pdf/fontsubset.h"
#include "report/pdf/pdfwriter.h"
#include "report/preparedpages.h"

#include <QFile>
#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QTemporaryDir>
#include <QTransform>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sstream>
#include <string>

namespace marlune::report::pdf {
namespace {

constexpr const char* kFont = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";

std::string ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

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

std::string Capture(const std::string& command)
{
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        std::array<char, 4096> buffer{};
        while (const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) {
            out.append(buffer.data(), n);
        }
        pclose(pipe);
    }
    return out;
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
        EXPECT_NE(cutGlyphs[i], 0U) << i;
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

TEST(PdfWriter, PagesReadAndLookAsQtDrawsThem)
{
    if (Capture("command -v pdftoppm pdftotext pdffonts").empty()) {
        GTEST_SKIP() << "poppler-utils are not installed";
    }
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = dir.filePath(QStringLiteral("drawn.pdf")).toStdString();
    std::FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    QSize size;
    {
        PdfWriter writer(out, "Test", "Marlune");
        for (int page = 0; page < 2; ++page) {
            QPaintDevice& device = writer.BeginPage(105, 148, 150);
            size = QSize(device.width(), device.height());
            QPainter painter(&device);
            Paint(painter);
            painter.end();
            writer.EndPage();
        }
        writer.Finish();
    }
    std::fclose(out);
    const std::string text = Capture("pdftotext -layout '" + path + "' -");
    EXPECT_NE(text.find("Post Code (1) \\ Caf\u00e9"), std::string::npos) << text;
    EXPECT_NE(text.find("Spread"), std::string::npos) << text;
    EXPECT_NE(text.find("Upwards"), std::string::npos) << text;
    EXPECT_NE(Capture("pdfinfo '" + path + "'").find("Pages:           2\n"), std::string::npos);
    // Every font embedded as a subset.
    std::istringstream fonts(Capture("pdffonts '" + path + "' | tail -n +3"));
    int fontCount = 0;
    for (std::string line; std::getline(fonts, line); ++fontCount) {
        EXPECT_NE(line.find(" yes yes "), std::string::npos) << line;
    }
    EXPECT_GT(fontCount, 0);

    QImage expected(size, QImage::Format_RGB32);
    expected.fill(Qt::white);
    {
        QPainter painter(&expected);
        Paint(painter);
    }
    Capture("pdftoppm -r 150 -f 2 -l 2 -png -singlefile '" + path + "' '" +
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
            const int d = std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                    std::abs(qBlue(a) - qBlue(b))});
            different += d > 128 ? 1 : 0;
        }
    }
    // The same picture apart from the edges anti-aliasing draws differently.
    EXPECT_GT(inked, 20000);
    EXPECT_LT(different, inked / 20) << different << " of " << inked;
    // The clip holds: nothing beyond it where the clipped word would go on.
    for (int x = 150; x < 400; x += 5) {
        EXPECT_EQ(rendered.pixel(x, 200), qRgb(255, 255, 255)) << x;
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
