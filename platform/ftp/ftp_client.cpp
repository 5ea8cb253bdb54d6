#include "platform/ftp/ftp_client.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

#include "platform/base/error.h"
#include "platform/base/file_io.h"
#include "platform/ftp/listing_parser.h"
#include "platform/ftp/reply.h"
#include "platform/ftp/socket.h"

namespace vorlane::ftp {

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kChunkBytes = 256 * 1024;
constexpr size_t kMaxListingBytes = 32 * 1024 * 1024;
// Slack under the 100 ms promised to the hook: a wait slice may run on top of it.
constexpr auto kHookInterval = std::chrono::milliseconds(40);

bool HasLineBreakOrNul(const std::string& s) { return s.find_first_of(std::string("\r\n\0", 3)) != std::string::npos; }

std::string Quoted(const std::string& name) { return "\"" + PrintableServerText(name, 200) + "\""; }

DateTime LocalNow() {
    std::time_t t = std::time(nullptr);
    const std::tm* lt = std::localtime(&t);
    if (!lt) return 0;
    return EncodeDateTime(lt->tm_year + 1900, lt->tm_mon + 1, lt->tm_mday, lt->tm_hour, lt->tm_min, lt->tm_sec);
}

// The port of "229 Entering Extended Passive Mode (|||30096|)" (RFC 2428), or -1. Some servers
// fill in the protocol and address fields ("(|1|192.0.2.7|30096|)"); like PASV's address,
// they are not used: the data connection goes to the control connection's peer.
int ExtendedPassivePort(const std::string& text) {
    size_t open = text.find('(');
    if (open == std::string::npos || open + 4 >= text.size()) return -1;
    const char d = text[open + 1];
    if (d < 33 || d > 126) return -1;
    // Past the delimiter that opens the protocol field and the one that opens the address.
    size_t i = text.find(d, open + 2);
    if (i == std::string::npos) return -1;
    i = text.find(d, i + 1);
    if (i == std::string::npos) return -1;
    const size_t start = ++i;
    int port = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && port <= 65535; ++i) port = port * 10 + (text[i] - '0');
    if (i == start || i >= text.size() || text[i] != d || port < 1 || port > 65535) return -1;
    return port;
}

// The port of "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)", or -1. The address part is
// read only to find the port: the data connection goes to the control connection's peer.
int PassivePort(const std::string& text) {
    size_t i = text.find_first_of("0123456789");
    int numbers[6];
    for (int n = 0; n < 6; ++n) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9') return -1;
        int v = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && v <= 255; ++i) v = v * 10 + (text[i] - '0');
        if (v > 255) return -1;
        numbers[n] = v;
        if (n < 5) {
            if (i >= text.size() || text[i] != ',') return -1;
            ++i;
        }
    }
    int port = numbers[4] * 256 + numbers[5];
    return port > 0 ? port : -1;
}

// The file a download writes. It is removed again unless the download completed.
// A file's text for a message: the platform's text with one full stop at its end.
std::string FileProblem(const std::string& what, const std::string& path) {
    std::string text = LastFileErrorText();
    if (text.empty() || text.back() != '.') text += '.';
    return what + " \"" + path + "\": " + text;
}

// The download's local file. The bytes go to a temporary name beside it, which takes the
// file's place only once the transfer is complete: a transfer that fails leaves an existing
// file as it was and no partial one.
class LocalFile {
public:
    explicit LocalFile(const std::string& path) : path_(path), temporary_(path + ".tmp") {
        RemoveFile(temporary_);
        file_ = OpenFile(temporary_, "wb");
        if (!file_) throw Error(FileProblem("Não foi possível criar o arquivo local", path_));
    }
    ~LocalFile() {
        if (file_) std::fclose(file_);
        if (!committed_) RemoveFile(temporary_);
    }
    LocalFile(const LocalFile&) = delete;
    LocalFile& operator=(const LocalFile&) = delete;

