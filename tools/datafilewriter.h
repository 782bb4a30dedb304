#pragma once

#include "table/postcodeschema.h"

#include <array>
#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace marlune::tools {

using table::kPostcodeFields;

// One record: each field null or a Windows-1252 text of at most its size.
using PostcodeRow = std::array<std::optional<std::string>, kPostcodeFields.size()>;

// Reads the postcode CSV (UTF-8, a header row naming the five fields, then one
// record a row; an unquoted empty field is null, "" is the empty text).
// Throws marlune::Error with "<source>:<line>: <reason>" for a row that does
// not fit: a wrong column count, a text Windows-1252 cannot hold, a text
// longer than its field.
std::vector<PostcodeRow> ReadPostcodeCsv(std::istream& in, const std::string& sourceName);

// Writes a data file in the table's stream format, version 251: the five
// text field definitions, no indexes, each record a list with status 0 and a
// null flag before every value, texts with tag 6.
class DataFileWriter {
public:
    explicit DataFileWriter(std::ostream& out);
    void Add(const PostcodeRow& row);
    // Ends the record list. Throws marlune::Error when the stream failed.
    void Finish();

private:
    void Tag(std::uint8_t tag) { buf_.push_back(static_cast<char>(tag)); }
    void Integer(std::int32_t value);
    void Text(std::string_view text);
    void Boolean(bool value) { Tag(value ? 9 : 8); }
    void Flush();

    std::ostream& out_;
    std::string buf_;
    bool finished_ = false;
};

void WriteDataFile(std::ostream& out, const std::vector<PostcodeRow>& rows);

} // namespace marlune::tools
