#include "datafilewriter.h"

#include "platform/error.h"

#include "../support/scratchdir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

using marlune::tools::PostcodeRow;
using marlune::tools::ReadPostcodeCsv;

namespace {

const std::string kHeader = "Pcode,Locality,State,Comments,DeliveryOffice\n";

std::string CsvError(const std::string& body)
{
    std::istringstream in(kHeader + body);
    try {
        ReadPostcodeCsv(in, "in.csv");
    } catch (const marlune::Error& e) {
        return e.what();
    }
    return "";
}

std::vector<PostcodeRow> Parse(const std::string& body)
{
    std::istringstream in(kHeader + body);
    return ReadPostcodeCsv(in, "in.csv");
}

} // namespace

TEST(PostcodeCsv, NullsEmptyTextsQuotesAndLineEnds)
{
    const auto rows = Parse("2000,SYDNEY,NSW,,\"\"\r\n"
                            "2602,\"O’CONNOR, ACT\",ACT,\"say \"\"hi\"\"\",X\n"
                            "\n"
                            "3000,\"MEL\nBOURNE\",VIC,Delivery Area,CITY\n");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][0], "2000");
    EXPECT_FALSE(rows[0][3].has_value()) << "an unquoted empty field is null";
    ASSERT_TRUE(rows[0][4].has_value()) << "a quoted empty field is the empty text";
    EXPECT_EQ(*rows[0][4], "");
    EXPECT_EQ(rows[1][1], std::string("O\x92"
                                      "CONNOR, ACT"));
    EXPECT_EQ(rows[1][3], "say \"hi\"");
    EXPECT_EQ(rows[2][1], "MEL\nBOURNE");
}

TEST(PostcodeCsv, RefusesRowsThatDoNotFitNamingTheLine)
{
    EXPECT_EQ(CsvError("2000,SYDNEY,NSW,,\n2001,X,NSW\n"),
              "in.csv:3: the row has 3 columns, expected 5");
    EXPECT_EQ(CsvError("123456,X,NSW,,\n"),
              "in.csv:2: Pcode: \"123456\" has 6 characters, more than the field's 5");
    const std::string err = CsvError("2000,SYDNEY,NSW,,\n2000,TOKYO 東京,NSW,,\n");
    EXPECT_EQ(err, "in.csv:3: Locality: character U+6771 at position 7 cannot be written in "
                   "Windows-1252");
    // Length counts Windows-1252 characters, not UTF-8 bytes: 64 of "é" fit.
    std::string sixtyFour;
    for (int i = 0; i < 64; ++i) {
        sixtyFour += "é";
    }
    EXPECT_EQ(Parse("2000," + sixtyFour + ",NSW,,\n")[0][1]->size(), 64u);
    EXPECT_NE(CsvError("2000," + sixtyFour + "é,NSW,,\n").find("65 characters"), std::string::npos);
    EXPECT_EQ(CsvError("2000,\"open,NSW,,\n"), "in.csv:2: unterminated quoted field");
    EXPECT_EQ(CsvError("2000,\"A\"B,NSW,,\n"), "in.csv:2: text after a closing quote");
    std::istringstream badHeader("Postcode,Locality,State,Comments,DeliveryOffice\n");
    EXPECT_THROW(ReadPostcodeCsv(badHeader, "h.csv"), marlune::Error);
}

TEST(PostcodeCsv, AByteOrderMarkAndCrLineEndsReadAsTheFileWithout)
{
    const std::string body =
        "2000,SYDNEY,NSW,,\n2602,\"O’CONNOR\nACT\",ACT,\"\",X\n3000,MEL,VIC,,\n";
    const auto plain = Parse(body);
    ASSERT_EQ(plain.size(), 3u);
    std::istringstream marked("\xEF\xBB\xBF" + kHeader + body);
    EXPECT_EQ(ReadPostcodeCsv(marked, "in.csv"), plain);
    std::string crOnly = kHeader + body;
    std::replace(crOnly.begin(), crOnly.end(), '\n', '\r');
    std::istringstream cr(crOnly);
    auto rows = ReadPostcodeCsv(cr, "in.csv");
    ASSERT_EQ(rows.size(), plain.size());
    EXPECT_EQ(rows[1][1], "O\x92"
                          "CONNOR\rACT")
        << "a line break inside quotes is kept as written";
    rows[1][1] = plain[1][1];
    EXPECT_EQ(rows, plain);
    // Lines still count right after a CR-only row: line 5 holds the bad row.
    EXPECT_EQ(CsvError("2000,A,NSW,,\r2001,B,NSW,,\r\"x\ry\",C,NSW,,\r2003,D\r"),
              "in.csv:6: the row has 2 columns, expected 5");
}

