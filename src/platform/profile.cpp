#include "platform/profile.h"

#include "platform/registry.h"
#include "platform/atomicfile.h"
#include "platform/blanks.h"

#include <vector>

namespace marlune::platform {
namespace {

bool HasLineBreakOrNul(std::string_view text)
{
    return text.find_first_of(std::string_view("\0\r\n", 3)) != std::string_view::npos;
}

// One line of the file; `text` excludes and `ending` holds its line break.
struct Line {
    std::string_view text;
    std::string_view ending;
};

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// A file without any LF (from older systems) has its lines end at CR.
char LineEnd(std::string_view bytes)
{
    return bytes.find('\n') == std::string_view::npos ? '\r' : '\n';
}

// The lines of the file. A UTF-8 byte-order mark comes first as a line of
// its own with no text, so that it stays in front of the file.
std::vector<Line> SplitLines(std::string_view bytes)
{
    std::vector<Line> lines;
    std::size_t pos = 0;
    if (bytes.starts_with(kUtf8Mark)) {
        lines.push_back(Line{{}, bytes.substr(0, kUtf8Mark.size())});
        pos = kUtf8Mark.size();
    }
    const char lineEnd = LineEnd(bytes);
    while (pos < bytes.size()) {
        std::size_t end = bytes.find(lineEnd, pos);
        Line line;
        if (end == std::string_view::npos) {
            line.text = bytes.substr(pos);
            pos = bytes.size();
        } else {
            std::size_t textEnd = end;
            if (lineEnd == '\n' && textEnd > pos && bytes[textEnd - 1] == '\r') {
                --textEnd;
            }
            line.text = bytes.substr(pos, textEnd - pos);
            line.ending = bytes.substr(textEnd, end + 1 - textEnd);
            pos = end + 1;
        }
        lines.push_back(line);
    }
    return lines;
}

// The section a header line names, or nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view line)
{
    line = TrimBlanks(line);
    if (!line.starts_with("[")) {
        return std::nullopt;
    }
    line.remove_prefix(1);
    const std::size_t close = line.find(']');
    return TrimBlanks(line.substr(0, close));
}

struct Entry {
    std::string_view key;
    std::string_view value;
};

std::optional<Entry> KeyLine(std::string_view line)
{
    const std::string_view trimmed = TrimBlanks(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '[') {
        return std::nullopt;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    return Entry{TrimBlanks(line.substr(0, equals)), line.substr(equals + 1)};
}

// The lines of the first section of that name: [header, end), end being the
// next header or the end of the file.
struct SectionRange {
    std::size_t header;
    std::size_t end;
};

std::optional<SectionRange> FindSection(const std::vector<Line>& lines, std::string_view section)
{
    const std::string_view wanted = TrimBlanks(section);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto name = SectionName(lines[i].text);
        if (name && NamesEqual(*name, wanted)) {
            std::size_t end = i + 1;
            while (end < lines.size() && !SectionName(lines[end].text)) {
                ++end;
            }
            return SectionRange{i, end};
        }
    }
    return std::nullopt;
}

std::optional<std::size_t> FindKey(const std::vector<Line>& lines, const SectionRange& range,
                                   std::string_view key)
{
    const std::string_view wanted = TrimBlanks(key);
    for (std::size_t i = range.header + 1; i < range.end; ++i) {
        const auto entry = KeyLine(lines[i].text);
        if (entry && NamesEqual(entry->key, wanted)) {
            return i;
        }
    }
    return std::nullopt;
}

bool IsQuote(char c)
{
    return c == '"' || c == '\'';
}

// Reading trims blanks and takes off enclosing quotes; quote what would not survive that.
std::string EncodeValue(std::string_view value)
{
    const bool blankAtEnds = !value.empty() && (value.front() == ' ' || value.front() == '\t' ||
                                                value.back() == ' ' || value.back() == '\t');
    const bool enclosed =
        value.size() >= 2 && IsQuote(value.front()) && value.front() == value.back();
    if (blankAtEnds || enclosed) {
        return "\"" + std::string(value) + "\"";
    }
    return std::string(value);
}

std::string DecodeValue(std::string_view raw)
{
    raw = TrimBlanks(raw);
    if (raw.size() >= 2 && IsQuote(raw.front()) && raw.front() == raw.back()) {
        raw = raw.substr(1, raw.size() - 2);
    }
    return std::string(raw);
}

bool ValidSection(std::string_view section)
{
    return !TrimBlanks(section).empty() && !HasLineBreakOrNul(section) &&
           section.find(']') == std::string_view::npos;
}

bool ValidKey(std::string_view key)
{
    const std::string_view trimmed = TrimBlanks(key);
    return !trimmed.empty() && !HasLineBreakOrNul(key) && key.find('=') == std::string_view::npos &&
           trimmed.front() != '[' && trimmed.front() != ';';
}

bool HasDirectory(std::string_view fileName)
{
    return fileName.find('/') != std::string_view::npos;
}

std::string Join(const std::vector<Line>& lines)
{
    std::string out;
    for (const Line& line : lines) {
        out += line.text;
        out += line.ending;
    }
    return out;
}

// The edited file, or nothing when it stays as it is.
std::optional<std::string> Edit(const std::optional<std::string>& current, std::string_view section,
                                std::optional<std::string_view> key,
                                std::optional<std::string_view> value)
{
    const std::string original = current.value_or(std::string());
    std::vector<Line> lines = SplitLines(original);
    std::string_view newline = "\n";
    if (LineEnd(original) == '\r' && original.find('\r') != std::string::npos) {
        newline = "\r";
    } else if (original.find("\r\n") != std::string::npos) {
        newline = "\r\n";
    }
    const auto range = FindSection(lines, section);

    if (!key) {
        if (!range) {
            return std::nullopt;
        }
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(range->header),
                    lines.begin() + static_cast<std::ptrdiff_t>(range->end));
        return Join(lines);
    }

