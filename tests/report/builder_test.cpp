// Builds the postcode list over real tables and reads the prepared pages
// back from their streams.
#include "../table/support.h"
#include "listreport.h"

#include "report/buildprogress.h"
#include "report/expr/datetimeformat.h"
#include "report/expr/formatsettings.h"
#include "report/memoview.h"
#include "postcodelist/postcodelist.h"
#include "postcodelist/postcodelistreport.h"
#include "report/report.h"
#include "report/shapeview.h"
#include "tabledataset/tabledataset.h"
#include "table/datasource.h"

#include <QDateTime>

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <utility>

namespace marlune::report {
namespace {

using table::MemTable;

// One output view of a prepared page: where it is and what it says.
struct Output {
    std::string name; // the template view it came from, found by its box
    int top = 0;
    std::string text;
};

class ListBuild : public ::testing::Test, protected test::ListReport {
protected:
    void SetUp() override
    {
        report.OnMessage = [this](const std::string& text, const std::string& caption) {
            messages.push_back(caption + ": " + text);
        };
    }

    void LoadRecords(int count)
    {
        table::testing::Load(table, table::testing::NumberedRecords(count));
    }

    // Builds; false when the build returned no pages (they are then none).
    bool Build()
    {
        std::optional<PreparedPages> built = report.Build();
        pages = built ? std::move(*built) : PreparedPages();
        return built.has_value();
    }

    // The memo texts of a page, in output order.
    std::vector<std::string> Texts(int page)
    {
        std::vector<std::string> texts;
        for (const auto& view : pages.Views(page)) {
            if (auto* memo = dynamic_cast<MemoView*>(view.get())) {
                std::string text;
                for (const auto& line : memo->Memo) {
                    text += line;
                }
                texts.push_back(text);
            }
        }
        return texts;
    }

    // The Top of every output view at a template view's left and width:
    // the postcode column of the data rows is at left 20, width 68.
    std::vector<int> TopsAt(int page, int left, int width, int height)
    {
        std::vector<int> tops;
        for (const auto& view : pages.Views(page)) {
            if (view->Left == left && view->Width == width && view->Height == height) {
                tops.push_back(view->Top);
            }
        }
        return tops;
    }

    int TopMargin() const { return report.Pages.front()->TopMargin(); }

    std::vector<std::string> messages;
    PreparedPages pages;
};

TEST_F(ListBuild, FiftyOneRowsFillOnePageAndTheFiftySecondStartsAnother)
{
    LoadRecords(51);
    Build();
    ASSERT_EQ(pages.Count(), 1);
    EXPECT_EQ(Texts(0).back(), "1 of 1");
    EXPECT_EQ(TopsAt(0, 20, 68, 17).size(), 51U);

    table.Close();
    LoadRecords(52);
    Build();
    ASSERT_EQ(pages.Count(), 2);
    EXPECT_EQ(Texts(0).back(), "1 of 2");
    EXPECT_EQ(Texts(1).back(), "2 of 2");
    // Page 1 rows start below the title and the column header, later pages
    // below the column header only; the footer stands at the bottom limit.
    const int top = TopMargin();
    EXPECT_EQ(TopsAt(0, 20, 68, 17).front(), top + 84);
    EXPECT_EQ(TopsAt(1, 20, 68, 17), std::vector<int>{top + 28});
    EXPECT_EQ(TopsAt(1, 20, 68, 18).front(), top + 4); // "Post Code" caption
    const auto footer = TopsAt(1, 560, 176, 18);
    ASSERT_EQ(footer.size(), 1U);
    EXPECT_EQ(footer.front(), report.Pages.front()->BottomMargin(28) + 8);
    EXPECT_EQ(Texts(1)[Texts(1).size() - 5], "52"); // the one row, then the footer
    // The table is left on its last record.
    EXPECT_EQ(table.RecNo(), 52);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ListBuild, AnEmptyTableGivesOnePageWithTitleHeaderAndFooter)
{
    LoadRecords(0);
    Build();
    ASSERT_EQ(pages.Count(), 1);
    const auto texts = Texts(0);
    const std::string date =
        expr::FormatDateTime("d mmm yyyy", expr::SerialFromDateTime(QDateTime::currentDateTime()),
                             expr::ProcessFormatSettings());
    for (const std::string& expected :
         std::vector<std::string>{"Marlune", "Australian Post Code list", "Post Code", "Suburb",
                                  "State", "Comments", "1 of 1", "Printed: " + date}) {
        EXPECT_NE(std::find(texts.begin(), texts.end(), expected), texts.end()) << expected;
    }
}

TEST_F(ListBuild, ANullFieldPrintsAsOneSpace)
{
    LoadRecords(1);
    Build();
    const auto texts = Texts(0);
    // Postcode, suburb, state, comments of the one row.
    const auto row = std::find(texts.begin(), texts.end(), "1");
    ASSERT_NE(row, texts.end());
    EXPECT_EQ(std::vector<std::string>(row, row + 4),
              (std::vector<std::string>{"1", "PLACE 1", "NSW", " "}));
}

TEST_F(ListBuild, AFieldInThePageHeaderStopsWithOneErrorAndNoPages)
{
    LoadRecords(3);
    auto memo = std::make_unique<MemoView>();
    memo->Name = "Memo99";
    memo->Left = 600;
    memo->Top = 100;
    memo->Width = 100;
    memo->Height = 18;
    memo->Memo = {"[Locality]"};
    report.Pages.front()->Objects.push_back(std::move(memo));
    bool previewed = false;
    report.OnPreview = [&](PreparedPages, const std::string&) { previewed = true; };
    report.BuildAndPreview();
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_EQ(messages.front(), "Error: An error occured during calculating\n[Locality]\n"
                                "Report: Report1\nBand: Page header");
    EXPECT_FALSE(previewed);
    // Built on its own, the report gives no pages and the same error, unsaid.
    EXPECT_FALSE(Build());
    EXPECT_TRUE(report.ErrorFlag);
    EXPECT_EQ(report.ErrorText.rfind("An error occured during calculating\n[Locality]", 0), 0U);
    EXPECT_EQ(messages.size(), 1U);
}

// Records what a progress window would show.
class RecordingProgress : public BuildProgress {
public:
    bool RunModal(const std::string& title, const std::string& line,
                  const std::function<void()>& action, const std::function<void()>& cancel) override
    {
        ++runs;
        caption = title;
        lines.push_back(line);
        showing = true;
        cancelWork = cancel;
        action();
        showing = false;
        return !closedCancelled;
    }
    bool Showing() const override { return showing; }
    void SetCaption(const std::string&) override {}
    void SetLine(const std::string& line) override { lines.push_back(line); }
    void Close(bool cancelled) override { closedCancelled = cancelled; }
    void ProcessEvents() override
    {
        if (cancelAfter > 0 && static_cast<int>(lines.size()) >= cancelAfter) {
            cancelAfter = 0;
            cancelWork();
        }
    }

