#pragma once

#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace marlune::testing {

// One postcode record of the source CSV (data/aus_postcodes.csv), which the
// default data file is built from, in file order; an empty field is null.
struct CsvRecord {
    std::optional<std::string> pcode;
    std::optional<std::string> locality;
};
const std::vector<CsvRecord>& SourceRecords();

// The 1-based number of the first record whose field begins with `prefix`,
// ASCII case ignored; 0 when none does.
int FirstLocalityMatch(const std::string& prefix);
int FirstPcodeMatch(const std::string& prefix);

// Fixture of the tests of the program's model and of its window: an empty
// temporary working directory and a registry of its own.
class CatalogueTestBase : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string WorkDir() const;
    // Copies the built default data file into the working directory.
    void CopyRealDataFile(const std::string& name = "20051206.dat");
    void WriteFile(const std::string& name, const std::string& bytes);

    // The "DataFileName" value under the program's settings key, read and
    // written through the registry directly.
    void StoreDataFileName(const std::string& name);
    std::optional<std::string> StoredDataFileName() const;

private:
    std::unique_ptr<QTemporaryDir> dir_;
    QString previousDir_;
};

} // namespace marlune::testing
