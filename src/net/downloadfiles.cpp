#include "net/downloadfiles.h"

#include "net/updatecheck.h"

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <string_view>
#include <system_error>

#include <sys/types.h>
#include <unistd.h>

namespace marlune::net {
namespace {

constexpr std::string_view kMarker = ".download-";

bool AllDigits(std::string_view text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The process that owns ".<name>.download-<pid>.<n>", or 0 when the file
// name is not of that pattern.
pid_t OwnerOf(std::string_view file)
{
    if (!file.starts_with('.')) {
        return 0;
    }
    const std::size_t marker = file.rfind(kMarker);
    if (marker == std::string_view::npos || marker < 2 ||
        !IsPlainFileName(file.substr(1, marker - 1))) {
        return 0;
    }
    const std::string_view tail = file.substr(marker + kMarker.size());
    const std::size_t dot = tail.find('.');
    if (dot == std::string_view::npos || !AllDigits(tail.substr(0, dot)) ||
        !AllDigits(tail.substr(dot + 1)) || dot > 9) {
        return 0;
    }
    return static_cast<pid_t>(std::stol(std::string(tail.substr(0, dot))));
}

bool Running(pid_t pid)
{
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

} // namespace

std::string DownloadPrefix(const std::string& directory, const std::string& name)
{
    return directory + "/." + name + std::string(kMarker);
}

int RemoveStaleDownloads(const std::string& directory)
{
    namespace fs = std::filesystem;
    int removed = 0;
    std::error_code error;
    for (fs::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        const pid_t owner = OwnerOf(it->path().filename().string());
        std::error_code kind;
        if (owner <= 0 || !it->is_regular_file(kind) || it->is_symlink(kind) || Running(owner)) {
            continue;
        }
        if (fs::remove(it->path(), kind)) {
            ++removed;
        }
    }
    return removed;
}

void SurviveFileSizeLimit()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

} // namespace marlune::net
