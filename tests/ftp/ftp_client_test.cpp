// The FTP client against real servers on loopback: vsftpd, and pyftpdlib with scripted faults
// (tests/ftp/ftp_servers.py, started by a ctest fixture).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/error.h"
#include "platform/base/file_io.h"
#include "platform/ftp/ftp_client.h"
#include "tests/ftp/servers.h"

namespace vorlane::ftp {
namespace {

using testing::FreshFolder;
using testing::ReadAll;
using testing::Servers;
using Clock = std::chrono::steady_clock;

const Servers& Fixture() {
    const Servers& s = Servers::Get();
    if (!s.Ready()) ADD_FAILURE() << s.Error();
    return s;
}

// A client for one server mode, logged in with the fixed account unless told otherwise.
struct Session {
    FtpClient client;
    explicit Session(const std::string& mode, const std::string& host = "127.0.0.1") {
        client.SetHost(host, Fixture().Port(mode));
        client.SetCredentials("ravelco", "pomelito");
        client.SetTimeouts(5000, 5000);
    }
};

// The message of the error fn raises ("" when it raises none).
std::string ErrorOf(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const Error& e) {
        return e.what();
    }
    return "";
}

std::string JoinPath(const std::string& folder, const std::string& name) { return folder + "/" + name; }

const ListingItem* Find(const Listing& listing, const std::string& name) {
    for (int i = 0; i < listing.Count(); ++i)
        if (listing.Item(i).fileName == name) return &listing.Item(i);
    return nullptr;
}

// The commands a pyftpdlib mode received in its latest session.
std::vector<std::string> LatestSession(const std::string& mode) {
    std::vector<Servers::Command> all = Fixture().Commands();
    int latest = -1;
    for (const auto& c : all)
        if (c.mode == mode && c.session > latest) latest = c.session;
    std::vector<std::string> lines;
    for (const auto& c : all)
        if (c.mode == mode && c.session == latest) lines.push_back(c.line);
    return lines;
}

size_t CountPrefix(const std::vector<std::string>& lines, const std::string& prefix) {
    size_t n = 0;
    for (const auto& l : lines) n += l.rfind(prefix, 0) == 0;
    return n;
}

// --- the calling order of an installation run, on both servers --------------------------

class CallingOrder : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        if (!Fixture().Ready()) GTEST_SKIP();
        if (std::string(GetParam()) == "vsftpd" && !Fixture().VsftpdMissing().empty())
            GTEST_FAIL() << "vsftpd is not available: " << Fixture().VsftpdMissing();
    }
};

