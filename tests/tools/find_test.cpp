// marlune-find run as a user runs it, checked against an independent reading
// of the CSV the shipped data file is made from.
#include "toolrun.h"

#include "../support/scratchdir.h"
#include "../support/shippedlist.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using marlune::test::Slurp;
using marlune::test::ToolRun;

std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s) {
        q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    }
    return q + "'";
}

// Runs the tool in dir with HOME (and so the registry) inside dir.
ToolRun Find(const std::vector<std::string>& args, const fs::path& dir)
{
    std::string cmd = "cd " + Quote(dir.string()) + " && HOME=" + Quote(dir.string()) +
                      " XDG_CONFIG_HOME= " + MARLUNE_BIN_DIR "/marlune-find";
    for (const auto& a : args) {
        cmd += " " + Quote(a);
    }
    cmd += " >" + Quote((dir / "out.txt").string()) + " 2>" + Quote((dir / "err.txt").string());
    const int status = std::system(cmd.c_str());
    ToolRun r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = Slurp(dir / "out.txt");
    r.err = Slurp(dir / "err.txt");
    return r;
}

// The CSV's rows as the tool prints them: five fields joined by tabs (UTF-8).
// The postcode CSV holds no quoted fields, so splitting on commas is exact.
std::vector<std::vector<std::string>> CsvRows()
{
    return marlune::test::ShippedListRows();
}

std::string Joined(const std::vector<std::string>& f)
{
    return f[0] + "\t" + f[1] + "\t" + f[2] + "\t" + f[3] + "\t" + f[4] + "\n";
}

bool StartsFolded(const std::string& text, const std::string& key)
{
    if (text.size() < key.size()) {
        return false;
    }
    return std::equal(key.begin(), key.end(), text.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    });
}

class FindTool : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = scratch_.Path();
        fs::copy_file(MARLUNE_BIN_DIR "/20051206.dat", dir_ / "20051206.dat");
    }
    marlune::test::ScratchDir scratch_{"marlune-find"};
    fs::path dir_;
};

} // namespace

TEST_F(FindTool, PrintsTheFirstMatchInFileOrderAsTheSearchBoxWould)
{
    const auto rows = CsvRows();
    ASSERT_EQ(rows.size(), 18545u);
    for (const std::string key : {"syd", "SYD", "bon", "Mel", "zz", "o’c", "a"}) {
        const auto it = std::find_if(rows.begin(), rows.end(),
                                     [&](const auto& f) { return StartsFolded(f[1], key); });
        const ToolRun r = Find({key}, dir_);
        if (it == rows.end()) {
            EXPECT_EQ(r.code, 1) << key;
            EXPECT_EQ(r.out, "") << key;
        } else {
            EXPECT_EQ(r.code, 0) << key << r.err;
            EXPECT_EQ(r.out, Joined(*it)) << key;
        }
    }
}

TEST_F(FindTool, AllAndPostcodeSearches)
{
    const auto rows = CsvRows();
    std::string expected;
    for (const auto& f : rows) {
        if (StartsFolded(f[0], "260")) {
            expected += Joined(f);
        }
    }
    const ToolRun all = Find({"--all", "--postcode", "260"}, dir_);
    EXPECT_EQ(all.code, 0);
    EXPECT_EQ(all.out, expected);
    EXPECT_GT(std::count(expected.begin(), expected.end(), '\n'), 10);

    // A key longer than every postcode (four digits) begins none of them.
    EXPECT_EQ(Find({"--postcode", "26021"}, dir_).code, 1);
    EXPECT_EQ(Find({"--postcode", "sydney"}, dir_).code, 1) << "letters match no postcode";
    // An empty text finds the first record whose field is not null.
    EXPECT_EQ(Find({""}, dir_).out, Joined(rows.front()));
    const std::string every = Find({"--all", ""}, dir_).out;
    EXPECT_EQ(std::count(every.begin(), every.end(), '\n'), 18545) << "no Locality is null";
}

TEST_F(FindTool, DataFileFromTheSettingAndLoadFailures)
{
    // The program's setting names the data file, relative to the working directory.
    fs::copy_file(dir_ / "20051206.dat", dir_ / "other.dat");
    fs::create_directories(dir_ / ".config/marlune");
    std::ofstream(dir_ / ".config/marlune/HKEY_CURRENT_USER.reg")
        << "Windows Registry Editor Version 5.00\n\n"
           "[HKEY_CURRENT_USER\\Software\\Calderix\\Marlune\\Settings]\n"
           "\"DataFileName\"=\"other.dat\"\n";
    fs::remove(dir_ / "20051206.dat");
    EXPECT_EQ(Find({"darwin"}, dir_).code, 0);

    fs::remove(dir_ / "other.dat");
    ToolRun r = Find({"darwin"}, dir_);
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("Cannot open file other.dat"), std::string::npos) << r.err;

    std::ofstream(dir_ / "bad.dat") << "NOT A DATA FILE";
    r = Find({"--data", "bad.dat", "x"}, dir_);
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("Invalid stream format"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");

    r = Find({"--help"}, dir_);
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.out.find("usage: marlune-find"), std::string::npos);
    EXPECT_EQ(Find({"--bogus", "x"}, dir_).code, 2);
    EXPECT_EQ(Find({}, dir_).code, 2);
}

TEST_F(FindTool, AFifoOrDeviceAsTheDataFileFailsAtOnce)
{
    ASSERT_EQ(::mkfifo((dir_ / "fifo.dat").c_str(), 0600), 0);
    ToolRun r = Find({"--data", "fifo.dat", "darwin"}, dir_);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "marlune-find: fifo.dat: Cannot open file fifo.dat\n");
    r = Find({"--data", "/dev/zero", "darwin"}, dir_);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "marlune-find: /dev/zero: Cannot open file /dev/zero\n");
    EXPECT_EQ(r.out, "");
    // The same search in the real file succeeds: the failure is the file's.
    EXPECT_EQ(Find({"--data", "20051206.dat", "darwin"}, dir_).code, 0);
}

TEST_F(FindTool, AWrongTypedSettingIsNamed)
{
    // Before: "marlune-find: : Invalid data type ...", naming no file and no setting.
    fs::create_directories(dir_ / ".config/marlune");
    std::ofstream(dir_ / ".config/marlune/HKEY_CURRENT_USER.reg")
        << "Windows Registry Editor Version 5.00\n\n"
           "[HKEY_CURRENT_USER\\Software\\Calderix\\Marlune\\Settings]\n"
           "\"DataFileName\"=dword:00000007\n";
    const ToolRun r = Find({"darwin"}, dir_);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "marlune-find: setting DataFileName: Invalid data type for 'DataFileName'\n");
    EXPECT_EQ(r.out, "");
    // With the data file named on the command line the setting is not read.
    EXPECT_EQ(Find({"--data", "20051206.dat", "darwin"}, dir_).code, 0);
}
