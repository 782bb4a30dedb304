#include "app/aboutbox.h"
#include "app/form1.h"
#include "net/downloadfiles.h"
#include "platform/gui/application.h"

#include <QIcon>

int main(int argc, char** argv)
{
    // A download past `ulimit -f` fails and cleans up instead of killing us.
    marlune::net::SurviveFileSizeLimit();
    marlune::platform::Application application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("marlune"));
    QGuiApplication::setDesktopFileName(QStringLiteral("marlune"));
    application.SetTitle("Marlune");

    marlune::app::TForm1 Form1;
    Form1.UpdateHost = MARLUNE_UPDATE_HOST;
    Form1.UpdatePublicKey = MARLUNE_UPDATE_PUBLIC_KEY;
    application.setWindowIcon(Form1.windowIcon());
    // The second window; hidden until About shows it.
    marlune::app::TAboutBox AboutBox;
    Form1.AboutBox = &AboutBox;
    // The main window's closing ends the program, whatever else is open.
    QObject::connect(&Form1, &marlune::app::TForm1::Closed, &application, &QCoreApplication::quit);
    Form1.show();
    return application.exec();
}
