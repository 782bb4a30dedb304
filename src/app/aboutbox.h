#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace marlune::app {

class VersionLabel;

// The about box: the program's name, picture, description, copyright notice
// and the version of its executable. Created hidden at start-up and shown
// modally by the main window's About command; OK (also Enter) closes it.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 298;
    static constexpr int kClientHeight = 213;

    explicit TAboutBox(QWidget* parent = nullptr);

    QFrame* Panel1 = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* ProductName = nullptr;
    VersionLabel* VersionLabel1 = nullptr;
    QLabel* Copyright = nullptr;
    QLabel* Comments = nullptr;
    QPushButton* OKButton = nullptr;
};

} // namespace marlune::app
