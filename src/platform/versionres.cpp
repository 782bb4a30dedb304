#include "platform/versionres.h"

#include "platform/filedescriptor.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace marlune::platform {
namespace {

// A record is a few hundred bytes; a section larger than this is not one.
constexpr std::uint64_t kMaxRecordSize = 64 * 1024;

struct Section {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

bool ReadAt(int fd, std::uint64_t offset, void* to, std::size_t size)
{
    auto* out = static_cast<char*>(to);
    while (size > 0) {
        const ssize_t got = ::pread(fd, out, size, static_cast<off_t>(offset));
        if (got <= 0) {
            return false;
        }
        out += got;
        size -= static_cast<std::size_t>(got);
        offset += static_cast<std::uint64_t>(got);
    }
    return true;
}

// Reads the fields of ELF headers in the file's byte order and class.
class ElfFile {
public:
    explicit ElfFile(int fd, std::uint64_t fileSize) : fd_(fd), fileSize_(fileSize) {}

    std::optional<Section> FindSection(std::string_view name)
    {
        std::array<unsigned char, 64> header{};
        if (fileSize_ < 52 || !ReadAt(fd_, 0, header.data(), 52) ||
            std::memcmp(header.data(),
                        "\x7f"
                        "ELF",
                        4) != 0) {
            return std::nullopt;
        }
        wide_ = header[4] == 2;
        bigEndian_ = header[5] == 2;
        if ((header[4] != 1 && header[4] != 2) || (header[5] != 1 && header[5] != 2)) {
            return std::nullopt;
        }
        if (wide_ && (fileSize_ < 64 || !ReadAt(fd_, 0, header.data(), 64))) {
            return std::nullopt;
        }
        const std::uint64_t shoff = wide_ ? Get(header.data() + 40, 8) : Get(header.data() + 32, 4);
        const std::uint64_t shentsize = Get(header.data() + (wide_ ? 58 : 46), 2);
        std::uint64_t shnum = Get(header.data() + (wide_ ? 60 : 48), 2);
        std::uint64_t shstrndx = Get(header.data() + (wide_ ? 62 : 50), 2);
        if (shoff == 0 || shentsize < (wide_ ? 64U : 40U)) {
            return std::nullopt;
        }
        entrySize_ = shentsize;
        tableOffset_ = shoff;
        // Many sections: the real count and name-table index live in section 0.
        if (shnum == 0 || shstrndx == 0xFFFF) {
            const auto first = Entry(0);
            if (!first) {
                return std::nullopt;
            }
            if (shnum == 0) {
                shnum = first->size0;
            }
            if (shstrndx == 0xFFFF) {
                shstrndx = first->link;
            }
        }
        if (shnum > fileSize_ / entrySize_ || shstrndx >= shnum) {
            return std::nullopt;
        }
        const auto names = Entry(shstrndx);
        if (!names || !Inside(names->section)) {
            return std::nullopt;
        }
        for (std::uint64_t i = 1; i < shnum; ++i) {
            const auto entry = Entry(i);
            if (!entry || entry->nameOffset >= names->section.size) {
                continue;
            }
            if (NameAt(names->section, entry->nameOffset, name.size()) == name &&
                entry->type != kNoBits && Inside(entry->section)) {
                return entry->section;
            }
        }
        return std::nullopt;
    }

private:
    static constexpr std::uint64_t kNoBits = 8;

    struct SectionEntry {
        std::uint64_t nameOffset = 0;
        std::uint64_t type = 0;
        Section section;
        std::uint64_t size0 = 0; // the raw size field
        std::uint64_t link = 0;
    };

    std::uint64_t Get(const unsigned char* p, int bytes) const
    {
        std::uint64_t value = 0;
        for (int i = 0; i < bytes; ++i) {
            const int index = bigEndian_ ? i : bytes - 1 - i;
            value = (value << 8) | p[index];
        }
        return value;
    }

    std::optional<SectionEntry> Entry(std::uint64_t index)
    {
        std::array<unsigned char, 64> raw{};
        const std::size_t size = wide_ ? 64 : 40;
        const std::uint64_t at = tableOffset_ + index * entrySize_;
        if (at > fileSize_ || fileSize_ - at < size || !ReadAt(fd_, at, raw.data(), size)) {
            return std::nullopt;
        }
        SectionEntry e;
        e.nameOffset = Get(raw.data(), 4);
        e.type = Get(raw.data() + 4, 4);
        e.section.offset = wide_ ? Get(raw.data() + 24, 8) : Get(raw.data() + 16, 4);
        e.section.size = wide_ ? Get(raw.data() + 32, 8) : Get(raw.data() + 20, 4);
        e.size0 = e.section.size;
        e.link = wide_ ? Get(raw.data() + 40, 4) : Get(raw.data() + 24, 4);
        return e;
    }

    bool Inside(const Section& s) const
    {
        return s.offset <= fileSize_ && s.size <= fileSize_ - s.offset;
    }

    // The name at `offset` in the name table, read no further than one
    // character past `length` (enough to tell a longer name apart).
    std::string NameAt(const Section& names, std::uint64_t offset, std::size_t length) const
    {
        const std::uint64_t room = std::min<std::uint64_t>(names.size - offset, length + 1);
        std::string text(static_cast<std::size_t>(room), '\0');
        if (!ReadAt(fd_, names.offset + offset, text.data(), text.size())) {
            return {};
        }
        text.resize(std::strlen(text.c_str()));
        return text;
    }

