#include "report/pdf/fontsubset.h"

#include "platform/error.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>

namespace marlune::report::pdf {

namespace {

std::uint32_t U16(const std::string& t, std::size_t at)
{
    if (at + 2 > t.size()) {
        throw Error("The font is damaged: a table is cut short");
    }
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(t[at])) << 8) |
           static_cast<unsigned char>(t[at + 1]);
}

int S16(const std::string& t, std::size_t at)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(U16(t, at)));
}

std::uint32_t U32(const std::string& t, std::size_t at)
{
    return (U16(t, at) << 16) | U16(t, at + 2);
}

void Put16(std::string& t, std::size_t at, std::uint32_t v)
{
    t[at] = static_cast<char>((v >> 8) & 0xFF);
    t[at + 1] = static_cast<char>(v & 0xFF);
}

void Put32(std::string& t, std::size_t at, std::uint32_t v)
{
    Put16(t, at, v >> 16);
    Put16(t, at + 2, v & 0xFFFF);
}

void Append16(std::string& t, std::uint32_t v)
{
    t.push_back(static_cast<char>((v >> 8) & 0xFF));
    t.push_back(static_cast<char>(v & 0xFF));
}

void Append32(std::string& t, std::uint32_t v)
{
    Append16(t, v >> 16);
    Append16(t, v & 0xFFFF);
}

std::string Table(const SfntTables& tables, const char* tag, bool required)
{
    std::string t = tables(tag);
    if (t.empty() && required) {
        throw Error(std::string("The font has no ") + tag + " table");
    }
    return t;
}

struct Outlines {
    std::string glyf;
    std::vector<std::uint32_t> offsets; // numGlyphs + 1
};

Outlines ReadOutlines(const SfntTables& tables)
{
    const std::string head = Table(tables, "head", true);
    const std::string maxp = Table(tables, "maxp", true);
    Outlines o;
    o.glyf = Table(tables, "glyf", true);
    const std::string loca = Table(tables, "loca", true);
    const std::uint32_t count = U16(maxp, 4);
    const bool longOffsets = S16(head, 50) != 0;
    o.offsets.resize(count + 1);
    for (std::uint32_t i = 0; i <= count; ++i) {
        o.offsets[i] = longOffsets ? U32(loca, i * 4) : U16(loca, i * 2) * 2;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        if (o.offsets[i] > o.offsets[i + 1] || o.offsets[i + 1] > o.glyf.size()) {
            throw Error("The font is damaged: a glyph lies outside its table");
        }
    }
    return o;
}

// Calls `visit` with the position of each component's glyph index in a
// composite glyph's data.
template <typename Visit> void ForEachComponent(const std::string& glyph, Visit visit)
{
    if (glyph.size() < 10 || S16(glyph, 0) >= 0) {
        return;
    }
    std::size_t at = 10;
    for (;;) {
        const std::uint32_t flags = U16(glyph, at);
        visit(at + 2);
        at += 4 + ((flags & 0x1) != 0 ? 4 : 2);
        if ((flags & 0x8) != 0) {
            at += 2;
        } else if ((flags & 0x40) != 0) {
            at += 4;
        } else if ((flags & 0x80) != 0) {
            at += 8;
        }
        if ((flags & 0x20) == 0) {
            break;
        }
    }
}

std::string SmallCmap(const std::vector<std::pair<char32_t, std::uint32_t>>& map)
{
    std::vector<std::pair<char32_t, std::uint32_t>> bmp;
    for (const auto& entry : map) {
        if (entry.first < 0xFFFF) {
            bmp.push_back(entry);
        }
    }
    std::sort(bmp.begin(), bmp.end());
    const std::size_t segments = bmp.size() + 1;
    std::string sub;
    Append16(sub, 4);
    Append16(sub, static_cast<std::uint32_t>(16 + segments * 8));
    Append16(sub, 0);
    Append16(sub, static_cast<std::uint32_t>(segments * 2));
    std::uint32_t power = 1;
    std::uint32_t log = 0;
    while (power * 2 <= segments) {
        power *= 2;
        ++log;
    }
    Append16(sub, power * 2);
    Append16(sub, log);
    Append16(sub, static_cast<std::uint32_t>(segments * 2 - power * 2));
    for (const auto& [c, g] : bmp) {
        Append16(sub, c);
    }
    Append16(sub, 0xFFFF);
    Append16(sub, 0);
    for (const auto& [c, g] : bmp) {
        Append16(sub, c);
    }
    Append16(sub, 0xFFFF);
    for (const auto& [c, g] : bmp) {
        Append16(sub, (g - c) & 0xFFFF);
    }
    Append16(sub, 1);
    for (std::size_t i = 0; i < segments; ++i) {
        Append16(sub, 0);
    }
    std::string cmap;
    Append16(cmap, 0);
    Append16(cmap, 1);
    Append16(cmap, 3);
    Append16(cmap, 1);
    Append32(cmap, 12);
    return cmap + sub;
}

