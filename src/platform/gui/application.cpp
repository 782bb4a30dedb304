#include "platform/gui/application.h"

#include "platform/appevents.h"
#include "platform/cp1252.h"
#include "platform/gui/messagebox.h"

#include <QCoreApplication>

namespace marlune::platform::gui {
namespace {

Application* g_application = nullptr;

void ShowError(const std::exception_ptr& error)
{
    // The program's own exception event stands in for the message box.
    if (const auto& handler = ApplicationExceptionHandler()) {
        handler(error);
        return;
    }
    ShowMessage(ErrorDisplayText(ErrorMessage(error)), MessageIcon::Error);
}

} // namespace

std::string ErrorDisplayText(std::string_view message)
{
    std::string text(message);
    // A byte comparison, as the texts are Windows-1252: everything above 0x2E
    // (so also accented letters) gets the full stop.
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') {
        text += '.';
    }
    return text;
}

std::string ErrorMessage(const std::exception_ptr& error)
{
    try {
        if (error) {
            std::rethrow_exception(error);
        }
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
    }
    return "An unknown error occurred";
}

void HandleException(std::exception_ptr error)
{
    Application* app = Application::Instance();
    if (app && app->dispatchDepth_ > 0) {
        app->pending_.push_back({app->dispatchDepth_, std::move(error)});
        return;
    }
    ShowError(error);
}

Application::Application(int& argc, char** argv) : QApplication(argc, argv)
{
    g_application = this;
}

Application::~Application()
{
    g_application = nullptr;
}

Application* Application::Instance()
{
    return g_application;
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    const int depth = ++dispatchDepth_;
    bool result = true;
    try {
        result = QApplication::notify(receiver, event);
    } catch (...) {
        pending_.push_back({depth, std::current_exception()});
    }
    ShowPendingFrom(depth);
    --dispatchDepth_;
    return result;
}

void Application::ShowPendingFrom(int depth)
{
    // Errors of this event and of events nested in it, in the order raised.
    // Showing one runs a modal loop, which may queue more at deeper levels.
    while (!pending_.empty()) {
        auto it = pending_.begin();
        while (it != pending_.end() && it->depth < depth) {
            ++it;
        }
        if (it == pending_.end()) {
            break;
        }
        std::exception_ptr error = std::move(it->error);
        pending_.erase(it);
        try {
            ShowError(error);
        } catch (...) {
            // Nothing sensible is left to report to.
        }
    }
}

} // namespace marlune::platform::gui