TEST_P(CallingOrder, RunsEveryStepOnARealTree) {
    const Servers& s = Fixture();
    // The daemon is reached by name (localhost may resolve to ::1 first, where nobody listens).
    Session session(GetParam(), std::string(GetParam()) == "vsftpd" ? "localhost" : "127.0.0.1");
    FtpClient& ftp = session.client;
    const std::string local = FreshFolder(std::string("calling-order-") + GetParam());
    auto expectFetched = [&](const std::string& served, const std::string& localPath) {
        EXPECT_EQ(ftp.Size(served.substr(served.rfind('/') + 1)), static_cast<int64_t>(ReadAll(s.TreeFile(served)).size()));
        ftp.Get(served.substr(served.rfind('/') + 1), localPath);
        EXPECT_TRUE(ReadAll(localPath) == ReadAll(s.TreeFile(served))) << served;
    };

    EXPECT_FALSE(ftp.Connected());
    ftp.Connect();
    ASSERT_TRUE(ftp.Connected());

    expectFetched("Ostrel.exe", JoinPath(local, "Ostrel.exe"));

    StringList details, names;
    ftp.List(&details, true);
    ftp.List(&names, false);
    for (const char* n : {"Ostrel.exe", "Bevani.exe", "Leia me agora.txt", "vazio.txt", "Dll", "atalho"})
        EXPECT_NE(std::find(names.begin(), names.end(), n), names.end()) << n;
    // The parsed listing follows the latest listing, here the names-only one.
    const Listing& fromNames = ftp.DirectoryListing();
    EXPECT_EQ(fromNames.Count(), static_cast<int>(names.size()));
    ASSERT_NE(Find(fromNames, "Ostrel.exe"), nullptr);
    EXPECT_EQ(Find(fromNames, "Ostrel.exe")->modified, 0);

    ftp.ChangeDir("Dll");
    expectFetched("Dll/Empresa42.dll", JoinPath(local, "Empresa.dll"));
    ftp.ChangeDirUp();

    ASSERT_TRUE(ftp.Connected());
    ftp.List(nullptr, true);
    ftp.List(&names, false);
    ftp.List(&details, true);
    const Listing& listing = ftp.DirectoryListing();
    EXPECT_EQ(listing.Count(), static_cast<int>(names.size()));
    struct Expected {
        const char* name;
        bool folder;
    };
    for (Expected e : {Expected{"Ostrel.exe", false}, {"Bevani.exe", false}, {"Leia me agora.txt", false},
                       {"vazio.txt", false}, {"grande.bin", false}, {"Dll", true}, {"atalho", false}}) {
        const ListingItem* item = Find(listing, e.name);
        ASSERT_NE(item, nullptr) << e.name;
        EXPECT_EQ(item->isFolder, e.folder) << e.name;
    }
    // A file of this year is listed with its time, one of years ago with its year only.
    EXPECT_DOUBLE_EQ(Find(listing, "Ostrel.exe")->modified, s.ListedDate("Ostrel.exe"));
    EXPECT_DOUBLE_EQ(Find(listing, "Bevani.exe")->modified, EncodeDate(2019, 3, 15));
    EXPECT_EQ(Find(listing, "grande.bin")->size, static_cast<int64_t>(ReadAll(s.TreeFile("grande.bin")).size()));

    for (const char* name : {"Bevani.exe", "Leia me agora.txt", "vazio.txt", "grande.bin"})
        expectFetched(name, JoinPath(local, name));

    ftp.Disconnect();
    EXPECT_FALSE(ftp.Connected());
    // Disconnecting again is harmless, and the same client connects anew.
    ftp.Disconnect();
    ftp.Connect();
    EXPECT_TRUE(ftp.Connected());
    ftp.Disconnect();
}

TEST_P(CallingOrder, FailuresLeaveTheConnectionUsable) {
    Session session(GetParam());
    FtpClient& ftp = session.client;
    const std::string local = FreshFolder(std::string("failures-") + GetParam());
    ftp.Connect();

    EXPECT_EQ(ftp.Size("nao-existe.exe"), -1);
    std::string target = JoinPath(local, "nao-existe.exe");
    testing::WriteAll(target, "conteúdo antigo");
    EXPECT_EQ(ErrorOf([&] { ftp.Get("nao-existe.exe", target); }).rfind("Falha ao baixar o arquivo \"nao-existe.exe\": 550", 0), 0u);
    // A failed download leaves the local file as it was, and nothing beside it.
    EXPECT_EQ(ReadAll(target), "conteúdo antigo");
    EXPECT_FALSE(FileExists(target + ".tmp"));

    EXPECT_EQ(ErrorOf([&] { ftp.ChangeDir("nao-existe"); }).rfind("Falha ao entrar na pasta \"nao-existe\" do servidor FTP: 550", 0), 0u);

    std::string noFolder = JoinPath(local, "sem-pasta/Ostrel.exe");
    EXPECT_EQ(ErrorOf([&] { ftp.Get("Ostrel.exe", noFolder); }).rfind("Não foi possível criar o arquivo local \"" + noFolder + "\": ", 0), 0u);

    // An existing local file is replaced as a whole, whatever it held.
    std::string existing = JoinPath(local, "Bevani.exe");
    testing::WriteAll(existing, std::string(200000, 'z'));
    ftp.Get("Bevani.exe", existing);
    EXPECT_TRUE(ReadAll(existing) == ReadAll(Fixture().TreeFile("Bevani.exe")));
    EXPECT_TRUE(ftp.Connected());
    ftp.Disconnect();
}

TEST_P(CallingOrder, WrongPasswordIsALoginFailure) {
    Session session(GetParam());
    session.client.SetCredentials("ravelco", "errada");
    std::string message = ErrorOf([&] { session.client.Connect(); });
    EXPECT_EQ(message.rfind("Falha no login: 530 ", 0), 0u) << message;
    EXPECT_FALSE(session.client.Connected());
}

