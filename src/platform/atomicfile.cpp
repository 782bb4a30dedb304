#include "platform/atomicfile.h"

#include "platform/error.h"
#include "platform/filedescriptor.h"

#include <algorithm>
#include <cstdio>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace marlune::platform {
namespace {

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

std::string Directory(const std::string& path)
{
    const std::string parent = std::filesystem::path(path).parent_path().string();
    return parent.empty() ? std::string(".") : parent;
}

std::atomic<unsigned> temporaryCounter{0};
std::atomic<std::int64_t> lockWaitMilliseconds{5000};
thread_local FileFailure lastFailure = FileFailure::None;
// The deadline of the innermost LockWaitBudget; max() when there is none.
thread_local std::chrono::steady_clock::time_point budgetDeadline =
    std::chrono::steady_clock::time_point::max();

bool Fail(FileFailure failure)
{
    lastFailure = failure;
    return false;
}

// Takes the exclusive lock, polling so that a lock another program keeps
// for good makes this fail after the wait limit instead of hanging.
bool TakeLock(int fd)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = std::min(
        Clock::now() + std::chrono::milliseconds(lockWaitMilliseconds.load()), budgetDeadline);
    auto pause = std::chrono::milliseconds(1);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) {
            continue;
        }
        if (errno != EWOULDBLOCK) {
            return Fail(FileFailure::Unwritable);
        }
        if (Clock::now() >= deadline) {
            return Fail(FileFailure::Locked);
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
    return true;
}

// The lock file, created when missing and `create` allows. One that exists
// but is not ours to write is opened for reading: flock works on either.
FileDescriptor OpenLockFile(const std::string& lockPath, bool create)
{
    FileDescriptor lock(
        ::open(lockPath.c_str(), O_RDWR | (create ? O_CREAT : 0) | O_CLOEXEC, 0666));
    if (lock.Get() < 0 && errno == EACCES) {
        lock = FileDescriptor(::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC));
    }
    return lock;
}

// Whether the user's permissions let this process write `path`: the system's
// answer, and the mode bits of the class the process falls in. Root may
// write anything, but a file or directory that no one may write is left
// alone for root too.
bool PermitsWriting(const std::string& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || ::access(path.c_str(), W_OK) != 0) {
        return false;
    }
    const uid_t user = ::geteuid();
    if (user == status.st_uid) {
        return (status.st_mode & S_IWUSR) != 0;
    }
    if (user == 0) {
        return (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
    }
    return true; // access() has judged the group and other bits
}

} // namespace

FileFailure LastFileFailure()
{
    return lastFailure;
}

void SetLastFileFailure(FileFailure failure)
{
    lastFailure = failure;
}

void SetLockWaitLimit(std::chrono::milliseconds limit)
{
    lockWaitMilliseconds = limit.count();
}

LockWaitBudget::LockWaitBudget(std::chrono::milliseconds total) : previous_(budgetDeadline)
{
    budgetDeadline = std::min(previous_, std::chrono::steady_clock::now() + total);
}

LockWaitBudget::~LockWaitBudget()
{
    budgetDeadline = previous_;
}

FileContents ReadWholeFile(const std::string& path)
{
    lastFailure = FileFailure::None;
    FileContents contents;
    const auto unreadable = [&contents] {
        contents.state = FileContents::State::Failed;
        contents.bytes.clear();
        lastFailure = FileFailure::Unreadable;
        return contents;
    };
    struct stat status {};
    const FileDescriptor fd = OpenRegularFileForReading(path, status);
    if (fd.Get() < 0) {
        // A missing file, or a directory on the way that is a plain file: nothing there.
        if (errno == ENOENT || errno == ENOTDIR) {
            contents.state = FileContents::State::Missing;
            return contents;
        }
        return unreadable();
    }
    if (static_cast<std::uint64_t>(status.st_size) > kMaxWholeFileSize) {
        return unreadable();
    }
    char buffer[16384];
    while (true) {
        const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return unreadable();
        }
        if (got == 0) {
            break;
        }
        contents.bytes.append(buffer, static_cast<std::size_t>(got));
        if (contents.bytes.size() > kMaxWholeFileSize) { // it grew while being read
            return unreadable();
        }
    }
    contents.state = FileContents::State::Read;
    return contents;
}

