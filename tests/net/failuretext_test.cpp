// The status panel's text for each failed command; the commands without one
// leave the panel as it is.
#include "net/failuretext.h"

#include <gtest/gtest.h>

#include <string>

namespace marlune::testing {
namespace {

TEST(HttpFailureText, OneTextPerCommandThatHasOne)
{
    // By the commands' numbers, CmdGet to CmdTrace; empty: no text.
    const char* const expected[] = {"HTTP GET Failed",
                                    "HTTP OPTIONS Failed",
                                    "HTTP HEAD Failed",
                                    "HTTP Post Failed",
                                    "HTTP PUT Failed",
                                    "",
                                    "",
                                    "",
                                    "HTTP Delete Failed",
                                    "",
                                    "",
                                    "HTTP TRACE Failed"};
    for (int cmd = net::CmdGet; cmd <= net::CmdTrace; ++cmd) {
        const char* text = net::HttpFailureText(static_cast<net::CmdType>(cmd));
        EXPECT_EQ(std::string(text != nullptr ? text : ""), expected[cmd]) << cmd;
    }
}

} // namespace
} // namespace marlune::testing
