#pragma once
// The unzipper: reads a ZIP archive's central directory and extracts every file entry flat
// into one folder, each under the last component of its stored name.
//
// Opening reports its failures as vorlane::Error with fixed texts ("File not found",
// "Invalid Stream", "Unhandled Archive Type", "Directory does not exist",
// "Invalid file - not a PKZip file", "Stream read error", or the platform's text for a file
// that cannot be opened). Extraction never raises for an entry: each entry's outcome is kept
// in Results(), and the next entry is extracted all the same.
//
// Every file is written under a temporary name in the target folder and moved over its final
// name only when its data is complete and its CRC-32 matches, so a damaged entry never
// replaces a good file. Memory stays the same whatever the size of an entry.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vorlane::zip {

struct Entry {
    std::string name;             // stored name, as Windows-1252 text
    uint16_t versionMadeBy = 0;   // high byte: host system
    uint16_t versionNeeded = 0;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint16_t dosTime = 0;
    uint16_t dosDate = 0;
    uint32_t crc = 0;
    uint64_t compressedSize = 0;
    uint64_t size = 0;
    uint64_t localHeaderOffset = 0;
    uint32_t externalAttributes = 0;

    int Host() const { return versionMadeBy >> 8; }
    bool IsEncrypted() const { return (flags & 1) != 0; }
    bool IsFolder() const;
    bool IsSymlink() const;
};

enum class Outcome {
    Extracted,
    SkippedFolder,       // a folder entry: no folder is created
    SkippedName,         // empty, unsafe or unrepresentable file name
    SkippedLink,         // a symbolic link: links are never created
    SkippedReadOnly,     // an existing read-only file of that name is left alone
    Encrypted,           // no password is known
    UnsupportedMethod,   // read: stored, deflated, Deflate64, BZip2, LZMA and PPMd entries
    UnsupportedVersion,  // needs a version of the format above 6.3
    Corrupt,             // bad local header, damaged or short data
    CrcMismatch,         // data complete but its CRC-32 is wrong
    Oversized,           // inflates past its declared size
    LimitReached,        // the archive's total output limit: this entry and the rest not written
    WriteFailed,         // the file could not be written or put in place
    OutOfMemory,         // the method's dictionary or model does not fit in memory
};
const char* OutcomeName(Outcome outcome);

struct EntryResult {
    std::string name;       // stored name
    std::string fileName;   // the name it takes in the target folder
    Outcome outcome;
};

class Unzipper {
public:
    Unzipper();
    ~Unzipper();
    Unzipper(const Unzipper&) = delete;
    Unzipper& operator=(const Unzipper&) = delete;

    // The folder that receives the files. Checked when the archive is opened.
    void SetBaseDirectory(const std::string& folder);
    const std::string& BaseDirectory() const;

    // Opens the archive read-only (others may still read and write it) and reads its
    // central directory. Throws vorlane::Error; leaves the unzipper closed on failure.
    void Open(const std::string& archive);
    void Close();
    bool IsOpen() const;
    const std::vector<Entry>& Entries() const;

    // Extracts every entry with a non-empty name; Results() are in central-directory order.
    // Later entries of the same file name win. Entries are written by a few threads at once
    // (the calling thread among them); it returns when all are done. Once the entries'
    // declared sizes, in directory order, would pass min(1 GiB, 200 x archive size), that
    // entry and the rest are not written.
    void ExtractAll();
    const std::vector<EntryResult>& Results() const;
    uint64_t OutputLimit() const;

private:
    struct State;
    std::unique_ptr<State> s_;
};

}  // namespace vorlane::zip
