#pragma once

#include <string>
#include <vector>

// The page list a user types for printing or exporting: page numbers and
// ranges separated by commas ("1,3,5-12"), spaces ignored.
namespace marlune::report {

// The pages (from 1) that `text` selects out of `pageCount`, each once and
// in page order; an empty text selects every page. Numbers beyond the last
// page select nothing, a range whose end is below its start adds nothing.
// Text that is not a whole number raises marlune::Error
// "'x' is not a valid integer value".
std::vector<int> ParsePageList(const std::string& text, int pageCount);

// Why a page list that ParsePageList accepts selects no page of
// `pageCount`: the first of its entries, said as what is wrong with it ("There
// is no page 999: the report has pages 1 to 344.", "The range 5-3 ends before
// it starts."). Empty when the list selects a page.
std::string PageListNamesNoPage(const std::string& text, int pageCount);

// A whole number as a user types it (an optional "+" or "-", digits, within
// 32 bits); anything else raises the same error as the page list.
int ParseInteger(const std::string& text);

} // namespace marlune::report
