// Winsock 2 before <windows.h>, which would bring the older winsock.h.
#include <winsock2.h>

#include "tests/e2e/e2e_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "dialogs/UMensagem.h"
#include "platform/base/encoding.h"
#include "platform/base/text.h"
#include "platform/win/files.h"
#include "tests/win/support.h"
#include "tools/driver/driver.h"
#include "tools/driver/real_input.h"
#include "wizard/control_ids.h"

namespace vorlane::e2e {

namespace drv = vorlane::driver;

namespace {
// As long as the driver lets a window take to answer (see tools/driver).
const int kMessageMs = 30000;
// Between 1601 and 1970, in 100 ns units.
const uint64_t kEpochDifference = 116444736000000000ULL;

std::wstring Wide(const std::string& s) { return WideFromCp1252(s); }

void ReadTreeInto(const std::string& folder, const std::string& prefix, Tree& tree) {
    for (const std::string& name : win::ListFolder(folder)) {
        const std::string full = folder + "\\" + name;
        if (FolderExists(full)) {
            tree[prefix + name + "\\"] = "";
            ReadTreeInto(full, prefix + name + "\\", tree);
        } else {
            tree[prefix + name] = ReadFileBytes(full);
        }
    }
}

std::string Difference(const std::string& actual, const std::string& expected) {
    auto at = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    std::ostringstream out;
    out << actual.size() << " bytes, expected " << expected.size() << "; first difference at byte "
        << (at.first - actual.begin());
    if (actual.size() < 200 && expected.size() < 200)
        out << ": \"" << Utf8FromCp1252(actual) << "\" instead of \"" << Utf8FromCp1252(expected) << "\"";
    return out.str();
}

HWND FindChildWindow(HWND parent, int id) { return parent ? drv::FindChildById(parent, id) : nullptr; }

// A bare FTP exchange of the test's own on loopback (RFC 959), to learn how a server lists
// its folder. Every receive gives up after kMessageMs, so a server that stops answering fails
// the test instead of holding it.
class FtpExchange {
public:
    explicit FtpExchange(int port) : control_(Connect(port)) {}
    ~FtpExchange() {
        if (control_ != INVALID_SOCKET) closesocket(control_);
    }
    FtpExchange(const FtpExchange&) = delete;
    FtpExchange& operator=(const FtpExchange&) = delete;

    static SOCKET Connect(int port) {
        SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (s == INVALID_SOCKET) return s;
        DWORD timeout = kMessageMs;
        setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<u_short>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            closesocket(s);
            return INVALID_SOCKET;
        }
        return s;
    }

    // The next reply: its lines up to the one that starts with the first line's code and a
    // space; empty when the connection ends or goes silent first.
    std::string Reply() {
        std::string reply, code;
        for (;;) {
            size_t end;
            while ((end = pending_.find("\r\n")) == std::string::npos) {
                char buffer[4096];
                int n = recv(control_, buffer, sizeof buffer, 0);
                if (n <= 0) return "";
                pending_.append(buffer, static_cast<size_t>(n));
            }
            const std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 2);
            reply += line + "\n";
            if (code.empty()) code = line.substr(0, 3);
            if (line.size() >= 4 && line.compare(0, 3, code) == 0 && line[3] == ' ') return reply;
        }
    }

    std::string Command(const std::string& line) {
        const std::string sent = line + "\r\n";
        if (send(control_, sent.data(), static_cast<int>(sent.size()), 0) != static_cast<int>(sent.size())) return "";
        return Reply();
    }

    bool Connected() const { return control_ != INVALID_SOCKET; }

private:
    SOCKET control_;
    std::string pending_;
};

// The port of a passive reply "227 ... (h1,h2,h3,h4,p1,p2)"; the address is the loopback's.
int PassivePort(const std::string& reply) {
    const size_t open = reply.find('(');
    int h1, h2, h3, h4, p1, p2;
    if (open == std::string::npos ||
        std::sscanf(reply.c_str() + open, "(%d,%d,%d,%d,%d,%d)", &h1, &h2, &h3, &h4, &p1, &p2) != 6)
        return 0;
    return p1 * 256 + p2;
}

// The text of a system message box (the top-level error box) is in its static controls.
BOOL CALLBACK AppendStaticText(HWND child, LPARAM data) {
    if (drv::ClassName(child) == "Static") *reinterpret_cast<std::string*>(data) += drv::WindowText(child);
    return TRUE;
}
}  // namespace

std::string WindowsPath(const std::string& linuxPath) {
    std::string path = "Z:" + linuxPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    while (path.size() > 3 && path.back() == '\\') path.pop_back();
    return path;
}

std::string PathFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value) {
        ADD_FAILURE() << name << " is not set: run this test through ctest";
        return "Z:\\nonexistent";
    }
    return WindowsPath(value);
}