INSTANTIATE_TEST_SUITE_P(Servers, CallingOrder, ::testing::Values("normal", "vsftpd"));

// --- what goes over the wire ---------------------------------------------------------------

class Protocol : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Fixture().Ready()) GTEST_SKIP();
    }
};

TEST_F(Protocol, BinaryTypeAndExtendedPassiveOncePerConnection) {
    Session session("normal");
    const std::string local = FreshFolder("protocol-epsv");
    session.client.Connect();
    session.client.Size("Ostrel.exe");
    session.client.Get("Ostrel.exe", JoinPath(local, "a"));
    session.client.List(nullptr, false);
    session.client.Disconnect();
    std::vector<std::string> sent = LatestSession("normal");
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent[0], "USER ravelco");
    EXPECT_EQ(sent[2], "TYPE I");
    EXPECT_EQ(CountPrefix(sent, "TYPE"), 1u);
    EXPECT_EQ(CountPrefix(sent, "EPSV"), 2u);
    EXPECT_EQ(CountPrefix(sent, "PASV"), 0u);
    EXPECT_EQ(sent.back(), "QUIT");
}

// An EPSV reply that fills in its address fields (with another address): only its port is
// used, at the server's own address.
TEST_F(Protocol, ExtendedPassiveReplyWithAnAddressUsesOnlyItsPort) {
    Session session("epsvaddr");
    const std::string local = FreshFolder("protocol-epsvaddr");
    session.client.Connect();
    session.client.Get("Bevani.exe", JoinPath(local, "b"));
    session.client.Disconnect();
    EXPECT_TRUE(ReadAll(JoinPath(local, "b")) == ReadAll(Fixture().TreeFile("Bevani.exe")));
    std::vector<std::string> sent = LatestSession("epsvaddr");
    EXPECT_EQ(CountPrefix(sent, "EPSV"), 1u);
    EXPECT_EQ(CountPrefix(sent, "PASV"), 0u);
}

TEST_F(Protocol, RefusedEpsvFallsBackToPasvForTheRestOfTheConnection) {
    for (const char* mode : {"noepsv", "pasvother", "epsv4xx"}) {
        SCOPED_TRACE(mode);
        Session session(mode);
        const std::string local = FreshFolder(std::string("protocol-") + mode);
        session.client.Connect();
        session.client.Get("Ostrel.exe", JoinPath(local, "a"));
        session.client.List(nullptr, true);
        session.client.Get("Bevani.exe", JoinPath(local, "b"));
        // pasvother names 192.0.2.7 in its PASV reply: only its port is used.
        EXPECT_TRUE(ReadAll(JoinPath(local, "b")) == ReadAll(Fixture().TreeFile("Bevani.exe")));
        std::vector<std::string> sent = LatestSession(mode);
        EXPECT_EQ(CountPrefix(sent, "EPSV"), 1u);
        EXPECT_EQ(CountPrefix(sent, "PASV"), 3u);
        // A new connection asks for EPSV again.
        session.client.Connect();
        session.client.List(nullptr, false);
        EXPECT_EQ(CountPrefix(LatestSession(mode), "EPSV"), 1u);
        session.client.Disconnect();
    }
}

