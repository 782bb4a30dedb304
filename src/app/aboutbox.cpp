#include "app/aboutbox.h"

#include "widgets/proportionalpicture.h"
#include "widgets/versionlabel.h"
#include "platform/paint/colors.h"
#include "platform/paint/fonts.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace marlune::app {
namespace {

QLabel* SizedLabel(QWidget* parent, const char* name, const QString& text, int left, int top)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->move(left, top);
    label->adjustSize();
    return label;
}

} // namespace

AboutBox::AboutBox(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    // A dialog border: no minimise or maximise box, no resizing.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(kClientWidth, kClientHeight);
    setFont(platform::paint::SansSerifFont(11));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, platform::paint::ColorToQColor(platform::paint::clBtnFace));
    setPalette(pal);
    setAutoFillBackground(true);

    // Raised inner bevel inside a lowered outer one.
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setGeometry(8, 8, 281, 161);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(1);
    auto* inner = new QFrame(panel);
    inner->setGeometry(1, 1, 279, 159);
    inner->setFrameStyle(QFrame::Panel | QFrame::Raised);
    inner->setLineWidth(1);

    // The square picture keeps its proportions in the wider box; on scaled
    // screens it is drawn from the large icon, on white as the picture is.
    QPixmap large(QStringLiteral(":/marlune/marlune_256.png"));
    if (!large.isNull()) {
        QPixmap onWhite(large.size());
        onWhite.fill(Qt::white);
        QPainter(&onWhite).drawPixmap(0, 0, large);
        large = onWhite;
    }
    auto* programIcon = new widgets::ProportionalPicture(
        panel, QPixmap(QStringLiteral(":/marlune/about_postbox.png")), large);
    programIcon->setObjectName(QStringLiteral("ProgramIcon"));
    programIcon->setGeometry(8, 8, 65, 57);

    SizedLabel(panel, "ProductName", QStringLiteral("Marlune"), 88, 16);

    auto* versionLabel = new widgets::VersionLabel(panel);
    versionLabel->setObjectName(QStringLiteral("VersionLabel1"));
    versionLabel->move(89, 40);
    versionLabel->SetVersionResKey("FileVersion");
    versionLabel->SetInfoPrefix("Version:");
    versionLabel->SetLangCharset("-1");

    SizedLabel(panel, "Copyright", QStringLiteral("Copyright \u00A9 2005 Calderix Software"), 8,
               80);

    auto* comments =
        new QLabel(QStringLiteral("Search and locate Australian post codes and suburbs"), panel);
    comments->setObjectName(QStringLiteral("Comments"));
    comments->setGeometry(8, 104, 137, 33);
    comments->setWordWrap(true);
    comments->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Our stand-in font is wider than the original's: where the text needs
    // another line, the label grows downwards rather than cutting it off.
    comments->resize(137, std::max(33, comments->heightForWidth(137)));

    auto* okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setObjectName(QStringLiteral("OKButton"));
    okButton->setGeometry(111, 180, 75, 25);
    okButton->setDefault(true);
    okButton->setAutoDefault(true);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);

    if (const QScreen* screen = this->screen()) {
        const QRect desktop = screen->geometry();
        move(desktop.x() + (desktop.width() - kClientWidth) / 2,
             desktop.y() + (desktop.height() - kClientHeight) / 2);
    }
}

} // namespace marlune::app
