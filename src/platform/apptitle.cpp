#include "platform/apptitle.h"

#include "platform/cp1252.h"

#include <QCoreApplication>

#include <optional>

namespace marlune::platform {
namespace {

// Process-wide, as the title of the original application object is.
std::optional<std::string>& Title()
{
    static std::optional<std::string> title;
    return title;
}

} // namespace

std::string ApplicationTitle()
{
    if (Title()) {
        return *Title();
    }
    return platform::FromQString(QCoreApplication::applicationName());
}

void SetApplicationTitle(std::string title)
{
    Title() = std::move(title);
}

} // namespace marlune::platform
