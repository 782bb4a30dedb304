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
#include <stdexcept>
#include <string>

namespace marlune::testing {
namespace {

// A control of the box by the object name it carries.
template <class Control> Control& Part(const QWidget& box, const char* objectName)
{
    auto* control = box.findChild<Control*>(QString::fromLatin1(objectName));
    if (!control) {
        throw std::runtime_error(std::string("no control named ") + objectName);
    }
    return *control;
}

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

    widgets::VersionLabel& Version() const
    {
        return Part<widgets::VersionLabel>(*box_, "VersionLabel1");
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
    const auto& panel = Part<QFrame>(box, "Panel1");
    const auto& icon = Part<QLabel>(box, "ProgramIcon");
    const auto& version = Part<widgets::VersionLabel>(box, "VersionLabel1");
    const auto& comments = Part<QLabel>(box, "Comments");
    const auto& ok = Part<QPushButton>(box, "OKButton");
    EXPECT_EQ(panel.geometry(), QRect(8, 8, 281, 161));
    EXPECT_EQ(icon.geometry(), QRect(8, 8, 65, 57));
    EXPECT_EQ(icon.pixmap().size(), QSize(90, 90));
    EXPECT_EQ(Part<QLabel>(box, "ProductName").text(), QStringLiteral("Marlune"));
    EXPECT_EQ(Part<QLabel>(box, "ProductName").pos(), QPoint(88, 16));
    EXPECT_EQ(version.pos(), QPoint(89, 40));
    EXPECT_EQ(version.VersionResKey(), "FileVersion");
    EXPECT_EQ(version.InfoPrefix(), "Version:");
    EXPECT_EQ(Part<QLabel>(box, "Copyright").pos(), QPoint(8, 80));
    EXPECT_EQ(comments.text(),
              QStringLiteral("Search and locate Australian post codes and suburbs"));
    EXPECT_EQ(comments.pos(), QPoint(8, 104));
    EXPECT_EQ(comments.width(), 137);
    EXPECT_TRUE(comments.wordWrap());
    // The whole text fits, inside the panel.
    EXPECT_GE(comments.height(), 33);
    EXPECT_GE(comments.height(), comments.heightForWidth(137));
    EXPECT_LE(comments.geometry().bottom(), panel.height() - 2);
    EXPECT_EQ(ok.geometry(), QRect(111, 180, 75, 25));
    EXPECT_EQ(ok.text(), QStringLiteral("OK"));
    EXPECT_TRUE(ok.isDefault());
}

TEST_F(AboutBoxTest, ThePictureIsARedPostBoxOnWhite)
{
    const QImage picture = Part<QLabel>(*box_, "ProgramIcon").pixmap().toImage();
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
    QLabel& icon = Part<QLabel>(*box_, "ProgramIcon");
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
        EXPECT_EQ(picture.height(), icon.height() * ratio);
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
        QTest::keyClick(&Version(), Qt::Key_Return);
    });
    EXPECT_TRUE(shown);
    EXPECT_TRUE(modal);
    EXPECT_FALSE(box_->isVisible());
    EXPECT_EQ(box_->result(), QDialog::Accepted);

    // The same box comes up again, keeping its state.
    const std::string caption = Version().text().toStdString();
    EXPECT_TRUE(ClickAbout([&] { box_->close(); }));
    EXPECT_FALSE(box_->isVisible());
    EXPECT_EQ(Version().text().toStdString(), caption);
}

} // namespace
} // namespace marlune::testing
