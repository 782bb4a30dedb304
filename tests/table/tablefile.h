#pragma once

// Builds table data files value by value for the tests.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace marlune::table::testing {

using Value = std::optional<std::string>; // a text field value; nullopt = null

class TableFile {
public:
    TableFile& Raw(std::string_view bytes)
    {
        bytes_.append(bytes);
        return *this;
    }
    TableFile& Tag(std::uint8_t tag)
    {
        bytes_.push_back(static_cast<char>(tag));
        return *this;
    }
    TableFile& Signature() { return Raw("TPF0"); }
    TableFile& Int8(std::int8_t v) { return Tag(2).Byte(static_cast<std::uint8_t>(v)); }
    TableFile& Int16(std::int16_t v) { return Tag(3).Le(static_cast<std::uint16_t>(v), 2); }
    TableFile& Int32(std::int32_t v) { return Tag(4).Le(static_cast<std::uint32_t>(v), 4); }
    // The smallest integer encoding.
    TableFile& Int(std::int32_t v)
    {
        if (v >= -128 && v <= 127) {
            return Int8(static_cast<std::int8_t>(v));
        }
        if (v >= -32768 && v <= 32767) {
            return Int16(static_cast<std::int16_t>(v));
        }
        return Int32(v);
    }
    TableFile& Text(std::string_view s) // tag 6, or 12 when longer than 255
    {
        if (s.size() <= 255) {
            return Tag(6).Byte(static_cast<std::uint8_t>(s.size())).Raw(s);
        }
        return LText(s);
    }
    TableFile& LText(std::string_view s)
    {
        return Tag(12).Le(static_cast<std::uint32_t>(s.size()), 4).Raw(s);
    }
    TableFile& WText(std::u16string_view s) // tag 18, UTF-16LE
    {
        Tag(18).Le(static_cast<std::uint32_t>(s.size()), 4);
        for (char16_t c : s) {
            Le(c, 2);
        }
        return *this;
    }
    TableFile& Utf8Text(std::string_view s)
    {
        return Tag(20).Le(static_cast<std::uint32_t>(s.size()), 4).Raw(s);
    }
    TableFile& Bool(bool b) { return Tag(b ? 9 : 8); }
    TableFile& Extended(double d)
    {
        // 80-bit extended precision from a double (normal numbers and zero).
        Tag(5);
        std::uint64_t mantissa = 0;
        unsigned exponent = 0;
        const bool negative = std::signbit(d);
        if (d != 0) {
            int e = 0;
            const double m = std::frexp(std::fabs(d), &e); // [0.5, 1)
            mantissa = static_cast<std::uint64_t>(std::ldexp(m, 64));
            exponent = static_cast<unsigned>(e - 1 + 16383);
        }
        Le(mantissa, 8);
        return Le((negative ? 0x8000u : 0u) | exponent, 2);
    }
    TableFile& ListBegin() { return Tag(1); }
    TableFile& ListEnd() { return Tag(0); }

    // One field definition of the given version.
    TableFile& FieldDef(std::string_view name, std::string_view type, int size, int version = 251,
                        std::string_view label = "", int displayWidth = 0, bool required = false,
                        bool readOnly = false, std::string_view kind = "Data",
                        std::string_view mask = "")
    {
        Text(name).Text(type).Int(size).Text(label).Text(mask).Int(displayWidth);
        Bool(required).Bool(readOnly);
        if (version >= 250) {
            Text(kind);
        }
        if (version >= 251) {
            Text("");
        }
        return *this;
    }
    // The five postcode field definitions.
    TableFile& PostcodeDefs(int version = 251)
    {
        ListBegin();
        FieldDef("Pcode", "String", 5, version, "", 9);
        FieldDef("Locality", "String", 64, version, "", 77);
        FieldDef("State", "String", 32, version, "", 39);
        FieldDef("Comments", "String", 128, version, "", 154);
        FieldDef("DeliveryOffice", "String", 64, version, "", 77);
        return ListEnd();
    }
    // Field values of one version of a record (text fields).
    TableFile& Values(const std::vector<Value>& values, int version = 251)
    {
        for (const Value& v : values) {
            if (version >= 249) {
                Bool(!v.has_value());
                if (!v) {
                    continue;
                }
            }
            Text(v.value_or(""));
        }
        return *this;
    }
    // A record: from version 230 a list with the status and the values.
    TableFile& Record(const std::vector<Value>& values, int version = 251, int status = 0)
    {
        if (version < 230) {
            return Values(values, version);
        }
        ListBegin().Int(status);
        Values(values, version);
        return ListEnd();
    }

    const std::string& Bytes() const { return bytes_; }
    std::size_t Size() const { return bytes_.size(); }

private:
    TableFile& Byte(std::uint8_t b) { return Tag(b); }
    TableFile& Le(std::uint64_t v, int n)
    {
        for (int i = 0; i < n; ++i) {
            bytes_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
        }
        return *this;
    }

    std::string bytes_;
};

// A complete version-251 postcode file with the given records.
inline std::string PostcodeFile(const std::vector<std::vector<Value>>& records, int version = 251,
                                bool withDefs = true, std::vector<int> statuses = {})
{
    TableFile f;
    f.Signature();
    if (version != 100) {
        f.Int(version);
    }
    if (withDefs) {
        f.PostcodeDefs(version);
    } else {
        f.ListBegin().ListEnd();
    }
    if (version >= 200) {
        f.ListBegin().ListEnd();
    }
    f.ListBegin();
    for (std::size_t i = 0; i < records.size(); ++i) {
        f.Record(records[i], version, i < statuses.size() ? statuses[i] : 0);
    }
    f.ListEnd();
    return f.Bytes();
}

} // namespace marlune::table::testing
