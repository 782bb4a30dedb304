#pragma once

#include "platform/apptitle.h"

#include <QApplication>

#include <exception>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The application object: the process-wide title and the default error
// handling for errors that no handler catches.
namespace marlune::platform::gui {

// The text the default error handling shows for an error message: the
// message, with a full stop appended when its last character sorts after the
// full stop (letters, digits and most symbols; not ".", ")" or "!").
std::string ErrorDisplayText(std::string_view message);

// The message of an error (marlune::Error or any std::exception).
std::string ErrorMessage(const std::exception_ptr& error);

// The default error handling: shows the error in a message box with the
// application title as caption, an error icon and an OK button. While the
// Application is dispatching an event, the box comes up once that event's
// handler has ended, as if the error had unwound the handler; otherwise at
// once.
void HandleException(std::exception_ptr error);

// Runs one event handler and hands an error it raises to HandleException.
// Signal connections go through this, so that no exception unwinds through
// Qt's own code.
template <typename Handler> void RunHandler(Handler&& handler)
{
    try {
        std::forward<Handler>(handler)();
    } catch (...) {
        HandleException(std::current_exception());
    }
}

class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);
    ~Application() override;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The running Application, or nullptr when the process has none (a plain
    // QApplication in some tests).
    static Application* Instance();

    std::string Title() const { return ApplicationTitle(); }
    void SetTitle(std::string title) { SetApplicationTitle(std::move(title)); }

    // Catches whatever escapes an event handler and shows it.
    bool notify(QObject* receiver, QEvent* event) override;

private:
    friend void HandleException(std::exception_ptr error);

    struct PendingError {
        int depth;
        std::exception_ptr error;
    };
    void ShowPendingFrom(int depth);

    int dispatchDepth_ = 0;
    std::vector<PendingError> pending_;
};

} // namespace marlune::platform::gui
