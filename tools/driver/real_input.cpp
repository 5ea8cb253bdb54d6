#include "tools/driver/real_input.h"

#include <winsock2.h>

#include <cstdlib>
#include <mutex>

#include "platform/base/encoding.h"

namespace vorlane::driver::real {

namespace {

std::string lastError;
std::mutex lock;  // one command at a time on the one connection
SOCKET connection = INVALID_SOCKET;

// VORLANE_X_INPUT names the input server's folder (a Linux path is reached through Z:); the
// server writes its port into the file "porta" there once it listens.
int Port() {
    const char* value = std::getenv("VORLANE_X_INPUT");
    if (!value || !*value) return 0;
    std::string folder = value;
    if (folder[0] == '/') folder = "Z:" + folder;
    for (char& c : folder)
        if (c == '/') c = '\\';
    HANDLE f = CreateFileW(WideFromCp1252(folder + "\\porta").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 0;
    char text[16] = {};
    DWORD got = 0;
    ReadFile(f, text, sizeof text - 1, &got, nullptr);
    CloseHandle(f);
    return std::atoi(text);
}

bool Fail(const std::string& why) {
    lastError = why;
    if (connection != INVALID_SOCKET) closesocket(connection);
    connection = INVALID_SOCKET;
    return false;
}

bool Connect() {
    if (connection != INVALID_SOCKET) return true;
    const int port = Port();
    if (port <= 0) return Fail("VORLANE_X_INPUT não indica o servidor de entrada");
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return Fail("WSAStartup falhou");
    connection = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (connection == INVALID_SOCKET) return Fail("socket falhou");
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<u_short>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // The server answers once X has the input; a minute covers the busiest machine.
    DWORD timeout = 60000;
    setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    if (connect(connection, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) return Fail("sem servidor de entrada");
    return true;
}

// Sends one command line and waits for its reply.
bool Command(const std::string& utf8Line) {
    std::lock_guard<std::mutex> hold(lock);
    if (!Connect()) return false;
    const std::string line = utf8Line + "\n";
    for (size_t sent = 0; sent < line.size();) {
        int n = send(connection, line.data() + sent, static_cast<int>(line.size() - sent), 0);
        if (n <= 0) return Fail("envio ao servidor de entrada falhou");
        sent += static_cast<size_t>(n);
    }
    std::string reply;
    char c;
    while (true) {
        int n = recv(connection, &c, 1, 0);
        if (n <= 0) return Fail("o servidor de entrada não respondeu");
        if (c == '\n') break;
        reply += c;
    }
    if (reply != "ok") {
        lastError = reply;
        return false;
    }
    return true;
}

std::string At(POINT p) { return std::to_string(p.x) + " " + std::to_string(p.y); }

}  // namespace

bool Available() { return Port() > 0; }
const std::string& LastError() { return lastError; }

POINT CentreOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

POINT PointIn(HWND window, int x, int y) {
    RECT r{};
    GetWindowRect(window, &r);
    return POINT{r.left + x, r.top + y};
}

bool MoveTo(POINT screen) { return Command("move " + At(screen)); }

bool ClickAt(POINT screen, int button, int count) {
    return Command("click " + At(screen) + " " + std::to_string(button) + " " + std::to_string(count));
}

bool Keys(HWND window, const std::string& keys, const POINT* point) {
    return MoveTo(point ? *point : CentreOf(window)) && Command("key " + keys);
}

bool Type(HWND window, const std::string& text, const POINT* point) {
    return MoveTo(point ? *point : CentreOf(window)) && Command("type " + Utf8FromCp1252(text));
}

}  // namespace vorlane::driver::real
