#include "platform/collate.h"

#include <QLocale>
#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace marlune::platform {
namespace {

std::string PrintableAscii()
{
    std::string chars;
    for (char c = 0x20; c <= 0x7E; ++c) {
        chars += c;
    }
    return chars;
}

// "", every character, every pair of characters.
std::vector<std::string> TextsUpToTwo(const std::string& alphabet)
{
    std::vector<std::string> texts{""};
    for (const char c : alphabet) {
        texts.emplace_back(1, c);
    }
    for (const char c : alphabet) {
        for (const char d : alphabet) {
            texts.push_back(std::string{c, d});
        }
    }
    return texts;
}

// Counts the pairs where the fast answers differ from the collator's and
// keeps the first few for the failure message.
class Agreement {
public:
    Agreement(const Collator& collator, bool ignoreCase)
        : collator_(collator), ignoreCase_(ignoreCase)
    {
    }

    void Check(const std::string& a, const std::string& b)
    {
        const int general = collator_.CompareGeneral(a, b, ignoreCase_);
        const int fast = collator_.Compare(a, b, ignoreCase_);
        const bool equal = collator_.Equal(a, b, ignoreCase_);
        ++pairs_;
        if ((fast > 0) != (general > 0) || (fast < 0) != (general < 0) || equal != (general == 0)) {
            Fail(a, b, general, fast, equal);
        }
    }

    void CheckPrefix(const std::string& key, const std::string& text)
    {
        const bool expected =
            collator_.CompareGeneral(key, text.substr(0, key.size()), ignoreCase_) == 0;
        ++pairs_;
        if (collator_.EqualPrefix(key, text, ignoreCase_) != expected) {
            Fail(key, text, expected ? 0 : 1, -9, !expected);
        }
    }

    long Pairs() const { return pairs_; }
    long Mismatches() const { return mismatches_; }
    const std::string& Samples() const { return samples_; }

private:
    void Fail(const std::string& a, const std::string& b, int general, int fast, bool equal)
    {
        if (++mismatches_ <= 5) {
            samples_ += "[" + a + "] vs [" + b + "]: general " + std::to_string(general) +
                        ", fast " + std::to_string(fast) + ", equal " + (equal ? "yes" : "no") +
                        "\n";
        }
    }

