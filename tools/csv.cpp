#include "csv.h"

#include "platform/error.h"

namespace marlune::tools {

CsvReader::CsvReader(std::istream& in) : in_(in)
{
    // A UTF-8 byte-order mark in front of the first row is no part of it.
    static constexpr char kMark[] = "\xEF\xBB\xBF";
    for (std::size_t i = 0; i < 3; ++i) {
        if (in_.peek() != static_cast<unsigned char>(kMark[i])) {
            for (; i > 0; --i) {
                in_.unget();
            }
            return;
        }
        in_.get();
    }
}

// A CR not followed by LF ends a line too (CR-only files); CR LF is one end.
bool CsvReader::LineEnd(int c)
{
    if (c == '\r' && in_.peek() == '\n') {
        in_.get();
        c = '\n';
    }
    return c == '\n' || c == '\r';
}

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
            const int quoteLine = line_;
            for (;;) {
                c = in_.get();
                if (c == std::char_traits<char>::eof()) {
                    throw Error("line " + std::to_string(quoteLine) +
                                ": unterminated quoted field");
                }
                if (c == '"') {
                    if (in_.peek() == '"') {
                        in_.get();
                        field.text += '"';
                        continue;
                    }
                    break;
                }
                if ((c == '\n') || (c == '\r' && in_.peek() != '\n')) {
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
        } else if (c == std::char_traits<char>::eof() || LineEnd(c)) {
            if (c != std::char_traits<char>::eof()) {
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
