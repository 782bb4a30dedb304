#include "csv.h"

#include "platform/error.h"

namespace marlune::tools {

bool CsvReader::NextRow(std::vector<CsvField>& row)
{
    row.clear();
    int c = in_.get();
    if (c == std::char_traits<char>::eof()) {
        return false;
    }
    rowLine_ = line_;
    CsvField field;
    for (;;) {
        if (c == '"' && field.text.empty() && !field.quoted) {
            field.quoted = true;
            for (;;) {
                c = in_.get();
                if (c == std::char_traits<char>::eof()) {
                    throw Error("line " + std::to_string(rowLine_) + ": unterminated quoted field");
                }
                if (c == '"') {
                    if (in_.peek() == '"') {
                        in_.get();
                        field.text += '"';
                        continue;
                    }
                    break;
                }
                if (c == '\n') {
                    ++line_;
                }
                field.text += static_cast<char>(c);
            }
            c = in_.get();
            if (c != ',' && c != '\n' && c != '\r' && c != std::char_traits<char>::eof()) {
                throw Error("line " + std::to_string(line_) + ": text after a closing quote");
            }
            continue;
        }
        if (c == ',') {
            row.push_back(std::move(field));
            field = CsvField{};
        } else if (c == '\r' && in_.peek() == '\n') {
            // CRLF: the LF ends the row
        } else if (c == '\n' || c == std::char_traits<char>::eof()) {
            if (c == '\n') {
                ++line_;
            }
            row.push_back(std::move(field));
            return true;
        } else {
            if (field.quoted) {
                throw Error("line " + std::to_string(line_) + ": text after a closing quote");
            }
            field.text += static_cast<char>(c);
        }
        c = in_.get();
    }
}

} // namespace marlune::tools
