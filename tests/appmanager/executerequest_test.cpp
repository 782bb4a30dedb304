#include "appmanager/executerequest.h"

#include <gtest/gtest.h>

namespace marlune::appmanager {
namespace {

TEST(ExecuteRequestTest, LinesOfTheRightShapeAreCommands)
{
    struct Case {
        const char* line;
        const char* command; // nullptr: the line is skipped
        const char* argument;
    };
    const Case cases[] = {
        {"[open(\"C:\\data\\x.dat\")]", "open", "C:\\data\\x.dat"},
        {"[OPEN(\"a b.dat\")]", "OPEN", "a b.dat"},
        {"[print()]", "print", ""},
        {"[print(unquoted)]", "print", ""},
        {"[go (\"x\")]", "go", "x"},
        {"[go\t(\"x\")]", "go", "x"},
        {"[run(\"a\",\"b\")]", "run", "a"},
        {"open(\"x\")", nullptr, nullptr},
        {"[open(\"x\")", nullptr, nullptr},
        {"[open\"x\"]", nullptr, nullptr},
        {"[(\"x\")]", nullptr, nullptr},
        {"[open(\"x)]", nullptr, nullptr},
        {"[open(\"x\")] ", nullptr, nullptr},
        {"", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const auto commands = ParseExecuteRequest(c.line);
        if (c.command == nullptr) {
            EXPECT_TRUE(commands.empty());
            continue;
        }
        ASSERT_EQ(commands.size(), 1U);
        EXPECT_EQ(commands[0].command, c.command);
        EXPECT_EQ(commands[0].argument, c.argument);
    }
}

TEST(ExecuteRequestTest, EachLineIsOneCommandAndBadLinesAreSkipped)
{
    const auto commands =
        ParseExecuteRequest("[open(\"one\")]\r\nnonsense\n[Open(\"two\")]\n\n[close()]");
    ASSERT_EQ(commands.size(), 3U);
    EXPECT_EQ(commands[0].argument, "one");
    EXPECT_EQ(commands[1].argument, "two");
    EXPECT_EQ(commands[2].command, "close");
}

TEST(ExecuteRequestTest, OpenInAnyCaseOpensAFileOtherCommandsAreMacros)
{
    std::vector<std::string> opened;
    std::vector<std::string> macros;
    RunExecuteRequest(
        "[open(\"a\")]\n[OpEn(\"b\")]\n[print(\"c\")]\n[opener(\"d\")]",
        [&](const std::string& f) { opened.push_back(f); },
        [&](const std::string& c, const std::string& a) { macros.push_back(c + ":" + a); });
    EXPECT_EQ(opened, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(macros, (std::vector<std::string>{"print:c", "opener:d"}));
}

TEST(ExecuteRequestTest, WithoutHandlersARequestDoesNothing)
{
    EXPECT_NO_THROW(RunExecuteRequest("[open(\"a\")]\n[print()]", nullptr, nullptr));
}

} // namespace
} // namespace marlune::appmanager
