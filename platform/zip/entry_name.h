#pragma once
// Names stored in ZIP entries, read as Windows-1252 text, and the one file name each entry may
// take in the target folder.
#include <cstdint>
#include <string>
#include <string_view>

namespace vorlane::zip {

// The stored bytes of a name as Windows-1252 text. UTF-8 when the entry says so (flag bit 11
// or an Info-ZIP Unicode path field whose check value matches), or when a Unix host stored
// valid UTF-8; otherwise the OEM code page of DOS and Windows hosts (850). Characters that
// Windows-1252 lacks become '?'.
std::string DecodeEntryName(std::string_view raw, bool utf8Flag, int host, std::string_view unicodePath);

// The part after the last "/" or "\" (the whole name when it has neither).
std::string LastComponent(std::string_view name);

// A file name with its letters in one case, as Windows compares names: ASCII and the
// accented letters of Windows-1252. Two entries whose folded names are equal write the same
// file.
std::string FoldedFileName(std::string_view name);

}  // namespace vorlane::zip
