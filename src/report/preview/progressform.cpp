#include "report/preview/progressform.h"

#include "platform/cp1252.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace marlune::report::preview {

namespace {

// Pending events are handled at most this often while work runs: often
// enough for the Cancel button and repaints, rarely enough to cost the
// work nothing.
constexpr std::chrono::milliseconds kEventInterval{15};

QString ToQt(const std::string& text)
{
    return platform::ToQString(text);
}

} // namespace

ProgressForm::ProgressForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("progressForm"));
    setFixedSize(278, 106);
    lineLabel_ = new QLabel(this);
    lineLabel_->setObjectName(QStringLiteral("Label1"));
    lineLabel_->setGeometry(20, 32, 237, lineLabel_->sizeHint().height());
    lineLabel_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton_->setObjectName(QStringLiteral("Button1"));
    cancelButton_->setGeometry(100, 68, 75, 25);
    cancelButton_->setAutoDefault(false);
    connect(cancelButton_, &QPushButton::clicked, this, [this] { reject(); });
}

bool ProgressForm::RunModal(const std::string& caption, const std::string& line,
                            const std::function<void()>& action,
                            const std::function<void()>& cancel)
{
    action_ = action;
    cancel_ = cancel;
    cancelled_ = false;
    SetCaption(caption);
    SetLine(line);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    // The action starts once the window is on screen and its loop runs.
    QTimer::singleShot(0, this, [this] { RunAction(); });
    const int result = exec();
    action_ = nullptr;
    cancel_ = nullptr;
    return result == QDialog::Accepted;
}

void ProgressForm::RunAction()
{
    running_ = true;
    lastEvents_ = {};
    if (action_) {
        action_();
    }
    running_ = false;
    done(cancelled_ ? QDialog::Rejected : QDialog::Accepted);
}

void ProgressForm::SetCaption(const std::string& caption)
{
    setWindowTitle(ToQt(caption));
}

void ProgressForm::SetLine(const std::string& line)
{
    lineLabel_->setText(ToQt(line));
}

void ProgressForm::Close(bool cancelled)
{
    cancelled_ = cancelled_ || cancelled;
}

void ProgressForm::ProcessEvents()
{
    const auto now = std::chrono::steady_clock::now();
    if (now - lastEvents_ < kEventInterval) {
        return;
    }
    lastEvents_ = now;
    QCoreApplication::processEvents();
}

// Cancel, Escape and the window's close button: the work is told to stop;
// the window closes when it has.
void ProgressForm::reject()
{
    if (!running_) {
        QDialog::reject();
        return;
    }
    cancelled_ = true;
    if (cancel_) {
        cancel_();
    }
}

} // namespace marlune::report::preview
