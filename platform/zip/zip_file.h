#pragma once
// The files the unzipper touches, over the platform's own calls: the archive, read in place
// and never changed, and each extracted file, written under a temporary name in the target
// folder and moved over its final name only when it is complete.
#include <cstddef>
#include <cstdint>
#include <string>

namespace vorlane::zip::detail {

// One open file of the platform, closed with its owner.
class FileHandle {
public:
    FileHandle() = default;
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool IsOpen() const;
    bool Close();

#ifdef _WIN32
    void* native = reinterpret_cast<void*>(-1);  // INVALID_HANDLE_VALUE
#else
    int native = -1;
#endif
};

// The archive, opened read-only; other processes may go on reading and writing it.
class ArchiveFile {
public:
    // False when the file cannot be opened; LastFileErrorText() then says why.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const;
    uint64_t Size() const { return size_; }
    // Exactly n bytes from offset; false when the file ends first or the read fails.
    bool ReadAt(uint64_t offset, void* buffer, size_t n);

private:
    FileHandle handle_;
    uint64_t size_ = 0;
};

// A file that does not exist yet, created exclusively. Destroying an unfinished one removes it.
class NewFile {
public:
    ~NewFile() { Discard(); }

    // False when the name is taken or the file cannot be created.
    bool Create(const std::string& path);
    bool Write(const void* data, size_t n);
    // Last-write time from local calendar fields (already checked to be a real date-time).
    bool SetLocalTime(int year, int month, int day, int hour, int minute, int second);
    // Closes the file and keeps it.
    bool Finish();
    // Closes and removes the file.
    void Discard();
    const std::string& Path() const { return path_; }

private:
    FileHandle handle_;
    std::string path_;
};

enum class TargetState { Missing, Writable, ReadOnly, Folder };
TargetState InspectTarget(const std::string& path);

// Attributes of an extracted file, applied after its content and time.
struct FileAttributes {
    bool dosKnown = false;      // the entry came from a DOS or Windows file system
    uint8_t dos = 0;            // its DOS attribute byte
    bool readOnly = false;
};
bool ApplyAttributes(const std::string& path, const FileAttributes& attributes);

// Folder and file name joined with the platform's separator (a final separator of either
// kind on the folder is kept).
std::string JoinTarget(const std::string& folder, const std::string& name);

}  // namespace vorlane::zip::detail
