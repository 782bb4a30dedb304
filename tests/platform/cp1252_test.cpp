#include "platform/cp1252.h"

#include <QString>

#include <gtest/gtest.h>

namespace cp = marlune::platform;

TEST(Cp1252, EveryByteRoundTripsThroughUnicode)
{
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        const char32_t cp = cp::ToUnicode(byte);
        const auto back = cp::FromUnicode(cp);
        ASSERT_TRUE(back.has_value()) << b;
        EXPECT_EQ(*back, byte) << b;
        const std::string one(1, static_cast<char>(byte));
        EXPECT_EQ(cp::FromUtf8(cp::ToUtf8(one)), one) << b;
        EXPECT_EQ(cp::FromQString(cp::ToQString(one)), one) << b;
    }
}

TEST(Cp1252, TheHighBlockIsNotLatin1)
{
    EXPECT_EQ(cp::ToUnicode(0x92), U'\u2019');
    EXPECT_EQ(cp::ToUnicode(0x80), U'\u20AC');
    EXPECT_EQ(cp::ToUnicode(0x9F), U'\u0178');
    EXPECT_EQ(cp::ToUnicode(0xE9), U'\u00E9');
    EXPECT_EQ(cp::FromUtf8("O’CONNOR"), "O\x92"
                                        "CONNOR");
    EXPECT_EQ(cp::ToUtf8("O\x92"
                         "CONNOR"),
              "O’CONNOR");
    EXPECT_EQ(cp::ToQString("\x80"), QString(QChar(0x20AC)));
}

TEST(Cp1252, UnrepresentableAndMalformedInput)
{
    EXPECT_EQ(cp::FromUtf8("a東b"), "a?b");
    EXPECT_EQ(cp::FromUtf8("a\xFF"
                           "b"),
              "a?b")
        << "a stray byte is one replacement";
    EXPECT_EQ(cp::FromUtf8("\xC3"), "?") << "a cut-off sequence";
    EXPECT_EQ(cp::FromUtf8("\xC0\xAF"), "??") << "an overlong form is refused";
    EXPECT_EQ(cp::FromUtf16(u"x\U0001F600y"), "x?y") << "a surrogate pair is one character";
    EXPECT_EQ(cp::FromUtf16(std::u16string(1, u'\xD800')), "?") << "a lone surrogate";
    std::string out;
    const auto bad = cp::StrictFromUtf8("ab€c東", out);
    ASSERT_TRUE(bad.has_value());
    EXPECT_EQ(bad->position, 4u);
    EXPECT_EQ(bad->codePoint, U'\u6771');
    EXPECT_FALSE(cp::StrictFromUtf8("ab€c", out).has_value());
    EXPECT_EQ(out, "ab\x80"
                   "c");
    EXPECT_TRUE(cp::StrictFromUtf8("\xE2\x82", out).has_value()) << "malformed UTF-8 is refused";
}

TEST(Cp1252, StrictUtf16AgreesWithTheLenientConversion)
{
    std::string out;
    // Every byte through its code point in UTF-16 and back.
    std::u16string all;
    std::string bytes;
    for (int b = 0; b < 256; ++b) {
        bytes += static_cast<char>(b);
        all += static_cast<char16_t>(cp::ToUnicode(static_cast<unsigned char>(b)));
    }
    EXPECT_FALSE(cp::StrictFromUtf16(all, out).has_value());
    EXPECT_EQ(out, bytes);
    EXPECT_EQ(cp::FromUtf16(all), bytes);

    const auto bad = cp::StrictFromUtf16(u"ab\u6771c", out);
    ASSERT_TRUE(bad.has_value());
    EXPECT_EQ(bad->position, 2u);
    EXPECT_EQ(bad->codePoint, U'\u6771');
    const auto pair = cp::StrictFromUtf16(u"a\U0001F600", out);
    ASSERT_TRUE(pair.has_value());
    EXPECT_EQ(pair->codePoint, U'\U0001F600') << "a surrogate pair is one code point";
    EXPECT_TRUE(cp::StrictFromUtf16(std::u16string(1, u'\xD800'), out).has_value())
        << "a lone surrogate is refused";
    EXPECT_EQ(cp::FromUtf16(std::u16string(1, u'\xD800')), "?");
}
