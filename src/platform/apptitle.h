#pragma once

#include <string>

namespace marlune::platform {

// The application title (Windows-1252): the caption of every message box.
// Until start-up sets it, it is the executable's name.
std::string ApplicationTitle();
void SetApplicationTitle(std::string title);

} // namespace marlune::platform
