#include "platform/ftp/socket.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/base/encoding.h"
#include "platform/base/error.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#else
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace vorlane::ftp {

namespace {

using Clock = std::chrono::steady_clock;

#ifdef _WIN32
using Native = SOCKET;
const std::intptr_t kNone = static_cast<std::intptr_t>(INVALID_SOCKET);
int LastError() { return WSAGetLastError(); }
bool WouldBlock(int e) { return e == WSAEWOULDBLOCK || e == WSAEINTR; }
bool IsRefused(int e) { return e == WSAECONNREFUSED; }
void CloseNative(Native s) { closesocket(s); }
const int kSendFlags = 0;

struct Winsock {
    Winsock() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~Winsock() { WSACleanup(); }
};
void EnsureStarted() { static Winsock winsock; }

std::string SystemText(int code) {
    wchar_t* buf = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
    std::wstring text = buf ? buf : L"";
    if (buf) LocalFree(buf);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' || text.back() == L'.'))
        text.pop_back();
    if (text.empty()) return "erro " + std::to_string(code);
    return Cp1252FromWide(text);
}
const char* KnownText(int code) {
    switch (code) {
        case WSAECONNRESET: return "a conexão foi reiniciada pelo servidor";
        case WSAECONNABORTED: return "a conexão foi interrompida";
        case WSAECONNREFUSED: return "conexão recusada";
        case WSAENETUNREACH:
        case WSAEHOSTUNREACH: return "rede ou servidor inalcançável";
        case WSAETIMEDOUT: return "tempo esgotado";
        default: return nullptr;
    }
}
#else
using Native = int;
const std::intptr_t kNone = -1;
int LastError() { return errno; }
bool WouldBlock(int e) { return e == EAGAIN || e == EWOULDBLOCK || e == EINTR || e == EINPROGRESS; }
bool IsRefused(int e) { return e == ECONNREFUSED; }
void CloseNative(Native s) { ::close(s); }
const int kSendFlags = MSG_NOSIGNAL;
void EnsureStarted() {}
std::string SystemText(int code) { return Cp1252FromUtf8(std::strerror(code)); }
const char* KnownText(int code) {
    switch (code) {
        case ECONNRESET: return "a conexão foi reiniciada pelo servidor";
        case ECONNABORTED:
        case EPIPE: return "a conexão foi interrompida";
        case ECONNREFUSED: return "conexão recusada";
        case ENETUNREACH:
        case EHOSTUNREACH: return "rede ou servidor inalcançável";
        case ETIMEDOUT: return "tempo esgotado";
        default: return nullptr;
    }
}
#endif

std::string ErrorTextFor(int code) {
    const char* known = KnownText(code);
    return known ? std::string(known) : SystemText(code);
}

Native ToNative(std::intptr_t h) { return static_cast<Native>(h); }

int MillisecondsLeft(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

bool SetNonBlocking(Native s) {
#ifdef _WIN32
    u_long on = 1;
    return ioctlsocket(s, FIONBIO, &on) == 0;
#else
    int flags = fcntl(s, F_GETFL, 0);
    return flags >= 0 && fcntl(s, F_SETFL, flags | O_NONBLOCK) == 0;
#endif
}

enum class WaitResult { Ready, Failed, Slice };

// One slice of waiting for a connect in progress or for room to send.
WaitResult WaitWritable(Native s, int ms) {
#ifdef _WIN32
    fd_set w, e;
    FD_ZERO(&w);
    FD_ZERO(&e);
    FD_SET(s, &w);
    FD_SET(s, &e);
    timeval tv{ms / 1000, (ms % 1000) * 1000};
    int n = select(0, nullptr, &w, &e, &tv);
    if (n < 0) return WaitResult::Failed;
    if (FD_ISSET(s, &e)) return WaitResult::Failed;
    return FD_ISSET(s, &w) ? WaitResult::Ready : WaitResult::Slice;
#else
    pollfd p{s, POLLOUT, 0};
    int n = poll(&p, 1, ms);
    if (n < 0) return errno == EINTR ? WaitResult::Slice : WaitResult::Failed;
    if (n == 0) return WaitResult::Slice;
    if (p.revents & (POLLERR | POLLNVAL)) return WaitResult::Failed;
    return (p.revents & (POLLOUT | POLLHUP)) ? WaitResult::Ready : WaitResult::Slice;
#endif
}

int PendingError(Native s) {
    int err = 0;
    socklen_t len = sizeof(err);
    if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err), &len) != 0) return LastError();
    return err;
}

std::string NumericHost(const sockaddr* addr, socklen_t len) {
    char text[NI_MAXHOST] = "";
    if (getnameinfo(addr, len, text, sizeof(text), nullptr, 0, NI_NUMERICHOST) != 0) return "?";
    return text;
}

