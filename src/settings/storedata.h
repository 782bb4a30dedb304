#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>

// StoreData keeps named values in one section of the registry or of an INI
// file. Every call opens the key or the file, does its one read or write and
// closes it again; nothing is cached.
namespace marlune::settings {

enum StoreType { sRegistry = 0, sIniFile = 1 };

enum RootKey {
    hkeyClassesRoot,
    hkeyCurrentUser,
    hkeyLocalMachine,
    hkeyUsers,
    hkeyCurrentConfig,
    hkeyDynData
};

class RegistryLocation {
public:
    RootKey Rootkey() const { return rootkey_; }
    void SetRootkey(RootKey rootkey) { rootkey_ = rootkey; }

    // Assigning turns "/" into "\" and puts one "\" in front of a path that
    // lacks it, so the path is always absolute to the root.
    const std::string& Path() const { return path_; }
    void SetPath(std::string path);

private:
    RootKey rootkey_ = hkeyCurrentUser;
    std::string path_ = "\\Software\\Company\\Product";
};

class IniFileLocation {
public:
    // Passed unchanged to the profile functions; a name without a directory
    // lives in the user's configuration directory.
    const std::string& IniFilename() const { return iniFilename_; }
    void SetIniFilename(std::string iniFilename) { iniFilename_ = std::move(iniFilename); }

private:
    std::string iniFilename_ = "MyFile.ini";
};

class DataStore {
public:
    static constexpr const char* kDefaultPassword = "Kangaroo";

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled) { enabled_ = enabled; }

    const std::string& Section() const { return section_; }
    void SetSection(std::string section) { section_ = std::move(section); }

    // Kept for the component's users; the store itself never reads it. An
    // empty text stores the default.
    const std::string& Password() const { return password_; }
    void SetPassword(std::string password);

    StoreType Datatype() const { return datatype_; }
    void SetDatatype(StoreType datatype) { datatype_ = datatype; }

    RegistryLocation& Registry() { return registry_; }
    const RegistryLocation& Registry() const { return registry_; }
    IniFileLocation& Inifile() { return inifile_; }
    const IniFileLocation& Inifile() const { return inifile_; }

private:
    bool enabled_ = true;
    std::string section_ = "MySection";
    std::string password_ = kDefaultPassword;
    StoreType datatype_ = sRegistry;
    RegistryLocation registry_;
    IniFileLocation inifile_;
};

// Failures of the registry or the file are marlune::Error exceptions:
// "Invalid data type for '<name>'" (a value that is not REG_SZ or
// REG_EXPAND_SZ), "Failed to set data for '<name>'" (a registry write that
// failed), "Unable to write to <file>" (an INI write that failed). OnError is
// raised when no section is configured, and after every read whose result
// equals its default, also when a stored value happens to equal it.
class StoreData {
public:
    settings::DataStore& DataStore() { return dataStore_; }
    const settings::DataStore& DataStore() const { return dataStore_; }

    std::function<void(StoreData& sender)> OnError;

    std::string ReadString(const std::string& name, const std::string& defaultValue);
    void WriteString(const std::string& name, const std::string& value);
    int ReadInteger(const std::string& name, int defaultValue);
    void WriteInteger(const std::string& name, int value);

private:
    enum class Gate { Stop, Registry, IniFile };
    // Steps shared by every operation: disabled or unconfigured stores stop here.
    Gate Check();
    // The stored text; nothing when the key or the value is missing.
    std::optional<std::string> ReadText(const std::string& name);
    void WriteText(const std::string& name, const std::string& value);
    void RaiseError();

    settings::DataStore dataStore_;
};

} // namespace marlune::settings
