#include "cataloguetestbase.h"

#include "../support/shippedlist.h"

#include "platform/registry.h"

#include <QDir>
#include <QFile>

#include <fstream>
#include <sstream>

namespace marlune::testing {
namespace {

constexpr const char* kSettingsKey = "Software\\Calderix\\Marlune\\Settings";

std::string Lower(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

int FirstMatch(const std::string& prefix, std::optional<std::string> CsvRecord::*field)
{
    const std::string key = Lower(prefix);
    const auto& records = SourceRecords();
    for (std::size_t i = 0; i < records.size(); ++i) {
        const auto& value = records[i].*field;
        if (value && Lower(*value).starts_with(key)) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

} // namespace

const std::vector<CsvRecord>& SourceRecords()
{
    static const std::vector<CsvRecord> records = [] {
        std::vector<CsvRecord> out;
        for (const std::vector<std::string>& fields : marlune::test::ShippedListRows()) {
            CsvRecord record;
            if (!fields[0].empty()) {
                record.pcode = fields[0];
            }
            if (!fields[1].empty()) {
                record.locality = fields[1];
            }
            out.push_back(std::move(record));
        }
        return out;
    }();
    return records;
}

int FirstLocalityMatch(const std::string& prefix)
{
    return FirstMatch(prefix, &CsvRecord::locality);
}

int FirstPcodeMatch(const std::string& prefix)
{
    return FirstMatch(prefix, &CsvRecord::pcode);
}

void CatalogueTestBase::SetUp()
{
    dir_ = std::make_unique<QTemporaryDir>();
    ASSERT_TRUE(dir_->isValid());
    previousDir_ = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir_->path()));
    QDir(dir_->path()).mkpath(QStringLiteral("registry"));
    platform::SetRegistryRootDirectory(dir_->filePath(QStringLiteral("registry")).toStdString());
}

void CatalogueTestBase::TearDown()
{
    platform::SetRegistryRootDirectory({});
    QDir::setCurrent(previousDir_);
    dir_.reset();
}

std::string CatalogueTestBase::WorkDir() const
{
    return dir_->path().toStdString();
}

void CatalogueTestBase::CopyRealDataFile(const std::string& name)
{
    const QString source = QStringLiteral(MARLUNE_BINARY_DIR "/bin/20051206.dat");
    ASSERT_TRUE(QFile::exists(source)) << "the default data file has not been built";
    ASSERT_TRUE(QFile::copy(source, dir_->filePath(QString::fromStdString(name))));
}

void CatalogueTestBase::WriteFile(const std::string& name, const std::string& bytes)
{
    std::ofstream out(WorkDir() + "/" + name, std::ios::binary);
    out << bytes;
    ASSERT_TRUE(out.good());
}

void CatalogueTestBase::StoreDataFileName(const std::string& name)
{
    auto key = platform::CreateKey(platform::PredefinedKey::CurrentUser, kSettingsKey);
    ASSERT_TRUE(key.has_value());
    ASSERT_TRUE(key->SetValue("DataFileName", platform::RegistryValue::String(name)));
}

std::optional<std::string> CatalogueTestBase::StoredDataFileName() const
{
    auto key = platform::OpenKey(platform::PredefinedKey::CurrentUser, kSettingsKey);
    if (!key) {
        return std::nullopt;
    }
    auto value = key->QueryValue("DataFileName");
    if (!value || value->type != platform::ValueType::Sz) {
        return std::nullopt;
    }
    std::string text = value->data;
    if (const auto nul = text.find('\0'); nul != std::string::npos) {
        text.resize(nul);
    }
    return text;
}

} // namespace marlune::testing
