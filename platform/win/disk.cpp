#include "platform/win/disk.h"

#include <windows.h>

#include "platform/base/encoding.h"

namespace vorlane::win {

std::optional<uint64_t> FreeBytesAvailable(const std::string& drive) {
    if (drive.empty()) return std::nullopt;
    ULARGE_INTEGER available, total, free;
    if (!GetDiskFreeSpaceExW(WideFromCp1252(drive).c_str(), &available, &total, &free)) return std::nullopt;
    return available.QuadPart;
}

}  // namespace vorlane::win
