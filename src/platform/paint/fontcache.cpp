#include "platform/paint/fontcache.h"

#include "platform/cp1252.h"

#include <QString>

#include <functional>

namespace marlune::paint {

namespace {

// Widths kept per font: the distinct texts of a long list, not every text.
constexpr std::size_t kMaxWidths = 1U << 16U;

} // namespace

MeasuredFont::MeasuredFont(const QFont& font, const QPaintDevice* device)
    : font_(font), metrics_(font, device), ascent_(metrics_.ascent())
{
    latinAdvances_.fill(-1);
}

int MeasuredFont::Advance(QChar ch)
{
    const char16_t u = ch.unicode();
    if (u < latinAdvances_.size()) {
        int& advance = latinAdvances_[u];
        if (advance < 0) {
            advance = metrics_.horizontalAdvance(ch);
        }
        return advance;
    }
    const auto it = otherAdvances_.find(u);
    if (it != otherAdvances_.end()) {
        return it->second;
    }
    const int advance = metrics_.horizontalAdvance(ch);
    otherAdvances_.emplace(u, advance);
    return advance;
}

int MeasuredFont::Width(const std::string& text)
{
    const auto it = widths_.find(text);
    if (it != widths_.end()) {
        return it->second;
    }
    if (widths_.size() >= kMaxWidths) {
        widths_.clear();
    }
    const int width = metrics_.horizontalAdvance(platform::ToQString(text));
    widths_.emplace(text, width);
    return width;
}

const QRawFont& MeasuredFont::Raw(const QFont& painterFont)
{
    if (!rawMade_) {
        raw_ = QRawFont::fromFont(painterFont);
        rawMade_ = true;
    }
    return raw_;
}

quint32 MeasuredFont::Glyph(QChar ch)
{
    const char16_t u = ch.unicode();
    const auto it = glyphs_.find(u);
    if (it != glyphs_.end()) {
        return it->second;
    }
    const QList<quint32> glyphs = raw_.glyphIndexesForString(QString(ch));
    const quint32 glyph = glyphs.size() == 1 ? glyphs.front() : 0U;
    glyphs_.emplace(u, glyph);
    return glyph;
}

std::size_t FontKeyHash::operator()(const FontKey& key) const noexcept
{
    std::size_t h = std::hash<std::string>{}(key.name);
    for (const int part : {static_cast<int>(key.style), key.pixelHeight, key.dpi}) {
        h ^= std::hash<int>{}(part) + 0x9e3779b97f4a7c15ULL + (h << 6U) + (h >> 2U);
    }
    return h;
}

FontCache& SharedFontCache()
{
    static auto* cache = new FontCache;
    return *cache;
}

} // namespace marlune::paint
