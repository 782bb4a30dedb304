// marlune-mkreportform: writes the postcode list's form data, the file that
// the report library compiles in as its stored template. Run it after
// changing the template's code:
//   marlune-mkreportform src/postcodelist/report1.frm
#include "platform/atomicfile.h"
#include "postcodelist/postcodelist.h"

#include <QGuiApplication>

#include <cstring>
#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2 || std::string(argv[1]).rfind('-', 0) == 0) {
        std::cerr << "usage: marlune-mkreportform OUTPUT\n"
                     "\n"
                     "Writes the postcode list report's form data (the marker 23, the size\n"
                     "and the template stream) to OUTPUT.\n";
        return 2;
    }
    // The logo is drawn with QPainter, which wants a GUI application; no
    // window is shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    const std::string output = argv[1];
    const std::string form = marlune::postcodelist::PostcodeListReportForm();
    if (const int error = marlune::platform::ReplaceFile(output, form)) {
        std::cerr << "marlune-mkreportform: cannot write " << output << ": " << std::strerror(error)
                  << '\n';
        return 1;
    }
    std::cout << form.size() << " bytes written to " << output << '\n';
    return 0;
}