    void Write(const char* data, size_t size) {
        if (std::fwrite(data, 1, size, file_) != size) throw Error(FileProblem("Não foi possível gravar o arquivo local", path_));
    }
    void Commit() {
        std::FILE* f = file_;
        file_ = nullptr;
        if (std::fclose(f) != 0) throw Error(FileProblem("Não foi possível gravar o arquivo local", path_));
        if (!RenameReplacing(temporary_, path_)) throw Error(FileProblem("Não foi possível substituir o arquivo local", path_));
        committed_ = true;
    }

private:
    std::string path_, temporary_;
    std::FILE* file_ = nullptr;
    bool committed_ = false;
};

}  // namespace

struct FtpClient::Impl {
    std::string host;
    int port = 21;
    std::string user, password;
    int connectMs = 15000, idleMs = 60000;
    std::function<void(int64_t)> hook;

    Socket control;
    bool controlEnded = false;  // the server closed the control connection
    ReplyReader reader;
    bool binary = false;  // TYPE I sent on this connection
    enum class Passive { Untried, Extended, Classic } passive = Passive::Untried;
    std::string sizeName;  // the name of the last SIZE answered, and its size
    int64_t sizeValue = -1;

    StringList raw;  // lines of the most recent listing
    bool rawDetails = false;
    bool listingStale = false;
    Listing listing;

    bool busy = false;
    int64_t progress = 0;
    Clock::time_point lastHook = Clock::now();
    std::vector<char> chunk;
    Tick tick = [this] { Pulse(); };

    void Pulse() {
        if (!hook) return;
        auto now = Clock::now();
        if (now - lastHook < kHookInterval) return;
        lastHook = now;
        hook(progress);
    }

    // Forgets the connection and everything that belonged to it.
    void Drop() {
        control.Close();
        controlEnded = false;
        reader.Clear();
        binary = false;
        passive = Passive::Untried;
        sizeName.clear();
    }

    Error Lost(const std::string& message) {
        Drop();
        return Error(message);
    }

    void RequireConnected() const {
        if (!control.IsOpen()) throw Error("Não há conexão com o servidor FTP.");
    }

    static void CheckArgument(const std::string& value) {
        if (HasLineBreakOrNul(value))
            throw Error("Nome inválido para o servidor FTP: " + Quoted(value) + " contém quebra de linha ou caractere nulo.");
    }

    void Send(const std::string& command, const std::string& argument = std::string()) {
        std::string line = argument.empty() ? command : command + " " + argument;
        line += "\r\n";
        if (controlEnded) throw Lost("O servidor FTP encerrou a conexão.");
        try {
            control.SendAll(line, idleMs, tick);
        } catch (...) {
            Drop();
            throw;
        }
    }

    // Moves what the control connection holds into the reader, and notes when the server
    // has ended it (its last words, such as a 421, are still read from the reader).
    void PumpControl() {
        char buffer[4096];
        for (;;) {
            Socket::Received got = control.Receive(buffer, sizeof(buffer));
            if (got.status == Socket::Status::Data) {
                reader.Feed(buffer, got.bytes);
                // A short read that ends a line is most likely all there is; anything more
                // shows up at the next wait, which saves a read per reply.
                if (got.bytes < sizeof(buffer) && buffer[got.bytes - 1] == '\n') return;
                continue;
            }
            if (got.status != Socket::Status::WouldBlock) controlEnded = true;
            return;
        }
    }

    // The next complete reply already received, if any. A 421 ends the connection.
    bool NextReply(Reply& reply) {
        try {
            if (!reader.Next(reply)) return false;
        } catch (...) {
            Drop();
            throw;
        }
        if (reply.code == 421) throw Lost("O servidor FTP encerrou a conexão: " + reply.Describe());
        return true;
    }

    Reply Read() {
        Reply reply;
        auto deadline = Clock::now() + std::chrono::milliseconds(idleMs);
        while (!NextReply(reply)) {
            if (controlEnded) throw Lost("O servidor FTP encerrou a conexão.");
            bool ready, unused;
            Socket::WaitReadable(&control, nullptr, kWaitSliceMs, ready, unused);
            if (ready) {
                PumpControl();
                deadline = Clock::now() + std::chrono::milliseconds(idleMs);
            } else if (Clock::now() >= deadline) {
                throw Lost("Tempo esgotado esperando resposta do servidor.");
            }
            Pulse();
        }
        return reply;
    }

    Reply Command(const std::string& command, const std::string& argument = std::string()) {
        Send(command, argument);
        return Read();
    }

