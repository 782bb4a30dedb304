// The about box: its controls, and About showing it modally from the main
// window until Enter or its close box ends it.
#include "apptestbase.h"

#include "app/aboutbox.h"
#include "widgets/versionlabel.h"
#include "platform/paint/colors.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <map>

namespace marlune::testing {
namespace {

class AboutBoxTest : public AppTestBase {
protected:
    void SetUp() override
    {
        AppTestBase::SetUp();
        CopyRealDataFile();
        ShowForm();
        box_ = std::make_unique<app::AboutBox>();
        form_->setAboutBox(box_.get());
    }
    void TearDown() override
    {
        box_.reset();
        AppTestBase::TearDown();
    }

    // Clicks About and runs `whileShown` inside the box's modal loop; true
    // when About returned.
    bool ClickAbout(const std::function<void()>& whileShown)
    {
        bool sawBox = false;
        QTimer::singleShot(0, box_.get(), [&] {
            sawBox = QTest::qWaitFor([this] { return box_->isVisible(); }, 5000);
            whileShown();
        });
        QTest::mouseClick(&Find<QToolButton>("ToolButton4"), Qt::LeftButton);
        return sawBox;
    }

    std::unique_ptr<app::AboutBox> box_;
};

TEST_F(AboutBoxTest, CreatedHiddenWithItsControls)
{
    const app::AboutBox& box = *box_;
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(box.size(), QSize(298, 213));
    EXPECT_EQ(box.minimumSize(), box.maximumSize());
    EXPECT_FALSE(box.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(box.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(box.palette().color(QPalette::Window),
              platform::paint::ColorToQColor(platform::paint::clBtnFace));
    EXPECT_EQ(box.panel->geometry(), QRect(8, 8, 281, 161));
    EXPECT_EQ(box.programIcon->geometry(), QRect(8, 8, 65, 57));
    EXPECT_EQ(box.programIcon->pixmap().size(), QSize(90, 90));
    EXPECT_EQ(box.productName->text(), QStringLiteral("Marlune"));
    EXPECT_EQ(box.productName->pos(), QPoint(88, 16));
    EXPECT_EQ(box.versionLabel->pos(), QPoint(89, 40));
    EXPECT_EQ(box.versionLabel->VersionResKey(), "FileVersion");
    EXPECT_EQ(box.versionLabel->InfoPrefix(), "Version:");
    EXPECT_EQ(box.copyright->pos(), QPoint(8, 80));
    EXPECT_EQ(box.comments->text(),
              QStringLiteral("Search and locate Australian post codes and suburbs"));
    EXPECT_EQ(box.comments->pos(), QPoint(8, 104));
    EXPECT_EQ(box.comments->width(), 137);
    EXPECT_TRUE(box.comments->wordWrap());
    // The whole text fits, inside the panel.
    EXPECT_GE(box.comments->height(), 33);
    EXPECT_GE(box.comments->height(), box.comments->heightForWidth(137));
    EXPECT_LE(box.comments->geometry().bottom(), box.panel->height() - 2);
    EXPECT_EQ(box.okButton->geometry(), QRect(111, 180, 75, 25));
    EXPECT_EQ(box.okButton->text(), QStringLiteral("OK"));
    EXPECT_TRUE(box.okButton->isDefault());
}

TEST_F(AboutBoxTest, ThePictureIsARedPostBoxOnWhite)
{
    const QImage picture = box_->programIcon->pixmap().toImage();
    EXPECT_EQ(picture.pixelColor(1, 1), QColor(Qt::white));
    int red = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QColor c = picture.pixelColor(x, y);
            red += (c.red() > 150 && c.green() < 80 && c.blue() < 80) ? 1 : 0;
        }
    }
    EXPECT_GT(red, picture.width() * picture.height() / 5);
}

// The square picture keeps its proportions in its wider box, centred, at the
// screen's pixel ratio; at 200 % it is drawn from a larger source, not the
// 100 % drawing scaled up.
TEST_F(AboutBoxTest, ThePictureKeepsItsProportionsAtEveryScale)
{
    QLabel& icon = *box_->programIcon;
    const QColor face = icon.palette().color(QPalette::Window);
    std::map<int, QImage> drawn;
    for (const int ratio : {1, 2}) {
        SCOPED_TRACE(ratio);
        QImage image(icon.size() * ratio, QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
        image.fill(face);
        icon.render(&image);
        // The picture is what differs from the panel around it.
        QRect picture;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixelColor(x, y) != face) {
                    picture |= QRect(x, y, 1, 1);
                }
            }
        }
        EXPECT_EQ(picture.width(), picture.height());
        EXPECT_EQ(picture.height(), 57 * ratio);
        EXPECT_NEAR(picture.left(), image.width() - 1 - picture.right(), 1);
        drawn[ratio] = image.copy(picture);
    }
    const QImage doubled = drawn[1].scaled(drawn[2].size());
    int differing = 0;
    for (int y = 0; y < doubled.height(); ++y) {
        for (int x = 0; x < doubled.width(); ++x) {
            differing += doubled.pixel(x, y) != drawn[2].pixel(x, y) ? 1 : 0;
        }
    }
    EXPECT_GT(differing, doubled.width() * doubled.height() / 10);
}

TEST_F(AboutBoxTest, AboutShowsTheBoxModallyAndEnterClosesIt)
{
    bool modal = false;
    const bool shown = ClickAbout([&] {
        modal = box_->isModal() && QApplication::activeModalWidget() == box_.get();
        QTest::keyClick(box_->versionLabel, Qt::Key_Return);
    });
    EXPECT_TRUE(shown);
    EXPECT_TRUE(modal);
    EXPECT_FALSE(box_->isVisible());
    EXPECT_EQ(box_->result(), QDialog::Accepted);

    // The same box comes up again, keeping its state.
    const std::string caption = box_->versionLabel->text().toStdString();
    EXPECT_TRUE(ClickAbout([&] { box_->close(); }));
    EXPECT_FALSE(box_->isVisible());
    EXPECT_EQ(box_->versionLabel->text().toStdString(), caption);
}

} // namespace
} // namespace marlune::testing
