#include "platform/registry.h"

#include "platform/atomicfile.h"
#include "platform/cp1252.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

namespace marlune::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// A fresh registry root for each test; the real configuration directory is never touched.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "marlune-registry-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        SetRegistryRootDirectory(dir_.string());
    }
    void TearDown() override
    {
        SetRegistryRootDirectory("");
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    fs::path File(const char* name = "HKEY_CURRENT_USER.reg") const { return dir_ / name; }

    std::string ReadFile(const fs::path& path) const
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    void WriteFile(const fs::path& path, std::string_view bytes) const
    {
        std::ofstream out(path, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    fs::path dir_;
};

RegistryValue Value(ValueType type, std::string_view data)
{
    return RegistryValue{type, std::string(data)};
}

TEST_F(RegistryTest, MissingFileIsAnEmptyRootAndReadingCreatesNothing)
{
    const auto root = OpenKey(PredefinedKey::CurrentUser, "");
    ASSERT_TRUE(root);
    EXPECT_TRUE(root->SubKeyNames().empty());
    EXPECT_FALSE(root->QueryValue("x"));
    EXPECT_FALSE(OpenKey(PredefinedKey::CurrentUser, "Software"));
    EXPECT_TRUE(fs::is_empty(dir_));
}

TEST_F(RegistryTest, WritesTheExportFormatWithEveryKeyOnTheWay)
{
    auto key = CreateKey(PredefinedKey::CurrentUser, "\\Software\\Calderix\\Marlune\\Settings");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->Path(), "Software\\Calderix\\Marlune\\Settings");
    ASSERT_TRUE(key->SetValue("DataFileName", RegistryValue::String("20051206.dat")));

    EXPECT_EQ(ReadFile(File()), "Windows Registry Editor Version 5.00\n"
                                "\n"
                                "[HKEY_CURRENT_USER\\Software]\n"
                                "\n"
                                "[HKEY_CURRENT_USER\\Software\\Calderix]\n"
                                "\n"
                                "[HKEY_CURRENT_USER\\Software\\Calderix\\Marlune]\n"
                                "\n"
                                "[HKEY_CURRENT_USER\\Software\\Calderix\\Marlune\\Settings]\n"
                                "\"DataFileName\"=\"20051206.dat\"\n"
                                "\n");
    // Each root has its own file.
    ASSERT_TRUE(CreateKey(PredefinedKey::LocalMachine, "Software"));
    EXPECT_NE(ReadFile(File("HKEY_LOCAL_MACHINE.reg")).find("[HKEY_LOCAL_MACHINE\\Software]\n"),
              std::string::npos);
    EXPECT_FALSE(OpenKey(PredefinedKey::LocalMachine, "Software\\Calderix"));
}

TEST_F(RegistryTest, NamesMatchRegardlessOfCaseAndKeepTheirFirstSpelling)
{
    ASSERT_TRUE(CreateKey(PredefinedKey::CurrentUser, "Software\\MyApp"));
    auto key = OpenKey(PredefinedKey::CurrentUser, "SOFTWARE\\myapp");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->Path(), "Software\\MyApp");

    ASSERT_TRUE(key->SetValue("Name", RegistryValue::String("one")));
    ASSERT_TRUE(key->SetValue("NAME", RegistryValue::String("two")));
    EXPECT_EQ(key->ValueNames(), std::vector<std::string>{"Name"});
    EXPECT_EQ(key->QueryValue("name")->data, std::string("two\0", 4));

    // Windows-1252 letters beyond ASCII fold too.
    ASSERT_TRUE(key->CreateSubKey("\xC9t\xE9"));
    EXPECT_TRUE(key->OpenSubKey("\xE9T\xC9"));
    EXPECT_FALSE(key->OpenSubKey("ete"));
}

