#include "report/preparedfile.h"

#include "platform/atomicfile.h"
#include "platform/error.h"
#include "platform/stream.h"
#include "report/pictureview.h"
#include "report/reportprinter.h"
#include "report/streamio.h"
#include "report/units.h"
#include "report/viewrecord.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

namespace marlune::report {

namespace {

constexpr std::uint8_t kStoredPages = 0;
constexpr std::uint8_t kCompressedPages = 1;
// A first byte in this range starts the older layout's header text.
constexpr std::uint8_t kOlderLayoutFirst = 2;
constexpr std::uint8_t kOlderLayoutLast = 254;
// End position, paper code, width, height, orientation, use margins.
constexpr std::int64_t kMinEntrySize = 4 + 2 + 4 + 4 + 1 + 1;
// A paper side of ten metres is more than any printer takes.
constexpr int kMaxPaperSide = 100000;
constexpr std::int64_t kHeaderChunk = 4096;
constexpr const char* kEndsEarly = "it ends early";

// What makes the input no report file; the message says where.
class Damaged : public Error {
public:
    explicit Damaged(const std::string& message) : Error(message) {}
};

std::string SizeLimit()
{
    return "a report file holds at most " + std::to_string(kMaxReportFileSize >> 20) + " MB";
}

std::string PageName(int index)
{
    return "page " + std::to_string(index + 1);
}

// The older layout's header: bytes up to a 0, read a block at a time.
std::string ReadHeaderText(StreamReader& reader)
{
    std::string text;
    for (;;) {
        const std::int64_t count = std::min(kHeaderChunk, reader.Remaining());
        if (count == 0) {
            throw Damaged(kEndsEarly);
        }
        const std::string block = reader.ReadBytes(count);
        const std::size_t zero = block.find('\0');
        if (zero != std::string::npos) {
            text += block.substr(0, zero);
            reader.Seek(reader.Position() - count + static_cast<std::int64_t>(zero) + 1);
            return text;
        }
        text += block;
    }
}

// A page entry's head: its end position and paper. The page's bytes run
// from here up to the end position.
std::int64_t ReadEntryHead(StreamReader& reader, PreparedPage& page, int index)
{
    const std::int32_t end = reader.ReadInt();
    page.paperCode = reader.ReadWord();
    page.paperWidth = reader.ReadInt();
    page.paperHeight = reader.ReadInt();
    page.orientation = reader.ReadByte();
    page.useMargins = reader.ReadByte() != 0;
    if (end < reader.Position() || end > reader.Size()) {
        throw Damaged(PageName(index) + " does not end within the file");
    }
    if (page.paperWidth < 1 || page.paperWidth > kMaxPaperSide || page.paperHeight < 1 ||
        page.paperHeight > kMaxPaperSide || page.orientation > 1) {
        throw Damaged(PageName(index) + " has no valid paper");
    }
    return end;
}

std::int32_t ReadPageCount(StreamReader& reader)
{
    const std::int32_t count = reader.ReadInt();
    if (count < 0 || count > reader.Remaining() / kMinEntrySize) {
        throw Damaged("its page count does not fit the file");
    }
    return count;
}

void ReadCurrentLayout(StreamReader& reader, bool compressed, PreparedPages& pages)
{
    const std::int32_t count = ReadPageCount(reader);
    for (int i = 0; i < count; ++i) {
        PreparedPage& page = pages.AddEmpty();
        const std::int64_t end = ReadEntryHead(reader, page, i);
        std::string bytes = reader.ReadBytes(end - reader.Position());
        if (compressed) {
            continue; // nothing passes the decompressor: the page stays empty
        }
        // Only pages that can be drawn are taken.
        try {
            auto stream = platform::MemoryStream::View(bytes);
            ReadPageForm(stream);
        } catch (const Error& e) {
            throw Damaged(PageName(i) + " is damaged: " + e.Message());
        }
        page.stream = std::move(bytes);
    }
}

// The older layout keeps a Windows enhanced metafile per page. It is kept as
// the picture of a view covering the page; Qt draws no metafiles, so the
// page shows empty.
void ReadOlderLayout(StreamReader& reader, PreparedPages& pages)
{
    ReadHeaderText(reader); // the printer's name and more, not applied
    const std::int32_t count = ReadPageCount(reader);
    for (int i = 0; i < count; ++i) {
        PreparedPage& page = pages.AddEmpty();
        const std::int64_t end = ReadEntryHead(reader, page, i);
        PictureView picture;
        picture.Width = TenthsToUnitsX(page.paperWidth);
        picture.Height = TenthsToUnitsY(page.paperHeight);
        picture.SetPicture(pkMetafile, reader.ReadBytes(end - reader.Position()));
        pages.Output(i, picture);
    }
}

// Selects the file's printer and each page's paper, computing its geometry.
// A failure puts the printer that was current back and passes on.
void ApplyToPrinter(PreparedPages& pages, ReportPrinter& printer, const std::string* printerName)
{
    const int previous = printer.PrinterIndex();
    try {
        if (printerName != nullptr) {
            printer.SelectPrinterByName(*printerName);
        }
        for (int i = 0; i < pages.Count(); ++i) {
            PreparedPage& page = pages[i];
            printer.SelectPaperOrCustom(page.paperCode, page.paperWidth, page.paperHeight,
                                        page.orientation);
            printer.FillGeometry(page.geometry);
        }
    } catch (const Error&) {
        if (printer.PrinterIndex() != previous) {
            printer.SelectPrinter(previous);
        }
        throw;
    }
}

// Reads the file into new pages; `source`, when given, names it in the
// message of a refusal.
PreparedPages Read(platform::Stream& stream, ReportPrinter& printer, bool printToDefault,
                   const std::string& source)
{
    PreparedPages pages;
    std::string printerName;
    bool namesPrinter = false;
    std::string damage;
    try {
        StreamReader reader(stream, kCurrentVersion);
        if (reader.Remaining() == 0) {
            throw Damaged("the file is empty");
        }
        const std::int64_t start = reader.Position();
        const std::uint8_t first = reader.ReadByte();
        if (first >= kOlderLayoutFirst && first <= kOlderLayoutLast) {
            reader.Seek(start);
            ReadOlderLayout(reader, pages);
        } else {
            printerName = reader.ReadString();
            namesPrinter = !printToDefault;
            ReadCurrentLayout(reader, first == kCompressedPages, pages);
        }
    } catch (const Damaged& e) {
        damage = e.Message();
    } catch (const Error&) {
        damage = kEndsEarly; // every read is checked against what remains
    }
    if (!damage.empty()) {
        throw Error(source.empty() ? "Not a report file: " + damage
                                   : "Not a report file: " + source + " (" + damage + ")");
    }
    ApplyToPrinter(pages, printer, namesPrinter ? &printerName : nullptr);
    return pages;
}

} // namespace

void WritePreparedFile(const PreparedPages& pages, const std::string& printerName,
                       StreamWriter& writer)
{
    writer.WriteByte(kStoredPages);
    writer.WriteString(printerName);
    writer.WriteInt(pages.Count());
    for (int i = 0; i < pages.Count(); ++i) {
        const PreparedPage& page = pages[i];
        const std::int64_t endAt = writer.Position();
        writer.WriteInt(0);
        writer.WriteWord(static_cast<std::uint16_t>(page.paperCode));
        writer.WriteInt(page.paperWidth);
        writer.WriteInt(page.paperHeight);
        writer.WriteByte(static_cast<std::uint8_t>(page.orientation));
        writer.WriteByte(page.useMargins ? 1 : 0);
        writer.WriteBytes(pages.Stream(i));
        if (writer.Position() > kMaxReportFileSize) {
            throw Error("The report is too large for a report file (" + SizeLimit() + ")");
        }
        writer.PatchInt(endAt, static_cast<std::int32_t>(writer.Position()));
    }
}

void SavePreparedFile(const PreparedPages& pages, const ReportPrinter& printer,
                      const std::string& path)
{
    StreamWriter writer;
    WritePreparedFile(pages, printer.CurrentPrinterName(), writer);
    platform::SaveFileReplacing(path, writer.Bytes());
}

PreparedPages ReadPreparedFile(platform::Stream& stream, ReportPrinter& printer,
                               bool printToDefault)
{
    return Read(stream, printer, printToDefault, {});
}

PreparedPages LoadPreparedFile(const std::string& path, ReportPrinter& printer, bool printToDefault)
{
    platform::FileStream file(path);
    if (file.Size() > kMaxReportFileSize) {
        throw Error("Not a report file: " + path + " (" + SizeLimit() + ")");
    }
    return Read(file, printer, printToDefault, path);
}

} // namespace marlune::report