    const Collator& collator_;
    bool ignoreCase_;
    long pairs_ = 0;
    long mismatches_ = 0;
    std::string samples_;
};

struct LocaleCase {
    const char* name; // "C" or a locale name
    bool ignoreCase;
};

void PrintTo(const LocaleCase& locale, std::ostream* out)
{
    *out << locale.name << (locale.ignoreCase ? " ignoring case" : " case-sensitive");
}

QLocale MakeLocale(const char* name)
{
    return std::string_view(name) == "C" ? QLocale::c() : QLocale(QString::fromLatin1(name));
}

// Only for locales and modes whose table passed its check; the others always
// take the collator (see TheFastPathIsTakenWhereTheTableCanExpressTheCollation).
class FastPathTest : public ::testing::TestWithParam<LocaleCase> {
protected:
    FastPathTest() : collator_(MakeLocale(GetParam().name)) {}
    void SetUp() override { ASSERT_TRUE(collator_.HasFastPath(GetParam().ignoreCase)); }
    Collator collator_;
};

// Every length-0/1 text against every text of up to two printable characters,
// both ways round.
TEST_P(FastPathTest, AgreesWithTheCollatorForEveryShortTextAgainstEveryPair)
{
    Agreement agreement(collator_, GetParam().ignoreCase);
    const std::vector<std::string> texts = TextsUpToTwo(PrintableAscii());
    for (std::size_t i = 0; i <= 95; ++i) {
        for (const std::string& other : texts) {
            agreement.Check(texts[i], other);
            agreement.Check(other, texts[i]);
        }
    }
    EXPECT_EQ(agreement.Pairs(), 2L * 96 * 9121);
    EXPECT_EQ(agreement.Mismatches(), 0) << agreement.Samples();
}

// All 9,121 texts of up to two characters sorted by the collator: the fast
// answers agree on every neighbouring pair, so (both orders being total
// preorders) on all 83 million pairs.
TEST_P(FastPathTest, AgreesOnTheWholeOrderOfTextsUpToTwoCharacters)
{
    const bool ignoreCase = GetParam().ignoreCase;
    std::vector<std::string> texts = TextsUpToTwo(PrintableAscii());
    std::stable_sort(texts.begin(), texts.end(), [&](const std::string& a, const std::string& b) {
        return collator_.CompareGeneral(a, b, ignoreCase) < 0;
    });
    Agreement agreement(collator_, ignoreCase);
    for (std::size_t i = 1; i < texts.size(); ++i) {
        agreement.Check(texts[i - 1], texts[i]);
        EXPECT_LE(collator_.Compare(texts[i - 1], texts[i], ignoreCase), 0);
    }
    EXPECT_EQ(agreement.Mismatches(), 0) << agreement.Samples();
}

// Every pair of texts of up to two characters over a mixed alphabet (letters
// of both cases, digits, blank and punctuation), and texts of three.
TEST_P(FastPathTest, AgreesForEveryPairOverAMixedAlphabet)
{
    const std::string alphabet = "aAbBmMzZ019 -'._,!~`^@[]{}|\\/\"#$%&(";
    std::vector<std::string> texts = TextsUpToTwo(alphabet);
    const std::string small = "aAz0 -'_";
    for (const char c : small) {
        for (const char d : small) {
            for (const char e : small) {
                texts.push_back(std::string{c, d, e});
            }
        }
    }
    Agreement agreement(collator_, GetParam().ignoreCase);
    for (const std::string& a : texts) {
        for (const std::string& b : texts) {
            agreement.Check(a, b);
        }
    }
    EXPECT_GT(agreement.Pairs(), 2'000'000L);
    EXPECT_EQ(agreement.Mismatches(), 0) << agreement.Samples();
}

// Longer texts, most of them sharing a prefix so that ties and near-ties are
// common, and the prefix comparison the search uses.
TEST_P(FastPathTest, AgreesForLongerTextsAndPrefixes)
{
    std::mt19937 random(20051206);
    const std::string letters = "aAbBsSyYdDnNeE -'";
    const std::string printable = PrintableAscii();
    const auto randomText = [&](std::size_t length) {
        std::string text;
        for (std::size_t i = 0; i < length; ++i) {
            const std::string& from = random() % 4 == 0 ? printable : letters;
            text += from[random() % from.size()];
        }
        return text;
    };
    Agreement agreement(collator_, GetParam().ignoreCase);
    for (int i = 0; i < 100'000; ++i) {
        const std::string a = randomText(random() % 12);
        std::string b = a.substr(0, random() % (a.size() + 1)) + randomText(random() % 6);
        if (random() % 3 == 0 && !b.empty()) {
            b[random() % b.size()] ^= 0x20; // flip case, or turn a letter into punctuation
        }
        agreement.Check(a, b);
        agreement.CheckPrefix(a.substr(0, random() % (a.size() + 1)), b);
        agreement.CheckPrefix(b.substr(0, random() % (b.size() + 1)), a);
    }
    EXPECT_EQ(agreement.Mismatches(), 0) << agreement.Samples();
}

// Bytes outside printable ASCII go to the collator, also when the other text
// is printable ASCII.
TEST_P(FastPathTest, AgreesForEveryPairOfSingleBytes)
{
    Agreement agreement(collator_, GetParam().ignoreCase);
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            agreement.Check(std::string(1, static_cast<char>(a)),
                            std::string(1, static_cast<char>(b)));
            agreement.Check(std::string{'s', static_cast<char>(a)},
                            std::string{'S', static_cast<char>(b)});
        }
    }
    EXPECT_EQ(agreement.Mismatches(), 0) << agreement.Samples();
}

INSTANTIATE_TEST_SUITE_P(Locales, FastPathTest,
                         ::testing::Values(LocaleCase{"C", true}, LocaleCase{"C", false},
                                           LocaleCase{"en_AU", true}, LocaleCase{"en_US", true},
                                           LocaleCase{"de_DE", true}),
                         [](const ::testing::TestParamInfo<LocaleCase>& locale) {
                             return std::string(locale.param.name) +
                                    (locale.param.ignoreCase ? "_IgnoreCase" : "_CaseSensitive");
                         });

