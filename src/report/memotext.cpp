#include "report/memotext.h"

#include "platform/cp1252.h"
#include "platform/paint/fonts.h"
#include "report/units.h"

#include <QFontMetrics>
#include <QGlyphRun>
#include <QPaintDevice>
#include <QPainter>
#include <QRawFont>

#include <algorithm>
#include <cctype>

namespace marlune::report {

namespace {

constexpr char kParagraphMark = '\x01';

bool IsBreakCharacter(char c)
{
    return c == ' ' || c == ',' || c == '-' || c == '.';
}

bool IsLineBreak(char c)
{
    return c == '\r' || c == '\n';
}

bool IsLetter(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return std::isalpha(u) != 0 || u >= 0xC0;
}

bool IsVowel(char c)
{
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0xC0) {
        // Latin-1 letters: the accented vowels, not Ç, Ñ, ß and the like.
        return std::string_view("\xC0\xC1\xC2\xC3\xC4\xC5\xC6\xC8\xC9\xCA\xCB\xCC\xCD\xCE\xCF\xD2"
                                "\xD3\xD4\xD5\xD6\xD8\xD9\xDA\xDB\xDC\xDD\xE0\xE1\xE2\xE3\xE4\xE5"
                                "\xE6\xE8\xE9\xEA\xEB\xEC\xED\xEE\xEF\xF2\xF3\xF4\xF5\xF6\xF8\xF9"
                                "\xFA\xFB\xFC\xFD\xFF")
                   .find(c) != std::string_view::npos;
    }
    return std::string_view("aeiouyAEIOUY").find(c) != std::string_view::npos;
}

// Hyphenation points of a Latin word, a plain syllable rule: a word may be
// split before a consonant that stands between two vowels (ba-con) and
// between two consonants that stand between vowels (bas-ket), leaving at
// least two letters on each side. Returns the offsets, ascending.
std::vector<std::size_t> HyphenationPoints(std::string_view word)
{
    std::vector<std::size_t> points;
    for (std::size_t p = 2; p + 2 <= word.size(); ++p) {
        const char before = word[p - 1];
        const char at = word[p];
        const char after = word[p + 1];
        if (!IsLetter(before) || !IsLetter(at) || !IsLetter(after) || !IsLetter(word[p - 2])) {
            continue;
        }
        const bool vcv = IsVowel(before) && !IsVowel(at) && IsVowel(after);
        const bool vccv =
            !IsVowel(before) && !IsVowel(at) && IsVowel(word[p - 2]) && IsVowel(after);
        if (vcv || vccv) {
            points.push_back(p);
        }
    }
    return points;
}

class Wrapper {
public:
    Wrapper(const WrapOptions& options, Lines& out) : options_(options), out_(out) {}

    void WrapLine(const std::string& s)
    {
        if (!options_.wordWrap) {
            Emit(s, true);
            return;
        }
        const bool hasLineBreak = std::any_of(s.begin(), s.end(), IsLineBreak);
        if (!hasLineBreak && (s.size() <= 1 || Width(s) <= options_.availableWidth)) {
            Emit(s, true);
            return;
        }
        std::size_t pieceStart = 0;
        std::size_t lastBreak = 0;
        std::size_t i = 0;
        while (i < s.size()) {
            const char c = s[i];
            if (IsLineBreak(c)) {
                Emit(s.substr(pieceStart, i - pieceStart), true);
                while (i < s.size() && IsLineBreak(s[i])) {
                    ++i;
                }
                if (i == s.size()) {
                    return;
                }
                pieceStart = lastBreak = i;
                continue;
            }
            if (c != ' ' &&
                Width(s.substr(pieceStart, i - pieceStart + 1)) > options_.availableWidth) {
                if (options_.wordBreak && Hyphenate(s, pieceStart, lastBreak, i)) {
                    continue;
                }
                if (lastBreak == pieceStart) {
                    lastBreak = i;
                }
                const std::size_t end = s[lastBreak] == ' ' ? lastBreak : lastBreak + 1;
                Emit(s.substr(pieceStart, end - pieceStart), false);
                if (lastBreak == i) {
                    return; // a word with nowhere to break: the rest is left out
                }
                pieceStart = lastBreak = lastBreak + 1;
            }
            if (IsBreakCharacter(c)) {
                lastBreak = i;
            }
            ++i;
        }
        Emit(s.substr(pieceStart), true);
    }

private:
    int Width(const std::string& text) const
    {
        return MeasureText96(*options_.font, options_.charGap, text);
    }

