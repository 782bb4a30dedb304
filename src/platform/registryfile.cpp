#include "platform/registryfile.h"

#include "platform/blanks.h"
#include "platform/cp1252.h"

#include <array>
#include <memory>
#include <optional>
#include <unordered_map>

namespace marlune::platform {
namespace {

// Windows-1252 upper case: ASCII letters, the Latin-1 letters and the three
// pairs (š/Š, œ/Œ, ž/Ž) and ÿ/Ÿ that the code page adds in 0x80..0x9F.
constexpr std::array<unsigned char, 256> MakeUpperTable()
{
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 256; ++c) {
        table[c] = static_cast<unsigned char>(c);
    }
    for (int c = 'a'; c <= 'z'; ++c) {
        table[c] = static_cast<unsigned char>(c - 32);
    }
    for (int c = 0xE0; c <= 0xFE; ++c) {
        if (c != 0xF7) {
            table[c] = static_cast<unsigned char>(c - 32);
        }
    }
    table[0x9A] = 0x8A;
    table[0x9C] = 0x8C;
    table[0x9E] = 0x8E;
    table[0xFF] = 0x9F;
    return table;
}

constexpr std::array<unsigned char, 256> kUpper = MakeUpperTable();

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kOldHeader = "REGEDIT4";
constexpr std::size_t kHexLineWidth = 77;

struct RootName {
    PredefinedKey key;
    std::string_view name;
    std::string_view abbreviation;
};

constexpr RootName kRootNames[] = {
    {PredefinedKey::ClassesRoot, "HKEY_CLASSES_ROOT", "HKCR"},
    {PredefinedKey::CurrentUser, "HKEY_CURRENT_USER", "HKCU"},
    {PredefinedKey::LocalMachine, "HKEY_LOCAL_MACHINE", "HKLM"},
    {PredefinedKey::Users, "HKEY_USERS", "HKU"},
    {PredefinedKey::CurrentConfig, "HKEY_CURRENT_CONFIG", "HKCC"},
    {PredefinedKey::DynData, "HKEY_DYN_DATA", "HKDD"},
};

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// A hexadecimal number of 1 to 8 digits.
std::optional<std::uint32_t> ParseHexNumber(std::string_view text)
{
    if (text.empty() || text.size() > 8) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (const char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0) {
            return std::nullopt;
        }
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return value;
}

// "xx,xx,..." with blanks allowed around the bytes and one trailing comma
// (a file cut off after a continued line).
std::optional<std::string> ParseHexBytes(std::string_view text)
{
    std::string bytes;
    text = TrimBlanks((text));
    while (!text.empty()) {
        std::size_t comma = text.find(',');
        const bool last = comma == std::string_view::npos;
        const std::string_view token = TrimBlanks((text.substr(0, last ? text.size() : comma)));
        if (token.empty() || token.size() > 2) {
            return std::nullopt;
        }
        const auto value = ParseHexNumber(token);
        if (!value) {
            return std::nullopt;
        }
        bytes += static_cast<char>(*value);
        if (last) {
            break;
        }
        text = TrimBlanks(text.substr(comma + 1));
    }
    return bytes;
}

// A quoted text starting at text[0] == '"', with \\ and \" escaped; other
// backslashes stand for themselves. `rest` gets what follows the closing quote.
std::optional<std::string> ParseQuoted(std::string_view text, std::string_view& rest)
{
    std::string out;
    for (std::size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            rest = text.substr(i + 1);
            return out;
        }
        if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
            out += text[++i];
        } else {
            out += c;
        }
    }
    return std::nullopt;
}

void AppendQuoted(std::string& out, std::string_view text)
{
    out += '"';
    for (const char c : text) {
        if (c == '\\' || c == '"') {
            out += '\\';
        }
        out += c;
    }
    out += '"';
}

void AppendHexBytes(std::string& out, std::size_t column, std::string_view bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::size_t width = i + 1 < bytes.size() ? 3 : 2;
        if (column + width > kHexLineWidth) {
            out += "\\\n  ";
            column = 2;
        }
        const auto byte = static_cast<unsigned char>(bytes[i]);
        out += kDigits[byte >> 4];
        out += kDigits[byte & 0xF];
        if (i + 1 < bytes.size()) {
            out += ',';
        }
        column += width;
    }
}

// An REG_SZ that reads back from the quoted form: one terminating NUL, no
// other NUL and no line breaks. Everything else is written as hex(1).
bool QuotableString(const RegistryValue& value)
{
    const std::string& data = value.data;
    return !data.empty() && data.back() == '\0' &&
           data.find_first_of(std::string_view("\0\r\n", 3)) == data.size() - 1;
}

