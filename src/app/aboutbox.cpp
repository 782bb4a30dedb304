#include "app/aboutbox.h"

#include "app/proportionalpicture.h"
#include "app/versionlabel.h"
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

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    // A dialog border: no minimise or maximise box, no resizing.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(kClientWidth, kClientHeight);
    setFont(paint::SansSerifFont(11));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, paint::ColorToQColor(paint::clBtnFace));
    setPalette(pal);
    setAutoFillBackground(true);

    // Raised inner bevel inside a lowered outer one.
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(8, 8, 281, 161);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    auto* inner = new QFrame(Panel1);
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
    ProgramIcon = new ProportionalPicture(
        Panel1, QPixmap(QStringLiteral(":/marlune/about_postbox.png")), large);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setGeometry(8, 8, 65, 57);

    ProductName = SizedLabel(Panel1, "ProductName", QStringLiteral("Marlune"), 88, 16);

    VersionLabel1 = new VersionLabel(Panel1);
    VersionLabel1->setObjectName(QStringLiteral("VersionLabel1"));
    VersionLabel1->move(89, 40);
    VersionLabel1->SetVersionResKey("FileVersion");
    VersionLabel1->SetInfoPrefix("Version:");
    VersionLabel1->SetLangCharset("-1");

    Copyright = SizedLabel(Panel1, "Copyright",
                           QStringLiteral("Copyright \u00A9 2005 Calderix Software"), 8, 80);

    Comments =
        new QLabel(QStringLiteral("Search and locate Australian post codes and suburbs"), Panel1);
    Comments->setObjectName(QStringLiteral("Comments"));
    Comments->setGeometry(8, 104, 137, 33);
    Comments->setWordWrap(true);
    Comments->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Our stand-in font is wider than the original's: where the text needs
    // another line, the label grows downwards rather than cutting it off.
    Comments->resize(137, std::max(33, Comments->heightForWidth(137)));

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(111, 180, 75, 25);
    OKButton->setDefault(true);
    OKButton->setAutoDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    if (const QScreen* screen = this->screen()) {
        const QRect desktop = screen->geometry();
        move(desktop.x() + (desktop.width() - kClientWidth) / 2,
             desktop.y() + (desktop.height() - kClientHeight) / 2);
    }
}

} // namespace marlune::app
