#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Whole-file reads and atomic replacement, shared by the settings files and
// everything else that must never leave a half-written file behind.
namespace marlune::platform {

// The largest file ReadWholeFile reads: a settings file is a few kilobytes,
// and one beyond this is not read at all (it counts as unreadable).
inline constexpr std::size_t kMaxWholeFileSize = std::size_t{16} << 20;

// Why the last ReadWholeFile or UpdateFileAtomically on this thread failed:
// the platform's last-error code for these files. Set to None when a call
// succeeds.
enum class FileFailure {
    None,
    Unreadable,    // cannot be opened or read, not a regular file, or too large
    Locked,        // another program held the lock for longer than the wait limit
    NotUnderstood, // holds content a rewrite would lose; left as it is
    ReadOnly,      // the file's or its directory's permissions forbid the change
    Unwritable,    // the new file could not be written or put in place
};
FileFailure LastFileFailure();
void SetLastFileFailure(FileFailure failure);

// How long UpdateFileAtomically waits for a lock another program holds before
// it fails with FileFailure::Locked; 5 seconds unless set (tests set less).
void SetLockWaitLimit(std::chrono::milliseconds limit);

// While it lives, every lock wait of this thread ends by one deadline, `total`
// from now: a run of calls that each find the lock held waits that long in
// all, not once per call. Scopes nest; the earlier deadline holds.
class LockWaitBudget {
public:
    explicit LockWaitBudget(std::chrono::milliseconds total);
    ~LockWaitBudget();
    LockWaitBudget(const LockWaitBudget&) = delete;
    LockWaitBudget& operator=(const LockWaitBudget&) = delete;

private:
    std::chrono::steady_clock::time_point previous_;
};

struct FileContents {
    enum class State { Missing, Read, Failed } state = State::Missing;
    std::string bytes;
};
FileContents ReadWholeFile(const std::string& path);

// Atomically replaces a file under its lock file: `edit` gets the current
// contents (nothing when the file does not exist) and returns the new
// contents, or nothing to leave the file alone. False when the file cannot be
// read, locked, written or replaced (LastFileFailure tells which); the old
// file is then unchanged. The lock is waited for a bounded time only. A
// change fails when the permissions of the file (mode 0444) or of its
// directory forbid writing, judged by the mode bits as well, so that it
// fails alike for every user, root included; an edit that changes nothing
// succeeds there, lock file or not. With
// `createDirectory` the file's directory is made first if it is missing.
bool UpdateFileAtomically(
    const std::string& path,
    const std::function<std::optional<std::string>(const std::optional<std::string>&)>& edit,
    bool createDirectory = false);

// Puts `bytes` in place as the file `path` at once: they are written to a
// fresh temporary file beside it (created exclusively, so never over an
// existing file or through a link), flushed, and renamed over `path`; the
// temporary file is removed on every failure. The new file keeps the mode of
// the file it replaces. 0 on success, else the errno of the step that
// failed: EISDIR, before anything is written, when `path` is a directory.
int ReplaceFile(const std::string& path, std::string_view bytes);
// The same for a file the user saves: a failure raises marlune::Error
// "Cannot create file PATH: reason".
void SaveFileReplacing(const std::string& path, std::string_view bytes);

// A new file beside the one it is to become: created exclusively under a
// fresh name (never over an existing file, never through a link), removed on
// every way out unless Install put it in place.
class PendingFile {
public:
    PendingFile() = default;
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Creates `prefix` + a unique ending, open for writing. 0, or the errno.
    int Create(const std::string& prefix);
    int Descriptor() const { return fd_; }
    const std::string& Path() const { return path_; } // empty once installed
    // Flushes the file to the disk and renames it to `path` (replacing any
    // file of that name in one step), then makes the rename durable. 0, or
    // the errno of the step that failed; the file is then still pending.
    // Without `replace` a file of that name, even one that appeared a moment
    // ago, is never replaced: EEXIST.
    int Install(const std::string& path, bool replace = true);

private:
    int fd_ = -1;
    std::string path_;
};

} // namespace marlune::platform