    void EnsureBinary() {
        if (binary) return;
        Reply r = Command("TYPE", "I");
        if (!r.Positive()) throw Error("O servidor FTP recusou o modo binário: " + r.Describe());
        binary = true;
    }

    Socket ConnectData(const std::string& what, int dataPort) {
        try {
            return control.ConnectToPeerPort(dataPort, connectMs, tick);
        } catch (const Error& e) {
            throw Error(what + ": não foi possível abrir a conexão de dados. " + e.what());
        }
    }

    // A passive data connection: EPSV, or PASV from the first time the server refuses EPSV.
    Socket OpenData(const std::string& what) {
        if (passive != Passive::Classic) {
            Reply r = Command("EPSV");
            if (r.code == 229) {
                int dataPort = ExtendedPassivePort(r.LastText());
                if (dataPort < 0) throw Error(what + ": resposta inválida ao comando EPSV: " + r.Describe());
                passive = Passive::Extended;
                return ConnectData(what, dataPort);
            }
            // Refused, for good (5xx) or for now (4xx, e.g. no port free for it): PASV may
            // still work. 421 closes the session, so PASV would not.
            if (r.code == 421 || (r.code / 100 != 4 && r.code / 100 != 5)) throw Error(what + ": " + r.Describe());
            passive = Passive::Classic;
        }
        Reply r = Command("PASV");
        if (r.code != 227) throw Error(what + ": " + r.Describe());
        int dataPort = PassivePort(r.LastText());
        if (dataPort < 0) throw Error(what + ": resposta inválida ao comando PASV: " + r.Describe());
        return ConnectData(what, dataPort);
    }

    struct Outcome {
        Reply final;
        bool endedInOrder = false;  // the server closed the data connection normally
        std::string breakReason;
    };

    // Runs a transfer that a 1xx reply has started: the data stream goes to sink until the
    // server closes it, while the control connection is watched for the final reply.
    template <class Sink>
    Outcome Transfer(Socket& data, Sink&& sink) {
        Outcome outcome;
        bool haveFinal = false;
        if (chunk.size() != kChunkBytes) chunk.resize(kChunkBytes);
        try {
            auto deadline = Clock::now() + std::chrono::milliseconds(idleMs);
            while (data.IsOpen() || !haveFinal) {
                bool dataReady = false, controlReady = false;
                bool activity = false;
                Reply reply;
                while (!haveFinal && NextReply(reply)) {
                    if (reply.Preliminary()) continue;
                    outcome.final = std::move(reply);
                    haveFinal = true;
                    // A refusal ends the transfer; a success still lets the data stream end.
                    if (!outcome.final.Positive()) data.Close();
                }
                if (!data.IsOpen() && haveFinal) break;
                if (controlEnded && !haveFinal)
                    throw Lost("O servidor FTP encerrou a conexão durante a transferência.");
                Socket::WaitReadable(&data, &control, kWaitSliceMs, dataReady, controlReady);
                if (dataReady) {
                    for (int round = 0; round < 64; ++round) {
                        Socket::Received got = data.Receive(chunk.data(), chunk.size());
                        if (got.status == Socket::Status::Data) {
                            sink(chunk.data(), got.bytes);
                            progress += static_cast<int64_t>(got.bytes);
                            activity = true;
                            Pulse();
                            continue;
                        }
                        if (got.status == Socket::Status::Closed) {
                            outcome.endedInOrder = true;
                            data.Close();
                            activity = true;
                        } else if (got.status == Socket::Status::Failed) {
                            outcome.breakReason = data.ErrorText();
                            data.Close();
                            activity = true;
                        }
                        break;
                    }
                }
                if (controlReady) {
                    PumpControl();
                    activity = true;
                }
                if (activity) {
                    deadline = Clock::now() + std::chrono::milliseconds(idleMs);
                } else if (Clock::now() >= deadline) {
                    throw Lost("Tempo esgotado durante a transferência de dados.");
                }
                Pulse();
            }
        } catch (...) {
            // Whatever broke the loop (the server, the local file, the hook), the control
            // connection may still carry replies of this transfer: it cannot be trusted.
            data.Close();
            Drop();
            throw;
        }
        return outcome;
    }

