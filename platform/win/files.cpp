#include "platform/win/files.h"

#include "platform/base/encoding.h"

namespace vorlane::win {

namespace {
bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// "C:", "C:\" and "\\server\share" have no parent to create.
bool IsRootOrShare(const std::string& path) {
    if (path.size() == 2 && path[1] == ':') return true;
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        size_t server = path.find_first_of("\\/", 2);
        return server == std::string::npos || path.find_first_of("\\/", server + 1) == std::string::npos;
    }
    return false;
}
}  // namespace

bool ForceDirectories(const std::string& path) {
    std::string folder = path;
    while (folder.size() > 1 && IsSeparator(folder.back())) folder.pop_back();
    if (IsBlank(folder)) return false;
    if (FolderExists(folder)) return true;
    if (IsRootOrShare(folder)) return false;
    size_t cut = folder.find_last_of("\\/");
    if (cut != std::string::npos && cut > 0 && !ForceDirectories(folder.substr(0, cut))) return false;
    if (CreateDirectoryW(WideFromCp1252(folder).c_str(), nullptr)) return true;
    // Someone else may have made it in the meantime.
    return FolderExists(folder);
}

bool DeleteFile(const std::string& path) { return ::DeleteFileW(WideFromCp1252(path).c_str()) != 0; }

bool RemoveFolder(const std::string& path) { return ::RemoveDirectoryW(WideFromCp1252(path).c_str()) != 0; }

StringList ListFolder(const std::string& folder) {
    StringList names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileExW(WideFromCp1252(JoinPath(folder, "*")).c_str(), FindExInfoBasic, &data,
                                   FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") names.push_back(Cp1252FromWide(name));
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

bool CopyFile(const std::string& from, const std::string& to, bool overwrite) {
    return ::CopyFileW(WideFromCp1252(from).c_str(), WideFromCp1252(to).c_str(), overwrite ? FALSE : TRUE) != 0;
}

bool ReplaceFile(const std::string& from, const std::string& to) {
    return MoveFileExW(WideFromCp1252(from).c_str(), WideFromCp1252(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

std::optional<DateTime> FileModified(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(WideFromCp1252(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
    FILETIME local;
    WORD dosDate = 0, dosTime = 0;
    if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToDosDateTime(&local, &dosDate, &dosTime))
        return std::nullopt;
    int year = 1980 + (dosDate >> 9), month = (dosDate >> 5) & 15, day = dosDate & 31;
    int hour = dosTime >> 11, minute = (dosTime >> 5) & 63, second = (dosTime & 31) * 2;
    if (!IsValidDate(year, month, day)) return std::nullopt;
    return EncodeDateTime(year, month, day, hour, minute, second);
}

}  // namespace vorlane::win
