#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The file calls the libraries share, over POSIX: literal paths (never a
// wildcard), 64-bit sizes and offsets, descriptors closed on exec, read-only
// opens that never create and never block on a FIFO or a device.
// Failures carry the errno of the failing call (0 means success).
namespace platform {

enum class EntryKind { File, Folder, Other };

// What a path or a folder entry is. For a symbolic link, `kind`, `size`,
// `device` and `inode` describe its target (Other when it dangles).
struct FileStatus {
    EntryKind kind = EntryKind::Other;
    bool isLink = false;
    int64_t size = 0;
    int64_t modifiedSeconds = 0;  // seconds since the epoch
    uint64_t device = 0;
    uint64_t inode = 0;
};

struct FolderEntry {
    std::string name;
    FileStatus status;
};

std::optional<FileStatus> fileStatus(const std::string& path);
bool isRegularFile(const std::string& path);
bool isFolder(const std::string& path);
// The size of the regular file at `path`, or -1.
int64_t fileSize(const std::string& path);
// Whether both paths name the same file (device and inode), through links too.
bool sameFile(const std::string& first, const std::string& second);
// The absolute path with every link, "." and ".." resolved, or nullopt when
// it cannot be resolved (a missing part, a dangling link, a loop).
std::optional<std::string> resolvedPath(const std::string& path);
// Whether the resolved `path` is the resolved `folder` or lies below it.
bool liesWithin(std::string_view path, std::string_view folder);

// One whole level of a folder ("." and ".." left out), in the order the system
// gives; the folder's descriptor is closed before this returns. Fails with the
// errno of opening or reading the folder.
struct FolderListing {
    std::vector<FolderEntry> entries;
    int error = 0;
};
// Full: every entry's whole status. Kinds: the kind and link flag of every
// entry, and a folder's device and inode, but a plain file (not a link) gets
// no further status (size, time and identity stay 0), which spares a status
// call per file where the folder itself tells the kind.
enum class FolderDetail { Full, Kinds };
FolderListing readFolder(const std::string& path, FolderDetail detail = FolderDetail::Full);

// The roots offered as drives: "/", then the user's home folder ($HOME, when
// it is an absolute path other than "/"), without a trailing "/".
std::vector<std::string> driveList();

// Creates one folder level (a missing parent fails). Returns the errno, 0 on success.
int createFolder(const std::string& path);

// Renames `from` to `to`. Without `replaceExisting` a file at `to` is never
// replaced: the call fails with EEXIST. Returns the errno, 0 on success.
int moveFile(const std::string& from, const std::string& to, bool replaceExisting);

// Sets the length of the regular file at `path`, cutting or extending it
// with zero bytes. Returns the errno, 0 on success.
int resizeFile(const std::string& path, int64_t length);

// Reads the whole regular file at `path` into `out`; a file larger than
// `maxBytes` fails with EFBIG before anything is read. Returns the errno, 0 on success.
int readWholeFile(const std::string& path, std::string& out, int64_t maxBytes = INT64_MAX);

// An open file descriptor, closed with the object.
class File {
  public:
    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens an existing regular file for reading; never creates, never blocks
    // on a FIFO or device (those fail with EINVAL).
    static File openForReading(const std::string& path, int* error = nullptr);
    // Opens an existing regular file for reading and writing (EINVAL otherwise).
    static File openForUpdate(const std::string& path, int* error = nullptr);
    // Creates the file for reading and writing, or empties an existing regular one. A symbolic link
    // at the target is removed and replaced by the new file, never followed.
    static File createReplacing(const std::string& path, int* error = nullptr);

    // Takes ownership of an open descriptor.
    static File adopt(int fd) { return File(fd); }

    bool isOpen() const { return fd_ >= 0; }
    int descriptor() const { return fd_; }
    // The current size, or -1.
    int64_t size() const;
    // Reads up to `length` bytes at `offset`; fewer at the end of the file.
    // Returns the errno, 0 on success.
    int readAt(int64_t offset, int64_t length, std::string& out) const;
    // Writes all of `bytes` at `offset`. Returns the errno, 0 on success.
    int writeAt(int64_t offset, std::string_view bytes) const;
    // Flushes the file to its device. Returns the errno, 0 on success.
    int sync() const;
    void close();

  private:
    explicit File(int fd) : fd_(fd) {}
    int fd_ = -1;
};

// A file written beside `target` under a temporary name and renamed over it
// only by commit(), so the target is either left as it was or replaced whole.
// Dropped without commit, the temporary file is removed. The new file keeps
// the permissions of the one it replaces (0644 when there was none).
class ReplacementFile {
  public:
    explicit ReplacementFile(std::string target);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // The errno of creating the temporary file, 0 when it is ready.
    int openError() const { return openError_; }
    // Appends bytes. Returns the errno, 0 on success.
    int write(std::string_view bytes);
    // Flushes and renames over the target. Returns the errno, 0 on success.
    int commit();

  private:
    std::string target_;
    std::string temporary_;
    File file_;
    int64_t written_ = 0;
    int openError_ = 0;
    bool committed_ = false;
};

}  // namespace platform
