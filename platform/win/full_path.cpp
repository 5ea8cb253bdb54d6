#include "platform/win/full_path.h"

#include <windows.h>

namespace vorlane::win::detail {

std::wstring FullPath(const std::wstring& path) {
    if (path.empty()) return {};
    DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return {};
    std::wstring full(size, L'\0');
    size = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (size == 0 || size >= full.size()) return {};
    full.resize(size);
    return full;
}

}  // namespace vorlane::win::detail