    void Emit(const std::string& text, bool paragraphEnd)
    {
        out_.push_back(EncodeWrappedLine({text, paragraphEnd, Width(text)}));
    }

    // Splits the word that overflows at `i` at the last hyphenation point
    // that still fits with the hyphen; the scan goes on at the split.
    bool Hyphenate(const std::string& s, std::size_t& pieceStart, std::size_t& lastBreak,
                   std::size_t i)
    {
        std::size_t wordStart = lastBreak == pieceStart ? pieceStart : lastBreak + 1;
        std::size_t wordEnd = i;
        while (wordEnd < s.size() && !IsBreakCharacter(s[wordEnd]) && !IsLineBreak(s[wordEnd])) {
            ++wordEnd;
        }
        const std::vector<std::size_t> points =
            HyphenationPoints(std::string_view(s).substr(wordStart, wordEnd - wordStart));
        for (auto it = points.rbegin(); it != points.rend(); ++it) {
            const std::size_t at = wordStart + *it;
            if (at > i) {
                continue;
            }
            const std::string head = s.substr(pieceStart, at - pieceStart) + "-";
            if (Width(head) <= options_.availableWidth) {
                Emit(head, false);
                pieceStart = lastBreak = at;
                return true;
            }
        }
        return false;
    }

    const WrapOptions& options_;
    Lines& out_;
};

// Per-character advances of `text` on the painter's device.
void Advances(platform::paint::MeasuredFont& font, const QString& text, int charGap,
              std::vector<int>& advances)
{
    advances.clear();
    advances.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar ch : text) {
        advances.push_back(font.Advance(ch) + charGap);
    }
}

int Sum(const std::vector<int>& values)
{
    int total = 0;
    for (const int v : values) {
        total += v;
    }
    return total;
}

// Draws each character at x plus its running advance plus its share of
// `extra` (spread over the gaps between characters, or over the spaces only).
void DrawSpread(QPainter& painter, platform::paint::MeasuredFont& font, const QString& text,
                const std::vector<int>& advances, int x, int baseline, int extra, bool spacesOnly,
                bool glyphRun)
{
    const int n = static_cast<int>(text.size());
    int slots = 0;
    for (int i = 0; i + 1 < n; ++i) {
        if (!spacesOnly || text.at(i) == QLatin1Char(' ')) {
            ++slots;
        }
    }
    int pos = x;
    int slot = 0;
    QRawFont raw;
    QList<quint32> glyphs;
    QList<QPointF> positions;
    if (glyphRun) {
        raw = font.Raw(painter.font());
        glyphRun = raw.isValid();
        glyphs.reserve(n);
        for (int i = 0; glyphRun && i < n; ++i) {
            const quint32 glyph = font.Glyph(text.at(i));
            // One glyph per character, or the characters are drawn one by one.
            glyphRun = glyph != 0U;
            glyphs.append(glyph);
        }
        positions.reserve(n);
    }
    for (int i = 0; i < n; ++i) {
        if (glyphRun) {
            positions.append(QPointF(pos - x, 0));
        } else {
            painter.drawText(QPoint(pos, baseline), QString(text.at(i)));
        }
        pos += advances[static_cast<std::size_t>(i)];
        if (slots > 0 && i + 1 < n && (!spacesOnly || text.at(i) == QLatin1Char(' '))) {
            // Slot k's share: the difference of the running totals, so the
            // shares add up to exactly `extra`.
            pos += (extra * (slot + 1)) / slots - (extra * slot) / slots;
            ++slot;
        }
    }
    if (glyphRun && n > 0) {
        QGlyphRun run;
        run.setRawFont(raw);
        run.setGlyphIndexes(glyphs);
        run.setPositions(positions);
        painter.drawGlyphRun(QPointF(x, baseline), run);
    }
}

