// Signatures made by the real minisign tool with keys made in the test.
#include "net/minisign.h"

#include "scratchdir.h"
#include "servers.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace marlune::testing {
namespace {

class MinisignTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Run("minisign -G -W -p key.pub -s key.sec"));
        ASSERT_TRUE(Run("minisign -G -W -p other.pub -s other.sec"));
        WriteBytes(dir_.File("20991231.dat"), std::string(200000, 'd') + "the list");
    }
    bool Run(const std::string& command) const
    {
        const std::string line = "cd '" + dir_.Path().string() + "' && " + command;
        return std::system((line + " </dev/null >/dev/null 2>&1").c_str()) == 0;
    }
    std::string Read(const char* file) const { return ReadBytes(dir_.File(file)); }
    net::MinisignKey Key(const char* file) const
    {
        const auto key = net::ParseMinisignKey(Read(file));
        EXPECT_TRUE(key.has_value());
        return key.value_or(net::MinisignKey{});
    }

    test::ScratchDir dir_{"marlune-minisign"};
};

TEST_F(MinisignTest, BothKindsVerifyAndEveryChangeIsRefused)
{
    const std::string data = dir_.File("20991231.dat");
    struct Case {
        const char* what;
        std::string sign;   // minisign arguments
        std::string spoil;  // a shell command run after signing
        const char* reason; // empty: verifies
    };
    const Case cases[] = {
        {"pre-hashed", "-s key.sec", "", ""},
        {"legacy", "-l -s key.sec", "", ""},
        {"another key", "-s other.sec", "", "signed with another key"},
        {"tampered file", "-s key.sec", "sed -i s/list/lisT/ 20991231.dat",
         "does not match the file"},
        {"tampered legacy file", "-l -s key.sec", "sed -i s/list/lisT/ 20991231.dat",
         "does not match the file"},
        {"tampered trusted comment", "-s key.sec",
         "sed -i '3s/.*/trusted comment: a newer date/' s.minisig",
         "trusted comment's signature does not match"},
        {"truncated", "-s key.sec", "head -c 120 s.minisig > t && mv t s.minisig",
         "not a minisign signature"},
        {"garbage", "-s key.sec", "head -c 300 /dev/urandom | tee s.minisig",
         "not a minisign signature"},
        {"empty", "-s key.sec", ": > s.minisig", "not a minisign signature"},
    };
    const std::string original = Read("20991231.dat");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(data, original);
        ASSERT_TRUE(Run("minisign -S " + c.sign + " -m 20991231.dat -x s.minisig"));
        if (!c.spoil.empty()) {
            ASSERT_TRUE(Run(c.spoil));
        }
        // The tool's own verdict is the independent answer.
        EXPECT_EQ(Run("minisign -V -p key.pub -m 20991231.dat -x s.minisig"), *c.reason == '\0');
        const std::string problem = net::MinisignProblem(data, Read("s.minisig"), Key("key.pub"));
        if (*c.reason == '\0') {
            EXPECT_EQ(problem, "");
        } else {
            EXPECT_NE(problem.find(c.reason), std::string::npos) << problem;
        }
    }
}

TEST_F(MinisignTest, KeysAreTheKeyLineOrThePublicKeyFile)
{
    const std::string file = Read("key.pub");
    const std::string line = file.substr(file.find('\n') + 1);
    const auto fromLine = net::ParseMinisignKey(line);
    ASSERT_TRUE(fromLine.has_value());
    EXPECT_EQ(fromLine->publicKey, Key("key.pub").publicKey);
    EXPECT_NE(fromLine->publicKey, Key("other.pub").publicKey);
    for (const std::string& bad : {std::string(), line.substr(0, 40), "x" + line, line + line,
                                   std::string("RW") + std::string(54, '*')}) {
        EXPECT_FALSE(net::ParseMinisignKey(bad).has_value()) << bad;
    }
}

} // namespace
} // namespace marlune::testing
