#pragma once

#include <QString>

#include <functional>
#include <string>

// Message boxes: modal, one OK button, the application title as caption.
namespace marlune::platform::gui {

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
// The same with a caption of its own ("Error").
void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon);

// Shows one confirmation box with the buttons Yes and No; true for Yes.
using QuestionShower = std::function<bool(const MessageBoxRequest&)>;

// Replaces the question shower (tests answer instead of showing a modal box);
// an empty function restores the standard QMessageBox. Returns the one it
// replaced.
QuestionShower SetQuestionShower(QuestionShower shower);

// Asks `text` (Windows-1252 bytes) with the buttons Yes and No and the
// application title as caption; true when the answer is Yes.
bool AskYesNo(const std::string& text);

// Installs a shower for the lifetime of the object and puts the previous one
// back afterwards.
template <typename Shower, Shower (*Set)(Shower)> class ScopedShower {
public:
    explicit ScopedShower(Shower shower) : previous_(Set(std::move(shower))) {}
    ~ScopedShower() { Set(std::move(previous_)); }
    ScopedShower(const ScopedShower&) = delete;
    ScopedShower& operator=(const ScopedShower&) = delete;

private:
    Shower previous_;
};

using ScopedMessageBoxShower = ScopedShower<MessageBoxShower, &SetMessageBoxShower>;
using ScopedQuestionShower = ScopedShower<QuestionShower, &SetQuestionShower>;

} // namespace marlune::platform::gui