// Finds the largest font size up to `px` whose line fits, as stepping down
// a pixel at a time would. A size a pixel or two too large (rounding at a
// zoom) is stepped down; one far too large is halved until it fits and the
// size then found between the halves, so a huge stored size costs a few
// dozen measurements, not one per pixel. Leaves `measure` at the result.
template <typename Measure, typename Fits>
void FitFontSize(const Measure& measure, const Fits& fits, int px)
{
    constexpr int kSteps = 3;
    for (int step = 0; step < kSteps && px > 1 && !fits(); ++step) {
        measure(--px);
    }
    if (fits() || px <= 1) {
        return;
    }
    int high = px; // too wide
    int low = px;
    do {
        high = low;
        low = std::max(low / 2, 1);
        measure(low);
    } while (low > 1 && !fits());
    if (!fits()) {
        return; // one pixel is as small as it gets
    }
    while (high - low > 1) {
        const int middle = low + (high - low) / 2;
        measure(middle);
        if (fits()) {
            low = middle;
        } else {
            high = middle;
        }
    }
    measure(low);
}

} // namespace

QFont MakeFont(const MemoFont& font, int pixelHeight)
{
    const int px = std::clamp(pixelHeight, 1, kMaxFontPixelHeight);
    QFont f;
    const QString name = QString::fromStdString(font.Name).toLower();
    if (name == QLatin1String("arial") || name.isEmpty()) {
        f = platform::paint::ArialFont(px);
    } else if (name == QLatin1String("verdana")) {
        f = platform::paint::VerdanaFont(px);
    } else if (name == QLatin1String("ms sans serif")) {
        f = platform::paint::SansSerifFont(px);
    } else {
        f = QFont(platform::ToQString(font.Name));
        f.setPixelSize(px);
        f.setKerning(false);
    }
    f.setItalic((font.Style & fsItalic) != 0);
    f.setBold((font.Style & fsBold) != 0);
    f.setUnderline((font.Style & fsUnderline) != 0);
    return f;
}

std::shared_ptr<platform::paint::MeasuredFont>
MeasuredMemoFont(const MemoFont& font, int pixelHeight, const QPaintDevice* device)
{
    const int px = std::clamp(pixelHeight, 1, kMaxFontPixelHeight);
    const int dpi = device != nullptr ? device->logicalDpiY() : 0;
    return platform::paint::SharedFontCache().Get({font.Name, font.Style, px, dpi}, device,
                                                  [&] { return MakeFont(font, px); });
}

std::shared_ptr<platform::paint::MeasuredFont> MeasuredMemoFont96(const MemoFont& font,
                                                                  int pixelHeight)
{
    return MeasuredMemoFont(font, pixelHeight, &platform::paint::Device96Dpi());
}

std::string EncodeWrappedLine(const WrappedLine& line)
{
    const int w = std::clamp(line.width, 0, 0xFFFF);
    std::string out = line.text;
    if (line.paragraphEnd) {
        out.push_back(kParagraphMark);
    }
    out.push_back(static_cast<char>(w >> 8));
    out.push_back(static_cast<char>(w & 0xFF));
    return out;
}

WrappedLine DecodeWrappedLine(const std::string& line)
{
    WrappedLine result;
    if (line.size() < 2) {
        return result;
    }
    const std::size_t n = line.size();
    result.width =
        static_cast<unsigned char>(line[n - 2]) * 256 + static_cast<unsigned char>(line[n - 1]);
    result.text = line.substr(0, n - 2);
    if (!result.text.empty() && result.text.back() == kParagraphMark) {
        result.text.pop_back();
        result.paragraphEnd = true;
    }
    return result;
}

bool IsWrappedForm(const Lines& text)
{
    return std::any_of(text.begin(), text.end(), [](const std::string& line) {
        return line.find(kParagraphMark) != std::string::npos;
    });
}

