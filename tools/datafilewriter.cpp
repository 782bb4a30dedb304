#include "datafilewriter.h"

#include "csv.h"

#include <cstdio>
#include "platform/cp1252.h"
#include "platform/error.h"

namespace marlune::tools {
namespace {

constexpr std::int32_t kVersion = 251;

std::string Where(const std::string& source, int line)
{
    return source + ":" + std::to_string(line) + ": ";
}

std::string CodePointName(char32_t cp)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
    return buf;
}

// A text of the input for a message: in quotes, and cut to its first 40
// characters with "..." after them, so that a huge field is not echoed whole.
std::string Quoted(std::string_view utf8)
{
    constexpr std::size_t kShown = 40;
    std::size_t characters = 0;
    std::size_t end = 0;
    for (; end < utf8.size(); ++end) {
        if ((static_cast<unsigned char>(utf8[end]) & 0xC0) != 0x80 && characters++ == kShown) {
            break;
        }
    }
    return "\"" + std::string(utf8.substr(0, end)) + (end < utf8.size() ? "\"..." : "\"");
}

} // namespace

std::vector<PostcodeRow> ReadPostcodeCsv(std::istream& in, const std::string& sourceName)
{
    CsvReader reader(in);
    std::vector<CsvField> fields;
    std::vector<PostcodeRow> rows;
    const auto expected = kPostcodeFields.size();
    try {
        if (!reader.NextRow(fields)) {
            throw Error(Where(sourceName, 1) + "the file is empty; expected a header row");
        }
        if (fields.size() != expected) {
            throw Error(Where(sourceName, reader.RowLine()) + "the header row has " +
                        std::to_string(fields.size()) + " columns, expected " +
                        std::to_string(expected));
        }
        for (std::size_t i = 0; i < expected; ++i) {
            if (fields[i].text != kPostcodeFields[i].name) {
                throw Error(Where(sourceName, reader.RowLine()) + "header column " +
                            std::to_string(i + 1) + " is " + Quoted(fields[i].text) +
                            ", expected \"" + std::string(kPostcodeFields[i].name) + "\"");
            }
        }
        while (reader.NextRow(fields)) {
            const int line = reader.RowLine();
            if (fields.size() == 1 && fields[0].text.empty() && !fields[0].quoted) {
                continue; // a blank line
            }
            if (fields.size() != expected) {
                throw Error(Where(sourceName, line) + "the row has " +
                            std::to_string(fields.size()) + " columns, expected " +
                            std::to_string(expected));
            }
            PostcodeRow row;
            for (std::size_t i = 0; i < expected; ++i) {
                const auto& f = fields[i];
                if (f.text.empty() && !f.quoted) {
                    continue; // null
                }
                if (const auto at = platform::FirstNonUtf8Byte(f.text)) {
                    char byte[8];
                    std::snprintf(byte, sizeof byte, "0x%02X",
                                  static_cast<unsigned>(static_cast<unsigned char>(f.text[*at])));
                    throw Error(Where(sourceName, line) + std::string(kPostcodeFields[i].name) +
                                ": the input is not UTF-8 (byte " + byte + " at byte " +
                                std::to_string(*at + 1) + " of the field)");
                }
                std::string text;
                if (const auto bad = platform::StrictFromUtf8(f.text, text)) {
                    throw Error(Where(sourceName, line) + std::string(kPostcodeFields[i].name) +
                                ": character " + CodePointName(bad->codePoint) + " at position " +
                                std::to_string(bad->position + 1) +
                                " cannot be written in Windows-1252");
                }
                if (text.find('\0') != std::string::npos) {
                    throw Error(Where(sourceName, line) + std::string(kPostcodeFields[i].name) +
                                ": the text holds a NUL character");
                }
                if (text.size() > static_cast<std::size_t>(kPostcodeFields[i].size)) {
                    throw Error(Where(sourceName, line) + std::string(kPostcodeFields[i].name) +
                                ": " + Quoted(f.text) + " has " + std::to_string(text.size()) +
                                " characters, more than the field's " +
                                std::to_string(kPostcodeFields[i].size));
                }
                row[i] = std::move(text);
            }
            rows.push_back(std::move(row));
        }
    } catch (const Error& e) {
        const std::string msg = e.what();
        // The CSV reader reports "line N: ..."; put the source name in front.
        if (msg.rfind("line ", 0) == 0) {
            throw Error(sourceName + ":" + msg.substr(5));
        }
        throw;
    }
    return rows;
}

DataFileWriter::DataFileWriter(std::ostream& out) : out_(out)
{
    buf_.reserve(1 << 16);
    buf_ += "TPF0";
    Integer(kVersion);
    Tag(1); // field definitions
    for (const auto& f : kPostcodeFields) {
        Text(f.name);    // name
        Text("String");  // type
        Integer(f.size); // size
        Text(f.name);    // display label
        Text("");        // edit mask
        Integer(f.displayWidth);
        Boolean(false); // required
        Boolean(false); // read-only
        Text("Data");   // kind
        Text("");       // default expression
    }
    Tag(0);
    Tag(1); // no index definitions
    Tag(0);
    Tag(1); // records
}

void DataFileWriter::Integer(std::int32_t value)
{
    if (value >= -128 && value <= 127) {
        Tag(2);
        buf_.push_back(static_cast<char>(value));
    } else if (value >= -32768 && value <= 32767) {
        Tag(3);
        buf_.push_back(static_cast<char>(value & 0xFF));
        buf_.push_back(static_cast<char>((value >> 8) & 0xFF));
    } else {
        Tag(4);
        for (int k = 0; k < 4; ++k) {
            buf_.push_back(
                static_cast<char>((static_cast<std::uint32_t>(value) >> (8 * k)) & 0xFF));
        }
    }
}

void DataFileWriter::Text(std::string_view text)
{
    if (text.size() <= 255) {
        Tag(6);
        buf_.push_back(static_cast<char>(text.size()));
    } else {
        Tag(12);
        const auto n = static_cast<std::uint32_t>(text.size());
        for (int k = 0; k < 4; ++k) {
            buf_.push_back(static_cast<char>((n >> (8 * k)) & 0xFF));
        }
    }
    buf_.append(text);
}

void DataFileWriter::Flush()
{
    out_.write(buf_.data(), static_cast<std::streamsize>(buf_.size()));
    buf_.clear();
}

void DataFileWriter::Add(const PostcodeRow& row)
{
    Tag(1);
    Integer(0); // unchanged
    for (const auto& value : row) {
        Boolean(!value.has_value()); // null flag
        if (value) {
            Text(*value);
        }
    }
    Tag(0);
    if (buf_.size() >= (1 << 16) - 1024) {
        Flush();
    }
}

void DataFileWriter::Finish()
{
    if (finished_) {
        return;
    }
    finished_ = true;
    Tag(0);
    Flush();
    out_.flush();
    if (!out_) {
        throw Error("writing the data file failed");
    }
}

void WriteDataFile(std::ostream& out, const std::vector<PostcodeRow>& rows)
{
    DataFileWriter writer(out);
    for (const auto& row : rows) {
        writer.Add(row);
    }
    writer.Finish();
}

} // namespace marlune::tools
