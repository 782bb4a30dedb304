#pragma once

#include "app/mainwindow.h"
#include "widgets/labelededit.h"
#include "platform/gui/application.h"
#include "platform/gui/messagebox.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace marlune::testing {

// The process's one application object, created on first use (the tests run
// on the offscreen platform). Null when something else created a plain
// QApplication first.
platform::gui::Application* TestApplication();

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

// Fixture of the main-window tests: an empty temporary working directory, a
// registry of its own, and every message box recorded instead of shown.
class AppTestBase : public ::testing::Test {
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

    // Creates the main window, shows it and waits for its show step.
    app::MainWindow& ShowForm();

    std::vector<std::string> MessageTexts() const;

    std::unique_ptr<app::MainWindow> form_;
    std::vector<platform::gui::MessageBoxRequest> messages_;

private:
    std::unique_ptr<QTemporaryDir> dir_;
    QString previousDir_;
    std::unique_ptr<platform::gui::ScopedMessageBoxShower> recorder_;
};

} // namespace marlune::testing
