#include "hintstest.h"

namespace marlune::hints::testing {

QApplication* TestApplication()
{
    static QApplication* app = [] {
        if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance())) {
            return existing;
        }
        static int argc = 1;
        static char name[] = "hints_tests";
        static char* argv[] = {name, nullptr};
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return app;
}

QRect BoxOf(const QImage& image, QRgb color)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) & 0xFFFFFFu) == (color & 0xFFFFFFu)) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

} // namespace marlune::hints::testing
