#include "platform/stream.h"

#include "platform/error.h"
#include "platform/filedescriptor.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace marlune::platform {

FileStream::FileStream(const std::string& fileName)
{
    struct stat st {};
    FileDescriptor file = OpenRegularFileForReading(fileName, st);
    // Share with readers, not with writers: a writer holding an exclusive
    // lock makes the open fail, and writers that ask wait for us.
    if (file.Get() < 0 || ::flock(file.Get(), LOCK_SH | LOCK_NB) != 0) {
        throw Error("Cannot open file " + fileName);
    }
    fd_ = file.Release();
    size_ = static_cast<std::int64_t>(st.st_size);
}

FileStream::~FileStream()
{
    if (fd_ >= 0) {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
    }
}

std::size_t FileStream::Read(void* buffer, std::size_t count)
{
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(fd_, out + done, count - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw Error("Stream read error");
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    position_ += static_cast<std::int64_t>(done);
    return done;
}

void FileStream::Seek(std::int64_t position)
{
    const off_t at =
        ::lseek(fd_, static_cast<off_t>(std::max<std::int64_t>(0, position)), SEEK_SET);
    if (at < 0) {
        throw Error("Stream read error");
    }
    position_ = static_cast<std::int64_t>(at);
}

MemoryStream& MemoryStream::operator=(MemoryStream&& o) noexcept
{
    if (this == &o) {
        return *this;
    }
    const bool ownsData = o.data_.data() == o.owned_.data() && !o.owned_.empty();
    owned_ = std::move(o.owned_);
    data_ = ownsData ? std::string_view(owned_) : o.data_;
    position_ = o.position_;
    o.data_ = {};
    o.position_ = 0;
    return *this;
}

std::size_t MemoryStream::Read(void* buffer, std::size_t count)
{
    const auto size = static_cast<std::int64_t>(data_.size());
    if (position_ >= size) {
        return 0;
    }
    const std::size_t n = std::min(count, static_cast<std::size_t>(size - position_));
    std::memcpy(buffer, data_.data() + position_, n);
    position_ += static_cast<std::int64_t>(n);
    return n;
}

void MemoryStream::Seek(std::int64_t position)
{
    position_ = std::clamp<std::int64_t>(position, 0, static_cast<std::int64_t>(data_.size()));
}

} // namespace marlune::platform
