#include "report/pdf/pdfwriter.h"

#include "platform/cp1252.h"
#include "platform/error.h"
#include "report/pdf/pdfpaintengine.h"

#include <QByteArray>
#include <QImage>
#include <QtGui/private/qfontengine_p.h>

#include <cmath>
#include <cstring>

namespace marlune::report::pdf {

namespace {

// Deflated for a FlateDecode stream: zlib's format without Qt's length.
std::string Deflate(const std::string& data)
{
    const QByteArray packed = qCompress(reinterpret_cast<const uchar*>(data.data()),
                                        static_cast<qsizetype>(data.size()), 6);
    return std::string(packed.constData() + 4, static_cast<std::size_t>(packed.size() - 4));
}

std::string Ref(int object)
{
    return std::to_string(object) + " 0 R";
}

// A PDF literal string for text the file describes itself with.
std::string Literal(const std::string& text)
{
    std::string out = "(";
    for (const char c : text) {
        if (c == '(' || c == ')' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + ")";
}

std::string PostScriptName(QFontEngine* engine)
{
    QByteArray name = engine->fontDef.families.isEmpty()
                          ? QByteArray("Font")
                          : engine->fontDef.families.first().toLatin1();
    if (engine->fontDef.weight >= QFont::Bold) {
        name += "-Bold";
    }
    if (engine->fontDef.style != QFont::StyleNormal) {
        name += engine->fontDef.weight >= QFont::Bold ? "Italic" : "-Italic";
    }
    std::string out;
    for (const char c : name) {
        if (c > ' ' && c < 127 && std::strchr("()<>[]{}/%#", c) == nullptr) {
            out += c;
        }
    }
    return out.empty() ? "Font" : out;
}

// The six capitals in front of a subset's name, taken from its glyphs.
std::string SubsetTag(const FontFace& face)
{
    std::uint32_t hash = 2166136261U;
    for (const auto& [c, g] : face.used) {
        hash = (hash ^ static_cast<std::uint32_t>(c)) * 16777619U;
        hash = (hash ^ g) * 16777619U;
    }
    std::string tag;
    for (int i = 0; i < 6; ++i) {
        tag += static_cast<char>('A' + hash % 26);
        hash /= 26;
    }
    return tag;
}

std::string Number(double v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    std::string s = buf;
    while (s.back() == '0') {
        s.pop_back();
    }
    if (s.back() == '.') {
        s.pop_back();
    }
    return s == "-0" ? "0" : s;
}

// The characters of the single-byte codes the text uses, for readers that
// copy text out rather than name glyphs.
std::string ToUnicodeCMap()
{
    std::vector<std::string> entries;
    for (int code = 32; code < 256; ++code) {
        const char32_t c = platform::ToUnicode(static_cast<unsigned char>(code));
        if (c >= 0x20 && (c < 0x7F || c > 0x9F)) {
            char entry[24];
            std::snprintf(entry, sizeof entry, "<%02X> <%04X>\n", code, static_cast<unsigned>(c));
            entries.emplace_back(entry);
        }
    }
    std::string cmap = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                       "/CIDSystemInfo<</Registry(Adobe)/Ordering(UCS)/Supplement 0>>def\n"
                       "/CMapName/Adobe-Identity-UCS def\n/CMapType 2 def\n"
                       "1 begincodespacerange\n<00> <FF>\nendcodespacerange\n";
    for (std::size_t i = 0; i < entries.size(); i += 100) {
        const std::size_t n = std::min<std::size_t>(100, entries.size() - i);
        cmap += std::to_string(n) + " beginbfchar\n";
        for (std::size_t j = i; j < i + n; ++j) {
            cmap += entries[j];
        }
        cmap += "endbfchar\n";
    }
    return cmap + "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
}

} // namespace

PdfWriter::PdfWriter(std::FILE* out, std::string title, std::string creator)
    : out_(out), title_(std::move(title)), creator_(std::move(creator)),
      engine_(std::make_unique<PdfPaintEngine>(*this)),
      device_(std::make_unique<PdfPageDevice>(*engine_))
{
}

PdfWriter::~PdfWriter() = default;

void PdfWriter::Write(const std::string& text)
{
    if (std::fwrite(text.data(), 1, text.size(), out_) != text.size()) {
        throw Error("The PDF could not be written");
    }
    offset_ += text.size();
}

int PdfWriter::NewObject()
{
    offsets_.push_back(0);
    return static_cast<int>(offsets_.size() - 1);
}

void PdfWriter::BeginObject(int id)
{
    offsets_[static_cast<std::size_t>(id)] = offset_;
    Write(std::to_string(id) + " 0 obj\n");
}

void PdfWriter::WriteStream(int id, const std::string& dictionary, const std::string& data,
                            std::size_t length1)
{
    const std::string packed = Deflate(data);
    BeginObject(id);
    std::string head =
        "<<" + dictionary + "/Filter/FlateDecode/Length " + std::to_string(packed.size());
    if (length1 != 0) {
        head += "/Length1 " + std::to_string(length1);
    }
    Write(head + ">>\nstream\n");
    Write(packed);
    Write("\nendstream\nendobj\n");
}

QPaintDevice& PdfWriter::BeginPage(double widthMm, double heightMm, int dpi)
{
    if (!started_) {
        Write("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
        pagesObject_ = NewObject();
        resourcesObject_ = NewObject();
        started_ = true;
    }
    // Whole points, as other writers size their pages.
    const double widthPt = std::round(widthMm / 25.4 * 72);
    const double heightPt = std::round(heightMm / 25.4 * 72);
    device_->Start(widthPt, heightPt, dpi);
    return *device_;
}

void PdfWriter::EndPage()
{
    const int content = NewObject();
    WriteStream(content, "", engine_->TakeContent());
    const int page = NewObject();
    BeginObject(page);
    Write("<</Type/Page/Parent " + Ref(pagesObject_) + "/MediaBox[0 0 " +
          Number(device_->WidthPt()) + " " + Number(device_->HeightPt()) + "]/Resources " +
          Ref(resourcesObject_) + "/Contents " + Ref(content) + ">>\nendobj\n");
    pages_.push_back(page);
}

FontResource* PdfWriter::Font(QFontEngine* engine)
{
    const QFontEngine::FaceId id = engine->faceId();
    const auto size = static_cast<std::int64_t>(std::llround(engine->fontDef.pixelSize * 64));
    // Runs of one line after another mostly share their font: found again
    // without building its key.
    if (last_.font != nullptr && !id.filename.isEmpty() && id.filename == last_.file &&
        id.index == last_.index && size == last_.size) {
        return last_.font;
    }
    const std::string key = id.filename.isEmpty()
                                ? PostScriptName(engine)
                                : id.filename.toStdString() + "#" + std::to_string(id.index);
    auto found = faces_.find(key);
    if (found == faces_.end()) {
        auto face = std::make_unique<FontFace>();
        const auto tables = [engine, &face](const char* tag) {
            auto& cached = face->tables[tag];
            if (cached.empty()) {
                const QByteArray bytes =
                    engine->getSfntTable(MAKE_TAG(tag[0], tag[1], tag[2], tag[3]));
                cached.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
            }
            return cached;
        };
        try {
            face->metrics = ReadFontMetrics(tables);
            face->characters = GlyphCharacters(tables);
            face->advances = GlyphAdvances(tables);
            // The engine may be gone when the subset is cut: every table
            // it reads is fetched now.
            for (const char* tag : {"cvt ", "fpgm", "prep", "OS/2", "post", "loca", "maxp", "head",
                                    "hhea", "hmtx", "glyf"}) {
                tables(tag);
            }
            face->tables.erase("cmap");
            if (face->tables["glyf"].empty()) {
                face.reset();
            }
        } catch (const Error&) {
            face.reset();
        }
        if (face) {
            face->postScriptName = PostScriptName(engine);
            face->codes.assign(face->advances.size(), -2);
        }
        found = faces_.emplace(key, std::move(face)).first;
    }
    FontFace* face = found->second.get();
    if (face == nullptr) {
        return nullptr;
    }
    auto& resource = fonts_[{face, size}];
    if (!resource) {
        resource = std::make_unique<FontResource>();
        resource->name = "F" + std::to_string(fonts_.size());
        resource->object = NewObject();
        resource->face = face;
        resource->size = static_cast<double>(size) / 64;
        std::fill(std::begin(resource->widths), std::end(resource->widths), -1.0);
        std::fill(std::begin(resource->used), std::end(resource->used), false);
    }
    if (!id.filename.isEmpty()) {
        last_ = {id.filename, id.index, size, resource.get()};
    }
    return resource.get();
}

std::string PdfWriter::Image(const QImage& image)
{
    auto& entry = images_[image.cacheKey()];
    if (!entry.first.empty()) {
        return entry.first;
    }
    entry.first = "Im" + std::to_string(images_.size());
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    std::string pixels;
    pixels.reserve(static_cast<std::size_t>(rgb.width() * rgb.height() * 3));
    for (int y = 0; y < rgb.height(); ++y) {
        pixels.append(reinterpret_cast<const char*>(rgb.constScanLine(y)),
                      static_cast<std::size_t>(rgb.width() * 3));
    }
    std::string dictionary = "/Type/XObject/Subtype/Image/Width " + std::to_string(rgb.width()) +
                             "/Height " + std::to_string(rgb.height()) +
                             "/ColorSpace/DeviceRGB/BitsPerComponent 8/Interpolate false";
    if (image.hasAlphaChannel()) {
        const QImage alpha = image.convertToFormat(QImage::Format_Alpha8);
        std::string mask;
        for (int y = 0; y < alpha.height(); ++y) {
            mask.append(reinterpret_cast<const char*>(alpha.constScanLine(y)),
                        static_cast<std::size_t>(alpha.width()));
        }
        const int maskObject = NewObject();
        WriteStream(maskObject,
                    "/Type/XObject/Subtype/Image/Width " + std::to_string(alpha.width()) +
                        "/Height " + std::to_string(alpha.height()) +
                        "/ColorSpace/DeviceGray/BitsPerComponent 8",
                    mask);
        dictionary += "/SMask " + Ref(maskObject);
    }
    entry.second = NewObject();
    WriteStream(entry.second, dictionary, pixels);
    return entry.first;
}

void PdfWriter::WriteFonts()
{
    for (auto& [key, face] : faces_) {
        if (!face || face->used.empty()) {
            continue;
        }
        const auto tables = [&face = face](const char* tag) {
            const auto found = face->tables.find(tag);
            return found == face->tables.end() ? std::string() : found->second;
        };
        const std::string file = SubsetFont(tables, face->used);
        const int fileObject = NewObject();
        WriteStream(fileObject, "", file, file.size());
        const FontMetrics& m = face->metrics;
        const double k = 1000.0 / m.unitsPerEm;
        face->descriptor = NewObject();
        BeginObject(face->descriptor);
        Write("<</Type/FontDescriptor/FontName/" + SubsetTag(*face) + "+" + face->postScriptName +
              "/Flags 32/FontBBox[" + Number(m.xMin * k) + " " + Number(m.yMin * k) + " " +
              Number(m.xMax * k) + " " + Number(m.yMax * k) + "]/ItalicAngle " +
              Number(m.italicAngle) + "/Ascent " + Number(m.ascent * k) + "/Descent " +
              Number(m.descent * k) + "/CapHeight " + Number(m.capHeight * k) +
              "/StemV 80/FontFile2 " + Ref(fileObject) + ">>\nendobj\n");
    }
    const int toUnicode = NewObject();
    WriteStream(toUnicode, "", ToUnicodeCMap());
    for (auto& [key, font] : fonts_) {
        FontFace& face = *font->face;
        int first = 255;
        int last = 0;
        for (int c = 0; c < 256; ++c) {
            if (font->used[c]) {
                first = std::min(first, c);
                last = std::max(last, c);
            }
        }
        if (first > last) {
            first = last = 32;
        }
        std::string widths;
        for (int c = first; c <= last; ++c) {
            widths += (c > first ? " " : "") + Number(font->used[c] ? font->widths[c] : 0);
        }
        BeginObject(font->object);
        Write("<</Type/Font/Subtype/TrueType/BaseFont/" + SubsetTag(face) + "+" +
              face.postScriptName + "/FirstChar " + std::to_string(first) + "/LastChar " +
              std::to_string(last) + "/Widths[" + widths + "]/FontDescriptor " +
              Ref(face.descriptor) + "/Encoding/WinAnsiEncoding/ToUnicode " + Ref(toUnicode) +
              ">>\nendobj\n");
    }
}

void PdfWriter::Finish()
{
    if (finished_) {
        return;
    }
    if (!started_) {
        BeginPage(210, 297, 72);
        EndPage();
    }
    WriteFonts();
    BeginObject(resourcesObject_);
    std::string resources = "<</Font<<";
    for (const auto& [key, font] : fonts_) {
        resources += "/" + font->name + " " + Ref(font->object);
    }
    resources += ">>/XObject<<";
    for (const auto& [key, image] : images_) {
        resources += "/" + image.first + " " + Ref(image.second);
    }
    Write(resources + ">>>>\nendobj\n");
    BeginObject(pagesObject_);
    std::string kids;
    for (const int page : pages_) {
        kids += Ref(page) + " ";
    }
    Write("<</Type/Pages/Count " + std::to_string(pages_.size()) + "/Kids[" + kids +
          "]>>\nendobj\n");
    const int catalog = NewObject();
    BeginObject(catalog);
    Write("<</Type/Catalog/Pages " + Ref(pagesObject_) + ">>\nendobj\n");
    const int info = NewObject();
    BeginObject(info);
    Write("<</Title" + Literal(title_) + "/Creator" + Literal(creator_) + "/Producer" +
          Literal(creator_) + ">>\nendobj\n");
    const std::uint64_t xref = offset_;
    std::string table = "xref\n0 " + std::to_string(offsets_.size()) + "\n0000000000 65535 f \n";
    for (std::size_t i = 1; i < offsets_.size(); ++i) {
        char line[24];
        std::snprintf(line, sizeof line, "%010llu 00000 n \n",
                      static_cast<unsigned long long>(offsets_[i]));
        table += line;
    }
    Write(table);
    Write("trailer\n<</Size " + std::to_string(offsets_.size()) + "/Root " + Ref(catalog) +
          "/Info " + Ref(info) + ">>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n");
    if (std::fflush(out_) != 0 || std::ferror(out_) != 0) {
        throw Error("The PDF could not be written");
    }
    finished_ = true;
}

} // namespace marlune::report::pdf
