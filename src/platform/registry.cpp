#include "platform/registry.h"

#include <QByteArray>
#include <QFile>
#include <QStandardPaths>
#include <QString>

#include <array>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <mutex>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace marlune::platform {
namespace {

// ---------------------------------------------------------------- root directory

std::mutex& RootDirectoryMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::string& RootDirectoryOverride()
{
    static std::string directory;
    return directory;
}

// ---------------------------------------------------------------- names

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

constexpr std::size_t kMaxKeyDepth = 512; // the platform's limit; it also bounds recursion

bool ValidName(std::string_view name)
{
    return name.find_first_of(std::string_view("\0\r\n", 3)) == std::string_view::npos;
}

// "\"-separated parts, empty parts skipped (so a leading "\" changes nothing);
// nothing when a part holds a character the file cannot keep in a name.
std::optional<std::vector<std::string>> SplitPath(std::string_view path)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string_view::npos) {
            end = path.size();
        }
        const std::string_view part = path.substr(start, end - start);
        if (!part.empty()) {
            if (!ValidName(part) || parts.size() == kMaxKeyDepth) {
                return std::nullopt;
            }
            parts.emplace_back(part);
        }
        start = end + 1;
    }
    return parts;
}

std::string JoinPath(const std::vector<std::string>& parts)
{
    std::string joined;
    for (const std::string& part : parts) {
        if (!joined.empty()) {
            joined += '\\';
        }
        joined += part;
    }
    return joined;
}

// ---------------------------------------------------------------- export format

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
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

std::string_view TrimLeft(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    return text;
}

