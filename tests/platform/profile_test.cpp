#include "platform/profile.h"

#include "platform/atomicfile.h"
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include <unistd.h>

namespace marlune::platform {
namespace {

namespace fs = std::filesystem;

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "marlune-profile-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        SetRegistryRootDirectory((dir_ / "config").string());
        ini_ = (dir_ / "test.ini").string();
    }
    void TearDown() override
    {
        SetRegistryRootDirectory("");
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    std::string ReadFile(const std::string& path) const
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void WriteFile(const std::string& path, std::string_view bytes) const
    {
        std::ofstream out(path, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    std::string Get(std::string_view section, std::string_view key, std::string_view def = "<none>")
    {
        return GetPrivateProfileString(section, key, def, kProfileBufferSize, ini_);
    }

    fs::path dir_;
    std::string ini_;
};

TEST_F(ProfileTest, MissingFileSectionOrKeyGivesTheDefault)
{
    EXPECT_EQ(Get("S", "K", "fallback"), "fallback");
    WriteFile(ini_, "[S]\nOther=1\n");
    EXPECT_EQ(Get("S", "K", "fallback"), "fallback");
    EXPECT_EQ(Get("T", "Other", "fallback"), "fallback");
    // The default is cut to the buffer too.
    EXPECT_EQ(Get("S", "K", std::string(3000, 'd')), std::string(2047, 'd'));
    EXPECT_EQ(GetPrivateProfileString("S", "K", "abc", 3, ini_), "ab");
}

TEST_F(ProfileTest, WriteCreatesFileSectionAndKeyAndReadsBack)
{
    ASSERT_TRUE(WritePrivateProfileString("Settings", "DataFileName", "20051206.dat", ini_));
    EXPECT_EQ(ReadFile(ini_), "[Settings]\nDataFileName=20051206.dat\n");
    EXPECT_EQ(Get("settings", "DATAFILENAME"), "20051206.dat");

    ASSERT_TRUE(WritePrivateProfileString("Settings", "Second", "2", ini_));
    ASSERT_TRUE(WritePrivateProfileString("Other", "Key", "x", ini_));
    ASSERT_TRUE(WritePrivateProfileString("SETTINGS", "datafilename", "new.dat", ini_));
    EXPECT_EQ(ReadFile(ini_), "[Settings]\nDataFileName=new.dat\nSecond=2\n\n[Other]\nKey=x\n");
}

TEST_F(ProfileTest, ReadsTheFirstMatchTrimmedAndUnquoted)
{
    WriteFile(ini_, "; comment=no\r\n"
                    "Loose=before any section\r\n"
                    "  [ Main ]  \r\n"
                    "  Key  =   spaced value   \r\n"
                    "Key=second\r\n"
                    "Quoted=\"  inside  \"\r\n"
                    "Single='x'\r\n"
                    "Half=\"x\r\n"
                    "Empty=\r\n"
                    "Eq=a=b\r\n"
                    "[Main]\r\n"
                    "Later=ignored\r\n");
    EXPECT_EQ(Get("Main", "key"), "spaced value");
    EXPECT_EQ(Get("Main", "Quoted"), "  inside  ");
    EXPECT_EQ(Get("Main", "Single"), "x");
    EXPECT_EQ(Get("Main", "Half"), "\"x");
    EXPECT_EQ(Get("Main", "Empty"), "");
    EXPECT_EQ(Get("Main", "Eq"), "a=b");
    EXPECT_EQ(Get("Main", "Loose"), "<none>");
    EXPECT_EQ(Get("Main", "Later"), "<none>"); // only the first [Main] counts
    EXPECT_EQ(Get("Main", "; comment"), "<none>");
}

TEST_F(ProfileTest, AReadTakesAtMost2047Characters)
{
    const std::string longValue(3000, 'v');
    ASSERT_TRUE(WritePrivateProfileString("S", "Long", longValue, ini_));
    EXPECT_EQ(Get("S", "Long"), std::string(2047, 'v'));
    EXPECT_EQ(GetPrivateProfileString("S", "Long", "", 4000, ini_), longValue);
}

TEST_F(ProfileTest, ValuesReadBackExactlyAsWritten)
{
    for (const std::string value :
         {"  leading", "trailing\t", "\"quoted\"", "'single'", "\"", "a \"b\" c", "\x92\xE9", ""}) {
        ASSERT_TRUE(WritePrivateProfileString("S", "K", value, ini_)) << value;
        EXPECT_EQ(Get("S", "K"), value);
    }
}

TEST_F(ProfileTest, EditsKeepTheRestOfTheFileByteForByte)
{
    WriteFile(ini_, "; kept comment\r\n[A]\r\nx=1\r\n\r\n[B]\r\ny=2");
    ASSERT_TRUE(WritePrivateProfileString("A", "z", "3", ini_));
    EXPECT_EQ(ReadFile(ini_), "; kept comment\r\n[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2");
    ASSERT_TRUE(WritePrivateProfileString("B", "w", "4", ini_));
    EXPECT_EQ(ReadFile(ini_), "; kept comment\r\n[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\nw=4\r\n");
    ASSERT_TRUE(WritePrivateProfileString("A", "x", std::nullopt, ini_));
    ASSERT_TRUE(WritePrivateProfileString("B", std::nullopt, std::nullopt, ini_));
    EXPECT_EQ(ReadFile(ini_), "; kept comment\r\n[A]\r\nz=3\r\n\r\n");
    // Deleting what is not there succeeds and changes nothing.
    ASSERT_TRUE(WritePrivateProfileString("C", "q", std::nullopt, ini_));
    EXPECT_EQ(ReadFile(ini_), "; kept comment\r\n[A]\r\nz=3\r\n\r\n");
}

TEST_F(ProfileTest, ByteOrderMarksAndCrLineEndsAreKept)
{
    // A UTF-8 mark in front of the first section, and CR-only line ends,
    // used to hide the file's sections: a write added a second section.
    const std::string marked = "\xEF\xBB\xBF[S]\nK=v\nOther=o\n";
    WriteFile(ini_, marked);
    EXPECT_EQ(Get("S", "K"), "v");
    ASSERT_TRUE(WritePrivateProfileString("S", "K", "w", ini_));
    EXPECT_EQ(ReadFile(ini_), "\xEF\xBB\xBF[S]\nK=w\nOther=o\n");

    const std::string crOnly = "[S]\rK=v\r\r[T]\rOther=o\r";
    WriteFile(ini_, crOnly);
    EXPECT_EQ(Get("S", "K"), "v");
    EXPECT_EQ(Get("T", "Other"), "o");
    ASSERT_TRUE(WritePrivateProfileString("T", "New", "n", ini_));
    EXPECT_EQ(ReadFile(ini_), "[S]\rK=v\r\r[T]\rOther=o\rNew=n\r");

    // UTF-16 is not edited as 8-bit text: the write is refused, the file kept.
    const std::string utf16("\xFF\xFE[\0S\0]\0\n\0", 10);
    WriteFile(ini_, utf16);
    EXPECT_FALSE(WritePrivateProfileString("S", "K", "v", ini_));
    EXPECT_EQ(LastFileFailure(), FileFailure::NotUnderstood);
    EXPECT_TRUE(ReadFile(ini_) == utf16);
}

TEST_F(ProfileTest, ANameWithoutDirectoryLivesInTheConfigurationDirectory)
{
    EXPECT_EQ(ProfileFilePath("MyFile.ini"), (dir_ / "config" / "MyFile.ini").string());
    ASSERT_TRUE(WritePrivateProfileString("S", "K", "v", "MyFile.ini"));
    EXPECT_EQ(ReadFile((dir_ / "config" / "MyFile.ini").string()), "[S]\nK=v\n");
    EXPECT_EQ(GetPrivateProfileString("S", "K", "", kProfileBufferSize, "MyFile.ini"), "v");
    EXPECT_EQ(ProfileFilePath("sub/x.ini"), "sub/x.ini");
}

TEST_F(ProfileTest, FailuresAreReportedAsFalseAndChangeNothing)
{
    WriteFile((dir_ / "plain").string(), "x");
    EXPECT_FALSE(WritePrivateProfileString("S", "K", "v", (dir_ / "plain" / "a.ini").string()));
    EXPECT_FALSE(
        WritePrivateProfileString("S", "K", "v", (dir_ / "missing-dir" / "a.ini").string()));

    ASSERT_TRUE(WritePrivateProfileString("S", "K", "v", ini_));
    const std::string before = ReadFile(ini_);
    EXPECT_FALSE(WritePrivateProfileString("S", "K", "two\nlines", ini_));
    EXPECT_FALSE(WritePrivateProfileString("S", "a=b", "v", ini_));
    EXPECT_FALSE(WritePrivateProfileString("S", "[K]", "v", ini_));
    EXPECT_FALSE(WritePrivateProfileString("S", "  ", "v", ini_));
    EXPECT_FALSE(WritePrivateProfileString("S]", "K", "v", ini_));
    EXPECT_FALSE(WritePrivateProfileString("", "K", "v", ini_));
    EXPECT_FALSE(WritePrivateProfileString("S", "K", "v", ""));
    EXPECT_EQ(ReadFile(ini_), before);
}

TEST_F(ProfileTest, ConcurrentWritersLoseNothing)
{
    constexpr int kThreads = 3;
    constexpr int kWrites = 20;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kWrites; ++i) {
                const std::string key = "k" + std::to_string(t) + "_" + std::to_string(i);
                if (!WritePrivateProfileString("S" + std::to_string(i % 2), key, key, ini_)) {
                    ++failures;
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures, 0);
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kWrites; ++i) {
            const std::string key = "k" + std::to_string(t) + "_" + std::to_string(i);
            EXPECT_EQ(Get("S" + std::to_string(i % 2), key), key);
        }
    }
}

} // namespace
} // namespace marlune::platform
