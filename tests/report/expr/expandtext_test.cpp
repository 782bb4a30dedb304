#include "report/expr/expandtext.h"

#include <gtest/gtest.h>

namespace marlune::report::expr {
namespace {

// Looks up by echoing the expression in angle brackets, and records it.
struct Echo {
    std::vector<std::string> seen;
    std::string operator()(const std::string& e)
    {
        seen.push_back(e);
        return "<" + e + ">";
    }
};

TEST(ExpandLine, ReplacesEachBracketedPartOnce)
{
    const struct {
        const char* line;
        const char* expected;
        std::vector<std::string> looked;
    } cases[] = {
        {"[PAGE#] of [TOTALPAGES]", "<PAGE#> of <TOTALPAGES>", {"PAGE#", "TOTALPAGES"}},
        {"Printed: [DATE]", "Printed: <DATE>", {"DATE"}},
        {"no brackets", "no brackets", {}},
        {"[a[b]c]", "<a[b]c>", {"a[b]c"}},
        {"[COPY('x]y', 1, 1)]!", "<COPY('x]y', 1, 1)>!", {"COPY('x]y', 1, 1)"}},
        {"[\"Post ]Code\"] [x]", "<\"Post ]Code\"> <x>", {"\"Post ]Code\"", "x"}},
        {"['it''s']", "<'it''s'>", {"'it''s'"}},
        {"[\"a'b\"]", "<\"a'b\">", {"\"a'b\""}},
        {"[a] [b", "<a> [b", {"a"}},
        {"x ] [", "x ] [", {}},
        {"[]", "<>", {""}},
        {"['[' ]", "<'[' >", {"'[' "}},
    };
    for (const auto& c : cases) {
        Echo echo;
        EXPECT_EQ(ExpandLine(c.line, std::ref(echo)), c.expected) << c.line;
        EXPECT_EQ(echo.seen, c.looked) << c.line;
    }
}

TEST(ExpandLine, InsertedTextIsNotExpandedAgain)
{
    int calls = 0;
    const auto lookup = [&](const std::string&) {
        ++calls;
        return std::string("[again]");
    };
    EXPECT_EQ(ExpandLine("[x][y]", lookup), "[again][again]");
    EXPECT_EQ(calls, 2);
}

TEST(FindMatchingBracket, CountsOnlyBracketsOutsideQuotes)
{
    const struct {
        const char* text;
        std::optional<std::size_t> close;
    } cases[] = {
        {"[]", 1},
        {"[[]]", 3},
        {"[']']", 4},
        {"[\"]\"]", 4},
        {"[\"'\"]", 4},
        {"['\"']", 4},
        {"['", std::nullopt},
        {"[[]", std::nullopt},
        {"[\"]", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FindMatchingBracket(c.text, 0), c.close) << c.text;
    }
}

TEST(SplitTextLines, BreaksAtEveryKindOfLineEnd)
{
    using Lines = std::vector<std::string>;
    EXPECT_EQ(SplitTextLines(""), Lines{});
    EXPECT_EQ(SplitTextLines("a"), Lines{"a"});
    EXPECT_EQ(SplitTextLines("a\r\nb"), (Lines{"a", "b"}));
    EXPECT_EQ(SplitTextLines("a\nb\rc"), (Lines{"a", "b", "c"}));
    EXPECT_EQ(SplitTextLines("a\n"), Lines{"a"});
    EXPECT_EQ(SplitTextLines("a\n\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(SplitTextLines("\n"), Lines{""});
}

TEST(ExpandLines, ValuesWithLineBreaksMakeLinesAndEmptyValuesNone)
{
    const auto lookup = [](const std::string& e) {
        if (e == "two") {
            return std::string("first\r\nsecond");
        }
        return e == "none" ? std::string() : e;
    };
    using Lines = std::vector<std::string>;
    EXPECT_EQ(ExpandLines({"a [two] b", "", "[none]", "c"}, lookup),
              (Lines{"a first", "second b", "", "c"}));
}

} // namespace
} // namespace marlune::report::expr