    // The checks every finished transfer must pass.
    static void CheckOutcome(const std::string& what, const Outcome& outcome) {
        if (outcome.final.code != 226 && outcome.final.code != 250) throw Error(what + ": " + outcome.final.Describe());
        if (!outcome.endedInOrder) {
            std::string reason = outcome.breakReason.empty() ? std::string() : " (" + outcome.breakReason + ")";
            throw Error(what + ": a conexão de dados foi interrompida" + reason + ".");
        }
    }

    struct BusyGuard {
        Impl& impl;
        explicit BusyGuard(Impl& i) : impl(i) {
            if (impl.busy) throw Error("O cliente FTP já está executando outra operação.");
            impl.busy = true;
            impl.progress = 0;
        }
        ~BusyGuard() { impl.busy = false; }
        BusyGuard(const BusyGuard&) = delete;
        BusyGuard& operator=(const BusyGuard&) = delete;
    };
};

FtpClient::FtpClient() : impl_(std::make_unique<Impl>()) {}
FtpClient::~FtpClient() = default;

void FtpClient::SetHost(const std::string& host, int port) {
    impl_->host = host;
    impl_->port = port;
}

void FtpClient::SetCredentials(const std::string& user, const std::string& password) {
    impl_->user = user;
    impl_->password = password;
}

void FtpClient::SetTimeouts(int connectMs, int idleMs) {
    impl_->connectMs = connectMs > 0 ? connectMs : 1;
    impl_->idleMs = idleMs > 0 ? idleMs : 1;
}

void FtpClient::SetProgressHook(std::function<void(int64_t)> hook) { impl_->hook = std::move(hook); }

void FtpClient::Connect() {
    Impl& c = *impl_;
    Impl::BusyGuard busy(c);
    c.Drop();
    if (IsBlank(c.host)) throw Error("Endereço do servidor FTP não informado.");
    if (c.port < 1 || c.port > 65535) throw Error("Porta inválida para o servidor FTP: " + std::to_string(c.port) + ".");
    if (HasLineBreakOrNul(c.user) || HasLineBreakOrNul(c.password))
        throw Error("O usuário ou a senha do FTP contém quebra de linha ou caractere nulo.");
    c.control = Socket::Connect(c.host, c.port, c.connectMs, c.tick);
    try {
        Reply r = c.Read();
        while (r.Preliminary()) r = c.Read();
        if (r.code != 220) throw Error("O servidor FTP recusou a conexão: " + r.Describe());
        r = c.Command("USER", c.user);
        if (r.code == 331 || r.code == 332) r = c.Command("PASS", c.password);
        if (r.code != 230 && r.code != 202) throw Error("Falha no login: " + r.Describe());
    } catch (...) {
        c.Drop();
        throw;
    }
}

bool FtpClient::Connected() const {
    Impl& c = *impl_;
    if (!c.control.IsOpen()) return false;
    if (c.busy) return true;
    // Between calls the server speaks only to end the connection (a 421 or a close).
    bool ready, unused;
    Socket::WaitReadable(&c.control, nullptr, 0, ready, unused);
    if (!ready) return true;
    try {
        c.PumpControl();
        Reply unexpected;
        while (c.NextReply(unexpected)) {
        }
    } catch (const Error&) {
        return false;
    }
    if (c.controlEnded) c.Drop();
    return c.control.IsOpen();
}

void FtpClient::Disconnect() {
    Impl& c = *impl_;
    Impl::BusyGuard busy(c);
    if (!c.control.IsOpen()) return;
    struct Closer {
        Impl& c;
        ~Closer() { c.Drop(); }
    } closer{c};
    c.Command("QUIT");
}

int64_t FtpClient::Size(const std::string& name) {
    Impl& c = *impl_;
    if (c.busy || !c.control.IsOpen() || HasLineBreakOrNul(name)) return -1;
    try {
        Impl::BusyGuard busy(c);
        c.sizeName.clear();
        c.EnsureBinary();
        Reply r = c.Command("SIZE", name);
        std::string text = Trim(r.LastText());
        if (r.code != 213 || text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos)
            return -1;
        int64_t size = 0;
        for (char ch : text) size = size * 10 + (ch - '0');
        c.sizeName = name;
        c.sizeValue = size;
        return size;
    } catch (...) {
        return -1;
    }
}

