#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace marlune::platform {

// A small sequential read interface over a file or a block of memory.
class Stream {
public:
    virtual ~Stream() = default;
    // Reads up to count bytes; returns the number read (0 at the end).
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    virtual std::int64_t Size() const = 0;
    virtual std::int64_t Position() const = 0;
    virtual void Seek(std::int64_t position) = 0;
};

// A file opened for reading, shared with other readers but not writers
// (an advisory shared lock is held while it is open). Raises
// "Cannot open file %s" when it cannot be opened.
class FileStream final : public Stream {
public:
    explicit FileStream(const std::string& fileName);
    ~FileStream() override;
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    std::size_t Read(void* buffer, std::size_t count) override;
    std::int64_t Size() const override { return size_; }
    std::int64_t Position() const override { return position_; }
    void Seek(std::int64_t position) override;

private:
    int fd_ = -1;
    std::int64_t size_ = 0;
    std::int64_t position_ = 0;
};

// Reads from bytes it holds (or from a view of bytes the caller keeps alive).
class MemoryStream final : public Stream {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::string bytes) : owned_(std::move(bytes)), data_(owned_) {}
    static MemoryStream View(std::string_view bytes)
    {
        MemoryStream s;
        s.data_ = bytes;
        return s;
    }
    MemoryStream(MemoryStream&& o) noexcept { *this = std::move(o); }
    MemoryStream& operator=(MemoryStream&& o) noexcept;

    std::size_t Read(void* buffer, std::size_t count) override;
    std::int64_t Size() const override { return static_cast<std::int64_t>(data_.size()); }
    std::int64_t Position() const override { return position_; }
    void Seek(std::int64_t position) override;

private:
    std::string owned_;
    std::string_view data_;
    std::int64_t position_ = 0;
};

} // namespace marlune::platform
