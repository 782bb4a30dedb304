#pragma once

#include "widgets/dbgrid.h"
#include "platform/paint/colors.h"
#include "table/datasource.h"
#include "table/memtable.h"

#include <QColor>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace marlune::testing {

// One record as the test data files hold it; a missing field is null.
struct GridRecord {
    std::optional<std::string> pcode, locality, state, comments, office;
};

// Records numbered from 1: Pcode "0001"..., Locality "Locality 1"..., State
// "NSW", Comments null on every third record, DeliveryOffice "Office 1"...
std::vector<GridRecord> NumberedRecords(int count);

// Fixture of the grid tests: a real table and data source, and a window with
// an edit box, the grid and a second edit box in tab order, shown on the
// offscreen platform and active, so that focus and keys behave as on screen.
class GridTestBase : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes the records as a data file with the project's data file tool and
    // loads it into the table.
    void LoadRecords(const std::vector<GridRecord>& records);
    void LoadRecords(int count) { LoadRecords(NumberedRecords(count)); }
    void LoadRealFile();

    // Gives the grid a height in pixels (its width stays).
    void SetGridHeight(int height);
    // The grid height at which exactly `rows` data rows fit.
    int HeightForRows(int rows) const;

    void FocusGrid();
    // The grid as drawn from scratch, and as the screen shows it after the
    // updates so far (what incremental painting left behind).
    QImage Picture() const;
    QImage ScreenPicture() const;
    static QColor At(const QImage& image, int x, int y) { return image.pixelColor(x, y); }
    static QColor Palette(platform::paint::TColor c) { return platform::paint::ColorToQColor(c); }

    // Row geometry from the font, measured independently of the grid.
    int TextHeight() const;
    int TitleTextHeight() const;

    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void Wheel(int angleDelta, QWidget* target = nullptr);

    int RecNo() const { return table_.RecNo(); }
    int Slot() const { return table_.ActiveRecord(); }

    table::MemTable table_;
    table::DataSource source_{&table_};
    std::unique_ptr<QWidget> window_;
    QLineEdit* before_ = nullptr;
    widgets::DBGrid* grid_ = nullptr;
    QLineEdit* after_ = nullptr;

private:
    std::unique_ptr<QTemporaryDir> dir_;
    int fileNumber_ = 0;
};

} // namespace marlune::testing
