#include "canvas.h"
#include "fakeprinter.h"

#include "report/bandview.h"
#include "report/kinds.h"
#include "report/lineview.h"
#include "report/memoview.h"
#include "report/pictureview.h"
#include "report/report.h"
#include "report/shapeview.h"
#include "report/streamio.h"
#include "report/viewrecord.h"

#include "platform/stream.h"

#include <gtest/gtest.h>

namespace marlune::report {
namespace {

using platform::MemoryStream;

struct Shown {
    std::string text;
    std::string caption;
};

// A report on its own built-in printer that records its message boxes.
struct TestReport {
    ReportPrinter printer;
    Report report{printer};
    std::vector<Shown> shown;
    TestReport()
    {
        report.OnMessage = [this](const std::string& text, const std::string& caption) {
            shown.push_back({text, caption});
        };
    }
    void Read(const std::string& bytes)
    {
        MemoryStream stream(bytes);
        report.ReadTemplate(stream);
    }
};

std::string Bitmap()
{
    return test::BitmapFile(4, 3, Qt::red);
}

template <class View> View& Add(ReportPage& page)
{
    page.Objects.push_back(std::make_unique<View>());
    return static_cast<View&>(*page.Objects.back());
}

void SetCommon(ReportView& v, int n)
{
    v.Name = v.BaseName() + std::to_string(n);
    v.Left = 10 * n;
    v.Top = 20 + n;
    v.Width = 100 + n;
    v.Height = 30 + n;
    v.Flags = static_cast<std::uint16_t>(0x8000 | n);
    v.FrameTyp = static_cast<std::uint16_t>(n % 16);
    v.FrameWidth = n % 2 == 0 ? 1.5F : 2.0F;
    v.FrameColor = platform::paint::RGB(n, 2 * n, 3 * n);
    v.FrameStyle = static_cast<std::uint16_t>(n % 6);
    v.FillColor = n % 3 == 0 ? platform::paint::clNone : platform::paint::clWhite;
    v.FormatCode = 0x0203 + n;
    v.FormatText = "#,##0.00";
    v.Visible = n % 2 == 0;
    v.Memo = {"[Pcode]", "", "line " + std::to_string(n)};
    v.Script = {"if x then y"};
}

// A template with a view of every kind on two pages, values and variables.
void Fill(Report& report)
{
    ReportPage& first = report.AddPage(9, 2100, 2970, 0);
    ReportPage& second = report.AddPage(kCustomPaper, 1500, 2000, 1);
    second.Margins = {10, 20, 30, 40};
    second.PrintToPrevPage = true;
    second.UseMargins = false;
    second.ColumnCount = 2;
    second.ColumnGap = 5;
    MemoView& memo = Add<MemoView>(first);
    SetCommon(memo, 1);
    memo.Font = {"Verdana", 12, fsBold | fsItalic, platform::paint::clRed, 1};
    memo.Adjust = adCenter | adBottom;
    memo.Highlight = {fsUnderline, platform::paint::clBlue, platform::paint::clYellow};
    memo.HighlightCondition = "[Pcode] = '2000'";
    PictureView& picture = Add<PictureView>(first);
    SetCommon(picture, 2);
    picture.SetPicture(pkBitmap, Bitmap());
    BandView& band = Add<BandView>(first);
    SetCommon(band, 3);
    band.FrameTyp = bkMasterData;
    SubReportView& sub = Add<SubReportView>(second);
    SetCommon(sub, 4);
    sub.SubPage = 1;
    SetCommon(Add<LineView>(second), 5);
    ShapeView& shape = Add<ShapeView>(second);
    SetCommon(shape, 6);
    shape.Shape = skEllipse;
    MemoView& empty = Add<MemoView>(second);
    empty.Name = "Memo9";
    report.Values = {{1, 0, "TableDataset1", "Pcode", "Code"}, {2, 3, "", "", "Page#"}};
    report.Variables = {"Title=Postcodes", "Count=0"};
    report.DoublePass = true;
    report.PrintToDefault = false;
}

void ExpectSameTemplate(const Report& a, const Report& b)
{
    ASSERT_EQ(a.Pages.size(), b.Pages.size());
    for (std::size_t p = 0; p < a.Pages.size(); ++p) {
        const ReportPage& x = *a.Pages[p];
        const ReportPage& y = *b.Pages[p];
        EXPECT_EQ(x.PaperCode, y.PaperCode);
        EXPECT_EQ(x.PaperWidth, y.PaperWidth);
        EXPECT_EQ(x.PaperHeight, y.PaperHeight);
        EXPECT_EQ(x.Orientation, y.Orientation);
        EXPECT_EQ(x.Margins, y.Margins);
        EXPECT_EQ(x.PrintToPrevPage, y.PrintToPrevPage);
        EXPECT_EQ(x.UseMargins, y.UseMargins);
        EXPECT_EQ(x.ColumnCount, y.ColumnCount);
        EXPECT_EQ(x.ColumnGap, y.ColumnGap);
        EXPECT_EQ(x.Geometry, y.Geometry);
        ASSERT_EQ(x.Objects.size(), y.Objects.size());
        for (std::size_t i = 0; i < x.Objects.size(); ++i) {
            EXPECT_TRUE(x.Objects[i]->SameStoredData(*y.Objects[i], ViewForm::Template))
                << "page " << p << " view " << x.Objects[i]->Name;
        }
    }
    EXPECT_EQ(a.Values, b.Values);
    EXPECT_EQ(a.Variables, b.Variables);
    EXPECT_EQ(a.DoublePass, b.DoublePass);
    EXPECT_EQ(a.PrintToDefault, b.PrintToDefault);
}

TEST(TemplateStream, WriteThenReadGivesEqualObjectsOfEveryKind)
{
    ShapeObject shapeObject1;
    TestReport original;
    Fill(original.report);
    const std::string bytes = original.report.WriteTemplate();
    TestReport copy;
    copy.Read(bytes);
    EXPECT_TRUE(copy.shown.empty());
    ExpectSameTemplate(original.report, copy.report);
    EXPECT_EQ(copy.report.WriteTemplate(), bytes);
    const auto& picture = dynamic_cast<const PictureView&>(*copy.report.Pages[0]->Objects[1]);
    EXPECT_EQ(picture.Image().pixel(0, 0), qRgb(255, 0, 0));
}

TEST(TemplateStream, ContainerHoldsTheSizeOrOnlyTheMarker)
{
    ShapeObject shapeObject1;
    TestReport original;
    Fill(original.report);
    const std::string form = original.report.WriteReportForm();
    MemoryStream stream(form);
    StreamReader reader(stream, kCurrentVersion);
    EXPECT_EQ(reader.ReadInt(), 23);
    EXPECT_EQ(reader.ReadInt(), static_cast<std::int32_t>(form.size() - 8));

    TestReport copy;
    MemoryStream formStream(form);
    copy.report.ReadReportForm(formStream);
    EXPECT_EQ(formStream.Position(), static_cast<std::int64_t>(form.size()));
    ExpectSameTemplate(original.report, copy.report);

    original.report.StoreInDFM = false;
    const std::string markerOnly = original.report.WriteReportForm();
    EXPECT_EQ(markerOnly.size(), 4U);
    copy.report.StoreInDFM = false;
    MemoryStream markerStream(markerOnly);
    copy.report.ReadReportForm(markerStream);
    EXPECT_EQ(copy.report.Pages.size(), 2U); // unchanged
}

TEST(TemplateStream, LineListsAndStringsHaveTheirEncodings)
{
    const struct {
        Lines lines;
        std::string bytes;
    } cases[] = {
        {{}, std::string("\0\0\0", 3)},
        {{"ab"}, std::string("\1\0\2\0ab\0", 7)},
        {{"a", ""}, std::string("\2\0\1\0a\r\0\0\0", 9)},
    };
    for (const auto& c : cases) {
        StreamWriter writer;
        writer.WriteLines(c.lines);
        EXPECT_EQ(writer.Bytes(), c.bytes);
        MemoryStream stream(c.bytes);
        StreamReader reader(stream, kCurrentVersion);
        EXPECT_EQ(reader.ReadLines(), c.lines);
    }
    // The older form: joined by CR; an empty final line is not added.
    MemoryStream old(std::string("one\rtwo\r\0", 9));
    StreamReader reader(old, 22);
    EXPECT_EQ(reader.ReadLines(), (Lines{"one", "two"}));
}

// Builds records in the older stream forms (strings end in 0, lines joined
// by CR, page records with 6 more bytes, no names, script or visibility).
class OldStream {
public:
    OldStream& Byte(int v)
    {
        bytes_.push_back(static_cast<char>(v));
        return *this;
    }
    OldStream& Word(int v) { return Byte(v & 0xFF).Byte((v >> 8) & 0xFF); }
    OldStream& Int(std::int32_t v) { return Word(v & 0xFFFF).Word((v >> 16) & 0xFFFF); }
    OldStream& Text(const std::string& s)
    {
        bytes_ += s;
        return Byte(0);
    }
    OldStream& Page(int code, int width, int height)
    {
        Byte(0xFF).Int(code).Int(width).Int(height);
        Int(0).Int(0).Int(0).Int(0).Byte(0);
        return Byte(1).Byte(2).Byte(3).Byte(4).Byte(5).Byte(6).Word(0).Word(0xFFFF).Int(1).Int(0);
    }
    OldStream& Common(int kind, int left, std::int32_t frameWidth, const std::string& lines)
    {
        Byte(kind).Byte(0).Int(left).Int(5).Int(100).Int(20).Word(0).Word(15);
        return Int(frameWidth).Int(0).Word(0).Int(0x1FFFFFFF).Int(0x22E).Text("").Text(lines);
    }
    OldStream& MemoData()
    {
        Text("Arial").Int(10).Word(2).Int(0).Int(1).Word(204);
        return Word(2).Int(0).Int(0xFFFFFF).Text("");
    }
    const std::string& Bytes() const { return bytes_; }

private:
    std::string bytes_;
};

TEST(TemplateStream, ReadsTheOlderForms)
{
    const struct {
        int version; // 0: no version byte, the stream starts with its flags
        bool printToDefault;
        bool wordWrap;
    } cases[] = {{22, false, false}, {21, false, true}, {0, true, true}};
    for (const auto& c : cases) {
        OldStream s;
        if (c.version != 0) {
            s.Byte(c.version);
        }
        s.Word(c.printToDefault ? 0xFFFF : 0).Word(0).Text("Some printer");
        s.Page(11, 1480, 2100);
        s.Common(okMemo, 7, 1500, "Line one\rLine two").MemoData();
        s.Common(okLine, 9, 2, "");
        s.Common(okMemo, 11, 11, "").MemoData();
        TestReport t;
        t.Read(s.Bytes());
        ASSERT_TRUE(t.shown.empty()) << c.version << " " << t.shown[0].text;
        ASSERT_EQ(t.report.Pages.size(), 1U);
        EXPECT_EQ(t.report.PrintToDefault, c.printToDefault);
        const ReportPage& page = *t.report.Pages[0];
        EXPECT_EQ(page.PaperCode, 11);
        EXPECT_EQ(page.ColumnCount, 1);
        EXPECT_TRUE(page.UseMargins);
        ASSERT_EQ(page.Objects.size(), 3U);
        const auto& memo = dynamic_cast<const MemoView&>(*page.Objects[0]);
        EXPECT_EQ(memo.Name, "Memo1");
        EXPECT_EQ(page.Objects[1]->Name, "Line1");
        EXPECT_EQ(page.Objects[2]->Name, "Memo2");
        EXPECT_EQ(memo.Memo, (Lines{"Line one", "Line two"}));
        EXPECT_FLOAT_EQ(memo.FrameWidth, 1.5F);
        EXPECT_FLOAT_EQ(page.Objects[1]->FrameWidth, 2.0F);
        EXPECT_FLOAT_EQ(page.Objects[2]->FrameWidth, 0.011F);
        EXPECT_EQ(memo.Font.Charset, 0);
        EXPECT_EQ(memo.Font.Style, fsBold);
        EXPECT_EQ((memo.Flags & flWordWrap) != 0, c.wordWrap) << c.version;
        EXPECT_TRUE(memo.Visible);
    }
}

TEST(TemplateStream, FramedMemoIsReadAsAMemoAndPictureDataEndsAtItsPosition)
{
    StreamWriter w;
    w.WriteByte(23);
    w.WriteBool16(true);
    w.WriteBool16(false);
    w.WriteString("");
    w.WriteByte(0xFF);
    for (const int v : {9, 2100, 2970, 0, 0, 0, 0}) {
        w.WriteInt(v);
    }
    w.WriteByte(0);
    w.WriteBool16(false);
    w.WriteBool16(true);
    w.WriteInt(1);
    w.WriteInt(0);
    MemoView memo;
    memo.Name = "Framed";
    memo.Memo = {"text"};
    w.WriteByte(okAddIn);
    w.WriteString("FramedMemoView");
    w.WriteByte(0);
    memo.WriteToStream(w, ViewForm::Template);
    w.WriteBytes(std::string(8, '\x7F'));
    // A picture whose data is not a graphic: the reader goes on after it.
    PictureView picture;
    picture.Name = "Pic";
    picture.SetPicture(pkMetafile, "not a metafile at all");
    w.WriteByte(okPicture);
    w.WriteByte(0);
    picture.WriteToStream(w, ViewForm::Template);
    LineView line;
    line.Name = "After";
    w.WriteByte(okLine);
    w.WriteByte(0);
    line.WriteToStream(w, ViewForm::Template);
    TestReport t;
    t.Read(w.Bytes());
    ASSERT_TRUE(t.shown.empty());
    const auto& objects = t.report.Pages.at(0)->Objects;
    ASSERT_EQ(objects.size(), 3U);
    EXPECT_EQ(objects[0]->Kind, okMemo);
    EXPECT_TRUE(objects[0]->SameStoredData(memo, ViewForm::Template));
    EXPECT_EQ(dynamic_cast<const PictureView&>(*objects[1]).Data(), "not a metafile at all");
    EXPECT_EQ(objects[2]->Name, "After");
}

TEST(TemplateStream, DamagedStreamLeavesOneEmptyA4PageAndSaysSo)
{
    TestReport good;
    Fill(good.report);
    const std::string bytes = good.report.WriteTemplate(); // holds a ShapeView
    const std::string cases[] = {
        bytes,                                // the add-in is not registered
        bytes.substr(0, bytes.size() / 2),    // ends early
        std::string("\x17\0\0\0\0\0\x50", 7), // an invalid tag
        {},                                   // nothing at all
    };
    for (const std::string& damaged : cases) {
        TestReport t;
        t.report.AddPage(11, 1480, 2100, 1);
        t.Read(damaged);
        ASSERT_EQ(t.shown.size(), 1U);
        EXPECT_EQ(t.shown[0].text, "Unsupported report format");
        EXPECT_EQ(t.shown[0].caption, "Error");
        ASSERT_EQ(t.report.Pages.size(), 1U);
        EXPECT_EQ(t.report.Pages[0]->PaperCode, kPaperA4);
        EXPECT_EQ(t.report.Pages[0]->Orientation, 0);
        EXPECT_TRUE(t.report.Pages[0]->Objects.empty());
    }
}

TEST(TemplateStream, NewerVersionIsRefusedAndThePagesKept)
{
    TestReport t;
    t.report.AddPage(11, 1480, 2100, 1);
    t.Read(std::string("\x18\0\0\0\0\0", 6));
    ASSERT_EQ(t.shown.size(), 1U);
    EXPECT_EQ(t.shown[0].text, "Unsupported report format");
    ASSERT_EQ(t.report.Pages.size(), 1U);
    EXPECT_EQ(t.report.Pages[0]->PaperCode, 11);
}

TEST(TemplateStream, StoredPrinterNameSelectsAKnownPrinter)
{
    const struct {
        std::string name;
        bool printToDefault;
        int expectedIndex;
    } cases[] = {{"Inkjet", false, 1}, {"Nowhere", false, 0}, {"Inkjet", true, 0}};
    for (const auto& c : cases) {
        test::FakePrinter device(600, 600, 0, 0);
        TestReport t;
        t.printer.AttachPrinter(&device);
        StreamWriter w;
        w.WriteByte(23);
        w.WriteBool16(c.printToDefault);
        w.WriteBool16(false);
        w.WriteString(c.name);
        t.Read(w.Bytes());
        EXPECT_EQ(t.printer.PrinterIndex(), c.expectedIndex) << c.name;
        t.printer.AttachPrinter(nullptr);
    }
}

TEST(PageForm, ViewsWrittenAndReadBack)
{
    ShapeObject shapeObject1;
    TestReport t;
    Fill(t.report);
    std::vector<std::unique_ptr<ReportView>> views;
    for (const auto& page : t.report.Pages) {
        for (const auto& view : page->Objects) {
            views.push_back(view->Clone());
        }
    }
    const std::string bytes = WritePageForm(views);
    MemoryStream stream(bytes);
    const auto back = ReadPageForm(stream);
    ASSERT_EQ(back.size(), views.size());
    for (std::size_t i = 0; i < views.size(); ++i) {
        EXPECT_TRUE(back[i]->SameStoredData(*views[i], ViewForm::Page)) << i;
        EXPECT_TRUE(back[i]->Name.empty());
    }
    // Shorter than the template form: no names, formats, scripts.
    EXPECT_LT(bytes.size(), t.report.WriteTemplate().size());
    // A cut stream fails, or ends at a record boundary with fewer views.
    for (std::size_t cut = 1; cut < bytes.size(); cut += 7) {
        MemoryStream partial(bytes.substr(0, cut));
        try {
            EXPECT_LT(ReadPageForm(partial).size(), views.size()) << cut;
        } catch (const Error&) {
        }
    }
}

} // namespace
} // namespace marlune::report
