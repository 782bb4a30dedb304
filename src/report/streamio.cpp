#include "report/streamio.h"

#include "platform/error.h"
#include "platform/stream.h"
#include "report/units.h"

#include <cmath>
#include <limits>

namespace marlune::report {

namespace {

constexpr std::size_t kMaxWord = 0xFFFF;

[[noreturn]] void Truncated()
{
    throw Error("Stream read error");
}

} // namespace

std::int64_t StreamReader::Position() const
{
    return stream_.Position();
}

std::int64_t StreamReader::Size() const
{
    return stream_.Size();
}

std::int64_t StreamReader::Remaining() const
{
    const std::int64_t left = stream_.Size() - stream_.Position();
    return left > 0 ? left : 0;
}

void StreamReader::Seek(std::int64_t position)
{
    if (position < 0 || position > stream_.Size()) {
        Truncated();
    }
    stream_.Seek(position);
}

void StreamReader::Skip(std::int64_t count)
{
    if (count < 0 || count > Remaining()) {
        Truncated();
    }
    stream_.Seek(stream_.Position() + count);
}

std::string StreamReader::ReadBytes(std::int64_t count)
{
    if (count < 0 || count > Remaining()) {
        Truncated();
    }
    std::string bytes(static_cast<std::size_t>(count), '\0');
    if (count > 0 && stream_.Read(bytes.data(), bytes.size()) != bytes.size()) {
        Truncated();
    }
    return bytes;
}

std::uint8_t StreamReader::ReadByte()
{
    return static_cast<std::uint8_t>(ReadBytes(1)[0]);
}

std::uint16_t StreamReader::ReadWord()
{
    const std::string b = ReadBytes(2);
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b[0]) |
                                      (static_cast<std::uint8_t>(b[1]) << 8));
}

std::int32_t StreamReader::ReadInt()
{
    const std::string b = ReadBytes(4);
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) {
        v = (v << 8) | static_cast<std::uint8_t>(b[static_cast<std::size_t>(i)]);
    }
    return static_cast<std::int32_t>(v);
}

bool StreamReader::ReadBool16()
{
    return ReadWord() != 0;
}

std::string StreamReader::ReadString()
{
    if (version_ >= kCurrentVersion) {
        const std::uint16_t n = ReadWord();
        std::string text = ReadBytes(n);
        ReadByte();
        return text;
    }
    std::string text;
    for (std::uint8_t c = ReadByte(); c != 0; c = ReadByte()) {
        text.push_back(static_cast<char>(c));
    }
    return text;
}

Lines StreamReader::ReadLines()
{
    Lines lines;
    if (version_ >= kCurrentVersion) {
        // The separators, not the count, end the list.
        if (ReadWord() == 0) {
            ReadByte();
            return lines;
        }
        for (;;) {
            const std::uint16_t n = ReadWord();
            lines.push_back(ReadBytes(n));
            if (ReadByte() == 0) {
                return lines;
            }
        }
    }
    const std::string joined = ReadString();
    if (joined.empty()) {
        return lines;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t cr = joined.find('\r', start);
        if (cr == std::string::npos) {
            lines.push_back(joined.substr(start));
            return lines;
        }
        lines.push_back(joined.substr(start, cr - start));
        start = cr + 1;
        if (start == joined.size()) {
            return lines;
        }
    }
}

std::string StreamReader::ReadShortString()
{
    return ReadBytes(ReadByte());
}

void StreamWriter::WriteByte(std::uint8_t value)
{
    bytes_.push_back(static_cast<char>(value));
}

void StreamWriter::WriteWord(std::uint16_t value)
{
    WriteByte(static_cast<std::uint8_t>(value & 0xFF));
    WriteByte(static_cast<std::uint8_t>(value >> 8));
}

void StreamWriter::WriteInt(std::int32_t value)
{
    const auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        WriteByte(static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF));
    }
}

void StreamWriter::WriteBool16(bool value)
{
    WriteWord(value ? 0xFFFF : 0);
}

void StreamWriter::WriteBytes(const std::string& bytes)
{
    bytes_ += bytes;
}

void StreamWriter::WriteString(const std::string& text)
{
    // A longer text cannot be stored in the word length; it is cut there.
    const std::string stored = text.substr(0, kMaxWord);
    WriteWord(static_cast<std::uint16_t>(stored.size()));
    WriteBytes(stored);
    WriteByte(0);
}

void StreamWriter::WriteLines(const Lines& lines)
{
    const std::size_t count = std::min(lines.size(), kMaxWord);
    WriteWord(static_cast<std::uint16_t>(count));
    if (count == 0) {
        WriteByte(0);
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::string line = lines[i].substr(0, kMaxWord);
        WriteWord(static_cast<std::uint16_t>(line.size()));
        WriteBytes(line);
        WriteByte(i + 1 < count ? 13 : 0);
    }
}

void StreamWriter::WriteShortString(const std::string& text)
{
    const std::string stored = text.substr(0, 0xFF);
    WriteByte(static_cast<std::uint8_t>(stored.size()));
    WriteBytes(stored);
}

void StreamWriter::PatchInt(std::int64_t position, std::int32_t value)
{
    const auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        bytes_[static_cast<std::size_t>(position + i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
}

float FrameWidthFromStored(std::int32_t stored)
{
    if (stored <= 10) {
        return static_cast<float>(stored);
    }
    return static_cast<float>(stored / 1000.0);
}

std::int32_t FrameWidthToStored(float width)
{
    if (!(width > 0.0F)) {
        return 0;
    }
    const double w = width;
    if (w == std::floor(w) && w <= 10.0) {
        return static_cast<std::int32_t>(w);
    }
    // Thousandths; a whole width above 10 is stored so too, since the whole
    // number would read back as thousandths. A width too thin for the form
    // keeps the thinnest one it has.
    const double thousandths =
        std::min(w * 1000.0, double(std::numeric_limits<std::int32_t>::max()));
    return std::max(Round(thousandths), 11);
}

} // namespace marlune::report