int MeasureText96(const QFont& font, int charGap, const std::string& text)
{
    return platform::paint::TextWidth96(font, platform::ToQString(text)) +
           charGap * static_cast<int>(text.size());
}

int MeasureText96(platform::paint::MeasuredFont& font, int charGap, const std::string& text)
{
    return font.Width(text) + charGap * static_cast<int>(text.size());
}

Lines WrapText(const Lines& text, const WrapOptions& options)
{
    Lines out;
    Wrapper wrapper(options, out);
    for (const std::string& line : text) {
        wrapper.WrapLine(line);
    }
    return out;
}

int MeasureTextWidth(const Lines& text, platform::paint::MeasuredFont& font, int charGap)
{
    int widest = 0;
    for (const std::string& line : text) {
        std::string plain = line;
        while (!plain.empty() && IsLineBreak(plain.back())) {
            plain.pop_back();
        }
        widest = std::max(widest, MeasureText96(font, charGap, plain));
    }
    return widest;
}

int OutputLines(QPainter& painter, const Lines& lines, int firstLine, const LineOutputBox& box,
                const LineOutputStyle& style)
{
    painter.save();
    painter.setClipRect(
        QRect(QPoint(box.clipLeft + 1, box.clipTop), QPoint(box.clipRight - 3, box.clipBottom - 2)),
        Qt::IntersectClip);
    painter.setPen(platform::paint::ColorToQColor(style.font.Color));
    int y = box.top + box.gapY;
    const int vertical = style.adjust & 0x18;
    if (vertical == 8) {
        y += Div(box.height - style.blockHeight, 2);
    } else if (vertical == 0x10) {
        y += box.height - style.blockHeight;
    }
    const int lineHeight = style.lineGap + style.fontPixelHeight;
    const int horizontal = style.adjust & 3;
    int index = std::max(firstLine, 0);
    std::shared_ptr<platform::paint::MeasuredFont> painterFont;
    // Most lines are drawn at the memo's own size.
    const int basePx = std::clamp(style.fontPixelHeight, 1, kMaxFontPixelHeight);
    const auto baseFont = MeasuredMemoFont(style.font, basePx, painter.device());
    std::vector<int> advances;
    for (; index < static_cast<int>(lines.size()); ++index) {
        if (style.stopAtClip && y + lineHeight > box.clipBottom - 1) {
            break;
        }
        const WrappedLine line = DecodeWrappedLine(lines[static_cast<std::size_t>(index)]);
        const QString text = platform::ToQString(line.text);
        int px = basePx;
        std::shared_ptr<platform::paint::MeasuredFont> font;
        int drawn = 0;
        const auto measure = [&](int size) {
            px = size;
            font = px == basePx ? baseFont : MeasuredMemoFont(style.font, px, painter.device());
            Advances(*font, text, style.charGap, advances);
            drawn = Sum(advances);
        };
        measure(px);
        const int spaces = static_cast<int>(text.count(QLatin1Char(' ')));
        const bool spread = horizontal == 3 && spaces > 0 && !line.paragraphEnd;
        // Every line is first fitted to its own width at this scale: a font
        // still too wide for it is made smaller, so text is never cut at a
        // zoom. A justified line then spans the box; the last line of a
        // paragraph is drawn as left-aligned.
        const int available = box.width - 2 * box.gapX;
        const int fitted = Round(line.width * style.scaleX);
        FitFontSize(
            measure, [&] { return drawn <= fitted; }, px);
        const int target = spread ? available : fitted;
        int x = box.left + box.gapX;
        if (horizontal == 1) {
            x = box.left + box.width - box.gapX - target - 1;
        } else if (horizontal == 2) {
            x = box.left + box.gapX + Div(available - target, 2);
        }
        // The painter keeps the font of the line before when it is the same.
        if (font != painterFont) {
            painter.setFont(font->Font());
            painterFont = font;
        }
        DrawSpread(painter, *font, text, advances, x, y + font->Ascent(), target - drawn, spread,
                   style.glyphRuns);
        y += lineHeight;
    }
    painter.restore();
    return index;
}

} // namespace marlune::report