TEST_F(RegistryTest, EveryValueTypeRoundTripsWithOddBytes)
{
    auto key = CreateKey(PredefinedKey::CurrentUser, "Software\\Types");
    ASSERT_TRUE(key);
    std::string binary;
    for (int i = 0; i < 300; ++i) {
        binary += static_cast<char>(i & 0xFF);
    }
    const std::vector<std::pair<std::string, RegistryValue>> values = {
        {"Quoted \"name\" \\ \x92", RegistryValue::String("a \"b\" c\\d \x92 \xE9")},
        {"", RegistryValue::String("default")},
        {"@", RegistryValue::String("at")},
        {"Empty", RegistryValue::String("")},
        {"Lines", RegistryValue::String("one\r\ntwo\nthree")},
        {"NoNul", Value(ValueType::Sz, "abc")},
        {"NoData", Value(ValueType::Sz, "")},
        {"InnerNul", Value(ValueType::Sz, std::string("a\0b\0", 4))},
        {"Expand", Value(ValueType::ExpandSz, std::string("%PATH%\0", 7))},
        {"Multi", Value(ValueType::MultiSz, std::string("a\0b\0\0", 5))},
        {"Dword", RegistryValue::Dword(10)},
        {"ShortDword", Value(ValueType::Dword, "\x01\x02")},
        {"Qword", Value(ValueType::Qword, std::string("\x01\0\0\0\0\0\0\x80", 8))},
        {"None", Value(ValueType::None, "")},
        {"Binary", Value(ValueType::Binary, binary)},
        {"Odd type", Value(static_cast<ValueType>(0x1234), "\xff")},
    };
    for (const auto& [name, value] : values) {
        ASSERT_TRUE(key->SetValue(name, value)) << name;
    }
    for (const auto& [name, value] : values) {
        const auto read = key->QueryValue(name);
        ASSERT_TRUE(read) << name;
        EXPECT_EQ(*read, value) << name;
    }

    const std::string file = ReadFile(File());
    const auto hasLine = [&](const std::string& line) {
        return file.find("\n" + line + "\n") != std::string::npos;
    };
    EXPECT_TRUE(hasLine("\"Quoted \\\"name\\\" \\\\ \x92\"=\"a \\\"b\\\" c\\\\d \x92 \xE9\""));
    EXPECT_TRUE(hasLine("@=\"default\""));
    EXPECT_TRUE(hasLine("\"@\"=\"at\""));
    EXPECT_TRUE(hasLine("\"Empty\"=\"\""));
    // Texts that the quoted form cannot carry are written the way regedit does: hex(1).
    EXPECT_TRUE(hasLine("\"Lines\"=hex(1):6f,6e,65,0d,0a,74,77,6f,0a,74,68,72,65,65,00"));
    EXPECT_TRUE(hasLine("\"NoNul\"=hex(1):61,62,63"));
    EXPECT_TRUE(hasLine("\"NoData\"=hex(1):"));
    EXPECT_TRUE(hasLine("\"InnerNul\"=hex(1):61,00,62,00"));
    EXPECT_TRUE(hasLine("\"Expand\"=hex(2):25,50,41,54,48,25,00"));
    EXPECT_TRUE(hasLine("\"Multi\"=hex(7):61,00,62,00,00"));
    EXPECT_TRUE(hasLine("\"Dword\"=dword:0000000a"));
    EXPECT_TRUE(hasLine("\"ShortDword\"=hex(4):01,02"));
    EXPECT_TRUE(hasLine("\"Qword\"=hex(b):01,00,00,00,00,00,00,80"));
    EXPECT_TRUE(hasLine("\"None\"=hex(0):"));
    EXPECT_TRUE(hasLine("\"Odd type\"=hex(1234):ff"));
    // Long data is continued over lines of at most 80 characters.
    EXPECT_TRUE(file.find("\"Binary\"=hex:00,01,02,") != std::string::npos);
    EXPECT_TRUE(file.find(",\\\n  ") != std::string::npos);
    std::istringstream lines(file);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("  ") || line.starts_with("\"Binary\"")) {
            EXPECT_LE(line.size(), 80u) << line;
        }
    }
}

