#include "platform/registry.h"

#include "platform/atomicfile.h"

#include <QByteArray>
#include <QFile>
#include <QStandardPaths>
#include <QString>

#include <mutex>

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
//
// A file that was not fully understood (RegistryDocument::Parse) is never
// rewritten: a change to it is refused with FileFailure::NotUnderstood and the
// user's file stays byte for byte as it was. Refusing was chosen over moving
// the original aside as NAME.reg.bak: it loses nothing, leaves no second file
// to go stale or to be overwritten by the next such write, and reading from
// the file, and writes that change nothing, keep working.
bool ChangeDocument(PredefinedKey root, const std::function<Outcome(RegistryDocument&)>& change)
{
    Outcome outcome = Outcome::Failed;
    const bool stored = UpdateFileAtomically(
        RegistryFilePath(root),
        [&](const std::optional<std::string>& current) -> std::optional<std::string> {
            bool complete = true;
            RegistryDocument document = current ? RegistryDocument::Parse(root, *current, &complete)
                                                : RegistryDocument(root);
            outcome = change(document);
            if (outcome != Outcome::Changed) {
                return std::nullopt;
            }
            if (!complete) {
                outcome = Outcome::Failed;
                SetLastFileFailure(FileFailure::NotUnderstood);
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

std::string RegistryFilePath(PredefinedKey key)
{
    return RegistryRootDirectory() + "/" + std::string(PredefinedKeyName(key)) + ".reg";
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
