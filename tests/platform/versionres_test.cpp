#include "platform/versionres.h"
#include "versionfiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace marlune::platform {
namespace {

using testing::BuiltProgram;
using testing::RecordText;
using testing::SystemProgram;

std::string FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<char> Read(const std::string& path)
{
    const std::uint32_t size = VersionInfoSize(path);
    std::vector<char> info;
    EXPECT_TRUE(ReadVersionInfo(path, size, info)) << path;
    return info;
}

class VersionResTest : public ::testing::Test {
protected:
    std::string Path(const char* name) const { return dir_.filePath(name).toStdString(); }
    QTemporaryDir dir_;
};

TEST_F(VersionResTest, TheBuiltProgramCarriesTheRecordThatObjcopyExtracts)
{
    // objcopy's own reading of the section is the independent answer.
    const std::string dumped = Path("dumped");
    ASSERT_EQ(std::system(("objcopy -O binary --only-section=.marlune_version " + BuiltProgram() +
                           " " + dumped)
                              .c_str()),
              0);
    const std::string expected = FileBytes(dumped);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(VersionInfoSize(BuiltProgram()), expected.size());
    const std::vector<char> info = Read(BuiltProgram());
    EXPECT_EQ(std::string(info.begin(), info.end()), expected);
}

TEST_F(VersionResTest, ProgramsWithoutTheRecordHaveNoVersionInformation)
{
    EXPECT_EQ(VersionInfoSize(SystemProgram()), 0U);
    const std::string stripped = Path("stripped");
    testing::MakeExecutableWithoutRecord(BuiltProgram(), stripped);
    EXPECT_EQ(VersionInfoSize(stripped), 0U);
    std::vector<char> info;
    EXPECT_FALSE(ReadVersionInfo(stripped, 10, info));
}

TEST_F(VersionResTest, FilesThatAreNotExecutablesHaveNone)
{
    EXPECT_EQ(VersionInfoSize(Path("missing")), 0U);
    EXPECT_EQ(VersionInfoSize(dir_.path().toStdString()), 0U);
    // The first bytes of a real executable, cut off before its section table.
    const std::string head = FileBytes(BuiltProgram()).substr(0, 200);
    std::ofstream(Path("cut"), std::ios::binary) << head;
    EXPECT_EQ(VersionInfoSize(Path("cut")), 0U);
    std::ofstream(Path("text"), std::ios::binary) << RecordText("FileFlags=0\n");
    EXPECT_EQ(VersionInfoSize(Path("text")), 0U);
}

TEST_F(VersionResTest, AReadAfterTheRecordWentAwayFails)
{
    const std::string copy = Path("copy");
    testing::MakeExecutableWithRecord(SystemProgram(), copy, RecordText("FileFlags=0\n"));
    const std::uint32_t size = VersionInfoSize(copy);
    ASSERT_GT(size, 0U);
    ASSERT_EQ(std::remove(copy.c_str()), 0);
    std::vector<char> info;
    EXPECT_FALSE(ReadVersionInfo(copy, size + 1, info));
}

TEST_F(VersionResTest, QueriesAnswerTheRecordsEntries)
{
    const std::string copy = Path("copy");
    testing::MakeExecutableWithRecord(SystemProgram(), copy,
                                      RecordText("FileFlags=00000021\n"
                                                 "Translation=040904E4 0C0904B0\n"
                                                 "[040904E4]\n"
                                                 "FileVersion=2.5\n"
                                                 "Comments=\n"
                                                 "[0c0904b0]\n"
                                                 "FileVersion=9.9\n"));
    const std::vector<char> info = Read(copy);

    const auto translation = QueryVersionValue(info, "\\VarFileInfo\\Translation");
    ASSERT_TRUE(translation);
    EXPECT_EQ(*translation, std::string("\x09\x04\xE4\x04\x09\x0C\xB0\x04", 8));

    EXPECT_EQ(QueryVersionValue(info, "\\StringFileInfo\\040904E4\\FileVersion"),
              std::string("2.5", 4));
    EXPECT_EQ(QueryVersionValue(info, "\\StringFileInfo\\040904e4\\fileversion"),
              std::string("2.5", 4));
    EXPECT_EQ(QueryVersionValue(info, "\\StringFileInfo\\0C0904B0\\FileVersion"),
              std::string("9.9", 4));
    EXPECT_EQ(QueryVersionValue(info, "\\StringFileInfo\\040904E4\\Comments"),
              std::string(1, '\0'));
    EXPECT_FALSE(QueryVersionValue(info, "\\StringFileInfo\\040904E4\\ProductName"));
    EXPECT_FALSE(QueryVersionValue(info, "\\StringFileInfo\\04090000\\FileVersion"));
    EXPECT_FALSE(QueryVersionValue(info, "\\StringFileInfo\\FileVersion"));

    const auto fixed = QueryVersionValue(info, "\\");
    ASSERT_TRUE(fixed);
    ASSERT_EQ(fixed->size(), kFixedFileInfoSize);
    EXPECT_EQ(fixed->substr(0, 4), std::string("\xBD\x04\xEF\xFE", 4));
    EXPECT_EQ(fixed->substr(kFixedFileFlagsOffset, 4), std::string("\x21\0\0\0", 4));
}

TEST_F(VersionResTest, MissingEntriesCannotBeQueried)
{
    const std::string copy = Path("copy");
    testing::MakeExecutableWithRecord(SystemProgram(), copy, RecordText("[040904E4]\nA=b\n"));
    const std::vector<char> info = Read(copy);
    EXPECT_FALSE(QueryVersionValue(info, "\\VarFileInfo\\Translation"));
    EXPECT_FALSE(QueryVersionValue(info, "\\"));
    EXPECT_EQ(QueryVersionValue(info, "\\StringFileInfo\\040904E4\\A"), std::string("b", 2));
}

TEST_F(VersionResTest, TheRecordEndsAtItsFirstNul)
{
    const std::string copy = Path("copy");
    testing::MakeExecutableWithRecord(SystemProgram(), copy,
                                      RecordText(std::string("[1]\nA=b\n\0[1]\nC=d\n", 17)));
    const std::vector<char> info = Read(copy);
    EXPECT_TRUE(QueryVersionValue(info, "\\StringFileInfo\\1\\A"));
    EXPECT_FALSE(QueryVersionValue(info, "\\StringFileInfo\\1\\C"));
}

} // namespace
} // namespace marlune::platform
