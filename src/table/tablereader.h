#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace marlune::platform {
class Stream;
}

namespace marlune::table {

class MemTableBase;

// Tags of the tagged values of the table data format.
enum ValueTag : std::uint8_t {
    vaNull = 0,
    vaList = 1,
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaExtended = 5,
    vaString = 6,
    vaFalse = 8,
    vaTrue = 9,
    vaLString = 12,
    vaWString = 18,
    vaUTF8String = 20,
};

// Reads tagged values through a buffer of 16384 bytes.
class ValueReader {
public:
    static constexpr std::size_t kBufferSize = 16384;

    explicit ValueReader(platform::Stream& stream);

    std::int64_t Position() const { return bufferStart_ + static_cast<std::int64_t>(pos_); }
    std::int64_t Size() const { return size_; }
    std::int64_t Remaining() const { return size_ - Position(); }

    std::uint8_t PeekTag()
    {
        if (pos_ >= len_ && !Fill()) {
            ReadError();
        }
        return buffer_[pos_];
    }
    bool EndOfList() { return PeekTag() == vaNull; }
    void ReadListBegin()
    {
        if (ReadByte() != vaList) {
            InvalidValue();
        }
    }
    void ReadListEnd()
    {
        if (ReadByte() != vaNull) {
            InvalidValue();
        }
    }
    std::int32_t ReadInteger();
    bool ReadBoolean() { return ReadByte() == vaTrue; }
    double ReadNumber();
    // The text, valid until the next read.
    std::string_view ReadText();
    void ReadRaw(void* out, std::size_t count);

    // 80-bit extended precision (little-endian) to double.
    static double ExtendedToDouble(const std::uint8_t bytes[10]);

private:
    std::uint8_t ReadByte()
    {
        if (pos_ >= len_ && !Fill()) {
            ReadError();
        }
        return buffer_[pos_++];
    }
    bool Fill();
    [[noreturn]] static void ReadError();
    [[noreturn]] static void InvalidValue();

    platform::Stream& stream_;
    std::int64_t size_;
    std::int64_t bufferStart_;
    std::size_t pos_ = 0;
    std::size_t len_ = 0;
    std::array<std::uint8_t, kBufferSize> buffer_{};
    std::string scratch_;
    std::string converted_;
};

// Reads a data file into a table (the whole load, with its recovery).
class TableReader {
public:
    TableReader(MemTableBase& table, platform::Stream& stream) : table_(table), stream_(stream) {}
    void Read();

private:
    void ReadContent(ValueReader& in);
    void ReadFieldDefinitions(ValueReader& in, int version);
    void ReadIndexDefinitions(ValueReader& in, bool& read);
    void ReadRecords(ValueReader& in, int version);
    void ReadValues(ValueReader& in, int version);
    void Progress(int percentage);

    MemTableBase& table_;
    platform::Stream& stream_;
};

} // namespace marlune::table
