// The status panel's text for each failed command; the commands without one
// leave the panel as it is.
#include "net/failuretext.h"

#include <gtest/gtest.h>

#include <string>

namespace marlune::testing {
namespace {

TEST(HttpFailureText, OneTextPerCommandThatHasOne)
{
    const std::pair<net::CmdType, const char*> cases[] = {
        {net::CmdGet, "HTTP GET Failed"},
        {net::CmdOptions, "HTTP OPTIONS Failed"},
        {net::CmdHead, "HTTP HEAD Failed"},
        {net::CmdPost, "HTTP Post Failed"},
        {net::CmdPut, "HTTP PUT Failed"},
        {net::CmdPatch, nullptr},
        {net::CmdCopy, nullptr},
        {net::CmdMove, nullptr},
        {net::CmdDelete, "HTTP Delete Failed"},
        {net::CmdLink, nullptr},
        {net::CmdUnlink, nullptr},
        {net::CmdTrace, "HTTP TRACE Failed"},
    };
    for (const auto& [cmd, expected] : cases) {
        SCOPED_TRACE(static_cast<int>(cmd));
        const char* text = net::HttpFailureText(cmd);
        ASSERT_EQ(text == nullptr, expected == nullptr);
        if (expected != nullptr) {
            EXPECT_EQ(std::string(text), expected);
        }
    }
    // A value outside the enumeration, as a corrupted command would carry.
    EXPECT_EQ(net::HttpFailureText(static_cast<net::CmdType>(99)), nullptr);
}

} // namespace
} // namespace marlune::testing