TEST(PostcodeCsv, MessagesNameTheLineAndStayShort)
{
    // The quote that never closes opens on line 4, in a row that starts on line 3.
    EXPECT_EQ(CsvError("2000,A,NSW,,\n2001,\"two\nlines\",NSW,\"open,\n,,\n"),
              "in.csv:4: unterminated quoted field");
    // Latin-1 instead of UTF-8 is named as such, not as U+FFFD.
    EXPECT_EQ(CsvError("2000,A,NSW,,\n2001,CAF\xC9 HILL,NSW,,\n"),
              "in.csv:3: Locality: the input is not UTF-8 (byte 0xC9 at byte 4 of the field)");
    EXPECT_EQ(CsvError("2000,\xEF\xBF\xBD,NSW,,\n"),
              "in.csv:2: Locality: character U+FFFD at position 1 cannot be written in "
              "Windows-1252")
        << "a real U+FFFD is UTF-8, just not Windows-1252";
    // A 10 MB field is quoted by its first 40 characters and its length.
    const std::string huge(10u << 20, 'A');
    const std::string err = CsvError("2000," + huge + ",NSW,,\n");
    EXPECT_EQ(err, "in.csv:2: Locality: \"" + huge.substr(0, 40) + "\"... has " +
                       std::to_string(huge.size()) + " characters, more than the field's " +
                       std::to_string(marlune::tools::kPostcodeFields[1].size));
    std::istringstream header("Pcode," + huge + ",State,Comments,DeliveryOffice\n");
    try {
        ReadPostcodeCsv(header, "h.csv");
        FAIL() << "a wrong header was taken";
    } catch (const marlune::Error& e) {
        EXPECT_LT(std::string(e.what()).size(), 200u) << "the header column is cut too";
    }
}

TEST(DataFileWriter, WritesTheTaggedVersion251Layout)
{
    std::ostringstream out;
    PostcodeRow row;
    row[0] = "2602";
    row[1] = "O\x92"
             "CONNOR";
    row[2] = "ACT";
    marlune::tools::WriteDataFile(out, {row});
    const std::string bytes = out.str();
    ASSERT_EQ(bytes.substr(0, 4), "TPF0");
    EXPECT_EQ(bytes.substr(4, 3), std::string("\x03\xFB\x00", 3)) << "version 251, 2-byte integer";
    EXPECT_EQ(bytes[7], '\x01') << "field definitions follow as a list";
    // The record: list, status 0, then null flag + tag-6 text per field.
    const std::string record = std::string("\x01\x02\x00", 3) +
                               "\x08\x06\x04"
                               "2602" +
                               "\x08\x06\x08O\x92"
                               "CONNOR" +
                               "\x08\x06\x03"
                               "ACT" +
                               "\x09\x09" + std::string("\x00", 1);
    const auto at = bytes.find(record);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(bytes.size(), at + record.size() + 1) << "the record list ends right after it";
    EXPECT_EQ(bytes.back(), '\0');
    EXPECT_EQ(bytes.substr(at - 3, 3), std::string("\x01\x00\x01", 3))
        << "an empty index list precedes the record list";
}

TEST(DataFileWriter, ShippedFileHoldsEveryCsvRecord)
{
    std::ifstream csv(MARLUNE_SOURCE_DIR "/data/aus_postcodes.csv", std::ios::binary);
    ASSERT_TRUE(csv);
    const auto rows = ReadPostcodeCsv(csv, "aus_postcodes.csv");
    EXPECT_EQ(rows.size(), 18545u);
    std::ostringstream out;
    marlune::tools::WriteDataFile(out, rows);
    std::ifstream shipped(MARLUNE_BIN_DIR "/20051206.dat", std::ios::binary);
    ASSERT_TRUE(shipped) << "the build writes the default data file beside the program";
    std::stringstream bytes;
    bytes << shipped.rdbuf();
    EXPECT_EQ(bytes.str(), out.str());
    EXPECT_NE(out.str().find("\x08\x06\x08O\x92"
                             "CONNOR"),
              std::string::npos);
}

