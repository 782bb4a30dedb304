#include "settings/storedata.h"

#include "platform/atomicfile.h"
#include "platform/error.h"
#include "platform/profile.h"
#include "platform/registry.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace marlune::settings {
namespace {

using platform::PredefinedKey;

PredefinedKey ToPredefinedKey(RootKey rootkey)
{
    switch (rootkey) {
    case hkeyClassesRoot:
        return PredefinedKey::ClassesRoot;
    case hkeyCurrentUser:
        return PredefinedKey::CurrentUser;
    case hkeyLocalMachine:
        return PredefinedKey::LocalMachine;
    case hkeyUsers:
        return PredefinedKey::Users;
    case hkeyCurrentConfig:
        return PredefinedKey::CurrentConfig;
    case hkeyDynData:
        return PredefinedKey::DynData;
    }
    return PredefinedKey::CurrentUser;
}

// The registry access object: it starts at HKEY_CURRENT_USER and opens the
// path there, creating it, before it switches to the configured root and
// opens (creating) the path again, so both keys exist afterwards. The handle
// closes when the object goes, on every path.
class RegistryAccess {
public:
    explicit RegistryAccess(const RegistryLocation& location)
    {
        platform::CreateKey(PredefinedKey::CurrentUser, location.Path());
        key_ = platform::CreateKey(ToPredefinedKey(location.Rootkey()), location.Path());
    }

    // Nothing when the key could not be opened or created.
    platform::RegistryKey* Key() { return key_ ? &*key_ : nullptr; }

private:
    std::optional<platform::RegistryKey> key_;
};

// An optionally signed run of decimal digits that fits an int, and nothing else.
std::optional<int> ParseInteger(const std::string& text)
{
    std::string_view digits = text;
    if (digits.starts_with("+")) {
        digits.remove_prefix(1);
        if (digits.starts_with("-")) {
            return std::nullopt;
        }
    }
    int value = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, value);
    if (error != std::errc() || stop != end || digits.empty()) {
        return std::nullopt;
    }
    return value;
}

// What the platform says of the write that just failed, for the end of the
// store's message; nothing where the message alone says enough.
std::string FailureReason()
{
    switch (platform::LastFileFailure()) {
    case platform::FileFailure::Locked:
        return ": another program holds the settings";
    case platform::FileFailure::NotUnderstood:
        return ": the settings file holds text this program cannot read, so it is left as it is";
    case platform::FileFailure::None:
    case platform::FileFailure::Unreadable:
    case platform::FileFailure::Unwritable:
    case platform::FileFailure::ReadOnly:
        break;
    }
    return {};
}

} // namespace

void RegistryLocation::SetPath(std::string path)
{
    std::replace(path.begin(), path.end(), '/', '\\');
    if (!path.empty() && path.front() != '\\') {
        path.insert(path.begin(), '\\');
    }
    path_ = std::move(path);
}

void DataStore::SetPassword(std::string password)
{
    password_ = password.empty() ? std::string(kDefaultPassword) : std::move(password);
}

void StoreData::RaiseError()
{
    if (OnError) {
        OnError(*this);
    }
}

StoreData::Gate StoreData::Check()
{
    if (!dataStore_.Enabled()) {
        return Gate::Stop;
    }
    if (dataStore_.Section().empty()) {
        RaiseError();
        return Gate::Stop;
    }
    if (dataStore_.Datatype() == sRegistry) {
        return dataStore_.Registry().Path().empty() ? Gate::Stop : Gate::Registry;
    }
    return dataStore_.Inifile().IniFilename().empty() ? Gate::Stop : Gate::IniFile;
}

std::optional<std::string> StoreData::ReadText(const std::string& name)
{
    RegistryAccess access(dataStore_.Registry());
    platform::RegistryKey* key = access.Key();
    if (key == nullptr) {
        return std::nullopt;
    }
    // The section is opened for reading only: it comes into being on a write.
    const std::optional<platform::RegistryKey> section = key->OpenSubKey(dataStore_.Section());
    if (!section) {
        return std::nullopt;
    }
    const std::optional<platform::RegistryValue> value = section->QueryValue(name);
    if (!value) {
        return std::nullopt;
    }
    if (value->data.empty()) {
        return std::string();
    }
    if (value->type != platform::ValueType::Sz && value->type != platform::ValueType::ExpandSz) {
        throw Error("Invalid data type for '" + name + "'");
    }
    return value->data.substr(0, value->data.find('\0'));
}

void StoreData::WriteText(const std::string& name, const std::string& value)
{
    RegistryAccess access(dataStore_.Registry());
    platform::RegistryKey* key = access.Key();
    std::optional<platform::RegistryKey> section;
    if (key != nullptr) {
        section = key->CreateSubKey(dataStore_.Section());
    }
    if (!section || !section->SetValue(name, platform::RegistryValue::String(value))) {
        throw Error("Failed to set data for '" + name + "'" + FailureReason());
    }
}

std::string StoreData::ReadString(const std::string& name, const std::string& defaultValue)
{
    std::string result = defaultValue;
    switch (Check()) {
    case Gate::Stop:
        return result;
    case Gate::Registry:
        if (std::optional<std::string> text = ReadText(name)) {
            result = std::move(*text);
        }
        break;
    case Gate::IniFile:
        result = platform::GetPrivateProfileString(dataStore_.Section(), name, defaultValue,
                                                   platform::kProfileBufferSize,
                                                   dataStore_.Inifile().IniFilename());
        break;
    }
    if (result == defaultValue) {
        RaiseError();
    }
    return result;
}

int StoreData::ReadInteger(const std::string& name, int defaultValue)
{
    int result = defaultValue;
    std::optional<std::string> text;
    switch (Check()) {
    case Gate::Stop:
        return result;
    case Gate::Registry:
        text = ReadText(name);
        break;
    case Gate::IniFile:
        text = platform::GetPrivateProfileString(dataStore_.Section(), name, "",
                                                 platform::kProfileBufferSize,
                                                 dataStore_.Inifile().IniFilename());
        break;
    }
    if (text) {
        result = ParseInteger(*text).value_or(defaultValue);
    }
    if (result == defaultValue) {
        RaiseError();
    }
    return result;
}

void StoreData::WriteString(const std::string& name, const std::string& value)
{
    platform::SetLastFileFailure(platform::FileFailure::None); // no reason left from before
    switch (Check()) {
    case Gate::Stop:
        return;
    case Gate::Registry:
        WriteText(name, value);
        return;
    case Gate::IniFile:
        if (!platform::WritePrivateProfileString(dataStore_.Section(), name, value,
                                                 dataStore_.Inifile().IniFilename())) {
            throw Error("Unable to write to " + dataStore_.Inifile().IniFilename() +
                        FailureReason());
        }
        return;
    }
}

void StoreData::WriteInteger(const std::string& name, int value)
{
    WriteString(name, std::to_string(value));
}

} // namespace marlune::settings