TEST(CollateTest, TheFastPathIsTakenWhereTheTableCanExpressTheCollation)
{
    EXPECT_TRUE(Collator(QLocale::c()).HasFastPath(true));
    EXPECT_TRUE(Collator(QLocale::c()).HasFastPath(false));
    EXPECT_TRUE(Collator(QLocale(QStringLiteral("en_AU"))).HasFastPath(true));
    EXPECT_TRUE(Collator(QLocale(QStringLiteral("de_DE"))).HasFastPath(true));
    // Contractions: Czech "ch" sorts after "h", Danish "aa" after "z".
    const Collator czech(QLocale(QStringLiteral("cs_CZ")));
    EXPECT_FALSE(czech.HasFastPath(true));
    EXPECT_GT(czech.Compare("ch", "h", true), 0);
    const Collator danish(QLocale(QStringLiteral("da_DK")));
    EXPECT_FALSE(danish.HasFastPath(true));
    EXPECT_GT(danish.Compare("aa", "z", true), 0);
    // With case counting, the linguistic order looks at case only after the
    // letters: "a" < "A", yet "ab" > "Aa". No per-character rank gives that.
    const Collator english(QLocale(QStringLiteral("en_AU")));
    EXPECT_FALSE(english.HasFastPath(false));
    EXPECT_LT(english.Compare("a", "A", false), 0);
    EXPECT_GT(english.Compare("ab", "Aa", false), 0);
}

TEST(CollateTest, IgnoringCaseKeepsAccentsSignificant)
{
    for (const char* name : {"C", "en_AU"}) {
        const Collator collator(MakeLocale(name));
        SCOPED_TRACE(name);
        EXPECT_TRUE(collator.Equal("\xC9", "\xE9", true)); // É, é
        EXPECT_FALSE(collator.Equal("\xE9", "e", true));
        EXPECT_FALSE(collator.Equal("\xC9", "\xE9", false));
        EXPECT_TRUE(collator.Equal("SYDNEY", "sydney", true));
        EXPECT_FALSE(collator.Equal("SYDNEY", "sydney", false));
        EXPECT_TRUE(collator.Equal("Z\xDCRICH", "z\xFCrich", true)); // ZÜRICH, zürich
        EXPECT_FALSE(collator.Equal("z\xFCrich", "zurich", true));
        EXPECT_TRUE(collator.EqualPrefix("syd", "Sydney", true));
        EXPECT_TRUE(collator.EqualPrefix("", "anything", true));
        EXPECT_FALSE(collator.EqualPrefix("sydn", "Syd", true));
        EXPECT_FALSE(collator.EqualPrefix("sye", "Sydney", true));
    }
}

TEST(CollateTest, TheLinguisticOrderIsNotByteOrder)
{
    const Collator collator(QLocale(QStringLiteral("en_AU")));
    // '_' (0x5F) lies between 'Z' and 'a' in bytes, but sorts before both.
    EXPECT_LT(collator.Compare("_", "a", true), 0);
    EXPECT_GT(collator.Compare("Z", "_", true), 0);
    EXPECT_LT(collator.Compare("9", "a", true), 0);
    // Punctuation and blanks count; they are not ignored.
    EXPECT_FALSE(collator.Equal("a-b", "ab", true));
    EXPECT_LT(collator.Compare("a b", "ab", true), 0);
    EXPECT_LT(collator.Compare("Apple", "banana", true), 0);
    EXPECT_GT(collator.Compare("apple", "Ab", true), 0);
}

TEST(CollateTest, LocaleNumbers)
{
    for (const unsigned id : {0u, 0x7Fu, 0x400u, 0x800u, 0x409u, 0xC09u, 0x407u}) {
        ASSERT_TRUE(Compare("a", "B", true, id)) << id;
        EXPECT_LT(*Compare("a", "B", true, id), 0) << id;
        EXPECT_EQ(Equal("abc", "ABC", true, id), true) << id;
        EXPECT_EQ(EqualPrefix("ab", "ABC", true, id), true) << id;
    }
    for (const unsigned id : {1u, 12345u, 0x10407u, 0xFFFFFFFFu}) {
        EXPECT_FALSE(Compare("a", "b", true, id)) << id;
        EXPECT_FALSE(Equal("a", "b", true, id)) << id;
        EXPECT_FALSE(EqualPrefix("a", "b", true, id)) << id;
        EXPECT_EQ(Collator::ForLocaleId(id), nullptr) << id;
    }
    const Collator* user = Collator::ForLocaleId(1024);
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(Collator::ForLocaleId(1024), user);
    EXPECT_NE(Collator::ForLocaleId(0xC09), nullptr);
    EXPECT_EQ(Collator::ForLocaleId(1024), user);
}

} // namespace
} // namespace marlune::platform
