#pragma once

#include "app/mainwindow.h"
#include "cataloguetestbase.h"
#include "../support/guiapplication.h"
#include "platform/gui/application.h"
#include "platform/gui/messagebox.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace marlune::testing {

// Fixture of the main-window tests: an empty temporary working directory, a
// registry of its own, and every message box recorded instead of shown.
class AppTestBase : public CatalogueTestBase {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the main window, shows it and waits for its show step.
    app::MainWindow& ShowForm();

    // The window's control of that object name, found as a test of any Qt
    // program finds it; raises, failing the test, when there is none.
    template <class Control> Control& Find(const char* objectName) const
    {
        auto* found = form_->findChild<Control*>(QLatin1String(objectName));
        if (found == nullptr) {
            throw std::logic_error(std::string("no control named ") + objectName);
        }
        return *found;
    }
    // The table behind the window.
    table::MemTable& Table() const { return form_->catalogue().Table(); }

    std::vector<std::string> MessageTexts() const;

    std::unique_ptr<app::MainWindow> form_;
    std::vector<platform::gui::MessageBoxRequest> messages_;

private:
    std::unique_ptr<platform::gui::ScopedMessageBoxShower> recorder_;
};

} // namespace marlune::testing
