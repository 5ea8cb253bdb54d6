#pragma once
// Folders, files and archive bytes for the unzipper and name tests, the same on the host and
// under Wine. Paths are Windows-1252 text, as the code under test takes them.
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace ziptest {

// A path below the build folder; under Wine the build's Unix path is reached through Z:.
std::string BuildPath(const std::string& relative);
// An archive made by make-fixtures.sh.
std::string Fixture(const std::string& name);
std::string Join(const std::string& folder, const std::string& name);

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
void MakeFolder(const std::string& path);
// Removes everything inside a folder, read-only files too.
void EmptyFolder(const std::string& folder);
// Names of everything directly inside a folder.
std::set<std::string> Names(const std::string& folder);
void SetReadOnly(const std::string& path, bool readOnly);
bool IsReadOnly(const std::string& path);

// The text make-fixtures.sh writes for a seed and a size in kilobytes.
std::string FixtureText(const std::string& seed, int kilobytes);

// A fresh folder under build/zip-work named after the running test, removed afterwards.
class WorkFolder {
public:
    WorkFolder();
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    const std::string& Root() const { return root_; }
    std::string Path(const std::string& name) const { return Join(root_, name); }

private:
    std::string root_;
};

// Where the records of an archive lie, to damage a copy of a real archive in one place.
struct ArchiveMap {
    size_t end = 0;                 // end of central directory record
    size_t directory = 0;           // first central directory header
    std::vector<size_t> central;    // each entry's central header
    std::vector<size_t> local;      // each entry's local header
    std::vector<size_t> data;       // each entry's data
    std::vector<std::string> names;
    size_t Index(const std::string& name) const;
};
ArchiveMap MapArchive(const std::string& bytes);
uint16_t Get16(const std::string& b, size_t at);
uint32_t Get32(const std::string& b, size_t at);
void Put16(std::string& b, size_t at, uint16_t v);
void Put32(std::string& b, size_t at, uint32_t v);

}  // namespace ziptest