std::string ReadFileBytes(const std::string& path) { return wintest::ReadBytes(path); }

uint64_t WriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) return 0;
    return (uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

void SetWriteTime(const std::string& path, int64_t unixSeconds) {
    HANDLE h = CreateFileW(Wide(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    uint64_t ticks = uint64_t(unixSeconds) * 10000000ULL + kEpochDifference;
    FILETIME when{DWORD(ticks), DWORD(ticks >> 32)};
    BOOL ok = SetFileTime(h, nullptr, nullptr, &when);
    CloseHandle(h);
    ASSERT_TRUE(ok) << path;
}

int64_t UnixNow() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    uint64_t ticks = (uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return int64_t((ticks - kEpochDifference) / 10000000ULL);
}

Tree ReadTree(const std::string& folder) {
    Tree tree;
    ReadTreeInto(folder, "", tree);
    return tree;
}

::testing::AssertionResult SameTree(const Tree& actual, const Tree& expected) {
    std::ostringstream problems;
    for (const auto& [name, bytes] : expected) {
        auto found = actual.find(name);
        if (found == actual.end()) {
            problems << "\n  missing: " << Utf8FromCp1252(name);
            // Under another letter case, the name is all that is wrong when the bytes match.
            for (const auto& [other, otherBytes] : actual)
                if (!expected.count(other) && EqualsIgnoreAsciiCase(other, name))
                    problems << " (present as " << Utf8FromCp1252(other) << ", "
                             << (otherBytes == bytes ? "same bytes" : Difference(otherBytes, bytes)) << ")";
        } else if (found->second != bytes)
            problems << "\n  different: " << Utf8FromCp1252(name) << " (" << Difference(found->second, bytes) << ")";
    }
    for (const auto& [name, bytes] : actual)
        if (!expected.count(name)) problems << "\n  unexpected: " << Utf8FromCp1252(name);
    if (problems.str().empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the tree differs:" << problems.str();
}

std::map<std::string, uint64_t> WriteTimes(const std::string& folder) {
    std::map<std::string, uint64_t> times;
    for (const auto& [name, bytes] : ReadTree(folder))
        if (name.back() != '\\') times[name] = WriteTime(folder + "\\" + name);
    return times;
}

// --- ServerFolder ---

ServerFolder::ServerFolder(const std::string& server) {
    const char* daemon = std::getenv("VORLANE_E2E_SERVIDOR");
    const std::string folder = server == "principal" && daemon && *daemon ? daemon : server;
    const std::string base = PathFromEnvironment("VORLANE_E2E_FTP") + "\\" + folder;
    root_ = base + "\\raiz";
    port_ = ReadFileBytes(base + "\\porta");
    if (port_.empty() || port_ == "<missing>") ADD_FAILURE() << "the FTP server " << folder << " is not running";
}

std::string ServerFolder::Address() const { return "127.0.0.1:" + port_; }

std::vector<std::string> ServerFolder::ListedNames() const {
    std::vector<std::string> names;
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
        ADD_FAILURE() << "WSAStartup failed";
        return names;
    }
    {
        FtpExchange ftp(std::atoi(port_.c_str()));
        std::string greeting = ftp.Connected() ? ftp.Reply() : "";
        // The installer's account on every server of the fixtures.
        std::string login = greeting.rfind("220", 0) == 0 ? ftp.Command("USER ravelco") : "";
        if (login.rfind("331", 0) == 0) login = ftp.Command("PASS pomelito");
        const std::string passive = login.rfind("230", 0) == 0 ? ftp.Command("PASV") : "";
        const int dataPort = passive.rfind("227", 0) == 0 ? PassivePort(passive) : 0;
        SOCKET data = dataPort ? FtpExchange::Connect(dataPort) : INVALID_SOCKET;
        const std::string opened = data != INVALID_SOCKET ? ftp.Command("NLST") : "";
        std::string listing;
        if (opened.rfind("1", 0) == 0) {
            char buffer[4096];
            for (int n; (n = recv(data, buffer, sizeof buffer, 0)) > 0;) listing.append(buffer, static_cast<size_t>(n));
        }
        if (data != INVALID_SOCKET) closesocket(data);
        const std::string done = opened.rfind("1", 0) == 0 ? ftp.Reply() : "";
        if (done.rfind("2", 0) != 0)
            ADD_FAILURE() << "the server on port " << port_ << " did not list its names: " << greeting << login
                          << passive << opened << done;
        ftp.Command("QUIT");
        for (size_t start = 0; start < listing.size();) {
            size_t end = listing.find('\n', start);
            if (end == std::string::npos) end = listing.size();
            std::string name = listing.substr(start, end - start);
            if (!name.empty() && name.back() == '\r') name.pop_back();
            if (!name.empty()) names.push_back(name);
            start = end + 1;
        }
    }
    WSACleanup();
    return names;
}

void ServerFolder::Clear() {
    for (const std::string& name : win::ListFolder(root_)) wintest::RemoveTree(root_ + "\\" + name);
    written_.clear();
    EXPECT_TRUE(win::ListFolder(root_).empty()) << "could not empty " << root_;
}

void ServerFolder::Put(const std::string& name, const std::string& bytes, int64_t unixSeconds) {
    const std::string path = Path(name);
    const size_t cut = path.find_last_of('\\');
    ASSERT_TRUE(win::ForceDirectories(path.substr(0, cut))) << path;
    wintest::WriteBytes(path, bytes);
    SetWriteTime(path, unixSeconds);
    written_[name] = bytes;
}

void ServerFolder::SetTime(const std::string& name, int64_t unixSeconds) { SetWriteTime(Path(name), unixSeconds); }

void ServerFolder::Remove(const std::string& name) {
    EXPECT_TRUE(win::DeleteFile(Path(name))) << name;
    written_.erase(name);
}

const std::string& ServerFolder::Bytes(const std::string& name) const {
    static const std::string none = "<not on the server>";
    auto found = written_.find(name);
    return found == written_.end() ? none : found->second;
}

// --- Dialog ---

std::string Dialog::Text() const {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) text += (i ? "\r\n" : "") + lines[i];
    return text;
}

// --- Installer ---

Installer::Installer(const std::string& exePath, const std::string& currentFolder) {
    std::wstring commandLine = L"\"" + Wide(exePath) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessW(Wide(exePath).c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        Wide(currentFolder).c_str(), &startup, &process_)) {
        ADD_FAILURE() << "cannot start " << exePath << " (error " << GetLastError() << ")";
        return;
    }
    drv::WindowQuery query;
    query.className = "TfrmInstalador";
    query.title = "Instalação Vorlane";
    query.processId = process_.dwProcessId;
    window_ = drv::WaitForWindow(query, 30000);
    if (!window_) ADD_FAILURE() << "the wizard window did not show";
}

Installer::~Installer() {
    if (!process_.hProcess) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, 10000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

HWND Installer::Control(int id) const {
    HWND control = FindChildWindow(window_, id);
    if (!control) ADD_FAILURE() << "the wizard has no control " << id;
    return control;
}

std::string Installer::Text(int id) const {
    HWND control = Control(id);
    return control ? drv::WindowText(control) : std::string("<no control>");
}

bool Installer::Enabled(int id) const {
    HWND control = Control(id);
    return control && drv::IsEnabled(control);
}

bool Installer::Visible(int id) const {
    HWND control = Control(id);
    return control && drv::IsVisible(control);
}

bool Installer::Checked(int id) const {
    HWND control = Control(id);
    DWORD_PTR state = 0;
    return control && SendMessageTimeoutW(control, BM_GETCHECK, 0, 0, SMTO_NORMAL, kMessageMs, &state) &&
           state == BST_CHECKED;
}

int Installer::Page() const {
    for (int page = 0; page < 8; ++page) {
        HWND sheet = FindChildWindow(window_, InstaladorIds::ntbInstalador * 10 + page + 1);
        if (sheet && drv::IsVisible(sheet)) return page;
    }
    return -1;
}

::testing::AssertionResult Installer::WaitForPage(int page, int timeoutMs) const {
    if (drv::WaitUntil([&] { return Page() == page; }, timeoutMs)) return ::testing::AssertionSuccess();
    auto dialog = DialogShowing();
    return ::testing::AssertionFailure() << "page " << page << " did not show; page " << Page() << " shows"
                                         << (dialog ? ", with the dialog: " + Utf8FromCp1252(dialog->Text()) : "");
}

::testing::AssertionResult Installer::WaitForEnabled(int id, int timeoutMs) const {
    if (drv::WaitUntil([&] { return Enabled(id); }, timeoutMs)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "control " << id << " stayed disabled";
}

::testing::AssertionResult Installer::WaitForText(int id, const std::string& text, int timeoutMs) const {
    std::string last;
    if (drv::WaitUntil([&] { return (last = Text(id)) == text; }, timeoutMs)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "control " << id << " shows \"" << Utf8FromCp1252(last) << "\", not \""
                                         << Utf8FromCp1252(text) << "\"";
}

void Installer::Press(int id, bool endsProgram) const {
    HWND control = Control(id);
    if (realInput_) {
        EXPECT_TRUE(control && (drv::real::Click(control) || endsProgram)) << "clicking " << id << ": "
                                                                            << drv::real::LastError();
        return;
    }
    EXPECT_TRUE(control && (drv::PressButton(control) || endsProgram)) << "pressing " << id;
}

void Installer::Type(int id, const std::string& text) const {
    HWND control = Control(id);
    if (!control) return;
    if (realInput_) {
        // Into the field, its text selected from the end back to the start, then typed over.
        EXPECT_TRUE(drv::real::Click(control) && drv::real::Keys(control, "End shift+Home BackSpace") &&
                    (text.empty() || drv::real::Type(control, text)))
            << "typing into " << id << ": " << drv::real::LastError();
        EXPECT_TRUE(drv::WaitForText(control, text)) << "the text of " << id;
        return;
    }
    DWORD_PTR ignored;
    EXPECT_TRUE(SendMessageTimeoutW(control, EM_SETSEL, 0, -1, SMTO_NORMAL, kMessageMs, &ignored));
    EXPECT_TRUE(drv::TypeText(control, text)) << "typing into " << id;
    EXPECT_EQ(drv::WindowText(control), text) << "the text of " << id;
}

void Installer::PressEnterIn(int id) const {
    HWND control = Control(id);
    if (realInput_) {
        EXPECT_TRUE(control && drv::real::Click(control) && drv::real::Keys(control, "Return")) << drv::real::LastError();
        return;
    }
    EXPECT_TRUE(control && drv::PressEnter(window_, control));
}

std::optional<Dialog> Installer::DialogShowing() const {
    for (const char* className : {"TFRMensagem", "#32770"}) {
        drv::WindowQuery query;
        query.className = className;
        query.processId = process_.dwProcessId;
        HWND window = drv::FindTopWindow(query);
        if (!window) continue;
        Dialog dialog;
        dialog.window = window;
        dialog.title = drv::WindowText(window);
        std::string text;
        if (HWND phrase = drv::FindChildById(window, MensagemIds::Frase))
            text = drv::WindowText(phrase);
        else
            EnumChildWindows(window, AppendStaticText, reinterpret_cast<LPARAM>(&text));
        for (size_t start = 0;;) {
            size_t end = text.find("\r\n", start);
            dialog.lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
            if (end == std::string::npos) break;
            start = end + 2;
        }
        if (std::string(className) == "#32770") dialog.lines.insert(dialog.lines.begin(), "<error box>");
        return dialog;
    }
    return std::nullopt;
}

std::optional<Dialog> Installer::WaitForDialog(int timeoutMs) const {
    std::optional<Dialog> dialog;
    drv::WaitUntil([&] { return (dialog = DialogShowing()).has_value(); }, timeoutMs);
    return dialog;
}

::testing::AssertionResult Installer::Answer(const Dialog& dialog, int buttonId) const {
    HWND button = drv::FindChildById(dialog.window, buttonId);
    if (!button && buttonId == MensagemIds::BtOk) button = drv::FindChildById(dialog.window, IDOK);
    if (!button) return ::testing::AssertionFailure() << "the dialog has no button " << buttonId;
    if (!drv::IsVisible(button)) return ::testing::AssertionFailure() << "the button " << buttonId << " is hidden";
    if (realInput_ && !drv::real::Click(button))
        return ::testing::AssertionFailure() << "clicking the button " << buttonId << ": " << drv::real::LastError();
    if (!realInput_) drv::PressButton(button);
    if (!drv::WaitUntil([&] { return !IsWindow(dialog.window) || !IsWindowVisible(dialog.window); }, 10000))
        return ::testing::AssertionFailure() << "the dialog stayed after its button " << buttonId;
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult Installer::WaitForRunEnd(int page, int timeoutMs) const {
    std::string unexpected;
    bool ended = drv::WaitUntil(
        [&] {
            if (auto dialog = DialogShowing()) {
                unexpected += "\n  " + Utf8FromCp1252(dialog->Text());
                Answer(*dialog, MensagemIds::BtOk);
                return false;
            }
            // The run has returned once the summary step has enabled Anterior and Próximo again.
            return Page() == page && drv::IsEnabled(FindChildWindow(window_, InstaladorIds::btnAnterior)) &&
                   drv::IsEnabled(FindChildWindow(window_, InstaladorIds::btnProximo));
        },
        timeoutMs);
    if (ended && unexpected.empty()) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure();
    if (!ended) failure << "the run did not end on page " << page << " (page " << Page() << " shows)";
    if (!unexpected.empty()) failure << " unexpected dialogs:" << unexpected;
    return failure;
}

std::optional<Dialog> Installer::WaitForRunDialog(int timeoutMs) const {
    std::optional<Dialog> dialog;
    bool shown = drv::WaitUntil(
        [&] {
            dialog = DialogShowing();
            return dialog.has_value() || Page() == 7;
        },
        timeoutMs);
    if (!dialog) ADD_FAILURE() << (shown ? "the run ended without a dialog" : "no dialog showed");
    return dialog;
}

std::optional<DWORD> Installer::WaitForExit(int timeoutMs) const {
    if (!process_.hProcess || WaitForSingleObject(process_.hProcess, DWORD(timeoutMs)) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

}  // namespace vorlane::e2e
