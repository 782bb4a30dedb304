#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace marlune::report::expr {

// The "]" that closes the "[" at `open`: brackets are counted, those inside
// single- or double-quoted text are not (a double quote opens or closes
// text only outside single quotes, and the other way round). Nothing when
// the text ends first.
std::optional<std::size_t> FindMatchingBracket(std::string_view text, std::size_t open);

// Replaces every bracketed part of one line, brackets included, with what
// `lookup` gives for the text between them. Inserted text is not looked at
// again; an unmatched "[" leaves the rest of the line as it is.
std::string ExpandLine(const std::string& line,
                       const std::function<std::string(const std::string&)>& lookup);

// A text split into lines at CR LF, LF or CR: a final line break makes no
// empty line after it, and the empty text is no line at all.
std::vector<std::string> SplitTextLines(const std::string& text);

// A memo expanded: an empty line stays an empty line; any other line is
// expanded and split again, so a value holding line breaks makes several
// lines and a line that expands to nothing makes none.
std::vector<std::string> ExpandLines(const std::vector<std::string>& memo,
                                     const std::function<std::string(const std::string&)>& lookup);

} // namespace marlune::report::expr
