#pragma once
// Free disk space.
#include <cstdint>
#include <optional>
#include <string>

namespace vorlane::win {

// Bytes free on the drive (a text such as "C:") that the calling user may use; nothing when
// Windows cannot tell (no such drive, not a drive text).
std::optional<uint64_t> FreeBytesAvailable(const std::string& drive);

}  // namespace vorlane::win