std::string_view TrimRight(std::string_view text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

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
    text = TrimRight(TrimLeft(text));
    while (!text.empty()) {
        std::size_t comma = text.find(',');
        const bool last = comma == std::string_view::npos;
        const std::string_view token =
            TrimRight(TrimLeft(text.substr(0, last ? text.size() : comma)));
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
        text = TrimLeft(text.substr(comma + 1));
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

class LineReader {
public:
    explicit LineReader(std::string_view bytes) : bytes_(bytes) {}

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
        std::size_t end = bytes_.find('\n', pos_);
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
    std::size_t pos_ = 0;
};

// The data after '=' of a value line; nothing when it cannot be read. Hex
// data continued with a trailing "\" takes the following lines.
std::optional<RegistryValue> ParseData(std::string_view data, LineReader& lines)
{
    data = TrimLeft(data);
    if (!data.empty() && data.front() == '"') {
        std::string_view rest;
        auto text = ParseQuoted(data, rest);
        if (!text) {
            return std::nullopt;
        }
        text->push_back('\0');
        return RegistryValue{ValueType::Sz, std::move(*text)};
    }
    if (data.starts_with("dword:")) {
        const auto number = ParseHexNumber(TrimRight(TrimLeft(data.substr(6))));
        if (!number) {
            return std::nullopt;
        }
        return RegistryValue::Dword(*number);
    }
    if (!data.starts_with("hex")) {
        return std::nullopt; // includes "-", the export format's deletion mark
    }

    std::string hex(data.substr(3));
    for (std::string_view trimmed = TrimRight(hex); !trimmed.empty() && trimmed.back() == '\\';
         trimmed = TrimRight(hex)) {
        hex.resize(trimmed.size() - 1);
        // A file cut off inside continued data must not swallow the next
        // section or value.
        std::string_view next;
        if (!lines.Peek(next)) {
            break;
        }
        next = TrimLeft(next);
        if (next.starts_with("[") || next.starts_with("\"") || next.starts_with("@") ||
            next.starts_with(";")) {
            break;
        }
        lines.Next(next);
        hex += TrimLeft(next);
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

// The key a section line names, created in the document; nothing for a
// section of another root, a deletion ("[-...]") or a malformed line.
RegistryDocument::Key* ParseSection(RegistryDocument& document, std::string_view line)
{
    const std::size_t close = line.rfind(']');
    if (close == std::string_view::npos || close == 0) {
        return nullptr;
    }
    const std::string_view inner = line.substr(1, close - 1);
    if (inner.starts_with("-")) {
        return nullptr;
    }
    const std::size_t slash = inner.find('\\');
    const std::string_view rootName = inner.substr(0, slash);
    bool ours = false;
    for (const RootName& root : kRootNames) {
        if (root.key == document.RootKey() &&
            (NamesEqual(rootName, root.name) || NamesEqual(rootName, root.abbreviation))) {
            ours = true;
        }
    }
    if (!ours) {
        return nullptr;
    }
    std::vector<std::string> parts;
    if (slash != std::string_view::npos) {
        std::string_view rest = inner.substr(slash + 1);
        while (true) {
            const std::size_t next = rest.find('\\');
            const std::string_view part = rest.substr(0, next);
            if (!part.empty()) {
                if (parts.size() == kMaxKeyDepth) {
                    return nullptr;
                }
                parts.emplace_back(part);
            }
            if (next == std::string_view::npos) {
                break;
            }
            rest.remove_prefix(next + 1);
        }
    }
    bool created = false;
    return &document.Create(parts, created);
}

// ---------------------------------------------------------------- files

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int Get() const { return fd_; }
    // Closes now and tells whether the close succeeded (it reports late write errors).
    bool Close()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

// A temporary file that is removed unless it was renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile()
    {
        if (!path_.empty()) {
            ::unlink(path_.c_str());
        }
    }
    const std::string& Path() const { return path_; }
    void Release() { path_.clear(); }

private:
    std::string path_;
};

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

std::string Directory(const std::string& path)
{
    const std::string parent = std::filesystem::path(path).parent_path().string();
    return parent.empty() ? std::string(".") : parent;
}

std::atomic<unsigned> temporaryCounter{0};

// ---------------------------------------------------------------- documents

std::optional<RegistryDocument> LoadDocument(PredefinedKey root)
{
    const FileContents contents = ReadWholeFile(RegistryFilePath(root));
    switch (contents.state) {
    case FileContents::State::Missing:
        return RegistryDocument(root);
    case FileContents::State::Read:
        return RegistryDocument::Parse(root, contents.bytes);
    case FileContents::State::Failed:
        break;
    }
    return std::nullopt;
}

enum class Outcome { Failed, Unchanged, Changed };

// Applies a change to the root's file under its lock. False when the file
// could not be read or written or when the change itself failed.
bool ChangeDocument(PredefinedKey root, const std::function<Outcome(RegistryDocument&)>& change)
{
    Outcome outcome = Outcome::Failed;
    const bool stored = UpdateFileAtomically(
        RegistryFilePath(root),
        [&](const std::optional<std::string>& current) -> std::optional<std::string> {
            RegistryDocument document =
                current ? RegistryDocument::Parse(root, *current) : RegistryDocument(root);
            outcome = change(document);
            if (outcome != Outcome::Changed) {
                return std::nullopt;
            }
            return document.Serialize();
        },
        true);
    return stored && outcome != Outcome::Failed;
}

// Opens `relative` below `base`; both must exist. `written` gets `base` as
// given, then the names below it as the file spells them.
bool OpenBelow(PredefinedKey root, const std::vector<std::string>& base,
               const std::vector<std::string>& relative, std::vector<std::string>& written)
{
    const auto document = LoadDocument(root);
    if (!document) {
        return false;
    }
    const RegistryDocument::Key* key = document->Find(base);
    if (key == nullptr) {
        return false;
    }
    written = base;
    for (const std::string& part : relative) {
        key = key->FindSubkey(part);
        if (key == nullptr) {
            return false;
        }
        written.push_back(key->name);
    }
    return true;
}

// Creates `relative` below `base`, which must exist; `written` gets the
// full path with the names as the file spells them.
bool CreateBelow(PredefinedKey root, const std::vector<std::string>& base,
                 const std::vector<std::string>& relative, std::vector<std::string>& written)
{
    std::vector<std::string> full = base;
    full.insert(full.end(), relative.begin(), relative.end());
    if (full.size() > kMaxKeyDepth) {
        return false;
    }
    const auto record = [&](const RegistryDocument& document) {
        written.clear();
        const RegistryDocument::Key* key = &document.Root();
        for (const std::string& part : full) {
            key = key->FindSubkey(part);
            written.push_back(key->name);
        }
    };
    // Opening an existing key needs no lock and no write access.
    if (const auto document = LoadDocument(root); document && document->Find(full) != nullptr) {
        record(*document);
        return true;
    }
    return ChangeDocument(root, [&](RegistryDocument& document) {
        if (document.Find(base) == nullptr) {
            return Outcome::Failed;
        }
        bool created = false;
        document.Create(full, created);
        record(document);
        return created ? Outcome::Changed : Outcome::Unchanged;
    });
}

} // namespace

// ---------------------------------------------------------------- public

void SetRegistryRootDirectory(std::string path)
{
    const std::lock_guard lock(RootDirectoryMutex());
    RootDirectoryOverride() = std::move(path);
}

std::string RegistryRootDirectory()
{
    {
        const std::lock_guard lock(RootDirectoryMutex());
        if (!RootDirectoryOverride().empty()) {
            return RootDirectoryOverride();
        }
    }
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QFile::encodeName(base).toStdString() + "/marlune";
}

std::string_view PredefinedKeyName(PredefinedKey key)
{
    for (const RootName& root : kRootNames) {
        if (root.key == key) {
            return root.name;
        }
    }
    return {};
}

std::string RegistryFilePath(PredefinedKey key)
{
    return RegistryRootDirectory() + "/" + std::string(PredefinedKeyName(key)) + ".reg";
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

RegistryDocument RegistryDocument::Parse(PredefinedKey root, std::string_view bytes)
{
    RegistryDocument document(root);
    LineReader lines(bytes);
    Key* current = nullptr; // only valid until the next Create, which the next section does
    std::string_view line;
    while (lines.Next(line)) {
        line = TrimLeft(line);
        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (line.front() == '[') {
            current = ParseSection(document, TrimRight(line));
            continue;
        }
        std::string name;
        std::string_view rest;
        if (line.front() == '@') {
            rest = line.substr(1);
        } else if (line.front() == '"') {
            auto quoted = ParseQuoted(line, rest);
            if (!quoted) {
                continue;
            }
            name = std::move(*quoted);
        } else {
            continue;
        }
        rest = TrimLeft(rest);
        if (!rest.starts_with("=")) {
            continue;
        }
        // Read the data even outside a section, so that its continuation
        // lines are not taken for something else.
        auto value = ParseData(rest.substr(1), lines);
        if (value && current != nullptr) {
            current->SetValue(name, std::move(*value));
        }
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

// ---------------------------------------------------------------- files

FileContents ReadWholeFile(const std::string& path)
{
    FileContents contents;
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        // A missing file, or a directory on the way that is a plain file: nothing there.
        contents.state = (errno == ENOENT || errno == ENOTDIR) ? FileContents::State::Missing
                                                               : FileContents::State::Failed;
        return contents;
    }
    char buffer[16384];
    while (true) {
        const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            contents.state = FileContents::State::Failed;
            contents.bytes.clear();
            return contents;
        }
        if (got == 0) {
            break;
        }
        contents.bytes.append(buffer, static_cast<std::size_t>(got));
    }
    contents.state = FileContents::State::Read;
    return contents;
}

bool UpdateFileAtomically(
    const std::string& path,
    const std::function<std::optional<std::string>(const std::optional<std::string>&)>& edit,
    bool createDirectory)
{
    const std::string directory = Directory(path);
    if (createDirectory) {
        std::error_code ignored;
        std::filesystem::create_directories(directory, ignored);
    }

    const std::string lockPath = path + ".lock";
    FileDescriptor lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    if (lock.Get() < 0) {
        return false;
    }
    while (::flock(lock.Get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            return false;
        }
    }

    const FileContents current = ReadWholeFile(path);
    if (current.state == FileContents::State::Failed) {
        return false; // never replace what could not be read
    }
    const std::optional<std::string> replacement =
        edit(current.state == FileContents::State::Read ? std::optional<std::string>(current.bytes)
                                                        : std::nullopt);
    if (!replacement) {
        return true;
    }

    // O_EXCL with a fresh name rather than mkstemp, so the new file gets the
    // usual permissions under the umask.
    std::string temporaryPath;
    int rawFd = -1;
    for (int attempt = 0; attempt < 100 && rawFd < 0; ++attempt) {
        temporaryPath = path + ".tmp." + std::to_string(::getpid()) + "." +
                        std::to_string(temporaryCounter.fetch_add(1));
        rawFd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (rawFd < 0 && errno != EEXIST) {
            return false;
        }
    }
    if (rawFd < 0) {
        return false;
    }
    TemporaryFile temporary(temporaryPath);
    FileDescriptor out(rawFd);
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0) {
        ::fchmod(out.Get(), existing.st_mode & 07777);
    }
    if (!WriteAll(out.Get(), *replacement) || ::fsync(out.Get()) != 0 || !out.Close()) {
        return false;
    }
    if (::rename(temporary.Path().c_str(), path.c_str()) != 0) {
        return false;
    }
    temporary.Release();
    // Make the rename itself durable.
    FileDescriptor dir(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0) {
        ::fsync(dir.Get());
    }
    return true;
}

// ---------------------------------------------------------------- keys

std::optional<RegistryKey> OpenKey(PredefinedKey root, std::string_view path)
{
    const auto parts = SplitPath(path);
    if (!parts) {
        return std::nullopt;
    }
    std::vector<std::string> written;
    if (!OpenBelow(root, {}, *parts, written)) {
        return std::nullopt;
    }
    return RegistryKey(root, std::move(written));
}

std::optional<RegistryKey> CreateKey(PredefinedKey root, std::string_view path)
{
    const auto parts = SplitPath(path);
    if (!parts) {
        return std::nullopt;
    }
    std::vector<std::string> written;
    if (!CreateBelow(root, {}, *parts, written)) {
        return std::nullopt;
    }
    return RegistryKey(root, std::move(written));
}

std::string RegistryKey::Path() const
{
    return JoinPath(path_);
}

bool RegistryKey::Exists() const
{
    const auto document = LoadDocument(root_);
    return document && document->Find(path_) != nullptr;
}

std::optional<RegistryValue> RegistryKey::QueryValue(std::string_view name) const
{
    const auto document = LoadDocument(root_);
    if (!document) {
        return std::nullopt;
    }
    const RegistryDocument::Key* key = document->Find(path_);
    if (key == nullptr) {
        return std::nullopt;
    }
    const RegistryValue* value = key->FindValue(name);
    if (value == nullptr) {
        return std::nullopt;
    }
    return *value;
}

bool RegistryKey::SetValue(std::string_view name, const RegistryValue& value)
{
    if (!ValidName(name)) {
        return false;
    }
    return ChangeDocument(root_, [&](RegistryDocument& document) {
        RegistryDocument::Key* key = document.Find(path_);
        if (key == nullptr) {
            return Outcome::Failed;
        }
        const RegistryValue* existing = key->FindValue(name);
        if (existing != nullptr && *existing == value) {
            return Outcome::Unchanged;
        }
        key->SetValue(name, value);
        return Outcome::Changed;
    });
}

bool RegistryKey::DeleteValue(std::string_view name)
{
    return ChangeDocument(root_, [&](RegistryDocument& document) {
        RegistryDocument::Key* key = document.Find(path_);
        if (key == nullptr) {
            return Outcome::Failed;
        }
        for (auto it = key->values.begin(); it != key->values.end(); ++it) {
            if (NamesEqual(it->first, name)) {
                key->values.erase(it);
                return Outcome::Changed;
            }
        }
        return Outcome::Failed;
    });
}

std::optional<RegistryKey> RegistryKey::OpenSubKey(std::string_view path) const
{
    const auto parts = SplitPath(path);
    if (!parts) {
        return std::nullopt;
    }
    std::vector<std::string> written;
    if (!OpenBelow(root_, path_, *parts, written)) {
        return std::nullopt;
    }
    return RegistryKey(root_, std::move(written));
}

std::optional<RegistryKey> RegistryKey::CreateSubKey(std::string_view path) const
{
    const auto parts = SplitPath(path);
    if (!parts) {
        return std::nullopt;
    }
    std::vector<std::string> written;
    if (!CreateBelow(root_, path_, *parts, written)) {
        return std::nullopt;
    }
    return RegistryKey(root_, std::move(written));
}

bool RegistryKey::DeleteSubKey(std::string_view name) const
{
    const auto parts = SplitPath(name);
    if (!parts || parts->empty()) {
        return false;
    }
    std::vector<std::string> parentPath = path_;
    parentPath.insert(parentPath.end(), parts->begin(), parts->end() - 1);
    return ChangeDocument(root_, [&](RegistryDocument& document) {
        RegistryDocument::Key* parent = document.Find(parentPath);
        if (parent == nullptr) {
            return Outcome::Failed;
        }
        for (auto it = parent->subkeys.begin(); it != parent->subkeys.end(); ++it) {
            if (NamesEqual(it->name, parts->back())) {
                if (!it->subkeys.empty()) {
                    return Outcome::Failed;
                }
                parent->subkeys.erase(it);
                return Outcome::Changed;
            }
        }
        return Outcome::Failed;
    });
}

std::vector<std::string> RegistryKey::SubKeyNames() const
{
    std::vector<std::string> names;
    if (const auto document = LoadDocument(root_)) {
        if (const RegistryDocument::Key* key = document->Find(path_)) {
            for (const auto& subkey : key->subkeys) {
                names.push_back(subkey.name);
            }
        }
    }
    return names;
}

std::vector<std::string> RegistryKey::ValueNames() const
{
    std::vector<std::string> names;
    if (const auto document = LoadDocument(root_)) {
        if (const RegistryDocument::Key* key = document->Find(path_)) {
            for (const auto& [name, value] : key->values) {
                names.push_back(name);
            }
        }
    }
    return names;
}

} // namespace marlune::platform