std::uint32_t Checksum(const std::string& t)
{
    std::uint32_t sum = 0;
    std::string padded = t;
    padded.resize((t.size() + 3) & ~std::size_t{3}, '\0');
    for (std::size_t i = 0; i < padded.size(); i += 4) {
        sum += U32(padded, i);
    }
    return sum;
}

std::string Assemble(std::map<std::string, std::string> tables)
{
    const auto count = static_cast<std::uint32_t>(tables.size());
    std::uint32_t power = 1;
    std::uint32_t log = 0;
    while (power * 2 <= count) {
        power *= 2;
        ++log;
    }
    std::string file;
    Append32(file, 0x00010000);
    Append16(file, count);
    Append16(file, power * 16);
    Append16(file, log);
    Append16(file, count * 16 - power * 16);
    std::uint32_t offset = 12 + count * 16;
    std::string body;
    std::size_t headAt = 0;
    for (const auto& [tag, data] : tables) {
        file += tag;
        Append32(file, Checksum(data));
        Append32(file, offset + static_cast<std::uint32_t>(body.size()));
        Append32(file, static_cast<std::uint32_t>(data.size()));
        if (tag == "head") {
            headAt = body.size();
        }
        body += data;
        body.resize((body.size() + 3) & ~std::size_t{3}, '\0');
    }
    file += body;
    Put32(file, offset + headAt + 8, 0xB1B0AFBAU - Checksum(file));
    return file;
}

} // namespace

FontMetrics ReadFontMetrics(const SfntTables& tables)
{
    const std::string head = Table(tables, "head", true);
    const std::string hhea = Table(tables, "hhea", true);
    const std::string os2 = Table(tables, "OS/2", false);
    const std::string post = Table(tables, "post", false);
    FontMetrics m;
    m.unitsPerEm = static_cast<int>(U16(head, 18));
    if (m.unitsPerEm == 0) {
        throw Error("The font is damaged: it has no em size");
    }
    m.xMin = S16(head, 36);
    m.yMin = S16(head, 38);
    m.xMax = S16(head, 40);
    m.yMax = S16(head, 42);
    m.ascent = S16(hhea, 4);
    m.descent = S16(hhea, 6);
    m.capHeight = os2.size() >= 90 && U16(os2, 0) >= 2 ? S16(os2, 88) : m.ascent;
    if (post.size() >= 8) {
        m.italicAngle = S16(post, 4) + U16(post, 6) / 65536.0;
    }
    return m;
}

std::map<std::uint32_t, char32_t> GlyphCharacters(const SfntTables& tables)
{
    const std::string cmap = Table(tables, "cmap", true);
    const std::uint32_t count = U16(cmap, 2);
    std::size_t best = 0;
    int bestRank = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t platform = U16(cmap, 4 + i * 8);
        const std::uint32_t encoding = U16(cmap, 6 + i * 8);
        const std::uint32_t at = U32(cmap, 8 + i * 8);
        const std::uint32_t format = U16(cmap, at);
        int rank = 0;
        if (format == 12 && (platform == 0 || (platform == 3 && encoding == 10))) {
            rank = 2;
        } else if (format == 4 && (platform == 0 || (platform == 3 && encoding == 1))) {
            rank = 1;
        }
        if (rank > bestRank) {
            bestRank = rank;
            best = at;
        }
    }
    std::map<std::uint32_t, char32_t> glyphs;
    const auto add = [&glyphs](std::uint32_t glyph, char32_t c) {
        if (glyph != 0) {
            glyphs.emplace(glyph, c);
        }
    };
    if (bestRank == 2) {
        const std::uint32_t groups = U32(cmap, best + 12);
        for (std::uint32_t g = 0; g < groups; ++g) {
            const std::size_t at = best + 16 + g * 12;
            const std::uint32_t first = U32(cmap, at);
            const std::uint32_t last = std::min(U32(cmap, at + 4), first + 0x10000);
            const std::uint32_t glyph = U32(cmap, at + 8);
            for (std::uint32_t c = first; c <= last; ++c) {
                add(glyph + (c - first), c);
            }
        }
    } else if (bestRank == 1) {
        const std::uint32_t segments = U16(cmap, best + 6) / 2;
        const std::size_t ends = best + 14;
        const std::size_t starts = ends + segments * 2 + 2;
        const std::size_t deltas = starts + segments * 2;
        const std::size_t ranges = deltas + segments * 2;
        for (std::uint32_t s = 0; s < segments; ++s) {
            const std::uint32_t first = U16(cmap, starts + s * 2);
            const std::uint32_t last = U16(cmap, ends + s * 2);
            const std::uint32_t delta = U16(cmap, deltas + s * 2);
            const std::uint32_t range = U16(cmap, ranges + s * 2);
            for (std::uint32_t c = first; c <= last && c != 0xFFFF; ++c) {
                std::uint32_t glyph = 0;
                if (range == 0) {
                    glyph = (c + delta) & 0xFFFF;
                } else {
                    glyph = U16(cmap, ranges + s * 2 + range + (c - first) * 2);
                    glyph = glyph == 0 ? 0 : (glyph + delta) & 0xFFFF;
                }
                add(glyph, c);
            }
        }
    }
    return glyphs;
}

