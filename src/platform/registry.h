#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A file-backed registry: one text file per predefined key (HKEY_CURRENT_USER.reg,
// HKEY_LOCAL_MACHINE.reg, ...) in the registry root directory, in the registry
// export format. Names and texts are Windows-1252 bytes and are written to the
// file unconverted; hex(1), hex(2) and hex(7) data are those bytes too (one
// byte per character, not UTF-16 as a Windows export would have them).
//
// Nothing is cached: every call reads the file, every change is a
// read-modify-write under an exclusive lock on "<file>.lock" that replaces the
// file by a freshly written, flushed temporary file, so that concurrent
// programs never lose each other's changes and a reader never sees half a file.
namespace marlune::platform {

// Where the files live: by default the generic configuration location plus
// "/marlune" (~/.config/marlune). Set a directory for tests; an empty path
// goes back to the default.
void SetRegistryRootDirectory(std::string path);
std::string RegistryRootDirectory();

enum class PredefinedKey { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig, DynData };

std::string_view PredefinedKeyName(PredefinedKey key); // "HKEY_CURRENT_USER"
std::string RegistryFilePath(PredefinedKey key);       // "<root>/HKEY_CURRENT_USER.reg"

// The value types, numbered as the platform numbers them; other numbers are
// kept as they are.
enum class ValueType : std::uint32_t {
    None = 0,
    Sz = 1,
    ExpandSz = 2,
    Binary = 3,
    Dword = 4,
    DwordBigEndian = 5,
    Link = 6,
    MultiSz = 7,
    ResourceList = 8,
    FullResourceDescriptor = 9,
    ResourceRequirementsList = 10,
    Qword = 11,
};

struct RegistryValue {
    ValueType type = ValueType::None;
    std::string data; // the raw bytes; an REG_SZ text includes its terminating NUL

    static RegistryValue String(std::string_view text); // REG_SZ: text + NUL
    static RegistryValue Dword(std::uint32_t value);    // little-endian
    bool operator==(const RegistryValue&) const = default;
};

// Key and value names match regardless of case (Windows-1252 letters), and
// keep the case they were first written with.
bool NamesEqual(std::string_view a, std::string_view b);

// The contents of one registry file.
class RegistryDocument {
public:
    struct Key {
        std::string name;
        std::vector<std::pair<std::string, RegistryValue>> values; // in file order
        std::vector<Key> subkeys;                                  // in file order

        const RegistryValue* FindValue(std::string_view valueName) const;
        const Key* FindSubkey(std::string_view keyName) const;
        Key* FindSubkey(std::string_view keyName);
        void SetValue(std::string_view valueName, RegistryValue value);
        bool operator==(const Key&) const = default;
    };

    explicit RegistryDocument(PredefinedKey root);

    // Never fails: lines that cannot be read are skipped, everything else is kept.
    // Later values of the same name replace earlier ones; sections naming the
    // same key are merged.
    static RegistryDocument Parse(PredefinedKey root, std::string_view bytes);
    std::string Serialize() const;

    PredefinedKey RootKey() const { return root_; }
    Key& Root() { return rootKey_; }
    const Key& Root() const { return rootKey_; }

    const Key* Find(const std::vector<std::string>& path) const;
    Key* Find(const std::vector<std::string>& path);
    // Finds or creates the key; `created` tells whether anything was added.
    Key& Create(const std::vector<std::string>& path, bool& created);

    bool operator==(const RegistryDocument&) const = default;

private:
    PredefinedKey root_;
    Key rootKey_;
};

// An open key. Closing is destruction; the handle holds no file open. A key
// deleted while a handle is open reads as empty and refuses writes.
class RegistryKey {
public:
    RegistryKey(RegistryKey&&) noexcept = default;
    RegistryKey& operator=(RegistryKey&&) noexcept = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    ~RegistryKey() = default;

    PredefinedKey Root() const { return root_; }
    std::string Path() const; // below the root, "\"-separated, as written

    std::optional<RegistryValue> QueryValue(std::string_view name) const;
    bool SetValue(std::string_view name, const RegistryValue& value);
    bool DeleteValue(std::string_view name);

    // Paths are relative to this key; "\" separates, empty parts are skipped.
    std::optional<RegistryKey> OpenSubKey(std::string_view path) const;
    std::optional<RegistryKey> CreateSubKey(std::string_view path) const;
    // Deletes a direct subkey that has no subkeys of its own.
    bool DeleteSubKey(std::string_view name) const;

    std::vector<std::string> SubKeyNames() const;
    std::vector<std::string> ValueNames() const;
    bool Exists() const;

private:
    friend std::optional<RegistryKey> OpenKey(PredefinedKey, std::string_view);
    friend std::optional<RegistryKey> CreateKey(PredefinedKey, std::string_view);
    RegistryKey(PredefinedKey root, std::vector<std::string> path)
        : root_(root), path_(std::move(path))
    {
    }

    PredefinedKey root_;
    std::vector<std::string> path_;
};

// Opens an existing key; nothing when it does not exist or cannot be read.
std::optional<RegistryKey> OpenKey(PredefinedKey root, std::string_view path);
// Opens a key, creating it and the keys above it as needed; nothing when it
// cannot be created (bad name, file not writable). An empty path is the root.
std::optional<RegistryKey> CreateKey(PredefinedKey root, std::string_view path);

// The file primitives the registry and the profile functions share.
struct FileContents {
    enum class State { Missing, Read, Failed } state = State::Missing;
    std::string bytes;
};
FileContents ReadWholeFile(const std::string& path);

// Atomically replaces a file under its lock file: `edit` gets the current
// contents (nothing when the file does not exist) and returns the new
// contents, or nothing to leave the file alone. False when the file cannot be
// read, locked, written or replaced; the old file is then unchanged. With
// `createDirectory` the file's directory is made first if it is missing.
bool UpdateFileAtomically(
    const std::string& path,
    const std::function<std::optional<std::string>(const std::optional<std::string>&)>& edit,
    bool createDirectory = false);

} // namespace marlune::platform