    const auto keyIndex = range ? FindKey(lines, *range, *key) : std::nullopt;
    if (!value) {
        if (!keyIndex) {
            return std::nullopt;
        }
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(*keyIndex));
        return Join(lines);
    }

    // The new line's text must outlive `lines`, which only views it.
    std::string newText;
    if (keyIndex) {
        const auto entry = KeyLine(lines[*keyIndex].text);
        newText = std::string(entry->key) + "=" + EncodeValue(*value);
        lines[*keyIndex].text = newText;
    } else if (range) {
        std::size_t at = range->end;
        while (at > range->header + 1 && TrimBlanks(lines[at - 1].text).empty()) {
            --at;
        }
        if (lines[at - 1].ending.empty()) {
            lines[at - 1].ending = newline;
        }
        newText = std::string(TrimBlanks(*key)) + "=" + EncodeValue(*value);
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), Line{newText, newline});
    } else {
        std::string out = Join(lines);
        if (!out.empty()) {
            if (lines.back().ending.empty()) {
                out += newline;
            }
            if (!TrimBlanks(lines.back().text).empty()) {
                out += newline; // a blank line between sections
            }
        }
        out += "[" + std::string(TrimBlanks(section)) + "]";
        out += newline;
        out += std::string(TrimBlanks(*key)) + "=" + EncodeValue(*value);
        out += newline;
        return out;
    }
    std::string out = Join(lines);
    if (current && out == *current) {
        return std::nullopt;
    }
    return out;
}

} // namespace

std::string ProfileFilePath(std::string_view fileName)
{
    if (HasDirectory(fileName)) {
        return std::string(fileName);
    }
    return RegistryRootDirectory() + "/" + std::string(fileName);
}

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, std::size_t bufferSize,
                                    std::string_view fileName)
{
    const std::size_t limit = bufferSize == 0 ? 0 : bufferSize - 1;
    std::string result(defaultValue.substr(0, limit));
    if (fileName.empty()) {
        return result;
    }
    const FileContents contents = ReadWholeFile(ProfileFilePath(fileName));
    if (contents.state != FileContents::State::Read) {
        return result;
    }
    const std::vector<Line> lines = SplitLines(contents.bytes);
    const auto range = FindSection(lines, section);
    if (!range) {
        return result;
    }
    const auto index = FindKey(lines, *range, key);
    if (!index) {
        return result;
    }
    std::string value = DecodeValue(KeyLine(lines[*index].text)->value);
    value.resize(std::min(value.size(), limit));
    return value;
}

bool WritePrivateProfileString(std::string_view section, std::optional<std::string_view> key,
                               std::optional<std::string_view> value, std::string_view fileName)
{
    if (fileName.empty() || !ValidSection(section) || (key && !ValidKey(*key)) ||
        (value && HasLineBreakOrNul(*value))) {
        return false;
    }
    // A UTF-16 file would be edited as garbage and 8-bit lines added to it:
    // its writes are refused and the file is left as it is.
    bool refused = false;
    const bool stored = UpdateFileAtomically(
        ProfileFilePath(fileName),
        [&](const std::optional<std::string>& current) -> std::optional<std::string> {
            if (current && (current->starts_with("\xFF\xFE") || current->starts_with("\xFE\xFF"))) {
                refused = true;
                SetLastFileFailure(FileFailure::NotUnderstood);
                return std::nullopt;
            }
            return Edit(current, section, key, value);
        },
        !HasDirectory(fileName));
    return stored && !refused;
}

} // namespace marlune::platform
