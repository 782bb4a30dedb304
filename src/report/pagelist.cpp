#include "report/pagelist.h"

#include "platform/error.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>

namespace marlune::report {

namespace {

long long ToNumber(const std::string& text)
{
    long long value = 0;
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (!text.empty() && *begin == '+') {
        ++begin;
    }
    const auto [stop, error] = std::from_chars(begin, end, value);
    if (text.empty() || error != std::errc() || stop != end || value < INT32_MIN ||
        value > INT32_MAX) {
        throw Error("'" + text + "' is not a valid integer value");
    }
    return value;
}

} // namespace

int ParseInteger(const std::string& text)
{
    return static_cast<int>(ToNumber(text));
}

std::vector<int> ParsePageList(const std::string& text, int pageCount)
{
    std::string list;
    std::copy_if(text.begin(), text.end(), std::back_inserter(list),
                 [](char c) { return c != ' '; });
    std::vector<bool> selected(static_cast<std::size_t>(std::max(pageCount, 0)), list.empty());
    // An empty list selects every page: there is nothing to scan.
    if (!list.empty()) {
        list += ',';
    }
    std::string number;
    std::optional<long long> rangeStart;
    for (const char c : list) {
        if (c == '-' && !rangeStart) {
            rangeStart = ToNumber(number);
            number.clear();
        } else if (c == ',') {
            const long long last = ToNumber(number);
            const long long first = rangeStart.value_or(last);
            for (long long page = std::max(first, 1LL);
                 page <= std::min<long long>(last, pageCount); ++page) {
                selected[static_cast<std::size_t>(page - 1)] = true;
            }
            number.clear();
            rangeStart.reset();
        } else {
            number += c;
        }
    }
    std::vector<int> pages;
    for (std::size_t i = 0; i < selected.size(); ++i) {
        if (selected[i]) {
            pages.push_back(static_cast<int>(i) + 1);
        }
    }
    return pages;
}

std::string PageListNamesNoPage(const std::string& text, int pageCount)
{
    if (!ParsePageList(text, pageCount).empty()) {
        return {};
    }
    const std::string pages = pageCount == 1
                                  ? std::string("the report has one page.")
                                  : "the report has pages 1 to " + std::to_string(pageCount) + ".";
    std::string list;
    std::copy_if(text.begin(), text.end(), std::back_inserter(list),
                 [](char c) { return c != ' '; });
    const std::string entry = list.substr(0, list.find(','));
    const std::size_t dash = entry.find('-');
    if (dash == std::string::npos) {
        return "There is no page " + entry + ": " + pages;
    }
    const long long first = ToNumber(entry.substr(0, dash));
    const long long last = ToNumber(entry.substr(dash + 1));
    if (last < first) {
        return "The range " + entry + " ends before it starts.";
    }
    return "There is no page from " + std::to_string(first) + " to " + std::to_string(last) + ": " +
           pages;
}

} // namespace marlune::report
