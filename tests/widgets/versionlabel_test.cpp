// The version label over real executables: the built program, a system
// program and copies made with objcopy that carry test records.
#include "../support/guiapplication.h"

#include "widgets/versionlabel.h"
#include "versionfiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace marlune::testing {
namespace {

class VersionLabelTest : public ::testing::Test {
protected:
    void SetUp() override { TestApplication(); }

    // A label set up as the about box's, reading `file`.
    std::unique_ptr<widgets::VersionLabel> AboutLabel(const std::string& file)
    {
        auto label = std::make_unique<widgets::VersionLabel>();
        label->SetFileName(file);
        label->SetVersionResKey("FileVersion");
        label->SetInfoPrefix("Version:");
        label->SetLangCharset("-1");
        return label;
    }

    std::string WithRecord(const std::string& lines)
    {
        const std::string path = dir_.filePath(QString::number(++made_)).toStdString();
        MakeExecutableWithRecord(SystemProgram(), path, RecordText(lines));
        return path;
    }

    static std::string Caption(const widgets::VersionLabel& label)
    {
        return label.text().toStdString();
    }

    QTemporaryDir dir_;
    int made_ = 0;
};

TEST_F(VersionLabelTest, TheBuiltProgramReadsItsFileVersion)
{
    const auto label = AboutLabel(BuiltProgram());
    EXPECT_EQ(Caption(*label), "Version: 1.0.0.1");
    // The first translation entry replaced "-1".
    EXPECT_EQ(label->LangCharset(), "040904E4");
    // Sized to its text.
    EXPECT_EQ(label->width(), label->sizeHint().width());
}

TEST_F(VersionLabelTest, ProductVersionTakesItsKeyAndPrefix)
{
    const auto label = AboutLabel(BuiltProgram());
    label->SetVersionRes(widgets::verProductVersion);
    EXPECT_EQ(label->VersionResKey(), "ProductVersion");
    EXPECT_EQ(Caption(*label), "Product Version: 1.0.0.0");
}

TEST_F(VersionLabelTest, DefaultsShowTheFileVersionWithItsOwnPrefix)
{
    widgets::VersionLabel label;
    EXPECT_EQ(label.GetVersionRes(), widgets::verFileVersion);
    EXPECT_EQ(label.InfoPrefix(), "File Version:");
    EXPECT_TRUE(label.ShowInfoPrefix());
    EXPECT_FALSE(label.wordWrap());
    label.SetFileName(BuiltProgram());
    EXPECT_EQ(Caption(label), "File Version: 1.0.0.1");
}

TEST_F(VersionLabelTest, AKeyIsItsOwnPrefixUntilAPrefixIsSet)
{
    const auto label = AboutLabel(BuiltProgram());
    label->SetVersionResKey("ProductName");
    EXPECT_EQ(Caption(*label), "ProductName Marlune");
    label->SetInfoPrefix("Name:");
    EXPECT_EQ(Caption(*label), "Name: Marlune");
}

TEST_F(VersionLabelTest, AnExecutableWithoutARecordHasNoData)
{
    EXPECT_EQ(Caption(*AboutLabel(SystemProgram())), "Version: < No Data Available >");
    const std::string stripped = dir_.filePath("stripped").toStdString();
    MakeExecutableWithoutRecord(BuiltProgram(), stripped);
    EXPECT_EQ(Caption(*AboutLabel(stripped)), "Version: < No Data Available >");
}

TEST_F(VersionLabelTest, FallBackTextsOfIncompleteRecords)
{
    struct Case {
        const char* what;
        std::string lines;
        const char* caption;
    };
    const Case cases[] = {
        {"no translation table", "[040904E4]\nFileVersion=1.2\n",
         "Version: < Error retrieving translation info >"},
        {"an empty translation table", "Translation=\n[040904E4]\nFileVersion=1.2\n",
         "Version: < Error retrieving translation info >"},
        {"no FileVersion", "Translation=040904E4\n[040904E4]\nProductVersion=1.2\n",
         "Version: < Error retrieving version info >"},
        {"no block of the translation", "Translation=0C0904B0\n[040904E4]\nFileVersion=1.2\n",
         "Version: < Error retrieving version info >"},
        {"an empty FileVersion", "Translation=040904E4\n[040904E4]\nFileVersion=\n",
         "Version: < No Version Info >"},
        {"a complete record", "Translation=0C0904B0\n[0C0904B0]\nFileVersion=3.1\n",
         "Version: 3.1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Caption(*AboutLabel(WithRecord(c.lines))), c.caption);
    }
}

TEST_F(VersionLabelTest, FlagsListTheNamesOfTheSetBits)
{
    struct Case {
        const char* flags;
        const char* caption;
    };
    const Case cases[] = {
        {"FileFlags=00000000\n", "Flags: "},
        {"FileFlags=00000021\n", "Flags: Debug Build, Special Build"},
        {"FileFlags=0000003F\n", "Flags: Debug Build, Pre-Release Build, Patched Build, "
                                 "Private Build, InfoInferred, Special Build"},
        {"FileFlags=000000C4\n", "Flags: Patched Build"},
        {"Translation=040904E4\n", "Flags: < Error retrieving version info >"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        const auto label = AboutLabel(WithRecord(c.flags));
        label->SetVersionRes(widgets::verFlags);
        EXPECT_EQ(Caption(*label), c.caption);
    }
}

TEST_F(VersionLabelTest, WithoutThePrefixTheValueStandsAlone)
{
    const auto label = AboutLabel(BuiltProgram());
    label->SetShowInfoPrefix(false);
    EXPECT_EQ(Caption(*label), "1.0.0.1");
    label->SetFileName(SystemProgram());
    EXPECT_EQ(Caption(*label), "< No Data Available >");
}

TEST_F(VersionLabelTest, AFoundTranslationIsKeptUntilMinusOneIsSetAgain)
{
    const std::string first = WithRecord("Translation=040904E4\n[040904E4]\nFileVersion=1\n"
                                         "[0C0904B0]\nFileVersion=2\n");
    const std::string second = WithRecord("Translation=0C0904B0\n[040904E4]\nFileVersion=1\n"
                                          "[0C0904B0]\nFileVersion=2\n");
    const auto label = AboutLabel(first);
    EXPECT_EQ(Caption(*label), "Version: 1");
    // The kept code reads the first block of the second file too.
    label->SetFileName(second);
    EXPECT_EQ(Caption(*label), "Version: 1");
    label->SetLangCharset("-1");
    EXPECT_EQ(Caption(*label), "Version: 2");
    EXPECT_EQ(label->LangCharset(), "0C0904B0");
}

} // namespace
} // namespace marlune::testing