TEST_F(RegistryTest, ParseOfSerializeGivesTheSameDocument)
{
    RegistryDocument document(PredefinedKey::CurrentUser);
    bool created = false;
    document.Root().SetValue("", RegistryValue::String("root default"));
    document.Create({"A", "B]x", "C"}, created).SetValue("v", Value(ValueType::Binary, "\n\r\"\\"));
    document.Create({"A", "\xA0 spaced "}, created)
        .SetValue("w\r", RegistryValue::Dword(0xFFFFFFFF));
    document.Create({"Z"}, created);
    const RegistryDocument again =
        RegistryDocument::Parse(PredefinedKey::CurrentUser, document.Serialize());
    EXPECT_EQ(again, document);
}

TEST_F(RegistryTest, ReadsLenientlyAndKeepsEverythingItCouldRead)
{
    const std::string corrupt = "garbage before any header\r\n"
                                "\"Orphan\"=\"outside every section\"\r\n"
                                "[HKEY_CURRENT_USER\\Software\\Good]\r\n"
                                "\"Text\"=\"kept\"\r\n"
                                "\"Unterminated\"=\"no closing quote\r\n"
                                "\"BadHex\"=hex:0g,11\r\n"
                                "\"BadDword\"=dword:123456789\r\n"
                                "\"Deleted\"=-\r\n"
                                "no equals sign here\r\n"
                                "   \"Indented\" = dword:7\r\n"
                                "\"Cut\"=hex:01,02,\\\r\n"
                                "[hkcu\\software\\good\\Child]\r\n"
                                "\"AfterCut\"=\"still here\"\r\n"
                                "[HKEY_LOCAL_MACHINE\\Elsewhere]\r\n"
                                "\"Foreign\"=\"not ours\"\r\n"
                                "[-HKEY_CURRENT_USER\\Software\\Gone]\r\n"
                                "\"Gone\"=\"x\"\r\n"
                                "[HKEY_CURRENT_USER\\Software\\Good]\r\n"
                                "\"Late\"=hex(2):41,\\\r\n"
                                "  42,00\r\n"
                                "\"Nul\"=\"a\0b\"\r\n"
                                "[HKEY_CURRENT_USER\\Software\\Unclosed\r\n"
                                "\"Text\"=\"replaced later\"\n"
                                "[HKEY_CURRENT_USER\\Software\\Good]\n"
                                "\"Text\"=\"kept, second spelling\""s;
    WriteFile(File(), corrupt);

    auto good = OpenKey(PredefinedKey::CurrentUser, "Software\\Good");
    ASSERT_TRUE(good);
    EXPECT_EQ(good->ValueNames(),
              (std::vector<std::string>{"Text", "Indented", "Cut", "Late", "Nul"}));
    EXPECT_EQ(good->QueryValue("Text"), RegistryValue::String("kept, second spelling"));
    EXPECT_EQ(good->QueryValue("Indented"), RegistryValue::Dword(7));
    EXPECT_EQ(good->QueryValue("Cut"), Value(ValueType::Binary, "\x01\x02"));
    EXPECT_EQ(good->QueryValue("Late"), Value(ValueType::ExpandSz, std::string("AB\0", 3)));
    EXPECT_EQ(good->QueryValue("Nul")->data, std::string("a\0b\0", 4));
    const auto child = good->OpenSubKey("Child");
    ASSERT_TRUE(child);
    EXPECT_EQ(child->QueryValue("AfterCut"), RegistryValue::String("still here"));
    EXPECT_FALSE(OpenKey(PredefinedKey::CurrentUser, "Elsewhere"));
    EXPECT_FALSE(OpenKey(PredefinedKey::CurrentUser, "Software\\Gone"));
    EXPECT_FALSE(OpenKey(PredefinedKey::CurrentUser, "Software\\Unclosed"));

    // A rewrite would lose the lines that could not be read: the file is
    // left byte for byte as it is and the write is refused.
    EXPECT_FALSE(good->SetValue("New", RegistryValue::String("n")));
    EXPECT_EQ(LastFileFailure(), FileFailure::NotUnderstood);
    EXPECT_TRUE(ReadFile(File()) == corrupt);
    EXPECT_FALSE(good->QueryValue("New"));
    // A write that changes nothing needs no rewrite and succeeds.
    EXPECT_TRUE(good->SetValue("Indented", RegistryValue::Dword(7)));
    EXPECT_TRUE(ReadFile(File()) == corrupt);
}

