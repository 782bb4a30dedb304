#pragma once

#include "report/reportview.h"

#include <cstdint>
#include <string>
#include <utility>

namespace marlune::platform {
class Stream;
}

// The template stream's primitive encodings: little-endian integers, 16-bit
// booleans, strings and line lists in the current (23) and the older forms.
// Every read is checked against what remains of the stream and raises
// marlune::Error when the stream ends early.
namespace marlune::report {

inline constexpr int kCurrentVersion = 23;
inline constexpr int kOldestVersion = 21;

class StreamReader {
public:
    StreamReader(platform::Stream& stream, int version) : stream_(stream), version_(version) {}

    int Version() const { return version_; }
    void SetVersion(int version) { version_ = version; }
    std::int64_t Position() const;
    std::int64_t Size() const;
    std::int64_t Remaining() const;
    void Seek(std::int64_t position);
    void Skip(std::int64_t count);

    std::uint8_t ReadByte();
    std::uint16_t ReadWord();
    std::int32_t ReadInt();
    bool ReadBool16();
    std::string ReadBytes(std::int64_t count);
    std::string ReadString();
    Lines ReadLines();
    std::string ReadShortString();

private:
    platform::Stream& stream_;
    int version_;
};

// Writes the current form into a byte buffer; positions are offsets in it.
class StreamWriter {
public:
    StreamWriter() = default;
    // Goes on after `bytes`, so that positions count from their start.
    explicit StreamWriter(std::string bytes) : bytes_(std::move(bytes)) {}

    std::int64_t Position() const { return static_cast<std::int64_t>(bytes_.size()); }
    const std::string& Bytes() const { return bytes_; }
    std::string Take() { return std::move(bytes_); }

    void WriteByte(std::uint8_t value);
    void WriteWord(std::uint16_t value);
    void WriteInt(std::int32_t value);
    void WriteBool16(bool value);
    void WriteBytes(const std::string& bytes);
    void WriteString(const std::string& text);
    void WriteLines(const Lines& lines);
    void WriteShortString(const std::string& text);
    // Overwrites an int written earlier at `position`.
    void PatchInt(std::int64_t position, std::int32_t value);

private:
    std::string bytes_;
};

// The stored frame width: up to 10 a whole number of units, above that
// thousandths.
float FrameWidthFromStored(std::int32_t stored);
std::int32_t FrameWidthToStored(float width);

} // namespace marlune::report
