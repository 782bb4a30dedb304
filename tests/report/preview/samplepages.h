#pragma once

#include "report/lineview.h"
#include "report/memoview.h"
#include "report/preparedpages.h"
#include "report/reportpage.h"
#include "report/reportprinter.h"

#include <string>

// Prepared pages made the way a build makes them (a page per template page,
// then each view output into it), laid out like the postcode list.
namespace marlune::report::test {

inline void AddMemo(PreparedPages& pages, int page, int left, int top, int width, int height,
                    const std::string& text, TColor fill = platform::paint::clWhite)
{
    MemoView memo;
    memo.Left = left;
    memo.Top = top;
    memo.Width = width;
    memo.Height = height;
    memo.FillColor = fill;
    memo.Memo = {text};
    pages.Output(page, memo);
}

// `count` A4 pages of the built-in printer: a framed column header, `rows`
// rows of postcode, suburb, state and comments 18 units apart, and a footer
// "n of count".
inline PreparedPages ListPages(int count, int rows = 54)
{
    static const char* const kSuburbs[] = {"Abbotsford", "Bald Hills", "Carlton North",
                                           "Dee Why",    "Eaglehawk",  "Fitzroy Falls",
                                           "Glen Innes", "Holbrook",   "Ingleburn"};
    static const char* const kStates[] = {"NSW", "VIC", "QLD", "SA", "WA", "TAS"};
    ReportPrinter printer;
    ReportPage templatePage(printer, 9, 2100, 2970, 0);
    PreparedPages pages;
    int record = 0;
    for (int p = 0; p < count; ++p) {
        pages.Add(templatePage);
        MemoView header;
        header.Left = 12;
        header.Top = 18;
        header.Width = 728;
        header.Height = 26;
        header.FrameTyp = frAll;
        pages.Output(p, header);
        const int columns[][2] = {{20, 68}, {92, 344}, {440, 48}, {492, 240}};
        const char* const captions[] = {"Post Code", "Suburb", "State", "Comments"};
        for (int c = 0; c < 4; ++c) {
            AddMemo(pages, p, columns[c][0], 22, columns[c][1], 18, captions[c],
                    platform::paint::clNone);
        }
        for (int r = 0; r < rows; ++r, ++record) {
            const int top = 46 + r * 18;
            const std::string fields[] = {
                std::to_string(800 + record % 7000),
                std::string(kSuburbs[record % 9]) + " " + std::to_string(record / 9),
                kStates[record % 6], record % 5 == 0 ? "Post Office Boxes" : ""};
            for (int c = 0; c < 4; ++c) {
                AddMemo(pages, p, columns[c][0], top, columns[c][1], 17, fields[c]);
            }
        }
        LineView rule;
        rule.Left = 12;
        rule.Top = 1025;
        rule.Width = 724;
        rule.Height = 0;
        rule.FrameTyp = frTop;
        pages.Output(p, rule);
        AddMemo(pages, p, 560, 1033, 176, 18,
                std::to_string(p + 1) + " of " + std::to_string(count), platform::paint::clNone);
    }
    return pages;
}

} // namespace marlune::report::test
