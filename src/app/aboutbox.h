#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace marlune::widgets {
class VersionLabel;
} // namespace marlune::widgets

namespace marlune::app {

// The about box: the program's name, picture, description, copyright notice
// and the version of its executable. Created hidden at start-up and shown
// modally by the main window's About command; OK (also Enter) closes it.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 298;
    static constexpr int kClientHeight = 213;

    explicit AboutBox(QWidget* parent = nullptr);

    QFrame* panel = nullptr;
    QLabel* programIcon = nullptr;
    QLabel* productName = nullptr;
    widgets::VersionLabel* versionLabel = nullptr;
    QLabel* copyright = nullptr;
    QLabel* comments = nullptr;
    QPushButton* okButton = nullptr;
};

} // namespace marlune::app
