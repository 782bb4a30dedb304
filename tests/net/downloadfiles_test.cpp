// Download files: what start-up removes, and a write past the file-size limit.
#include "net/downloadfiles.h"

#include "platform/atomicfile.h"
#include "scratchdir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace marlune::testing {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;

// A process id that is certainly not running: a child that has ended.
pid_t EndedProcess()
{
    const pid_t child = ::fork();
    if (child == 0) {
        std::_Exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

std::set<std::string> Names(const fs::path& dir)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

TEST(DownloadFilesTest, StartUpRemovesOnlyStaleDownloadsOfItsOwnPattern)
{
    const ScratchDir dir("marlune-download");
    const std::string dead = std::to_string(EndedProcess());
    const std::string alive = std::to_string(::getpid());
    const std::string stale = ".20061231.dat.download-" + dead + ".0";
    const std::set<std::string> kept = {
        ".20061231.dat.download-" + alive + ".3", // a download running now
        "20061231.dat.download-" + dead + ".0",   // not hidden: not ours
        ".notes.download-" + dead + ".x",
        ".notes.download-" + dead,
        ".download-" + dead + ".0",
        "20051206.dat",
    };
    for (const std::string& name : kept) {
        std::ofstream(dir.File(name)) << "keep";
    }
    std::ofstream(dir.File(stale)) << "partial";
    fs::create_directory(dir / (".old.dat.download-" + dead + ".1")); // a folder stays

    EXPECT_EQ(net::RemoveStaleDownloads(dir.Path().string()), 1);
    std::set<std::string> expected = kept;
    expected.insert(".old.dat.download-" + dead + ".1");
    EXPECT_EQ(Names(dir.Path()), expected);
}

TEST(DownloadFilesTest, AWritePastTheFileSizeLimitFailsAndCleansUp)
{
    const ScratchDir dir("marlune-download");
    const pid_t child = ::fork();
    if (child == 0) {
        // What an update does under `ulimit -f 4`: the write fails, the
        // pending file goes.
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        net::SurviveFileSizeLimit();
        bool failedAtTheLimit = false;
        {
            platform::PendingFile file;
            if (file.Create(net::DownloadPrefix(dir.Path().string(), "20061231.dat")) != 0) {
                std::_Exit(2);
            }
            const std::string block(8192, 'd');
            const ssize_t first = ::write(file.Descriptor(), block.data(), block.size());
            const ssize_t second = ::write(file.Descriptor(), block.data(), 1);
            failedAtTheLimit = first == 4096 && second < 0 && errno == EFBIG;
        }
        std::_Exit(!failedAtTheLimit ? 3 : !Names(dir.Path()).empty() ? 4 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
} // namespace marlune::testing
