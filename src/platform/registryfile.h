#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The registry export format ("Windows Registry Editor Version 5.00"): the
// contents of one registry file, parsed and written. Names and texts are
// Windows-1252 bytes and are written unconverted; hex(1), hex(2) and hex(7)
// data are those bytes too (one byte per character).
namespace marlune::platform {

// The deepest key path the registry keeps (the platform's limit; it also
// bounds recursion over keys).
inline constexpr std::size_t kMaxKeyDepth = 512;

enum class PredefinedKey { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig, DynData };

std::string_view PredefinedKeyName(PredefinedKey key); // "HKEY_CURRENT_USER"

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
    // same key are merged. UTF-16LE and UTF-8 with a byte-order mark are read
    // as well as the 8-bit form, with LF, CR LF or CR line ends.
    // `complete`, when given, tells whether every line was understood, so
    // that writing the document back loses nothing but blank lines, comments
    // and the file's encoding. Lines that make it false: anything that is not
    // the header, a comment, a section of this root or a readable value in
    // such a section (other roots, deletions, text after a value, ...), and
    // characters Windows-1252 cannot hold.
    static RegistryDocument Parse(PredefinedKey root, std::string_view bytes,
                                  bool* complete = nullptr);
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

} // namespace marlune::platform
