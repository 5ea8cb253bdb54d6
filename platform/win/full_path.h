#pragma once
// The full form of a path (GetFullPathNameW), used inside this layer.
#include <string>

namespace vorlane::win::detail {

// The path in full form, taken from the current folder when relative; empty when Windows
// cannot form it.
std::wstring FullPath(const std::wstring& path);

}  // namespace vorlane::win::detail
