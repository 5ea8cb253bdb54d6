#pragma once
// TCP sockets for the FTP client: Winsock on Windows, POSIX sockets elsewhere. Every socket is
// non-blocking; every wait is cut into short slices so the caller's tick runs while it lasts,
// and every wait has a bound. Failures raise vorlane::Error with a Portuguese text.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace vorlane::ftp {

// Called at every wait slice (a few tens of milliseconds apart) while a wait lasts.
using Tick = std::function<void()>;

// The longest a single wait runs before the tick is called again.
constexpr int kWaitSliceMs = 20;

class Socket {
public:
    Socket();
    ~Socket();
    Socket(Socket&& other) noexcept;
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    // Resolves host (names, IPv4 and IPv6 literals) and connects to the first of its addresses
    // that accepts, all within timeoutMs.
    static Socket Connect(const std::string& host, int port, int timeoutMs, const Tick& tick);
    // Connects to another port of the peer this socket is connected to (a passive data
    // connection goes to the address of the control connection, whatever the server named).
    Socket ConnectToPeerPort(int port, int timeoutMs, const Tick& tick) const;

    bool IsOpen() const;
    void Close();

    enum class Status { Data, WouldBlock, Closed, Failed };
    struct Received {
        Status status;
        size_t bytes;
    };
    // One non-blocking read. Closed: the peer ended the stream in order. Failed: the stream
    // broke (reset, abort); ErrorText() tells why.
    Received Receive(char* buffer, size_t size);
    // Sends everything, waiting for room at most timeoutMs in total.
    void SendAll(std::string_view data, int timeoutMs, const Tick& tick);
    // The system's reason for the last failed Receive, in Portuguese where known.
    std::string ErrorText() const { return error_; }

    // Waits at most ms for either socket (each may be null or closed) to become readable.
    static void WaitReadable(const Socket* a, const Socket* b, int ms, bool& aReady, bool& bReady);

private:
    struct Peer;
    std::intptr_t handle_;
    std::unique_ptr<Peer> peer_;
    std::string error_;
};

}  // namespace vorlane::ftp
