#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QRawFont>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class QPaintDevice;
class QString;

// Fonts and their measurements kept for reuse. Building a QFont, its metrics
// and per-character advances for every line drawn costs more than drawing
// it; the answers depend only on the font asked for and the device's
// resolution, so they are kept per (name, style, pixel height, dpi) and
// handed out again. Measuring goes through the same Qt calls as before, so
// every width is the one Qt gives. Used from the GUI thread only, as fonts are.
namespace marlune::platform::paint {

struct FontKey {
    std::string name;
    std::uint16_t style = 0;
    int pixelHeight = 0;
    int dpi = 0;
    bool operator==(const FontKey&) const = default;
};

// A font on a device of a given resolution, with what has been measured.
class MeasuredFont {
public:
    // Measured as QFontMetrics(font, device) measures.
    MeasuredFont(const QFont& font, const QPaintDevice* device);

    const QFont& Font() const { return font_; }
    const QFontMetrics& Metrics() const { return metrics_; }
    int Ascent() const { return ascent_; }

    // QFontMetrics::horizontalAdvance of one character.
    int Advance(QChar ch);
    // QFontMetrics::horizontalAdvance of the text (8-bit, Windows-1252).
    // Shaping a whole text costs far more than adding up its characters, and
    // with kerning off the two agree wherever no two neighbours affect each
    // other: so each neighbouring pair is shaped once and compared with its
    // two characters alone, and only texts made of pairs that agree are
    // added up; the rest are shaped whole (and kept, bounded).
    int Width(const std::string& text);
    // The glyph run font of `painterFont` (the font as a painter on this
    // device holds it); made once.
    const QRawFont& Raw(const QFont& painterFont);
    // The glyph of one character in Raw(), 0 where the font has none.
    quint32 Glyph(QChar ch);

private:
    // Shaped advance of one character in 1/64 pixel, -1 where the sum
    // cannot stand for it.
    int FixedAdvance(unsigned char c);
    bool PairAdds(unsigned char a, unsigned char b);
    int ShapedWidth(const std::string& text);

    QFont font_;
    QFontMetrics metrics_;
    QFontMetricsF metricsF_;
    std::array<int, 256> fixedAdvances_{};
    // Per pair of Latin-1 characters: 0 unknown, 1 adds up, 2 does not.
    std::vector<std::uint8_t> pairs_;
    int ascent_ = 0;
    std::array<int, 256> latinAdvances_{};
    std::unordered_map<char16_t, int> otherAdvances_;
    std::unordered_map<std::string, int> widths_;
    bool rawMade_ = false;
    QRawFont raw_;
    std::unordered_map<char16_t, quint32> glyphs_;
};

struct FontKeyHash {
    std::size_t operator()(const FontKey& key) const noexcept;
};

// The fonts handed out so far. Bounded: past kMaxFonts it starts afresh;
// a font still in use lives on through its shared pointer.
class FontCache {
public:
    static constexpr std::size_t kMaxFonts = 512;

    // The font of `key` on `device` (whose vertical resolution is key.dpi);
    // make() builds the QFont the first time.
    template <typename Make>
    std::shared_ptr<MeasuredFont> Get(const FontKey& key, const QPaintDevice* device,
                                      const Make& make)
    {
        const auto it = fonts_.find(key);
        if (it != fonts_.end()) {
            return it->second;
        }
        if (fonts_.size() >= kMaxFonts) {
            fonts_.clear();
        }
        auto font = std::make_shared<MeasuredFont>(make(), device);
        fonts_.emplace(key, font);
        return font;
    }

    std::size_t Size() const { return fonts_.size(); }

private:
    std::unordered_map<FontKey, std::shared_ptr<MeasuredFont>, FontKeyHash> fonts_;
};

// The program's one cache (never freed: fonts outlive the application object
// otherwise, and Qt's font engines are gone by then).
FontCache& SharedFontCache();

} // namespace marlune::platform::paint
