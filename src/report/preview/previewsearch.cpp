#include "report/preview/previewsearch.h"

#include "report/preparedpages.h"
#include "report/preview/previewlayout.h"

#include <QPainter>

namespace marlune::report::preview {

std::vector<TextRecord> PageText(PreparedPages& pages, int index)
{
    const PaperUnits paper = PaperOf(pages[index]);
    TextRecordingDevice device(paper.width, paper.height);
    {
        QPainter painter(&device);
        DrawPreparedPage(painter, pages, index, 1.0, 1.0, 0, 0, false);
    }
    if (!pages[index].visible) {
        pages.Release(index);
    }
    return device.Records();
}

std::optional<SearchHit> FindText(PreparedPages& pages, const QString& text, bool caseSensitive,
                                  int startPage, int startRecord)
{
    if (text.isEmpty()) {
        return std::nullopt;
    }
    const QString wanted = caseSensitive ? text : text.toUpper();
    int first = std::max(startRecord, 0);
    for (int page = std::max(startPage, 0); page < pages.Count(); ++page, first = 0) {
        const std::vector<TextRecord> records = PageText(pages, page);
        for (int r = first; r < static_cast<int>(records.size()); ++r) {
            const TextRecord& record = records[static_cast<std::size_t>(r)];
            const QString seen = caseSensitive ? record.text : record.text.toUpper();
            const qsizetype at = seen.indexOf(wanted);
            if (at < 0) {
                continue;
            }
            const auto [left, right] =
                record.Span(static_cast<int>(at), static_cast<int>(wanted.size()));
            QRectF match = record.box;
            match.setLeft(left);
            match.setRight(right);
            return SearchHit{page, r, record.box, match};
        }
    }
    return std::nullopt;
}

} // namespace marlune::report::preview