    int runs = 0;
    std::string caption;
    std::vector<std::string> lines;
    bool showing = false;
    bool closedCancelled = false;
    int cancelAfter = 0;
    std::function<void()> cancelWork;
};

TEST_F(ListBuild, BothPassesRunInOneProgressWindow)
{
    LoadRecords(200);
    RecordingProgress progress;
    report.Progress = &progress;
    EXPECT_TRUE(Build());
    EXPECT_EQ(progress.runs, 1);
    EXPECT_EQ(progress.caption, "Report preparing - Marlune");
    const auto& lines = progress.lines;
    EXPECT_EQ(lines.front(), "Performing 1st pass:  1");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Performing 1st pass:  4"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Processing page:  3 from 4"), lines.end());
    EXPECT_EQ(pages.Count(), 4);
    EXPECT_EQ(Texts(3).back(), "4 of 4");
}

TEST_F(ListBuild, CancelInTheFirstPassStopsTheBuildWithNothingToShow)
{
    LoadRecords(200);
    RecordingProgress progress;
    progress.cancelAfter = 3;
    report.Progress = &progress;
    EXPECT_FALSE(Build());
    EXPECT_TRUE(pages.Empty());
    EXPECT_TRUE(progress.closedCancelled);
    for (const std::string& line : progress.lines) {
        EXPECT_EQ(line.rfind("Performing 1st pass:", 0), 0U) << line;
    }

    // Through the Print command's entry: no preview and no message.
    RecordingProgress again;
    again.cancelAfter = 3;
    report.Progress = &again;
    bool previewed = false;
    report.OnPreview = [&](PreparedPages, const std::string&) { previewed = true; };
    report.BuildAndPreview();
    EXPECT_FALSE(previewed);
    EXPECT_TRUE(messages.empty());
}

TEST(ShippedListBuild, EveryRecordAppearsOnceInTableOrderOn344Pages)
{
    MemTable table;
    table.Open();
    table.LoadTableFile(table::testing::ShippedFile());
    marlune::postcodelist::PostcodeListReport list(table);
    Report& report = list.report();
    std::optional<PreparedPages> built = report.Build();
    ASSERT_TRUE(built);
    PreparedPages& pages = *built;
    ASSERT_EQ(pages.Count(), 344);
    EXPECT_EQ(table.RecNo(), table.RecordCount());
    // The postcodes of the rows, page by page, against the table walked on
    // its own.
    std::vector<std::string> printed;
    for (int page = 0; page < pages.Count(); ++page) {
        for (const auto& view : pages.Views(page)) {
            if (view->Left == 20 && view->Width == 68 && view->Height == 17) {
                printed.push_back(view->Memo.empty() ? "" : view->Memo.front());
            }
        }
        pages.Release(page);
    }
    std::vector<std::string> expected;
    const auto& pcode = table.FieldByName("Pcode");
    for (table.First(); !table.Eof(); table.Next()) {
        expected.push_back(pcode.IsNull() ? " " : pcode.AsString());
    }
    EXPECT_EQ(printed, expected);
}

} // namespace
} // namespace marlune::report
