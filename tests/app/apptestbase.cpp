#include "apptestbase.h"

#include "platform/cp1252.h"

#include <QTest>

namespace marlune::testing {

void AppTestBase::SetUp()
{
    TestApplication();
    platform::SetApplicationTitle("Marlune");
    CatalogueTestBase::SetUp();
    recorder_ = std::make_unique<platform::gui::ScopedMessageBoxShower>(
        [this](const platform::gui::MessageBoxRequest& request) { messages_.push_back(request); });
}

void AppTestBase::TearDown()
{
    form_.reset();
    recorder_.reset();
    CatalogueTestBase::TearDown();
}

app::MainWindow& AppTestBase::ShowForm()
{
    form_ = std::make_unique<app::MainWindow>();
    form_->show();
    EXPECT_TRUE(QTest::qWaitFor([this] { return form_->showStepDone(); }, 10000));
    return *form_;
}

std::vector<std::string> AppTestBase::MessageTexts() const
{
    std::vector<std::string> texts;
    for (const auto& m : messages_) {
        texts.push_back(platform::FromQString(m.text));
    }
    return texts;
}

} // namespace marlune::testing