TEST_F(Protocol, ArgumentsWithLineBreaksOrNulAreNeverSent) {
    Session session("normal");
    FtpClient& ftp = session.client;
    const std::string local = FreshFolder("protocol-crlf");
    ftp.Connect();
    const std::string bad[] = {"a.exe\r\nDELE Ostrel.exe", "a.exe\nNOOP", std::string("a.exe\0NOOP", 10), "a\r"};
    for (const std::string& name : bad) {
        EXPECT_EQ(ftp.Size(name), -1);
        std::string m = ErrorOf([&] { ftp.Get(name, JoinPath(local, "x")); });
        EXPECT_NE(m.find("contém quebra de linha ou caractere nulo"), std::string::npos) << m;
        EXPECT_NE(ErrorOf([&] { ftp.ChangeDir(name); }).find("contém quebra de linha"), std::string::npos);
        EXPECT_FALSE(FileExists(JoinPath(local, "x")));
    }
    // The round trip of a good command proves the server has seen all that was sent.
    EXPECT_GT(ftp.Size("Ostrel.exe"), 0);
    std::vector<std::string> sent = LatestSession("normal");
    EXPECT_EQ(CountPrefix(sent, "DELE"), 0u);
    EXPECT_EQ(CountPrefix(sent, "NOOP"), 0u);
    EXPECT_EQ(CountPrefix(sent, "RETR"), 0u);
    EXPECT_EQ(CountPrefix(sent, "CWD"), 0u);
    EXPECT_EQ(CountPrefix(sent, "SIZE"), 1u);

    FtpClient login;
    login.SetHost("127.0.0.1", Fixture().Port("normal"));
    login.SetCredentials("ravelco\r\nNOOP", "pomelito");
    EXPECT_NE(ErrorOf([&] { login.Connect(); }).find("quebra de linha"), std::string::npos);
}

// --- faults, one table ---------------------------------------------------------------------

struct Fault {
    const char* name;
    const char* mode;
    // Runs the failing step on a fresh client; local is the test's own folder.
    std::function<void(FtpClient&, const std::string& local)> run;
    const char* message;      // the error message starts with this ("" = no error)
    const char* localFile;    // must not exist afterwards (nullptr: nothing to check)
    bool connectedAfter;
};

void PrintTo(const Fault& f, std::ostream* os) { *os << f.name; }

void ConnectAndGet(FtpClient& ftp, const std::string& local, const char* name, bool askSize) {
    ftp.Connect();
    if (askSize) ftp.Size(name);
    ftp.Get(name, JoinPath(local, name));
}

class Faults : public ::testing::TestWithParam<Fault> {
protected:
    void SetUp() override {
        if (!Fixture().Ready()) GTEST_SKIP();
    }
};

TEST_P(Faults, EndInTheRightError) {
    const Fault& f = GetParam();
#ifdef _WIN32
    // Wine's sockets report a stream the peer reset as one it closed in order (Windows itself
    // reports WSAECONNRESET), so there the reset cannot be told from a complete transfer.
    if (std::string(f.name) == "data_reset_then_226") GTEST_SKIP() << "Wine reports a reset as an orderly close";
#endif
    std::string m = f.message;
    const Servers& s = Fixture();
    for (const char* key : {"%closed%"}) {
        size_t at = m.find(key);
        if (at != std::string::npos) m.replace(at, std::string(key).size(), std::to_string(s.Port("closed")));
    }
    Session session(f.mode);
    session.client.SetTimeouts(3000, 800);
    const std::string local = FreshFolder(std::string("fault-") + f.name);
    auto start = Clock::now();
    std::string got = ErrorOf([&] { f.run(session.client, local); });
    auto seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (m.empty()) {
        EXPECT_EQ(got, "");
    } else {
        EXPECT_EQ(got.rfind(m, 0), 0u) << "got: " << got << "\nwanted: " << m;
    }
    // Every fault ends within its bound; this is about not hanging, not about speed.
    EXPECT_LT(seconds, 20.0);
    if (f.localFile) {
        EXPECT_FALSE(FileExists(JoinPath(local, f.localFile)));
    }
    EXPECT_EQ(session.client.Connected(), f.connectedAfter);
}

