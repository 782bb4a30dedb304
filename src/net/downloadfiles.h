#pragma once

#include <string>

// The hidden files an update downloads into before it installs them.
namespace marlune::net {

// "<directory>/.<name>.download-": a download of name is created under this
// prefix with "<pid>.<n>" after it (platform::PendingFile).
std::string DownloadPrefix(const std::string& directory, const std::string& name);

// Removes the download files of that pattern in directory whose process is
// no longer running (a run killed in the middle of a download leaves one).
// Other files, and those of a running process, stay. The number removed.
int RemoveStaleDownloads(const std::string& directory);

// Makes a write past the file-size limit (ulimit -f) fail with EFBIG, so that
// a download cleans up after itself, instead of killing the process.
void SurviveFileSizeLimit();

} // namespace marlune::net