void AppendValue(std::string& out, const std::string& name, const RegistryValue& value)
{
    const std::size_t lineStart = out.size();
    if (name.empty()) {
        out += '@';
    } else {
        AppendQuoted(out, name);
    }
    out += '=';
    if (value.type == ValueType::Sz && QuotableString(value)) {
        AppendQuoted(out, std::string_view(value.data).substr(0, value.data.size() - 1));
    } else if (value.type == ValueType::Dword && value.data.size() == 4) {
        std::uint32_t number = 0;
        for (int i = 3; i >= 0; --i) {
            number =
                (number << 8) | static_cast<unsigned char>(value.data[static_cast<std::size_t>(i)]);
        }
        static constexpr char kDigits[] = "0123456789abcdef";
        out += "dword:";
        for (int shift = 28; shift >= 0; shift -= 4) {
            out += kDigits[(number >> shift) & 0xF];
        }
    } else {
        if (value.type == ValueType::Binary) {
            out += "hex:";
        } else {
            static constexpr char kDigits[] = "0123456789abcdef";
            std::string type;
            for (auto number = static_cast<std::uint32_t>(value.type); number != 0; number >>= 4) {
                type.insert(type.begin(), kDigits[number & 0xF]);
            }
            out += "hex(" + (type.empty() ? std::string("0") : type) + "):";
        }
        AppendHexBytes(out, out.size() - lineStart, value.data);
    }
    out += '\n';
}

void AppendKey(std::string& out, const std::string& path, const RegistryDocument::Key& key)
{
    out += '[';
    out += path;
    out += "]\n";
    for (const auto& [name, value] : key.values) {
        AppendValue(out, name, value);
    }
    out += '\n';
    for (const auto& subkey : key.subkeys) {
        AppendKey(out, path + '\\' + subkey.name, subkey);
    }
}

// Lines end at LF, with a CR before it taken off; a file without any LF
// (from older systems) has its lines end at CR.
class LineReader {
public:
    explicit LineReader(std::string_view bytes)
        : bytes_(bytes), end_(bytes.find('\n') == std::string_view::npos ? '\r' : '\n')
    {
    }

    // The next line without taking it.
    bool Peek(std::string_view& line) const
    {
        LineReader copy = *this;
        return copy.Next(line);
    }

    bool Next(std::string_view& line)
    {
        if (pos_ >= bytes_.size()) {
            return false;
        }
        std::size_t end = bytes_.find(end_, pos_);
        if (end == std::string_view::npos) {
            end = bytes_.size();
        }
        line = bytes_.substr(pos_, end - pos_);
        pos_ = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        return true;
    }

private:
    std::string_view bytes_;
    char end_;
    std::size_t pos_ = 0;
};

// The data after '=' of a value line; nothing when it cannot be read. Hex
// data continued with a trailing "\" takes the following lines.
std::optional<RegistryValue> ParseData(std::string_view data, LineReader& lines, bool& understood)
{
    data = TrimBlanks(data);
    if (!data.empty() && data.front() == '"') {
        std::string_view rest;
        auto text = ParseQuoted(data, rest);
        if (!text) {
            return std::nullopt;
        }
        if (!TrimBlanks(rest).empty()) {
            understood = false; // read all the same; the rest would be lost
        }
        text->push_back('\0');
        return RegistryValue{ValueType::Sz, std::move(*text)};
    }
    if (data.starts_with("dword:")) {
        const auto number = ParseHexNumber(TrimBlanks((data.substr(6))));
        if (!number) {
            return std::nullopt;
        }
        return RegistryValue::Dword(*number);
    }
    if (!data.starts_with("hex")) {
        return std::nullopt; // includes "-", the export format's deletion mark
    }

    std::string hex(data.substr(3));
    for (std::string_view trimmed = TrimBlanks(hex); !trimmed.empty() && trimmed.back() == '\\';
         trimmed = TrimBlanks(hex)) {
        hex.resize(trimmed.size() - 1);
        // A file cut off inside continued data must not swallow the next
        // section or value.
        std::string_view next;
        if (!lines.Peek(next)) {
            break;
        }
        next = TrimBlanks(next);
        if (next.starts_with("[") || next.starts_with("\"") || next.starts_with("@") ||
            next.starts_with(";")) {
            break;
        }
        lines.Next(next);
        hex += TrimBlanks(next);
    }

    std::string_view body = hex;
    auto type = static_cast<std::uint32_t>(ValueType::Binary);
    if (body.starts_with("(")) {
        const std::size_t close = body.find(')');
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        const auto number = ParseHexNumber(body.substr(1, close - 1));
        if (!number) {
            return std::nullopt;
        }
        type = *number;
        body.remove_prefix(close + 1);
    }
    if (!body.starts_with(":")) {
        return std::nullopt;
    }
    auto bytes = ParseHexBytes(body.substr(1));
    if (!bytes) {
        return std::nullopt;
    }
    return RegistryValue{static_cast<ValueType>(type), std::move(*bytes)};
}