const Fault kFaults[] = {
    {"wrong_password", "normal", [](FtpClient& ftp, const std::string&) {
         ftp.SetCredentials("ravelco", "errada");
         ftp.Connect();
     }, "Falha no login: 530 Authentication failed.", nullptr, false},
    {"refused_connection", "closed", [](FtpClient& ftp, const std::string&) { ftp.Connect(); },
     "Conexão recusada pelo servidor 127.0.0.1 porta %closed%.", nullptr, false},
    {"unknown_host", "normal", [](FtpClient& ftp, const std::string&) {
         ftp.SetHost("servidor-inexistente.invalid");
         ftp.Connect();
     }, "Não foi possível localizar o servidor \"servidor-inexistente.invalid\".", nullptr, false},
    {"blank_host", "normal", [](FtpClient& ftp, const std::string&) {
         ftp.SetHost("  ");
         ftp.Connect();
     }, "Endereço do servidor FTP não informado.", nullptr, false},
    {"never_answers", "silent", [](FtpClient& ftp, const std::string&) { ftp.Connect(); },
     "Tempo esgotado esperando resposta do servidor.", nullptr, false},
    {"size_refused_download_runs", "nosize", [](FtpClient& ftp, const std::string& local) {
         ftp.Connect();
         if (ftp.Size("Ostrel.exe") != -1) throw Error("SIZE answered");
         ftp.Get("Ostrel.exe", JoinPath(local, "Ostrel.exe"));
         if (ReadAll(JoinPath(local, "Ostrel.exe")) != ReadAll(Fixture().TreeFile("Ostrel.exe"))) throw Error("content");
     }, "", nullptr, true},
    {"file_removed_before_retr", "normal", [](FtpClient& ftp, const std::string& local) {
         std::string served = Fixture().TreeFile("some.tmp");
         const std::string content = "temporário";
         testing::WriteAll(served, content);
         ftp.Connect();
         if (ftp.Size("some.tmp") != static_cast<int64_t>(content.size())) throw Error("SIZE of the temporary file");
         RemoveFile(served);
         ftp.Get("some.tmp", JoinPath(local, "some.tmp"));
     }, "Falha ao baixar o arquivo \"some.tmp\": 550 ", "some.tmp", true},
    {"data_cut_mid_transfer", "cut", [](FtpClient& ftp, const std::string& local) {
         ConnectAndGet(ftp, local, "grande.bin", true);
     }, "Falha ao baixar o arquivo \"grande.bin\": ", "grande.bin", true},
    {"data_cut_without_size", "cut", [](FtpClient& ftp, const std::string& local) {
         ConnectAndGet(ftp, local, "grande.bin", false);
     }, "Falha ao baixar o arquivo \"grande.bin\": ", "grande.bin", true},
    {"data_reset_then_226", "cutlie", [](FtpClient& ftp, const std::string& local) {
         ConnectAndGet(ftp, local, "grande.bin", false);
     }, "Falha ao baixar o arquivo \"grande.bin\": a conexão de dados foi interrompida", "grande.bin", true},
    {"226_with_fewer_bytes_than_size", "short", [](FtpClient& ftp, const std::string& local) {
         ConnectAndGet(ftp, local, "grande.bin", true);
     }, "Falha ao baixar o arquivo \"grande.bin\": recebidos 3145730 de 6291461 bytes.", "grande.bin", true},
    {"pasv_names_another_address", "pasvother", [](FtpClient& ftp, const std::string& local) {
         ConnectAndGet(ftp, local, "Ostrel.exe", true);
     }, "", nullptr, true},
    {"garbled_greeting", "garbled", [](FtpClient& ftp, const std::string&) { ftp.Connect(); },
     "Resposta inválida do servidor FTP: \"SSH-2.0-OpenSSH_9.2p1 Debian-2\".", nullptr, false},
    {"endless_multiline_greeting", "oversized", [](FtpClient& ftp, const std::string&) { ftp.Connect(); },
     "Resposta do servidor FTP longa demais (mais de 64 KiB).", nullptr, false},
    {"endless_greeting_line", "longline", [](FtpClient& ftp, const std::string&) { ftp.Connect(); },
     "Resposta do servidor FTP longa demais (mais de 64 KiB).", nullptr, false},
    {"421_closes_the_connection", "drop421", [](FtpClient& ftp, const std::string&) {
         ftp.Connect();
         ftp.ChangeDir("Dll");
     }, "O servidor FTP encerrou a conexão: 421 Service not available, closing control connection.", nullptr, false},
    {"421_before_download", "drop421", [](FtpClient& ftp, const std::string& local) {
         ConnectAndGet(ftp, local, "Ostrel.exe", false);
     }, "O servidor FTP encerrou a conexão: 421 ", "Ostrel.exe", false},
    {"421_while_idle_is_seen_by_connected", "idle421", [](FtpClient& ftp, const std::string&) {
         ftp.Connect();
         // The server speaks after one idle second; Connected() must notice it between calls.
         const auto deadline = Clock::now() + std::chrono::seconds(10);
         while (ftp.Connected() && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(20));
     }, "", nullptr, false},
    {"not_connected", "normal", [](FtpClient& ftp, const std::string& local) {
         if (ftp.Size("Ostrel.exe") != -1) throw Error("SIZE without a connection");
         ftp.Get("Ostrel.exe", JoinPath(local, "Ostrel.exe"));
     }, "Não há conexão com o servidor FTP.", "Ostrel.exe", false},
};

