#pragma once
// Reading the registry. The system never writes to it.
#include <windows.h>

#include <optional>
#include <string>

namespace vorlane::win {

// The text of a string value (REG_SZ, or REG_EXPAND_SZ left unexpanded) under root\subkey;
// nothing when the key or the value is missing or the value is of another type.
std::optional<std::string> ReadRegistryString(HKEY root, const std::string& subkey, const std::string& value);

}  // namespace vorlane::win