// The 8-bit text as UTF-16LE with a byte-order mark, as regedit exports.
std::string Utf16Le(std::string_view text)
{
    std::string out = "\xFF\xFE";
    for (const char c : text) {
        const char32_t cp = ToUnicode(static_cast<unsigned char>(c));
        out += static_cast<char>(cp & 0xFF);
        out += static_cast<char>(cp >> 8);
    }
    return out;
}

TEST_F(RegistryTest, ExportsInUtf16Utf8AndWithCrLineEndsAreReadAndKeptOnWrite)
{
    // Before, these were read as garbage and the next write dropped the
    // user's other keys and values.
    const std::string export8 = "Windows Registry Editor Version 5.00\r\n\r\n"
                                "[HKEY_CURRENT_USER\\Software\\Caf\xE9]\r\n"
                                "\"Name\"=\"na\xEFve \x80 \\\"q\\\"\"\r\n"
                                "\"Count\"=dword:0000002a\r\n"
                                "\r\n"
                                "[HKEY_CURRENT_USER\\Software\\Caf\xE9\\Inner]\r\n"
                                "@=hex(2):25,00\r\n";
    const RegistryDocument expected = RegistryDocument::Parse(PredefinedKey::CurrentUser, export8);
    ASSERT_EQ(expected.Find({"Software", "Caf\xE9"})->values.size(), 2u);

    std::string crOnly = export8;
    std::erase(crOnly, '\n');
    const std::vector<std::pair<std::string, std::string>> forms = {
        {"UTF-16LE", Utf16Le(export8)},
        {"UTF-8 with BOM", "\xEF\xBB\xBF" + ToUtf8(export8)},
        {"CR line ends", crOnly},
    };
    for (const auto& [form, bytes] : forms) {
        bool complete = false;
        EXPECT_EQ(RegistryDocument::Parse(PredefinedKey::CurrentUser, bytes, &complete), expected)
            << form;
        EXPECT_TRUE(complete) << form;

        WriteFile(File(), bytes);
        auto key = OpenKey(PredefinedKey::CurrentUser, "Software\\Caf\xE9");
        ASSERT_TRUE(key) << form;
        ASSERT_TRUE(key->SetValue("Added", RegistryValue::Dword(1))) << form;
        RegistryDocument written =
            RegistryDocument::Parse(PredefinedKey::CurrentUser, ReadFile(File()));
        written.Find({"Software", "Caf\xE9"})->values.pop_back();
        EXPECT_EQ(written, expected) << form << ": everything else is kept";
    }
}

TEST_F(RegistryTest, AFileWithCharactersTheCodePageCannotHoldIsNeverWrittenOver)
{
    std::string bytes = Utf16Le("Windows Registry Editor Version 5.00\r\n\r\n"
                                "[HKEY_CURRENT_USER\\Software]\r\n\"Name\"=\"");
    bytes += "\x71\x67"; // U+6771, which Windows-1252 has no byte for
    bytes += Utf16Le("\"\r\n").substr(2);
    WriteFile(File(), bytes);
    auto key = OpenKey(PredefinedKey::CurrentUser, "Software");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->QueryValue("Name"), RegistryValue::String("?"));
    EXPECT_FALSE(key->SetValue("Other", RegistryValue::String("x")));
    EXPECT_EQ(LastFileFailure(), FileFailure::NotUnderstood);
    EXPECT_TRUE(ReadFile(File()) == bytes);

    // Half a UTF-16 character at the end is not understood either.
    WriteFile(File(), Utf16Le("[HKEY_CURRENT_USER\\Software]\r\n") + "\x41");
    EXPECT_FALSE(CreateKey(PredefinedKey::CurrentUser, "Software\\New"));
}