    int fd_;
    std::uint64_t fileSize_;
    bool wide_ = false;
    bool bigEndian_ = false;
    std::uint64_t entrySize_ = 0;
    std::uint64_t tableOffset_ = 0;
};

std::optional<Section> FindRecord(const std::string& path, FileDescriptor& fd)
{
    struct stat status {};
    fd = OpenRegularFileForReading(path, status);
    if (fd.Get() < 0) {
        return std::nullopt;
    }
    ElfFile elf(fd.Get(), static_cast<std::uint64_t>(status.st_size));
    auto section = elf.FindSection(kVersionSection);
    if (!section || section->size == 0 || section->size > kMaxRecordSize) {
        return std::nullopt;
    }
    return section;
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The record's lines, up to its end or its first NUL, without line ends.
std::vector<std::string_view> Lines(const std::vector<char>& info)
{
    const char* begin = info.data();
    const char* end = std::find(begin, begin + info.size(), '\0');
    std::vector<std::string_view> lines;
    while (begin < end) {
        const char* eol = std::find(begin, end, '\n');
        std::string_view line(begin, static_cast<std::size_t>(eol - begin));
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        begin = eol == end ? end : eol + 1;
    }
    return lines;
}

// The value of `name` in block `block` ("" for the entries before any block).
std::optional<std::string_view> Find(const std::vector<char>& info, std::string_view block,
                                     std::string_view name)
{
    std::string_view current;
    for (std::string_view line : Lines(info)) {
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            current = line.substr(1, line.size() - 2);
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq != std::string_view::npos && EqualNoCase(current, block) &&
            EqualNoCase(line.substr(0, eq), name)) {
            return line.substr(eq + 1);
        }
    }
    return std::nullopt;
}

std::optional<std::uint32_t> Hex(std::string_view text)
{
    if (text.empty() || text.size() > 8) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            return std::nullopt;
        }
        const int digit = std::isdigit(static_cast<unsigned char>(c))
                              ? c - '0'
                              : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return value;
}

void PutWord32(std::string& out, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        out[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

std::optional<std::string> FixedInfo(const std::vector<char>& info)
{
    const auto flags = Find(info, "", "FileFlags");
    if (!flags) {
        return std::nullopt;
    }
    const auto value = Hex(*flags);
    if (!value) {
        return std::nullopt;
    }
    std::string fixed(kFixedFileInfoSize, '\0');
    PutWord32(fixed, 0, 0xFEEF04BD); // signature
    PutWord32(fixed, 4, 0x00010000); // structure version 1.0
    PutWord32(fixed, 24, 0x3F);      // the six defined flags
    PutWord32(fixed, kFixedFileFlagsOffset, *value);
    PutWord32(fixed, 32, 0x00040004); // 32-bit, for a windowed system
    PutWord32(fixed, 36, 1);          // an application
    return fixed;
}

std::optional<std::string> Translations(const std::vector<char>& info)
{
    const auto line = Find(info, "", "Translation");
    if (!line) {
        return std::nullopt;
    }
    std::string bytes;
    std::string_view rest = *line;
    while (!rest.empty()) {
        const std::size_t blank = rest.find(' ');
        const std::string_view pair = rest.substr(0, blank);
        rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
        if (pair.empty()) {
            continue;
        }
        const auto value = Hex(pair);
        if (pair.size() != 8 || !value) {
            return std::nullopt;
        }
        const std::uint32_t language = *value >> 16;
        const std::uint32_t codePage = *value & 0xFFFF;
        for (std::uint32_t word : {language, codePage}) {
            bytes += static_cast<char>(word & 0xFF);
            bytes += static_cast<char>(word >> 8);
        }
    }
    return bytes;
}

} // namespace

std::uint32_t VersionInfoSize(const std::string& path)
{
    FileDescriptor fd;
    const auto section = FindRecord(path, fd);
    return section ? static_cast<std::uint32_t>(section->size) : 0;
}

bool ReadVersionInfo(const std::string& path, std::uint32_t size, std::vector<char>& buffer)
{
    FileDescriptor fd;
    const auto section = FindRecord(path, fd);
    if (!section) {
        return false;
    }
    buffer.assign(size, '\0');
    const std::size_t count = std::min<std::size_t>(size, static_cast<std::size_t>(section->size));
    return ReadAt(fd.Get(), section->offset, buffer.data(), count);
}

std::optional<std::string> QueryVersionValue(const std::vector<char>& info, std::string_view path)
{
    if (path == "\\") {
        return FixedInfo(info);
    }
    if (EqualNoCase(path, "\\VarFileInfo\\Translation")) {
        return Translations(info);
    }
    constexpr std::string_view kStrings = "\\StringFileInfo\\";
    if (path.size() > kStrings.size() && EqualNoCase(path.substr(0, kStrings.size()), kStrings)) {
        const std::string_view rest = path.substr(kStrings.size());
        const std::size_t slash = rest.find('\\');
        if (slash == std::string_view::npos || slash == 0) {
            return std::nullopt;
        }
        const auto value = Find(info, rest.substr(0, slash), rest.substr(slash + 1));
        if (!value) {
            return std::nullopt;
        }
        return std::string(*value) + '\0';
    }
    return std::nullopt;
}

std::string OwnExecutablePath()
{
    std::array<char, 4096> path{};
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (n > 0) {
        return std::string(path.data(), static_cast<std::size_t>(n));
    }
    return QCoreApplication::applicationFilePath().toStdString();
}

} // namespace marlune::platform