// The file's text in the code page the document keeps: UTF-16LE and UTF-8
// with a byte-order mark are converted, anything else is taken as it is.
// `understood` turns false when a character has no place in the code page.
std::string Decode(std::string_view bytes, bool& understood)
{
    std::string text;
    if (bytes.starts_with("\xFF\xFE")) {
        bytes.remove_prefix(2);
        if (bytes.size() % 2 != 0) {
            understood = false; // half a character at the end
        }
        std::u16string units(bytes.size() / 2, u'\0');
        for (std::size_t i = 0; i < units.size(); ++i) {
            units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                             (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
        }
        if (StrictFromUtf16(units, text)) {
            understood = false;
            text = FromUtf16(units);
        }
        return text;
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
        if (StrictFromUtf8(bytes, text)) {
            understood = false;
            text = FromUtf8(bytes);
        }
        return text;
    }
    return std::string(bytes);
}

// The key path a section line names; nothing for a section of another root,
// a deletion ("[-...]"), a path deeper than the registry keeps or a malformed
// line.
std::optional<std::vector<std::string_view>> ParseSection(PredefinedKey documentRoot,
                                                          std::string_view line)
{
    const std::size_t close = line.rfind(']');
    if (close == std::string_view::npos || close == 0) {
        return std::nullopt;
    }
    const std::string_view inner = line.substr(1, close - 1);
    if (inner.starts_with("-")) {
        return std::nullopt;
    }
    const std::size_t slash = inner.find('\\');
    const std::string_view rootName = inner.substr(0, slash);
    bool ours = false;
    for (const RootName& root : kRootNames) {
        if (root.key == documentRoot &&
            (NamesEqual(rootName, root.name) || NamesEqual(rootName, root.abbreviation))) {
            ours = true;
        }
    }
    if (!ours) {
        return std::nullopt;
    }
    std::vector<std::string_view> parts;
    if (slash != std::string_view::npos) {
        std::string_view rest = inner.substr(slash + 1);
        while (true) {
            const std::size_t next = rest.find('\\');
            const std::string_view part = rest.substr(0, next);
            if (!part.empty()) {
                if (parts.size() == kMaxKeyDepth) {
                    return std::nullopt;
                }
                parts.push_back(part);
            }
            if (next == std::string_view::npos) {
                break;
            }
            rest.remove_prefix(next + 1);
        }
    }
    return parts;
}

// A name with every letter in upper case: names that fold alike are the same name.
std::string FoldName(std::string_view name)
{
    std::string folded(name);
    for (char& c : folded) {
        c = static_cast<char>(kUpper[static_cast<unsigned char>(c)]);
    }
    return folded;
}

// What the parser knows of one key while it reads: where each subkey and
// value stands in the key's vectors, by folded name, so that a file with
// many keys under one parent is read in linear time.
struct KeyIndex {
    std::unordered_map<std::string, std::size_t> subkeys;
    std::unordered_map<std::string, std::size_t> values;
    std::vector<std::unique_ptr<KeyIndex>> children; // parallel to Key::subkeys
};

// A key the parser writes into, with its index; valid until the next section.
struct IndexedKey {
    RegistryDocument::Key* key = nullptr;
    KeyIndex* index = nullptr;

    // The subkey of that name, created at the end when it is new.
    IndexedKey Subkey(std::string_view name) const
    {
        const auto [at, inserted] = index->subkeys.try_emplace(FoldName(name), key->subkeys.size());
        if (inserted) {
            key->subkeys.push_back(RegistryDocument::Key{std::string(name), {}, {}});
            index->children.push_back(std::make_unique<KeyIndex>());
        }
        return {&key->subkeys[at->second], index->children[at->second].get()};
    }

    // Sets a value; an existing name keeps its first spelling.
    void SetValue(std::string name, RegistryValue value) const
    {
        const auto [at, inserted] = index->values.try_emplace(FoldName(name), key->values.size());
        if (inserted) {
            key->values.emplace_back(std::move(name), std::move(value));
        } else {
            key->values[at->second].second = std::move(value);
        }
    }
};

} // namespace

std::string_view PredefinedKeyName(PredefinedKey key)
{
    for (const RootName& root : kRootNames) {
        if (root.key == key) {
            return root.name;
        }
    }
    return {};
}

RegistryValue RegistryValue::String(std::string_view text)
{
    std::string data(text);
    data.push_back('\0');
    return {ValueType::Sz, std::move(data)};
}

