#pragma once

#include <cerrno>
#include <string>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace marlune::platform {

// Owns a POSIX file descriptor and closes it when it goes.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept
    {
        if (this != &other) {
            Close();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    ~FileDescriptor()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int Get() const { return fd_; }
    // Hands the descriptor over to the caller, who closes it.
    int Release() { return std::exchange(fd_, -1); }
    // Closes now and tells whether the close succeeded (it reports late write errors).
    bool Close()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

// Opens a regular file for reading; `status` gets what fstat says of it. The
// open never blocks (O_NONBLOCK: a FIFO with no writer would wait in open()
// forever), and anything but a regular file (FIFO, device such as /dev/zero,
// socket, directory) is refused. On failure the descriptor is empty and errno
// tells why: EISDIR for a directory, EINVAL for another kind of file.
inline FileDescriptor OpenRegularFileForReading(const std::string& path, struct stat& status)
{
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.Get() < 0) {
        return fd;
    }
    if (::fstat(fd.Get(), &status) != 0) {
        return FileDescriptor();
    }
    if (!S_ISREG(status.st_mode)) {
        const int reason = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
        fd.Close();
        errno = reason;
        return fd;
    }
    // Reads of a regular file never block; clear the flag all the same so
    // that the descriptor behaves as an ordinary one.
    const int flags = ::fcntl(fd.Get(), F_GETFL);
    if (flags >= 0) {
        ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK);
    }
    return fd;
}

} // namespace marlune::platform
