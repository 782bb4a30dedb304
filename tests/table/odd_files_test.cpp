// Files that are not regular files where the data file belongs: a FIFO, a
// device, a socket, a directory. Each is refused at once, as a missing file
// is; none may block the load or pass as an empty table.
#include "platform/error.h"
#include "support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace marlune::table;
using namespace marlune::table::testing;

namespace {

namespace fs = std::filesystem;

class OddDataFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "marlune-odd-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override
    {
        if (socket_ >= 0) {
            ::close(socket_);
        }
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    // The message LoadTableFile raises for `path`, or "(loaded)"; the table
    // keeps the records it had when the load fails.
    std::string LoadError(const std::string& path)
    {
        MemTable t;
        t.LoadTableFile(ShippedFile());
        const int before = t.RecordCount();
        std::string message = "(loaded)";
        try {
            t.LoadTableFile(path);
        } catch (const marlune::Error& e) {
            message = e.what();
        }
        EXPECT_EQ(t.RecordCount(), before) << path;
        return message;
    }

    // A bound Unix socket at `path`.
    void MakeSocket(const std::string& path)
    {
        socket_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_GE(socket_, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        ASSERT_LT(path.size(), sizeof address.sun_path);
        path.copy(address.sun_path, path.size());
        ASSERT_EQ(::bind(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    }

    fs::path dir_;
    int socket_ = -1;
};

TEST_F(OddDataFiles, AFifoIsRefusedWithoutWaitingForAWriter)
{
    const std::string fifo = (dir_ / "fifo.dat").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(LoadError(fifo), "Cannot open file " + fifo);
    EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST_F(OddDataFiles, DevicesSocketsAndDirectoriesAreRefused)
{
    EXPECT_EQ(LoadError("/dev/zero"), "Cannot open file /dev/zero");
    EXPECT_EQ(LoadError("/dev/null"), "Cannot open file /dev/null");
    const std::string socketPath = (dir_ / "s.dat").string();
    MakeSocket(socketPath);
    EXPECT_EQ(LoadError(socketPath), "Cannot open file " + socketPath);
    EXPECT_EQ(LoadError(dir_.string()), "Cannot open file " + dir_.string());
}

TEST_F(OddDataFiles, ALinkToARegularFileStillLoads)
{
    // The check is on what the name leads to: a symbolic link to the shipped
    // file loads as the file itself does.
    const fs::path link = dir_ / "link.dat";
    fs::create_symlink(ShippedFile(), link);
    MemTable direct;
    direct.LoadTableFile(ShippedFile());
    MemTable linked;
    linked.LoadTableFile(link.string());
    EXPECT_EQ(linked.RecordCount(), direct.RecordCount());
    EXPECT_GT(linked.RecordCount(), 0);
}

} // namespace
