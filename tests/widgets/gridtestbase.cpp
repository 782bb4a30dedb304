#include "gridtestbase.h"

#include "app/mainwindowcontrols.h"

#include "../support/guiapplication.h"
#include "platform/paint/fonts.h"

#include <QFile>
#include <QProcess>
#include <QScreen>
#include <QStyle>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <cstdio>
#include <fstream>

namespace marlune::testing {

namespace {

std::string CsvField(const std::optional<std::string>& value)
{
    if (!value) {
        return {};
    }
    if (value->empty()) {
        return "\"\"";
    }
    return *value;
}

} // namespace

std::vector<GridRecord> NumberedRecords(int count)
{
    std::vector<GridRecord> records;
    records.reserve(static_cast<std::size_t>(count));
    for (int i = 1; i <= count; ++i) {
        char pcode[16];
        std::snprintf(pcode, sizeof pcode, "%04d", i % 10000);
        GridRecord r;
        r.pcode = pcode;
        r.locality = "Locality " + std::to_string(i);
        r.state = "NSW";
        if (i % 3 != 0) {
            r.comments = "Comment " + std::to_string(i);
        }
        r.office = "Office " + std::to_string(i);
        records.push_back(std::move(r));
    }
    return records;
}

void GridTestBase::SetUp()
{
    TestApplication();
    dir_ = std::make_unique<QTemporaryDir>();
    ASSERT_TRUE(dir_->isValid());

    table_.Open();
    window_ = std::make_unique<QWidget>();
    window_->setFont(platform::paint::VerdanaFont(11));
    before_ = new QLineEdit(window_.get());
    grid_ = new widgets::DBGrid(window_.get());
    grid_->SetColumns(app::PostcodeGridColumns());
    after_ = new QLineEdit(window_.get());
    before_->setGeometry(0, 0, 100, 20);
    after_->setGeometry(110, 0, 100, 20);
    grid_->setGeometry(0, 30, 492, HeightForRows(10));
    window_->resize(500, 330);
    QWidget::setTabOrder(before_, grid_);
    QWidget::setTabOrder(grid_, after_);
    grid_->SetDataSource(&source_);
    window_->show();
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    FocusGrid();
}

void GridTestBase::TearDown()
{
    window_.reset();
    dir_.reset();
}

void GridTestBase::LoadRecords(const std::vector<GridRecord>& records)
{
    const QString csv = dir_->filePath(QStringLiteral("records%1.csv").arg(fileNumber_));
    const QString dat = dir_->filePath(QStringLiteral("records%1.dat").arg(fileNumber_));
    ++fileNumber_;
    {
        std::ofstream out(csv.toStdString(), std::ios::binary);
        out << "Pcode,Locality,State,Comments,DeliveryOffice\n";
        for (const GridRecord& r : records) {
            out << CsvField(r.pcode) << ',' << CsvField(r.locality) << ',' << CsvField(r.state)
                << ',' << CsvField(r.comments) << ',' << CsvField(r.office) << '\n';
        }
        ASSERT_TRUE(out.good());
    }
    QProcess tool;
    tool.start(QStringLiteral(MARLUNE_BINARY_DIR "/bin/marlune-mkdatafile"), {csv, dat});
    ASSERT_TRUE(tool.waitForFinished(30000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    table_.LoadTableFile(dat.toStdString());
}

void GridTestBase::LoadRealFile()
{
    const char* path = MARLUNE_BINARY_DIR "/bin/20051206.dat";
    ASSERT_TRUE(QFile::exists(QString::fromLatin1(path))) << "the default data file is not built";
    table_.LoadTableFile(path);
}

int GridTestBase::TextHeight() const
{
    return QFontMetrics(grid_->font()).height();
}

int GridTestBase::TitleTextHeight() const
{
    return QFontMetrics(grid_->TitleFont()).height();
}

int GridTestBase::HeightForRows(int rows) const
{
    const QFont font = platform::paint::VerdanaFont(11);
    const int text = QFontMetrics(font).height();
    const int extent = grid_ ? grid_->style()->pixelMetric(QStyle::PM_ScrollBarExtent)
                             : window_->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    // Border, title row and its line, the rows with their lines, and the
    // horizontal scroll bar (the five columns are wider than 492 pixels).
    return 2 + (text + 4) + 1 + rows * (text + 4 + 1) + extent;
}

void GridTestBase::SetGridHeight(int height)
{
    grid_->resize(grid_->width(), height);
}

void GridTestBase::FocusGrid()
{
    grid_->setFocus(Qt::OtherFocusReason);
    QTest::qWait(0);
}

QImage GridTestBase::Picture() const
{
    return grid_->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QImage GridTestBase::ScreenPicture() const
{
    // The offscreen platform keeps each window's backing store; grabbing the
    // window reads it back, with whatever incremental painting put there.
    QCoreApplication::processEvents();
    QScreen* screen = window_->screen();
    const QPoint origin = grid_->mapTo(window_.get(), QPoint(0, 0));
    const QPixmap shot = screen->grabWindow(window_->winId(), origin.x(), origin.y(),
                                            grid_->width(), grid_->height());
    return shot.toImage().convertToFormat(QImage::Format_RGB32);
}

void GridTestBase::Key(int key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(grid_, static_cast<Qt::Key>(key), modifiers);
}

void GridTestBase::Wheel(int angleDelta, QWidget* target)
{
    QWidget* w = target ? target : grid_;
    const QPointF pos(w->width() / 2.0, w->height() / 2.0);
    QWheelEvent event(pos, w->mapToGlobal(pos), QPoint(), QPoint(0, angleDelta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w, &event);
}

} // namespace marlune::testing
