#include "widgets/versionlabel.h"

#include "platform/cp1252.h"
#include "platform/versionres.h"

#include <array>
#include <cstdio>
#include <cstdint>
#include <vector>

namespace marlune::widgets {
namespace {

constexpr std::array<VersionResRow, 10> kRows = {{
    {"CompanyName", "Company Name:"},
    {"FileDescription", "File Description:"},
    {"FileVersion", "File Version:"},
    {"InternalName", "Internal Name:"},
    {"LegalCopyright", "Legal Copyright:"},
    {"OriginalFilename", "Original Filename:"},
    {"ProductName", "Product Name:"},
    {"ProductVersion", "Product Version:"},
    {"Comments", "Comments:"},
    {"Flags", "Flags:"},
}};

constexpr const char* kNoData = "< No Data Available >";
constexpr const char* kErrorVersion = "< Error retrieving version info >";
constexpr const char* kErrorTranslation = "< Error retrieving translation info >";
constexpr const char* kNoVersionInfo = "< No Version Info >";

std::string FlagNames(std::uint32_t flags)
{
    static constexpr std::array<const char*, 6> kNames = {
        "Debug Build",   "Pre-Release Build", "Patched Build",
        "Private Build", "InfoInferred",      "Special Build",
    };
    std::string text;
    for (std::size_t bit = 0; bit < kNames.size(); ++bit) {
        if ((flags & (1U << bit)) != 0) {
            if (!text.empty()) {
                text += ", ";
            }
            text += kNames[bit];
        }
    }
    return text;
}

std::uint32_t Word(const std::string& bytes, std::size_t at, std::size_t width)
{
    std::uint32_t value = 0;
    for (std::size_t i = width; i > 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i - 1]);
    }
    return value;
}

} // namespace

VersionResRow VersionResInfo(VersionRes value)
{
    return kRows.at(static_cast<std::size_t>(value));
}

VersionLabel::VersionLabel(QWidget* parent)
    : QLabel(parent), versionResKey_(kRows[verFileVersion].key),
      infoPrefix_(kRows[verFileVersion].prefix), fileName_(platform::OwnExecutablePath())
{
    setWordWrap(false);
    Rebuild();
}

void VersionLabel::SetVersionRes(VersionRes value)
{
    if (value == versionRes_) {
        return;
    }
    versionRes_ = value;
    SetVersionResKey(VersionResInfo(value).key);
    SetInfoPrefix(VersionResInfo(value).prefix);
}

void VersionLabel::SetVersionResKey(const std::string& key)
{
    if (key == versionResKey_) {
        return;
    }
    versionResKey_ = key;
    // The key doubles as the prefix until a prefix of its own is set.
    SetInfoPrefix(key);
}

void VersionLabel::SetInfoPrefix(const std::string& prefix)
{
    if (prefix == infoPrefix_) {
        return;
    }
    infoPrefix_ = prefix;
    Rebuild();
}

void VersionLabel::SetShowInfoPrefix(bool show)
{
    if (show == showInfoPrefix_) {
        return;
    }
    showInfoPrefix_ = show;
    Rebuild();
}

void VersionLabel::SetLangCharset(const std::string& value)
{
    if (value == langCharset_) {
        return;
    }
    langCharset_ = value;
    Rebuild();
}

void VersionLabel::SetFileName(const std::string& path)
{
    if (path == fileName_) {
        return;
    }
    fileName_ = path;
    Rebuild();
}

std::string VersionLabel::ValueText()
{
    const std::uint32_t size = platform::VersionInfoSize(fileName_);
    if (size == 0) {
        return kNoData;
    }
    std::vector<char> info;
    if (!platform::ReadVersionInfo(fileName_, size + 1, info)) {
        return kErrorVersion;
    }
    if (versionRes_ == verFlags) {
        const auto fixed = platform::QueryVersionValue(info, "\\");
        if (!fixed) {
            return kErrorVersion;
        }
        if (fixed->size() < platform::kFixedFileFlagsOffset + 4) {
            // Too short to hold the flags: nothing to list.
            return {};
        }
        return FlagNames(Word(*fixed, platform::kFixedFileFlagsOffset, 4));
    }
    if (langCharset_ == "-1") {
        const auto translation = platform::QueryVersionValue(info, "\\VarFileInfo\\Translation");
        if (!translation || translation->size() < 4) {
            return kErrorTranslation;
        }
        std::array<char, 9> code{};
        std::snprintf(code.data(), code.size(), "%04X%04X", Word(*translation, 0, 2),
                      Word(*translation, 2, 2));
        langCharset_ = code.data(); // no rebuild: the lookup goes on with it
    }
    const auto value = platform::QueryVersionValue(info, "\\StringFileInfo\\" + langCharset_ +
                                                             "\\" + versionResKey_);
    if (!value) {
        return kErrorVersion;
    }
    if (value->size() < 2) {
        return kNoVersionInfo;
    }
    return value->substr(0, value->size() - 1);
}

void VersionLabel::Rebuild()
{
    const std::string value = ValueText();
    const std::string caption = showInfoPrefix_ ? infoPrefix_ + " " + value : value;
    setText(platform::ToQString(caption));
    adjustSize();
}

} // namespace marlune::widgets
