#pragma once
// Helpers of the Windows-tier tests: a scratch folder per test, file bytes, registry values
// restored after a test changes them.
#include <windows.h>

#include <string>
#include <vector>

namespace vorlane::wintest {

// A new empty folder under the user's temporary folder, removed with all its contents at the
// end. path() ends without a backslash.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& name);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// Removes a file or folder tree, clearing read-only and hidden attributes on the way.
void RemoveTree(const std::string& path);

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
// Makes folder the current folder until it goes out of scope.
class CurrentFolderGuard {
public:
    explicit CurrentFolderGuard(const std::string& folder);
    ~CurrentFolderGuard();
    CurrentFolderGuard(const CurrentFolderGuard&) = delete;
    CurrentFolderGuard& operator=(const CurrentFolderGuard&) = delete;

private:
    std::wstring previous_;
};

// The folder of this test executable, ending without a backslash.
std::string ExeFolder();

// One start noted by the recorder program (tools/recorder), in Windows-1252.
struct RecordedStart {
    std::string commandLine;
    std::string currentFolder;
    std::vector<std::string> argv;  // the command line split as the C runtime splits it
};
// The starts noted in folder\recorder-log.txt so far, waiting up to timeoutMs for the first.
std::vector<RecordedStart> WaitForRecordedStarts(const std::string& folder, int timeoutMs = 20000);

// Whether the program exePath was started by whoever ran before this call: a process of that
// image is running, or the recorder standing in for it has noted its start in its folder. The
// programs under test start others with CreateProcess, whose process exists when it returns, so
// this needs no waiting once the starter has done its step.
bool ProgramWasStarted(const std::string& exePath);

// Saves a registry value and puts it back (or deletes it again) when it goes out of scope.
class RegistryValueGuard {
public:
    RegistryValueGuard(HKEY root, const std::string& subkey, const std::string& name);
    ~RegistryValueGuard();
    RegistryValueGuard(const RegistryValueGuard&) = delete;
    RegistryValueGuard& operator=(const RegistryValueGuard&) = delete;
    void Set(const std::string& text, DWORD type = REG_SZ);
    void Delete();

private:
    HKEY root_;
    std::wstring subkey_, name_;
    bool existed_ = false;
    DWORD type_ = 0;
    std::vector<BYTE> data_;
};

}  // namespace vorlane::wintest
