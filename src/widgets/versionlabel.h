#pragma once

#include <QLabel>

#include <string>

namespace marlune::widgets {

// Which predefined value of the version information a VersionLabel shows.
enum VersionRes {
    verCompanyName,
    verFileDescription,
    verFileVersion,
    verInternalName,
    verLegalCopyright,
    verOriginalFilename,
    verProductName,
    verProductVersion,
    verComments,
    verFlags,
};

// The key a VersionRes value looks up and the prefix it shows.
struct VersionResRow {
    const char* key;
    const char* prefix;
};
VersionResRow VersionResInfo(VersionRes value);

// A label that shows one value of the version information of the program's
// own executable behind a prefix, as "Version: 1.0.0.1". Every setter that
// changes a value rebuilds the caption; a failure becomes the value text
// ("< No Data Available >" and the like), never an error.
class VersionLabel : public QLabel {
    Q_OBJECT
public:
    explicit VersionLabel(QWidget* parent = nullptr);

    VersionRes GetVersionRes() const { return versionRes_; }
    void SetVersionRes(VersionRes value);
    const std::string& VersionResKey() const { return versionResKey_; }
    void SetVersionResKey(const std::string& key);
    const std::string& InfoPrefix() const { return infoPrefix_; }
    void SetInfoPrefix(const std::string& prefix);
    bool ShowInfoPrefix() const { return showInfoPrefix_; }
    void SetShowInfoPrefix(bool show);
    // Eight hexadecimal digits, language then code page; "-1" for the first
    // entry of the translation table, replaced by that entry once found.
    const std::string& LangCharset() const { return langCharset_; }
    void SetLangCharset(const std::string& value);

    // The executable read; the program's own unless set (another file, such
    // as a copy without a version record, is read the same way).
    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& path);

    // The value text of the current settings, without the prefix.
    std::string ValueText();

private:
    void Rebuild();

    VersionRes versionRes_ = verFileVersion;
    std::string versionResKey_;
    std::string infoPrefix_;
    bool showInfoPrefix_ = true;
    std::string langCharset_ = "-1";
    std::string fileName_;
};

} // namespace marlune::widgets
