#pragma once

#include "report/pdf/fontsubset.h"

#include <QByteArray>

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QFontEngine;
class QImage;
class QPaintDevice;

// A PDF file written page by page as the pages are painted: each page's
// content goes to the file when the page ends, so memory holds one page at a
// time. Fonts are embedded at the end as subsets of the glyphs used, each
// size of a face a font of its own (its widths are the advances the pages
// use, so text needs few position corrections); images are written once.
namespace marlune::report::pdf {

class PdfPaintEngine;
class PdfPageDevice;

// A font file the pages use, and the characters shown in it.
struct FontFace {
    std::string postScriptName;
    FontMetrics metrics;
    std::map<std::uint32_t, char32_t> characters; // glyph -> character
    std::vector<int> advances;                    // font units per glyph
    std::map<char32_t, std::uint32_t> used;       // character -> glyph
    // Per glyph: its code in the file's encoding, -1 for none, -2 not
    // looked up yet.
    std::vector<int> codes;
    std::map<std::string, std::string> tables;
    int descriptor = 0;
};

// A font of one face at one pixel size, as a page's text refers to it.
struct FontResource {
    std::string name; // "F1"
    int object = 0;
    FontFace* face = nullptr;
    double size = 0; // pixels of the page's device
    // Per character code: the advance in thousandths of the size, -1 while
    // no text has shown it yet.
    double widths[256];
    bool used[256];
};

class PdfWriter {
public:
    // Writes to `out`, which stays the caller's; nothing is written before
    // the first page.
    PdfWriter(std::FILE* out, std::string title, std::string creator);
    ~PdfWriter();
    PdfWriter(const PdfWriter&) = delete;
    PdfWriter& operator=(const PdfWriter&) = delete;

    // Starts a page of the given size in millimetres, painted at `dpi`
    // device pixels per inch; paint on the device with a QPainter that ends
    // before EndPage.
    QPaintDevice& BeginPage(double widthMm, double heightMm, int dpi);
    void EndPage();
    // Fonts, the page tree and the cross-reference table. Raises
    // marlune::Error when the file could not be written.
    void Finish();
    int PageCount() const { return static_cast<int>(pages_.size()); }

    // For the paint engine: the font of a face at a size (null when the face
    // cannot be embedded), and the name of an image drawn on the pages.
    FontResource* Font(QFontEngine* engine);
    std::string Image(const QImage& image);

private:
    void Write(const std::string& text);
    int NewObject();
    void BeginObject(int id);
    void WriteStream(int id, const std::string& dictionary, const std::string& data,
                     std::size_t length1 = 0);
    void WriteFonts();

    std::FILE* out_;
    std::string title_;
    std::string creator_;
    std::uint64_t offset_ = 0;
    std::vector<std::uint64_t> offsets_{0};
    std::vector<int> pages_;
    int pagesObject_ = 0;
    int resourcesObject_ = 0;
    bool started_ = false;
    bool finished_ = false;
    std::unique_ptr<PdfPaintEngine> engine_;
    std::unique_ptr<PdfPageDevice> device_;
    std::map<std::string, std::unique_ptr<FontFace>> faces_;
    std::map<std::pair<FontFace*, std::int64_t>, std::unique_ptr<FontResource>> fonts_;
    // The font Font() gave last, by its face's file, index and size.
    struct LastFont {
        QByteArray file;
        int index = 0;
        std::int64_t size = 0;
        FontResource* font = nullptr;
    };
    LastFont last_;
    std::map<std::int64_t, std::pair<std::string, int>> images_;
};

} // namespace marlune::report::pdf