bool UpdateFileAtomically(
    const std::string& path,
    const std::function<std::optional<std::string>(const std::optional<std::string>&)>& edit,
    bool createDirectory)
{
    lastFailure = FileFailure::None;
    const std::string directory = Directory(path);
    if (createDirectory) {
        std::error_code ignored;
        std::filesystem::create_directories(directory, ignored);
    }

    // A directory the user may not write gets no new lock file: without one
    // its file is read unlocked (files are only ever replaced whole), so
    // that an edit that changes nothing succeeds as it does where an old
    // lock file lies, and a change fails either way.
    const bool directoryWritable = PermitsWriting(directory);
    const FileDescriptor lock = OpenLockFile(path + ".lock", directoryWritable);
    const bool locked = lock.Get() >= 0;
    if (!locked && directoryWritable) {
        return Fail(FileFailure::Unwritable);
    }
    if (locked && !TakeLock(lock.Get())) {
        return false;
    }

    const FileContents current = ReadWholeFile(path);
    if (current.state == FileContents::State::Failed) {
        return false; // never replace what could not be read
    }
    const std::optional<std::string> replacement =
        edit(current.state == FileContents::State::Read ? std::optional<std::string>(current.bytes)
                                                        : std::nullopt);
    if (!replacement) {
        return true;
    }
    if (!locked || !directoryWritable ||
        (current.state == FileContents::State::Read && !PermitsWriting(path))) {
        return Fail(FileFailure::ReadOnly);
    }

    if (ReplaceFile(path, *replacement) != 0) {
        return Fail(FileFailure::Unwritable);
    }
    return true;
}

int ReplaceFile(const std::string& path, std::string_view bytes)
{
    struct stat existing {};
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        return EISDIR; // the rename would fail after all was written
    }
    PendingFile pending;
    if (const int error = pending.Create(path + ".tmp."); error != 0) {
        return error;
    }
    if (exists) {
        ::fchmod(pending.Descriptor(), existing.st_mode & 07777);
    }
    if (!WriteAll(pending.Descriptor(), bytes)) {
        return errno;
    }
    return pending.Install(path);
}

void SaveFileReplacing(const std::string& path, std::string_view bytes)
{
    if (const int error = ReplaceFile(path, bytes); error != 0) {
        throw Error("Cannot create file " + path + ": " + std::strerror(error));
    }
}

PendingFile::~PendingFile()
{
    if (fd_ >= 0) {
        ::close(fd_);
    }
    if (!path_.empty()) {
        ::unlink(path_.c_str());
    }
}

int PendingFile::Create(const std::string& prefix)
{
    // O_EXCL with a fresh name rather than mkstemp, so the new file gets the
    // usual permissions under the umask; O_EXCL also never follows a link.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = prefix + std::to_string(::getpid()) + "." +
                                std::to_string(temporaryCounter.fetch_add(1));
        const int fd =
            ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            fd_ = fd;
            path_ = std::move(candidate);
            return 0;
        }
        if (errno != EEXIST) {
            return errno;
        }
    }
    return EEXIST;
}

int PendingFile::Install(const std::string& path, bool replace)
{
    if (path_.empty()) {
        return ENOENT;
    }
    // What others wrote through the path is flushed through a descriptor of
    // our own as well.
    FileDescriptor file(fd_ >= 0 ? fd_ : ::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
    fd_ = -1;
    if (file.Get() < 0 || ::fsync(file.Get()) != 0 || !file.Close()) {
        return errno;
    }
    if (replace) {
        if (::rename(path_.c_str(), path.c_str()) != 0) {
            return errno;
        }
    } else {
        // Fails with EEXIST when the name is taken, in one step; where the
        // file system has no such rename, link() does the same.
        if (::renameat2(AT_FDCWD, path_.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) != 0) {
            if (errno != EINVAL && errno != ENOSYS) {
                return errno;
            }
            if (::link(path_.c_str(), path.c_str()) != 0) {
                return errno;
            }
            ::unlink(path_.c_str());
        }
    }
    path_.clear();
    FileDescriptor dir(::open(Directory(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0) {
        ::fsync(dir.Get());
    }
    return 0;
}

} // namespace marlune::platform