void FtpClient::Get(const std::string& name, const std::string& localPath) {
    Impl& c = *impl_;
    Impl::BusyGuard busy(c);
    Impl::CheckArgument(name);
    c.RequireConnected();
    const int64_t announced = c.sizeName == name ? c.sizeValue : -1;
    c.sizeName.clear();
    const std::string what = "Falha ao baixar o arquivo " + Quoted(name);
    LocalFile file(localPath);
    c.EnsureBinary();
    Socket data = c.OpenData(what);
    Reply r = c.Command("RETR", name);
    if (!r.Preliminary()) throw Error(what + ": " + r.Describe());
    Impl::Outcome outcome = c.Transfer(data, [&](const char* bytes, size_t size) { file.Write(bytes, size); });
    Impl::CheckOutcome(what, outcome);
    if (announced >= 0 && c.progress < announced)
        throw Error(what + ": recebidos " + std::to_string(c.progress) + " de " + std::to_string(announced) + " bytes.");
    file.Commit();
}

void FtpClient::ChangeDir(const std::string& name) {
    Impl& c = *impl_;
    Impl::BusyGuard busy(c);
    Impl::CheckArgument(name);
    c.RequireConnected();
    Reply r = c.Command("CWD", name);
    if (!r.Positive()) throw Error("Falha ao entrar na pasta " + Quoted(name) + " do servidor FTP: " + r.Describe());
}

void FtpClient::ChangeDirUp() {
    Impl& c = *impl_;
    Impl::BusyGuard busy(c);
    c.RequireConnected();
    Reply r = c.Command("CDUP");
    if (!r.Positive()) throw Error("Falha ao voltar à pasta anterior do servidor FTP: " + r.Describe());
}

void FtpClient::List(StringList* dest, bool details) {
    Impl& c = *impl_;
    Impl::BusyGuard busy(c);
    c.RequireConnected();
    const std::string what = "Falha ao listar a pasta do servidor FTP";
    c.EnsureBinary();
    Socket data = c.OpenData(what);
    Reply r = c.Command(details ? "LIST" : "NLST");
    if (!r.Preliminary()) throw Error(what + ": " + r.Describe());
    std::string text;
    Impl::Outcome outcome = c.Transfer(data, [&](const char* bytes, size_t size) {
        if (text.size() + size > kMaxListingBytes) throw Error(what + ": a listagem passa de 32 MiB.");
        text.append(bytes, size);
    });
    Impl::CheckOutcome(what, outcome);
    c.raw = ListingLines(text, details);
    c.rawDetails = details;
    c.listingStale = true;
    if (dest) *dest = c.raw;
}

const Listing& FtpClient::DirectoryListing() {
    Impl& c = *impl_;
    if (c.listingStale) {
        c.listing = ParseListing(c.raw, c.rawDetails, LocalNow());
        c.listingStale = false;
    }
    return c.listing;
}

bool ParseHostPort(const std::string& address, std::string& host, int& port) {
    const std::string a = Trim(address);
    std::string name, portText;
    bool hasPort = false;
    if (!a.empty() && a[0] == '[') {
        size_t close = a.find(']');
        if (close == std::string::npos) return false;
        name = a.substr(1, close - 1);
        std::string rest = a.substr(close + 1);
        if (!rest.empty()) {
            if (rest[0] != ':') return false;
            hasPort = true;
            portText = rest.substr(1);
        }
    } else {
        size_t colon = a.find(':');
        if (colon == std::string::npos || a.find(':', colon + 1) != std::string::npos) {
            name = a;  // no port, or a bare IPv6 address
        } else {
            name = a.substr(0, colon);
            hasPort = true;
            portText = a.substr(colon + 1);
        }
    }
    if (IsBlank(name)) return false;
    int value = 21;
    if (hasPort) {
        if (portText.empty() || portText.size() > 5 || portText.find_first_not_of("0123456789") != std::string::npos)
            return false;
        value = std::stoi(portText);
        if (value < 1 || value > 65535) return false;
    }
    host = name;
    port = value;
    return true;
}

}  // namespace vorlane::ftp