RegistryValue RegistryValue::Dword(std::uint32_t value)
{
    std::string data(4, '\0');
    for (std::size_t i = 0; i < 4; ++i) {
        data[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    return {ValueType::Dword, std::move(data)};
}

bool NamesEqual(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (kUpper[static_cast<unsigned char>(a[i])] != kUpper[static_cast<unsigned char>(b[i])]) {
            return false;
        }
    }
    return true;
}

// ---------------------------------------------------------------- RegistryDocument

const RegistryValue* RegistryDocument::Key::FindValue(std::string_view valueName) const
{
    for (const auto& [storedName, value] : values) {
        if (NamesEqual(storedName, valueName)) {
            return &value;
        }
    }
    return nullptr;
}

const RegistryDocument::Key* RegistryDocument::Key::FindSubkey(std::string_view keyName) const
{
    for (const Key& subkey : subkeys) {
        if (NamesEqual(subkey.name, keyName)) {
            return &subkey;
        }
    }
    return nullptr;
}

RegistryDocument::Key* RegistryDocument::Key::FindSubkey(std::string_view keyName)
{
    return const_cast<Key*>(std::as_const(*this).FindSubkey(keyName));
}

void RegistryDocument::Key::SetValue(std::string_view valueName, RegistryValue value)
{
    for (auto& [storedName, existing] : values) {
        if (NamesEqual(storedName, valueName)) {
            existing = std::move(value); // the name keeps its first spelling
            return;
        }
    }
    values.emplace_back(std::string(valueName), std::move(value));
}

RegistryDocument::RegistryDocument(PredefinedKey root) : root_(root)
{
    rootKey_.name = std::string(PredefinedKeyName(root));
}

const RegistryDocument::Key* RegistryDocument::Find(const std::vector<std::string>& path) const
{
    const Key* key = &rootKey_;
    for (const std::string& part : path) {
        key = key->FindSubkey(part);
        if (key == nullptr) {
            return nullptr;
        }
    }
    return key;
}

RegistryDocument::Key* RegistryDocument::Find(const std::vector<std::string>& path)
{
    return const_cast<Key*>(std::as_const(*this).Find(path));
}

RegistryDocument::Key& RegistryDocument::Create(const std::vector<std::string>& path, bool& created)
{
    created = false;
    Key* key = &rootKey_;
    for (const std::string& part : path) {
        Key* next = key->FindSubkey(part);
        if (next == nullptr) {
            key->subkeys.push_back(Key{part, {}, {}});
            next = &key->subkeys.back();
            created = true;
        }
        key = next;
    }
    return *key;
}

RegistryDocument RegistryDocument::Parse(PredefinedKey root, std::string_view bytes, bool* complete)
{
    RegistryDocument document(root);
    KeyIndex rootIndex;
    const IndexedKey rootKey{&document.rootKey_, &rootIndex};
    bool understood = true;
    const std::string text = Decode(bytes, understood);
    LineReader lines(text);
    IndexedKey current; // none outside a section of this root
    bool first = true;
    std::string_view line;
    while (lines.Next(line)) {
        line = TrimBlanks(line);
        if (line.empty() || line.front() == ';') {
            continue;
        }
        const bool header = first && (line == kHeader || line == kOldHeader);
        first = false;
        if (header) {
            continue;
        }
        if (line.front() == '[') {
            current = {};
            if (const auto path = ParseSection(root, line)) {
                current = rootKey;
                for (const std::string_view part : *path) {
                    current = current.Subkey(part);
                }
            } else {
                understood = false;
            }
            continue;
        }
        std::string name;
        std::string_view rest;
        if (line.front() == '@') {
            rest = line.substr(1);
        } else if (line.front() == '"') {
            auto quoted = ParseQuoted(line, rest);
            if (!quoted) {
                understood = false;
                continue;
            }
            name = std::move(*quoted);
        } else {
            understood = false;
            continue;
        }
        rest = TrimBlanks(rest);
        if (!rest.starts_with("=")) {
            understood = false;
            continue;
        }
        // Read the data even outside a section, so that its continuation
        // lines are not taken for something else.
        auto value = ParseData(rest.substr(1), lines, understood);
        if (value && current.key != nullptr) {
            current.SetValue(std::move(name), std::move(*value));
        } else {
            understood = false;
        }
    }
    if (complete != nullptr) {
        *complete = understood;
    }
    return document;
}

std::string RegistryDocument::Serialize() const
{
    std::string out(kHeader);
    out += "\n\n";
    if (!rootKey_.values.empty()) {
        out += '[';
        out += rootKey_.name;
        out += "]\n";
        for (const auto& [name, value] : rootKey_.values) {
            AppendValue(out, name, value);
        }
        out += '\n';
    }
    for (const Key& subkey : rootKey_.subkeys) {
        AppendKey(out, rootKey_.name + '\\' + subkey.name, subkey);
    }
    return out;
}

} // namespace marlune::platform