INSTANTIATE_TEST_SUITE_P(Table, Faults, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<Fault>& info) { return std::string(info.param.name); });

// --- the progress hook -------------------------------------------------------------------

// The gaps between hook calls while fn runs, and the bytes each call reported.
struct HookTrace {
    std::vector<double> gapsMs;
    std::vector<int64_t> bytes;
    double Longest() const {
        double m = 0;
        for (double g : gapsMs) m = g > m ? g : m;
        return m;
    }
};

HookTrace Trace(FtpClient& ftp, const std::function<void()>& fn) {
    HookTrace trace;
    auto last = Clock::now();
    ftp.SetProgressHook([&](int64_t bytes) {
        auto now = Clock::now();
        trace.gapsMs.push_back(std::chrono::duration<double, std::milli>(now - last).count());
        trace.bytes.push_back(bytes);
        last = now;
    });
    last = Clock::now();
    try {
        fn();
    } catch (...) {
    }
    trace.gapsMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - last).count());
    ftp.SetProgressHook(nullptr);
    return trace;
}

class ProgressHook : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Fixture().Ready()) GTEST_SKIP();
    }
};

// The hook promises a call at least every 100 ms; the bound checked is loose, as the machine
// may be busy: the point is that it runs during silent waits too.
constexpr double kLooseGapMs = 300;

TEST_F(ProgressHook, RunsThroughoutASlowTransfer) {
    Session session("slow");
    const std::string local = FreshFolder("hook-slow");
    session.client.Connect();
    const int64_t size = session.client.Size("lento.bin");
    HookTrace trace = Trace(session.client, [&] { session.client.Get("lento.bin", JoinPath(local, "lento.bin")); });
    EXPECT_TRUE(ReadAll(JoinPath(local, "lento.bin")) == ReadAll(Fixture().TreeFile("lento.bin")));
    ASSERT_GE(trace.bytes.size(), 10u);
    EXPECT_LT(trace.Longest(), kLooseGapMs);
    for (size_t i = 1; i < trace.bytes.size(); ++i) EXPECT_GE(trace.bytes[i], trace.bytes[i - 1]);
    EXPECT_GT(trace.bytes.back(), 0);
    EXPECT_LE(trace.bytes.back(), size);
}

TEST_F(ProgressHook, RunsWhileWaitingForAReply) {
    Session session("silent");
    session.client.SetTimeouts(3000, 700);
    HookTrace trace = Trace(session.client, [&] { session.client.Connect(); });
    ASSERT_GE(trace.bytes.size(), 4u);
    EXPECT_LT(trace.Longest(), kLooseGapMs);
    for (int64_t b : trace.bytes) EXPECT_EQ(b, 0);
}

TEST_F(ProgressHook, CallsFromInsideTheHookAreRefused) {
    Session session("slow");
    const std::string local = FreshFolder("hook-reentry");
    session.client.Connect();
    std::string inner;
    int64_t innerSize = 0;
    session.client.SetProgressHook([&](int64_t) {
        if (!inner.empty()) return;
        innerSize = session.client.Size("Ostrel.exe");
        inner = ErrorOf([&] { session.client.ChangeDir("Dll"); });
    });
    session.client.Get("lento.bin", JoinPath(local, "lento.bin"));
    EXPECT_EQ(inner, "O cliente FTP já está executando outra operação.");
    EXPECT_EQ(innerSize, -1);
    EXPECT_TRUE(ReadAll(JoinPath(local, "lento.bin")) == ReadAll(Fixture().TreeFile("lento.bin")));
}

}  // namespace
}  // namespace vorlane::ftp
