#include "tests/ftp/servers.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/base/file_io.h"

namespace vorlane::ftp::testing {

namespace {

// Both are Linux paths, set by the build.
std::string StateFolder() { return VORLANE_FTP_STATE; }

#ifndef _WIN32
std::string ServersScript() { return VORLANE_FTP_SCRIPT; }

// The servers are stopped when the test program ends, if the program started them.
struct OwnServers {
    std::string state;
    ~OwnServers() {
        if (!state.empty())
            std::system(("/usr/bin/python3 '" + ServersScript() + "' stop '" + state + "' >/dev/null 2>&1").c_str());
    }
};
OwnServers ownServers;
#endif

}  // namespace

std::string LocalPath(const std::string& linuxPath) {
#ifdef _WIN32
    if (!linuxPath.empty() && linuxPath[0] == '/') {
        std::string p = "Z:" + linuxPath;
        for (char& c : p)
            if (c == '/') c = '\\';
        return p;
    }
#endif
    return linuxPath;
}

std::string ReadAll(const std::string& path) {
    std::FILE* f = OpenFile(path, "rb");
    if (!f) return std::string("<missing>");
    std::string bytes;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0) bytes.append(buffer, n);
    std::fclose(f);
    return bytes;
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::FILE* f = OpenFile(path, "wb");
    if (!f) return;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

std::string FreshFolder(const std::string& name) {
    std::filesystem::path p = std::filesystem::path(LocalPath(StateFolder())).parent_path() / "ftp-client-work" / name;
    std::error_code ec;
    std::filesystem::remove_all(p, ec);
    std::filesystem::create_directories(p, ec);
    return p.string();
}

const Servers& Servers::Get() {
    static Servers servers = [] {
        Servers s;
        std::string file = LocalPath(StateFolder() + "/servers.txt");
#ifndef _WIN32
        if (!FileExists(file)) {
            // Run outside ctest: start the servers for this program alone.
            std::string state = StateFolder();
            std::string cmd = "/usr/bin/python3 '" + ServersScript() + "' start '" + state + "' >/dev/null";
            if (std::system(cmd.c_str()) == 0) ownServers.state = state;
        }
#endif
        std::ifstream in(file);
        if (!in) {
            s.error_ = "no FTP test servers: " + file + " is missing (run through ctest, which starts them)";
            return s;
        }
        std::string line;
        while (std::getline(in, line)) {
            size_t eq = line.find('=');
            if (eq != std::string::npos) s.values_[line.substr(0, eq)] = line.substr(eq + 1);
        }
        return s;
    }();
    return servers;
}

std::string Servers::Value(const std::string& key) const {
    auto it = values_.find(key);
    return it == values_.end() ? std::string() : it->second;
}

int Servers::Port(const std::string& mode) const {
    std::string v = Value(mode == "vsftpd" ? "vsftpd.port" : "port." + mode);
    return v.empty() ? 0 : std::atoi(v.c_str());
}

std::string Servers::VsftpdMissing() const { return Value("vsftpd.error"); }

std::string Servers::TreeFile(const std::string& relative) const {
    return LocalPath(Value("tree") + "/" + relative);
}

DateTime Servers::ListedDate(const std::string& relative) const {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0;
    std::sscanf(Value("date." + relative).c_str(), "%d-%d-%d %d:%d", &y, &mo, &d, &h, &mi);
    return EncodeDateTime(y, mo, d, h, mi, 0);
}

std::vector<Servers::Command> Servers::Commands() const {
    std::vector<Command> commands;
    std::ifstream in(LocalPath(Value("log")));
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        Command c;
        std::string session;
        if (std::getline(fields, c.mode, '\t') && std::getline(fields, session, '\t') && std::getline(fields, c.line)) {
            c.session = std::atoi(session.c_str());
            commands.push_back(c);
        }
    }
    return commands;
}

}  // namespace vorlane::ftp::testing
