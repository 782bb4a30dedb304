#pragma once

class QApplication;

namespace marlune::appmanager {

// The process's application object for these tests, created on first use.
QApplication* TestApplication();

} // namespace marlune::appmanager
