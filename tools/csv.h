#pragma once

#include <istream>
#include <string>
#include <vector>

namespace marlune::tools {

// One field of a CSV row. A quoted field is a text even when it is empty;
// an unquoted empty field is how the postcode CSV writes a null.
struct CsvField {
    std::string text;
    bool quoted = false;
};

// Reads comma-separated rows (RFC 4180: fields in double quotes may hold
// commas, line breaks and doubled quotes). Accepts LF, CRLF and CR line
// ends, and skips a UTF-8 byte-order mark at the start.
class CsvReader {
public:
    explicit CsvReader(std::istream& in);

    // Reads the next row; false at the end of the input. Throws marlune::Error
    // naming the line for an unterminated quote (where it opens) or text after
    // a closing quote.
    bool NextRow(std::vector<CsvField>& row);

    // The line on which the row last returned began (1-based).
    int RowLine() const { return rowLine_; }

private:
    bool LineEnd(int c);

    std::istream& in_;
    int line_ = 1;
    int rowLine_ = 0;
};

} // namespace marlune::tools
