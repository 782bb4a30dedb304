// Copying what was found, read back through the real X clipboard and primary
// selection with xclip, as another program pastes it. Runs on a virtual X
// server (the CTest command starts one).
#include "apptestbase.h"

#include "widgets/dbgrid.h"
#include "widgets/labelededit.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QProcess>
#include <QTest>

#include <fstream>

namespace marlune::testing {
namespace {

// What another X client reads from the selection (clipboard or primary).
// The events are served while xclip waits: the program owns the selection.
QString Pasted(const char* selection)
{
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"),
                                          QString::fromLatin1(selection)});
    const bool done = QTest::qWaitFor([&] { return xclip.state() == QProcess::NotRunning; }, 5000);
    EXPECT_TRUE(done) << "xclip did not finish";
    return QString::fromUtf8(xclip.readAllStandardOutput());
}

// What marlune-find prints for the text, without its line end.
QString FindLine(const std::string& dataFile, const QString& text)
{
    QProcess find;
    find.start(QStringLiteral(MARLUNE_BIN_DIR "/marlune-find"),
               {QStringLiteral("--data"), QString::fromStdString(dataFile), text});
    EXPECT_TRUE(find.waitForFinished(10000));
    return QString::fromUtf8(find.readAllStandardOutput()).chopped(1);
}

// The record's row of the source CSV (which quotes nothing), as the grid's
// columns show it: fields separated by tabs.
QString CsvRow(int recNo)
{
    std::ifstream in(MARLUNE_SOURCE_DIR "/data/aus_postcodes.csv");
    std::string line;
    for (int i = 0; i <= recNo && std::getline(in, line); ++i) {
    }
    return QString::fromUtf8(line).replace(QLatin1Char(','), QLatin1Char('\t'));
}

// A right click as the window system delivers it: the press, then the
// context menu event the platform raises for it.
void RightClick(QWidget& widget, QPoint at)
{
    QTest::mouseClick(&widget, Qt::RightButton, {}, at);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, widget.mapToGlobal(at));
    QApplication::sendEvent(&widget, &menu);
}

class MainWindowCopyTest : public AppTestBase {
protected:
    void SetUp() override
    {
        AppTestBase::SetUp();
        CopyRealDataFile();
        ShowForm();
        ASSERT_EQ(Table().RecordCount(), 18545);
    }
    QString Expect(const QString& text)
    {
        // Both selections hold the copy, whichever way it was made.
        EXPECT_EQ(Pasted("primary"), text);
        return Pasted("clipboard");
    }
};

TEST_F(MainWindowCopyTest, CopyKeysCopyTheFoundRecordAsMarluneFindPrintsIt)
{
    QTest::keyClicks(&Find<QLineEdit>("Edit1"), "syd");
    const QString found = FindLine(WorkDir() + "/20051206.dat", QStringLiteral("syd"));
    ASSERT_EQ(found.split(QLatin1Char('\t')).size(), 5) << found.toStdString();
    struct Case {
        QWidget* widget;
        QKeyCombination key;
    };
    for (const Case& c : {Case{&Find<QLineEdit>("Edit1"), Qt::CTRL | Qt::Key_C},
                          Case{&Find<widgets::DBGrid>("DBGrid1"), Qt::CTRL | Qt::Key_C},
                          Case{&Find<widgets::DBGrid>("DBGrid1"), QKeyCombination(Qt::Key_Copy)},
                          Case{&Find<QLineEdit>("Edit1"), Qt::CTRL | Qt::Key_Insert}}) {
        SCOPED_TRACE(c.widget->objectName().toStdString());
        QGuiApplication::clipboard()->clear(QClipboard::Clipboard);
        // With a text of its own: the Copy key has no character.
        QTest::sendKeyEvent(QTest::Click, c.widget, c.key.key(), QString(),
                            c.key.keyboardModifiers());
        EXPECT_EQ(Expect(found), found);
    }
    // With text selected the search box copies its selection, as usual.
    Find<QLineEdit>("Edit1").setSelection(0, 2);
    QTest::keyClick(&Find<QLineEdit>("Edit1"), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(Pasted("clipboard"), QStringLiteral("sy"));
}

TEST_F(MainWindowCopyTest, RightClickMakesTheRowCurrentAndItsMenuCopiesWhatItSays)
{
    QTest::keyClicks(&Find<QLineEdit>("Edit1"), "bon");
    widgets::DBGrid& grid = Find<widgets::DBGrid>("DBGrid1");
    const int slot = grid.CurrentSlot() + 3;
    const int expected = Table().RecNo() + 3;
    const QStringList fields = CsvRow(expected).split(QLatin1Char('\t'));
    struct Case {
        const char* entry;
        QString text;
    };
    for (const Case& c :
         {Case{"Copy postcode", fields.value(0)}, Case{"Copy suburb", fields.value(1)},
          Case{"Copy row", CsvRow(expected)}}) {
        SCOPED_TRACE(c.entry);
        RightClick(grid, grid.CellRect(1, slot).center());
        EXPECT_EQ(Table().RecNo(), expected);
        QMenu* menu = &Find<QMenu>("RecordMenu");
        ASSERT_TRUE(QTest::qWaitFor([menu] { return menu->isVisible(); }, 3000));
        QAction* action = nullptr;
        for (QAction* a : menu->actions()) {
            action = a->text() == QLatin1String(c.entry) ? a : action;
        }
        ASSERT_NE(action, nullptr);
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        ASSERT_TRUE(QTest::qWaitFor([menu] { return !menu->isVisible(); }, 3000));
        EXPECT_EQ(Expect(c.text), c.text);
    }
    // A right click on the title row offers nothing.
    RightClick(grid, grid.CellRect(1, -1).center());
    QTest::qWait(100);
    EXPECT_FALSE(Find<QMenu>("RecordMenu").isVisible());
}

} // namespace
} // namespace marlune::testing

// The tests need the real X clipboard, not the offscreen platform's.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    static int qtArgc = 1;
    static char name[] = "app_copy_tests";
    static char* qtArgv[] = {name, nullptr};
    marlune::platform::gui::Application app(qtArgc, qtArgv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
