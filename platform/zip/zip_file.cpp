#include "platform/zip/zip_file.h"

#include "platform/base/encoding.h"
#include "platform/base/file_io.h"
#include "platform/base/text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vorlane::zip::detail {

std::string JoinTarget(const std::string& folder, const std::string& name) {
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) return folder + name;
#ifdef _WIN32
    return folder + '\\' + name;
#else
    return folder + '/' + name;
#endif
}

#ifdef _WIN32

bool FileHandle::IsOpen() const { return native != INVALID_HANDLE_VALUE; }

bool FileHandle::Close() {
    if (!IsOpen()) return false;
    bool ok = CloseHandle(native) != 0;
    native = INVALID_HANDLE_VALUE;
    return ok;
}

bool ArchiveFile::Open(const std::string& path) {
    Close();
    HANDLE h = CreateFileW(WideFromCp1252(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(h, &size)) {
        DWORD code = GetLastError();
        CloseHandle(h);
        SetLastError(code);
        return false;
    }
    handle_.native = h;
    size_ = static_cast<uint64_t>(size.QuadPart);
    return true;
}

bool ArchiveFile::ReadAt(uint64_t offset, void* buffer, size_t n) {
    auto* p = static_cast<char*>(buffer);
    while (n > 0) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD chunk = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n), got = 0;
        if (!ReadFile(handle_.native, p, chunk, &got, &at) || got == 0) return false;
        p += got;
        n -= got;
        offset += got;
    }
    return true;
}

bool NewFile::Create(const std::string& path) {
    HANDLE h = CreateFileW(WideFromCp1252(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    handle_.native = h;
    path_ = path;
    return true;
}

bool NewFile::Write(const void* data, size_t n) {
    auto* p = static_cast<const char*>(data);
    while (n > 0) {
        DWORD chunk = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n), put = 0;
        if (!WriteFile(handle_.native, p, chunk, &put, nullptr) || put == 0) return false;
        p += put;
        n -= put;
    }
    return true;
}

bool NewFile::SetLocalTime(int year, int month, int day, int hour, int minute, int second) {
    // The same road the platform takes from a DOS date-time to a file's time: local, then UTC.
    WORD date = static_cast<WORD>(((year - 1980) << 9) | (month << 5) | day);
    WORD time = static_cast<WORD>((hour << 11) | (minute << 5) | (second / 2));
    FILETIME local, utc;
    return DosDateTimeToFileTime(date, time, &local) && LocalFileTimeToFileTime(&local, &utc) &&
           SetFileTime(handle_.native, nullptr, nullptr, &utc);
}

TargetState InspectTarget(const std::string& path) {
    DWORD a = GetFileAttributesW(WideFromCp1252(path).c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return TargetState::Missing;
    if (a & FILE_ATTRIBUTE_DIRECTORY) return TargetState::Folder;
    return (a & FILE_ATTRIBUTE_READONLY) ? TargetState::ReadOnly : TargetState::Writable;
}

bool ApplyAttributes(const std::string& path, const FileAttributes& attributes) {
    const DWORD settable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                           FILE_ATTRIBUTE_ARCHIVE;
    DWORD a;
    if (attributes.dosKnown) {
        a = attributes.dos & settable;
    } else if (attributes.readOnly) {
        a = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;
    } else {
        return true;
    }
    if (a == 0) a = FILE_ATTRIBUTE_NORMAL;
    return SetFileAttributesW(WideFromCp1252(path).c_str(), a) != 0;
}

#else

namespace {
std::string Native(const std::string& path) { return Utf8FromCp1252(path); }
}  // namespace

bool FileHandle::IsOpen() const { return native >= 0; }

bool FileHandle::Close() {
    if (!IsOpen()) return false;
    bool ok = ::close(native) == 0;
    native = -1;
    return ok;
}

bool ArchiveFile::Open(const std::string& path) {
    Close();
    int fd = ::open(Native(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        int code = errno ? errno : EINVAL;
        ::close(fd);
        errno = code;
        return false;
    }
    handle_.native = fd;
    size_ = static_cast<uint64_t>(st.st_size);
    return true;
}

bool ArchiveFile::ReadAt(uint64_t offset, void* buffer, size_t n) {
    auto* p = static_cast<char*>(buffer);
    while (n > 0) {
        ssize_t got = ::pread(handle_.native, p, n, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        p += got;
        n -= static_cast<size_t>(got);
        offset += static_cast<uint64_t>(got);
    }
    return true;
}

bool NewFile::Create(const std::string& path) {
    int fd = ::open(Native(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    handle_.native = fd;
    path_ = path;
    return true;
}

bool NewFile::Write(const void* data, size_t n) {
    auto* p = static_cast<const char*>(data);
    while (n > 0) {
        ssize_t put = ::write(handle_.native, p, n);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        p += put;
        n -= static_cast<size_t>(put);
    }
    return true;
}

bool NewFile::SetLocalTime(int year, int month, int day, int hour, int minute, int second) {
    struct tm t {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    time_t when = mktime(&t);
    if (when == static_cast<time_t>(-1)) return false;
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = when;
    times[1].tv_nsec = 0;
    return futimens(handle_.native, times) == 0;
}

TargetState InspectTarget(const std::string& path) {
    struct stat st;
    if (stat(Native(path).c_str(), &st) != 0) {
        // A dangling link still takes the name; the rename replaces the link itself.
        return lstat(Native(path).c_str(), &st) == 0 ? TargetState::Writable : TargetState::Missing;
    }
    if (S_ISDIR(st.st_mode)) return TargetState::Folder;
    return (st.st_mode & S_IWUSR) ? TargetState::Writable : TargetState::ReadOnly;
}

bool ApplyAttributes(const std::string& path, const FileAttributes& attributes) {
    if (!attributes.readOnly) return true;
    struct stat st;
    std::string native = Native(path);
    if (stat(native.c_str(), &st) != 0) return false;
    return chmod(native.c_str(), st.st_mode & 07555) == 0;
}

#endif

void ArchiveFile::Close() {
    handle_.Close();
    size_ = 0;
}

bool ArchiveFile::IsOpen() const { return handle_.IsOpen(); }

bool NewFile::Finish() {
    bool ok = handle_.Close();
    path_.clear();
    return ok;
}

void NewFile::Discard() {
    if (!handle_.IsOpen()) return;
    handle_.Close();
    RemoveFile(path_);
    path_.clear();
}

}  // namespace vorlane::zip::detail
