#pragma once

#include "report/buildprogress.h"

#include <QDialog>

#include <chrono>
#include <functional>

class QLabel;
class QPushButton;

// The progress window of report builds and print runs: one line of text and
// a Cancel button. It runs the work as its action once it is on screen and
// closes when the action is done.
namespace marlune::report::preview {

class ProgressForm final : public QDialog, public BuildProgress {
public:
    explicit ProgressForm(QWidget* parent = nullptr);

    bool RunModal(const std::string& caption, const std::string& line,
                  const std::function<void()>& action,
                  const std::function<void()>& cancel) override;
    bool Showing() const override { return running_; }
    void SetCaption(const std::string& caption) override;
    void SetLine(const std::string& line) override;
    void Close(bool cancelled) override;
    void ProcessEvents() override;

protected:
    void reject() override;

private:
    void RunAction();

    QLabel* lineLabel_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    std::function<void()> action_;
    std::function<void()> cancel_;
    bool running_ = false;
    bool cancelled_ = false;
    std::chrono::steady_clock::time_point lastEvents_{};
};

} // namespace marlune::report::preview
