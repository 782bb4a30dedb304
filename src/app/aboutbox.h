#pragma once

#include <QDialog>

namespace marlune::app {

// The about box: the program's name, picture, description, copyright notice
// and the version of its executable. Created hidden at start-up and shown
// modally by the main window's About command; OK (also Enter) closes it.
// Its controls carry the object names that tests and assistive technology see.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 298;
    static constexpr int kClientHeight = 213;

    explicit AboutBox(QWidget* parent = nullptr);
};

} // namespace marlune::app
