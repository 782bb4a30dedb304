#include "platform/paint/fontcache.h"

#include "platform/cp1252.h"

#include <QString>

#include <cmath>
#include <functional>

namespace marlune::platform::paint {

namespace {

// Widths kept per font: the distinct texts of a long list, not every text.
constexpr std::size_t kMaxWidths = 1U << 16U;
constexpr int kUnknown = -2;
constexpr int kCannotAdd = -1;

// Characters a text engine lays out as themselves: printable Latin-1, no
// controls, no soft hyphen (drawn only at a break).
bool PlainCharacter(unsigned char c)
{
    return (c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c != 0xAD);
}

// In 1/64 pixel, as Qt keeps text widths.
long long Fixed(qreal width)
{
    return std::llround(width * 64);
}

} // namespace

MeasuredFont::MeasuredFont(const QFont& font, const QPaintDevice* device)
    : font_(font), metrics_(font, device), metricsF_(font, device), ascent_(metrics_.ascent())
{
    latinAdvances_.fill(-1);
    fixedAdvances_.fill(kUnknown);
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

int MeasuredFont::FixedAdvance(unsigned char c)
{
    int& advance = fixedAdvances_[c];
    if (advance == kUnknown) {
        // Only bytes that stand for the same Latin-1 character.
        const QString one = platform::ToQString(std::string(1, static_cast<char>(c)));
        advance = PlainCharacter(c) && one.size() == 1 && one.at(0).unicode() == c
                      ? static_cast<int>(Fixed(metricsF_.horizontalAdvance(one)))
                      : kCannotAdd;
    }
    return advance;
}

bool MeasuredFont::PairAdds(unsigned char a, unsigned char b)
{
    if (pairs_.empty()) {
        pairs_.assign(256U * 256U, 0);
    }
    std::uint8_t& known = pairs_[a * 256U + b];
    if (known == 0) {
        const std::string pair{static_cast<char>(a), static_cast<char>(b)};
        const bool adds = Fixed(metricsF_.horizontalAdvance(platform::ToQString(pair))) ==
                          static_cast<long long>(FixedAdvance(a)) + FixedAdvance(b);
        known = adds ? 1 : 2;
    }
    return known == 1;
}

int MeasuredFont::Width(const std::string& text)
{
    long long total = 0;
    unsigned char previous = 0;
    bool adds = true;
    for (std::size_t i = 0; adds && i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const int advance = FixedAdvance(c);
        adds = advance >= 0 && (i == 0 || PairAdds(previous, c));
        total += advance;
        previous = c;
    }
    if (adds) {
        // Rounded as Qt rounds a width in 1/64 pixel: half up.
        return static_cast<int>((total + 32) >> 6);
    }
    return ShapedWidth(text);
}

int MeasuredFont::ShapedWidth(const std::string& text)
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

} // namespace marlune::platform::paint
