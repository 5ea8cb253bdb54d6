#pragma once
// Support of the end-to-end tests: the shipped installer started as its own process and
// driven through its windows, the company folder of an FTP server on the Linux side (reached
// through Wine's Z: drive), and file trees read back and compared.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vorlane::e2e {

// A Linux path as Wine's Z: drive shows it.
std::string WindowsPath(const std::string& linuxPath);
// The Linux path in an environment variable given by the test's ctest entry, as a Z: path.
std::string PathFromEnvironment(const char* name);

std::string ReadFileBytes(const std::string& path);
// A file's last write time in 100 ns units (UTC); 0 when it is missing.
uint64_t WriteTime(const std::string& path);
// Sets a file's last write time, in seconds since 1970 (UTC).
void SetWriteTime(const std::string& path, int64_t unixSeconds);
int64_t UnixNow();

// A file tree: the relative path of every file (folders joined by a backslash) with its bytes;
// a folder appears as its relative path with a final backslash and no bytes.
using Tree = std::map<std::string, std::string>;
Tree ReadTree(const std::string& folder);
// Compares a tree with what is expected, naming every missing and unexpected entry and every
// file whose bytes differ (by size and first differing offset, not by dumping the bytes).
::testing::AssertionResult SameTree(const Tree& actual, const Tree& expected);
// Every file of folder with its write time.
std::map<std::string, uint64_t> WriteTimes(const std::string& folder);

// The login folder of one of the fixture's FTP servers. It keeps what it wrote, so the tests
// can tell what the installer must have fetched.
class ServerFolder {
public:
    // server: "principal" or "nomes" (see servidores.sh). The company server "principal" is
    // pyftpdlib unless the test's ctest entry names another folder of the fixtures in
    // VORLANE_E2E_SERVIDOR: "vsftpd", "proftpd" or "pure-ftpd", a production daemon that
    // tools/ftpd/daemon_ftp.py runs there.
    explicit ServerFolder(const std::string& server);
    // The address to type into the wizard: "127.0.0.1:<port>".
    std::string Address() const;
    // Removes everything in the login folder (only for the server whose names Windows can hold).
    void Clear();
    // Writes a file (name relative to the login folder, folders made as needed) dated
    // unixSeconds.
    void Put(const std::string& name, const std::string& bytes, int64_t unixSeconds);
    void SetTime(const std::string& name, int64_t unixSeconds);
    void Remove(const std::string& name);
    const std::string& Bytes(const std::string& name) const;
    bool Holds(const std::string& name) const { return written_.count(name) != 0; }
    // The names of the login folder in the order the server lists them (NLST), asked over a
    // bare control connection of the test's own, apart from the installer's client. pyftpdlib
    // and vsftpd sort them; ProFTPD and Pure-FTPd give the folder's order on disk (Pure-FTPd
    // with "." and ".."), which the installer takes as it comes.
    std::vector<std::string> ListedNames() const;
    std::string Path(const std::string& name) const { return root_ + "\\" + name; }

private:
    std::string root_;
    std::string port_;
    std::map<std::string, std::string> written_;
};

// A message dialog of the installer as it showed when it was found.
struct Dialog {
    HWND window = nullptr;
    std::string title;
    std::vector<std::string> lines;  // the text split at CR LF
    std::string Text() const;
};

// InstaladorVorlane.exe started as its own process in a given current folder. The process is
// ended when the object goes, if it is still running.
class Installer {
public:
    Installer(const std::string& exePath, const std::string& currentFolder);
    ~Installer();
    Installer(const Installer&) = delete;
    Installer& operator=(const Installer&) = delete;

    bool Started() const { return window_ != nullptr; }
    HWND Window() const { return window_; }
    HWND Control(int id) const;
    std::string Text(int id) const;
    bool Enabled(int id) const;
    bool Visible(int id) const;
    bool Checked(int id) const;
    // The index of the notebook page that is showing; -1 when none is.
    int Page() const;
    ::testing::AssertionResult WaitForPage(int page, int timeoutMs = 15000) const;
    ::testing::AssertionResult WaitForEnabled(int id, int timeoutMs = 15000) const;
    ::testing::AssertionResult WaitForText(int id, const std::string& text, int timeoutMs) const;

    // From now on buttons are clicked, fields typed into and dialogs answered with the real
    // pointer and keyboard (tools/driver/real_input.h) instead of window messages.
    void UseRealInput() { realInput_ = true; }
    bool RealInput() const { return realInput_; }

    // Presses a button; endsProgram when the press is to end the program, so that the program
    // may be gone before it could be seen taking the press.
    void Press(int id, bool endsProgram = false) const;
    // Replaces the text of an edit as a user does: select all, then type.
    void Type(int id, const std::string& text) const;
    void PressEnterIn(int id) const;

    // The next message dialog of the installer, or nothing after timeoutMs.
    std::optional<Dialog> WaitForDialog(int timeoutMs) const;
    // A dialog or an error box of the installer showing right now.
    std::optional<Dialog> DialogShowing() const;
    // Presses one of the dialog's buttons and waits until the dialog has gone.
    ::testing::AssertionResult Answer(const Dialog& dialog, int buttonId) const;

    // Waits for the run started on the summary page to end on the given page. Every dialog met
    // on the way fails the test and is answered with its OK button.
    ::testing::AssertionResult WaitForRunEnd(int page, int timeoutMs = 90000) const;
    // Waits for the run to show a dialog; fails when the run ends on the end page first.
    std::optional<Dialog> WaitForRunDialog(int timeoutMs = 90000) const;

    // Waits for the process to end; its exit code, or nothing on timeout.
    std::optional<DWORD> WaitForExit(int timeoutMs) const;

private:
    PROCESS_INFORMATION process_ = {};
    HWND window_ = nullptr;
    bool realInput_ = false;
};

}  // namespace vorlane::e2e