namespace {

// Runs the tool with `args`; `shellPrefix` goes in front (limits and traps).
int RunTool(const std::string& args, std::string& stderrText, const std::string& shellPrefix = "")
{
    const marlune::test::ScratchDir scratch("marlune-mkdatafile-err");
    const std::string err = scratch.File("mkdatafile.err");
    const std::string cmd =
        shellPrefix + std::string(MARLUNE_BIN_DIR) + "/marlune-mkdatafile " + args + " 2>" + err;
    const int status = std::system(cmd.c_str());
    std::ifstream e(err);
    std::stringstream ss;
    ss << e.rdbuf();
    stderrText = ss.str();
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(MkDataFileTool, RefusesABadCsvAndLeavesNoOutput)
{
    namespace fs = std::filesystem;
    const marlune::test::ScratchDir scratch("marlune-mkdatafile");
    const fs::path& dir = scratch.Path();
    const fs::path csv = dir / "bad.csv";
    const fs::path dat = dir / "bad.dat";
    std::ofstream(csv) << kHeader << "2000,SYDNEY,NSW,,\n2000,SYDNEY,NSW\n";
    std::string err;
    EXPECT_EQ(RunTool(csv.string() + " " + dat.string(), err), 1);
    EXPECT_NE(err.find("bad.csv:3: the row has 3 columns"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dat));
    EXPECT_FALSE(fs::exists(dat.string() + ".tmp"));

    std::ofstream(csv, std::ios::trunc) << kHeader << "2000,SYDNEY,NSW,,\n";
    EXPECT_EQ(RunTool(csv.string() + " " + dat.string(), err), 0) << err;
    EXPECT_GT(fs::file_size(dat), 4u);
    EXPECT_EQ(RunTool("", err), 2);
    EXPECT_NE(err.find("usage:"), std::string::npos);
}

namespace {

std::string Slurp(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The names in a directory, sorted.
std::vector<std::string> Names(const std::filesystem::path& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class MkDataFileOutput : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = scratch_.Path();
        std::filesystem::create_directories(dir_ / "in");
        std::filesystem::create_directories(dir_ / "out");
        csv_ = dir_ / "in" / "rows.csv";
        std::ofstream(csv_) << kHeader << "2000,SYDNEY,NSW,,\n";
        std::ostringstream expected;
        marlune::tools::WriteDataFile(expected, Parse("2000,SYDNEY,NSW,,\n"));
        expected_ = expected.str();
    }
    marlune::test::ScratchDir scratch_{"marlune-mkdatafile"};
    std::filesystem::path dir_;
    std::filesystem::path csv_;
    std::string expected_;
};

} // namespace

TEST_F(MkDataFileOutput, NeverTouchesAFileOrLinkNamedLikeTheOldTemporaryFile)
{
    // Before, OUTPUT.tmp was overwritten and deleted, and a link there followed.
    const auto out = dir_ / "out" / "rows.dat";
    std::ofstream(dir_ / "out" / "rows.dat.tmp") << "the user's own file";
    std::ofstream(dir_ / "victim") << "not to be overwritten";
    std::string err;
    ASSERT_EQ(RunTool(csv_.string() + " " + out.string(), err), 0) << err;
    EXPECT_EQ(Slurp(out), expected_);
    EXPECT_EQ(Slurp(dir_ / "out" / "rows.dat.tmp"), "the user's own file");

    std::filesystem::remove(dir_ / "out" / "rows.dat.tmp");
    std::filesystem::create_symlink(dir_ / "victim", dir_ / "out" / "rows.dat.tmp");
    ASSERT_EQ(RunTool(csv_.string() + " " + out.string(), err), 0) << err;
    EXPECT_EQ(Slurp(dir_ / "victim"), "not to be overwritten");
    EXPECT_EQ(Names(dir_ / "out"), (std::vector<std::string>{"rows.dat", "rows.dat.tmp"}));
}

TEST_F(MkDataFileOutput, ADirectoryAsOutputFailsBeforeWritingAndLeavesNothing)
{
    const auto target = dir_ / "out" / "target";
    std::filesystem::create_directories(target);
    std::string err;
    EXPECT_EQ(RunTool(csv_.string() + " " + target.string(), err), 1);
    EXPECT_EQ(err, "marlune-mkdatafile: cannot write " + target.string() + ": Is a directory\n");
    EXPECT_EQ(Names(dir_ / "out"), std::vector<std::string>{"target"});
    EXPECT_TRUE(Names(target).empty());
}

TEST_F(MkDataFileOutput, AFailedWriteGivesTheSystemsReasonAndLeavesNothing)
{
    // A file size limit stands in for a full disk: the write fails part way.
    std::ofstream big(csv_, std::ios::trunc);
    big << kHeader;
    for (int i = 0; i < 2000; ++i) {
        big << 1000 + i << ",PLACE " << i << ",NSW,,\n";
    }
    big.close();
    const auto out = dir_ / "out" / "rows.dat";
    std::string err;
    EXPECT_EQ(RunTool(csv_.string() + " " + out.string(), err, "trap '' XFSZ; ulimit -f 4; "), 1);
    EXPECT_EQ(err, "marlune-mkdatafile: cannot write " + out.string() + ": File too large\n");
    EXPECT_TRUE(Names(dir_ / "out").empty()) << "no temporary file is left";
}

TEST_F(MkDataFileOutput, ADirectoryAsInputSaysSo)
{
    std::string err;
    EXPECT_EQ(RunTool((dir_ / "in").string() + " " + (dir_ / "out" / "x.dat").string(), err), 1);
    EXPECT_EQ(err, "marlune-mkdatafile: " + (dir_ / "in").string() + " is a directory\n");
    EXPECT_TRUE(Names(dir_ / "out").empty());
}
