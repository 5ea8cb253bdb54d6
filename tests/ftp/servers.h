#pragma once
// The loopback FTP servers of the client tests, as ftp_servers.py started them: its ports, its
// served tree and its command log, read from <build>/ftp-servers/servers.txt. Under Wine the
// Linux paths it names are reached through drive Z:.
#include <map>
#include <string>
#include <vector>

#include "platform/base/datetime.h"

namespace vorlane::ftp::testing {

class Servers {
public:
    // Loads the servers file once; on the host, starts the servers itself when no ctest
    // fixture did. Empty (with Error() set) when there are none.
    static const Servers& Get();

    bool Ready() const { return error_.empty(); }
    const std::string& Error() const { return error_; }
    std::string Value(const std::string& key) const;
    // "normal", "cut"... ; "vsftpd" for the daemon; "closed" for a port nobody listens on.
    int Port(const std::string& mode) const;
    std::string VsftpdMissing() const;         // why vsftpd is not there, or empty
    std::string TreeFile(const std::string& relative) const;  // local path of a served file
    // The listing date-time the fixture gave a served file.
    DateTime ListedDate(const std::string& relative) const;

    // The command log of the pyftpdlib modes: lines "mode<TAB>session<TAB>command".
    struct Command {
        std::string mode;
        int session;
        std::string line;
    };
    std::vector<Command> Commands() const;

private:
    std::map<std::string, std::string> values_;
    std::string error_;
};

// A local path for Linux path text (Z:\... under Wine).
std::string LocalPath(const std::string& linuxPath);
std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& bytes);
// A fresh, empty work folder for one test, below the build folder.
std::string FreshFolder(const std::string& name);

}  // namespace vorlane::ftp::testing