// Name resolution may wait for DNS for many seconds. It runs on a helper thread so that the
// caller keeps ticking and can give up at its deadline; the helper owns its own copy of
// everything and frees the answer when nobody waits for it any more.
struct Resolution {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    int rc = 0;
    addrinfo* result = nullptr;
    ~Resolution() {
        if (result) freeaddrinfo(result);
    }
};

std::shared_ptr<Resolution> Resolve(const std::string& host, int port, Clock::time_point deadline, const Tick& tick) {
    auto r = std::make_shared<Resolution>();
    std::string service = std::to_string(port);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICHOST;
    // Literal addresses need no lookup at all.
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, &r->result) == 0) {
        r->finished = true;
        return r;
    }
    r->result = nullptr;
    hints.ai_flags = 0;
    std::thread([r, host, service, hints] {
        addrinfo* result = nullptr;
        int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &result);
        std::lock_guard<std::mutex> lock(r->mutex);
        r->rc = rc;
        r->result = rc == 0 ? result : nullptr;
        r->finished = true;
        r->done.notify_all();
    }).detach();
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(r->mutex);
            r->done.wait_for(lock, std::chrono::milliseconds(kWaitSliceMs), [&] { return r->finished; });
            if (r->finished) break;
        }
        if (Clock::now() >= deadline) throw Error("Tempo esgotado ao procurar o servidor \"" + host + "\".");
        if (tick) tick();
    }
    if (r->rc != 0 || !r->result) throw Error("Não foi possível localizar o servidor \"" + host + "\".");
    return r;
}

}  // namespace

struct Socket::Peer {
    sockaddr_storage address{};
    socklen_t length = 0;
};

Socket::Socket() : handle_(kNone) {}
Socket::~Socket() { Close(); }
Socket::Socket(Socket&& other) noexcept
    : handle_(other.handle_), peer_(std::move(other.peer_)), error_(std::move(other.error_)) {
    other.handle_ = kNone;
}
Socket& Socket::operator=(Socket&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = other.handle_;
        peer_ = std::move(other.peer_);
        error_ = std::move(other.error_);
        other.handle_ = kNone;
    }
    return *this;
}

bool Socket::IsOpen() const { return handle_ != kNone; }

void Socket::Close() {
    if (handle_ != kNone) {
        CloseNative(ToNative(handle_));
        handle_ = kNone;
    }
}

namespace {

enum class Attempt { Connected, Refused, TimedOut, Failed };

// Connects one socket to one address within the deadline.
Attempt ConnectOne(const sockaddr* addr, socklen_t len, Clock::time_point deadline, const Tick& tick, Native& out,
                   int& error) {
    Native s = socket(addr->sa_family, SOCK_STREAM, IPPROTO_TCP);
    if (s == ToNative(kNone)) {
        error = LastError();
        return Attempt::Failed;
    }
    int one = 1;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof(one));
    if (!SetNonBlocking(s)) {
        error = LastError();
        CloseNative(s);
        return Attempt::Failed;
    }
    if (connect(s, addr, len) != 0) {
        int e = LastError();
        if (!WouldBlock(e)) {
            error = e;
            CloseNative(s);
            return IsRefused(e) ? Attempt::Refused : Attempt::Failed;
        }
        for (;;) {
            int left = MillisecondsLeft(deadline);
            if (left == 0) {
                CloseNative(s);
                return Attempt::TimedOut;
            }
            WaitResult w = WaitWritable(s, left < kWaitSliceMs ? left : kWaitSliceMs);
            if (w == WaitResult::Slice) {
                if (tick) tick();
                continue;
            }
            int pending = PendingError(s);
            if (w == WaitResult::Failed && pending == 0) pending = LastError();
            if (pending != 0) {
                error = pending;
                CloseNative(s);
                return IsRefused(pending) ? Attempt::Refused : Attempt::Failed;
            }
            break;
        }
    }
    out = s;
    return Attempt::Connected;
}

}  // namespace

Socket Socket::Connect(const std::string& host, int port, int timeoutMs, const Tick& tick) {
    EnsureStarted();
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    auto resolved = Resolve(host, port, deadline, tick);
    const std::string where = host + " porta " + std::to_string(port);
    bool timedOut = false, refused = false;
    int lastError = 0;
    for (addrinfo* a = resolved->result; a; a = a->ai_next) {
        Native s;
        int error = 0;
        Attempt result = ConnectOne(a->ai_addr, static_cast<socklen_t>(a->ai_addrlen), deadline, tick, s, error);
        if (result == Attempt::Connected) {
            Socket sock;
            sock.handle_ = static_cast<std::intptr_t>(s);
            sock.peer_ = std::make_unique<Peer>();
            std::memcpy(&sock.peer_->address, a->ai_addr, a->ai_addrlen);
            sock.peer_->length = static_cast<socklen_t>(a->ai_addrlen);
            return sock;
        }
        if (result == Attempt::TimedOut) {
            timedOut = true;
            break;
        }
        if (result == Attempt::Refused) refused = true;
        else lastError = error;
    }
    if (timedOut) throw Error("Tempo esgotado ao conectar ao servidor " + where + ".");
    // One address that refused tells more than another that could not be reached at all
    // (a name with an IPv6 and an IPv4 address, on a machine without IPv6).
    if (refused) throw Error("Conexão recusada pelo servidor " + where + ".");
    throw Error("Não foi possível conectar ao servidor " + where + ": " + ErrorTextFor(lastError) + ".");
}