TEST_F(RegistryTest, BinaryGarbageIsReadButNeverWrittenOver)
{
    std::string noise;
    unsigned seed = 12345;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 1103515245u + 12345u;
        noise += "[]\"@=\\\nhex(:,0a"[(seed >> 16) % 16];
        if ((seed >> 8) % 7 == 0) {
            noise += static_cast<char>(seed >> 24);
        }
    }
    WriteFile(File(), noise);
    auto root = OpenKey(PredefinedKey::CurrentUser, "");
    ASSERT_TRUE(root);
    // Garbage is read as far as it goes but never written over.
    EXPECT_FALSE(CreateKey(PredefinedKey::CurrentUser, "Software\\After"));
    EXPECT_TRUE(ReadFile(File()) == noise);
    fs::remove(File());
    auto key = CreateKey(PredefinedKey::CurrentUser, "Software\\After");
    ASSERT_TRUE(key);
    EXPECT_TRUE(key->SetValue("v", RegistryValue::String("x")));
    EXPECT_EQ(key->QueryValue("v"), RegistryValue::String("x"));
}

TEST_F(RegistryTest, KeysNestAtMost512Deep)
{
    std::string deep;
    for (int i = 0; i < 512; ++i) {
        deep += "k\\";
    }
    EXPECT_TRUE(CreateKey(PredefinedKey::CurrentUser, deep));
    EXPECT_FALSE(CreateKey(PredefinedKey::CurrentUser, deep + "one-more"));
    // A file nesting far deeper is skipped, not followed into a stack overflow.
    std::string file = "[HKEY_CURRENT_USER";
    for (int i = 0; i < 200000; ++i) {
        file += "\\d";
    }
    file += "]\n\"v\"=\"x\"\n[HKEY_CURRENT_USER\\Shallow]\n\"v\"=\"y\"\n";
    WriteFile(File(), file);
    EXPECT_FALSE(OpenKey(PredefinedKey::CurrentUser, "d"));
    ASSERT_TRUE(OpenKey(PredefinedKey::CurrentUser, "Shallow"));
    EXPECT_EQ(OpenKey(PredefinedKey::CurrentUser, "Shallow")->QueryValue("v"),
              RegistryValue::String("y"));
}

TEST_F(RegistryTest, FortyThousandKeysOrValuesUnderOneParentReadInFileOrder)
{
    // Before, every key was looked up among all its siblings: 40,000 keys
    // took seconds and a large file froze the program.
    constexpr int kKeys = 40000;
    std::string file = "Windows Registry Editor Version 5.00\n\n";
    std::vector<std::string> expected;
    for (int i = 0; i < kKeys; ++i) {
        const std::string name = "Key" + std::to_string(i);
        expected.push_back(name);
        file += "[HKEY_CURRENT_USER\\Software\\" + name +
                "]\n\"V\"=dword:" + std::to_string(i % 10) + "\n\n";
    }
    // As many values in one key.
    file += "[HKEY_CURRENT_USER\\Values]\n";
    std::vector<std::string> valueNames;
    for (int i = 0; i < kKeys; ++i) {
        valueNames.push_back("Value" + std::to_string(i));
        file += "\"" + valueNames.back() + "\"=\"" + std::to_string(i) + "\"\n";
    }
    // The same names again, spelled otherwise: merged, first spelling kept,
    // later value winning.
    for (int i = 0; i < kKeys; i += 1000) {
        file += "[hkey_current_user\\SOFTWARE\\KEY" + std::to_string(i) + "]\n\"v\"=\"late\"\n";
    }
    WriteFile(File(), file);
    auto software = OpenKey(PredefinedKey::CurrentUser, "Software");
    ASSERT_TRUE(software);
    EXPECT_EQ(software->SubKeyNames(), expected);
    const auto first = software->OpenSubKey("key0");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->Path(), "Software\\Key0");
    EXPECT_EQ(first->ValueNames(), std::vector<std::string>{"V"});
    EXPECT_EQ(first->QueryValue("V"), RegistryValue::String("late"));
    EXPECT_EQ(software->OpenSubKey("Key1")->QueryValue("v"), RegistryValue::Dword(1));
    const auto values = OpenKey(PredefinedKey::CurrentUser, "Values");
    ASSERT_TRUE(values);
    EXPECT_EQ(values->ValueNames(), valueNames);
    EXPECT_EQ(values->QueryValue("VALUE39999"), RegistryValue::String("39999"));

    // Written back and read again, it is the same document.
    ASSERT_TRUE(software->SetValue("Added", RegistryValue::Dword(1)));
    EXPECT_EQ(OpenKey(PredefinedKey::CurrentUser, "Software")->SubKeyNames(), expected);
    const std::string written = ReadFile(File());
    EXPECT_EQ(RegistryDocument::Parse(PredefinedKey::CurrentUser, written).Serialize(), written);
}

