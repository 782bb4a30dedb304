#include "app/aboutbox.h"
#include "app/mainwindow.h"
#include "net/downloadfiles.h"
#include "platform/gui/application.h"

#include <QIcon>

int main(int argc, char** argv)
{
    // A download past `ulimit -f` fails and cleans up instead of killing us.
    marlune::net::SurviveFileSizeLimit();
    marlune::platform::gui::Application application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("marlune"));
    QGuiApplication::setDesktopFileName(QStringLiteral("marlune"));
    application.SetTitle("Marlune");

    marlune::app::MainWindow window;
    window.catalogue().Updater().SetHost(MARLUNE_UPDATE_HOST);
    window.catalogue().Updater().SetPublicKey(MARLUNE_UPDATE_PUBLIC_KEY);
    application.setWindowIcon(window.windowIcon());
    // The second window; hidden until About shows it.
    marlune::app::AboutBox aboutBox;
    window.setAboutBox(&aboutBox);
    // The main window's closing ends the program, whatever else is open.
    QObject::connect(&window, &marlune::app::MainWindow::Closed, &application,
                     &QCoreApplication::quit);
    window.show();
    return application.exec();
}