std::vector<int> GlyphAdvances(const SfntTables& tables)
{
    const std::string hhea = Table(tables, "hhea", true);
    const std::string hmtx = Table(tables, "hmtx", true);
    const std::string maxp = Table(tables, "maxp", true);
    const std::uint32_t metrics = U16(hhea, 34);
    const std::uint32_t count = U16(maxp, 4);
    if (metrics == 0) {
        throw Error("The font is damaged: it has no glyph metrics");
    }
    std::vector<int> advances(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        advances[i] = static_cast<int>(U16(hmtx, std::min(i, metrics - 1) * 4));
    }
    return advances;
}

std::string SubsetFont(const SfntTables& tables,
                       const std::map<char32_t, std::uint32_t>& characters)
{
    const Outlines outlines = ReadOutlines(tables);
    const auto count = static_cast<std::uint32_t>(outlines.offsets.size() - 1);
    const auto glyphData = [&outlines](std::uint32_t g) {
        return outlines.glyf.substr(outlines.offsets[g],
                                    outlines.offsets[g + 1] - outlines.offsets[g]);
    };
    // Old glyph numbers in their new order; composite glyphs bring their parts.
    std::vector<std::uint32_t> order{0};
    std::map<std::uint32_t, std::uint32_t> renumbered{{0, 0}};
    const auto take = [&](std::uint32_t g) {
        if (g < count && renumbered.emplace(g, static_cast<std::uint32_t>(order.size())).second) {
            order.push_back(g);
        }
    };
    for (const auto& [c, g] : characters) {
        take(g);
    }
    for (std::size_t i = 0; i < order.size(); ++i) {
        const std::string glyph = glyphData(order[i]);
        ForEachComponent(glyph, [&](std::size_t at) { take(U16(glyph, at)); });
    }
    std::string glyf;
    std::string loca;
    std::string hmtx;
    const std::string oldHmtx = Table(tables, "hmtx", true);
    const std::uint32_t oldMetrics = U16(Table(tables, "hhea", true), 34);
    for (const std::uint32_t g : order) {
        Append32(loca, static_cast<std::uint32_t>(glyf.size()));
        std::string glyph = glyphData(g);
        ForEachComponent(glyph, [&](std::size_t at) {
            const auto found = renumbered.find(U16(glyph, at));
            Put16(glyph, at, found == renumbered.end() ? 0 : found->second);
        });
        glyf += glyph;
        glyf.resize((glyf.size() + 3) & ~std::size_t{3}, '\0');
        const std::uint32_t m = std::min(g, oldMetrics - 1);
        Append16(hmtx, U16(oldHmtx, m * 4));
        const std::size_t lsbAt =
            g < oldMetrics ? g * 4 + 2 : oldMetrics * 4 + (g - oldMetrics) * 2;
        Append16(hmtx, lsbAt + 2 <= oldHmtx.size() ? U16(oldHmtx, lsbAt) : 0);
    }
    Append32(loca, static_cast<std::uint32_t>(glyf.size()));
    const auto n = static_cast<std::uint32_t>(order.size());

    std::map<std::string, std::string> out;
    out["head"] = Table(tables, "head", true);
    Put32(out["head"], 8, 0);
    Put16(out["head"], 50, 1);
    out["hhea"] = Table(tables, "hhea", true);
    Put16(out["hhea"], 34, n);
    out["maxp"] = Table(tables, "maxp", true);
    Put16(out["maxp"], 4, n);
    out["hmtx"] = hmtx;
    out["loca"] = loca;
    out["glyf"] = glyf;
    std::vector<std::pair<char32_t, std::uint32_t>> cmap;
    for (const auto& [c, g] : characters) {
        const auto found = renumbered.find(g);
        if (found != renumbered.end()) {
            cmap.emplace_back(c, found->second);
        }
    }
    out["cmap"] = SmallCmap(cmap);
    std::string post = Table(tables, "post", false);
    post.resize(32, '\0');
    Put32(post, 0, 0x00030000);
    std::fill(post.begin() + 16, post.end(), '\0');
    out["post"] = post;
    for (const char* tag : {"cvt ", "fpgm", "prep", "OS/2"}) {
        std::string t = Table(tables, tag, false);
        if (!t.empty()) {
            out[tag] = std::move(t);
        }
    }
    return Assemble(std::move(out));
}

} // namespace marlune::report::pdf
