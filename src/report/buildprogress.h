#pragma once

#include <functional>
#include <string>

// What a build asks of the window that shows its progress. The report core
// has no widgets: the program gives the report its progress window through
// this interface, and a build without one runs straight through.
namespace marlune::report {

class BuildProgress {
public:
    virtual ~BuildProgress() = default;

    // Shows the window modally with `caption` and `line` and runs `action`
    // once the window is on screen; returns when the window has closed,
    // true unless it closed with Cancel. The Cancel button calls `cancel`
    // and closes the window with Cancel.
    virtual bool RunModal(const std::string& caption, const std::string& line,
                          const std::function<void()>& action,
                          const std::function<void()>& cancel) = 0;
    // The window is on screen (a run is under way).
    virtual bool Showing() const = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void SetLine(const std::string& line) = 0;
    // Closes the window from its action: with OK, or with Cancel.
    virtual void Close(bool cancelled) = 0;
    // Lets the window handle pending events (its Cancel button, repaints).
    virtual void ProcessEvents() = 0;
};

} // namespace marlune::report
