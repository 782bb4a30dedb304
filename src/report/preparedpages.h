#pragma once

#include "report/printgeometry.h"
#include "report/reportview.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QPainter;

// The output of a build: one record per page with its paper, its print
// geometry and a stream of page-form view records (the version byte, then
// each view's kind and data, every text already expanded). The preview and
// the print run draw pages from their streams; the views of a page are
// rebuilt while it is on screen and released when it is not. Only the last
// few pages of a long report keep their streams in memory: the others lie
// in a temporary file of the pages' own until they are drawn, so memory does
// not grow with the page count.
namespace marlune::report {

class ReportPage;

struct PreparedPage {
    // Where the preview placed the page, in its own pixels.
    DrawRectangle screenRect;
    int paperCode = 0;
    int paperWidth = 0;  // tenths of a millimetre
    int paperHeight = 0; // tenths of a millimetre
    int orientation = 0;
    bool useMargins = true;
    PrintGeometry geometry;
    // The page may be drawn: set for pages on screen and while printing.
    bool visible = false;
    // The version byte 23, then the page-form view records; empty while the
    // stream lies in the spill file (PreparedPages::Stream reads it).
    std::string stream;
    std::int64_t spillOffset = -1;
    std::size_t spillSize = 0;
    // The views rebuilt from the stream; empty while the page is released.
    std::vector<std::unique_ptr<ReportView>> views;
    bool viewsLoaded = false;
};

class PreparedPages {
public:
    // Pages this far from the last page have their streams moved to the
    // spill file.
    static constexpr int kHeldPages = 8;

    PreparedPages();
    ~PreparedPages();
    PreparedPages(PreparedPages&& other) noexcept;
    PreparedPages& operator=(PreparedPages&& other) noexcept;

    int Count() const { return static_cast<int>(pages_.size()); }
    bool Empty() const { return pages_.empty(); }
    PreparedPage& operator[](int index) { return pages_.at(static_cast<std::size_t>(index)); }
    const PreparedPage& operator[](int index) const
    {
        return pages_.at(static_cast<std::size_t>(index));
    }

    // A new last page with the template page's paper and geometry and a
    // stream holding only the version byte.
    PreparedPage& Add(const ReportPage& templatePage);
    // A new last page with the given paper; the caller fills the rest.
    PreparedPage& AddEmpty();
    void Clear();

    // The page's stream, from memory or from the spill file. Raises
    // marlune::Error when the spill file cannot be read. Reading needs no
    // mutable state: the spill file is read at the page's offset (pread),
    // never through a shared file position, so const pages read correctly.
    std::string Stream(int index) const;
    // The page's views, read afresh from its stream and kept by the caller:
    // the way to draw pages that are only lent for reading (printing,
    // export). Raises marlune::Error on a damaged stream.
    std::vector<std::unique_ptr<ReportView>> ReadViews(int index) const;
    // Frees a page's stream and views once it has been written elsewhere:
    // it keeps its paper and draws empty.
    void Drop(int index);

    // The page's views, read from its stream when they are not loaded yet.
    // Raises marlune::Error on a damaged stream.
    std::vector<std::unique_ptr<ReportView>>& Views(int index);
    // Frees the views rebuilt from the stream (the stream stays).
    void Release(int index);

    // Appends a view's page-form record to the page's stream.
    void Output(int index, const ReportView& view);

private:
    // Moves the page's stream to the spill file; it stays in memory when
    // the file cannot be written.
    void Spill(int index);
    // Brings a spilled stream back into memory.
    void Unspill(int index);

    std::vector<PreparedPage> pages_;
    std::FILE* spill_ = nullptr;
    std::int64_t spillEnd_ = 0;
};

// Draws a page's views at the given scale and offset (pixels of the
// painter's device per report unit): the one drawing path of the preview,
// the printer and the PDF output. `printing` selects the printer's font
// handling (point sizes rather than screen pixels). On screen, a painter
// with a clip draws only the views within 10 pixels of it. `stop`, when
// given, is asked before each view and ends the drawing when it says so.
// Pages held for showing keep the views they load (Views); pages given
// for reading only are drawn from views read afresh (ReadViews).
void DrawPreparedPage(QPainter& painter, PreparedPages& pages, int index, double scaleX,
                      double scaleY, int offsetX, int offsetY, bool printing,
                      const std::function<bool()>& stop = {});
void DrawPreparedPage(QPainter& painter, const PreparedPages& pages, int index, double scaleX,
                      double scaleY, int offsetX, int offsetY, bool printing,
                      const std::function<bool()>& stop = {});

} // namespace marlune::report