TEST_F(RegistryTest, AFileOverSixteenMegabytesIsNeitherReadNorReplaced)
{
    std::string file = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software]\n";
    const std::string line = "\"Filler\"=\"" + std::string(1000, 'x') + "\"\n";
    while (file.size() <= (std::size_t{16} << 20)) {
        file += line;
    }
    WriteFile(File(), file);
    EXPECT_FALSE(OpenKey(PredefinedKey::CurrentUser, "Software"));
    EXPECT_FALSE(CreateKey(PredefinedKey::CurrentUser, "Software\\Other"));
    EXPECT_TRUE(ReadFile(File()) == file) << "the file is left as it was";

    // One line shorter, at the limit, it is read.
    file.resize(file.size() - line.size());
    WriteFile(File(), file);
    EXPECT_TRUE(OpenKey(PredefinedKey::CurrentUser, "Software"));
}

TEST_F(RegistryTest, DeletesAndEnumerates)
{
    auto key = CreateKey(PredefinedKey::CurrentUser, "Software\\App");
    ASSERT_TRUE(key);
    ASSERT_TRUE(key->CreateSubKey("One\\Deep"));
    ASSERT_TRUE(key->CreateSubKey("Two"));
    ASSERT_TRUE(key->SetValue("a", RegistryValue::String("1")));
    ASSERT_TRUE(key->SetValue("b", RegistryValue::String("2")));
    EXPECT_EQ(key->SubKeyNames(), (std::vector<std::string>{"One", "Two"}));
    EXPECT_EQ(key->ValueNames(), (std::vector<std::string>{"a", "b"}));

    EXPECT_TRUE(key->DeleteValue("A"));
    EXPECT_FALSE(key->DeleteValue("a"));
    EXPECT_EQ(key->ValueNames(), std::vector<std::string>{"b"});

    EXPECT_FALSE(key->DeleteSubKey("One")); // still has a subkey
    EXPECT_TRUE(key->DeleteSubKey("One\\Deep"));
    EXPECT_TRUE(key->DeleteSubKey("one"));
    EXPECT_FALSE(key->DeleteSubKey("Missing"));
    EXPECT_EQ(key->SubKeyNames(), std::vector<std::string>{"Two"});
}

TEST_F(RegistryTest, AHandleToADeletedKeyRefusesWrites)
{
    auto parent = CreateKey(PredefinedKey::CurrentUser, "Software");
    auto child = CreateKey(PredefinedKey::CurrentUser, "Software\\Child");
    ASSERT_TRUE(parent && child);
    ASSERT_TRUE(parent->DeleteSubKey("Child"));
    EXPECT_FALSE(child->Exists());
    EXPECT_FALSE(child->SetValue("v", RegistryValue::String("x")));
    EXPECT_FALSE(child->CreateSubKey("Below"));
    EXPECT_FALSE(OpenKey(PredefinedKey::CurrentUser, "Software\\Child"));
}

TEST_F(RegistryTest, RefusesNamesTheFileCannotHold)
{
    auto key = CreateKey(PredefinedKey::CurrentUser, "Software");
    ASSERT_TRUE(key);
    EXPECT_FALSE(key->SetValue("two\nlines", RegistryValue::String("x")));
    EXPECT_FALSE(key->SetValue(std::string("nul\0", 4), RegistryValue::String("x")));
    EXPECT_FALSE(CreateKey(PredefinedKey::CurrentUser, "Software\\bad\rname"));
    EXPECT_TRUE(key->ValueNames().empty());
    EXPECT_EQ(key->SubKeyNames().size(), 0u);
}

