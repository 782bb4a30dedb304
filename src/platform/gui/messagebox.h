#pragma once

#include <QString>

#include <functional>
#include <string>

// Message boxes: modal, one OK button, the application title as caption.
namespace marlune::platform {

enum class MessageIcon { None, Information, Warning, Error };

// What a message box shows; the text is already converted for the screen.
struct MessageBoxRequest {
    QString text;
    QString caption;
    MessageIcon icon = MessageIcon::None;
};

// Shows one message box and returns when the user has closed it.
using MessageBoxShower = std::function<void(const MessageBoxRequest&)>;

// Replaces the shower (tests record instead of showing a modal box); an empty
// function restores the standard QMessageBox. Returns the shower it replaced.
MessageBoxShower SetMessageBoxShower(MessageBoxShower shower);

// Shows `text` (Windows-1252 bytes) with the application title as caption.
void ShowMessage(const std::string& text, MessageIcon icon = MessageIcon::None);

// Installs a shower for the lifetime of the object and puts the previous one
// back afterwards.
class ScopedMessageBoxShower {
public:
    explicit ScopedMessageBoxShower(MessageBoxShower shower)
        : previous_(SetMessageBoxShower(std::move(shower)))
    {
    }
    ~ScopedMessageBoxShower() { SetMessageBoxShower(std::move(previous_)); }
    ScopedMessageBoxShower(const ScopedMessageBoxShower&) = delete;
    ScopedMessageBoxShower& operator=(const ScopedMessageBoxShower&) = delete;

private:
    MessageBoxShower previous_;
};

} // namespace marlune::platform
