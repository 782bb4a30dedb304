#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

// A TrueType font cut down to the glyphs a document uses, for embedding in a
// PDF. Glyphs are renumbered from 1 in the order given (0 stays the missing
// glyph; the parts of composite glyphs follow), and a small cmap maps each
// chosen character to its new glyph.
namespace marlune::report::pdf {

// The font's tables by tag ("glyf", "head" ...); empty when it has none.
using SfntTables = std::function<std::string(const char* tag)>;

struct FontMetrics {
    int unitsPerEm = 1000;
    int xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    int ascent = 0, descent = 0, capHeight = 0;
    double italicAngle = 0;
};

// The head, hhea, OS/2 and post figures of a font; raises marlune::Error
// when the tables are missing or cut short.
FontMetrics ReadFontMetrics(const SfntTables& tables);

// Each glyph's Unicode character as the font's own cmap gives it (the
// lowest character when several map to one glyph).
std::map<std::uint32_t, char32_t> GlyphCharacters(const SfntTables& tables);

// Each glyph's advance in font units.
std::vector<int> GlyphAdvances(const SfntTables& tables);

// A font file holding glyph 0 and, in order, the glyphs of `characters`
// (character -> original glyph), each reachable through its character.
// Raises marlune::Error on a font that is not TrueType outlines.
std::string SubsetFont(const SfntTables& tables,
                       const std::map<char32_t, std::uint32_t>& characters);

} // namespace marlune::report::pdf