TEST_F(RegistryTest, AnUnwritableRootFailsWithoutThrowing)
{
    WriteFile(dir_ / "plain-file", "x");
    SetRegistryRootDirectory((dir_ / "plain-file" / "registry").string());
    EXPECT_FALSE(CreateKey(PredefinedKey::CurrentUser, "Software"));
    auto root = OpenKey(PredefinedKey::CurrentUser, "");
    ASSERT_TRUE(root);
    EXPECT_FALSE(root->SetValue("v", RegistryValue::String("x")));
}

TEST_F(RegistryTest, NeverReplacesAFileItCouldNotRead)
{
    // A directory where the file should be: open works, read fails.
    fs::create_directory(File());
    EXPECT_FALSE(OpenKey(PredefinedKey::CurrentUser, ""));
    EXPECT_FALSE(CreateKey(PredefinedKey::CurrentUser, "Software"));
    EXPECT_TRUE(fs::is_directory(File()));
}

TEST_F(RegistryTest, LeavesNoTemporaryFilesBehind)
{
    auto key = CreateKey(PredefinedKey::CurrentUser, "Software");
    ASSERT_TRUE(key);
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(
            key->SetValue("v" + std::to_string(i), RegistryValue::Dword(static_cast<unsigned>(i))));
    }
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names,
              (std::vector<std::string>{"HKEY_CURRENT_USER.reg", "HKEY_CURRENT_USER.reg.lock"}));
}

TEST_F(RegistryTest, TwoProcessesWritingAtOnceLoseNothing)
{
    ASSERT_TRUE(CreateKey(PredefinedKey::CurrentUser, "Software\\Shared"));
    constexpr int kWrites = 40;
    std::vector<pid_t> children;
    for (int child = 0; child < 2; ++child) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int failures = 0;
            auto key = OpenKey(PredefinedKey::CurrentUser, "Software\\Shared");
            for (int i = 0; key && i < kWrites; ++i) {
                const std::string name = "p" + std::to_string(child) + "_" + std::to_string(i);
                failures += key->SetValue(name, RegistryValue::String(name + " data")) ? 0 : 1;
            }
            std::_Exit(key && failures == 0 ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    auto key = OpenKey(PredefinedKey::CurrentUser, "Software\\Shared");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->ValueNames().size(), 2u * kWrites);
    for (int child = 0; child < 2; ++child) {
        for (int i = 0; i < kWrites; ++i) {
            const std::string name = "p" + std::to_string(child) + "_" + std::to_string(i);
            EXPECT_EQ(key->QueryValue(name), RegistryValue::String(name + " data")) << name;
        }
    }
}

TEST_F(RegistryTest, ThreadsWritingWhileAReaderWatchesNeverSeeAHalfFile)
{
    auto key = CreateKey(PredefinedKey::CurrentUser, "Software\\Threads");
    ASSERT_TRUE(key);
    ASSERT_TRUE(key->SetValue("Anchor", RegistryValue::String("always there")));
    constexpr int kThreads = 3;
    constexpr int kWrites = 30;
    std::atomic<bool> done{false};
    std::atomic<int> missingAnchor{0};
    std::thread reader([&] {
        while (!done) {
            auto watched = OpenKey(PredefinedKey::CurrentUser, "Software\\Threads");
            if (!watched ||
                watched->QueryValue("Anchor") != RegistryValue::String("always there")) {
                ++missingAnchor;
            }
        }
    });
    std::vector<std::thread> writers;
    std::atomic<int> failures{0};
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([&, t] {
            auto own = OpenKey(PredefinedKey::CurrentUser, "Software\\Threads");
            for (int i = 0; i < kWrites; ++i) {
                if (!own || !own->SetValue("t" + std::to_string(t) + "_" + std::to_string(i),
                                           RegistryValue::Dword(static_cast<unsigned>(i)))) {
                    ++failures;
                }
            }
        });
    }
    for (auto& writer : writers) {
        writer.join();
    }
    done = true;
    reader.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(missingAnchor, 0);
    EXPECT_EQ(key->ValueNames().size(), 1u + kThreads * kWrites);
}

} // namespace
} // namespace marlune::platform