Socket Socket::ConnectToPeerPort(int port, int timeoutMs, const Tick& tick) const {
    if (!peer_ || port <= 0 || port > 65535) throw Error("Porta de dados inválida informada pelo servidor FTP.");
    Peer target = *peer_;
    sockaddr* addr = reinterpret_cast<sockaddr*>(&target.address);
    if (addr->sa_family == AF_INET6)
        reinterpret_cast<sockaddr_in6*>(addr)->sin6_port = htons(static_cast<uint16_t>(port));
    else
        reinterpret_cast<sockaddr_in*>(addr)->sin_port = htons(static_cast<uint16_t>(port));
    const std::string where = NumericHost(addr, target.length) + " porta " + std::to_string(port);
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    Native s;
    int error = 0;
    switch (ConnectOne(addr, target.length, deadline, tick, s, error)) {
        case Attempt::Connected: break;
        case Attempt::TimedOut: throw Error("Tempo esgotado ao conectar ao servidor " + where + ".");
        case Attempt::Refused: throw Error("Conexão recusada pelo servidor " + where + ".");
        default: throw Error("Não foi possível conectar ao servidor " + where + ": " + ErrorTextFor(error) + ".");
    }
    Socket sock;
    sock.handle_ = static_cast<std::intptr_t>(s);
    sock.peer_ = std::make_unique<Peer>(target);
    return sock;
}

Socket::Received Socket::Receive(char* buffer, size_t size) {
    if (handle_ == kNone) return {Status::Closed, 0};
#ifdef _WIN32
    int n = recv(ToNative(handle_), buffer, static_cast<int>(size > 0x40000000 ? 0x40000000 : size), 0);
#else
    ssize_t n = recv(ToNative(handle_), buffer, size, 0);
#endif
    if (n > 0) return {Status::Data, static_cast<size_t>(n)};
    if (n == 0) return {Status::Closed, 0};
    int e = LastError();
    if (WouldBlock(e)) return {Status::WouldBlock, 0};
    error_ = ErrorTextFor(e);
    return {Status::Failed, 0};
}

void Socket::SendAll(std::string_view data, int timeoutMs, const Tick& tick) {
    if (handle_ == kNone) throw Error("Não há conexão com o servidor FTP.");
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!data.empty()) {
        auto n = send(ToNative(handle_), data.data(), static_cast<int>(data.size()), kSendFlags);
        if (n > 0) {
            data.remove_prefix(static_cast<size_t>(n));
            continue;
        }
        int e = LastError();
        if (!WouldBlock(e)) throw Error("Erro de comunicação com o servidor FTP: " + ErrorTextFor(e) + ".");
        int left = MillisecondsLeft(deadline);
        if (left == 0) throw Error("Tempo esgotado enviando dados ao servidor FTP.");
        if (WaitWritable(ToNative(handle_), left < kWaitSliceMs ? left : kWaitSliceMs) == WaitResult::Slice && tick)
            tick();
    }
}

void Socket::WaitReadable(const Socket* a, const Socket* b, int ms, bool& aReady, bool& bReady) {
    aReady = bReady = false;
    const bool useA = a && a->IsOpen(), useB = b && b->IsOpen();
    if (!useA && !useB) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return;
    }
#ifdef _WIN32
    fd_set r;
    FD_ZERO(&r);
    if (useA) FD_SET(ToNative(a->handle_), &r);
    if (useB) FD_SET(ToNative(b->handle_), &r);
    timeval tv{ms / 1000, (ms % 1000) * 1000};
    if (select(0, &r, nullptr, nullptr, &tv) <= 0) return;
    aReady = useA && FD_ISSET(ToNative(a->handle_), &r);
    bReady = useB && FD_ISSET(ToNative(b->handle_), &r);
#else
    pollfd p[2];
    int n = 0, ia = -1, ib = -1;
    if (useA) {
        p[n] = {ToNative(a->handle_), POLLIN, 0};
        ia = n++;
    }
    if (useB) {
        p[n] = {ToNative(b->handle_), POLLIN, 0};
        ib = n++;
    }
    if (poll(p, static_cast<nfds_t>(n), ms) <= 0) return;
    const short ready = POLLIN | POLLHUP | POLLERR;
    aReady = ia >= 0 && (p[ia].revents & ready);
    bReady = ib >= 0 && (p[ib].revents & ready);
#endif
}

}  // namespace vorlane::ftp
