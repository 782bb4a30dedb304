#pragma once

#include "report/preview/textrecorder.h"

#include <optional>

// The preview's text search: each page drawn at scale 1 into a recording
// device, its text outputs tested in order.
namespace marlune::report {
class PreparedPages;
}

namespace marlune::report::preview {

// The text outputs of a page drawn at scale 1 (report units) into a device
// of its paper size. A page that is not on screen gives its views back
// afterwards. Raises marlune::Error on a damaged page stream.
std::vector<TextRecord> PageText(PreparedPages& pages, int index);

struct SearchHit {
    int page = 0;   // 0-based
    int record = 0; // index of the text output on the page
    QRectF recordBox;
    QRectF matchBox; // the matched characters only
};

// The first text output, from page `startPage` and output `startRecord` on,
// that contains `text`. Without case sensitivity both sides are compared
// upper-cased.
std::optional<SearchHit> FindText(PreparedPages& pages, const QString& text, bool caseSensitive,
                                  int startPage, int startRecord);

} // namespace marlune::report::preview
