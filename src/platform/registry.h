#pragma once

#include "platform/registryfile.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A file-backed registry: one text file per predefined key (HKEY_CURRENT_USER.reg,
// HKEY_LOCAL_MACHINE.reg, ...) in the registry root directory, in the registry
// export format (registryfile.h).
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

std::string RegistryFilePath(PredefinedKey key); // "<root>/HKEY_CURRENT_USER.reg"

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

} // namespace marlune::platform
