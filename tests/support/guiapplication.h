#pragma once

#include "platform/gui/application.h"

#include <QCoreApplication>

namespace marlune::testing {

// The process's one application object, created on first use (the tests run
// on the offscreen platform). Null when something else created a plain
// QApplication first.
inline platform::gui::Application* TestApplication()
{
    static platform::gui::Application* app = [] {
        if (QCoreApplication::instance()) {
            return dynamic_cast<platform::gui::Application*>(QCoreApplication::instance());
        }
        static int argc = 1;
        static char name[] = "marlune_tests";
        static char* argv[] = {name, nullptr};
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new platform::gui::Application(argc, argv);
    }();
    return app;
}

} // namespace marlune::testing
